// Entry points of the fuzz targets, shared by the libFuzzer programs and the replay test.
// Each takes one input and returns what went wrong with it, or "" when the library handled it
// soundly; memory and undefined-behaviour faults are left to the sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrin::fuzz {

// The library's bitmap reader (GetTempBMP) on the input as a file.
std::string BmpReaderTarget(const uint8_t* data, size_t size);

// The input as a picture file: LoadPicture, SetPicture, SaveGifPicture, with giflib reading the
// saved GIF back, and a returned picture.
std::string LoadSaveTarget(const uint8_t* data, size_t size);

// The GIF writer on a picture made from the input: size, palette, settings and indices.
std::string GifWriterTarget(const uint8_t* data, size_t size);

// Tessaly's Convert on the input as the file to convert, both ways and into memory.
std::string ConvertInputTarget(const uint8_t* data, size_t size);

// Tessaly's Convert with variant arguments made from the input.
std::string ConvertArgumentsTarget(const uint8_t* data, size_t size);

// The batch commands' argument parser and value readers on argument lists made from the input
// (first byte: the command; the rest: arguments separated by NUL bytes).
std::string CliArgumentsTarget(const uint8_t* data, size_t size);

}  // namespace kestrin::fuzz
