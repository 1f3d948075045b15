// The Properties sheet (command 312 opens it at its first page, 572 at its
// second): "Author", "Default User", "Categories" and "Logging". Modal,
// OK and Cancel only. The Categories page acts at once; the other pages
// take effect when the sheet is closed with OK, each page only when it was
// shown.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "desktop/records/PropertyPages.h"

namespace quillet {

class CCategoryNameDelegate;

class CCategoriesPage : public QWidget {
  Q_OBJECT
 public:
  explicit CCategoriesPage(QWidget* parent);
  void Refill();
  // The "Add" button with the name field's text. A name holding a
  // character the code page cannot hold is refused (string 251) and stays
  // in the field.
  void AddTyped();
  // Deletes the selected row after the "Delete Item..." question.
  void DeleteSelected();
  // Opens the selected row's name for editing in place (as F2 does).
  void RenameSelected();
  QPushButton* renameButton() const { return rename_; }
  QPushButton* deleteButton() const { return delete_; }
  QLineEdit* nameEdit() const { return name_; }
  QTreeWidget* list() const { return list_; }
  // The row editor opened last, while it is open; null otherwise.
  QLineEdit* renameEditor() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnRenamed(QTreeWidgetItem* item);
  // A rename given by a row, applied once its editor has closed.
  void ApplyRename(int64_t id, const QString& typed);
  // A rename that was refused: the row is edited again with what was typed.
  void EditAgain(int64_t id, const QString& typed);
  // Rename and Delete are offered while a row is selected.
  void FollowSelection();

  QLineEdit* name_;
  QTreeWidget* list_;
  QPushButton* rename_;
  QPushButton* delete_;
  CCategoryNameDelegate* delegate_;
  bool filling_ = false;
};

class CPropertiesSheet : public QDialog {
  Q_OBJECT
 public:
  // How the Default User page switches users (the main window's own
  // switch, so that every window follows); null: SwitchUser.
  using SwitchFn = std::function<bool(const std::string& name)>;

  CPropertiesSheet(QWidget* owner, int startPage, SwitchFn switchUser = nullptr);

  // Opens the sheet modally at `startPage`; true when closed with OK.
  static bool Open(QWidget* owner, int startPage, SwitchFn switchUser = nullptr);

  QTabWidget* tabs() const { return tabs_; }
  CCategoriesPage* categoriesPage() const { return categories_; }
  QLineEdit* authorField(int i) const { return author_[static_cast<size_t>(i)]; }
  QComboBox* userList() const { return user_list_; }
  QLineEdit* userPath() const { return user_path_; }
  QCheckBox* logCheck() const { return log_check_; }
  QLineEdit* logFolder() const { return log_folder_; }

  // What OK does, page by page (also for tests). False, with nothing
  // applied, when an author field holds a character the code page cannot
  // hold: the person is told and the field has the focus.
  bool Apply();

 private:
  QWidget* MakeAuthorPage();
  QWidget* MakeUserPage();
  QWidget* MakeLoggingPage();
  void ShowPage(int page);

  QTabWidget* tabs_;
  std::array<QLineEdit*, 4> author_{};
  QComboBox* user_list_ = nullptr;
  QLineEdit* user_path_ = nullptr;
  CCategoriesPage* categories_ = nullptr;
  QCheckBox* log_check_ = nullptr;
  QLineEdit* log_folder_ = nullptr;
  std::array<bool, 4> shown_{};
  std::vector<std::string> user_names_;  // the Default User page's names, code-page bytes
  SwitchFn switch_user_;
};

}  // namespace quillet
