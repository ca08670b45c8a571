// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' workflow as a user of an installed, read-only Kestrin meets it: a GIF opened
// through the File menu, a rotation series built and saved, and a piece floated and laid down in
// the transparency editor and saved as GIF. Nothing the program writes may need its own folder or
// its libraries' folder. Dialogs are scripted; a message box is a failure.
// Usage: kestrin_installed_workflow INPUT.gif OUTPUT_FOLDER
#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/editors/rotation/rotation_window.h"
#include "app/editors/transparency/result_capture.h"
#include "app/editors/transparency/transparency_window.h"
#include "app/main_window.h"
#include "app/windows.h"
#include "platform/dialogs/file_dialog.h"
#include "platform/dialogs/message_box.h"
#include "platform/forms/application.h"
#include "platform/picture/picture.h"

namespace {

namespace fs = std::filesystem;
using namespace kestrin;

int failures = 0;

void Check(bool ok, const std::string& what) {
  if (!ok) {
    std::fprintf(stderr, "installed workflow: %s\n", what.c_str());
    ++failures;
  }
}

void Settle() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s INPUT.gif OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const std::string input = argv[1], out = argv[2];
  auto boxes = std::make_shared<platform::ScriptedMessageBoxes>();
  auto files = std::make_shared<platform::ScriptedFileDialogs>();
  platform::SetMessageBoxBackend(boxes);
  platform::SetFileDialogBackend(files);
  SetCaptureWaitForTesting(std::chrono::milliseconds(0));

  // Rotation: open, build 0, 30 and 60 degrees, save.
  files->answers.push_back(input);
  windows::MDIF1().MenuItem("munOpen")->trigger();
  Settle();
  RotationWindow& r = windows::Dialog();
  r.kakudo().SetText("90");
  r.Text1().SetText("30");
  r.Option1().SetValue(true);
  r.Command1().click();
  files->answers.push_back(out + "/series.gif");
  r.Command3().click();
  for (const char* name : {"R0.gif", "R30.gif", "R60.gif"})
    Check(fs::is_regular_file(out + "/" + name), std::string("no frame ") + name);

  // Transparency: both pictures from one bitmap (the editor opens bitmaps), a piece floated and
  // laid down, the result saved as GIF.
  const std::string bitmap = out + "/picture.bmp";
  platform::SavePicture(platform::LoadPicture(input), bitmap);
  windows::MDIF1().MenuItem("OpenT")->trigger();
  Settle();
  TransparencyWindow& t = windows::Dialog5();
  files->answers.push_back(bitmap);
  t.Command5(0).click();
  files->answers.push_back(bitmap);
  t.Command5(1).click();
  t.IML().Move(2, 2, 8, 8);
  t.Command4().click();
  Check(t.Floating(), "the piece did not float");
  Check(fs::is_regular_file(TempBmpPath()), "no capture at " + TempBmpPath());
  t.Command4().click();
  t.GIF1().SetValue(true);
  files->answers.push_back(out + "/result");
  t.Command2().click();
  Check(fs::is_regular_file(out + "/result.gif"), "no result.gif");
  std::printf("capture folder: %s\n", TempBmpFolder().c_str());

  for (const auto& m : boxes->shown) Check(false, "message: " + m.text);
  windows::UnloadAll();
  Settle();
  return failures == 0 ? 0 : 1;
}
