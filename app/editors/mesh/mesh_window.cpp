#include "app/editors/mesh/mesh_window.h"

#include <QPointer>
#include <algorithm>

#include "app/editor_files.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/windows.h"
#include "giflib/object/vesk_global_methods.h"
#include "platform/forms/application.h"

namespace kestrin {

MeshWindow::MeshWindow() : EditorWindow("Dialog3") {
  resize(sizeHint());
  PlacePictures(120, 120, 3600, 3600, "メッシュイメージ");
  frame3_ = &Place<platform::Frame>("Frame3", "連続イメージ", 7560, 120, 3600, 3600);
  AddView(frame3_->EnableView());
  im3_ = &Place<platform::ImageControl>("IM3", 120, 300, 3360, 3180, frame3_);

  PlaceLabel("Label3", "メッシュサイズ", 120, 3840, 2400, 300);
  PlaceZoomChoice(2640, 3840, 2160);
  PlaceLabel("Label1", "Min", 120, 4200, 480, 300);
  slider1_ = &Place<platform::Slider>("Slider1", 600, 4140, 3600, 400);
  slider1_->SetRange(0, 100);
  slider1_->SetValue(0);
  PlaceLabel("Label2", "Max", 4260, 4200, 480, 300);

  auto& frame4 = Place<platform::Frame>("Frame4", "設定", 4920, 3840, 2760, 1080);
  op1_ = &Place<platform::OptionButton>("Op1", "小→大", 240, 420, 1200, 300, &frame4);
  op2_ = &Place<platform::OptionButton>("Op2", "大→小", 1440, 420, 1200, 300, &frame4);

  command3_ = &Place<platform::CommandButton>("Command3", "連続イメージ", 7920, 3840, 2040, 400);
  command2_ = &Place<platform::CommandButton>("Command2", "GIF形式で保存", 7920, 4320, 2040, 400);
  command1_ = &Place<platform::CommandButton>("Command1", "キャンセル", 7920, 4800, 2040, 400);
  check1_ = &Place<platform::CheckBox>("Check1", "InhibitFlickers", 10080, 3840, 2400, 300);
  check2_ = &Place<platform::CheckBox>("Check2", "PBInhibitFlickers", 10080, 4200, 2400, 300);
  check3_ = &Place<platform::CheckBox>("Check3", "反転", 10080, 4560, 2400, 300);
  PlaceAnimationControls(
      "Command4", 10080, 4980, 2280, 12060, 5460,
      [this] { return MeshSeries(ProgramMeshState()).AnimationFrames(Order()); },
      [] { ProgramMeshState().unsaved = false; });
  PlaceGifOptions(7980, 5940, 4620, true, true);
  // Room for the frame "GIF" below the right-hand column.
  resize(std::max(width(), 860), std::max(height(), 508));

  picture1_ = &Place<platform::PictureBox>("Picture1", 120, 5160, 7560, 1920);
  PlaceLabel("Label4", "ドラッグイメージ", 7920, 5280, 2400, 300);
  im5_ = &Place<platform::ImageControl>("IM5", 7920, 5640, 1440, 1440);

  // Wired after the slider got its value, so loading builds nothing.
  slider1_->onScroll = [this] { BuildScroll(); };
  command3_->onClick = [this] { PlayClick(); };
  command2_->onClick = [this] { SaveClick(); };
  command1_->onClick = [this] {
    for (platform::ImageControl* im : {&IM1(), &IM2(), im3_})
      IgnoreErrors([im] { im->SetPicture(platform::LoadPicture("")); });
  };
  check1_->onClick = [this] {
    pellory::GlobalMethods().InhibitFlickers(
        frame3_,
        static_cast<int16_t>(check1_->Value() != 0 ? pellory::kVbTrue : pellory::kVbFalse));
  };
  check2_->onClick = [this] {
    pellory::GlobalMethods().InhibitFlickers(
        picture1_,
        static_cast<int16_t>(check2_->Value() == 1 ? pellory::kVbTrue : pellory::kVbFalse));
  };
  // Every click inverts again, whatever the check mark shows.
  check3_->onClick = [this] { IM2().SetPicture(InvertPictureColours(IM2().GetPicture())); };
  // The press shows the mesh preview, the release the unedited picture, to compare the two.
  im5_->onMouseDown = [this](int, int, int, int) { im5_->SetPicture(IM2().GetPicture()); };
  im5_->onMouseUp = [this](int, int, int, int) { im5_->SetPicture(IM1().GetPicture()); };
  class1_.SetControl(im5_, &windows::Dialog5);
}

void MeshWindow::RunExclusive(const std::function<void()>& work) {
  QPointer<platform::Slider> slider(slider1_);
  const bool sliderWasEnabled = slider1_->isEnabled();
  slider1_->setEnabled(false);
  RunAlone({command2_, command3_}, work);
  if (slider && sliderWasEnabled) slider->setEnabled(true);
}

void MeshWindow::BuildScroll() {
  // The build never yields, so nothing runs beside it; the slider keeps its grab while dragged.
  RunAlone({command2_, command3_}, [this] {
    MeshSeries series(ProgramMeshState());
    SyoriProgress progress(this);
    series.SetGifOptions(Options());
    series.Build(
        slider1_->Value(), IM1().GetPicture(),
        [this](const platform::Picture& p) { IM2().SetPicture(p); }, progress);
  });
}

void MeshWindow::PlayClick() {
  // A second click while the series plays stops it.
  if (pacer_->Playing()) {
    pacer_->Stop();
    return;
  }
  // Playing yields to the message loop: the window may be unloaded and destroyed meanwhile, so
  // the loop keeps only a guarded pointer. The slider stays live, as a build during play is
  // wanted.
  QPointer<MeshWindow> self(this);
  std::shared_ptr<PreviewPacer> pacer = pacer_;
  if (!pacer->Start(DelayText().Text())) return;
  MeshSeries series(ProgramMeshState());
  series.Play(
      Order(),
      [self](const platform::Picture& p) {
        if (self) self->IM3().SetPicture(p);
      },
      [self, pacer] {
        const bool playing = pacer->Pause();
        platform::DoEvents();
        return playing && self && !self->Unloaded();
      });
  pacer->Stop();
}

void MeshWindow::SaveClick() {
  RunExclusive([this] {
    // Without a series the save asks for nothing.
    if (ProgramMeshState().frameCount == 0) return;
    QPointer<MeshWindow> self(this);
    const std::string path = ChooseGifToSave(windows::MDIF1().CD());
    if (path.empty() || !self) return;
    MeshSeries series(ProgramMeshState());
    SyoriProgress progress(this);
    series.SetGifOptions(Options());
    series.Save(path, Order(), IM2().GetPicture(), progress);
  });
}

}  // namespace kestrin
