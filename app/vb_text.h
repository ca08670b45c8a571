// How the windows read numbers typed into text boxes, name files and test paths.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrin {

// A number as the classic run time reads it: surrounding spaces allowed, the whole text must
// be a decimal number ("12", "-3.5", "1e2"); nothing for empty or other text.
std::optional<double> ReadNumber(const std::string& text);

// The text converted to a 32-bit integer: read as a number, rounded to the nearest integer with
// halves to even; nothing when it is not a number or does not fit.
std::optional<int32_t> ToLong(const std::string& text);

// A size or position as a 32-bit integer, halves to even; run-time error 6 beyond that range.
int32_t RoundToLong(double value);

// A number written as the run time writes it: integers without a decimal point.
std::string FormatNumber(double value);

// Whether the last three characters of a path are exactly `extension` (case-sensitive); an
// empty path never passes.
bool EndsWithExtension(const std::string& path, const std::string& extension);

// Whether a path ends in ".gif" in any case ("ROSE.GIF" too).
bool EndsWithGif(const std::string& path);

// What goes before a file name to put it beside the chosen path: its folder and "/", or
// nothing (the current folder) when the path names no folder.
std::string FramePrefix(const std::string& path);

}  // namespace kestrin
