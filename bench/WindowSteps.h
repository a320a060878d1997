#pragma once
// Steps worked through the real window as a user works, each timed until the canvas has drawn
// what it did (and the pictures made off the window's thread for it have arrived and been
// drawn), with the longest time the window did not answer meanwhile. Run under Xvfb with the
// xcb platform: the offscreen platform paints nothing as the screen does.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "BenchSupport.h"
#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "objects/PictureWorker.h"

namespace qmbench {

inline quillmark::MainWindow &benchWindow()
{
    static quillmark::MainWindow *made = [] {
        quillmark::Language::initialize();
        quillmark::registerAllKinds();
        auto *w = new quillmark::MainWindow;
        w->resize(1200, 900);
        w->show();
        QCoreApplication::processEvents();
        return w;
    }();
    return *made;
}

inline QAction *benchMenuItem(const QString &menu, const QString &item)
{
    for (QAction *top : benchWindow().menuBar()->actions()) {
        if (!top->menu() || top->menu()->title() != menu)
            continue;
        for (QAction *action : top->menu()->actions())
            if (action->text() == item || action->text().startsWith(item + QLatin1Char(' ')))
                return action;
    }
    qFatal("no menu item %s", qPrintable(item));
}

// The longest gap between two turns of the event loop while it runs.
class Heartbeat
{
public:
    Heartbeat()
    {
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_clock.nsecsElapsed());
            m_clock.restart();
        });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_timer.start();
    }
    double stopMs()
    {
        m_timer.stop();
        m_longest = std::max(m_longest, m_clock.nsecsElapsed());
        return double(m_longest) / 1e6;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

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
    while (quillmark::PictureWorker::busy() && clock.elapsed() < 1200000) {
        watch.painted = false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    // The picture that arrived last is drawn at the next turns.
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    times.settledMs = double(clock.nsecsElapsed()) / 1e6;
    times.longestMs = beat.stopMs();
    canvas->removeEventFilter(&watch);
    return times;
}

// Mouse events on the canvas at a point of the page, as the window delivers them.
inline void sendMouse(quillmark::RectsView *canvas, QEvent::Type type, const QPointF &page,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPointF local = canvas->pageToWidget().map(page);
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, canvas->mapToGlobal(local), button, buttons, modifiers);
    QApplication::sendEvent(canvas, &event);
}

inline void clickAt(quillmark::RectsView *canvas, const QPointF &page)
{
    sendMouse(canvas, QEvent::MouseButtonPress, page);
    sendMouse(canvas, QEvent::MouseButtonRelease, page);
}

// A double click as the window delivers it: press, release, double click, release.
inline void doubleClickAt(quillmark::RectsView *canvas, const QPointF &page)
{
    sendMouse(canvas, QEvent::MouseButtonPress, page);
    sendMouse(canvas, QEvent::MouseButtonRelease, page);
    sendMouse(canvas, QEvent::MouseButtonDblClick, page);
    sendMouse(canvas, QEvent::MouseButtonRelease, page);
}

inline void pressKey(QWidget *canvas, int key)
{
    canvas->setFocus();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(canvas, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(canvas, &release);
}

// One row of the table: the step on the design beside the same step on the four objects.
inline void printRow(const char *design, const char *step, const StepTimes &t, const StepTimes *floor)
{
    if (floor)
        std::printf("%-22s %-34s %10.1f %10.1f %10.1f   | floor %8.1f %8.1f\n", design, step, t.longestMs, t.drawnMs,
                    t.settledMs, floor->longestMs, floor->settledMs);
    else
        std::printf("%-22s %-34s %10.1f %10.1f %10.1f\n", design, step, t.longestMs, t.drawnMs, t.settledMs);
    std::fflush(stdout);
}

inline void printHeader()
{
    std::printf("%-22s %-34s %10s %10s %10s   | %s\n", "design", "step", "block ms", "drawn ms", "settled ms",
                "four objects: block, settled ms");
}

} // namespace qmbench
