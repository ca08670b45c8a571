// The comment editor's logic: the checks of a preview, the base picture (the unedited picture,
// or the picture over a band of its own height), the comment written onto it by the overlay,
// and the save of the last good preview as one GIF file.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/gif_options.h"
#include "giflib/overlay/vesk_overlay.h"
#include "platform/font/font.h"
#include "platform/picture/picture.h"

namespace kestrin {

// What the window's controls say. An option array is the index of its selected button, or
// nothing while none is selected.
struct CommentSettings {
  bool overPicture = false;          // Op1 "重ねて表示"
  bool apartFromPicture = false;     // Op2 "放れて表示"
  std::optional<int> vertical;       // Op3: 0 Top, 1 Bottom, 2 Center
  std::optional<int> horizontal;     // Op4: 0 Left, 1 Center, 2 Right
  std::optional<int> lineAlignment;  // Os1: 0 Left, 1 Center, 2 Right
  std::optional<int> background;     // Ot1: 0 "透明", 1 "不透明"
  std::string faceText;              // Cb2
  std::string sizeText;              // Cb1
  std::string colourTarget;          // CO1: "ラインカラー" or "バッグカラー"
  int red = 0, green = 0, blue = 0;  // the sliders R(0), R(1), R(2)
  std::string comment;               // Text1, lines separated by CR LF
  platform::Font font;               // Text1's own font object: the preview changes it
  platform::Picture original;        // IM1
};

inline constexpr const char* kLineColour = "ラインカラー";
inline constexpr const char* kBorderColour = "バッグカラー";

// Program-wide: outlives the window.
struct CommentState {
  // The last preview that the overlay made without error; what a save writes.
  platform::Picture CommentPicture;
};
CommentState& ProgramCommentState();

// Sets a font size typed as text. Text that is not a number, and sizes the font object does not
// take (not above 0, above 2160 points), leave the size as it was; false then.
bool SetFontSize(platform::StdFont& font, const std::string& text);

class CommentPreview {
 public:
  explicit CommentPreview(CommentState& state);
  ~CommentPreview();
  CommentPreview(const CommentPreview&) = delete;
  CommentPreview& operator=(const CommentPreview&) = delete;

  // Redraws the preview. Returns what IM2 is to show: the picture with the comment, or IM1's
  // picture after the overlay's message; nothing when the preview stops with a missing
  // setting's message or silently, and IM2 keeps what it shows. Without `announce` no message
  // is shown (a refresh while the user types); the pictures are the same.
  std::optional<platform::Picture> UpdateCommentPreview(const CommentSettings& s,
                                                        bool announce = true);
  // Writes CommentPicture to `path` (chosen in the save dialog); nothing unless the path ends
  // in ".gif", in any case.
  void Save(const std::string& path) const;

  const CommentState& State() const { return state_; }
  // How the pictures are taken and the files written: reduction, transparency and coding.
  void SetGifOptions(const GifOptions& o) { options_ = o; }

 private:
  platform::Picture ReducedComposition(const platform::Picture& base, const std::string& comment,
                                       pellory::Vesk_OLWCFType& format) const;

  CommentState& state_;
  GifOptions options_;
};

}  // namespace kestrin
