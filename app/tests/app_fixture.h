// Test support for the application: scripted dialogs and message boxes, a temporary folder,
// GIF input files, screenshots, and windows unloaded after each test.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "giflib/tests/gif_decode.h"
#include "platform/dialogs/file_dialog.h"
#include "platform/dialogs/message_box.h"
#include "platform/picture/picture.h"

namespace kestrin::testing {

using pellory::testing::DecodeAnimation;
using pellory::testing::DecodedAnimation;
using pellory::testing::DecodedFrame;
using pellory::testing::DecodedGif;
using pellory::testing::DecodeGif;
using pellory::testing::TempFolder;

// A w x h indexed picture of `colours` colours in diagonal stripes, with a one-colour border of
// index 0 so that its background is plain.
platform::Picture Stripes(int w, int h, int colours = 6);

// Writes a picture as a GIF file through the library.
void WriteGif(const platform::Picture& picture, const std::string& path);

// The messages shown, in order.
std::vector<std::string> Texts(const platform::ScriptedMessageBoxes& boxes);

// Saves a PNG of a window under build/screenshots/.
void SaveScreenshot(QWidget& window, const std::string& name);

// Processes the events waiting, including the destruction of unloaded windows.
void Settle();

// Whether two pictures have the same size and pixels (colours as shown, transparency ignored).
bool SamePixels(const platform::Picture& a, const platform::Picture& b);

// For one test: the capture's "一時ファイル" goes under `folder`, and the capture does not wait.
class ScopedCaptureFolder {
 public:
  explicit ScopedCaptureFolder(const std::string& folder);
  ~ScopedCaptureFolder();
};

// Sets an environment variable while it lives.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Queues the answer of the next file dialog (nothing: cancelled).
  void Answer(const std::string& path) { files_->answers.push_back(path); }
  void Cancel() { files_->answers.push_back(std::nullopt); }

  // Queues the answer of the next question box (platform::kIdYes, kIdNo, kIdCancel).
  void Reply(int button) { boxes_->answers.push_back(button); }

  TempFolder temp_;
  // The previews' waits, in milliseconds, as they were asked for: each answers at once after one
  // look at the message loop, so no test waits for a clock.
  std::vector<int> previewWaits_;
  std::shared_ptr<platform::ScriptedMessageBoxes> boxes_;
  std::shared_ptr<platform::ScriptedFileDialogs> files_;

 private:
  std::shared_ptr<platform::MessageBoxBackend> previousBoxes_;
  std::shared_ptr<platform::FileDialogBackend> previousFiles_;
};

}  // namespace kestrin::testing
