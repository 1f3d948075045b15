// The real main window with every part, as a screen reader and a person
// with a dark desktop meet it: every interactive object has a name, the
// browser pane is a document whose links can be reached, focused with Tab
// and followed with Enter, and text stays readable against its background
// under a dark palette while the tree keeps its paper in a light one.
#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QLabel>
#include <QMap>
#include <QSet>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/MainWindow.h"
#include "app/WebWnd.h"
#include "app/WndMgr.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/Pages.h"
#include "imaging/tests/SketchBytes.h"
#include "store/RecordKinds.h"
#include "testing/ShellTestSupport.h"
#include "testing/Shots.h"
#include "widgets/find/FindParts.h"
#include "widgets/pictures/ImageList.h"
#include "widgets/pictures/Parts.h"
#include "widgets/records/Parts.h"
#include "widgets/records/TopicTree.h"

using namespace quillet;
using quillet::test::AddNote;
using quillet::test::AddTopic;
using quillet::test::Machine;
using quillet::test::Recorders;
using quillet::test::ShotFolder;

namespace {

// Objects a person operates, and so must be able to hear named.
bool Interactive(QAccessibleInterface* iface) {
  switch (iface->role()) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::Table:
    case QAccessible::ScrollBar:
    case QAccessible::ToolBar:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::MenuItem:
    case QAccessible::Link:
    case QAccessible::PageTab:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::Document:
      return true;
    case QAccessible::EditableText: {
      auto* w = qobject_cast<QWidget*>(iface->object());
      return w && w->focusPolicy() != Qt::NoFocus;
    }
    default:
      return false;
  }
}

QString Describe(QAccessibleInterface* iface) {
  QObject* o = iface->object();
  QString what = o ? QString("%1 \"%2\"").arg(o->metaObject()->className(), o->objectName())
                   : QString("(no object)");
  if (o == nullptr && iface->parent() && iface->parent()->object())
    what += QString(" in %1 \"%2\"").arg(iface->parent()->object()->metaObject()->className(),
                                         iface->parent()->object()->objectName());
  return what + QString(" role %1").arg(int(iface->role()));
}

struct Walk {
  QSet<QAccessible::Id> interactive;
  QMap<QAccessible::Id, QString> unnamed;
};

// A name is missing when there is none, and for a drop-down list also when
// it is only the entry chosen: that names the choice, not the list.
bool Unnamed(QAccessibleInterface* iface) {
  const QString name = iface->text(QAccessible::Name).trimmed();
  if (name.isEmpty()) return true;
  return iface->role() == QAccessible::ComboBox && name == iface->text(QAccessible::Value).trimmed();
}

// Every object under `iface`. The rows and cells of item views are not
// walked (there are as many as records), their column headers are: a
// header that says only its section number names nothing.
void WalkTree(QAccessibleInterface* iface, Walk* walk, int depth = 0) {
  if (!iface || !iface->isValid() || depth > 40) return;
  if (Interactive(iface)) {
    const QAccessible::Id id = QAccessible::uniqueId(iface);
    walk->interactive.insert(id);
    if (Unnamed(iface)) walk->unnamed[id] = Describe(iface);
  }
  const QAccessible::Role role = iface->role();
  const bool view = role == QAccessible::Tree || role == QAccessible::List || role == QAccessible::Table;
  for (int i = 0; i < iface->childCount(); ++i) {
    QAccessibleInterface* child = iface->child(i);
    if (!child) continue;
    if (view) {
      if (child->role() == QAccessible::ColumnHeader) {
        const QString name = child->text(QAccessible::Name).trimmed();
        bool number = false;
        name.toInt(&number);
        if (name.isEmpty() || number)
          walk->unnamed[QAccessible::uniqueId(iface) ^ 0x80000000u] =
              Describe(iface) + " column header \"" + name + "\"";
      }
      // Scroll bars and other widgets of the view are walked as usual.
      if (child->object() == nullptr || !child->object()->isWidgetType()) continue;
    }
    WalkTree(child, walk, depth + 1);
  }
}

// Relative luminance of a colour (WCAG 2).
double Luminance(QRgb c) {
  auto channel = [](int v) {
    const double s = v / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

// The contrast of the darkest against the lightest pixel of `rect` in
// `shot`: text against its background where the rectangle holds both.
double Contrast(const QImage& shot, const QRect& rect) {
  const QRect r = rect.intersected(shot.rect());
  double lo = 2, hi = -1;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const double l = Luminance(shot.pixel(x, y));
      lo = std::min(lo, l);
      hi = std::max(hi, l);
    }
  return hi < 0 ? 0 : (hi + 0.05) / (lo + 0.05);
}

// The part of an item's row that holds its text: right of its picture, as
// wide as the text.
QRect TextPart(QTreeWidget* view, QTreeWidgetItem* item) {
  const QRect row = view->visualItemRect(item);
  const int left = row.left() + view->iconSize().width() + 6;
  const int width = QFontMetrics(view->font()).horizontalAdvance(item->text(0));
  return QRect(left, row.top(), width, row.height()).intersected(view->viewport()->rect());
}

QPalette DarkPalette() {
  QPalette p;
  const QColor window(0x35, 0x35, 0x35), base(0x23, 0x23, 0x23), text(0xEE, 0xEE, 0xEE);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, window);
  p.setColor(QPalette::ToolTipBase, base);
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::PlaceholderText, QColor(0x9A, 0x9A, 0x9A));
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, window);
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::BrightText, Qt::red);
  p.setColor(QPalette::Link, QColor(0x6A, 0xB0, 0xF0));
  p.setColor(QPalette::Highlight, QColor(0x2A, 0x82, 0xDA));
  p.setColor(QPalette::HighlightedText, Qt::black);
  p.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
  p.setColor(QPalette::Midlight, QColor(0x45, 0x45, 0x45));
  p.setColor(QPalette::Mid, QColor(0x2A, 0x2A, 0x2A));
  p.setColor(QPalette::Dark, QColor(0x20, 0x20, 0x20));
  p.setColor(QPalette::Shadow, Qt::black);
  p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
  p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
  p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
  return p;
}

// The application's palette and style for a scope.
struct AppLook {
  QPalette palette = QApplication::palette();
  QString style = QApplication::style()->name();
  AppLook(const QPalette& p) {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setPalette(p);
  }
  ~AppLook() {
    QApplication::setStyle(QStyleFactory::create(style));
    QApplication::setPalette(palette);
  }
};

struct Shell {
  CMainWindow* w = nullptr;
  CWndMgr* mgr = nullptr;
  CTopicTree* tree = nullptr;
  CImageList* images = nullptr;
};

Shell PartsOf(CMainWindow& w) {
  Shell s;
  s.w = &w;
  s.mgr = w.manager();
  s.tree = s.mgr ? dynamic_cast<CTopicTree*>(s.mgr->topicTree()) : nullptr;
  s.images = s.mgr ? dynamic_cast<CImageList*>(s.mgr->imageList()) : nullptr;
  return s;
}

uint32_t AddPicture(uint32_t topic, const std::string& title, uint32_t format) {
  auto i = std::make_unique<CImageRecord>();
  i->recordId = NextRecordId();
  i->title = CpText(title);
  i->data = testing::OneBitSketch(40, 30, [](int x, int y) { return x == y; });
  i->format = format;
  i->width = 40;
  i->height = 30;
  const uint32_t id = i->recordId;
  pDB->AddNew(std::move(i));
  FindLinksOfTopic(FindTopic(topic))->memberIds.push_back(id);
  return id;
}

// The link children of the pane's interface, by name.
QStringList LinkNames(QAccessibleInterface* pane) {
  QStringList out;
  for (int i = 0; i < pane->childCount(); ++i)
    if (QAccessibleInterface* c = pane->child(i); c && c->role() == QAccessible::Link)
      out << c->text(QAccessible::Name);
  return out;
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    RegisterWindowsParts();
    RegisterImagingParts();
    RegisterFindParts();
  }

  void everyInteractiveObjectHasAName();
  void thePaneIsADocumentWhoseLinksTabAndEnterReach();
  void textStaysReadableUnderADarkPalette();
  void aLightPaletteKeepsTheTreesPaperAndADarkOneFollows();
};

void AccessibilityTest::everyInteractiveObjectHasAName() {
  Machine m;
  Recorders r;
  CMainWindow w(RegisteredShellParts());
  Shell s = PartsOf(w);
  QVERIFY(s.mgr && s.mgr->ready() && s.tree);
  const uint32_t topic = AddTopic("Garden plans");
  AddNote(topic, "Plant the tomatoes after the last frost.");
  QCOMPARE(pDB->Save(), DB_OK);
  s.tree->Refresh();
  w.resize(1000, 700);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));

  // The main window holds every part, shown or not: the record windows and
  // the find pane are walked with it.
  QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&w);
  QVERIFY(root);
  Walk walk;
  WalkTree(root, &walk);
  // And the record windows as each mode shows them (their controls come
  // and go with what they load).
  QVERIFY(s.tree->SelectRecord(topic));
  for (uint32_t command : {CMD_NEW_TOPIC, CMD_NEW_NOTE, CMD_NEW_BOOK, CMD_NEW_IMAGE, CMD_FIND}) {
    QVERIFY(s.tree->SelectRecord(topic));
    w.SendCommand(command);
    QApplication::processEvents();
    WalkTree(root, &walk);
    w.SendCommand(CMD_START);
  }
  qInfo("interactive objects: %d, unnamed: %d", int(walk.interactive.size()), int(walk.unnamed.size()));
  QStringList unnamed = walk.unnamed.values();
  unnamed.sort();
  for (const QString& u : unnamed) qInfo("unnamed: %s", qPrintable(u));
  QVERIFY(walk.interactive.size() > 50);
  QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join("\n")));
}

void AccessibilityTest::thePaneIsADocumentWhoseLinksTabAndEnterReach() {
  Machine m;
  Recorders r;
  CMainWindow w(RegisteredShellParts());
  Shell s = PartsOf(w);
  QVERIFY(s.mgr && s.mgr->ready());
  w.resize(1000, 700);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.SendCommand(CMD_START);
  QTextBrowser* browser = s.mgr->web()->browser();
  QVERIFY(s.mgr->web()->currentPath().find("main.htm") != std::string::npos);

  QAccessibleInterface* pane = QAccessible::queryAccessibleInterface(browser);
  QVERIFY(pane);
  QCOMPARE(pane->role(), QAccessible::Document);
  QVERIFY(!pane->text(QAccessible::Name).isEmpty());
  // The page's words, without the layout's marks for frames and pictures.
  const QString text = pane->text(QAccessible::Value);
  QVERIFY2(text.contains("Welcome to Quillet!"), qPrintable(text.left(200)));
  for (QChar mark : {QChar(0xFDD0), QChar(0xFDD1), QChar(0xFFFC)}) QVERIFY(!text.contains(mark));
  // The mark's picture is read by its alternative text, before the welcome.
  QVERIFY2(text.simplified().startsWith("Quillet! Welcome to Quillet!"), qPrintable(text.left(80)));
  QAccessibleTextInterface* textIface = pane->textInterface();
  QVERIFY(textIface);
  QCOMPARE(textIface->text(0, textIface->characterCount()), text);

  const QStringList links = LinkNames(pane);
  for (const char* name : {"Start page", "Topic Center", "Image Center", "User guide"})
    QVERIFY2(links.contains(name), qPrintable(links.join(", ")));
  int center = -1;
  for (int i = 0; i < pane->childCount(); ++i)
    if (pane->child(i)->text(QAccessible::Name) == "Topic Center") center = i;
  QAccessibleInterface* link = pane->child(center);
  QCOMPARE(link->parent(), pane);
  QCOMPARE(pane->indexOfChild(link), center);
  QVERIFY(link->actionInterface());
  QVERIFY(link->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
  QVERIFY(link->state().focusable);
  QVERIFY(link->rect().isValid());

  // Tab from the top of the page reaches the links one by one, in the
  // page's order, each then focused in the interface too (one at a time);
  // Shift+Tab goes back; Enter follows the one focused.
  auto focused = [&] {
    QStringList names;
    for (int c = 0; c < pane->childCount(); ++c)
      if (pane->child(c)->state().focused) names << pane->child(c)->text(QAccessible::Name);
    return names.join(" + ");
  };
  browser->setFocus();
  QTRY_VERIFY(browser->hasFocus());
  QCOMPARE(focused(), QString());
  QVERIFY(links.size() >= 3);
  for (int i = 0; i < 3; ++i) {
    QTest::keyClick(browser, Qt::Key_Tab);
    QVERIFY2(browser->hasFocus(), "Tab left the page");
    QCOMPARE(focused(), links[i]);
  }
  QTest::keyClick(browser, Qt::Key_Tab, Qt::ShiftModifier);
  QCOMPARE(focused(), links[1]);
  QTest::keyClick(browser, Qt::Key_Tab, Qt::ShiftModifier);
  QCOMPARE(focused(), links[0]);
  QCOMPARE(links[0], QString("Topic Center"));  // the first of "Go to"
  QTest::keyClick(browser, Qt::Key_Return);
  QTRY_VERIFY(s.mgr->web()->currentPath().find("topiccenter.htm") != std::string::npos);

  // The press action follows a link as Enter does.
  w.SendCommand(CMD_START);
  QVERIFY(s.mgr->web()->currentPath().find("main.htm") != std::string::npos);
  pane = QAccessible::queryAccessibleInterface(browser);
  for (int i = 0; i < pane->childCount(); ++i)
    if (pane->child(i)->text(QAccessible::Name) == "Image Center")
      pane->child(i)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  QTRY_VERIFY(s.mgr->web()->currentPath().find("imagecenter.htm") != std::string::npos);
}

void AccessibilityTest::textStaysReadableUnderADarkPalette() {
  AppLook dark(DarkPalette());
  Machine m;
  Recorders r;
  CMainWindow w(RegisteredShellParts());
  Shell s = PartsOf(w);
  QVERIFY(s.mgr && s.mgr->ready() && s.tree && s.images);
  const uint32_t topic = AddTopic("Garden plans");
  const uint32_t note = AddNote(topic, "Plant the tomatoes after the last frost.");
  AddPicture(topic, "Kitchen plan", kImageFormatSketch);
  QCOMPARE(pDB->Save(), DB_OK);
  s.tree->Refresh();
  s.tree->ExpandAll();
  w.resize(1000, 700);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  const QString shots = ShotFolder("accessibility-shots");

  struct Sample {
    QString what;
    double ratio;
  };
  QList<Sample> samples;
  auto sampleRect = [&](const QString& what, QWidget* in, const QRect& rect) {
    QApplication::processEvents();
    const QImage shot = w.grab().toImage();
    const QRect mapped(in->mapTo(&w, rect.topLeft()), rect.size());
    samples.append({what, Contrast(shot, mapped)});
  };
  // The first labels with words of a record window, as shown in its mode.
  auto sampleLabels = [&](const QString& what, QWidget* host, int count) {
    QVERIFY2(host && host->isVisible(), qPrintable(what));
    int taken = 0;
    for (QLabel* label : host->findChildren<QLabel*>()) {
      if (taken == count) break;
      if (!label->isVisible() || label->text().trimmed().isEmpty() || label->width() < 8) continue;
      sampleRect(what + " label \"" + label->text() + "\"", label, label->rect());
      ++taken;
    }
    QVERIFY2(taken > 0, qPrintable(what));
  };

  // The tree: a topic and a note.
  for (uint32_t id : {topic, note}) {
    QTreeWidgetItem* item = s.tree->FindItem(id);
    QVERIFY(item);
    sampleRect("tree row \"" + item->text(0) + "\"", s.tree->view()->viewport(),
               TextPart(s.tree->view(), item));
  }
  QVERIFY(w.grab().save(shots + "/dark-tree.png"));

  // The note, topic, reference and picture windows, and Find.
  QVERIFY(s.tree->SelectRecord(topic));
  const std::pair<uint32_t, RecordWindow> modes[] = {{CMD_NEW_TOPIC, RecordWindow::kTopic},
                                                     {CMD_NEW_NOTE, RecordWindow::kNote},
                                                     {CMD_NEW_BOOK, RecordWindow::kCustom},
                                                     {CMD_NEW_IMAGE, RecordWindow::kImage},
                                                     {CMD_FIND, RecordWindow::kFind}};
  for (const auto& [command, window] : modes) {
    QVERIFY(s.tree->SelectRecord(topic));
    w.SendCommand(command);
    QApplication::processEvents();
    CChildWnd* child = s.mgr->window(window);
    QVERIFY(child);
    sampleLabels(QString("window %1").arg(child->className()), child->host(), 2);
    QVERIFY(w.grab().save(shots + QString("/dark-%1.png").arg(child->className())));
    w.SendCommand(CMD_START);
  }

  // My Pictures, and the sketch window it opens.
  w.SendCommand(CMD_IMAGE_CENTER);
  QApplication::processEvents();
  QTreeWidget* list = s.images->view();
  QVERIFY(list->isVisible() && list->topLevelItemCount() == 1);
  QTreeWidgetItem* row = list->topLevelItem(0);
  sampleRect("My Pictures row \"" + row->text(0) + "\"", list->viewport(), TextPart(list, row));
  QVERIFY(w.grab().save(shots + "/dark-my-pictures.png"));
  const QPoint at = list->visualItemRect(row).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  QApplication::processEvents();
  CChildWnd* sketch = s.mgr->window(RecordWindow::kSketch);
  QVERIFY(sketch);
  sampleLabels("window sketch", sketch->host(), 2);
  QVERIFY(w.grab().save(shots + "/dark-sketch.png"));

  bool allReadable = true;
  for (const Sample& sample : samples) {
    qInfo("contrast %5.2f:1  %s", sample.ratio, qPrintable(sample.what));
    allReadable = allReadable && sample.ratio >= 4.5;
  }
  QVERIFY(samples.size() >= 10);
  QVERIFY2(allReadable, "text below 4.5:1 against its background (see the lines above)");
}

void AccessibilityTest::aLightPaletteKeepsTheTreesPaperAndADarkOneFollows() {
  QPalette light = QStyleFactory::create("Fusion")->standardPalette();
  AppLook look(light);
  Machine m;
  Recorders r;
  CMainWindow w(RegisteredShellParts());
  Shell s = PartsOf(w);
  QVERIFY(s.mgr && s.mgr->ready() && s.tree);
  const uint32_t topic = AddTopic("Garden plans");
  QCOMPARE(pDB->Save(), DB_OK);
  s.tree->Refresh();
  w.resize(1000, 700);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  const QColor paper(0xF7, 0xF3, 0xE9);
  QCOMPARE(s.tree->view()->palette().color(QPalette::Base), paper);
  QTreeWidgetItem* item = s.tree->FindItem(topic);
  QVERIFY(item);
  QApplication::processEvents();
  const QImage shot = w.grab().toImage();
  const QRect rect = s.tree->view()->visualItemRect(item);
  // Right of the text the row is bare paper; the text on it is readable.
  const QPoint bare = s.tree->view()->viewport()->mapTo(&w, QPoint(s.tree->view()->viewport()->width() - 4,
                                                                 rect.center().y()));
  QCOMPARE(QColor(shot.pixel(bare)), paper);
  const QRect text = TextPart(s.tree->view(), item);
  const double ratio = Contrast(shot, QRect(s.tree->view()->viewport()->mapTo(&w, text.topLeft()), text.size()));
  qInfo("contrast %5.2f:1  tree row \"Garden plans\" (light palette)", ratio);
  QVERIFY(ratio >= 4.5);

  // The desktop turning dark while the program runs: the tree follows.
  QApplication::setPalette(DarkPalette());
  QApplication::processEvents();
  QCOMPARE(s.tree->view()->palette().color(QPalette::Base), DarkPalette().color(QPalette::Base));
  QCOMPARE(s.tree->view()->palette().color(QPalette::Text), DarkPalette().color(QPalette::Text));
  const QImage darkShot = w.grab().toImage();
  const QRect darkText = TextPart(s.tree->view(), item);
  const double darkRatio =
      Contrast(darkShot, QRect(s.tree->view()->viewport()->mapTo(&w, darkText.topLeft()), darkText.size()));
  qInfo("contrast %5.2f:1  tree row \"Garden plans\" (palette turned dark while shown)", darkRatio);
  QVERIFY(darkRatio >= 4.5);
}

QTEST_MAIN(AccessibilityTest)
#include "accessibility_qtest.moc"
