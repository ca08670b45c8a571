// Replays the committed seeds and every kept reproducer of the fuzz targets, so any build
// checks them, with or without clang.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/targets.h"

namespace kestrin::fuzz {
namespace {

namespace fs = std::filesystem;

using Target = std::string (*)(const uint8_t*, size_t);

std::vector<fs::path> FilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  if (fs::is_directory(folder))
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs every file of the target's regression and seed folders; both must hold some.
void Replay(const std::string& name, Target target) {
  for (const char* kind : {"regressions", "corpus"}) {
    const auto files = FilesIn(fs::path(KESTRIN_FUZZ_DIR) / kind / name);
    EXPECT_FALSE(files.empty()) << "nothing in fuzz/" << kind << "/" << name;
    for (const fs::path& file : files) {
      const std::vector<uint8_t> bytes = ReadAll(file);
      EXPECT_EQ(target(bytes.data(), bytes.size()), "")
          << kind << "/" << name << "/" << file.filename().string();
    }
  }
}

TEST(FuzzReplay, BmpReader) {
  Replay("bmp_reader", BmpReaderTarget);
}

TEST(FuzzReplay, LoadSave) {
  Replay("load_save", LoadSaveTarget);
}

TEST(FuzzReplay, GifWriter) {
  Replay("gif_writer", GifWriterTarget);
}

TEST(FuzzReplay, ConvertInput) {
  Replay("convert_input", ConvertInputTarget);
}

TEST(FuzzReplay, ConvertArguments) {
  Replay("convert_arguments", ConvertArgumentsTarget);
}

}  // namespace
}  // namespace kestrin::fuzz
