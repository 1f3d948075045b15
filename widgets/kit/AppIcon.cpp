#include "widgets/kit/AppIcon.h"

namespace quillet {

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QString(":/icons/%1x%1/quillet.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace quillet
