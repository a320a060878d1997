#include "objects/ColorOval.h"

#include <QGlyphRun>
#include <QCache>
#include <QCoreApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QThread>

#include <atomic>
#include <cmath>
#include <mutex>
#include <vector>

#include "foundation/Measures.h"
#include "objects/CDashArray.h"
#include "objects/CanvasServices.h"
#include "objects/ColorUtils.h"
#include "objects/GeometryHelpers.h"
#include "objects/KeptPicture.h"
#include "objects/NSTextOvalContainer.h"
#include "objects/ObjectFactory.h"
#include "objects/TextAttachmentHandler.h"
#include "objects/TextArchive.h"
#include "objects/TextFlow.h"
#include "platform/KeyBytes.h"
#include "platform/Format.h"
#include "platform/Pen.h"
#include "platform/SavedPainterState.h"
#include "objects/GlyphRuns.h"

namespace quillmark {

namespace {

constexpr double DegreesPerRadian = 57.29577951308232;
// The largest side of the offscreen gradient image, so that an absurd zoom cannot ask for
// an unbounded allocation.
constexpr double MaxGradientSide = 8192.0;

// The closed polyline of the ellipse in `rect`, clockwise on the canvas: its points, the
// last segment returning to the first point.
std::vector<QPointF> ovalPolyline(const QRectF &rect)
{
    const BezierPath flat =
        BezierPath::bezierPathWithOvalInRect(rect).flattened(BezierPath::DefaultFlatness);
    std::vector<QPointF> points;
    points.reserve(size_t(flat.elementCount()));
    for (int i = 0; i < flat.elementCount(); ++i) {
        QPointF pts[3];
        const BezierPath::ElementType type = flat.elementAt(i, pts);
        if (type == BezierPath::MoveTo || type == BezierPath::LineTo)
            points.push_back(pts[0]);
    }
    return points;
}

// The polyline of the oval in `rect` from the segment heading in the direction `start`
// (degrees), and its length summed in single precision.
struct OvalWalk
{
    std::vector<QPointF> points;
    float around = 0.0f;
};

OvalWalk ovalWalk(const QRectF &rect, float start)
{
    OvalWalk walk;
    std::vector<QPointF> &points = walk.points;
    points = ovalPolyline(rect);
    if (points.size() < 2)
        return walk;
    size_t startSegment = 0;
    for (size_t k = 1; k < points.size(); ++k) {
        const QPointF d = points[k] - points[k - 1];
        float direction = ColorOval::getAngle(float(d.x()), float(d.y())) * float(DegreesPerRadian);
        if (direction < 0)
            direction += 360.0f;
        if (std::abs(direction - start) < 5.0f) {
            startSegment = k;
            break;
        }
    }
    if (startSegment > 0) {
        std::vector<QPointF> from;
        from.reserve(points.size());
        for (size_t k = startSegment; k < points.size(); ++k)
            from.push_back(points[k]);
        for (size_t k = 1; k < startSegment; ++k)
            from.push_back(points[k]);
        points.swap(from);
    }
    for (size_t k = 1; k < points.size(); ++k)
        walk.around += float(std::hypot(points[k].x() - points[k - 1].x(), points[k].y() - points[k - 1].y()));
    return walk;
}

// A glyph of a laid-out line: its index and where it stands.
struct GlyphKey
{
    quint32 glyph = 0;
    qint64 x = 0;
    qint64 y = 0;

    static GlyphKey of(quint32 glyph, const QPointF &position)
    {
        return {glyph, qRound64(position.x() * 1024.0), qRound64(position.y() * 1024.0)};
    }
    bool operator==(const GlyphKey &other) const
    {
        return glyph == other.glyph && x == other.x && y == other.y;
    }
};

size_t qHash(const GlyphKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.glyph, key.x, key.y);
}

// The first character of the line that each of its glyphs shows.
QHash<GlyphKey, int> firstCharacters(const QTextLayout &layout, const QTextLine &line)
{
    QHash<GlyphKey, int> characters;
    for (int c = line.textStart(); c < line.textStart() + line.textLength(); ++c) {
        GlyphRuns::forEach(layout.glyphRuns(c, 1), [&](const GlyphRuns::Glyph &glyph) {
            const GlyphKey key = GlyphKey::of(glyph.index, glyph.position);
            if (!characters.contains(key))
                characters.insert(key, c);
        });
    }
    return characters;
}

QColor colourAt(const QTextLayout &layout, int position)
{
    for (const QTextLayout::FormatRange &range : layout.formats()) {
        if (position >= range.start && position < range.start + range.length
            && range.format.hasProperty(QTextFormat::ForegroundBrush))
            return range.format.foreground().color();
    }
    return QColor(Qt::black);
}

} // namespace

ColorOval::ColorOval()
    : ColorOval(QRectF())
{
}

ColorOval::ColorOval(const QRectF &frame)
    : ColorRect(frame)
{
}

ColorOval::~ColorOval()
{
    // Laying the text out aside reaches the oval's own members.
    dropTextAside();
}

std::shared_ptr<ColorOval> ColorOval::create(const QRectF &frame)
{
    return std::make_shared<ColorOval>(frame);
}

void ColorOval::registerKind()
{
    ObjectFactory::registerClass(QStringLiteral("ColorOval"),
                                 [] { return std::make_shared<ColorOval>(); });
}

QString ColorOval::className() const
{
    return QStringLiteral("ColorOval");
}

std::shared_ptr<ColorRect> ColorOval::newInstance() const
{
    return std::make_shared<ColorOval>();
}

void ColorOval::initContainer()
{
    ensureTextFlow();
}

BezierPath ColorOval::bezierPath() const
{
    const qreal inset = _lineWidth / 2.0;
    BezierPath path =
        BezierPath::bezierPathWithOvalInRect(_frameBounds.adjusted(inset, inset, -inset, -inset));
    path.setLineWidth(strokeLineWidth());
    return path;
}

float ColorOval::getAngle(float x, float y)
{
    if (!(std::sqrt(x * x + y * y) > 0.0f))
        return 0.0f;
    float angle = std::atan2(-y, x);
    if (angle < float(-Pi / 2.0))
        angle += float(2.0 * Pi);
    return angle;
}

namespace {

// The laid-out texts of ovals, by their archived text and look, while an oval holds them.
struct SharedPlacements
{
    std::mutex lock;
    QHash<QByteArray, std::weak_ptr<const void>> kept;
    qsizetype pruneAt = 1024;
};

SharedPlacements &sharedPlacements()
{
    static SharedPlacements shared;
    return shared;
}

// The glyphs' fonts serve the thread that made them: each thread shares among its own ovals.
quint64 placingThread()
{
    static std::atomic<quint64> threads{0};
    thread_local const quint64 id = ++threads;
    return id;
}

} // namespace

void ColorOval::watchText() const
{
    const std::shared_ptr<QTextDocument> &text = sharedTextStorage();
    if (m_watched == text.get() && m_textEdits)
        return;
    m_watched = text.get();
    m_textEdits = std::make_shared<std::atomic<quint64>>(0);
    m_textKey.clear();
    QObject::connect(text.get(), &QTextDocument::contentsChanged, [edits = m_textEdits] { ++*edits; });
}

quint64 ColorOval::PlacedGlyphs::nextSerial()
{
    static std::atomic<quint64> made{0};
    return ++made;
}

bool ColorOval::placedWithoutLayout() const
{
    watchText();
    const std::shared_ptr<QTextDocument> &text = sharedTextStorage();
    const PlacedFor wanted{text.get(), m_textEdits->load(), _frameBounds.size(), qreal(_lineWidth), _textAngle,
                           _textFlip};
    if (m_placed && m_placedFor == wanted && m_placedKey.isNull())
        return true;
    if (m_placedFor == wanted && !m_placedKey.isNull())
        return false;
    m_placedFor = wanted;
    m_placedKey = QByteArray();
    if (text->isEmpty()) {
        m_placed = std::make_shared<const PlacedGlyphs>();
        return true;
    }

    // Alike ovals take what one of them laid out. (Merge fields in the text may measure by
    // their object: such ovals lay out their own.)
    QByteArray key("");
    if (!text->toRawText().contains(QChar::ObjectReplacementCharacter)) {
        if (m_textKey.isEmpty() || m_textKeyEdits != wanted.edits) {
            m_textKey = TextArchive::archive(*text);
            m_textKeyEdits = wanted.edits;
        }
        KeyBytes look;
        look.add(placingThread(), wanted.frame, wanted.lineWidth, wanted.angle, wanted.flip);
        // Naming the font is dearer than comparing it: its name is kept while it stays.
        const QFont font = text->defaultFont();
        if (m_textKeyFontName.isEmpty() || !(font == m_textKeyFont)) {
            m_textKeyFont = font;
            m_textKeyFontName = font.key().toUtf8();
        }
        key = m_textKey + look.bytes + m_textKeyFontName;
        SharedPlacements &shared = sharedPlacements();
        std::lock_guard<std::mutex> hold(shared.lock);
        if (std::shared_ptr<const void> found = shared.kept.value(key).lock()) {
            m_placed = std::static_pointer_cast<const PlacedGlyphs>(found);
            return true;
        }
    }
    // Laid out by the next call of placedGlyphs, under this key (empty: not shared).
    m_placedKey = key;
    return false;
}

const ColorOval::PlacedGlyphs &ColorOval::placedGlyphs() const
{
    if (placedWithoutLayout())
        return *m_placed;
    const std::shared_ptr<QTextDocument> &text = sharedTextStorage();
    const QByteArray key = std::exchange(m_placedKey, QByteArray());

    if (!m_ovalFlow || m_ovalFlow->document() != text.get()) {
        m_ovalFlow = std::make_unique<TextFlow>(text);
        m_ovalBox = std::make_unique<NSTextOvalContainer>(_frameBounds.size());
        m_ovalFlow->insertContainer(m_ovalBox.get(), 0);
    }
    // The lines depend on the frame's size alone (the flow itself knows when the text
    // changed); where the glyphs land depends on all of it.
    if (m_ovalBox->ovalRect().size() != _frameBounds.size()) {
        m_ovalBox->setContainerSize(_frameBounds.size());
        m_ovalBox->setGraphicObject(const_cast<ColorOval *>(this));
        m_ovalFlow->invalidate();
    }
    m_ovalFlow->layoutIfNeeded();
    auto placed = std::make_shared<PlacedGlyphs>();
    TextFlow &flow = *m_ovalFlow;
    auto place = [&placed](const GlyphPlacement &placement, const QRawFont &font, quint32 glyph, qreal advance,
                           const QColor &colour) { placed->push_back({placement, font, glyph, advance, colour}); };

    const qreal half = _lineWidth / 2.0;
    const QRectF r = QRectF(QPointF(), _frameBounds.size()).adjusted(half, half, -half, -half);
    const bool flipped = _textFlip != 0;
    float a = _textAngle;
    if (!flipped)
        a = -a;
    const float start = a < 0 ? a + 360.0f : a;

    QRectF walkedOval;
    OvalWalk walked;
    bool walkMade = false;
    for (const TextFlow::Line &line : flow.lines()) {
        QTextLayout *layout = flow.blockLayout(line.block);
        const QTextLine textLine = layout->lineAt(line.lineNumber);
        const int blockStart = text->findBlockByNumber(line.block).position();
        const QHash<GlyphKey, int> characters = firstCharacters(*layout, textLine);
        // A right-to-left line ends where a left-to-right line begins: it takes the stretch of
        // its length that leads up to the start rather than the one that leaves it.
        const bool rightToLeft = layout->textOption().textDirection() == Qt::RightToLeft;
        // Each glyph of the line once, however many characters it shows (a ligature, an
        // emoji of two code units) and in whatever direction it reads.
        QList<QPointF> advances;
        GlyphRuns::forEach(layout->glyphRuns(textLine.textStart(), textLine.textLength()), [&](const GlyphRuns::Glyph &glyph) {
            if (glyph.indexInRun == 0)
                advances = glyph.font.advancesForGlyphIndexes(glyph.run.glyphIndexes());
            const qreal advance = glyph.indexInRun < advances.size() ? advances[glyph.indexInRun].x() : 0.0;
            const int c = characters.value(GlyphKey::of(glyph.index, glyph.position), textLine.textStart());
            qreal s = glyph.position.x() + advance / 2.0;
            const qreal b = glyph.position.y();
            const qreal inset = flipped ? b - line.fragment.height() / 2.0 : b;
            const QRectF oval = r.adjusted(inset, inset, -inset, -inset);
            if (!(oval.width() > 0) || !(oval.height() > 0))
                return;

            // The glyphs of a line stand on one oval: its walk is made once.
            if (!walkMade || oval.x() != walkedOval.x() || oval.y() != walkedOval.y()
                || oval.width() != walkedOval.width() || oval.height() != walkedOval.height()) {
                walkMade = true;
                walkedOval = oval;
                walked = ovalWalk(oval, start);
            }
            const std::vector<QPointF> &points = walked.points;
            if (points.size() < 2)
                return;
            if (rightToLeft)
                s += double(walked.around) - line.fragment.right();

            float travelled = 0.0f;
            QPointF d;
            QPointF end = points.front();
            for (size_t k = 1; k < points.size(); ++k) {
                d = points[k] - points[k - 1];
                end = points[k];
                travelled += float(std::hypot(d.x(), d.y()));
                if (travelled >= float(s))
                    break;
            }
            const qreal length = std::hypot(d.x(), d.y());
            QPointF p = end;
            if (length > 0)
                p = end - (double(travelled) - s) * d / length;
            const double theta = getAngle(float(d.x()), float(d.y()));

            GlyphPlacement placement;
            placement.character = blockStart + c;
            placement.rightToLeft = glyph.run.isRightToLeft();
            if (flipped) {
                p.setX(2 * oval.x() + oval.width() - p.x());
                placement.rotation = -(Pi - theta) * DegreesPerRadian;
            } else {
                placement.rotation = -theta * DegreesPerRadian;
            }
            placement.point = p;
            place(placement, glyph.font, glyph.index, advance, colourAt(*layout, c));
        });
    }
    placed->shareable = !key.isEmpty();
    m_placed = placed;
    if (!key.isEmpty()) {
        SharedPlacements &shared = sharedPlacements();
        std::lock_guard<std::mutex> hold(shared.lock);
        if (shared.kept.size() >= shared.pruneAt) {
            shared.kept.removeIf([](const auto &entry) { return entry.value().expired(); });
            shared.pruneAt = std::max<qsizetype>(1024, shared.kept.size() * 2);
        }
        shared.kept.insert(key, m_placed);
    }
    return *m_placed;
}

QList<ColorOval::GlyphPlacement> ColorOval::glyphPlacements() const
{
    QList<GlyphPlacement> placements;
    for (const PlacedGlyph &placed : placedGlyphs()) {
        placements.append(placed.placement);
        placements.last().point += _frameBounds.topLeft();
    }
    return placements;
}

bool ColorOval::textKeyCurrent() const
{
    watchText();
    return sharedTextStorage()->isEmpty() || (!m_textKey.isEmpty() && m_textKeyEdits == m_textEdits->load());
}

bool ColorOval::textLaidOutFor(const QPainter *painter) const
{
    // Alike ovals take what one of them laid out, found by their text's archive: once the text
    // changed, making that archive is as much work as laying it out, and is left aside with it.
    if (textKeyCurrent() && placedWithoutLayout())
        return true;
    return textLaidOutNowOrAside(painter, [this] { placedGlyphs(); });
}

void ColorOval::layOutTextAside() const
{
    placedGlyphs();
}

void ColorOval::drawText(QPainter *painter)
{
    if (!painter || _iseditable)
        return;
    // On the screen of thousands of ovals resized at once, a repaint lays out the texts it has
    // time for and leaves the others aside: they show once laid out, a slice at a time while
    // the window answers.
    if (!textLaidOutFor(painter)) {
        ColorRect::ScreenDrawing::standInDrawn();
        return;
    }
    // An oval without text, or too small for a glyph, leaves the painter alone.
    if (placedGlyphs().empty())
        return;
    auto paint = [&](QPainter *p) {
        // Each glyph stands on its own turned mapping; the painter's mapping and pen are
        // put back once at the end instead of saving the whole state for every glyph.
        const QTransform around = p->worldTransform();
        const QPen pen = p->pen();
        const QPointF origin = _frameBounds.topLeft();
        for (const PlacedGlyph &placed : placedGlyphs()) {
            GlyphPlacement placement = placed.placement;
            placement.point += origin;
            if (drawAttachment(p, around, placement, placed.advance))
                continue;
            QTransform turned = around;
            turned.translate(placement.point.x(), placement.point.y());
            turned.rotate(placement.rotation);
            p->setWorldTransform(turned);
            QGlyphRun run;
            run.setRawFont(placed.font);
            run.setGlyphIndexes({placed.glyph});
            // The centre of the glyph's baseline lands on the oval.
            run.setPositions({QPointF(-placed.advance / 2.0, 0.0)});
            p->setPen(placed.colour);
            p->drawGlyphRun(QPointF(0, 0), run);
        }
        p->setWorldTransform(around);
        p->setPen(pen);
    };
    painter->save();
    if (drawsShadow()) {
        // The glyphs of one layout, in their colours, from the frame's corner.
        std::optional<Shadow::Source> source;
        if (placedGlyphs().shareable) {
            source = shadowSource('G');
            source->add(placedGlyphs().serial);
        }
        paintWithShadow(painter, _frameBounds, paint, source);
    } else
        paint(painter);
    painter->restore();
}

bool ColorOval::drawAttachment(QPainter *painter, const QTransform &around, const GlyphPlacement &placement,
                               qreal advance) const
{
    const QChar character = textStorage()->characterAt(placement.character);
    if (character != QChar(TextAttachmentHandler::ObjectCharacter))
        return false;
    QTextCursor cursor(textStorage());
    cursor.setPosition(placement.character);
    cursor.setPosition(placement.character + 1, QTextCursor::KeepAnchor);
    const QTextCharFormat format = cursor.charFormat();
    TextAttachmentHandler *handler = TextAttachmentHandler::handlerFor(character, format);
    if (!handler)
        return false;
    // The merge field stands upright on the tangent where the character holding its room
    // begins.
    const QSizeF size = handler->cellSize(format, this);
    painter->save();
    painter->setWorldTransform(around);
    painter->translate(placement.point);
    painter->rotate(placement.rotation);
    handler->draw(painter, QRectF(QPointF(-advance / 2.0, handler->descent(format) - size.height()), size),
                  format, this);
    painter->restore();
    return true;
}

const ColorOval::KeptOutline &ColorOval::keptOutline() const
{
    // Exactly the frame it was made for (QRectF's own comparison forgives small differences).
    const QRectF &kept = m_keptOutline.frame;
    if (kept.x() != _frameBounds.x() || kept.y() != _frameBounds.y() || kept.width() != _frameBounds.width()
        || kept.height() != _frameBounds.height() || m_keptOutline.lineWidth != _lineWidth) {
        const BezierPath outline = bezierPath();
        m_keptOutline.frame = _frameBounds;
        m_keptOutline.lineWidth = _lineWidth;
        m_keptOutline.empty = outline.isEmpty();
        m_keptOutline.bounds = outline.bounds();
        m_keptOutline.area = filledArea(outline);
        m_keptOutline.line = outline.toPainterPath();
    }
    return m_keptOutline;
}

namespace {

// The pictures of ovals' fills and strokes, by size, look, scale and the part of a pixel the
// frame starts at, for the window's thread (which draws the screen) alone.
QCache<QByteArray, QImage> &keptShapes()
{
    static QCache<QByteArray, QImage> kept(8 * 1024); // kilobytes
    return kept;
}

} // namespace

bool ColorOval::drawShapeFromKeptPicture(QPainter *painter, const KeptOutline &outline) const
{
    // Filling and stroking an oval that crosses a hundred pixels costs Qt's rasteriser tens of
    // microseconds (and hands its spans to Qt's thread pool), seconds for ten thousand at each
    // repaint; a copy of a picture costs a few. Anything that is not one plain fill and one
    // stroke (a turn, a clip, a shadow, a gradient, a picture) is drawn as before.
    const QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread() || !drawsScreenOfMany(painter) || outline.empty)
        return false;
    if (_flipH || _flipV || angle() != 0.0f || clip || drawsShadow() || _fillType != 0)
        return false;
    if (canDrawsImage() && drawsImage() && (imageFileMissing() || hasValidImage()))
        return false;
    const QTransform device = painter->deviceTransform();
    if (device.type() > QTransform::TxScale || !(device.m11() > 0.0) || !(device.m22() > 0.0))
        return false;
    const bool filled = canFill() && drawsFill();
    const bool stroked = canStroke() && drawsStroke() && strokeLineWidth() > 0;
    if (!filled && !stroked)
        return true;
    // The frame's corner on the device, to a quarter of a pixel: the picture is made at that
    // part of a pixel, so that it draws what the oval draws there to an eighth of a pixel.
    const QPointF corner = device.map(_frameBounds.topLeft());
    if (!std::isfinite(corner.x()) || !std::isfinite(corner.y()))
        return false;
    QPoint anchor(int(std::floor(corner.x())), int(std::floor(corner.y())));
    QPoint quarters(qRound((corner.x() - anchor.x()) * 4.0), qRound((corner.y() - anchor.y()) * 4.0));
    if (quarters.x() == 4) {
        anchor.rx() += 1;
        quarters.rx() = 0;
    }
    if (quarters.y() == 4) {
        anchor.ry() += 1;
        quarters.ry() = 0;
    }
    // Room for the stroke's half, its mitres and antialiasing round the frame.
    const double reach = stroked ? double(_lineWidth) : 0.0;
    const int margin = int(std::ceil(reach * std::max(device.m11(), device.m22()))) + 2;
    const double w = _frameBounds.width() * device.m11();
    const double h = _frameBounds.height() * device.m22();
    constexpr double LargestSide = 1024.0;
    if (!(w < LargestSide) || !(h < LargestSide))
        return false;
    const QSize size(int(std::ceil(w)) + 2 * margin + 1, int(std::ceil(h)) + 2 * margin + 1);

    KeyBytes named;
    named.add('S', _frameBounds.width(), _frameBounds.height(), _lineWidth, _linePattern, device.m11(), device.m22(),
              quarters, filled, stroked, int(painter->renderHints()));
    if (filled)
        named.add(fillColor().rgba64());
    if (stroked)
        named.add(strokeColor().rgba64());
    QCache<QByteArray, QImage> &kept = keptShapes();
    const QImage *picture = kept.object(named.bytes);
    if (!picture) {
        auto made = std::make_unique<QImage>(size, QImage::Format_ARGB32_Premultiplied);
        if (made->isNull())
            return false;
        made->fill(Qt::transparent);
        {
            QPainter p(made.get());
            p.setRenderHints(painter->renderHints());
            p.translate(margin + quarters.x() / 4.0, margin + quarters.y() / 4.0);
            p.scale(device.m11(), device.m22());
            p.translate(-_frameBounds.topLeft());
            if (filled)
                p.fillPath(outline.area, fillColor());
            if (stroked) {
                const QList<qreal> dashes =
                    _linePattern > 0 ? CDashArray::dashLengths(_linePattern, _lineWidth) : QList<qreal>();
                p.strokePath(outline.line, makePen(strokeColor(), _lineWidth, dashes));
            }
        }
        const qsizetype cost = std::max<qsizetype>(1, made->sizeInBytes() / 1024);
        if (cost > kept.maxCost())
            return false;
        picture = made.get();
        kept.insert(named.bytes, made.release(), cost);
    }
    SavedPainterState state(painter);
    painter->setWorldTransform(device.inverted() * painter->worldTransform());
    KeptPicture::drawPixels(painter, anchor - QPoint(margin, margin), *picture);
    return true;
}

void ColorOval::drawFrame(QPainter *painter, const QRectF &, bool)
{
    if (!painter)
        return;
    // The oval as bezierPath() makes it, kept.
    const KeptOutline &outline = keptOutline();
    if (drawShapeFromKeptPicture(painter, outline)) {
        drawText(painter);
        return;
    }
    // Only a mirror or a turn, a clip or a shadow changes the painter's state here: an
    // upright plain oval is drawn without saving it.
    const bool turned = _flipH || _flipV || angle() != 0.0f;
    const bool changesState = clip || drawsShadow();
    if (turned) {
        painter->save();
        flipFrame(painter);
        rotateFrame(painter, angle());
    }

    const bool filled = canFill() && drawsFill();
    if (filled) {
        // The gradient's image is kept for the screen.
        const bool screen = takesKeptLooks(painter);
        const bool keep = changesState || _fillType != 0;
        if (keep)
            painter->save();
        auto paintFill = [&](QPainter *p) {
            if (clip)
                p->setClipPath(filledArea(*clip), Qt::IntersectClip);
            if (_fillType == 0) {
                p->fillPath(outline.area, fillColor());
                return;
            }
            const QRectF bounds = outline.bounds;
            if (outline.empty || bounds.isEmpty())
                return;
            // The gradient is rendered offscreen at twice the size for print, at the
            // canvas's zoom on the screen.
            double f = isDrawingForPrint() ? 2.0 : getZoom();
            if (!(f > 0) || !std::isfinite(f))
                f = 1.0;
            f = std::min(f, MaxGradientSide / std::max(bounds.width(), bounds.height()));
            const QSize size(std::max(1, int(std::ceil(bounds.width() * f))),
                             std::max(1, int(std::ceil(bounds.height() * f))));
            auto paintGradient = [&](QPainter *offscreen, const QRectF &whole) {
                QTransform toImage;
                toImage.scale(f, f);
                toImage.translate(-bounds.x(), -bounds.y());
                offscreen->setClipPath(toImage.map(outline.area));
                if (_fillType == 1)
                    drawRadialGradient(offscreen, fillColor(), _fillColor2, whole);
                else if (_fillType == 2)
                    drawAxialGradient(offscreen, fillColor(), _fillColor2, _fillAngle * Pi / 180.0, whole);
            };
            // On the screen the image is kept for every oval of this size and look.
            std::optional<QByteArray> key;
            if (screen) {
                KeyBytes named;
                named.add('O', _fillType, size, f, bounds.size(), fillColor().rgba64(), _fillColor2.rgba64(),
                          fillColor().isValid(), _fillColor2.isValid(), _fillAngle);
                key = named.bytes;
            }
            drawGradientImage(p, bounds, size, key ? &*key : nullptr, paintGradient);
        };
        if (drawsShadow()) {
            // The oval's area in the alpha of its colours (the radial gradient leaves the
            // bounds' corners bare, which the oval never reaches).
            std::optional<Shadow::Source> source;
            if (!clip) {
                source = shadowSource('O');
                source->add(_fillType, _frameBounds.size(), _lineWidth, outline.bounds.translated(-source->corner));
                addCoverage(*source, fillColor());
                if (_fillType == 1 || _fillType == 2) {
                    source->add(_fillAngle);
                    addCoverage(*source, _fillColor2);
                }
            }
            paintWithShadow(painter, outline.bounds, paintFill, source);
        } else {
            paintFill(painter);
        }
        if (keep)
            painter->restore();
    }

    // An oval draws its picture as any box does, which draws nothing without one (or the
    // place of a missing one): then there is nothing to clip to the oval, and clipping costs
    // a fill of the outline at every repaint.
    if (canDrawsImage() && drawsImage() && (imageFileMissing() || hasValidImage())) {
        painter->save();
        painter->setClipPath(outline.area, Qt::IntersectClip);
        drawImage(painter);
        painter->restore();
    }

    if (canStroke() && drawsStroke() && strokeLineWidth() > 0) {
        if (changesState)
            painter->save();
        const QList<qreal> dashes =
            _linePattern > 0 ? CDashArray::dashLengths(_linePattern, _lineWidth) : QList<qreal>();
        const QPen pen = makePen(strokeColor(), _lineWidth, dashes);
        const QPainterPath &line = outline.line;
        auto paintStroke = [&](QPainter *p) {
            if (clip)
                p->setClipPath(filledArea(*clip), Qt::IntersectClip);
            p->strokePath(line, pen);
        };
        if (drawsShadow() && !filled) {
            const qreal reach = _lineWidth;
            std::optional<Shadow::Source> source;
            if (!clip) {
                source = shadowSource('P');
                source->add(_frameBounds.size(), _lineWidth, _linePattern, outline.bounds.translated(-source->corner));
                addCoverage(*source, strokeColor());
            }
            paintWithShadow(painter, outline.bounds.adjusted(-reach, -reach, reach, reach), paintStroke, source);
        } else {
            paintStroke(painter);
        }
        if (changesState)
            painter->restore();
    }

    drawText(painter);
    if (turned)
        painter->restore();
}

void ColorOval::drawRect(QPainter *painter, const QRectF &rect)
{
    if (painter && _iseditable && _flag) {
        const QRectF kept = _frameBounds;
        _frameBounds.moveTo(0, 0);
        painter->save();
        painter->setClipRect(_mainView ? _mainView->bounds() : QRectF(), Qt::IntersectClip);
        drawFrame(painter, _mainView ? _mainView->bounds() : QRectF(), false);
        painter->restore();
        _frameBounds = kept;
        _flag = false;
    }
    ColorRect::drawRect(painter, rect);
}

QVariantMap ColorOval::propertyListRepresentation(const GraphicList *graphics, const LinkedTextPlaces *places)
{
    QVariantMap dict = ColorRect::propertyListRepresentation(graphics, places);
    dict.insert(QStringLiteral("Class"), className());
    if (_textAngle != 0.0f)
        dict.insert(QStringLiteral("TextAngle"), fmt2(_textAngle));
    if (_textFlip != 0)
        dict.insert(QStringLiteral("TextFlip"), fmtInt(_textFlip));
    return dict;
}

void ColorOval::loadPropertyListRepresentation(const QVariantMap &dict)
{
    ColorRect::loadPropertyListRepresentation(dict);
    // The text as it was read is the key its layout is shared by, until the text is edited.
    if (hasText()) {
        watchText();
        if (auto it = dict.constFind(QStringLiteral("Text")); it != dict.constEnd() && it->typeId() == QMetaType::QByteArray) {
            m_textKey = it->toByteArray();
            m_textKeyEdits = m_textEdits->load();
        }
    }
    auto number = [](const QVariant &value) {
        return value.typeId() == QMetaType::QString ? leadingDouble(value.toString())
                                                    : value.toDouble();
    };
    if (auto it = dict.constFind(QStringLiteral("TextAngle")); it != dict.constEnd()) {
        // A damaged value must not make the text start nowhere at all: not a number counts
        // as no turn, and an angle a float cannot hold (1e300) keeps its remainder of a turn.
        setTextAngle(float(boundedDegrees(number(*it)).value_or(0.0)));
    }
    if (auto it = dict.constFind(QStringLiteral("TextFlip")); it != dict.constEnd())
        setTextFlip(it->typeId() == QMetaType::QString ? leadingInt(it->toString())
                                                       : it->toInt());
}

} // namespace quillmark
