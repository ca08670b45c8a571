// Convert: each method sets the code of the stage it enters before starting it, so whatever
// fails inside a stage is reported with that stage's code.
#include "jpegconvert/convert.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/kernel/err.h"
#include "platform/kernel/files.h"
#include "platform/kernel/staged_file.h"
#include "platform/picture/picture.h"
#include "savejpg/savejpg.h"

namespace tessaly {

namespace {

const bool kRegistered = platform::RegisterComClass(kProgIdConvert, kClsidConvert,
                                                    [] { return std::make_shared<Convert>(); });

// The length of a file, or -1 when it cannot be examined (missing, a folder, no access).
int64_t FileLength(const std::string& path) {
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  if (::access(path.c_str(), R_OK) != 0) return -1;
  return st.st_size;
}

// Writes the bitmap under a temporary name beside the target and renames it when complete, so
// a failure leaves neither a partial file nor a damaged earlier one.
void SaveBitmapWhole(const platform::Picture& picture, const std::string& path) {
  if (path.empty()) throw platform::RuntimeError(platform::kErrPathFileAccess);
  platform::StagedFile staged(path, "tessaly");
  if (!staged.Valid()) throw platform::RuntimeError(platform::kErrPathNotFound);
  staged.Close();
  platform::SavePicture(picture, staged.TempPath());
  if (staged.Commit(true) != 0) throw platform::RuntimeError(platform::kErrPathFileAccess);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long length = ok ? std::ftell(f) : -1;
  ok = length >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    bytes.resize(static_cast<size_t>(length));
    ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
  }
  return std::fclose(f) == 0 && ok;
}

// A new, empty file in the system temporary folder; "" when none can be made.
std::string TemporaryFileName() {
  const std::string folder = platform::GetTempFolder();
  return folder.empty() ? std::string() : platform::MakeUniqueTempFile(folder, "Tessaly");
}

}  // namespace

int32_t _Convert::BMPtoJPG(const Variant& vBmpF, const Variant& vJpgF, uint8_t vRate) {
  Variant progress = false;
  return BMPtoJPG(vBmpF, vJpgF, vRate, progress);
}

int32_t _Convert::ToMemoryJPG(const Variant& vBmpF, uint8_t vRate) {
  Variant progress = false;
  return ToMemoryJPG(vBmpF, vRate, progress);
}

Convert::Convert() {
  (void)kRegistered;
}

int32_t Convert::BMPtoJPG(const Variant& vBmpF, const Variant& vJpgF, uint8_t vRate,
                          Variant& vPrgrs) {
  int32_t code = kConvertInputUnreadable;
  try {
    // Both paths are taken here: a target that is no string would otherwise fail under the
    // writer's stage, whose code reads as success.
    std::string bmp, jpg;
    if (!VariantToString(vBmpF, bmp) || !VariantToString(vJpgF, jpg)) return code;
    const int64_t length = FileLength(bmp);
    if (length < 0) return code;
    if (length == 0) return kConvertInputEmpty;
    code = kConvertStage3;
    if (vRate == 0 || vRate > 100) return code;
    code = kConvertStage4;
    bool progress = false;
    if (!VariantToBool(vPrgrs, progress)) return code;
    vPrgrs = progress;
    code = kConvertOk;
    return SavetoJPEG(bmp.c_str(), jpg.c_str(), vRate, progress ? -1 : 0);
  } catch (...) {
    return code;
  }
}

int32_t Convert::JPGtoBMP(const Variant& vJpgF, const Variant& vBmpF) {
  int32_t code = kConvertInputUnreadable;
  try {
    std::string jpg, bmp;
    if (!VariantToString(vJpgF, jpg) || !VariantToString(vBmpF, bmp)) return code;
    const int64_t length = FileLength(jpg);
    if (length < 0) return code;
    if (length == 0) return kConvertInputEmpty;
    code = kConvertStage3;
    const platform::Picture picture = platform::LoadPicture(jpg);
    code = kConvertStage4;
    SaveBitmapWhole(picture, bmp);
    return kConvertOk;
  } catch (...) {
    return code;
  }
}

template <class Inner>
int32_t Convert::ToMemory(Inner&& inner) {
  const std::string temp = TemporaryFileName();
  // The name request made the file; it goes whichever way this call ends.
  struct Remover {
    const std::string& path;
    ~Remover() {
      if (!path.empty()) platform::RemoveFileIfExists(path);
    }
  } remover{temp};

  const int32_t r = inner(Variant(temp));
  if (r != kConvertOk) return r;
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(temp, bytes)) throw platform::RuntimeError(platform::kErrPathFileAccess);
  if (!platform::RemoveFileIfExists(temp))
    throw platform::RuntimeError(platform::kErrPathFileAccess);
  memory_ = std::move(bytes);
  return kConvertOk;
}

int32_t Convert::ToMemoryBMP(const Variant& vJpgF) {
  return ToMemory([&](const Variant& t) { return JPGtoBMP(vJpgF, t); });
}

int32_t Convert::ToMemoryJPG(const Variant& vBmpF, uint8_t vRate, Variant& vPrgrs) {
  return ToMemory([&](const Variant& t) { return BMPtoJPG(vBmpF, t, vRate, vPrgrs); });
}

}  // namespace tessaly
