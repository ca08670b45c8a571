#include "giflib/object/flicker.h"

#include "giflib/engine/error_record.h"
#include "platform/forms/form.h"

namespace pellory::engine {

namespace {

enum class Kind { Mdi, ContainerControl, Form, Other };

// Tested in this order: an MDI form is refused before anything else is considered.
Kind KindOf(QObject* object, platform::Form*& host, std::string& name) {
  if (dynamic_cast<platform::MdiForm*>(object)) return Kind::Mdi;
  if (auto* control = dynamic_cast<platform::Control*>(object)) {
    if (control->IsContainer() && control->ParentForm()) {
      host = control->ParentForm();
      name = control->Name();
      return Kind::ContainerControl;
    }
    return Kind::Other;
  }
  if (auto* form = dynamic_cast<platform::Form*>(object)) {
    host = form;
    name = form->Name();
    return Kind::Form;
  }
  return Kind::Other;
}

}  // namespace

std::string GetNewDummyCtlName(platform::Form& host, const std::string& prefix) {
  SetProcName("GetNewDummyCtlName");
  try {
    const platform::Controls& controls = host.GetControls();
    const int count = controls.Count();
    if (count == 0) return prefix + "1";
    for (int n = 1; n <= count + 1; ++n) {
      std::string name = prefix + std::to_string(n);
      const QString candidate = QString::fromStdString(name);
      bool taken = false;
      for (platform::Control* c : controls.All())
        taken = taken || candidate.compare(c->Widget()->objectName(), Qt::CaseInsensitive) == 0;
      if (!taken) return name;
    }
    return {};
  } catch (...) {
    return {};
  }
}

bool SetDDDControl(QObject* container) {
  SetProcName("SetDDDControl");
  try {
    platform::Form* host = nullptr;
    std::string containerName;
    const Kind kind = KindOf(container, host, containerName);
    if (kind == Kind::Mdi) {
      RecordModuleError(kErrInhibitOnMdi, kStyleExclamation);
      return false;
    }
    if (kind == Kind::Other) {
      RecordModuleError(kErrInhibitOnOther, kStyleExclamation);
      return false;
    }
    const std::string name = GetNewDummyCtlName(*host, "DummyUC");
    SetProcName("SetDDDControl");
    if (name.empty()) {
      RecordModuleError(kErrTooManyControls, kStyleStop);
      return false;
    }
    platform::Control& added = host->GetControls().Add(
        kDummyProgId, name,
        kind == Kind::ContainerControl ? dynamic_cast<platform::Control*>(container) : nullptr);
    added.SetTag(kDummyTagPrefix + containerName);
    return true;
  } catch (...) {
    RecordModuleUnexpected();
    PendingError().Number = kErrDummyControlFailed;
    return false;
  }
}

bool EraseDDDControl(QObject* container) {
  SetProcName("EraseDDDControl");
  try {
    platform::Form* host = nullptr;
    std::string containerName;
    const Kind kind = KindOf(container, host, containerName);
    if (kind == Kind::Mdi) {
      RecordModuleError(kErrReleaseOnMdi, kStyleExclamation);
      return false;
    }
    if (kind == Kind::Other) {
      RecordModuleError(kErrReleaseOnOther, kStyleExclamation);
      return false;
    }
    const std::string tag = kDummyTagPrefix + containerName;
    platform::Controls& controls = host->GetControls();
    for (platform::Control* c : controls.All())
      if (c->Tag() == tag) controls.Remove(c->Name(), c->Index());
    return true;
  } catch (...) {
    RecordModuleUnexpected();
    PendingError().Number = kErrInhibitOveruse;
    return false;
  }
}

}  // namespace pellory::engine
