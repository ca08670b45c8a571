// The libFuzzer program of one target; KESTRIN_FUZZ_ENTRY names its entry in targets.h.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string fault = kestrin::fuzz::KESTRIN_FUZZ_ENTRY(data, size);
  if (!fault.empty()) {
    std::fprintf(stderr, "\n== Fault: %s\n", fault.c_str());
    std::abort();  // libFuzzer keeps the input as a crash
  }
  return 0;
}
