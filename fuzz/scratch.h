// The files a fuzz target works with: one folder per process, in memory where the system has a
// memory-backed file system, removed when the process ends normally.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrin::fuzz {

class Scratch {
 public:
  static Scratch& Get();

  std::string File(const std::string& name) const { return folder_ + "/" + name; }
  // The folder the library makes its temporary files in; empty between calls.
  const std::string& TempFolder() const { return temp_; }
  int TempEntries() const;
  // Writes the input to File(name), replacing it; throws when it cannot.
  std::string Write(const std::string& name, const uint8_t* data, size_t size) const;

 private:
  Scratch();
  ~Scratch();
  std::string folder_, temp_;
};

}  // namespace kestrin::fuzz
