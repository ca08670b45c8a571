// Any file handed to Tessaly's Convert as the picture to convert, both ways and into memory:
// the codes stay within the documented ones, what it writes is a picture of the loaded size,
// Memory equals the file, and no temporary or partial file stays.
#include <QImageReader>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/scratch.h"
#include "fuzz/targets.h"
#include "jpegconvert/convert.h"
#include "platform/kernel/err.h"
#include "platform/picture/picture.h"

namespace kestrin::fuzz {

namespace {

void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// A header may claim millions of pixels; such pictures take the same paths, only slower.
constexpr int64_t kMaxPixels = int64_t{1} << 18;

void SetUpOnce() {
  static const bool done = [] {
    QImageReader::setAllocationLimit(4);
    qInstallMessageHandler(Quiet);
    // The conversions into memory ask the system for their temporary names here.
    ::setenv("TMPDIR", Scratch::Get().TempFolder().c_str(), 1);
    return true;
  }();
  (void)done;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What a failed call must not leave: its output, a temporary name beside it, or a temporary
// file of the conversions into memory.
std::string Leftovers(const Scratch& scratch) {
  if (scratch.TempEntries() != 0) return "a temporary file stayed";
  for (const auto& e : std::filesystem::directory_iterator(scratch.File(""))) {
    const std::string name = e.path().filename().string();
    if (name == "out.bmp" || name == "out.jpg" || name.rfind(".savejpg-", 0) == 0 ||
        name.rfind(".tessaly-", 0) == 0)
      return "a file stayed: " + name;
  }
  return {};
}

}  // namespace

std::string ConvertInputTarget(const uint8_t* data, size_t size) {
  SetUpOnce();
  Scratch& scratch = Scratch::Get();
  const std::string input = scratch.Write("input", data, size);
  const std::string bmp = scratch.File("out.bmp"), jpg = scratch.File("out.jpg");
  const QSize claimed = QImageReader(QString::fromStdString(input)).size();
  if (claimed.isValid() && int64_t{claimed.width()} * claimed.height() > kMaxPixels) return {};

  // The size the platform's loader gives, which both conversions must keep (an empty size when
  // it refuses the file).
  QSize loaded;
  try {
    loaded = platform::LoadPicture(input)->Image().size();
  } catch (const platform::RuntimeError&) {
  }

  tessaly::Convert convert;
  // As the JPEG to turn into a bitmap.
  const int32_t toBmp = convert.JPGtoBMP(input, bmp);
  if (size == 0 && toBmp != -2) return "an empty file gave " + std::to_string(toBmp);
  if (toBmp != 0 && toBmp != -2 && toBmp != -3) return "JPGtoBMP gave " + std::to_string(toBmp);
  if (toBmp == 0) {
    const QImage written(QString::fromStdString(bmp), "BMP");
    if (written.isNull()) return "JPGtoBMP wrote a bitmap Qt cannot read";
    if (written.size() != loaded) return "JPGtoBMP changed the picture's size";
    if (convert.ToMemoryBMP(input) != 0) return "ToMemoryBMP failed where JPGtoBMP succeeded";
    if (convert.Memory() != ReadAll(bmp)) return "Memory differs from the bitmap file";
    std::remove(bmp.c_str());
  } else if (convert.ToMemoryBMP(input) != toBmp) {
    return "ToMemoryBMP and JPGtoBMP disagree";
  }
  if (std::string fault = Leftovers(scratch); !fault.empty()) return "to bitmap: " + fault;

  // As the bitmap to turn into a JPEG.
  tessaly::Variant progress = false;
  const int32_t toJpg = convert.BMPtoJPG(input, jpg, 75, progress);
  if (toJpg == 0) {
    const QImage written(QString::fromStdString(jpg), "JPG");
    if (written.isNull()) return "BMPtoJPG wrote a JPEG Qt cannot read";
    if (written.size() != loaded) return "BMPtoJPG changed the picture's size";
    progress = false;
    if (convert.ToMemoryJPG(input, 75, progress) != 0) return "ToMemoryJPG failed";
    if (convert.Memory() != ReadAll(jpg)) return "Memory differs from the JPEG file";
    std::remove(jpg.c_str());
  } else if (toJpg == 8) {
    // JPEG holds at most 65500 pixels a side.
    if (loaded.width() <= 65500 && loaded.height() <= 65500)
      return "BMPtoJPG called a picture of " + std::to_string(loaded.width()) + " x " +
             std::to_string(loaded.height()) + " too large";
  } else if (toJpg != -2 && toJpg != 4) {
    return "BMPtoJPG gave " + std::to_string(toJpg);
  }
  if (std::string fault = Leftovers(scratch); !fault.empty()) return "to JPEG: " + fault;
  return {};
}

}  // namespace kestrin::fuzz
