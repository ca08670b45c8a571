#include "giflib/object/vesk_global_methods.h"

#include "giflib/object/flicker.h"

namespace pellory {

namespace {
const bool kRegistered =
    platform::RegisterComClass(kProgIdVesk_GlobalMethods, kClsidVesk_GlobalMethods,
                               [] { return std::make_shared<Vesk_GlobalMethods>(); });
}  // namespace

Vesk_GlobalMethods::Vesk_GlobalMethods() {
  (void)kRegistered;
  error_.BeginCall("Class_Initialize", false);
}

bool Vesk_GlobalMethods::InhibitFlickers(QObject* tContainer, int16_t& Effect) {
  // Works whatever an earlier call latched: the result is the client's only sign of failure.
  error_.BeginCall("InhibitFlickers", true);
  try {
    if (Effect != kVbFalse && Effect != kVbTrue) Effect = kVbTrue;
    const bool ok =
        Effect == kVbTrue ? engine::SetDDDControl(tContainer) : engine::EraseDDDControl(tContainer);
    if (!ok) {
      error_.RecordError(0, engine::kStyleExclamation, false);
      return false;
    }
    return true;
  } catch (...) {
    error_.RecordUnexpected(false);
    return false;
  }
}

std::string Vesk_GlobalMethods::PelloryVersion() {
  error_.BeginCall("PelloryVersion", true);
  try {
    return std::to_string(kPelloryMajorVersion) + "." + std::to_string(kPelloryMinorVersion);
  } catch (...) {
    error_.RecordUnexpected(false);
    return {};
  }
}

Vesk_GlobalMethods& GlobalMethods() {
  thread_local Vesk_GlobalMethods instance;
  return instance;
}

}  // namespace pellory
