#include "app/editor_window.h"

#include <malloc.h>

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include "app/animated_export.h"
#include "app/animation_button.h"
#include "app/main_window.h"
#include "app/windows.h"
#include "platform/kernel/err.h"

namespace kestrin {

Window::Window(const std::string& name) {
  SetName(name);
  setWindowTitle(QString::fromUtf8(kDialogCaption));
}

platform::Label& Window::PlaceLabel(const std::string& name, const std::string& caption, int left,
                                    int top, int width, int height, platform::Control* container) {
  platform::Label& l = Place<platform::Label>(name, left, top, width, height, container);
  l.SetCaption(caption);
  return l;
}

namespace {

platform::ComboBox& PlaceChoice(Window& w, const std::string& name, const char* const* captions,
                                int count, int current, int left, int top, int width,
                                platform::Control* frame) {
  auto& box = w.Place<platform::ComboBox>(name, left, top, width, 330, frame);
  box.setEditable(false);
  for (int i = 0; i < count; ++i) box.AddItem(captions[i]);
  box.setCurrentIndex(current);
  return box;
}

}  // namespace

void Window::PlaceGifOptions(int left, int top, int width, bool transparency, bool animation) {
  auto& frame =
      Place<platform::Frame>("GifFrame", "GIF", left, top, width, transparency ? 1440 : 1080);
  const int half = (width - 240) / 2;
  compressionBox_ = &Place<platform::CheckBox>("LZWCheck", "LZW圧縮", 120, 300,
                                               animation ? half : width - 240, 300, &frame);
  compressionBox_->SetValue(1);
  if (animation) {
    optimizeBox_ = &Place<platform::CheckBox>("OptimizeCheck", kOptimizeCaption, 120 + half, 300,
                                              half, 300, &frame);
    optimizeBox_->SetValue(1);
    optimizeBox_->setToolTip(
        QString::fromUtf8("アニメGIFに、前のフレームから変わった部分だけを書きます "
                          "(見え方は同じで、小さくなります)"));
  }
  const int labelWidth = 840, boxLeft = 120 + labelWidth, boxWidth = width - boxLeft - 120;
  PlaceLabel("ReduceLabel", "減色", 120, 690, labelWidth, 300, &frame);
  reductionBox_ =
      &PlaceChoice(*this, "ReduceCombo", kReductionCaptions, 3,
                   static_cast<int>(GifOptions{}.reduction), boxLeft, 660, boxWidth, &frame);
  reductionBox_->setToolTip(QString::fromUtf8(
      "256色を超えるイメージの減色: 固定のハーフトーン、イメージから作る最適パレット、"
      "最適パレットに誤差拡散ディザ"));
  if (!transparency) return;
  PlaceLabel("TransLabel", "透過色", 120, 1050, labelWidth, 300, &frame);
  transparencyBox_ = &PlaceChoice(*this, "TransCombo", kTransparencyCaptions, 3, 0, boxLeft, 1020,
                                  boxWidth, &frame);
  transparencyBox_->setToolTip(
      QString::fromUtf8("指定色: 元のイメージをクリックすると、その色が透過色になります"));
}

GifOptions Window::Options() const {
  GifOptions o;
  if (compressionBox_ && compressionBox_->Value() == 0) o.compression = pellory::LiteralCodes;
  if (reductionBox_ && reductionBox_->currentIndex() >= 0)
    o.reduction = static_cast<pellory::Vesk_GifReduceColorEnum>(reductionBox_->currentIndex());
  if (transparencyBox_) {
    const int i = transparencyBox_->currentIndex();
    if (i == 1) o.transparency = TransparencyChoice::None;
    // Until a colour is picked, "指定色" keeps the top-left colour.
    if (i == 2 && pickedColour_ >= 0) {
      o.transparency = TransparencyChoice::Picked;
      o.transparentColour = pickedColour_;
    }
  }
  return o;
}

void Window::PickTransparentColour(const platform::Picture& picture, int x, int y) {
  if (!transparencyBox_ || transparencyBox_->currentIndex() != 2 || !picture) return;
  const QImage& image = picture->Image();
  if (!image.valid(x, y)) return;
  const QRgb c = image.pixel(x, y);
  pickedColour_ = qRed(c) | qGreen(c) << 8 | qBlue(c) << 16;
  ShowPickedColour();
}

void Window::ShowPickedColour() {
  transparencyBox_->setItemText(2, QString::fromUtf8(kTransparencyCaptions[2]) + " " +
                                       QString::fromStdString(HexColour(pickedColour_)));
}

EditorWindow::EditorWindow(const std::string& name) : Window(name) {}

EditorWindow::~EditorWindow() {
  // The pictures of the controls go after this body; large freed blocks stay with the process
  // unless trimmed (the allocator keeps raising its threshold for returning them at once).
  if (QCoreApplication::instance())
    QTimer::singleShot(0, QCoreApplication::instance(), [] { malloc_trim(0); });
}

void EditorWindow::PlacePictures(int left, int top, int width, int height,
                                 const std::string& im2Caption) {
  auto& f1 = Place<platform::Frame>("Frame1", left, top, width, height);
  f1.SetCaption("元のイメージ");
  AddView(f1.EnableView());
  im1_ = &Place<platform::ImageControl>("IM1", 120, 300, width - 240, height - 420, &f1);
  im1_->onMouseDown = [this](int, int, int x, int y) {
    PickTransparentColour(im1_->GetPicture(), x, y);
  };
  auto& f2 = Place<platform::Frame>("Frame2", left + width + 120, top, width, height);
  f2.SetCaption(im2Caption);
  AddView(f2.EnableView());
  im2_ = &Place<platform::ImageControl>("IM2", 120, 300, width - 240, height - 420, &f2);
}

void EditorWindow::AddView(platform::Viewport& view) {
  view.SetMode(!zoomBox_ || zoomBox_->Value() ? platform::ZoomMode::Fit
                                              : platform::ZoomMode::Actual);
  views_.push_back(&view);
}

void EditorWindow::PlaceZoomChoice(int left, int top, int width) {
  zoomBox_ = &Place<platform::CheckBox>("ZoomCheck", kZoomCaption, left, top, width, 300);
  zoomBox_->SetValue(1);
  zoomBox_->setToolTip(
      QString::fromUtf8("チェックを外すと、イメージを実寸で表示し、スクロールして見られます"));
  zoomBox_->onClick = [this] {
    const auto mode = zoomBox_->Value() ? platform::ZoomMode::Fit : platform::ZoomMode::Actual;
    for (platform::Viewport* view : views_) view->SetMode(mode);
  };
}

void EditorWindow::PlaceAnimationControls(const std::string& buttonName, int left, int top,
                                          int width, int fieldLeft, int fieldTop,
                                          std::function<std::vector<platform::Picture>()> frames,
                                          std::function<void()> saved) {
  animationButton_ =
      &Place<platform::CommandButton>(buttonName, kAnimationButtonCaption, left, top, width, 400);
  constexpr int kLabelWidth = 1740, kFieldWidth = 660;
  PlaceLabel("DelayLabel", kDelayLabelCaption, fieldLeft - kLabelWidth, fieldTop + 45, kLabelWidth,
             300);
  delayText_ = &Place<platform::TextBox>("DelayText", fieldLeft, fieldTop, kFieldWidth, 330);
  delayText_->SetText("10");
  animationButton_->onClick = [this, frames = std::move(frames), saved = std::move(saved)] {
    RunAlone({animationButton_}, [&] {
      if (SaveAnimationClick(windows::MDIF1().CD(), frames(), delayText_->Text(),
                             OptimizeFrames()) &&
          saved)
        saved();
    });
  };
}

void EditorWindow::RunAlone(const std::vector<platform::CommandButton*>& buttons,
                            const std::function<void()>& work) {
  if (busy_) return;
  busy_ = true;
  // The work may unload this window and yield, and the message loop may destroy the window
  // meanwhile; then nothing of it is touched afterwards.
  QPointer<EditorWindow> self(this);
  std::vector<QPointer<QWidget>> disabled;
  for (platform::CommandButton* b : buttons) {
    if (b->isEnabled()) disabled.emplace_back(b);
    b->setEnabled(false);
  }
  try {
    work();
  } catch (...) {
    for (auto& b : disabled)
      if (b) b->setEnabled(true);
    if (self) busy_ = false;
    throw;
  }
  for (auto& b : disabled)
    if (b) b->setEnabled(true);
  if (self) busy_ = false;
}

void IgnoreErrors(const std::function<void()>& statement) {
  try {
    statement();
  } catch (const platform::RuntimeError&) {
  }
}

}  // namespace kestrin
