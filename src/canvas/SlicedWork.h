#pragma once
// Long commands on a whole design (Open, Save, Copy, Paste, templates) done in slices on the
// window's thread, the window answering between them: past the first slice a window-modal panel
// saying what is done (`doing`, as the user reads it) shows how far it is, keeps the user's input from the design meanwhile,
// and its Cancel gives the command up.
#include <QElapsedTimer>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

#include "objects/ColorRect.h"
#include "platform/PropertyList.h"

class QProgressDialog;
class QWidget;

namespace quillmark {

class WindowAnswering
{
public:
    // Without a window, or inside another command answering already, nothing is answered. The
    // panel shows once the work has taken `panelAfterMs`, and the window answers from then on.
    WindowAnswering(QWidget *window, const QString &doing, qsizetype steps, qint64 panelAfterMs = 0);
    ~WindowAnswering();
    WindowAnswering(const WindowAnswering &) = delete;
    WindowAnswering &operator=(const WindowAnswering &) = delete;

    // With `done` steps done: the window answers once the slice is over. False once given up.
    bool step(qsizetype done);
    // The same whatever the time since the last answer.
    bool now(qsizetype done);
    bool cancelled() const { return m_cancelled; }
    bool answering() const { return m_answering; }

    // Work is done this long at a time before the window answers again.
    static qint64 sliceMs();
    // Commands that usually take less show their panel only past this, which keeps the
    // window from answering for less than half a second.
    static constexpr qint64 PanelAfterMs = 400;
    // Slices and panels as short as given (negative: as usual), so that small designs are
    // worked on in slices too.
    static void setTimesForTesting(qint64 sliceMs, qint64 panelAfterMs);

    // A command made of several works in turn (Duplicate: a copy, then a paste), each answering
    // on its own: the window answers as for one work. Each work's panel time counts from the
    // command's start, no later than `panelAfterMs` into it; once one work has shown its panel,
    // the next shows its own at its first answer; and from then the canvas, when given, is not
    // drawn before the command ends: a design drawn while the panel shows, or between two of
    // the works, is drawn for nothing.
    class Command
    {
    public:
        // A command that changes nothing the canvas shows (Save, Copy) leaves it drawn as it
        // asks: held, it would be drawn whole again at the end, for nothing.
        enum class Canvas { Changed, Unchanged };
        Command(QWidget *canvas, qint64 panelAfterMs, Canvas canvasIs = Canvas::Changed);
        ~Command();
        Command(const Command &) = delete;
        Command &operator=(const Command &) = delete;

        QWidget *canvas() const { return m_canvas; }
        // From now until the command ends.
        void holdCanvas();

    private:
        friend class WindowAnswering;
        QWidget *m_canvas;
        bool m_held = false;
        bool m_changesCanvas = true;
        Command *m_outer;
        QElapsedTimer m_started;
        qint64 m_panelAfterMs;
        bool m_panelShown = false;
    };

private:
    QWidget *m_window;
    QString m_doing;
    qsizetype m_steps;
    qint64 m_panelAfterMs;
    bool m_answering;
    bool m_outer;
    bool m_cancelled = false;
    QElapsedTimer m_slice;
    QElapsedTimer m_started;
    std::unique_ptr<QProgressDialog> m_panel;
};

// Runs `work` on a thread of its own while the window answers through `answering` as `done`
// steps done; the work is not given up part way: a Cancel meanwhile is seen once it is done.
// `work` may touch nothing the window's thread touches.
void besideWindow(WindowAnswering &answering, qsizetype done, const std::function<void()> &work);

// The objects of stored forms, a few entries at a time, read (from a file's bytes) and freed
// once their objects are made, the window answering between slices as `doing` (nothing when
// `window` is null). The canvas, when given, is not drawn meanwhile: nothing of its design is
// touched while they are made, and it is drawn again once they join it. Nothing when given up;
// `entries`, when given, takes the place in `forms` of each object made.
std::optional<ColorRect::GraphicList> objectsOfForms(const PropertyListArray &forms, QWidget *window,
                                                     QWidget *canvas = nullptr, const char *doing = nullptr,
                                                     QList<qsizetype> *entries = nullptr);

// The stored forms of `graphics` (their chains placed within `context`) handed to `take` in
// order, made a slice of objects at a time: `answer` is asked after each slice with the number
// made so far, and false there gives up (false then). Each slice is made whole before the
// window answers, so that no object is read on another thread while the window handles events.
bool formsInSlices(const ColorRect::GraphicList &graphics, const ColorRect::GraphicList *context,
                   const std::function<void(QVariant &&)> &take, const std::function<bool(qsizetype)> &answer);

} // namespace quillmark
