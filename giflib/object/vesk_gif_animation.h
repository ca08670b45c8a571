// Vesk_GifAnimation: a series of pictures written as one animated GIF89a file. Each frame keeps
// the palette, indices and transparent colour that Vesk_GifObject would give it for a single
// file; the logical screen is as large as the largest frame and each frame is centred on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "giflib/engine/error_record.h"
#include "giflib/object/pellory_export.h"
#include "giflib/object/pellory_types.h"
#include "giflib/object/vesk_gif_object.h"
#include "platform/picture/picture.h"

namespace pellory {

class PELLORY_API Vesk_GifAnimation {
 public:
  Vesk_GifAnimation() = default;
  Vesk_GifAnimation(const Vesk_GifAnimation&) = delete;
  Vesk_GifAnimation& operator=(const Vesk_GifAnimation&) = delete;

  // Appends a frame shown for DelayTime hundredths of a second (0 to 65535). The picture is
  // taken as SetPicture takes it; on failure nothing is appended and the error is kept.
  bool AddFrame(const Picture& FramePicture, int32_t DelayTime);
  // AddFrame for each picture in turn, stopping at the first it refuses: the number appended.
  // Large pictures are taken two at a time, on two threads.
  int32_t AddFrames(const std::vector<Picture>& FramePictures, int32_t DelayTime);
  int32_t FrameCount() const { return static_cast<int32_t>(frames_.size()); }
  void ClearFrames();

  // How often a viewer plays the series: 0 for ever (the default), else 1 to 65535 times.
  int32_t LoopCount() const { return loopCount_; }
  void LoopCount(int32_t value);

  // Where the frames' temporary files go, as Vesk_GifObject's properties of the same names say
  // (AppPath, beside the library, unless set).
  Vesk_GifTempPathModeEnum TempPathMode() const { return tempPathMode_; }
  void TempPathMode(Vesk_GifTempPathModeEnum value);  // 0, 1 or 2, else ignored
  std::string TempPath() const { return tempPath_; }
  void TempPath(const std::string& value);

  // Whether the file holds each frame only where it changes what the screen shows (the default:
  // the same animation in fewer bytes) or every frame whole, cleared after it is shown.
  bool OptimizeFrames() const { return optimizeFrames_; }
  void OptimizeFrames(bool value) { optimizeFrames_ = value; }

  // The logical screen: the largest width and height among the frames.
  int32_t ScreenWidth() const;
  int32_t ScreenHeight() const;

  // Writes the file. An existing file is never replaced (3010), and a failure leaves no file.
  bool SaveAnimatedGif(const std::string& GifFileName);

  int32_t ErrorNumber() const;
  std::string GetErrorMsg(int32_t ErrNumber) const;
  void ResetError();

 private:
  struct Frame {
    Vesk_GifPictureType picture;
    int32_t delayCs = 0;
  };
  bool Enter(const char* name);
  void Fail(int32_t number);
  // Takes one picture through `reader` into `frame`; else 0 and the error number to record.
  int32_t Capture(Vesk_GifObject& reader, const Picture& picture, int32_t delayCs, Frame& frame);

  std::vector<Frame> frames_;
  int32_t loopCount_ = 0;
  bool optimizeFrames_ = true;
  // Kept here: the reader forgets its settings with each picture it clears.
  Vesk_GifTempPathModeEnum tempPathMode_ = AppPath;
  std::string tempPath_;
  Vesk_GifObject reader_;  // turns each frame into palette and indices
  engine::ErrorState error_;
};

}  // namespace pellory
