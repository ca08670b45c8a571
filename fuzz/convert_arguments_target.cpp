// Convert's variant arguments made from the input: each call's code names the first stage
// whose argument is wrong, the progress argument is written back exactly when the conversion
// is reached, and nothing is written outside the scratch folder.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz/scratch.h"
#include "fuzz/targets.h"
#include "jpegconvert/convert.h"

namespace kestrin::fuzz {

namespace {

using tessaly::Variant;

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::string Text() {
    std::string s;
    for (size_t n = Byte() % 24; n > 0 && pos_ < size_; --n) s += static_cast<char>(Byte());
    return s;
  }
  Variant Value() {
    switch (Byte() % 7) {
      case 0:
        return std::monostate{};
      case 1:
        return tessaly::Null{};
      case 2:
        return Byte() % 2 == 1;
      case 3:
        return static_cast<int16_t>(Byte() << 8 | Byte());
      case 4:
        return static_cast<int32_t>(Byte() << 24 | Byte() << 16 | Byte() << 8 | Byte());
      case 5: {
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits = bits << 8 | Byte();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
      }
      default:
        return Text();
    }
  }

 private:
  const uint8_t* data_;
  size_t size_, pos_ = 0;
};

// A path argument: usually one of the given names, else any value. Whatever reads as a string
// names a file inside the scratch folder, so the calls never reach elsewhere.
template <size_t N>
Variant PathArgument(Reader& in, const Scratch& scratch, const char* const (&names)[N]) {
  const uint8_t pick = in.Byte();
  if (pick < 192) return scratch.File(names[pick % N]);
  Variant v = in.Value();
  std::string text;
  if (!std::holds_alternative<std::monostate>(v) && tessaly::VariantToString(v, text)) {
    std::string name;
    for (char c : text) name += c == '/' || c == '\0' ? '_' : c;
    v = scratch.File("arg-" + name);
  }
  return v;
}

void Prepare(const Scratch& scratch) {
  static const bool done = [&] {
    // A 2 x 1 24-bit bitmap, bottom-up.
    static const uint8_t kBmp[] = {'B', 'M', 62, 0, 0, 0, 0,   0, 0, 0, 54, 0,   0,  0, 40, 0,
                                   0,   0,   2,  0, 0, 0, 1,   0, 0, 0, 1,  0,   24, 0, 0,  0,
                                   0,   0,   8,  0, 0, 0, 0,   0, 0, 0, 0,  0,   0,  0, 0,  0,
                                   0,   0,   0,  0, 0, 0, 255, 0, 0, 0, 0,  255, 0,  0};
    scratch.Write("picture.bmp", kBmp, sizeof kBmp);
    scratch.Write("empty.bmp", nullptr, 0);
    static const uint8_t kText[] = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'};
    scratch.Write("text.bmp", kText, sizeof kText);
    ::setenv("TMPDIR", scratch.TempFolder().c_str(), 1);
    return true;
  }();
  (void)done;
}

// Equal values, a NaN equal to itself: an untouched argument keeps its very bits.
bool Same(const Variant& a, const Variant& b) {
  const double* x = std::get_if<double>(&a);
  const double* y = std::get_if<double>(&b);
  if (x && y) return std::memcmp(x, y, sizeof *x) == 0;
  return a == b;
}

std::string Show(int32_t code) {
  return std::to_string(code);
}

}  // namespace

std::string ConvertArgumentsTarget(const uint8_t* data, size_t size) {
  const Scratch& scratch = Scratch::Get();
  Prepare(scratch);
  Reader in(data, size);
  static const char* const kInputs[] = {"picture.bmp", "empty.bmp", "text.bmp", "missing.bmp"};
  static const char* const kOutputs[] = {"out.jpg", "no-folder/out.jpg", "picture.bmp/x.jpg"};
  const Variant bmp = PathArgument(in, scratch, kInputs);
  const Variant jpg = PathArgument(in, scratch, kOutputs);
  const uint8_t rate = in.Byte();
  const Variant original = in.Value();

  std::string bmpPath, jpgPath;
  const bool bmpText = tessaly::VariantToString(bmp, bmpPath);
  const bool jpgText = tessaly::VariantToString(jpg, jpgPath);
  bool flag = false;
  const bool convertible = tessaly::VariantToBool(original, flag);
  std::error_code ec;
  const bool exists = bmpText && std::filesystem::is_regular_file(bmpPath, ec);
  const bool empty = exists && std::filesystem::file_size(bmpPath, ec) == 0;
  // The code of the first stage whose argument is wrong, 0 when the writer is reached; the
  // conversions into memory name their own target.
  const auto stage = [&](bool target) -> int32_t {
    if (!exists || !target) return -1;
    if (empty) return -2;
    if (rate == 0 || rate > 100) return -3;
    return convertible ? 0 : -4;
  };
  const int32_t expected = stage(jpgText);

  tessaly::Convert convert;
  Variant progress = original;
  const int32_t r = convert.BMPtoJPG(bmp, jpg, rate, progress);
  if (expected < 0 && r != expected)
    return "BMPtoJPG gave " + Show(r) + " where the stage fails with " + Show(expected);
  if (expected == 0 && r < 0) return "BMPtoJPG gave " + Show(r) + " for sound arguments";
  if (!Same(progress, expected == 0 ? Variant(flag) : original))
    return "the progress argument was written back wrongly";
  if (r == 0 && !std::filesystem::is_regular_file(jpgPath, ec))
    return "BMPtoJPG succeeded without a file";
  if (r == 0) std::remove(jpgPath.c_str());

  // The same arguments into memory: the same stage fails, and no temporary file either way.
  progress = original;
  const int32_t m = convert.ToMemoryJPG(bmp, rate, progress);
  const int32_t expectedMemory = stage(true);
  if (expectedMemory < 0 ? m != expectedMemory : m < 0)
    return "ToMemoryJPG gave " + Show(m) + " where the stage gives " + Show(expectedMemory);
  if (!Same(progress, expectedMemory == 0 ? Variant(flag) : original))
    return "ToMemoryJPG wrote the progress argument back wrongly";
  if (scratch.TempEntries() != 0) return "ToMemoryJPG left a temporary file";
  if ((m == 0) == convert.Memory().empty()) return "Memory does not match the result";
  const int32_t b = convert.ToMemoryBMP(bmp);
  if (scratch.TempEntries() != 0) return "ToMemoryBMP left a temporary file";
  if (b > 0 || b < -3) return "ToMemoryBMP gave " + Show(b);
  return {};
}

}  // namespace kestrin::fuzz
