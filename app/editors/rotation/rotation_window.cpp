#include "app/editors/rotation/rotation_window.h"

#include <QPointer>

#include "app/animated_export.h"
#include "app/editor_files.h"
#include "app/main_window.h"
#include "app/preview_pacer.h"
#include "app/progress_window.h"
#include "app/windows.h"
#include "giflib/object/vesk_global_methods.h"

namespace kestrin {

RotationWindow::RotationWindow() : EditorWindow("Dialog"), series_(ProgramRotationState()) {
  resize(760, 420);
  PlacePictures(120, 120, 3000, 3000, "回転イメージ");
  PlaceLabel("Label3", "連続イメージ", 6480, 120, 1800, 300);
  PlaceZoomChoice(8400, 120, 2640);
  // The frames play inside the box that Shape1 draws, however far they turn out of it.
  view3_ = &Place<platform::ViewBox>("View3", 6540, 480, 4440, 2640);
  view3_->View()->SetCentred(true);
  AddView(*view3_->View());
  im3_ = &Place<platform::ImageControl>("IM3", 0, 0, 3000, 2640, view3_);
  Place<platform::Shape>("Shape1", 6480, 420, 4560, 2760).lower();

  PlaceLabel("Label1", "角度", 120, 3300, 600, 300);
  kakudo_ = &Place<platform::TextBox>("kakudo", 720, 3240, 1080, 330);
  PlaceLabel("Label2", "増数", 1920, 3300, 600, 300);
  text1_ = &Place<platform::TextBox>("Text1", 2520, 3240, 1080, 330);

  auto& frame3 = Place<platform::Frame>("Frame3", "方向", 120, 3720, 3480, 720);
  option1_ = &Place<platform::OptionButton>("Option1", "右回転", 240, 300, 1440, 300, &frame3);
  option2_ = &Place<platform::OptionButton>("Option2", "左回転", 1800, 300, 1440, 300, &frame3);

  command1_ = &Place<platform::CommandButton>("Command1", "回転イメージ", 3840, 3240, 2040, 400);
  command2_ = &Place<platform::CommandButton>("Command2", "キャンセル", 6000, 3240, 2040, 400);
  command3_ = &Place<platform::CommandButton>("Command3", "GIF形式で保存", 3840, 3720, 2040, 400);
  command4_ =
      &Place<platform::CommandButton>("Command4", "連続イメージ出力", 6000, 3720, 2040, 400);

  auto& frame5 = Place<platform::Frame>("Frame5", "表示", 8160, 3240, 2880, 720);
  check1_ = &Place<platform::CheckBox>("Check1", "InhibitFlickers", 240, 300, 2400, 300, &frame5);
  check2_ = &Place<platform::CheckBox>("Check2", "反転", 8700, 4215, 1440, 300);
  timer1_ = &GetControls().Add<platform::Timer>("Timer1");

  // Load.
  series_.Load();
  timer1_->SetInterval(0);

  PlaceAnimationControls(
      "Command5", 3840, 4200, 2040, 7860, 4200,
      [this] { return series_.AnimationFrames(Settings()); },
      [] { ProgramRotationState().unsaved = false; });
  PlaceGifOptions(120, 4560, 3480, true, true);

  command1_->onClick = [this] { BuildClick(); };
  command2_->onClick = [this] {
    series_.Cancel();
    IM2().SetPicture(IM1().GetPicture());
  };
  command3_->onClick = [this] { SaveClick(); };
  command4_->onClick = [this] { PreviewClick(); };
  timer1_->onTimer = [this] { TimerTick(); };
  check1_->onClick = [this] {
    pellory::GlobalMethods().InhibitFlickers(
        this, static_cast<int16_t>(check1_->Value() != 0 ? pellory::kVbTrue : pellory::kVbFalse));
  };
  check2_->onClick = [this] { IM2().SetPicture(InvertPictureColours(IM2().GetPicture())); };
}

void RotationWindow::ShowWholeSeries() {
  // Every frame at its place fits the box at one scale, so the turn does not pump.
  const std::optional<TwipsRect> bounds = series_.PreviewBounds(Settings());
  if (!bounds) {
    view3_->View()->SetContent(std::nullopt);
    return;
  }
  const auto px = [](double twips) {
    return platform::ScaleToPixels(twips, platform::kScaleTwips);
  };
  view3_->View()->SetContent(QRect(QPoint(px(bounds->left), px(bounds->top)),
                                   QPoint(px(bounds->right) - 1, px(bounds->bottom) - 1)));
}

RotationSettings RotationWindow::Settings() const {
  return {kakudo_->Text(), text1_->Text(), option1_->Value(), option2_->Value()};
}

void RotationWindow::BuildClick() {
  RunAlone({command1_, command3_}, [this] {
    // The build yields: the window may be unloaded and destroyed before it returns, so the work
    // holds nothing of it but a guarded pointer.
    QPointer<RotationWindow> self(this);
    RotationSeries series(ProgramRotationState());
    SyoriProgress progress(this);
    series.SetGifOptions(Options());
    series.Build(Settings(), IM2().GetPicture(), im3_->Left(), im3_->Top(), progress,
                 [self](const platform::Picture& frame) {
                   if (self) self->IM2().SetPicture(frame);
                 });
    if (self && !self->Unloaded()) self->activateWindow();
  });
}

void RotationWindow::SaveClick() {
  RunAlone({command1_, command3_}, [this] {
    QPointer<RotationWindow> self(this);
    const std::string path = ChooseGifToSave(windows::MDIF1().CD());
    if (path.empty() || !self) return;
    RotationSeries series(ProgramRotationState());
    SyoriProgress progress(this);
    series.SetGifOptions(Options());
    series.Save(path, Settings(), IM2().GetPicture(), progress);
    if (self && !self->Unloaded()) self->activateWindow();
  });
}

void RotationWindow::PreviewClick() {
  if (timer1_->Interval() != 0) {
    // Stopped, the preview starts again from its first frame.
    timer1_->SetInterval(0);
    series_.RewindPreview();
    return;
  }
  const std::optional<int> ms = PreviewIntervalMs(DelayText().Text());
  if (!ms) {
    ShowMessage(kDelayMessage);
    return;
  }
  ShowWholeSeries();
  // An interval of 0 would stop the timer: a delay of 0 plays as fast as it ticks.
  timer1_->SetInterval(std::max(*ms, 1));
}

void RotationWindow::TimerTick() {
  const PreviewStep step = series_.NextPreview(Settings());
  if (step.stop) {
    timer1_->SetInterval(0);
    return;
  }
  im3_->SetPicture(step.frame);
  im3_->SetLeft(step.left);
  im3_->SetTop(step.top);
}

}  // namespace kestrin
