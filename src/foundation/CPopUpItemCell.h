#pragma once
// The pop-up that shows stroke dash patterns instead of titles: the chosen item is drawn as a
// dark grey line 2 points wide across the field, dashed with the chosen pattern, and every
// item of the open list likewise. The patterns are handed in (the shared dash list lies in
// the object model, above this subsystem); item i shows pattern i, and item 0 is solid.
#include <QComboBox>
#include <QList>
#include <QPixmap>

namespace quillmark {

class CPopUpItemCell : public QComboBox
{
    Q_OBJECT
public:
    using Pattern = QList<int>;

    explicit CPopUpItemCell(QWidget *parent = nullptr);

    // One item per pattern, with an empty title; the current index is kept when it still
    // exists.
    void setPatterns(const QList<Pattern> &patterns);
    const QList<Pattern> &patterns() const { return m_patterns; }

    // The dash and gap lengths in points that item `index` strokes: empty (solid) for 0 and
    // for an index without a pattern; otherwise the pattern's first ten values as they
    // stand, or solid when they do not add up to a length.
    QList<qreal> dashLengths(int index) const;
    static QList<qreal> dashLengths(const Pattern &pattern);

    // Strokes the dark grey line of `dashes` across `rect` at half its height.
    static void drawPatternLine(QPainter *painter, const QRectF &rect, const QList<qreal> &dashes);
    // A picture of `size` showing the pattern's line, for pop-ups that take item images.
    static QPixmap patternPicture(const Pattern &pattern, const QSize &size);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<Pattern> m_patterns;
};

} // namespace quillmark
