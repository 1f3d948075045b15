#include "widgets/pictures/ImageWnd.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdio>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "platform/codepage/CodePage.h"
#include "store/RecordKinds.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/Translations.h"
#include "widgets/kit/CodePageField.h"
#include "widgets/kit/DialogKeys.h"
#include "widgets/pictures/DibDraw.h"

namespace quillet {
namespace {

// The picture files a drop may bring.
bool IsPictureFile(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == "jpg" || suffix == "jpeg" || suffix == "bmp";
}

QString DroppedPictureFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return QString();
  for (const QUrl& url : data->urls())
    if (url.isLocalFile() && IsPictureFile(url.toLocalFile())) return url.toLocalFile();
  return QString();
}

}  // namespace

// --- The frame --------------------------------------------------------------

CPictureFrame::CPictureFrame(CImageWnd* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
  setObjectName("Picture");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAcceptDrops(true);
}

void CPictureFrame::SetPicture(const QImage& picture) {
  picture_ = picture;
  setCursor(picture_.isNull() ? Qt::ArrowCursor : Qt::OpenHandCursor);
  update();
}

void CPictureFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  // One frame pixel a picture pixel: what is drawn here is what is stored.
  if (!picture_.isNull()) painter.drawImage(QPoint(0, 0), picture_);
}

void CPictureFrame::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || picture_.isNull()) return QWidget::mousePressEvent(event);
  dragging_ = true;
  setCursor(Qt::ClosedHandCursor);
  owner_->BeginDrag(event->position().toPoint());
}

void CPictureFrame::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) owner_->DragTo(event->position().toPoint());
}

void CPictureFrame::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  dragging_ = false;
  setCursor(Qt::OpenHandCursor);
  owner_->EndDrag();
}

void CPictureFrame::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* data = event->mimeData();
  if (!DroppedPictureFile(data).isEmpty() || (data && data->hasImage())) event->acceptProposedAction();
}

void CPictureFrame::dropEvent(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  const QString file = DroppedPictureFile(data);
  if (!file.isEmpty()) {
    event->acceptProposedAction();
    owner_->OpenFile(ToPath(file));
  } else if (data && data->hasImage()) {
    event->acceptProposedAction();
    owner_->PasteImage(qvariant_cast<QImage>(data->imageData()));
  }
}

// --- The window -------------------------------------------------------------

CImageWnd::CImageWnd() : CChildWnd(kKindCodeImage, "Image Window") {}
CImageWnd::~CImageWnd() = default;

QPushButton* CImageWnd::button(const char* name) const {
  return details_ ? details_->findChild<QPushButton*>(name) : nullptr;
}

QWidget* CImageWnd::CreateDialog(QWidget* host) {
  auto* dialog = new QWidget(host);
  details_ = dialog;
  dialog->setObjectName("ImageDetails");
  auto* body = new QVBoxLayout(dialog);
  body->setContentsMargins(16, 12, 16, 12);
  body->setSpacing(8);
  auto* heading = new QLabel(QCoreApplication::translate("ImageWnd", "Image Details"), dialog);
  heading->setObjectName("Heading");
  QFont bold = heading->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.25);
  heading->setFont(bold);
  body->addWidget(heading);

  auto* columns = new QHBoxLayout;
  columns->setSpacing(16);
  body->addLayout(columns, 1);
  auto* controls = new QGridLayout;
  controls->setVerticalSpacing(8);
  auto* left = new QVBoxLayout;
  left->addLayout(controls);
  left->addStretch(1);
  columns->addLayout(left);

  // The desktop theme's icons where it has them.
  MnemonicSet keys = MnemonicSet::BesideMainMenu();
  auto makeButton = [dialog, &keys](const char* themeIcon, QStyle::StandardPixmap fallback, const char* text) {
    // `text` is marked for the catalogue where the button is made.
    const QIcon icon = QIcon::fromTheme(themeIcon, dialog->style()->standardIcon(fallback));
    auto* b = new QPushButton(icon, keys.Mark(QCoreApplication::translate("ImageWnd", text)), dialog);
    b->setObjectName(QString(text).remove("..."));
    b->setAutoDefault(false);
    return b;
  };

  int row = 0;
  private_ = new QCheckBox(keys.Mark(QCoreApplication::translate("ImageWnd", "Private")), dialog);
  private_->setObjectName("Private");
  controls->addWidget(private_, row++, 0, 1, 3);
  // The title takes the whole width of the window: titles run long.
  auto* titleRow = new QHBoxLayout;
  auto* titleLabel = new QLabel(keys.Mark(QCoreApplication::translate("ImageWnd", "Title")), dialog);
  titleRow->addWidget(titleLabel);
  title_ = new QLineEdit(dialog);
  title_->setObjectName("Title");
  TieLabel(titleLabel, title_);
  // The handheld keeps 256 characters; one more lets the cut be told.
  title_->setMaxLength(static_cast<int>(kImageTitleLimit) + 1);
  titleRow->addWidget(title_, 1);
  body->insertLayout(body->indexOf(columns), titleRow);
  controls->addWidget(new QLabel(QCoreApplication::translate("ImageWnd", "Bytes"), dialog), row, 0);
  bytes_ = new QLabel(dialog);
  bytes_->setObjectName("Bytes");
  bytes_->setAccessibleName(QCoreApplication::translate("ImageWnd", "Bytes"));
  bytes_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  controls->addWidget(bytes_, row++, 1, 1, 2);

  auto* clip = new QHBoxLayout;
  copy_ = makeButton("edit-copy", QStyle::SP_FileDialogDetailedView, QT_TRANSLATE_NOOP("ImageWnd", "Copy"));
  paste_ = makeButton("edit-paste", QStyle::SP_ArrowDown, QT_TRANSLATE_NOOP("ImageWnd", "Paste"));
  open_ = makeButton("document-open", QStyle::SP_DialogOpenButton, QT_TRANSLATE_NOOP("ImageWnd", "Open..."));
  for (QPushButton* b : {copy_.data(), paste_.data(), open_.data()}) clip->addWidget(b);
  controls->addLayout(clip, row++, 0, 1, 3);

  auto* displayLabel = new QLabel(keys.Mark(QCoreApplication::translate("ImageWnd", "Display Size")), dialog);
  controls->addWidget(displayLabel, row, 0);
  size_ = new QComboBox(dialog);
  TieLabel(displayLabel, size_);
  size_->setObjectName("DisplaySize");
  for (const DisplaySize& s : kDisplaySizes) size_->addItem(s.text);
  controls->addWidget(size_, row++, 1, 1, 2);

  auto* qualityLabel = new QLabel(keys.Mark(QCoreApplication::translate("ImageWnd", "Quality")), dialog);
  controls->addWidget(qualityLabel, row, 0);
  quality_ = new QSlider(Qt::Horizontal, dialog);
  TieLabel(qualityLabel, quality_);
  quality_->setObjectName("Quality");
  quality_->setRange(0, 100);
  quality_->setPageStep(10);
  controls->addWidget(quality_, row, 1);
  quality_text_ = new QLabel("100%", dialog);
  quality_text_->setObjectName("QualityText");
  quality_text_->setMinimumWidth(quality_text_->fontMetrics().horizontalAdvance("100%") + 4);
  controls->addWidget(quality_text_, row++, 2);

  auto* zoomLabel = new QLabel(keys.Mark(QCoreApplication::translate("ImageWnd", "Zoom")), dialog);
  controls->addWidget(zoomLabel, row, 0);
  zoom_ = new QSlider(Qt::Horizontal, dialog);
  TieLabel(zoomLabel, zoom_);
  zoom_->setObjectName("Zoom");
  zoom_->setRange(kMinZoomPosition, kMaxZoomPosition);
  zoom_->setPageStep(10);
  controls->addWidget(zoom_, row++, 1, 1, 2);

  auto* place = new QHBoxLayout;
  fit_ = makeButton("zoom-fit-best", QStyle::SP_TitleBarMaxButton, QT_TRANSLATE_NOOP("ImageWnd", "Fit"));
  reset_ = makeButton("zoom-original", QStyle::SP_BrowserReload, QT_TRANSLATE_NOOP("ImageWnd", "Reset"));
  preview_ = makeButton("document-print-preview", QStyle::SP_FileDialogContentsView, QT_TRANSLATE_NOOP("ImageWnd", "Preview"));
  for (QPushButton* b : {fit_.data(), reset_.data(), preview_.data()}) place->addWidget(b);
  controls->addLayout(place, row++, 0, 1, 3);
  // What Preview found: the size OK would store and whether it fits.
  preview_size_ = new QLabel(dialog);
  preview_size_->setObjectName("PreviewSize");
  preview_size_->setWordWrap(true);
  preview_size_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  controls->addWidget(preview_size_, row++, 0, 1, 3);
  controls->setColumnStretch(1, 1);

  // The frame sits at its exact size; a window too small for it scrolls.
  frame_ = new CPictureFrame(this, dialog);
  auto* holder = new QWidget(dialog);
  auto* holderLayout = new QVBoxLayout(holder);
  holderLayout->setContentsMargins(0, 0, 0, 0);
  holderLayout->addWidget(frame_, 0, Qt::AlignLeft | Qt::AlignTop);
  holderLayout->addStretch(1);
  auto* scroll = new QScrollArea(dialog);
  scroll->setObjectName("FrameArea");
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidget(holder);
  scroll->setWidgetResizable(true);
  columns->addWidget(scroll, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  ok_ = new QPushButton(dialog);
  ok_->setObjectName("OK");
  ok_->setDefault(true);
  cancel_ = new QPushButton(QCoreApplication::translate("ImageWnd", "Cancel"), dialog);
  cancel_->setObjectName("Cancel");
  for (QPushButton* b : {ok_.data(), cancel_.data()}) {
    b->setMinimumWidth(88);
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  body->addLayout(buttons);
  AddOkCancelKeys(dialog, ok_, cancel_);

  QObject::connect(ok_, &QPushButton::clicked, dialog, [this] { Ok(); });
  QObject::connect(cancel_, &QPushButton::clicked, dialog, [this] { Cancel(); });
  QObject::connect(copy_, &QPushButton::clicked, dialog, [this] { Copy(); });
  QObject::connect(paste_, &QPushButton::clicked, dialog, [this] { Paste(); });
  QObject::connect(open_, &QPushButton::clicked, dialog, [this] { Open(); });
  QObject::connect(fit_, &QPushButton::clicked, dialog, [this] { Fit(); });
  QObject::connect(reset_, &QPushButton::clicked, dialog, [this] { Reset(); });
  QObject::connect(preview_, &QPushButton::clicked, dialog, [this] { Preview(); });
  QObject::connect(size_, &QComboBox::activated, dialog, [this](int index) { SetSizeIndex(index); });
  QObject::connect(quality_, &QSlider::valueChanged, dialog, [this](int value) {
    if (!syncing_) SetQuality(value);
  });
  QObject::connect(zoom_, &QSlider::valueChanged, dialog, [this](int value) {
    if (!syncing_) SetZoomPosition(value);
  });
  QObject::connect(title_, &QLineEdit::textEdited, dialog, [this] { Edited(); });
  QObject::connect(private_, &QCheckBox::clicked, dialog, [this] { Edited(); });
  SyncView();
  return dialog;
}

void CImageWnd::Edited() {
  if (!syncing_) bEditPending = 1;
}

void CImageWnd::SyncView() {
  if (!title_) return;
  syncing_ = true;
  const CImageEditor::View& v = editor_.view();
  // The title is set only when the window set it: what the person typed
  // stays while the picture is placed.
  if (v.titleSerial != title_serial_) {
    title_serial_ = v.titleSerial;
    title_->setText(v.titleFile.empty() ? FromAnsi(v.title) : QString::fromUtf8(v.titleFile));
    shown_title_ = title_->text();
  }
  private_->setChecked(v.isPrivate);
  bytes_->setText(QString::fromStdString(v.bytesText));  // digits
  preview_size_->setText(FromAnsi(CpText(v.previewText)));
  ok_->setText(UiText(v.okStringId));
  ok_->setEnabled(v.okEnabled);
  copy_->setEnabled(v.picturePresent);
  for (QWidget* w : std::initializer_list<QWidget*>{fit_, reset_, preview_, size_, quality_, zoom_})
    w->setEnabled(v.picturePresent);
  if (v.sizeIndex >= 0) size_->setCurrentIndex(v.sizeIndex);
  quality_->setValue(v.quality);
  quality_text_->setText(QString::fromStdString(v.qualityText));  // digits
  zoom_->setValue(v.zoomPosition);
  frame_->setFixedSize(std::clamp(v.displayWidth, 1, 4096), std::clamp(v.displayHeight, 1, 4096));
  if (v.frameSerial != frame_serial_) {
    frame_serial_ = v.frameSerial;
    QImage picture;
    if (v.picturePresent) {
      const std::vector<uint8_t>& rgb = editor_.Frame();
      const int w = editor_.placement().frameWidth, h = editor_.placement().frameHeight;
      if (rgb.size() == static_cast<size_t>(w) * h * 3)
        picture = QImage(rgb.data(), w, h, w * 3, QImage::Format_RGB888).copy();
    }
    frame_->SetPicture(picture);
  }
  frame_->setVisible(v.frameShown);
  syncing_ = false;
}

void CImageWnd::ShowRecord(const TreeItemRef* item) {
  if (item == nullptr) editor_.NewImage();
  else editor_.ShowImage(item->recordId);
  SyncView();
}

void CImageWnd::Refresh() {
  editor_.Refresh();
  SyncView();
}

bool CImageWnd::OnCommand(uint32_t command) {
  IShell* mgr = manager();
  if (mgr == nullptr || (command != CMD_IMAGE_EDIT && command != CMD_IMAGE_VIEW)) return false;
  CListViewObject* list = mgr->imageList();
  const uint32_t id = list ? list->SelectedRecordId() : 0;
  if (id == 0) return true;
  if (command == CMD_IMAGE_EDIT) mgr->OnImageListDoubleClick(id);
  else mgr->OnCommand(CMD_PREVIEW_IMAGE);
  return true;
}

bool CImageWnd::HasUnsavedEdits() const {
  if (!title_ || !editor_.canStore()) return false;
  if (editor_.isNew()) return true;
  return title_->text() != shown_title_ || private_->isChecked() != editor_.view().isPrivate ||
         editor_.PictureEdited();
}

std::string CImageWnd::EditedRecordName() const {
  std::string title;
  if (const CImageRecord* image = editor_.isNew() ? nullptr : FindLivePicture(editor_.imageId()))
    title = ToUtf8(image->title);
  else if (title_)
    title = title_->text().toStdString();  // only the question shows it, as it was typed
  const size_t end = title.find_first_of("\r\n");
  return end == std::string::npos ? title : title.substr(0, end);
}

bool CImageWnd::SaveEditsQuietly() {
  if (!HasUnsavedEdits()) return true;
  CpText title;
  if (!ToAnsiExact(title_->text(), &title)) return false;  // quietly: kept for the person to see
  if (!editor_.OkQuietly(title, private_->isChecked())) return false;
  SyncView();
  return true;
}

void CImageWnd::DiscardEdits() {
  if (editor_.isNew()) editor_.NewImage();
  else if (editor_.imageId() == 0 || !editor_.ShowImage(editor_.imageId())) editor_.Clear();
  SyncView();
  bEditPending = 0;
}

std::optional<TypedEdits> CImageWnd::TakeEdits() const {
  if (!title_) return std::nullopt;
  TypedEdits e;
  e.recordId = editor_.isNew() ? 0 : editor_.imageId();
  e.recordKind = kKindImage;
  e.texts = {title_->text()};
  e.isPrivate = private_->isChecked();
  e.picture = editor_.TakePicture();
  return e;
}

bool CImageWnd::RestoreEdits(const TypedEdits& e) {
  if (!title_ || e.recordKind != kKindImage || e.texts.size() != 1) return false;
  if (e.recordId != 0 && FindLivePicture(e.recordId) != nullptr) {
    editor_.ShowImage(e.recordId);
  } else if (!editor_.isNew()) {
    // New, or gone meanwhile: the picture comes back as a new one.
    editor_.NewImage();
  }
  if (e.picture) editor_.RestorePicture(*e.picture);
  SyncView();
  title_->setText(e.texts[0]);
  private_->setChecked(e.isPrivate);
  bEditPending = 1;
  return true;
}

bool CImageWnd::Ok() {
  // The title goes to the handheld in its code page: a character it cannot
  // hold is named to the person, never replaced.
  CpText title;
  if (!TakeCodePageText(title_, title_->text(), LoadString(IDS_TITLE), &title)) return false;
  const bool saved = editor_.Ok(title, private_->isChecked());
  SyncView();
  return saved;
}

void CImageWnd::Cancel() {
  editor_.Cancel();
  SyncView();
}

bool CImageWnd::Open() {
  const bool opened = editor_.OpenWithDialog();
  if (opened) Edited();
  SyncView();
  return opened;
}

bool CImageWnd::OpenFile(const std::string& path) {
  const bool opened = editor_.OpenFile(path);
  if (opened) Edited();
  SyncView();
  return opened;
}

bool CImageWnd::Paste() { return PasteImage(QGuiApplication::clipboard()->image()); }

bool CImageWnd::PasteImage(const QImage& image) {
  // Without a picture on the clipboard the frame stays as it was.
  // A title typed before the paste stays.
  const bool typed = title_ && title_->text() != shown_title_;
  const QString typedTitle = title_ ? title_->text() : QString();
  const bool pasted = !image.isNull() && editor_.Paste(dib_from_bitmap(image));
  if (pasted) Edited();
  SyncView();
  if (pasted && typed) title_->setText(typedTitle);
  return pasted;
}

bool CImageWnd::Copy() {
  const QImage picture = dib_to_bitmap(editor_.Copy());
  if (picture.isNull()) return false;
  QGuiApplication::clipboard()->setImage(picture);
  return true;
}

void CImageWnd::Fit() {
  editor_.Fit();
  Edited();
  SyncView();
}

void CImageWnd::Reset() {
  editor_.Reset();
  Edited();
  SyncView();
}

bool CImageWnd::Preview() {
  const bool shown = editor_.Preview();
  SyncView();
  return shown;
}

void CImageWnd::SetZoomPosition(int position) {
  editor_.SetZoomPosition(position);
  Edited();
  SyncView();
}

void CImageWnd::SetQuality(int quality) {
  editor_.SetQuality(quality);
  Edited();
  SyncView();
}

void CImageWnd::SetSizeIndex(int index) {
  editor_.SetSizeIndex(index);
  Edited();
  SyncView();
}

void CImageWnd::BeginDrag(const QPoint& at) {
  editor_.BeginDrag(at.x(), at.y());
  Edited();
}

void CImageWnd::DragTo(const QPoint& at) {
  editor_.DragTo(at.x(), at.y());
  SyncView();
}

void CImageWnd::EndDrag() { editor_.EndDrag(); }

}  // namespace quillet
