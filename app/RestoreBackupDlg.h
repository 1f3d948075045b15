// File > Restore From Backup...: the dialog that lists the copies of the
// current user's store and puts one back. Its logic is CRestoreBackupForm
// (store/backup); this is the Qt face of it.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>

#include <functional>

#include "desktop/backup/RestoreBackupForm.h"

namespace quillet {

class CWndMgr;

class CRestoreBackupDlg : public QDialog {
  Q_OBJECT
 public:
  // `form` (not owned) is loaded already.
  CRestoreBackupDlg(CRestoreBackupForm* form, QWidget* parent);

  CRestoreBackupForm& form() { return *form_; }
  QTreeWidget* list() const { return list_; }
  QPushButton* restoreButton() const { return restore_; }
  QLabel* statusLabel() const { return status_; }

  // What a click on a row and on Restore do.
  void SelectRow(int row);
  void ClickRestore();

 private:
  void Fill();
  void Sync();

  CRestoreBackupForm* form_;
  QPointer<QLabel> intro_;
  QPointer<QTreeWidget> list_;
  QPointer<QLabel> status_;
  QPointer<QPushButton> restore_;
  bool filling_ = false;
};

// The menu command: refused while a record window holds unsaved edits;
// otherwise runs the dialog over the current user's store and, after a
// restore, reopens the store and refreshes every window the way a HotSync
// does.
void RestoreFromBackupCommand(CWndMgr& manager, QWidget* owner);

// How the command runs its dialog (exec() when none is set); tests install
// one that chooses and answers. Returns the previous one.
using RestoreDialogRunner = std::function<int(CRestoreBackupDlg&)>;
RestoreDialogRunner SetRestoreDialogRunner(RestoreDialogRunner runner);

}  // namespace quillet
