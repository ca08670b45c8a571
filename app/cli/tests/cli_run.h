// Test support for the batch commands: a command run in this process with its streams caught,
// folder listings that show hidden files too, and GIF files compared through giflib.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "app/tests/app_fixture.h"

namespace kestrin::testing {

struct CliResult {
  int status = -1;
  std::string out, err;
};

inline CliResult RunCli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  cli::Console console{out, err, false};
  CliResult r;
  r.status = cli::Run(args, console);
  r.out = out.str();
  r.err = err.str();
  return r;
}

inline std::ostream& operator<<(std::ostream& os, const CliResult& r) {
  return os << "status " << r.status << ", stderr: " << r.err;
}

// Every entry of a folder, hidden ones included, sorted.
inline std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Two GIF files decode, through giflib, to the same screen, image, palette entry by entry,
// indices one by one and transparent index.
inline void ExpectSameGif(const std::string& expectedPath, const std::string& actualPath) {
  SCOPED_TRACE(actualPath);
  const DecodedGif expected = DecodeGif(expectedPath);
  const DecodedGif actual = DecodeGif(actualPath);
  ASSERT_TRUE(expected.ok) << expected.error;
  ASSERT_TRUE(actual.ok) << actual.error;
  EXPECT_EQ(actual.width, expected.width);
  EXPECT_EQ(actual.height, expected.height);
  EXPECT_EQ(actual.imageWidth, expected.imageWidth);
  EXPECT_EQ(actual.imageHeight, expected.imageHeight);
  EXPECT_EQ(actual.background, expected.background);
  EXPECT_EQ(actual.transparentIndex, expected.transparentIndex);
  ASSERT_EQ(actual.palette.size(), expected.palette.size());
  for (size_t i = 0; i < expected.palette.size(); ++i)
    ASSERT_EQ(actual.palette[i], expected.palette[i]) << "palette entry " << i;
  ASSERT_EQ(actual.indices.size(), expected.indices.size());
  for (size_t i = 0; i < expected.indices.size(); ++i)
    ASSERT_EQ(actual.indices[i], expected.indices[i]) << "pixel " << i;
}

// The batch command wrote exactly the files the window wrote, each with the same content.
inline void ExpectSameFiles(const std::string& windowFolder, const std::string& batchFolder) {
  const std::vector<std::string> names = Listing(windowFolder);
  ASSERT_FALSE(names.empty());
  ASSERT_EQ(Listing(batchFolder), names);
  for (const std::string& name : names)
    ExpectSameGif(windowFolder + "/" + name, batchFolder + "/" + name);
}

}  // namespace kestrin::testing
