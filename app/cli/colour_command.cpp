// kestrin colour: the colour-change editor (Dialog2) without its window.
#include "app/cli/commands.h"
#include "app/cli/series_output.h"
#include "app/editors/colour/colour_series.h"

namespace kestrin::cli {

namespace {

const std::vector<Choice> kModes = {{"stepwise", "段階変更"}, {"simultaneous", "同時変更"}};
const std::vector<Choice> kDirections = {{"dark-to-bright", kDarkToBright},
                                         {"bright-to-dark", kBrightToDark}};

// The sliders' range.
constexpr int kLargestShift = 128;

ColourSettings ReadColour(const ParsedOptions& options) {
  ColourSettings s;
  s.red = ReadInteger(options, "red", -kLargestShift, kLargestShift, 0);
  s.green = ReadInteger(options, "green", -kLargestShift, kLargestShift, 0);
  s.blue = ReadInteger(options, "blue", -kLargestShift, kLargestShift, 0);
  const int mode = ReadChoice(options, "mode", kModes);
  s.stepwise = mode == 0;
  s.simultaneous = mode == 1;
  const int direction = ReadChoice(options, "direction", kDirections);
  s.direction = direction < 0 ? "" : kDirections[direction].caption;
  s.incrementText = options.Get("increment").value_or("");
  // The window asks for the direction when the build starts; here it is a bad command line.
  if (s.simultaneous && s.direction.empty()) throw UsageError("明と暗の設定をしてください。");
  if (const std::string message = ColourSeries::CheckInput(s); !message.empty())
    throw UsageError(message);
  return s;
}

void Colour(const ParsedOptions& options, Context& context) {
  const ColourSettings s = ReadColour(options);
  const SeriesOutput output = ReadSeriesOutput(options);
  const platform::Picture picture = LoadInput(options);

  ColourState state;
  ColourSeries series(state);
  series.SetGifOptions(ReadGifOptions(options));
  int shown = 0;  // IM1's picture first, then each frame
  series.Build(
      [&s] { return s; }, picture,
      [&](const platform::Picture&) { context.progress.ShowCount("連続イメージ作成中", shown++); },
      [] { return !Interrupted(); });
  context.progress.Unload();
  context.messages.ThrowIfAny();
  ThrowIfInterrupted();
  const std::vector<platform::Picture> frames(state.frames.begin(),
                                              state.frames.begin() + state.frameCount);
  WriteSeries(
      output, frames,
      [&](const std::string& chosen) { series.Save(chosen, picture, context.progress); }, context);
}

}  // namespace

const Command& ColourCommand() {
  static const Command command{
      {"colour",
       "カラー変更: 赤・緑・青の成分をずらしていく連続イメージを作る。"
       "フォルダには Color0.gif, Color1.gif, ... を書く。",
       [] {
         std::vector<OptionDef> o = {
             InputOption(),
             {"red", "N", "R: 赤のずれ (-128から128, 既定 0)"},
             {"green", "N", "G: 緑のずれ (-128から128, 既定 0)"},
             {"blue", "N", "B: 青のずれ (-128から128, 既定 0)"},
             {"mode", "MODE", "オプション: " + ChoiceList(kModes)},
             {"direction", "DIR", "設定 (同時変更のとき): " + ChoiceList(kDirections)},
             {"increment", "N", "増数 (0以外)"},
         };
         for (OptionDef& x : SeriesOutputOptions()) o.push_back(x);
         return o;
       }(),
       "kestrin colour --input in.gif --red 60 --blue -40 --mode stepwise --increment 20 "
       "--out frames/"},
      Colour,
      [](const ParsedOptions& options) {
        ReadColour(options);
        ReadGifOptions(options);
      }};
  return command;
}

}  // namespace kestrin::cli
