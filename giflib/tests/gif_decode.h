// Test support: decodes a GIF file with giflib, independently of the library's own code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "giflib/object/pellory_types.h"

namespace pellory::testing {

struct DecodedGif {
  bool ok = false;
  std::string error;
  int width = 0, height = 0;            // logical screen
  int imageWidth = 0, imageHeight = 0;  // first image
  int colorResolution = 0;
  bool sortFlag = false;
  int background = 0;
  int transparentIndex = -1;               // -1 when no graphic control says so
  std::vector<Vesk_GIFRGBTRIPLE> palette;  // the global colour map, whole
  std::vector<uint8_t> indices;            // first image, top row first
};

DecodedGif DecodeGif(const std::string& path);
// The same, from the bytes of a file in memory.
DecodedGif DecodeGifBytes(const std::vector<uint8_t>& bytes);

// Every image of an animated file, as giflib reads it.
struct DecodedFrame {
  int left = 0, top = 0, width = 0, height = 0;
  int delayCs = -1;  // -1 without a graphic control extension
  int disposal = -1;
  int transparentIndex = -1;               // -1 when none
  std::vector<Vesk_GIFRGBTRIPLE> palette;  // its colour map (local, else global), whole
  bool localMap = false;
  std::vector<uint8_t> indices;
};
struct DecodedAnimation {
  bool ok = false;
  std::string error;
  std::string version;  // the header's first six bytes: "GIF89a"
  int width = 0, height = 0;
  int loopCount = -1;  // from the NETSCAPE2.0 extension; -1 without it
  std::vector<DecodedFrame> frames;
};
DecodedAnimation DecodeAnimation(const std::string& path);

// What a viewer shows after each frame, played `rounds` times, disposal included: 0xFFRRGGBB for
// a drawn pixel, 0 for a cleared one.
std::vector<std::vector<uint32_t>> ComposeScreens(const DecodedAnimation& a, int rounds = 1);
// A single picture drawn at (left, top) on a cleared screen, as ComposeScreens gives it.
std::vector<uint32_t> ScreenOf(const DecodedGif& picture, int screenWidth, int screenHeight,
                               int left, int top);

// A fresh folder under the temp folder, removed with its contents when the object dies.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  int CountEntries() const;

 private:
  std::string path_;
};

}  // namespace pellory::testing
