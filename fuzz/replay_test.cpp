// Replays the committed seeds and every kept reproducer of the fuzz targets, so any build
// checks them, with or without clang.
#include "fuzz/replay.h"

#include "fuzz/targets.h"

namespace kestrin::fuzz {
namespace {

TEST(FuzzReplay, BmpReader) {
  Replay("bmp_reader", BmpReaderTarget);
}

TEST(FuzzReplay, LoadSave) {
  Replay("load_save", LoadSaveTarget);
}

TEST(FuzzReplay, GifWriter) {
  Replay("gif_writer", GifWriterTarget);
}

TEST(FuzzReplay, ConvertInput) {
  Replay("convert_input", ConvertInputTarget);
}

TEST(FuzzReplay, ConvertArguments) {
  Replay("convert_arguments", ConvertArgumentsTarget);
}

}  // namespace
}  // namespace kestrin::fuzz
