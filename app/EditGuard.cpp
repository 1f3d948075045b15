#include "app/EditGuard.h"

#include "app/WndMgr.h"
#include "base/DiagnosticLog.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/EditPending.h"
#include "desktop/shell/UnsavedEdits.h"
#include "store/RecordKinds.h"
#include "store/find/FoundPlaces.h"

namespace quillet {
namespace {

// The window as the question sees it.
class WindowEdits : public IUnsavedEdits {
 public:
  explicit WindowEdits(CChildWnd* w) : w_(w) {}
  std::string EditedRecordName() const override { return w_->EditedRecordName(); }
  bool SaveEdits() override { return w_->SaveEdits(); }
  void DiscardEdits() override { w_->DiscardEdits(); }

 private:
  CChildWnd* w_;
};

bool RecordStillThere(const TypedEdits& e) {
  if (e.recordId == 0) return false;
  const CRecord* r = FindRecord(e.recordId);
  return r != nullptr && r->IsLive() && r->kind == e.recordKind;
}

}  // namespace

CChildWnd* CEditGuard::EditingWindow() const {
  for (int i = 1; i <= ChildWindows().Count(); ++i)
    if (CChildWnd* w = ChildWindows().At(i); w && w->HasUnsavedEdits()) return w;
  return nullptr;
}

bool CEditGuard::SettleBeforeLeaving() {
  CChildWnd* w = EditingWindow();
  if (w == nullptr) return true;
  WindowEdits edits(w);
  return MayGoOn(SettleUnsavedEdits(&edits));
}

bool CEditGuard::SaveQuietly() {
  bool all = true;
  for (int i = 1; i <= ChildWindows().Count(); ++i) {
    CChildWnd* w = ChildWindows().At(i);
    if (w == nullptr || !w->HasUnsavedEdits()) continue;
    if (w->SaveEditsQuietly()) {
      LogPair("HotSync: edits saved from", w->className());
    } else {
      LogPair("HotSync: edits that do not pass their checks stay in", w->className());
      all = false;
    }
  }
  if (all) bEditPending = 0;
  return all;
}

std::optional<CEditGuard::Carried> CEditGuard::Take() const {
  CChildWnd* w = EditingWindow();
  if (w == nullptr) return std::nullopt;
  std::optional<TypedEdits> edits = w->TakeEdits();
  if (!edits) return std::nullopt;
  Carried c;
  c.window = w;
  c.edits = std::move(*edits);
  c.mode = manager_->namedMode();
  if (CTreeObject* tree = manager_->topicTree()) {
    if (std::optional<TreeItemRef> item = tree->SelectedItem()) c.selected = item->recordId;
    c.currentTopic = tree->CurrentTopicId();
  }
  return c;
}

bool CEditGuard::Restore(const Carried& c) {
  std::optional<Mode> mode = c.mode;
  if (!RecordStillThere(c.edits)) {
    // New, or taken away by the conduit: the text comes back as a new
    // record of its kind.
    mode = NewRecordModeFor(c.edits.recordKind);
  }
  if (!mode || manager_->window(RowOf(*mode).window) != c.window) {
    LogPair("HotSync: typed edits could not be shown again in", c.window->className());
    return false;
  }
  if (CTreeObject* tree = manager_->topicTree(); tree && pDB) {
    const CFoundPlaces places(*pDB);
    if (c.selected != 0 && places.PlaceOf(c.selected) == FoundPlace::kInTree) tree->SelectRecord(c.selected);
    if (c.currentTopic != 0 && FindTopic(c.currentTopic) != nullptr) tree->SetCurrentTopicId(c.currentTopic);
  }
  if (c.edits.windowKind != 0) c.window->SetNewRecordKind(c.edits.windowKind);
  bEditPending = 0;
  manager_->OnCommand(RowOf(*mode).command);
  if (manager_->namedMode() != *mode || !c.window->RestoreEdits(c.edits)) {
    LogPair("HotSync: typed edits could not be shown again in", c.window->className());
    return false;
  }
  bEditPending = 1;
  LogPair("HotSync: typed edits shown again in", c.window->className());
  return true;
}

}  // namespace quillet
