// Vesk_GifAnimation: frames of different sizes centred on one screen, each with the palette,
// indices and transparency of the single file Vesk_GifObject writes for it; the loop and delays
// that viewers honour; files never replaced and never left half-written.
#include "giflib/object/vesk_gif_animation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "giflib/object/vesk_gif_object.h"
#include "giflib/tests/gif_decode.h"
#include "giflib/tests/pictures.h"

namespace pellory {
namespace {

namespace fs = std::filesystem;
using testing::DecodeAnimation;
using testing::DecodeGif;

// A w x h picture of `colours` colours in diagonal stripes; index 0 is transparent when asked.
Picture Frame(int w, int h, int colours, int seed, bool transparent) {
  std::vector<uint8_t> indices(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) indices[y * w + x] = static_cast<uint8_t>((x + y + seed) % colours);
  return testing::MakeIndexedPicture(w, h, testing::DistinctPalette(colours), indices,
                                     transparent ? 0 : -1);
}

class GifAnimationTest : public ::testing::Test {
 protected:
  std::string File(const std::string& name) { return temp_.File(name); }
  // Only the files the test itself named: no temporary file is left beside them.
  std::vector<std::string> Entries() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(temp_.path()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  testing::TempFolder temp_;
};

TEST_F(GifAnimationTest, FramesAreCentredWithTheirOwnPaletteIndicesDelayAndTransparency) {
  const std::vector<Picture> pictures = {Frame(30, 20, 5, 0, true), Frame(40, 36, 17, 3, false),
                                         Frame(11, 7, 2, 1, true)};
  Vesk_GifAnimation animation;
  animation.OptimizeFrames(false);  // the frames as they were given
  ASSERT_TRUE(animation.AddFrame(pictures[0], 10));
  ASSERT_TRUE(animation.AddFrame(pictures[1], 0));
  ASSERT_TRUE(animation.AddFrame(pictures[2], 65535));
  animation.LoopCount(3);
  EXPECT_EQ(animation.FrameCount(), 3);
  EXPECT_EQ(animation.ScreenWidth(), 40);
  EXPECT_EQ(animation.ScreenHeight(), 36);
  ASSERT_TRUE(animation.SaveAnimatedGif(File("anim.gif"))) << animation.ErrorNumber();

  const testing::DecodedAnimation a = DecodeAnimation(File("anim.gif"));
  ASSERT_TRUE(a.ok) << a.error;
  EXPECT_EQ(a.version, "GIF89a");
  EXPECT_EQ(a.width, 40);
  EXPECT_EQ(a.height, 36);
  EXPECT_EQ(a.loopCount, 3);
  ASSERT_EQ(a.frames.size(), 3u);
  const int delays[] = {10, 0, 65535};
  for (size_t i = 0; i < pictures.size(); ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    // The single file of the same picture is the reference.
    Vesk_GifObject gif;
    ASSERT_TRUE(gif.SetPicture(pictures[i]));
    const std::string single = File("single" + std::to_string(i) + ".gif");
    ASSERT_TRUE(gif.SaveGifPicture(single));
    const testing::DecodedGif want = DecodeGif(single);
    const testing::DecodedFrame& got = a.frames[i];
    EXPECT_EQ(got.width, want.imageWidth);
    EXPECT_EQ(got.height, want.imageHeight);
    EXPECT_EQ(got.left, (40 - got.width) / 2);
    EXPECT_EQ(got.top, (36 - got.height) / 2);
    EXPECT_EQ(got.delayCs, delays[i]);
    EXPECT_EQ(got.disposal, 2) << "no trail of a larger frame";
    EXPECT_EQ(got.transparentIndex, want.transparentIndex);
    EXPECT_EQ(got.indices, want.indices);
    // The local table holds the picture's entries; the single file pads its global one further.
    ASSERT_LE(got.palette.size(), want.palette.size());
    const int used = gif.PaletteSize();
    ASSERT_GE(static_cast<int>(got.palette.size()), used);
    for (int c = 0; c < used; ++c) {
      EXPECT_EQ(got.palette[c].gRed, want.palette[c].gRed);
      EXPECT_EQ(got.palette[c].gGreen, want.palette[c].gGreen);
      EXPECT_EQ(got.palette[c].gBlue, want.palette[c].gBlue);
    }
  }
}

TEST_F(GifAnimationTest, FramesSharingOnePaletteWriteItOnceAndDifferentOnesKeepTheirOwn) {
  Vesk_GifAnimation shared, mixed;
  for (int seed = 0; seed < 3; ++seed)
    ASSERT_TRUE(shared.AddFrame(Frame(20, 10, 6, seed, true), 5));
  ASSERT_TRUE(mixed.AddFrame(Frame(20, 10, 6, 0, true), 5));
  ASSERT_TRUE(mixed.AddFrame(Frame(20, 10, 9, 0, true), 5));
  ASSERT_TRUE(shared.SaveAnimatedGif(File("shared.gif")));
  ASSERT_TRUE(mixed.SaveAnimatedGif(File("mixed.gif")));
  const testing::DecodedAnimation a = DecodeAnimation(File("shared.gif"));
  const testing::DecodedAnimation b = DecodeAnimation(File("mixed.gif"));
  ASSERT_TRUE(a.ok && b.ok);
  for (const auto& f : a.frames) {
    EXPECT_FALSE(f.localMap);
    EXPECT_EQ(f.palette.size(), 8u);
  }
  for (const auto& f : b.frames) EXPECT_TRUE(f.localMap);
  EXPECT_EQ(b.frames[1].palette.size(), 16u);
}

TEST_F(GifAnimationTest, LoopsForEverByDefaultAndTakesTrueColourFrames) {
  std::vector<uint32_t> rgb(12 * 9);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint32_t>(i * 0x010203);
  Vesk_GifAnimation animation;
  animation.OptimizeFrames(false);  // the frames as they were given
  ASSERT_TRUE(animation.AddFrame(testing::MakeRgbPicture(12, 9, rgb), 7));
  ASSERT_TRUE(animation.SaveAnimatedGif(File("one.gif")));
  const testing::DecodedAnimation a = DecodeAnimation(File("one.gif"));
  ASSERT_TRUE(a.ok) << a.error;
  EXPECT_EQ(a.loopCount, 0);
  ASSERT_EQ(a.frames.size(), 1u);
  for (size_t i = 0; i < rgb.size(); ++i) {
    const Vesk_GIFRGBTRIPLE& c = a.frames[0].palette[a.frames[0].indices[i]];
    ASSERT_EQ((c.gRed << 16) | (c.gGreen << 8) | c.gBlue, rgb[i]) << i;
  }
}

// Large frames are taken two at a time: the file is the one frames added one by one give, and a
// refused frame stops the series there with AddFrame's number.
TEST_F(GifAnimationTest, AddFramesIsAddFrameForEachInTurn) {
  std::vector<Picture> frames;
  for (int n = 0; n < 5; ++n) frames.push_back(Frame(300 + 10 * n, 260, 9 + n, n, n % 2 == 0));
  Vesk_GifAnimation together, alone;
  for (Vesk_GifAnimation* a : {&together, &alone}) a->TempPathMode(TempSystem);
  EXPECT_EQ(together.AddFrames(frames, 6), 5);
  for (const Picture& f : frames) ASSERT_TRUE(alone.AddFrame(f, 6));
  ASSERT_TRUE(together.SaveAnimatedGif(File("together.gif")));
  ASSERT_TRUE(alone.SaveAnimatedGif(File("alone.gif")));
  std::ifstream a(File("together.gif"), std::ios::binary), b(File("alone.gif"), std::ios::binary);
  EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(a), {}, std::istreambuf_iterator<char>(b)));
  const auto decoded = DecodeAnimation(File("together.gif"));
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.frames.size(), 5u);

  Vesk_GifAnimation stopped;
  stopped.TempPathMode(TempSystem);
  std::vector<Picture> broken = frames;
  broken[3] = nullptr;  // the second of a pair
  EXPECT_EQ(stopped.AddFrames(broken, 6), 3);
  EXPECT_EQ(stopped.ErrorNumber(), 3001);
  EXPECT_EQ(stopped.FrameCount(), 3);
  broken[2] = nullptr;  // the first of a pair
  stopped.ClearFrames();
  EXPECT_EQ(stopped.AddFrames(broken, 6), 2);
  EXPECT_EQ(stopped.FrameCount(), 2);
  EXPECT_EQ(stopped.AddFrames(frames, 70000), 0);
  EXPECT_EQ(stopped.ErrorNumber(), 3041);
}

TEST_F(GifAnimationTest, AnExistingFileIsNeverReplaced) {
  std::ofstream(File("anim.gif")) << "mine";
  Vesk_GifAnimation animation;
  ASSERT_TRUE(animation.AddFrame(Frame(8, 8, 3, 0, false), 10));
  EXPECT_FALSE(animation.SaveAnimatedGif(File("anim.gif")));
  EXPECT_EQ(animation.ErrorNumber(), 3010);
  std::ifstream in(File("anim.gif"));
  std::string content;
  in >> content;
  EXPECT_EQ(content, "mine");
  EXPECT_EQ(Entries(), std::vector<std::string>{"anim.gif"});
}

TEST_F(GifAnimationTest, AFailedWriteLeavesNothingBehind) {
  // A folder where the file should go: the write is complete but cannot be put in place.
  fs::create_directory(File("taken.gif"));
  Vesk_GifAnimation animation;
  ASSERT_TRUE(animation.AddFrame(Frame(8, 8, 3, 0, false), 10));
  EXPECT_FALSE(animation.SaveAnimatedGif(File("taken.gif")));
  EXPECT_EQ(animation.ErrorNumber(), 2104);
  EXPECT_NE(animation.GetErrorMsg(2104).find("GIF"), std::string::npos);
  EXPECT_EQ(Entries(), std::vector<std::string>{"taken.gif"});
  EXPECT_FALSE(animation.SaveAnimatedGif(File("missing/anim.gif")));
  EXPECT_EQ(animation.ErrorNumber(), 3009);
}

TEST_F(GifAnimationTest, BadArgumentsAreRefusedWithTheirOwnNumbers) {
  Vesk_GifAnimation animation;
  EXPECT_FALSE(animation.SaveAnimatedGif(File("empty.gif")));
  EXPECT_EQ(animation.ErrorNumber(), 3040);
  EXPECT_FALSE(animation.AddFrame(Frame(8, 8, 3, 0, false), 65536));
  EXPECT_EQ(animation.ErrorNumber(), 3041);
  EXPECT_FALSE(animation.AddFrame(Frame(8, 8, 3, 0, false), -1));
  EXPECT_FALSE(animation.AddFrame(nullptr, 10));
  EXPECT_NE(animation.ErrorNumber(), 0);
  EXPECT_EQ(animation.FrameCount(), 0) << "a refused frame is not appended";
  animation.LoopCount(70000);
  EXPECT_EQ(animation.ErrorNumber(), 3042);
  EXPECT_EQ(animation.LoopCount(), 0);
  ASSERT_TRUE(animation.AddFrame(Frame(8, 8, 3, 0, false), 10));
  EXPECT_EQ(animation.ErrorNumber(), 0) << "a call that succeeds clears the error";
  EXPECT_FALSE(animation.SaveAnimatedGif(""));
  EXPECT_EQ(animation.ErrorNumber(), 3011);
  EXPECT_TRUE(Entries().empty());
}

// A program installed read-only sends the frames' temporary files elsewhere, as it does for its
// single pictures: the setting reaches every frame, not only the first.
TEST_F(GifAnimationTest, TheFramesTemporaryFilesGoWhereTheSettingSays) {
  Vesk_GifAnimation animation;
  EXPECT_EQ(animation.TempPathMode(), AppPath);
  animation.TempPathMode(static_cast<Vesk_GifTempPathModeEnum>(7));
  EXPECT_EQ(animation.TempPathMode(), AppPath);
  const std::string folder = File("work");
  fs::create_directory(folder);
  animation.TempPathMode(UserCustom);
  animation.TempPath(folder);
  EXPECT_EQ(animation.TempPath(), folder);
  ASSERT_TRUE(animation.AddFrame(Frame(8, 8, 3, 0, false), 10));
  ASSERT_TRUE(animation.AddFrame(Frame(6, 6, 3, 1, false), 10));
  EXPECT_TRUE(fs::is_empty(folder)) << "no temporary file stays";
  fs::remove(folder);
  EXPECT_FALSE(animation.AddFrame(Frame(8, 8, 3, 2, false), 10));
  EXPECT_EQ(animation.ErrorNumber(), 3004) << "the custom folder is gone";
  animation.TempPathMode(TempSystem);
  ASSERT_TRUE(animation.AddFrame(Frame(8, 8, 3, 2, false), 10));
  ASSERT_TRUE(animation.SaveAnimatedGif(File("a.gif")));
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.gif"});
  EXPECT_EQ(DecodeAnimation(File("a.gif")).frames.size(), 3u);
}

}  // namespace
}  // namespace pellory
