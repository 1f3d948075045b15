// CWebWnd: the browser pane on the right of the main window.
//
// Every HTML view of the program goes through it: the start and centre
// pages, help, topic reports and picture previews. It is a QTextBrowser
// inside the pane window; web addresses go to the user's web browser and
// folders to the desktop, since the pane shows only local pages. While the
// program runs the page set-up header and footer are one blank, so printed
// pages carry no header or footer; the old values are put back at exit.
#pragma once

#include <QPointer>
#include <QTextBrowser>
#include <QWidget>

#include <map>
#include <memory>
#include <string>

#include "app/LaidOutPage.h"

class QPrinter;

namespace quillet {

// The browser control: local pages in the code page they declare (the
// program's pages and reports are Windows-1252), and pictures shown as a
// page of their own so a preview keeps its place in the history.
//
// A long page (a report of thousands of members) takes seconds to lay
// out, and nothing is on screen until all of it is. Such a page is shown in
// two steps: first its beginning (cut after a row or tag, the rest closed
// by the parser), which is on screen at once, then the whole page in its
// place, laid out meanwhile on a thread of its own (LaidOutPage.h) so that
// the window goes on answering. The file itself is only read.
class PaneBrowser : public QTextBrowser {
  Q_OBJECT
 public:
  explicit PaneBrowser(QWidget* parent);
  ~PaneBrowser() override;
  QVariant loadResource(int type, const QUrl& name) override;
  // Characters of decoded page beyond which a page is shown in two steps.
  static constexpr qsizetype kLongPage = 96 * 1024;
  // Characters of a long page shown first: several screens, so that the
  // scroll bar is already there and the whole page is laid out only once.
  static constexpr qsizetype kFirstPart = 24 * 1024;
  // The beginning of `html` shown first, or an empty string when the page
  // is not long or has no place to cut.
  static QString FirstPart(const QString& html);
  // True while only the beginning of the page is shown.
  bool showingFirstPart() const { return !whole_pending_.isEmpty(); }
  // Puts the whole page in now when only its beginning is shown (before a
  // print or a copy of all), waiting for its layout when it is under way.
  void ShowWholePage();
  // True while the whole of a long page is shown from its own layout.
  bool showingLaidOutPage() const { return whole_doc_ != nullptr; }

  // A link of the page shown: its address as written, its words, and where
  // it stands in the document (positions start..end).
  struct PageLink {
    QString href;
    QString text;
    int start = 0;
    int end = 0;
  };
  // The page's links in the order Tab reaches them.
  QList<PageLink> Links() const;
  // Focuses `link` as Tab does: selected, scrolled into view.
  void FocusLink(const PageLink& link);
  // Follows `link` as Enter or a click does.
  void FollowLink(const PageLink& link);
  // True when `link` has the keyboard's focus.
  bool LinkFocused(const PageLink& link) const;
  // Counts the changes of what is shown (another page, the whole of a long
  // page in place of its beginning), so that what was read of it can be
  // told from what is shown now.
  uint64_t contentVersion() const { return content_version_; }
  // True when `url` is the page shown, whole, from a file that is as it was
  // read (same file, size and time of change): showing it again needs no
  // new read and layout.
  bool ShowsUnchanged(const QUrl& url) const;

 private:
  PageSettings SettingsFor(const QUrl& page) const;
  void StartWholePage();
  void RelayOut(qreal width);
  // Lays the page out on a thread of its own (the whole page with its shown
  // document, or after a resize only a new copy) as generation `generation`.
  void Start(uint64_t generation, bool withShown);
  void Done(uint64_t generation, bool withShown);
  // Back to the browser's own document (a page left, the pane going).
  void LeaveWholePage();

  QUrl whole_pending_;      // the page whose whole text comes next
  QString whole_html_;      // its text, kept while it is shown for a relayout
  PageSettings whole_settings_;
  uint64_t generation_ = 0;  // each page and width asked for is a new one
  uint64_t started_ = 0;     // the generation whose whole page is under way
  // Pages being laid out, by generation; those of a page left are ended
  // when their layout is done, never waited for.
  std::map<uint64_t, std::unique_ptr<CLaidOutPage>> laying_out_;
  std::unique_ptr<QTextDocument> whole_doc_;  // shown instead of the browser's own
  QTextDocument* own_doc_ = nullptr;          // the browser's own, kept meanwhile
  uint64_t content_version_ = 1;
  QObject* own_doc_parent_ = nullptr;
  // The file of the page last read: its path and what it was then.
  QString read_path_;
  QByteArray read_stamp_;
};

class CWebWnd : public QWidget {
  Q_OBJECT
 public:
  // Creates the pane as a child of `mainWindow` at (0, 0) with the size of
  // `clientRect`, blanks the page set-up texts and shows the main page.
  CWebWnd(QWidget* mainWindow, const QRect& clientRect);
  // Restores the page set-up texts.
  ~CWebWnd() override;

  // Moves the pane; the control fills it less the top band.
  void Move(int x, int y, int width, int height);
  // Loads a file or a web address. With `check`, a file that does not
  // exist is replaced by the missing page and "File not found:" is logged.
  void Navigate(const std::string& path, bool check);
  void ShowStartPage();
  void GoBack();
  void GoForward();
  // `title` names the printed document (a PDF printed to file gets it as
  // its title); the page's own title when empty.
  void Print(const QString& title = QString());
  void PrintPreview(const QString& title = QString());
  void PageSetup();
  void CopyAll();
  // Prints what the pane shows to a PDF file, as Print does once the
  // person chose "print to file"; false when nothing is shown or the file
  // cannot be written. `title` becomes the PDF's title (the page's own
  // title when empty).
  bool PrintToPdf(const std::string& path, const QString& title = QString());
  // Lays the page out on `printer` and prints it with the page set-up's
  // header and footer.
  void PrintOn(QPrinter* printer);

  bool backEnabled() const { return back_enabled_; }
  bool forwardEnabled() const { return forward_enabled_; }
  // The local file shown ("" before the first page).
  std::string currentPath() const;
  QString title() const { return windowTitle(); }
  PaneBrowser* browser() const { return browser_; }
  const std::string& savedHeader() const { return saved_header_; }
  const std::string& savedFooter() const { return saved_footer_; }

 signals:
  // Back or forward availability changed.
  void commandStateChanged();
  void titleChanged(const QString& title);

 private:
  void OnAnchor(const QUrl& url);
  QPrinter* printer();

  PaneBrowser* browser_ = nullptr;
  bool forward_enabled_ = false;
  bool back_enabled_ = false;
  std::string saved_header_;
  std::string saved_footer_;
  std::unique_ptr<QPrinter> printer_;  // keeps the page set-up between prints
};

}  // namespace quillet
