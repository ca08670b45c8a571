// The application's windows: one instance per window class, made and loaded when first asked
// for, and destroyed with its controls and pictures by Unload. An MDI child is shown in the main
// window as it loads. The editors' series live elsewhere and outlive the windows.
#pragma once

#include <cstdint>

namespace platform {
class Form;
}

namespace kestrin {

class MainWindow;
class RotationWindow;
class ColourWindow;
class MeshWindow;
class CommentWindow;
class TransparencyWindow;
class OkCancelDialog;
class ProgressWindow;
class EditorWindow;

enum class WindowId { MDIF1, Dialog, Dialog2, Dialog3, Dialog4, Dialog5, Dialog6, Dialog7, Syori };

namespace windows {

MainWindow& MDIF1();
RotationWindow& Dialog();
ColourWindow& Dialog2();
MeshWindow& Dialog3();
CommentWindow& Dialog4();
TransparencyWindow& Dialog5();
OkCancelDialog& Dialog6();
OkCancelDialog& Dialog7();
ProgressWindow& Syori();

bool IsLoaded(WindowId id);
// Unloading a window that is not loaded does nothing.
void Unload(WindowId id);
// Unloads every window, the main window last.
void UnloadAll();

// The window of an editor number: 1 Dialog ... 7 Dialog7 (loading it); null for other numbers.
platform::Form* ByEditorNumber(int16_t number);
// The series or comment editor (1 to 4) of an editor number, loading it; null for other numbers.
EditorWindow* EditorByNumber(int16_t number);

}  // namespace windows
}  // namespace kestrin
