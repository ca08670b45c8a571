#include "app/module1.h"

#include <cctype>

#include "app/editor_window.h"
#include "app/editors/transparency/transparency_window.h"
#include "app/gif_object.h"
#include "app/main_window.h"
#include "app/vb_text.h"
#include "app/windows.h"
#include "giflib/object/vesk_gif_object.h"
#include "platform/dialogs/message_box.h"
#include "platform/kernel/err.h"

namespace kestrin {

namespace {

std::string ChooseToOpen(const char* filter) {
  platform::CommonDialog& cd = windows::MDIF1().CD();
  cd.CancelError = false;
  cd.Flags = platform::kOfnFileMustExist;
  cd.Filter = filter;
  cd.FileName.clear();
  cd.ShowOpen();
  return cd.FileName;
}

}  // namespace

bool IsOpenablePicture(const std::string& path) {
  std::string lower = path;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* extension : {".gif", ".png", ".jpg", ".jpeg", ".bmp"})
    if (EndsWithExtension(lower, extension)) return true;
  return false;
}

std::string ChooseGifToOpen() {
  return ChooseToOpen(kOpenPictureFilter);
}

std::string ChooseBmpOrJpgToOpen() {
  return ChooseToOpen("*.bmp;*.jpg");
}

std::string ChooseGifToSave() {
  try {
    platform::CommonDialog& cd = windows::MDIF1().CD();
    cd.CancelError = true;
    // Not "the file must exist": the series and the comment are saved under new names.
    cd.Flags = 0;
    cd.Filter = "*.gif";
    cd.FileName.clear();
    cd.ShowSave();
    return cd.FileName;
  } catch (...) {
    return {};
  }
}

void OpenGifInEditor(int16_t editorNumber) {
  const std::string path = ChooseGifToOpen();
  if (!IsOpenablePicture(path)) return;
  platform::Form* form = nullptr;
  IgnoreErrors([&] { form = windows::ByEditorNumber(editorNumber); });
  if (!form) return;
  IgnoreErrors([&] { form->show(); });
  IgnoreErrors([&] {
    // The position is inside the main window's client area: the MDI frame of the child.
    QWidget* frame = form->parentWidget() ? form->parentWidget() : form;
    const int px = platform::ScaleToPixels(10, platform::kScaleTwips);
    frame->move(px, px);
    windows::MDIF1().KeepInside(frame);
  });
  auto* editor = dynamic_cast<EditorWindow*>(form);
  if (!editor) return;
  IgnoreErrors([&] { editor->IM1().SetPicture(platform::LoadPicture(path)); });
  IgnoreErrors([&] { editor->IM2().SetPicture(platform::LoadPicture(path)); });
}

void LoadPictureIntoSaveEditor(int16_t mode) {
  TransparencyWindow& editor = windows::Dialog5();
  if (mode == 1) {
    const std::string path = ChooseBmpOrJpgToOpen();
    if (!EndsWithExtension(path, "bmp")) return;
    editor.IM1().SetPicture(platform::LoadPicture(path));
  } else if (mode == 2) {
    const std::string path = ChooseBmpOrJpgToOpen();
    if (!EndsWithExtension(path, "bmp") && !EndsWithExtension(path, "jpg")) return;
    editor.IM2().SetPicture(platform::LoadPicture(path));
  }
}

void ClearEditorPictures(int16_t editorNumber) {
  platform::Form* form = nullptr;
  IgnoreErrors([&] { form = windows::ByEditorNumber(editorNumber); });
  if (auto* dialog5 = dynamic_cast<TransparencyWindow*>(form)) {
    IgnoreErrors([&] { dialog5->IM1().SetPicture(platform::LoadPicture("")); });
    IgnoreErrors([&] { dialog5->IM2().SetPicture(platform::LoadPicture("")); });
    return;
  }
  auto* editor = dynamic_cast<EditorWindow*>(form);
  // Windows without picture controls: both assignments fail and are skipped.
  if (!editor) return;
  IgnoreErrors([&] { editor->IM1().SetPicture(platform::LoadPicture("")); });
  IgnoreErrors([&] { editor->IM2().SetPicture(platform::LoadPicture("")); });
}

platform::Picture InvertPictureColours(const platform::Picture& picture) {
  GifObject gif;
  if (!gif.SetPicture(picture, pellory::Default)) return nullptr;
  const std::vector<uint8_t> bytes = gif.GetPalette();
  const int n = gif.PaletteSize();
  std::vector<pellory::Vesk_GIFRGBTRIPLE> table(n > 0 ? n : 0);
  for (int i = 0; i < n && 3 * i + 2 < static_cast<int>(bytes.size()); ++i)
    table[i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
  // The last entry stays as it is.
  for (int i = 0; i + 1 < n; ++i)
    table[i] = {static_cast<uint8_t>(255 - table[i].gRed),
                static_cast<uint8_t>(255 - table[i].gGreen),
                static_cast<uint8_t>(255 - table[i].gBlue)};
  const int n2 = gif.PaletteSize();
  std::vector<uint8_t> back(3 * static_cast<size_t>(n2 > 0 ? n2 : 0));
  for (int i = 0; i < n2 && i < static_cast<int>(table.size()); ++i) {
    back[3 * i] = table[i].gRed;
    back[3 * i + 1] = table[i].gGreen;
    back[3 * i + 2] = table[i].gBlue;
  }
  gif.SetPalette(back);
  if (const int32_t e = gif.ErrorNumber(); e != 0) {
    ShowMessage(gif.GetErrorMsg(e));
    return nullptr;
  }
  return gif.GetTransPicture(pellory::ReturnPicture);
}

}  // namespace kestrin
