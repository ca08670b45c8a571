#include "giflib/object/vesk_global_methods.h"

#include <gtest/gtest.h>

#include "giflib/object/flicker.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/picture_box.h"

namespace pellory {
namespace {

class FlickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.SetName("Dialog");
    box_ = &form_.GetControls().Add<platform::PictureBox>("IM2");
  }
  // The number of the error the last call left, read the way the library records it.
  int32_t LastError() const { return methods_.ErrorStateForTesting().ErrorNumber(); }
  std::vector<std::string> DummyNames() const {
    std::vector<std::string> names;
    for (platform::Control* c : form_.GetControls().All())
      if (c->Name().rfind("DummyUC", 0) == 0) names.push_back(c->Name());
    return names;
  }

  platform::Form form_;
  platform::PictureBox* box_ = nullptr;
  Vesk_GlobalMethods methods_;
};

TEST_F(FlickerTest, EachCallOnAFormAddsOneHiddenTaggedDummyWithTheLowestFreeName) {
  platform::Form empty;
  empty.SetName("Empty");
  ASSERT_TRUE(methods_.InhibitFlickers(&empty));
  platform::Control* first = empty.GetControls().Find("DummyUC1");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Tag(), "Fennick.DummyUC in Empty");
  EXPECT_FALSE(first->Visible());
  EXPECT_EQ(first->Container(), nullptr);
  // The dummy keeps its image's size whatever it is given: 32 x 32 pixels.
  first->Move(0, 0, 3000, 3000);
  EXPECT_EQ(first->Width(), 480);
  EXPECT_EQ(first->Height(), 480);

  form_.GetControls().Add<platform::TextBox>("DummyUC1");
  ASSERT_TRUE(methods_.InhibitFlickers(&form_));
  ASSERT_TRUE(methods_.InhibitFlickers(&form_));
  EXPECT_EQ(DummyNames(), (std::vector<std::string>{"DummyUC1", "DummyUC2", "DummyUC3"}));
}

TEST_F(FlickerTest, ErasingAContainerRemovesAllItsDummiesAndNoneOfTheFormsOwn) {
  ASSERT_TRUE(methods_.InhibitFlickers(&form_));
  ASSERT_TRUE(methods_.InhibitFlickers(box_));
  ASSERT_TRUE(methods_.InhibitFlickers(box_));
  platform::Control* inBox = form_.GetControls().Find("DummyUC2");
  ASSERT_NE(inBox, nullptr);
  EXPECT_EQ(inBox->Container(), box_);
  EXPECT_EQ(inBox->Tag(), "Fennick.DummyUC in IM2");

  int16_t effect = kVbFalse;
  ASSERT_TRUE(methods_.InhibitFlickers(box_, effect));
  EXPECT_EQ(DummyNames(), std::vector<std::string>{"DummyUC1"});
  // Another form's container of the same name is not touched: only the host form is searched.
  platform::Form other;
  other.SetName("Other");
  auto& otherBox = other.GetControls().Add<platform::PictureBox>("IM2");
  ASSERT_TRUE(methods_.InhibitFlickers(&otherBox));
  ASSERT_TRUE(methods_.InhibitFlickers(box_));
  ASSERT_TRUE(methods_.InhibitFlickers(box_, int16_t{kVbFalse}));
  EXPECT_EQ(other.GetControls().Count(), 2);
}

TEST_F(FlickerTest, WrongContainersAreRefusedWithTheirErrorNumbers) {
  platform::MdiForm mdi;
  EXPECT_FALSE(methods_.InhibitFlickers(&mdi));
  EXPECT_EQ(LastError(), 3005);
  EXPECT_FALSE(methods_.InhibitFlickers(&mdi, int16_t{kVbFalse}));
  EXPECT_EQ(LastError(), 3007);
  auto& text = form_.GetControls().Add<platform::TextBox>("Text1");
  EXPECT_FALSE(methods_.InhibitFlickers(&text));
  EXPECT_EQ(LastError(), 3006);
  EXPECT_FALSE(methods_.InhibitFlickers(&text, int16_t{kVbFalse}));
  EXPECT_EQ(LastError(), 3008);
  QObject plain;
  EXPECT_FALSE(methods_.InhibitFlickers(&plain));
  EXPECT_EQ(LastError(), 3006);
  EXPECT_FALSE(methods_.InhibitFlickers(nullptr));
  EXPECT_EQ(LastError(), 3006);
  // A latched error does not stop the next call.
  EXPECT_TRUE(methods_.InhibitFlickers(&form_));
}

TEST_F(FlickerTest, AnEffectOtherThanTrueOrFalseIsTakenAsTrueAndWrittenBack) {
  int16_t effect = 5;
  ASSERT_TRUE(methods_.InhibitFlickers(&form_, effect));
  EXPECT_EQ(effect, kVbTrue);
  EXPECT_EQ(DummyNames().size(), 1u);
}

TEST_F(FlickerTest, AMissingControlLibraryIsError3018) {
  // Make the class unknown and its library unloadable, then restore both.
  const platform::ComFactory saved = [] {
    platform::Form probe;
    probe.GetControls().Add(engine::kDummyProgId, "Probe");  // loads the library
    return platform::ComClassFactory(engine::kDummyProgId);
  }();
  const std::string clsid = platform::ClsidOfProgId(engine::kDummyProgId);
  ASSERT_TRUE(saved);
  platform::UnregisterComClass(engine::kDummyProgId);
  platform::SetComServerLibrary("Fennick", "/nonexistent/libfennick.so");
  EXPECT_FALSE(methods_.InhibitFlickers(&form_));
  EXPECT_EQ(LastError(), 3018);
  EXPECT_TRUE(DummyNames().empty());
  platform::SetComServerLibrary("Fennick", "libfennick.so");
  platform::RegisterComClass(engine::kDummyProgId, clsid, saved);
  EXPECT_TRUE(methods_.InhibitFlickers(&form_));
}

TEST(GlobalMethods, VersionAndCreationByProgId) {
  EXPECT_EQ(GlobalMethods().PelloryVersion(), "1.0");
  auto created = platform::CreateComObjectAs<Vesk_GlobalMethods>("Pellory.Vesk_GlobalMethods");
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->PelloryVersion(), "1.0");
}

}  // namespace
}  // namespace pellory
