#include "stock/CustomTypeItemView.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <cmath>

#include "foundation/Language.h"
#include "platform/BezierPath.h"

namespace quillmark {

namespace {

const QColor SelectedShapeColour = QColor::fromRgbF(0.47f, 0.37f, 0.82f, 1.0f);

// The scale that fits an outline of `outline` size into `area`: the smaller ratio; the height
// ratio when the width gives none.
float fitScale(const QSizeF &area, const QSizeF &outline)
{
    const float byWidth = float(area.width() / outline.width());
    const float byHeight = float(area.height() / outline.height());
    if (std::isnan(byWidth))
        return byHeight;
    return std::min(byWidth, byHeight);
}

} // namespace

CustomTypeItemView::CustomTypeItemView(QWidget *parent)
    : QWidget(parent)
{
    setCursor(Qt::OpenHandCursor);
}

std::function<Qt::DropAction(QDrag *)> &CustomTypeItemView::dragRunner()
{
    static std::function<Qt::DropAction(QDrag *)> runner;
    return runner;
}

void CustomTypeItemView::setDesignElement(const std::optional<TLabelT> &shape)
{
    tlabelt = shape;
    // The shape's name as the interface says it where it has a text for it.
    const QString type = shape ? shape->getType() : QString();
    const QString shown = type.isEmpty() ? QString() : Language::stringForKey(type);
    setToolTip(shown.isEmpty() ? type : shown);
    mImage = QImage();
    update();
}

void CustomTypeItemView::drawLabelInRect(QPainter *painter, const QRectF &rect, const QPointF &shift, bool forDrag)
{
    if (!tlabelt)
        return;
    const BezierPath path = tlabelt->getPath();
    const QRectF bounds = path.bounds();
    if (path.isEmpty() || bounds.isEmpty())
        return;
    const float s = fitScale(rect.size(), bounds.size());
    if (!std::isfinite(s) || s <= 0.0f)
        return;
    const double tx = (rect.width() - bounds.width() * s) / 2.0;
    const double ty = (rect.height() - bounds.height() * s) / 2.0;
    // The fit takes the outline's size only: its place on the sheet is taken out here, so the
    // shape sits centred whatever its x and y.
    QTransform transform;
    transform.translate(tx + shift.x(), ty + shift.y());
    transform.scale(s, s);
    transform.translate(-bounds.x(), -bounds.y());
    const QPainterPath outline = path.transformed(transform).toPainterPath();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(outline, forDrag ? SelectedShapeColour : QColor(Qt::lightGray));
    painter->setPen(QPen(forDrag ? QColor(Qt::black) : QColor(Qt::gray), 1.0));
    painter->drawPath(outline);
    painter->restore();
}

void CustomTypeItemView::paintEvent(QPaintEvent *)
{
    if (!tlabelt)
        return;
    QPainter painter(this);
    // The shape takes the tile above its name, 10 in from the sides.
    const QList<PaintedText> titles = paintedTexts();
    const int titleTop = titles.isEmpty() ? height() - 13 : titles.first().room.top();
    const QSizeF area(width() - 20.0, std::max(1.0, titleTop - 6.0));
    drawLabelInRect(&painter, QRectF(QPointF(), area), QPointF(10.0, 2.0), false);
    for (const PaintedText &title : titles)
        drawTitle(&painter, title);
}

QList<PaintedText> CustomTypeItemView::paintedTexts() const
{
    const QString title = toolTip();
    if (title.isEmpty())
        return {};
    // The name wraps at its words, on two lines at most, in the palette's 10 points where it
    // fits so and a little smaller where not; a name that fits no way breaks between letters.
    const QRect across(2, 0, std::max(1, width() - 4), height());
    const int wrapped = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    QFont font = this->font();
    for (const qreal size : {10.0, 9.0, 8.0}) {
        font.setPointSizeF(size);
        const QFontMetrics metrics(font);
        const QRect needs = metrics.boundingRect(across, wrapped, title);
        if (needs.width() <= across.width() && needs.height() <= 2 * metrics.lineSpacing())
            return {{title, font, QRect(across.x(), height() - 2 - needs.height(), across.width(), needs.height()), wrapped}};
    }
    const int anywhere = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWrapAnywhere;
    const QRect needs = QFontMetrics(font).boundingRect(across, anywhere, title);
    const int height = std::min(needs.height(), this->height() / 2);
    return {{title, font, QRect(across.x(), this->height() - 2 - height, across.width(), height), anywhere}};
}

void CustomTypeItemView::drawTitle(QPainter *painter, const PaintedText &title)
{
    painter->setPen(palette().color(QPalette::ButtonText));
    painter->setFont(title.font);
    painter->drawText(title.room, title.flags, title.text);
}

QMimeData *CustomTypeItemView::dragData() const
{
    auto *data = new QMimeData;
    if (tlabelt)
        data->setData(dragType(), tlabelt->getType().toUtf8());
    return data;
}

void CustomTypeItemView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    m_pressPoint = event->position().toPoint();
    setCursor(Qt::ClosedHandCursor);
    if (mImage.isNull() && tlabelt) {
        const QRectF grown = QRectF(rect()).adjusted(-10.0, -10.0, 10.0, 10.0);
        mImage = QImage(grown.size().toSize(), QImage::Format_ARGB32_Premultiplied);
        mImage.fill(Qt::white);
        QPainter painter(&mImage);
        const QRectF area = QRectF(QPointF(), grown.size()).adjusted(1.0, 1.0, -1.0, -1.0);
        drawLabelInRect(&painter, QRectF(QPointF(), area.size()), QPointF(1.0, 1.0), true);
    }
}

void CustomTypeItemView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed || !tlabelt || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->position().toPoint() - m_pressPoint).manhattanLength() < QApplication::startDragDistance())
        return;
    m_pressed = false;
    auto *drag = new QDrag(this);
    drag->setMimeData(dragData());
    if (!mImage.isNull()) {
        drag->setPixmap(QPixmap::fromImage(mImage));
        drag->setHotSpot(QPoint(mImage.width() / 2, mImage.height() / 2));
    }
    setCursor(Qt::ClosedHandCursor);
    if (dragRunner())
        dragRunner()(drag);
    else
        drag->exec(Qt::CopyAction, Qt::CopyAction);
    drag->deleteLater();
    setCursor(Qt::OpenHandCursor);
}

void CustomTypeItemView::mouseReleaseEvent(QMouseEvent *)
{
    m_pressed = false;
    setCursor(Qt::OpenHandCursor);
}

} // namespace quillmark
