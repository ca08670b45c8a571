// Entry of the shared library: its code lives in pellory_core, linked whole.
#include "giflib/object/pellory_export.h"

extern "C" PELLORY_API const char* PelloryLibraryName() { return "Pellory"; }
