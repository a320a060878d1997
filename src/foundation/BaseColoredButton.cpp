#include "foundation/BaseColoredButton.h"

#include <QPainter>

namespace quillmark {

BaseColoredButton::BaseColoredButton(QWidget *parent)
    : QToolButton(parent)
{
    setAutoRaise(true);
}

void BaseColoredButton::setAlternateIcon(const QIcon &icon)
{
    m_alternate = icon;
    update();
}

bool BaseColoredButton::isSelected() const
{
    if (isDown())
        return true;
    return isChecked() && !m_allowsMixedState;
}

QColor BaseColoredButton::washColor()
{
    return QColor::fromRgbF(0.6f, 0.6f, 0.6f, 0.5f);
}

void BaseColoredButton::paintEvent(QPaintEvent *event)
{
    const QRect area = rect();
    QIcon image = icon();
    QPainter painter(this);
    if (isSelected()) {
        painter.fillRect(area, washColor());
        image = m_alternate;
    }
    if (image.isNull()) {
        // No image of its own to show: the usual drawing with the given one.
        painter.end();
        if (icon().isNull()) {
            QToolButton::paintEvent(event);
            return;
        }
        QPainter usual(this);
        icon().paint(&usual, area, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        return;
    }
    image.paint(&painter, area, Qt::AlignCenter, QIcon::Normal);
    if (!isEnabled())
        painter.fillRect(area, washColor());
}

} // namespace quillmark
