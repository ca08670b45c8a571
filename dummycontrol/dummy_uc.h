// Fennick's one control: an empty user control that a library places, hidden, on a window to
// keep it from flickering. It always has the size of its image.
#pragma once

#include <QImage>

#include "platform/forms/control.h"
#include "platform/forms/controls.h"

#if defined(FENNICK_BUILDING)
#define FENNICK_API __attribute__((visibility("default")))
#else
#define FENNICK_API
#endif

namespace fennick {

inline constexpr const char* kProgIdDummyUC = "Fennick.DummyUC";
inline constexpr const char* kClsidDummyUC = "{8B0F3E4A-6C1D-4F2B-9E57-3A1C2D4B5E60}";

class FENNICK_API DummyUC : public platform::ControlOf<QWidget> {
 public:
  explicit DummyUC(QWidget* parent = nullptr);
  // The control's only child, not a control of the form it is placed on.
  platform::ImageControl& Image1() { return *image1_; }

  // The 32 x 32, 256-colour icon stored with the control.
  static QImage Icon();

 protected:
  void OnResize() override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void KeepSize();
  platform::ImageControl* image1_;
};

}  // namespace fennick
