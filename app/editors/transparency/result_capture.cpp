#include "app/editors/transparency/result_capture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QTemporaryFile>
#include <cmath>
#include <cstdlib>

#include "app/editors/transparency/transparency_window.h"
#include "app/message.h"
#include "platform/forms/application.h"
#include "platform/gdi/device_context.h"
#include "platform/kernel/err.h"

namespace kestrin {

namespace {

std::string& AppFolderOverride() {
  static std::string folder;
  return folder;
}

std::chrono::milliseconds& CaptureWait() {
  static std::chrono::milliseconds wait{2000};
  return wait;
}

// Makes the folder when it is missing and proves that a file can be written in it.
bool FolderUsable(const QString& folder) {
  if (!QDir().mkpath(folder)) return false;
  QTemporaryFile probe(folder + "/XXXXXX.probe");
  return probe.open();
}

// The hourglass while the window settles: the program answers clicks but does nothing visible
// for two seconds.
class BusyCursor {
 public:
  BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// Only the bitmaps: whatever else the user keeps in the folder stays.
void RemoveBitmaps(const QString& folder) {
  QDir dir(folder, "*.bmp", QDir::NoSort, QDir::Files | QDir::Hidden);
  for (const QString& name : dir.entryList()) dir.remove(name);
}

}  // namespace

std::string AppFolder() {
  if (!AppFolderOverride().empty()) return AppFolderOverride();
  return QCoreApplication::applicationDirPath().toStdString();
}

void SetAppFolderForTesting(const std::string& folder) {
  AppFolderOverride() = folder;
}

std::string UserCacheFolder() {
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.cache";
  return QDir::homePath().toStdString() + "/.cache";
}

std::string TempBmpFolder() {
  // Beside the program as it has always been, when that can be written; an installed program's
  // folder belongs to root, so its users get one of their own.
  const std::string beside = AppFolder() + "/一時ファイル/";
  if (FolderUsable(QString::fromStdString(beside))) return beside;
  return UserCacheFolder() + "/kestrin/一時ファイル/";
}

std::string TempBmpPath() {
  return TempBmpFolder() + "itiji.bmp";
}

void SetCaptureWaitForTesting(std::chrono::milliseconds wait) {
  CaptureWait() = wait;
}

bool CaptureResultToTempBmp(TransparencyWindow& window) {
  const QString folder = QString::fromStdString(TempBmpFolder());
  if (!FolderUsable(folder)) {
    ShowMessage("一時ファイルのフォルダ「" + TempBmpFolder() +
                "」を作れないか、書き込めません。フォルダの場所と権限を確かめてください。");
    return false;
  }

  // Let the window finish painting what the copy is about to read.
  QPointer<TransparencyWindow> guard(&window);
  QElapsedTimer t0;
  t0.start();
  {
    const BusyCursor busy;
    while (t0.elapsed() < CaptureWait().count()) {
      platform::DoEvents();
      if (!guard || window.Unloaded()) return false;
    }
  }

  platform::ImageControl& imr = window.IMR();
  platform::PictureBox& im4 = window.IM4();
  QWidget* container = imr.Container() ? imr.Container()->Widget() : &window;
  const platform::Hdc shown = platform::GetDC(container);
  im4.SetWidth(0);
  im4.SetHeight(0);
  im4.SetWidth(imr.Width());
  im4.SetHeight(imr.Height());
  // The numbers as the image reports them, taken as pixels.
  platform::BitBlt(im4.hDC(), 0, 0, RoundToLong(imr.Width()) + 2, RoundToLong(imr.Height()) + 2,
                   shown, RoundToLong(imr.Left()), RoundToLong(imr.Top()), platform::kRopSrcCopy);
  platform::ReleaseDC(container, shown);
  im4.Refresh();

  RemoveBitmaps(folder);
  try {
    platform::SavePicture(im4.Image(), TempBmpPath());
  } catch (const platform::RuntimeError&) {
    ShowMessage("一時ファイル「" + TempBmpPath() + "」を保存できませんでした。");
    return false;
  }
  return true;
}

}  // namespace kestrin
