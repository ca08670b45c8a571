#include "app/cli/command_support.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <csignal>

#include "app/gif_object.h"
#include "giflib/object/vesk_gif_object.h"
#include "platform/kernel/err.h"

namespace kestrin::cli {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
  interrupted = 1;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

}  // namespace

std::string OneLine(const std::string& text) {
  std::string line;
  bool gap = false;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      gap = true;
      continue;
    }
    if (gap && !line.empty()) line += ' ';
    gap = false;
    line += c;
  }
  return line;
}

std::string LibraryMessage(int32_t number) {
  GifObject gif;
  return OneLine(gif.GetErrorMsg(number));
}

int CaughtMessages::Show(const std::string& text, int, const std::string&) {
  texts_.push_back(text);
  return platform::kIdOk;
}

void CaughtMessages::ThrowIfAny() const {
  if (!texts_.empty()) throw Failure(OneLine(texts_.front()));
}

ScopedCaughtMessages::ScopedCaughtMessages()
    : caught_(std::make_shared<CaughtMessages>()),
      previous_(platform::SetMessageBoxBackend(caught_)) {}

ScopedCaughtMessages::~ScopedCaughtMessages() {
  platform::SetMessageBoxBackend(previous_);
}

namespace {
struct sigaction previousInt, previousTerm;
}  // namespace

InterruptGuard::InterruptGuard() {
  interrupted = 0;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previousInt);
  sigaction(SIGTERM, &action, &previousTerm);
}

InterruptGuard::~InterruptGuard() {
  sigaction(SIGINT, &previousInt, nullptr);
  sigaction(SIGTERM, &previousTerm, nullptr);
}

bool Interrupted() {
  return interrupted != 0;
}

void ThrowIfInterrupted() {
  if (Interrupted()) throw Failure("中断しました。", kExitInterrupted);
}

OptionDef InputOption() {
  return {"input", "FILE", "元のイメージ (GIFファイル)"};
}

OptionDef ForceOption() {
  return {"force", "", "すでにあるファイルを置き換える (既定は置き換えずに止める)"};
}

namespace {

const std::vector<Choice> kPalettes = {
    {"halftone", kReductionCaptions[0]},
    {"adaptive", kReductionCaptions[1]},
    {"dither", kReductionCaptions[2]},
};

}  // namespace

std::vector<OptionDef> GifOptionDefs(bool transparency) {
  std::vector<OptionDef> defs = {
      {"no-compress", "", "GIFファイルをLZWで圧縮せず、ライブラリのリテラル符号で書く"},
      {"palette", "KIND",
       "256色を超えるイメージの減色: " + ChoiceList(kPalettes) + " (既定 dither)"},
  };
  if (transparency)
    defs.push_back({"transparent", "COLOUR",
                    "透過色: top-left (左上の色, 既定) | none (なし) | #rrggbb (指定色)"});
  return defs;
}

GifOptions ReadGifOptions(const ParsedOptions& options) {
  GifOptions o;
  if (options.Has("no-compress")) o.compression = pellory::LiteralCodes;
  if (const int palette = ReadChoice(options, "palette", kPalettes); palette >= 0)
    o.reduction = static_cast<pellory::Vesk_GifReduceColorEnum>(palette);
  if (const std::optional<std::string> text = options.Get("transparent")) {
    const std::string word = Lower(*text);
    if (word == "top-left" || *text == kTransparencyCaptions[0]) {
      o.transparency = TransparencyChoice::TopLeft;
    } else if (word == "none" || *text == kTransparencyCaptions[1]) {
      o.transparency = TransparencyChoice::None;
    } else if (const std::optional<int32_t> colour = ParseHexColour(*text)) {
      o.transparency = TransparencyChoice::Picked;
      o.transparentColour = *colour;
    } else {
      throw UsageError("--transparent には top-left, none か #rrggbb を指定してください。");
    }
  }
  return o;
}

platform::Picture LoadInput(const ParsedOptions& options) {
  const std::string path = Required(options, "input");
  if (path.empty()) throw UsageError("--input にファイル名を指定してください。");
  platform::Picture picture;
  try {
    picture = platform::LoadPicture(path);
  } catch (const platform::RuntimeError& e) {
    throw Failure(path + ": " + e.Description());
  }
  // What the editors do first with the picture: the library must take it.
  GifObject gif;
  if (!SetPictureWith(gif, picture, ReadGifOptions(options)))
    throw Failure(path + ": " + OneLine(gif.GetErrorMsg(gif.ErrorNumber())));
  return picture;
}

std::optional<int> ParseInteger(const std::string& text) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  int value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (first == last || error != std::errc() || end != last) return std::nullopt;
  return value;
}

int ReadInteger(const ParsedOptions& options, const std::string& name, int min, int max,
                int fallback) {
  const std::optional<std::string> text = options.Get(name);
  if (!text) return fallback;
  const std::optional<int> value = ParseInteger(*text);
  if (!value || *value < min || *value > max)
    throw UsageError("--" + name + " には" + std::to_string(min) + "から" + std::to_string(max) +
                     "までの整数を指定してください。");
  return *value;
}

std::string ChoiceList(const std::vector<Choice>& choices) {
  std::string words, captions;
  for (const Choice& c : choices) {
    words += (words.empty() ? "" : "|") + std::string(c.word);
    captions += (captions.empty() ? "" : "|") + std::string(c.caption);
  }
  return words + " (" + captions + ")";
}

int ReadChoice(const ParsedOptions& options, const std::string& name,
               const std::vector<Choice>& choices) {
  const std::optional<std::string> text = options.Get(name);
  if (!text) return -1;
  for (size_t i = 0; i < choices.size(); ++i)
    if (Lower(*text) == choices[i].word || *text == choices[i].caption) return static_cast<int>(i);
  throw UsageError("--" + name + " には " + ChoiceList(choices) + " のどれかを指定してください。");
}

std::string Required(const ParsedOptions& options, const std::string& name) {
  const std::optional<std::string> value = options.Get(name);
  if (!value) throw UsageError("--" + name + " を指定してください。");
  return *value;
}

}  // namespace kestrin::cli
