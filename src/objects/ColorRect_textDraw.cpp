// The object's text as the drawing sees it: the text painted inside the frame, the glyph
// outline of shaped text, and the box's place in a chain of linked boxes.
#include "objects/ColorRect.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTextDocument>

#include <memory>

namespace quillmark {

namespace {

// Each line keeps this distance from the frame's left and right sides.
constexpr qreal LineFragmentPadding = 5.0;

// Text is laid out in page points: a device of 72 dots per inch makes a 12-point font 12
// units tall whatever the screen's resolution.
QPaintDevice *pointDevice()
{
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dotsPerMeter = qRound(72.0 / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return &device;
}

} // namespace

void ColorRect::drawText(QPainter *painter)
{
    // While the text is edited in place the editor shows it; shaped text is the outline.
    if (!painter || _iseditable || _powertext)
        return;
    if (_text->isEmpty()) {
        overfill = false;
        return;
    }
    // A copy is laid out, so drawing never changes the document the editor works on.
    std::unique_ptr<QTextDocument> layout(_text->clone());
    layout->documentLayout()->setPaintDevice(pointDevice());
    layout->setDocumentMargin(0);
    layout->setTextWidth(std::max<qreal>(0.0, _frameBounds.width() - 2 * LineFragmentPadding));
    const bool lastBox = textContainerIndex() + 1 >= textContainerCount();
    overfill = lastBox && layout->size().height() > _frameBounds.height();

    auto paint = [&](QPainter *p) {
        p->setClipRect(_frameBounds, Qt::IntersectClip);
        p->translate(_frameBounds.x() + LineFragmentPadding, _frameBounds.y());
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, Qt::black);
        layout->documentLayout()->draw(p, context);
    };
    painter->save();
    if (drawsShadow())
        paintWithShadow(painter, _frameBounds, displayedZoom(), paint);
    else
        paint(painter);
    painter->restore();
}

BezierPath ColorRect::shapedTextOutline(const QRectF &glyphRect) const
{
    return BezierPath::bezierPathWithRect(glyphRect);
}

int ColorRect::textContainerCount() const
{
    return 1;
}

int ColorRect::textContainerIndex() const
{
    return 0;
}

} // namespace quillmark
