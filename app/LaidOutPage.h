// A long page laid out away from the window's thread.
//
// Qt lays a page out whole before it shows any of it, and a page of nested
// tables (a report of thousands of members) takes seconds to lay out; a
// text browser lays out on the thread of its window, which answers nothing
// meanwhile. So the browser pane shows such a page in two documents made
// from the same text:
//  - a copy laid out by Qt's own layout at the pane's width, with the
//    pane's font and settings, on a thread of its own (CLaidOutPage). The
//    copy never leaves that thread: Qt keeps the fonts a layout used per
//    thread, so the copy is also drawn there, into pictures of the parts
//    the pane shows, and asked there where a point falls;
//  - the document the browser shows, whose layout (CLaidOutLayout) lays
//    nothing out but answers everything from the copy. Positions in the two
//    are the same, so selections, links under the pointer and scrolling to
//    a place work on the shown document as on any other.
// The page so looks as the browser would lay it out itself. When the pane's
// width changes, a new copy is laid out on a new thread (the old one is
// drawn meanwhile).
#pragma once

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QImage>
#include <QTextDocument>
#include <QTextOption>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QThread;

namespace quillet {

// What the browser's own document would lay the page out with.
struct PageSettings {
  QUrl page;      // the page file (without a fragment)
  QUrl baseUrl;   // its folder, as the browser sets it
  QFont font;
  QTextOption option;
  QString styleSheet;
  qreal margin = 4;
  qreal indentWidth = 40;
  bool designMetrics = false;
  qreal width = 0;  // the page width the browser sets (its viewport's)
  // Pictures of a page inside the output folder come only from that folder
  // (as the pane's own loading has it): the folder, resolved, or "" for a
  // page elsewhere.
  std::string pictureFolder;
};

// Whether a page may show the picture `name` (resolved against the page):
// a page inside the output folder only shows pictures inside it.
bool PagePictureAllowed(const QUrl& page, const QUrl& name, const std::string& pictureFolder);

class CPageHost;

// The laid-out copy of a page on its thread. Made by Start, which returns
// at once; `done` is called on the caller's thread once the copy is laid
// out (and, when asked for, the shown document made). The questions below
// are answered once it is; each is put to the copy's thread and waited for.
class CLaidOutPage {
 public:
  static std::unique_ptr<CLaidOutPage> Start(const QString& html, const PageSettings& settings,
                                             bool withShown, QObject* receiver,
                                             std::function<void()> done);
  // Waits for the layout when it is still under way; ends the thread.
  ~CLaidOutPage();
  CLaidOutPage(const CLaidOutPage&) = delete;
  CLaidOutPage& operator=(const CLaidOutPage&) = delete;

  // Waits until the copy is laid out (`done` still comes by the caller's
  // event loop).
  void WaitUntilLaidOut();
  // The document the browser is to show (once), with a CLaidOutLayout.
  std::unique_ptr<QTextDocument> TakeShown();

  qreal width() const;
  QSizeF size() const;
  int pageCount() const;
  QRectF blockRect(int blockNumber) const;
  // A part of the page drawn as the browser would draw it: `clip` in the
  // page's coordinates, on `background`, with the selections as positions.
  struct Span {
    int start;
    int end;
    QTextCharFormat format;
  };
  QImage Draw(const QRectF& clip, qreal pixelRatio, const QColor& background, const QPalette& palette,
              int cursorPosition, const std::vector<Span>& selections) const;
  int HitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const;
  QRectF FrameRect(const std::vector<int>& path) const;

 private:
  CLaidOutPage() = default;
  QThread* thread_ = nullptr;
  CPageHost* host_ = nullptr;
};

// The shown document's layout: everything asked of it is answered by the
// laid-out copy of the same text.
class CLaidOutLayout : public QAbstractTextDocumentLayout {
  Q_OBJECT
 public:
  explicit CLaidOutLayout(QTextDocument* shown);
  ~CLaidOutLayout() override;

  // Another copy (laid out at another width); the old one goes.
  void Use(std::unique_ptr<CLaidOutPage> page);
  qreal laidWidth() const;
  // Called when the shown document is given a page width other than the
  // copy's (the pane was resized): a new copy is wanted.
  void OnWidthChange(std::function<void(qreal)> wanted) { width_wanted_ = std::move(wanted); }

  void draw(QPainter* painter, const PaintContext& context) override;
  int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
  int pageCount() const override;
  QSizeF documentSize() const override;
  QRectF frameBoundingRect(QTextFrame* frame) const override;
  QRectF blockBoundingRect(const QTextBlock& block) const override;

 protected:
  void documentChanged(int from, int charsRemoved, int charsAdded) override;

 private:
  std::unique_ptr<CLaidOutPage> page_;
  std::function<void(qreal)> width_wanted_;
};

}  // namespace quillet
