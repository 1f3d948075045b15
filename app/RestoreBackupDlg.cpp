#include "app/RestoreBackupDlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QVBoxLayout>

#include "app/WndMgr.h"
#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/EditPending.h"
#include "desktop/users/UserSwitch.h"
#include "store/backup/AutoBackup.h"

namespace quillet {
namespace {

const char* const kColumns[] = {
    QT_TRANSLATE_NOOP("RestoreBackupDlg", "Taken"),      QT_TRANSLATE_NOOP("RestoreBackupDlg", "Size"),
    QT_TRANSLATE_NOOP("RestoreBackupDlg", "Topics"),     QT_TRANSLATE_NOOP("RestoreBackupDlg", "Notes"),
    QT_TRANSLATE_NOOP("RestoreBackupDlg", "Pictures"),   QT_TRANSLATE_NOOP("RestoreBackupDlg", "Sketches"),
    QT_TRANSLATE_NOOP("RestoreBackupDlg", "References"), QT_TRANSLATE_NOOP("RestoreBackupDlg", "State")};
constexpr int kColumnCount = 8;

RestoreDialogRunner& Runner() {
  static RestoreDialogRunner runner;
  return runner;
}

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string CurrentOutputFolder() {
  CRegistryKey key;
  key.OpenProgramKey(AppPaths.userFolder);
  std::string output;
  key.ReadValueString("OutputPath", &output, kPathBufferSize);
  return output;
}

void Tell(const std::string& text, unsigned flags) {
  MessageRequest r;
  r.text = text;
  r.caption = kCaption;
  r.flags = flags;
  UI().ShowMessage(r);
}

}  // namespace

CRestoreBackupDlg::CRestoreBackupDlg(CRestoreBackupForm* form, QWidget* parent)
    : QDialog(parent), form_(form) {
  setObjectName("RestoreBackup");
  setWindowTitle(Utf8(form_->view().caption));
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  intro_ = new QLabel(this);
  intro_->setWordWrap(true);
  layout->addWidget(intro_);

  list_ = new QTreeWidget(this);
  list_->setObjectName("backupList");
  list_->setColumnCount(kColumnCount);
  QStringList headers;
  for (const char* c : kColumns) headers << QCoreApplication::translate("RestoreBackupDlg", c);
  list_->setHeaderLabels(headers);
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setAlternatingRowColors(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->header()->setStretchLastSection(true);
  layout->addWidget(list_, 1);

  status_ = new QLabel(this);
  status_->setObjectName("backupStatus");
  layout->addWidget(status_);

  auto* buttons = new QDialogButtonBox(this);
  restore_ = buttons->addButton(tr("&Restore"), QDialogButtonBox::ActionRole);
  restore_->setObjectName("restoreButton");
  buttons->addButton(QDialogButtonBox::Cancel);
  layout->addWidget(buttons);

  connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!filling_) SelectRow(item ? list_->indexOfTopLevelItem(item) : -1);
  });
  connect(restore_, &QPushButton::clicked, this, [this] { ClickRestore(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  Fill();
  resize(760, 360);
}

void CRestoreBackupDlg::Fill() {
  const CRestoreBackupForm::View& v = form_->view();
  filling_ = true;
  intro_->setText(Utf8(v.intro));
  list_->clear();
  for (const CRestoreBackupForm::Row& row : v.rows) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, Utf8(row.takenText));
    item->setText(1, Utf8(row.sizeText));
    for (int i = 0; i < 5; ++i) item->setText(2 + i, Utf8(row.counts[i]));
    item->setText(7, Utf8(row.stateText));
    for (int c = 1; c < 7; ++c) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    item->setToolTip(0, Utf8(row.path));
    if (row.damaged) {
      for (int c = 0; c < kColumnCount; ++c) item->setForeground(c, palette().brush(QPalette::Disabled, QPalette::Text));
    }
  }
  for (int c = 0; c < kColumnCount - 1; ++c) list_->resizeColumnToContents(c);
  filling_ = false;
  Sync();
}

void CRestoreBackupDlg::Sync() {
  const CRestoreBackupForm::View& v = form_->view();
  filling_ = true;
  QTreeWidgetItem* want = v.selected >= 0 ? list_->topLevelItem(v.selected) : nullptr;
  if (list_->currentItem() != want) list_->setCurrentItem(want);
  filling_ = false;
  status_->setText(Utf8(v.status));
  restore_->setEnabled(v.restoreEnabled);
}

void CRestoreBackupDlg::SelectRow(int row) {
  form_->Select(row);
  Sync();
}

void CRestoreBackupDlg::ClickRestore() {
  if (form_->Restore()) {
    accept();
    return;
  }
  Fill();  // the list may have changed (a failed restore reads it again)
}

RestoreDialogRunner SetRestoreDialogRunner(RestoreDialogRunner runner) {
  RestoreDialogRunner previous = std::move(Runner());
  Runner() = std::move(runner);
  return previous;
}

void RestoreFromBackupCommand(CWndMgr& manager, QWidget* owner) {
  if (bEditPending == 1) {
    ShowStringMessage(IDS_EDIT_PENDING, kCaption, kMbOk | kMbIconInformation);
    return;
  }
  const std::string output = CurrentOutputFolder();
  if (output.empty()) {
    Tell(QCoreApplication::translate("RestoreBackupDlg", "There are no records of a Palm user to restore.")
             .toStdString(),
         kMbOk | kMbIconInformation);
    return;
  }
  const std::string store = output + kStoreFileName;
  std::string root = AutomaticBackupsRoot();
  if (root.empty()) root = DefaultBackupsRoot();

  std::string label = AppPaths.userFolder;
  while (!label.empty() && label.back() == '/') label.pop_back();
  if (label.empty()) label = store;
  CRestoreBackupForm form(BackupsOfStore(store, root), label);
  form.Load();
  CRestoreBackupDlg dialog(&form, owner);
  const int answer = Runner() ? Runner()(dialog) : dialog.exec();
  if (answer != QDialog::Accepted) return;

  LogPair("Backup restored, the replaced file kept as", form.previousCopy().c_str());
  // Reopen the user's store and refresh every window, as after a HotSync.
  // An archive being shown stays; the user's store is read when it closes.
  if (pDB != nullptr && AbsoluteStorePath(pDB->path()) == AbsoluteStorePath(store))
    manager.SwitchUser(CurrentUserName());
  Tell(QCoreApplication::translate("RestoreBackupDlg",
                                   "The backup is restored.\n\nThe records it replaced were backed up first, "
                                   "so they can be restored the same way.")
           .toStdString(),
       kMbOk | kMbIconInformation);
}

}  // namespace quillet
