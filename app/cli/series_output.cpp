#include "app/cli/series_output.h"

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

  // A missing --out folder is made, with its parents, and taken back if the run fails.
  if (!output.folder.empty() && !IsFolder(output.folder) && !output.made->Make(output.folder))
    throw Failure(output.folder + ": " + LibraryMessage(3009));
  if (!output.animated.empty()) {
    if (!IsFolder(ParentOf(output.animated)))
      throw Failure(ParentOf(output.animated) + ": " + LibraryMessage(3009));
    if (Exists(output.animated)) throw Failure(output.animated + ": " + LibraryMessage(3010));
  }
  return output;
}

void WriteSeries(const SeriesOutput& output, const std::vector<platform::Picture>& frames,
                 const SaveFrames& saveFrames, Context& context) {
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
    if (const std::string taken = staged->FirstConflict(); !taken.empty())
      throw Failure((fs::path(output.folder) / taken).string() + ": " + LibraryMessage(3010));
  }
  if (!output.animated.empty()) {
    std::string error;
    if (!SaveAnimatedSeries(frames, output.animated, output.animation, &error))
      throw Failure(output.animated + ": " +
                    (error.empty() ? "アニメGIFを保存できませんでした。" : OneLine(error)));
  }
  // The frame files go last: moving them is quick and can be undone.
  if (staged) {
    std::string error;
    if (Interrupted() || !staged->Publish(&error)) {
      std::error_code ignored;
      if (!output.animated.empty()) fs::remove(output.animated, ignored);
      ThrowIfInterrupted();
      throw Failure(error);
    }
  }
  output.made->Keep();
}

}  // namespace kestrin::cli
