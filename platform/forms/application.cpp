#include "platform/forms/application.h"

#include <QApplication>
#include <QThread>
#include <cstdlib>

namespace platform {

bool EnsureApplication() {
  if (QCoreApplication::instance())
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "kestrin";
  static char* argv[] = {name, nullptr};
  // Never destroyed: global objects of the toolkit may still need it while the process ends.
  static QApplication* app = new QApplication(argc, argv);
  return app != nullptr;
}

bool IsGuiThread() {
  return QCoreApplication::instance() &&
         QThread::currentThread() == QCoreApplication::instance()->thread();
}

void DoEvents() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

}  // namespace platform
