#include "giflib/engine/gif_animation.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

#include "giflib/engine/error_record.h"
#include "giflib/engine/file_utility.h"

namespace pellory::engine {

namespace {

constexpr int32_t kErrHeader = 2103;
constexpr int32_t kMaxGifDimension = 32767;

// The colour table of a frame: its entries, padded with black to a power of two that also
// covers every index the frame uses (giflib masks indices to the table's size).
ColorMapObject* MakeColorMap(const Vesk_GifPictureType& p) {
  int used = static_cast<int>(p.ColorTable.size());
  for (uint8_t i : p.BitmapData) used = std::max(used, i + 1);
  int size = 2;
  while (size < used) size <<= 1;
  std::vector<GifColorType> colours(size, GifColorType{0, 0, 0});
  for (size_t i = 0; i < p.ColorTable.size() && i < colours.size(); ++i)
    colours[i] = {p.ColorTable[i].gRed, p.ColorTable[i].gGreen, p.ColorTable[i].gBlue};
  return GifMakeMapObject(size, colours.data());
}

struct MapDeleter {
  void operator()(ColorMapObject* m) const { GifFreeMapObject(m); }
};

bool FrameFits(const AnimationFrame& f, int32_t w, int32_t h) {
  if (!f.picture) return false;
  const Vesk_GifSettingType& s = f.picture->GifSetting;
  return s.biWidth >= 1 && s.biHeight >= 1 && f.left >= 0 && f.top >= 0 &&
         f.left + s.biWidth <= w && f.top + s.biHeight <= h && f.delayCs >= 0 &&
         f.delayCs <= 0xFFFF && f.picture->ColorTable.size() <= 256 &&
         f.picture->BitmapData.size() ==
             static_cast<size_t>(s.biWidth) * static_cast<size_t>(s.biHeight);
}

// Writes everything into an open encoder; false on the first failing call.
bool SameMap(const ColorMapObject* a, const ColorMapObject* b) {
  return a->ColorCount == b->ColorCount &&
         std::memcmp(a->Colors, b->Colors, sizeof(GifColorType) * a->ColorCount) == 0;
}

bool Encode(GifFileType* gif, const std::vector<AnimationFrame>& frames, int32_t w, int32_t h,
            int32_t loopCount) {
  std::vector<std::unique_ptr<ColorMapObject, MapDeleter>> maps;
  for (const AnimationFrame& f : frames) {
    maps.emplace_back(MakeColorMap(*f.picture));
    if (!maps.back()) return false;
  }
  // A series whose frames share one palette (a turn, a mesh) writes it once.
  const bool shared = std::all_of(maps.begin(), maps.end(),
                                  [&](const auto& m) { return SameMap(m.get(), maps[0].get()); });
  EGifSetGifVersion(gif, true);
  if (EGifPutScreenDesc(gif, w, h, 8, 0, shared ? maps[0].get() : nullptr) != GIF_OK) return false;
  // Loop count: the NETSCAPE2.0 application extension, sub-block 1.
  const uint8_t loop[3] = {1, static_cast<uint8_t>(loopCount & 0xFF),
                           static_cast<uint8_t>((loopCount >> 8) & 0xFF)};
  if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
      EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") != GIF_OK ||
      EGifPutExtensionBlock(gif, 3, loop) != GIF_OK || EGifPutExtensionTrailer(gif) != GIF_OK)
    return false;

  std::vector<GifPixelType> row;
  for (size_t n = 0; n < frames.size(); ++n) {
    const AnimationFrame& f = frames[n];
    const Vesk_GifPictureType& p = *f.picture;
    const Vesk_GifSettingType& s = p.GifSetting;
    // Each frame is cleared to the background before the next, so smaller frames leave no trail.
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSE_BACKGROUND;
    gcb.UserInputFlag = false;
    gcb.DelayTime = f.delayCs;
    gcb.TransparentColor = s.Transparent == TransOn ? s.TransColorIndex : NO_TRANSPARENT_COLOR;
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) != GIF_OK) return false;

    if (EGifPutImageDesc(gif, f.left, f.top, s.biWidth, s.biHeight, false,
                         shared ? nullptr : maps[n].get()) != GIF_OK)
      return false;
    row.resize(s.biWidth);
    for (int32_t y = 0; y < s.biHeight; ++y) {
      // giflib masks the line in place: it gets a copy.
      std::memcpy(row.data(), p.BitmapData.data() + static_cast<size_t>(y) * s.biWidth,
                  static_cast<size_t>(s.biWidth));
      if (EGifPutLine(gif, row.data(), s.biWidth) != GIF_OK) return false;
    }
  }
  return true;
}

// A new file beside the target, with the permissions an ordinary new file gets (mkstemp's
// would stay owner-only once linked into place).
int CreateTemp(const std::string& folder, std::string& path) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "/.pellory-anim-%08x", random());
    path = folder + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

bool WriteAnimatedGif(const std::vector<AnimationFrame>& frames, int32_t screenWidth,
                      int32_t screenHeight, int32_t loopCount, const std::string& fileName) {
  return RunProcedure("WriteAnimatedGif", [&] {
    if (frames.empty() || screenWidth < 1 || screenHeight < 1 || screenWidth > kMaxGifDimension ||
        screenHeight > kMaxGifDimension || loopCount < 0 || loopCount > 0xFFFF) {
      RecordModuleError(kErrHeader, kStyleStop);
      return false;
    }
    for (const AnimationFrame& f : frames) {
      if (!FrameFits(f, screenWidth, screenHeight)) {
        RecordModuleError(kErrHeader, kStyleStop);
        return false;
      }
    }

    std::string temp;
    const std::string folder = GetParentFolder(fileName);
    const int fd = CreateTemp(folder.empty() ? "." : folder, temp);
    if (fd < 0) {
      RecordFileError(errno);
      return false;
    }
    int gifError = 0;
    GifFileType* gif = EGifOpenFileHandle(fd, &gifError);  // owns fd from here
    if (!gif) {
      ::close(fd);
      ::unlink(temp.c_str());
      RecordFileError(EIO);
      return false;
    }
    const bool encoded = Encode(gif, frames, screenWidth, screenHeight, loopCount);
    const bool closed = EGifCloseFile(gif, &gifError) == GIF_OK;
    if (!encoded || !closed) {
      ::unlink(temp.c_str());
      RecordFileError(EIO);
      return false;
    }
    // A link fails where a file already is, so nothing that appeared meanwhile is replaced.
    if (::link(temp.c_str(), fileName.c_str()) != 0) {
      const int err = errno;
      ::unlink(temp.c_str());
      RecordFileError(err);
      return false;
    }
    ::unlink(temp.c_str());
    return true;
  });
}

}  // namespace pellory::engine
