// The colour dialog of the transparency editor, under its own title "カラーパレット".
#pragma once

#include <cstdint>

class QWidget;

namespace kestrin {

// The chosen colour as red + 256 x green + 65536 x blue; white when the dialog is cancelled. The
// dialog stands over `owner`.
int32_t ChooseColourDialog(QWidget* owner);
// Handed to the dialog: on its initialisation it sets the title; 0 lets the dialog do the rest.
uintptr_t ColourDialogHook(QWidget* dialog, unsigned message, uintptr_t wParam, intptr_t lParam);

}  // namespace kestrin
