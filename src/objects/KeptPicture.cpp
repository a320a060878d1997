#include "objects/KeptPicture.h"

#include <QPaintDevice>
#include <QPainter>
#include <QtMath>

#include <cmath>
#include <optional>

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

    if (!m_picture || !m_picture->key.sameAs(key)) {
        const QTransform toPicture = pictureTransform(part, key.sx, key.sy, corner);
        const QSize size = part.size();
        const QPainter::RenderHints hints = painter->renderHints();
        // The screen alone waits for the picture: paper, a PDF and an exported image get the
        // object drawn now, whole.
        const bool onScreen = painter->device()->devType() == QInternal::Widget;
        if (onScreen && offThread && !PictureWorker::onWindowThread()) {
            if (!m_pending || !m_pending->key.sameAs(key)) {
                // A newer zoom, size or look: the picture asked for before is no longer wanted.
                if (m_pending)
                    m_pending->abandoned = true;
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
            m_pending->abandoned = true;
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

bool KeptPicture::drawSmall(QPainter *painter, const Placement &where, const Subject &subject,
                            const std::function<Painting()> &painting)
{
    if (!painter->device())
        return false;
    const Picture *exact = wholePictureOf(subject, true);
    const Picture *kept = exact ? exact : wholePictureOf(subject, false);
    if (kept) {
        // A picture of the frame before a resize, stretched as the drawing stretches with it.
        const Key &k = kept->key;
        const double fx = subject.frameSize.width() / k.subject.frameSize.width();
        const double fy = subject.frameSize.height() / k.subject.frameSize.height();
        const QRectF target(where.corner.x() + k.part.x() / k.sx * fx, where.corner.y() + k.part.y() / k.sy * fy,
                            k.part.width() / k.sx * fx, k.part.height() / k.sy * fy);
        SavedPainterState state(painter);
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawImage(target, kept->image);
    }
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
    if (arrived->arrivedOnScreen) {
        // The area the picture covers, a pixel more all round.
        const Key &key = arrived->key;
        arrived->arrivedOnScreen(QRectF((key.part.x() - 1) / key.sx, (key.part.y() - 1) / key.sy,
                                        (key.part.width() + 2) / key.sx, (key.part.height() + 2) / key.sy));
    }
}

} // namespace quillmark
