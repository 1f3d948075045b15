#include "testing/RecordWindowsScreen.h"

#include <QTest>

namespace quillet::testing {

RecordWindowsScreen::RecordWindowsScreen(StoreFixture& fixture)
    : window_(std::make_unique<QWidget>()), tree_(std::make_unique<CTopicTree>()) {
  window_->resize(900, 520);
  tree_->Create(window_.get());
  tree_->Move(QRect(0, 0, 260, 520));
  tree_->Show(true);
  fixture.host.tree = tree_.get();
  tree_->Fill();
}

RecordWindowsScreen::~RecordWindowsScreen() {
  CloseRecordWindows();
  tree_.reset();
  window_.reset();
}

bool RecordWindowsScreen::Show(bool active) {
  window_->show();
  if (!active) return QTest::qWaitForWindowExposed(window_.get());
  window_->activateWindow();
  return QTest::qWaitForWindowActive(window_.get());
}

CNoteWnd* RecordWindowsScreen::MakeNoteWindow() {
  note_wnd_ = std::make_unique<CNoteWnd>();
  Place(note_wnd_.get());
  return note_wnd_.get();
}

CCustomWnd* RecordWindowsScreen::MakeCustomWindow() {
  custom_wnd_ = std::make_unique<CCustomWnd>();
  Place(custom_wnd_.get());
  return custom_wnd_.get();
}

CTopicWnd* RecordWindowsScreen::MakeTopicWindow() {
  topic_wnd_ = std::make_unique<CTopicWnd>();
  Place(topic_wnd_.get());
  return topic_wnd_.get();
}

void RecordWindowsScreen::CloseRecordWindows() {
  note_wnd_.reset();
  custom_wnd_.reset();
  topic_wnd_.reset();
}

void RecordWindowsScreen::Place(CChildWnd* w) {
  w->Create(window_.get());
  w->Move(262, 0, 638, 520);
  w->Show(true);
}

}  // namespace quillet::testing
