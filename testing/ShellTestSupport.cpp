#include "testing/ShellTestSupport.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QVBoxLayout>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/startup/Startup.h"
#include "store/RecordKinds.h"

namespace quillet::test {
namespace fs = std::filesystem;

namespace {

std::vector<std::string> g_debug;
std::string g_debug_line;

void CollectDebug(const char* piece) {
  const std::string p = piece;
  if (p == "\n") {
    g_debug.push_back(g_debug_line);
    g_debug_line.clear();
  } else {
    g_debug_line += p;
  }
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

Machine::Machine(const std::vector<std::string>& users, bool shippedThemes) {
  std::string pattern = (fs::temp_directory_path() / "quillet-shell-XXXXXX").string();
  root_ = std::string(::mkdtemp(pattern.data())) + "/";
  ::setenv("QUILLET_REGISTRY", (root_ + "registry.db").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (root_ + "data").c_str(), 1);
  ::setenv("XDG_STATE_HOME", (root_ + "state").c_str(), 1);
  ::setenv("XDG_CACHE_HOME", (root_ + "cache").c_str(), 1);
  fs::create_directories(runtime());
  ::chmod(runtime().c_str(), 0700);
  ::setenv("XDG_RUNTIME_DIR", runtime().c_str(), 1);

  // The installed program: the shipped pages and the user library from the
  // build, a theme folder of the test's own.
  const std::string data = std::string(QUILLET_DATA_DIR) + "/";
  fs::create_directories(themes());
  fs::create_directories(install());
  fs::create_directories(prefix() + "lib/quillet");
  for (const char* name : {"components", "help"}) fs::create_symlink(data + name, install() + name);
  fs::create_symlink(std::string(QUILLET_LIB_DIR) + "/libUserData.so",
                     prefix() + "lib/quillet/libUserData.so");
  if (shippedThemes)
    for (const auto& e : fs::directory_iterator(data + "template"))
      fs::copy(e.path(), themes() + e.path().filename().string());
  SetProgramFileForTesting(prefix() + "bin/quillet");

  Run("quillet-palm-desktop init --path " + Quote(root_ + "palm"));
  for (const std::string& user : users) Run("quillet-palm-desktop user add " + Quote(user));

  SetNum(ProgramKey, "Log", 1);
  SetStr(ProgramKey, "LogPath", root_);
  StartLog();
}

Machine::~Machine() {
  EndLog();
  SetProgramFileForTesting("");
  std::error_code ec;
  fs::remove_all(root_, ec);
}

std::string Machine::Output(const std::string& folder) const {
  return root_ + "palm/" + folder + "/Quillet/";
}

std::string Machine::LogText() const {
  std::ifstream in(root_ + "log.txt", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Machine::LogLines() const {
  std::vector<std::string> lines;
  std::stringstream s(LogText());
  std::string line;
  while (std::getline(s, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string Machine::Str(const std::string& key, const char* name) {
  CRegistryKey k;
  k.OpenKey(key);
  std::string value;
  k.ReadValueString(name, &value, kTextBufferSize);
  return value;
}

uint32_t Machine::Num(const std::string& key, const char* name, uint32_t missing) {
  CRegistryKey k;
  k.OpenKey(key);
  uint32_t value = missing;
  k.ReadValueDword(name, &value);
  return value;
}

void Machine::SetStr(const std::string& key, const char* name, const std::string& value) {
  CRegistryKey k;
  k.OpenKey(key);
  k.WriteValueString(name, value);
}

void Machine::SetNum(const std::string& key, const char* name, uint32_t value) {
  CRegistryKey k;
  k.OpenKey(key);
  k.WriteValueDword(name, value);
}

void Machine::WriteFile(const std::string& path, const std::string& text) const {
  std::ofstream(path, std::ios::binary) << text;
}

int Machine::Run(const std::string& commandLine) {
  const std::string cmd = std::string(QUILLET_BIN_DIR) + "/" + commandLine + " >/dev/null 2>&1";
  const int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

DebugLines::DebugLines() {
  g_debug.clear();
  g_debug_line.clear();
  SetDebugSink(&CollectDebug);
}

DebugLines::~DebugLines() { SetDebugSink(nullptr); }

std::vector<std::string> DebugLines::lines() const { return g_debug; }

bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted,
             std::string* missing) {
  size_t at = 0;
  for (const std::string& w : wanted) {
    while (at < lines.size() && lines[at].rfind(w, 0) != 0) ++at;
    if (at == lines.size()) {
      if (missing) *missing = w;
      return false;
    }
    ++at;
  }
  return true;
}

size_t CountLines(const std::vector<std::string>& lines, const std::string& prefix) {
  size_t n = 0;
  for (const std::string& l : lines) n += l.rfind(prefix, 0) == 0;
  return n;
}

// --- Stand-in parts ----------------------------------------------------------

void FakeWindow::ShowRecord(const TreeItemRef* item) {
  log_->calls.push_back(std::string(className()) + ":show " +
                        (item ? std::to_string(item->recordId) : std::string("new")));
  if (!item) pending = true;
}

bool FakeWindow::DiscardPendingRecord() {
  if (!pending) return false;
  pending = false;
  log_->calls.push_back(std::string(className()) + ":discard");
  return true;
}

void FakeWindow::Refresh() { log_->calls.push_back(std::string(className()) + ":refresh"); }

QWidget* FakeWindow::CreateDialog(QWidget* host) {
  auto* dialog = new QWidget(host);
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(new QLabel(className(), dialog));
  return dialog;
}

bool FakeTree::Create(QWidget* parent) {
  widget_ = new QTreeWidget(parent);
  widget_->hide();
  return true;
}

bool FakeTree::SelectRecord(uint32_t id) {
  selected = TreeItemRef{id, 0, nullptr};
  log_->calls.push_back("tree:select " + std::to_string(id));
  return true;
}

bool FakeList::Create(QWidget* parent) {
  widget_ = new QListWidget(parent);
  widget_->hide();
  return true;
}

bool FakeCombo::Create(QWidget* parent) {
  widget_ = new QLabel("combo", parent);
  widget_->hide();
  return true;
}

void FakeCombo::Show(bool show, int at) {
  widget_->setVisible(show);
  if (show) shownAt = at;
}

FakeParts::FakeParts() {
  auto window = [this](int kind, const char* name, FakeWindow** slot) {
    return [this, kind, name, slot] {
      auto w = std::make_unique<FakeWindow>(kind, name, &log);
      if (slot) *slot = w.get();
      return std::unique_ptr<CChildWnd>(std::move(w));
    };
  };
  parts.topicWindow = window(kKindCodeTopic, "Topic Window", &topic);
  parts.imageWindow = window(kKindCodeImage, "Image Window", nullptr);
  parts.sketchWindow = window(kKindCodeSketch, "Image Window", nullptr);
  parts.noteWindow = window(kKindCodeNote, "Note Window", &note);
  parts.customWindow = window(kKindCodeCustom, "Custom Window", nullptr);
  parts.findWindow = window(kKindCodeFind, "Find Window", &find);
  parts.topicCombo = [this] {
    auto c = std::make_unique<FakeCombo>(1);
    topicCombo = c.get();
    return std::unique_ptr<CCombo>(std::move(c));
  };
  parts.imageCombo = [] { return std::unique_ptr<CCombo>(std::make_unique<FakeCombo>(11)); };
  parts.topicTree = [this] {
    auto t = std::make_unique<FakeTree>(&log);
    tree = t.get();
    return std::unique_ptr<CTreeObject>(std::move(t));
  };
  parts.imageList = [this] {
    auto l = std::make_unique<FakeList>(11, &log);
    images = l.get();
    return std::unique_ptr<CListViewObject>(std::move(l));
  };
  parts.findList = [this] { return std::unique_ptr<CListViewObject>(std::make_unique<FakeList>(14, &log)); };
}

Recorders::Recorders() : previousUi(SetUI(&ui)), previousDesktop(SetDesktop(&desktop)) {}

Recorders::~Recorders() {
  SetUI(previousUi);
  SetDesktop(previousDesktop);
}

uint32_t AddTopic(const std::string& title, uint32_t category, uint32_t isPrivate, bool named) {
  auto t = std::make_unique<CTopicRecord>();
  auto l = std::make_unique<CTopicLinksRecord>();
  t->recordId = NextRecordId();
  l->recordId = NextRecordId();
  t->linksId = l->recordId;
  l->topicId = t->recordId;
  t->title = CpText(title);
  t->categoryId = category;
  t->isPrivate = isPrivate;
  if (named) t->fileName = "page" + std::to_string(t->recordId) + ".htm";
  const uint32_t id = t->recordId;
  pDB->AddNew(std::move(t));
  pDB->AddNew(std::move(l));
  return id;
}

uint32_t AddMember(uint32_t topic, std::unique_ptr<CRecord> record) {
  record->recordId = NextRecordId();
  const uint32_t id = record->recordId;
  pDB->AddNew(std::move(record));
  if (topic != 0) FindLinksOfTopic(FindTopic(topic))->memberIds.push_back(id);
  return id;
}

uint32_t AddNote(uint32_t topic, const std::string& text) {
  auto n = std::make_unique<CNoteRecord>();
  n->text = CpText(text);
  return AddMember(topic, std::move(n));
}

uint32_t PutCategory(const std::string& name) {
  auto c = std::make_unique<CCategoryRecord>();
  c->recordId = NextRecordId();
  c->name = CpText(name);
  const uint32_t id = c->recordId;
  pDB->AddNew(std::move(c));
  return id;
}

}  // namespace quillet::test
