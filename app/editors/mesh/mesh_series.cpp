#include "app/editors/mesh/mesh_series.h"

#include <algorithm>

#include "app/editors/series_files.h"
#include "app/editors/series_save.h"
#include "app/editors/series_writer.h"
#include "app/gif_object.h"
#include "app/message.h"
#include "app/vb_text.h"
#include "giflib/object/vesk_gif_object.h"
#include "platform/kernel/files.h"
#include "platform/kernel/second_lane.h"

namespace kestrin {

namespace {

using pellory::ReturnPicture;

// Pixels of the smallest picture whose frames are worth making on two threads: the second
// object costs a capture of the picture of its own.
constexpr int64_t kSmallestShared = 2 * 1024 * 1024;

}  // namespace

void MeshSeries::BuildFrames(pellory::Vesk_GifObject& gif, const platform::Picture& im1,
                             int32_t level, const Show& made) {
  const QImage& image = im1->Image();
  bool alone = level < 2 || static_cast<int64_t>(image.width()) * image.height() < kSmallestShared;
  if (!alone) {
    // Every second frame comes from an object of its own on a second thread. Should any frame
    // fail, the series is made again on one object, as a failure there may refuse the rest.
    GifObject other;
    platform::SecondLane lane;
    platform::RunBoth(
        lane,
        [&] {
          if (!SetPictureWith(other, im1, options_)) return;
          for (int32_t i = 1; i < level; i += 2)
            state_.frames[i] = other.GetMeshPicture(i, ReturnPicture);
        },
        [&] {
          for (int32_t i = 0; i < level; i += 2)
            state_.frames[i] = gif.GetMeshPicture(i, ReturnPicture);
        });
    for (int32_t i = 0; i < level && !alone; ++i) alone = !state_.frames[i];
    if (!alone) return;
    GifObject again;
    if (!SetPictureWith(again, im1, options_)) return;
    for (int32_t i = 0; i < level; ++i) state_.frames[i] = again.GetMeshPicture(i, ReturnPicture);
    return;
  }
  for (int32_t i = 0; i < level; ++i) {
    state_.frames[i] = gif.GetMeshPicture(i, ReturnPicture);
    if (made && state_.frames[i]) made(state_.frames[i]);
  }
}

MeshState& ProgramMeshState() {
  static MeshState state;
  return state;
}

std::string MeshSeries::CheckLevel(int level) {
  // The slider stays in this range; a level beyond it would write past the frame table.
  if (level < 0 || level > kLargestMeshLevel)
    return "メッシュサイズは0から" + std::to_string(kLargestMeshLevel) + "までにしてください。";
  return {};
}

std::vector<int32_t> MeshSeries::FrameOrder(int32_t frameCount, const MeshOrder& order) {
  std::vector<int32_t> sequence;
  // Never past the table, whatever the count says.
  frameCount = std::min(frameCount, static_cast<int32_t>(kMeshSlots));
  if (order.fineToCoarse)
    for (int32_t i = 0; i < frameCount; ++i) sequence.push_back(i);
  else if (order.coarseToFine)
    for (int32_t i = frameCount - 1; i >= 0; --i) sequence.push_back(i);
  return sequence;
}

bool MeshSeries::Build(int level, const platform::Picture& im1, const Show& showIm2,
                       Progress& progress, const Show& made) {
  if (const std::string message = CheckLevel(level); !message.empty()) {
    ShowMessage(message);
    return false;
  }
  GifObject gif;
  if (!SetPictureWith(gif, im1, options_)) return false;
  progress.Show();
  progress.SetValue(0);
  progress.SetCaption("ただいいま処理中");
  showIm2(gif.GetMeshPicture(level, ReturnPicture));
  progress.SetValue(100);
  progress.SetCaption("処理が終了しました");
  BuildFrames(gif, im1, level, made);
  state_.frameCount = level;
  state_.unsaved = level > 0;
  progress.Unload();
  return true;
}

void MeshSeries::Play(const MeshOrder& order, const Show& showIm3, const Pause& pause) {
  if (state_.frameCount == 0) return;
  if (!order.fineToCoarse && !order.coarseToFine) {
    ShowMessage("設定を選択してください。");
    return;
  }
  // The bounds are taken once, when playing starts.
  for (int32_t slot : FrameOrder(state_.frameCount, order)) {
    showIm3(state_.frames[slot]);
    if (!pause()) return;
  }
}

void MeshSeries::Save(const std::string& path, const MeshOrder& order, const platform::Picture& im2,
                      Progress& progress) {
  if (state_.frameCount == 0 || path.empty()) return;
  const std::string prefix = FramePrefix(path);
  const std::vector<int32_t> sequence = FrameOrder(state_.frameCount, order);
  std::vector<std::string> names;
  for (int32_t slot : sequence) names.push_back(FrameFileName(slot));
  const EarlierSeries earlier = FindEarlierSeries(prefix, {"Mesh"}, names);
  const ReplaceAnswer answer = AskToReplace(earlier, platform::FolderOf(path));
  if (answer == ReplaceAnswer::Keep) return;
  SeriesWriter writer(options_);
  if (!BeginSeriesSave(progress, state_.frameCount, im2, writer.Main(), options_)) return;
  // The library never writes over a file: make room for this series' own files, and only those.
  for (int32_t slot : sequence) platform::RemoveFileIfExists(prefix + FrameFileName(slot));
  int32_t written = 0;
  bool whole = !sequence.empty();
  for (size_t n = 0; n < sequence.size(); ++n) {
    const int32_t slot = sequence[n];
    if (writer.Set(state_.frames[slot])) {
      progress.SetValue(order.fineToCoarse ? slot : written);
      ++written;
      if (n + 1 < sequence.size())
        writer.Ahead(state_.frames[sequence[n + 1]], prefix + FrameFileName(sequence[n + 1]));
      if (!writer.Save(prefix + FrameFileName(slot))) {
        ShowMessageAbout(writer.ErrorMessage(), prefix + FrameFileName(slot));
        whole = false;
        break;
      }
    } else {
      whole = false;
    }
    // Shows the progress; the editor's slider and buttons stay disabled meanwhile.
    if (!progress.Yield()) {
      whole = whole && n + 1 == sequence.size();
      break;
    }
  }
  progress.Unload();
  if (!whole) return;
  state_.unsaved = false;
  if (answer == ReplaceAnswer::ReplaceAndRemoveRest) RemoveRest(earlier);
}

}  // namespace kestrin
