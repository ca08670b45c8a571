#pragma once

#if defined(PELLORY_BUILDING)
#define PELLORY_API __attribute__((visibility("default")))
#else
#define PELLORY_API
#endif
