#include "giflib/tests/gif_decode.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace pellory::testing {

namespace {

struct MemoryReader {
  const std::vector<uint8_t>* bytes;
  size_t at = 0;
};

int ReadMemory(GifFileType* gif, GifByteType* out, int count) {
  auto* reader = static_cast<MemoryReader*>(gif->UserData);
  const size_t n = std::min(static_cast<size_t>(count), reader->bytes->size() - reader->at);
  std::copy_n(reader->bytes->data() + reader->at, n, out);
  reader->at += n;
  return static_cast<int>(n);
}

DecodedGif Decode(GifFileType* gif, int error);

}  // namespace

DecodedGif DecodeGif(const std::string& path) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  return Decode(gif, error);
}

DecodedGif DecodeGifBytes(const std::vector<uint8_t>& bytes) {
  MemoryReader reader{&bytes};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, ReadMemory, &error);
  return Decode(gif, error);
}

namespace {

DecodedGif Decode(GifFileType* gif, int error) {
  DecodedGif out;
  if (!gif) {
    out.error = GifErrorString(error) ? GifErrorString(error) : "open failed";
    return out;
  }
  if (DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
    out.error = GifErrorString(gif->Error) ? GifErrorString(gif->Error) : "slurp failed";
    DGifCloseFile(gif, &error);
    return out;
  }
  out.width = gif->SWidth;
  out.height = gif->SHeight;
  out.colorResolution = gif->SColorResolution;
  out.sortFlag = gif->SColorMap && gif->SColorMap->SortFlag;
  out.background = gif->SBackGroundColor;
  if (gif->SColorMap) {
    for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
      const GifColorType& c = gif->SColorMap->Colors[i];
      out.palette.push_back({c.Red, c.Green, c.Blue});
    }
  }
  const SavedImage& image = gif->SavedImages[0];
  out.imageWidth = image.ImageDesc.Width;
  out.imageHeight = image.ImageDesc.Height;
  out.indices.assign(image.RasterBits, image.RasterBits + out.imageWidth * out.imageHeight);
  GraphicsControlBlock gcb;
  if (DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK) out.transparentIndex = gcb.TransparentColor;
  out.ok = true;
  DGifCloseFile(gif, &error);
  return out;
}

}  // namespace

DecodedAnimation DecodeAnimation(const std::string& path) {
  DecodedAnimation out;
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (!gif) {
    out.error = GifErrorString(error) ? GifErrorString(error) : "open failed";
    return out;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    out.error = GifErrorString(gif->Error) ? GifErrorString(gif->Error) : "slurp failed";
    DGifCloseFile(gif, &error);
    return out;
  }
  // The header as written; giflib's own answer is worked out from the extensions present.
  char header[7] = {};
  std::ifstream(path, std::ios::binary).read(header, 6);
  out.version = header;
  out.width = gif->SWidth;
  out.height = gif->SHeight;
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    DecodedFrame f;
    f.left = image.ImageDesc.Left;
    f.top = image.ImageDesc.Top;
    f.width = image.ImageDesc.Width;
    f.height = image.ImageDesc.Height;
    f.localMap = image.ImageDesc.ColorMap != nullptr;
    // The frame's own table, or the file's when it has none.
    if (const ColorMapObject* map =
            image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap)
      for (int c = 0; c < map->ColorCount; ++c)
        f.palette.push_back({map->Colors[c].Red, map->Colors[c].Green, map->Colors[c].Blue});
    f.indices.assign(image.RasterBits, image.RasterBits + f.width * f.height);
    GraphicsControlBlock gcb;
    if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
      f.delayCs = gcb.DelayTime;
      f.disposal = gcb.DisposalMode;
      f.transparentIndex = gcb.TransparentColor;
    }
    // The loop count rides in the sub-block after the application extension's identifier.
    for (int e = 0; e + 1 < image.ExtensionBlockCount; ++e) {
      const ExtensionBlock& id = image.ExtensionBlocks[e];
      const ExtensionBlock& data = image.ExtensionBlocks[e + 1];
      if (id.Function == APPLICATION_EXT_FUNC_CODE && id.ByteCount == 11 &&
          std::string(reinterpret_cast<const char*>(id.Bytes), 11) == "NETSCAPE2.0" &&
          data.ByteCount == 3 && data.Bytes[0] == 1)
        out.loopCount = data.Bytes[1] | (data.Bytes[2] << 8);
    }
    out.frames.push_back(std::move(f));
  }
  out.ok = true;
  DGifCloseFile(gif, &error);
  return out;
}

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrin-test-XXXXXX").string();
  if (char* made = ::mkdtemp(pattern.data())) path_ = made;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

int TempFolder::CountEntries() const {
  int n = 0;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(path_, ec);
       !ec && it != std::filesystem::directory_iterator(); ++it)
    ++n;
  return n;
}

namespace {

uint32_t Shown(const std::vector<Vesk_GIFRGBTRIPLE>& palette, uint8_t index) {
  const Vesk_GIFRGBTRIPLE& c = palette.at(index);
  return 0xFF000000u | c.gRed << 16 | c.gGreen << 8 | c.gBlue;
}

}  // namespace

std::vector<std::vector<uint32_t>> ComposeScreens(const DecodedAnimation& a, int rounds) {
  std::vector<std::vector<uint32_t>> screens;
  std::vector<uint32_t> screen(static_cast<size_t>(a.width) * a.height, 0);
  for (int round = 0; round < rounds; ++round) {
    for (const DecodedFrame& f : a.frames) {
      const std::vector<uint32_t> before = screen;
      for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
          const uint8_t i = f.indices.at(static_cast<size_t>(y) * f.width + x);
          if (i != f.transparentIndex)
            screen.at(static_cast<size_t>(f.top + y) * a.width + f.left + x) = Shown(f.palette, i);
        }
      screens.push_back(screen);
      if (f.disposal == 2) {
        for (int y = 0; y < f.height; ++y)
          std::fill_n(screen.begin() + static_cast<size_t>(f.top + y) * a.width + f.left, f.width,
                      0u);
      } else if (f.disposal == 3) {
        screen = before;
      }
    }
  }
  return screens;
}

std::vector<uint32_t> ScreenOf(const DecodedGif& picture, int screenWidth, int screenHeight,
                               int left, int top) {
  std::vector<uint32_t> screen(static_cast<size_t>(screenWidth) * screenHeight, 0);
  for (int y = 0; y < picture.imageHeight; ++y)
    for (int x = 0; x < picture.imageWidth; ++x) {
      const uint8_t i = picture.indices.at(static_cast<size_t>(y) * picture.imageWidth + x);
      if (i != picture.transparentIndex)
        screen.at(static_cast<size_t>(top + y) * screenWidth + left + x) =
            Shown(picture.palette, i);
    }
  return screen;
}

}  // namespace pellory::testing
