// Kestrin: the main window with the rotation editor as its start-up window, or a batch command
// ("kestrin rotate ...") run without any window.
#include <QApplication>
#include <QFont>
#include <cstdio>
#include <cstdlib>

#include "app/cli/cli.h"
#include "app/qt_translations.h"
#include "app/windows.h"

namespace {

bool DisplayAvailable() {
  return std::getenv("QT_QPA_PLATFORM") || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
  if (kestrin::cli::IsBatchInvocation(argc, argv)) return kestrin::cli::RunFromMain(argc, argv);
  if (!DisplayAvailable()) {
    std::fprintf(stderr,
                 "kestrin: no display available (set DISPLAY, or QT_QPA_PLATFORM=offscreen)\n");
    return 2;
  }
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  // Qt's own dialogs in Japanese when the translation is installed; in English otherwise.
  kestrin::InstallQtTranslations();
  // The Japanese UI is drawn with the IPA fonts.
  QFont ui(QStringLiteral("IPAPGothic"));
  ui.setPixelSize(12);
  QApplication::setFont(ui);
  // The start-up window is the rotation editor; as an MDI child it brings up MDIF1 first.
  kestrin::windows::Dialog();
  return app.exec();
}
