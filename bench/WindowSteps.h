#pragma once
// Steps worked through the real window as a user works, each timed until the canvas has drawn
// what it did (and the pictures made off the window's thread for it have arrived and been
// drawn), with the longest time the window did not answer meanwhile; a table of them beside
// the same steps on a design of four objects.
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

#include "WindowBench.h"

namespace qmbench {

// What one step took.
struct StepTimes
{
    // The longest the window did not answer, from the step until all it asked for was drawn.
    double longestMs = 0;
    // From the step until the canvas first drew.
    double drawnMs = 0;
    // From the step until the pictures made aside for it arrived and were drawn.
    double settledMs = 0;
};

// Runs `action` (events sent to the window, a menu command) and turns the event loop until the
// canvas has drawn, and until every picture asked for meanwhile has arrived and been drawn. A
// step that asks for no drawing ends after a quiet half second of the event loop; nothing here
// asks the canvas to draw more than the step did.
template <typename Action>
StepTimes windowStep(QWidget *canvas, Action &&action)
{
    PaintWatch watch;
    canvas->installEventFilter(&watch);
    Heartbeat beat;
    StepTimes times;
    QElapsedTimer clock;
    beat.start();
    clock.start();
    action();
    QElapsedTimer quiet;
    quiet.start();
    while (!watch.painted && quiet.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    times.drawnMs = watch.painted ? double(clock.nsecsElapsed()) / 1e6 : 0;
    while (PictureWorker::busy() && clock.elapsed() < 1200000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    // The picture that arrived last is drawn at the next turns.
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    times.settledMs = double(clock.nsecsElapsed()) / 1e6;
    times.longestMs = beat.stopMs();
    canvas->removeEventFilter(&watch);
    return times;
}

inline void clickAt(RectsView *canvas, const QPointF &page)
{
    sendMouse(canvas, QEvent::MouseButtonPress, page);
    sendMouse(canvas, QEvent::MouseButtonRelease, page);
}

// A double click as the window delivers it: press, release, double click, release.
inline void doubleClickAt(RectsView *canvas, const QPointF &page)
{
    sendMouse(canvas, QEvent::MouseButtonPress, page);
    sendMouse(canvas, QEvent::MouseButtonRelease, page);
    sendMouse(canvas, QEvent::MouseButtonDblClick, page);
    sendMouse(canvas, QEvent::MouseButtonRelease, page);
}

inline void pressKey(QWidget *canvas, int key)
{
    canvas->setFocus();
    sendKey(canvas, key);
}

// The steps on one design, by name, in order; `wrong` when one did not do what it should.
struct StepRun
{
    QList<QPair<QString, StepTimes>> rows;
    bool wrong = false;
    void add(const QString &name, const StepTimes &t) { rows.append({name, t}); }
};

inline void printHeader()
{
    std::printf("%-22s %-34s %10s %10s %10s   | %s\n", "design", "step", "block ms", "drawn ms", "settled ms",
                "four objects: block, settled ms");
}

// The rows of a design, each beside the same step on the four objects (none for the four
// objects themselves).
inline void printRun(const QString &design, const StepRun &run, const StepRun *floor)
{
    const QByteArray name = design.toUtf8();
    for (int i = 0; i < run.rows.size(); ++i) {
        const StepTimes &t = run.rows[i].second;
        std::printf("%-22s %-34s %10.1f %10.1f %10.1f", name.constData(), qPrintable(run.rows[i].first), t.longestMs,
                    t.drawnMs, t.settledMs);
        if (floor && i < floor->rows.size())
            std::printf("   | floor %8.1f %8.1f", floor->rows[i].second.longestMs, floor->rows[i].second.settledMs);
        std::printf("\n");
    }
    std::fflush(stdout);
}

} // namespace qmbench
