// CImageList: "My Pictures", the user's pictures and sketches in one
// column, filtered by the category of their topic and sorted by title. A
// click previews the picture in the browser pane, a double click opens it
// (a sketch in the sketch window), the Delete key deletes it.
#pragma once

#include <QPointer>
#include <QTreeWidget>

#include "desktop/pictures/ImageListModel.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {

class CImageList;

// The list's window: routes the Delete key to CImageList.
class CImageListView : public QTreeWidget {
 public:
  CImageListView(CImageList* owner, QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  CImageList* owner_;
};

class CImageList : public CListViewObject {
 public:
  CImageList();
  ~CImageList() override;

  bool Create(QWidget* parent) override;
  void Initialize() override;
  void Show(bool show) override;
  void Move(const QRect& rect) override;
  // Fills the list again from the store, keeping the selected picture
  // selected and in sight.
  void Refill() override;
  void FollowRenumbered(const std::vector<RecordIdChange>& changes) override;
  void Clear() override;
  uint32_t SelectedRecordId() const override;
  CategoryFilter Filter() const override { return filter_; }
  void SetFilter(const CategoryFilter& filter) override { filter_ = filter; }
  QWidget* widget() const override { return view_; }

  // Commands that reach the list: 305 does nothing here, 327 goes to the
  // main window unless My Pictures is already shown, 3031 deletes the
  // selected picture (through the topic tree, which asks first) and shows
  // the image centre. False for any other command.
  bool OnCommand(uint32_t command);
  // Selects the row of `recordId`; false when the list does not show it.
  bool SelectRecord(uint32_t recordId);

  QTreeWidget* view() const { return view_; }

 private:
  QPointer<CImageListView> view_;
  CategoryFilter filter_;
};

}  // namespace quillet
