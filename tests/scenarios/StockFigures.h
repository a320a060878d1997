#pragma once
// The published figures of the stock the scenarios print on, from the maker's sheet, not from
// the application's catalogue: what printed positions are checked against.
#include <QRectF>

namespace scenario::Avery5160 {

// 1 x 2 5/8 inch labels, 3 across and 10 down on US letter; 1/2 inch top margin, 3/16 inch
// side margin, 1/8 inch between the columns.
inline const QSizeF label(2.625, 1.0);
constexpr int across = 3;
constexpr int down = 10;
constexpr int count = across * down;
constexpr double top = 0.5;
constexpr double left = 0.1875;
constexpr double pitchAcross = 2.75;
constexpr double pitchDown = 1.0;

// Label k (0 = top left, across then down) on the sheet, in units of `perInch` per inch.
inline QRectF labelRect(int k, double perInch)
{
    const double x = left + (k % across) * pitchAcross;
    const double y = top + (k / across) * pitchDown;
    return QRectF(x * perInch, y * perInch, label.width() * perInch, label.height() * perInch);
}

} // namespace scenario::Avery5160
