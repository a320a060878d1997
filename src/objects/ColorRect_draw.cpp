// How an object paints itself: outline, mirrors and rotation, shadow, fill, image, stroke and
// text, for the screen, printed labels and exported images alike.
#include "objects/ColorRect.h"

#include <QCryptographicHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <cmath>
#include <optional>

#include "foundation/Measures.h"
#include "objects/CDashArray.h"
#include "objects/CanvasServices.h"
#include "objects/ColorUtils.h"
#include "objects/GeometryHelpers.h"
#include "objects/KeptPicture.h"
#include "objects/PictureWorker.h"
#include "objects/specImage.h"
#include "platform/Pen.h"
#include "platform/Shadow.h"
#include "platform/SavedPainterState.h"

namespace quillmark {

namespace {

void intersectClip(QPainter *painter, const BezierPath &path)
{
    QPainterPath area = path.toPainterPath();
    area.setFillRule(path.windingRule() == BezierPath::EvenOddWinding ? Qt::OddEvenFill
                                                                      : Qt::WindingFill);
    painter->setClipPath(area, Qt::IntersectClip);
}

} // namespace

BezierPath ColorRect::bezierPath() const
{
    const float h = (drawsStroke() && canStroke()) ? _lineWidth / 2.0f : 0.0f;
    const QRectF r = _frameBounds.adjusted(h, h, -h, -h);
    BezierPath path;
    if (_powertext && !_iseditable)
        path = shapedTextOutline(r.adjusted(3.0, 3.0, -3.0, -3.0));
    else
        path = BezierPath::bezierPathWithRect(r);
    if (h > 0)
        path.setLineWidth(strokeLineWidth());
    return path;
}

BezierPath ColorRect::bezierClipPath() const
{
    return BezierPath::bezierPathWithRect(_frameBounds);
}

bool ColorRect::isDrawingForPrint() const
{
    return _printDepth > 0 || (_mainView && _mainView->isPrinting());
}

double ColorRect::displayedZoom() const
{
    // A printed or exported label must look the same whatever zoom the screen shows.
    if (isDrawingForPrint() || !_mainView)
        return 1.0;
    const double zoom = _mainView->getZoom();
    return std::isfinite(zoom) && zoom > 0 ? zoom : 1.0;
}

void ColorRect::paintWithShadow(QPainter *painter, const QRectF &approxBounds,
                                const std::function<void(QPainter *)> &paint) const
{
    if (const std::optional<Shadow> shadow = shadowLook())
        shadow->draw(painter, approxBounds, paint);
    else
        paint(painter);
}

void ColorRect::paintWithShadow(QPainter *painter, const QRectF &approxBounds,
                                const std::function<void(QPainter *)> &paint,
                                const std::optional<Shadow::Source> &source) const
{
    const std::optional<Shadow> shadow = shadowLook();
    if (!shadow)
        paint(painter);
    else if (source && takesKeptLooks(painter))
        shadow->draw(painter, approxBounds, paint, *source);
    else
        shadow->draw(painter, approxBounds, paint);
}

Shadow::Source ColorRect::shadowSource(char kind) const
{
    // The shadow layers the screen finds missing are blurred on the picture worker's thread.
    static const bool blurredAside = [] {
        Shadow::setAsideRunner([](std::function<void()> make, std::function<void()> arrived) {
            if (PictureWorker::onWindowThread()) {
                make();
                arrived();
                return;
            }
            auto job = std::make_shared<PictureWorker::Job>();
            job->make = [make = std::move(make)] {
                make();
                return QImage();
            };
            job->arrived = [arrived = std::move(arrived)](const QImage &) { arrived(); };
            PictureWorker::submit(job);
        });
        return true;
    }();
    Q_UNUSED(blurredAside);
    Shadow::Source source;
    source.corner = _frameBounds.topLeft();
    source.add(kind);
    return source;
}

void ColorRect::addCoverage(Shadow::Source &source, const QColor &color)
{
    source.add(color.isValid(), float(color.alphaF()));
}

bool ColorRect::addOutline(Shadow::Source &source, const BezierPath &outline)
{
    constexpr int MostElements = 32;
    if (outline.elementCount() > MostElements)
        return false;
    source.add(outline.elementCount(), int(outline.windingRule()));
    for (const BezierPath::Element &e : outline.elements()) {
        source.add(int(e.type));
        for (int k = 0; k < BezierPath::pointCount(e.type); ++k)
            source.add(e.points[k] - source.corner);
    }
    return true;
}

void ColorRect::addOutlineDigest(Shadow::Source &source, const BezierPath &outline)
{
    KeyBytes whole;
    whole.add(outline.elementCount(), int(outline.windingRule()));
    for (const BezierPath::Element &e : outline.elements()) {
        whole.add(int(e.type));
        for (int k = 0; k < BezierPath::pointCount(e.type); ++k)
            whole.add(e.points[k] - source.corner);
    }
    const QByteArray digest = QCryptographicHash::hash(whole.bytes, QCryptographicHash::Sha256);
    source.bytes.append(digest);
}

std::optional<Shadow> ColorRect::shadowLook() const
{
    const std::optional<QColor> color = createCGColorFromNSColor(_shadowColor);
    if (!color)
        return std::nullopt;
    const double a = double(float(_shadowAngle)) * Pi / 180.0;
    const double d = double(float(_shadowDistance));
    Shadow shadow;
    // Given in the output's y-up sense and not turned with the object: 45 degrees falls to
    // the lower right whatever the object's rotation or mirrors.
    shadow.offset = QPointF(d * std::cos(-a), d * std::sin(-a));
    shadow.blurRadius = double(_shadowBlur);
    shadow.color = *color;
    // Page points, like everything else of the object: the painter's transform carries the
    // screen's zoom and the output's resolution alike, so a shadow measures the same on the
    // screen at any zoom, on paper and in a bitmap of any resolution.
    shadow.units = Shadow::Units::UserSpace;
    return shadow;
}

void ColorRect::drawFrame(QPainter *painter, const QRectF &, bool)
{
    if (!painter)
        return;
    // A box without shaped text has its frame's rectangle for outline, never empty: a box
    // filled plainly, stroked by no line and showing no picture needs no outline made.
    const bool needsOutline = _powertext || (canFill() && drawsFill() && _fillType != 0)
                              || (canDrawsImage() && drawsImage())
                              || (canStroke() && drawsStroke() && strokeLineWidth() > 0);
    const BezierPath outline = needsOutline ? bezierPath() : BezierPath();
    // Only a mirror or a turn, a clip or a shadow changes the painter's state here; an
    // upright plain box leaves it as it found it without saving it (thousands of boxes
    // are drawn at each repaint).
    const bool turned = !_iseditable && (_flipH || _flipV || angle() != 0.0f);
    std::optional<SavedPainterState> outer;
    if (turned) {
        outer.emplace(painter);
        flipFrame(painter);
        rotateFrame(painter, angle());
    }
    const bool changesState = clip || drawsShadow();

    if (!needsOutline || !outline.isEmpty()) {
        const bool filled = canFill() && drawsFill();
        const bool shaped = _powertext;

        if (filled) {
            // The screen draws a gradient from an image of it kept at the zoom.
            const bool screen = _fillType != 0 && takesKeptLooks(painter);
            std::optional<SavedPainterState> fillState;
            if (changesState || _fillType != 0)
                fillState.emplace(painter);
            const QRectF gradientBounds = outline.bounds();
            auto paintFill = [&](QPainter *p) {
                if (clip)
                    intersectClip(p, *clip);
                switch (_fillType) {
                case 0:
                    if (shaped)
                        p->fillPath(filledArea(outline), fillColor());
                    else if (drawsScreenOfMany(p))
                        // The whole box, under the stroke too: the stroke is drawn inside it.
                        // Thousands of boxes are filled at each repaint of the screen.
                        KeptPicture::fillInBands(p, _frameBounds, fillColor());
                    else
                        p->fillRect(_frameBounds, fillColor());
                    break;
                case 1:
                case 2:
                    // Shaped text takes the gradient through its glyphs' outline.
                    if (shaped)
                        intersectClip(p, outline);
                    if (screen && drawKeptGradient(p, gradientBounds))
                        break;
                    if (_fillType == 1)
                        drawRadialGradient(p, fillColor(), _fillColor2, gradientBounds);
                    else
                        drawAxialGradient(p, fillColor(), _fillColor2, _fillAngle * Pi / 180.0,
                                          gradientBounds);
                    break;
                default:
                    break;
                }
            };
            if (drawsShadow()) {
                // The coverage of the fill: the frame's box, or the gradient's bounds (the radial
                // one leaves the corners bare), in the alpha of its colours.
                std::optional<Shadow::Source> source;
                if (!clip) {
                    source = shadowSource('F');
                    source->add(_fillType, _frameBounds.size());
                    addCoverage(*source, fillColor());
                    if (_fillType == 1 || _fillType == 2) {
                        source->add(gradientBounds.translated(-source->corner), _fillAngle);
                        addCoverage(*source, _fillColor2);
                    }
                    // Shaped text casts its glyphs' outline, named by a digest of it.
                    if (shaped)
                        addOutlineDigest(*source, outline);
                }
                paintWithShadow(painter, _frameBounds, paintFill, source);
            } else {
                paintFill(painter);
            }
        }

        if (canDrawsImage() && drawsImage()) {
            // Drawing a picture keeps the painter's state itself; only the clip to the
            // outline needs it saved here.
            std::optional<SavedPainterState> imageState;
            if (!(isScaleWithBox() && !shaped)) {
                imageState.emplace(painter);
                intersectClip(painter, outline);
            }
            drawImage(painter);
        }

        const float width = strokeLineWidth();
        if (canStroke() && drawsStroke() && width > 0) {
            std::optional<SavedPainterState> strokeState;
            if (changesState)
                strokeState.emplace(painter);
            // A stored pattern number outside the list (a damaged document) strokes solid.
            const QList<qreal> dashes = _linePattern > 0
                ? CDashArray::dashLengths(_linePattern, _lineWidth)
                : QList<qreal>();
            const QPen pen = makePen(strokeColor(), outline.lineWidth(), dashes);
            const QPainterPath line = outline.toPainterPath();
            auto paintStroke = [&](QPainter *p) {
                if (clip)
                    intersectClip(p, *clip);
                p->strokePath(line, pen);
            };
            // A filled object casts its shadow from the fill alone.
            if (drawsShadow() && !filled) {
                const qreal reach = outline.lineWidth();
                std::optional<Shadow::Source> source;
                if (!clip) {
                    source = shadowSource('S');
                    source->add(outline.lineWidth(), _lineWidth, _linePattern);
                    addCoverage(*source, strokeColor());
                    // Shaped text's glyphs make an outline too long to name point by point.
                    if (!addOutline(*source, outline))
                        addOutlineDigest(*source, outline);
                }
                paintWithShadow(painter, outline.bounds().adjusted(-reach, -reach, reach, reach),
                                paintStroke, source);
            } else {
                paintStroke(painter);
            }
        }
    }

    drawText(painter);
}

bool ColorRect::drawKeptGradient(QPainter *painter, const QRectF &bounds) const
{
    // The image has a pixel of the device for each of the bounds' pixels, upright or turned.
    const QTransform t = painter->deviceTransform();
    const double w = std::ceil(bounds.width() * std::hypot(t.m11(), t.m12()));
    const double h = std::ceil(bounds.height() * std::hypot(t.m21(), t.m22()));
    constexpr double MostPixels = 4096.0;
    if (t.type() == QTransform::TxProject || !(w >= 1 && w <= MostPixels) || !(h >= 1 && h <= MostPixels))
        return false;
    const QSize pixels{int(w), int(h)};
    KeyBytes key;
    key.add('R', _fillType, pixels, fillColor().rgba64(), _fillColor2.rgba64(), fillColor().isValid(),
            _fillColor2.isValid(), _fillAngle);
    drawGradientImage(painter, bounds, pixels, &key.bytes, [this](QPainter *p, const QRectF &whole) {
        if (_fillType == 1)
            drawRadialGradient(p, fillColor(), _fillColor2, whole);
        else
            drawAxialGradient(p, fillColor(), _fillColor2, _fillAngle * Pi / 180.0, whole);
    });
    return true;
}

QRectF ColorRect::imageDestination(QSizeF imageSize, bool isVector) const
{
    const QRectF f = _frameBounds;
    double w = imageSize.width();
    double h = imageSize.height();
    // Vector images are rasterised with their larger side at 1500 points.
    if (isVector && w < 1500 && h < 1500) {
        const float factor = std::min(float(1500.0 / w), float(1500.0 / h));
        w *= factor;
        h *= factor;
    }
    double fx;
    double fy;
    if (_isscalewithbox) {
        fx = f.width() / w;
        fy = f.height() / h;
    } else {
        fx = double(getXImageScale() / 100.0f);
        fy = double(getYImageScale() / 100.0f);
    }
    return QRectF(f.x() + double(getXImageOffset()) * 72.0, f.y() + double(getYImageOffset()) * 72.0, w * fx,
                  h * fy);
}

void ColorRect::drawPreparedImage(QPainter *painter, const QImage &prepared, QSizeF imageSize,
                                  bool isVector, int rotation)
{
    if (!painter || prepared.isNull() || !(imageSize.width() > 0) || !(imageSize.height() > 0))
        return;
    SavedPainterState state(painter);
    const QRectF destination = imageDestination(imageSize, isVector);
    if (rotation != 0) {
        // The image turns clockwise on the page about its own centre.
        const QPointF c = destination.center();
        painter->translate(c);
        painter->rotate(rotation);
        painter->translate(-c);
    }
    const double opacity = std::clamp(double(img_opacity) / 100.0, 0.0, 1.0);
    // Only the canvas draws from a reduced copy; a printer, a PDF and an exported or preview
    // bitmap get every pixel of the picture.
    const bool onScreen = imageUse(painter) == ImageUse::Screen;
    // The shadow's layer is drawn with the painter's own scale: the same pixels serve both.
    const QImage *drawn = &prepared;
    if (onScreen) {
        // The pixels the picture's own width and height cover on the device, turned or not.
        const QTransform t = painter->deviceTransform();
        const QSizeF shown(destination.width() * std::hypot(t.m11(), t.m12()),
                           destination.height() * std::hypot(t.m21(), t.m22()));
        if (t.type() != QTransform::TxProject)
            drawn = &screenImage(prepared, shown);
    }
    auto paint = [&](QPainter *p) {
        p->setOpacity(opacity);
        p->setRenderHint(QPainter::SmoothPixmapTransform, true);
        // Thousands of pictures are drawn at each repaint of the screen.
        if (drawsScreenOfMany(p))
            KeptPicture::drawImageInBands(p, destination, *drawn);
        else
            p->drawImage(destination, *drawn);
    };
    if (drawsShadow()) {
        std::optional<Shadow::Source> source = shadowSource('I');
        source->add(drawn->cacheKey(), destination.translated(-source->corner), rotation, opacity);
        paintWithShadow(painter, destination, paint, source);
    } else {
        paint(painter);
    }
}

const QImage &ColorRect::screenImage(const QImage &prepared, QSizeF devicePixels)
{
    if (!(devicePixels.width() > 0) || !(devicePixels.height() > 0) || !std::isfinite(devicePixels.width())
        || !std::isfinite(devicePixels.height()))
        return prepared;
    // Halvings that keep at least the shown pixels on both sides.
    const double spare = std::min(prepared.width() / devicePixels.width(), prepared.height() / devicePixels.height());
    const int wanted = spare >= 2.0 ? std::min(int(std::floor(std::log2(spare))), 16) : 0;
    const bool held = _screenImage.source == prepared.cacheKey() && !_screenImage.image.isNull();
    // A held copy with up to four times the pixels needed on a side serves as well: a zoom
    // step or a frame dragged to another size reuses it, even back and forth over a halving.
    if (held && (_screenImage.halvings == wanted || _screenImage.halvings == wanted - 1))
        return _screenImage.image;
    if (wanted == 0) {
        _screenImage = {};
        return prepared;
    }
    const double reduce = std::ldexp(1.0, -wanted);
    const QSize size(std::max(1, int(std::ceil(prepared.width() * reduce))),
                     std::max(1, int(std::ceil(prepared.height() * reduce))));
    QImage reduced = prepared.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    reduced = reduced.convertToFormat(reduced.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                : QImage::Format_RGB32);
    if (reduced.isNull())
        return prepared;
    _screenImage = {prepared.cacheKey(), wanted, std::move(reduced)};
    return _screenImage.image;
}

void ColorRect::drawImage(QPainter *painter)
{
    if (!painter)
        return;
    if (_missingImage) {
        drawMissingImage(painter);
        return;
    }
    // A picture is made at the pixels it covers on the output: a drawing rasterised so (a
    // poster-sized PDF page in a small box needs a small raster, a PDF's drawing a printer's),
    // a photo on the screen decoded or scaled so; under a perspective at its full size.
    QSizeF shown;
    if (_image && _image->size().width() > 0 && _image->size().height() > 0)
        shown = specImage::devicePixels(painter, imageDestination(_image->size(), _image->isVector()));
    const ImageUse use = imageUse(painter);
    const PreparedImage prepared = preparedImage(shown, use);
    if (prepared.image.isNull()) {
        if (prepared.waiting)
            drawPendingImage(painter, prepared.size, prepared.isVector, prepared.rotation);
        else if (use == ImageUse::Screen && _image && _image->isUndecodable())
            // A picture whose stored pixels turned out damaged: kept as it came, marked here.
            drawMissingImage(painter);
        // A missing or unreadable image prepares to a null image and draws nothing.
        return;
    }
    drawPreparedImage(painter, prepared.image, prepared.size, prepared.isVector, prepared.rotation);
}

namespace {
thread_local int screenDrawings = 0;
thread_local quint64 standIns = 0;
}

ColorRect::ScreenDrawing::ScreenDrawing()
{
    ++screenDrawings;
}

ColorRect::ScreenDrawing::~ScreenDrawing()
{
    --screenDrawings;
}

bool ColorRect::ScreenDrawing::active()
{
    return screenDrawings > 0;
}

void ColorRect::ScreenDrawing::standInDrawn()
{
    ++standIns;
}

quint64 ColorRect::ScreenDrawing::standInsDrawn()
{
    return standIns;
}

ColorRect::ImageUse ColorRect::imageUse(const QPainter *painter) const
{
    if (_mainView && _mainView->isDrawingDocumentPreview())
        return ImageUse::Thumbnail;
    if (isDrawingForPrint())
        return ImageUse::Exact;
    const QPaintDevice *device = painter ? painter->device() : nullptr;
    return (device && device->devType() == QInternal::Widget) || screenDrawings > 0 ? ImageUse::Screen
                                                                                  : ImageUse::Exact;
}

bool ColorRect::drawsScreenOfMany(const QPainter *painter) const
{
    return _mainView && _mainView->objectCount() >= ManyObjects && imageUse(painter) == ImageUse::Screen;
}

void ColorRect::drawPendingImage(QPainter *painter, QSizeF imageSize, bool isVector, int rotation) const
{
    if (!painter || !(imageSize.width() > 0) || !(imageSize.height() > 0))
        return;
    SavedPainterState state(painter);
    const QRectF destination = imageDestination(imageSize, isVector);
    if (rotation != 0) {
        const QPointF c = destination.center();
        painter->translate(c);
        painter->rotate(rotation);
        painter->translate(-c);
    }
    if (drawsScreenOfMany(painter))
        KeptPicture::fillInBands(painter, destination, QColor(128, 128, 128, 40));
    else
        painter->fillRect(destination, QColor(128, 128, 128, 40));
}

void ColorRect::drawMissingImage(QPainter *painter) const
{
    // Printed and exported labels leave the place empty, as for any picture that cannot
    // be drawn; the screen shows where the picture belongs.
    if (!painter || isDrawingForPrint() || _frameBounds.isEmpty())
        return;
    const double z = getZoom();
    SavedPainterState state(painter);
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->fillRect(_frameBounds, QColor(128, 128, 128, 48));
    const QPen pen = makePen(QColor(96, 96, 96, 200), 1.0 / z);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    const QRectF inner = _frameBounds.adjusted(0.5 / z, 0.5 / z, -0.5 / z, -0.5 / z);
    painter->drawRect(inner);
    painter->drawLine(inner.topLeft(), inner.bottomRight());
    painter->drawLine(inner.topRight(), inner.bottomLeft());
}

void ColorRect::printFrame(QPainter *painter, const QRectF &aRect, int)
{
    ++_printDepth;
    drawFrame(painter, aRect, false);
    --_printDepth;
}

void ColorRect::setEditable(bool flag)
{
    _iseditable = flag;
    _flag = true;
}

void ColorRect::drawRect(QPainter *painter, const QRectF &rect)
{
    if (!painter || !(_iseditable && _powertext && _flag))
        return;
    const QRectF saved = _frameBounds;
    _frameBounds.moveTopLeft(QPointF(0, 0));
    {
        SavedPainterState state(painter);
        painter->setClipRect(_mainView ? _mainView->bounds() : QRectF(), Qt::IntersectClip);
        drawFrame(painter, rect, false);
    }
    _frameBounds = saved;
    _flag = false;
}

BezierPath ColorRect::bezierWrapPath() const
{
    const BezierPath outline = bezierPath();
    // An upright object's outline is its own turned outline.
    const BezierPath turned = getRotatedBoundsPath(outline).value_or(outline);
    if (_textRunaroundMode != 2 || !_mainView)
        return turned;
    const QRectF around = turned.bounds();
    const double labelWidth = _mainView->labelWidth();
    const double extra = (_mainView->bounds().width() - labelWidth) / 2.0 - 1.0;
    return BezierPath::bezierPathWithRect(
        QRectF(QPointF(-extra, around.top()), QPointF(labelWidth + extra, around.bottom())));
}

void ColorRect::print()
{
    if (_mainView)
        _mainView->print();
}

void ColorRect::drawCenter(QPainter *painter)
{
    if (!painter)
        return;
    const double z = getZoom();
    const QPointF c = bezierPath().bounds().center();
    const double reach = 7.0 / z;
    SavedPainterState state(painter);
    painter->setPen(makePen(Qt::blue, 0.5 / z));
    painter->drawLine(QPointF(c.x(), c.y() - reach), QPointF(c.x(), c.y() + reach));
    painter->drawLine(QPointF(c.x() - reach, c.y()), QPointF(c.x() + reach, c.y()));
}

} // namespace quillmark
