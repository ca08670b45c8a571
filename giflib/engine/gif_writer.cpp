#include "giflib/engine/gif_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "giflib/engine/conversions.h"
#include "giflib/engine/error_record.h"
#include "giflib/engine/lzw_encoder.h"
#include "platform/gdi/index_bits.h"
#include "platform/kernel/err.h"

namespace pellory::engine {
namespace {

constexpr uint32_t kClearCode = 256;
constexpr uint32_t kEndCode = 257;
// A decoder adds one table entry per code after the first of a group. Starting from 258 entries,
// 253 literals after the first clear and 254 after each later one stay below 512 entries, so
// the code width never leaves 9 bits.
constexpr size_t kFirstGroupPixels = 253;
constexpr size_t kLaterGroupPixels = 254;
// The packer stores whole 64-bit words ahead of the stream end.
constexpr size_t kPackSlack = 16;

constexpr int32_t kMaxGifDimension = 32767;
constexpr uint8_t kGlobalTableFlag = 0x80;
constexpr uint8_t kSortFlag = 0x08;
constexpr size_t kMaxSubBlock = 255;
// Header, largest table, control extension, descriptor and code size.
constexpr size_t kMaxHeadBytes = 13 + 3 * 256 + 8 + 10 + 1;
// 4096 full sub-blocks per write.
constexpr size_t kStagingBytes = 4096 * (kMaxSubBlock + 1);

inline uint64_t LoadLE64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  return v;
}

inline void StoreLE64(uint8_t* p, uint64_t v) {
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  std::memcpy(p, &v, 8);
}

// Moves bytes 0..6 of `p` to bit positions 0, 9, 18, ... 54, leaving a zero ninth bit after each:
// seven literal codes side by side. Bytes move by 4, 2 and 1 bits in turn, largest first, so no
// byte ever overlaps one that has not moved yet.
inline uint64_t Spread7(uint64_t p) {
  uint64_t x = p & 0x00FF'FFFF'FFFF'FFFFull;
  constexpr uint64_t kBy4 = 0x00FF'FFFF'0000'0000ull;  // bytes 4, 5, 6
  x = (x & ~kBy4) | ((x & kBy4) << 4);
  constexpr uint64_t kBy2 = 0x0FF0'0000'FFFF'0000ull;  // bytes 2, 3 and byte 6 (now at 52)
  x = (x & ~kBy2) | ((x & kBy2) << 2);
  constexpr uint64_t kBy1 = 0x000F'F003'FC00'FF00ull;  // byte 1, byte 3 (at 26), byte 5 (at 44)
  x = (x & ~kBy1) | ((x & kBy1) << 1);
  return x;
}

// Packs 9-bit codes least significant bit first. Between calls fewer than 8 bits are pending,
// so a 64-bit accumulator always has room for the next code.
class CodePacker {
 public:
  explicit CodePacker(uint8_t* out) : out_(out) {}

  void Put(uint32_t code) {
    acc_ |= uint64_t{code} << bits_;
    bits_ += 9;
    StoreLE64(out_, acc_);
    out_ += bits_ >> 3;
    acc_ >>= bits_ & ~7u;
    bits_ &= 7;
  }

  // Eight literals are 72 bits, exactly nine bytes: the pending bit count does not change.
  void Put8(const uint8_t* pixels) {
    const uint64_t p = LoadLE64(pixels);
    const uint64_t lo = Spread7(p) | (p >> 56) << 63;  // bit 0 of pixel 7 completes the word
    const uint64_t hi = p >> 57;                       // its other seven bits
    const uint64_t w0 = (lo << bits_) | acc_;
    const uint64_t w1 = (hi << bits_) | ((lo >> 1) >> (63 - bits_));
    StoreLE64(out_, w0);
    out_[8] = static_cast<uint8_t>(w1);
    acc_ = w1 >> 8;
    out_ += 9;
  }

  void PutRun(const uint8_t* pixels, size_t count) {
    for (; count >= 8; count -= 8, pixels += 8) Put8(pixels);
    for (; count > 0; --count) Put(*pixels++);
  }

  uint8_t* Finish() {
    if (bits_ > 0) *out_++ = static_cast<uint8_t>(acc_);
    return out_;
  }

  // The bytes before this point are complete; the pending bits are not yet among them.
  uint8_t* Position() const { return out_; }
  // Goes on writing at `out`, where the caller has moved the bytes not yet taken.
  void MoveTo(uint8_t* out) { out_ = out; }

 private:
  uint8_t* out_;
  uint64_t acc_ = 0;
  unsigned bits_ = 0;
};

// The literal codes of `n` indices as ChangeLZW makes them: a clear code first and after every
// full group, the end code last. `afterGroup` runs after each group; false from it stops.
template <class AfterGroup>
bool PutLiteralGroups(CodePacker& packer, const uint8_t* pixels, size_t n,
                      AfterGroup&& afterGroup) {
  packer.Put(kClearCode);
  size_t left = n;
  size_t group = kFirstGroupPixels;
  while (left > 0) {
    const size_t take = std::min(group, left);
    packer.PutRun(pixels, take);
    pixels += take;
    left -= take;
    if (take == group) packer.Put(kClearCode);
    group = kLaterGroupPixels;
    if (!afterGroup()) return false;
  }
  packer.Put(kEndCode);
  return true;
}

// Records `number` with the run-time detail of the exception being handled.
bool InGifRange(int32_t v) {
  return v >= 1 && v <= kMaxGifDimension;
}

// Smallest size code whose table (2 << code entries) holds `entries`; -1 beyond 256.
int SizeCodeFor(size_t entries) {
  if (entries > 256) return -1;
  int code = 0;
  while ((size_t{2} << code) < entries) ++code;
  return code;
}

// A 64-bit fingerprint of the indices, eight at a time; equal fingerprints are only a hint, and
// are confirmed against the indices themselves.
uint64_t Fingerprint(const std::vector<uint8_t>& pixels) {
  const uint8_t* p = pixels.data();
  const size_t n = pixels.size();
  uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    h = (h ^ w) * 0x100000001B3ull;
    h ^= h >> 29;
  }
  for (; i < n; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
  return h;
}

void Append(std::vector<uint8_t>& out, const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  out.insert(out.end(), p, p + size);
}

}  // namespace

int ColorTableEntries(uint8_t screenFlags) {
  return 2 << (screenFlags & 0x07);
}

bool ChangeLZW(const std::vector<uint8_t>& bitmapData, std::vector<uint8_t>& codeBytes) {
  SetProcName("ChangeLZW");
  try {
    const size_t n = bitmapData.size();
    if (n == 0) {
      RecordModuleError(kErrLzw, kStyleStop);
      return false;
    }
    const size_t codes = n + 2 + (n + 1) / kLaterGroupPixels;
    const size_t bytes = (codes * 9 + 7) / 8;
    codeBytes.resize(bytes + kPackSlack);

    CodePacker packer(codeBytes.data());
    PutLiteralGroups(packer, bitmapData.data(), n, [] { return true; });
    codeBytes.resize(static_cast<size_t>(packer.Finish() - codeBytes.data()));
    return true;
  } catch (...) {
    codeBytes.clear();
    RecordCaughtAs(kErrLzw);
    return false;
  }
}

bool SetGifFormatParm(const Vesk_GifPictureType& picture, GifHeaderRecord& header) {
  return RunProcedure(
      "SetGifFormatParm",
      [&] {
        const Vesk_GifSettingType& s = picture.GifSetting;
        std::array<uint8_t, 2> width{}, height{};
        // The table is written whole and padded up to the size its code announces, so the code
        // follows the entries actually held.
        const int sizeCode = SizeCodeFor(picture.ColorTable.size());
        if (!InGifRange(s.biWidth) || !InGifRange(s.biHeight) ||
            !WordToBytes(static_cast<int16_t>(s.biWidth), width) ||
            !WordToBytes(static_cast<int16_t>(s.biHeight), height) || sizeCode < 0) {
          RecordModuleError(kErrHeader, kStyleStop);
          return false;
        }
        // A decoder has no colour for an index past the table as written, padding included: such a
        // file does not conform, so no header is made for it.
        const size_t entries = size_t{2} << sizeCode;
        if (entries < 256 &&
            platform::IndexBits(picture.BitmapData.data(), picture.BitmapData.size()) >= entries) {
          RecordModuleError(kErrHeader, kStyleStop);
          return false;
        }
        const bool transparent = s.Transparent == TransOn;

        GifHeaderRecord h{};
        std::memcpy(h.Signature, "GIF", 3);
        std::memcpy(h.Version, "89a", 3);
        std::memcpy(h.ScreenWidth, width.data(), 2);
        std::memcpy(h.ScreenHeight, height.data(), 2);
        h.ScreenFlags =
            static_cast<uint8_t>(kGlobalTableFlag | (s.Sort ? kSortFlag : 0) | sizeCode);
        h.BackColorIndex = s.BackColorIndex;
        h.AspectRatio = 0;
        h.ExtIntroducer = 0x21;
        h.ControlLabel = 0xF9;
        h.ControlBlockSize = 4;
        h.ControlFlags = transparent ? 0x01 : 0x00;
        h.TransColorIndex = transparent ? s.TransColorIndex : 0;
        h.ControlTerminator = 0;
        h.ImageSeparator = 0x2C;
        std::memcpy(h.ImageWidth, width.data(), 2);
        std::memcpy(h.ImageHeight, height.data(), 2);
        h.ImageFlags = 0;
        header = h;
        return true;
      },
      kErrHeader);
}

namespace {

// The records before the code stream, after the checks both writers make; false (with the error
// recorded) for a file no decoder would read back as the picture.
bool AppendRecords(std::vector<uint8_t>& out, const GifHeaderRecord& header,
                   const std::vector<Vesk_GIFRGBTRIPLE>& colorTable, bool hasCodes,
                   uint8_t minCodeSize) {
  const size_t entries = static_cast<size_t>(ColorTableEntries(header.ScreenFlags));
  if (colorTable.size() > entries || !hasCodes || minCodeSize < 2 || minCodeSize > 8) {
    RecordModuleError(kErrFile, kStyleStop);
    return false;
  }
  Append(out, header.Signature, 3);
  Append(out, header.Version, 3);
  Append(out, header.ScreenWidth, 2);
  Append(out, header.ScreenHeight, 2);
  out.insert(out.end(), {header.ScreenFlags, header.BackColorIndex, header.AspectRatio});
  for (const Vesk_GIFRGBTRIPLE& e : colorTable) out.insert(out.end(), {e.gRed, e.gGreen, e.gBlue});
  out.resize(out.size() + 3 * (entries - colorTable.size()), 0);  // black padding entries
  out.insert(out.end(), {header.ExtIntroducer, header.ControlLabel, header.ControlBlockSize,
                         header.ControlFlags});
  Append(out, header.DelayTime, 2);
  out.insert(out.end(), {header.TransColorIndex, header.ControlTerminator, header.ImageSeparator});
  Append(out, header.ImageLeft, 2);
  Append(out, header.ImageTop, 2);
  Append(out, header.ImageWidth, 2);
  Append(out, header.ImageHeight, 2);
  out.insert(out.end(), {header.ImageFlags, minCodeSize});  // LZW minimum code size
  return true;
}

// Code bytes as sub-blocks of 255 bytes, the last one shorter. `flush` is handed the bytes
// gathered so far whenever the next sub-block would take them past `staging`; false when it fails.
template <class Flush>
bool AppendSubBlocks(std::vector<uint8_t>& out, const uint8_t* src, size_t size, size_t staging,
                     Flush&& flush) {
  for (size_t left = size; left > 0;) {
    const size_t k = std::min(left, kMaxSubBlock);
    if (out.size() + 1 + k > staging && !flush()) return false;
    out.push_back(static_cast<uint8_t>(k));
    out.insert(out.end(), src, src + k);
    src += k;
    left -= k;
  }
  return true;
}

void AppendTrailer(std::vector<uint8_t>& out) {
  out.insert(out.end(), {0x00, 0x3B});  // block terminator, trailer
}

// The code bytes as sub-blocks, then the block terminator and the trailer.
template <class Flush>
void AppendBlocks(std::vector<uint8_t>& out, const std::vector<uint8_t>& codeBytes, size_t staging,
                  Flush&& flush) {
  if (AppendSubBlocks(out, codeBytes.data(), codeBytes.size(), staging, flush)) AppendTrailer(out);
}

// What ChangeLZW makes of `n` indices followed by AppendBlocks, made a piece at a time: the codes
// of a few hundred groups go out as whole sub-blocks, the bytes short of one wait for the next.
template <class Flush>
void AppendLiteralBlocks(std::vector<uint8_t>& out, const uint8_t* pixels, size_t n, size_t staging,
                         Flush&& flush) {
  constexpr size_t kDrainAt = 256 * kMaxSubBlock;
  // One group's codes (254 literals and a clear code) and the packer's look-ahead fit past it.
  std::vector<uint8_t> codes(kDrainAt + 512 + kPackSlack);
  CodePacker packer(codes.data());
  auto drain = [&](bool last) {
    const size_t ready = static_cast<size_t>(packer.Position() - codes.data());
    const size_t take = last ? ready : ready - ready % kMaxSubBlock;
    if (!AppendSubBlocks(out, codes.data(), take, staging, flush)) return false;
    std::memmove(codes.data(), codes.data() + take, ready - take);
    packer.MoveTo(codes.data() + (ready - take));
    return true;
  };
  if (!PutLiteralGroups(packer, pixels, n, [&] {
        return packer.Position() - codes.data() < static_cast<ptrdiff_t>(kDrainAt) || drain(false);
      }))
    return;
  packer.MoveTo(packer.Finish());
  if (drain(true)) AppendTrailer(out);
}

}  // namespace

bool MakeGifBytes(const GifHeaderRecord& header, const std::vector<Vesk_GIFRGBTRIPLE>& colorTable,
                  const std::vector<uint8_t>& codeBytes, std::vector<uint8_t>& bytes,
                  uint8_t minCodeSize) {
  return RunProcedure(
      "MakeGifFile",
      [&] {
        std::vector<uint8_t> out;
        out.reserve(kMaxHeadBytes + codeBytes.size() + codeBytes.size() / kMaxSubBlock + 3);
        if (!AppendRecords(out, header, colorTable, !codeBytes.empty(), minCodeSize)) return false;
        AppendBlocks(out, codeBytes, SIZE_MAX, [] { return true; });
        bytes = std::move(out);
        return true;
      },
      kErrFile);
}

namespace {

// Writes the records, then whatever `blocks(out, flush)` appends (the sub-blocks and trailer),
// to a new file; `codeSize` is the number of code bytes when known, to size the staging buffer.
template <class Blocks>
bool WriteGifFile(const GifHeaderRecord& header, const std::vector<Vesk_GIFRGBTRIPLE>& colorTable,
                  size_t codeSize, const std::string& fileName, uint8_t minCodeSize,
                  Blocks&& blocks) {
  SetProcName("MakeGifFile");
  std::FILE* file = nullptr;
  try {
    // The records go out together with the first sub-blocks; the sub-blocks follow through a
    // small reused buffer, since a file-sized one costs more in fresh pages than it saves.
    std::vector<uint8_t> out;
    out.reserve(std::min(kStagingBytes, kMaxHeadBytes + codeSize + codeSize / 255 + 3));
    if (!AppendRecords(out, header, colorTable, codeSize > 0, minCodeSize)) return false;

    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(fileName, ec);
    if (fs::exists(st) && !fs::is_directory(st) && !fs::remove(fileName, ec)) {
      RecordFileError(ec.value());
      return false;
    }
    file = std::fopen(fileName.c_str(), "wb");
    if (!file) {
      RecordFileError(errno);
      return false;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);  // the staging buffer already batches the writes
    bool written = true;
    auto flush = [&] {
      written = written && std::fwrite(out.data(), 1, out.size(), file) == out.size();
      out.clear();
      return written;
    };
    blocks(out, flush);
    flush();
    int err = errno;
    const bool closed = std::fclose(file) == 0;
    if (written && !closed) err = errno;
    file = nullptr;
    if (!written || !closed) {
      // A partial file would be taken for a picture; callers never ask to keep it.
      fs::remove(fileName, ec);
      RecordFileError(err);
      return false;
    }
    return true;
  } catch (...) {
    if (file) {
      std::fclose(file);
      std::error_code ec;
      std::filesystem::remove(fileName, ec);
    }
    RecordCaughtAs(kErrFile);
    return false;
  }
}

}  // namespace

bool MakeGifFile(const GifHeaderRecord& header, const std::vector<Vesk_GIFRGBTRIPLE>& colorTable,
                 const std::vector<uint8_t>& codeBytes, const std::string& fileName,
                 uint8_t minCodeSize) {
  return WriteGifFile(header, colorTable, codeBytes.size(), fileName, minCodeSize,
                      [&](std::vector<uint8_t>& out, auto& flush) {
                        AppendBlocks(out, codeBytes, kStagingBytes, flush);
                      });
}

bool MakeLiteralGifFile(const GifHeaderRecord& header,
                        const std::vector<Vesk_GIFRGBTRIPLE>& colorTable,
                        const std::vector<uint8_t>& bitmapData, const std::string& fileName) {
  if (bitmapData.empty()) {
    std::vector<uint8_t> none;
    return ChangeLZW(bitmapData, none);  // records what it records for no pixels
  }
  // The literal codes take 9 bits an index, and a few more: never nothing.
  const size_t codeSize = bitmapData.size() + bitmapData.size() / 8 + 3;
  return WriteGifFile(
      header, colorTable, codeSize, fileName, 8, [&](std::vector<uint8_t>& out, auto& flush) {
        AppendLiteralBlocks(out, bitmapData.data(), bitmapData.size(), kStagingBytes, flush);
      });
}

namespace {

// What both writers of a held picture do before the file: the header, and the code bytes, coded
// again or taken from `saved`. `codes` points at them; `local` holds them when nothing is saved.
bool PrepareGif(const Vesk_GifPictureType& picture, SavedCodes* saved, GifHeaderRecord& header,
                const std::vector<uint8_t>*& codes, std::vector<uint8_t>& local,
                uint8_t& minCodeSize) {
  const Vesk_GifSettingType& s = picture.GifSetting;
  const size_t n = picture.BitmapData.size();
  // Empty data and bad dimensions are left to ChangeLZW and SetGifFormatParm; a size that
  // disagrees with valid dimensions would give a file whose rows are cut or run short.
  if (n != 0 && InGifRange(s.biWidth) && InGifRange(s.biHeight) &&
      n != static_cast<size_t>(s.biWidth) * static_cast<size_t>(s.biHeight)) {
    RecordModuleError(kErrLzw, kStyleStop);
    return false;
  }
  if (s.Compression == LzwCodes) {
    if (n == 0) {
      RecordModuleError(kErrLzw, kStyleStop);
      return false;
    }
    // The header's checks come first: they prove every index fits the table's code size.
    if (!SetGifFormatParm(picture, header)) return false;
    const int codeSize = LzwMinimumCodeSize(size_t{2} << (header.ScreenFlags & 0x07));
    SavedCodes unsaved;
    SavedCodes& memo = saved ? *saved : unsaved;
    const uint64_t fingerprint = Fingerprint(picture.BitmapData);
    const bool same = memo.minCodeSize == codeSize && memo.fingerprint == fingerprint;
    if (!same || memo.indices != picture.BitmapData) {
      // A repeat the copy cannot confirm is coded again, and the copy kept for the next.
      const bool keepCopy = saved && same;
      memo.minCodeSize = 0;  // until the codes are complete
      std::vector<uint8_t>().swap(memo.indices);
      EncodeLzw(picture.BitmapData.data(), n, codeSize, memo.codes);
      if (keepCopy) memo.indices = picture.BitmapData;
      memo.fingerprint = fingerprint;
      memo.minCodeSize = codeSize;
    }
    if (!saved) local = std::move(unsaved.codes);
    codes = saved ? &saved->codes : &local;
    minCodeSize = static_cast<uint8_t>(codeSize);
    return true;
  }
  std::vector<uint8_t>& codeBytes = saved ? saved->literal : local;
  if (!ChangeLZW(picture.BitmapData, codeBytes)) return false;
  if (!SetGifFormatParm(picture, header)) return false;
  codes = &codeBytes;
  minCodeSize = 8;
  return true;
}

// Prepares a held picture's header and codes, then hands them to `write` (to a file or to memory).
template <class Write>
bool WriteHeldPicture(const Vesk_GifPictureType& picture, SavedCodes* saved, Write&& write) {
  return RunProcedure("Actual_SaveGifPicture", [&] {
    GifHeaderRecord header{};
    const std::vector<uint8_t>* codes = nullptr;
    std::vector<uint8_t> local;
    uint8_t minCodeSize = 8;
    if (!PrepareGif(picture, saved, header, codes, local, minCodeSize)) return false;
    return write(header, *codes, minCodeSize);
  });
}

}  // namespace

bool Actual_SaveGifPicture(const Vesk_GifPictureType& picture, const std::string& fileName,
                           SavedCodes* saved) {
  return WriteHeldPicture(
      picture, saved,
      [&](const GifHeaderRecord& header, const std::vector<uint8_t>& codes, uint8_t size) {
        return MakeGifFile(header, picture.ColorTable, codes, fileName, size);
      });
}

bool Actual_GifBytes(const Vesk_GifPictureType& picture, std::vector<uint8_t>& bytes,
                     SavedCodes* saved) {
  return WriteHeldPicture(
      picture, saved,
      [&](const GifHeaderRecord& header, const std::vector<uint8_t>& codes, uint8_t size) {
        return MakeGifBytes(header, picture.ColorTable, codes, bytes, size);
      });
}

}  // namespace pellory::engine
