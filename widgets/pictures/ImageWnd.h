// CImageWnd: the "Image Details" window, where a picture for the handheld
// is opened, pasted or dropped, placed in a frame of one of the three
// display sizes by zoom, Fit and dragging, given a JPEG quality, and stored.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QWidget>

#include "desktop/pictures/ImageEditor.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {

class CImageWnd;

// The picture frame: exactly the display size; shows the editor's frame,
// pans the picture when dragged, takes picture files and pictures dropped
// on it.
class CPictureFrame : public QWidget {
 public:
  CPictureFrame(CImageWnd* owner, QWidget* parent);
  void SetPicture(const QImage& picture);
  const QImage& picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  CImageWnd* owner_;
  QImage picture_;
  bool dragging_ = false;
};

class CImageWnd : public CChildWnd {
 public:
  CImageWnd();
  ~CImageWnd() override;

  void ShowRecord(const TreeItemRef* item) override;
  bool DiscardPendingRecord() override { return editor_.DiscardPending(); }
  void FollowRenumbered(const std::vector<RecordIdChange>& changes) override { editor_.FollowRenumbered(changes); }
  void Refresh() override;
  QWidget* FocusTarget() override { return title_; }
  // The image list's menu: 250 "Edit" opens the selected picture here,
  // 3007 "View" shows it in the browser pane.
  bool OnCommand(uint32_t command) override;

  // Typed edits: the title, the private flag and the picture as placed.
  // A new picture counts once it has a picture to add; a window that has
  // nothing OK could store holds no edits.
  bool HasUnsavedEdits() const override;
  std::string EditedRecordName() const override;
  bool SaveEdits() override { return Ok(); }
  bool SaveEditsQuietly() override;
  void DiscardEdits() override;
  std::optional<TypedEdits> TakeEdits() const override;
  bool RestoreEdits(const TypedEdits& edits) override;

  // What the buttons do.
  bool Ok();
  void Cancel();
  bool Open();
  bool OpenFile(const std::string& path);
  // The clipboard's picture; false (nothing changes) without one.
  bool Paste();
  bool PasteImage(const QImage& image);
  // The whole picture onto the clipboard; false without one.
  bool Copy();
  void Fit();
  void Reset();
  bool Preview();
  void SetZoomPosition(int position);
  void SetQuality(int quality);
  void SetSizeIndex(int index);
  void BeginDrag(const QPoint& at);
  void DragTo(const QPoint& at);
  void EndDrag();

  CImageEditor& editor() { return editor_; }
  QLineEdit* titleEdit() const { return title_; }
  QCheckBox* privateBox() const { return private_; }
  QLabel* bytesValue() const { return bytes_; }
  QLabel* previewSize() const { return preview_size_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }
  QPushButton* button(const char* name) const;
  QComboBox* sizeList() const { return size_; }
  QSlider* qualitySlider() const { return quality_; }
  QLabel* qualityValue() const { return quality_text_; }
  QSlider* zoomSlider() const { return zoom_; }
  CPictureFrame* frame() const { return frame_; }

 protected:
  QWidget* CreateDialog(QWidget* host) override;

 private:
  void SyncView();
  void Edited();

  CImageEditor editor_;
  QPointer<QWidget> details_;
  QPointer<QLineEdit> title_;
  QPointer<QCheckBox> private_;
  QPointer<QLabel> bytes_, quality_text_, preview_size_;
  QPointer<QPushButton> ok_, cancel_, copy_, paste_, open_, fit_, reset_, preview_;
  QPointer<QComboBox> size_;
  QPointer<QSlider> quality_, zoom_;
  QPointer<CPictureFrame> frame_;
  int title_serial_ = -1;
  QString shown_title_;  // the title as the window last set it
  uint64_t frame_serial_ = ~uint64_t{0};
  bool syncing_ = false;
};

}  // namespace quillet
