// The colour dialog record: flags, the hook's title, custom colours, and cancel keeping the
// record's colour.
#include "platform/dialogs/colour_dialog.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <array>

namespace platform {
namespace {

uintptr_t TitleHook(QWidget* dialog, unsigned message, uintptr_t, intptr_t data) {
  if (message == kWmInitDialog) SetWindowText(dialog, reinterpret_cast<const char*>(data));
  return 0;
}

class ColourDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted_ = std::make_shared<ScriptedColourDialogs>();
    previous_ = SetColourDialogBackend(scripted_);
    custom_.fill(0x0000FF);
    record_.lpCustColors = custom_.data();
    record_.rgbResult = 0x123456;
  }
  void TearDown() override { SetColourDialogBackend(previous_); }

  std::shared_ptr<ScriptedColourDialogs> scripted_;
  std::shared_ptr<ColourDialogBackend> previous_;
  std::array<uint32_t, 16> custom_;
  ChooseColorRecord record_;
};

TEST_F(ColourDialogTest, TheHookSetsTheTitleAndTheChosenColourComesBack) {
  static const char kTitle[] = "カラーパレット";
  record_.Flags = kCcAnyColor | kCcEnableHook;
  record_.lpfnHook = &TitleHook;
  record_.lCustData = reinterpret_cast<intptr_t>(kTitle);
  scripted_->answers.push_back(0x00FF80);
  EXPECT_TRUE(ChooseColor(record_));
  EXPECT_EQ(record_.rgbResult, 0x00FF80u);
  ASSERT_EQ(scripted_->requests.size(), 1u);
  EXPECT_EQ(scripted_->requests[0].title, kTitle);
  EXPECT_EQ(scripted_->requests[0].initialColor, 0xFFFFFFu) << "no initial colour asked for";
  EXPECT_EQ(scripted_->requests[0].customColors, std::vector<uint32_t>(16, 0x0000FF));
}

TEST_F(ColourDialogTest, WithoutTheHookFlagTheHookIsNotCalledAndRgbInitStartsThere) {
  record_.Flags = kCcRgbInit;
  record_.lpfnHook = &TitleHook;  // would crash on the null title if called
  scripted_->answers.push_back(std::nullopt);
  EXPECT_FALSE(ChooseColor(record_));
  EXPECT_EQ(record_.rgbResult, 0x123456u) << "a cancel leaves the record's colour";
  ASSERT_EQ(scripted_->requests.size(), 1u);
  EXPECT_EQ(scripted_->requests[0].initialColor, 0x123456u);
}

TEST_F(ColourDialogTest, ARecordOfTheWrongSizeIsRefusedUnshown) {
  record_.lStructSize = 40;
  EXPECT_FALSE(ChooseColor(record_));
  EXPECT_TRUE(scripted_->requests.empty());
}

}  // namespace
}  // namespace platform
