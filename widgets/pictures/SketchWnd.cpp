#include "widgets/pictures/SketchWnd.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

#include "base/Strings.h"
#include "desktop/shell/EditPending.h"
#include "platform/codepage/CodePage.h"
#include "store/RecordKinds.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/Translations.h"
#include "widgets/kit/CodePageField.h"
#include "widgets/kit/DialogKeys.h"

namespace quillet {

CSketchFrame::CSketchFrame(QWidget* parent) : QWidget(parent) {
  setObjectName("Picture");
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CSketchFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (!picture_.isNull()) painter.drawImage(QPoint(0, 0), picture_);
}

QImage SectionImage(const DibSection* section, int width) {
  if (section == nullptr || section->bits.empty()) return {};
  const int height = section->header.biHeight < 0 ? -section->header.biHeight : section->header.biHeight;
  const size_t stride = section->row_stride();
  if (width <= 0 || width > section->padded_width || height <= 0 || section->bits.size() < stride * static_cast<size_t>(height)) return {};
  QImage wrapped(section->bits.data(), section->padded_width, height, static_cast<qsizetype>(stride),
                 QImage::Format_BGR888);
  QImage upright = section->header.biHeight > 0 ? wrapped.mirrored(false, true) : wrapped.copy();
  return upright.copy(0, 0, width, height).convertToFormat(QImage::Format_RGB32);
}

// The sketch window registers the image windows' class: they share it.
CSketchWnd::CSketchWnd() : CChildWnd(kKindCodeSketch, "Image Window") {}
CSketchWnd::~CSketchWnd() = default;

QWidget* CSketchWnd::CreateDialog(QWidget* host) {
  auto* dialog = new QWidget(host);
  dialog->setObjectName("SketchDetails");
  // On a wide pane the fields and buttons keep a readable width at the
  // left, as the other record windows do.
  auto* frame = new QHBoxLayout(dialog);
  frame->setContentsMargins(0, 0, 0, 0);
  auto* panel = new QWidget(dialog);
  panel->setObjectName("SketchPanel");
  panel->setMaximumWidth(640);
  frame->addWidget(panel, 10);
  frame->addStretch(1);
  auto* body = new QVBoxLayout(panel);
  body->setContentsMargins(16, 12, 16, 12);
  body->setSpacing(8);
  auto* heading = new QLabel(QCoreApplication::translate("SketchWnd", "Sketch Details"), dialog);
  heading->setObjectName("Heading");
  QFont bold = heading->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.25);
  heading->setFont(bold);
  body->addWidget(heading);

  MnemonicSet keys = MnemonicSet::BesideMainMenu();
  private_ = new QCheckBox(keys.Mark(QCoreApplication::translate("SketchWnd", "Private")), dialog);
  private_->setObjectName("Private");
  body->addWidget(private_);

  auto* fields = new QGridLayout;
  auto* titleLabel = new QLabel(keys.Mark(QCoreApplication::translate("SketchWnd", "Title")), dialog);
  fields->addWidget(titleLabel, 0, 0);
  title_ = new QLineEdit(dialog);
  title_->setObjectName("Title");
  TieLabel(titleLabel, title_);
  fields->addWidget(title_, 0, 1, 1, 3);
  const char* names[] = {QT_TRANSLATE_NOOP("SketchWnd", "Width:"), QT_TRANSLATE_NOOP("SketchWnd", "Height:"),
                         QT_TRANSLATE_NOOP("SketchWnd", "Bytes:")};
  QPointer<QLabel>* values[] = {&width_, &height_, &bytes_};
  for (int i = 0; i < 3; ++i) {
    const QString label = QCoreApplication::translate("SketchWnd", names[i]);
    fields->addWidget(new QLabel(label, dialog), 1 + i, 0);
    *values[i] = new QLabel(dialog);
    (*values[i])->setObjectName(QString(names[i]).chopped(1));
    (*values[i])->setAccessibleName(AccessibleText(label));
    (*values[i])->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fields->addWidget(*values[i], 1 + i, 1);
  }
  copy_ = new QPushButton(dialog->style()->standardIcon(QStyle::SP_FileDialogDetailedView), keys.Mark(QCoreApplication::translate("SketchWnd", "Copy")), dialog);
  copy_->setObjectName("Copy");
  copy_->setAutoDefault(false);
  fields->addWidget(copy_, 1, 3);
  fields->setColumnStretch(2, 1);
  body->addLayout(fields);

  frame_ = new CSketchFrame(dialog);
  frame_->setAccessibleName(QCoreApplication::translate("SketchWnd", "Sketch"));
  auto* picture = new QHBoxLayout;
  picture->addWidget(frame_);
  picture->addStretch(1);
  body->addLayout(picture);
  body->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  ok_ = new QPushButton(dialog);
  ok_->setObjectName("OK");
  ok_->setDefault(true);
  auto* cancel = new QPushButton(QCoreApplication::translate("SketchWnd", "Cancel"), dialog);
  cancel->setObjectName("Cancel");
  for (QPushButton* b : {ok_.data(), cancel}) {
    b->setMinimumWidth(88);
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  body->addLayout(buttons);
  AddOkCancelKeys(dialog, ok_, cancel);

  QObject::connect(ok_, &QPushButton::clicked, dialog, [this] { Ok(); });
  QObject::connect(cancel, &QPushButton::clicked, dialog, [this] { Cancel(); });
  QObject::connect(copy_, &QPushButton::clicked, dialog, [this] { Copy(); });
  // Filling the title counts as a change too, so OK saves whenever a
  // sketch is shown; only the person's typing holds mode changes back.
  QObject::connect(title_, &QLineEdit::textChanged, dialog, [this] {
    editor_.NoteTitleChanged();
    if (!syncing_) bEditPending = 1;
  });
  // A changed private flag is an edit too: a mode change must not drop it.
  QObject::connect(private_, &QCheckBox::clicked, dialog, [this] {
    editor_.NoteTitleChanged();  // OK saves the flag with the title
    if (!syncing_) bEditPending = 1;
  });
  SyncView();
  return dialog;
}

void CSketchWnd::SyncView() {
  if (!title_) return;
  syncing_ = true;
  const CSketchEditor::View& v = editor_.view();
  title_->setText(FromAnsi(v.title));
  width_->setText(QString::fromStdString(v.widthText));  // digits
  height_->setText(QString::fromStdString(v.heightText));
  bytes_->setText(QString::fromStdString(v.bytesText));
  private_->setChecked(v.isPrivate);
  ok_->setText(UiText(v.okStringId));
  copy_->setEnabled(v.picturePresent);
  // A damaged record may claim any size; the frame never grows past what
  // a picture reader would hold on one side.
  const int w = std::clamp(v.displayWidth, 1, 4096), h = std::clamp(v.displayHeight, 1, 4096);
  frame_->setFixedSize(w, h);
  frame_->SetPicture(v.picturePresent ? SectionImage(editor_.section(), editor_.image().width()) : QImage());
  frame_->setVisible(v.picturePresent);
  syncing_ = false;
}

void CSketchWnd::ShowRecord(const TreeItemRef* item) {
  // There are no new sketches on the desktop: without a record the window
  // shows nothing.
  if (item == nullptr) editor_.Clear();
  else editor_.ShowSketch(item->recordId);
  SyncView();
}

void CSketchWnd::Refresh() {
  editor_.Refresh();
  SyncView();
}

bool CSketchWnd::Ok() {
  CpText title;
  if (!TakeCodePageText(title_, title_->text(), LoadString(IDS_TITLE), &title)) return false;
  const bool saved = editor_.Ok(title, private_->isChecked());
  if (saved) SyncView();
  return saved;
}

bool CSketchWnd::HasUnsavedEdits() const {
  if (!title_ || editor_.sketchId() == 0) return false;
  const CSketchEditor::View& v = editor_.view();
  return title_->text() != FromAnsi(v.title) || private_->isChecked() != v.isPrivate;
}

std::string CSketchWnd::EditedRecordName() const {
  const CImageRecord* sketch = FindLiveSketch(editor_.sketchId());
  const CpText& title = sketch ? sketch->title : editor_.view().title;
  return ToUtf8(title.substr(0, title.find('\n')));
}

bool CSketchWnd::SaveEditsQuietly() {
  if (!HasUnsavedEdits()) return true;
  CpText typed;
  if (!ToAnsiExact(title_->text(), &typed)) return false;  // quietly: kept for the person to see
  if (!editor_.OkQuietly(typed, private_->isChecked())) return false;
  SyncView();
  return true;
}

void CSketchWnd::DiscardEdits() {
  SyncView();
  bEditPending = 0;
}

std::optional<TypedEdits> CSketchWnd::TakeEdits() const {
  if (!title_ || editor_.sketchId() == 0) return std::nullopt;
  TypedEdits e;
  e.recordId = editor_.sketchId();
  e.recordKind = kKindImage;
  e.texts = {title_->text()};
  e.isPrivate = private_->isChecked();
  return e;
}

bool CSketchWnd::RestoreEdits(const TypedEdits& e) {
  // There are no new sketches on the desktop: a sketch gone meanwhile takes
  // nothing back.
  if (!title_ || e.recordKind != kKindImage || e.texts.size() != 1 || FindLiveSketch(e.recordId) == nullptr)
    return false;
  editor_.ShowSketch(e.recordId);
  SyncView();
  title_->setText(e.texts[0]);
  private_->setChecked(e.isPrivate);
  bEditPending = 1;
  return true;
}

void CSketchWnd::Cancel() {
  editor_.Cancel();
  SyncView();
}

bool CSketchWnd::Copy() {
  if (!editor_.view().picturePresent || frame_ == nullptr || frame_->picture().isNull()) return false;
  QGuiApplication::clipboard()->setImage(frame_->picture());
  return true;
}

}  // namespace quillet
