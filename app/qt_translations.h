// Qt's own texts (the file and colour dialogs' buttons and labels) in Japanese, from the toolkit's
// translation files.
#pragma once

#include <QString>

class QTranslator;

namespace kestrin {

// Loads "qtbase_ja" from `folder` (by default the toolkit's translations folder) and installs
// it in the application. Returns the installed translator, owned by the application, or null
// when the file is missing or unreadable: the program then runs with Qt's English texts.
QTranslator* InstallQtTranslations(const QString& folder = QString());

}  // namespace kestrin
