#include "widgets/records/Dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "platform/codepage/CodePage.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/Translations.h"

namespace quillet {

QWidget* DialogOwner() {
  if (QWidget* active = QApplication::activeWindow()) return active;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "QuilletWND" || w->inherits("QMainWindow")) return w;
  return nullptr;
}

CDeleteItemDialog::CDeleteItemDialog(QWidget* owner, bool archiveBox) : QDialog(owner) {
  setWindowTitle(tr("Delete Item..."));
  setObjectName("DeleteItemDialog");
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  row->addWidget(icon);
  auto* text = new QLabel(UiText(IDS_DELETE_ITEMS), this);
  text->setWordWrap(true);
  text->setMinimumWidth(260);
  row->addWidget(text, 1);
  layout->addLayout(row);
  if (archiveBox) {
    archive_ = new QCheckBox(UiText(IDS_ARCHIVE_DELETED), this);
    archive_->setChecked(true);
    layout->addWidget(archive_);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

bool CDeleteItemDialog::Ask(bool archiveBox) {
  CDeleteItemDialog dialog(DialogOwner(), archiveBox);
  return dialog.exec() == QDialog::Accepted;
}

CPasswordDialog::CPasswordDialog(QWidget* owner, const std::string& userName, PasswordCheck check)
    : QDialog(owner), check_(std::move(check)) {
  setWindowTitle(tr("Show Private Records"));
  setObjectName("543");
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto* user = new QLabel(FromAnsi(CpText(userName)), this);  // Palm user names are code-page text
  user->setObjectName("1224");
  form->addRow(tr("Username:"), user);
  password_ = new QLineEdit(this);
  password_->setObjectName("1002");
  password_->setEchoMode(QLineEdit::Password);
  password_->setMaxLength(static_cast<int>(kPasswordLimit));
  password_->setMinimumWidth(200);
  form->addRow(tr("Password:"), password_);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CPasswordDialog::OnOk);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  password_->setFocus();
}

void CPasswordDialog::OnOk() {
  CpText typed;
  QString bad;
  if (!ToAnsiExact(password_->text(), &typed, &bad)) {
    // Palm Desktop keeps passwords in the Windows code page: this one could
    // never match, and replacing the character would try another password.
    TellUnusablePasswordCharacter(bad);
  } else if (check_ && check_(typed.bytes())) {
    accept();
    return;
  }
  password_->selectAll();
  password_->setFocus();
}

void TellUnusablePasswordCharacter(const QString& bad) {
  std::string code;
  for (const uint c : bad.toUcs4()) code += CodePointLabel(c);
  MessageRequest r;
  r.text = QCoreApplication::translate("Dialogs",
                                       "The password holds a character that Palm Desktop passwords cannot hold "
                                       "(%1). Check the keyboard layout and type it again.")
               .arg(QString::fromStdString(code))
               .toStdString();
  r.caption = kCaptionBang;
  r.flags = kMbOk | kMbIconExclamation;
  UI().ShowMessage(r);
}

bool CPasswordDialog::Ask(const std::string& userName, const PasswordCheck& check) {
  CPasswordDialog dialog(DialogOwner(), userName, check);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace quillet
