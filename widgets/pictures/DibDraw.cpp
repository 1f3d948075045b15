#include "widgets/pictures/DibDraw.h"

#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/DibPixels.h"

namespace quillet {

QImage dib_to_bitmap(const PackedDib& dib) {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  if (!DibToRgb(dib, &width, &height, &rgb)) return QImage();
  QImage wrapped(rgb.data(), width, height, width * 3, QImage::Format_RGB888);
  return wrapped.convertToFormat(QImage::Format_RGB32);
}

PackedDib dib_from_bitmap(const QImage& bitmap) {
  if (bitmap.isNull()) return PackedDib();
  QImage flat(bitmap.size(), QImage::Format_RGB888);
  flat.fill(Qt::white);
  {
    QPainter painter(&flat);
    painter.drawImage(QPoint(0, 0), bitmap);
  }
  std::vector<uint8_t> rgb(static_cast<size_t>(flat.width()) * flat.height() * 3);
  for (int y = 0; y < flat.height(); ++y)
    std::memcpy(&rgb[static_cast<size_t>(y) * flat.width() * 3], flat.constScanLine(y),
                static_cast<size_t>(flat.width()) * 3);
  return RgbToDib(flat.width(), flat.height(), rgb.data());
}

bool dib_draw(QPainter& painter, const QRect& dest, const PackedDib& dib, const QRect& source) {
  if (!dib) {
    painter.fillRect(dest, Qt::black);
    return true;
  }
  const QImage picture = dib_to_bitmap(dib);
  if (picture.isNull()) return false;
  painter.drawImage(QRectF(dest), picture, QRectF(source));
  return true;
}

void bitmap_draw_zoomed(QPainter& painter, int sourceX, int sourceY, int destWidth, int destHeight,
                        float zoomX, float zoomY, const QImage& bitmap) {
  if (!(zoomX > 0.0f) || !(zoomY > 0.0f)) return;
  const int sourceWidth = static_cast<int>(static_cast<float>(destWidth) / zoomX);
  const int sourceHeight = static_cast<int>(static_cast<float>(destHeight) / zoomY);
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(QRectF(0, 0, destWidth, destHeight), bitmap,
                    QRectF(sourceX, sourceY, sourceWidth, sourceHeight));
  painter.restore();
}

int capture_dc(const QImage& device, int width, int height, FloatImage* image) {
  if (image == nullptr || device.isNull() || width <= 0 || height <= 0) return 1;
  const QImage rgb = device.copy(0, 0, width, height).convertToFormat(QImage::Format_RGB888);
  if (image->create(width, height) != 0) return 1;
  for (int y = 0; y < height; ++y) {
    const uchar* row = rgb.constScanLine(y);
    FloatPixel* out = &image->at(0, y);
    for (int x = 0; x < width; ++x) {
      out[x].red = byte_to_float(row[x * 3]);
      out[x].green = byte_to_float(row[x * 3 + 1]);
      out[x].blue = byte_to_float(row[x * 3 + 2]);
    }
  }
  return 0;
}

QImage copy_bitmap_rect(const QImage& bitmap, const QRect& rect) { return bitmap.copy(rect); }

QList<QRgb> copy_palette_colors(const Palette& palette) {
  QList<QRgb> table;
  table.reserve(static_cast<qsizetype>(palette.size()));
  for (const PaletteEntry& e : palette) table.push_back(qRgb(e.peRed, e.peGreen, e.peBlue));
  return table;
}

void fill_button_face(QWidget* widget, QPainter& painter) {
  if (widget == nullptr) return;
  QPixmap off(widget->size());
  off.fill(widget->palette().color(QPalette::Button));
  painter.drawPixmap(0, 0, off);
}

QFont point_size_font(const QPaintDevice* device, const QString& face, int heightTenths,
                      int widthTenths, int style, bool logical) {
  const double dpiY = device ? (logical ? device->logicalDpiY() : device->physicalDpiY()) : 96.0;
  const double dpiX = device ? (logical ? device->logicalDpiX() : device->physicalDpiX()) : 96.0;
  QFont font(face);
  // Tenths of a point, 72 points an inch.
  const int pixelHeight = static_cast<int>(std::abs(heightTenths) * dpiY / 720.0 + 0.5);
  font.setPixelSize(pixelHeight > 0 ? pixelHeight : 1);
  font.setBold(style & 1);
  font.setItalic(style & 2);
  font.setUnderline(style & 4);
  font.setStrikeOut(style & 8);
  if (widthTenths != 0 && heightTenths != 0) {
    // The face's average width scaled by width over height: a width equal
    // to the height keeps the face's own proportions.
    const double ratio = (std::abs(widthTenths) * dpiX) / (std::abs(heightTenths) * dpiY);
    font.setStretch(std::clamp(static_cast<int>(ratio * 100 + 0.5), 1, 4000));
  }
  return font;
}

}  // namespace quillet
