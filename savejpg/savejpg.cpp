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
#include <climits>
#include <memory>
#include <string>

#include "platform/gdi/device_context.h"
#include "platform/kernel/err.h"
#include "platform/kernel/staged_file.h"
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

// Rows of pixels as the encoder takes them: `first` is the top row, `step` the distance in
// bytes to the next row down (negative for a bottom-up bitmap).
struct Rows {
  const uint8_t* first;
  ptrdiff_t step;
  int width, height;
  J_COLOR_SPACE space;
  int components;
};

// Keeps no C++ object with a destructor in this frame, since the encoder's errors leave it by
// longjmp.
int16_t Encode(std::FILE* out, const Rows& rows, int quality, SaveJpgProgressFn report,
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
  cinfo.image_width = static_cast<JDIMENSION>(rows.width);
  cinfo.image_height = static_cast<JDIMENSION>(rows.height);
  cinfo.input_components = rows.components;
  cinfo.in_color_space = rows.space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);

  int lastPercent = -1;
  JSAMPROW batch[kRowsPerCall];
  while (cinfo.next_scanline < cinfo.image_height) {
    const int first = static_cast<int>(cinfo.next_scanline);
    int count = 0;
    for (; count < kRowsPerCall && first + count < rows.height; ++count)
      batch[count] = const_cast<JSAMPROW>(rows.first + (first + count) * rows.step);
    jpeg_write_scanlines(&cinfo, batch, static_cast<JDIMENSION>(count));
    if (report) {
      const int percent = static_cast<int>(int64_t{cinfo.next_scanline} * 99 / rows.height);
      if (percent != lastPercent) report(lastPercent = percent, context);
    }
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return kSaveJpgOk;
}

// RGB32 lies in memory as B, G, R, X on little-endian machines.
Rows RowsOf(const QImage& image) {
  return {image.constScanLine(0),
          image.bytesPerLine(),
          image.width(),
          image.height(),
          Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB,
          4};
}

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The common bitmap, uncompressed 24-bit, is encoded straight from the file's bytes: decoding
// it into a picture first would cost more than the encoding. Anything else goes to the loader.
// The file is read, not mapped, so that another program cutting it short cannot crash ours.
class Bitmap24 {
 public:
  // The rows when `path` is a whole uncompressed 24-bit bitmap with an info header.
  bool Read(const char* path, Rows& rows) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool read = ReadFrom(fd, rows);
    ::close(fd);
    return read;
  }

 private:
  static bool ReadAt(int fd, uint8_t* to, size_t size, off_t at) {
    while (size > 0) {
      const ssize_t n = ::pread(fd, to, size, at);
      if (n <= 0) return false;
      to += n;
      size -= static_cast<size_t>(n);
      at += n;
    }
    return true;
  }

  bool ReadFrom(int fd, Rows& rows) {
    struct stat st;
    uint8_t h[54];
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !ReadAt(fd, h, sizeof h, 0)) return false;
    if (h[0] != 'B' || h[1] != 'M') return false;
    const uint32_t offset = Le32(h + 10), header = Le32(h + 14);
    const auto width = static_cast<int32_t>(Le32(h + 18));
    const auto height = static_cast<int32_t>(Le32(h + 22));
    const uint16_t planes = h[26] | h[27] << 8, bits = h[28] | h[29] << 8;
    const uint32_t compression = Le32(h + 30);
    // Only the header sizes every reader knows (info, V4, V5): the loader refuses others.
    const bool knownHeader = header == 40 || header == 108 || header == 124;
    if (!knownHeader || 14 + uint64_t{header} > offset || planes != 1 || bits != 24 ||
        compression != 0 || width <= 0 || height == 0 || height == INT32_MIN)
      return false;
    const int32_t lines = height < 0 ? -height : height;
    if (width > JPEG_MAX_DIMENSION || lines > JPEG_MAX_DIMENSION) return false;
    const uint64_t stride = (uint64_t{static_cast<uint32_t>(width)} * 3 + 3) & ~uint64_t{3};
    const uint64_t size = stride * static_cast<uint64_t>(lines);
    if (offset + size > static_cast<uint64_t>(st.st_size)) return false;
    pixels_ = std::make_unique_for_overwrite<uint8_t[]>(size);
    if (!ReadAt(fd, pixels_.get(), size, offset)) return false;
    const auto step = static_cast<ptrdiff_t>(stride);
    const uint8_t* top = height < 0 ? pixels_.get() : pixels_.get() + (lines - 1) * step;
    rows = Rows{top, height < 0 ? step : -step, width, lines, JCS_EXT_BGR, 3};
    return true;
  }

  std::unique_ptr<uint8_t[]> pixels_;
};

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

// Encodes rows into jpgPath through a temporary file beside it, renamed only when complete.
int16_t WriteJpeg(const Rows& rows, const char* jpgPath, uint8_t rate, int16_t progress) {
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

  // Removed on every way out but the move into place, a throwing progress callback included.
  platform::StagedFile staged(jpgPath, "savejpg");
  if (!staged.Valid()) return kSaveJpgCannotCreate;
  std::FILE* out = fdopen(staged.Descriptor(), "wb");
  if (!out) return kSaveJpgCannotCreate;
  staged.Release();
  int16_t result = Encode(out, rows, rate, report, context);
  const bool flushed = std::fflush(out) == 0 && !std::ferror(out);
  const bool closed = std::fclose(out) == 0;
  if (result == kSaveJpgOk && (!flushed || !closed)) result = kSaveJpgWriteFailed;
  if (result == kSaveJpgOk && staged.Commit(true) != 0) result = kSaveJpgWriteFailed;
  if (result != kSaveJpgOk) return result;
  if (report) report(100, context);
  return kSaveJpgOk;
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
    Bitmap24 bitmap;
    QImage image;
    Rows rows;
    if (!bitmap.Read(bmpPath, rows)) {
      try {
        image = OpaqueRgb32(platform::LoadPicture(bmpPath)->Image());
      } catch (const platform::RuntimeError& e) {
        return e.Number() == platform::kErrFileNotFound ? kSaveJpgSourceMissing
                                                        : kSaveJpgNotPicture;
      }
      if (image.isNull()) return kSaveJpgEncoderFailed;
      rows = RowsOf(image);
    }
    if (rows.width > JPEG_MAX_DIMENSION || rows.height > JPEG_MAX_DIMENSION)
      return kSaveJpgTooLarge;

    return WriteJpeg(rows, jpgPath, rate, progress);
  } catch (...) {
    return kSaveJpgEncoderFailed;  // out of memory while loading or converting
  }
}

extern "C" SAVEJPG_API int16_t DCSavetoJPEG(uint32_t hdc, int32_t width, int32_t height,
                                            const char* jpgPath, uint8_t quality) {
  if (!jpgPath || !*jpgPath) return kSaveJpgBadArgument;
  if (quality == 0 || quality > 100) return kSaveJpgBadRate;
  if (width < 1 || height < 1) return kSaveJpgBadArgument;
  if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) return kSaveJpgTooLarge;
  try {
    // The null handle would make a context compatible with the screen, which shows nothing.
    if (hdc == 0) return kSaveJpgBadDeviceContext;
    // Copy what the context shows into a bitmap of our own, then release everything made here.
    const platform::Hdc memory = platform::CreateCompatibleDC(hdc);
    if (!memory) return kSaveJpgBadDeviceContext;
    const platform::HBitmap bitmap = platform::CreateBitmap(width, height, 1, 32, nullptr);
    const platform::HGdiObj previous = bitmap ? platform::SelectObject(memory, bitmap) : 0;
    const bool copied =
        previous && platform::BitBlt(memory, 0, 0, width, height, hdc, 0, 0, platform::kRopSrcCopy);
    platform::SelectObject(memory, previous);
    const QImage image = copied ? OpaqueRgb32(platform::BitmapImage(bitmap)) : QImage();
    platform::DeleteDC(memory);
    platform::DeleteObject(bitmap);
    if (!copied) return kSaveJpgBadDeviceContext;
    if (image.isNull()) return kSaveJpgEncoderFailed;
    return WriteJpeg(RowsOf(image), jpgPath, quality, 0);
  } catch (...) {
    return kSaveJpgEncoderFailed;
  }
}
