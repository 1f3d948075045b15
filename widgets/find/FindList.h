// The find result list: one column headed "Search Results...", one line per
// record found with its kind's picture, kept sorted by text. A click on a
// line hands its record to the window manager, which opens it. Lines whose
// record was deleted or hidden since the search are left out.
#pragma once

#include <QIcon>
#include <QPointer>
#include <QTreeWidget>

#include <memory>

#include "desktop/find/FindForm.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {

class CFindList : public CListViewObject {
 public:
  explicit CFindList(std::shared_ptr<CFindForm> form);
  // The results go with the list.
  ~CFindList() override;

  bool Create(QWidget* parent) override;
  void Initialize() override;
  void Show(bool show) override;
  void Move(const QRect& rect) override;
  // Fills the list again from the form's results.
  void Refill() override;
  // Empties the control; the results stay until the form is reset.
  void Clear() override;
  uint32_t SelectedRecordId() const override;
  // The results take the records' new ids; the list is filled again and
  // keeps the selected record selected.
  void FollowRenumbered(const std::vector<RecordIdChange>& changes) override;
  QWidget* widget() const override { return view_; }

  QTreeWidget* view() const { return view_; }

 private:
  void Clicked(QTreeWidgetItem* item);

  std::shared_ptr<CFindForm> form_;
  QPointer<QTreeWidget> view_;
};

// The 16 x 16 picture for a list line's picture number (a null icon for an
// unknown number).
QIcon FindIconFor(int iconId);

}  // namespace quillet
