// The installer's window: a fixed 530 x 240 topmost window whose status
// pane asks for the Palm user, then hands the work to CInstaller.
#pragma once

#include <QWidget>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace installer {

class CInstaller;

class InstallerWindow : public QWidget {
  Q_OBJECT
 public:
  explicit InstallerWindow(CInstaller* core, QWidget* parent = nullptr);

  // Fills the user list; with fewer than two users the installation goes
  // on without waiting for "Next".
  void OpenUserSelection();

 public slots:
  void Next();

 private:
  CInstaller* core_;
  QWidget* pane_;
  QGroupBox* group_;
  QLabel* prompt_;
  QComboBox* users_;
  QPushButton* next_;
  bool started_ = false;
};

}  // namespace installer
