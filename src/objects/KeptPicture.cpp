#include "objects/KeptPicture.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "objects/ColorRect.h"
#include "objects/PictureWorker.h"
#include "platform/SavedPainterState.h"

namespace quillmark {

struct KeptPicture::Picture
{
    Key key;
    QImage image;
    // The picture holds the whole object, not only the part of it on the device.
    bool whole = false;
    // A byte-a-pixel picture in full colour, made the first time it is laid down turned:
    // Qt resamples only full colour pictures quickly.
    mutable QImage fullColour;
};

struct KeptPicture::Pending : PictureWorker::Job
{
    Key key;
    bool whole = false;
    bool small = false;
    std::function<void(const QRectF &)> arrivedOnScreen;
    // The picture once it has come, for the copies that wait for it, and what each of them
    // does then (on the window's thread).
    std::shared_ptr<const Picture> made;
    std::vector<std::function<void()>> alsoArrived;
};

// Weak: each picture and job belongs to the member that asked for it, and goes with it.
struct KeptPicture::Kin
{
    std::weak_ptr<Pending> pending;
    std::weak_ptr<const Picture> picture;
};

namespace {

// Qt hands the blend of more than about a hundred rows through a clip that is not a rectangle
// (a turned object's outline, the many small areas one repaint gathers as thousands of
// pictures arrive) to its thread pool, a hand-over that costs more than a picture's blend:
// drawn in bands below that (the same pixels).
void blendInBands(QPainter *painter, const QPoint &at, const QImage &image, const QRect &from)
{
    constexpr int Band = 64;
    for (int y = 0; y < from.height(); y += Band)
        painter->drawImage(QPointF(at + QPoint(0, y)), image,
                           QRectF(from.x(), from.y() + y, from.width(), std::min(Band, from.height() - y)));
}

bool sameLook(const KeptPicture::LookPtr &a, const KeptPicture::LookPtr &b)
{
    if (!a || !b)
        return !a && !b;
    return a == b || a->sameAs(*b);
}

// The colour whose premultiplied form with `alpha` is `premultiplied`, exactly; nothing when
// none is (a channel above its alpha).
std::optional<QRgb> unpremultipliedExactly(QRgb premultiplied)
{
    const int alpha = qAlpha(premultiplied);
    if (alpha == 0)
        return premultiplied == 0 ? std::optional<QRgb>(0) : std::nullopt;
    QRgb plain = qUnpremultiply(premultiplied);
    if (qPremultiply(plain) == premultiplied)
        return plain;
    // Rounding took the channel off by one: each premultiplied value up to the alpha has a
    // plain value that premultiplies to it.
    int channels[3] = {qRed(premultiplied), qGreen(premultiplied), qBlue(premultiplied)};
    for (int &channel : channels) {
        int found = -1;
        for (int v = 0; v < 256 && found < 0; ++v)
            if (qRed(qPremultiply(qRgba(v, 0, 0, alpha))) == channel)
                found = v;
        if (found < 0)
            return std::nullopt;
        channel = found;
    }
    plain = qRgba(channels[0], channels[1], channels[2], alpha);
    return qPremultiply(plain) == premultiplied ? std::optional<QRgb>(plain) : std::nullopt;
}

// Makes the picture of `size` pixels that `paint` paints through `toPicture`.
QImage makePicture(const QSize &size, const QTransform &toPicture, QPainter::RenderHints hints,
                   const KeptPicture::Painting &paint, bool oneColour = false)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHints(hints);
    p.setTransform(toPicture);
    paint(&p);
    p.end();
    return oneColour ? KeptPicture::compacted(image) : image;
}

// From the object's page points to the pixels of a picture of `part` (device pixels from the
// frame's corner) through `linear` (the device's scale, turn and mirrors).
QTransform pictureTransform(const QRect &part, const QTransform &linear, const QPointF &corner)
{
    return QTransform::fromTranslate(-corner.x(), -corner.y()) * linear
           * QTransform::fromTranslate(-part.x(), -part.y());
}

// The device's transform without its move.
QTransform linearOf(const QTransform &device)
{
    return QTransform(device.m11(), device.m12(), device.m21(), device.m22(), 0, 0);
}

// Whether pictures may be made through the device: upright at a positive scale, or (where
// turns are taken) any turn, mirror and scale that leaves an area.
bool picturable(const QTransform &device, bool turned)
{
    if (device.type() <= QTransform::TxScale && device.m11() > 0 && device.m22() > 0)
        return true;
    const double det = device.determinant();
    return turned && device.type() < QTransform::TxProject && std::isfinite(det) && std::abs(det) > 1e-12;
}

// Whether the device only turns, mirrors and scales by the same factor along the object's own
// axes (a drawing laid down through it is the upright one resampled).
bool turnsOnly(const QTransform &device)
{
    if (device.type() >= QTransform::TxProject)
        return false;
    const double sx = std::hypot(device.m11(), device.m12()), sy = std::hypot(device.m21(), device.m22());
    const double dot = device.m11() * device.m21() + device.m12() * device.m22();
    return std::isfinite(sx) && std::isfinite(sy) && sx > 0 && sy > 0 && std::abs(dot) <= 1e-9 * sx * sy;
}

// Two scales the same but for the last bits a turn's sine and cosine leave.
bool sameScale(double a, double b)
{
    return std::abs(a - b) <= 1e-9 * std::max(std::abs(a), std::abs(b));
}

} // namespace

QImage KeptPicture::compacted(const QImage &picture)
{
    if (picture.format() != QImage::Format_ARGB32_Premultiplied || picture.isNull())
        return picture;
    std::array<QRgb, 256> byAlpha{};
    std::array<bool, 256> seen{};
    const int w = picture.width(), h = picture.height();
    for (int y = 0; y < h; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb pixel = line[x];
            const int alpha = qAlpha(pixel);
            if (!seen[alpha]) {
                seen[alpha] = true;
                byAlpha[alpha] = pixel;
            } else if (byAlpha[alpha] != pixel) {
                return picture;
            }
        }
    }
    // Black (the usual bars) is the alpha alone, drawn as black: the quickest to draw of the
    // small forms.
    bool black = true;
    for (int alpha = 0; alpha < 256 && black; ++alpha)
        black = !seen[alpha] || (byAlpha[alpha] & 0x00ffffffu) == 0;
    if (black) {
        QImage coverage(picture.size(), QImage::Format_Alpha8);
        if (coverage.isNull())
            return picture;
        for (int y = 0; y < h; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
            uchar *out = coverage.scanLine(y);
            for (int x = 0; x < w; ++x)
                out[x] = uchar(qAlpha(line[x]));
        }
        return coverage;
    }
    // Drawing an indexed image premultiplies its table's colours.
    QList<QRgb> table(256, 0);
    for (int alpha = 0; alpha < 256; ++alpha) {
        if (!seen[alpha])
            continue;
        const std::optional<QRgb> plain = unpremultipliedExactly(byAlpha[alpha]);
        if (!plain)
            return picture;
        table[alpha] = *plain;
    }
    QImage indexed(picture.size(), QImage::Format_Indexed8);
    if (indexed.isNull())
        return picture;
    indexed.setColorTable(table);
    for (int y = 0; y < h; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        for (int x = 0; x < w; ++x)
            out[x] = uchar(qAlpha(line[x]));
    }
    return indexed;
}

bool KeptPicture::Subject::sameAs(const Subject &other) const
{
    return content == other.content && frameSize == other.frameSize && sameLook(look, other.look);
}

bool KeptPicture::Key::sameAs(const Key &other) const
{
    return linear == other.linear && part == other.part && hints == other.hints && subject.sameAs(other.subject);
}

KeptPicture::~KeptPicture()
{
    // The worker may still be making them; it drops them, or their hand-over finds no one.
    // Copies waiting for it find it given up at their next drawing.
    for (const auto &pending : {m_pending, m_pendingSmall})
        if (pending)
            pending->abandoned = true;
}

KeptPicture::LookPtr KeptPicture::keptLook() const
{
    return m_picture ? m_picture->key.subject.look : nullptr;
}

bool KeptPicture::isPending() const
{
    return m_pending != nullptr;
}

std::shared_ptr<const void> KeptPicture::shared() const
{
    return m_picture;
}

void KeptPicture::adopt(const std::shared_ptr<const void> &picture, quint64 content, const QSizeF &frameSize)
{
    const auto from = std::static_pointer_cast<const Picture>(picture);
    if (!from || from->key.subject.frameSize != frameSize)
        return;
    // The copy draws as its original does, wherever it stands: the picture is placed from the
    // frame's corner, and the image itself is shared, not copied.
    auto taken = std::make_shared<Picture>(*from);
    taken->key.subject.content = content;
    m_picture = std::move(taken);
}

void KeptPicture::giveUp(const std::shared_ptr<Pending> &pending)
{
    if (!pending)
        return;
    pending->abandoned = true;
    // The copies waiting for it are drawn again, and make their own.
    for (const std::function<void()> &copyArrived : std::exchange(pending->alsoArrived, {}))
        copyArrived();
}

std::shared_ptr<void> KeptPicture::kinFor(quint64 content)
{
    if (!m_kin || m_kinContent != content) {
        m_kin = std::make_shared<Kin>();
        m_kinContent = content;
    }
    tellKin();
    return m_kin;
}

void KeptPicture::joinKin(const std::shared_ptr<void> &kin, quint64 content, const QSizeF &frameSize)
{
    m_kin = std::static_pointer_cast<Kin>(kin);
    m_kinContent = content;
    if (!m_kin)
        return;
    if (const std::shared_ptr<const Picture> picture = m_kin->picture.lock())
        adopt(picture, content, frameSize);
}

void KeptPicture::tellKin()
{
    if (!m_kin)
        return;
    // A picture of an older drawing (one kept while the new one is made) is not the family's.
    if (m_picture && m_picture->key.subject.content == m_kinContent)
        m_kin->picture = m_picture;
    if (m_pending && !m_pending->abandoned && m_pending->key.subject.content == m_kinContent)
        m_kin->pending = m_pending;
}

void KeptPicture::takeFromKin(const Key &key)
{
    if (!m_kin || key.subject.content != m_kinContent)
        return;
    const auto ofKey = [&key](const Key &theirs) {
        Key same = theirs;
        same.subject.content = key.subject.content;
        return same.sameAs(key);
    };
    if (const std::shared_ptr<const Picture> picture = m_kin->picture.lock(); picture && ofKey(picture->key)) {
        adopt(picture, key.subject.content, key.subject.frameSize);
        if (m_pending && m_pending->key.sameAs(key)) {
            giveUp(m_pending);
            m_pending.reset();
        }
        return;
    }
    if ((m_pending && m_pending->key.sameAs(key))
        || (m_awaited && !m_awaited->abandoned && m_awaitedContent == key.subject.content && ofKey(m_awaited->key)))
        return;
    if (const std::shared_ptr<Pending> job = m_kin->pending.lock(); job && !job->abandoned && ofKey(job->key)) {
        m_awaited = job;
        m_awaitedContent = key.subject.content;
        m_awaitedAsked = false;
    }
}

QRectF KeptPicture::coveredArea(const Key &key)
{
    return key.linear.inverted().mapRect(QRectF(key.part.adjusted(-1, -1, 1, 1)));
}

bool KeptPicture::awaitingShared(QPainter *painter, const Key &key, const OnScreen &screen)
{
    const std::shared_ptr<Pending> awaited = m_awaited;
    Key theirs = awaited->key;
    theirs.subject.content = key.subject.content;
    if (awaited->abandoned || key.subject.content != m_awaitedContent || !theirs.sameAs(key)) {
        m_awaited.reset();
        return false;
    }
    if (awaited->made) {
        m_awaited.reset();
        adopt(awaited->made, key.subject.content, key.subject.frameSize);
        return false;
    }
    if (!m_awaitedAsked && screen.arrived) {
        // Its own area is drawn again when the source's picture comes.
        m_awaitedAsked = true;
        awaited->alsoArrived.push_back([alive = std::weak_ptr<char>(m_alive), arrived = screen.arrived, key] {
            if (alive.lock())
                arrived(coveredArea(key));
        });
    }
    if (screen.placeholder)
        screen.placeholder(painter);
    return true;
}

bool KeptPicture::draw(QPainter *painter, const Placement &where, const Subject &subject,
                       const std::function<Painting()> &painting, bool offThread, const OnScreen &screen)
{
    if (!painter->device())
        return false;
    const QTransform device = painter->deviceTransform();
    // A resampled drawing takes through a turned or mirrored device the upright picture of
    // the device's scale (the one an upright device at that zoom made or will make).
    const bool laidTurned = screen.resampled && !picturable(device, false) && turnsOnly(device);
    if (!laidTurned && !picturable(device, screen.turned))
        return false;
    const QPointF corner = where.corner;
    QTransform linear = linearOf(device);
    if (screen.resampled && (laidTurned || linear.type() <= QTransform::TxScale)) {
        // The scale a turn leaves is the upright one but for its last bits: the picture made
        // upright, or through another turn, is taken for it.
        double sx = std::hypot(device.m11(), device.m12()), sy = std::hypot(device.m21(), device.m22());
        const std::array<const Key *, 2> keys{m_picture ? &m_picture->key : nullptr, m_pending ? &m_pending->key : nullptr};
        for (const Key *kept : keys) {
            if (kept && kept->linear.type() <= QTransform::TxScale && sameScale(kept->sx, sx) && sameScale(kept->sy, sy)) {
                sx = kept->sx;
                sy = kept->sy;
                break;
            }
        }
        linear = QTransform::fromScale(sx, sy);
    }
    const QRectF relative = linear.mapRect(where.area.translated(-corner));
    if (!std::isfinite(relative.width()) || !std::isfinite(relative.height()))
        return false;
    const QPointF anchorExact = device.map(corner);
    const QPoint anchor(qRound(anchorExact.x()), qRound(anchorExact.y()));
    QRect part = relative.toAlignedRect();
    const QRect whole = part;
    if (qint64(part.width()) * part.height() > WholePicturePixels) {
        // Laid down turned, a part of the picture would not cover what the device shows.
        if (laidTurned)
            return false;
        const qreal ratio = painter->device()->devicePixelRatio();
        const QRect shown(0, 0, qCeil(painter->device()->width() * ratio), qCeil(painter->device()->height() * ratio));
        part &= shown.translated(-anchor);
        if (qint64(part.width()) * part.height() > WholePicturePixels)
            return false;
    }
    if (part.isEmpty())
        return true;

    Key key;
    key.linear = linear;
    key.sx = screen.resampled ? linear.m11() : device.m11();
    key.sy = screen.resampled ? linear.m22() : device.m22();
    key.part = part;
    key.hints = int(painter->renderHints());
    key.subject = subject;

    // The screen itself, or a picture of it a drag keeps.
    const bool onScreenNow = painter->device()->devType() == QInternal::Widget;
    const bool screenPicture = onScreenNow || ColorRect::ScreenDrawing::active();
    if (onScreenNow && (!m_picture || !m_picture->key.sameAs(key)))
        takeFromKin(key);
    if (m_awaited && onScreenNow && (!m_picture || !m_picture->key.sameAs(key)) && awaitingShared(painter, key, screen))
        return true;
    if (!m_picture || !m_picture->key.sameAs(key)) {
        const QTransform toPicture = pictureTransform(part, linear, corner);
        const QSize size = part.size();
        const QPainter::RenderHints hints = painter->renderHints();
        // The screen alone waits for the picture: paper, a PDF and an exported image get the
        // object drawn now, whole.
        const bool onScreen = screenPicture;
        const bool oneColour = screen.oneColour;
        const qint64 bytes = qint64(size.width()) * size.height() * (oneColour ? 1 : 4);
        if (onScreen && offThread && !PictureWorker::onWindowThread()) {
            if (!m_pending || !m_pending->key.sameAs(key)) {
                if (screen.admit && !screen.admit(bytes))
                    return false;
                // A newer zoom, size or look: the picture asked for before is no longer wanted.
                giveUp(m_pending);
                m_pending = std::make_shared<Pending>();
                m_pending->key = key;
                m_pending->whole = part == whole;
                m_pending->arrivedOnScreen = screen.arrived;
                m_pending->make = [size, toPicture, hints, paint = painting(), oneColour] {
                    return makePicture(size, toPicture, hints, paint, oneColour);
                };
                Pending *job = m_pending.get();
                m_pending->arrived = [this, job](const QImage &image) { pictureArrived(job, image); };
                PictureWorker::submit(m_pending);
                tellKin();
            }
            const Picture *former = screen.resampled ? wholePictureOf(subject, false) : nullptr;
            if (screen.keptMeanwhile && m_picture && m_picture->key.linear == key.linear)
                drawPicture(painter, device, anchor, *m_picture);
            else if (former)
                drawStretched(painter, where, subject, *former, laidTurned);
            else if (screen.placeholder)
                screen.placeholder(painter);
            // A picture of the screen that holds the stand-in is made again once it comes.
            if (!onScreenNow)
                ColorRect::ScreenDrawing::standInDrawn();
            return true;
        }
        if (onScreen && screen.admit && !screen.admit(bytes))
            return false;
        auto made = std::make_shared<Picture>();
        made->key = key;
        made->whole = part == whole;
        {
            // Painted into the picture the canvas shows: an object's image is taken as the
            // screen takes it, never waiting for a raster.
            std::optional<ColorRect::ScreenDrawing> forScreen;
            if (onScreen)
                forScreen.emplace();
            made->image = makePicture(size, toPicture, hints, painting(), oneColour);
        }
        if (made->image.isNull())
            return false;
        m_picture = std::move(made);
        if (m_pending && m_pending->key.sameAs(key)) {
            giveUp(m_pending);
            m_pending.reset();
        }
        tellKin();
    }
    if (laidTurned)
        drawStretched(painter, where, subject, *m_picture, true);
    else
        drawPicture(painter, device, anchor, *m_picture);
    return true;
}

void KeptPicture::drawPicture(QPainter *painter, const QTransform &device, const QPoint &anchor, const Picture &picture)
{
    // Drawn pixel for pixel: the painter is turned to the device's own pixels (whatever offset
    // the device is drawn with).
    SavedPainterState state(painter);
    painter->setWorldTransform(device.inverted() * painter->worldTransform());
    drawPixels(painter, anchor + picture.key.part.topLeft(), picture.image);
}

void KeptPicture::drawPixels(QPainter *painter, const QPoint &at, const QImage &image)
{
    if (image.depth() != 8) {
        blendInBands(painter, at, image, image.rect());
        return;
    }
    // Qt blends a byte-a-pixel image through its general path, several times slower than
    // premultiplied pixels: the part the repaint shows is coloured into pixels kept for the
    // next picture, the very ones Qt would make of it, and those are blended.
    QRect shown(at, image.size());
    if (QPaintEngine *engine = painter->paintEngine(); engine && !engine->systemClip().isEmpty())
        shown &= engine->systemClip().boundingRect();
    if (painter->hasClipping())
        shown &= painter->clipBoundingRect().toAlignedRect();
    if (shown.isEmpty())
        return;
    const QRect from = shown.translated(-at);
    // Each thread that draws keeps its own.
    thread_local QImage coloured;
    thread_local QList<QRgb> tableOf;
    thread_local std::array<QRgb, 256> premultiplied{};
    if (coloured.width() < from.width() || coloured.height() < from.height()) {
        coloured = QImage(std::max(from.width(), coloured.width()), std::max(from.height(), coloured.height()),
                          QImage::Format_ARGB32_Premultiplied);
        if (coloured.isNull()) {
            painter->drawImage(QPointF(shown.topLeft()), image, QRectF(from));
            return;
        }
    }
    if (image.format() == QImage::Format_Alpha8) {
        // Black: its coverage is the alpha alone.
        for (int y = 0; y < from.height(); ++y) {
            const uchar *in = image.constScanLine(from.y() + y) + from.x();
            auto *out = reinterpret_cast<QRgb *>(coloured.scanLine(y));
            for (int x = 0; x < from.width(); ++x)
                out[x] = QRgb(in[x]) << 24;
        }
    } else if (image.format() == QImage::Format_Indexed8 && image.colorCount() == 256) {
        // Drawing an indexed image premultiplies its table's colours.
        const QList<QRgb> table = image.colorTable();
        if (table != tableOf) {
            tableOf = table;
            for (size_t i = 0; i < premultiplied.size(); ++i)
                premultiplied[i] = qPremultiply(table[qsizetype(i)]);
        }
        for (int y = 0; y < from.height(); ++y) {
            const uchar *in = image.constScanLine(from.y() + y) + from.x();
            auto *out = reinterpret_cast<QRgb *>(coloured.scanLine(y));
            for (int x = 0; x < from.width(); ++x)
                out[x] = premultiplied[in[x]];
        }
    } else {
        painter->drawImage(QPointF(shown.topLeft()), image, QRectF(from));
        return;
    }
    blendInBands(painter, shown.topLeft(), coloured, QRect(0, 0, from.width(), from.height()));
}

void KeptPicture::fillInBands(QPainter *painter, const QRectF &rect, const QColor &color)
{
    constexpr double Band = 24.0;
    // Beyond this many bands the fill is left whole: it covers far more than any screen.
    constexpr double MostRows = Band * 512.0;
    const QTransform device = painter->deviceTransform();
    const QRectF onDevice = device.mapRect(rect);
    if (device.type() > QTransform::TxScale || !(onDevice.height() > Band) || !(onDevice.height() < MostRows)
        || !std::isfinite(onDevice.width())) {
        painter->fillRect(rect, color);
        return;
    }
    const QTransform back = device.inverted();
    for (double top = onDevice.top(); top < onDevice.bottom();) {
        const double bottom = std::min(onDevice.bottom(), std::floor(top) + Band);
        painter->fillRect(back.mapRect(QRectF(onDevice.left(), top, onDevice.width(), bottom - top)), color);
        top = bottom;
    }
}

void KeptPicture::drawImageInBands(QPainter *painter, const QRectF &target, const QImage &image)
{
    constexpr double Band = 24.0;
    constexpr double MostRows = Band * 512.0;
    const QTransform device = painter->deviceTransform();
    const QRectF onDevice = device.mapRect(target.normalized());
    if (device.type() > QTransform::TxScale || !(onDevice.height() > Band) || !(onDevice.height() < MostRows)
        || !std::isfinite(onDevice.width())) {
        painter->drawImage(target, image);
        return;
    }
    const QTransform back = device.inverted();
    // A pixel beside the target on each side: the clip cuts rows, never an edge's coverage.
    const double left = std::floor(onDevice.left()) - 1.0;
    const double width = std::ceil(onDevice.right()) + 1.0 - left;
    for (double top = std::floor(onDevice.top()); top < onDevice.bottom(); top += Band) {
        SavedPainterState state(painter);
        painter->setClipRect(back.mapRect(QRectF(left, top, width, Band)), Qt::IntersectClip);
        painter->drawImage(target, image);
    }
}

const KeptPicture::Picture *KeptPicture::wholePictureOf(const Subject &subject, bool sameFrame) const
{
    for (const std::shared_ptr<const Picture> &kept : {m_picture, m_small}) {
        // Only an upright picture stretches over the frame.
        if (!kept || !kept->whole || kept->key.linear.type() > QTransform::TxScale || !(kept->key.sx > 0)
            || !(kept->key.sy > 0))
            continue;
        const Subject &of = kept->key.subject;
        if (of.content != subject.content || !sameLook(of.look, subject.look))
            continue;
        if (sameFrame ? of.frameSize == subject.frameSize : of.frameSize.width() > 0 && of.frameSize.height() > 0)
            return kept.get();
    }
    return nullptr;
}

void KeptPicture::drawStretched(QPainter *painter, const Placement &where, const Subject &subject, const Picture &kept,
                                bool smooth)
{
    // A picture of the frame before a resize, stretched as the drawing stretches with it.
    const Key &k = kept.key;
    const double fx = subject.frameSize.width() / k.subject.frameSize.width();
    const double fy = subject.frameSize.height() / k.subject.frameSize.height();
    const QRectF target(where.corner.x() + k.part.x() / k.sx * fx, where.corner.y() + k.part.y() / k.sy * fy,
                        k.part.width() / k.sx * fx, k.part.height() / k.sy * fy);
    SavedPainterState state(painter);
    if (smooth && kept.image.depth() == 8 && kept.fullColour.isNull())
        kept.fullColour = kept.image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage &image = smooth && kept.image.depth() == 8 ? kept.fullColour : kept.image;
    // A byte-a-pixel picture (thousands of barcodes) is stretched without smoothing: Qt
    // smooths only full colour pictures quickly, and it stands in for a moment.
    painter->setRenderHint(QPainter::SmoothPixmapTransform, image.depth() != 8);
    painter->drawImage(target, image);
}

bool KeptPicture::drawFormer(QPainter *painter, const Placement &where, const Subject &subject) const
{
    const Picture *kept = wholePictureOf(subject, true);
    if (!kept)
        return false;
    drawStretched(painter, where, subject, *kept);
    return true;
}

void KeptPicture::clear()
{
    giveUp(m_pending);
    if (m_pendingSmall)
        m_pendingSmall->abandoned = true;
    m_pending.reset();
    m_pendingSmall.reset();
    m_picture.reset();
    m_small.reset();
}

bool KeptPicture::drawSmall(QPainter *painter, const Placement &where, const Subject &subject,
                            const std::function<Painting()> &painting)
{
    if (!painter->device())
        return false;
    const Picture *exact = wholePictureOf(subject, true);
    const Picture *kept = exact ? exact : wholePictureOf(subject, false);
    if (kept)
        drawStretched(painter, where, subject, *kept);
    if (exact || !painting)
        return kept != nullptr;

    // Made aside at this painter's scale, whole, for the next small picture.
    const QTransform device = painter->deviceTransform();
    if (device.type() > QTransform::TxScale || !(device.m11() > 0) || !(device.m22() > 0))
        return kept != nullptr;
    const QPointF corner = where.corner;
    const QRectF relative((where.area.x() - corner.x()) * device.m11(), (where.area.y() - corner.y()) * device.m22(),
                          where.area.width() * device.m11(), where.area.height() * device.m22());
    if (!std::isfinite(relative.width()) || !std::isfinite(relative.height()))
        return kept != nullptr;
    const QRect part = relative.toAlignedRect();
    if (part.isEmpty() || qint64(part.width()) * part.height() > WholePicturePixels)
        return kept != nullptr;
    Key key;
    key.linear = linearOf(device);
    key.sx = device.m11();
    key.sy = device.m22();
    key.part = part;
    key.hints = int(painter->renderHints());
    key.subject = subject;
    if (!m_pendingSmall || !m_pendingSmall->key.sameAs(key)) {
        if (m_pendingSmall)
            m_pendingSmall->abandoned = true;
        m_pendingSmall = std::make_shared<Pending>();
        m_pendingSmall->key = key;
        m_pendingSmall->whole = true;
        m_pendingSmall->small = true;
        const QTransform toPicture = pictureTransform(part, key.linear, corner);
        const QPainter::RenderHints hints = painter->renderHints();
        m_pendingSmall->make = [size = part.size(), toPicture, hints, paint = painting()] {
            return makePicture(size, toPicture, hints, paint);
        };
        Pending *job = m_pendingSmall.get();
        m_pendingSmall->arrived = [this, job](const QImage &image) { pictureArrived(job, image); };
        PictureWorker::submit(m_pendingSmall);
    }
    return kept != nullptr;
}

void KeptPicture::pictureArrived(Pending *job, const QImage &image)
{
    const bool screen = job == m_pending.get();
    if (!screen && job != m_pendingSmall.get())
        return;
    const std::shared_ptr<Pending> arrived = std::move(screen ? m_pending : m_pendingSmall);
    if (image.isNull())
        return;
    auto made = std::make_shared<Picture>();
    made->key = arrived->key;
    made->whole = arrived->whole;
    made->image = image;
    if (!screen) {
        m_small = std::move(made);
        return;
    }
    m_picture = std::move(made);
    // The screen's picture of the whole subject serves the small pictures too.
    if (m_pendingSmall && m_picture->whole && m_pendingSmall->key.subject.sameAs(m_picture->key.subject)) {
        m_pendingSmall->abandoned = true;
        m_pendingSmall.reset();
    }
    arrived->made = m_picture;
    tellKin();
    if (arrived->arrivedOnScreen)
        arrived->arrivedOnScreen(coveredArea(arrived->key));
    for (const std::function<void()> &copyArrived : std::exchange(arrived->alsoArrived, {}))
        copyArrived();
}

} // namespace quillmark
