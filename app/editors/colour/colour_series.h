// The colour-change editor's logic: input checks, the two ways of turning the slider shift into
// a series of frames (stepwise: red, then green, then blue moves from 0 to its slider value;
// simultaneous: all three move together from the darkest or brightest shift), the pause after
// each frame, the Color<i>.gif files and the shifted preview.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/gif_options.h"
#include "app/progress.h"
#include "platform/picture/picture.h"

namespace kestrin {

inline constexpr const char* kDarkToBright = "暗から明";
inline constexpr const char* kBrightToDark = "明から暗";

// What the window's controls say.
struct ColourSettings {
  int red = 0, green = 0, blue = 0;  // sliders R, G, B: -128 to 128
  bool stepwise = false;             // Op1
  bool simultaneous = false;         // Op2
  std::string direction;             // CO1
  std::string incrementText;         // T1
};

// The amounts added to the red, green and blue channel of one frame.
struct ColourShift {
  int16_t r = 0, g = 0, b = 0;
  bool operator==(const ColourShift&) const = default;
};

inline constexpr int kColourSlots = 764;

// Program-wide: outlives the window, and nothing resets it when the window loads.
struct ColourState {
  std::array<platform::Picture, kColourSlots> frames;  // the frames of the last build, in order
  int32_t frameCount = 0;
  bool unsaved = false;  // a series was built and has not been saved whole since
};
ColourState& ProgramColourState();

class ColourSeries {
 public:
  // Reads the controls as they are at the moment of the call: a build looks at them again
  // while it runs.
  using Reader = std::function<ColourSettings()>;
  using Show = std::function<void(const platform::Picture&)>;
  // Lets the message loop run; false when the work should stop (its window was unloaded).
  using Yield = std::function<bool()>;
  // After each frame shown: lets it be painted and holds it for the preview's delay (less once
  // the preview is stopped); false when the work should stop (its window was unloaded).
  using Pause = std::function<bool()>;

  explicit ColourSeries(ColourState& state) : state_(state) {}

  // The first message that refuses the input before any work, or "" when a build may start.
  static std::string CheckInput(const ColourSettings& s);
  // Checks the input, shows IM1's picture in IM3, then builds and plays the series, showing
  // each frame in IM3 and pausing after it. False when nothing was built.
  bool Build(const Reader& read, const platform::Picture& im1, const Show& showIm3,
             const Pause& pause);
  // Writes Color0.gif, Color1.gif, ... into the folder of `path`, one file per frame of the last
  // build; nothing when the path is empty. Asks first when the folder holds files of a Color
  // series.
  void Save(const std::string& path, const platform::Picture& im2, Progress& progress);
  // IM1's picture shifted by the slider values, into IM2. Every error shows its text.
  static void UpdateColourPreview(const platform::Picture& im1, int red, int green, int blue,
                                  const Show& showIm2, const Yield& yield,
                                  const GifOptions& options = {});

  // How the pictures are taken and the files written: reduction, transparency and coding.
  void SetGifOptions(const GifOptions& o) { options_ = o; }

  // The frames of the last build, in order.
  std::vector<platform::Picture> AnimationFrames() const {
    return {state_.frames.begin(), state_.frames.begin() + state_.frameCount};
  }
  // The shifts of the frames that this object built last, in order.
  const std::vector<ColourShift>& Shifts() const { return shifts_; }
  const ColourState& State() const { return state_; }

 private:
  ColourState& state_;
  std::vector<ColourShift> shifts_;
  GifOptions options_;
};

}  // namespace kestrin
