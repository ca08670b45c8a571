#include "app/editors/rotation/rotation_series.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "app/editors/series_files.h"
#include "app/editors/series_writer.h"
#include "app/gif_object.h"
#include "app/message.h"
#include "app/vb_text.h"
#include "giflib/object/vesk_gif_object.h"
#include "platform/kernel/files.h"
#include "platform/kernel/rounding.h"

namespace kestrin {

namespace {

using pellory::Continue;
using pellory::ReturnPicture;

// The progress bar's maximum: the angle less one, held as a float. Texts may hold any number;
// beyond the 32-bit range only the comparisons with the table's size matter.
float LastStep(double angle) {
  return static_cast<float>(std::clamp(angle - 1.0, -4e9, 4e9));
}

using platform::RoundHalfEven;

}  // namespace

RotationState& ProgramRotationState() {
  static RotationState state;
  return state;
}

void RotationSeries::Load() {
  state_.seriesBuilt = 0;
  state_.previewIndex = 0;
}

std::string RotationSeries::CheckInput(const RotationSettings& s) {
  const auto angle = ToLong(s.angleText);
  const auto step = ToLong(s.incrementText);
  if (!angle) return "角度を入力してください。";
  if (!step) return "増数を入力してください。";
  if (!s.clockwise && !s.counterClockwise) return "方向を選択してください。";
  // The tables hold the angles 0 to 360, and a step of 0 would never end the series.
  if (*step == 0) return "増数には0以外の数を入力してください。";
  const double angleValue = *ReadNumber(s.angleText);
  const int64_t last = RoundHalfEven(LastStep(angleValue));
  if (last > kRotationSlots - 1) return "角度は361以下で入力してください。";
  if (*step < 0 && last <= *step) return "角度は0以上で入力してください。";
  return {};
}

bool RotationSeries::Build(const RotationSettings& s, const platform::Picture& im2, double im3Left,
                           double im3Top, Progress& progress,
                           const std::function<void(const platform::Picture&)>& showFrame) {
  if (const std::string message = CheckInput(s); !message.empty()) {
    ShowMessage(message);
    return false;
  }
  const float max = LastStep(*ReadNumber(s.angleText));
  progress.Show();
  progress.SetMax(max);
  progress.SetMin(0);
  progress.SetCaption("ただくいまイメージ作成中です。");

  GifObject gif;
  if (!SetPictureWith(gif, im2, options_)) {
    progress.Unload();
    return true;
  }
  state_.previewOriginLeft = im3Left;
  state_.previewOriginTop = im3Top;
  if (state_.seriesBuilt != 0) {
    progress.Unload();
    return true;
  }
  const int32_t last = RoundHalfEven(max);
  const int32_t step = *ToLong(s.incrementText);
  const float oneThird = static_cast<float>(1.0 / 3.0);
  bool finished = true, builtAny = false;
  for (int64_t i = 0; step > 0 ? i <= last : i >= last; i += step) {
    progress.SetValue(static_cast<double>(i));
    gif.GetStretchPicture(3.0f, Continue);
    const double angle = s.clockwise ? static_cast<double>(i) : 360.0 - static_cast<double>(i);
    gif.GetRotatePictureEX(static_cast<float>(angle), Continue);
    platform::Picture frame = gif.GetStretchPicture(oneThird, ReturnPicture);
    showFrame(frame);
    state_.frames[i] = frame;
    builtAny = true;
    state_.leftOffsets[i] = gif.IncLeft() * platform::kTwipsPerPixel;
    state_.topOffsets[i] = gif.IncTop() * platform::kTwipsPerPixel;
    // Shows the frame and the progress, and keeps the window answering.
    if (!progress.Yield()) {
      finished = false;
      break;
    }
  }
  if (finished) {
    state_.seriesBuilt += 1;
    state_.unsaved = state_.unsaved || builtAny;
  }
  progress.Unload();
  return true;
}

void RotationSeries::Save(const std::string& path, const RotationSettings& s,
                          const platform::Picture& im2, Progress& progress) {
  if (path.empty()) return;
  const std::string beside = FramePrefix(path);
  SeriesWriter writer(options_);
  if (!SetPictureWith(writer.Main(), im2, options_)) return;
  const float max = LastStep(ReadNumber(s.angleText).value_or(0.0));
  progress.Show();
  progress.SetMax(max);
  progress.SetMin(0);
  progress.SetCaption("ただいま保存中です。");
  if (state_.seriesBuilt == 0 || !EndsWithGif(path)) {
    progress.Unload();
    return;
  }
  std::vector<std::string> stems;
  if (s.clockwise) stems.push_back("R");
  if (s.counterClockwise) stems.push_back("L");
  const EarlierSeries earlier = FindEarlierSeries(beside, stems, FileNames(s));
  const ReplaceAnswer answer = AskToReplace(earlier, platform::FolderOf(path));
  if (answer == ReplaceAnswer::Keep) {
    progress.Unload();
    return;
  }
  // The increment is read anew; one that is not a positive number names no frame.
  const double inc = ReadNumber(s.incrementText).value_or(0.0);
  auto slot = [](double k) { return RoundHalfEven(k); };
  auto nameOf = [&](const char* prefix, double k) {
    return beside + prefix + FormatNumber(k) + ".gif";
  };
  // The frame of step k, when the loop will reach it.
  auto ahead = [&](const char* prefix, double k, bool reached) {
    const int32_t i = slot(k);
    if (reached && i >= 0 && i < kRotationSlots) writer.Ahead(state_.frames[i], nameOf(prefix, k));
  };
  bool whole = inc > 0;
  auto writeFrame = [&](const char* prefix, double k) {
    const std::string name = nameOf(prefix, k);
    platform::RemoveFileIfExists(name);
    if (writer.Save(name)) return true;
    ShowMessageAbout(writer.ErrorMessage(), name);
    whole = false;
    return false;
  };
  if (s.clockwise && inc > 0) {
    for (double k = 0; k <= max; k += inc) {
      const int32_t i = slot(k);
      if (i < 0 || i >= kRotationSlots) break;
      if (writer.Set(state_.frames[i])) {
        progress.SetValue(k);
        ahead("R", k + inc, k + inc <= max);
        if (!writeFrame("R", k)) break;
      } else {
        whole = false;
      }
      if (!progress.Yield()) {
        whole = whole && k + inc > max;
        break;
      }
    }
  }
  if (s.counterClockwise && inc > 0) {
    double j = 0;
    for (double k = max; k >= 0; k -= inc) {
      const int32_t i = slot(j);
      if (i < 0 || i >= kRotationSlots) break;
      if (writer.Set(state_.frames[i])) {
        progress.SetValue(j);
        ahead("L", j + inc, k - inc >= 0);
        const bool ok = writeFrame("L", j);
        j += inc;
        if (!ok) break;
      } else {
        whole = false;
      }
      if (!progress.Yield()) {
        whole = whole && k - inc < 0;
        break;
      }
    }
  }
  progress.Unload();
  if (!whole) return;
  state_.unsaved = false;
  if (answer == ReplaceAnswer::ReplaceAndRemoveRest) RemoveRest(earlier);
}

std::vector<std::string> RotationSeries::FileNames(const RotationSettings& s) const {
  std::vector<std::string> names;
  const auto angle = ReadNumber(s.angleText);
  const double inc = ReadNumber(s.incrementText).value_or(0.0);
  if (state_.seriesBuilt == 0 || !angle || inc <= 0) return names;
  const float max = LastStep(*angle);
  // As the save's loops count: R by the angle, L by the frames written.
  if (s.clockwise)
    for (double k = 0; k <= max && RoundHalfEven(k) < kRotationSlots; k += inc)
      names.push_back("R" + FormatNumber(k) + ".gif");
  if (s.counterClockwise) {
    double j = 0;
    for (double k = max; k >= 0 && RoundHalfEven(j) < kRotationSlots; k -= inc, j += inc)
      names.push_back("L" + FormatNumber(j) + ".gif");
  }
  return names;
}

std::vector<platform::Picture> RotationSeries::AnimationFrames(const RotationSettings& s) const {
  std::vector<platform::Picture> frames;
  const auto angle = ReadNumber(s.angleText);
  const double inc = ReadNumber(s.incrementText).value_or(0.0);
  if (state_.seriesBuilt == 0 || !angle || inc <= 0) return frames;
  const float max = LastStep(*angle);
  for (double k = 0; k <= max; k += inc) {
    const int32_t i = RoundHalfEven(k);
    if (i < 0 || i >= kRotationSlots) break;
    if (state_.frames[i]) frames.push_back(state_.frames[i]);
  }
  return frames;
}

PreviewStep RotationSeries::NextPreview(const RotationSettings& s) {
  PreviewStep step;
  const auto angle = ReadNumber(s.angleText);
  const auto inc = ReadNumber(s.incrementText);
  const double limit = angle ? RoundHalfEven(*angle - 1.0) : -1.0;
  const int32_t i = RoundHalfEven(state_.previewIndex);
  // Texts that no longer make a series, and steps outside the tables, end the preview too.
  if (state_.previewIndex > limit || !inc || *inc <= 0 || i < 0 || i >= kRotationSlots) {
    state_.previewIndex = 0;
    step.stop = true;
    return step;
  }
  step.frame = state_.frames[i];
  step.left = state_.previewOriginLeft + state_.leftOffsets[i];
  step.top = state_.previewOriginTop + state_.topOffsets[i];
  state_.previewIndex += *inc;
  return step;
}

std::optional<TwipsRect> RotationSeries::PreviewBounds(const RotationSettings& s) const {
  const auto angle = ReadNumber(s.angleText);
  const auto inc = ReadNumber(s.incrementText);
  if (!angle || !inc || *inc <= 0) return std::nullopt;
  const double limit = RoundHalfEven(*angle - 1.0);
  std::optional<TwipsRect> bounds;
  // The indices the preview visits, as NextPreview steps through them.
  for (double k = 0; k <= limit; k += *inc) {
    const int32_t i = RoundHalfEven(k);
    if (i < 0 || i >= kRotationSlots) break;
    const platform::Picture& frame = state_.frames[i];
    if (!frame || frame->Image().isNull()) continue;
    TwipsRect r;
    r.left = state_.previewOriginLeft + state_.leftOffsets[i];
    r.top = state_.previewOriginTop + state_.topOffsets[i];
    r.right = r.left + frame->Image().width() * platform::kTwipsPerPixel;
    r.bottom = r.top + frame->Image().height() * platform::kTwipsPerPixel;
    if (!bounds) {
      bounds = r;
    } else {
      bounds->left = std::min(bounds->left, r.left);
      bounds->top = std::min(bounds->top, r.top);
      bounds->right = std::max(bounds->right, r.right);
      bounds->bottom = std::max(bounds->bottom, r.bottom);
    }
  }
  return bounds;
}

}  // namespace kestrin
