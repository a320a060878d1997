#include "foundation/CPopUpItemCell.h"

#include <QPainter>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include "platform/Pen.h"

#include <algorithm>

namespace quillmark {

namespace {

// A pattern holds at most this many dash and gap lengths.
constexpr int MaximumPatternValues = 10;
constexpr qreal LineWidth = 2.0;
// The platform's dark grey: a third of white.
const QColor LineColor = QColor::fromRgbF(1.0f / 3.0f, 1.0f / 3.0f, 1.0f / 3.0f);

// Draws each item of the open list as its pattern's line.
class PatternDelegate : public QStyledItemDelegate
{
public:
    PatternDelegate(CPopUpItemCell *cell)
        : QStyledItemDelegate(cell)
        , m_cell(cell)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        item.text.clear();
        item.icon = QIcon();
        item.widget->style()->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
        CPopUpItemCell::drawPatternLine(painter, QRectF(option.rect).adjusted(6, 0, -6, 0),
                                        m_cell->dashLengths(index.row()));
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), 18));
        size.setWidth(std::max(size.width(), 80));
        return size;
    }

private:
    CPopUpItemCell *m_cell;
};

} // namespace

CPopUpItemCell::CPopUpItemCell(QWidget *parent)
    : QComboBox(parent)
{
    setItemDelegate(new PatternDelegate(this));
}

void CPopUpItemCell::setPatterns(const QList<Pattern> &patterns)
{
    const int current = std::max(0, currentIndex());
    m_patterns = patterns;
    clear();
    for (int i = 0; i < patterns.size(); ++i)
        addItem(QString(), i);
    if (!patterns.isEmpty())
        setCurrentIndex(std::min(current, int(patterns.size()) - 1));
}

QList<qreal> CPopUpItemCell::dashLengths(const Pattern &pattern)
{
    QList<qreal> dashes;
    qreal total = 0.0;
    for (int i = 0; i < pattern.size() && i < MaximumPatternValues; ++i) {
        const qreal value = std::max(0, pattern.at(i));
        dashes.append(value);
        total += value;
    }
    // A pattern without length would have the painter step on the spot for ever.
    if (total <= 0.0)
        return {};
    return dashes;
}

QList<qreal> CPopUpItemCell::dashLengths(int index) const
{
    if (index <= 0 || index >= m_patterns.size())
        return {};
    return dashLengths(m_patterns.at(index));
}

void CPopUpItemCell::drawPatternLine(QPainter *painter, const QRectF &rect, const QList<qreal> &dashes)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    // Values are lengths in points as they stand, not multiples of the line's width.
    painter->setPen(makePen(LineColor, LineWidth, dashes));
    const qreal middle = rect.top() + rect.height() / 2.0;
    painter->drawLine(QPointF(rect.left(), middle), QPointF(rect.right(), middle));
    painter->restore();
}

QPixmap CPopUpItemCell::patternPicture(const Pattern &pattern, const QSize &size)
{
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    drawPatternLine(&painter, QRectF(QPointF(0, 0), QSizeF(size)), dashLengths(pattern));
    return picture;
}

void CPopUpItemCell::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    drawPatternLine(&painter, QRectF(field), dashLengths(currentIndex()));
}

} // namespace quillmark
