// The find window and the find result list on their own: typing, choosing
// the rule and the kinds, pressing Find and Cancel, and what the list shows.
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTranslator>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"
#include "testing/RecordingUI.h"
#include "widgets/find/FindList.h"
#include "widgets/find/FindParts.h"
#include "widgets/find/FindWnd.h"

using namespace quillet;

namespace {

template <class T>
T* Put(uint32_t id) {
  auto r = std::make_unique<T>();
  T* raw = r.get();
  r->recordId = id;
  pDB->Insert(std::move(r));
  return raw;
}

// What the list shows: "text|record id" per line, top to bottom.
QStringList Shown(const CFindList& list) {
  QStringList out;
  QTreeWidget* view = list.view();
  for (int i = 0; i < view->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = view->topLevelItem(i);
    out << item->text(0) + "|" + QString::number(item->data(0, Qt::UserRole).toUInt());
  }
  return out;
}

// A catalogue for the tests: every text of the find window comes back in
// brackets, and the count in its own words.
class BracketTranslator : public QTranslator {
 public:
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (QByteArray(context) != "FindWnd") return QString();
    if (QByteArray(source) == "%1 Records Found") return QStringLiteral("%1 Treffer");
    return "[" + QString::fromUtf8(source) + "]";
  }
};

// Clicks a check box or radio button on its indicator, where a person does.
void ClickBox(QAbstractButton* button) {
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

}  // namespace

class FindWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    DeleteCurrentStore();
    pDB = new CRecordStore("quillet.dat", "");
    bShowPrivate = 0;
    Put<CTopicRecord>(2)->title = "Garden plans"_cp;
    auto* category = Put<CCategoryRecord>(3);
    category->name = "Home"_cp;
    auto* kitchen = Put<CTopicRecord>(4);
    kitchen->title = "Kitchen"_cp;
    kitchen->categoryId = 3;
    Put<CNoteRecord>(5)->text = "plant the garden beans\nafter the frost"_cp;
    Put<CNoteRecord>(6)->text = "beans for the kitchen"_cp;
    auto* sketch = Put<CImageRecord>(7);
    sketch->title = "garden map"_cp;
    sketch->format = kImageFormatSketch;
    auto* reference = Put<CCustomRecord>(8);
    reference->fields = {"Beans and Peas"_cp, "A. Grower"_cp, ""_cp, ""_cp, ""_cp, ""_cp, ""_cp, "garden notes"_cp};
  }
  void cleanup() { DeleteCurrentStore(); }

  void typingChoosingAndFindFillTheListInOrder() {
    QWidget parent;
    parent.resize(800, 500);
    auto form = std::make_shared<CFindForm>();
    CFindWnd window(form);
    CFindList list(form);
    QVERIFY(window.Create(&parent));
    QVERIFY(list.Create(&parent));
    list.Initialize();
    window.Move(260, 0, 540, 500);
    list.Move(QRect(0, 0, 255, 500));
    window.Show(true);
    list.Show(true);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));

    // The form as it starts, and the empty list.
    QVERIFY(window.ruleButton(FIND_RULE_ANY)->isChecked());
    QVERIFY(!window.ruleButton(FIND_RULE_ALL)->isChecked());
    QVERIFY(window.kindBox(FindKind::kImage)->isChecked());
    QCOMPARE(list.view()->headerItem()->text(0), QString("Search Results..."));
    // Nothing was searched yet: no line, not even "0 Records Found", and no count.
    QCOMPARE(Shown(list), QStringList{});
    QCOMPARE(window.countLabel()->text(), QString());

    // ANY: every record with either word, sorted by text without regard to
    // case; the note shows its first line only.
    QTest::keyClicks(window.searchField(), "garden, beans");
    QTest::mouseClick(window.findButton(), Qt::LeftButton);
    QCOMPARE(Shown(list), (QStringList{"Beans and Peas|8", "beans for the kitchen|6",
                                       "garden map|7", "Garden plans|2",
                                       "plant the garden beans|5"}));
    QCOMPARE(window.countLabel()->text(), QString("5 Records Found"));

    // ALL, without notes: both words in one record.
    ClickBox(window.ruleButton(FIND_RULE_ALL));
    QVERIFY(!window.ruleButton(FIND_RULE_ANY)->isChecked());
    ClickBox(window.kindBox(FindKind::kNote));
    QVERIFY(!window.kindBox(FindKind::kNote)->isChecked());
    window.searchField()->clear();
    QTest::keyClicks(window.searchField(), "GARDEN+beans");
    QTest::mouseClick(window.findButton(), Qt::LeftButton);
    QCOMPARE(Shown(list), QStringList{"Beans and Peas|8"});
    QCOMPARE(window.countLabel()->text(), QString("1 Record Found"));
    QVERIFY(form->engine().IsEnabled(FindKind::kTopic));
    QVERIFY(!form->engine().IsEnabled(FindKind::kNote));

    // EXACT by Return in the field: a topic by its category's name.
    ClickBox(window.ruleButton(FIND_RULE_EXACT));
    window.searchField()->clear();
    QTest::keyClicks(window.searchField(), "home");
    QTest::keyClick(window.searchField(), Qt::Key_Return);
    QCOMPARE(Shown(list), QStringList{"Kitchen|4"});
    QCOMPARE(list.view()->topLevelItem(0)->icon(0).cacheKey(),
             FindIconFor(kFindIconTopic).cacheKey());

    // Return on a rule button or a kind box is Find too, as in a dialog
    // whose default button is Find; a word nothing holds says so.
    window.searchField()->setText("zucchini");
    window.ruleButton(FIND_RULE_ANY)->setFocus();
    QTest::keyClick(window.ruleButton(FIND_RULE_ANY), Qt::Key_Return);
    QVERIFY(!window.ruleButton(FIND_RULE_ANY)->isChecked());  // Return does not choose a rule
    QCOMPARE(Shown(list), QStringList{"0 Records Found|0"});
    QVERIFY(!list.view()->topLevelItem(0)->icon(0).isNull());
    QCOMPARE(window.countLabel()->text(), QString("0 Records Found"));
    window.searchField()->setText("kitchen");
    QTest::keyClick(window.kindBox(FindKind::kTopic), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(Shown(list), QStringList{"Kitchen|4"});
    QVERIFY(window.kindBox(FindKind::kTopic)->isChecked());  // nor toggles a box

    // No record holds a character the code page cannot: the search is
    // refused with the character named, and the list keeps what it showed.
    {
      RecordingUI ui;
      ScopedUI scope(&ui);
      window.searchField()->setText(QString::fromUtf8("home \xCE\xA9"));  // U+03A9
      QTest::mouseClick(window.findButton(), Qt::LeftButton);
      QCOMPARE(ui.MessageIds(), std::vector<int>{IDS_UNSTORABLE_CHARACTER});
      QVERIFY(ui.messages[0].text.starts_with("The search text contains the character \u201C\u03A9\u201D (U+03A9)"));
      QCOMPARE(Shown(list), QStringList{"Kitchen|4"});
      QCOMPARE(window.searchField()->selectedText(), QString::fromUtf8("\xCE\xA9"));
    }

    // Cancel empties the list and puts the form back as it started.
    QTest::mouseClick(window.cancelButton(), Qt::LeftButton);
    QCOMPARE(Shown(list), QStringList{});
    QCOMPARE(window.countLabel()->text(), QString());
    QCOMPARE(window.searchField()->text(), QString());
    QVERIFY(window.ruleButton(FIND_RULE_ANY)->isChecked());
    QVERIFY(!window.ruleButton(FIND_RULE_EXACT)->isChecked());
    QVERIFY(window.kindBox(FindKind::kNote)->isChecked());
    QVERIFY(!form->engine().IsEnabled(FindKind::kTopic));
  }

  // A merge gave a found record a fresh id (and its old id went to the
  // other writer's record): the list shows and selects it under the new id.
  void theWindowsTextsComeFromTheCatalogue() {
    BracketTranslator catalogue;
    QCoreApplication::installTranslator(&catalogue);
    QWidget parent;
    parent.resize(800, 500);
    auto form = std::make_shared<CFindForm>();
    CFindWnd window(form);
    QVERIFY(window.Create(&parent));
    window.Move(0, 0, 800, 500);
    window.Show(true);
    // Every button and label the window makes shows the catalogue's text
    // (the count is empty until a search).
    QStringList shown;
    for (QAbstractButton* b : parent.findChildren<QAbstractButton*>()) shown << b->text();
    for (QLabel* l : parent.findChildren<QLabel*>())
      if (l != window.countLabel()) shown << l->text();
    QCOMPARE(shown.size(), 10);
    for (const QString& text : shown) QVERIFY2(text.startsWith('[') && text.endsWith(']'), qPrintable(text));
    QCOMPARE(window.ruleButton(FIND_RULE_EXACT)->text(), QString("[EXACT phrase entered]"));
    QCOMPARE(window.kindBox(FindKind::kImage)->text(), QString("[Image or Sketch]"));
    // The count places its number where the language puts it.
    window.searchField()->setText("garden");
    QTest::mouseClick(window.findButton(), Qt::LeftButton);
    QCOMPARE(window.countLabel()->text(), QString("4 Treffer"));
    QCoreApplication::removeTranslator(&catalogue);
  }

  void theListFollowsRecordsAMergeRenumbered() {
    QWidget parent;
    auto form = std::make_shared<CFindForm>();
    CFindList list(form);
    QVERIFY(list.Create(&parent));
    list.Initialize();
    form->SetSearchText("beans"_cp);
    form->PressFind(pDB);
    QCOMPARE(Shown(list), (QStringList{"Beans and Peas|8", "beans for the kitchen|6", "plant the garden beans|5"}));
    list.view()->setCurrentItem(list.view()->topLevelItem(2));
    QCOMPARE(list.SelectedRecordId(), 5u);

    CRecord* five = nullptr;
    QCOMPARE(pDB->FindById(5, &five), DB_OK);
    five->flags = kFlagDeleted;  // the old id now names nothing to open
    Put<CNoteRecord>(91)->text = "plant the garden beans\nafter the frost"_cp;
    list.FollowRenumbered({RecordIdChange{5, 91}});
    QCOMPARE(Shown(list), (QStringList{"Beans and Peas|8", "beans for the kitchen|6", "plant the garden beans|91"}));
    QCOMPARE(list.SelectedRecordId(), 91u);
    QCOMPARE(form->engine().notes()[0]->recordId, 91u);
  }

  void theResultsGoWithTheListAndTheFormWithThePair() {
    std::weak_ptr<CFindForm> seen;
    {
      QWidget parent;
      auto window = std::make_unique<CFindWnd>(SharedFindForm());
      auto list = std::make_unique<CFindList>(SharedFindForm());
      QCOMPARE(&window->form(), SharedFindForm().get());
      seen = SharedFindForm();
      QVERIFY(window->Create(&parent));
      QVERIFY(list->Create(&parent));
      list->Initialize();
      QTest::keyClicks(window->searchField(), "garden");
      window->Find();
      QVERIFY(!window->form().engine().topics().empty());
      list.reset();
      QVERIFY(window->form().engine().topics().empty());
      QVERIFY(window->form().engine().notes().empty());
      // The window still works without its list.
      window->Find();
      QVERIFY(!window->form().engine().topics().empty());
    }
    QVERIFY(seen.expired());
  }
};

QTEST_MAIN(FindWindowTest)
#include "find_qtest.moc"
