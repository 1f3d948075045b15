// The sketch and image windows and the image list join the main window as
// its picture parts (the category list above the image list is the topic
// tree's kind of list and comes with it).
#include "widgets/pictures/Parts.h"

#include "widgets/kit/ShellParts.h"
#include "widgets/pictures/ImageList.h"
#include "widgets/pictures/ImageWnd.h"
#include "widgets/pictures/SketchWnd.h"

namespace quillet {

void RegisterImagingParts() {
  ShellParts& parts = RegisteredShellParts();
  parts.sketchWindow = [] { return std::make_unique<CSketchWnd>(); };
  parts.imageWindow = [] { return std::make_unique<CImageWnd>(); };
  parts.imageList = [] { return std::make_unique<CImageList>(); };
}

}  // namespace quillet
