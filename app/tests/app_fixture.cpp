#include "app/tests/app_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>

#include "app/editors/colour/colour_series.h"
#include "app/editors/mesh/mesh_series.h"
#include "app/editors/rotation/rotation_series.h"
#include "app/editors/transparency/result_capture.h"
#include "app/preview_pacer.h"
#include "app/windows.h"
#include "giflib/object/vesk_gif_object.h"
#include "giflib/tests/pictures.h"

namespace kestrin::testing {

ScopedCaptureFolder::ScopedCaptureFolder(const std::string& folder) {
  SetAppFolderForTesting(folder);
  SetCaptureWaitForTesting(std::chrono::milliseconds(0));
}
ScopedCaptureFolder::~ScopedCaptureFolder() {
  SetAppFolderForTesting("");
  SetCaptureWaitForTesting(std::chrono::milliseconds(2000));
}

platform::Picture Stripes(int w, int h, int colours) {
  std::vector<uint8_t> idx(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      idx[static_cast<size_t>(y) * w + x] =
          x == 0 || y == 0 || x == w - 1 || y == h - 1
              ? 0
              : static_cast<uint8_t>(1 + ((x + y) / 4) % (colours - 1));
  return pellory::testing::MakeIndexedPicture(w, h, pellory::testing::DistinctPalette(colours),
                                              idx);
}

void WriteGif(const platform::Picture& picture, const std::string& path) {
  pellory::Vesk_GifObject gif;
  gif.TempPathMode(pellory::TempSystem);
  ASSERT_TRUE(gif.SetPicture(picture));
  ASSERT_TRUE(gif.SaveGifPicture(path)) << gif.ErrorNumber();
}

std::vector<std::string> Texts(const platform::ScriptedMessageBoxes& boxes) {
  std::vector<std::string> texts;
  for (const auto& m : boxes.shown) texts.push_back(m.text);
  return texts;
}

void SaveScreenshot(QWidget& window, const std::string& name) {
  QDir().mkpath(KESTRIN_SCREENSHOT_DIR);
  QWidget& top = window.window() ? *window.window() : window;
  top.grab().save(
      QString::fromStdString(std::string(KESTRIN_SCREENSHOT_DIR) + "/" + name + ".png"));
}

void Settle() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool SamePixels(const platform::Picture& a, const platform::Picture& b) {
  if (!a || !b) return a == b;
  return a->Image().convertToFormat(QImage::Format_RGB32) ==
         b->Image().convertToFormat(QImage::Format_RGB32);
}

void AppTest::SetUp() {
  boxes_ = std::make_shared<platform::ScriptedMessageBoxes>();
  files_ = std::make_shared<platform::ScriptedFileDialogs>();
  previousBoxes_ = platform::SetMessageBoxBackend(boxes_);
  previousFiles_ = platform::SetFileDialogBackend(files_);
  // Work left unsaved by an earlier test is not this test's to be asked about.
  ProgramRotationState().unsaved = false;
  ProgramColourState().unsaved = false;
  ProgramMeshState().unsaved = false;
  SetPreviewWaitForTesting([this](int ms) {
    previewWaits_.push_back(ms);
    QCoreApplication::processEvents();
  });
}

void AppTest::TearDown() {
  windows::UnloadAll();
  Settle();
  platform::SetMessageBoxBackend(previousBoxes_);
  platform::SetFileDialogBackend(previousFiles_);
  SetPreviewWaitForTesting(nullptr);
}

}  // namespace kestrin::testing
