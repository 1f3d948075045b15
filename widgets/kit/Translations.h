// The person's language for a Qt program of ours: the catalogues installed
// at start, and the Qt forms of the program's own texts.
//
// InstallTranslators reads the languages the person asked for
// (QLocale::system().uiLanguages(), so LANGUAGE, LC_ALL, LC_MESSAGES and
// LANG count, in that order) and installs, for the first of them we have,
// our catalogue (share/quillet/translations/quillet_<lang>.qm) and Qt's own
// (qtbase_<lang>.qm, the buttons and dialogs Qt draws). What a catalogue
// lacks stays English. It also hands the lookup and the language installed
// to the cores, whose texts (and pages) go through base/Translate.h.
#pragma once

#include <QString>
#include <QStringList>

#include "platform/codepage/CpText.h"

namespace quillet {

struct InstalledLanguage {
  QString ours;   // the language of our catalogue, e.g. "de"; empty: English
  QString qts;    // the language of Qt's catalogue; empty when none was found
};

// `languages` defaults to the system's; `catalogueFolder` to the program's
// share/quillet/translations/. Call once, after the QApplication is made.
InstalledLanguage InstallTranslators(const QStringList& languages = QStringList(),
                                     const QString& catalogueFolder = QString());
// Takes the catalogues out again and gives the cores English back (tests).
void RemoveTranslators();

// The folder our catalogues are installed in.
QString CatalogueFolder();

// A string-table text in the person's language (base/Strings.h).
QString UiText(int stringId);
// A menu's or the toolbar's text (desktop/shell/Menus.h) in the person's
// language; a text that is not the program's own (a theme's name, say)
// comes through as it is.
QString MenuText(const CpText& text);
QString MenuText(const char* text);

}  // namespace quillet
