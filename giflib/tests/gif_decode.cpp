#include "giflib/tests/gif_decode.h"

#include <gif_lib.h>

#include <cstdlib>
#include <filesystem>

namespace pellory::testing {

DecodedGif DecodeGif(const std::string& path) {
  DecodedGif out;
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
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

}  // namespace pellory::testing
