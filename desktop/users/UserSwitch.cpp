#include "desktop/users/UserSwitch.h"

#include <optional>

#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/PalmUserList.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "desktop/startup/Startup.h"
#include "platform/codepage/CodePage.h"
#include "store/PrivateRecords.h"

namespace quillet {
namespace {

IUserWindows* g_windows = nullptr;
CUserTable* g_table = nullptr;
// Function-local: the window layer installs its dialog from a static
// initializer, which may run before this file's own.
PasswordPrompt& Prompt() {
  static PasswordPrompt prompt;
  return prompt;
}

bool AskThroughForm(const std::string&, const PasswordCheck& check) {
  for (;;) {
    std::string typed;
    if (!UI().AskPassword(kPasswordDialog, &typed)) return false;
    if (check(typed)) return true;
  }
}

// The position of `name` in the user table: the Palm list's position when
// the table still lists that user there; the table is built at start-up,
// and a user added or removed in the Palm Desktop since would otherwise
// make us open another user's store.
int TableIndexFor(const CUserTable& table, int palmIndex, const std::string& name) {
  if (palmIndex >= 0 && static_cast<size_t>(palmIndex) < table.entries.size() &&
      table.entries[static_cast<size_t>(palmIndex)].name == name)
    return palmIndex;
  for (size_t i = 0; i < table.entries.size(); ++i)
    if (table.entries[i].name == name) return static_cast<int>(i);
  return -1;
}

void StorePrivate(uint32_t value) {
  CRegistryKey key;
  key.OpenProgramKey(AppPaths.userFolder);
  key.WriteValueDword("Private", value);
}

void ShowPrivateState() {
  if (g_windows != nullptr)
    g_windows->SetPrivateMenuText(UiString(bShowPrivate ? IDS_HIDE_PRIVATE : IDS_SHOW_PRIVATE));
}

// The current user's Palm Desktop id, looked up now by name in a list just
// built (and the user's folder, so that another user who took the name
// since never unlocks these records); 0 when Palm Desktop no longer knows
// the user.
uint32_t CurrentPalmUserId(const CPalmUserList& list) {
  if (g_table == nullptr) return 0;
  const std::string name = CurrentUserName();
  if (name.empty()) return 0;
  for (const auto& e : list.entries)
    if (e->name == name && e->folder == AppPaths.userFolder) return e->userId;
  return 0;
}

void TellUnknownUser(const std::string& name) {
  MessageRequest r;
  r.text = FillIn(translate("UserSwitch",
                            "Palm Desktop does not know the user \"%1\" any more, so the password "
                            "for the private records cannot be checked. They stay hidden."),
                  {ToUtf8(CpText(name))});  // Palm user names are code-page text
  r.caption = kCaptionBang;
  r.flags = kMbOk | kMbIconExclamation;
  UI().ShowMessage(r);
}

}  // namespace

void SetUserWindows(IUserWindows* windows) { g_windows = windows; }
void SetUserTable(CUserTable* table) { g_table = table; }
CUserTable* RegisteredUserTable() { return g_table; }
void SetPasswordPrompt(PasswordPrompt prompt) { Prompt() = std::move(prompt); }

std::string CurrentUserName() {
  if (g_table == nullptr || g_table->entries.empty()) return std::string();
  std::string folder;
  return g_table->entries[g_table->FindCurrentUser(&folder)].name;
}

bool SwitchUser(const std::string& name) {
  CPalmUserList list;
  list.Build();
  LogLine("Switch Users...");
  // Without the Palm Desktop's user list there is nobody to switch to
  // (IndexByName answers 0 for an empty list).
  if (list.entries.empty() || g_table == nullptr) return false;
  int palm_index = list.IndexByName(name);
  if (palm_index < 0) return false;
  int index = TableIndexFor(*g_table, palm_index, name);
  if (index < 0) return false;
  const std::string previous_folder = AppPaths.userFolder;
  const std::string previous_user = CurrentUserName();
  const bool was_shown = bShowPrivate != 0;
  std::string selected_name;
  std::optional<std::string> folder = g_table->SelectUser(index, &selected_name);
  if (!folder) return false;
  AppPaths.userFolder = FitAppPath(*folder);

  // The new user's own choice: private records another user unlocked stay
  // hidden until this user's password (or their earlier choice) says more.
  // The same user again (a HotSync of the user at work) keeps what this
  // session unlocked.
  if (!(was_shown && AppPaths.userFolder == previous_folder && selected_name == previous_user))
    LoadPrivateChoice();
  bEditPending = 0;

  if (g_windows != nullptr) {
    ShowPrivateState();
    g_windows->RefreshTopicWindowCategories();
    g_windows->ForgetTreeSelection();
    g_windows->ResetTrees();
    g_windows->EmptyListViews();
  }
  LogLine("Switch Users: Refresh Topic Window");
  if (g_windows != nullptr) g_windows->RefreshTopicWindow();
  LogLine("Switch Users: Refresh Image Window");
  if (g_windows != nullptr) g_windows->RefreshImageWindow();
  LogLine("Switch Users: Refresh Custom Window");
  if (g_windows != nullptr) g_windows->RefreshCustomWindow();
  LogLine("Switch Users: Refresh Find Window");
  if (g_windows != nullptr) {
    g_windows->RefreshFindWindow();
    g_windows->SendCommand(CMD_START);
  }
  return true;
}

void LoadPrivateChoice() {
  uint32_t shown = 0;
  {
    CRegistryKey key;
    key.OpenProgramKey(AppPaths.userFolder);
    key.ReadValueDword("Private", &shown);
  }
  if (shown != 0) {
    // Whoever starts the program next is not known to be the owner: only
    // the password shows a protected user's private records again.
    CPalmUserList list;
    list.Build();
    const uint32_t user_id = CurrentPalmUserId(list);
    if (user_id == 0 || !list.CheckPassword(user_id, "")) {
      LogLine("Private records hidden: the user has a password");
      shown = 0;
    }
  }
  bShowPrivate = shown != 0 ? 1 : 0;
}

bool SwitchUserById(uint32_t palmUserId) {
  CPalmUserList list;
  list.Build();
  std::string name = list.NameOf(palmUserId);
  if (name.empty()) return false;
  return SwitchUser(name);
}

void DiscardPendingRecords() {
  LogLine("Unused Record Clean Up");
  if (g_windows == nullptr) return;
  for (PendingWindow w : {PendingWindow::kTopic, PendingWindow::kNote, PendingWindow::kCustom,
                          PendingWindow::kImage})
    g_windows->DiscardPending(w);
}

bool TogglePrivateRecords() {
  if (bShowPrivate) {
    bShowPrivate = 0;
    StorePrivate(0);
  } else {
    CPalmUserList list;
    list.Build();
    const uint32_t user_id = CurrentPalmUserId(list);
    const std::string user = CurrentUserName();
    if (user_id == 0) {
      TellUnknownUser(user);
      return false;
    }
    if (!list.CheckPassword(user_id, "")) {
      // The answer counts only for the user it was asked about.
      const std::string folder = AppPaths.userFolder;
      PasswordCheck check = [&list, user_id](const std::string& typed) {
        if (list.CheckPassword(user_id, typed.substr(0, kPasswordLimit))) return true;
        ShowStringMessage(IDS_BAD_PASSWORD, kCaptionBang, kMbOk | kMbIconExclamation);
        return false;
      };
      bool accepted = Prompt() ? Prompt()(user, check) : AskThroughForm(user, check);
      if (!accepted) return false;
      if (AppPaths.userFolder != folder || CurrentUserName() != user) {
        LogLine("Private records: the user changed while the password was asked; nothing shown");
        return false;
      }
    }
    bShowPrivate = 1;
    StorePrivate(1);
  }
  if (g_windows != nullptr) {
    ShowPrivateState();
    g_windows->RebuildTree();
    g_windows->ClearCurrentList();
    g_windows->SendCommand(CMD_START);
  }
  return true;
}

}  // namespace quillet
