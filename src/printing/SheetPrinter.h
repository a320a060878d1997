#pragma once
// A print job's pages drawn aside (on SequentialDrawing's copy thread) from a copy of the
// design, while the window's thread reads the records each page shows and keeps the window answering. The
// painter is begun, used and ended on that thread; the window's thread touches neither the
// device nor the copy until the job has finished. One page is drawn at a time: the job holds
// no more than the page being drawn and the records of the next.
#include <QHash>
#include <QList>
#include <QTransform>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>

#include "printing/PrintJob.h"
#include "printing/SequentialDrawing.h"
#include "printing/SheetImaging.h"

class QPainter;

namespace quillmark {

class SheetPrinter
{
public:
    // Where the pages go, worked on the job's thread only.
    class Output
    {
    public:
        virtual ~Output() = default;
        virtual bool begin(QPainter &painter) = 0;
        // Between two pages; false when the device cannot take another.
        virtual bool newPage() = 0;
        // After a page: the device failed (a full disk, a printer error).
        virtual bool failed() const = 0;
        // Before the painter ends on a job given up: nothing more reaches the printer.
        virtual void abort() {}
        // After the painter ended, on the same thread.
        virtual void end() {}
        // From page points to the device.
        virtual QTransform pageTransform() const { return {}; }
    };

    // What one page shows: the record of each label by label number. A page whose last
    // record could not be read is drawn up to it and ends the job.
    struct Page
    {
        int page = 1;
        QHash<int, SequentialDrawing::Record> records;
        bool lastPage = false;
    };

    SheetPrinter(std::shared_ptr<const SequentialDrawing> drawing, SheetLayout layout, PrintJob job,
                 std::unique_ptr<Output> output);
    // Gives the job up when it still runs, and waits for it to end.
    ~SheetPrinter();
    SheetPrinter(const SheetPrinter &) = delete;
    SheetPrinter &operator=(const SheetPrinter &) = delete;

    void start();
    // Starts the job and runs it to its end, the window's thread making the pages of
    // `sequence` in their order through `plan` as the job wants them and calling `answer` with
    // the pages done between short waits: false there gives the job up.
    void drive(const QList<int> &sequence, const std::function<Page(int page)> &plan,
               const std::function<bool(int done)> &answer);
    // Hands over the next page in the order they print; at most a few wait at a time.
    void addPage(Page page);
    bool wantsPage() const;
    // No more pages come: the job ends after the last one handed over.
    void noMorePages();
    void cancel();
    bool cancelled() const { return m_cancel.load(); }

    // Pages drawn so far.
    int pagesDone() const { return m_done.load(); }
    bool finished() const;
    // Waits up to `ms` for the job to finish or to want a page.
    void waitFor(int ms);
    // After finished(): whether the painter could begin, and whether the device failed.
    bool began() const { return m_began; }
    bool deviceFailed() const { return m_failed; }

    // Page `page.page` of the job drawn from the copy with the records planned for it, the
    // page's top-left corner at `pageRect`'s origin; nothing more once `stopped` says so.
    static void drawPage(QPainter *painter, const QRectF &pageRect, const SequentialDrawing &drawing,
                         const SheetLayout &layout, const PrintJob &job, const Page &page,
                         const std::function<bool()> &stopped);

private:
    void run();
    bool takePage(Page &page);

    std::shared_ptr<const SequentialDrawing> m_drawing;
    SheetLayout m_layout;
    PrintJob m_job;
    std::unique_ptr<Output> m_output;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Page> m_waiting;
    bool m_noMore = false;
    bool m_finished = false;
    bool m_began = false;
    bool m_failed = false;
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_done{0};
    // The job runs on the thread the copies of the design it shares with the options' preview
    // are made and drawn on; ready once it has ended there.
    std::future<void> m_ran;
};

} // namespace quillmark
