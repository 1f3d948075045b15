// The pieces the window manager is built from, as interfaces.
//
// The manager owns and lays out the record windows, the list views, the
// topic tree and the category combos, and calls on them only through the
// operations below. Each piece is written in its own file and handed to the
// manager as a factory in ShellParts; the manager creates what it is given
// in its fixed order, files each object in its process-wide table and
// leaves a mode whose piece is missing refused.
#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/shell/Modes.h"
#include "platform/codepage/CpText.h"
#include "store/StoreEvents.h"

namespace quillet {

class CUserTable;
class IShell;
class ReportBuilder;
struct PictureEdits;  // the image window's, defined with its editor
class IImageWriter;

// Kind codes set on creation: the number of the mode in which the object is
// the main view.
enum PartKind : int {
  kKindCodeTopic = 1,
  kKindCodeCustom = 5,
  kKindCodeNote = 8,
  kKindCodeSketch = 10,
  kKindCodeImage = 11,
  kKindCodeFind = 14,
};

// A tree item as the windows see it: the record it shows and the tree's
// own handle for it (opaque to everyone but the tree).
struct TreeItemRef {
  uint32_t recordId = 0;
  uint32_t recordKind = 0;  // store kind of the record (4 topic, 5 note, ...)
  const void* handle = nullptr;
};

// What a record window holds as typed, kept while the store is reopened
// underneath it (a HotSync) and put back afterwards.
struct TypedEdits {
  uint32_t recordId = 0;    // the record being edited; 0 for a new one
  uint32_t recordKind = 0;  // its store kind (4 topic, 5 note, 6 sketch, 7 reference)
  int windowKind = 0;       // the reference window's kind (1 book ... 6 internet)
  std::vector<QString> texts;  // as the dialog holds them, field by field
  bool isPrivate = false;
  int64_t category = 0;     // the topic window's chosen category (0 Unfiled)
  // The image window's picture as placed; null for the other windows.
  std::shared_ptr<const PictureEdits> picture;
};

// What every part of the main window has: the kind code it is filed under
// and the shell it serves (null until the window manager takes it).
class CShellPart {
 public:
  explicit CShellPart(int kindCode) : kind_code_(kindCode) {}
  int kindCode() const { return kind_code_; }
  void SetManager(IShell* manager) { manager_ = manager; }
  IShell* manager() const { return manager_; }

 private:
  const int kind_code_;
  IShell* manager_ = nullptr;
};

// The base of the record windows (topic, image, sketch, note, reference,
// find). A record window is a host child of the main window with a dialog
// inside it; the manager shows, hides and moves the host, and the dialog is
// fitted to the host.
class CChildWnd : public CShellPart {
 public:
  CChildWnd(int kindCode, const char* className);
  virtual ~CChildWnd();
  CChildWnd(const CChildWnd&) = delete;
  CChildWnd& operator=(const CChildWnd&) = delete;

  // Creates the host under `parent` (a framed child) and the dialog in it,
  // and remembers the dialog's height. False when the dialog could not be
  // made.
  virtual bool Create(QWidget* parent);
  // Shows or hides host and dialog.
  virtual void Show(bool show);
  // Moves the host and fits the dialog to it.
  virtual void Move(int x, int y, int width, int height);
  // Loads the record of `item`; null: a new record.
  virtual void ShowRecord(const TreeItemRef* item) = 0;
  // Does nothing unless a window has a use for it.
  virtual void Spare() {}

  // Deletes the new record the window created and that was never added
  // (logging its own line); true when there was one.
  virtual bool DiscardPendingRecord() { return false; }
  // A merge gave records added here fresh ids: the window's record follows
  // (the store's renumber hook, through the manager).
  virtual void FollowRenumbered(const std::vector<RecordIdChange>& /*changes*/) {}
  // Reloads what the window shows after the store was reopened.
  virtual void Refresh() {}

  // --- Typed edits (the windows the person types into) ---
  // True while the dialog holds something the store does not have.
  virtual bool HasUnsavedEdits() const { return false; }
  // The record as the person knows it, for "Save changes to ...?"
  // (UTF-8; "" for a new record with nothing to name it by).
  virtual std::string EditedRecordName() const { return {}; }
  // OK, as its button does: true when the edits are in the store now.
  virtual bool SaveEdits() { return false; }
  // OK without a word and without leaving the window, for the HotSync
  // notifier: true when there was nothing to save or it is saved; false
  // when the edits do not pass the window's checks (a text over its limit,
  // a character the code page cannot hold) or the store does not save.
  virtual bool SaveEditsQuietly() { return !HasUnsavedEdits(); }
  // The dialog shows what the store holds again; nothing is saved.
  virtual void DiscardEdits() {}
  virtual std::optional<TypedEdits> TakeEdits() const { return std::nullopt; }
  // Shows `edits` again over their record, loaded afresh, or, when that
  // record is gone or was new, over a new pending record; they count as
  // unsaved. False when the window cannot take them.
  virtual bool RestoreEdits(const TypedEdits& /*edits*/) { return false; }
  // Where the window wants the keyboard when its mode is entered (the find
  // window's search field); null: the dialog.
  virtual QWidget* FocusTarget() { return nullptr; }

  const char* className() const { return class_name_; }
  QWidget* host() const { return host_; }
  QWidget* dialog() const { return dialog_; }
  // Commands that context menus send to this window (the image list's
  // menu goes to the image window); false when the window does not take it.
  virtual bool OnCommand(uint32_t /*command*/) { return false; }
  // The kind of the next new record (the reference kinds 1 to 6).
  virtual void SetNewRecordKind(int /*kind*/) {}
  QWidget* parentWindow() const { return parent_; }
  int dialogHeight() const { return dialog_height_; }

 protected:
  // Builds the window's dialog as a child of `host`.
  virtual QWidget* CreateDialog(QWidget* host) = 0;

 private:
  const char* class_name_;
  QPointer<QWidget> parent_;
  QPointer<QWidget> host_;  // deleted with us, or before us with the main window
  QPointer<QWidget> dialog_;
  int dialog_height_ = 0;
};

// How a tree or list filters by category: 0 all, 1 one category, 2 Unfiled.
struct CategoryFilter {
  int mode = 0;
  int position = -1;  // the combo position the filter came from
  uint32_t categoryId = 0;
};

// The topic tree.
class CTreeObject : public CShellPart {
 public:
  explicit CTreeObject(int kindCode) : CShellPart(kindCode) {}
  virtual ~CTreeObject() = default;
  CTreeObject(const CTreeObject&) = delete;
  CTreeObject& operator=(const CTreeObject&) = delete;

  virtual bool Create(QWidget* parent) = 0;
  virtual void Fill() = 0;
  virtual void Show(bool show, bool enabled = true) = 0;
  virtual void Move(const QRect& rect) = 0;
  // Rebuilds the items from the store (after a change of filter or store).
  virtual void Refresh() = 0;
  virtual std::optional<TreeItemRef> SelectedItem() const = 0;
  // Selects the item of `recordId`; false when the tree does not show it.
  virtual bool SelectRecord(uint32_t recordId) = 0;
  // Whether the tree has an item for `recordId` (asks nothing, shows no
  // message).
  virtual bool ShowsRecord(uint32_t /*recordId*/) const { return false; }
  // Forgets the selected item and the open topics (after a user switch).
  virtual void ForgetSelection() = 0;
  // The topics the user has open, and opening them again after a refill
  // (those no longer shown are passed over).
  virtual std::vector<uint32_t> OpenTopics() const { return {}; }
  virtual void ReopenTopics(const std::vector<uint32_t>& /*topics*/) {}
  // A merge gave records added here fresh ids: their items, the selection
  // and the current topic follow, without reading the store.
  virtual void FollowRenumbered(const std::vector<RecordIdChange>& /*changes*/) {}
  virtual void ClearSelectionMarks() = 0;
  // NEWTOPIC: the item for the current selection is selected.
  virtual void SelectCurrent() {}
  // The topic new members join (the selected item's topic, or the one made
  // current last); 0 for none. Kept across a reload of the store.
  virtual uint32_t CurrentTopicId() const { return 0; }
  virtual void SetCurrentTopicId(uint32_t /*topicId*/) {}
  // Deletes the selected item's record (the Delete command and key).
  virtual void DeleteSelectedItem() {}
  virtual void ExpandAll() = 0;
  virtual void CollapseAll() = 0;
  virtual CategoryFilter Filter() const = 0;
  virtual void SetFilter(const CategoryFilter& filter) = 0;
  virtual QWidget* widget() const = 0;

};

// The image list and the find result list.
class CListViewObject : public CShellPart {
 public:
  explicit CListViewObject(int kindCode) : CShellPart(kindCode) {}
  virtual ~CListViewObject() = default;
  CListViewObject(const CListViewObject&) = delete;
  CListViewObject& operator=(const CListViewObject&) = delete;

  virtual bool Create(QWidget* parent) = 0;
  // Columns, extended style and first fill.
  virtual void Initialize() = 0;
  virtual void Show(bool show) = 0;
  virtual void Move(const QRect& rect) = 0;
  virtual void Refill() = 0;
  virtual void Clear() = 0;
  // The record of the selected item, 0 when none.
  virtual uint32_t SelectedRecordId() const = 0;
  // A merge gave records added here fresh ids: their rows follow.
  virtual void FollowRenumbered(const std::vector<RecordIdChange>& /*changes*/) {}
  virtual CategoryFilter Filter() const { return {}; }
  virtual void SetFilter(const CategoryFilter&) {}
  virtual QWidget* widget() const = 0;

};

// The category drop-downs above the tree (topic combo) and the image list
// (image combo).
class CCombo : public CShellPart {
 public:
  explicit CCombo(int kindCode) : CShellPart(kindCode) {}
  virtual ~CCombo() = default;
  CCombo(const CCombo&) = delete;
  CCombo& operator=(const CCombo&) = delete;

  virtual bool Create(QWidget* parent) = 0;
  virtual void Fill() = 0;
  // Shows with the entry at `position` selected, or hides.
  virtual void Show(bool show, int position = 0) = 0;
  virtual void Move(const QRect& rect) = 0;
  // The category of the selected entry: -1 none, 0 Unfiled, else its id.
  virtual int64_t SelectedCategory() const = 0;
  virtual int SelectedPosition() const = 0;
  // The combo's own height (the tree starts below it).
  virtual int Height() const = 0;
  virtual QWidget* widget() const = 0;

};

// Sends a topic's report by mail.
class CEmail {
 public:
  virtual ~CEmail() = default;
  // True when a mail program can be reached.
  virtual bool Available() const = 0;
  // Sends the record's report in the given format; false on failure (told
  // to the person by the sender).
  virtual bool Send(uint32_t recordId, int format) = 0;
};

// One of the manager's four process-wide tables: objects named by their
// 1-based position. Slots of deleted objects stay empty.
template <class T>
class ObjectTable {
 public:
  int Add(std::unique_ptr<T> object) {
    slots_.push_back(std::move(object));
    return static_cast<int>(slots_.size());
  }
  T* At(int index) const {
    return index >= 1 && index <= Count() ? slots_[index - 1].get() : nullptr;
  }
  int Count() const { return static_cast<int>(slots_.size()); }
  std::unique_ptr<T> Take(int index) {
    return index >= 1 && index <= Count() ? std::move(slots_[index - 1]) : nullptr;
  }
  void Clear() { slots_.clear(); }

 private:
  std::vector<std::unique_ptr<T>> slots_;
};

ObjectTable<CChildWnd>& ChildWindows();
ObjectTable<CListViewObject>& ListViews();
ObjectTable<CTreeObject>& Trees();
ObjectTable<CCombo>& Combos();

// What the parts may ask of the main window that serves them. The window
// manager (app/WndMgr.h) is the one implementation; the parts see only
// this, so they never include the app layer above them.
class IShell {
 public:
  virtual ~IShell() = default;
  // The dispatcher: menus, toolbar, record windows and lists send command
  // numbers here. `param` is the command's second parameter.
  virtual void OnCommand(uint32_t command, uint32_t param = 0) = 0;
  // The current mode number (0 START ... 14 FIND).
  virtual uint32_t mode() const = 0;
  virtual CTreeObject* topicTree() const = 0;
  virtual CListViewObject* imageList() const = 0;
  virtual CCombo* topicCombo() const = 0;
  virtual CChildWnd* window(RecordWindow which) const = 0;
  // The report builder over the current store; null before there is one.
  virtual ReportBuilder* reports() const = 0;
  // The Palm users, and switching to one of them (asks about unsaved
  // edits first; false when cancelled or the user's store does not open).
  virtual CUserTable& users() = 0;
  virtual bool SwitchUser(const std::string& name) = 0;
  // The parts' notifications.
  virtual void OnTopicComboChanged() = 0;
  virtual void OnImageComboChanged() = 0;
  virtual void OnImageListClick() = 0;
  virtual void OnImageListDoubleClick(uint32_t recordId) = 0;
  virtual void OnFindListClick(uint32_t recordId) = 0;
  // Context menu of the topic tree or the image list at a screen position.
  virtual void ShowContextMenu(QWidget* source, const QPoint& globalPos) = 0;
};

// The host through which the parts reach the shell (the record windows'
// host, widgets/records/Parts.h). The window manager attaches itself just
// before it makes its parts and detaches once they are deleted, so a part
// reaches it only while it is there.
class IManagerLink {
 public:
  virtual ~IManagerLink() = default;
  virtual void Attach(IShell* manager) = 0;
  // Forgets `manager` if it is the one attached; another stays.
  virtual void Detach(IShell* manager) = 0;
};

// Factories for the pieces. An empty factory means the piece does not
// exist yet: its modes are refused.
struct ShellParts {
  std::function<std::unique_ptr<CChildWnd>()> topicWindow, imageWindow, sketchWindow, noteWindow,
      customWindow, findWindow;
  std::function<std::unique_ptr<CCombo>()> topicCombo, imageCombo;
  std::function<std::unique_ptr<CTreeObject>()> topicTree;
  std::function<std::unique_ptr<CListViewObject>()> imageList, findList;
  std::function<std::unique_ptr<CEmail>()> email;
  // Duplicates a topic with all its members.
  std::function<void(uint32_t topicId)> duplicateTopic;
  // The preferences sheet opened at a page (0 Author ... 3 Logging).
  std::function<void(QWidget* owner, int page)> preferences;
  // File > Import References... and Export References... (the command).
  std::function<void(uint32_t command)> references;
  // What writes the pictures reports refer to; empty: the imaging core's
  // writer, which writes a picture whenever its file is missing.
  std::function<IImageWriter*()> reportImages;
  // Work the parts still do in the background (pictures to write); empty
  // or 0: none.
  std::function<size_t()> backgroundWork;
  // Told which manager the parts serve; null: no part asks.
  IManagerLink* host = nullptr;
};

// The parts the program registers (the record windows' libraries add
// theirs before the main window is created).
ShellParts& RegisteredShellParts();

}  // namespace quillet
