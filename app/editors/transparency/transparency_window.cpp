#include "app/editors/transparency/transparency_window.h"

#include <QPointer>
#include <algorithm>

#include "app/editor_files.h"
#include "app/editors/transparency/color.h"
#include "app/editors/transparency/result_capture.h"
#include "app/main_window.h"
#include "app/windows.h"
#include "platform/kernel/err.h"

namespace kestrin {

namespace {

constexpr const char* kFloatCaption = "透過";
constexpr const char* kConfirmCaption = "確定";

platform::PictureBox& PlaceBox(Window& w, const char* name, int left, int top, int width,
                               int height, platform::Control* container) {
  auto& box = w.Place<platform::PictureBox>(name, left, top, width, height, container);
  box.SetScaleMode(platform::kScalePixels);
  return box;
}

}  // namespace

TransparencyWindow::TransparencyWindow() : Window("Dialog5") {
  resize(sizeHint());
  // Placed in twips; the window then counts in pixels, so that the work buffers IM3 and IM4
  // take the sizes that the images report in their pixel-scaled boxes.
  auto& frame1 = Place<platform::Frame>("Frame1", "元のイメージ", 120, 120, 4800, 4800);
  // Large pictures scroll inside their frames; they are never shrunk, since the piece is cut
  // and laid down pixel for pixel where it is shown.
  frame1.EnableView().SetMode(platform::ZoomMode::Actual);
  im1_ = &PlaceBox(*this, "IM1", 120, 300, 4560, 4380, &frame1);
  // Inside the boxes, pixels.
  iml_ = &Place<platform::ImageControl>("IML", 20, 20, 80, 60, im1_);
  iml_->SetBorderStyle(1);
  imc_ = &GetControls().Add<platform::ImageControl>("IMC", im1_);

  auto& frame2 = Place<platform::Frame>("Frame2", "透過イメージ", 5040, 120, 4800, 4800);
  frame2.EnableView().SetMode(platform::ZoomMode::Actual);
  im2_ = &PlaceBox(*this, "IM2", 120, 300, 4560, 4380, &frame2);
  imr_ = &Place<platform::ImageControl>("IMR", 20, 20, 80, 60, im2_);
  imr_->SetBorderStyle(1);

  // Work buffers, never shown.
  im3_ = &GetControls().Add<platform::PictureBox>("IM3");
  im4_ = &GetControls().Add<platform::PictureBox>("IM4");
  for (platform::PictureBox* b : {im3_, im4_}) {
    b->SetBorderStyle(0);
    b->SetScaleMode(platform::kScalePixels);
  }
  for (platform::PictureBox* b : {im1_, im2_}) b->SetAutoSize(true);

  const int x = 9960, w = 2760;
  command5_[0] = &Place<platform::CommandButton>("Command5", "元のイメージ開く(BMP)", x, 240, w,
                                                 420, nullptr, 0);
  command5_[1] = &Place<platform::CommandButton>("Command5", "透過のイメージ開く(JPG,BMP)", x, 720,
                                                 w, 420, nullptr, 1);
  label2_ = &PlaceLabel("Label2", "透過色", x, 1320, w, 360);
  label2_->setAlignment(Qt::AlignCenter);
  label2_->SetBackColor(label2_->BackColor());
  command3_ = &Place<platform::CommandButton>("Command3", "透過色パレット", x, 1740, w, 420);
  command4_ = &Place<platform::CommandButton>("Command4", kFloatCaption, x, 2400, w, 420);
  command1_ = &Place<platform::CommandButton>("Command1", "キャンセル", x, 2880, w, 420);
  PlaceLabel("Label3", "許容差", x, 3540, 840, 300);
  tl1_ = &Place<platform::Slider>("TL1", x + 840, 3480, w - 840, 420);
  tl1_->SetRange(0, 100);
  tl1_->SetValue(0);

  auto& frame3 = Place<platform::Frame>("Frame3", "保存形式の選択", 120, 5040, 4800, 780);
  gif1_ = &Place<platform::OptionButton>("GIF1", "GIF", 240, 300, 1200, 360, &frame3);
  bmp1_ = &Place<platform::OptionButton>("BMP1", "BMP", 1680, 300, 1200, 360, &frame3);
  jpg1_ = &Place<platform::OptionButton>("JPG1", "JPG", 3120, 300, 1200, 360, &frame3);
  // The JPEG quality, named beside the slider as well; both show only for JPG.
  as1Label_ = &PlaceLabel("Label5", "圧縮率", 5160, 5340, 840, 300);
  as1_ = &Place<platform::Slider>("AS1", 6000, 5280, 3840, 420);
  as1_->SetRange(1, 100);
  as1_->SetValue(80);
  as1_->setToolTip("圧縮率");
  as1_->SetVisible(false);
  as1Label_->SetVisible(false);
  command2_ = &Place<platform::CommandButton>("Command2", "保存", x, 5280, w, 420);
  PlaceGifOptions(180, 5940, 4800, false);
  // Room for the frame "GIF" below the choice of format.
  resize(std::max(width(), 880), std::max(height(), 480));
  SetScaleMode(platform::kScalePixels);

  command5_[0]->onClick = [this] { OpenPictureClick(0); };
  command5_[1]->onClick = [this] { OpenPictureClick(1); };
  command3_->onClick = [this] { ChooseKeyColourClick(); };
  command4_->onClick = [this] { FloatOrPlaceClick(); };
  command1_->onClick = [this] { CancelClick(); };
  command2_->onClick = [this] { SaveClick(); };
  auto showQuality = [this](bool on) {
    as1_->SetVisible(on);
    as1Label_->SetVisible(on);
  };
  gif1_->onClick = [showQuality] { showQuality(false); };
  bmp1_->onClick = [showQuality] { showQuality(false); };
  jpg1_->onClick = [showQuality] { showQuality(true); };

  // While an image is dragged its box counts in twips, afterwards in pixels again. These run
  // before the dragging objects' own handlers.
  auto scale = [this](int mode) {
    return [this, mode](int, int, int, int) {
      im1_->SetScaleMode(mode);
      im2_->SetScaleMode(mode);
    };
  };
  for (platform::ImageControl* image : {iml_, imr_}) {
    image->onMouseDown = scale(platform::kScaleTwips);
    image->onMouseUp = scale(platform::kScalePixels);
  }
  picBox1_.SetControl(im1_, *this);
  picBox2_.SetControl(im2_, *this);
  auto self = [this]() -> TransparencyWindow& { return *this; };
  class1L_.SetControl(iml_, self);
  class1R_.SetControl(imr_, self);
}

void TransparencyWindow::Handle(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const platform::RuntimeError& e) {
    ShowMessage("実行時エラー '" + std::to_string(e.Number()) + "':\n\n" + e.Description());
  }
}

void TransparencyWindow::OpenPictureClick(int index) {
  Handle([this, index] {
    LoadPictureIntoSaveEditor(*this, windows::MDIF1().CD(), static_cast<int16_t>(index + 1));
  });
}

void TransparencyWindow::ChooseKeyColourClick() {
  Handle([this] { label2_->SetBackColor(ChooseColourDialog(this)); });
}

void TransparencyWindow::FloatOrPlaceClick() {
  Handle([this] {
    if (Floating())
      Apply();
    else
      MakeFloat();
  });
}

void TransparencyWindow::CancelClick() {
  Handle([this] {
    if (CompositeUnsaved() && !AskYesNo(kDiscardCompositeQuestion)) return;
    im1_->SetPicture(platform::LoadPicture(""));
    im2_->SetPicture(platform::LoadPicture(""));
    composer_.ForgetComposite();
  });
}

void TransparencyWindow::MakeFloat() {
  im3_->SetPicture(platform::LoadPicture(""));
  im3_->SetWidth(0);
  im3_->SetHeight(0);
  im3_->SetWidth(iml_->Width());
  im3_->SetHeight(iml_->Height());
  TransparencyComposer::CutPiece(im3_->hDC(), im1_->hDC(), RoundToLong(iml_->Left()),
                                 RoundToLong(iml_->Top()), RoundToLong(iml_->Width()),
                                 RoundToLong(iml_->Height()));
  im3_->Refresh();
  imr_->SetPicture(im3_->Image());
  QPointer<TransparencyWindow> self(this);
  const bool captured = CaptureResultToTempBmp(*this);
  // The capture yields: the window may have been closed meanwhile.
  if (!self || Unloaded()) return;
  if (!captured) {
    // No piece to lay down: stay idle rather than apply an older capture later.
    imr_->SetPicture(platform::LoadPicture(""));
    return;
  }
  composer_.Float();
  command4_->SetCaption(kConfirmCaption);
}

void TransparencyWindow::Apply() {
  // Every step runs even when one before it failed.
  IgnoreErrors([&] {
    im4_->SetPicture(platform::LoadPicture(""));
    im4_->SetWidth(0);
    im4_->SetHeight(0);
  });
  IgnoreErrors([&] { im4_->SetWidth(imr_->Width()); });
  IgnoreErrors([&] { im4_->SetHeight(imr_->Height()); });
  IgnoreErrors([&] { im4_->SetPicture(platform::LoadPicture(TempBmpPath())); });
  im4_->Refresh();
  IgnoreErrors([&] {
    TransparencyComposer::DrawPiece(im2_->hDC(), RoundToLong(imr_->Left()),
                                    RoundToLong(imr_->Top()), RoundToLong(im4_->Width() - 5),
                                    RoundToLong(im4_->Height() - 5), im4_->GetPicture(),
                                    {label2_->BackColor(), tl1_->Value()});
  });
  im2_->Refresh();
  composer_.Placed();
  imr_->SetPicture(platform::LoadPicture(""));
  command4_->SetCaption(kFloatCaption);
}

CompositeFormat TransparencyWindow::ChosenFormat() const {
  if (jpg1_->Value()) return CompositeFormat::Jpeg;
  if (bmp1_->Value()) return CompositeFormat::Bmp;
  if (gif1_->Value()) return CompositeFormat::Gif;
  return CompositeFormat::None;
}

void TransparencyWindow::SaveClick() {
  Handle([this] {
    const CompositeFormat format = ChosenFormat();
    if (format == CompositeFormat::None) {
      ShowMessage(kChooseFormatMessage);
      return;
    }
    const std::string name = ChooseGifToSave(windows::MDIF1().CD());
    if (name.empty()) return;
    Composite composite;
    if (format == CompositeFormat::Jpeg) {
      composite.dc = im2_->hDC();
      composite.width = RoundToLong(im2_->ScaleWidthPixels());
      composite.height = RoundToLong(im2_->ScaleHeightPixels());
    } else {
      composite.picture = im2_->Image();
    }
    composer_.Save(format, name, composite, as1_->Value(), Options());
  });
}

}  // namespace kestrin
