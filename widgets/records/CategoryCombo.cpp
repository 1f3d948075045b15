#include "widgets/records/CategoryCombo.h"

#include "widgets/kit/Accessibility.h"
#include "widgets/kit/Ansi.h"

namespace quillet {

CCategoryCombo::CCategoryCombo(int kindCode) : CCombo(kindCode) {}

CCategoryCombo::~CCategoryCombo() { delete box_.data(); }

bool CCategoryCombo::Create(QWidget* parent) {
  box_ = new QComboBox(parent);
  box_->setObjectName(kindCode() == kKindCodeImage ? "ImageCombo" : "TopicCombo");
  box_->setMaxVisibleItems(20);
  box_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  box_->setMinimumContentsLength(8);
  if (kindCode() == kKindCodeImage)
    NameComboBox(box_, tr("Picture category"), tr("Shows the pictures of one category, or of all"));
  else
    NameComboBox(box_, tr("Topic category"), tr("Shows the topics of one category, or of all"));
  // Only the person's choice filters; filling and showing set the entry
  // without telling anyone.
  connect(box_, &QComboBox::activated, this, [this](int) {
    emit chosen();
    if (IShell* mgr = manager()) {
      if (kindCode() == kKindCodeImage) mgr->OnImageComboChanged();
      else mgr->OnTopicComboChanged();
    }
  });
  box_->hide();
  return true;
}

void CCategoryCombo::Fill() {
  if (!box_) return;
  entries_ = TreeCategoryEntries();
  const QSignalBlocker block(box_);
  box_->clear();
  for (const CategoryEntry& e : entries_) box_->addItem(FromAnsi(e.text), QVariant::fromValue<qlonglong>(e.data));
  box_->setCurrentIndex(0);
}

void CCategoryCombo::Show(bool show, int position) {
  if (!box_) return;
  if (show) {
    const QSignalBlocker block(box_);
    box_->setCurrentIndex(position >= 0 && position < box_->count() ? position : 0);
  }
  box_->setVisible(show);
}

void CCategoryCombo::Move(const QRect& rect) {
  if (box_) box_->setGeometry(rect.x(), rect.y(), rect.width(), Height());
}

int64_t CCategoryCombo::SelectedCategory() const {
  if (!box_ || box_->currentIndex() < 0) return -1;
  return box_->currentData().toLongLong();
}

int CCategoryCombo::SelectedPosition() const { return box_ ? box_->currentIndex() : -1; }

int CCategoryCombo::Height() const { return box_ ? box_->sizeHint().height() : 0; }

}  // namespace quillet
