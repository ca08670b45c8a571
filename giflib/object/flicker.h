// Flicker inhibition: hidden dummy controls put on a form or inside a container control, found
// again by their tag. Engine procedures: they leave their errors pending for the caller.
#pragma once

#include <QObject>
#include <string>

namespace platform {
class Form;
}

namespace pellory::engine {

inline constexpr const char* kDummyProgId = "Fennick.DummyUC";
inline constexpr const char* kDummyTagPrefix = "Fennick.DummyUC in ";

bool SetDDDControl(QObject* container);
bool EraseDDDControl(QObject* container);

// The first of prefix1, prefix2, ... that no control of the form bears; "" when none is free.
std::string GetNewDummyCtlName(platform::Form& host, const std::string& prefix);

}  // namespace pellory::engine
