#include "app/cli/series_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "app/cli/staged_folder.h"

namespace kestrin::cli {

namespace fs = std::filesystem;

namespace {

// What the save dialog would be given; the editors write only the frames beside it.
constexpr const char* kChosenName = "series.gif";

// GIF keeps the delay and the loop count in 16 bits.
constexpr int kLargestGifCount = 65535;

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

// The folder a file goes into: "." for a bare name.
std::string ParentOf(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? "." : parent.string();
}

// One file written under a hidden name in its own folder, then moved into place; a file that was
// there is kept aside until the run is over, and put back when the run takes its file back.
class ReplacedFile {
 public:
  explicit ReplacedFile(const std::string& path) : path_(path) {
    std::string pattern = (fs::path(ParentOf(path)) / ".kestrin-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
      throw Failure(ParentOf(path) + ": 一時フォルダを作れません (" + std::strerror(errno) + ")");
    folder_ = pattern;
  }
  ~ReplacedFile() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  ReplacedFile(const ReplacedFile&) = delete;
  ReplacedFile& operator=(const ReplacedFile&) = delete;

  std::string Written() const { return (fs::path(folder_) / "new.gif").string(); }
  bool Place(std::string* error) {
    const std::string aside = (fs::path(folder_) / "old").string();
    if (Exists(path_)) {
      if (std::rename(path_.c_str(), aside.c_str()) != 0) {
        *error = std::strerror(errno);
        return false;
      }
      keptAside_ = true;
    }
    if (std::rename(Written().c_str(), path_.c_str()) != 0) {
      *error = std::strerror(errno);
      TakeBack();
      return false;
    }
    placed_ = true;
    return true;
  }
  void TakeBack() {
    if (placed_) unlink(path_.c_str());
    if (keptAside_) std::rename((fs::path(folder_) / "old").c_str(), path_.c_str());
    placed_ = keptAside_ = false;
  }

 private:
  std::string path_;
  std::string folder_;
  bool keptAside_ = false;
  bool placed_ = false;
};

}  // namespace

MadeFolders::~MadeFolders() {
  std::error_code ignored;
  for (auto it = made_.rbegin(); it != made_.rend(); ++it) fs::remove(*it, ignored);
}

bool MadeFolders::Make(const std::string& folder) {
  fs::path target = fs::path(folder).lexically_normal();
  if (!target.has_filename()) target = target.parent_path();  // "frames/" names "frames"
  std::vector<fs::path> missing;
  for (fs::path p = target; !p.empty(); p = p.parent_path()) {
    std::error_code ec;
    if (fs::symlink_status(p, ec).type() != fs::file_type::not_found) break;
    missing.push_back(p);
    if (p.parent_path() == p) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    std::error_code ec;
    if (!fs::create_directory(*it, ec) || ec) return false;
    made_.push_back(it->string());
  }
  return IsFolder(folder);
}

std::vector<OptionDef> SeriesOutputOptions() {
  std::vector<OptionDef> defs = {
      {"out", "DIR",
       "連続イメージのファイルを書くフォルダ "
       "(なければ作る。ウィンドウの「GIF形式で保存」と同じ名前)"},
      {"animated", "FILE", "連続イメージを1つのアニメGIFに書く"},
      {"delay", "CS", "アニメGIFの1枚の表示時間 (1/100秒, 既定 10)"},
      {"loop", "N", "アニメGIFの繰り返し回数 (既定 0 = 無限)"},
      {"whole-frames", "", "アニメGIFに各フレームを丸ごと書く (既定は変わった部分だけ)"},
      ForceOption(),
  };
  for (OptionDef& d : GifOptionDefs()) defs.push_back(std::move(d));
  return defs;
}

SeriesOutput ReadSeriesOutput(const ParsedOptions& options) {
  SeriesOutput output;
  output.folder = options.Get("out").value_or("");
  output.animated = options.Get("animated").value_or("");
  if (options.Has("out") && output.folder.empty())
    throw UsageError("--out にフォルダ名を指定してください。");
  if (options.Has("animated") && output.animated.empty())
    throw UsageError("--animated にファイル名を指定してください。");
  if (!options.Has("out") && !options.Has("animated"))
    throw UsageError("--out か --animated を指定してください。");
  for (const char* name : {"delay", "loop", "whole-frames"})
    if (options.Has(name) && output.animated.empty())
      throw UsageError(std::string("--") + name + " は --animated と一緒に指定してください。");
  output.animation.delayCs = ReadInteger(options, "delay", 0, kLargestGifCount, 10);
  output.animation.loopCount = ReadInteger(options, "loop", 0, kLargestGifCount, 0);
  output.animation.optimizeFrames = !options.Has("whole-frames");
  output.replace = options.Has("force");

  // A missing --out folder is made, with its parents, and taken back if the run fails.
  if (!output.folder.empty() && !IsFolder(output.folder) && !output.made->Make(output.folder))
    throw Failure(output.folder + ": " + LibraryMessage(pellory::engine::kErrFolderMissing));
  if (!output.animated.empty()) {
    if (!IsFolder(ParentOf(output.animated)))
      throw Failure(ParentOf(output.animated) + ": " +
                    LibraryMessage(pellory::engine::kErrFolderMissing));
    if (IsFolder(output.animated) || (!output.replace && Exists(output.animated)))
      throw Failure(output.animated + ": " + LibraryMessage(pellory::engine::kErrFileExists));
  }
  return output;
}

std::unique_ptr<AnimationCapture> CaptureFor(const SeriesOutput& output, bool madeInPlayOrder) {
  if (output.animated.empty() || !madeInPlayOrder) return nullptr;
  return std::make_unique<AnimationCapture>(output.animation);
}

void WriteSeries(const SeriesOutput& output, const std::vector<platform::Picture>& frames,
                 const SaveFrames& saveFrames, Context& context, AnimationCapture* captured) {
  if (frames.empty())
    throw Failure("連続イメージが1枚もできませんでした。設定を見直してください。");
  std::optional<StagedFolder> staged;
  if (!output.folder.empty()) {
    staged.emplace(output.folder);
    saveFrames((fs::path(staged->Path()) / kChosenName).string());
    context.progress.Unload();
    context.messages.ThrowIfAny();
    ThrowIfInterrupted();
    if (staged->Names().empty()) throw Failure("保存するイメージがありません。");
    if (const std::string taken = staged->FirstConflict(); !taken.empty() && !output.replace)
      throw Failure((fs::path(output.folder) / taken).string() + ": " +
                    LibraryMessage(pellory::engine::kErrFileExists));
  }
  std::optional<ReplacedFile> animated;
  if (!output.animated.empty()) {
    // Written beside its place and moved there, so a file it replaces stays until it is done.
    animated.emplace(output.animated);
    std::string error;
    const bool saved =
        captured ? captured->Save(frames, animated->Written(), &error)
                 : SaveAnimatedSeries(frames, animated->Written(), output.animation, &error);
    if (!saved)
      throw Failure(output.animated + ": " +
                    (error.empty() ? "アニメGIFを保存できませんでした。" : OneLine(error)));
    if (!animated->Place(&error)) throw Failure(output.animated + ": " + error);
  }
  // The frame files go last: moving them is quick and can be undone.
  if (staged) {
    std::string error;
    if (Interrupted() || !staged->Publish(&error, output.replace)) {
      if (animated) animated->TakeBack();
      ThrowIfInterrupted();
      throw Failure(error);
    }
  }
  output.made->Keep();
}

}  // namespace kestrin::cli
