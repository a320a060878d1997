#pragma once
// Pure conversions that the stock models share with the canvas: grid to free layout,
// outline pieces, and the hole clip paths around a disc label.
#include <QRectF>
#include <QString>
#include <QVariant>
#include <optional>

#include "platform/BezierPath.h"

namespace quillmark {

class TFormat;
class TLabel;
class TLabelT;

// The rounded rectangle of the stock outlines, as one open subpath of explicit segments.
// The corners deliberately do not share one control distance (bottom corners at 9/16 r,
// the top-left corner at 7/16 r): sheets drawn before keep their look.
BezierPath cornerRoundedRectPath(const QRectF &rect, float radius);

// Adds a circle of the diameter centred in `rect` and switches the path to even-odd, so the
// hole stays unfilled.
void appendCentreHole(BezierPath &path, const QRectF &rect, qreal diameter);

// The free-layout stock the canvas works on for a grid record: one "Horizontal" shape per
// position, rows outer and columns inner, in millimetres. A sheet with more positions than
// any real stock has gives no shapes rather than an unbounded list.
TFormat formatFromGridLabel(const TLabel &label);
constexpr int MaximumGridPositions = 10000;

// The clip pieces around a label with a centre hole, in the coordinates of `labelRect`:
// type 2 the hole itself; types 0 and 1 the left and right halves of the area outside the
// circle of radius half the label height about the label centre, each reaching 100 points
// beyond `viewBounds`. Empty when the diameter is 0 or the type is unknown.
BezierPath holePath(int type, const QRectF &labelRect, qreal holeDiameter,
                    const QRectF &viewBounds);
// The same for a grid record (the label at the origin, page points) or a free-layout shape
// (its outline rectangle in page points, orientation applied).
BezierPath holePath(int type, const TLabel &label, const QRectF &viewBounds);
BezierPath holePath(int type, const TLabelT &label, const QRectF &viewBounds);

// Whether two grid stocks describe the same sheet: equal names, counts and shape, and
// lengths within 0.005 inch, since stocks come back from documents and custom formats as
// "%.2f" text. The unit code and the deleted mark are not compared.
bool gridStocksMatch(const TLabel &a, const TLabel &b);

// A number stored in a property list, either as a number or as numeric text ("4.00").
// Empty for other kinds and for values that are not finite.
std::optional<double> stockNumber(const QVariant &value);

// The text form of a property-list value for logging: "{\n    key = value;\n}".
QString propertyListDescription(const QVariant &value, int indent = 0);

} // namespace quillmark
