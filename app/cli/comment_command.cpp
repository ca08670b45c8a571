// kestrin comment: the comment editor (Dialog4) without its window: one preview with every
// setting chosen, saved as the window's save writes it.
#include <QFontDatabase>
#include <filesystem>

#include "app/cli/commands.h"
#include "app/cli/staged_folder.h"
#include "app/editors/comment/comment_preview.h"
#include "app/vb_text.h"

namespace kestrin::cli {

namespace {

namespace fs = std::filesystem;

const std::vector<Choice> kPlacements = {{"over", "重ねて表示"}, {"below", "放れて表示"}};
// In the order of the window's option buttons.
const std::vector<Choice> kVertical = {{"top", "Top"}, {"bottom", "Bottom"}, {"center", "Center"}};
const std::vector<Choice> kAcross = {{"left", "Left"}, {"center", "Center"}, {"right", "Right"}};
const std::vector<Choice> kBackgrounds = {{"transparent", "透明"}, {"opaque", "不透明"}};
const std::vector<Choice> kColourTargets = {{"line", kLineColour}, {"border", kBorderColour}};

std::optional<int> Selected(int index) {
  return index < 0 ? std::nullopt : std::optional<int>(index);
}

// The comment box separates lines with CR LF; a shell gives LF.
std::string WithCrLf(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

void CheckFontFamily(const CommentSettings& s) {
  // The window offers the installed families only; a name that draws nothing is a mistake.
  if (!s.faceText.empty() &&
      !QFontDatabase::hasFamily(QString::fromStdString(platform::InstalledFamily(s.faceText))))
    throw UsageError("フォントがありません: " + s.faceText);
}

std::string CheckedOutput(const ParsedOptions& options) {
  const std::string path = Required(options, "output");
  // The window's save writes nothing to a name that does not end in ".gif".
  if (!EndsWithGif(path))
    throw UsageError("--output のファイル名は .gif で終わるようにしてください: " + path);
  const fs::path parent = fs::path(path).parent_path();
  std::error_code ec;
  if (!parent.empty() && !fs::is_directory(parent, ec))
    throw Failure(parent.string() + ": " + LibraryMessage(pellory::engine::kErrFolderMissing));
  const fs::file_type there = fs::symlink_status(path, ec).type();
  if (there == fs::file_type::directory ||
      (there != fs::file_type::not_found && !options.Has("force")))
    throw Failure(path + ": " + LibraryMessage(pellory::engine::kErrFileExists));
  return path;
}

CommentSettings ReadComment(const ParsedOptions& options) {
  CommentSettings s;
  const int placement = ReadChoice(options, "placement", kPlacements);
  s.overPicture = placement == 0;
  s.apartFromPicture = placement == 1;
  s.vertical = Selected(ReadChoice(options, "vertical", kVertical));
  s.horizontal = Selected(ReadChoice(options, "horizontal", kAcross));
  s.lineAlignment = Selected(ReadChoice(options, "line-align", kAcross));
  s.background = Selected(ReadChoice(options, "background", kBackgrounds));
  s.faceText = options.Get("font").value_or("");
  s.sizeText = options.Get("size").value_or("");
  const int target = ReadChoice(options, "colour-target", kColourTargets);
  s.colourTarget = target < 0 ? "" : kColourTargets[target].caption;
  s.red = ReadInteger(options, "red", 0, 255, 0);
  s.green = ReadInteger(options, "green", 0, 255, 0);
  s.blue = ReadInteger(options, "blue", 0, 255, 0);
  s.comment = WithCrLf(options.Get("text").value_or(""));
  // As the comment box's own font object starts.
  s.font = std::make_shared<platform::StdFont>();
  platform::StdFont probe;
  if (!s.sizeText.empty() && !SetFontSize(probe, s.sizeText))
    throw UsageError("--size には0より大きく2160以下の数を指定してください。");
  return s;
}

void Comment(const ParsedOptions& options, Context& context) {
  CommentSettings s = ReadComment(options);
  CheckFontFamily(s);
  const std::string output = CheckedOutput(options);
  s.original = LoadInput(options);

  CommentState state;
  CommentPreview preview(state);
  preview.SetGifOptions(ReadGifOptions(options));
  preview.UpdateCommentPreview(s);
  context.messages.ThrowIfAny();
  if (!state.CommentPicture) throw Failure("コメント付イメージを作れませんでした。");
  ThrowIfInterrupted();

  const fs::path parent = fs::path(output).parent_path();
  StagedFolder staged(parent.empty() ? "." : parent.string());
  preview.Save((fs::path(staged.Path()) / fs::path(output).filename()).string());
  context.messages.ThrowIfAny();
  if (staged.Names().empty()) throw Failure("保存するイメージがありません。");
  ThrowIfInterrupted();
  std::string error;
  if (!staged.Publish(&error, options.Has("force"))) throw Failure(error);
}

}  // namespace

const Command& CommentCommand() {
  static const Command command{
      {"comment",
       "コメント: 縁取りした文字をイメージに重ねて、または下に書き、1つのGIFファイルに保存する。",
       {
           InputOption(),
           {"output", "FILE", "書くGIFファイル (名前は .gif で終わる)"},
           {"text", "TEXT", "コメント (改行で複数行)"},
           {"placement", "HOW", "表示方法: " + ChoiceList(kPlacements)},
           {"vertical", "POS", "縦表示: " + ChoiceList(kVertical)},
           {"horizontal", "POS", "横表示: " + ChoiceList(kAcross)},
           {"line-align", "POS", "コメントライン揃え: " + ChoiceList(kAcross)},
           {"background", "BG", "背景: " + ChoiceList(kBackgrounds)},
           {"font", "FACE", "フォント (例: IPAGothic, ＭＳ Ｐゴシック)"},
           {"size", "PT", "フォントサイズ (ポイント)"},
           {"colour-target", "WHICH",
            "R/G/B で決める色: " + ChoiceList(kColourTargets) + "; もう一方は黒"},
           {"red", "N", "R (0から255, 既定 0)"},
           {"green", "N", "G (0から255, 既定 0)"},
           {"blue", "N", "B (0から255, 既定 0)"},
           GifOptionDefs()[0],
           GifOptionDefs()[1],
           GifOptionDefs()[2],
           ForceOption(),
       },
       "kestrin comment --input in.gif --output out.gif --text 'Kestrin' --placement below "
       "--vertical center --horizontal center --line-align center --background transparent "
       "--font IPAGothic --size 14 --colour-target line --red 255"},
      Comment,
      [](const ParsedOptions& options) {
        ReadComment(options);
        ReadGifOptions(options);
      }};
  return command;
}

}  // namespace kestrin::cli
