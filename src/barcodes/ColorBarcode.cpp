// The barcode object's data: its two records, the frame that follows the symbol's extent,
// knob dragging of the square symbologies, scaling and the merged record value.
#include "barcodes/ColorBarcode.h"

#include <QLocale>
#include <QTransform>

#include <algorithm>
#include <atomic>
#include <cmath>

#include "barcodes/DataMatrixEncoder.h"
#include "barcodes/QRCodeSymbol.h"
#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "objects/KnobResize.h"
#include "platform/UserDefaults.h"

namespace quillmark {

// How many barcodes there are, on whichever thread they are made (ColorBarcode_draw.cpp).
std::atomic<qint64> &barcodesAlive();

namespace {

using KnobResize::turnAbout;

bool isLeftKnob(int knob) { return knob == 1 || knob == 4 || knob == 6; }
bool isRightKnob(int knob) { return knob == 3 || knob == 5 || knob == 8; }
bool isTopKnob(int knob) { return knob == 1 || knob == 2 || knob == 3; }
bool isBottomKnob(int knob) { return knob == 6 || knob == 7 || knob == 8; }

} // namespace

ColorBarcode::ColorBarcode()
    : ColorBarcode(QRectF())
{
}

ColorBarcode::ColorBarcode(const QRectF &frame)
    : ColorRect(frame)
{
    initBarcode();
    ++barcodesAlive();
}

ColorBarcode::~ColorBarcode()
{
    stopObservingRecordChanges();
    leavePictureQueue();
    --barcodesAlive();
}

void ColorBarcode::initBarcode()
{
    _fill = false;
    _stroke = false;
    _lineWidth = 0.0f;
    _drawsimg = false;
    _isscalewithbox = false;
    _fixRatio = true;

    // A stored default outside the symbology numbers would make a barcode that can never
    // draw; such a value is not taken.
    const qint64 defaultType = UserDefaults::standard().integerForKey(QStringLiteral("BarcodeType"));
    if (defaultType >= 1 && defaultType <= 28)
        _barInfo.type = int16_t(defaultType);
    observeRecordChanges();
    updateframeSize();
}

std::shared_ptr<ColorBarcode> ColorBarcode::create(const QRectF &frame)
{
    return std::make_shared<ColorBarcode>(frame);
}

QString ColorBarcode::className() const
{
    return QStringLiteral("ColorBarcode");
}

std::shared_ptr<ColorRect> ColorBarcode::newInstance() const
{
    return std::make_shared<ColorBarcode>();
}

void ColorBarcode::copyValues(ColorRect &target) const
{
    ColorRect::copyValues(target);
    auto *barcode = dynamic_cast<ColorBarcode *>(&target);
    if (!barcode)
        return;
    barcode->_barInfo = _barInfo;
    // The numbering settings without the file's entries, as setSequenceInfo() takes them; the
    // frame is this one's, not measured again.
    barcode->_sequence = _sequence;
    barcode->_sequence.data.clear();
    barcode->_isDrawBarcode = _isDrawBarcode;
    barcode->_useABData = _useABData;
    barcode->_useVCard = _useVCard;
    barcode->_saveBarData = _saveBarData;
    barcode->_fixRatio = _fixRatio;
    barcode->setComputedFrame(_frameBounds);
    barcode->takeKeptDrawing(keptDrawingForCopies());
}

std::function<void(ColorRect &)> ColorBarcode::scaledState() const
{
    return [base = ColorRect::scaledState(), info = _barInfo](ColorRect &object) {
        base(object);
        if (auto *barcode = dynamic_cast<ColorBarcode *>(&object))
            barcode->_barInfo = info;
    };
}

void ColorBarcode::setBarInfo(const TBarInfo &info)
{
    _barInfo.setData(info.BarStr);
    _barInfo.type = info.type;
    _barInfo.widthAdjust = info.widthAdjust;
    _barInfo.barH = info.barH;
    _barInfo.barW = info.barW;
    _barInfo.spaceW = info.spaceW;
    _barInfo.chargap = info.chargap;
    _barInfo.HRT = info.HRT;
    _barInfo.sSymbol = info.sSymbol;
    _barInfo.eSymbol = info.eSymbol;
    _barInfo.printChChar = info.printChChar;
    _barInfo.CheckSymb = info.CheckSymb;
    _barInfo.bearers = info.bearers;
    _barInfo.attachment = info.attachment;
    _barInfo.isbnFormat = info.isbnFormat;
    updateframeSizeKeepingAnchor();
    invalidate();
}

void ColorBarcode::updateframeSizeKeepingAnchor()
{
    const QRectF old = _frameBounds;
    updateframeSize();
    // A square symbol is sized by its frame, not by its data: it keeps its corner.
    const int anchor = ColorRect::anchor();
    if (anchor <= 0 || isSquareSymbol())
        return;
    QRectF frame = _frameBounds;
    if (anchor == 1)
        frame.moveLeft(old.x() + old.width() - frame.width());
    else
        frame.moveLeft(old.x() + (old.width() - frame.width()) / 2);
    setComputedFrame(frame);
}

double ColorBarcode::narrowestElement(double barW, double spaceW)
{
    return std::max(1.0, (barW + spaceW) / 4.0);
}

QString ColorBarcode::elementWidthProblem(double barW, double spaceW, double widthAdjust)
{
    const double least = narrowestElement(barW, spaceW);
    const double bar = barW + widthAdjust;
    const double space = spaceW - widthAdjust;
    // Typed values come in hundredths: a hair under the bound is the bound.
    constexpr double slack = 1e-6;
    if (bar >= least - slack && space >= least - slack)
        return {};
    auto mils = [](double value) { return QLocale().toString(value, 'f', 1); };
    return Language::withValues(
        localizedString(QStringLiteral("A bar or a space would be %@ mils wide, under the %@ mils that print: the adjustment can be from %@ to %@ mils.")),
        {mils(std::min(bar, space)), mils(least), mils(least - barW), mils(spaceW - least)});
}

bool ColorBarcode::isSquareType(int type)
{
    return type == BarcodeType::DataMatrix || type == BarcodeType::QRCode;
}

void ColorBarcode::restoreBarInfo(const TBarInfo &info, const QRectF &frame)
{
    if (const auto bounded = boundedFrame(frame))
        setComputedFrame(*bounded);
    setBarInfo(info);
}

double ColorBarcode::minimumReadableSide() const
{
    // The modules of the symbol its data make (the smallest symbol without data), each as
    // wide as a reader still takes, inside the margin the drawing leaves on every side.
    const TBarInfo info = workingBarInfo();
    int modules = 0;
    if (info.type == BarcodeType::QRCode) {
        modules = 21;
        if (const auto symbol = QRCodeSymbol::encodeQRString(info.BarStr))
            modules = std::max(modules, symbol->width());
    } else if (info.type == BarcodeType::DataMatrix) {
        modules = 10;
        DataMatrixEncoder encoder;
        if (!info.BarStr.empty() && encoder.encodeString(info.BarStr))
            modules = std::max({modules, encoder.rows(), encoder.columns()});
        encoder.free();
    } else {
        return 0.0;
    }
    return std::ceil(modules * minSquareModule / BarcodeRenderer::MilsPerPoint + 4.0);
}

void ColorBarcode::keepSymbolInside(const QRectF &area)
{
    if (!isSquareSymbol() || area.isEmpty())
        return;
    const QRectF frame = _frameBounds;
    // A symbol whose corner lies outside was put there: it has nothing to fit into.
    if (frame.x() >= area.right() - 1.0 || frame.y() >= area.bottom() - 1.0)
        return;
    const double room = std::min(area.right() - frame.x(), area.bottom() - frame.y());
    if (frame.width() <= room)
        return;
    // Shrunk into the room its corner leaves, but not below what a reader still takes: it
    // moves up and in instead, as far as the label allows.
    const double fits = std::floor(std::min(area.width(), area.height()));
    const double side = std::min({frame.width(), fits, std::max(std::floor(room), minimumReadableSide())});
    const double x = std::max(area.left(), std::min(frame.x(), area.right() - side));
    const double y = std::max(area.top(), std::min(frame.y(), area.bottom() - side));
    setComputedFrame(QRectF(x, y, side, side));
    updateframeSize();
    invalidate();
}

void ColorBarcode::setSequenceInfo(const TSequence &sequence)
{
    _sequence.isPresent = sequence.isPresent;
    _sequence.prefix = sequence.prefix;
    _sequence.counter = sequence.counter;
    _sequence.postamble = sequence.postamble;
    _sequence.increment = sequence.increment;
    _sequence.repeat = sequence.repeat;
    _sequence.isFile = sequence.isFile;
    if (_sequence.path != sequence.path)
        _sequence.data.clear();
    _sequence.path = sequence.path;
    updateframeSize();
}

QString ColorBarcode::getBarcodeString() const
{
    return QString::fromUtf8(_barInfo.BarStr.data(), qsizetype(_barInfo.BarStr.size()));
}

double ColorBarcode::barHeight() const
{
    return double(_barInfo.BarRect.bottom - _barInfo.BarRect.top);
}

namespace {

// Symbologies that hold digits only: a blank a database left after the number is no part of it.
bool takesDigitsOnly(int type)
{
    switch (type) {
    case BarcodeType::Postnet:
    case BarcodeType::UpcA:
    case BarcodeType::UpcE:
    case BarcodeType::Ean13:
    case BarcodeType::Ean8:
    case BarcodeType::BooklandIsbn:
    case BarcodeType::BooklandIssn:
    case BarcodeType::BooklandIsbnPrefixed:
    case BarcodeType::Code128C:
    case BarcodeType::BooklandIsmn:
        return true;
    default:
        return false;
    }
}

} // namespace

TBarInfo ColorBarcode::workingBarInfo() const
{
    return _pk != 0 ? workingBarInfoFor(_barStr) : _barInfo;
}

TBarInfo ColorBarcode::workingBarInfoFor(QString value) const
{
    TBarInfo copy = _barInfo;
    {
        if (takesDigitsOnly(copy.type)) {
            qsizetype end = value.size();
            while (end > 0 && value.at(end - 1).isSpace())
                --end;
            value.truncate(end);
        }
        copy.setData(value.toUtf8().toStdString());
    }
    return copy;
}

BarcodeDrawStyle ColorBarcode::drawStyle() const
{
    // Every barcode asks at every drawing: the defaults are read once after each change of
    // them (on each thread that draws), and the style shares one font, which compares by
    // identity with the style a kept drawing was made with.
    struct Read
    {
        quint64 changes = 0;
        BarcodeDrawStyle style;
    };
    thread_local Read read;
    const quint64 changes = UserDefaults::changeCount();
    if (read.changes != changes) {
        UserDefaults &defaults = UserDefaults::standard();
        read.style.useHRTKerning = defaults.boolForKey(QStringLiteral("useHRTKerning"));
        read.style.upcCharactersEqualSize = defaults.integerForKey(QStringLiteral("UPC_characters_Equal_Size"));
        read.changes = changes;
    }
    BarcodeDrawStyle style = read.style;
    style.color = strokeColor();
    return style;
}

void ColorBarcode::updateframeSize()
{
    const TBarInfo copy = workingBarInfo();
    const ShortRect extent = BarcodeRenderer::frameExtent(copy, _frameBounds.size(), drawStyle());
    _barInfo.BarRect = extent;
    setComputedFrame(QRectF(_frameBounds.x(), _frameBounds.y(), extent.width(), extent.height()));
}

void ColorBarcode::setComputedFrame(const QRectF &rect)
{
    if (rect.x() == _frameBounds.x() && rect.y() == _frameBounds.y() && rect.width() == _frameBounds.width()
        && rect.height() == _frameBounds.height())
        return;
    invalidate();
    _frameBounds = rect;
    invalidate();
}

void ColorBarcode::setSFont(const QFont *font)
{
    if (!font)
        return;
    _barInfo.font = *font;
}

void ColorBarcode::setFont(const QFont &font)
{
    setSFont(&font);
    updateframeSize();
    invalidate();
}

QVariantMap ColorBarcode::textAttributes() const
{
    return {{QStringLiteral("ForegroundColor"), textColor()}};
}

void ColorBarcode::setTextAttributes(const QVariantMap &attributes)
{
    const QVariant value = attributes.value(QStringLiteral("ForegroundColor"));
    const QColor color = value.value<QColor>();
    if (value.isValid() && color.isValid())
        setTextColor(color);
}

void ColorBarcode::updateContents(const Notification *)
{
    updateContentsWithObject(contentsByPk(_pk));
}

void ColorBarcode::updateContentsWithObject(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString)
        _barStr = value.toString();
    updateframeSizeKeepingAnchor();
    if (_mainView)
        _mainView->invalidateGraphic(nullptr);
}

bool ColorBarcode::encodesCurrentRecord() const
{
    if (_pk == 0)
        return BarcodeRenderer::encodes(_barInfo);
    // A value that is no text leaves the merged value as it is, as a refresh from it would.
    const QVariant value = contentsByPk(_pk);
    return BarcodeRenderer::encodes(workingBarInfoFor(value.typeId() == QMetaType::QString ? value.toString() : _barStr));
}

bool ColorBarcode::isResizable() const
{
    return isSquareType(_barInfo.type);
}

bool ColorBarcode::fixRatio() const
{
    return isSquareType(_barInfo.type);
}

int ColorBarcode::resizeByMovingKnob(int knob, const QPointF &point, unsigned)
{
    if (!isResizable())
        return knob;
    const double x = _frameBounds.x();
    const double y = _frameBounds.y();
    const double w = _frameBounds.width();
    const double h = _frameBounds.height();
    const QPointF c = _frameBounds.center();

    const QPointF p = _angle != 0.0f ? turnAbout(c, -double(_angle)).map(point) : point;
    if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
        return knob;

    double nx = x, ny = y, nw = w, nh = h;
    if (isLeftKnob(knob)) {
        nx = p.x();
        nw = x + w - p.x();
    } else if (isRightKnob(knob)) {
        nw = p.x() - x;
    }
    if (nw < 0) {
        knob = flipKnob(knob, true);
        nw = -nw;
        nx -= nw;
        flipHorizontally();
    }

    const double yBefore = ny;
    const double hBefore = nh;
    if (isTopKnob(knob)) {
        ny = p.y();
        nh = y + h - p.y();
    } else if (isBottomKnob(knob)) {
        nh = p.y() - y;
    }
    if (nh < 0) {
        knob = flipKnob(knob, false);
        nh = -nh;
        ny -= nh;
        flipVertically();
    }

    // The stored flag, not fixRatio(): a document may have switched it off.
    if (_fixRatio && w > 0 && h > 0) {
        const double ratio = double(float(h / w));
        if (knob == 2 || knob == 7) {
            const double widthBefore = nw;
            nw = nh / ratio;
            nx -= (nw - widthBefore) / 2;
        } else {
            nh = ratio * nw;
            if (knob == 1 || knob == 3)
                ny = yBefore + hBefore - nh;
        }
    }

    if (_angle != 0.0f) {
        const QTransform turn = turnAbout(c, double(_angle));
        const QPointF first = turn.map(QPointF(nx, ny));
        const QPointF second = turn.map(QPointF(nx + nw, ny + nh));
        const QPointF m = (first + second) / 2;
        const QPointF origin = turnAbout(m, -double(_angle)).map(first);
        nx = origin.x();
        ny = origin.y();
    }

    setFrameBounds(QRectF(nx, ny, nw, nh));
    invalidate();
    return knob;
}

void ColorBarcode::scaleByX(double sx, double sy)
{
    ColorRect::scaleByX(sx, sy);
    _barInfo.barH *= sy;
    _barInfo.barW *= sx;
    _barInfo.spaceW *= sx;
    _barInfo.chargap *= sx;
    _barInfo.widthAdjust *= sx;
    const double size = _barInfo.font.pointSizeF() * sy;
    if (sy != 1.0 && std::isfinite(size) && size > 0) {
        QFont font = _barInfo.font;
        font.setPointSizeF(size);
        _barInfo.font = font;
    }
}

} // namespace quillmark
