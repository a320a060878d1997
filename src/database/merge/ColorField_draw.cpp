// How a merge field draws: the title in brackets while the user designs, the record's value
// or picture in database preview and while printing, its outline and its selection marks.
#include "database/merge/ColorField.h"

#include <QFontDatabase>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "database/store/Database.h"
#include "database/merge/FieldPair.h"
#include "objects/CanvasServices.h"
#include "objects/StringLayout.h"
#include "objects/specImage.h"
#include "platform/Pen.h"
#include "platform/SavedPainterState.h"

namespace quillmark {

namespace {

constexpr qreal LineFragmentPadding = 5.0;

// The outline of a text field on the screen, when the painter keeps rectangles upright: each
// edge one row or column of whole device pixels, filled directly. The marks of every selected
// field are drawn at each repaint, and a design seen whole shows thousands of them; a stroke
// blends each of its pixels on its own, the direct fill a whole edge at once. Answers false
// when the outline is turned (it is stroked as before).
bool fillUprightOutline(QPainter *painter, const QRectF &rect, const QColor &color)
{
    const QTransform toDevice = painter->deviceTransform();
    if (toDevice.type() > QTransform::TxScale || !toDevice.isInvertible() || painter->opacity() != 1.0
        || painter->compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    const QRectF device = toDevice.mapRect(rect);
    const double edges[4] = {std::floor(device.left()), std::floor(device.top()), std::floor(device.right()),
                             std::floor(device.bottom())};
    for (const double edge : edges) {
        if (!(std::abs(edge) < 1e8))
            return false;
    }
    const int left = int(edges[0]);
    const int top = int(edges[1]);
    const int width = int(edges[2]) - left + 1;
    const int height = int(edges[3]) - top + 1;
    const QTransform world = painter->worldTransform();
    const bool smooth = painter->testRenderHint(QPainter::Antialiasing);
    painter->setWorldTransform(toDevice.inverted() * world);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->fillRect(QRect(left, top, width, 1), color);
    if (height > 1)
        painter->fillRect(QRect(left, top + height - 1, width, 1), color);
    if (height > 2) {
        painter->fillRect(QRect(left, top + 1, 1, height - 2), color);
        if (width > 1)
            painter->fillRect(QRect(left + width - 1, top + 1, 1, height - 2), color);
    }
    painter->setRenderHint(QPainter::Antialiasing, smooth);
    painter->setWorldTransform(world);
    return true;
}

} // namespace

void ColorField::drawFrame(QPainter *painter, const QRectF &aRect, bool selected)
{
    if (!painter || _hidden)
        return;
    const bool printing = isDrawingForPrint();
    if (printing && _isTitle && pair()) {
        // An empty value prints no title.
        ColorField *contents = pair()->contentsObject();
        if (contents && contents != this && contents->text().isEmpty())
            return;
    }
    // The base object draws the fill, the stroke and the picture; a text field without fill
    // and stroke has nothing for it to draw.
    if (drawsImage() || (canFill() && drawsFill()) || (canStroke() && drawsStroke()))
        ColorRect::drawFrame(painter, aRect, selected);

    const QRectF frame = _frameBounds;
    if (drawsImage()) {
        const bool preview = _mainView && _mainView->databasePreview();
        if (printing || (preview && hasValidImage()))
            return;
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPointSizeF(9.0);
        const QString title = Database::fieldTitleAtPk(_pk);
        const QString label = preview ? QStringLiteral("No %1").arg(title) : QStringLiteral("[%1]").arg(title);
        const QColor color = preview ? QColor::fromRgbF(0.8f, 0.8f, 0.8f, 0.5f) : strokeColor();
        // Laid out again only when the label changes: every picture field is drawn at every paint.
        m_placeholder.setText(label, font, color);
        const QSizeF size = m_placeholder.size();
        SavedPainterState state(painter);
        flipFrame(painter);
        rotateFrame(painter, angle());
        painter->setPen(color);
        m_placeholder.draw(painter, QPointF(frame.x() + (frame.width() - size.width()) / 2.0, frame.y() + 15.0));
        return;
    }

    if (_iseditable || _powertext)
        return;
    const StringLayout &layout = shownLayout();
    QPointF origin;
    bool clip = false;
    if (!_isTitle && !showsRecordValues()) {
        // Design mode: the title in brackets, centred in the frame.
        const QSizeF size = layout.size();
        origin = QPointF(frame.x() + (frame.width() - size.width()) / 2.0,
                         frame.y() + (frame.height() - (size.height() + 1.0)) / 2.0);
    } else {
        if (layout.isEmpty())
            return;
        origin = QPointF(frame.x() + LineFragmentPadding, frame.y());
        // The text is clipped to the frame; the frame is the text's own size, so only glyphs
        // that reach out of their line need it.
        clip = !frame.contains(layout.inkBounds().translated(origin));
    }
    SavedPainterState state(painter);
    if (!(pair() && pair()->isEditable())) {
        flipFrame(painter);
        rotateFrame(painter, angle());
    }
    // On the screen, fields showing one text copy one picture of it.
    if (!clip && !drawsShadow() && imageUse(painter) == ImageUse::Screen && layout.drawPicture(painter, origin))
        return;
    if (clip)
        painter->setClipRect(frame, Qt::IntersectClip);
    auto paint = [&](QPainter *p) { layout.draw(p, origin); };
    if (drawsShadow())
        paintWithShadow(painter, frame, paint);
    else
        paint(painter);
}

std::optional<QRectF> ColorField::printedBounds() const
{
    if (_hidden)
        return QRectF();
    if (isDrawingForPrint() && _isTitle && pair()) {
        ColorField *contents = pair()->contentsObject();
        if (contents && contents != this && contents->text().isEmpty())
            return QRectF();
    }
    if (drawsImage() || (canFill() && drawsFill()) || (canStroke() && drawsStroke()) || drawsShadow()
        || angle() != 0.0f || flipHor() || flipVert() || _iseditable || _powertext || !showsRecordValues())
        return std::nullopt;
    const StringLayout &layout = shownLayout();
    if (layout.isEmpty())
        return QRectF();
    const QRectF frame = _frameBounds;
    const QRectF ink = layout.inkBounds().translated(frame.x() + LineFragmentPadding, frame.y());
    return frame.contains(ink) ? ink : frame;
}

QRectF ColorField::outlineRect() const
{
    QRectF rect = _frameBounds;
    if (canStroke() && drawsStroke()) {
        const double half = strokeLineWidth() / 2.0;
        rect.adjust(half, half, -half, -half);
    }
    const double margin = inset();
    rect.adjust(margin, 0, -margin, 0);
    return rect;
}

BezierPath ColorField::bezierPath() const
{
    const float width = strokeLineWidth();
    BezierPath path = BezierPath::bezierPathWithRect(outlineRect());
    if (width > 0)
        path.setLineWidth(width);
    return path;
}

void ColorField::drawSelect(QPainter *painter, const QRectF &)
{
    if (!painter || _hidden)
        return;
    SavedPainterState state(painter);
    if (drawsImage()) {
        if (_iseditable)
            return;
        flipFrame(painter);
        rotateFrame(painter, angle());
        drawHandlesInView(painter);
        drawCenter(painter);
        return;
    }
    if (isDrawingForPrint())
        return;
    if (!(pair() && pair()->isEditable())) {
        flipFrame(painter);
        rotateFrame(painter, angle());
    }
    const double zoom = getZoom() > 0 ? getZoom() : 1.0;
    const QColor color = _isSelected ? QColor(Qt::blue) : QColor::fromRgbF(0.7f, 0.7f, 0.7f, 1.0f);
    // The hairline is thinner than a pixel: on upright rectangles it is a pixel wide.
    if (0.3 / zoom * std::abs(painter->deviceTransform().m11()) <= 1.0
        && fillUprightOutline(painter, outlineRect(), color))
        return;
    // The outline is the rectangle bezierPath() gives; drawn as one, no path is built for each
    // of the thousands a turn of many pairs outlines at every step.
    painter->setPen(makePen(color, 0.3 / zoom));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(outlineRect());
}

void ColorField::drawImage(QPainter *painter)
{
    if (!painter || !hasValidImage())
        return;
    const QImage prepared = getImage();
    if (prepared.isNull())
        return;
    const QRectF r = _frameBounds;
    const double w = _image->size().width();
    const double h = _image->size().height();
    if (!(r.width() > 0) || !(r.height() > 0) || !(w > 0) || !(h > 0))
        return;
    const double qx = w / r.width();
    const double qy = h / r.height();
    QRectF fitted = r;
    if (qx <= qy) {
        fitted.setWidth(r.width() * qx / qy);
        fitted.moveLeft(r.x() + (r.width() - fitted.width()) / 2.0);
    } else {
        fitted.setHeight(r.height() * qy / qx);
        fitted.moveTop(r.y() + (r.height() - fitted.height()) / 2.0);
    }
    double sx;
    double sy;
    if (isScaleWithBox()) {
        sx = fitted.width() / w;
        sy = fitted.height() / h;
    } else {
        sx = getXImageScale() / 100.0;
        sy = getYImageScale() / 100.0;
    }
    const QRectF destination(fitted.x() + getXImageOffset() * 72.0, fitted.y() + getYImageOffset() * 72.0,
                             w * sx, h * sy);
    const double opacity = std::clamp(double(imageOpacity()) / 100.0, 0.0, 1.0);
    auto paint = [&](QPainter *p) {
        p->setOpacity(opacity);
        p->setRenderHint(QPainter::SmoothPixmapTransform, true);
        p->drawImage(destination, prepared);
    };
    SavedPainterState state(painter);
    if (drawsShadow())
        paintWithShadow(painter, destination, paint);
    else
        paint(painter);
}

} // namespace quillmark
