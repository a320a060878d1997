#include "platform/ColorWell.h"

#include <QColorDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace quillmark {

ColorWell::ColorWell(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

ColorWell::~ColorWell()
{
    if (m_chooser)
        m_chooser->deleteLater();
}

void ColorWell::setColor(const QColor &color)
{
    if (!color.isValid() || color == m_color)
        return;
    m_color = color;
    update();
}

QColorDialog *ColorWell::activate()
{
    if (!isEnabled())
        return nullptr;
    if (m_chooser) {
        m_chooser->setCurrentColor(m_color);
        m_chooser->raise();
        m_chooser->activateWindow();
        return m_chooser;
    }
    // Parented to the window so that it stays in front of it and goes with it.
    auto *chooser = new QColorDialog(m_color, window());
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setOption(QColorDialog::ShowAlphaChannel);
    chooser->setOption(QColorDialog::DontUseNativeDialog);
    connect(chooser, &QColorDialog::colorSelected, this, [this](const QColor &chosen) { takeColor(chosen); });
    m_chooser = chooser;
    chooser->open();
    return chooser;
}

void ColorWell::takeColor(const QColor &color)
{
    if (!color.isValid())
        return;
    m_color = color;
    update();
    emit colorChanged(color);
}

QSize ColorWell::sizeHint() const
{
    return QSize(44, 22);
}

void ColorWell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.lineWidth = 1;
    frame.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_FrameLineEdit, &frame, &painter, this);
    const QRect swatch = rect().adjusted(4, 4, -4, -4);
    // A colour that is partly transparent shows over a checkerboard.
    if (m_color.alpha() < 255) {
        const int cell = 4;
        for (int y = swatch.top(); y <= swatch.bottom(); y += cell)
            for (int x = swatch.left(); x <= swatch.right(); x += cell)
                painter.fillRect(QRect(x, y, cell, cell).intersected(swatch),
                                 ((x - swatch.left()) / cell + (y - swatch.top()) / cell) % 2 ? Qt::lightGray : Qt::white);
    }
    painter.fillRect(swatch, m_color);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
    if (!isEnabled())
        painter.fillRect(rect(), QColor(255, 255, 255, 110));
}

void ColorWell::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        activate();
}

void ColorWell::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        activate();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ColorWell::changeEvent(QEvent *event)
{
    // A well switched off takes its chooser away with it.
    if (event->type() == QEvent::EnabledChange && !isEnabled() && m_chooser)
        m_chooser->close();
    QWidget::changeEvent(event);
}

} // namespace quillmark
