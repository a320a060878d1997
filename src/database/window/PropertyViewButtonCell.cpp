#include "database/window/PropertyViewButtonCell.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace quillmark {

PropertyViewButtonCell::PropertyViewButtonCell(QWidget *parent)
    : QToolButton(parent)
{
}

void PropertyViewButtonCell::setFilter(bool filter)
{
    if (_filter == filter)
        return;
    _filter = filter;
    update();
}

void PropertyViewButtonCell::paintEvent(QPaintEvent *event)
{
    if (!_filter) {
        QToolButton::paintEvent(event);
        return;
    }
    // The title moves aside for the mark, so that a long title is not drawn over.
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    QStyleOptionToolButton label = option;
    option.text.clear();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    label.rect = rect().adjusted(2, 0, -28, 0);
    // A title too long for the space left is set smaller rather than cut.
    QFont font = label.font;
    while (QFontMetrics(font).horizontalAdvance(label.text) > label.rect.width() - 4 && font.pointSizeF() > 7)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label.font = font;
    painter.setFont(font);
    painter.drawControl(QStyle::CE_ToolButtonLabel, label);

    painter.setRenderHint(QPainter::Antialiasing);
    const int grey = isChecked() ? 204 : 153;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(grey, grey, grey));
    painter.drawEllipse(QRectF(width() - 25, (height() - 8) / 2.0, 8, 8));
}

} // namespace quillmark
