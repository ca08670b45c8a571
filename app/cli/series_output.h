// Where a series command's frames go: the frame files in a folder, with the names and contents
// the editor window's save writes, and/or one animated GIF of the series as the window plays it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/animated_export.h"
#include "app/cli/command_support.h"

namespace kestrin::cli {

// Folders that --out named and the run made; removed again, when still empty, unless the run
// wrote its files into them.
class MadeFolders {
 public:
  MadeFolders() = default;
  ~MadeFolders();
  MadeFolders(const MadeFolders&) = delete;
  MadeFolders& operator=(const MadeFolders&) = delete;
  // Makes `folder` and its missing parents; false when it cannot.
  bool Make(const std::string& folder);
  void Keep() { made_.clear(); }

 private:
  std::vector<std::string> made_;  // outermost first
};

struct SeriesOutput {
  std::string folder;    // --out: "" when no frame files are wanted
  std::string animated;  // --animated: "" when no animated file is wanted
  AnimationSettings animation;
  bool replace = false;  // --force: files already there are replaced
  std::shared_ptr<MadeFolders> made = std::make_shared<MadeFolders>();
};

// --out, --animated, --delay, --loop.
std::vector<OptionDef> SeriesOutputOptions();
// Reads them and checks up front what needs no work: the folders exist and the animated file
// does not.
SeriesOutput ReadSeriesOutput(const ParsedOptions& options);

// The editor's save, handed the path a user would choose in the save dialog; the frame files go
// beside it.
using SaveFrames = std::function<void(const std::string& chosenPath)>;

// Saves the series: the frame files through `saveFrames` into a hidden folder, then the
// animated file of `frames` (in the order played), then the frame files moved into place. Any
// message of the editor or the library, a name already taken or a failure of the animated file
// ends it with nothing of this run left behind. `captured`, when given, holds the frames the
// series handed over as it made them (AnimationCapture), and saves the animated file.
void WriteSeries(const SeriesOutput& output, const std::vector<platform::Picture>& frames,
                 const SaveFrames& saveFrames, Context& context,
                 AnimationCapture* captured = nullptr);

// What a series command hands its frames to while it makes them: an AnimationCapture when an
// animated file is wanted and the frames are made in the order it shows them, else nothing.
std::unique_ptr<AnimationCapture> CaptureFor(const SeriesOutput& output, bool madeInPlayOrder);

}  // namespace kestrin::cli
