// Where a container shows the controls inside it: a surface inside the container's client area
// that clips them, shows their pictures whole (shrunk to fit, never enlarged) or at their own
// size with scroll bars. Controls keep their positions and sizes in their container's terms;
// only what is shown is moved and scaled.
#pragma once

#include <QObject>
#include <QRect>
#include <functional>
#include <optional>

class QScrollBar;
class QWidget;

namespace platform {

class Control;

enum class ZoomMode { Fit, Actual };

class Viewport : public QObject {
 public:
  // `owner` is the container's widget; `area` gives, in the owner's coordinates, the rectangle
  // that the view may fill (inside a border or below a caption).
  Viewport(QWidget* owner, std::function<QRect()> area);

  // The widget that the container's controls are children of.
  QWidget* Surface() const { return surface_; }
  QScrollBar* HorizontalBar() const { return hbar_; }
  QScrollBar* VerticalBar() const { return vbar_; }

  ZoomMode Mode() const { return mode_; }
  void SetMode(ZoomMode mode);
  // The factor the pictures are shown at: 1 at their own size, below 1 when shrunk to fit.
  double Scale() const { return scale_; }

  // What the view must show whole, in pixels of the container's client area. Without it the
  // view shows the union of its visible controls; a series played in one place sets the union of
  // all its frames, so that the scale stays the same from frame to frame.
  void SetContent(std::optional<QRect> content);
  QRect Content() const;

  // Whether content smaller than the view lies in its middle rather than at its top left.
  void SetCentred(bool on);

  // Where a control's rectangle (pixels of the client area) is shown on the surface.
  QRect Shown(const QRect& logical, bool zoomable) const;
  // Places every control again after a control or the area changed.
  void Relayout();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PlaceChildren();
  QWidget* owner_;
  std::function<QRect()> area_;
  QWidget* surface_;
  QScrollBar* hbar_;
  QScrollBar* vbar_;
  ZoomMode mode_ = ZoomMode::Fit;
  double scale_ = 1.0;
  bool centred_ = false;
  QPoint margin_;  // where the content starts while it is centred
  QRect content_;  // as used by the last layout
  std::optional<QRect> fixedContent_;
  bool laying_ = false;
};

}  // namespace platform
