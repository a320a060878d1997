#include "inspector/PropertiesTabButton.h"

#include <QPainter>

namespace quillmark {

PropertiesTabButton::PropertiesTabButton(QWidget *parent)
    : BaseColoredButton(parent)
    , m_titleFont(font())
    , m_titleColor(palette().color(QPalette::ButtonText))
{
}

void PropertiesTabButton::setTitleStyle(const QFont &font, const QColor &color)
{
    m_titleFont = font;
    m_titleColor = color;
    update();
}

void PropertiesTabButton::paintEvent(QPaintEvent *event)
{
    const bool drawn = !icon().isNull();
    BaseColoredButton::paintEvent(event);
    // Without images the usual drawing shows the title already.
    if (!drawn || text().isEmpty())
        return;
    QPainter painter(this);
    painter.setFont(m_titleFont);
    painter.setPen(isEnabled() ? m_titleColor : palette().color(QPalette::Disabled, QPalette::ButtonText));
    // The title sits 2 points below the middle, as its baseline offset puts it.
    const QRect area = rect().adjusted(titleIndent, 2, -4, 2);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
}

} // namespace quillmark
