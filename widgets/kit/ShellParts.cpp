#include "widgets/kit/ShellParts.h"

#include <QFrame>

namespace quillet {

CChildWnd::CChildWnd(int kindCode, const char* className)
    : CShellPart(kindCode), class_name_(className) {}

CChildWnd::~CChildWnd() { delete host_.data(); }

bool CChildWnd::Create(QWidget* parent) {
  parent_ = parent;
  auto* host = new QFrame(parent);
  host->setObjectName(class_name_);
  host->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  host->setAutoFillBackground(true);
  host->hide();
  host_ = host;
  dialog_ = CreateDialog(host);
  if (!dialog_) return false;
  dialog_height_ = dialog_->sizeHint().height();
  return true;
}

void CChildWnd::Show(bool show) {
  if (host_) host_->setVisible(show);
  if (dialog_) dialog_->setVisible(show);
}

void CChildWnd::Move(int x, int y, int width, int height) {
  if (host_) host_->setGeometry(x, y, width, height);
  if (dialog_ && host_) dialog_->setGeometry(host_->contentsRect());
}

ObjectTable<CChildWnd>& ChildWindows() {
  static ObjectTable<CChildWnd> table;
  return table;
}

ObjectTable<CListViewObject>& ListViews() {
  static ObjectTable<CListViewObject> table;
  return table;
}

ObjectTable<CTreeObject>& Trees() {
  static ObjectTable<CTreeObject> table;
  return table;
}

ObjectTable<CCombo>& Combos() {
  static ObjectTable<CCombo> table;
  return table;
}

ShellParts& RegisteredShellParts() {
  static ShellParts parts;
  return parts;
}

}  // namespace quillet
