// The toolkit's font for a font object.
#pragma once

#include <QFont>

#include "platform/font/font.h"

namespace platform {

// Never anti-aliased, so that drawn text keeps exact colours.
QFont ToQFont(const StdFont& font);

}  // namespace platform
