// The mesh editor's logic: the preview at the slider's mesh level, the series of frames with the
// levels below it, playing it fine to coarse or coarse to fine, and the Mesh<i>.gif files.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/gif_options.h"
#include "app/progress.h"
#include "platform/picture/picture.h"

namespace pellory {
class Vesk_GifObject;
}

namespace kestrin {

inline constexpr int kMeshSlots = 101;
inline constexpr int kLargestMeshLevel = kMeshSlots - 1;

// Program-wide: outlives the window, and nothing resets it when the window loads.
struct MeshState {
  std::array<platform::Picture, kMeshSlots> frames;  // slot i: mesh level i of the last build
  int32_t frameCount = 0;
  bool unsaved = false;  // a series was built and has not been saved whole since
};
MeshState& ProgramMeshState();

// The direction options: Op1 plays and saves fine to coarse, Op2 coarse to fine.
struct MeshOrder {
  bool fineToCoarse = false;  // Op1
  bool coarseToFine = false;  // Op2
};

class MeshSeries {
 public:
  using Show = std::function<void(const platform::Picture&)>;
  // After each frame played: lets it be painted and holds it for the preview's delay; false
  // when playing should stop (stopped by the user, or its window was unloaded).
  using Pause = std::function<bool()>;

  explicit MeshSeries(MeshState& state) : state_(state) {}

  // The message that refuses a mesh level, or "" when it may be built.
  static std::string CheckLevel(int level);
  // The slots in the order they are played and saved; empty when no direction is chosen.
  static std::vector<int32_t> FrameOrder(int32_t frameCount, const MeshOrder& order);
  static std::string FrameFileName(int32_t level) {
    return "Mesh" + std::to_string(level) + ".gif";
  }

  // Shows IM1's picture meshed at `level` in IM2 and makes the frames of levels 0 to level - 1.
  // False, with the series kept, when the level is refused or the library refuses the picture.
  // `made` sees each frame as soon as it is made, in level order, where they are made one after
  // another on this thread (a large picture's are made two at a time, and it sees none).
  bool Build(int level, const platform::Picture& im1, const Show& showIm2, Progress& progress,
             const Show& made = {});
  // Shows the frames in IM3, pausing after each. The slots are read as they are shown, so a
  // build made during the pauses shows its frames for the slots still to come.
  void Play(const MeshOrder& order, const Show& showIm3, const Pause& pause);
  // Writes Mesh<i>.gif beside `path` for every frame, in the order chosen; nothing when the
  // path is empty. Asks first when the folder holds files of a Mesh series.
  void Save(const std::string& path, const MeshOrder& order, const platform::Picture& im2,
            Progress& progress);

  // The frames in the order chosen, as a save writes them.
  std::vector<platform::Picture> AnimationFrames(const MeshOrder& order) const {
    std::vector<platform::Picture> frames;
    for (int32_t slot : FrameOrder(state_.frameCount, order)) frames.push_back(state_.frames[slot]);
    return frames;
  }

  const MeshState& State() const { return state_; }
  // How the pictures are taken and the files written: reduction, transparency and coding.
  void SetGifOptions(const GifOptions& o) { options_ = o; }

 private:
  // The frames of levels 0 to level - 1 into the table, `gif` holding IM1's picture.
  void BuildFrames(pellory::Vesk_GifObject& gif, const platform::Picture& im1, int32_t level,
                   const Show& made);

  MeshState& state_;
  GifOptions options_;
};

}  // namespace kestrin
