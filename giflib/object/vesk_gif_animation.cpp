#include "giflib/object/vesk_gif_animation.h"

#include <algorithm>
#include <memory>

#include "giflib/engine/file_utility.h"
#include "giflib/engine/gif_animation.h"
#include "platform/kernel/files.h"
#include "platform/kernel/second_lane.h"

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

int32_t Vesk_GifAnimation::Capture(Vesk_GifObject& reader, const Picture& picture, int32_t delayCs,
                                   Frame& frame) {
  if (delayCs < 0 || delayCs > 0xFFFF) return engine::kErrDelayRange;
  if (!picture || picture->Type() == platform::kPictureTypeNone)
    return engine::kErrPictureArgumentEmpty;
  reader.TempPathMode(tempPathMode_);
  reader.TempPath(tempPath_);
  if (!reader.SetPicture(picture, Default) || !reader.HasPicture())
    // The reader's number, described under the animation's method.
    return reader.ErrorNumber() != 0 ? reader.ErrorNumber() : engine::kErrPictureArgumentEmpty;
  frame.picture = std::move(reader.source_);
  frame.delayCs = delayCs;
  reader.ClearPicture();
  return 0;
}

bool Vesk_GifAnimation::AddFrame(const Picture& FramePicture, int32_t DelayTime) {
  Enter("AddFrame");
  try {
    Frame frame;
    if (const int32_t error = Capture(reader_, FramePicture, DelayTime, frame); error != 0) {
      Fail(error);
      return false;
    }
    frames_.push_back(std::move(frame));
    return true;
  } catch (...) {
    error_.RecordUnexpected(false);
    return false;
  }
}

int32_t Vesk_GifAnimation::AddFrames(const std::vector<Picture>& FramePictures, int32_t DelayTime) {
  Enter("AddFrames");
  // Pictures below this many pixels are taken sooner than they are handed over.
  constexpr int64_t kSmallestShared = 64 * 1024;
  auto large = [&](size_t n) {
    const Picture& p = FramePictures[n];
    return p && static_cast<int64_t>(p->Image().width()) * p->Image().height() >= kSmallestShared;
  };
  int32_t added = 0;
  try {
    std::unique_ptr<Vesk_GifObject> second;
    std::unique_ptr<platform::SecondLane> lane;
    for (size_t n = 0; n < FramePictures.size();) {
      Frame first, next;
      int32_t firstError = 0, nextError = 0;
      const bool pair = n + 1 < FramePictures.size() && large(n) && large(n + 1);
      if (pair) {
        if (!lane) {
          second = std::make_unique<Vesk_GifObject>();
          lane = std::make_unique<platform::SecondLane>();
        }
        platform::RunBoth(
            *lane, [&] { nextError = Capture(*second, FramePictures[n + 1], DelayTime, next); },
            [&] { firstError = Capture(reader_, FramePictures[n], DelayTime, first); });
      } else {
        firstError = Capture(reader_, FramePictures[n], DelayTime, first);
      }
      if (firstError != 0) {
        Fail(firstError);
        return added;
      }
      frames_.push_back(std::move(first));
      ++added;
      if (!pair) {
        ++n;
        continue;
      }
      if (nextError != 0) {
        Fail(nextError);
        return added;
      }
      frames_.push_back(std::move(next));
      ++added;
      n += 2;
    }
  } catch (...) {
    error_.RecordUnexpected(false);
  }
  return added;
}

void Vesk_GifAnimation::ClearFrames() {
  Enter("ClearFrames");
  frames_.clear();
}

void Vesk_GifAnimation::LoopCount(int32_t value) {
  Enter("LoopCount");
  if (value < 0 || value > 0xFFFF) {
    Fail(engine::kErrLoopRange);
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
      Fail(engine::kErrNoFrames);
      return false;
    }
    if (GifFileName.empty()) {
      Fail(engine::kErrFileNameMissing);
      return false;
    }
    if (!engine::IsValidFileName(GifFileName)) {
      Fail(engine::kErrFileNameInvalid);
      return false;
    }
    const std::string parent = engine::GetParentFolder(GifFileName);
    if (!parent.empty() && !platform::DirectoryExists(engine::ToNativePath(parent))) {
      Fail(engine::kErrFolderMissing);
      return false;
    }
    const std::string target = engine::ToNativePath(GifFileName);
    if (platform::FileExists(target)) {
      Fail(engine::kErrFileExists);
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
