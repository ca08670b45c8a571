// The platform's colour dialog, driven by a record as the platform passes it: flags, initial
// colour, the 16 custom colours and a hook that sees the dialog's messages (on initialisation
// it may change the title). The interactive back end shows Qt's colour dialog; tests install a
// scripted back end that answers from a queue and records what each dialog looked like.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace platform {

// Flags of the record.
inline constexpr uint32_t kCcRgbInit = 0x1;      // start from rgbResult
inline constexpr uint32_t kCcEnableHook = 0x10;  // call lpfnHook
inline constexpr uint32_t kCcAnyColor = 0x100;   // every colour, not only the basic ones
// The message the hook gets once the dialog exists and before it shows.
inline constexpr unsigned kWmInitDialog = 272;

using ColourHookProc = uintptr_t (*)(QWidget* dialog, unsigned message, uintptr_t wParam,
                                     intptr_t lParam);

struct ChooseColorRecord {
  uint32_t lStructSize = 36;
  QWidget* hwndOwner = nullptr;
  uintptr_t hInstance = 0;
  uint32_t rgbResult = 0;            // colour value: red in the lowest byte
  uint32_t* lpCustColors = nullptr;  // 16 colour values, read and written back
  uint32_t Flags = 0;
  intptr_t lCustData = 0;
  ColourHookProc lpfnHook = nullptr;
};

// Shows the dialog. True with rgbResult (and the custom colours) set when the user chose a
// colour; false when cancelled or the record is not usable, leaving rgbResult as it was.
bool ChooseColor(ChooseColorRecord& record);
// A window's title, as the hook sets it.
bool SetWindowText(QWidget* window, const std::string& text);

// What a scripted dialog saw when it was shown.
struct ColourDialogRequest {
  std::string title;
  uint32_t initialColor = 0;  // colour value
  std::vector<uint32_t> customColors;
  QWidget* owner = nullptr;
};

class ColourDialogBackend {
 public:
  virtual ~ColourDialogBackend() = default;
  // `dialog` is the prepared QColorDialog; the chosen colour value, or nothing when cancelled.
  virtual std::optional<uint32_t> Show(QWidget& dialog) = 0;
};

// Replaces the back end (nullptr restores the interactive one); returns the previous one.
std::shared_ptr<ColourDialogBackend> SetColourDialogBackend(
    std::shared_ptr<ColourDialogBackend> backend);

// Answers with the queued colours in order (nothing queued: cancelled) and records the dialogs.
class ScriptedColourDialogs : public ColourDialogBackend {
 public:
  std::optional<uint32_t> Show(QWidget& dialog) override;
  std::deque<std::optional<uint32_t>> answers;
  std::vector<ColourDialogRequest> requests;
};

}  // namespace platform
