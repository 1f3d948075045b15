// What the main window tests share: a scratch machine (registry file,
// Palm Desktop data folder, install folder, runtime folder), the log and
// debug lines of a run, and stand-ins for the record windows, lists, tree
// and combos that plug into the window manager.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "desktop/shell/Desktop.h"
#include "testing/RecordingDesktop.h"
#include "testing/RecordingUI.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {
class CRecord;
}

namespace quillet::test {

// A fresh machine: its own registry file and XDG folders, Palm Desktop set
// up with the given users, an installed program (prefix/bin/quillet with
// the user library in prefix/lib/quillet/ and the shipped pages in
// prefix/share/quillet/), the user's theme folder holding the shipped
// themes (or empty, for a test's own), logging switched on into the scratch
// folder.
class Machine {
 public:
  explicit Machine(const std::vector<std::string>& users = {"Demo User"},
                   bool shippedThemes = true);
  ~Machine();

  const std::string& root() const { return root_; }
  std::string prefix() const { return root_ + "prefix/"; }
  // The data folder ("InstallPath").
  std::string install() const { return prefix() + "share/quillet/"; }
  // The user's theme folder ("TemplatePath").
  std::string themes() const { return root_ + "data/quillet/themes/"; }
  std::string runtime() const { return root_ + "run/"; }
  // The output folder of a Palm user's folder name ("DemoUser").
  std::string Output(const std::string& folder) const;
  std::string LogText() const;
  std::vector<std::string> LogLines() const;

  // Registry helpers (the registry is this machine's).
  static std::string Str(const std::string& key, const char* name);
  static uint32_t Num(const std::string& key, const char* name, uint32_t missing = 0xDEADBEEF);
  static void SetStr(const std::string& key, const char* name, const std::string& value);
  static void SetNum(const std::string& key, const char* name, uint32_t value);

  void WriteFile(const std::string& path, const std::string& text) const;
  // Runs a program of the build's bin folder; its exit code.
  static int Run(const std::string& commandLine);

 private:
  std::string root_;
};

// Collects the debug channel's lines while it lives.
class DebugLines {
 public:
  DebugLines();
  ~DebugLines();
  std::vector<std::string> lines() const;
};

// True when `wanted` appear in `lines` in this order (other lines between
// them allowed); on failure *missing names the first one not found.
bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted,
             std::string* missing);
size_t CountLines(const std::vector<std::string>& lines, const std::string& prefix);

// --- Stand-in parts ----------------------------------------------------------

struct PartLog {
  std::vector<std::string> calls;  // "kind:what"
};

class FakeWindow : public CChildWnd {
 public:
  FakeWindow(int kind, const char* name, PartLog* log) : CChildWnd(kind, name), log_(log) {}
  void ShowRecord(const TreeItemRef* item) override;
  bool DiscardPendingRecord() override;
  void Refresh() override;
  bool pending = false;

 protected:
  QWidget* CreateDialog(QWidget* host) override;

 private:
  PartLog* log_;
};

class FakeTree : public CTreeObject {
 public:
  explicit FakeTree(PartLog* log) : CTreeObject(1), log_(log) {}
  bool Create(QWidget* parent) override;
  void Fill() override {}
  void Show(bool show, bool) override { widget_->setVisible(show); }
  void Move(const QRect& r) override { widget_->setGeometry(r); }
  void Refresh() override { log_->calls.push_back("tree:refresh"); }
  std::optional<TreeItemRef> SelectedItem() const override { return selected; }
  bool SelectRecord(uint32_t id) override;
  void ForgetSelection() override { selected.reset(); }
  void ClearSelectionMarks() override {}
  void ExpandAll() override { log_->calls.push_back("tree:expand"); }
  void CollapseAll() override { log_->calls.push_back("tree:collapse"); }
  CategoryFilter Filter() const override { return filter; }
  void SetFilter(const CategoryFilter& f) override { filter = f; }
  QWidget* widget() const override { return widget_; }

  std::optional<TreeItemRef> selected;
  CategoryFilter filter;

 private:
  PartLog* log_;
  QTreeWidget* widget_ = nullptr;
};

class FakeList : public CListViewObject {
 public:
  FakeList(int kind, PartLog* log) : CListViewObject(kind), log_(log) {}
  bool Create(QWidget* parent) override;
  void Initialize() override {}
  void Show(bool show) override { widget_->setVisible(show); }
  void Move(const QRect& r) override { widget_->setGeometry(r); }
  void Refill() override {}
  void Clear() override { log_->calls.push_back("list:clear"); }
  uint32_t SelectedRecordId() const override { return selected; }
  QWidget* widget() const override { return widget_; }
  uint32_t selected = 0;

 private:
  PartLog* log_;
  QListWidget* widget_ = nullptr;
};

class FakeCombo : public CCombo {
 public:
  explicit FakeCombo(int kind) : CCombo(kind) {}
  bool Create(QWidget* parent) override;
  void Fill() override {}
  void Show(bool show, int position) override;
  void Move(const QRect& r) override { widget_->setGeometry(r); }
  int64_t SelectedCategory() const override { return category; }
  int SelectedPosition() const override { return position; }
  int Height() const override { return 24; }
  QWidget* widget() const override { return widget_; }
  int64_t category = -1;
  int position = -1;
  int shownAt = -2;

 private:
  QLabel* widget_ = nullptr;
};

// Every piece as a stand-in, its calls going to `log`. Pointers to the
// objects made are kept in the given slots.
struct FakeParts {
  PartLog log;
  FakeWindow* topic = nullptr;
  FakeWindow* note = nullptr;
  FakeWindow* find = nullptr;
  FakeTree* tree = nullptr;
  FakeList* images = nullptr;
  FakeCombo* topicCombo = nullptr;
  ShellParts parts;
  FakeParts();
};

// Records added straight to the open store (pDB), as a HotSync would
// bring them. A topic comes with its links record; `named` gives it the
// report file name "page<id>.htm". A member (note, picture ...) gets a new
// id and joins `topic` (0: no topic).
uint32_t AddTopic(const std::string& title, uint32_t category = 0, uint32_t isPrivate = 0,
                  bool named = false);
uint32_t AddMember(uint32_t topic, std::unique_ptr<CRecord> record);
uint32_t AddNote(uint32_t topic, const std::string& text);
uint32_t PutCategory(const std::string& name);

// Installs a recording user interface and desktop for a scope.
struct Recorders {
  RecordingUI ui;
  RecordingDesktop desktop;
  IUserInterface* previousUi;
  IDesktop* previousDesktop;
  Recorders();
  ~Recorders();
};

}  // namespace quillet::test
