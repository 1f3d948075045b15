// The small modal dialogs of the record windows: "Delete Item..." and the
// private records' password dialog (543).
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>

#include <string>

#include "desktop/users/UserSwitch.h"

namespace quillet {

// "Delete Item...": string 119, and with `archiveBox` the check box of
// string 120, checked at start (its state changes nothing else).
class CDeleteItemDialog : public QDialog {
  Q_OBJECT
 public:
  CDeleteItemDialog(QWidget* owner, bool archiveBox);
  QCheckBox* archiveBox() const { return archive_; }

  // Installed as the tree's and the Categories page's question.
  static bool Ask(bool archiveBox);

 private:
  QCheckBox* archive_ = nullptr;
};

// Dialog 543 "Show Private Records": the current user's name (control
// 1224) and the password (control 1002). OK hands the password to `check`
// and ends the dialog only when it passes; a wrong one is told by `check`
// and the dialog stays open.
class CPasswordDialog : public QDialog {
  Q_OBJECT
 public:
  CPasswordDialog(QWidget* owner, const std::string& userName, PasswordCheck check);
  QLineEdit* passwordEdit() const { return password_; }

  // Installed as SetPasswordPrompt's dialog.
  static bool Ask(const std::string& userName, const PasswordCheck& check);

 private:
  void OnOk();

  QLineEdit* password_ = nullptr;
  PasswordCheck check_;
};

// Tells the person that a typed password holds `bad`, a character the code
// page (and so Palm Desktop's passwords) cannot hold.
void TellUnusablePasswordCharacter(const QString& bad);

// The window dialogs belong to: the active window, else the main window.
QWidget* DialogOwner();

}  // namespace quillet
