// Controls of the application's windows: labels, buttons, option buttons, check boxes, combo
// boxes, sliders, progress bars, timers and shapes. Each wraps the ordinary Qt widget and offers
// the properties and events that the windows use, as plain members and std::function handlers.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "platform/font/font.h"
#include "platform/forms/control.h"

namespace platform {

using Handler = std::function<void()>;

class Label : public ControlOf<QLabel> {
 public:
  explicit Label(QWidget* parent = nullptr);
  std::string Caption() const { return text().toStdString(); }
  void SetCaption(const std::string& caption) { setText(QString::fromStdString(caption)); }
  // A colour value (system colours included), shown behind the caption.
  int32_t BackColor() const { return backColor_; }
  void SetBackColor(int32_t color);
  bool IsLightweight() const override { return true; }

 private:
  int32_t backColor_ = static_cast<int32_t>(0x8000000F);  // button face
};

class CommandButton : public ControlOf<QPushButton> {
 public:
  explicit CommandButton(QWidget* parent = nullptr);
  std::string Caption() const { return text().toStdString(); }
  void SetCaption(const std::string& caption) { setText(QString::fromStdString(caption)); }
  Handler onClick;
};

// Option buttons of one container exclude each other.
class OptionButton : public ControlOf<QRadioButton> {
 public:
  explicit OptionButton(QWidget* parent = nullptr);
  std::string Caption() const { return text().toStdString(); }
  void SetCaption(const std::string& caption) { setText(QString::fromStdString(caption)); }
  bool Value() const { return isChecked(); }
  void SetValue(bool on) { setChecked(on); }
  // Runs when the button becomes selected, by the user or by SetValue(true).
  Handler onClick;
};

class CheckBox : public ControlOf<QCheckBox> {
 public:
  explicit CheckBox(QWidget* parent = nullptr);
  std::string Caption() const { return text().toStdString(); }
  void SetCaption(const std::string& caption) { setText(QString::fromStdString(caption)); }
  int Value() const { return isChecked() ? 1 : 0; }  // 0 unchecked, 1 checked
  void SetValue(int value) { setChecked(value != 0); }
  // Runs whenever the value changes.
  Handler onClick;
};

// A combo box whose text can also be typed.
class ComboBox : public ControlOf<QComboBox> {
 public:
  explicit ComboBox(QWidget* parent = nullptr);
  std::string Text() const { return currentText().toStdString(); }
  void SetText(const std::string& text);
  void AddItem(const std::string& item) { addItem(QString::fromStdString(item)); }
  int ListCount() const { return count(); }
  std::string List(int index) const { return itemText(index).toStdString(); }
  Handler onLostFocus;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// A slider with a number box at its right end that shows its value and takes a typed one (on
// Enter or when the box loses the focus); the two stay in step.
class Slider : public ControlOf<QWidget> {
 public:
  explicit Slider(QWidget* parent = nullptr);
  int Min() const { return bar_->minimum(); }
  int Max() const { return bar_->maximum(); }
  void SetRange(int min, int max);
  int Value() const { return bar_->value(); }
  void SetValue(int v) { bar_->setValue(v); }
  QSlider& Bar() { return *bar_; }
  QSpinBox& NumberBox() { return *box_; }
  // Runs whenever the value changes.
  Handler onScroll;

 private:
  QSlider* bar_;
  QSpinBox* box_;
};

// Min, Max and Value are floats, as the windows set them.
class ProgressBar : public ControlOf<QProgressBar> {
 public:
  explicit ProgressBar(QWidget* parent = nullptr);
  double Min() const { return min_; }
  double Max() const { return max_; }
  double Value() const { return value_; }
  void SetMin(double v);
  void SetMax(double v);
  void SetValue(double v);

 private:
  void Show();
  double min_ = 0, max_ = 100, value_ = 0;
};

// An invisible clock: ticks every Interval milliseconds; 0 stops it.
class Timer : public ControlOf<QWidget> {
 public:
  explicit Timer(QWidget* parent = nullptr);
  int Interval() const { return interval_; }
  void SetInterval(int ms);
  Handler onTimer;

 private:
  QTimer timer_;
  int interval_ = 0;
};

// A decorative rectangle.
class Shape : public ControlOf<QFrame> {
 public:
  explicit Shape(QWidget* parent = nullptr);
  bool IsLightweight() const override { return true; }
};

// A text box of several lines; its text uses CR LF between lines.
class MultiLineTextBox : public ControlOf<QPlainTextEdit> {
 public:
  explicit MultiLineTextBox(QWidget* parent = nullptr);
  std::string Text() const;
  void SetText(const std::string& text);
  // The font object that the box shows its text in; changing it and calling ApplyFont shows the
  // change.
  const Font& GetFont() const { return font_; }
  void ApplyFont();
  // Runs for every key typed, with its character code (13 for Enter), before the key is handled.
  std::function<void(int)> onKeyPress;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  Font font_;
};

}  // namespace platform
