#pragma once
// Decodes the thumbnails of a browser on worker threads, so that a folder of thousands of
// large photos never holds the window. A load is a list of jobs in the order they should be
// done; starting another load (or cancelling) drops what the previous one has not done yet,
// and its late results are never delivered. Results arrive on the owner's thread, one signal
// per job, in the order they finish.
//
// Thumbnails are kept in a cache shared by every loader, keyed by the file's path, its
// modification time and size and the thumbnail box, so that choosing a folder again shows it
// at once. Files that turned out to be no picture are remembered too.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

class QFileInfo;
class QThreadPool;

namespace quillmark {

class ThumbnailLoader : public QObject
{
    Q_OBJECT
public:
    struct Job
    {
        quint64 id = 0;
        QString path;
        QSize box;
        QString cacheKey;
        // The file is a design template whose stored preview is the thumbnail.
        bool isTemplate = false;
        // A picture held in memory (a download) instead of a file; never cached.
        QByteArray data;
    };

    explicit ThumbnailLoader(QObject *parent = nullptr);
    // Drops the jobs not started and waits for the ones running (each is bounded by the
    // limits of ImageProbe).
    ~ThumbnailLoader() override;

    // Replaces whatever is loading with these jobs.
    void start(const QList<Job> &jobs);
    // Queues more jobs behind those of the running load.
    void add(const QList<Job> &jobs);
    void cancel();
    // Moves the jobs of these ids to the front of the queue (the tiles now on screen).
    void prioritize(const QList<quint64> &ids);
    bool isBusy() const { return m_pending > 0; }
    int pending() const { return m_pending; }

    // The key of a file's thumbnail at a box size.
    static QString cacheKey(const QFileInfo &file, QSize box);
    // A cached answer: an image, a null image for a file that is no picture, or nothing.
    static std::optional<QImage> cached(const QString &key);
    static void insert(const QString &key, const QImage &image);
    static void clearCache();

signals:
    // A null image: the file is no picture (or could not be decoded) and gets no tile.
    void thumbnailReady(quint64 id, const QImage &image);
    void busyChanged(bool busy);

private:
    struct Shared;
    // A worker: takes jobs from the queue until it is empty.
    static void work(const std::shared_ptr<Shared> &shared);
    void enqueue(const QList<Job> &jobs);
    void deliver(quint64 generation, quint64 id, const QImage &image);
    void setPending(int count);

    std::shared_ptr<Shared> m_shared;
    QThreadPool *m_pool;
    quint64 m_generation = 0;
    int m_pending = 0;
};

} // namespace quillmark
