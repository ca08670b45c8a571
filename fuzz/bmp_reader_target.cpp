// The bitmap reader takes files that the picture saving wrote; it must still hold up against any
// bytes, and what it accepts must be a picture the rest of the library can rely on.
#include <string>

#include "fuzz/checks.h"
#include "fuzz/targets.h"
#include "giflib/engine/error_record.h"
#include "giflib/engine/temp_bitmap.h"

namespace kestrin::fuzz {

using pellory::Vesk_GifPictureType;
namespace engine = pellory::engine;

std::string BmpReaderTarget(const uint8_t* data, size_t size) {
  engine::PendingError() = {};
  Vesk_GifPictureType picture;
  // The three reductions of a picture of more than 256 colours, chosen by the input's length,
  // with the exact-colour request of the adaptive ones.
  picture.GifSetting.ReduceColorMode = static_cast<pellory::Vesk_GifReduceColorEnum>(size % 3);
  engine::ExactColourRequest exact;
  exact.wanted = size % 2 == 0;
  // The reader on the bytes as they are: the file reader is the same code on a file.
  if (engine::GetBmpBytes(picture, data, size, exact)) {
    const std::string fault = HeldPictureFault(picture);
    return fault.empty() ? fault : "GetTempBMP accepted the file: " + fault;
  }
  if (engine::PendingError().Number == 0) return "GetTempBMP failed without recording an error";
  return {};
}

}  // namespace kestrin::fuzz
