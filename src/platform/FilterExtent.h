#pragma once

// Rectangle arithmetic of filter space, where an extent may be infinite (a generator's) and
// every pixel request is bounded so that no input can make a render allocate without limit.

#include "platform/ImageFilter.h"

#include <QImage>
#include <QRect>
#include <QRectF>

namespace quillmark::FilterExtent {

// The most pixels one render may hold: 8192 x 8192, 256 MB of ARGB.
inline constexpr qint64 MaximumPixels = qint64(8192) * 8192;

QRectF infinite();
bool isInfinite(const QRectF &extent);
// Intersection and union that understand infinite extents; an empty result is a null QRectF.
QRectF intersected(const QRectF &a, const QRectF &b);
QRectF united(const QRectF &a, const QRectF &b);
// The whole pixels covering a finite extent; a null QRect for an infinite or empty one or one
// beyond the range of int.
QRect pixelRect(const QRectF &extent);
// Whether a render of `rect` stays within MaximumPixels.
bool isRenderable(const QRect &rect);
// A transparent picture of `size`; a null QImage when the size is not renderable.
QImage transparent(QSize size);
// An image with nothing in it: the result of a filter whose values leave nothing to draw (a
// flattening transform), as opposed to a null image, which means an input is missing.
FilterImage emptyImage();
// The part of an image input a filter reads whole: its extent, a 256-pixel square of an
// unbounded one, or a null QRect when the extent cannot be rendered.
QRect readableRect(const FilterImage &image);

} // namespace quillmark::FilterExtent
