#include "app/editors/comment/comment_preview.h"

#include <QImage>
#include <algorithm>
#include <array>
#include <cstring>

#include "app/gif_object.h"
#include "app/message.h"
#include "app/vb_text.h"
#include "giflib/object/vesk_gif_object.h"
#include "giflib/overlay/vesk_overlay.h"

namespace kestrin {

namespace {

using pellory::mxCenter;
using pellory::mxLeft;
using pellory::mxRight;
using pellory::myBottom;
using pellory::myCenter;
using pellory::myTop;

// The font object takes sizes up to this many points.
constexpr double kLargestFontSize = 2160.0;

// Option buttons by index: Op4 and Os1 read Left, Center, Right; Op3 reads Top, Bottom, Center.
constexpr std::array<pellory::Vesk_GifMarginXEnum, 3> kAcross = {mxLeft, mxCenter, mxRight};
constexpr std::array<pellory::Vesk_GifMarginYEnum, 3> kDown = {myTop, myBottom, myCenter};
constexpr std::array<pellory::Vesk_TransparentEnum, 2> kBackground = {pellory::TransOn,
                                                                      pellory::TransOff};

// The selected index of an option array of n buttons, or -1 when none is.
int Selected(const std::optional<int>& option, size_t n) {
  return option && *option >= 0 && static_cast<size_t>(*option) < n ? *option : -1;
}

int32_t SliderColour(const CommentSettings& s) {
  auto byte = [](int v) { return std::clamp(v, 0, 255); };
  return byte(s.red) | (byte(s.green) << 8) | (byte(s.blue) << 16);
}

// A missing setting: its message ends the preview and IM2 stays as it is.
std::optional<platform::Picture> Missing(const char* message, bool announce) {
  if (announce) ShowMessage(message);
  return std::nullopt;
}

// The base over the original's own indices where it has the same ones (a comment over the
// picture): the copy that came back from the library is then let go instead of being held
// beside the original for the whole preview. Only the colour table is the base's.
platform::Picture OverOriginalIndices(const platform::Picture& base,
                                      const platform::Picture& original) {
  if (!base || !original) return base;
  const QImage& b = base->Image();
  const QImage& o = original->Image();
  if (b.format() != QImage::Format_Indexed8 || o.format() != QImage::Format_Indexed8 ||
      b.size() != o.size())
    return base;
  const size_t w = static_cast<size_t>(b.width());
  for (int y = 0; y < b.height(); ++y)
    if (std::memcmp(b.constScanLine(y), o.constScanLine(y), w) != 0) return base;
  auto* keep = new platform::Picture(original);
  QImage shared(
      o.constBits(), o.width(), o.height(), o.bytesPerLine(), QImage::Format_Indexed8,
      [](void* p) { delete static_cast<platform::Picture*>(p); }, keep);
  if (shared.isNull()) {
    delete keep;
    return base;
  }
  shared.setColorTable(b.colorTable());
  return std::make_shared<platform::StdPicture>(std::move(shared));
}

}  // namespace

CommentState& ProgramCommentState() {
  static CommentState state;
  return state;
}

bool SetFontSize(platform::StdFont& font, const std::string& text) {
  const std::optional<double> size = ReadNumber(text);
  if (!size || *size <= 0.0 || *size > kLargestFontSize) return false;
  font.Size = *size;
  return true;
}

CommentPreview::CommentPreview(CommentState& state) : state_(state) {}

CommentPreview::~CommentPreview() = default;

std::optional<platform::Picture> CommentPreview::UpdateCommentPreview(const CommentSettings& s,
                                                                      bool announce) {
  platform::Picture base;
  {
    // Loads the unedited picture; gone before the overlay's surface is made, so that its copies
    // of the picture do not sit beside it.
    GifObject gif;
    if (!SetPictureWith(gif, s.original, options_)) return std::nullopt;
    if (!s.overPicture && !s.apartFromPicture)
      return Missing("表示方法を選択してください。", announce);

    // "放れて表示" puts the comment into a band of the picture's own height below it.
    const float band = s.overPicture ? 1.0f : 2.0f;
    base = OverOriginalIndices(
        gif.GetMarginPictureEX(1.0f, band, mxLeft, myTop, pellory::ReturnPicture), s.original);
  }
  OverLay overlay;
  if (!overlay.SetBasePicture(base)) return std::nullopt;

  pellory::Vesk_OLWCFType format;
  // The text box's own font object, so that the box shows the chosen face and size as well.
  format.UseFont = s.font;
  if (s.faceText.empty()) return Missing("フォントを選択してください。", announce);
  if (format.UseFont) format.UseFont->Name = s.faceText;
  if (s.sizeText.empty()) return Missing("フォントサイズを選択してください。", announce);
  if (format.UseFont) SetFontSize(*format.UseFont, s.sizeText);
  format.BorderThickness = pellory::Bordering1p;

  // Only one colour follows the sliders; the other stays black.
  if (s.colourTarget.empty()) return Missing("カラーを選択してください。", announce);
  if (s.colourTarget == kBorderColour) format.BorderColor = SliderColour(s);
  if (s.colourTarget == kLineColour) format.ForeColor = SliderColour(s);

  format.Position.Mode = pellory::ByPreset;
  const int vertical = Selected(s.vertical, kDown.size());
  const int horizontal = Selected(s.horizontal, kAcross.size());
  if (vertical < 0) return Missing("縦表示を選択してください。", announce);
  if (horizontal < 0) return Missing("横表示を選択してください。", announce);
  format.Position.pLeft = kAcross[horizontal];
  format.Position.pTop = kDown[vertical];
  const int lines = Selected(s.lineAlignment, kAcross.size());
  if (lines < 0) return Missing("コメントライン揃えを選択してください。", announce);
  format.MultiLineArrangeMent = kAcross[lines];
  const int background = Selected(s.background, kBackground.size());
  if (background < 0) return Missing("背景を選択してください。", announce);
  format.Transparent = kBackground[background];
  format.BorderStyle = pellory::Sharp;

  platform::Picture written = overlay.WriteCharacter(s.comment, format, pellory::olReturnPicture);
  if (const int32_t e = overlay.ErrorNumber(); e != 0) {
    if (announce) ShowMessage(overlay.GetErrorMsg(e));
    return s.original;
  }
  // The overlay hands back nothing, without an error, when the text's colours do not fit beside
  // a full palette: its transparent colour is then no longer in the reduced picture.
  if (!written) written = ReducedComposition(base, s.comment, format);
  if (!written) return std::nullopt;
  state_.CommentPicture = written;
  return written;
}

platform::Picture CommentPreview::ReducedComposition(const platform::Picture& base,
                                                     const std::string& comment,
                                                     pellory::Vesk_OLWCFType& format) const {
  OverLay overlay;
  // The composition in full colour, then reduced and keyed as any picture of more than 256
  // colours is: with the palette and transparency the editor's options choose.
  overlay.Transparent(pellory::TransOff);
  if (!overlay.SetBasePicture(base)) return nullptr;
  const platform::Picture composed =
      overlay.WriteCharacter(comment, format, pellory::olReturnPicture);
  if (!composed || overlay.ErrorNumber() != 0) return nullptr;
  GifObject gif;
  if (!SetPictureWith(gif, composed, options_)) return nullptr;
  platform::Picture reduced = gif.GetTransPicture(pellory::ReturnPicture);
  return gif.ErrorNumber() == 0 ? reduced : nullptr;
}

void CommentPreview::Save(const std::string& path) const {
  if (!EndsWithGif(path)) return;
  GifObject gif;
  if (!SetPictureWith(gif, state_.CommentPicture, options_)) return;
  // The library never overwrites a file; it reports 3010 instead.
  gif.SaveGifPicture(path);
  if (gif.ErrorNumber() > 0) ShowMessageAbout(gif.GetErrorMsg(gif.ErrorNumber()), path);
}

}  // namespace kestrin
