#pragma once
// The one list of stroke dash patterns that the inspector's pop-up, the dash-style cell and
// every object's stroke share, so that a pattern number means the same dash everywhere.
#include <QList>

namespace quillmark {

class CDashArray
{
public:
    using Pattern = QList<int>;

    CDashArray();

    // Number of patterns; pattern 0 is the solid line.
    static constexpr int count = 22;

    const QList<Pattern> &dashArray() const { return _dashArray; }

    // A copy of the list, alternating dash and gap lengths starting with a dash.
    static QList<Pattern> array();

    // The dash and gap lengths in points for a stroke of the given width: each value of the
    // pattern times the width (1.0 when the width is not above 0). Empty, meaning solid,
    // for pattern 0 and for a number outside the list.
    static QList<qreal> dashLengths(int pattern, qreal lineWidth);

private:
    void createDashArray();

    QList<Pattern> _dashArray;
};

} // namespace quillmark
