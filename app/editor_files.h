// Routines shared by the windows: the file dialogs, opening a picture into an editor, clearing
// the editors' pictures and inverting a picture's colours.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/dialogs/file_dialog.h"
#include "platform/picture/picture.h"

namespace platform {
class Form;
}

namespace kestrin {

class MainWindow;
class TransparencyWindow;

// What the editors open: GIF and the photographs people have (PNG, JPEG, BMP), one choice for
// all and one per kind, and every file (a picture whose name says otherwise is refused with a
// message). Pictures of more than 256 colours are reduced as "減色" says.
inline constexpr const char* kOpenPictureFilter =
    "イメージ|*.gif;*.png;*.jpg;*.jpeg;*.bmp|GIFファイル|*.gif|PNGファイル|*.png|"
    "JPEGファイル|*.jpg;*.jpeg|BMPファイル|*.bmp|すべてのファイル|*";
inline constexpr const char* kSaveGifFilter = "GIFファイル|*.gif";
inline constexpr const char* kOpenBmpOrJpgFilter = "BMP・JPEGファイル|*.bmp;*.jpg";
// Whether the editors take the file, by its extension in any case.
bool IsOpenablePicture(const std::string& path);

// A picture file as the editors open it: the picture, or what is wrong with the file, in a
// message that names it.
struct OpenedPicture {
  platform::Picture picture;
  std::string error;
};
OpenedPicture OpenPictureFile(const std::string& path);

// Paths chosen in the file dialog `cd` (the main window's); empty when nothing was chosen.
std::string ChooseGifToOpen(platform::CommonDialog& cd);
std::string ChooseBmpOrJpgToOpen(platform::CommonDialog& cd);
// A save dialog that accepts new names; empty when cancelled or the dialog failed.
std::string ChooseGifToSave(platform::CommonDialog& cd);

// Asks for a picture file in the main window's dialog and, when one the editors take is chosen
// and can be read, shows the editor (asked for only then, so that it loads only then) inside
// the main window and loads the file into its IM1 and, as a second picture object, into its
// IM2. A file that cannot be read is named in a message, and nothing changes. `mayReplace`,
// asked once the file has been read and before anything changes, may still keep everything as
// it is. True when the picture was opened.
bool OpenGifInEditor(MainWindow& main, const std::function<platform::Form*()>& editor,
                     const std::function<bool()>& mayReplace = nullptr);
// Mode 1: a BMP into the transparency editor's IM1; mode 2: a BMP or JPEG into its IM2, asking
// first when it would replace a composite that was not saved. The extension may be in any
// case; a file of another kind or one that cannot be read is named in a message.
void LoadPictureIntoSaveEditor(TransparencyWindow& editor, platform::CommonDialog& cd,
                               int16_t mode);
inline constexpr const char* kDiscardCompositeQuestion =
    "保存していない透過イメージがあります。\n破棄してよろしいですか？";

// Empties IM1 and IM2 of an editor window; nothing for other windows or none.
void ClearEditorPictures(platform::Form* form);
// A negative of an indexed picture: every palette entry but the last inverted. Null when the
// library refuses the picture (after showing its message when it reports an error).
platform::Picture InvertPictureColours(const platform::Picture& picture);

}  // namespace kestrin
