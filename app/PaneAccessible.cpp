#include "app/PaneAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFormat>
#include <QWindow>

#include <algorithm>
#include <vector>

#include "app/WebWnd.h"

namespace quillet {
namespace {

// The words standing for a picture of the page: its alternative text,
// between spaces, or nothing.
QString PictureWords(const QTextCharFormat& format) {
  if (!format.isImageFormat()) return QString();
  const QString alt = format.stringProperty(QTextFormat::ImageAltText).simplified();
  return alt.isEmpty() ? QString() : QLatin1Char(' ') + alt + QLatin1Char(' ');
}

// The page's words and, for each of them, its position in the document.
struct PageText {
  QString text;
  std::vector<int> positions;
};

PageText TextOf(const QTextDocument* doc) {
  // toPlainText has one character for each document position (paragraph
  // ends as line breaks), so positions are counted along it.
  const QString raw = doc->toPlainText();
  PageText page;
  page.text.reserve(raw.size());
  page.positions.reserve(size_t(raw.size()));
  for (int i = 0; i < raw.size(); ++i) {
    const QChar c = raw[i];
    if (c == QChar(0xFDD0) || c == QChar(0xFDD1)) continue;
    if (c == QChar(0xFFFC)) {
      // A picture: its alternative text where the page gives one.
      QTextCursor at(const_cast<QTextDocument*>(doc));
      at.setPosition(i + 1);
      const QString alt = PictureWords(at.charFormat());
      page.text.append(alt);
      page.positions.insert(page.positions.end(), size_t(alt.size()), i);
      continue;
    }
    page.text.append(c);
    page.positions.push_back(i);
  }
  return page;
}

class PaneDocument;

// One link of the page.
class PaneLink : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  PaneLink(PaneBrowser* pane, PaneBrowser::PageLink link) : pane_(pane), link_(std::move(link)) {}

  bool isValid() const override { return pane_ != nullptr; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return pane_ ? pane_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(pane_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessible::Role role() const override { return QAccessible::Link; }

  QString text(QAccessible::Text t) const override {
    switch (t) {
      case QAccessible::Name: return link_.text.isEmpty() ? link_.href : link_.text;
      case QAccessible::Value: return link_.href;
      case QAccessible::Description:
        return QCoreApplication::translate("Accessibility", "Link to %1").arg(link_.href);
      default: return QString();
    }
  }
  void setText(QAccessible::Text, const QString&) override {}

  QRect rect() const override {
    if (!pane_) return QRect();
    QTextCursor cursor(pane_->document());
    cursor.setPosition(link_.start);
    QRect r = pane_->cursorRect(cursor);
    cursor.setPosition(link_.end);
    const QRect end = pane_->cursorRect(cursor);
    // A link broken over two lines: from its start to the line's end.
    if (end.top() == r.top()) r = r.united(end);
    else r.setRight(pane_->viewport()->width());
    return QRect(pane_->viewport()->mapToGlobal(r.topLeft()), r.size());
  }

  QAccessible::State state() const override {
    QAccessible::State s;
    if (!pane_) {
      s.invalid = true;
      return s;
    }
    s.focusable = true;
    s.linked = true;
    s.readOnly = true;
    s.focused = pane_->LinkFocused(link_);
    const QRect shown(pane_->viewport()->mapToGlobal(QPoint(0, 0)), pane_->viewport()->size());
    s.offscreen = !shown.intersects(rect());
    s.invisible = !pane_->isVisible();
    return s;
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
  void doAction(const QString& action) override {
    if (!pane_) return;
    if (action == pressAction()) {
      pane_->setFocus();
      pane_->FollowLink(link_);
    } else if (action == setFocusAction()) {
      pane_->setFocus();
      pane_->FocusLink(link_);
    }
  }
  QStringList keyBindingsForAction(const QString& action) const override {
    return action == pressAction() ? QStringList{QStringLiteral("Return")} : QStringList();
  }

  const PaneBrowser::PageLink& link() const { return link_; }

 private:
  QPointer<PaneBrowser> pane_;
  PaneBrowser::PageLink link_;
};

// The pane: a document with the links as children, then what holds its
// scroll bars (as Qt has them for any scrolled view).
class PaneDocument : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit PaneDocument(PaneBrowser* pane) : QAccessibleWidget(pane, QAccessible::Document) {}
  ~PaneDocument() override { Forget(); }

  PaneBrowser* pane() const { return static_cast<PaneBrowser*>(object()); }

  QString text(QAccessible::Text t) const override {
    switch (t) {
      case QAccessible::Name: {
        // The page's title says which page it is; the pane's name otherwise.
        const QString title = pane()->documentTitle().simplified();
        return title.isEmpty() ? pane()->accessibleName() : title;
      }
      case QAccessible::Value: return Page().text;
      default: return QAccessibleWidget::text(t);
    }
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.multiLine = true;
    s.selectableText = true;
    return s;
  }

  int childCount() const override { return int(Links().size()) + int(Bars().size()); }

  QAccessibleInterface* child(int index) const override {
    const std::vector<QAccessible::Id>& links = Links();
    if (index < 0) return nullptr;
    if (index < int(links.size())) return QAccessible::accessibleInterface(links[size_t(index)]);
    const std::vector<QWidget*> bars = Bars();
    index -= int(links.size());
    return index < int(bars.size()) ? QAccessible::queryAccessibleInterface(bars[size_t(index)]) : nullptr;
  }

  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child) return -1;
    const std::vector<QAccessible::Id>& links = Links();
    for (size_t i = 0; i < links.size(); ++i)
      if (QAccessible::accessibleInterface(links[i]) == child) return int(i);
    const std::vector<QWidget*> bars = Bars();
    for (size_t i = 0; i < bars.size(); ++i)
      if (child->object() == bars[i]) return int(links.size() + i);
    return -1;
  }

  QAccessibleInterface* childAt(int x, int y) const override {
    for (int i = 0; i < childCount(); ++i) {
      QAccessibleInterface* c = child(i);
      if (c && c->rect().contains(x, y)) return c;
    }
    return nullptr;
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  // The link that has the keyboard's focus, or null.
  QAccessibleInterface* FocusedLink() const {
    for (QAccessible::Id id : Links()) {
      auto* link = static_cast<PaneLink*>(QAccessible::accessibleInterface(id));
      if (link && pane()->LinkFocused(link->link())) return link;
    }
    return nullptr;
  }

  // --- The text, in positions of the words without marks ----------------------

  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    const QTextCursor cursor = pane()->textCursor();
    if (index != 0 || !cursor.hasSelection()) return;
    *start = Offset(cursor.selectionStart());
    *end = Offset(cursor.selectionEnd());
  }
  int selectionCount() const override { return pane()->textCursor().hasSelection() ? 1 : 0; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int) override {
    QTextCursor cursor = pane()->textCursor();
    cursor.clearSelection();
    pane()->setTextCursor(cursor);
  }
  void setSelection(int, int start, int end) override {
    QTextCursor cursor(pane()->document());
    cursor.setPosition(Position(start));
    cursor.setPosition(Position(end), QTextCursor::KeepAnchor);
    pane()->setTextCursor(cursor);
  }
  int cursorPosition() const override { return Offset(pane()->textCursor().position()); }
  void setCursorPosition(int offset) override {
    QTextCursor cursor(pane()->document());
    cursor.setPosition(Position(offset));
    pane()->setTextCursor(cursor);
  }
  QString text(int start, int end) const override {
    const QString all = Page().text;
    start = std::clamp(start, 0, int(all.size()));
    end = std::clamp(end, start, int(all.size()));
    return all.mid(start, end - start);
  }
  int characterCount() const override { return int(Page().text.size()); }
  QRect characterRect(int offset) const override {
    QTextCursor cursor(pane()->document());
    cursor.setPosition(Position(offset));
    const QRect at = pane()->cursorRect(cursor);
    const int width = pane()->fontMetrics().averageCharWidth();
    return QRect(pane()->viewport()->mapToGlobal(at.topLeft()), QSize(width, at.height()));
  }
  int offsetAtPoint(const QPoint& point) const override {
    const QPoint local = pane()->viewport()->mapFromGlobal(point);
    if (!pane()->viewport()->rect().contains(local)) return -1;
    return Offset(pane()->cursorForPosition(local).position());
  }
  void scrollToSubstring(int start, int end) override {
    setSelection(0, start, end);
    pane()->ensureCursorVisible();
  }
  QString attributes(int offset, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    (void)offset;
    return QString();
  }

 private:
  // The page's words, made anew when the document changed since.
  const PageText& Page() const {
    const QTextDocument* doc = pane()->document();
    if (doc != text_doc_ || pane()->contentVersion() != text_revision_) {
      text_ = TextOf(doc);
      text_doc_ = doc;
      text_revision_ = pane()->contentVersion();
    }
    return text_;
  }

  int Offset(int position) const {
    const std::vector<int>& p = Page().positions;
    return int(std::lower_bound(p.begin(), p.end(), position) - p.begin());
  }
  int Position(int offset) const {
    const PageText& page = Page();
    if (page.positions.empty() || offset <= 0) return 0;
    if (offset >= int(page.positions.size())) return page.positions.back() + 1;
    return page.positions[size_t(offset)];
  }

  // The link children, registered with Qt, made anew for each page.
  const std::vector<QAccessible::Id>& Links() const {
    const QTextDocument* doc = pane()->document();
    if (doc != links_doc_ || pane()->contentVersion() != links_revision_) {
      Forget();
      for (const PaneBrowser::PageLink& link : pane()->Links())
        links_.push_back(QAccessible::registerAccessibleInterface(new PaneLink(pane(), link)));
      links_doc_ = doc;
      links_revision_ = pane()->contentVersion();
    }
    return links_;
  }

  void Forget() const {
    for (QAccessible::Id id : links_) QAccessible::deleteAccessibleInterface(id);
    links_.clear();
    links_doc_ = nullptr;
  }

  // The scroll bars' containers, so that each scroll bar's parent is the
  // child listed here.
  std::vector<QWidget*> Bars() const {
    std::vector<QWidget*> bars;
    for (QScrollBar* bar : {pane()->verticalScrollBar(), pane()->horizontalScrollBar()}) {
      if (!bar) continue;
      QWidget* holder = bar->parentWidget() && bar->parentWidget() != pane() ? bar->parentWidget() : bar;
      bars.push_back(holder);
    }
    return bars;
  }

  mutable PageText text_;
  mutable const QTextDocument* text_doc_ = nullptr;
  mutable uint64_t text_revision_ = 0;
  mutable std::vector<QAccessible::Id> links_;
  mutable const QTextDocument* links_doc_ = nullptr;
  mutable uint64_t links_revision_ = 0;
};

QAccessibleInterface* PaneFactory(const QString& key, QObject* object) {
  if (key != QLatin1String("quillet::PaneBrowser")) return nullptr;
  auto* pane = qobject_cast<PaneBrowser*>(object);
  return pane ? new PaneDocument(pane) : nullptr;
}

}  // namespace

void InstallPaneAccessible() {
  static const bool installed = [] {
    QAccessible::installFactory(PaneFactory);
    return true;
  }();
  (void)installed;
}

QString LinkWords(const QTextFragment& fragment) {
  QString words = fragment.text();
  if (fragment.charFormat().isImageFormat()) words.replace(QChar(0xFFFC), PictureWords(fragment.charFormat()));
  return PlainPageText(words);
}

QString PlainPageText(QString text) {
  text.remove(QChar(0xFFFC)).remove(QChar(0xFDD0)).remove(QChar(0xFDD1));
  return text;
}

void AnnounceFocusedLink(PaneBrowser* pane) {
  // Only while a screen reader listens (Qt drops the event otherwise).
  if (!QAccessible::isActive() || !pane || !pane->hasFocus()) return;
  // Tab selects the link it reaches; any other cursor has no link to tell
  // of (and the page's links need not be gone through).
  const QTextCursor cursor = pane->textCursor();
  if (!cursor.hasSelection() || !cursor.charFormat().isAnchor()) return;
  auto* doc = dynamic_cast<PaneDocument*>(QAccessible::queryAccessibleInterface(pane));
  if (!doc) return;
  if (QAccessibleInterface* link = doc->FocusedLink()) {
    QAccessibleEvent event(link, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
  }
}

}  // namespace quillet
