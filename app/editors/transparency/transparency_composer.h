// The transparency editor's work without its widgets: a piece cut from the source picture
// floats over the target until it is laid down there with one colour keyed out, and the
// composite is saved as BMP, JPEG or GIF. The window hands in its picture boxes' device
// contexts and pictures, and keeps what the screen shows (the capture of the floating piece).
#pragma once

#include <cstdint>
#include <string>

#include "app/gif_options.h"
#include "platform/gdi/device_context.h"
#include "platform/picture/picture.h"

namespace kestrin {

// The colour left out when the piece is laid down, and how near a colour must be to go too
// (0 to 100; 0 only the colour itself).
struct ColourKey {
  int32_t colour = 0xFFFFFF;
  int32_t tolerance = 0;
};

enum class CompositeFormat { None, Bmp, Jpeg, Gif };

// What a save writes: the target as a picture (BMP, GIF) and as a device context of the given
// size in pixels (JPEG).
struct Composite {
  platform::Picture picture;
  platform::Hdc dc = 0;
  int32_t width = 0;
  int32_t height = 0;
};

inline constexpr const char* kChooseFormatMessage = "保存形式を選択してください。";

class TransparencyComposer {
 public:
  // Copies the selection, `width` x `height` pixels at (x, y) of `source`, to the top-left
  // corner of `piece`.
  static void CutPiece(platform::Hdc piece, platform::Hdc source, int32_t x, int32_t y,
                       int32_t width, int32_t height);

  // A piece floats once it was cut and captured, until it is placed.
  bool Floating() const { return floating_; }
  void Float() { floating_ = true; }

  // Draws `width` x `height` pixels of the captured piece, from (1, 1) inside the capture's
  // border, onto `target` at (x, y) with the key's colours left out. A run-time error of the
  // platform's reaches the caller.
  static void DrawPiece(platform::Hdc target, int32_t x, int32_t y, int32_t width, int32_t height,
                        const platform::Picture& piece, const ColourKey& key);
  // The piece was laid down (or failed to be): nothing floats any more, and the target holds a
  // composite not yet saved.
  void Placed();

  // True once a piece has been laid down and the target has not been saved since.
  bool CompositeUnsaved() const { return compositeUnsaved_; }
  // The target no longer holds the composite (it was replaced or cleared).
  void ForgetComposite() { compositeUnsaved_ = false; }

  // Saves the composite as "<name>.bmp", "<name>.jpg" (at `jpegQuality`, 1 to 100) or
  // "<name>.gif" (opaque, through `gifOptions`' colour reduction); a failure is shown in a
  // message naming the file. True, and the composite counts as saved, when the file was
  // written; false without a message for no format.
  bool Save(CompositeFormat format, const std::string& name, const Composite& composite,
            int32_t jpegQuality, GifOptions gifOptions);

 private:
  bool floating_ = false;
  bool compositeUnsaved_ = false;
};

}  // namespace kestrin
