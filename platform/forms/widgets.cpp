#include "platform/forms/widgets.h"

#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <cmath>

#include "platform/font/qt_font.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/gdi/sys_colors.h"

namespace platform {

namespace {
const bool kRegistered =
    RegisterControlClass<Label>("VB.Label", "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A05}") &&
    RegisterControlClass<CommandButton>("VB.CommandButton",
                                        "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A06}") &&
    RegisterControlClass<OptionButton>("VB.OptionButton",
                                       "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A07}") &&
    RegisterControlClass<CheckBox>("VB.CheckBox", "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A08}") &&
    RegisterControlClass<ComboBox>("VB.ComboBox", "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A09}") &&
    RegisterControlClass<Slider>("MSComctlLib.Slider", "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A0A}") &&
    RegisterControlClass<ProgressBar>("MSComctlLib.ProgressBar",
                                      "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A0B}") &&
    RegisterControlClass<Timer>("VB.Timer", "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A0C}") &&
    RegisterControlClass<Shape>("VB.Shape", "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A0D}");
}  // namespace

Label::Label(QWidget* parent) : ControlOf<QLabel>(parent) {
  (void)kRegistered;
}

void Label::SetBackColor(int32_t color) {
  const int32_t rgb = TranslateColor(color);
  backColor_ = color;
  QPalette p = palette();
  p.setColor(QPalette::Window, QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF));
  setPalette(p);
  setAutoFillBackground(true);
}

CommandButton::CommandButton(QWidget* parent) : ControlOf<QPushButton>(parent) {
  QObject::connect(this, &QPushButton::clicked, this, [this] {
    if (onClick) onClick();
  });
}

OptionButton::OptionButton(QWidget* parent) : ControlOf<QRadioButton>(parent) {
  QObject::connect(this, &QRadioButton::toggled, this, [this](bool on) {
    if (on && onClick) onClick();
  });
}

CheckBox::CheckBox(QWidget* parent) : ControlOf<QCheckBox>(parent) {
  QObject::connect(this, &QCheckBox::toggled, this, [this](bool) {
    if (onClick) onClick();
  });
}

ComboBox::ComboBox(QWidget* parent) : ControlOf<QComboBox>(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setCurrentIndex(-1);
  installEventFilter(this);
  if (lineEdit()) lineEdit()->installEventFilter(this);
}

void ComboBox::SetText(const std::string& text) {
  const QString t = QString::fromStdString(text);
  const int i = findText(t);
  if (i >= 0)
    setCurrentIndex(i);
  else
    setEditText(t);
}

bool ComboBox::eventFilter(QObject* watched, QEvent* event) {
  // The box and its edit line both lose the focus when the user moves on; report it once. The
  // focus comes back after the box's own list or another window (a message box, say) had it.
  if (event->type() == QEvent::FocusOut && watched == lineEdit() && onLostFocus) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) onLostFocus();
  }
  return QComboBox::eventFilter(watched, event);
}

Slider::Slider(QWidget* parent)
    : ControlOf<QWidget>(parent), bar_(new QSlider(Qt::Horizontal)), box_(new QSpinBox) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(4);
  row->addWidget(bar_, 1);
  row->addWidget(box_);
  // A typed number counts once it is complete, not at every digit: a slider's handler may
  // start long work.
  box_->setKeyboardTracking(false);
  box_->setAlignment(Qt::AlignRight);
  SetRange(bar_->minimum(), bar_->maximum());
  QObject::connect(bar_, &QSlider::valueChanged, this, [this](int v) {
    if (box_->value() != v) box_->setValue(v);
    if (onScroll) onScroll();
  });
  QObject::connect(box_, &QSpinBox::valueChanged, bar_, &QSlider::setValue);
}

void Slider::SetRange(int min, int max) {
  bar_->setRange(min, max);
  box_->setRange(min, max);
  box_->setValue(bar_->value());
  // Wide enough for the longest number of the range.
  const QString widest = QString::number(std::abs(min) > std::abs(max) ? min : max);
  box_->setMinimumWidth(box_->fontMetrics().horizontalAdvance(widest + QStringLiteral("00")) + 20);
  layout()->activate();
}

ProgressBar::ProgressBar(QWidget* parent) : ControlOf<QProgressBar>(parent) {
  setTextVisible(false);
  Show();
}

void ProgressBar::SetMin(double v) {
  min_ = v;
  Show();
}
void ProgressBar::SetMax(double v) {
  max_ = v;
  Show();
}
void ProgressBar::SetValue(double v) {
  value_ = v;
  Show();
}

void ProgressBar::Show() {
  // The bar shows the value's share of the range in thousandths.
  setRange(0, 1000);
  const double span = max_ - min_;
  double share = span > 0 ? (value_ - min_) / span : 1.0;
  share = std::isfinite(share) ? std::clamp(share, 0.0, 1.0) : 0.0;
  setValue(static_cast<int>(share * 1000));
}

Timer::Timer(QWidget* parent) : ControlOf<QWidget>(parent) {
  QObject::connect(&timer_, &QTimer::timeout, this, [this] {
    if (onTimer) onTimer();
  });
}

void Timer::SetInterval(int ms) {
  interval_ = ms < 0 ? 0 : ms;
  if (interval_ == 0) {
    timer_.stop();
  } else {
    timer_.start(interval_);
  }
}

Shape::Shape(QWidget* parent) : ControlOf<QFrame>(parent) {
  setFrameShape(QFrame::Box);
}

MultiLineTextBox::MultiLineTextBox(QWidget* parent)
    : ControlOf<QPlainTextEdit>(parent), font_(std::make_shared<StdFont>()) {
  ApplyFont();
}

std::string MultiLineTextBox::Text() const {
  return toPlainText().replace(QStringLiteral("\n"), QStringLiteral("\r\n")).toStdString();
}

void MultiLineTextBox::SetText(const std::string& text) {
  setPlainText(QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void MultiLineTextBox::ApplyFont() {
  QFont f = ToQFont(*font_);
  f.setStyleStrategy(QFont::PreferDefault);  // the box itself may smooth its text
  setFont(f);
}

void MultiLineTextBox::keyPressEvent(QKeyEvent* event) {
  if (onKeyPress) {
    const int code = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter
                         ? 13
                         : (event->text().isEmpty() ? 0 : event->text().at(0).unicode());
    if (code != 0) onKeyPress(code);
  }
  QPlainTextEdit::keyPressEvent(event);
}

}  // namespace platform
