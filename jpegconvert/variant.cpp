// Conversions of variant arguments to the boolean and string a conversion method works with.
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "jpegconvert/convert.h"

namespace tessaly {

namespace {

std::string Trimmed(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return i == a.size() && !b[i];
}

// A whole string that reads as a finite number.
bool ParseNumber(const std::string& text, double& out) {
  const std::string s = Trimmed(text);
  if (s.empty()) return false;
  const char* begin = s.data();
  const char* end = begin + s.size();
  if (*begin == '+') ++begin;  // from_chars takes only a minus sign
  const auto [ptr, ec] = std::from_chars(begin, end, out);
  return ec == std::errc() && ptr == end && std::isfinite(out);
}

}  // namespace

bool VariantToBool(const Variant& v, bool& out) {
  if (std::holds_alternative<std::monostate>(v)) return out = false, true;
  if (std::holds_alternative<Null>(v)) return false;
  if (const bool* b = std::get_if<bool>(&v)) return out = *b, true;
  if (const int16_t* i = std::get_if<int16_t>(&v)) return out = *i != 0, true;
  if (const int32_t* l = std::get_if<int32_t>(&v)) return out = *l != 0, true;
  if (const double* d = std::get_if<double>(&v)) {
    if (std::isnan(*d)) return false;
    return out = *d != 0.0, true;
  }
  const std::string s = Trimmed(std::get<std::string>(v));
  if (EqualsIgnoringCase(s, "true")) return out = true, true;
  if (EqualsIgnoringCase(s, "false")) return out = false, true;
  double number = 0;
  if (!ParseNumber(s, number)) return false;
  return out = number != 0.0, true;
}

bool VariantToString(const Variant& v, std::string& out) {
  if (std::holds_alternative<std::monostate>(v)) return out.clear(), true;
  if (std::holds_alternative<Null>(v)) return false;
  if (const bool* b = std::get_if<bool>(&v)) return out = *b ? "True" : "False", true;
  if (const int16_t* i = std::get_if<int16_t>(&v)) return out = std::to_string(*i), true;
  if (const int32_t* l = std::get_if<int32_t>(&v)) return out = std::to_string(*l), true;
  if (const double* d = std::get_if<double>(&v)) {
    char buffer[32];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, *d);
    if (ec != std::errc()) return false;
    return out.assign(buffer, ptr), true;
  }
  out = std::get<std::string>(v);
  return true;
}

}  // namespace tessaly
