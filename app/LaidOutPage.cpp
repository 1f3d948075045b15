#include "app/LaidOutPage.h"

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QThread>

#include "desktop/shell/LinkPolicy.h"
#include "widgets/kit/Ansi.h"

namespace quillet {
namespace {

std::string RealPathOf(const QString& path) {
  const QFileInfo info(path);
  return ToPath(info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath()));
}

void Configure(QTextDocument* doc, const PageSettings& s) {
  doc->setDefaultFont(s.font);
  doc->setDefaultTextOption(s.option);
  doc->setDefaultStyleSheet(s.styleSheet);
  doc->setDocumentMargin(s.margin);
  doc->setIndentWidth(s.indentWidth);
  doc->setUseDesignMetrics(s.designMetrics);
  doc->setBaseUrl(s.baseUrl);
  doc->setMetaInformation(QTextDocument::DocumentUrl, s.page.toString());
}

// The path of child positions from the root frame down to `frame`.
std::vector<int> PathOf(QTextFrame* frame) {
  std::vector<int> path;
  for (QTextFrame* f = frame; f != nullptr && f->parentFrame() != nullptr; f = f->parentFrame())
    path.insert(path.begin(), static_cast<int>(f->parentFrame()->childFrames().indexOf(f)));
  return path;
}

// The copy laid out by Qt: pictures read as the pane reads them.
class CPageCopy final : public QTextDocument {
 public:
  explicit CPageCopy(const PageSettings& settings) : settings_(settings) { Configure(this, settings_); }

 protected:
  QVariant loadResource(int type, const QUrl& name) override {
    if (type == QTextDocument::ImageResource &&
        !PagePictureAllowed(settings_.page, name, settings_.pictureFolder))
      return QVariant();
    // Qt's own loading of local files: relative names against the page, and
    // pictures as images on a thread that is not the window's.
    return QTextDocument::loadResource(type, name);
  }

 private:
  PageSettings settings_;
};

}  // namespace

bool PagePictureAllowed(const QUrl& page, const QUrl& name, const std::string& pictureFolder) {
  if (pictureFolder.empty()) return true;
  const QUrl resolved = page.resolved(name);
  return resolved.isLocalFile() && PathInside(RealPathOf(resolved.toLocalFile()), pictureFolder);
}

// Lives on the copy's thread; everything it does, it does there.
class CPageHost : public QObject {
 public:
  void Build(const QString& html, const PageSettings& settings, bool withShown, QThread* home) {
    copy_ = std::make_unique<CPageCopy>(settings);
    copy_->setHtml(html);
    copy_->setPageSize(QSizeF(settings.width, -1));
    QAbstractTextDocumentLayout* layout = copy_->documentLayout();
    size_ = layout->documentSize();  // lays the whole page out now
    pages_ = layout->pageCount();
    width_ = settings.width;
    blocks_.reserve(static_cast<size_t>(copy_->blockCount()));
    for (QTextBlock b = copy_->begin(); b.isValid(); b = b.next()) blocks_.push_back(layout->blockBoundingRect(b));
    if (withShown) {
      shown_ = std::make_unique<QTextDocument>();
      Configure(shown_.get(), settings);
      shown_->setUndoRedoEnabled(false);
      // Its layout before its text, so that nothing is laid out twice.
      shown_->setDocumentLayout(new CLaidOutLayout(shown_.get()));
      shown_->setHtml(html);
      shown_->moveToThread(home);
    }
  }

  QImage Draw(const QRectF& clip, qreal ratio, const QColor& background, const QPalette& palette,
              int cursorPosition, const std::vector<CLaidOutPage::Span>& spans) const {
    QImage image((clip.size() * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(background);
    QPainter painter(&image);
    painter.translate(-clip.topLeft());
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = clip;
    context.palette = palette;
    context.cursorPosition = cursorPosition;
    for (const CLaidOutPage::Span& span : spans) {
      QAbstractTextDocumentLayout::Selection selection;
      selection.cursor = QTextCursor(copy_.get());
      selection.cursor.setPosition(span.start);
      selection.cursor.setPosition(span.end, QTextCursor::KeepAnchor);
      selection.format = span.format;
      context.selections.append(selection);
    }
    copy_->documentLayout()->draw(&painter, context);
    return image;
  }

  int HitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const {
    return copy_->documentLayout()->hitTest(point, accuracy);
  }

  QRectF FrameRect(const std::vector<int>& path) const {
    QTextFrame* frame = copy_->rootFrame();
    for (int i : path) {
      const QList<QTextFrame*> children = frame->childFrames();
      if (i < 0 || i >= children.size()) return QRectF();
      frame = children[i];
    }
    return copy_->documentLayout()->frameBoundingRect(frame);
  }

  void Drop() { copy_.reset(); }

  // Set by Build, read on the caller's thread once Build is known done.
  std::unique_ptr<QTextDocument> shown_;
  QSizeF size_;
  int pages_ = 1;
  qreal width_ = 0;
  std::vector<QRectF> blocks_;

 private:
  std::unique_ptr<CPageCopy> copy_;
};

std::unique_ptr<CLaidOutPage> CLaidOutPage::Start(const QString& html, const PageSettings& settings,
                                                  bool withShown, QObject* receiver,
                                                  std::function<void()> done) {
  std::unique_ptr<CLaidOutPage> page(new CLaidOutPage);
  page->thread_ = new QThread;
  page->host_ = new CPageHost;
  page->host_->moveToThread(page->thread_);
  page->thread_->start(QThread::LowPriority);
  CPageHost* host = page->host_;
  QThread* home = QThread::currentThread();
  QMetaObject::invokeMethod(
      host,
      [host, html, settings, withShown, home, receiver, done = std::move(done)] {
        host->Build(html, settings, withShown, home);
        // The receiver outlives every page it started (it ends them).
        QMetaObject::invokeMethod(receiver, done, Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
  return page;
}

CLaidOutPage::~CLaidOutPage() {
  // The copy is let go on its own thread, after whatever it was doing.
  QMetaObject::invokeMethod(host_, [host = host_] { host->Drop(); }, Qt::BlockingQueuedConnection);
  host_->deleteLater();
  thread_->quit();
  thread_->wait();
  delete thread_;
}

void CLaidOutPage::WaitUntilLaidOut() {
  QMetaObject::invokeMethod(host_, [] {}, Qt::BlockingQueuedConnection);
}

std::unique_ptr<QTextDocument> CLaidOutPage::TakeShown() { return std::move(host_->shown_); }

qreal CLaidOutPage::width() const { return host_->width_; }
QSizeF CLaidOutPage::size() const { return host_->size_; }
int CLaidOutPage::pageCount() const { return host_->pages_; }

QRectF CLaidOutPage::blockRect(int blockNumber) const {
  return blockNumber >= 0 && static_cast<size_t>(blockNumber) < host_->blocks_.size()
             ? host_->blocks_[static_cast<size_t>(blockNumber)]
             : QRectF();
}

QImage CLaidOutPage::Draw(const QRectF& clip, qreal pixelRatio, const QColor& background,
                          const QPalette& palette, int cursorPosition, const std::vector<Span>& selections) const {
  QImage image;
  QMetaObject::invokeMethod(
      host_, [&] { image = host_->Draw(clip, pixelRatio, background, palette, cursorPosition, selections); },
      Qt::BlockingQueuedConnection);
  return image;
}

int CLaidOutPage::HitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const {
  int position = -1;
  QMetaObject::invokeMethod(host_, [&] { position = host_->HitTest(point, accuracy); },
                            Qt::BlockingQueuedConnection);
  return position;
}

QRectF CLaidOutPage::FrameRect(const std::vector<int>& path) const {
  QRectF rect;
  QMetaObject::invokeMethod(host_, [&] { rect = host_->FrameRect(path); }, Qt::BlockingQueuedConnection);
  return rect;
}

CLaidOutLayout::CLaidOutLayout(QTextDocument* shown) : QAbstractTextDocumentLayout(shown) {}

CLaidOutLayout::~CLaidOutLayout() = default;

void CLaidOutLayout::Use(std::unique_ptr<CLaidOutPage> page) {
  page_ = std::move(page);
  emit documentSizeChanged(documentSize());
  emit update();
}

qreal CLaidOutLayout::laidWidth() const { return page_ ? page_->width() : 0; }

void CLaidOutLayout::draw(QPainter* painter, const PaintContext& context) {
  if (!page_) return;
  const QRectF whole(QPointF(0, 0), documentSize());
  QRectF clip = context.clip.isValid() ? context.clip.intersected(whole) : whole;
  clip = QRectF(clip.toAlignedRect());
  if (clip.isEmpty()) return;
  std::vector<CLaidOutPage::Span> spans;
  for (const Selection& s : context.selections)
    spans.push_back({s.cursor.selectionStart(), s.cursor.selectionEnd(), s.format});
  // On the colour the browser fills its page with, so that text is drawn
  // as it would be straight onto it.
  const QImage part = page_->Draw(clip, painter->device()->devicePixelRatioF(),
                                  context.palette.color(QPalette::Base), context.palette,
                                  context.cursorPosition, spans);
  painter->drawImage(clip.topLeft(), part);
}

int CLaidOutLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const {
  return page_ ? page_->HitTest(point, accuracy) : -1;
}

int CLaidOutLayout::pageCount() const { return page_ ? page_->pageCount() : 1; }

QSizeF CLaidOutLayout::documentSize() const { return page_ ? page_->size() : QSizeF(); }

QRectF CLaidOutLayout::frameBoundingRect(QTextFrame* frame) const {
  return page_ ? page_->FrameRect(PathOf(frame)) : QRectF();
}

QRectF CLaidOutLayout::blockBoundingRect(const QTextBlock& block) const {
  return page_ ? page_->blockRect(block.blockNumber()) : QRectF();
}

void CLaidOutLayout::documentChanged(int, int, int) {
  // The shown document's text never changes; its page width does when the
  // pane is resized.
  const qreal width = document()->pageSize().width();
  if (page_ && width_wanted_ && width > 0 && width != laidWidth()) width_wanted_(width);
}

}  // namespace quillet
