// CSketchWnd: the "Sketch Details" window, where a handheld sketch is shown
// at its own size, copied to the clipboard, and its title and private flag
// changed.
#pragma once

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include "desktop/pictures/SketchEditor.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {

// The picture frame: exactly the display size, the picture drawn unscaled
// from its top-left corner, black where there is no picture.
class CSketchFrame : public QWidget {
 public:
  explicit CSketchFrame(QWidget* parent);
  void SetPicture(const QImage& picture) { picture_ = picture; update(); }
  const QImage& picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

// The shown picture as the screen takes it: the section's bottom-up rows
// turned the right way up and cut to the picture's own `width` (the
// section's rows are padded to a multiple of 4 pixels, and its header names
// the padded width). Null without one.
QImage SectionImage(const DibSection* section, int width);

class CSketchWnd : public CChildWnd {
 public:
  CSketchWnd();
  ~CSketchWnd() override;

  void ShowRecord(const TreeItemRef* item) override;
  void Refresh() override;
  QWidget* FocusTarget() override { return title_; }
  bool HasUnsavedEdits() const override;
  std::string EditedRecordName() const override;
  bool SaveEdits() override { return Ok(); }
  bool SaveEditsQuietly() override;
  void DiscardEdits() override;
  std::optional<TypedEdits> TakeEdits() const override;
  bool RestoreEdits(const TypedEdits& edits) override;

  bool Ok();
  void Cancel();
  // Puts the picture on the clipboard; false without one.
  bool Copy();

  CSketchEditor& editor() { return editor_; }
  QLineEdit* titleEdit() const { return title_; }
  QCheckBox* privateBox() const { return private_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* copyButton() const { return copy_; }
  CSketchFrame* frame() const { return frame_; }
  QLabel* widthValue() const { return width_; }
  QLabel* heightValue() const { return height_; }
  QLabel* bytesValue() const { return bytes_; }

 protected:
  QWidget* CreateDialog(QWidget* host) override;

 private:
  void SyncView();

  CSketchEditor editor_;
  QPointer<QLineEdit> title_;
  QPointer<QCheckBox> private_;
  QPointer<QPushButton> ok_, copy_;
  QPointer<QLabel> width_, height_, bytes_;
  QPointer<CSketchFrame> frame_;
  bool syncing_ = false;
};

}  // namespace quillet
