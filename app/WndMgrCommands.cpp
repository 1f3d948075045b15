// CWndMgr: the command dispatcher. A command that names a mode enters it
// (WndMgrModes.cpp); the others are carried out here or by the part that
// owns them.
#include "app/WndMgr.h"

#include <QMainWindow>

#include "app/PageActions.h"
#include "app/Rebar.h"
#include "app/RestoreBackupDlg.h"
#include "app/StoreWatcher.h"
#include "app/WebWnd.h"
#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/DeleteAll.h"
#include "desktop/shell/Desktop.h"
#include "desktop/shell/Pages.h"
#include "desktop/shell/UnsavedEdits.h"
#include "desktop/users/UserSwitch.h"
#include "platform/codepage/CodePage.h"
#include "reports/ReportBuilder.h"

namespace quillet {
namespace {

// The reference kinds of the New drop-down, in the order of their numbers.
int ReferenceKindOf(uint32_t command) {
  switch (command) {
    case CMD_NEW_BOOK: return 1;
    case CMD_NEW_JOURNAL: return 2;
    case CMD_NEW_MAGAZINE: return 3;
    case CMD_NEW_NEWSPAPER: return 4;
    case CMD_NEW_REPORT: return 5;
    case CMD_NEW_INTERNET: return 6;
    default: return 0;
  }
}

}  // namespace

bool CWndMgr::CommandAvailable(uint32_t command) const {
  if (auto mode = ModeForCommand(command)) return ModeTargetsExist(RowOf(*mode));
  if (ReferenceKindOf(command) != 0) return window(RecordWindow::kCustom) != nullptr;
  return true;
}

void CWndMgr::Refuse(const char* what) { LogPair("Command refused, not available yet:", what); }

void CWndMgr::OnCommand(uint32_t command, uint32_t param) {
  if (!ready_) {
    if (command == CMD_EXIT) main_window_->close();
    return;
  }
  if (std::optional<Mode> mode = ModeForCommand(command)) {
    EnterMode(*mode, param);
    return;
  }
  CTreeObject* tree = topicTree();
  // The selected tree item, if any (recordId 0: none).
  const TreeItemRef selected =
      tree ? tree->SelectedItem().value_or(TreeItemRef{}) : TreeItemRef{};
  const bool hasSelected = selected.recordId != 0;
  switch (command) {
    case CMD_PRINT: web_->Print(ShownPageTitle(*this)); break;
    case CMD_PRINT_PREVIEW: web_->PrintPreview(ShownPageTitle(*this)); break;
    case CMD_PAGE_SETUP: web_->PageSetup(); break;
    case CMD_SEND:
      // Without a mail logon the e-mail object itself does nothing.
      if (!email_) Refuse("Send");
      else if (hasSelected) email_->Send(selected.recordId, 2);
      break;
    case CMD_IMPORT_REFERENCES:
    case CMD_EXPORT_REFERENCES:
      if (references_) references_(command);
      else Refuse("References");
      break;
    case CMD_EXIT: main_window_->close(); break;
    case CMD_COPY: web_->CopyAll(); break;
    case CMD_EXPAND_ALL:
    case CMD_COLLAPSE_ALL:
      if (!tree) {
        Refuse("Expand/Collapse All");
        break;
      }
      if (command == CMD_EXPAND_ALL) tree->ExpandAll();
      else tree->CollapseAll();
      tree->widget()->update();
      break;
    case CMD_DELETE_ALL: DeleteAll(); break;
    case CMD_RESTORE_BACKUP: RestoreFromBackupCommand(*this, main_window_); break;
    case CMD_PROPERTIES:
    case CMD_CHANGE_DEFAULT:
      if (preferences_) preferences_(main_window_, command == CMD_PROPERTIES ? 0 : 1);
      else Refuse("Preferences");
      break;
    case CMD_EDIT_DEFAULT_EDITOR: EditThemeOrTell(ThemeFilePath(), false); break;
    case CMD_EDIT_NOTEPAD: EditThemeOrTell(ThemeFilePath(), true); break;
    case CMD_RESET_ALL:
      if (ShowStringMessage(IDS_RESTORE_THEMES, kCaption, kMbYesNo | kMbIconExclamation | kMbDefButton2) == kIdYes) {
        report_builder_->RestoreThemes();
        rebar_->FillThemeBox();
        OnCommand(CMD_START);
      }
      break;
    case CMD_OPEN_FOLDER: OpenPathOrTell(UserString("TemplatePath")); break;
    case CMD_BACK:
    case CMD_FORWARD:
      if (command == CMD_BACK) web_->GoBack();
      else web_->GoForward();
      SelectTopicOfShownPage(*this);
      break;
    case CMD_REFRESH: {
      // Another program's changes first; then the windows from the store.
      const CStoreWatcher::Outcome o = store_watcher_ ? store_watcher_->Check() : CStoreWatcher::Outcome::kNothing;
      if (o == CStoreWatcher::Outcome::kNothing || o == CStoreWatcher::Outcome::kFailed) RefreshAfterStoreChange();
      break;
    }
    case CMD_EXPORT_PDF: ExportShownPageAsPdf(*this); break;
    case CMD_PRIVATE: {
      const Place place = SavePlace();
      if (TogglePrivateRecords()) ReturnToPlace(place);
      break;
    }
    case CMD_HELP_CONTENTS:
      mode_ = 0;
      OnCommand(CMD_START);
      web_->Navigate(OwnPagePath(AppPaths.installFolder, kHelpPage), true);
      break;
    case CMD_FEEDBACK:
      mode_ = 0;
      web_->Navigate(ToUtf8(LoadString(IDS_CONTACT_URL)), false);
      break;
    case CMD_SUPPORT:
      mode_ = 0;
      web_->Navigate(ToUtf8(LoadString(IDS_SUPPORT_URL)), false);
      break;
    case CMD_NEW_BOOK:
    case CMD_NEW_JOURNAL:
    case CMD_NEW_MAGAZINE:
    case CMD_NEW_NEWSPAPER:
    case CMD_NEW_REPORT:
    case CMD_NEW_INTERNET:
      if (CChildWnd* custom = window(RecordWindow::kCustom)) custom->SetNewRecordKind(ReferenceKindOf(command));
      OnCommand(CMD_NEW_CUSTOM, command);
      break;
    case CMD_DUPLICATE:
      if (!duplicate_topic_) Refuse("Duplicate");
      else if (hasSelected && selected.recordKind == kKindTopic) duplicate_topic_(selected.recordId);
      break;
    case CMD_DELETE:
      if (tree) tree->DeleteSelectedItem();
      else Refuse("Delete");
      break;
    case CMD_SAVE_AS:
      if (hasSelected)
        if (const uint32_t topic = TopicToShow(selected.recordId, selected.recordKind, 0))
          SaveTopicReportAs(*this, topic);
      break;
    case CMD_OPEN_ARCHIVE: OpenArchiveCommand(); break;
    case CMD_CLOSE_ARCHIVE: CloseArchiveCommand(); break;
    case CMD_IMAGE_EDIT:
    case CMD_IMAGE_VIEW: {
      CChildWnd* image = window(RecordWindow::kImage);
      if (!image || !image->OnCommand(command)) Refuse("Image window command");
      break;
    }
    default: LogValue("Unknown command:", static_cast<int>(command)); break;
  }
}

std::string CWndMgr::ThemeFilePath() const {
  return UserString("TemplatePath") + AppPaths.currentTheme;
}

void CWndMgr::DeleteAll() {
  const std::string output = UserString("OutputPath");
  // The answer counts only for the store and user it was asked about.
  const StoreContext asked = CurrentStoreContext(pDB, AppPaths.userFolder);
  const int answer =
      ShowStringMessage(IDS_DELETE_ALL, kCaption, kMbYesNo | kMbIconExclamation | kMbDefButton2);
  if (answer != kIdYes) return;
  if (!pDB || CurrentStoreContext(pDB, AppPaths.userFolder) != asked) {
    LogLine("Delete All: the records asked about are no longer open; nothing deleted");
    return;
  }
  DeleteAllRecords(*pDB, output);
  if (CTreeObject* tree = topicTree()) tree->Refresh();
  if (CListViewObject* list = imageList()) list->Refill();
  if (const DbResult rc = pDB->Save(); rc != DB_OK) TellSaveFailed(pDB, rc);
  mode_ = 0;
  OnCommand(CMD_START);
}

}  // namespace quillet
