// What the record windows and the topic tree need from the main window, as
// an interface without Qt: commands, report rebuilds, list refreshes, the
// main category list, and the topic tree's operations.
//
// The main window installs its own host; the windows' logic and its tests
// only ever talk to the current one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

class CRecord;
class CTopicRecord;

// The topic tree's operations that windows call after they changed records.
class ITopicTreeOps {
 public:
  virtual ~ITopicTreeOps() = default;
  // Appends the record to the current topic's members and shows it there
  // (the caller saves).
  virtual void InsertMember(CRecord& record) = 0;
  // Renews the text of the record's item in place.
  virtual void UpdateMember(const CRecord& record) = 0;
  // A new topic as a root item, in sorted place; it becomes current.
  virtual void InsertTopic(const CTopicRecord& topic) = 0;
  virtual void UpdateTopic(const CTopicRecord& topic) = 0;
  // Takes away the item of a record (a record that became private while
  // private records are hidden).
  virtual void RemoveItem(uint32_t recordId) = 0;
  // Fills the tree again and selects the record's item (none for 0).
  virtual void RefreshAndSelect(uint32_t recordId, bool expand) = 0;
  // The topic new members go to: the selected item's topic, or the topic
  // made current last; 0 for none.
  virtual uint32_t CurrentTopic() const = 0;

  // A topic copy as it is made: its item appended after every root item
  // (sorted in at the next fill), its members appended under it, and the
  // finished copy selected with its topic expanded (string 241 when the
  // tree cannot show it).
  virtual void AppendTopicItem(const CTopicRecord& /*topic*/) {}
  virtual void AppendMemberItem(uint32_t /*topicId*/, const CRecord& /*member*/) {}
  virtual void SelectCopy(uint32_t /*topicId*/) {}
};

class IWindowHost {
 public:
  virtual ~IWindowHost() = default;
  // A command to the main window (mode changes and the like).
  virtual void SendCommand(uint32_t command) = 0;
  // The topic's report page, built again with the current theme.
  virtual void RebuildReport(uint32_t topicId) = 0;
  // The image list and what else lists pictures.
  virtual void RefreshImageLists() = 0;
  // The main window's two category lists and the topic window's.
  virtual void RefillCategoryLists() = 0;
  // The category chosen in the main category list: -1 all, 0 Unfiled,
  // else a category's record id.
  virtual int64_t MainCategory() const = 0;
  // The topic tree, or null while there is none.
  virtual ITopicTreeOps* Tree() = 0;
};

// The current host; never null (without one, a host that does nothing).
IWindowHost& WindowHost();
// Installs `host` (not owned); null restores the quiet host. Returns the
// previous one (null for the quiet host).
IWindowHost* SetWindowHost(IWindowHost* host);

class ScopedWindowHost {
 public:
  explicit ScopedWindowHost(IWindowHost* host) : previous_(SetWindowHost(host)) {}
  ~ScopedWindowHost() { SetWindowHost(previous_); }
  ScopedWindowHost(const ScopedWindowHost&) = delete;
  ScopedWindowHost& operator=(const ScopedWindowHost&) = delete;

 private:
  IWindowHost* previous_;
};

// Saves the current store; on failure tells the person why (TellSaveFailed:
// string 231 when the user's folder is gone, else 253 with the cause).
// False without a store or on failure.
bool SaveStoreOrTell();

// The current user's "OutputPath" (read from the user's key, as every
// window does before touching files), ending in '/'; "" when none is set.
std::string CurrentOutputFolder();

// Removes `fileName` from `folder` when it is a plain name directly inside
// it. Names from the store are never joined to a path otherwise: a damaged
// or crafted record must not make us remove a file elsewhere. True when a
// file was removed.
bool RemoveOutputFile(const std::string& folder, const std::string& fileName);

}  // namespace quillet
