// The main window's outside actions: Send handing the shown topic's report
// to the mail program (a stand-in xdg-email on PATH that writes down its
// arguments) or, without one, to the outbox, and telling which; editors,
// folders and web pages that cannot be opened told in a box.
#include <QAction>
#include <QTest>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/MainWindow.h"
#include "app/WndMgr.h"
#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/Commands.h"
#include "platform/codepage/CodePage.h"
#include "platform/mapi/Mapi.h"
#include "reports/Mail.h"
#include "store/RecordKinds.h"
#include "testing/RecordingDesktop.h"
#include "testing/ShellTestSupport.h"
#include "widgets/kit/QtForms.h"
#include "widgets/mail/MailPart.h"

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A store with topics for the user, written before the start.
void WriteDemoStore(const Machine& m) {
  const std::string out = m.Output("DemoUser");
  fs::create_directories(out);
  QCOMPARE(Machine::Run("quillet-cli demo-store '" + out + "quillet.dat'"), 0);
}

}  // namespace

// A PATH of stand-in desktop programs, each writing its name and
// arguments, one a line, into "calls".
class StandInDesktop {
 public:
  explicit StandInDesktop(const std::string& root) : bin_(root + "desktop-bin/"), calls_(root + "calls") {
    fs::create_directories(bin_);
    path_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", bin_.c_str(), 1);  // nothing of the real desktop
    for (const char* name : {"QUILLET_TEXT_EDITOR", "VISUAL", "EDITOR", "TERMINAL"}) {
      if (const char* v = std::getenv(name)) saved_.emplace_back(name, v);
      ::unsetenv(name);
    }
  }
  ~StandInDesktop() {
    ::setenv("PATH", path_.c_str(), 1);
    for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
  }
  void Program(const std::string& name, const std::string& tail) {
    std::ofstream(bin_ + name) << "#!/bin/sh\n{ echo " << name << "; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } >> '"
                               << calls_ << "'\n" << tail << "\n";
    ::chmod((bin_ + name).c_str(), 0755);
  }
  std::string Calls() {
    std::string text = ReadAll(calls_);
    fs::remove(calls_);
    return text;
  }

 private:
  std::string bin_, calls_, path_;
  std::vector<std::pair<std::string, std::string>> saved_;
};

class OutsideActionsTest : public QObject {
  Q_OBJECT

 private slots:
  // The real desktop form: the theme goes to the desktop's plain-text
  // application, never to the opener (which would pick the web browser
  // for HTML); failures come back as false.
  void fileChooserFiltersNameEachPatternOnce() {
    FileDialogRequest request;
    request.filters = {{"PDF Files (*.pdf)", "*.pdf"},
                       {"Quillet (*.arc)", "*.ARC"},
                       {"Supported Image Types", "*.JPG;*.BMP"},
                       {"Notes (draft)", "*.txt"}};
    QCOMPARE(FileDialogFilterText(request),
             QString("PDF Files (*.pdf);;Quillet (*.ARC *.arc);;"
                     "Supported Image Types (*.JPG *.BMP *.jpg *.bmp);;Notes (draft) (*.txt)"));
  }

  void theDesktopFormOpensThemesInTheTextEditor() {
    Machine m;
    StandInDesktop d(m.root());
    QtDesktop desktop;
    const std::string theme = m.themes() + "Show Everything.htm";
    d.Program("xdg-mime", "echo org.example.Editor.desktop");
    d.Program("gtk-launch", "exit 0");
    d.Program("xdg-open", "exit 0");
    QVERIFY(desktop.EditPath(theme));
    QCOMPARE(d.Calls(), "xdg-mime\nquery\ndefault\ntext/plain\ngtk-launch\norg.example.Editor.desktop\n" + theme + "\n");

    // No launcher: the entry's own command line.
    fs::remove(m.root() + "desktop-bin/gtk-launch");
    const std::string apps = m.root() + "data/applications/";
    fs::create_directories(apps);
    std::ofstream(apps + "org.example.Editor.desktop") << "[Desktop Entry]\nExec=stand-in-editor --new %F\n";
    d.Program("stand-in-editor", "exit 0");
    QVERIFY(desktop.EditPath(theme));
    QCOMPARE(d.Calls(), "xdg-mime\nquery\ndefault\ntext/plain\nstand-in-editor\n--new\n" + theme + "\n");

    // No plain-text application at all: a graphical editor of our list,
    // then the terminal editor; with none, false (and never xdg-open).
    d.Program("xdg-mime", "exit 4");
    d.Program("mousepad", "exit 0");
    QVERIFY(desktop.EditPath(theme));
    QCOMPARE(d.Calls(), "xdg-mime\nquery\ndefault\ntext/plain\nmousepad\n" + theme + "\n");
    fs::remove(m.root() + "desktop-bin/mousepad");
    ::setenv("VISUAL", "vi -n", 1);
    d.Program("xterm", "exit 0");
    QVERIFY(desktop.EditPath(theme));
    QCOMPARE(d.Calls(), "xdg-mime\nquery\ndefault\ntext/plain\nxterm\n-e\nvi\n-n\n" + theme + "\n");
    ::unsetenv("VISUAL");
    QVERIFY(!desktop.EditPath(theme));
    QVERIFY(!desktop.EditPlainText(theme));
    QVERIFY(d.Calls().find("xdg-open") == std::string::npos);

    // The opener's failure is the action's failure.
    d.Program("xdg-open", "exit 2");
    QVERIFY(!desktop.OpenPath(m.themes()));
    QVERIFY(!desktop.OpenAddress("https://example.org/"));
    d.Program("xdg-open", "exit 0");
    QVERIFY(desktop.OpenPath(m.themes()));
    QCOMPARE(d.Calls(), "xdg-open\n" + m.themes() + "\nxdg-open\nhttps://example.org/\nxdg-open\n" + m.themes() + "\n");
  }

  void failingOutsideActionsSayWhatToDo() {
    Machine m;
    Recorders r;
    FakeParts fakes;
    CMainWindow w(fakes.parts);
    r.desktop.answer = false;
    r.ui.messages.clear();
    w.SendCommand(CMD_EDIT_DEFAULT_EDITOR);
    w.SendCommand(CMD_EDIT_NOTEPAD);
    w.SendCommand(CMD_OPEN_FOLDER);
    w.SendCommand(CMD_SUPPORT);
    const std::string theme = m.themes() + "Show Everything.htm";
    QCOMPARE(r.desktop.requests, (std::vector<RecordingDesktop::Request>{{"edit", theme},
                                                                         {"plain", theme},
                                                                         {"open", m.themes()},
                                                                         {"address", ToUtf8(LoadString(IDS_SUPPORT_URL))}}));
    QCOMPARE(r.ui.messages.size(), size_t{4});
    for (const MessageRequest& box : r.ui.messages) {
      QCOMPARE(box.caption, std::string(kCaption));
      QVERIFY2(box.text.find("could not be opened") != std::string::npos, box.text.c_str());
    }
    QVERIFY(r.ui.messages[0].text.find(theme) != std::string::npos);
    QVERIFY(r.ui.messages[2].text.find("file manager") != std::string::npos);
    QVERIFY(r.ui.messages[3].text.find(LoadString(IDS_SUPPORT_URL).bytes()) != std::string::npos);

    // The theme menu names the plain-text editor as what it is.
    QStringList texts;
    for (QAction* a : w.findChildren<QAction*>()) texts << a->text();
    QVERIFY(texts.contains("Edit Using &Text Editor"));
    QVERIFY(!texts.join('|').contains("Notepad"));
  }

  void sendHandsTheReportToTheMailProgramOrTheOutbox() {
    Machine m;
    WriteDemoStore(m);
    // The mail library beside the user library, as installed.
    fs::create_symlink(std::string(QUILLET_LIB_DIR) + "/" + kMapiLibrary,
                       m.prefix() + "lib/quillet/" + kMapiLibrary);
    const std::string bin = m.root() + "mailbin/";
    fs::create_directories(bin);
    const std::string args = m.root() + "xdg-email-args";
    std::ofstream(bin + "xdg-email") << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                                     << args << "'\nexit 0\n";
    ::chmod((bin + "xdg-email").c_str(), 0755);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (bin + ":/usr/bin:/bin").c_str(), 1);
    ::unsetenv(kMailProgramVariable);
    ::setenv(kMailOutboxVariable, (m.root() + "outbox/").c_str(), 1);

    Recorders r;
    FakeParts fakes;
    RegisterMailPart();
    fakes.parts.email = RegisteredShellParts().email;
    QVERIFY(fakes.parts.email);
    CMainWindow w(fakes.parts);
    QVERIFY(w.manager()->MailAvailable());

    // The shown topic's report, with one picture.
    CRecord* record = nullptr;
    QCOMPARE(pDB->FirstOfKind(kKindTopic, &record, true), DB_OK);
    auto* topic = static_cast<CTopicRecord*>(record);
    topic->fileName = "01012026000000001.htm";
    const std::string out = m.Output("DemoUser");
    std::ofstream(out + topic->fileName) << "<html><body><img src=\"heron.jpg\"></body></html>";
    std::ofstream(out + "heron.jpg") << "JPEG";
    fakes.tree->selected = TreeItemRef{topic->recordId, kKindTopic, nullptr};
    r.ui.messages.clear();

    w.SendCommand(CMD_SEND);
    // The report goes as a copy under the topic's title, the picture by its path.
    const std::string handed = ReadAll(args);
    const std::string head = "--utf8\n--subject\n" + topic->title.bytes() + "\n--attach\n";
    QCOMPARE(handed.substr(0, head.size()), head);
    const std::string copy = handed.substr(head.size(), handed.find('\n', head.size()) - head.size());
    QVERIFY2(copy.ends_with("/" + ReportAttachmentName(topic->title)), copy.c_str());
    QCOMPARE(ReadAll(copy), ReadAll(out + topic->fileName));
    QCOMPARE(handed.substr(head.size() + copy.size()), "\n--attach\n" + out + "heron.jpg\n");
    QCOMPARE(r.ui.messages.size(), size_t{1});
    QVERIFY2(r.ui.messages[0].text.find("is in a new message in your mail program") != std::string::npos,
             r.ui.messages[0].text.c_str());
    QVERIFY(!fs::exists(m.root() + "outbox/"));

    // No mail program: the message file, and where it is.
    fs::remove(bin + "xdg-email");
    r.ui.messages.clear();
    w.SendCommand(CMD_SEND);
    QCOMPARE(r.ui.messages.size(), size_t{1});
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(m.root() + "outbox/")) files.push_back(e.path().string());
    QCOMPARE(files.size(), size_t{1});
    QVERIFY2(r.ui.messages[0].text.find(files[0]) != std::string::npos, r.ui.messages[0].text.c_str());

    ::setenv("PATH", path.c_str(), 1);
    ::unsetenv(kMailOutboxVariable);
  }
};

QTEST_MAIN(OutsideActionsTest)
#include "outside_actions_test.moc"
