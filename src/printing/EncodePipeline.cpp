#include "printing/EncodePipeline.h"

#include <QPromise>
#include <QThread>

#include <algorithm>
#include <latch>
#include <memory>

#include "printing/ImageExport.h"
#include "foundation/Language.h"

namespace quillmark {

namespace {

// What the images waiting for a worker may take together.
constexpr qint64 MemoryBudget = 256LL * 1024 * 1024;

} // namespace

EncodePipeline::EncodePipeline(ImageFileType type, float dpi, qint64 imageBytes)
    : m_type(type)
    , m_dpi(dpi)
{
    // The GUI thread reads records (or draws) while every core draws and encodes.
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    // A worker draws the copy of the design it made, whose text holds its thread's fonts: none
    // ends before the run, whatever a prompt holds it up for.
    m_pool.setExpiryTimeout(-1);
    const qint64 byMemory = MemoryBudget / std::max<qint64>(1, imageBytes);
    m_limit = qsizetype(std::clamp<qint64>(byMemory, 1, 2 * qint64(m_pool.maxThreadCount())));
}

EncodePipeline::~EncodePipeline()
{
    clear();
}

void EncodePipeline::add(int number, const QString &path, const QImage &image)
{
    auto promise = std::make_shared<QPromise<File>>();
    Pending pending{number, path, {}, true, promise->future()};
    promise->start();
    const ImageFileType type = m_type;
    const float dpi = m_dpi;
    m_pool.start([promise, image, type, dpi, number, path]() {
        File file{number, path, {}, {}};
        file.data = ImageExport::encode(image, type, dpi, &file.error);
        if (file.data.isEmpty() && file.error.isEmpty())
            file.error = translated(QStringLiteral("The image could not be encoded."));
        promise->addResult(file);
        promise->finish();
    });
    m_pending.push_back(std::move(pending));
}

void EncodePipeline::add(int number, const QString &path, std::function<QImage()> draw, const QString &drawError)
{
    auto promise = std::make_shared<QPromise<File>>();
    Pending pending{number, path, {}, true, promise->future()};
    promise->start();
    const ImageFileType type = m_type;
    const float dpi = m_dpi;
    m_pool.start([promise, draw = std::move(draw), drawError, type, dpi, number, path]() {
        File file{number, path, {}, {}};
        const QImage image = draw();
        if (image.isNull()) {
            file.error = drawError;
        } else {
            file.data = ImageExport::encode(image, type, dpi, &file.error);
            if (file.data.isEmpty() && file.error.isEmpty())
                file.error = translated(QStringLiteral("The image could not be encoded."));
        }
        promise->addResult(file);
        promise->finish();
    });
    m_pending.push_back(std::move(pending));
}

void EncodePipeline::addFailure(int number, const QString &path, const QString &error)
{
    m_pending.push_back(Pending{number, path, error, false, {}});
}

EncodePipeline::File EncodePipeline::takeOldest()
{
    if (m_pending.empty())
        return {};
    Pending pending = std::move(m_pending.front());
    m_pending.pop_front();
    if (!pending.encoding)
        return File{pending.number, pending.path, {}, pending.error};
    return pending.future.result();
}

void EncodePipeline::onEveryThread(const std::function<void()> &work)
{
    m_pool.waitForDone();
    // Each work waits for all the others to have begun: no thread takes two, and as many as
    // the pool may hold take one each, every thread that drew among them.
    const int threads = m_pool.maxThreadCount();
    std::latch begun(threads);
    for (int i = 0; i < threads; ++i)
        m_pool.start([&work, &begun] {
            begun.arrive_and_wait();
            work();
        });
    m_pool.waitForDone();
}

void EncodePipeline::clear()
{
    m_pending.clear();
    m_pool.waitForDone();
}

} // namespace quillmark
