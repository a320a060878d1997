// The drawing of a path object: the outline with fill, gradient, shadow, image and stroke, kept
// as a picture for an outline of many thousand points, and the selection's marks.
#include "objects/ColorPath.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cmath>
#include <atomic>
#include <deque>
#include <functional>
#include <typeinfo>

#include "foundation/Measures.h"
#include "objects/BezierPathArchive.h"
#include "objects/CDashArray.h"
#include "objects/CanvasServices.h"
#include "objects/ColorUtils.h"
#include "objects/GeometryHelpers.h"
#include "objects/KnobResize.h"
#include "objects/specImage.h"
#include "platform/Archiver.h"
#include "platform/CoverageMask.h"
#include "platform/Pen.h"
#include "platform/SavedPainterState.h"
#include "platform/Shadow.h"

namespace quillmark {

// ---- drawing ----

void ColorPath::drawFrame(QPainter *painter, const QRectF &aRect, bool selected)
{
    if (!painter)
        return;
    if (edit)
        drawEditBezier(painter);
    else
        drawObject(painter, aRect, selected);
}

// ---- the kept picture of a complex outline ----

quint64 ColorPath::nextPathGeneration()
{
    static std::atomic<quint64> next{0};
    return ++next;
}

namespace {

// The complex outlines stored last, each with the object's outline it was written from (its
// generation and frame) and the pictures kept of it then. A few only: each holds its stored form.
struct StoredOutline
{
    quint64 generation = 0;
    QRectF frame;
    QByteArray data;
    BezierPath outline;
    std::weak_ptr<const void> picture, selectionPicture;
};
constexpr size_t KeptStoredOutlines = 4;

std::deque<StoredOutline> &storedOutlines()
{
    thread_local std::deque<StoredOutline> kept;
    return kept;
}

} // namespace

bool ColorPath::formReadableOffThread(const QTextDocument **text)
{
    *text = nullptr;
    if (typeid(*this) != typeid(ColorPath) || (colorPath && colorPath->elementCount() >= ComplexPathElements))
        return false;
    return partsReadableOffThread(text);
}

QByteArray ColorPath::archivedOutline() const
{
    QRectF frame = _frameBounds;
    if (_isedit)
        frame.adjust(handleWidth(), handleWidth(), -handleWidth(), -handleWidth());
    if (!colorPath || colorPath->elementCount() < ComplexPathElements)
        return BezierPathArchive::archive(fittedTo(frame));
    // Writing an outline of many thousand points takes long; a design saved again, or
    // copied and saved, writes the same outline once.
    auto &kept = storedOutlines();
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        if (it->generation == pathGeneration && it->frame == frame) {
            it->picture = picture.shared();
            it->selectionPicture = selectionPicture.shared();
            return it->data;
        }
    }
    StoredOutline stored;
    stored.generation = pathGeneration;
    stored.frame = frame;
    stored.outline = fittedTo(frame);
    {
        // Kept here already; the tree of its points would only take memory.
        const Archiver::Recording notRecorded(nullptr);
        stored.data = BezierPathArchive::archive(stored.outline);
    }
    stored.picture = picture.shared();
    stored.selectionPicture = selectionPicture.shared();
    kept.push_front(stored);
    if (kept.size() > KeptStoredOutlines)
        kept.pop_back();
    return stored.data;
}

std::optional<ColorPath::KeptOutline> ColorPath::keptOutline(const QByteArray &data)
{
    // The very bytes written, not bytes alike: those are known to be the outline kept. The
    // kept copy of them holds them, so no other data can come to have their address.
    for (const StoredOutline &stored : storedOutlines()) {
        if (stored.data.constData() != data.constData() || stored.data.size() != data.size()
            || stored.outline.elementCount() > BezierPathArchive::MaxElements)
            continue;
        KeptOutline kept;
        kept.outline = stored.outline;
        kept.picture = stored.picture.lock();
        kept.selectionPicture = stored.selectionPicture.lock();
        return kept;
    }
    return std::nullopt;
}

void ColorPath::adoptPictures(const KeptOutline &kept)
{
    // The copy draws as its original does, wherever it stands.
    picture.adopt(kept.picture, pathGeneration, _frameBounds.size());
    selectionPicture.adopt(kept.selectionPicture, pathGeneration, _frameBounds.size());
}

ColorPath::PathLook ColorPath::objectLook() const
{
    PathLook look;
    look.fills = canFill() && drawsFill();
    look.fill = fillColor();
    look.fill2 = _fillColor2;
    look.fillType = _fillType;
    look.fillAngle = _fillAngle;
    look.strokes = canStroke() && drawsStroke();
    look.stroke = strokeColor();
    look.lineWidth = _lineWidth;
    look.linePattern = _linePattern;
    look.shadows = drawsShadow();
    look.shadow = _shadowColor;
    look.shadowBlur = _shadowBlur;
    look.shadowDistance = _shadowDistance;
    look.shadowAngle = _shadowAngle;
    // Drawn upright and laid down turned, the picture serves every turn and mirror.
    if (!turnsAsWhole()) {
        look.angle = angle();
        look.flipH = _flipH;
        look.flipV = _flipV;
    }
    look.images = canDrawsImage() && drawsImage() && (_image || _missingImage);
    if (look.images) {
        look.image = _image.get();
        // The raster the screen shows: one still being made changes it when it arrives.
        look.preparedImage = !_image ? 0 : _image->preparesSlowly() ? _image->shownRasterKey() : getImage().cacheKey();
        look.missingImage = _missingImage.has_value();
        look.opacity = img_opacity;
        look.xOffset = _ximg_offset;
        look.yOffset = _yimg_offset;
        look.xScale = _ximg_scale;
        look.yScale = _yimg_scale;
        look.scaleWithBox = _isscalewithbox;
    }
    look.clip = clip;
    return look;
}

KeptPicture::Subject ColorPath::pictureSubject(KeptPicture::LookPtr look) const
{
    return KeptPicture::Subject{pathGeneration, _frameBounds.size(), std::move(look)};
}

bool ColorPath::turnsAsWhole() const
{
    // A shadow falls the same way on the page whatever the turn: it is drawn turned along
    // with the rest only where there is none.
    return !drawsShadow();
}

KeptPicture::Placement ColorPath::picturePlacement(bool upright) const
{
    // Everything the object paints: the stroke (its joins too), the turned frame, the shadow.
    const double grow = 2.0 * std::max<double>(_lineWidth, 1.0) + 2.0;
    QRectF area = (_angle != 0.0f && !upright ? frameBoundsRotated() : _frameBounds).adjusted(-grow, -grow, grow, grow);
    if (drawsShadow()) {
        const double r = shadowReach();
        area = area.united(area.adjusted(-r, -r, r, r));
    }
    return KeptPicture::Placement{_frameBounds.topLeft(), area};
}

bool ColorPath::drawsFromPictures() const
{
    if (!colorPath || colorPath->elementCount() < ComplexPathElements)
        return false;
    return !isDrawingForPrint() || (_mainView && _mainView->isDrawingDocumentPreview());
}

namespace {

// Paths kept as pictures only because thousands of them fill slowly share this budget: past it
// a path is drawn directly, as it always was, rather than memory following every path shown
// at every zoom. (An outline complex in itself is kept whatever this says.)
std::atomic<qint64> costlyPicturesBudget{256LL * 1024 * 1024};
std::atomic<qint64> costlyPicturesHeld{0};

} // namespace

bool ColorPath::admitCostlyPicture(qint64 &held, qint64 bytes)
{
    if (costlyPicturesHeld.load() - held + bytes > costlyPicturesBudget.load())
        return false;
    costlyPicturesHeld += bytes - held;
    held = bytes;
    return true;
}

void ColorPath::releaseCostlyPicture(qint64 &held)
{
    costlyPicturesHeld -= held;
    held = 0;
}

qint64 ColorPath::setCostlyPicturesBudget(qint64 bytes)
{
    return costlyPicturesBudget.exchange(bytes);
}

bool ColorPath::drawsFromPictures(const QPainter *painter) const
{
    if (drawsFromPictures())
        return true;
    if (!colorPath || !drawsScreenOfMany(painter))
        return false;
    // The rasteriser's work grows with the outline's elements and with the pixels each crosses
    // (a tenth of a microsecond or so for each of both): a dozen points across a hundred and
    // fifty pixels take a quarter of a millisecond, ten thousand of them seconds at each
    // repaint, while a picture of them is copied in microseconds.
    constexpr double CostlyOutline = 1000.0;
    const QRectF onDevice = painter->deviceTransform().mapRect(_frameBounds);
    const double extent = onDevice.width() + onDevice.height();
    return std::isfinite(extent) && double(colorPath->elementCount()) * extent >= CostlyOutline;
}

void ColorPath::pictureArrived(const QRectF &fromCorner)
{
    // Drawn again now with the picture. (A picture of an older place or size is not drawn: it
    // no longer fits.)
    if (_mainView)
        _mainView->invalidateRect(fromCorner.translated(_frameBounds.topLeft()));
}

namespace {

// What drawing a path's outline needs, by value: made on the window's thread, it may be drawn
// on the worker's, while the object goes on changing.
struct OutlineDrawing
{
    BezierPath stored;
    // The outline is fitted into this frame when drawn (the fitting takes as long as a copy).
    QRectF fitInto;
    QRectF frame;
    bool flipH = false, flipV = false;
    float angle = 0;
    // Drawn in the object's own upright frame: the painter turns and mirrors it already.
    bool upright = false;
    bool filled = false;
    int fillType = 0;
    QColor fill, fill2;
    double fillAngle = 0;
    std::optional<BezierPath> clip;
    std::optional<Shadow> shadow;
    // For the screen: what the fill and the stroke cast, so that their shadows' layers are kept.
    std::optional<Shadow::Source> fillSource, strokeSource;
    bool stroked = false;
    QPen pen;
    double lineWidth = 0;
    // The object's image clipped to the outline: the window's thread alone may draw it.
    std::function<void(QPainter *, const BezierPath &)> image;
    // On the screen, draws the gradient over the bounds from the image kept of it (NO when it
    // cannot): a gradient's colours made anew for each of thousands of paths at each repaint
    // cost more than the rest of their drawing.
    std::function<bool(QPainter *, const QRectF &)> keptGradient;
    // Areas within the outline, and wide strokes, are filled by supersampling (for a picture).
    bool supersampled = false;

    // Paints what `paint` paints within the outline.
    void within(QPainter *p, const BezierPath &outline, const std::function<void(QPainter *)> &paint) const
    {
        if (supersampled) {
            paintWithin(p, filledArea(outline), paint);
            return;
        }
        SavedPainterState state(p);
        p->setClipPath(filledArea(outline), Qt::IntersectClip);
        paint(p);
    }

    void strokeLine(QPainter *p, const QPainterPath &line) const
    {
        // A line a device pixel wide or less Qt strokes along its pixels; a wider one it fills
        // as an outline, the cost of a fill.
        const QTransform device = p->deviceTransform();
        const double scale = std::max(std::hypot(device.m11(), device.m12()), std::hypot(device.m21(), device.m22()));
        if (!supersampled || !(pen.widthF() * scale > 1.0)) {
            p->strokePath(line, pen);
            return;
        }
        QPainterPathStroker stroker(pen);
        fillWithin(p, stroker.createStroke(line), pen.color());
    }

    // The frame's mirrors and turn, as ColorRect::flipFrame and rotateFrame apply them.
    void flipAndTurn(QPainter *p) const
    {
        if (upright)
            return;
        const QPointF c = frame.center();
        if (flipH || flipV) {
            QTransform mirror;
            mirror.translate(c.x(), c.y());
            mirror.scale(flipV ? -1.0 : 1.0, flipH ? -1.0 : 1.0);
            mirror.translate(-c.x(), -c.y());
            p->setTransform(mirror, true);
        }
        const float turn = flipH != flipV ? 360.0f - angle : angle;
        if (turn != 0.0f)
            p->setTransform(KnobResize::turnAbout(c, double(turn)), true);
    }

    void withShadow(QPainter *p, const QRectF &bounds, const std::function<void(QPainter *)> &paint,
                    const std::optional<Shadow::Source> &source) const
    {
        if (shadow && source)
            shadow->draw(p, bounds, paint, *source);
        else if (shadow)
            shadow->draw(p, bounds, paint);
        else
            paint(p);
    }

    void paint(QPainter *painter) const
    {
        const BezierPath outline = ColorPath::fitted(stored, fitInto);
        if (outline.isEmpty())
            return;
        SavedPainterState outer(painter);
        flipAndTurn(painter);

        if (filled) {
            SavedPainterState fillState(painter);
            const QRectF area = outline.bounds();
            auto paintFill = [&](QPainter *p) {
                if (clip) {
                    QPainterPath clipArea = filledArea(*clip);
                    p->setClipPath(clipArea, Qt::IntersectClip);
                }
                if (fillType == 0) {
                    if (supersampled)
                        fillWithin(p, filledArea(outline), fill);
                    else
                        p->fillPath(filledArea(outline), fill);
                    return;
                }
                within(p, outline, [&](QPainter *q) {
                    if (keptGradient && keptGradient(q, area))
                        return;
                    if (fillType == 1)
                        drawRadialGradient(q, fill, fill2, area);
                    else if (fillType == 2)
                        drawAxialGradient(q, fill, fill2, fillAngle * Pi / 180.0, area);
                });
            };
            withShadow(painter, area, paintFill, fillSource);
        }

        if (image)
            within(painter, outline, [&](QPainter *q) { image(q, outline); });

        if (stroked) {
            SavedPainterState strokeState(painter);
            const QPainterPath line = outline.toPainterPath();
            auto paintStroke = [&](QPainter *p) { strokeLine(p, line); };
            // A filled path casts its shadow from the fill alone.
            if (!filled) {
                const qreal reach = lineWidth;
                withShadow(painter, outline.bounds().adjusted(-reach, -reach, reach, reach), paintStroke, strokeSource);
            } else {
                paintStroke(painter);
            }
        }
    }
};

} // namespace

void ColorPath::drawObject(QPainter *painter, const QRectF &, bool)
{
    if (!painter || !colorPath)
        return;
    if (!drawsFromPictures(painter)) {
        // Drawn directly on the screen again (made smaller, fewer objects): the pictures kept
        // of it would only take memory.
        if (imageUse(painter) == ImageUse::Screen && (picture.hasPicture() || picture.isPending())) {
            picture.clear();
            releaseCostlyPicture(costlyPictureBytes);
        }
        objectPainting(false, takesKeptLooks(painter))(painter);
        return;
    }
    // Without a picture in the outline, the drawing holds nothing of the object and may be
    // made on another thread.
    const bool selfContained = !showsImageInOutline();
    // The painter turns and mirrors the upright drawing and its picture, so that a turn or a
    // flip lays down the picture kept rather than filling the outline anew.
    const bool upright = turnsAsWhole();
    SavedPainterState turned(painter);
    if (upright) {
        flipFrame(painter);
        rotateFrame(painter, angle());
    }
    // Until the picture arrives, the frame tinted with the path's colour: where the path lies
    // and in what colour, drawn at once.
    auto placeholder = [this, upright](QPainter *p) {
        QColor tint = canFill() && drawsFill() ? fillColor() : strokeColor();
        tint.setAlphaF(tint.alphaF() * 0.25f);
        SavedPainterState state(p);
        if (!upright) {
            flipFrame(p);
            rotateFrame(p, angle());
        }
        KeptPicture::fillInBands(p, _frameBounds, tint);
    };
    const KeptPicture::Subject subject = pictureSubject(std::make_shared<KeptPicture::LookOf<PathLook>>(objectLook()));
    auto forPicture = [this, upright] { return objectPainting(true, false, upright); };
    if (_mainView && _mainView->isDrawingDocumentPreview()) {
        // The small picture a document or a copy carries never waits for a fill of seconds: it
        // takes what is kept, or the placeholder while a picture is made aside for the next.
        if (picture.drawSmall(painter, picturePlacement(upright), subject,
                              selfContained ? std::function<KeptPicture::Painting()>(forPicture) : nullptr))
            return;
        if (selfContained)
            placeholder(painter);
        else
            objectPainting(false, false, upright)(painter);
        return;
    }
    // Thousands of paths may each keep a picture: one of a fill or a stroke alone is kept a
    // byte a pixel (see KeptPicture::compacted).
    KeptPicture::OnScreen screen{placeholder, [this](const QRectF &covered) { pictureArrived(covered); }, false,
                                 {}, true};
    screen.resampled = upright;
    if (!drawsFromPictures())
        screen.admit = [this](qint64 bytes) { return admitCostlyPicture(costlyPictureBytes, bytes); };
    if (!picture.draw(painter, picturePlacement(upright), subject, forPicture, selfContained, screen))
        objectPainting(false, false, upright)(painter);
}

void ColorPath::paintObject(QPainter *painter)
{
    objectPainting()(painter);
}

bool ColorPath::showsImageInOutline() const
{
    // A picture, or the mark of its missing file.
    return canDrawsImage() && drawsImage() && (_image || _missingImage);
}

std::function<void(QPainter *)> ColorPath::objectPainting(bool forPicture, bool forScreen, bool upright)
{
    auto drawing = std::make_shared<OutlineDrawing>();
    drawing->upright = upright;
    drawing->supersampled = forPicture;
    const float half = strokeLineWidth() / 2.0f;
    if (colorPath)
        drawing->stored = *colorPath;
    drawing->fitInto = _frameBounds.adjusted(half, half, -half, -half);
    drawing->frame = _frameBounds;
    drawing->flipH = _flipH;
    drawing->flipV = _flipV;
    drawing->angle = angle();
    drawing->filled = canFill() && drawsFill();
    drawing->fillType = _fillType;
    drawing->fill = fillColor();
    drawing->fill2 = _fillColor2;
    drawing->fillAngle = _fillAngle;
    drawing->clip = clip;
    if (drawsShadow())
        drawing->shadow = shadowLook();
    if (drawing->shadow && forScreen && !clip) {
        // What the outline casts: its shape (this outline fitted into this box), in the alpha
        // of the colours that fill or stroke it.
        Shadow::Source cast = shadowSource('Q');
        cast.add(pathGeneration, drawing->fitInto.translated(-cast.corner));
        drawing->fillSource = cast;
        drawing->fillSource->add(_fillType, _fillAngle);
        addCoverage(*drawing->fillSource, fillColor());
        addCoverage(*drawing->fillSource, _fillColor2);
        drawing->strokeSource = cast;
        drawing->strokeSource->add(_lineWidth, _linePattern);
        addCoverage(*drawing->strokeSource, strokeColor());
    }
    if (showsImageInOutline())
        drawing->image = [this](QPainter *p, const BezierPath &) { drawImage(p); };
    if (forScreen && !forPicture && (_fillType == 1 || _fillType == 2))
        drawing->keptGradient = [this](QPainter *p, const QRectF &bounds) { return drawKeptGradient(p, bounds); };
    const float width = strokeLineWidth();
    if (canStroke() && drawsStroke() && width > 0) {
        drawing->stroked = true;
        const QList<qreal> dashes =
            _linePattern > 0 ? CDashArray::dashLengths(_linePattern, _lineWidth) : QList<qreal>();
        drawing->pen = makePen(strokeColor(), _lineWidth, dashes);
        drawing->lineWidth = _lineWidth;
    }
    return [drawing](QPainter *p) { drawing->paint(p); };
}

std::function<void(QPainter *)> ColorPath::selectionPainting(QColor stroke, double hairline, double dash) const
{
    QRectF frame = _frameBounds;
    if (_isedit)
        frame.adjust(handleWidth(), handleWidth(), -handleWidth(), -handleWidth());
    const BezierPath stored = colorPath ? *colorPath : BezierPath();
    const QPen pen = makePen(stroke, hairline, {dash, dash});
    return [stored, frame, pen](QPainter *p) { p->strokePath(fitted(stored, frame).toPainterPath(), pen); };
}

void ColorPath::drawSelect(QPainter *painter, const QRectF &)
{
    if (!painter)
        return;
    if (edit) {
        drawEditBezierSelect(painter);
        return;
    }
    SavedPainterState state(painter);
    flipFrame(painter);
    rotateFrame(painter, angle());
    if (!_iseditable) {
        drawHandlesInView(painter);
        return;
    }
    if (isDrawingForPrint())
        return;
    if ((!canStroke() || !(strokeLineWidth() > 0)) && drawsStroke())
        painter->strokePath(bezierPath().toPainterPath(),
                            makePen(strokeColor(), 0.2 / displayedZoom()));
}

void ColorPath::drawHandlesInView(QPainter *painter)
{
    if (!painter || isDrawingForPrint())
        return;
    const bool dashed = canStroke() && (strokeLineWidth() == 0.0f || !drawsStroke());
    if (!dashed || !drawsFromPictures(painter)) {
        if (imageUse(painter) == ImageUse::Screen && (selectionPicture.hasPicture() || selectionPicture.isPending())) {
            selectionPicture.clear();
            releaseCostlyPicture(costlySelectionBytes);
        }
        ColorRect::drawHandlesInView(painter);
        return;
    }
    // The dashed outline of a path drawn from pictures is kept as a picture like the path
    // itself; until it arrives the knobs alone show the selection.
    const double z = getZoom();
    SelectionLook look;
    look.stroke = strokeColor();
    look.hairline = 0.2 / displayedZoom();
    look.dash = 2.0 / z;
    auto outline = [this, look] { return selectionPainting(look.stroke, look.hairline, look.dash); };
    KeptPicture::OnScreen screen{{}, [this](const QRectF &covered) { pictureArrived(covered); }, false, {}, true};
    // The painter turns and mirrors the frame already (drawSelect): one picture serves every turn.
    screen.resampled = true;
    if (!drawsFromPictures())
        screen.admit = [this](qint64 bytes) { return admitCostlyPicture(costlySelectionBytes, bytes); };
    if (!selectionPicture.draw(painter, picturePlacement(true),
                               pictureSubject(std::make_shared<KeptPicture::LookOf<SelectionLook>>(look)), outline, true,
                               screen))
        outline()(painter);
    const unsigned mask = knobMask();
    QPointF points[8];
    int count = 0;
    for (int knob = 1; knob <= 8; ++knob) {
        if (mask & (1u << knob))
            points[count++] = KnobResize::knobPosition(_frameBounds, knob);
    }
    drawHandlesAtPoints(std::span<const QPointF>(points, size_t(count)), painter);
}

void ColorPath::drawLinks(QPainter *)
{
}

} // namespace quillmark
