// GIF89a writer: one image, a global colour table, a graphic control extension and an LZW code
// stream, by default made only of 9-bit literal codes (clear codes keep the decoder's table below
// 512); with the picture's Compression set to LzwCodes, a real LZW stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "giflib/object/pellory_types.h"

namespace pellory::engine {

// The fixed-size records of the file, in the order they are written.
struct GifHeaderRecord {
  // Header and logical screen descriptor (13 bytes).
  char Signature[3];
  char Version[3];
  uint8_t ScreenWidth[2];
  uint8_t ScreenHeight[2];
  uint8_t ScreenFlags;  // 0x80 global table | 0x08 sorted | size code
  uint8_t BackColorIndex;
  uint8_t AspectRatio;
  // Graphic control extension (8 bytes).
  uint8_t ExtIntroducer;
  uint8_t ControlLabel;
  uint8_t ControlBlockSize;
  uint8_t ControlFlags;  // 0x01 transparent index valid
  uint8_t DelayTime[2];
  uint8_t TransColorIndex;
  uint8_t ControlTerminator;
  // Image descriptor (10 bytes).
  uint8_t ImageSeparator;
  uint8_t ImageLeft[2];
  uint8_t ImageTop[2];
  uint8_t ImageWidth[2];
  uint8_t ImageHeight[2];
  uint8_t ImageFlags;
};

// Number of colour-table entries that the size code of `flags` announces (2 to 256).
int ColorTableEntries(uint8_t screenFlags);

bool ChangeLZW(const std::vector<uint8_t>& bitmapData, std::vector<uint8_t>& codeBytes);
// Fails with 2103 for a side outside 1 to 32767, a table of more than 256 entries, or an index
// past the table as written (padded to a power of two).
bool SetGifFormatParm(const Vesk_GifPictureType& picture, GifHeaderRecord& header);
// minCodeSize is the LZW minimum code size written before the code bytes: 8 for the literal
// codes, the table's bits for LZW.
bool MakeGifFile(const GifHeaderRecord& header, const std::vector<Vesk_GIFRGBTRIPLE>& colorTable,
                 const std::vector<uint8_t>& codeBytes, const std::string& fileName,
                 uint8_t minCodeSize = 8);
// ChangeLZW and MakeGifFile in one: the literal codes of `bitmapData` are made as the file is
// written, a few hundred kilobytes at a time, never all at once. The same file and errors.
bool MakeLiteralGifFile(const GifHeaderRecord& header,
                        const std::vector<Vesk_GIFRGBTRIPLE>& colorTable,
                        const std::vector<uint8_t>& bitmapData, const std::string& fileName);
// The codes of the last picture an object saved with LZW: the frames of a colour series differ
// only in their palettes, and their indices are coded once.
struct SavedCodes {
  int minCodeSize = 0;
  // A fingerprint of the indices coded last. Their copy is kept only once a picture came with
  // the fingerprint of the one before: a series whose frames differ keeps no copy.
  uint64_t fingerprint = 0;
  std::vector<uint8_t> indices;
  std::vector<uint8_t> codes;
  // The literal codes of the files an object saves uncoded, kept from one save to the next:
  // fresh pages for each would cost more than the coding.
  std::vector<uint8_t> literal;
};

bool Actual_SaveGifPicture(const Vesk_GifPictureType& picture, const std::string& fileName,
                           SavedCodes* saved = nullptr);
// The same writers into memory: `bytes` gets the whole file that the path-based ones write, with
// the same checks and errors; no file is touched.
bool MakeGifBytes(const GifHeaderRecord& header, const std::vector<Vesk_GIFRGBTRIPLE>& colorTable,
                  const std::vector<uint8_t>& codeBytes, std::vector<uint8_t>& bytes,
                  uint8_t minCodeSize = 8);
bool Actual_GifBytes(const Vesk_GifPictureType& picture, std::vector<uint8_t>& bytes,
                     SavedCodes* saved = nullptr);

}  // namespace pellory::engine
