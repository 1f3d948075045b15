// The find window (dialog 234 in a plain "Find Window"): the search field,
// the three rule buttons, the four kind boxes, Find and Cancel. It is a
// thin layer over CFindForm, which it shares with the find result list.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <memory>

#include "desktop/find/FindForm.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {

class CFindWnd : public CChildWnd {
 public:
  explicit CFindWnd(std::shared_ptr<CFindForm> form);
  ~CFindWnd() override;

  // The find window has no record of its own to load.
  void ShowRecord(const TreeItemRef* /*item*/) override {}
  // After a user switch or a result was opened: the form starts afresh.
  void Refresh() override { ResetForm(); }
  QWidget* FocusTarget() override { return text_; }

  // The two buttons.
  void Find();
  void Cancel();
  // Empties the field, checks ANY and every kind, clears the results.
  void ResetForm();

  CFindForm& form() { return *form_; }
  QLineEdit* searchField() const { return text_; }
  QRadioButton* ruleButton(int rule) const;
  QCheckBox* kindBox(FindKind kind) const;
  QPushButton* findButton() const { return find_; }
  QPushButton* cancelButton() const { return cancel_; }
  // "12 Records Found" after a search; empty before one.
  QLabel* countLabel() const { return count_; }

 protected:
  QWidget* CreateDialog(QWidget* host) override;

 private:
  // Controls to the form and back. False (the person told) when the
  // search text holds a character the code page cannot hold.
  bool ReadControls();
  void SyncControls();
  void ShowCount();

  std::shared_ptr<CFindForm> form_;
  QPointer<QLineEdit> text_;
  QPointer<QRadioButton> rules_[3];  // indexed by rule number
  QPointer<QCheckBox> kinds_[4];     // indexed by FindKind
  QPointer<QPushButton> find_;
  QPointer<QPushButton> cancel_;
  QPointer<QLabel> count_;
};

}  // namespace quillet
