// Links and pictures of the browser pane: what a report (whose links and
// picture names come from records) may open or show without asking.
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTest>
#include <QTextDocument>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/WebWnd.h"
#include "base/AppPaths.h"
#include "base/UserInterface.h"
#include "desktop/shell/Desktop.h"
#include "testing/RecordingDesktop.h"
#include "testing/ShellTestSupport.h"
#include "widgets/kit/Translations.h"

using namespace quillet;
using namespace quillet::test;

namespace {

void Write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

struct Pane {
  Machine m;
  Recorders r;
  std::string output;
  QWidget parent;
  std::unique_ptr<CWebWnd> web;

  Pane() {
    output = m.Output("DemoUser");
    std::filesystem::create_directories(output);
    AppPaths.installFolder = m.install();
    AppPaths.outputFolder = output;
    parent.resize(800, 600);
    web = std::make_unique<CWebWnd>(&parent, QRect(0, 0, 800, 600));
    Write(output + "report.htm", "<html><head><title>Report</title></head><body>r</body></html>");
    web->Navigate(output + "report.htm", true);
  }
  ~Pane() {
    web.reset();
    AppPaths.Clear();
  }
  void Click(const QUrl& link) { emit web->browser()->anchorClicked(link); }
  void Click(const std::string& link) { Click(QUrl(QString::fromStdString(link))); }
};

}  // namespace

class WebLinksTest : public QObject {
  Q_OBJECT
 private slots:
  void webAndMailLinksGoToTheDesktopHandler();
  void fileLinksOutsideTheOutputFolderAskFirstNamingTheTarget();
  void otherSchemesAskFirst();
  void fileLinksInsideTheOutputFolderAskFirstToo();
  void mailLinksThatSayMoreThanAnAddressAskFirst();
  void reportPicturesComeOnlyFromTheOutputFolder();
  void theOwnPagesSpeakTheLanguageInstalledAndLinkWithinIt();
  void aLongPageShowsItsBeginningFirstThenTheWholePage();
  void aPipeOrAHugeFileNamedAsAPageIsNotReadIntoThePane();
  void thePageShownAgainIsReadAgainOnlyWhenItsFileChanged();
  void firstPartCutsAfterARowAndOnlyLongPages();
  void aLongPageLaidOutAwayLooksAndAnswersAsTheBrowserItself();
};

void WebLinksTest::webAndMailLinksGoToTheDesktopHandler() {
  Pane p;
  p.Click(std::string("http://example.org/a?b=1"));
  p.Click(std::string("HTTPS://example.org/"));
  p.Click(std::string("mailto:someone@example.org"));
  QCOMPARE(p.r.ui.messages.size(), size_t(0));
  QCOMPARE(p.r.desktop.requests,
           (std::vector<RecordingDesktop::Request>{{"address", "http://example.org/a?b=1"},
                                                   {"address", "https://example.org/"},
                                                   {"address", "mailto:someone@example.org"}}));
}

void WebLinksTest::fileLinksOutsideTheOutputFolderAskFirstNamingTheTarget() {
  Pane p;
  const std::string evil = p.m.root() + "Downloads/run.desktop";
  std::filesystem::create_directories(p.m.root() + "Downloads");
  Write(evil, "[Desktop Entry]\nExec=rm -rf ~\n");
  // A reference's file:/// address: refused when the person says No.
  p.r.ui.messageAnswers = {kIdNo};
  p.Click("file://" + evil);
  QCOMPARE(p.r.ui.messages.size(), size_t(1));
  QVERIFY2(p.r.ui.messages[0].text.find("\n\n" + evil + "\n\n") != std::string::npos,
           p.r.ui.messages[0].text.c_str());
  QCOMPARE(p.r.ui.messages[0].flags, unsigned(kMbYesNo | kMbIconExclamation));
  QVERIFY(p.r.desktop.requests.empty());
  QVERIFY(p.web->currentPath().find("report.htm") != std::string::npos);

  // A relative link climbing out, and a link in the output folder leading
  // elsewhere, are asked about just the same (by where they really lead).
  Write(p.m.root() + "secret.htm", "<html>secret</html>");
  ::symlink((p.m.root() + "secret.htm").c_str(), (p.output + "inside.htm").c_str());
  p.r.ui.messageAnswers = {kIdNo, kIdNo};
  p.Click(QUrl("../../../../secret.htm"));
  p.Click(std::string("inside.htm"));
  QCOMPARE(p.r.ui.messages.size(), size_t(3));
  QVERIFY(p.r.ui.messages[2].text.find(p.m.root() + "secret.htm") == std::string::npos);
  QVERIFY(p.r.ui.messages[2].text.find(p.output + "inside.htm") != std::string::npos);
  QVERIFY(p.r.desktop.requests.empty());
  QVERIFY(p.web->currentPath().find("report.htm") != std::string::npos);

  // Yes opens it as any file link opens.
  p.r.ui.messageAnswers = {kIdYes};
  p.Click("file://" + evil);
  QCOMPARE(p.r.desktop.requests, (std::vector<RecordingDesktop::Request>{{"open", evil}}));
}

void WebLinksTest::otherSchemesAskFirst() {
  Pane p;
  p.r.ui.messageAnswers = {kIdNo, kIdNo, kIdYes};
  p.Click(std::string("ftp://example.org/x"));
  p.Click(std::string("smb://server/share/run.exe"));
  p.Click(std::string("javascript:alert(1)"));
  QCOMPARE(p.r.ui.messages.size(), size_t(3));
  QVERIFY(p.r.ui.messages[1].text.find("smb://server/share/run.exe") != std::string::npos);
  QCOMPARE(p.r.desktop.requests,
           (std::vector<RecordingDesktop::Request>{{"address", "javascript:alert(1)"}}));
}

// The output folder holds the record store itself: a record's relative
// link to "quillet.dat" (or anything else there) is named and asked about.
void WebLinksTest::fileLinksInsideTheOutputFolderAskFirstToo() {
  Pane p;
  Write(p.output + "quillet.dat", "records");
  Write(p.output + "other.htm", "<html><head><title>Other</title></head><body>o</body></html>");
  Write(p.output + "paper.pdf", "%PDF-1.4");
  p.r.ui.messageAnswers = {kIdNo, kIdNo};
  p.Click(std::string("quillet.dat"));
  p.Click(QUrl::fromLocalFile(QString::fromStdString(p.output + "paper.pdf")));
  QCOMPARE(p.r.ui.messages.size(), size_t(2));
  QVERIFY2(p.r.ui.messages[0].text.find("\n\n" + p.output + "quillet.dat\n\n") != std::string::npos,
           p.r.ui.messages[0].text.c_str());
  QCOMPARE(p.r.ui.messages[0].flags, unsigned(kMbYesNo | kMbIconExclamation));
  QVERIFY(p.r.desktop.requests.empty());
  QVERIFY(p.web->currentPath().find("report.htm") != std::string::npos);
  // Yes opens it as before.
  p.r.ui.messageAnswers = {kIdYes, kIdYes};
  p.Click(std::string("other.htm"));
  QCOMPARE(p.web->title(), QString("Other"));
  p.Click(QUrl::fromLocalFile(QString::fromStdString(p.output + "paper.pdf")));
  QCOMPARE(p.r.ui.messages.size(), size_t(4));
  QCOMPARE(p.r.desktop.requests,
           (std::vector<RecordingDesktop::Request>{{"open", p.output + "paper.pdf"}}));
  // A place on the page shown is no question; the program's own pages
  // still link among themselves.
  p.Click(std::string("#top"));
  QCOMPARE(p.r.ui.messages.size(), size_t(4));
  p.web->Navigate(p.m.install() + "help/index.html", true);
  p.Click(QUrl::fromLocalFile(QString::fromStdString(p.m.install() + "components/main.htm")));
  QCOMPARE(p.r.ui.messages.size(), size_t(4));
  QVERIFY(p.web->currentPath().find("components/main.htm") != std::string::npos);
}

void WebLinksTest::mailLinksThatSayMoreThanAnAddressAskFirst() {
  Pane p;
  p.r.ui.messageAnswers = {kIdNo, kIdNo};
  p.Click(std::string("mailto:someone@example.org?attach=/home/u/.ssh/id_rsa"));
  p.Click(std::string("mailto:someone@example.org?subject=Hi&bcc=eve@example.org"));
  QCOMPARE(p.r.ui.messages.size(), size_t(2));
  QVERIFY2(p.r.ui.messages[0].text.find("attach=/home/u/.ssh/id_rsa") != std::string::npos,
           p.r.ui.messages[0].text.c_str());
  QVERIFY(p.r.desktop.requests.empty());
  // A subject and a body are plain enough.
  p.Click(std::string("mailto:someone@example.org?subject=Owls&body=See%20you"));
  QCOMPARE(p.r.ui.messages.size(), size_t(2));
  QCOMPARE(p.r.desktop.requests.size(), size_t(1));
}

void WebLinksTest::reportPicturesComeOnlyFromTheOutputFolder() {
  Pane p;
  QImage picture(40, 30, QImage::Format_RGB32);
  picture.fill(Qt::darkGreen);
  // The picture file has the UTF-8 form of its stored name; the page refers
  // to it percent-encoded, as the report builder writes it.
  QVERIFY(picture.save(QString::fromUtf8((p.output + "Caf\xC3\xA9.jpg").c_str()), "JPEG"));
  QVERIFY(picture.save(QString::fromStdString(p.m.root() + "outside.jpg"), "JPEG"));
  Write(p.output + "pictures.htm",
        "<html><head><title>Pictures</title></head><body>"
        "<img src=\"Caf%C3%A9.jpg\"><img src=\"../../../../outside.jpg\"></body></html>");
  p.web->Navigate(p.output + "pictures.htm", true);
  QCOMPARE(p.web->title(), QString("Pictures"));
  PaneBrowser* b = p.web->browser();
  const QVariant shown = b->loadResource(QTextDocument::ImageResource, QUrl::fromEncoded("Caf%C3%A9.jpg"));
  QVERIFY(shown.isValid());
  QVERIFY(!shown.toByteArray().isEmpty() || !shown.value<QImage>().isNull());
  const QVariant outside =
      b->loadResource(QTextDocument::ImageResource, QUrl("../../../../outside.jpg"));
  QVERIFY(!outside.isValid());
  if (const char* png = std::getenv("QUILLET_PANE_PICTURE")) p.web->grab().save(png, "PNG");
}

namespace {

// The values of `attribute` (href, src, background) in the page file shown.
QStringList Attributes(const std::string& page, const char* attribute) {
  QFile file(QString::fromStdString(page));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QString html = QString::fromLatin1(file.readAll());
  QStringList values;
  const QRegularExpression re(QStringLiteral("\\b%1=\"([^\"]*)\"").arg(QLatin1String(attribute)));
  for (auto it = re.globalMatch(html); it.hasNext();) values << it.next().captured(1);
  values.removeDuplicates();
  return values;
}

}  // namespace

// The start page, the centres, the missing page and the help are shown in
// the language whose catalogue was installed, where the install has them in
// it; every link between them stays in that language and needs no question,
// and their pictures are found from the language's folder too. A language
// without a catalogue (fr) or English first keeps the English pages.
void WebLinksTest::theOwnPagesSpeakTheLanguageInstalledAndLinkWithinIt() {
  struct Case {
    QStringList languages;
    QString ours;          // what InstallTranslators says it installed
    std::string folder;    // the pages' folder under components/ and help/
    QString startHeading;  // on the start page
    QString helpTitle;
    QString missingTitle;
  };
  const Case cases[] = {
      {{"de_DE"}, "de", "de/", QString::fromUtf8("Willkommen bei Quillet!"),
       QString::fromUtf8("Quillet! Benutzerhandbuch"), QString::fromUtf8("Quillet! - Seite nicht gefunden")},
      {{"de_AT", "en_GB"}, "de", "de/", QString::fromUtf8("Willkommen bei Quillet!"),
       QString::fromUtf8("Quillet! Benutzerhandbuch"), QString::fromUtf8("Quillet! - Seite nicht gefunden")},
      {{"en_GB", "de_DE"}, "", "", "Welcome to Quillet!", "Quillet! User Guide", "Quillet! - Page not found"},
      {{"fr_FR"}, "", "", "Welcome to Quillet!", "Quillet! User Guide", "Quillet! - Page not found"},
  };
  for (const Case& c : cases) {
    const QByteArray which = c.languages.join(',').toUtf8();
    QCOMPARE(InstallTranslators(c.languages, QUILLET_DATA_DIR "/translations/").ours, c.ours);
    const auto english = qScopeGuard([] { RemoveTranslators(); });
    Pane p;
    const std::string components = p.m.install() + "components/" + c.folder;
    const std::string help = p.m.install() + "help/" + c.folder;

    // Where the pane starts, and the start page shown again.
    p.web = std::make_unique<CWebWnd>(&p.parent, QRect(0, 0, 800, 600));
    QVERIFY2(p.web->currentPath() == components + "main.htm", (p.web->currentPath() + " " + components).c_str());
    p.web->Navigate(p.output + "report.htm", true);
    p.web->ShowStartPage();
    QVERIFY2(p.web->currentPath() == components + "main.htm", which.constData());
    QVERIFY2(p.web->browser()->toPlainText().contains(c.startHeading), which.constData());
    // A page that is not there is explained in the same language.
    p.web->Navigate(p.m.install() + "components/gone.htm", true);
    QCOMPARE(p.web->currentPath(), components + "notfound.htm");
    QCOMPARE(p.web->title(), c.missingTitle);

    // Every link of every page of the language, followed from that page.
    const std::vector<std::string> pages = {components + "main.htm", components + "topiccenter.htm",
                                            components + "imagecenter.htm", components + "notfound.htm",
                                            components + "velamain.htm", help + "index.html"};
    int followed = 0;
    for (const std::string& page : pages) {
      const QByteArray where = which + " " + QByteArray::fromStdString(page);
      p.web->Navigate(page, true);
      QVERIFY2(p.web->currentPath() == page, where.constData());
      // Its pictures and icons, from beside it.
      QStringList pictures = Attributes(page, "src") + Attributes(page, "background");
      QVERIFY2(pictures.contains("page_band.png") && pictures.contains("quillet_mark.png"), where.constData());
      for (const QString& picture : pictures) {
        const QVariant shown = p.web->browser()->loadResource(QTextDocument::ImageResource, QUrl(picture));
        QVERIFY2(!QImage::fromData(shown.toByteArray()).isNull(), (where + " " + picture.toUtf8()).constData());
      }
      for (const QString& link : Attributes(page, "href")) {
        if (link.startsWith('#')) continue;
        p.web->Navigate(page, true);
        p.Click(QUrl(link));
        const std::string to = p.web->currentPath();
        const QByteArray what = where + " -> " + link.toUtf8() + " = " + QByteArray::fromStdString(to);
        // One of the language's own pages, there, and not the missing page.
        QVERIFY2(to == components + "main.htm" || to == components + "topiccenter.htm" ||
                     to == components + "imagecenter.htm" || to == help + "index.html",
                 what.constData());
        ++followed;
      }
    }
    QVERIFY2(followed >= 20, which.constData());
    QVERIFY2(p.r.ui.messages.empty(), which.constData());
    QVERIFY2(p.r.desktop.requests.empty(), which.constData());

    // The help's title, and the way back from it.
    p.web->Navigate(help + "index.html", true);
    QCOMPARE(p.web->title(), c.helpTitle);
    p.Click(QUrl(c.folder.empty() ? "../components/main.htm" : "../../components/de/main.htm"));
    QVERIFY2(p.web->currentPath() == components + "main.htm", (p.web->currentPath() + " " + components).c_str());
  }
}

namespace {

// A report-like page: a title, then `rows` numbered rows in one table.
std::string LongPage(int rows) {
  std::string page =
      "<html><head><title>Long</title><style>td { color: #123456; }</style></head><body>"
      "<table width=\"100%\"><tr><td>Start</td></tr></table><table width=\"100%\">\n";
  for (int i = 0; i < rows; ++i)
    page += "<tr><td width=\"34\">" + std::to_string(i + 1) + "</td><td>Row " + std::to_string(i) +
            " of the long page, caf\xE9</td></tr>\n";
  return page + "</table><p>The end</p></body></html>";
}

}  // namespace

// A link may name anything: a pipe under a page's name is not waited on,
// and a file far larger than any page says so instead of filling memory.
void WebLinksTest::aPipeOrAHugeFileNamedAsAPageIsNotReadIntoThePane() {
  Pane p;
  PaneBrowser* b = p.web->browser();
  const std::string pipe = p.output + "pipe.htm";
  QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
  p.web->Navigate(pipe, true);
  // Returned, with nothing read: the page-not-found page where it is
  // installed, else an empty pane.
  const QString shown = b->toPlainText().trimmed();
  QVERIFY2(shown.isEmpty() || shown.contains("Page not found"), qPrintable(shown.left(80)));
  const std::string huge = p.output + "huge.htm";
  Write(huge, "<html><body>huge</body></html>");
  QCOMPARE(::truncate(huge.c_str(), off_t{1} << 36), 0);
  p.web->Navigate(huge, true);
  QVERIFY2(b->toPlainText().contains("too large to show here"), qPrintable(b->toPlainText().left(200)));
  QVERIFY(!b->toPlainText().contains("huge"));
}

// The start page the pane opens with is shown again by the start: the
// same file as it was is not read and laid out again, only shown from its
// top; a file written since (a rebuilt report) is read again.
void WebLinksTest::thePageShownAgainIsReadAgainOnlyWhenItsFileChanged() {
  Pane p;
  PaneBrowser* b = p.web->browser();
  p.parent.show();
  const std::string path = p.output + "rows.htm";
  std::string rows = "<html><body>";
  for (int i = 0; i < 300; ++i) rows += "<p>Row " + std::to_string(i) + "</p>";
  Write(path, rows + "</body></html>");
  p.web->Navigate(path, true);
  QVERIFY(b->toPlainText().contains("Row 299"));
  QVERIFY(b->verticalScrollBar()->maximum() > 0);
  b->verticalScrollBar()->setValue(b->verticalScrollBar()->maximum());
  const uint64_t read = b->contentVersion();
  p.web->Navigate(path, true);
  QCOMPARE(b->contentVersion(), read);
  QCOMPARE(b->verticalScrollBar()->value(), 0);
  QCOMPARE(p.web->currentPath(), path);

  // Written again (another size, a new time of change): read again.
  Write(path, rows + "<p>Row 300</p></body></html>");
  p.web->Navigate(path, true);
  QVERIFY(b->contentVersion() != read);
  QVERIFY(b->toPlainText().contains("Row 300"));
  // Another page between: the same file is shown from it as before.
  p.web->Navigate(p.output + "report.htm", true);
  QCOMPARE(b->toPlainText(), QString("r"));
  p.web->Navigate(path, true);
  QVERIFY(b->toPlainText().contains("Row 300"));
}

void WebLinksTest::aLongPageShowsItsBeginningFirstThenTheWholePage() {
  Pane p;
  const std::string path = p.output + "long.htm";
  const std::string bytes = LongPage(3000);
  Write(path, bytes);
  PaneBrowser* b = p.web->browser();
  const bool back_before = p.web->backEnabled();
  p.web->Navigate(path, true);
  QVERIFY(b->showingFirstPart());
  QCOMPARE(p.web->title(), QString("Long"));
  const QString first = b->toPlainText();
  QVERIFY2(first.trimmed().startsWith("Start"), qPrintable(first.left(40)));
  QVERIFY(!first.contains("The end"));
  QVERIFY(first.size() > 1000);
  const char* png = std::getenv("QUILLET_PANE_PICTURE");
  if (png) p.web->grab().save(QString(png) + "-first.png", "PNG");
  QTRY_VERIFY_WITH_TIMEOUT(!b->showingFirstPart(), 10000);
  // The whole page, exactly as the document makes it from the file.
  QTextDocument whole;
  whole.setHtml(QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
  QCOMPARE(b->toPlainText(), whole.toPlainText());
  QVERIFY(b->toPlainText().endsWith("The end"));
  if (png) p.web->grab().save(QString(png) + "-whole.png", "PNG");
  QVERIFY(b->toPlainText().contains(QString::fromUtf8("Row 2999 of the long page, caf\xC3\xA9")));
  QCOMPARE(p.web->title(), QString("Long"));
  QCOMPARE(p.web->currentPath(), path);
  QVERIFY(p.web->backEnabled());
  QVERIFY(back_before || p.web->backEnabled());
  // One step back leads to the page before, not to the first part.
  p.web->GoBack();
  QVERIFY(p.web->currentPath().find("report.htm") != std::string::npos);
  QCOMPARE(b->toPlainText(), QString("r"));
  // Shown again (a rebuilt report under the same name): the same two steps.
  p.web->Navigate(path, true);
  p.web->Navigate(path, true);
  QTRY_VERIFY_WITH_TIMEOUT(!b->showingFirstPart(), 10000);
  QCOMPARE(b->toPlainText(), whole.toPlainText());
  // Gone on to another page before the whole one came: that page stays.
  p.web->Navigate(path, true);
  QVERIFY(b->showingFirstPart());
  p.web->Navigate(p.output + "report.htm", true);
  QTRY_VERIFY_WITH_TIMEOUT(!b->showingFirstPart(), 10000);
  QCOMPARE(b->toPlainText(), QString("r"));
  // Copying all takes the whole page, not what is shown so far.
  p.web->Navigate(path, true);
  QVERIFY(b->showingFirstPart());
  p.web->CopyAll();
  QVERIFY(!b->showingFirstPart());
  QCOMPARE(b->toPlainText(), whole.toPlainText());
  QVERIFY(p.r.ui.clipboard.find("Row 2999 of the long page") != std::string::npos);
  // The file is only read.
  std::ifstream in(path, std::ios::binary);
  QCOMPARE(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
}

void WebLinksTest::firstPartCutsAfterARowAndOnlyLongPages() {
  QVERIFY(PaneBrowser::FirstPart(QString::fromLatin1(LongPage(100).c_str())).isEmpty());
  const QString html = QString::fromLatin1(LongPage(3000).c_str());
  const QString first = PaneBrowser::FirstPart(html);
  QVERIFY(first.size() >= PaneBrowser::kFirstPart);
  QVERIFY(first.size() < html.size() / 2);
  QVERIFY(first.endsWith("</tr>"));
  QVERIFY(html.startsWith(first));
  // No body, no cut: nothing but the head would show.
  QVERIFY(PaneBrowser::FirstPart(QString(PaneBrowser::kLongPage + 10, QChar('x'))).isEmpty());
}

namespace {

// A page as the default theme makes them: tables four deep with
// backgrounds, borders and padding, a picture, links, rows of notes.
std::string NestedPage(int rows) {
  std::string page =
      "<html><head><title>Nested</title><style>.card { background-color: #ffffff; border: 1px solid "
      "#d3dae1; } .n { color: #ffffff; background-color: #2f6a97; font-size: 7pt; }</style></head>"
      "<body bgcolor=\"#eef1f4\"><table width=\"100%\" cellpadding=\"16\"><tr><td>"
      "<p><img src=\"dot.png\" width=\"20\" height=\"20\"> <a href=\"other.htm\">Open other</a></p>"
      "<table width=\"100%\" cellpadding=\"14\" class=\"card\" bgcolor=\"#ffffff\"><tr><td>"
      "<table width=\"100%\" cellpadding=\"0\">\n";
  for (int i = 0; i < rows; ++i)
    page += "<tr><td width=\"34\" valign=\"top\"><table cellpadding=\"2\"><tr><td class=\"n\">" +
            std::to_string(i + 1) + "</td></tr></table></td><td><b>Note " + std::to_string(i) +
            " on the garden</b><br>with a second line and <a href=\"n" + std::to_string(i) +
            ".htm\">a link</a></td></tr>\n";
  return page + "</table></td></tr></table></td></tr></table><p>The end</p></body></html>";
}

// How many pixels two pictures differ in (all of them when their sizes do).
qsizetype Differing(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return qsizetype(a.width()) * a.height() + 1;
  const QImage x = a.convertToFormat(QImage::Format_ARGB32), y = b.convertToFormat(QImage::Format_ARGB32);
  qsizetype n = 0;
  for (int row = 0; row < x.height(); ++row)
    for (int col = 0; col < x.width(); ++col) n += x.pixel(col, row) != y.pixel(col, row);
  return n;
}

}  // namespace

// The whole of a long page is laid out on a thread of its own and shown
// from there; it must look, scroll and answer exactly as the same page laid
// out by a plain browser of the same size, also after the pane is resized.
void WebLinksTest::aLongPageLaidOutAwayLooksAndAnswersAsTheBrowserItself() {
  Pane p;
  p.parent.show();
  QVERIFY(QTest::qWaitForWindowExposed(&p.parent));
  QImage dot(20, 20, QImage::Format_RGB32);
  dot.fill(QColor(200, 40, 40));
  QVERIFY(dot.save(QString::fromStdString(p.output + "dot.png")));
  const std::string path = p.output + "nested.htm";
  Write(path, NestedPage(900));
  PaneBrowser* b = p.web->browser();
  p.web->Navigate(path, true);
  QVERIFY(b->showingFirstPart());
  QTRY_VERIFY_WITH_TIMEOUT(b->showingLaidOutPage(), 20000);
  QVERIFY(!b->showingFirstPart());

  QTextBrowser plain(&p.parent);
  plain.setFrameShape(b->frameShape());
  plain.setGeometry(QRect(QPoint(0, 0), b->size()));
  plain.setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
  plain.show();
  // The plain browser lays out in steps between events: all of it now, and
  // its scroll bars told.
  auto settle = [&] {
    plain.document()->documentLayout()->documentSize();
    QTest::qWait(50);
  };
  settle();
  auto compare = [&](const char* when) {
    QCOMPARE(b->verticalScrollBar()->maximum(), plain.verticalScrollBar()->maximum());
    const int most = plain.verticalScrollBar()->maximum();
    for (int v : {0, most / 3, most}) {
      b->verticalScrollBar()->setValue(v);
      plain.verticalScrollBar()->setValue(v);
      const qsizetype off = Differing(b->viewport()->grab().toImage(), plain.viewport()->grab().toImage());
      QVERIFY2(off == 0, qPrintable(QString("%1, scrolled to %2: %3 pixels differ").arg(when).arg(v).arg(off)));
    }
  };
  compare("as laid out first");

  // Where a point falls, and the link under it.
  b->verticalScrollBar()->setValue(0);
  plain.verticalScrollBar()->setValue(0);
  QTextCursor link = plain.document()->find("Open other");
  QVERIFY(!link.isNull());
  const QPoint on = plain.cursorRect(link).center() - QPoint(8, 0);
  QCOMPARE(plain.anchorAt(on), QString("other.htm"));
  QCOMPARE(b->anchorAt(on), QString("other.htm"));
  for (const QPoint& at : {on, QPoint(40, 300), QPoint(300, 150)})
    QCOMPARE(b->cursorForPosition(at).position(), plain.cursorForPosition(at).position());
  // A selection shows as in the plain browser.
  QTextCursor both(b->document());
  both.setPosition(50);
  both.setPosition(400, QTextCursor::KeepAnchor);
  b->setTextCursor(both);
  QTextCursor same(plain.document());
  same.setPosition(50);
  same.setPosition(400, QTextCursor::KeepAnchor);
  plain.setTextCursor(same);
  QCOMPARE(Differing(b->viewport()->grab().toImage(), plain.viewport()->grab().toImage()), qsizetype(0));
  b->setTextCursor(QTextCursor(b->document()));
  plain.setTextCursor(QTextCursor(plain.document()));

  // Narrower: laid out again on a thread, the page shown meanwhile.
  p.web->Move(0, 0, 560, 600);
  plain.setGeometry(QRect(QPoint(0, 0), b->size()));
  settle();
  QVERIFY(b->showingLaidOutPage());
  QTRY_COMPARE_WITH_TIMEOUT(b->verticalScrollBar()->maximum(), plain.verticalScrollBar()->maximum(), 20000);
  compare("after the pane was resized");
  QCOMPARE(b->toPlainText(), plain.toPlainText());
}

QTEST_MAIN(WebLinksTest)
#include "web_links_test.moc"
