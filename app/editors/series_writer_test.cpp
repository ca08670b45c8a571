// The two-thread frame writer against saving each frame in its turn: the same files, the same
// failures in the same order, and nothing of a frame whose turn never comes.
#include "app/editors/series_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/tests/app_fixture.h"
#include "platform/kernel/files.h"

namespace kestrin {
namespace {

namespace fs = std::filesystem;
using testing::DecodeGif;

class SeriesWriterTest : public ::testing::Test {
 protected:
  SeriesWriterTest() {
    options_.compression = kProgramCompression;
    // Large enough to be prepared on the second thread.
    for (int n = 0; n < 7; ++n) frames_.push_back(testing::Stripes(260 + 9 * n, 256 + n, 3 + n));
  }
  std::string Name(int n) const { return out_.File("F" + std::to_string(n) + ".gif"); }
  // The loop of the editors: set, name the next frame, save; stops at the first failure.
  int SaveAll(SeriesWriter& writer, const std::vector<platform::Picture>& frames) {
    for (size_t n = 0; n < frames.size(); ++n) {
      if (!writer.Set(frames[n])) continue;
      if (n + 1 < frames.size()) writer.Ahead(frames[n + 1], Name(static_cast<int>(n + 1)));
      platform::RemoveFileIfExists(Name(static_cast<int>(n)));
      if (!writer.Save(Name(static_cast<int>(n)))) return static_cast<int>(n);
    }
    return -1;
  }
  int HiddenFiles() const {
    int count = 0;
    for (const auto& e : fs::directory_iterator(out_.path()))
      count += e.path().filename().string().front() == '.';
    return count;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  GifOptions options_;
  std::vector<platform::Picture> frames_;
  testing::TempFolder out_;
};

TEST_F(SeriesWriterTest, WritesTheFilesThatSavingOneByOneWrites) {
  {
    SeriesWriter writer(options_);
    EXPECT_EQ(SaveAll(writer, frames_), -1);
  }
  EXPECT_EQ(HiddenFiles(), 0);
  for (size_t n = 0; n < frames_.size(); ++n) {
    GifObject alone;
    ASSERT_TRUE(SetPictureWith(alone, frames_[n], options_));
    const std::string expected = out_.File("alone.gif");
    platform::RemoveFileIfExists(expected);
    ASSERT_TRUE(alone.SaveGifPicture(expected));
    EXPECT_EQ(Read(Name(static_cast<int>(n))), Read(expected)) << "frame " << n;
    const auto d = DecodeGif(Name(static_cast<int>(n)));
    ASSERT_TRUE(d.ok) << n << ": " << d.error;
    EXPECT_EQ(d.imageWidth, 260 + 9 * static_cast<int>(n));
  }
}

TEST_F(SeriesWriterTest, AFailingFrameLeavesTheNextFilesAsTheyWere) {
  // Frame 2's name is a folder, so its save fails; frame 3 was prepared meanwhile.
  fs::create_directory(Name(2));
  std::ofstream(Name(3)) << "old";
  {
    SeriesWriter writer(options_);
    EXPECT_EQ(SaveAll(writer, frames_), 2);
    EXPECT_FALSE(writer.ErrorMessage().empty());
  }
  EXPECT_EQ(Read(Name(3)), "old");
  EXPECT_TRUE(DecodeGif(Name(1)).ok);
  EXPECT_FALSE(fs::exists(Name(4)));
  EXPECT_EQ(HiddenFiles(), 0);
}

TEST_F(SeriesWriterTest, APreparedFrameWhoseNameIsTakenFailsAsTheLibrarySays) {
  SeriesWriter writer(options_);
  ASSERT_TRUE(writer.Set(frames_[0]));
  writer.Ahead(frames_[1], Name(1));
  ASSERT_TRUE(writer.Save(Name(0)));
  ASSERT_TRUE(writer.Set(frames_[1]));
  EXPECT_EQ(HiddenFiles(), 1) << "the frame was prepared beside its file";
  std::ofstream(Name(1)) << "taken";  // appears after the loop made room
  EXPECT_FALSE(writer.Save(Name(1)));
  EXPECT_EQ(writer.ErrorMessage(), writer.Main().GetErrorMsg(3010));
  EXPECT_EQ(Read(Name(1)), "taken");
  EXPECT_EQ(HiddenFiles(), 0);
}

TEST_F(SeriesWriterTest, AFrameNamedAheadButNeverReachedLeavesNothing) {
  SeriesWriter writer(options_);
  ASSERT_TRUE(writer.Set(frames_[0]));
  writer.Ahead(frames_[1], Name(1));
  ASSERT_TRUE(writer.Save(Name(0)));
  // The loop takes another frame than it named (a cancel, a skipped step).
  ASSERT_TRUE(writer.Set(frames_[5]));
  ASSERT_TRUE(writer.Save(Name(5)));
  EXPECT_FALSE(fs::exists(Name(1)));
  EXPECT_EQ(HiddenFiles(), 0);
  EXPECT_EQ(DecodeGif(Name(5)).imageWidth, 260 + 9 * 5);
}

}  // namespace
}  // namespace kestrin
