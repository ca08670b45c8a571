#include "giflib/overlay/ol_module.h"

#include <QCoreApplication>
#include <QPointer>

#include "giflib/engine/error_record.h"
#include "giflib/object/flicker.h"
#include "platform/forms/application.h"
#include "platform/kernel/err.h"

namespace pellory::engine {

namespace {

thread_local QPointer<platform::Form> hostForm;

// Runs while the application object is being destroyed, before it is gone.
void DestroyHostForm() {
  delete hostForm.data();
}

}  // namespace

platform::Form& HostForm() {
  if (hostForm) return *hostForm;
  // Widgets live on the GUI thread only; elsewhere there is no host form to be had.
  if (!platform::EnsureApplication() || !platform::IsGuiThread())
    throw platform::RuntimeError(platform::kErrCannotCreateObject);
  hostForm = new platform::Form;
  hostForm->SetName(kHostFormName);
  hostForm->SetScaleMode(platform::kScalePixels);
  qAddPostRoutine(DestroyHostForm);
  return *hostForm;
}

bool GetNewPictureBox(platform::Form& host, platform::PictureBox*& box) {
  SetProcName("GetNewPictureBox");
  try {
    const std::string name = GetNewDummyCtlName(host, "OLPic");
    SetProcName("GetNewPictureBox");
    if (name.empty()) {
      RecordModuleError(kErrOverlayControls, kStyleStop);
      return false;
    }
    box = &host.GetControls().Add<platform::PictureBox>(name);
    return true;
  } catch (...) {
    RecordModuleUnexpected();
    PendingError().Number = kErrOverlayControlFailed;
    return false;
  }
}

}  // namespace pellory::engine
