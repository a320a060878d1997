#include "objects/KeptPicture.h"

#include <QPaintDevice>
#include <QPainter>
#include <QtMath>

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

namespace {

bool sameLook(const KeptPicture::LookPtr &a, const KeptPicture::LookPtr &b)
{
    if (!a || !b)
        return !a && !b;
    return a == b || a->sameAs(*b);
}

// Makes the picture of `size` pixels that `paint` paints through `toPicture`.
QImage makePicture(const QSize &size, const QTransform &toPicture, QPainter::RenderHints hints,
                   const KeptPicture::Painting &paint)
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
    return image;
}

// From the object's page points to the pixels of a picture of `part` (device pixels from the
// frame's corner) at the scale (sx, sy).
QTransform pictureTransform(const QRect &part, qreal sx, qreal sy, const QPointF &corner)
{
    QTransform toPicture;
    toPicture.translate(-part.x(), -part.y());
    toPicture.scale(sx, sy);
    toPicture.translate(-corner.x(), -corner.y());
    return toPicture;
}

} // namespace

bool KeptPicture::Subject::sameAs(const Subject &other) const
{
    return content == other.content && frameSize == other.frameSize && sameLook(look, other.look);
}

bool KeptPicture::Key::sameAs(const Key &other) const
{
    return sx == other.sx && sy == other.sy && part == other.part && hints == other.hints && subject.sameAs(other.subject);
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

std::shared_ptr<void> KeptPicture::sharedPending() const
{
    return m_pending && !m_pending->abandoned ? m_pending : nullptr;
}

void KeptPicture::awaitShared(const std::shared_ptr<void> &pending, quint64 content, const QSizeF &frameSize)
{
    const auto job = std::static_pointer_cast<Pending>(pending);
    if (!job || job->key.subject.frameSize != frameSize)
        return;
    m_awaited = job;
    m_awaitedContent = content;
    m_awaitedAsked = false;
}

QRectF KeptPicture::coveredArea(const Key &key)
{
    return QRectF((key.part.x() - 1) / key.sx, (key.part.y() - 1) / key.sy, (key.part.width() + 2) / key.sx,
                  (key.part.height() + 2) / key.sy);
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
    if (device.type() > QTransform::TxScale || !(device.m11() > 0) || !(device.m22() > 0))
        return false;
    const QPointF corner = where.corner;
    const QRectF &area = where.area;
    const QRectF relative((area.x() - corner.x()) * device.m11(), (area.y() - corner.y()) * device.m22(),
                          area.width() * device.m11(), area.height() * device.m22());
    if (!std::isfinite(relative.width()) || !std::isfinite(relative.height()))
        return false;
    const QPointF anchorExact = device.map(corner);
    const QPoint anchor(qRound(anchorExact.x()), qRound(anchorExact.y()));
    QRect part = relative.toAlignedRect();
    const QRect whole = part;
    if (qint64(part.width()) * part.height() > WholePicturePixels) {
        const qreal ratio = painter->device()->devicePixelRatio();
        const QRect shown(0, 0, qCeil(painter->device()->width() * ratio), qCeil(painter->device()->height() * ratio));
        part &= shown.translated(-anchor);
        if (qint64(part.width()) * part.height() > WholePicturePixels)
            return false;
    }
    if (part.isEmpty())
        return true;

    Key key;
    key.sx = device.m11();
    key.sy = device.m22();
    key.part = part;
    key.hints = int(painter->renderHints());
    key.subject = subject;

    const bool onScreenNow = painter->device()->devType() == QInternal::Widget;
    if (m_awaited && onScreenNow && (!m_picture || !m_picture->key.sameAs(key)) && awaitingShared(painter, key, screen))
        return true;
    if (!m_picture || !m_picture->key.sameAs(key)) {
        const QTransform toPicture = pictureTransform(part, key.sx, key.sy, corner);
        const QSize size = part.size();
        const QPainter::RenderHints hints = painter->renderHints();
        // The screen alone waits for the picture: paper, a PDF and an exported image get the
        // object drawn now, whole.
        const bool onScreen = painter->device()->devType() == QInternal::Widget;
        const qint64 bytes = qint64(size.width()) * size.height() * 4;
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
                m_pending->make = [size, toPicture, hints, paint = painting()] {
                    return makePicture(size, toPicture, hints, paint);
                };
                Pending *job = m_pending.get();
                m_pending->arrived = [this, job](const QImage &image) { pictureArrived(job, image); };
                PictureWorker::submit(m_pending);
            }
            if (screen.keptMeanwhile && m_picture && m_picture->key.sx == key.sx && m_picture->key.sy == key.sy)
                drawPicture(painter, device, anchor, *m_picture);
            else if (screen.placeholder)
                screen.placeholder(painter);
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
            made->image = makePicture(size, toPicture, hints, painting());
        }
        if (made->image.isNull())
            return false;
        m_picture = std::move(made);
        if (m_pending && m_pending->key.sameAs(key)) {
            giveUp(m_pending);
            m_pending.reset();
        }
    }
    drawPicture(painter, device, anchor, *m_picture);
    return true;
}

void KeptPicture::drawPicture(QPainter *painter, const QTransform &device, const QPoint &anchor, const Picture &picture)
{
    // Drawn pixel for pixel: the painter is turned to the device's own pixels (whatever offset
    // the device is drawn with).
    SavedPainterState state(painter);
    painter->setWorldTransform(device.inverted() * painter->worldTransform());
    painter->drawImage(QPointF(anchor + picture.key.part.topLeft()), picture.image);
}

const KeptPicture::Picture *KeptPicture::wholePictureOf(const Subject &subject, bool sameFrame) const
{
    for (const std::shared_ptr<const Picture> &kept : {m_picture, m_small}) {
        if (!kept || !kept->whole || !(kept->key.sx > 0) || !(kept->key.sy > 0))
            continue;
        const Subject &of = kept->key.subject;
        if (of.content != subject.content || !sameLook(of.look, subject.look))
            continue;
        if (sameFrame ? of.frameSize == subject.frameSize : of.frameSize.width() > 0 && of.frameSize.height() > 0)
            return kept.get();
    }
    return nullptr;
}

void KeptPicture::drawStretched(QPainter *painter, const Placement &where, const Subject &subject, const Picture &kept)
{
    // A picture of the frame before a resize, stretched as the drawing stretches with it.
    const Key &k = kept.key;
    const double fx = subject.frameSize.width() / k.subject.frameSize.width();
    const double fy = subject.frameSize.height() / k.subject.frameSize.height();
    const QRectF target(where.corner.x() + k.part.x() / k.sx * fx, where.corner.y() + k.part.y() / k.sy * fy,
                        k.part.width() / k.sx * fx, k.part.height() / k.sy * fy);
    SavedPainterState state(painter);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(target, kept.image);
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
        const QTransform toPicture = pictureTransform(part, key.sx, key.sy, corner);
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
    if (arrived->arrivedOnScreen)
        arrived->arrivedOnScreen(coveredArea(arrived->key));
    for (const std::function<void()> &copyArrived : std::exchange(arrived->alsoArrived, {}))
        copyArrived();
}

} // namespace quillmark
