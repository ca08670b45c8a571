#include "giflib/object/picture_bridge.h"

#include <gtest/gtest.h>

#include <random>

#include "giflib/engine/error_record.h"
#include "giflib/engine/gif_writer.h"
#include "giflib/tests/gif_decode.h"
#include "giflib/tests/pictures.h"

namespace pellory::engine {
namespace {

// A returned picture must be exactly what decoding its temporary GIF gives.
TEST(PictureBridge, ReturnedPictureEqualsTheDecodedTemporaryGif) {
  std::mt19937 rng(5);
  testing::TempFolder dir;
  for (int round = 0; round < 60; ++round) {
    const int colours = 1 + rng() % 256;
    const int w = 1 + rng() % 50, h = 1 + rng() % 40;
    Vesk_GifPictureType p;
    p.GifSetting.biWidth = w;
    p.GifSetting.biHeight = h;
    p.GifSetting.PaletteSize = static_cast<int16_t>(colours);
    p.GifSetting.Transparent = rng() % 2 ? TransOn : TransOff;
    p.GifSetting.TransColorIndex = static_cast<uint8_t>(rng() % colours);
    p.GifSetting.BackColorIndex = static_cast<uint8_t>(rng() % colours);
    p.GifSetting.TempPathMode = UserCustom;
    p.GifSetting.TempPath = dir.path();
    p.ColorTable = testing::DistinctPalette(colours);
    for (auto& e : p.ColorTable) e.gBlue = static_cast<uint8_t>(rng());
    p.BitmapData.resize(static_cast<size_t>(w) * h);
    for (auto& i : p.BitmapData) i = static_cast<uint8_t>(rng() % colours);

    // Taken or copied, the indices come out the same; taken, they leave the picture (rows of
    // a multiple of four bytes are taken whole).
    const std::vector<uint8_t> indices = p.BitmapData;
    const bool take = round % 2 == 1;
    platform::Picture returned;
    ASSERT_TRUE(LoadTempGifFile(p, returned, take)) << PendingError().Number;
    ASSERT_EQ(dir.CountEntries(), 0);
    EXPECT_EQ(p.BitmapData.empty(), take && w % 4 == 0) << round;
    p.BitmapData = indices;

    std::vector<uint8_t> codes;
    GifHeaderRecord header{};
    ASSERT_TRUE(ChangeLZW(p.BitmapData, codes));
    ASSERT_TRUE(SetGifFormatParm(p, header));
    const std::string path = dir.File("decoded.gif");
    ASSERT_TRUE(MakeGifFile(header, p.ColorTable, codes, path));
    const platform::Picture decoded = platform::LoadPicture(path);
    std::remove(path.c_str());
    EXPECT_EQ(returned->Image().colorTable(), decoded->Image().colorTable()) << round;
    EXPECT_EQ(returned->Image(), decoded->Image()) << round;
  }
}

}  // namespace
}  // namespace pellory::engine
