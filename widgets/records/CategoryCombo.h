// The category list above the topic tree (and above the image list): "All
// Categories", the categories sorted, "Unfiled". Choosing an entry filters
// the tree and the list.
#pragma once

#include <QComboBox>
#include <QPointer>

#include <vector>

#include "desktop/records/Categories.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {

class CCategoryCombo : public QObject, public CCombo {
  Q_OBJECT
 public:
  // kindCode 1: the topic combo; 11: the image combo.
  explicit CCategoryCombo(int kindCode);
  ~CCategoryCombo() override;

  bool Create(QWidget* parent) override;
  // Refills from the store with the first entry selected.
  void Fill() override;
  void Show(bool show, int position = 0) override;
  void Move(const QRect& rect) override;
  int64_t SelectedCategory() const override;
  int SelectedPosition() const override;
  int Height() const override;
  QWidget* widget() const override { return box_; }

  const std::vector<CategoryEntry>& entries() const { return entries_; }

 signals:
  // The person chose an entry.
  void chosen();

 private:
  QPointer<QComboBox> box_;
  std::vector<CategoryEntry> entries_;
};

}  // namespace quillet
