// kestrin mesh: the mesh editor (Dialog3) without its window.
#include "app/cli/commands.h"
#include "app/cli/series_output.h"
#include "app/editors/mesh/mesh_series.h"

namespace kestrin::cli {

namespace {

const std::vector<Choice> kOrders = {{"fine-to-coarse", "小→大"}, {"coarse-to-fine", "大→小"}};

struct MeshSettings {
  int level;
  MeshOrder order;
};

MeshSettings ReadMesh(const ParsedOptions& options) {
  const std::optional<int> level = ParseInteger(Required(options, "size"));
  if (!level) throw UsageError("--size には整数を指定してください。");
  if (const std::string message = MeshSeries::CheckLevel(*level); !message.empty())
    throw UsageError(message);
  const int order = ReadChoice(options, "order", kOrders);
  if (order < 0) throw UsageError("--order を指定してください。");
  return {*level, MeshOrder{order == 0, order == 1}};
}

void Mesh(const ParsedOptions& options, Context& context) {
  // Plain names, not a structured binding: clang before 16 does not let a lambda capture one.
  const MeshSettings settings = ReadMesh(options);
  const int level = settings.level;
  const MeshOrder meshOrder = settings.order;
  const SeriesOutput output = ReadSeriesOutput(options);
  const platform::Picture picture = LoadInput(options);

  MeshState state;
  MeshSeries series(state);
  series.SetGifOptions(ReadGifOptions(options));
  // Fine to coarse, the animation shows the frames in the order they are made.
  const std::unique_ptr<AnimationCapture> capture = CaptureFor(output, meshOrder.fineToCoarse);
  series.Build(
      level, picture, [](const platform::Picture&) {}, context.progress,
      [&](const platform::Picture& frame) {
        if (capture) capture->Add(frame);
      });
  context.progress.Unload();
  context.messages.ThrowIfAny();
  ThrowIfInterrupted();
  std::vector<platform::Picture> frames;
  for (int32_t slot : MeshSeries::FrameOrder(state.frameCount, meshOrder))
    frames.push_back(state.frames[slot]);
  WriteSeries(
      output, frames,
      [&](const std::string& chosen) { series.Save(chosen, meshOrder, picture, context.progress); },
      context, capture.get());
}

}  // namespace

const Command& MeshCommand() {
  static const Command command{
      {"mesh",
       "メッシュ: 透明な升目を大きくしていく連続イメージを作る。"
       "メッシュサイズ N のとき、フォルダには Mesh0.gif から Mesh<N-1>.gif を書く。",
       [] {
         std::vector<OptionDef> o = {
             InputOption(),
             {"size", "N", "メッシュサイズ (0から100)"},
             {"order", "ORDER", "設定: 再生とアニメGIFの順 " + ChoiceList(kOrders)},
         };
         for (OptionDef& x : SeriesOutputOptions()) o.push_back(x);
         return o;
       }(),
       "kestrin mesh --input in.gif --size 8 --order fine-to-coarse --animated mesh.gif"},
      Mesh,
      [](const ParsedOptions& options) {
        ReadMesh(options);
        ReadGifOptions(options);
      }};
  return command;
}

}  // namespace kestrin::cli
