#include "widgets/records/RecordDialog.h"

#include <QFont>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>

#include "desktop/records/TreeText.h"
#include "platform/codepage/CodePage.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/DialogKeys.h"

namespace quillet {

RecordDialogFrame::RecordDialogFrame(QWidget* host, const char* objectName, const QString& heading) {
  dialog = new QWidget(host);
  dialog->setObjectName(objectName);
  // On a wide pane the fields keep a readable width at the left.
  auto* frame = new QHBoxLayout(dialog);
  frame->setContentsMargins(0, 0, 0, 0);
  auto* panel = new QWidget(dialog);
  panel->setMaximumWidth(640);
  frame->addWidget(panel, 10);
  frame->addStretch(1);
  body = new QVBoxLayout(panel);
  body->setContentsMargins(16, 12, 16, 12);
  body->setSpacing(8);

  auto* title = new QLabel(heading, dialog);
  title->setObjectName("Heading");
  QFont bold = title->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.25);
  title->setFont(bold);
  body->addWidget(title);
}

QPushButton* RecordDialogFrame::AddButtons() {
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* ok = new QPushButton(dialog);
  ok->setObjectName("OK");
  ok->setDefault(true);
  cancel = new QPushButton(QCoreApplication::translate("RecordDialog", "Cancel"), dialog);
  cancel->setObjectName("Cancel");
  for (QPushButton* b : {ok, cancel}) {
    b->setMinimumWidth(88);
    b->setAutoDefault(false);
  }
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  body->addLayout(buttons);
  AddOkCancelKeys(dialog, ok, cancel);
  return ok;
}

bool SameTypedText(QString typed, QString shown) {
  typed.remove('\r');
  shown.remove('\r');
  return typed == shown;
}

std::string TypedRecordName(const QString& typed) {
  QList<uint> characters = typed.section('\n', 0, 0).remove('\r').toUcs4();
  if (static_cast<size_t>(characters.size()) > kMemberTextLimit) {
    characters.resize(static_cast<qsizetype>(kMemberTextLimit));
    for (size_t i = kMemberTextLimit - 3; i < kMemberTextLimit; ++i) characters[static_cast<qsizetype>(i)] = '.';
  }
  return QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()), characters.size())
      .toStdString();
}

std::string StoredRecordName(const CpText& text) {
  return ToUtf8(CutMemberText(FirstLine(text.view()), TextCut::kMarked));
}

QString TypedText(const QPlainTextEdit* edit) {
  QString typed = edit ? edit->toPlainText() : QString();
  typed.replace("\n", "\r\n");
  return typed;
}

}  // namespace quillet
