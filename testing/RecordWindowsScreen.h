// The record windows beside a real topic tree, as the record window tests
// set them up: a plain 900 x 520 window with the tree along its left edge,
// filled from a StoreFixture's store and serving as that fixture's host's
// tree, and the note, reference and topic windows made on demand to its
// right.
#pragma once

#include <QWidget>

#include <memory>

#include "testing/WindowsTestSupport.h"
#include "widgets/records/CustomWnd.h"
#include "widgets/records/NoteWnd.h"
#include "widgets/records/TopicTree.h"
#include "widgets/records/TopicWnd.h"

namespace quillet::testing {

class RecordWindowsScreen {
 public:
  // The tree shows what the fixture's store holds now.
  explicit RecordWindowsScreen(StoreFixture& fixture);
  // The record windows go first, then the tree, then the window.
  ~RecordWindowsScreen();
  RecordWindowsScreen(const RecordWindowsScreen&) = delete;
  RecordWindowsScreen& operator=(const RecordWindowsScreen&) = delete;

  // Shows the window and waits until it is exposed; with `active`, until
  // it is the active window (keys reach only that one). False when it did
  // not get there.
  bool Show(bool active);

  // A record window made afresh (replacing the one of its kind), placed
  // right of the tree and shown.
  CNoteWnd* MakeNoteWindow();
  CCustomWnd* MakeCustomWindow();
  CTopicWnd* MakeTopicWindow();
  // Deletes the record windows made so far; the tree stays.
  void CloseRecordWindows();

  QWidget* window() const { return window_.get(); }
  CTopicTree* tree() const { return tree_.get(); }

 private:
  void Place(CChildWnd* w);

  std::unique_ptr<QWidget> window_;
  std::unique_ptr<CTopicTree> tree_;
  std::unique_ptr<CTopicWnd> topic_wnd_;
  std::unique_ptr<CCustomWnd> custom_wnd_;
  std::unique_ptr<CNoteWnd> note_wnd_;
};

}  // namespace quillet::testing
