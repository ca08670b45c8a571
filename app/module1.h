// Routines shared by the windows: the file dialogs, opening a picture into an editor, clearing
// the editors' pictures and inverting a picture's colours.
#pragma once

#include <cstdint>
#include <string>

#include "platform/picture/picture.h"

namespace kestrin {

// What the editors open: GIF and the photographs people have (PNG, JPEG, BMP), one choice for
// all and one per kind. Pictures of more than 256 colours are reduced as "減色" says.
inline constexpr const char* kOpenPictureFilter =
    "イメージ|*.gif;*.png;*.jpg;*.jpeg;*.bmp|GIF|*.gif|PNG|*.png|JPEG|*.jpg;*.jpeg|BMP|*.bmp";
// Whether the editors take the file, by its extension in any case.
bool IsOpenablePicture(const std::string& path);

// Paths chosen in the file dialogs; empty when nothing was chosen.
std::string ChooseGifToOpen();
std::string ChooseBmpOrJpgToOpen();
// A save dialog that accepts new names; empty when cancelled or the dialog failed.
std::string ChooseGifToSave();

// Asks for a GIF file and, when one ending in "gif" is chosen, shows the editor and loads the
// file into its IM1 and, as a second picture object, into its IM2.
void OpenGifInEditor(int16_t editorNumber);
// Mode 1: a BMP into Dialog5's IM1; mode 2: a BMP or JPEG into its IM2. Load failures reach
// the caller.
void LoadPictureIntoSaveEditor(int16_t mode);
// Empties IM1 and IM2 of an editor, loading the editor when it is not open.
void ClearEditorPictures(int16_t editorNumber);
// A negative of an indexed picture: every palette entry but the last inverted. Null when the
// library refuses the picture (after showing its message when it reports an error).
platform::Picture InvertPictureColours(const platform::Picture& picture);

}  // namespace kestrin
