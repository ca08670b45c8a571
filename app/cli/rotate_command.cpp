// kestrin rotate: the rotation editor (Dialog) without its window.
#include "app/cli/commands.h"
#include "app/cli/series_output.h"
#include "app/editors/rotation/rotation_series.h"

namespace kestrin::cli {

namespace {

const std::vector<Choice> kDirections = {{"right", "右回転"}, {"left", "左回転"}};

RotationSettings ReadRotation(const ParsedOptions& options) {
  RotationSettings s;
  s.angleText = options.Get("angle").value_or("");
  s.incrementText = options.Get("increment").value_or("");
  const int direction = ReadChoice(options, "direction", kDirections);
  s.clockwise = direction == 0;
  s.counterClockwise = direction == 1;
  if (const std::string message = RotationSeries::CheckInput(s); !message.empty())
    throw UsageError(message);
  return s;
}

void Rotate(const ParsedOptions& options, Context& context) {
  const RotationSettings s = ReadRotation(options);
  const SeriesOutput output = ReadSeriesOutput(options);
  const platform::Picture picture = LoadInput(options);

  RotationState state;
  RotationSeries series(state);
  series.SetGifOptions(ReadGifOptions(options));
  series.Load();
  // The preview plays the frames in the order they are made: the animation takes each as it
  // comes (and checks that they are the ones played).
  const std::unique_ptr<AnimationCapture> capture = CaptureFor(output, true);
  series.Build(s, picture, 0, 0, context.progress, [&](const platform::Picture& frame) {
    if (capture) capture->Add(frame);
  });
  context.progress.Unload();
  context.messages.ThrowIfAny();
  ThrowIfInterrupted();
  // The animation shows the frames as the window's preview plays them.
  std::vector<platform::Picture> frames;
  for (PreviewStep step = series.NextPreview(s); !step.stop; step = series.NextPreview(s))
    frames.push_back(step.frame);
  WriteSeries(
      output, frames,
      [&](const std::string& chosen) { series.Save(chosen, s, picture, context.progress); },
      context, capture.get());
}

}  // namespace

const Command& RotateCommand() {
  static const Command command{
      {"rotate",
       "回転イメージ: 元のイメージを増数ずつ回した連続イメージを作る。"
       "フォルダには R<角度>.gif (右回転) または L<角度>.gif (左回転) を書く。",
       [] {
         std::vector<OptionDef> o = {
             InputOption(),
             {"angle", "DEG", "角度: 全体の角度 (361以下)"},
             {"increment", "DEG", "増数: 1枚ごとに回す角度 (0以外)"},
             {"direction", "DIR", "方向: " + ChoiceList(kDirections)},
         };
         for (OptionDef& x : SeriesOutputOptions()) o.push_back(x);
         return o;
       }(),
       "kestrin rotate --input in.gif --angle 360 --increment 30 --direction right --out frames/"},
      Rotate,
      [](const ParsedOptions& options) {
        ReadRotation(options);
        ReadGifOptions(options);
      }};
  return command;
}

}  // namespace kestrin::cli
