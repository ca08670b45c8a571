#include "app/editors/colour/colour_window.h"

#include <QPointer>
#include <algorithm>

#include "app/editor_files.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/windows.h"
#include "giflib/object/vesk_global_methods.h"
#include "platform/forms/application.h"

namespace kestrin {

namespace {

// Lets the message loop run while `window` works; false once the window has been unloaded.
ColourSeries::Yield YieldFor(ColourWindow* window) {
  return [w = QPointer<ColourWindow>(window)] {
    platform::DoEvents();
    return w && !w->Unloaded();
  };
}

}  // namespace

ColourWindow::ColourWindow()
    : EditorWindow("Dialog2"), series_(std::make_shared<ColourSeries>(ProgramColourState())) {
  resize(sizeHint());
  PlacePictures(120, 120, 3000, 3480, "カラー変更イメージ");
  PlaceLabel("Label4", "連続イメージ", 6480, 120, 1800, 300);
  PlaceZoomChoice(8400, 120, 2640);
  // The series plays inside the box that Shape1 draws.
  view3_ = &Place<platform::ViewBox>("View3", 6540, 480, 4440, 3060);
  view3_->View()->SetCentred(true);
  AddView(*view3_->View());
  im3_ = &Place<platform::ImageControl>("IM3", 0, 0, 3000, 3000, view3_);
  Place<platform::Shape>("Shape1", 6480, 420, 4560, 3180).lower();

  auto& frame3 = Place<platform::Frame>("Frame3", "カラー変更", 120, 3720, 4440, 1800);
  auto slider = [&](const char* name, const char* labelName, const char* caption, int top) {
    PlaceLabel(labelName, caption, 240, top + 60, 360, 300, &frame3);
    auto& s = Place<platform::Slider>(name, 600, top, 3600, 360, &frame3);
    s.SetRange(-128, 128);
    s.SetValue(0);
    return &s;
  };
  r_ = slider("R", "Label1", "R", 360);
  g_ = slider("G", "Label3", "G", 840);
  b_ = slider("B", "Label2", "B", 1320);

  auto& frame4 = Place<platform::Frame>("Frame4", "オプション", 4680, 3720, 3600, 1800);
  op1_ = &Place<platform::OptionButton>("Op1", "段階変更", 240, 360, 1560, 300, &frame4);
  op2_ = &Place<platform::OptionButton>("Op2", "同時変更", 1800, 360, 1560, 300, &frame4);
  PlaceLabel("Label6", "設定", 240, 900, 600, 300, &frame4);
  co1_ = &Place<platform::ComboBox>("CO1", 840, 840, 2520, 360, &frame4);
  co1_->AddItem(kDarkToBright);
  co1_->AddItem(kBrightToDark);
  co1_->setCurrentIndex(-1);  // the list's first item would otherwise be chosen
  PlaceLabel("Label5", "増数", 240, 1380, 600, 300, &frame4);
  t1_ = &Place<platform::TextBox>("T1", 840, 1320, 1200, 330, &frame4);

  command4_ = &Place<platform::CommandButton>("Command4", "連続イメージ", 8520, 3780, 2520, 400);
  command3_ = &Place<platform::CommandButton>("Command3", "GIF形式で保存", 8520, 4260, 2520, 400);
  command2_ = &Place<platform::CommandButton>("Command2", "キャンセル", 8520, 4740, 2520, 400);
  check1_ = &Place<platform::CheckBox>("Check1", "InhibitFlickers", 8520, 5220, 2520, 300);
  check2_ = &Place<platform::CheckBox>("Check2", "反転", 8520, 5580, 2520, 300);
  PlaceAnimationControls(
      "Command5", 8520, 5940, 2520, 7560, 5940,
      [series = series_] { return series->AnimationFrames(); },
      [] { ProgramColourState().unsaved = false; });
  PlaceGifOptions(120, 5640, 4560, true, true);
  // Room for the frame "GIF" below the sliders.
  resize(std::max(width(), 770), std::max(height(), 486));

  // Wired after the sliders got their values, so loading shows no preview.
  for (platform::Slider* s : {r_, g_, b_}) s->onScroll = [this] { UpdateColourPreview(); };
  check1_->onClick = [this] {
    pellory::GlobalMethods().InhibitFlickers(
        this, static_cast<int16_t>(check1_->Value() != 0 ? pellory::kVbTrue : pellory::kVbFalse));
  };
  check2_->onClick = [this] { IM2().SetPicture(InvertPictureColours(IM2().GetPicture())); };
  command2_->onClick = [this] { IM2().SetPicture(IM1().GetPicture()); };
  command4_->onClick = [this] { BuildClick(); };
  command3_->onClick = [this] { SaveClick(); };
}

ColourSettings ColourWindow::Settings() const {
  return {r_->Value(),   g_->Value(),  b_->Value(), op1_->Value(),
          op2_->Value(), co1_->Text(), t1_->Text()};
}

void ColourWindow::UpdateColourPreview() {
  ColourSeries::UpdateColourPreview(
      IM1().GetPicture(), r_->Value(), g_->Value(), b_->Value(),
      [this](const platform::Picture& p) { IM2().SetPicture(p); }, YieldFor(this), Options());
}

void ColourWindow::BuildClick() {
  // A click while the series plays stops playing; the build goes on to its last frame without
  // waiting, so the series is whole.
  if (pacer_->Playing()) {
    pacer_->Stop();
    return;
  }
  // A second build or a save while the series plays would overwrite the tables under it.
  RunAlone({command3_}, [this, series = series_, pacer = pacer_] {
    if (!pacer->Start(DelayText().Text())) return;
    series->SetGifOptions(Options());
    // The build yields: the window may be destroyed before it returns.
    series->Build([this] { return Settings(); }, IM1().GetPicture(),
                  [self = QPointer<ColourWindow>(this)](const platform::Picture& p) {
                    if (self) self->IM3().SetPicture(p);
                  },
                  [pacer, alive = YieldFor(this)] {
                    pacer->Pause();
                    return alive();
                  });
    pacer->Stop();
  });
}

void ColourWindow::SaveClick() {
  RunAlone({command4_, command3_}, [this, series = series_] {
    const std::string path = ChooseGifToSave(windows::MDIF1().CD());
    if (path.empty()) return;
    SyoriProgress progress(this);
    series->SetGifOptions(Options());
    series->Save(path, IM2().GetPicture(), progress);
  });
}

}  // namespace kestrin
