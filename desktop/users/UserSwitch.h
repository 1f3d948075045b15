// Switching the Palm user, discarding the records windows created but never
// added, and showing or hiding private records.
//
// These change what every window shows at once, so they act through
// IUserWindows, which the main window supplies; the Palm user table is the
// one the window manager owns. Everything runs on the user-interface thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/codepage/CpText.h"

namespace quillet {

class CUserTable;

// The record windows that may hold a pending new record, in the order they
// are cleaned up.
enum class PendingWindow : uint8_t { kTopic, kNote, kCustom, kImage };

class IUserWindows {
 public:
  virtual ~IUserWindows() = default;
  // After a user switch, in this order.
  virtual void RefreshTopicWindowCategories() = 0;
  virtual void ForgetTreeSelection() = 0;
  virtual void ResetTrees() = 0;
  virtual void EmptyListViews() = 0;
  virtual void RefreshTopicWindow() = 0;
  virtual void RefreshImageWindow() = 0;
  virtual void RefreshCustomWindow() = 0;
  virtual void RefreshFindWindow() = 0;
  // Deletes the window's pending record (logging the window's own line);
  // true when it held one. False also when the window does not exist.
  virtual bool DiscardPending(PendingWindow window) = 0;
  // The text of the View menu's item 541 (UTF-8, in the person's language).
  virtual void SetPrivateMenuText(const std::string& text) = 0;
  // After private records were shown or hidden.
  virtual void RebuildTree() = 0;
  virtual void ClearCurrentList() = 0;
  // A command to the main window.
  virtual void SendCommand(uint32_t command) = 0;
};

// Installs the windows and the user table (neither owned); null for none.
void SetUserWindows(IUserWindows* windows);
void SetUserTable(CUserTable* table);
CUserTable* RegisteredUserTable();

// Opens the store of the Palm user of that name (compared byte for byte)
// and refreshes every window. False, with the current store kept, for a
// name that names no user or a store that does not open.
bool SwitchUser(const std::string& name);
// The HotSync notifier's "user synchronised" (message 0x3400, first
// parameter 2): the user's name from the Palm user list, then SwitchUser.
bool SwitchUserById(uint32_t palmUserId);

// Sets bShowPrivate from the current user's "Private" choice, as the
// program starts and after a switch: a user with a password (or one Palm
// Desktop no longer knows) always begins with private records hidden; the
// stored choice itself is kept, and counts for users without a password.
void LoadPrivateChoice();

// Logs "Unused Record Clean Up" and has each window delete its pending
// record. Called at every change of mode and when the window manager goes.
void DiscardPendingRecords();

// Menu command 541: hides private records when they are shown; shows them
// when hidden, after dialog 543 when the current user has a password.
// True when the state changed.
bool TogglePrivateRecords();

// The current Palm user's name and id ("" and 0 when the table is empty).
std::string CurrentUserName();

// Dialog 543: asks for the password of `userName` and passes each try to
// `check` (which tells the person about a wrong one); ends when `check`
// accepts (true) or the person cancels (false). The window layer installs
// the real dialog; without one the person is asked through the
// user-interface form's password question.
using PasswordCheck = std::function<bool(const std::string& typed)>;
using PasswordPrompt = std::function<bool(const std::string& userName, const PasswordCheck& check)>;
void SetPasswordPrompt(PasswordPrompt prompt);

// The dialog's resource number.
inline constexpr int kPasswordDialog = 543;
// Passwords are read up to this many characters.
inline constexpr size_t kPasswordLimit = 259;

}  // namespace quillet
