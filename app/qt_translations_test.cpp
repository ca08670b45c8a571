// Qt's own dialog texts come in Japanese when the toolkit's translation is there, and the
// program goes on in English when it is not.
#include "app/qt_translations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

#include "giflib/tests/gif_decode.h"

namespace kestrin {
namespace {

QString BasicColours() {
  return QCoreApplication::translate("QColorDialog", "&Basic colors");
}

TEST(QtTranslations, AMissingTranslationLeavesQtsOwnTextsAndInstallsNothing) {
  pellory::testing::TempFolder empty;
  EXPECT_EQ(InstallQtTranslations(QString::fromStdString(empty.path())), nullptr);
  EXPECT_EQ(BasicColours(), QStringLiteral("&Basic colors"));
}

TEST(QtTranslations, TheToolkitsJapaneseTranslationNamesTheDialogsButtonsInJapanese) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!QFile::exists(folder + QStringLiteral("/qtbase_ja.qm")))
    GTEST_SKIP() << "qt6-translations-l10n is not installed";
  std::unique_ptr<QTranslator> installed(InstallQtTranslations());
  ASSERT_NE(installed, nullptr);
  EXPECT_NE(BasicColours(), QStringLiteral("&Basic colors"));
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
  installed.reset();  // the other tests see Qt's English texts again
  EXPECT_EQ(BasicColours(), QStringLiteral("&Basic colors"));
}

}  // namespace
}  // namespace kestrin
