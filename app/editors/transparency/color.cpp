#include "app/editors/transparency/color.h"

#include <array>

#include "platform/dialogs/colour_dialog.h"

namespace kestrin {

uintptr_t ColourDialogHook(QWidget* dialog, unsigned message, uintptr_t, intptr_t) {
  if (message == platform::kWmInitDialog) platform::SetWindowText(dialog, "カラーパレット");
  return 0;
}

int32_t ChooseColourDialog(QWidget* owner) {
  std::array<uint32_t, 16> custom;
  custom.fill(0xFFFFFF);
  platform::ChooseColorRecord record;
  record.lStructSize = 36;
  record.hwndOwner = owner;
  record.rgbResult = 0xFFFFFF;
  record.lpCustColors = custom.data();
  record.Flags = platform::kCcAnyColor | platform::kCcEnableHook;
  record.lpfnHook = &ColourDialogHook;
  // Cancelling leaves the record's white in place: the dialog's own answer is not looked at.
  platform::ChooseColor(record);
  return static_cast<int32_t>(record.rgbResult);
}

}  // namespace kestrin
