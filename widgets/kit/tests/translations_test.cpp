// The catalogues of the interface's texts: every text the sources mark is
// in every catalogue, translated, with the same places for names and
// numbers and the same access keys; and the person's language is found and
// installed for Qt's texts and the cores' alike, English where we have none.
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include "base/Strings.h"
#include "base/Translate.h"
#include "widgets/kit/Translations.h"

using namespace quillet;

namespace {

struct Entry {
  QString context;
  QString source;
  QString translation;
  QString type;  // "" when finished; "unfinished", "vanished", "obsolete"
};

QList<Entry> ReadCatalogue(const QString& path, QString* language) {
  QList<Entry> entries;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return entries;
  QXmlStreamReader xml(&file);
  QString context;
  Entry entry;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    const QStringView name = xml.name();
    if (name == u"TS") {
      if (language) *language = xml.attributes().value("language").toString();
    } else if (name == u"name") {
      context = xml.readElementText();
    } else if (name == u"message") {
      entry = Entry{context, {}, {}, {}};
    } else if (name == u"source") {
      entry.source = xml.readElementText();
    } else if (name == u"translation") {
      entry.type = xml.attributes().value("type").toString();
      entry.translation = xml.readElementText();
      entries.append(entry);
    }
  }
  return xml.hasError() ? QList<Entry>() : entries;
}

// The places a text fills in: Qt's and FillIn's %1..%9 (as a sorted set,
// a translation may reorder them) and the C conversions in their order
// (snprintf fills them in order).
QString Places(const QString& text) {
  QStringList numbered;
  for (const auto& m : QRegularExpression("%([1-9])").globalMatch(text)) numbered << m.captured(1);
  numbered.sort();
  numbered.removeDuplicates();
  QStringList conversions;
  for (const auto& m : QRegularExpression("%(l?[sdu])").globalMatch(text)) conversions << m.captured(1);
  return numbered.join(',') + " | " + conversions.join(',');
}

// How many access keys a text marks ("&&" is a literal '&').
int AccessKeys(QString text) {
  text.replace("&&", "");
  return static_cast<int>(text.count('&'));
}

QStringList Catalogues() {
  return QDir(QUILLET_SOURCE_DIR "/data/translations").entryList({"quillet_*.ts"}, QDir::Files);
}

}  // namespace

class TranslationsTest : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { RemoveTranslators(); }

  // Run the catalogue tool over the sources into a copy of each catalogue:
  // a text added to the sources comes in untranslated, one taken out goes.
  // Either way the catalogue in the tree is out of date, and this says which.
  void everyTextOfTheSourcesIsTranslated() {
    const QStringList catalogues = Catalogues();
    QVERIFY2(catalogues.contains("quillet_de.ts"), qPrintable(catalogues.join(' ')));
    for (const QString& name : catalogues) {
      QTemporaryDir scratch;
      QVERIFY(scratch.isValid());
      const QString copy = scratch.filePath(name);
      QVERIFY(QFile::copy(QUILLET_SOURCE_DIR "/data/translations/" + name, copy));
      QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
      QString language;
      const QList<Entry> committed = ReadCatalogue(copy, &language);
      QVERIFY2(!committed.isEmpty(), qPrintable(name));

      QProcess lupdate;
      lupdate.setProcessChannelMode(QProcess::MergedChannels);
      lupdate.start(QUILLET_LUPDATE, {"-silent", "-locations", "none", "-no-obsolete", "-no-ui-lines",
                                      "-I", QUILLET_SOURCE_DIR, "@" QUILLET_SOURCE_LIST, "-ts", copy});
      QVERIFY(lupdate.waitForFinished(120000));
      QVERIFY2(lupdate.exitCode() == 0, lupdate.readAll().constData());
      const QList<Entry> current = ReadCatalogue(copy, nullptr);

      QStringList missing;
      int translated = 0;
      for (const Entry& e : current) {
        if (e.type.isEmpty() && !e.translation.isEmpty()) ++translated;
        else missing << e.context + ": " + e.source.left(70);
      }
      qInfo("%s (%s): %d texts, %d translated (%.1f %%)", qPrintable(name), qPrintable(language),
            static_cast<int>(current.size()), translated,
            current.isEmpty() ? 0.0 : 100.0 * translated / static_cast<double>(current.size()));
      QVERIFY2(missing.isEmpty(), qPrintable("Untranslated in " + name + " (run `ninja update_translations` "
                                             "and translate them):\n  " + missing.join("\n  ")));
      QVERIFY2(current.size() == committed.size(),
               qPrintable(QString("%1 holds %2 texts, the sources %3: run `ninja update_translations`")
                              .arg(name)
                              .arg(committed.size())
                              .arg(current.size())));
    }
  }

  void translationsKeepThePlacesAndTheAccessKeys() {
    for (const QString& name : Catalogues()) {
      QStringList wrong;
      for (const Entry& e : ReadCatalogue(QUILLET_SOURCE_DIR "/data/translations/" + name, nullptr)) {
        if (e.translation.isEmpty()) continue;
        if (Places(e.source) != Places(e.translation))
          wrong << "places: " + e.source.left(50) + " -> " + e.translation.left(50);
        if (e.context == "Menus" && AccessKeys(e.source) != AccessKeys(e.translation))
          wrong << "access key: " + e.source + " -> " + e.translation;
        if (e.source.endsWith('\n') != e.translation.endsWith('\n') ||
            e.source.startsWith(' ') != e.translation.startsWith(' '))
          wrong << "spacing: " + e.source.left(50);
      }
      QVERIFY2(wrong.isEmpty(), qPrintable(name + ":\n  " + wrong.join("\n  ")));
    }
  }

  // Two menus with the same access key cannot both be reached by it.
  void theMainMenusAccessKeysStayDistinct() {
    QVERIFY(!InstallTranslators({"de_DE"}, QUILLET_DATA_DIR "/translations/").ours.isEmpty());
    QStringList keys;
    for (const char* menu : {"&File", "&Edit", "&Themes", "&User", "&View", "&Help"}) {
      const QString shown = MenuText(menu);
      const qsizetype at = shown.indexOf('&');
      QVERIFY2(at >= 0 && at + 1 < shown.size(), qPrintable(shown));
      keys << shown.mid(at + 1, 1).toLower();
    }
    QStringList distinct = keys;
    distinct.removeDuplicates();
    QCOMPARE(distinct, keys);
  }

  void thePersonsLanguageIsInstalledForQtAndTheCores() {
    const QString folder = QUILLET_DATA_DIR "/translations/";
    InstalledLanguage installed = InstallTranslators({"de-DE", "en-US"}, folder);
    QCOMPARE(installed.ours, QString("de"));
    QCOMPARE(installed.qts, QString("de"));  // Qt's own buttons come along
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QString("Abbrechen"));
    QCOMPARE(MenuText("&File"), QString("&Datei"));
    // The cores' texts: UTF-8 for messages, code-page bytes where they can
    // become record data.
    QCOMPARE(UiText(IDS_ADD), QString::fromUtf8("Hinzuf\u00FCgen"));
    QCOMPARE(LoadString(IDS_ADD), CpText("Hinzuf\xFCgen"));
    QCOMPARE(QString::fromStdString(translate("Mail", "this topic")), QString("dieses Thema"));
    // What the catalogue lacks, and what is no interface text, stay as they are.
    QCOMPARE(MenuText("Theme of someone else's"), QString("Theme of someone else's"));
    QCOMPARE(translate("Mail", "No such text"), std::string("No such text"));
    QCOMPARE(UiString(IDS_DEFAULT_THEME), std::string("Show Everything.htm"));
    // The cores learn the language too (the program's pages follow it).
    QCOMPARE(Language(), std::string("de"));

    // The first language we have a catalogue for wins; English first means
    // English, whatever follows.
    QCOMPARE(InstallTranslators({"fr_FR", "de_AT"}, folder).ours, QString("de"));
    QCOMPARE(Language(), std::string("de"));
    installed = InstallTranslators({"en_GB", "de_DE"}, folder);
    QVERIFY(installed.ours.isEmpty());
    QCOMPARE(Language(), std::string());
    QCOMPARE(MenuText("&File"), QString("&File"));
    QCOMPARE(UiString(IDS_ADD), std::string("Add"));
    QVERIFY(InstallTranslators({"xx_YY"}, folder).ours.isEmpty());
    QCOMPARE(UiText(IDS_ADD), QString("Add"));
    // A folder without catalogues is English too, never a failure.
    QVERIFY(InstallTranslators({"de_DE"}, QDir::tempPath() + "/no-such-folder/").ours.isEmpty());
    QCOMPARE(MenuText("&File"), QString("&File"));
    QCOMPARE(Language(), std::string());
    // Taking the catalogues out gives the cores English back.
    QCOMPARE(InstallTranslators({"de_DE"}, folder).ours, QString("de"));
    RemoveTranslators();
    QCOMPARE(Language(), std::string());
    QCOMPARE(UiString(IDS_ADD), std::string("Add"));
  }
};

QTEST_MAIN(TranslationsTest)
#include "translations_test.moc"
