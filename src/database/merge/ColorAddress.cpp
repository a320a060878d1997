#include "database/merge/ColorAddress.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <vector>

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/LinearBarcodeKit.h"
#include "barcodes/Postnet.h"
#include "database/merge/ColorField.h"
#include "database/store/Database.h"
#include "database/store/MergeContents.h"
#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "objects/KnobResize.h"
#include "objects/ObjectFactory.h"
#include "objects/TextFlow.h"
#include "platform/Archiver.h"
#include "stock/StockCanvas.h"
#include "stock/TLabel.h"

namespace quillmark {

namespace {

// The frame is this much wider than the widest line: the lines stand 4 points in from the
// left edge and end 4 points before the right one.
constexpr qreal FrameMargin = 8.0;
constexpr qreal TextInset = 4.0;
// The bars' own height in the bar record; it sets where the text begins below them.
constexpr qreal BarHeight = 7.0;
const char *const DesignDigits = "123456789";

// A record value as the block shows it: text and numbers as text, pictures and nothing as "".
QString valueText(const QVariant &value)
{
    if (!value.isValid() || value.isNull() || value.typeId() == QMetaType::QByteArray)
        return QString();
    return value.toString();
}

QTextCharFormat fontFormat(const QFont &font)
{
    QTextCharFormat format;
    format.setFont(font, QTextCharFormat::FontPropertiesAll);
    return format;
}

// The width a part's text takes in the line; an empty text is measured as one blank.
qreal textWidth(const QString &text, const QTextCharFormat &format)
{
    QSizeF size;
    TextFlow::layoutString(text.isEmpty() ? QStringLiteral(" ") : text, format, 0.0, &size);
    return size.width();
}

// The lines of a part's text; a text without line breaks is its only line.
QStringList lineBreakPieces(const QString &text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (const char16_t lineEnd : {u'\r', u'\u2028', u'\u2029', u'\u0085'})
        lines.replace(QChar(lineEnd), QLatin1Char('\n'));
    if (!lines.contains(QLatin1Char('\n')))
        return {text};
    QStringList pieces = lines.split(QLatin1Char('\n'));
    // The blank that follows a part belongs to its last line.
    for (qsizetype k = 0; k + 1 < pieces.size(); ++k)
        while (pieces[k].endsWith(QLatin1Char(' ')))
            pieces[k].chop(1);
    return pieces;
}

// A text shorter than two characters is a value that is empty: the blank alone.
bool isEmptyText(const QString &text)
{
    return text.size() < 2;
}

} // namespace

ColorAddress::ColorAddress()
    : ColorAddress(QRectF())
{
}

ColorAddress::ColorAddress(const QRectF &frame)
    : ColorRect(frame)
{
    _font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    _font.setPointSizeF(9.0);
    _fill = false;
    observeRecordChanges();
}

ColorAddress::~ColorAddress()
{
    stopObservingRecordChanges();
}

std::shared_ptr<ColorAddress> ColorAddress::create(const QRectF &frame)
{
    return std::make_shared<ColorAddress>(frame);
}

void ColorAddress::registerKind()
{
    ObjectFactory::registerClass(QStringLiteral("ColorAddress"), [] { return std::make_shared<ColorAddress>(); });
}

QString ColorAddress::className() const
{
    return QStringLiteral("ColorAddress");
}

std::shared_ptr<ColorRect> ColorAddress::newInstance() const
{
    return std::make_shared<ColorAddress>();
}

void ColorAddress::copyValues(ColorRect &target) const
{
    ColorRect::copyValues(target);
    if (auto *address = dynamic_cast<ColorAddress *>(&target)) {
        address->_qa = _qa;
        address->_font = _font;
    }
}

// ---- the record and the style ----

void ColorAddress::setQa(const TQuickAddress &qa)
{
    const TQuickAddress old = _qa;
    registerUndo([old](ColorRect &object) { static_cast<ColorAddress &>(object).setQa(old); });
    nameAction("Address Block");
    _qa = qa;
    calcFrameRect();
    invalidate();
}

void ColorAddress::setTextSize(const QFont &font)
{
    const QFont old = _font;
    registerUndo([old](ColorRect &object) { static_cast<ColorAddress &>(object).setTextSize(old); });
    nameAction("Change Text Size");
    _font = font;
    refit();
}

QTextCharFormat ColorAddress::textAttributes() const
{
    QTextCharFormat format = fontFormat(_font);
    format.setForeground(strokeColor());
    return format;
}

// ---- contents and frame ----

QRectF ColorAddress::fittedFrame() const
{
    return currentLines().frame;
}

void ColorAddress::setComputedFrame(const QRectF &rect)
{
    if (rect.x() == _frameBounds.x() && rect.y() == _frameBounds.y() && rect.width() == _frameBounds.width()
        && rect.height() == _frameBounds.height())
        return;
    const std::optional<QRectF> bounded = boundedFrame(rect);
    if (!bounded)
        return;
    invalidate();
    _frameBounds = *bounded;
    invalidate();
}

void ColorAddress::calcFrameRect()
{
    setComputedFrame(fittedFrame());
}

void ColorAddress::fitInsideLabel()
{
    const auto *stock = dynamic_cast<const StockCanvas *>(mainView());
    if (!stock)
        return;
    const TLabel &label = stock->getLabel();
    const QRectF area(0.0, 0.0, double(label.width) * 72.0, double(label.height) * 72.0);
    if (area.isEmpty() || !area.contains(_frameBounds.topLeft()))
        return;
    QRectF frame = fittedFrame();
    // POSTNET bars have the width the postal service gives them, 2.56 inches for nine digits
    // with their margins: on a narrower label the new block starts without them (the block's
    // dialog can switch them on again).
    if (frame.width() > area.width() && _qa.barFlag()) {
        _qa.setBarFlag(false);
        frame = fittedFrame();
    }
    while ((frame.width() > area.width() || frame.height() > area.height()) && _font.pointSizeF() > 5.0) {
        _font.setPointSizeF(std::max(5.0, _font.pointSizeF() - 0.5));
        frame = fittedFrame();
    }
    frame.moveLeft(std::clamp(frame.x(), 0.0, std::max(0.0, area.width() - frame.width())));
    frame.moveTop(std::clamp(frame.y(), 0.0, std::max(0.0, area.height() - frame.height())));
    setComputedFrame(frame);
}

void ColorAddress::refit()
{
    const QRectF old = _frameBounds;
    QRectF frame = fittedFrame();
    const qreal shrink = old.width() - frame.width();
    if (_anchor == 1)
        frame.moveLeft(old.x() + shrink);
    else if (_anchor >= 2)
        frame.moveLeft(old.x() + shrink / 2.0);
    setComputedFrame(frame);
    invalidate();
}

void ColorAddress::scaleByX(double sx, double sy)
{
    if (!std::isfinite(sx) || !std::isfinite(sy) || !(sx > 0) || !(sy > 0))
        return;
    _frameBounds.moveTopLeft(QPointF(_frameBounds.x() * sx, _frameBounds.y() * sy));
    const double factor = std::min(sx, sy);
    if (factor != 1.0 && _font.pointSizeF() > 0)
        _font.setPointSizeF(_font.pointSizeF() * factor);
    calcFrameRect();
    invalidate();
}

std::function<void(ColorRect &)> ColorAddress::scaledState() const
{
    return [base = ColorRect::scaledState(), font = _font](ColorRect &object) {
        base(object);
        if (auto *address = dynamic_cast<ColorAddress *>(&object))
            address->_font = font;
    };
}

void ColorAddress::updateContents(const Notification *)
{
    refit();
}

void ColorAddress::updateContentsWithObject(const QVariant &)
{
    refit();
}

void ColorAddress::addMergePks(QSet<int> &pks) const
{
    ColorRect::addMergePks(pks);
    const QList<tableField> fields = MergeContents::fieldTitlesAndTagsOriginal();
    for (int i = TQuickAddress::FirstPart; i <= TQuickAddress::LastPart && i < fields.size(); ++i)
        pks.insert(fields[i].pk);
    if (const int zipPk = MergeContents::zipPk(); zipPk >= 0)
        pks.insert(zipPk);
}

// ---- the lines ----

ColorAddress::PartTexts ColorAddress::designTexts()
{
    // Every block asks at every repaint, and the titles are the same for all of them: they
    // are made again only when a database setting or field changed, another database became
    // current or the language changed.
    struct Kept
    {
        quint64 generation = 0;
        QString language;
        PartTexts texts;
    };
    thread_local std::optional<Kept> kept;
    const quint64 generation = Database::settingsGeneration();
    const QString language = Language::language();
    if (kept && kept->generation == generation && kept->language == language)
        return kept->texts;
    PartTexts texts;
    const QList<tableField> fields = MergeContents::fieldTitlesAndTagsOriginal();
    // A database with fewer merge fields than parts has no text for the parts it lacks.
    for (int i = TQuickAddress::FirstPart; i <= TQuickAddress::LastPart && i < fields.size(); ++i)
        texts[size_t(i)] = ColorField::titleText(fields[i].pk) + QLatin1Char(' ');
    kept = Kept{generation, language, texts};
    return texts;
}

ColorAddress::PartTexts ColorAddress::partTexts() const
{
    if (!showsRecordValues())
        return designTexts();
    PartTexts texts;
    const QList<tableField> fields = MergeContents::fieldTitlesAndTagsOriginal();
    for (int i = TQuickAddress::FirstPart; i <= TQuickAddress::LastPart && i < fields.size(); ++i) {
        const QString value = valueText(contentsByPk(fields[i].pk));
        texts[size_t(i)] = value.isEmpty() ? QString() : value + QLatin1Char(' ');
    }
    return texts;
}

ColorAddress::Lines ColorAddress::layoutParts(const PartTexts &texts, const TQuickAddress &qa, const QFont &font,
                                              const QPointF &origin, qreal textTop, const QSizeF &barArea,
                                              qreal inset)
{
    const QTextCharFormat format = fontFormat(font);
    const QFontMetricsF metrics = TextFlow::fontMetrics(font);
    const qreal descender = -metrics.descent();
    const qreal lineHeight = metrics.ascent() - descender + metrics.leading();
    const bool compact = qa.quickAddressItem(1);
    const qreal x0 = origin.x();

    Lines lines;
    qreal x = x0;
    qreal y = textTop;
    bool started = false;
    qreal widest = barArea.width();
    qreal height = barArea.height() - descender;
    auto breakLine = [&] {
        y += lineHeight;
        height += lineHeight;
        x = x0;
    };

    for (int i = TQuickAddress::FirstPart; i <= TQuickAddress::LastPart; ++i) {
        if (!texts[size_t(i)])
            continue;
        const QString &text = *texts[size_t(i)];
        const qreal w = textWidth(text, format);
        // The first part always begins a line.
        const bool newLine = i == TQuickAddress::FirstPart || qa.quickAddressItem(i + TQuickAddress::NewLineOffset);
        if (qa.quickAddressItem(i)) {
            if (compact && isEmptyText(text)) {
                lines.parts.append({i, text, QPointF(x + inset, y)});
                continue;
            }
            const bool wasStarted = started;
            started = true;
            qreal placed = x;
            if (newLine) {
                if (wasStarted)
                    breakLine();
                placed = x0;
            }
            // A value that holds line breaks ("2 Side Rd" and "Flat 2") gives each of its
            // lines a line of the block, and the block grows by them.
            const QStringList pieces = lineBreakPieces(text);
            for (qsizetype k = 0; k < pieces.size(); ++k) {
                if (k > 0) {
                    breakLine();
                    placed = x0;
                }
                const QString &piece = pieces.at(k);
                lines.parts.append({i, piece, QPointF(placed + inset, y)});
                x = placed + (pieces.size() == 1 ? w : textWidth(piece, format));
                widest = std::max(widest, x - x0);
            }
        } else {
            if (!compact) {
                started = true;
                if (i != TQuickAddress::FirstPart && qa.quickAddressItem(i + TQuickAddress::NewLineOffset))
                    breakLine();
            }
            if (!qa.quickAddressItem(0))
                x += w;
        }
    }
    height += lineHeight;
    lines.frame = QRectF(origin, QSizeF(widest + FrameMargin, height));
    return lines;
}

TBarInfo ColorAddress::barRecord(const QByteArray &digits)
{
    TBarInfo info;
    info.type = BarcodeType::Postnet;
    info.barH = BarHeight;
    info.barW = 1.5;
    info.spaceW = 1.5;
    info.chargap = 0;
    info.widthAdjust = 0;
    info.HRT = 0;
    // The bars read at most a short string: a longer value is cut there, on a character.
    info.setData(digits.toStdString());
    info.setData(info.shortData());
    return info;
}

std::optional<QByteArray> ColorAddress::barDigits() const
{
    if (!_qa.barFlag())
        return std::nullopt;
    QByteArray data(DesignDigits);
    if (showsRecordValues()) {
        const int zipPk = MergeContents::zipPk();
        if (zipPk < 0)
            return std::nullopt;
        data = valueText(contentsByPk(zipPk)).toUtf8();
        if (data.isEmpty())
            return std::nullopt;
    }
    const TBarInfo info = barRecord(data);
    if (!PostnetDigitCountValid(info.shortData()))
        return std::nullopt;
    return QByteArray::fromStdString(info.shortData());
}

ColorAddress::Lines ColorAddress::currentLines() const
{
    return linesFrom(_frameBounds.topLeft(), partTexts(), barDigits());
}

namespace {

// What the lines of a block are laid out from: blocks alike in these have the same lines,
// only moved to their origins.
// The font by its key: what is kept outlives the window, fonts must not.
struct LinesKey
{
    LinesKey(const ColorAddress::PartTexts &texts, const TQuickAddress &qa, const QFont &font,
             const std::optional<QByteArray> &digits)
        : texts(texts)
        , qa(qa)
        , font(font.key())
        , resolved(font.resolveMask())
        , digits(digits)
    {
    }
    ColorAddress::PartTexts texts;
    TQuickAddress qa;
    QString font;
    uint resolved = 0;
    std::optional<QByteArray> digits;
    bool operator==(const LinesKey &) const = default;
};

// A few of the last laid out, the latest first: a design of thousands of blocks holds a few
// looks, and measuring every part of every block (an open, a duplicate, a change of record
// refits each) grew with their parts.
template <typename Key, typename Value>
class LastFew
{
public:
    const Value *find(const Key &key)
    {
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->first == key) {
                if (it != m_entries.begin())
                    std::rotate(m_entries.begin(), it, std::next(it));
                return &m_entries.front().second;
            }
        }
        return nullptr;
    }
    const Value &add(Key key, Value value)
    {
        if (m_entries.size() >= Most)
            m_entries.pop_back();
        m_entries.insert(m_entries.begin(), {std::move(key), std::move(value)});
        return m_entries.front().second;
    }

private:
    static constexpr size_t Most = 8;
    std::vector<std::pair<Key, Value>> m_entries;
};

ColorAddress::Lines moved(ColorAddress::Lines lines, const QPointF &origin)
{
    if (origin.isNull())
        return lines;
    for (ColorAddress::PlacedPart &part : lines.parts)
        part.topLeft += origin;
    lines.frame.translate(origin);
    return lines;
}

} // namespace

ColorAddress::Lines ColorAddress::linesFrom(const QPointF &origin, const PartTexts &texts,
                                            const std::optional<QByteArray> &digits) const
{
    thread_local LastFew<LinesKey, Lines> kept;
    LinesKey key(texts, _qa, _font, digits);
    if (const Lines *found = kept.find(key))
        return moved(*found, origin);
    return moved(kept.add(std::move(key), linesAtOrigin(texts, digits)), origin);
}

ColorAddress::Lines ColorAddress::linesAtOrigin(const PartTexts &texts, const std::optional<QByteArray> &digits) const
{
    const QPointF origin(0.0, 0.0);
    QSizeF barArea(0.0, 0.0);
    qreal textTop = origin.y();
    if (digits) {
        const qreal ascender = TextFlow::fontMetrics(_font).ascent();
        TBarInfo info = barRecord(*digits);
        LinearDrawContext ctx;
        ctx.resolution = 72;
        const ShortRect extent = barcodeExtentByType(info, ctx);
        // The extent's margin of 72/18 points lies on both sides of the bars.
        barArea = QSizeF(extent.width() - 8.0, extent.height() - 8.0 + ascender);
        textTop += BarHeight + ascender;
    }
    return layoutParts(texts, _qa, _font, origin, textTop, barArea, TextInset);
}

QStringList ColorAddress::lineTexts() const
{
    QStringList texts;
    qreal lineTop = 0.0;
    bool any = false;
    for (const PlacedPart &part : currentLines().parts) {
        if (part.text.isEmpty())
            continue;
        if (!any || part.topLeft.y() != lineTop) {
            texts.append(QString());
            lineTop = part.topLeft.y();
            any = true;
        }
        texts.last() += part.text;
    }
    for (QString &text : texts) {
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
    }
    return texts;
}

// ---- drawing ----

void ColorAddress::drawFrame(QPainter *painter, const QRectF &aRect, bool selected)
{
    if (!painter)
        return;
    ColorRect::drawFrame(painter, aRect, selected);
    if (drawScreenPicture(painter, drawnParts(barDigits())))
        return;
    painter->save();
    const BezierPath bounds = getRotatedBounds();
    if (!bounds.isEmpty())
        painter->setClipPath(bounds.toPainterPath(), Qt::IntersectClip);
    flipFrame(painter);
    rotateFrame(painter, angle());
    drawQuickAddress(painter);
    painter->restore();
}

void ColorAddress::drawQuickAddress(QPainter *painter)
{
    const Drawn &drawn = drawnParts(barDigits());
    drawContentsAt(painter, drawn, _frameBounds.topLeft());
}

void ColorAddress::drawContentsAt(QPainter *painter, const Drawn &drawn, const QPointF &origin)
{
    if (drawn.digits) {
        // Drawn at the origin of a painter moved to the block: the bar record's short point
        // would round the block's place to whole points.
        TBarInfo atOrigin = barRecord(*drawn.digits);
        atOrigin.pt = ShortPoint();
        BarcodeDrawStyle style;
        style.color = drawn.color;
        painter->save();
        painter->translate(origin);
        BarcodeRenderer::drawLinearBarcode(painter, atOrigin, 72, style);
        painter->restore();
    }
    painter->save();
    painter->translate(origin);
    for (const auto &[at, layout] : drawn.parts)
        layout->draw(painter, at);
    painter->restore();
}

bool ColorAddress::drawScreenPicture(QPainter *painter, const Drawn &drawn)
{
    if (imageUse(painter) != ImageUse::Screen || painter->opacity() != 1.0
        || painter->compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    // The block's mirror and turn about its centre, as the block draws itself, then the screen's.
    QTransform local;
    {
        const QPointF c = _frameBounds.center();
        if (_flipH || _flipV) {
            local.translate(c.x(), c.y());
            local.scale(_flipV ? -1.0 : 1.0, _flipH ? -1.0 : 1.0);
            local.translate(-c.x(), -c.y());
        }
        float turn = angle();
        if (_flipH != _flipV)
            turn = 360.0f - turn;
        if (turn != 0.0f)
            local = KnobResize::turnAbout(c, double(turn)) * local;
    }
    const QTransform toDevice = local * painter->deviceTransform();
    if (toDevice.type() > QTransform::TxShear || !toDevice.isInvertible())
        return false;
    // Blocks alike turned, mirrored and scaled alike look alike wherever they stand.
    const QTransform linear(toDevice.m11(), toDevice.m12(), toDevice.m21(), toDevice.m22(), 0.0, 0.0);
    const QRectF device = linear.mapRect(QRectF(QPointF(0.0, 0.0), _frameBounds.size()));
    // A picture larger than a screen is not kept.
    if (!(device.width() > 0 && device.height() > 0 && device.width() < 4096 && device.height() < 4096))
        return false;
    const QPointF corner = toDevice.map(_frameBounds.topLeft());
    if (!(std::abs(corner.x()) < 1e8 && std::abs(corner.y()) < 1e8))
        return false;
    // The block's corner on a whole pixel of the picture, a pixel of margin for the smoothing.
    const QPoint origin(int(std::ceil(-device.left())) + 1, int(std::ceil(-device.top())) + 1);
    const QSize pixels(origin.x() + int(std::ceil(device.right())) + 1, origin.y() + int(std::ceil(device.bottom())) + 1);
    std::shared_ptr<const QImage> picture;
    QList<Drawn::Pictures::Kept> &kept = drawn.pictures.kept;
    for (qsizetype i = 0; i < kept.size(); ++i) {
        if (kept[i].linear == linear && kept[i].pixels == pixels) {
            picture = KeptTextPictures::picture(kept[i].image);
            // Let go of for the budget: made again when the budget has room.
            if (!picture)
                kept.removeAt(i);
            break;
        }
    }
    if (!picture) {
        const QPainter::RenderHints hints = painter->renderHints();
        const KeptTextPictures::Handle made = KeptTextPictures::keep(qint64(pixels.width()) * pixels.height() * 4, [&] {
            QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            {
                QPainter onPicture(&image);
                onPicture.setRenderHints(hints);
                onPicture.setTransform(linear * QTransform::fromTranslate(origin.x(), origin.y()));
                onPicture.setClipRect(QRectF(QPointF(0.0, 0.0), _frameBounds.size()));
                drawContentsAt(&onPicture, drawn, QPointF(0.0, 0.0));
            }
            return image;
        });
        picture = KeptTextPictures::picture(made);
        // Past the budget the block is drawn directly.
        if (!picture)
            return false;
        if (kept.size() >= 4) {
            KeptTextPictures::release(kept.first().image);
            kept.removeFirst();
        }
        kept.append({linear, pixels, made});
    }
    const QTransform world = painter->worldTransform();
    painter->setWorldTransform(painter->deviceTransform().inverted() * world);
    painter->drawImage(QPoint(int(std::round(corner.x())) - origin.x(), int(std::round(corner.y())) - origin.y()), *picture);
    painter->setWorldTransform(world);
    return true;
}

ColorAddress::Drawn::Pictures::~Pictures()
{
    for (const Kept &picture : std::as_const(kept))
        KeptTextPictures::release(picture.image);
}

const ColorAddress::Drawn &ColorAddress::drawnParts(const std::optional<QByteArray> &digits) const
{
    PartTexts texts = partTexts();
    const QColor color = strokeColor();
    if (m_drawn && m_drawn->texts == texts && m_drawn->qa == _qa && m_drawn->font == _font
        && m_drawn->font.resolveMask() == _font.resolveMask() && m_drawn->color == color
        && m_drawn->digits == digits && m_drawn->thread == std::this_thread::get_id())
        return *m_drawn;
    // Blocks alike share one layout of their parts, kept while a block holds it.
    thread_local LastFew<std::pair<LinesKey, QRgb>, std::weak_ptr<const Drawn>> kept;
    std::pair<LinesKey, QRgb> key{LinesKey(texts, _qa, _font, digits), color.rgba()};
    if (const auto *found = kept.find(key)) {
        if (std::shared_ptr<const Drawn> shared = found->lock(); shared && shared->color == color && shared->font == _font) {
            m_drawn = std::move(shared);
            return *m_drawn;
        }
    }
    auto drawn = std::make_shared<Drawn>(Drawn{std::move(texts), _qa, _font, color, digits, {}, std::this_thread::get_id(), {}});
    const QTextCharFormat format = textAttributes();
    for (const PlacedPart &part : linesFrom(QPointF(0.0, 0.0), drawn->texts, digits).parts) {
        if (part.text.isEmpty())
            continue;
        drawn->parts.append({part.topLeft, std::shared_ptr<QTextLayout>(TextFlow::layoutString(part.text, format))});
    }
    m_drawn = std::move(drawn);
    kept.add(std::move(key), std::weak_ptr<const Drawn>(m_drawn));
    return *m_drawn;
}

// ---- stored form ----

QVariantMap ColorAddress::propertyListRepresentation(const GraphicList *graphics, const LinkedTextPlaces *places)
{
    QVariantMap dict = ColorRect::propertyListRepresentation(graphics, places);
    dict.insert(QStringLiteral("TQuickAddressKey"), _qa.archive());
    dict.insert(QStringLiteral("TQuickAddressFontKey"), Archiver::archiveFont(_font));
    return dict;
}

void ColorAddress::loadPropertyListRepresentation(const QVariantMap &dict)
{
    ColorRect::loadPropertyListRepresentation(dict);
    const QVariant qa = dict.value(QStringLiteral("TQuickAddressKey"));
    if (qa.typeId() == QMetaType::QByteArray) {
        if (const std::optional<TQuickAddress> stored = TQuickAddress::unarchive(qa.toByteArray()))
            _qa = *stored;
    }
    const QVariant font = dict.value(QStringLiteral("TQuickAddressFontKey"));
    if (font.typeId() == QMetaType::QByteArray) {
        if (const std::optional<QFont> stored = Archiver::unarchiveFont(font.toByteArray()))
            _font = *stored;
    }
}

} // namespace quillmark
