// How a barcode object draws: the placeholder of a bound barcode while the user designs, the
// symbol through the barcode renderer, and the per-label numbering of printing.
#include "barcodes/ColorBarcode.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <atomic>
#include <tuple>
#include <utility>
#include <cmath>

#include <QImage>
#include <QTransform>

#include "barcodes/LinearDrawContext.h"
#include "objects/CanvasServices.h"
#include "objects/MergeSource.h"
#include "foundation/Language.h"
#include "platform/SavedPainterState.h"
#include "platform/Shadow.h"

namespace quillmark {

void ColorBarcode::drawFrame(QPainter *painter, const QRectF &aRect, bool selected)
{
    if (!painter)
        return;
    ColorRect::drawFrame(painter, aRect, selected);

    SavedPainterState state(painter);
    // The record drawn: its own, not copied (every barcode is drawn at every repaint), or a
    // copy with the merged value in place of the typed data.
    std::optional<TBarInfo> merged;
    if (_pk != 0)
        merged = workingBarInfo();
    const TBarInfo *record = merged ? &*merged : &_barInfo;
    const bool boundPreview = _pk != 0 && !showsRecordValues();
    // Into a bitmap (an exported label), a linear symbol's bars and spaces take whole pixels
    // from a pixel's edge, upright or turned by quarter turns and mirrored alike: between
    // pixels they would blur into widths that read as other data. A picture of the screen (a
    // drag keeps them) shows what the screen shows.
    const bool bitmap = painter->device() && painter->device()->devType() == QInternal::Image
                        && imageUse(painter) != ImageUse::Screen;
    // The small picture of the label a design's file or a copy carries takes what the screen
    // keeps: its bars are far finer than a pixel and are not whole pixels.
    const bool smallPicture = _mainView && _mainView->isDrawingDocumentPreview();
    std::optional<PixelBars> bars;
    const QTransform page = painter->worldTransform();
    if (bitmap && !smallPicture && _isDrawBarcode && !isSquareSymbol() && !boundPreview) {
        // The room the symbol has: what the painter is clipped to (the label) on the bitmap.
        const QPaintDevice *device = painter->device();
        QRectF room = painter->deviceTransform().inverted().mapRect(QRectF(0, 0, device->width(), device->height()));
        if (painter->hasClipping())
            room &= painter->clipBoundingRect();
        flipFrame(painter);
        rotateFrame(painter, angle());
        const QTransform object = page.inverted() * painter->worldTransform();
        bars = pixelBars(*record, painter->deviceTransform(), object.inverted().mapRect(room));
        painter->setWorldTransform(page);
    }
    if (bars) {
        flipFrame(painter);
        rotateFrame(painter, angle());
        record = &bars->record;
        painter->translate(bars->shift, 0);
        // The symbol may then be a little wider than its frame; it is not cut.
        painter->setClipRect(bars->shownArea.adjusted(-1, -1, 1, 1), Qt::IntersectClip);
    }
    // The screen draws the symbol, and its shadow, from a picture made aside.
    const bool screenPicture = !bars && !smallPicture && picturesOnScreen(painter);
    // A turned frame clips through its outline filled at the device's pixels, which takes
    // thousands of barcodes turned at once longer than copying their pictures: drawn from a
    // picture, the picture is clipped to the frame where it is made, and the stand-in fills
    // the frame alone. Whatever is filled here is clipped here.
    const bool clipInPicture = screenPicture && !boundPreview && _isDrawBarcode && _angle != 0.0f;
    BezierPath outline;
    if (!bars) {
        outline = getRotatedBounds();
        if (!outline.isEmpty() && !clipInPicture)
            painter->setClipPath(outline.toPainterPath(), Qt::IntersectClip);
        flipFrame(painter);
        rotateFrame(painter, angle());
    }

    if (boundPreview) {
        drawBarcodedPreview(painter);
        return;
    }
    if (!_isDrawBarcode)
        return;

    const bool snap = bars.has_value();
    const BarcodeDrawStyle style = drawStyle();
    const QRectF frame = _frameBounds;
    BarcodeDrawing &kept = keptDrawing(snap);
    const bool printPreview = smallPicture && _mainView->isDrawingPrintPreview();
    if (!kept.matches(frame, *record, style) || !kept.moveTo(frame)) {
        // Where a picture made aside shows the drawing (the screen, the small picture a file
        // or a copy carries), encoding the data and shaping the text under the bars are put
        // off to where the picture is made: thousands of barcodes seen for the first time
        // would hold the window up. Everything else lays it out here.
        const bool aside = !snap && !printPreview && (screenPicture || (smallPicture && !drawsShadow()));
        kept = aside ? BarcodeRenderer::deferredBarcode(frame, *record, style)
                     : BarcodeRenderer::layOutBarcode(frame, *record, style);
        if (!snap)
            _pictureContent = nextPictureContent();
    }
    const bool fromPicture = screenPicture && drawFromPicture(painter, kept, clipInPicture);
    if (!fromPicture && clipInPicture && !outline.isEmpty()) {
        const QTransform turned = painter->worldTransform();
        painter->setWorldTransform(page);
        painter->setClipPath(outline.toPainterPath(), Qt::IntersectClip);
        painter->setWorldTransform(turned);
    }
    // What is filled here, not from a picture, is laid out here (the small picture of a file
    // or a copy takes the stand-in where no picture is kept).
    if (!fromPicture && (drawsShadow() || snap || printPreview || !smallPicture))
        kept.layOut();
    auto paint = [&](QPainter *p) { kept.paint(p); };
    if (!fromPicture) {
        if (drawsShadow())
            paintWithShadow(painter, frame, paint);
        else if (smallPicture)
            drawSmallPicture(painter, kept, paint);
        else
            paint(painter);
    }
    const TBarInfo &drawn = kept.drawnInfo();
    // The extent of bars snapped to a bitmap's pixels is that bitmap's alone.
    if (!snap)
        _barInfo.BarRect = drawn.BarRect;
    _barInfo.pt = drawn.pt;
}

std::optional<ColorBarcode::PixelBars> ColorBarcode::pixelBars(const TBarInfo &info, const QTransform &toDevice,
                                                               const QRectF &room) const
{
    if (toDevice.type() == QTransform::TxProject)
        return std::nullopt;
    // The bars run along the device's rows (their x to its x) or, turned a quarter, along
    // its columns; a turn computed in degrees leaves a trace of the other axis.
    const double ax = toDevice.m11(), ay = toDevice.m12(), bx = toDevice.m21(), by = toDevice.m22();
    const double tiny = 1e-9 * (std::abs(ax) + std::abs(ay) + std::abs(bx) + std::abs(by));
    const bool alongX = std::abs(ay) <= tiny && std::abs(bx) <= tiny && ax != 0 && by != 0;
    const bool alongY = std::abs(ax) <= tiny && std::abs(by) <= tiny && ay != 0 && bx != 0;
    if (!(tiny > 0) || !std::isfinite(tiny) || (!alongX && !alongY))
        return std::nullopt;
    const double perPoint = alongX ? ax : ay;
    const QRectF frame = _frameBounds;
    const BarcodeDrawStyle style = drawStyle();
    // The symbol and its quiet zone run from the whole point of the frame's corner as far as
    // its extent.
    double end = 0;
    auto layOut = [&](bool narrower) {
        PixelBars bars;
        bars.record = BarcodeRenderer::snappedToPixels(info, std::abs(perPoint), narrower);
        const ShortRect extent = BarcodeRenderer::frameExtent(bars.record, frame.size(), style);
        bars.shownArea = frame;
        bars.shownArea.setWidth(std::max(frame.width(), double(extent.width()) + 1.0));
        bars.shownArea.setHeight(std::max(frame.height(), double(extent.height())));
        end = std::trunc(frame.x()) + extent.width();
        return bars;
    };
    PixelBars bars = layOut(false);
    // Whole pixels never widen the symbol past the label (nor past its frame where that
    // reaches further): the module below keeps it in.
    const double limit = std::max(frame.right(), room.isValid() ? room.right() : frame.right());
    if (end > limit + 1e-6) {
        PixelBars narrower = layOut(true);
        if (narrower.record.barW + narrower.record.spaceW < bars.record.barW + bars.record.spaceW)
            bars = std::move(narrower);
    }
    // The first bar starts four points into the frame, on a whole point: moved there to a
    // pixel's edge.
    const double start = std::trunc(frame.x()) + 4.0;
    const QPointF at = toDevice.map(QPointF(start, frame.center().y()));
    const double along = alongX ? at.x() : at.y();
    bars.shift = (std::round(along) - along) / perPoint;
    return bars;
}

QTransform ColorBarcode::turnAndMirrors() const
{
    QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&scratch);
    flipFrame(&painter);
    rotateFrame(&painter, angle());
    return painter.worldTransform();
}

double ColorBarcode::bitmapModule(double dotsPerInch, const QRectF &room) const
{
    const TBarInfo info = workingBarInfo();
    const double chosen = (info.barW + info.spaceW) / 2.0;
    if (!(dotsPerInch > 0) || isSquareSymbol())
        return chosen;
    const QTransform object = turnAndMirrors();
    const double s = dotsPerInch / 72.0;
    const std::optional<PixelBars> bars = pixelBars(info, object * QTransform::fromScale(s, s), object.inverted().mapRect(room));
    return bars ? (bars->record.barW + bars->record.spaceW) / 2.0 : chosen;
}

std::atomic<qint64> &barcodesAlive()
{
    static std::atomic<qint64> count{0};
    return count;
}

quint64 ColorBarcode::nextPictureContent()
{
    static std::atomic<quint64> last{0};
    return ++last;
}

namespace {

// The barcodes whose pictures the screen keeps, from the one whose picture was made last to
// the one whose was made longest ago, and the memory the pictures take. Only the window's
// thread draws to the screen.
struct PictureQueue
{
    ColorBarcode *newest = nullptr;
    ColorBarcode *oldest = nullptr;
    qint64 bytes = 0;
    // The screen's scale pictures were last asked for at, and the bytes of those of it.
    double scale = 0;
    qint64 atScale = 0;
    // Counts the budgets set: a barcode refused under one asks again under the next.
    quint64 budgets = 1;
};

PictureQueue &pictureQueue()
{
    static PictureQueue queue;
    return queue;
}

// What the pictures of all barcodes may hold: those of every barcode the canvas shows at a
// usual zoom.
qint64 pictureBudgetBytes = 256LL * 1024 * 1024;

} // namespace

qint64 ColorBarcode::setPictureBudget(qint64 bytes)
{
    ++pictureQueue().budgets;
    return std::exchange(pictureBudgetBytes, bytes);
}

qint64 ColorBarcode::pictureBytesHeld()
{
    return pictureQueue().bytes;
}

bool ColorBarcode::picturesOnScreen(const QPainter *painter) const
{
    // The screen alone (and the pictures of it a drag keeps): paper, PDF files and exported
    // bitmaps get the bars themselves.
    if (!painter->device() || imageUse(painter) != ImageUse::Screen)
        return false;
    const double scale = screenScale(painter->deviceTransform());
    return scale > 0 && !refusedAt(scale);
}

double ColorBarcode::screenScale(const QTransform &device)
{
    // Turned by any angle or mirrored, the symbol is drawn from a picture of the device's
    // pixels as an upright one is; its scale is the zoom's.
    if (device.type() >= QTransform::TxProject)
        return 0;
    const double scale = std::sqrt(std::abs(device.determinant()));
    return std::isfinite(scale) && scale > 1e-6 ? scale : 0;
}

bool ColorBarcode::drawFromPicture(QPainter *painter, const BarcodeDrawing &kept, bool clipToFrame)
{
    if (!picturesOnScreen(painter))
        return false;
    // Filling the bars of thousands of barcodes takes the canvas far longer than copying their
    // pictures; the picture follows the symbol where it moves. It is made aside: until it
    // comes, the picture of another zoom stretched, or the frame tinted, stands in.
    const double scale = screenScale(painter->deviceTransform());
    const QRectF area = _frameBounds.adjusted(-1, -1, 1, 1);
    const KeptPicture::Placement where{kept.anchor(), area};
    // A shadow is blurred into the picture (on the worker's thread, as the bars are filled),
    // and the picture is of that shadow.
    const std::optional<Shadow> shadow = drawsShadow() ? shadowLook() : std::nullopt;
    KeptPicture::LookPtr look;
    if (shadow)
        look = std::make_shared<KeptPicture::LookOf<std::tuple<double, double, double, QRgb, int>>>(
            std::tuple(shadow->offset.x(), shadow->offset.y(), shadow->blurRadius, shadow->color.rgba(), int(shadow->units)));
    const KeptPicture::Subject subject{_pictureContent, _frameBounds.size(), look};
    if (!_picture)
        _picture = std::make_unique<KeptPicture>();
    KeptPicture::OnScreen screen;
    screen.placeholder = [this, where, subject](QPainter *p) {
        // The picture of another zoom stands in where it is drawn as it was made: turned or
        // mirrored, thousands of smooth turned copies would hold the window longer than the
        // pictures take.
        const QTransform device = p->deviceTransform();
        const bool upright = device.type() <= QTransform::TxScale && device.m11() > 0 && device.m22() > 0;
        if (upright && _picture && _picture->drawFormer(p, where, subject))
            return;
        p->fillRect(_frameBounds, standInColor());
    };
    screen.arrived = [this](const QRectF &covered) {
        CanvasServices *canvas = mainView();
        if (!canvas)
            return;
        // The area covered is in the symbol's own points: turned or mirrored, where it lies
        // on the page is within what the object draws.
        if (angle() != 0.0f || flipHor() || flipVert())
            canvas->invalidateRect(drawingBounds());
        else
            canvas->invalidateRect(covered.translated(_keptDrawings ? _keptDrawings[0].anchor() : _frameBounds.topLeft()));
    };
    screen.admit = [this, scale](qint64 bytes) { return admitPicture(scale, bytes); };
    // The bars and the text under them are of the object's colour: where full pictures of
    // every barcode would pass the budget, each is kept a byte a pixel so that the whole design
    // fits and none is filled (nor its shadow blurred) at every repaint. A shadow of another
    // colour than black bars holds two colours at one coverage; one of black is black too.
    const auto black = [](const QColor &color) { return (color.toRgb().rgba() & 0x00ffffffu) == 0; };
    const bool oneColour = !shadow || (black(shadow->color) && black(strokeColor()));
    const double fullBytes = 4.0 * (area.width() * scale + 2) * (area.height() * scale + 2);
    screen.oneColour = oneColour && double(barcodesAlive().load()) * fullBytes > double(pictureBudgetBytes);
    screen.turned = true;
    const QRectF frame = _frameBounds;
    if (_picture->draw(painter, where, subject, [&kept, &shadow, frame, clipToFrame] {
            return KeptPicture::Painting([drawing = kept.detached(), shadow, frame, clipToFrame](QPainter *p) {
                // Turned with the painter, the frame is the outline the screen would clip to.
                if (clipToFrame)
                    p->setClipRect(frame, Qt::IntersectClip);
                if (shadow)
                    shadow->draw(p, frame, [&drawing](QPainter *q) { drawing.paint(q); });
                else
                    drawing.paint(p);
            });
        }, true, screen))
        return true;
    // Refused, or not to be kept: filled directly, and nothing of a former picture is kept.
    leavePictureQueue();
    _picture.reset();
    return false;
}

void ColorBarcode::drawSmallPicture(QPainter *painter, BarcodeDrawing &kept, const std::function<void(QPainter *)> &paint)
{
    // The print options' preview, which the user looks at while it is up, is exact where the
    // screen keeps no picture; the small picture a file or a copy carries takes the stand-in
    // then, and one is made aside at its scale for the next.
    const bool printPreview = _mainView && _mainView->isDrawingPrintPreview();
    if (!_picture)
        _picture = std::make_unique<KeptPicture>();
    const KeptPicture::Placement where{kept.anchor(), _frameBounds.adjusted(-1, -1, 1, 1)};
    const KeptPicture::Subject subject{_pictureContent, _frameBounds.size(), nullptr};
    std::function<KeptPicture::Painting()> painting;
    if (!printPreview)
        painting = [&kept] {
            return KeptPicture::Painting([drawing = kept.detached()](QPainter *p) { drawing.paint(p); });
        };
    if (_picture->drawSmall(painter, where, subject, painting))
        return;
    if (printPreview)
        paint(painter);
    else
        painter->fillRect(_frameBounds, standInColor());
}

QColor ColorBarcode::standInColor() const
{
    // A quarter of the bars' colour on white, opaque: blending thousands of see-through frames
    // into the window costs what filling their bars does.
    const QColor bars = strokeColor().toRgb();
    const double a = 0.25 * bars.alphaF();
    auto mix = [a](double c) { return float(1.0 - a + a * c); };
    return QColor::fromRgbF(mix(bars.redF()), mix(bars.greenF()), mix(bars.blueF()));
}

bool ColorBarcode::admitPicture(double scale, qint64 bytes)
{
    PictureQueue &queue = pictureQueue();
    if (refusedAt(scale))
        return false;
    if (queue.scale != scale) {
        queue.scale = scale;
        queue.atScale = 0;
        for (const ColorBarcode *held = queue.newest; held; held = held->_olderPicture)
            if (held->_pictureScale == scale)
                queue.atScale += held->_pictureBytes;
    }
    const qint64 own = _pictureScale == scale ? _pictureBytes : 0;
    if (queue.atScale - own + bytes > pictureBudgetBytes) {
        _refusedScale = scale;
        _refusedBudgets = queue.budgets;
        _refusedBytes = bytes;
        return false;
    }
    leavePictureQueue();
    _newerPicture = nullptr;
    _olderPicture = queue.newest;
    if (queue.newest)
        queue.newest->_newerPicture = this;
    queue.newest = this;
    if (!queue.oldest)
        queue.oldest = this;
    _pictureBytes = bytes;
    _pictureScale = scale;
    queue.bytes += bytes;
    queue.atScale += bytes;
    // The pictures of another zoom stand in until those of this one come; beyond the budget
    // once more, the oldest of them give way.
    for (ColorBarcode *held = queue.oldest; held && queue.bytes > 2 * pictureBudgetBytes;) {
        ColorBarcode *newer = held->_newerPicture;
        if (held->_pictureScale != scale) {
            held->leavePictureQueue();
            held->_picture.reset();
        }
        held = newer;
    }
    return true;
}

bool ColorBarcode::refusedAt(double scale) const
{
    // Refused at this scale: filled directly while the pictures kept leave no room for its
    // own, so that the barcodes that have pictures keep them and none is made twice in a
    // repaint. Once room is freed (barcodes gone, pictures let go), the first that fit ask
    // again and take it; the rest stay refused without asking. Another budget, or this zoom
    // again after another, asks anew.
    const PictureQueue &queue = pictureQueue();
    if (_refusedScale != scale || _refusedBudgets != queue.budgets)
        return false;
    return queue.scale == scale && queue.atScale + _refusedBytes > pictureBudgetBytes;
}

void ColorBarcode::leavePictureQueue()
{
    if (!_newerPicture && !_olderPicture && pictureQueue().newest != this)
        return;
    PictureQueue &queue = pictureQueue();
    (_newerPicture ? _newerPicture->_olderPicture : queue.newest) = _olderPicture;
    (_olderPicture ? _olderPicture->_newerPicture : queue.oldest) = _newerPicture;
    _newerPicture = _olderPicture = nullptr;
    queue.bytes -= _pictureBytes;
    if (_pictureScale == queue.scale)
        queue.atScale -= _pictureBytes;
    _pictureBytes = 0;
    _pictureScale = 0;
}

BarcodeDrawing &ColorBarcode::keptDrawing(bool snapped)
{
    if (!_keptDrawings)
        _keptDrawings = std::make_unique<BarcodeDrawing[]>(2);
    return _keptDrawings[snapped ? 1 : 0];
}

namespace {

// The two drawings of one barcode as its copies take them: the paths are shared until either
// side moves or lays out its own.
struct KeptBarcodeDrawings : ColorRect::KeptDrawing
{
    BarcodeDrawing drawings[2];
    // The family of the screen's pictures of the first drawing.
    std::shared_ptr<void> kin;
};

} // namespace

void ColorBarcode::keepScreenDrawing()
{
    if (!_isDrawBarcode || (_pk != 0 && !showsRecordValues()))
        return;
    const TBarInfo record = workingBarInfo();
    const BarcodeDrawStyle style = drawStyle();
    BarcodeDrawing &kept = keptDrawing(false);
    if (kept.matches(_frameBounds, record, style) && kept.moveTo(_frameBounds))
        return;
    kept = BarcodeRenderer::deferredBarcode(_frameBounds, record, style);
    _pictureContent = nextPictureContent();
}

std::shared_ptr<const ColorRect::KeptDrawing> ColorBarcode::keptDrawingForCopies() const
{
    // A barcode not drawn yet (off the screen, or copied right after Open, its picture not yet
    // asked for) puts its drawing off as the screen would: it and its copies then share the
    // one picture whichever of them is drawn first asks for, rather than each making its own.
    auto *self = const_cast<ColorBarcode *>(this);
    self->keepScreenDrawing();
    if (!_keptDrawings || (_keptDrawings[0].isEmpty() && _keptDrawings[1].isEmpty()))
        return nullptr;
    auto kept = std::make_shared<KeptBarcodeDrawings>();
    kept->drawings[0] = _keptDrawings[0];
    kept->drawings[1] = _keptDrawings[1];
    if (!_keptDrawings[0].isEmpty()) {
        if (!self->_picture)
            self->_picture = std::make_unique<KeptPicture>();
        kept->kin = self->_picture->kinFor(_pictureContent);
    }
    return kept;
}

void ColorBarcode::takeKeptDrawing(const std::shared_ptr<const KeptDrawing> &kept)
{
    const auto *drawings = dynamic_cast<const KeptBarcodeDrawings *>(kept.get());
    if (!drawings)
        return;
    for (const bool snapped : {false, true}) {
        BarcodeDrawing &own = keptDrawing(snapped);
        if (!own.isEmpty())
            continue;
        own = drawings->drawings[snapped ? 1 : 0];
        if (!snapped && !own.isEmpty()) {
            // The source's pictures are of this very drawing: they serve while the drawing
            // does (one of another zoom stands in while that of this one comes).
            _pictureContent = nextPictureContent();
            if (drawings->kin) {
                if (!_picture)
                    _picture = std::make_unique<KeptPicture>();
                _picture->joinKin(drawings->kin, _pictureContent, _frameBounds.size());
            }
        }
    }
}

void ColorBarcode::drawBarcodedPreview(QPainter *painter)
{
    if (!painter)
        return;
    QString first = Language::stringForKey(QStringLiteral("Barcoded"));
    if (first.isNull())
        first = QStringLiteral("Barcoded");
    const QString second = QLatin1Char('[') + MergeSource::titleAtPk(_pk) + QLatin1Char(']');

    const QFont font = LinearDrawContext::systemFont(9.0);
    const QFontMetricsF metrics(font);
    const double w1 = metrics.horizontalAdvance(first);
    const double w2 = metrics.horizontalAdvance(second);
    const double widest = std::max(w1, w2);
    const double h = metrics.height();
    const QRectF f = _frameBounds;
    const double top = f.y() + (f.height() - 2 * h - 15) / 2;

    SavedPainterState state(painter);
    if (isSquareType(_barInfo.type) && widest > 0) {
        const double factor = f.width() / widest;
        const QPointF about(f.x() + f.width() / 2, f.y() + f.width() / 2);
        painter->translate(about);
        painter->scale(factor, factor);
        painter->translate(-about);
    }
    painter->setFont(font);
    painter->setPen(strokeColor());
    painter->drawText(QPointF(f.x() + (f.width() - w1) / 2, top + metrics.ascent()), first);
    painter->drawText(QPointF(f.x() + (f.width() - w2) / 2, top + 15 + metrics.ascent()), second);
}

void ColorBarcode::drawSelect(QPainter *painter, const QRectF &)
{
    if (!painter || isEditable1())
        return;
    SavedPainterState state(painter);
    flipFrame(painter);
    rotateFrame(painter, angle());
    drawHandlesInView(painter);
}

void ColorBarcode::printFrame(QPainter *painter, const QRectF &aRect, int label_num)
{
    const std::optional<std::string> value = sequenceData(label_num);
    if (!value)
        return;
    // A label that prints the data as they are takes the frame as it is: the small picture of
    // a design of thousands of barcodes measures none of them twice.
    if (*value == _barInfo.BarStr) {
        ColorRect::printFrame(painter, aRect, label_num);
        return;
    }
    const std::string kept = _barInfo.BarStr;
    const QRectF keptFrame = _frameBounds;
    _barInfo.setData(*value);
    updateframeSizeKeepingAnchor();
    ColorRect::printFrame(painter, aRect, label_num);
    _barInfo.setData(kept);
    updateframeSize();
    setComputedFrame(keptFrame);
}

bool ColorBarcode::makeSeqBarData(int label_num)
{
    const std::optional<std::string> value = sequenceData(label_num);
    if (!value)
        return false;
    _barInfo.setData(*value);
    updateframeSizeKeepingAnchor();
    return true;
}

std::optional<std::string> ColorBarcode::sequenceData(int label_num)
{
    // The file is read here rather than inside the numbering so that the object learns why
    // it gave nothing.
    if (_sequence.isPresent && !_sequence.counter.empty() && _sequence.isFile && _sequence.data.empty())
        getseq_datafile();
    return quillmark::makeSeqBarData(_sequence, label_num, _barInfo.BarStr);
}

void ColorBarcode::printFrameWithData(QPainter *painter, const QRectF &aRect, const std::optional<std::string> &data)
{
    if (!data)
        return;
    // As printFrame() places a label's own value: where the barcode is anchored.
    const std::string kept = _barInfo.BarStr;
    const QRectF keptFrame = _frameBounds;
    _barInfo.setData(*data);
    updateframeSizeKeepingAnchor();
    ColorRect::printFrame(painter, aRect, 0);
    _barInfo.setData(kept);
    updateframeSize();
    setComputedFrame(keptFrame);
}

bool ColorBarcode::getseq_datafile()
{
    QString message;
    const bool loaded = quillmark::getseq_datafile(_sequence, &message);
    _sequenceMessage = loaded ? QString() : message;
    // Without its file the barcode leaves every label; the user must learn why.
    if (!loaded)
        if (CanvasServices *services = mainView())
            services->reportPrintProblem(_sequenceMessage);
    return loaded;
}

} // namespace quillmark
