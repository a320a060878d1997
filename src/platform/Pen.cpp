#include "platform/Pen.h"

#include <QVector>
#include <cmath>

namespace quillmark {

QPen makePen(const QColor &color, qreal width, const QList<qreal> &dashPoints)
{
    const qreal penWidth = (std::isfinite(width) && width > 0.0) ? width : ZeroPenWidth;
    QPen pen(color, penWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setCosmetic(false);

    // Qt rejects an odd-length or all-zero pattern poorly; a pattern with no positive
    // length strokes solid, and an odd one is repeated the way a dash array is.
    QVector<qreal> pattern;
    bool anyPositive = false;
    for (qreal length : dashPoints) {
        const qreal l = (std::isfinite(length) && length > 0.0) ? length : 0.0;
        anyPositive = anyPositive || l > 0.0;
        pattern.append(l / penWidth);
    }
    if (!pattern.isEmpty() && anyPositive) {
        if (pattern.size() % 2 != 0)
            pattern += QVector<qreal>(pattern);
        pen.setDashPattern(pattern);
    }
    return pen;
}

} // namespace quillmark
