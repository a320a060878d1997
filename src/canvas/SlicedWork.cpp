#include "canvas/SlicedWork.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <thread>

#include "canvas/ObjectForms.h"
#include "foundation/Language.h"

namespace quillmark {

namespace {

// One command answers at a time: a second one started from inside the first one's answering
// works without a panel of its own.
bool answeringNow = false;

WindowAnswering::Command *currentCommand = nullptr;

qint64 sliceForTesting = -1;
qint64 panelForTesting = -1;

} // namespace

qint64 WindowAnswering::sliceMs()
{
    return sliceForTesting >= 0 ? sliceForTesting : 40;
}

void WindowAnswering::setTimesForTesting(qint64 sliceMs, qint64 panelAfterMs)
{
    sliceForTesting = sliceMs;
    panelForTesting = panelAfterMs;
}

WindowAnswering::WindowAnswering(QWidget *window, const QString &doing, qsizetype steps, qint64 panelAfterMs)
    : m_window(window)
    , m_doing(doing)
    , m_steps(steps)
    , m_panelAfterMs(panelForTesting >= 0 ? std::min(panelAfterMs, panelForTesting) : panelAfterMs)
    , m_answering(window && !answeringNow)
    , m_outer(answeringNow)
{
    answeringNow = answeringNow || m_answering;
    m_slice.start();
    m_started.start();
    if (currentCommand && m_answering) {
        const qint64 into = currentCommand->m_started.elapsed();
        m_panelAfterMs = currentCommand->m_panelShown
                             ? 0
                             : std::min(into + m_panelAfterMs, currentCommand->m_panelAfterMs);
        m_started = currentCommand->m_started;
    }
}

WindowAnswering::Command::Command(QWidget *canvas, qint64 panelAfterMs, Canvas canvasIs)
    : m_canvas(canvas)
    , m_changesCanvas(canvasIs == Canvas::Changed)
    , m_outer(currentCommand)
    , m_panelAfterMs(panelForTesting >= 0 ? std::min(panelAfterMs, panelForTesting) : panelAfterMs)
{
    m_started.start();
    // Within another, this one is part of it.
    if (m_outer) {
        m_canvas = nullptr;
        return;
    }
    currentCommand = this;
}

void WindowAnswering::Command::holdCanvas()
{
    // Updates asked for while held are dropped and made up for by drawing the whole canvas at
    // the end: only a command that changes it is worth that.
    if (m_held || !m_changesCanvas || !m_canvas || !m_canvas->updatesEnabled())
        return;
    m_held = true;
    m_canvas->setUpdatesEnabled(false);
}

WindowAnswering::Command::~Command()
{
    if (m_outer)
        return;
    currentCommand = nullptr;
    // Drawn once, with all the command changed.
    if (m_held)
        m_canvas->setUpdatesEnabled(true);
}

WindowAnswering::~WindowAnswering()
{
    m_panel.reset();
    answeringNow = m_outer;
}

bool WindowAnswering::step(qsizetype done)
{
    if (!m_answering || m_cancelled || m_slice.elapsed() < sliceMs())
        return !m_cancelled;
    return now(done);
}

bool WindowAnswering::now(qsizetype done)
{
    if (!m_answering || m_cancelled)
        return !m_cancelled;
    // Until the panel shows, no event is handled: a short command keeps the window as one
    // that answers at its end, and nothing but the panel may reach the window meanwhile.
    if (!m_panel && m_started.elapsed() < m_panelAfterMs) {
        m_slice.restart();
        return true;
    }
    if (!m_panel) {
        m_panel = std::make_unique<QProgressDialog>(m_doing,
                                                    Language::stringForKey(QStringLiteral("Cancel")), 0,
                                                    int(std::min<qsizetype>(m_steps, INT_MAX)), m_window);
        m_panel->setWindowModality(Qt::WindowModal);
        // The window stays the active one: turning inactive would draw the whole design
        // shown again, for nothing.
        m_panel->setAttribute(Qt::WA_ShowWithoutActivating);
        m_panel->setMinimumDuration(0);
        m_panel->setAutoReset(false);
        m_panel->setAutoClose(false);
        if (currentCommand) {
            currentCommand->m_panelShown = true;
            currentCommand->holdCanvas();
        }
    }
    m_panel->setValue(int(std::clamp<qsizetype>(done, 0, std::min<qsizetype>(m_steps, INT_MAX))));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    m_cancelled = m_panel->wasCanceled();
    m_slice.restart();
    return !m_cancelled;
}

void besideWindow(WindowAnswering &answering, qsizetype done, const std::function<void()> &work)
{
    if (!answering.answering()) {
        work();
        return;
    }
    std::atomic<bool> finished{false};
    std::thread thread([&work, &finished] {
        work();
        finished = true;
    });
    while (!finished) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        answering.step(done);
    }
    thread.join();
}

namespace {

// Holds the canvas for the command under way, when it works on that canvas.
bool holdForCommand(QWidget *canvas)
{
    if (!currentCommand || currentCommand->canvas() != canvas)
        return false;
    currentCommand->holdCanvas();
    return true;
}

} // namespace

std::optional<ColorRect::GraphicList> objectsOfForms(const PropertyListArray &forms, QWidget *window,
                                                     QWidget *canvas, const char *doing, QList<qsizetype> *entries)
{
    ColorRect::GraphicList made;
    made.reserve(forms.size());
    WindowAnswering answer(window, doing ? Language::stringForKey(QString::fromUtf8(doing)) : QString(),
                           forms.size());
    // Within a command on the canvas, the canvas is held until the command ends.
    const bool held = answer.answering() && canvas && canvas->updatesEnabled() && !holdForCommand(canvas);
    if (held)
        canvas->setUpdatesEnabled(false);
    ObjectsFromForms making(forms);
    making.deliver([&](std::shared_ptr<ColorRect> &&graphic, qsizetype entry) {
        made.append(std::move(graphic));
        if (entries)
            entries->append(entry);
        return answer.step(entry);
    });
    if (held)
        canvas->setUpdatesEnabled(true);
    if (answer.cancelled())
        return std::nullopt;
    return made;
}

bool formsInSlices(const ColorRect::GraphicList &graphics, const ColorRect::GraphicList *context,
                   const std::function<void(QVariant &&)> &take, const std::function<bool(qsizetype)> &answer)
{
    // A slice is sized by how long the last one took: a path of a hundred thousand points
    // takes as long as thousands of plain boxes.
    const qint64 WantedMs = WindowAnswering::sliceMs() / 2;
    qsizetype slice = 256;
    qsizetype next = 0;
    // The places of the design's objects are found once, not again for every slice.
    std::optional<ColorRect::LinkedTextPlaces> places;
    if (context && graphics.size() > slice)
        places.emplace(*context);
    while (next < graphics.size()) {
        const qsizetype count = std::min(slice, graphics.size() - next);
        QElapsedTimer took;
        took.start();
        ObjectForms(graphics.mid(next, count), context, places ? &*places : nullptr).deliver(take);
        next += count;
        const qint64 ms = took.elapsed();
        if (ms < WantedMs / 2)
            slice = std::min<qsizetype>(slice * 2, 1 << 16);
        else if (ms > WantedMs * 2)
            slice = std::max<qsizetype>(slice / 2, 16);
        if (next < graphics.size() && answer && !answer(next))
            return false;
    }
    return true;
}

} // namespace quillmark
