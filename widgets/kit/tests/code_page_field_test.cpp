// Code-page text at the edge of the widgets: every byte reaches Qt as its
// character and comes back as the same byte, a character the code page
// cannot hold is refused and named, and OK refuses it in a field.
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTranslator>
#include <QVBoxLayout>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "testing/RecordingUI.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/CodePageField.h"

using namespace quillet;

namespace {

const QString kOmega = QString::fromUtf8("\xCE\xA9");          // U+03A9
const QString kEmoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // U+1F600, a pair of halves

// A catalogue holding two field names: one the code page can hold, one it
// cannot.
class FieldNameTranslator : public QTranslator {
 public:
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (QByteArray(context) != "Fields") return QString();
    if (QByteArray(source) == "search text") return QString::fromUtf8("Suchbegriff f\u00fcr die Suche");
    if (QByteArray(source) == "title") return QString::fromUtf8("\u03a4\u03af\u03c4\u03bb\u03bf\u03c2");
    return QString();
  }
};

}  // namespace

class CodePageFieldTest : public QObject {
  Q_OBJECT
 private slots:
  void everyByteReachesQtAndComesBackTheSame() {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const QString shown = FromAnsi(CpText(all));
    QCOMPARE(shown.size(), qsizetype{256});
    QCOMPARE(shown[0x80], QChar(0x20AC));  // euro sign
    QCOMPARE(shown[0x9F], QChar(0x0178));  // Y diaeresis
    QCOMPARE(shown[0xE9], QChar(0x00E9));
    // The five bytes the code page leaves undefined come through as the
    // control of the same number, and go back as their byte.
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) QCOMPARE(shown[b], QChar(b));
    CpText back;
    QVERIFY(ToAnsiExact(shown, &back));
    QCOMPARE(back, CpText(all));
  }

  void theCodePagesPunctuationIsStoredAsItsByte() {
    CpText text;
    QVERIFY(ToAnsiExact(QString::fromUtf8("\xE2\x82\xAC 5 \xE2\x80\x93 \xE2\x80\x9Cok\xE2\x80\x9D \xE2\x84\xA2"), &text));
    QCOMPARE(text, CpText("\x80 5 \x96 \x93ok\x94 \x99"));
  }

  void aCharacterTheCodePageCannotHoldIsRefusedAndNamed() {
    CpText text;
    QString bad;
    QVERIFY(!ToAnsiExact("Caf" + QString(QChar(0xE9)) + " " + kOmega + " x", &text, &bad));
    QCOMPARE(bad, kOmega);
    QCOMPARE(text, CpText("Caf\xE9 "));  // what came before it
    QVERIFY(!ToAnsiExact("a" + kEmoji, &text, &bad));
    QCOMPARE(bad, kEmoji);  // both halves, not half a character
    QCOMPARE(UnstorableAt("ab" + kOmega + "c" + kOmega), qsizetype{2});
    QCOMPARE(UnstorableAt("ab" + kOmega + "c" + kOmega, 3), qsizetype{4});
    QCOMPARE(UnstorableAt(QString::fromUtf8("\xE2\x82\xAC plain")), qsizetype{-1});
    QCOMPARE(FirstUnstorable("x" + kEmoji + kOmega), kEmoji);
    QCOMPARE(DescribeCharacter(kOmega), QString::fromUtf8("\xE2\x80\x9C\xCE\xA9\xE2\x80\x9D (U+03A9)"));
    QVERIFY(DescribeCharacter(kEmoji).endsWith("(U+1F600)"));
  }

  void okTakesStorableTextAndRefusesTheRestNamingFieldAndCharacter() {
    RecordingUI ui;
    ScopedUI scope(&ui);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* other = new QLineEdit(&window);
    auto* edit = new QLineEdit(&window);
    layout->addWidget(other);
    layout->addWidget(edit);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();

    CpText taken;
    QVERIFY(TakeCodePageText(edit, QString::fromUtf8("\xE2\x82\xAC""10"), CpText("Title"), &taken));
    QCOMPARE(taken, CpText("\x80" "10"));
    QVERIFY(ui.messages.empty());

    edit->setText("ab" + kOmega + "cd");
    QVERIFY(!TakeCodePageText(edit, edit->text(), CpText("Title"), &taken));
    QVERIFY(taken.empty());
    QCOMPARE(ui.MessageIds(), std::vector<int>{IDS_UNSTORABLE_CHARACTER});
    QCOMPARE(ui.messages[0].text, std::string("The Title contains the character \u201C\u03A9\u201D (U+03A9), which the handheld "
                                              "cannot store.\nPlease remove or replace it and try again."));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit));
    QCOMPARE(edit->selectedText(), kOmega);
  }
  void theFieldIsNamedInThePersonsLanguageWhereTheCodePageHoldsIt() {
    QCOMPARE(FieldName("Fields", "search text"), CpText("search text"));  // no catalogue: English
    FieldNameTranslator catalogue;
    QCoreApplication::installTranslator(&catalogue);
    QCOMPARE(FieldName("Fields", "search text"), CpText("Suchbegriff f\xFCr die Suche"));
    // A name the code page cannot hold would end up as numbers: the English stands.
    QCOMPARE(FieldName("Fields", "title"), CpText("title"));
    QCOMPARE(FieldName("Fields", "author"), CpText("author"));  // not in the catalogue

    RecordingUI ui;
    ScopedUI scope(&ui);
    QLineEdit edit;
    CpText taken;
    QVERIFY(!TakeCodePageText(&edit, kOmega, FieldName("Fields", "search text"), &taken));
    QCOMPARE(ui.messages.size(), size_t{1});
    // The message is UTF-8: the name's code-page byte comes out as its character.
    QVERIFY2(ui.messages[0].text.find("Suchbegriff f\u00fcr die Suche") != std::string::npos,
             ui.messages[0].text.c_str());
    QCoreApplication::removeTranslator(&catalogue);
  }
};

QTEST_MAIN(CodePageFieldTest)
#include "code_page_field_test.moc"
