#include "objects/CDashArray.h"

namespace quillmark {

CDashArray::CDashArray()
{
    createDashArray();
}

void CDashArray::createDashArray()
{
    // The stroke drawing holds one pattern's lengths in a buffer of 10: no pattern may
    // grow beyond 10 values.
    _dashArray = {
        {1},
        {4, 2},
        {3, 2},
        {3, 3},
        {2, 3},
        {1, 3},
        {2, 2},
        {5, 3},
        {1, 2},
        {3, 3, 1, 2},
        {3, 3, 1, 2, 1, 2},
        {5, 2, 5, 2, 1, 2},
        {8, 3, 3, 3},
        {5, 2, 3, 2, 3, 3},
        {3, 2, 1, 2},
        {3, 2, 1, 2, 1, 2},
        {4, 2, 4, 2, 1, 2},
        {7, 2, 1, 2},
        {7, 2, 1, 2, 1, 2},
        {8, 3},
        {1, 6},
        {8, 3, 1, 3},
    };
}

QList<CDashArray::Pattern> CDashArray::array()
{
    return CDashArray().dashArray();
}

QList<qreal> CDashArray::dashLengths(int pattern, qreal lineWidth)
{
    if (pattern <= 0 || pattern >= count)
        return {};
    const float w = lineWidth > 0 ? float(lineWidth) : 1.0f;
    const Pattern values = CDashArray().dashArray().at(pattern);
    QList<qreal> lengths;
    for (int value : values)
        lengths.append(qreal(float(value) * w));
    return lengths;
}

} // namespace quillmark
