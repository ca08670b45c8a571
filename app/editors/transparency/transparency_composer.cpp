#include "app/editors/transparency/transparency_composer.h"

#include "app/editors/transparency/colour_key_blit.h"
#include "app/gif_object.h"
#include "app/message.h"
#include "giflib/object/vesk_gif_object.h"
#include "platform/kernel/err.h"
#include "platform/picture/picture.h"
#include "savejpg/savejpg.h"

namespace kestrin {

void TransparencyComposer::CutPiece(platform::Hdc piece, platform::Hdc source, int32_t x, int32_t y,
                                    int32_t width, int32_t height) {
  platform::BitBlt(piece, 0, 0, width, height, source, x, y, platform::kRopSrcCopy);
}

void TransparencyComposer::DrawPiece(platform::Hdc target, int32_t x, int32_t y, int32_t width,
                                     int32_t height, const platform::Picture& piece,
                                     const ColourKey& key) {
  PE blit;
  blit.PTS(target, x, y, width, height, piece, 1, 1, key.colour, 0, key.tolerance);
}

void TransparencyComposer::Placed() {
  floating_ = false;
  compositeUnsaved_ = true;
}

bool TransparencyComposer::Save(CompositeFormat format, const std::string& name,
                                const Composite& composite, int32_t jpegQuality,
                                GifOptions gifOptions) {
  bool saved = false;
  switch (format) {
    case CompositeFormat::None:
      return false;
    case CompositeFormat::Jpeg: {
      const int16_t code = DCSavetoJPEG(composite.dc, composite.width, composite.height,
                                        (name + ".jpg").c_str(), static_cast<uint8_t>(jpegQuality));
      if (code != kSaveJpgOk)
        ShowMessage("JPEGファイル「" + name + ".jpg」を保存できませんでした。(コード " +
                    std::to_string(code) + ")");
      else
        saved = true;
      break;
    }
    case CompositeFormat::Bmp:
      try {
        platform::SavePicture(composite.picture, name + ".bmp");
        saved = true;
      } catch (const platform::RuntimeError& e) {
        ShowMessageAbout("実行時エラー '" + std::to_string(e.Number()) + "':\n\n" + e.Description(),
                         name + ".bmp");
      }
      break;
    case CompositeFormat::Gif: {
      // Opaque: a composite has no background colour whose pixels could be left out.
      gifOptions.transparency = TransparencyChoice::None;
      GifObject gif;
      if (SetPictureWith(gif, composite.picture, gifOptions) && gif.SaveGifPicture(name + ".gif") &&
          gif.ErrorNumber() <= 0)
        saved = true;
      if (const int32_t e = gif.ErrorNumber(); e > 0)
        ShowMessageAbout(gif.GetErrorMsg(e), name + ".gif");
      break;
    }
  }
  if (saved) compositeUnsaved_ = false;
  return saved;
}

}  // namespace kestrin
