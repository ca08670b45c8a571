#include "app/editors/comment/comment_window.h"

#include <QFontDatabase>
#include <QFontInfo>

#include "app/editor_files.h"
#include "app/main_window.h"
#include "app/windows.h"

namespace kestrin {

namespace {

// The index of the selected button of an option array; nothing while none is selected.
template <size_t N>
std::optional<int> SelectedIndex(const std::array<platform::OptionButton*, N>& buttons) {
  for (size_t i = 0; i < N; ++i)
    if (buttons[i]->Value()) return static_cast<int>(i);
  return std::nullopt;
}

// Empties a combo box after its list was filled: adding to an empty list selects the first item.
void ClearText(platform::ComboBox& box) {
  box.setCurrentIndex(-1);
  box.setEditText(QString());
}

}  // namespace

template <size_t N>
void CommentWindow::PlaceOptions(std::array<platform::OptionButton*, N>& buttons, const char* name,
                                 platform::Frame& frame,
                                 const std::array<const char*, N>& captions) {
  for (size_t i = 0; i < N; ++i) {
    const int top = 300 + 360 * static_cast<int>(i);
    buttons[i] =
        &Place<platform::OptionButton>(name, 180, top, 1980, 300, &frame, static_cast<int>(i));
    buttons[i]->SetCaption(captions[i]);
    buttons[i]->onClick = [this] { SettingChanged(); };
  }
}

CommentWindow::CommentWindow() : EditorWindow("Dialog4"), preview_(ProgramCommentState()) {
  resize(760, 520);
  PlacePictures(120, 120, 3600, 3120, "コメント付イメージ");

  // Below the pictures: where the comment goes and how its lines and background look.
  auto& frame5 = Place<platform::Frame>("Frame5", "縦表示", 120, 3360, 2360, 1440);
  PlaceOptions<3>(op3_, "Op3", frame5, {"Top", "Bottom", "Center"});
  auto& frame6 = Place<platform::Frame>("Frame6", "横表示", 2600, 3360, 2360, 1440);
  PlaceOptions<3>(op4_, "Op4", frame6, {"Left", "Center", "Right"});
  auto& frame8 = Place<platform::Frame>("Frame8", "コメントライン揃え", 5080, 3360, 2360, 1440);
  PlaceOptions<3>(os1_, "Os1", frame8, {"Left", "Center", "Right"});

  auto& frame4 = Place<platform::Frame>("Frame4", "表示方法", 120, 4920, 3600, 1080);
  op1_ = &Place<platform::OptionButton>("Op1", "重ねて表示", 180, 300, 3240, 300, &frame4);
  op2_ = &Place<platform::OptionButton>("Op2", "放れて表示", 180, 660, 3240, 300, &frame4);
  auto& frame9 = Place<platform::Frame>("Frame9", "背景", 3840, 4920, 3600, 1080);
  PlaceOptions<2>(ot1_, "Ot1", frame9, {"透明", "不透明"});

  // Beside the pictures: the comment, its font and its colour, and the commands.
  PlaceLabel("Label1", "コメント", 7560, 120, 3720, 255);
  text1_ = &Place<platform::MultiLineTextBox>("Text1", 7560, 420, 3720, 1380);
  text1_->GetFont()->Name = "ＭＳ Ｐゴシック";
  text1_->ApplyFont();

  auto& frame7 = Place<platform::Frame>("Frame7", "フォント", 7560, 1920, 3720, 1320);
  PlaceLabel("Label4", "フォント", 120, 330, 840, 255, &frame7);
  cb2_ = &Place<platform::ComboBox>("Cb2", 960, 270, 2640, 360, &frame7);
  PlaceLabel("Label3", "サイズ", 120, 810, 840, 255, &frame7);
  cb1_ = &Place<platform::ComboBox>("Cb1", 960, 750, 1200, 360, &frame7);

  auto& frame3 = Place<platform::Frame>("Frame3", "コメントの色設定", 7560, 3360, 3720, 2280);
  co1_ = &Place<platform::ComboBox>("CO1", 120, 300, 3480, 360, &frame3);
  co1_->AddItem(kLineColour);
  co1_->AddItem(kBorderColour);
  const std::array<const char*, 3> channels = {"R", "G", "B"};
  for (int i = 0; i < 3; ++i) {
    const int top = 780 + 480 * i;
    PlaceLabel("Label" + std::to_string(5 + i), channels[i], 120, top + 60, 360, 255, &frame3);
    r_[i] = &Place<platform::Slider>("R", 480, top, 3120, 360, &frame3, i);
    r_[i]->SetRange(0, 255);
    r_[i]->onScroll = [this] { SettingChanged(); };
  }

  check1_ = &Place<platform::CheckBox>("Check1", "反転", 7680, 5760, 1440, 300);
  PlaceZoomChoice(9240, 5760, 2040);
  PlaceGifOptions(120, 6060, 7380, true);
  command1_ = &Place<platform::CommandButton>("Command1", "GIF形式で保存", 7560, 6240, 1800, 420);
  command2_ = &Place<platform::CommandButton>("Command2", "キャンセル", 9480, 6240, 1800, 420);

  // Load.
  for (int size = 1; size <= 72; ++size) cb1_->AddItem(std::to_string(size));
  for (const QString& family : QFontDatabase::families()) cb2_->AddItem(family.toStdString());
  ChooseDefaults();

  text1_->onKeyPress = [this](int code) {
    if (code == 13) UpdateCommentPreview();
  };
  // Typing redraws the preview once the typing pauses; a save first catches up with the text.
  refresh_.setSingleShot(true);
  refresh_.setInterval(kTypingPauseMs);
  QObject::connect(&refresh_, &QTimer::timeout, this, [this] { UpdateCommentPreview(false); });
  QObject::connect(text1_, &QPlainTextEdit::textChanged, this, [this] {
    textAhead_ = true;
    refresh_.start();
  });
  for (platform::ComboBox* box : {cb1_, cb2_, co1_})
    box->onLostFocus = [this] { SettingChanged(); };
  op1_->onClick = [this] { SettingChanged(); };
  op2_->onClick = [this] { SettingChanged(); };
  // The inversion is only shown: a save still writes the last preview as it was made.
  check1_->onClick = [this] { IM2().SetPicture(InvertPictureColours(IM2().GetPicture())); };
  command1_->onClick = [this] { SaveClick(); };
  command2_->onClick = [this] {
    IM1().SetPicture(platform::LoadPicture(""));
    IM2().SetPicture(platform::LoadPicture(""));
  };
}

void CommentWindow::ChooseDefaults() {
  // Every choice starts on its first button, in a face the list has, at a size that reads, in
  // white with the black outline: a comment shows as soon as one is typed.
  ready_ = false;
  for (platform::OptionButton* first : {op1_, op3_[0], op4_[0], os1_[0], ot1_[0]})
    first->SetValue(true);
  const QString face = QFontInfo(text1_->font()).family();
  if (cb2_->findText(face) >= 0) {
    cb2_->SetText(face.toStdString());
  } else {
    ClearText(*cb2_);
  }
  cb1_->SetText(kDefaultSize);
  co1_->SetText(kLineColour);
  for (platform::Slider* slider : r_) slider->SetValue(255);
  ready_ = true;
}

CommentSettings CommentWindow::Settings() {
  CommentSettings s;
  s.overPicture = op1_->Value();
  s.apartFromPicture = op2_->Value();
  s.vertical = SelectedIndex(op3_);
  s.horizontal = SelectedIndex(op4_);
  s.lineAlignment = SelectedIndex(os1_);
  s.background = SelectedIndex(ot1_);
  s.faceText = cb2_->Text();
  s.sizeText = cb1_->Text();
  s.colourTarget = co1_->Text();
  s.red = r_[0]->Value();
  s.green = r_[1]->Value();
  s.blue = r_[2]->Value();
  s.comment = text1_->Text();
  s.font = text1_->GetFont();
  s.original = IM1().GetPicture();
  return s;
}

bool CommentWindow::UpdateCommentPreview(bool announce) {
  if (!ready_) return false;
  refresh_.stop();
  preview_.SetGifOptions(Options());
  const std::optional<platform::Picture> shown =
      preview_.UpdateCommentPreview(Settings(), announce);
  // The preview may have changed the face and size of the box's own font object.
  text1_->ApplyFont();
  if (shown) IM2().SetPicture(*shown);
  const bool made = shown && *shown && *shown == preview_.State().CommentPicture;
  if (made) textAhead_ = false;
  return made;
}

void CommentWindow::SettingChanged() {
  // Before any comment is typed a setting is only being chosen: nothing to say yet.
  UpdateCommentPreview(!text1_->Text().empty());
}

void CommentWindow::SaveClick() {
  // The file gets the comment the box holds, not one from before the last keystrokes; when that
  // comment cannot be made, its message says why and nothing is written.
  if (textAhead_ && !UpdateCommentPreview()) return;
  preview_.SetGifOptions(Options());
  preview_.Save(ChooseGifToSave(windows::MDIF1().CD()));
}

}  // namespace kestrin
