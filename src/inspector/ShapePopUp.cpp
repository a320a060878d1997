#include "inspector/ShapePopUp.h"

#include <QEvent>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "objects/PathWarps.h"
#include "platform/BezierPath.h"

namespace quillmark {

namespace {

// The warps step in whole points, so the sample is bent at four times the picture's size
// and drawn smaller; a small box would show the steps rather than the shape.
constexpr qreal SampleScale = 4.0;

BezierPath sampleWord(const QRectF &box)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(100);
    QPainterPath text;
    text.addText(0, 0, font, QStringLiteral("ABC"));
    const QRectF glyphs = text.boundingRect();
    // Stretched to fill the box, as shaped text fills its object.
    QTransform fit;
    fit.translate(box.x(), box.y());
    fit.scale(box.width() / glyphs.width(), box.height() / glyphs.height());
    fit.translate(-glyphs.x(), -glyphs.y());
    return BezierPath::fromPainterPath(fit.map(text)).flattened(0.5);
}

} // namespace

ShapePopUp::ShapePopUp(QWidget *parent)
    : QComboBox(parent)
{
    setIconSize(QSize(44, 18));
    for (int i = 0; i < shapeCount; ++i)
        addItem(QString());
    updatePictures();
}

QPixmap ShapePopUp::shapePicture(int index, const QSize &size, const QColor &ink, qreal pixelRatio)
{
    QPixmap picture(size * pixelRatio);
    picture.setDevicePixelRatio(pixelRatio);
    picture.fill(Qt::transparent);
    const QRectF box(0, 0, size.width() * SampleScale, size.height() * SampleScale);
    // The object stores the item + 1; 1 is the plain stretch.
    const int style = index + 1;
    BezierPath path = sampleWord(box.adjusted(1, 1, -1, -1));
    if (style >= 2) {
        if (std::optional<BezierPath> warped = PathWarps::warpBezierPath(&path, style, box))
            path = *warped;
    }
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(1.0 / SampleScale, 1.0 / SampleScale);
    QPainterPath shape = path.toPainterPath();
    shape.setFillRule(Qt::WindingFill);
    painter.fillPath(shape, ink);
    return picture;
}

void ShapePopUp::updatePictures()
{
    const QColor ink = palette().color(QPalette::Text);
    for (int i = 0; i < count(); ++i)
        setItemIcon(i, QIcon(shapePicture(i, iconSize(), ink, devicePixelRatioF())));
}

void ShapePopUp::changeEvent(QEvent *event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updatePictures();
}

} // namespace quillmark
