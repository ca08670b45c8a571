#include "app/vb_text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/kernel/err.h"
#include "platform/kernel/files.h"

namespace kestrin {

int32_t RoundToLong(double value) {
  if (!std::isfinite(value) || std::fabs(value) > 2147483647.0)
    throw platform::RuntimeError(platform::kErrOverflow);
  return static_cast<int32_t>(std::nearbyint(value));
}

std::optional<double> ReadNumber(const std::string& text) {
  size_t b = text.find_first_not_of(" \t");
  if (b == std::string::npos) return std::nullopt;
  size_t e = text.find_last_not_of(" \t");
  const std::string t = text.substr(b, e - b + 1);
  // Only plain decimal notation: no hexadecimal, infinities or NaN.
  if (t.find_first_not_of("0123456789+-.eE") != std::string::npos) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<int32_t> ToLong(const std::string& text) {
  const std::optional<double> v = ReadNumber(text);
  if (!v) return std::nullopt;
  const double r = std::nearbyint(*v);
  if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
  return static_cast<int32_t>(r);
}

std::string FormatNumber(double value) {
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", value);
    return buf;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  return buf;
}

bool EndsWithExtension(const std::string& path, const std::string& extension) {
  return !path.empty() && path.size() >= extension.size() &&
         path.compare(path.size() - extension.size(), extension.size(), extension) == 0;
}

bool EndsWithGif(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".gif";
}

std::string FramePrefix(const std::string& path) {
  // The chosen path is a run-time path: either separator ends its folder.
  const size_t p = path.find_last_of("/\\");
  return p == std::string::npos ? std::string() : path.substr(0, p) + "/";
}

}  // namespace kestrin
