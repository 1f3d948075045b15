#include "app/WebWnd.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QStringDecoder>
#include <QThread>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTimer>

#include "app/PaneAccessible.h"
#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/shell/Desktop.h"
#include "desktop/shell/Layout.h"
#include "desktop/shell/LinkPolicy.h"
#include "desktop/shell/Pages.h"
#include "platform/files/SafeFiles.h"
#include "widgets/kit/Ansi.h"

namespace quillet {
namespace {

// The largest page file the pane opens (a report of 2,000 members is about
// 700 KB).
constexpr size_t kMostPageBytes = size_t{32} << 20;

// What a file is now (its device, number, size and time of change to the
// nanosecond); empty when it is not a regular file.
QByteArray FileStamp(const QString& path) {
  struct stat st;
  if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return QByteArray();
  return QByteArray::number(static_cast<qulonglong>(st.st_dev)) + ':' +
         QByteArray::number(static_cast<qulonglong>(st.st_ino)) + ':' +
         QByteArray::number(static_cast<qlonglong>(st.st_size)) + ':' +
         QByteArray::number(static_cast<qlonglong>(st.st_mtim.tv_sec)) + '.' +
         QByteArray::number(static_cast<qlonglong>(st.st_mtim.tv_nsec)) + ':' +
         QByteArray::number(static_cast<qlonglong>(st.st_ctim.tv_sec)) + '.' +
         QByteArray::number(static_cast<qlonglong>(st.st_ctim.tv_nsec));
}

bool IsPictureFile(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == "jpg" || suffix == "jpeg" || suffix == "png" || suffix == "bmp" ||
         suffix == "gif";
}

bool IsPageFile(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == "htm" || suffix == "html" || suffix == "txt" || IsPictureFile(path);
}

// Pages say which code page they are in; without a word about it, text
// that is valid UTF-8 is taken as such and anything else as Windows-1252,
// the code page of the handheld's texts.
QString DecodePage(const QByteArray& bytes) {
  const QByteArray head = bytes.left(2048).toLower();
  const int at = head.indexOf("charset=");
  if (at >= 0) {
    QByteArray name = head.mid(at + 8, 16);
    while (!name.isEmpty() && (name[0] == '"' || name[0] == '\'')) name.remove(0, 1);
    if (name.startsWith("utf-8") || name.startsWith("utf8")) return QString::fromUtf8(bytes);
    return FromAnsi(CpText(bytes.toStdString()));
  }
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8(bytes);
  if (!utf8.hasError()) return text;
  return FromAnsi(CpText(bytes.toStdString()));
}

// Where a local path really is: links resolved when it exists, else made
// absolute with "." and ".." taken out. UTF-8.
std::string RealPath(const QString& path) {
  if (path.isEmpty()) return std::string();
  const QFileInfo info(path);
  const QString real = info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
  return ToPath(real);
}

// An absolute path with "." and ".." taken out, links left alone.
std::string CleanPath(const QString& path) {
  if (path.isEmpty()) return std::string();
  return ToPath(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

std::string RealFolder(const std::string& folder) {
  return folder.empty() ? std::string() : RealPath(FromPath(folder));
}

std::string ReadPageSetupValue(CRegistryKey& key, const char* name) {
  std::string value;
  key.ReadValueString(name, &value, kTextBufferSize);
  return value;
}

// The page set-up texts as the browser understands them: &w title, &u
// address, &p page, &P pages, &d date, &t time, && an ampersand; &b
// separates the left, centred and right parts.
QStringList ExpandPageText(const std::string& raw, int page, int pages, const QString& title,
                           const QString& address) {
  const QString text = FromAnsi(CpText(raw));  // the page set-up keeps code-page text
  QStringList parts{QString()};
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] != '&' || i + 1 >= text.size()) {
      parts.last().append(text[i]);
      continue;
    }
    const QChar code = text[++i];
    if (code == 'w') parts.last() += title;
    else if (code == 'u') parts.last() += address;
    else if (code == 'p') parts.last() += QString::number(page);
    else if (code == 'P') parts.last() += QString::number(pages);
    else if (code == 'd') parts.last() += QDate::currentDate().toString(Qt::TextDate);
    else if (code == 't') parts.last() += QTime::currentTime().toString("HH:mm");
    else if (code == 'b') parts.append(QString());
    else parts.last().append(code);
  }
  return parts;
}

void DrawPageText(QPainter& painter, const QRectF& band, const QStringList& parts) {
  if (parts.join(QString()).trimmed().isEmpty()) return;
  const Qt::Alignment aligns[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
  // One part is left-aligned, two are left and right, three left, centre and right.
  for (int i = 0; i < parts.size() && i < 3; ++i) {
    Qt::Alignment a = parts.size() == 2 && i == 1 ? Qt::AlignRight : aligns[i];
    painter.drawText(band, int(a | Qt::AlignVCenter), parts[i].trimmed());
  }
}

}  // namespace

PaneBrowser::PaneBrowser(QWidget* parent) : QTextBrowser(parent) {
  InstallPaneAccessible();
  setAccessibleName(tr("Page"));
  setAccessibleDescription(tr("The page shown. Tab and Shift+Tab move between its links, Enter follows one."));
  connect(this, &QTextEdit::textChanged, this, [this] { ++content_version_; });
  // A link reached with Tab is announced as focused.
  connect(this, &QTextEdit::cursorPositionChanged, this, [this] { AnnounceFocusedLink(this); });
}

QList<PaneBrowser::PageLink> PaneBrowser::Links() const {
  QList<PageLink> links;
  const QTextDocument* doc = document();
  // Fragments in document order: neighbours with the same address are one
  // link (a link whose words change format is cut into several).
  for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat format = fragment.charFormat();
      if (!format.isAnchor() || format.anchorHref().isEmpty()) continue;
      const int start = fragment.position(), end = start + fragment.length();
      if (!links.isEmpty() && links.last().href == format.anchorHref() && links.last().end == start) {
        links.last().end = end;
        links.last().text += LinkWords(fragment);
      } else {
        links.append({format.anchorHref(), LinkWords(fragment), start, end});
      }
    }
  }
  for (PageLink& link : links) link.text = link.text.simplified();
  return links;
}

void PaneBrowser::FocusLink(const PageLink& link) {
  QTextCursor cursor(document());
  cursor.setPosition(link.start);
  cursor.setPosition(link.end, QTextCursor::KeepAnchor);
  setTextCursor(cursor);
  ensureCursorVisible();
}

void PaneBrowser::FollowLink(const PageLink& link) {
  FocusLink(link);
  emit anchorClicked(QUrl(link.href));
}

bool PaneBrowser::LinkFocused(const PageLink& link) const {
  const QTextCursor cursor = textCursor();
  return hasFocus() && cursor.selectionStart() == link.start && cursor.selectionEnd() == link.end;
}

PaneBrowser::~PaneBrowser() {
  LeaveWholePage();
  laying_out_.clear();  // waits for layouts still under way
}

PageSettings PaneBrowser::SettingsFor(const QUrl& page) const {
  const QTextDocument* own = document();
  PageSettings s;
  s.page = page.adjusted(QUrl::RemoveFragment);
  s.baseUrl = own->baseUrl();
  s.font = own->defaultFont();
  s.option = own->defaultTextOption();
  s.styleSheet = own->defaultStyleSheet();
  s.margin = own->documentMargin();
  s.indentWidth = own->indentWidth();
  s.designMetrics = own->useDesignMetrics();
  s.width = own->pageSize().width() > 0 ? own->pageSize().width() : viewport()->width();
  const std::string output = RealFolder(AppPaths.outputFolder);
  if (!output.empty() && PathInside(RealPath(page.toLocalFile()), output)) s.pictureFolder = output;
  return s;
}

void PaneBrowser::ShowWholePage() {
  if (whole_pending_.isEmpty()) return;
  StartWholePage();
  auto it = laying_out_.find(generation_);
  if (it == laying_out_.end()) return;
  it->second->WaitUntilLaidOut();
  QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);  // its Done
}

void PaneBrowser::StartWholePage() {
  if (whole_pending_.isEmpty() || started_ == generation_) return;
  started_ = generation_;
  whole_settings_ = SettingsFor(whole_pending_);
  Start(generation_, true);
}

void PaneBrowser::RelayOut(qreal width) {
  if (!whole_doc_ || width == whole_settings_.width) return;
  whole_settings_.width = width;
  Start(++generation_, false);
}

void PaneBrowser::Start(uint64_t generation, bool withShown) {
  laying_out_[generation] = CLaidOutPage::Start(whole_html_, whole_settings_, withShown, this,
                                                [this, generation, withShown] { Done(generation, withShown); });
}

void PaneBrowser::Done(uint64_t generation, bool withShown) {
  auto it = laying_out_.find(generation);
  if (it == laying_out_.end()) return;
  std::unique_ptr<CLaidOutPage> page = std::move(it->second);
  laying_out_.erase(it);
  if (generation != generation_) return;  // a page left, or another width since: ended here
  if (!withShown) {
    if (whole_doc_) static_cast<CLaidOutLayout*>(whole_doc_->documentLayout())->Use(std::move(page));
    return;
  }
  if (whole_pending_.isEmpty()) return;
  std::unique_ptr<QTextDocument> shown = page->TakeShown();
  auto* layout = static_cast<CLaidOutLayout*>(shown->documentLayout());
  layout->Use(std::move(page));
  layout->OnWidthChange([this](qreal width) {
    // Not from within the document's own change: on the next turn.
    QTimer::singleShot(0, this, [this, width] {
      if (whole_doc_ && whole_doc_->pageSize().width() == width) RelayOut(width);
    });
  });
  // The whole page takes the place of its beginning where it was scrolled
  // to. The browser's own document is kept (it is the one pages are loaded
  // into), emptied.
  const int v = verticalScrollBar()->value(), h = horizontalScrollBar()->value();
  if (own_doc_ == nullptr) {
    own_doc_ = document();
    own_doc_parent_ = own_doc_->parent();
    own_doc_->setParent(this);  // so that taking another document leaves it be
  }
  whole_doc_ = std::move(shown);
  setDocument(whole_doc_.get());
  ++content_version_;
  own_doc_->clear();
  verticalScrollBar()->setValue(v);
  horizontalScrollBar()->setValue(h);
  whole_pending_.clear();
}

void PaneBrowser::LeaveWholePage() {
  ++generation_;  // whatever is under way for the page left is dropped
  whole_pending_.clear();
  if (!whole_doc_) return;
  setDocument(own_doc_);
  ++content_version_;
  own_doc_->setParent(own_doc_parent_);
  own_doc_ = nullptr;
  whole_doc_.reset();
  whole_html_.clear();
}

QString PaneBrowser::FirstPart(const QString& html) {
  if (html.size() <= kLongPage) return QString();
  const qsizetype body = html.indexOf(QLatin1String("<body"), 0, Qt::CaseInsensitive);
  if (body < 0) return QString();
  const qsizetype from = std::max(body, kFirstPart);
  // After a table row where there is one, so that no row shows half made.
  qsizetype cut = html.indexOf(QLatin1String("</tr>"), from, Qt::CaseInsensitive);
  if (cut >= 0) cut += 5;
  else cut = html.indexOf(QLatin1Char('<'), from);
  if (cut < 0 || cut > html.size() - kFirstPart) return QString();
  return html.left(cut);
}

bool PaneBrowser::ShowsUnchanged(const QUrl& url) const {
  if (url != source() || url.hasFragment() || !url.isLocalFile() || showingFirstPart() || whole_doc_)
    return false;
  const QString path = url.toLocalFile();
  return !read_path_.isEmpty() && path == read_path_ && FileStamp(path) == read_stamp_;
}

QVariant PaneBrowser::loadResource(int type, const QUrl& name) {
  const bool document = type == QTextDocument::UnknownResource || type == QTextDocument::HtmlResource;
  // A page to be shown: it goes into the browser's own document.
  if (document) {
    LeaveWholePage();
    read_path_.clear();
  }
  if (document && name.isLocalFile()) {
    const QString path = name.toLocalFile();
    if (IsPictureFile(path)) {
      const QString file = QFileInfo(path).fileName().toHtmlEscaped();
      return QStringLiteral("<html><head><title>%1</title></head><body>"
                            "<p align=\"center\"><img src=\"%2\"></p></body></html>")
          .arg(file, QUrl::fromLocalFile(path).toString().toHtmlEscaped());
    }
    // A page is a file of ours or the person's: never a pipe or device a
    // link names (it is not waited on), never more than the pane can lay
    // out.
    std::string bytes;
    const QByteArray before = FileStamp(path);
    const int error = ReadFileWithin("", QFile::encodeName(path).toStdString(), &bytes, kMostPageBytes);
    if (error == 0 && !before.isEmpty() && FileStamp(path) == before) {
      read_path_ = path;
      read_stamp_ = before;
    }
    if (error == EFBIG)
      return QStringLiteral("<html><body><p>%1</p></body></html>")
          .arg(tr("This page is too large to show here (more than %1 MB).").arg(kMostPageBytes >> 20).toHtmlEscaped());
    if (error != 0) return QVariant();
    const QString html = DecodePage(QByteArray::fromStdString(bytes));
    // Not for a page asked for at a place inside it, which may be further on.
    QString first;
    if (!name.hasFragment()) first = FirstPart(html);
    if (first.isEmpty()) return html;
    whole_pending_ = name;
    whole_html_ = html;
    const uint64_t page = generation_;
    QTimer::singleShot(10, this, [this, page] {
      // The first part is laid out and on screen now, the browser's width
      // settled: the whole page is laid out alike on a thread.
      if (page == generation_) StartWholePage();
    });
    return first;
  }
  // A report shows pictures of its own folder only, whatever its names say
  // once resolved.
  const QUrl page = source();
  if (type == QTextDocument::ImageResource && page.isLocalFile()) {
    const std::string output = RealFolder(AppPaths.outputFolder);
    const QUrl resolved = page.resolved(name);
    if (PathInside(RealPath(page.toLocalFile()), output) &&
        (!resolved.isLocalFile() || !PathInside(RealPath(resolved.toLocalFile()), output)))
      return QVariant();
  }
  return QTextBrowser::loadResource(type, name);
}

CWebWnd::CWebWnd(QWidget* mainWindow, const QRect& clientRect) : QWidget(mainWindow) {
  setObjectName("WebWnd");
  setGeometry(0, 0, clientRect.width(), clientRect.height());
  browser_ = new PaneBrowser(this);
  browser_->setObjectName("ShellExplorer");
  browser_->setOpenLinks(false);
  browser_->setFrameShape(QFrame::StyledPanel);
  browser_->setGeometry(0, 0, clientRect.width(), std::max(0, clientRect.height() - kTopBand));
  connect(browser_, &QTextBrowser::anchorClicked, this, &CWebWnd::OnAnchor);
  connect(browser_, &QTextBrowser::backwardAvailable, this, [this](bool on) {
    back_enabled_ = on;
    emit commandStateChanged();
  });
  connect(browser_, &QTextBrowser::forwardAvailable, this, [this](bool on) {
    forward_enabled_ = on;
    emit commandStateChanged();
  });
  connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
    setWindowTitle(browser_->documentTitle());
    emit titleChanged(windowTitle());
  });

  // Printed pages carry no header or footer while we run.
  CRegistryKey key;
  key.OpenPageSetupKey();
  saved_header_ = ReadPageSetupValue(key, "header");
  saved_footer_ = ReadPageSetupValue(key, "footer");
  key.WriteValueString("header", " ");
  key.WriteValueString("footer", " ");
  show();

  Navigate(OwnPagePath(AppPaths.installFolder, kMainPage), false);
}

CWebWnd::~CWebWnd() {
  CRegistryKey key;
  key.OpenPageSetupKey();
  key.WriteValueString("header", saved_header_);
  key.WriteValueString("footer", saved_footer_);
}

void CWebWnd::Move(int x, int y, int width, int height) {
  setGeometry(x, y, width, height);
  browser_->setGeometry(0, 0, width, std::max(0, height - kTopBand));
}

void CWebWnd::Navigate(const std::string& path, bool check) {
  if (!browser_) return;
  std::string target = path;
  if (check) {
    bool missing = false;
    target = CheckedPagePath(path, AppPaths.installFolder, &missing);
    if (missing) LogPair("File not found:", path.c_str());
  }
  if (IsWebAddress(target)) {
    OpenAddressOrTell(target);
    return;
  }
  const QUrl url = QUrl::fromLocalFile(QFileInfo(FromPath(target)).absoluteFilePath());
  // A report is rebuilt under the same name: show the new file, not the
  // page remembered for that address. The same file as it was (the start
  // page the pane opened with, shown again by the start) is only shown
  // from its top.
  if (url != browser_->source()) {
    browser_->setSource(url);
  } else if (browser_->ShowsUnchanged(url)) {
    browser_->verticalScrollBar()->setValue(0);
    browser_->horizontalScrollBar()->setValue(0);
  } else {
    browser_->reload();
  }
}

void CWebWnd::ShowStartPage() {
  // Pages are loaded by their full path; the process's current folder is
  // never changed.
  Navigate(StartPagePath(AppPaths.installFolder, AppPaths.templateFolder), false);
}

void CWebWnd::OnAnchor(const QUrl& link) {
  const QUrl url = browser_->source().resolved(link);
  LinkTarget target;
  target.scheme = url.scheme().toLower().toStdString();
  target.local = url.isLocalFile();
  if (!target.local) target.address = url.toString(QUrl::FullyEncoded).toStdString();
  const QString path = target.local ? url.toLocalFile() : QString();
  target.path = RealPath(path);
  target.lexical = CleanPath(path);
  const std::string page = CleanPath(browser_->source().toLocalFile());
  const std::string install =
      AppPaths.installFolder.empty() ? std::string() : CleanPath(FromPath(AppPaths.installFolder));
  const LinkRule rule = DecideLink(target, RealFolder(AppPaths.outputFolder), install, page);
  if (rule == LinkRule::kWebHandler) {
    OpenAddressOrTell(url.toString().toStdString());
    return;
  }
  if (rule == LinkRule::kAskFirst) {
    // A link from a report may have come from a crafted record: say where it
    // leads and follow it only when the person agrees.
    MessageRequest request;
    request.text = LinkQuestion(target.local ? ToPath(path) : url.toString().toStdString());
    request.caption = kCaption;
    request.flags = kMbYesNo | kMbIconExclamation;
    if (UI().ShowMessage(request) != kIdYes) return;
  }
  if (!target.local) {
    OpenAddressOrTell(url.toString(QUrl::FullyEncoded).toStdString());
    return;
  }
  const QFileInfo info(path);
  if (info.isDir()) {
    // Folders open outside the pane, in the desktop's file manager.
    OpenPathOrTell(ToPath(path));
  } else if (!info.exists() || IsPageFile(path)) {
    if (info.exists()) browser_->setSource(url);
    else Navigate(ToPath(path), true);
  } else {
    OpenPathOrTell(ToPath(path));
  }
}

void CWebWnd::GoBack() { browser_->backward(); }
void CWebWnd::GoForward() { browser_->forward(); }

QPrinter* CWebWnd::printer() {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return printer_.get();
}

void CWebWnd::Print(const QString& title) {
  printer()->setDocName(title.isEmpty() ? this->title() : title);
  QPrintDialog dialog(printer(), this);
  dialog.setWindowTitle(tr("Print"));
  if (dialog.exec() == QDialog::Accepted) PrintOn(printer());
}

void CWebWnd::PrintPreview(const QString& title) {
  printer()->setDocName(title.isEmpty() ? this->title() : title);
  QPrintPreviewDialog dialog(printer(), this);
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { PrintOn(p); });
  dialog.resize(900, 700);
  dialog.exec();
}

void CWebWnd::PageSetup() {
  QPageSetupDialog dialog(printer(), this);
  dialog.exec();
}

bool CWebWnd::PrintToPdf(const std::string& path, const QString& title) {
  if (browser_->source().isEmpty()) return false;
  QPrinter pdf(QPrinter::HighResolution);
  pdf.setOutputFormat(QPrinter::PdfFormat);
  pdf.setDocName(title.isEmpty() ? this->title() : title);
  pdf.setPageLayout(printer()->pageLayout());
  pdf.setOutputFileName(FromPath(path));
  // A file left from before must not pass for this one.
  QFile::remove(FromPath(path));
  PrintOn(&pdf);
  return QFileInfo(FromPath(path)).size() > 0;
}

void CWebWnd::PrintOn(QPrinter* printer) {
  browser_->ShowWholePage();
  std::unique_ptr<QTextDocument> copy(browser_->document()->clone());
  copy->documentLayout()->setPaintDevice(printer);
  QPainter painter(printer);
  if (!painter.isActive()) return;

  CRegistryKey key;
  key.OpenPageSetupKey();
  const std::string header = ReadPageSetupValue(key, "header");
  const std::string footer = ReadPageSetupValue(key, "footer");
  key.CloseKey();

  const double width = printer->width();
  const double band = printer->logicalDpiY() * 0.35;  // room for a header or footer line
  const double pageHeight = printer->height() - 2 * band;
  if (width <= 0 || pageHeight <= 0) return;
  copy->setPageSize(QSizeF(width, pageHeight));
  const int pages = std::max(1, copy->pageCount());
  QFont bandFont("Arial", 8);
  const QString address = browser_->source().toString();
  for (int i = 0; i < pages; ++i) {
    painter.save();
    painter.translate(0, band - i * pageHeight);
    copy->drawContents(&painter, QRectF(0, i * pageHeight, width, pageHeight));
    painter.restore();
    painter.save();
    painter.setFont(QFont(bandFont, printer));
    DrawPageText(painter, QRectF(0, 0, width, band),
                 ExpandPageText(header, i + 1, pages, title(), address));
    DrawPageText(painter, QRectF(0, printer->height() - band, width, band),
                 ExpandPageText(footer, i + 1, pages, title(), address));
    painter.restore();
    if (i + 1 < pages) printer->newPage();
  }
}

void CWebWnd::CopyAll() {
  browser_->ShowWholePage();
  browser_->selectAll();
  const QTextDocumentFragment page = browser_->textCursor().selection();
  // The page's own characters, all of them, but not the stand-ins the text
  // layout puts where pictures are (U+FFFC) or its marks (U+FDD0, U+FDD1):
  // the HTML form carries the pictures.
  const QString text = PlainPageText(page.toPlainText());
  UI().SetClipboardPage(text.toStdString(), page.toHtml().toStdString());
  QTextCursor cursor = browser_->textCursor();
  cursor.clearSelection();
  browser_->setTextCursor(cursor);
}

std::string CWebWnd::currentPath() const {
  const QUrl url = browser_->source();
  return url.isLocalFile() ? ToPath(url.toLocalFile()) : std::string();
}

}  // namespace quillet
