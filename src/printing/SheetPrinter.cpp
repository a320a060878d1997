#include "printing/SheetPrinter.h"

#include <QPainter>

#include <algorithm>

namespace quillmark {

namespace {

// Pages whose records wait, read ahead of the one being drawn.
constexpr size_t PagesAhead = 2;

// The copy's objects in each label, with the records the window's thread read for the page.
class CopyContent : public SheetContent
{
public:
    CopyContent(const SequentialDrawing &drawing, const SheetPrinter::Page &page, std::function<bool()> stopped)
        : m_drawing(drawing)
        , m_page(page)
        , m_stopped(std::move(stopped))
    {
    }

    bool showRecord(const PrintJob &, const LabelPlacement &placement) override
    {
        return m_page.records.contains(placement.label);
    }

    bool drawnInside(const QString &page, const QPainterPath &clip) override
    {
        // The same outline on every position of a page costs one walk of the objects.
        const auto known = m_inside.constFind(page);
        if (known != m_inside.constEnd() && known->first == clip)
            return known->second;
        const bool inside = m_drawing.drawnInside(page, clip);
        m_inside.insert(page, {clip, inside});
        return inside;
    }

    void drawLabel(QPainter *painter, const QRectF &pageRect, const QString &page, int labelNumber) override
    {
        const auto record = m_page.records.constFind(labelNumber);
        if (record == m_page.records.constEnd())
            return;
        m_drawing.drawObjects(painter, *record, page, pageRect, m_stopped);
    }

    bool stopped() const override { return m_stopped(); }

private:
    const SequentialDrawing &m_drawing;
    const SheetPrinter::Page &m_page;
    std::function<bool()> m_stopped;
    QHash<QString, std::pair<QPainterPath, bool>> m_inside;
};

} // namespace

SheetPrinter::SheetPrinter(std::shared_ptr<const SequentialDrawing> drawing, SheetLayout layout, PrintJob job,
                           std::unique_ptr<Output> output)
    : m_drawing(std::move(drawing))
    , m_layout(std::move(layout))
    , m_job(std::move(job))
    , m_output(std::move(output))
{
}

SheetPrinter::~SheetPrinter()
{
    if (m_ran.valid()) {
        cancel();
        m_ran.wait();
    }
}

void SheetPrinter::start()
{
    auto job = std::make_shared<std::packaged_task<void()>>([this] { run(); });
    m_ran = job->get_future();
    SequentialDrawing::onCopyThread([job] { (*job)(); });
}

void SheetPrinter::drawPage(QPainter *painter, const QRectF &pageRect, const SequentialDrawing &drawing,
                            const SheetLayout &layout, const PrintJob &job, const Page &page,
                            const std::function<bool()> &stopped)
{
    CopyContent content(drawing, page, stopped);
    drawSheet(painter, pageRect, layout, job, page.page, content);
}

void SheetPrinter::drive(const QList<int> &sequence, const std::function<Page(int)> &plan,
                         const std::function<bool(int)> &answer)
{
    start();
    qsizetype next = 0;
    while (!finished()) {
        while (next < sequence.size() && wantsPage()) {
            Page page = plan(sequence.at(next++));
            const bool last = page.lastPage;
            addPage(std::move(page));
            if (last)
                next = sequence.size();
        }
        if (next >= sequence.size())
            noMorePages();
        // The last page is done once the device has its file or the printer its job: until
        // then the writer may still be at work (a PDF compresses each page as it ends).
        const int done = std::min(pagesDone(), std::max(0, int(sequence.size()) - (finished() ? 0 : 1)));
        // Once cancelled the job stops within a few objects: nothing more reaches the window.
        if (!cancelled() && !answer(done))
            cancel();
        waitFor(15);
    }
}

void SheetPrinter::addPage(Page page)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting.push_back(std::move(page));
    }
    m_changed.notify_all();
}

bool SheetPrinter::wantsPage() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return !m_noMore && !m_finished && m_waiting.size() < PagesAhead;
}

void SheetPrinter::noMorePages()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_noMore = true;
    }
    m_changed.notify_all();
}

void SheetPrinter::cancel()
{
    m_cancel = true;
    m_changed.notify_all();
}

bool SheetPrinter::finished() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_finished;
}

void SheetPrinter::waitFor(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(ms),
                       [this] { return m_finished || (!m_noMore && m_waiting.size() < PagesAhead); });
}

bool SheetPrinter::takePage(Page &page)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_cancel.load() || !m_waiting.empty() || m_noMore; });
    if (m_cancel.load() || m_waiting.empty())
        return false;
    page = std::move(m_waiting.front());
    m_waiting.pop_front();
    lock.unlock();
    // The window's thread reads the records of the next page meanwhile.
    m_changed.notify_all();
    return true;
}

void SheetPrinter::run()
{
    // The copy is made here: a design of tens of thousands of objects takes seconds to make.
    m_drawing->prepare([this] { return m_cancel.load(); });
    QPainter painter;
    const bool began = !m_cancel.load() && m_output->begin(painter);
    bool failed = false;
    if (began) {
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF pageRect(QPointF(0, 0), m_job.paper);
        Page page;
        for (int drawn = 0; takePage(page); ++drawn) {
            if (drawn > 0 && !m_output->newPage()) {
                failed = true;
                break;
            }
            CopyContent content(*m_drawing, page, [this] { return m_cancel.load(); });
            painter.save();
            painter.setTransform(m_output->pageTransform());
            drawSheet(&painter, pageRect, m_layout, m_job, page.page, content);
            painter.restore();
            if (m_output->failed()) {
                failed = true;
                break;
            }
            if (m_cancel.load())
                break;
            m_done = drawn + 1;
            m_changed.notify_all();
            if (page.lastPage)
                break;
        }
        // What was not yet sent is not printed.
        if (m_cancel.load() || failed)
            m_output->abort();
        painter.end();
        failed = failed || m_output->failed();
    }
    m_output->end();
    // The copies go on the thread that made them.
    m_drawing->release();
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_began = began;
        m_failed = failed;
        m_finished = true;
    }
    m_changed.notify_all();
}

} // namespace quillmark
