#pragma once
// A view that paints its texts itself, rather than through labels, buttons or an item view's
// delegate, says where it paints each one: the whole text, the font, the room it is given and
// the flags it is drawn with. The view paints from the same answer (shortening a text its room
// cannot hold rather than drawing it over its neighbours), so a text too large for its room
// can be found by measuring, without reading pixels.
#include <QFont>
#include <QList>
#include <QRect>
#include <QString>

namespace quillmark {

struct PaintedText
{
    QString text;
    QFont font;
    // In the view's own coordinates.
    QRect room;
    // Alignment and text flags as QPainter::drawText takes them.
    int flags = 0;
};

class PaintedTexts
{
public:
    virtual ~PaintedTexts() = default;
    virtual QList<PaintedText> paintedTexts() const = 0;
};

} // namespace quillmark
