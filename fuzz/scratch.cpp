#include "fuzz/scratch.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace kestrin::fuzz {

namespace fs = std::filesystem;

Scratch& Scratch::Get() {
  static Scratch scratch;
  return scratch;
}

Scratch::Scratch() {
  // Every run writes a few files: memory is much faster than a disk here.
  const fs::path base = fs::is_directory("/dev/shm") && ::access("/dev/shm", W_OK) == 0
                            ? fs::path("/dev/shm")
                            : fs::temp_directory_path();
  std::string pattern = (base / "kestrin-fuzz-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("no scratch folder in " + base.string());
  folder_ = pattern;
  temp_ = folder_ + "/temp";
  fs::create_directory(temp_);
}

Scratch::~Scratch() {
  std::error_code ec;
  fs::remove_all(folder_, ec);
}

int Scratch::TempEntries() const {
  int n = 0;
  std::error_code ec;
  for (auto it = fs::directory_iterator(temp_, ec); !ec && it != fs::directory_iterator(); ++it)
    ++n;
  return n;
}

std::string Scratch::Write(const std::string& name, const uint8_t* data, size_t size) const {
  const std::string path = File(name);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
  if (std::fclose(f) != 0 || !written) throw std::runtime_error("cannot write " + path);
  return path;
}

}  // namespace kestrin::fuzz
