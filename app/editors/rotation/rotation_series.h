// The rotation editor's logic: input checks, the series of frames turned step by step (enlarged
// three times, rotated, shrunk back), the preview steps and the R/L frame files.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/gif_options.h"
#include "app/progress.h"
#include "platform/picture/picture.h"

namespace kestrin {

// What the window's controls say.
struct RotationSettings {
  std::string angleText;          // kakudo: total angle in degrees
  std::string incrementText;      // Text1: degrees between frames
  bool clockwise = false;         // Option1
  bool counterClockwise = false;  // Option2
};

inline constexpr int kRotationSlots = 361;

// Program-wide: outlives the window.
struct RotationState {
  int seriesBuilt = 0;                                   // 0 while no series is held
  double previewIndex = 0;                               // angle of the next preview frame
  std::array<platform::Picture, kRotationSlots> frames;  // frame of angle step i at index i
  std::array<double, kRotationSlots> leftOffsets{};      // twips
  std::array<double, kRotationSlots> topOffsets{};
  double previewOriginLeft = 0;  // IM3's position when the last build was asked for, twips
  double previewOriginTop = 0;
  bool unsaved = false;  // a series was built and has not been saved whole since
};
RotationState& ProgramRotationState();

// One step of the preview: stop, or show `frame` with IM3 moved to (left, top) in twips.
struct PreviewStep {
  bool stop = false;
  platform::Picture frame;
  double left = 0, top = 0;
};

// A rectangle in twips.
struct TwipsRect {
  double left = 0, top = 0, right = 0, bottom = 0;
};

class RotationSeries {
 public:
  explicit RotationSeries(RotationState& state) : state_(state) {}

  void Load();
  // The first input message, or "" when a build may start.
  static std::string CheckInput(const RotationSettings& s);
  // Checks, then builds unless a series is held. `showFrame` shows each frame as it is made
  // (IM2); false when the input was refused.
  bool Build(const RotationSettings& s, const platform::Picture& im2, double im3Left, double im3Top,
             Progress& progress, const std::function<void(const platform::Picture&)>& showFrame);
  // Forgets the series (the window restores IM2).
  void Cancel() {
    state_.seriesBuilt = 0;
    state_.unsaved = false;
  }
  // Writes R<k>.gif or L<j>.gif beside `path` (chosen by the user); nothing without a series
  // or when the path does not end in "gif". Asks first when the folder holds files of a series
  // of the same direction.
  void Save(const std::string& path, const RotationSettings& s, const platform::Picture& im2,
            Progress& progress);
  // The names of the files a save writes, in its order.
  std::vector<std::string> FileNames(const RotationSettings& s) const;
  PreviewStep NextPreview(const RotationSettings& s);
  // What the preview's frames cover, each at the place it is shown (twips, IM3's container);
  // nothing when the preview would show no frame.
  std::optional<TwipsRect> PreviewBounds(const RotationSettings& s) const;
  // The next preview starts from the first frame.
  void RewindPreview() { state_.previewIndex = 0; }
  // The frames a save writes, in its order: one per increment up to the total angle; empty
  // without a series.
  std::vector<platform::Picture> AnimationFrames(const RotationSettings& s) const;

  const RotationState& State() const { return state_; }
  // How the pictures are taken and the files written: reduction, transparency and coding.
  void SetGifOptions(const GifOptions& o) { options_ = o; }

 private:
  RotationState& state_;
  GifOptions options_;
};

}  // namespace kestrin
