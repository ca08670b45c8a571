// Test support for the overlay: a fixture with its own temporary folder and pictures to compose.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "giflib/overlay/vesk_overlay.h"
#include "giflib/tests/gif_decode.h"
#include "giflib/tests/pictures.h"
#include "platform/dialogs/message_box.h"

namespace pellory::testing {

constexpr int32_t Rgb(int r, int g, int b) {
  return r | (g << 8) | (b << 16);
}

// Colour value of pixel (x, y) of a picture, transparency ignored.
int32_t ColourAt(const Picture& picture, int x, int y);

// A w x h picture of one colour.
Picture Solid(int w, int h, int32_t colour);
// A w x h picture with a one-pixel frame of `frame` (its top-left, so its background colour)
// around `inner`.
Picture Framed(int w, int h, int32_t frame, int32_t inner);

// The bounding box of the pixels of one colour in a picture; empty when there are none.
QRect BoundsOf(const Picture& picture, int32_t colour);

class OverlayTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A new overlay whose auxiliary objects use the test's temporary folder.
  std::unique_ptr<Vesk_OverLay> NewOverlay();

  TempFolder temp_;
  std::unique_ptr<Vesk_OverLay> ol_;
  std::shared_ptr<platform::ScriptedMessageBoxes> boxes_;
  std::shared_ptr<platform::MessageBoxBackend> previous_;
};

}  // namespace pellory::testing
