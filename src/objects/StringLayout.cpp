#include "objects/StringLayout.h"

#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTextOption>

#include <algorithm>
#include <cmath>

#include "objects/TextFlow.h"

namespace quillmark {

namespace {

bool sameFormats(const QList<QTextLayout::FormatRange> &a, const QList<QTextLayout::FormatRange> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].start != b[i].start || a[i].length != b[i].length || a[i].format != b[i].format)
            return false;
    }
    return true;
}

// Texts laid out in one font, shared by the layouts that show them while any of them does:
// the last few are found by their text and their font's key.
struct SharedKey
{
    QString text;
    QString font;
    uint resolved = 0;
    qreal scale = 1.0;
    bool operator==(const SharedKey &) const = default;
};

struct SharedLaid
{
    std::weak_ptr<const QTextLayout> layout;
    std::weak_ptr<void> pictures;
    QSizeF size;
    QRectF firstLine;
};

std::vector<std::pair<SharedKey, SharedLaid>> &sharedLayouts()
{
    thread_local std::vector<std::pair<SharedKey, SharedLaid>> shared;
    return shared;
}

constexpr size_t SharedTexts = 32;

} // namespace

StringLayout::StringLayout() = default;

StringLayout::~StringLayout() = default;

void StringLayout::setText(const QString &text, const QFont &font, const QColor &color,
                           const QList<QTextLayout::FormatRange> &formats)
{
    m_color = color;
    if (m_laidOut && m_thread != std::this_thread::get_id())
        m_laidOut = false;
    m_thread = std::this_thread::get_id();
    const bool fontChanged = !m_laidOut || font != m_font || font.resolveMask() != m_font.resolveMask();
    const bool formatsChanged = !m_laidOut || !sameFormats(formats, m_formats);
    if (fontChanged || formatsChanged) {
        m_font = font;
        // The key finds layouts shared by other fields; making it writes out the whole font.
        m_fontKey = font.key();
        m_formats = formats;
        m_characterInk.clear();
        m_metrics.reset();
        m_recent.clear();
        m_current.text = text;
        layout(m_current);
        m_laidOut = true;
        return;
    }
    if (text == m_current.text)
        return;
    // Ranges of formats belong to one text: only texts of one font are kept.
    if (!m_formats.isEmpty()) {
        m_current.text = text;
        layout(m_current);
        return;
    }
    for (Laid &recent : m_recent) {
        if (recent.text == text) {
            std::swap(recent, m_current);
            return;
        }
    }
    // The current text joins the recent ones.
    if (m_recent.size() >= RecentTexts)
        m_recent.erase(m_recent.begin());
    m_recent.push_back(std::move(m_current));
    m_current = Laid();
    m_current.text = text;
    layout(m_current);
}

void StringLayout::layout(Laid &laid)
{
    qreal scale = 1.0;
    QPaintDevice *device = TextFlow::layoutDevice(&scale);
    laid.ink.reset();
    std::optional<SharedKey> key;
    if (m_formats.isEmpty()) {
        key = SharedKey{laid.text, m_fontKey, uint(m_font.resolveMask()), scale};
        auto &shared = sharedLayouts();
        for (auto it = shared.begin(); it != shared.end(); ++it) {
            if (!(it->first == *key))
                continue;
            if (std::shared_ptr<const QTextLayout> layout = it->second.layout.lock()) {
                laid.layout = std::move(layout);
                laid.pictures = std::static_pointer_cast<Pictures>(it->second.pictures.lock());
                if (!laid.pictures) {
                    laid.pictures = std::make_shared<Pictures>();
                    it->second.pictures = laid.pictures;
                }
                laid.size = it->second.size;
                laid.firstLine = it->second.firstLine;
                return;
            }
            shared.erase(it);
            break;
        }
    }
    auto made = std::make_shared<QTextLayout>(QString(), QFont(), device);
    QTextOption option;
    // Lines end only at line breaks: nothing wraps, and the line breaker has nothing to look for.
    option.setWrapMode(QTextOption::NoWrap);
    made->setTextOption(option);
    // The glyphs are shaped once, for measuring and drawing alike.
    made->setCacheEnabled(true);
    QTextLayout &layout = *made;
    layout.setFont(QFont(scaledFont(m_font, scale), device));

    QString shown = laid.text;
    if (shown.contains(QLatin1Char('\n')) || shown.contains(QLatin1Char('\r'))) {
        shown.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
        shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
        shown.replace(QLatin1Char('\r'), QChar::LineSeparator);
    }
    layout.setText(shown);
    if (m_formats.isEmpty()) {
        layout.clearFormats();
    } else {
        QList<QTextLayout::FormatRange> scaled = m_formats;
        for (QTextLayout::FormatRange &range : scaled) {
            if (range.format.hasProperty(QTextFormat::FontPointSize))
                range.format.setFontPointSize(range.format.fontPointSize() * scale);
        }
        layout.setFormats(scaled);
    }

    constexpr qreal Unbounded = 1.0e6;
    qreal y = 0.0;
    qreal widest = 0.0;
    laid.firstLine = QRectF();
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        line.setLineWidth(Unbounded);
        line.setPosition(QPointF(0.0, y));
        if (line.lineNumber() == 0)
            laid.firstLine = QRectF(0.0, y, line.naturalTextWidth(), line.height());
        y += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    if (laid.text.isEmpty()) {
        const QFontMetricsF metrics = TextFlow::fontMetrics(m_font);
        y = metrics.ascent() + metrics.descent() + std::max<qreal>(0.0, metrics.leading());
        laid.firstLine = QRectF();
    }
    laid.size = QSizeF(widest, y);
    laid.layout = made;
    laid.pictures = std::make_shared<Pictures>();
    if (key) {
        auto &shared = sharedLayouts();
        if (shared.size() >= SharedTexts)
            shared.erase(shared.begin());
        shared.push_back({std::move(*key), SharedLaid{made, laid.pictures, laid.size, laid.firstLine}});
    }
}

std::optional<QRectF> StringLayout::inkFromCharacters() const
{
    if (!m_formats.isEmpty())
        return std::nullopt;
    if (!m_metrics)
        m_metrics = TextFlow::fontMetrics(m_font);
    const QFontMetricsF &metrics = *m_metrics;
    qreal left = 0.0;
    qreal top = 0.0;
    qreal bottom = 0.0;
    qreal overhang = 0.0;
    for (const QChar c : m_current.text) {
        if (c == QChar::LineSeparator || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            continue;
        // Marks stack on their base and other scripts shape their glyphs: their glyphs are
        // measured as drawn.
        if (c.isSurrogate() || c.isMark() || c.script() > QChar::Script_Cyrillic)
            return std::nullopt;
        auto it = m_characterInk.constFind(c.unicode());
        if (it == m_characterInk.cend()) {
            if (m_characterInk.size() > 512)
                m_characterInk.clear();
            it = m_characterInk.insert(c.unicode(), {metrics.boundingRect(c), metrics.horizontalAdvance(c)});
        }
        left = std::min(left, it->box.left());
        top = std::min(top, it->box.top());
        bottom = std::max(bottom, it->box.bottom());
        overhang = std::max(overhang, it->box.right() - it->advance);
    }
    // Glyphs stand at their pen positions from 0 to the line's width; kerning moves them by
    // less than a tenth of the font's size either way.
    const qreal kerning = std::max<qreal>(1.0, 0.1 * m_font.pointSizeF());
    const qreal ascent = metrics.ascent();
    const qreal lastBaseline = m_current.size.height() - metrics.descent();
    return QRectF(QPointF(left - kerning, ascent + top),
                  QPointF(m_current.size.width() + overhang + kerning, lastBaseline + bottom));
}

QRectF StringLayout::inkBounds() const
{
    if (!m_current.ink) {
        QRectF ink;
        if (m_current.layout && !m_current.text.isEmpty()) {
            if (const std::optional<QRectF> bounded = inkFromCharacters()) {
                ink = *bounded;
            } else {
                for (const QGlyphRun &run : m_current.layout->glyphRuns()) {
                    const QRawFont font = run.rawFont();
                    const QList<quint32> glyphs = run.glyphIndexes();
                    const QList<QPointF> positions = run.positions();
                    for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i)
                        ink |= font.boundingRect(glyphs[i]).translated(positions[i]);
                }
            }
        }
        m_current.ink = ink;
    }
    return *m_current.ink;
}

void StringLayout::draw(QPainter *painter, const QPointF &origin) const
{
    if (!painter || !m_current.layout || m_current.text.isEmpty())
        return;
    const QPen pen = painter->pen();
    painter->setPen(m_color);
    m_current.layout->draw(painter, origin);
    painter->setPen(pen);
}

bool StringLayout::drawPicture(QPainter *painter, const QPointF &origin) const
{
    if (!painter)
        return false;
    if (!m_current.layout || m_current.text.isEmpty())
        return true;
    const QTransform toDevice = painter->deviceTransform();
    if (toDevice.type() > QTransform::TxShear || !toDevice.isInvertible() || painter->opacity() != 1.0
        || painter->compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    const QPointF at = toDevice.map(origin);
    if (!(std::abs(at.x()) < 1e8 && std::abs(at.y()) < 1e8))
        return false;
    // Texts alike turned, mirrored and scaled alike look alike wherever they stand: the
    // picture is kept for the painter's transform less its moves.
    const QTransform linear(toDevice.m11(), toDevice.m12(), toDevice.m21(), toDevice.m22(), 0.0, 0.0);
    const int hints = int(painter->renderHints());
    const QRgb color = m_color.rgba();
    if (!m_current.pictures)
        m_current.pictures = std::make_shared<Pictures>();
    std::vector<Picture> &kept = m_current.pictures->kept;
    auto found = std::find_if(kept.begin(), kept.end(), [&](const Picture &p) {
        return p.color == color && p.linear == linear && p.hints == hints;
    });
    std::shared_ptr<const QImage> image;
    if (found != kept.end()) {
        image = KeptTextPictures::picture(found->image);
        // Let go of for the budget: made again when the budget has room.
        if (!image)
            kept.erase(found);
    }
    if (!image) {
        // The ink and a margin for the smoothing, the origin on a whole pixel of the picture.
        constexpr int Margin = 2;
        const QRectF device = linear.mapRect(inkBounds());
        // A picture larger than a screen is not kept.
        if (!(device.width() < 4096.0 && device.height() < 4096.0))
            return false;
        Picture made{color, linear, hints, {},
                     QPoint(int(std::ceil(-device.left())) + Margin, int(std::ceil(-device.top())) + Margin)};
        const QSize pixels(made.origin.x() + int(std::ceil(device.right())) + Margin,
                           made.origin.y() + int(std::ceil(device.bottom())) + Margin);
        if (pixels.width() <= 0 || pixels.height() <= 0)
            return true;
        const QPainter::RenderHints renderHints = painter->renderHints();
        made.image = KeptTextPictures::keep(qint64(pixels.width()) * pixels.height() * 4, [&] {
            QImage picture(pixels, QImage::Format_ARGB32_Premultiplied);
            picture.fill(Qt::transparent);
            {
                QPainter onPicture(&picture);
                onPicture.setRenderHints(renderHints);
                onPicture.setTransform(linear * QTransform::fromTranslate(made.origin.x(), made.origin.y()));
                draw(&onPicture, QPointF(0.0, 0.0));
            }
            return picture;
        });
        image = KeptTextPictures::picture(made.image);
        // Past the budget the text is drawn directly.
        if (!image)
            return false;
        // A few transforms: the zooms and turns the texts were seen at last.
        if (kept.size() >= 4) {
            KeptTextPictures::release(kept.front().image);
            kept.erase(kept.begin());
        }
        kept.push_back(std::move(made));
        found = std::prev(kept.end());
    }
    const QTransform world = painter->worldTransform();
    painter->setWorldTransform(toDevice.inverted() * world);
    painter->drawImage(QPoint(int(std::round(at.x())) - found->origin.x(), int(std::round(at.y())) - found->origin.y()),
                       *image);
    painter->setWorldTransform(world);
    return true;
}

StringLayout::Pictures::~Pictures()
{
    for (const Picture &picture : kept)
        KeptTextPictures::release(picture.image);
}

} // namespace quillmark
