#pragma once
// The one way to make a stroking pen from the drawing code's terms.
#include <QColor>
#include <QList>
#include <QPen>

namespace quillmark {

// A pen of `width` points with flat caps and miter joins. `dashPoints` alternate dash and
// gap lengths in points (Qt measures them in pen widths, so they are divided here).
// Width 0 would make Qt draw a one-pixel cosmetic line at every zoom; instead the pen gets
// a hair width (ZeroPenWidth) that draws next to nothing and scales like any other stroke.
QPen makePen(const QColor &color, qreal width, const QList<qreal> &dashPoints = {});

// The width that stands in for 0.
inline constexpr qreal ZeroPenWidth = 1e-4;

} // namespace quillmark
