// CWndMgr: entering a mode. Each mode is a row of the mode table
// (desktop/shell/Modes.h): which views are shown, what the record window loads,
// what the browser pane shows and which menu state holds.
#include "app/WndMgr.h"

#include <QWidget>

#include "app/MenuBar.h"
#include "app/PageActions.h"
#include "app/Rebar.h"
#include "app/WebWnd.h"
#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "desktop/shell/Pages.h"
#include "desktop/users/UserSwitch.h"
#include "imaging/Sketch.h"
#include "platform/files/SafeFiles.h"
#include "reports/ImagingWriter.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportPaths.h"
#include "reports/StoreReportSource.h"

namespace quillet {

bool CWndMgr::ModeTargetsExist(const ModeRow& row) const {
  if (row.window != RecordWindow::kNone && !window(row.window)) return false;
  if (row.list == ListShown::kImageList && !imageList()) return false;
  if (row.list == ListShown::kFindList && !findList()) return false;
  return true;
}


bool CWndMgr::EnterMode(Mode mode, uint32_t /*param*/) {
  if (bEditPending == 1) {
    ShowStringMessage(IDS_EDIT_PENDING, kCaption, kMbOk | kMbIconInformation);
    return false;
  }
  const ModeRow& row = RowOf(mode);
  if (!ModeTargetsExist(row)) {
    LogPair("Mode refused, its window does not exist yet:", row.name);
    return false;
  }
  LogLine((std::string("Entering ") + row.name + " Mode").c_str());
  mode_ = row.number;
  named_mode_ = mode;
  DiscardPendingRecords();
  ShowModeViews(row);
  web_->setVisible(row.browser != BrowserShows::kHidden);
  rebar_->ShowThemeBox(row.themeBoxShown);
  LoadModePage(row);
  ApplyMenuState(row);
  return true;
}

void CWndMgr::ShowModeViews(const ModeRow& row) {
  // The tree that stays shown is not hidden meanwhile: it keeps the
  // keyboard focus a click or a key there gave it.
  for (int i = 1; i <= Trees().Count(); ++i)
    if (CTreeObject* t = Trees().At(i); t && !(row.treeShown && t == topicTree())) t->Show(false);
  for (int i = 1; i <= ListViews().Count(); ++i)
    if (CListViewObject* l = ListViews().At(i)) l->Show(false);
  for (int i = 1; i <= Combos().Count(); ++i)
    if (CCombo* c = Combos().At(i)) c->Show(false);
  for (int i = 1; i <= ChildWindows().Count(); ++i)
    if (CChildWnd* w = ChildWindows().At(i)) w->Show(false);

  LogLine("Show/Hide Treeview Windows");
  CTreeObject* tree = topicTree();
  if (tree && row.treeShown) {
    tree->Show(true, true);
    if (row.treeMarksCleared) tree->ClearSelectionMarks();
    if (row.treeSelectsCurrent) tree->SelectCurrent();
  }

  LogLine("Show/Hide Listview Windows");
  if (row.list == ListShown::kImageList) imageList()->Show(true);
  if (row.list == ListShown::kFindList) findList()->Show(true);

  LogLine("Show/Hide Combobox Windows");
  switch (row.combo) {
    case ComboShown::kTopicTreeFilter:
      if (CCombo* c = topicCombo()) c->Show(true, tree ? tree->Filter().position : 0);
      break;
    case ComboShown::kTopicFirst:
      if (CCombo* c = topicCombo()) c->Show(true, 0);
      break;
    case ComboShown::kImageListFilter:
      if (CCombo* c = imageCombo()) c->Show(true, imageList() ? imageList()->Filter().position : 0);
      break;
    case ComboShown::kNone: break;
  }

  LogLine("Show/Hide Child Windows");
  if (CChildWnd* w = window(row.window)) {
    w->Show(true);
    if (row.load == WindowLoad::kNewRecord) {
      w->ShowRecord(nullptr);
    } else if (row.load == WindowLoad::kSelectedRecord && tree) {
      if (std::optional<TreeItemRef> item = tree->SelectedItem()) w->ShowRecord(&*item);
    }
    if (QWidget* focus = w->FocusTarget()) focus->setFocus();
  }
  LogLine("Show/Hide Menu Buttons");
}

void CWndMgr::LoadModePage(const ModeRow& row) {
  const std::string& install = AppPaths.installFolder;
  switch (row.browser) {
    case BrowserShows::kStartPage: web_->ShowStartPage(); break;
    case BrowserShows::kTopicCenter: web_->Navigate(OwnPagePath(install, kTopicCenterPage), true); break;
    case BrowserShows::kImageCenter: web_->Navigate(OwnPagePath(install, kImageCenterPage), true); break;
    case BrowserShows::kTopicReport: ShowTopicReport(); break;
    case BrowserShows::kSelectedImageFile: ShowPreviewImage(); break;
    case BrowserShows::kHidden: break;
  }
}

void CWndMgr::ApplyMenuState(const ModeRow& row) {
  const MenuStateRow& s = RowOf(row.menu);
  rebar_->EnableBack(s.back);
  rebar_->EnableForward(s.forward);
  rebar_->EnableSend(s.send, MailAvailable());
  rebar_->EnablePrintGroup(s.printGroup);
  rebar_->EnableDeleteAll(s.deleteAll);
  rebar_->EnableExpandAll(s.expandCollapse);
  rebar_->EnableCollapseAll(s.expandCollapse);
  rebar_->SetNewDropDown(s.newItems || row.newDropDownOn);
  if (row.mode == Mode::START) {
    rebar_->EnableAll();
    menus_->SetEnabled(CMD_OPEN_ARCHIVE, true);
    menus_->SetEnabled(CMD_CLOSE_ARCHIVE, false);
    rebar_->ResetToolbarChecks();
  } else {
    rebar_->PressButton(row.pressedButton);
  }
}

uint32_t CWndMgr::TopicOfSelection() const {
  CTreeObject* tree = topicTree();
  if (!tree) return 0;
  const TreeItemRef item = tree->SelectedItem().value_or(TreeItemRef{});
  return TopicToShow(item.recordId, item.recordKind, tree->CurrentTopicId());
}

void CWndMgr::ShowTopicReport() {
  // The topic of whatever the tree has selected (a member just added,
  // updated or moved shows its topic), built afresh: never the page that
  // was there before.
  const uint32_t topic = TopicOfSelection();
  if (topic == 0) {
    web_->Navigate(OwnPagePath(AppPaths.installFolder, kTopicCenterPage), true);
    return;
  }
  report_source_->SetStore(pDB);
  report_builder_->make_report(AppPaths.currentTheme, topic);
  const std::string path = report_builder_->ReportPath(topic);
  if (!path.empty()) web_->Navigate(path, true);
}

void CWndMgr::ShowPreviewImage() {
  CListViewObject* list = imageList();
  const uint32_t id = list ? list->SelectedRecordId() : 0;
  const CImageRecord* image = RecordAs<CImageRecord>(FindRecord(id));
  const std::string output = UserString("OutputPath");
  // A record's file name is used only when it names a file in the output
  // folder; anything else shows the missing page (a folder is no page).
  if (!image || !IsPlainFileName(image->fileName)) {
    web_->Navigate(output, true);
    return;
  }
  const std::string path = output + OutputFileName(image->fileName);
  if (image->format == kImageFormatSketch) {
    WriteSketchFile(image->data.data(), image->data.size(), path);
  } else if (image->format == kImageFormatJpeg && !IsOwnRegularFile(path)) {
    report_images_->WriteJpeg(path, image->width, image->height, image->data.data(),
                              image->data.size());
  }
  web_->Navigate(path, true);
}

}  // namespace quillet
