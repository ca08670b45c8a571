#include "platform/gdi/image_pool.h"

namespace platform {

ImagePool& RecycledImages() {
  static ImagePool pool;
  return pool;
}

}  // namespace platform
