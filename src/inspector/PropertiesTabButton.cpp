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

QList<PaintedText> PropertiesTabButton::paintedTexts() const
{
    if (icon().isNull() || text().isEmpty())
        return {};
    // The title sits 2 points below the middle, as its baseline offset puts it.
    return {{text(), m_titleFont, rect().adjusted(titleIndent, 2, -4, 2), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine}};
}

void PropertiesTabButton::paintEvent(QPaintEvent *event)
{
    BaseColoredButton::paintEvent(event);
    // Without images the usual drawing shows the title already.
    QPainter painter(this);
    painter.setPen(isEnabled() ? m_titleColor : palette().color(QPalette::Disabled, QPalette::ButtonText));
    for (const PaintedText &title : paintedTexts()) {
        painter.setFont(title.font);
        painter.drawText(title.room, title.flags,
                         painter.fontMetrics().elidedText(title.text, Qt::ElideRight, title.room.width()));
    }
}

} // namespace quillmark
