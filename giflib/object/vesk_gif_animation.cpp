#include "giflib/object/vesk_gif_animation.h"

#include <algorithm>

#include "giflib/engine/file_utility.h"
#include "giflib/engine/gif_animation.h"
#include "platform/kernel/files.h"

namespace pellory {

namespace {
constexpr int32_t kStyleExclamation = engine::kStyleExclamation;
}

bool Vesk_GifAnimation::Enter(const char* name) {
  error_.ResetError();
  error_.BeginCall(name, true);
  return true;
}

void Vesk_GifAnimation::Fail(int32_t number) {
  error_.RecordError(number, kStyleExclamation, false);
}

bool Vesk_GifAnimation::AddFrame(const Picture& FramePicture, int32_t DelayTime) {
  Enter("AddFrame");
  try {
    if (DelayTime < 0 || DelayTime > 0xFFFF) {
      Fail(3041);
      return false;
    }
    if (!FramePicture || FramePicture->Type() == platform::kPictureTypeNone) {
      Fail(3001);
      return false;
    }
    reader_.TempPathMode(tempPathMode_);
    reader_.TempPath(tempPath_);
    if (!reader_.SetPicture(FramePicture, Default) || !reader_.HasPicture()) {
      // The reader's number, described under this method's name.
      Fail(reader_.ErrorNumber() != 0 ? reader_.ErrorNumber() : 3001);
      return false;
    }
    frames_.push_back({reader_.CurrentPictureData(), DelayTime});
    reader_.ClearPicture();
    return true;
  } catch (...) {
    error_.RecordUnexpected(false);
    return false;
  }
}

void Vesk_GifAnimation::ClearFrames() {
  Enter("ClearFrames");
  frames_.clear();
}

void Vesk_GifAnimation::LoopCount(int32_t value) {
  Enter("LoopCount");
  if (value < 0 || value > 0xFFFF) {
    Fail(3042);
    return;
  }
  loopCount_ = value;
}

void Vesk_GifAnimation::TempPathMode(Vesk_GifTempPathModeEnum value) {
  Enter("TempPathMode");
  if (value == TempSystem || value == AppPath || value == UserCustom) tempPathMode_ = value;
}
void Vesk_GifAnimation::TempPath(const std::string& value) {
  Enter("TempPath");
  tempPath_ = value;
}

int32_t Vesk_GifAnimation::ScreenWidth() const {
  int32_t w = 0;
  for (const Frame& f : frames_) w = std::max(w, f.picture.GifSetting.biWidth);
  return w;
}

int32_t Vesk_GifAnimation::ScreenHeight() const {
  int32_t h = 0;
  for (const Frame& f : frames_) h = std::max(h, f.picture.GifSetting.biHeight);
  return h;
}

bool Vesk_GifAnimation::SaveAnimatedGif(const std::string& GifFileName) {
  Enter("SaveAnimatedGif");
  try {
    if (frames_.empty()) {
      Fail(3040);
      return false;
    }
    if (GifFileName.empty()) {
      Fail(3011);
      return false;
    }
    if (!engine::IsValidFileName(GifFileName)) {
      Fail(3012);
      return false;
    }
    const std::string parent = engine::GetParentFolder(GifFileName);
    if (!parent.empty() && !platform::DirectoryExists(engine::ToNativePath(parent))) {
      Fail(3009);
      return false;
    }
    const std::string target = engine::ToNativePath(GifFileName);
    if (platform::FileExists(target)) {
      Fail(3010);
      return false;
    }
    const int32_t w = ScreenWidth(), h = ScreenHeight();
    std::vector<engine::AnimationFrame> placed;
    placed.reserve(frames_.size());
    for (const Frame& f : frames_) {
      const Vesk_GifSettingType& s = f.picture.GifSetting;
      placed.push_back({&f.picture, (w - s.biWidth) / 2, (h - s.biHeight) / 2, f.delayCs});
    }
    if (!engine::WriteAnimatedGif(placed, w, h, loopCount_, target, optimizeFrames_)) {
      Fail(0);
      return false;
    }
    return true;
  } catch (...) {
    error_.RecordUnexpected(false);
    return false;
  }
}

int32_t Vesk_GifAnimation::ErrorNumber() const {
  return error_.ErrorNumber();
}
std::string Vesk_GifAnimation::GetErrorMsg(int32_t ErrNumber) const {
  return error_.GetErrorMsg(ErrNumber);
}
void Vesk_GifAnimation::ResetError() {
  error_.ResetError();
}

}  // namespace pellory
