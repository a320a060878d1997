#pragma once
// The bitmap files of a sequential export, drawn and encoded on worker threads while the GUI
// thread reads the next records. A design the workers may draw is drawn there from their own
// copies (SequentialDrawing); any other is drawn on the GUI thread and only encoded here: a
// finished image belongs to nobody else. The encoded files come back in the order the images went in, so the
// files are written in record order and a failure stops the run at the first file that fails.
#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QString>
#include <QThreadPool>

#include <deque>
#include <functional>

#include "printing/ExportFormats.h"

namespace quillmark {

class EncodePipeline
{
public:
    // Images of about `imageBytes` bytes each; the pipeline holds no more of them at once than
    // keeps every worker busy and the memory they take within bounds.
    EncodePipeline(ImageFileType type, float dpi, qint64 imageBytes);
    // Waits for the workers; what they encoded and nobody took is dropped.
    ~EncodePipeline();
    EncodePipeline(const EncodePipeline &) = delete;
    EncodePipeline &operator=(const EncodePipeline &) = delete;

    struct File
    {
        int number = 0;
        QString path;
        // Empty when the image could not be encoded or made; error says why.
        QByteArray data;
        QString error;
    };

    // The image of record `number`, to be written to path.
    void add(int number, const QString &path, const QImage &image);
    // The image of record `number` drawn by a worker first; a null image fails with
    // `drawError`.
    void add(int number, const QString &path, std::function<QImage()> draw, const QString &drawError);
    // A record whose image could not be made: it comes back in its turn with the reason.
    void addFailure(int number, const QString &path, const QString &error);

    // The oldest file must be taken before another is added.
    bool full() const { return qsizetype(m_pending.size()) >= m_limit; }
    bool empty() const { return m_pending.empty(); }
    // True when the oldest file can be taken without waiting.
    bool oldestReady() const { return m_pending.empty() || !m_pending.front().encoding || m_pending.front().future.isFinished(); }
    // Waits for the oldest file and hands it over.
    File takeOldest();
    // Drops every file not yet taken, waiting for those being encoded.
    void clear();

    qsizetype limit() const { return m_limit; }

    // Runs `work` once on every thread of the workers, after what they have under way, and
    // waits for all: a worker's copy of the design is let go of on the thread that made it.
    // The workers' threads live as long as the pipeline, however long it waits.
    void onEveryThread(const std::function<void()> &work);

private:
    struct Pending
    {
        int number = 0;
        QString path;
        QString error;
        // Without one, the record's image could not be made and error says why.
        bool encoding = false;
        QFuture<File> future;
    };

    ImageFileType m_type;
    float m_dpi;
    qsizetype m_limit = 1;
    QThreadPool m_pool;
    std::deque<Pending> m_pending;
};

} // namespace quillmark
