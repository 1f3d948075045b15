// CWndMgr: what the parts tell the manager: a category chosen in a combo, a
// theme chosen in the theme box, clicks in the image and find lists, and
// the context menus of the tree and the image list.
#include "app/WndMgr.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QMainWindow>
#include <QMenu>

#include "app/MenuBar.h"
#include "app/PageActions.h"
#include "app/Rebar.h"
#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/Commands.h"
#include "reports/RegistryReportSettings.h"
#include "store/find/FoundPlaces.h"

namespace quillet {
namespace {

CategoryFilter FilterOf(const CCombo& combo) {
  CategoryFilter f;
  f.position = combo.SelectedPosition();
  const int64_t category = combo.SelectedCategory();
  if (category < 0) f.mode = 0;
  else if (category == 0) f.mode = 2;
  else {
    f.mode = 1;
    f.categoryId = static_cast<uint32_t>(category);
  }
  return f;
}

}  // namespace

void CWndMgr::OnTopicComboChanged() { ApplyComboFilter(topicCombo(), CMD_TOPIC_CENTER); }

void CWndMgr::OnImageComboChanged() { ApplyComboFilter(imageCombo(), CMD_IMAGE_CENTER); }

// Both combos filter the tree and the picture list alike; each then brings
// its own mode's window forward.
void CWndMgr::ApplyComboFilter(CCombo* combo, uint32_t centerCommand) {
  if (!combo) return;
  const CategoryFilter f = FilterOf(*combo);
  if (CTreeObject* tree = topicTree()) {
    tree->SetFilter(f);
    tree->Refresh();
  }
  if (CListViewObject* list = imageList()) {
    list->SetFilter(f);
    list->Refill();
  }
  OnCommand(centerCommand);
}

void CWndMgr::OnThemeChosen(int index) {
  const std::string file = rebar_->ThemeFileAt(index);
  if (file.empty() || !ThemeStillThere(*this, file)) return;
  report_settings_->StoreLastTemplate(file);
  AppPaths.currentTheme = FitAppPath(file);
  OnCommand(CMD_VIEW_TOPIC);
}

void CWndMgr::OnThemeInUseGone(const QString& name) {
  // The box already shows another theme (or none): the pages follow it, and
  // the person is told, rather than the box and the page disagreeing.
  QComboBox* box = rebar_->themeBox();
  const std::string file = box ? rebar_->ThemeFileAt(box->currentIndex()) : std::string();
  LogPair("Theme in use removed from the theme folder:", name.toStdString().c_str());
  MessageRequest request;
  request.caption = kCaption;
  request.flags = kMbOk | kMbIconInformation;
  if (file.empty()) {
    request.text = tr("The theme \"%1\" was removed from the theme folder, and no theme is left there.\n\n"
                      "To get the original themes back, click Themes | Reset All in the main menu.")
                       .arg(name)
                       .toStdString();
    UI().ShowMessage(request);
    return;
  }
  report_settings_->StoreLastTemplate(file);
  AppPaths.currentTheme = FitAppPath(file);
  request.text = tr("The theme \"%1\" was removed from the theme folder. Topic pages now use \"%2\".")
                     .arg(name, box->currentText())
                     .toStdString();
  // A topic's page on screen is made again with it.
  if (namedMode() == Mode::VIEWTOPIC) OnCommand(CMD_VIEW_TOPIC);
  UI().ShowMessage(request);
}

void CWndMgr::OnImageListClick() {
  if (mode_ != 11) return;
  CListViewObject* list = imageList();
  OnCommand(list && list->SelectedRecordId() ? CMD_PREVIEW_IMAGE : CMD_IMAGE_CENTER);
}

void CWndMgr::OnImageListDoubleClick(uint32_t recordId) {
  const CImageRecord* image = RecordAs<CImageRecord>(FindRecord(recordId));
  if (!image) return;
  if (CTreeObject* tree = topicTree()) {
    if (tree->Filter().mode != 0) {
      tree->SetFilter(CategoryFilter{});
      tree->Refresh();
    }
    tree->SelectRecord(recordId);
  }
  mode_ = 1;
  OnCommand(image->format == kImageFormatSketch ? CMD_SKETCH : CMD_VIEW_IMAGE);
}

void CWndMgr::OnFindListClick(uint32_t recordId) {
  if (mode_ != 14 || !pDB) return;
  const CRecord* record = FindRecord(recordId);
  // Only what the windows can show; a line whose record went away or was
  // hidden since the search opens nothing.
  const FoundPlace place = record ? CFoundPlaces(*pDB).PlaceOf(recordId) : FoundPlace::kNowhere;
  if (place == FoundPlace::kNowhere || place == FoundPlace::kHidden) {
    if (CListViewObject* list = findList()) list->Refill();
    return;
  }
  if (CListViewObject* list = findList()) list->Show(false);
  CTreeObject* tree = topicTree();
  if (tree && place == FoundPlace::kInTree) {
    if (tree->Filter().mode != 0) {
      tree->SetFilter(CategoryFilter{});
      tree->Refresh();
    }
    tree->SelectRecord(recordId);
  } else if (tree) {
    // A member of no topic: its window opens it; no other item may be
    // opened in its place.
    tree->ForgetSelection();
  }
  uint32_t command = 0;
  RecordWindow target = RecordWindow::kNone;
  switch (record->kind) {
    case kKindTopic: command = CMD_EDIT_TOPIC; target = RecordWindow::kTopic; break;
    case kKindNote: command = CMD_NOTE; target = RecordWindow::kNote; break;
    case kKindImage: {
      const bool sketch = RecordAs<CImageRecord>(record)->format == kImageFormatSketch;
      command = sketch ? CMD_SKETCH : CMD_VIEW_IMAGE;
      target = sketch ? RecordWindow::kSketch : RecordWindow::kImage;
      break;
    }
    case kKindCustom: command = CMD_CUSTOM; target = RecordWindow::kCustom; break;
    default: break;
  }
  if (command != 0) {
    OnCommand(command);
    if (place == FoundPlace::kOutsideTree && ModeForCommand(command) == named_mode_)
      if (CChildWnd* w = window(target)) {
        const TreeItemRef item{recordId, record->kind, nullptr};
        w->ShowRecord(&item);
      }
  }
  if (CChildWnd* find = window(RecordWindow::kFind)) find->Refresh();
}

void CWndMgr::ShowContextMenu(QWidget* source, const QPoint& globalPos) {
  std::unique_ptr<QMenu> menu;
  CTreeObject* tree = topicTree();
  CListViewObject* images = imageList();
  if (tree && source == tree->widget()) {
    const std::optional<TreeItemRef> item = tree->SelectedItem();
    if (!item) return;
    if (item->recordKind == kKindTopic) {
      const bool printable = mode_ == 0 || mode_ == 1 || mode_ == 2 || mode_ == 4;
      const bool mail = MailAvailable();
      menu.reset(menus_->BuildMenu(
          323,
          [&](uint32_t c) {
            if (c == CMD_PRINT || c == CMD_PRINT_PREVIEW) return printable;
            if (c == CMD_SEND) return printable && mail;
            return CommandAvailable(c);
          },
          main_window_));
    } else {
      menu.reset(menus_->BuildMenu(320, nullptr, main_window_));
    }
  } else if (images && source == images->widget() && images->SelectedRecordId() != 0) {
    menu.reset(menus_->BuildMenu(556, nullptr, main_window_));
  }
  if (menu) menu->exec(globalPos);
}

bool CWndMgr::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ContextMenu) {
    ShowContextMenu(qobject_cast<QWidget*>(watched),
                    static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace quillet
