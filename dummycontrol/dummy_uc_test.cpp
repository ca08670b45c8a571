#include "dummycontrol/dummy_uc.h"

#include <gtest/gtest.h>

#include <QDir>
#include <set>

#include "platform/forms/form.h"

namespace fennick {
namespace {

TEST(DummyUC, IsCreatedByItsProgIdAndKeepsTheSizeOfItsImage) {
  platform::Form form;
  platform::Control& c = form.GetControls().Add(kProgIdDummyUC, "DummyUC1");
  auto* dummy = dynamic_cast<DummyUC*>(&c);
  ASSERT_NE(dummy, nullptr);
  EXPECT_FALSE(c.Visible());
  EXPECT_EQ(dummy->size(), QSize(32, 32));
  c.Move(100, 200, 9000, 15);  // twips
  EXPECT_EQ(c.Width(), 480);
  EXPECT_EQ(c.Height(), 480);
  EXPECT_EQ(c.Left(), 105);  // 100 twips is 6.67 pixels, kept as 7
  c.SetWidth(15);
  EXPECT_EQ(dummy->size(), QSize(32, 32));
  // Image1 belongs to the control, not to the form's controls.
  EXPECT_EQ(dummy->Image1().objectName(), "Image1");
  EXPECT_EQ(form.GetControls().Count(), 1);
}

TEST(DummyUC, IconIsAnOpaque256ColourPictureOfBlackTextWithAPaleYellowShadowOnWhite) {
  const QImage icon = DummyUC::Icon();
  ASSERT_EQ(icon.size(), QSize(32, 32));
  ASSERT_EQ(icon.format(), QImage::Format_Indexed8);
  EXPECT_EQ(icon.colorCount(), 256);
  std::set<QRgb> used;
  int black = 0, shadowed = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const QRgb c = icon.pixel(x, y);
      EXPECT_EQ(qAlpha(c), 255);
      used.insert(c);
      if (c == qRgb(0, 0, 0)) {
        ++black;
        // Every stroke casts its shadow down and to the right, unless more ink is there.
        const QRgb below = icon.pixel(std::min(x + 1, 31), std::min(y + 1, 31));
        if (below == qRgb(255, 255, 153) || below == qRgb(0, 0, 0)) ++shadowed;
      }
    }
  EXPECT_EQ(used, (std::set<QRgb>{qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 255, 153)}));
  EXPECT_GT(black, 60);
  EXPECT_EQ(shadowed, black);
  EXPECT_EQ(icon.pixel(0, 0), qRgb(255, 255, 255));
  QDir().mkpath(KESTRIN_SCREENSHOT_DIR);
  icon.scaled(128, 128).save(QStringLiteral(KESTRIN_SCREENSHOT_DIR "/fennick_dummyuc.png"));
}

}  // namespace
}  // namespace fennick
