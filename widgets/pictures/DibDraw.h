// The drawing routines on packed DIBs and device pictures, in their Qt
// form: a QImage stands for the device bitmap and a QPainter for the device
// context. The image window pastes and copies through them; the lists and
// bars that draw their own items take their fonts from point_size_font.
#pragma once

#include <QFont>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QWidget>

#include "imaging/FloatImage.h"
#include "imaging/PackedDib.h"

namespace quillet {

// The picture of a packed DIB (1, 4, 8 or 24 bits, through its colour
// table) as a device picture; null for a block that is no such picture.
QImage dib_to_bitmap(const PackedDib& dib);

// A device picture as a 24-bit bottom-up packed DIB. Transparent parts (a
// picture copied from a web page) are laid over white, as a page shows
// them. Null for a null picture.
PackedDib dib_from_bitmap(const QImage& bitmap);

// Draws `source` of the DIB stretched over `dest`; without a DIB the
// destination is filled black. False when the DIB cannot be drawn.
bool dib_draw(QPainter& painter, const QRect& dest, const PackedDib& dib, const QRect& source);

// Draws the part of `bitmap` from (sourceX, sourceY) at the painter's
// origin, destWidth x destHeight, magnified by the zooms: the source is
// destWidth / zoomX by destHeight / zoomY pixels, truncated, and smoothed
// when stretched.
void bitmap_draw_zoomed(QPainter& painter, int sourceX, int sourceY, int destWidth, int destHeight,
                        float zoomX, float zoomY, const QImage& bitmap);

// The top-left width x height pixels of a device picture as the image's
// pixels. 0, or 1 when they cannot be had.
int capture_dc(const QImage& device, int width, int height, FloatImage* image);

// A new picture of `rect` of `bitmap`, in the same format.
QImage copy_bitmap_rect(const QImage& bitmap, const QRect& rect);
inline QImage copy_bitmap_rect(const QImage& bitmap) { return copy_bitmap_rect(bitmap, bitmap.rect()); }

// A copy of a palette as a device picture's colour table; empty for none.
QList<QRgb> copy_palette_colors(const Palette& palette);

// Paints the widget's whole area in the button-face colour, through an
// off-screen picture so that nothing flickers.
void fill_button_face(QWidget* widget, QPainter& painter);

// A font of `face` whose height is in tenths of a point on `device`; a
// non-zero width (tenths of a point too) stretches the face by width over
// height, 0 keeps its own proportions. Style bits 1 bold, 2 italic, 4
// underline, 8 strikeout. With `logical` the device's logical
// dots per inch are used, else its physical ones.
QFont point_size_font(const QPaintDevice* device, const QString& face, int heightTenths,
                      int widthTenths, int style, bool logical);

}  // namespace quillet
