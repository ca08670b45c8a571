#include "app/editors/colour/colour_series.h"

#include <cmath>
#include <cstdlib>
#include <exception>

#include "app/editors/series_files.h"
#include "app/editors/series_save.h"
#include "app/editors/series_writer.h"
#include "app/gif_object.h"
#include "app/message.h"
#include "app/vb_text.h"
#include "giflib/object/vesk_gif_object.h"
#include "platform/kernel/err.h"
#include "platform/kernel/files.h"
#include "platform/kernel/rounding.h"

namespace kestrin {

namespace {

using pellory::ReturnPicture;

// Handed one frame's shift; false stops the series.
using FrameStep = std::function<bool(const ColourShift&)>;

// A step larger than this cannot be held as the 16-bit step of the simultaneous mode, and in the
// stepwise mode it would carry a counter beyond what GetRGBPicture takes.
constexpr int32_t kLargestIncrement = 32767;

using platform::RoundHalfEven;

// CheckInput bounds the increment so that every counter fits.
int16_t ToInteger(double counter) {
  return static_cast<int16_t>(RoundHalfEven(counter));
}

ColourShift ShiftOf(double r, double g, double b) {
  return {ToInteger(r), ToInteger(g), ToInteger(b)};
}

int SliderOf(const ColourSettings& s, int channel) {
  return channel == 0 ? s.red : channel == 1 ? s.green : s.blue;
}

// Red, then green, then blue runs from 0 to its slider value (read as its phase starts) by the
// increment, negated for a negative slider value. A counter keeps the value at which its loop
// stopped, so the later phases start from the first value beyond the slider.
bool RunStepwise(double increment, const ColourSeries::Reader& read, const FrameStep& frame) {
  double counters[3] = {0, 0, 0};
  for (int channel = 0; channel < 3; ++channel) {
    const int end = SliderOf(read(), channel);
    const double step = end >= 0 ? increment : -increment;
    double& c = counters[channel];
    for (c = 0; step >= 0 ? c <= end : c >= end; c += step)
      if (!frame(ShiftOf(counters[0], counters[1], counters[2]))) return false;
  }
  return true;
}

// All three channels start at the darkest (-128) or brightest (128) shift; a position runs
// across the slider range, and in each pass every channel whose slider value the position has
// not yet passed moves by one step. The direction and the sliders are read again in each pass.
bool RunSimultaneous(const std::string& direction, const std::string& incrementText,
                     const ColourSeries::Reader& read, const FrameStep& frame) {
  int32_t position, end, step;
  if (direction == kDarkToBright) {
    position = -128;
    end = 128;
    step = *ToLong(incrementText);
  } else {
    position = 128;
    end = -128;
    step = RoundHalfEven(-*ReadNumber(incrementText));
  }
  int32_t r = position, g = position, b = position;
  for (; step >= 0 ? position <= end : position >= end; position += step) {
    const ColourSettings now = read();
    if (now.direction == kBrightToDark) {
      if (position >= now.red) r += step;
      if (position >= now.green) g += step;
      if (position >= now.blue) b += step;
    } else {
      if (now.red >= position) r += step;
      if (now.green >= position) g += step;
      if (now.blue >= position) b += step;
    }
    if (!frame(ShiftOf(r, g, b))) return false;
  }
  return true;
}

}  // namespace

ColourState& ProgramColourState() {
  static ColourState state;
  return state;
}

std::string ColourSeries::CheckInput(const ColourSettings& s) {
  if (!s.stepwise && !s.simultaneous) return "オプションを選択してください。";
  const std::optional<int32_t> rounded = ToLong(s.incrementText);
  if (!rounded) return "増数を入力してください。";
  // The stepwise mode counts with the increment as typed, the simultaneous one with it rounded;
  // a step of 0 would never end the series.
  const double increment = *ReadNumber(s.incrementText);
  if (s.stepwise ? increment == 0 : *rounded == 0) return "増数には0以外の数を入力してください。";
  if (std::abs(static_cast<int64_t>(*rounded)) > kLargestIncrement)
    return "増数には-32767から32767までの数を入力してください。";
  // A simultaneous series has at most 257 frames; a stepwise one with a fractional increment can
  // outgrow the table.
  if (s.stepwise) {
    int frames = 0;
    RunStepwise(
        increment, [&s] { return s; },
        [&frames](const ColourShift&) { return ++frames <= kColourSlots; });
    if (frames > kColourSlots) return "連続イメージが764枚を超えます。増数を大きくしてください。";
  }
  return {};
}

bool ColourSeries::Build(const Reader& read, const platform::Picture& im1, const Show& showIm3,
                         const Pause& pause) {
  const ColourSettings s = read();
  if (const std::string message = CheckInput(s); !message.empty()) {
    ShowMessage(message);
    return false;
  }
  showIm3(im1);
  GifObject gif;
  if (!SetPictureWith(gif, im1, options_)) {
    ShowMessage("イメージオプジェクトエラー");
    return false;
  }
  if (!s.stepwise && s.direction.empty()) {
    ShowMessage("明と暗の設定をしてください。");
    return false;
  }

  state_.frameCount = 0;
  shifts_.clear();
  const FrameStep frame = [&](const ColourShift& shift) {
    // Sliders moved during a stepwise build can ask for more frames than the table holds.
    if (state_.frameCount >= kColourSlots) return false;
    platform::Picture picture = gif.GetRGBPicture(shift.r, shift.g, shift.b, ReturnPicture);
    // The shifts change colours, not indices: the frames share the first one's pixels.
    if (state_.frameCount > 0) picture = platform::SharingPixels(picture, state_.frames[0]);
    showIm3(picture);
    state_.frames[state_.frameCount] = picture;
    shifts_.push_back(shift);
    const bool alive = pause();
    state_.frameCount += 1;
    return alive;
  };
  // The increment is taken once: what is typed into T1 while the series plays does not count.
  if (s.stepwise)
    RunStepwise(*ReadNumber(s.incrementText), read, frame);
  else
    RunSimultaneous(s.direction, s.incrementText, read, frame);
  state_.unsaved = state_.frameCount > 0;
  return true;
}

void ColourSeries::Save(const std::string& path, const platform::Picture& im2, Progress& progress) {
  if (path.empty()) return;
  const std::string prefix = FramePrefix(path);
  auto nameOf = [&](int32_t i) { return prefix + "Color" + std::to_string(i) + ".gif"; };
  std::vector<std::string> names;
  for (int32_t i = 0; i < state_.frameCount; ++i)
    names.push_back("Color" + std::to_string(i) + ".gif");
  const EarlierSeries earlier = FindEarlierSeries(prefix, {"Color"}, names);
  const ReplaceAnswer answer = AskToReplace(earlier, platform::FolderOf(path));
  if (answer == ReplaceAnswer::Keep) return;
  SeriesWriter writer(options_);
  if (!BeginSeriesSave(progress, state_.frameCount, im2, writer.Main(), options_)) return;
  bool whole = state_.frameCount > 0;
  for (int32_t i = 0; i < state_.frameCount; ++i) {
    if (writer.Set(state_.frames[i])) {
      progress.SetValue(i);
      if (i + 1 < state_.frameCount) writer.Ahead(state_.frames[i + 1], nameOf(i + 1));
      const std::string name = nameOf(i);
      platform::RemoveFileIfExists(name);
      if (!writer.Save(name)) {
        ShowMessageAbout(writer.ErrorMessage(), name);
        whole = false;
        break;
      }
    } else {
      whole = false;
    }
    // Shows the progress; the editor's build and save buttons stay disabled meanwhile.
    if (!progress.Yield()) {
      whole = whole && i + 1 == state_.frameCount;
      break;
    }
  }
  progress.Unload();
  if (!whole) return;
  state_.unsaved = false;
  if (answer == ReplaceAnswer::ReplaceAndRemoveRest) RemoveRest(earlier);
}

void ColourSeries::UpdateColourPreview(const platform::Picture& im1, int red, int green, int blue,
                                       const Show& showIm2, const Yield& yield,
                                       const GifOptions& options) {
  try {
    GifObject gif;
    if (!SetPictureWith(gif, im1, options)) return;
    showIm2(gif.GetRGBPicture(static_cast<int16_t>(red), static_cast<int16_t>(green),
                              static_cast<int16_t>(blue), ReturnPicture));
    yield();
    if (gif.ErrorNumber() > 0) ShowMessage(gif.GetErrorMsg(gif.ErrorNumber()));
  } catch (const platform::RuntimeError& e) {
    ShowMessage(e.Description());
  } catch (const std::exception& e) {
    ShowMessage(e.what());
  }
}

}  // namespace kestrin
