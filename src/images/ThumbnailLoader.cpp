#include "images/ThumbnailLoader.h"

#include <QCache>
#include <QDateTime>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <deque>

#include "canvas/TemplateFile.h"
#include "objects/ImageProbe.h"

namespace quillmark {

namespace {

// Counted in kilobytes: enough for the thumbnails of a few thousand photos.
constexpr int CacheKilobytes = 160 * 1024;

QMutex &cacheMutex()
{
    static QMutex mutex;
    return mutex;
}

QCache<QString, QImage> &cache()
{
    static QCache<QString, QImage> thumbnails(CacheKilobytes);
    return thumbnails;
}

} // namespace

struct ThumbnailLoader::Shared
{
    QMutex mutex;
    std::deque<Job> queue;
    quint64 generation = 0;
    int workers = 0;
    // Null once the loader is gone: nothing is posted to it any more.
    ThumbnailLoader *receiver = nullptr;
};

ThumbnailLoader::ThumbnailLoader(QObject *parent)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>())
    , m_pool(new QThreadPool(this))
{
    m_shared->receiver = this;
    m_pool->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

ThumbnailLoader::~ThumbnailLoader()
{
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->receiver = nullptr;
        m_shared->queue.clear();
        ++m_shared->generation;
    }
    m_pool->waitForDone();
}

void ThumbnailLoader::start(const QList<Job> &jobs)
{
    ++m_generation;
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->generation = m_generation;
        m_shared->queue.clear();
    }
    enqueue(jobs);
    setPending(int(jobs.size()));
}

void ThumbnailLoader::add(const QList<Job> &jobs)
{
    enqueue(jobs);
    setPending(m_pending + int(jobs.size()));
}

void ThumbnailLoader::enqueue(const QList<Job> &jobs)
{
    if (jobs.isEmpty())
        return;
    int toStart = 0;
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->queue.insert(m_shared->queue.end(), jobs.begin(), jobs.end());
        toStart = std::min(int(m_shared->queue.size()), m_pool->maxThreadCount() - m_shared->workers);
        toStart = std::max(toStart, 0);
        m_shared->workers += toStart;
    }
    const std::shared_ptr<Shared> shared = m_shared;
    for (int i = 0; i < toStart; ++i)
        m_pool->start([shared] { work(shared); });
}

void ThumbnailLoader::cancel()
{
    ++m_generation;
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->generation = m_generation;
        m_shared->queue.clear();
    }
    setPending(0);
}

void ThumbnailLoader::prioritize(const QList<quint64> &ids)
{
    if (ids.isEmpty())
        return;
    QMutexLocker lock(&m_shared->mutex);
    std::stable_partition(m_shared->queue.begin(), m_shared->queue.end(),
                          [&ids](const Job &job) { return ids.contains(job.id); });
}

void ThumbnailLoader::deliver(quint64 generation, quint64 id, const QImage &image)
{
    if (generation != m_generation)
        return;
    emit thumbnailReady(id, image);
    // The receiver may have started another load meanwhile; that one counts for itself.
    if (generation == m_generation)
        setPending(m_pending - 1);
}

void ThumbnailLoader::setPending(int count)
{
    const bool wasBusy = m_pending > 0;
    m_pending = std::max(count, 0);
    if (wasBusy != (m_pending > 0))
        emit busyChanged(m_pending > 0);
}

QString ThumbnailLoader::cacheKey(const QFileInfo &file, QSize box)
{
    return file.absoluteFilePath() + QLatin1Char('\n')
        + QString::number(file.lastModified().toMSecsSinceEpoch()) + QLatin1Char('\n')
        + QString::number(file.size()) + QLatin1Char('\n') + QString::number(box.width())
        + QLatin1Char('x') + QString::number(box.height());
}

std::optional<QImage> ThumbnailLoader::cached(const QString &key)
{
    QMutexLocker lock(&cacheMutex());
    if (const QImage *image = cache().object(key))
        return *image;
    return std::nullopt;
}

void ThumbnailLoader::insert(const QString &key, const QImage &image)
{
    if (key.isEmpty())
        return;
    const int cost = std::max(1, int(image.sizeInBytes() / 1024));
    QMutexLocker lock(&cacheMutex());
    cache().insert(key, new QImage(image), cost);
}

void ThumbnailLoader::clearCache()
{
    QMutexLocker lock(&cacheMutex());
    cache().clear();
}

void ThumbnailLoader::work(const std::shared_ptr<Shared> &shared)
{
    while (true) {
        ThumbnailLoader::Job job;
        quint64 generation = 0;
        {
            QMutexLocker lock(&shared->mutex);
            if (shared->queue.empty()) {
                --shared->workers;
                return;
            }
            job = std::move(shared->queue.front());
            shared->queue.pop_front();
            generation = shared->generation;
        }
        QImage image;
        if (!job.data.isEmpty()) {
            image = ImageProbe::thumbnailData(job.data, job.box);
        } else if (const std::optional<QImage> hit = ThumbnailLoader::cached(job.cacheKey)) {
            image = *hit;
        } else {
            image = job.isTemplate ? TemplateFile::previewOfFile(job.path, job.box)
                                   : ImageProbe::thumbnail(job.path, job.box);
            ThumbnailLoader::insert(job.cacheKey, image);
        }
        QMutexLocker lock(&shared->mutex);
        ThumbnailLoader *receiver = shared->receiver;
        if (generation != shared->generation || !receiver)
            continue;
        const quint64 id = job.id;
        QMetaObject::invokeMethod(
            receiver, [receiver, generation, id, image] { receiver->deliver(generation, id, image); },
            Qt::QueuedConnection);
    }
}

} // namespace quillmark
