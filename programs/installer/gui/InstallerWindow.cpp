#include "programs/installer/gui/InstallerWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/codepage/CodePage.h"
#include "programs/installer/core/InstallerCore.h"
#include "widgets/kit/AppIcon.h"

namespace installer {

InstallerWindow::InstallerWindow(CInstaller* core, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      core_(core) {
  setWindowTitle(kCaption);
  setWindowIcon(quillet::ApplicationIcon());
  setObjectName("INSTALLER");
  setFixedSize(530, 240);
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    QRect r = s->geometry();
    move(r.x() + (r.width() - 530) / 2, r.y() + (r.height() - 265) / 2);
  }

  pane_ = new QWidget(this);
  pane_->setObjectName("Status Window");
  pane_->setGeometry(rect());
  auto* layout = new QVBoxLayout(pane_);
  auto* banner = new QLabel("Quillet!", pane_);
  banner->setObjectName("130");
  banner->setStyleSheet("font-size: 20pt; font-weight: bold; color: white; background: #30507a; padding: 6px;");
  layout->addWidget(banner);
  group_ = new QGroupBox(tr("User Selection"), pane_);
  auto* inner = new QVBoxLayout(group_);
  prompt_ = new QLabel(tr("Please select a user:"), group_);
  users_ = new QComboBox(group_);
  users_->setObjectName("1000");
  next_ = new QPushButton(tr("Next"), group_);
  next_->setObjectName("1");
  next_->setDefault(true);
  inner->addWidget(prompt_);
  inner->addWidget(users_);
  inner->addWidget(next_, 0, Qt::AlignRight);
  layout->addWidget(group_, 1);
  connect(next_, &QPushButton::clicked, this, &InstallerWindow::Next);
}

void InstallerWindow::OpenUserSelection() {
  std::vector<std::string> names = core_->Users();
  // The names are code-page bytes: shown converted, and the bytes kept with
  // each entry, so the name handed back is exactly the Palm user's.
  std::vector<std::pair<QString, std::string>> list;
  for (const auto& n : names) list.emplace_back(QString::fromStdString(quillet::ToUtf8(quillet::CpText(n))), n);
  // The list is a sorted one, as people look for their own name in it.
  std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
    return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
  });
  for (const auto& [shown, bytes] : list)
    users_->addItem(shown, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (users_->count() > 0) users_->setCurrentIndex(0);
  if (names.size() < 2) QTimer::singleShot(0, this, &InstallerWindow::Next);
}

void InstallerWindow::Next() {
  if (started_) return;
  started_ = true;
  users_->hide();
  prompt_->hide();
  next_->hide();
  group_->setTitle(tr("Installing Quillet! Conduit and Notifier..."));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QApplication::processEvents();
  const QByteArray bytes = users_->currentData().toByteArray();
  const std::string user(bytes.constData(), static_cast<size_t>(bytes.size()));
  core_->Install(user);
  QApplication::restoreOverrideCursor();
  close();
}

}  // namespace installer
