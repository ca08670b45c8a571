// The library's hidden host form and the surface controls that overlay objects draw on.
#pragma once

#include "platform/forms/form.h"
#include "platform/forms/picture_box.h"

namespace pellory::engine {

inline constexpr const char* kHostFormName = "Vesk_DummyForm";

// The host form of the calling thread, created on first use (with a headless application
// object when the program has none). It is destroyed before the application object. Throws
// RuntimeError when no form can be made, for example outside the GUI thread.
platform::Form& HostForm();

// Adds a new picture box named "OLPic<n>" (the lowest free n) to the host form. False with
// error 3023 (no free name) or 3024 (creation failed) pending.
bool GetNewPictureBox(platform::Form& host, platform::PictureBox*& box);

}  // namespace pellory::engine
