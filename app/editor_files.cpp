#include "app/editor_files.h"

#include <cctype>
#include <filesystem>
#include <fstream>

#include "app/editor_window.h"
#include "app/editors/transparency/transparency_window.h"
#include "app/gif_object.h"
#include "app/main_window.h"
#include "app/vb_text.h"
#include "giflib/object/vesk_gif_object.h"
#include "platform/dialogs/message_box.h"
#include "platform/kernel/err.h"

namespace kestrin {

namespace {

std::string ChooseToOpen(platform::CommonDialog& cd, const char* filter) {
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

std::string ChooseGifToOpen(platform::CommonDialog& cd) {
  return ChooseToOpen(cd, kOpenPictureFilter);
}

std::string ChooseBmpOrJpgToOpen(platform::CommonDialog& cd) {
  return ChooseToOpen(cd, kOpenBmpOrJpgFilter);
}

OpenedPicture OpenPictureFile(const std::string& path) {
  auto refused = [&](const std::string& why) {
    return OpenedPicture{nullptr, AboutFile(why, path)};
  };
  std::error_code ec;
  namespace fs = std::filesystem;
  const fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return refused("ファイルが見つかりません。");
  if (fs::is_directory(status)) return refused("フォルダは開けません。ファイルを選んでください。");
  if (!std::ifstream(path, std::ios::binary))
    return refused("ファイルを読み込む権限がありません。");
  if (fs::is_regular_file(status) && fs::file_size(path, ec) == 0 && !ec)
    return refused("ファイルが空です。");
  if (!IsOpenablePicture(path)) return refused("GIF・PNG・JPEG・BMPのファイルを選んでください。");
  try {
    return {platform::LoadPicture(path), {}};
  } catch (const platform::RuntimeError& e) {
    if (e.Number() == platform::kErrOutOfMemory)
      return refused("イメージが大きすぎて読み込めません（メモリ不足）。");
    if (e.Number() == platform::kErrInvalidPicture) {
      char signature[3] = {};
      std::ifstream(path, std::ios::binary).read(signature, 3);
      return refused(std::string(signature, 3) == "GIF"
                         ? "GIFファイルが壊れていて読み込めません。"
                         : "イメージのファイルではないか、壊れていて読み込めません。");
    }
    return refused(e.Description());
  }
}

std::string ChooseGifToSave(platform::CommonDialog& cd) {
  try {
    cd.CancelError = true;
    // Not "the file must exist": the series and the comment are saved under new names.
    cd.Flags = 0;
    cd.Filter = kSaveGifFilter;
    cd.FileName.clear();
    cd.ShowSave();
    return cd.FileName;
  } catch (...) {
    return {};
  }
}

bool OpenGifInEditor(MainWindow& main, const std::function<platform::Form*()>& editorWindow,
                     const std::function<bool()>& mayReplace) {
  const std::string path = ChooseGifToOpen(main.CD());
  if (path.empty()) return false;
  // Both picture objects are read before anything changes, so a file that cannot be read
  // leaves every window as it was.
  const OpenedPicture first = OpenPictureFile(path);
  if (!first.error.empty()) {
    ShowMessage(first.error);
    return false;
  }
  const OpenedPicture second = OpenPictureFile(path);
  if (!second.error.empty()) {
    ShowMessage(second.error);
    return false;
  }
  if (mayReplace && !mayReplace()) return false;
  platform::Form* form = nullptr;
  IgnoreErrors([&] { form = editorWindow(); });
  if (!form) return false;
  IgnoreErrors([&] { form->show(); });
  IgnoreErrors([&] {
    // The position is inside the main window's client area: the MDI frame of the child.
    QWidget* frame = form->parentWidget() ? form->parentWidget() : form;
    const int px = platform::ScaleToPixels(10, platform::kScaleTwips);
    frame->move(px, px);
    main.KeepInside(frame);
  });
  auto* editor = dynamic_cast<EditorWindow*>(form);
  if (!editor) return false;
  IgnoreErrors([&] { editor->IM1().SetPicture(first.picture); });
  IgnoreErrors([&] { editor->IM2().SetPicture(second.picture); });
  return true;
}

void LoadPictureIntoSaveEditor(TransparencyWindow& editor, platform::CommonDialog& cd,
                               int16_t mode) {
  if (mode != 1 && mode != 2) return;
  const std::string path = ChooseBmpOrJpgToOpen(cd);
  if (path.empty()) return;
  std::string lower = path;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (mode == 1 && !EndsWithExtension(lower, "bmp")) {
    ShowMessageAbout("BMPファイルを選んでください。", path);
    return;
  }
  if (mode == 2 && !EndsWithExtension(lower, "bmp") && !EndsWithExtension(lower, "jpg")) {
    ShowMessageAbout("BMPかJPEGのファイルを選んでください。", path);
    return;
  }
  const OpenedPicture opened = OpenPictureFile(path);
  if (!opened.error.empty()) {
    ShowMessage(opened.error);
    return;
  }
  if (mode == 1) {
    editor.IM1().SetPicture(opened.picture);
    return;
  }
  // The new picture takes the place of a composite that may not have been saved.
  if (editor.CompositeUnsaved() && !AskYesNo(kDiscardCompositeQuestion)) return;
  editor.IM2().SetPicture(opened.picture);
  editor.ForgetComposite();
}

void ClearEditorPictures(platform::Form* form) {
  if (auto* dialog5 = dynamic_cast<TransparencyWindow*>(form)) {
    IgnoreErrors([&] { dialog5->IM1().SetPicture(platform::LoadPicture("")); });
    IgnoreErrors([&] { dialog5->IM2().SetPicture(platform::LoadPicture("")); });
    dialog5->ForgetComposite();
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
