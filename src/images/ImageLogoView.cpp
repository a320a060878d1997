#include "images/ImageLogoView.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "foundation/Language.h"

namespace quillmark {

namespace {

constexpr int GlyphSize = 14;
constexpr int Gap = 4;

} // namespace

ImageLogoView::ImageLogoView(QWidget *parent)
    : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    hide();
}

void ImageLogoView::setHomePage(const QUrl &page)
{
    m_homePage = page;
    setToolTip(Language::stringForKey(QStringLiteral("Open the image service's home page")));
    setVisible(page.isValid());
    updateGeometry();
    update();
}

QSize ImageLogoView::sizeHint() const
{
    const int text = fontMetrics().horizontalAdvance(m_homePage.host());
    return QSize(std::min(GlyphSize + Gap + text + 2, 160), std::max(GlyphSize, fontMetrics().height()) + 4);
}

void ImageLogoView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().color(QPalette::Link);
    const double middle = height() / 2.0;
    // A magnifier: a ring and its handle.
    painter.setPen(QPen(ink, 1.6));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(6.0, middle - 1.5), 4.5, 4.5);
    painter.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(9.4, middle + 1.9), QPointF(13.0, middle + 5.5));
    const QRect text(GlyphSize + Gap, 0, width() - GlyphSize - Gap, height());
    painter.setPen(ink);
    painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                     fontMetrics().elidedText(m_homePage.host(), Qt::ElideRight, text.width()));
}

void ImageLogoView::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ImageLogoView::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click && m_homePage.isValid())
        QDesktopServices::openUrl(m_homePage);
    event->accept();
}

} // namespace quillmark
