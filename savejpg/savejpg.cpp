// SavetoJPEG: a bitmap file read by the platform's picture loader, encoded by libjpeg-turbo
// straight from the loaded rows, written under a temporary name beside the target and renamed
// when complete.
#include "savejpg/savejpg.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// clang-format off
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <QApplication>
#include <QPainter>
#include <QProgressDialog>
#include <memory>
#include <string>

#include "platform/kernel/err.h"
#include "platform/picture/picture.h"

namespace {

SaveJpgProgressFn g_progressFn = nullptr;
void* g_progressContext = nullptr;

// Rows handed to the encoder per call: enough to amortise the call, few enough for smooth
// progress.
constexpr int kRowsPerCall = 16;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void OnJpegMessage(j_common_ptr) {}  // a library's warnings are not ours to print

// Keeps no C++ object with a destructor in this frame, since the encoder's errors leave it by
// longjmp. `image` is RGB32, which lies in memory as B, G, R, X on little-endian machines.
int16_t Encode(std::FILE* out, const QImage& image, int quality, SaveJpgProgressFn report,
               void* context) {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnJpegError;
  err.pub.output_message = OnJpegMessage;
  if (setjmp(err.jump)) {
    const int code = err.pub.msg_code;
    jpeg_destroy_compress(&cinfo);
    return code == JERR_FILE_WRITE ? kSaveJpgWriteFailed : kSaveJpgEncoderFailed;
  }
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, out);
  cinfo.image_width = static_cast<JDIMENSION>(image.width());
  cinfo.image_height = static_cast<JDIMENSION>(image.height());
  cinfo.input_components = 4;
  cinfo.in_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);

  const int height = image.height();
  int lastPercent = -1;
  JSAMPROW rows[kRowsPerCall];
  while (cinfo.next_scanline < cinfo.image_height) {
    const int first = static_cast<int>(cinfo.next_scanline);
    int count = 0;
    for (; count < kRowsPerCall && first + count < height; ++count)
      rows[count] = const_cast<JSAMPROW>(image.constScanLine(first + count));
    jpeg_write_scanlines(&cinfo, rows, static_cast<JDIMENSION>(count));
    if (report) {
      const int percent = static_cast<int>(int64_t{cinfo.next_scanline} * 99 / height);
      if (percent != lastPercent) report(lastPercent = percent, context);
    }
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return kSaveJpgOk;
}

// Transparent areas are flattened onto the same near-white the platform's bitmap saver uses.
QImage OpaqueRgb32(const QImage& source) {
  if (source.format() == QImage::Format_RGB32) return source;
  QImage image = source.convertToFormat(QImage::Format_ARGB32);
  if (!image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_RGB32);
  QImage flat(image.size(), QImage::Format_RGB32);
  flat.fill(qRgb(254, 254, 254));
  QPainter painter(&flat);
  painter.drawImage(0, 0, image);
  return flat;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The progress window for a widget application without a callback of its own; Qt shows it
// only once the save looks like taking more than half a second.
class ProgressWindow {
 public:
  ProgressWindow() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    dialog_ = std::make_unique<QProgressDialog>(QStringLiteral("JPEG ファイルを書いています"),
                                                QString(), 0, 100);
    dialog_->setWindowTitle(QStringLiteral("JPEG 保存"));
    dialog_->setWindowModality(Qt::ApplicationModal);  // setValue then keeps the window drawn
    dialog_->setMinimumDuration(500);
    dialog_->setValue(0);
  }
  bool active() const { return dialog_ != nullptr; }
  static void Report(int percent, void* self) {
    static_cast<ProgressWindow*>(self)->dialog_->setValue(percent);
  }

 private:
  std::unique_ptr<QProgressDialog> dialog_;
};

mode_t CreationMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

extern "C" SAVEJPG_API void SetSavetoJPEGProgress(SaveJpgProgressFn fn, void* context) {
  g_progressFn = fn;
  g_progressContext = context;
}

extern "C" SAVEJPG_API int16_t SavetoJPEG(const char* bmpPath, const char* jpgPath, uint8_t rate,
                                          int16_t progress) {
  if (!bmpPath || !jpgPath || !*bmpPath || !*jpgPath) return kSaveJpgBadArgument;
  if (rate == 0 || rate > 100) return kSaveJpgBadRate;
  try {
    QImage image;
    try {
      image = OpaqueRgb32(platform::LoadPicture(bmpPath)->Image());
    } catch (const platform::RuntimeError& e) {
      return e.Number() == platform::kErrFileNotFound ? kSaveJpgSourceMissing : kSaveJpgNotPicture;
    }
    if (image.isNull()) return kSaveJpgEncoderFailed;

    SaveJpgProgressFn report = nullptr;
    void* context = nullptr;
    std::unique_ptr<ProgressWindow> window;
    if (progress && g_progressFn) {
      report = g_progressFn;
      context = g_progressContext;
    } else if (progress) {
      window = std::make_unique<ProgressWindow>();
      if (window->active()) {
        report = ProgressWindow::Report;
        context = window.get();
      }
    }

    std::string temp = FolderOf(jpgPath) + "/.savejpg-XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return kSaveJpgCannotCreate;
    fchmod(fd, CreationMode());  // mkstemp's 0600 would hide the picture from other users
    std::FILE* out = fdopen(fd, "wb");
    if (!out) {
      close(fd);
      unlink(temp.c_str());
      return kSaveJpgCannotCreate;
    }
    int16_t result = Encode(out, image, rate, report, context);
    const bool flushed = std::fflush(out) == 0 && !std::ferror(out);
    const bool closed = std::fclose(out) == 0;
    if (result == kSaveJpgOk && (!flushed || !closed)) result = kSaveJpgWriteFailed;
    if (result == kSaveJpgOk && std::rename(temp.c_str(), jpgPath) != 0)
      result = kSaveJpgWriteFailed;
    if (result != kSaveJpgOk) {
      unlink(temp.c_str());
      return result;
    }
    if (report) report(100, context);
    return kSaveJpgOk;
  } catch (...) {
    return kSaveJpgEncoderFailed;  // out of memory while loading or converting
  }
}
