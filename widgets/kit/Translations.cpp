#include "widgets/kit/Translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

#include <memory>

#include "base/Strings.h"
#include "base/Translate.h"
#include "platform/codepage/CodePage.h"
#include "platform/paths/ProgramPaths.h"

namespace quillet {
namespace {

QPointer<QTranslator>& Ours() {
  static QPointer<QTranslator> t;
  return t;
}
QPointer<QTranslator>& Qts() {
  static QPointer<QTranslator> t;
  return t;
}

std::string CoreLookup(const char* context, const char* source) {
  // Qt answers the source itself when it has no translation.
  const QString text = QCoreApplication::translate(context, source);
  const QByteArray bytes = text.toUtf8();
  if (bytes == source) return std::string();
  return bytes.toStdString();
}

// "de_DE" and "de-DE" -> "de_DE"; the catalogues are named with '_'.
QString Normalised(QString language) { return language.replace('-', '_'); }

// Loads the first of `languages` (each tried whole, then as its bare
// language) that `prefix` has a catalogue for in `folder`.
std::unique_ptr<QTranslator> LoadFirst(const QStringList& languages, const QString& prefix,
                                       const QString& folder, QString* which) {
  for (const QString& wanted : languages) {
    const QString full = Normalised(wanted);
    // English is the source language: nothing to load, and nothing later in
    // the list may override the person's choice of it.
    if (full == "C" || full == "en" || full.startsWith("en_")) return nullptr;
    for (const QString& name : {full, full.section('_', 0, 0)}) {
      auto t = std::make_unique<QTranslator>();
      if (t->load(prefix + name, folder)) {
        // (Qt also tries shorter names: "de_AT" finds quillet_de.qm.)
        *which = QFileInfo(t->filePath()).completeBaseName().mid(prefix.size());
        return t;
      }
    }
  }
  return nullptr;
}

}  // namespace

QString CatalogueFolder() {
  return QString::fromStdString(qplat::DataFolder()) + "translations/";
}

InstalledLanguage InstallTranslators(const QStringList& languages, const QString& catalogueFolder) {
  RemoveTranslators();
  InstalledLanguage installed;
  const QStringList wanted = languages.isEmpty() ? QLocale::system().uiLanguages() : languages;
  const QString folder = catalogueFolder.isEmpty() ? CatalogueFolder() : catalogueFolder;
  if (auto ours = LoadFirst(wanted, "quillet_", folder, &installed.ours)) {
    QCoreApplication::installTranslator(ours.get());
    Ours() = ours.release();
    Ours()->setParent(QCoreApplication::instance());
    // Qt's own buttons and dialogs in the same language, when Qt has it.
    QString qtLanguage;
    if (auto qts = LoadFirst({installed.ours}, "qtbase_",
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath), &qtLanguage)) {
      QCoreApplication::installTranslator(qts.get());
      Qts() = qts.release();
      Qts()->setParent(QCoreApplication::instance());
      installed.qts = qtLanguage;
    }
  }
  SetTranslator(&CoreLookup);
  SetLanguage(installed.ours.toStdString());
  return installed;
}

void RemoveTranslators() {
  for (QPointer<QTranslator>* t : {&Ours(), &Qts()}) {
    if (*t) {
      QCoreApplication::removeTranslator(*t);
      delete t->data();
    }
    *t = nullptr;
  }
  SetTranslator(nullptr);
  SetLanguage(std::string_view());
}

QString UiText(int stringId) { return QString::fromStdString(UiString(stringId)); }

QString MenuText(const CpText& text) {
  const std::string utf8 = ToUtf8(text);
  return QCoreApplication::translate("Menus", utf8.c_str());
}

QString MenuText(const char* text) { return QCoreApplication::translate("Menus", text); }

}  // namespace quillet
