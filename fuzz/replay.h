// Replaying a fuzz target's committed seeds and kept reproducers in an ordinary test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kestrin::fuzz {

namespace fs = std::filesystem;

using Target = std::string (*)(const uint8_t*, size_t);

inline std::vector<fs::path> FilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  if (fs::is_directory(folder))
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

inline std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs every file of the target's regression and seed folders; both must hold some.
inline void Replay(const std::string& name, Target target) {
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

}  // namespace kestrin::fuzz
