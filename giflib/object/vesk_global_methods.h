// Vesk_GlobalMethods: methods a client may call without creating an object. Flicker
// inhibition puts hidden dummy controls on a form or inside a picture box or frame, or removes
// them again; PelloryVersion names the library's version.
#pragma once

#include <QObject>
#include <cstdint>
#include <string>

#include "giflib/engine/error_record.h"
#include "giflib/object/pellory_export.h"
#include "giflib/object/pellory_types.h"
#include "platform/com/registry.h"

namespace pellory {

// The two values of the classic 16-bit boolean.
inline constexpr int16_t kVbTrue = -1;
inline constexpr int16_t kVbFalse = 0;

class PELLORY_API Vesk_GlobalMethods : public platform::ComObject {
 public:
  static constexpr const char* kClassId = kClsidVesk_GlobalMethods;
  static constexpr const char* kInterfaceId = kIid_Vesk_GlobalMethods;
  static constexpr const char* kProgId = kProgIdVesk_GlobalMethods;

  Vesk_GlobalMethods();

  // Effect true (-1) adds one dummy control to tContainer, false (0) removes every dummy
  // control made for it; any other value is taken as true and written back as -1. False when
  // the container is of the wrong kind or the control cannot be added or removed.
  bool InhibitFlickers(QObject* tContainer, int16_t& Effect);
  bool InhibitFlickers(QObject* tContainer, int16_t&& Effect) {
    return InhibitFlickers(tContainer, Effect);
  }
  bool InhibitFlickers(QObject* tContainer) {
    return InhibitFlickers(tContainer, int16_t{kVbTrue});
  }
  std::string PelloryVersion();

  // The error state cannot be read by clients; tests look at it.
  const engine::ErrorState& ErrorStateForTesting() const { return error_; }

 private:
  engine::ErrorState error_;
};

// The object that serves calls made without creating one (one per thread).
PELLORY_API Vesk_GlobalMethods& GlobalMethods();

inline constexpr int kPelloryMajorVersion = 1;
inline constexpr int kPelloryMinorVersion = 0;

}  // namespace pellory
