// Every command of the window on every kind of design, as a user gives it in the real window
// (Xvfb at 96 dpi, the canvas at 155 %): the longest time the window did not answer while the
// command ran and until the canvas showed what it did, beside the same command on the design
// of four objects (the floor: what any design costs).
//
// The commands are taken from the window itself, not from a list: every item of the menu
// bar's menus and submenus, every item and control of the tool bar, every item of the
// canvas's context menu, and every control of every inspector page (found by walking the
// pages' widgets: fields typed into, steppers, sliders, check boxes, radio buttons, push and
// segment buttons, pop-ups, colour wells, text views). Beside them the mouse and keys: a click
// on an object and on the empty canvas, a nudge, the steps of a drag that moves, resizes and
// rotates, entering point editing of a path, a step of a point's drag and leaving it, and a
// letter typed into a text. Each command is first given on the four objects: one that asks for
// a file panel or a panel of its own, opens a modal dialog or quits is left out on every
// design and listed with the reason (a person would be choosing; what it does after that is
// measured by the benches of those commands). Items a menu shows disabled, and controls the
// inspector disables or hides for the selection, are not given ("-").
//
// Each design is opened through File > Open... and everything is selected; each command is
// given, then Edit > Undo takes back what it did (its time beside the command's, "cmd/undo");
// whatever else the command changed (the tool, the zoom, a mode, a check mark, a window) is
// put back untimed, and the design is opened anew when Undo could not restore it. A figure
// over the budget is marked "!": 100 ms for a click, a nudge, a key and a drag step, 500 ms
// for any other command (a command that works aside with its progress shown answers).
// Beside the table: the time to open each design and select all, and the peak of resident
// memory (VmHWM) while each design was worked on.
//
// WINDOW_ACTIONS_COUNT     objects of each kind (10000); one paragraph holds ten times as many
//                          runs, one path twenty times as many points
// WINDOW_ACTIONS_KINDS     the kinds, by key, comma-separated (all); the four objects always
// WINDOW_ACTIONS_FILTER    only commands whose name contains this text
// WINDOW_ACTIONS_OUT       also append the figures to this file, tab-separated
// WINDOW_ACTIONS_TABLE     print the table of such files (comma-separated) instead of running
// WINDOW_ACTIONS_DIR       keep the designs in this folder
// WINDOW_ACTIONS_PERF_TIMES  write when each command and its Undo start and end, for
//                          `perf report --time`
// WINDOW_ACTIONS_LIMIT     seconds a command may keep the window before its process is ended
//                          and the next goes on after it (120)
//
// Build with -DQM_BENCH=ON in a Release build and run it under Xvfb:
//   xvfb-run -a -s '-screen 0 1600x1000x24 -dpi 96' ./bench_window_actions_bench
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QTextStream>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include <ctime>
#include <map>
#include <set>

#include "WindowBench.h"
#include "database/window/DatabaseModeSwitch.h"
#include "foundation/MyStepper.h"
#include "inspector/InspectorPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesView.h"
#include "platform/ColorWell.h"
#include "platform/UndoManager.h"

using namespace quillmark;
using namespace qmbench;

namespace {

// Panels a command asks the prompts for are noted; alerts take their first button.
class RecordingPrompts : public BenchPrompts
{
public:
    QStringList asked;
    QString openFile(QWidget *w, const QString &a, const QString &b, const QStringList &c) override
    {
        note(QStringLiteral("asks for a file to open"));
        return BenchPrompts::openFile(w, a, b, c);
    }
    QStringList openFiles(QWidget *w, const QString &a, const QString &b, const QStringList &c) override
    {
        note(QStringLiteral("asks for files to open"));
        return BenchPrompts::openFiles(w, a, b, c);
    }
    QString saveFile(QWidget *w, const QString &a, const QString &b, const QString &c, const QStringList &d) override
    {
        note(QStringLiteral("asks where to save"));
        return BenchPrompts::saveFile(w, a, b, c, d);
    }
    QString chooseFolder(QWidget *, const QString &, const QString &) override
    {
        note(QStringLiteral("asks for a folder"));
        return {};
    }
    QString saveFileOfType(QWidget *, const QString &, const QString &, const QString &, const QList<FileType> &, int &,
                           QWidget *) override
    {
        note(QStringLiteral("asks where to save"));
        return {};
    }
    int runPanel(QWidget *, QDialog *panel) override
    {
        note(QStringLiteral("runs the panel \"%1\"").arg(panel ? panel->windowTitle() : QString()));
        return 0;
    }

private:
    void note(const QString &what)
    {
        // File > Open of the bench's own design is no command of the table.
        if (nextPath.isEmpty())
            asked.append(what);
    }
};

RecordingPrompts *prompts = nullptr;
bool quitAsked = false;

// Closes what a command opened modally while its nested loop runs (a dialog, a pop-up menu)
// and notes it; a progress dialog of work done aside is left to finish.
class ModalWatch
{
public:
    QStringList seen;
    ModalWatch()
    {
        m_timer.setInterval(25);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start();
    }
    void look()
    {
        if (QWidget *popup = QApplication::activePopupWidget()) {
            seen.append(QStringLiteral("pops up %1").arg(QString::fromLatin1(popup->metaObject()->className())));
            popup->close();
        }
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || qobject_cast<QProgressDialog *>(modal))
            return;
        seen.append(QStringLiteral("opens the modal %1 \"%2\"")
                        .arg(QString::fromLatin1(modal->metaObject()->className()), modal->windowTitle()));
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
    }

private:
    QTimer m_timer;
};

ModalWatch *modalWatch = nullptr;

enum class Budget { Gesture, Command };

struct Command
{
    QString name;
    Budget budget = Budget::Command;
    // Whether the user can give it now: the item enabled once its menu opened, the control
    // enabled and shown.
    std::function<bool()> ready;
    std::function<void()> give;
    // Brings the window into the state the command is given in (untimed); false when the
    // design has nothing for it (no text to edit).
    std::function<bool()> prepare;
    // Ends what the command began, untimed, before Undo (the release of a drag whose steps
    // alone are timed).
    std::function<void()> finish;
    // Why it is left out; empty when it is given.
    QString skipped;
};

QString plainText(QString text)
{
    text.remove(QLatin1Char('&'));
    return text.trimmed();
}

// ---- the commands, from the window ----

void walkMenu(QMenu *menu, const QString &path, const QList<QPointer<QMenu>> &chain, QList<Command> &out,
              const std::function<void()> &prepare = {})
{
    if (prepare)
        prepare();
    emit menu->aboutToShow();
    QList<QPointer<QMenu>> inner = chain;
    inner.append(menu);
    for (QAction *action : menu->actions()) {
        if (action->isSeparator() || plainText(action->text()).isEmpty())
            continue;
        QString title = plainText(action->text());
        // Undo and Redo name the step they take back; the row names the command.
        if (title.startsWith(QLatin1String("Undo")) || title.startsWith(QLatin1String("Redo")))
            title = title.left(4);
        const QString name = path + QStringLiteral(" > ") + title;
        if (action->menu()) {
            walkMenu(action->menu(), name, inner, out, prepare);
            continue;
        }
        // Menus that fill themselves as they open (the recent designs, the fields) make their
        // items anew: the item is found by its title each time.
        QPointer<QMenu> owner = menu;
        auto item = [owner, title]() -> QAction * {
            if (!owner)
                return nullptr;
            for (QAction *candidate : owner->actions()) {
                const QString text = plainText(candidate->text());
                if (!candidate->menu() && (text == title || (title.size() == 4 && text.startsWith(title))))
                    return candidate;
            }
            return nullptr;
        };
        Command command;
        command.name = name;
        // Opening each menu on the way is part of the command: menus validate and fill their
        // items then, and the user waits for that too.
        auto open = [inner, prepare](bool shown) {
            if (shown && prepare)
                prepare();
            for (const QPointer<QMenu> &m : inner)
                if (m)
                    shown ? emit m->aboutToShow() : emit m->aboutToHide();
        };
        command.ready = [item, open] {
            open(true);
            QAction *found = item();
            const bool enabled = found && found->isEnabled() && found->isVisible();
            open(false);
            return enabled;
        };
        command.give = [item, open] {
            open(true);
            if (QAction *found = item(); found && found->isEnabled())
                found->trigger();
            open(false);
        };
        out.append(command);
    }
    emit menu->aboutToHide();
}

QString widgetName(QWidget *widget)
{
    if (!widget->objectName().isEmpty())
        return widget->objectName();
    if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        QString text = plainText(button->text());
        if (text.isEmpty())
            text = button->toolTip();
        QWidget *parent = widget->parentWidget();
        const QString owner = parent && !parent->objectName().isEmpty() ? parent->objectName() + QLatin1Char(' ') : QString();
        return owner + (text.isEmpty() ? QStringLiteral("button") : QLatin1Char('"') + text + QLatin1Char('"'));
    }
    return QString::fromLatin1(widget->metaObject()->className());
}

// How a user works each kind of control; null for a widget that is no control.
std::function<void()> userOperation(QWidget *widget)
{
    QPointer<QWidget> w = widget;
    if (auto *field = qobject_cast<NumberField *>(widget))
        return [field = QPointer<NumberField>(field)] {
            if (!field)
                return;
            // A value one more than the one shown, typed and entered.
            const double shown = field->value().value_or(0.0);
            field->setFocus();
            field->setText(QString::number(shown + 1.0, 'f', 2));
            field->setModified(true);
            sendKey(field, Qt::Key_Return);
        };
    if (auto *edit = qobject_cast<QTextEdit *>(widget))
        return [edit = QPointer<QTextEdit>(edit)] {
            if (!edit)
                return;
            edit->setFocus();
            edit->moveCursor(QTextCursor::End);
            sendKey(edit, Qt::Key_7, QStringLiteral("7"));
        };
    if (auto *plain = qobject_cast<QPlainTextEdit *>(widget))
        return [plain = QPointer<QPlainTextEdit>(plain)] {
            if (!plain)
                return;
            plain->setFocus();
            plain->moveCursor(QTextCursor::End);
            sendKey(plain, Qt::Key_7, QStringLiteral("7"));
        };
    if (auto *line = qobject_cast<QLineEdit *>(widget))
        return [line = QPointer<QLineEdit>(line)] {
            if (!line)
                return;
            line->setFocus();
            line->end(false);
            sendKey(line, Qt::Key_7, QStringLiteral("7"));
            sendKey(line, Qt::Key_Return);
        };
    if (auto *stepper = qobject_cast<Stepper *>(widget))
        return [stepper = QPointer<Stepper>(stepper)] {
            // A click on its upper arrow, or the lower one at the top of its range.
            if (stepper)
                clickWidget(stepper, QPoint(stepper->width() / 2, stepper->doubleValue() < stepper->maxValue()
                                                                      ? stepper->height() / 4
                                                                      : stepper->height() * 3 / 4));
        };
    if (auto *slider = qobject_cast<QAbstractSlider *>(widget))
        return [slider = QPointer<QAbstractSlider>(slider)] {
            if (slider)
                sendKey(slider, slider->value() < slider->maximum() ? Qt::Key_Right : Qt::Key_Left);
        };
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return [combo = QPointer<QComboBox>(combo)] {
            // The next item chosen with the arrow key, as a closed pop-up takes it.
            if (combo)
                sendKey(combo, combo->currentIndex() + 1 < combo->count() ? Qt::Key_Down : Qt::Key_Up);
        };
    if (auto *well = qobject_cast<ColorWell *>(widget))
        return [well = QPointer<ColorWell>(well)] {
            // A colour chosen in the chooser.
            if (well) {
                const QColor now = well->color();
                well->takeColor(QColor::fromHsv((std::max(0, now.hsvHue()) + 97) % 360, 180, 200));
            }
        };
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return [button = QPointer<QAbstractButton>(button)] {
            if (button)
                button->click();
        };
    return {};
}

// A part of a composite control, worked through it (a pop-up's list, a text view's viewport
// and scroll bars).
bool insideComposite(QWidget *widget, QWidget *page)
{
    for (QWidget *up = widget->parentWidget(); up && up != page; up = up->parentWidget())
        if (qobject_cast<QComboBox *>(up) || qobject_cast<QAbstractScrollArea *>(up) || qobject_cast<QAbstractSpinBox *>(up)
            || qobject_cast<Stepper *>(up))
            return true;
    return false;
}

// Every control of every inspector page, the pages all open in the side panel.
void walkInspector(MainWindow &window, QList<Command> &out, QStringList &notControls)
{
    ObjectInfoPanel *info = window.objectInfo();
    PropertiesView *panel = window.propertiesView();
    for (const QPointer<InspectorPage> &page : info->pages()) {
        if (!page)
            continue;
        const int tag = info->tagOfPage(page->tab());
        if (panel && tag > 0 && !panel->isButtonSelected(tag))
            panel->openPropertiesByType(tag);
    }
    QCoreApplication::processEvents();
    for (const QPointer<InspectorPage> &page : info->pages()) {
        if (!page)
            continue;
        for (QWidget *widget : page->findChildren<QWidget *>()) {
            if (qobject_cast<QLabel *>(widget) || insideComposite(widget, page))
                continue;
            const std::function<void()> operation = userOperation(widget);
            if (!operation) {
                // Containers and drawings: only a control takes input.
                if (widget->focusPolicy() != Qt::NoFocus || widget->acceptDrops())
                    notControls.append(page->title() + QStringLiteral(" > ") + widgetName(widget) + QStringLiteral(" (")
                                       + QString::fromLatin1(widget->metaObject()->className()) + QStringLiteral(")"));
                continue;
            }
            QPointer<QWidget> control = widget;
            QPointer<InspectorPage> owner = page;
            Command command;
            command.name = QStringLiteral("Inspector ") + page->title() + QStringLiteral(" > ") + widgetName(widget);
            command.ready = [control, owner] {
                return control && owner && control->isEnabled() && control->isVisibleTo(owner) && owner->isVisible();
            };
            command.give = operation;
            out.append(command);
        }
    }
}

void walkToolBars(MainWindow &window, QList<Command> &out)
{
    for (QToolBar *bar : window.findChildren<QToolBar *>()) {
        if (!bar->isVisible())
            continue;
        const QString path = QStringLiteral("Tool bar");
        for (QAction *action : bar->actions()) {
            if (action->isSeparator())
                continue;
            QWidget *widget = bar->widgetForAction(action);
            if (qobject_cast<QWidgetAction *>(action) && widget) {
                // A control of its own on the bar: its buttons (a segmented switch's segments too).
                QList<QAbstractButton *> buttons = widget->findChildren<QAbstractButton *>();
                if (auto *button = qobject_cast<QAbstractButton *>(widget))
                    buttons.prepend(button);
                for (QAbstractButton *button : buttons) {
                    QPointer<QAbstractButton> b = button;
                    Command command;
                    command.name = path + QStringLiteral(" > ") + widgetName(button);
                    command.ready = [b] { return b && b->isEnabled() && b->isVisible() && !(b->isCheckable() && b->isChecked() && b->autoExclusive()); };
                    command.give = [b] {
                        if (b)
                            b->click();
                    };
                    out.append(command);
                }
                continue;
            }
            const QString title = plainText(action->text()).isEmpty() ? action->toolTip() : plainText(action->text());
            if (title.isEmpty())
                continue;
            QPointer<QAction> item = action;
            Command command;
            command.name = path + QStringLiteral(" > ") + title;
            command.ready = [item] { return item && item->isEnabled() && item->isVisible(); };
            command.give = [item] {
                if (item)
                    item->trigger();
            };
            out.append(command);
        }
    }
}

// ---- the mouse and the keys ----

RectsView *canvas() { return benchWindow().canvas(); }

// The topmost object whose frame holds its own centre clear of others' knobs: the place a
// click on "an object" goes to.
GraphicPtr clickableObject()
{
    const GraphicList objects = canvas()->getRects();
    for (qsizetype i = objects.size() - 1; i >= 0; --i)
        if (objects[i]->isOnPageNamed(canvas()->getCurrPageName()) && !objects[i]->isHidden())
            return objects[i];
    return nullptr;
}

GraphicPtr firstSelected()
{
    const GraphicList &selected = canvas()->selectedObjects();
    return selected.isEmpty() ? nullptr : selected.first();
}

ColorPath *pathObject()
{
    for (const GraphicPtr &object : canvas()->getRects())
        if (auto *path = dynamic_cast<ColorPath *>(object.get()))
            return path;
    return nullptr;
}

GraphicPtr textObject()
{
    for (const GraphicPtr &object : canvas()->getRects())
        if (object->className() == QLatin1String("ColorRect") && object->hasText())
            return object;
    return nullptr;
}

// ---- running a command ----

struct Figures
{
    double ms = -1;       // the command; -1 not given
    double undoMs = -1;   // its Undo; -1 nothing to undo
    double peakMb = 0;    // the growth of the resident peak over the command
    QString note;
};

// What a command may change beside the design, as it was before it.
struct WindowState
{
    std::map<QAction *, bool> checked;
    QSet<QWidget *> windows;
    double zoom = BenchZoom;
    int fit = 0;
};

QList<QMenu *> menusOf(MainWindow &window)
{
    QList<QMenu *> menus;
    std::function<void(QMenu *)> add = [&](QMenu *menu) {
        menus.append(menu);
        for (QAction *a : menu->actions())
            if (a->menu())
                add(a->menu());
    };
    for (QAction *top : window.menuBar()->actions())
        if (top->menu())
            add(top->menu());
    return menus;
}

WindowState windowState(MainWindow &window)
{
    WindowState state;
    for (QMenu *menu : menusOf(window)) {
        emit menu->aboutToShow();
        for (QAction *a : menu->actions())
            if (a->isCheckable() && !a->actionGroup())
                state.checked[a] = a->isChecked();
        emit menu->aboutToHide();
    }
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            state.windows.insert(w);
    state.zoom = window.canvas()->getZoom();
    state.fit = window.canvas()->getZoomFit();
    return state;
}

// Puts back what a command changed beside the design; notes what it opened.
QStringList restoreWindow(MainWindow &window, const WindowState &before)
{
    QStringList notes;
    RectsView *view = window.canvas();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && !before.windows.contains(w) && w->windowType() != Qt::ToolTip) {
            notes.append(QStringLiteral("opens the window %1 \"%2\"").arg(QString::fromLatin1(w->metaObject()->className()), w->windowTitle()));
            w->close();
        }
    if (window.modeSwitch()->mode() != DatabaseModeSwitch::LabelDesign)
        window.modeSwitch()->switchTabs(DatabaseModeSwitch::LabelDesign);
    view->clearEditable();
    view->setupCurrObjectTool(RectsView::SelectTool);
    for (QMenu *menu : menusOf(window)) {
        emit menu->aboutToShow();
        for (QAction *a : menu->actions()) {
            const auto was = before.checked.find(a);
            if (was != before.checked.end() && a->isEnabled() && a->isChecked() != was->second)
                a->trigger();
        }
        emit menu->aboutToHide();
    }
    // A fit command leaves its fit mode on, which would refit the zoom put back here and at
    // every later resize: the mode goes back with the zoom.
    if (view->getZoomFit() != before.fit) {
        static const std::map<int, int> fitEntry{{0, 2}, {3, 7}, {2, 8}, {1, 9}};
        const auto entry = fitEntry.find(before.fit);
        view->zoomMenuSelect(entry != fitEntry.end() ? entry->second : 2);
    }
    if (std::abs(view->getZoom() - before.zoom) > 1e-6)
        view->zoomChange(before.zoom);
    QCoreApplication::processEvents();
    return notes;
}

// A fingerprint of the design: what Undo must give back.
QString designPrint()
{
    double sum = 0;
    const GraphicList objects = canvas()->getRects();
    for (const GraphicPtr &o : objects) {
        const QRectF f = o->frameBounds();
        sum += f.x() * 3 + f.y() * 5 + f.width() * 7 + f.height() * 11 + o->angle();
    }
    return QStringLiteral("%1 %2 %3").arg(objects.size()).arg(canvas()->groups().size()).arg(sum, 0, 'f', 3);
}

// The longest time the window did not answer from the call until what it did is drawn and
// what it asked for aside has arrived; the growth of the resident peak meanwhile.
std::pair<double, double> measured(const std::function<void()> &call, int quietMs = 80)
{
    const qint64 before = residentKb();
    resetPeakMemory();
    Heartbeat beat;
    beat.start();
    call();
    settle(quietMs);
    const double ms = beat.stopMs();
    return {ms, double(peakKb() - before) / 1024.0};
}

// A drag step: the move given, then turns of the event loop until the canvas has drawn it.
double dragStep(const QPointF &to)
{
    PaintWatch watch;
    canvas()->installEventFilter(&watch);
    Heartbeat beat;
    beat.start();
    sendMouse(canvas(), QEvent::MouseMove, to);
    QElapsedTimer guard;
    guard.start();
    while (!watch.painted && guard.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    const double ms = beat.stopMs();
    canvas()->removeEventFilter(&watch);
    return ms;
}

// With WINDOW_ACTIONS_PERF_TIMES set, the moments each command and its Undo start and end
// are written (CLOCK_MONOTONIC seconds, as `perf record -k CLOCK_MONOTONIC` stamps its
// samples) for `perf report --time START,END`: the profile of the command alone.
void profiling(bool on)
{
    static const bool wanted = qEnvironmentVariableIsSet("WINDOW_ACTIONS_PERF_TIMES");
    if (!wanted)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(stderr, "%s %ld.%06ld\n", on ? "perf-start" : "perf-end", long(now.tv_sec), long(now.tv_nsec / 1000));
}

class Session
{
public:
    QString kindKey;
    QString original;
    QString working;
    QString print;
    std::map<QString, Figures> figures;
    // Told when the command itself is given, after the untimed preparation.
    std::function<void()> announce;

    void open()
    {
        RectsView *view = canvas();
        view->undoManager()->removeAllActions();
        view->wasChanged(false);
        view->emptyNewDoc();
        QCoreApplication::processEvents();
        QFile::remove(working);
        QFile::copy(original, working);
        prompts->nextPath = working;
        const auto [ms, peak] =
            measured([] { menuItem(&benchWindow(), QStringLiteral("File"), QStringLiteral("Open..."))->trigger(); });
        prompts->nextPath.clear();
        waitForPictures(view);
        Figures &open = figures[QStringLiteral("(design) File > Open...")];
        if (open.ms < 0) {
            open.ms = ms;
            open.peakMb = peak;
        }
        print = designPrint();
        selectAll(true);
    }

    void selectAll(bool timed = false)
    {
        const auto [ms, peak] = measured([] { canvas()->selectAll(); });
        if (timed) {
            Figures &select = figures[QStringLiteral("(design) Edit > Select All, from nothing")];
            select.ms = ms;
            select.peakMb = peak;
        }
        canvas()->undoManager()->removeAllActions();
    }

    // Gives a command on the design with everything selected, takes it back with Undo, and
    // puts the window back.
    void run(const Command &command)
    {
        MainWindow &window = benchWindow();
        RectsView *view = canvas();
        Figures result;
        const bool prepared = !command.prepare || command.prepare();
        view->undoManager()->removeAllActions();
        if (!prepared || !command.ready()) {
            figures[command.name] = result;
            afterwards();
            return;
        }
        const WindowState state = windowState(window);
        if (announce)
            announce();
        prompts->asked.clear();
        modalWatch->seen.clear();
        quitAsked = false;
        profiling(true);
        const auto [ms, peak] = measured(command.give);
        profiling(false);
        if (command.finish) {
            command.finish();
            settle(20);
        }
        result.ms = ms;
        result.peakMb = peak;
        QStringList notes = prompts->asked + modalWatch->seen;
        notes += restoreWindow(window, state);
        if (quitAsked)
            notes.append(QStringLiteral("quits"));
        if (view->undoManager()->canUndo()) {
            QAction *undo = menuItem(&window, QStringLiteral("Edit"), QStringLiteral("Undo"));
            profiling(true);
            result.undoMs = measured([undo] {
                                if (undo->isEnabled())
                                    undo->trigger();
                                else
                                    canvas()->undo();
                            }).first;
            profiling(false);
            for (int guard = 0; view->undoManager()->canUndo() && guard < 1000; ++guard)
                view->undo();
            settle(20);
        }
        result.note = notes.join(QStringLiteral("; "));
        figures[command.name] = result;
        afterwards();
    }

    // The design as it was opened, everything selected, nothing being edited.
    void afterwards()
    {
        RectsView *view = canvas();
        if (view->editedObject()) {
            view->clearEditable();
            view->setupCurrObjectTool(RectsView::SelectTool);
        }
        for (int guard = 0; view->undoManager()->canUndo() && guard < 1000; ++guard)
            view->undo();
        if (designPrint() != print)
            open();
        else if (view->selectedObjects().size() != view->layerGraphics().size())
            selectAll();
    }
};

// ---- the gestures ----

QList<Command> gestures()
{
    QList<Command> list;
    auto gesture = [&list](const QString &name, std::function<bool()> ready, std::function<void()> give) {
        Command command;
        command.name = QStringLiteral("(mouse) ") + name;
        command.budget = Budget::Gesture;
        command.ready = std::move(ready);
        command.give = std::move(give);
        list.append(command);
    };
    auto any = [] { return bool(clickableObject()); };
    gesture(QStringLiteral("click on an object, everything selected"), any, [] {
        const QPointF at = clickableObject()->frameBounds().center();
        sendMouse(canvas(), QEvent::MouseButtonPress, at);
        sendMouse(canvas(), QEvent::MouseButtonRelease, at);
    });
    gesture(QStringLiteral("click on the empty canvas, everything selected"), any, [] { clickOnEmptyCanvas(canvas()); });
    gesture(QStringLiteral("nudge with the arrow key"), any, [] {
        canvas()->setFocus();
        sendKey(canvas(), Qt::Key_Right);
    });
    // Drags: the press untimed on its own, each step and the release measured; and the steps
    // alone, the release untimed.
    auto drag = [&gesture, &list](const QString &what, std::function<bool()> ready, std::function<QPointF()> start,
                                  std::function<void()> before) {
        auto steps = [start, before] {
            if (before)
                before();
            const QPointF from = start();
            sendMouse(canvas(), QEvent::MouseButtonPress, from);
            QCoreApplication::processEvents();
            // The steps are timed inside the command's own figure; the longest is what counts.
            for (int i = 1; i <= 5; ++i)
                dragStep(from + QPointF(1.5 * i, 1.0 * i));
            return from + QPointF(7.5, 5.0);
        };
        gesture(what + QStringLiteral(": a step (longest of five) and the release"), ready, [steps] {
            sendMouse(canvas(), QEvent::MouseButtonRelease, steps());
        });
        auto last = std::make_shared<QPointF>();
        gesture(what + QStringLiteral(": a step alone (longest of five)"), ready, [steps, last] { *last = steps(); });
        list.last().finish = [last] { sendMouse(canvas(), QEvent::MouseButtonRelease, *last); };
    };
    drag(QStringLiteral("move drag"), [] { return bool(firstSelected()); }, [] { return firstSelected() ? firstSelected()->frameBounds().center() : QPointF(); }, {});
    drag(QStringLiteral("resize drag"), [] { return bool(firstSelected()) && firstSelected()->isResizable(); },
         [] { return KnobResize::knobPosition(firstSelected()->frameBounds(), 8); }, {});
    drag(QStringLiteral("rotate drag"), [] { return bool(firstSelected()); }, [] { return firstSelected()->frameBounds().topRight() + QPointF(4, 0); },
         [] { canvas()->setupCurrObjectTool(RectsView::RotateTool); });
    // Point editing: one path selected, a double click enters it; a point is dragged; a click
    // beside it leaves.
    auto onePath = [] {
        ColorPath *path = pathObject();
        if (!path)
            return false;
        for (const GraphicPtr &object : canvas()->getRects())
            if (object.get() == path) {
                canvas()->clearSelection();
                canvas()->selectRect(object);
            }
        QCoreApplication::processEvents();
        return true;
    };
    auto firstPoint = [] {
        QPointF points[3];
        pathObject()->bezierPath().elementAt(0, points);
        return points[0];
    };
    gesture(QStringLiteral("point editing: enter with a double click"), onePath, [firstPoint] {
        const QPointF at = firstPoint();
        sendMouse(canvas(), QEvent::MouseButtonPress, at);
        sendMouse(canvas(), QEvent::MouseButtonRelease, at);
        sendMouse(canvas(), QEvent::MouseButtonDblClick, at);
        sendMouse(canvas(), QEvent::MouseButtonRelease, at);
    });
    auto editing = [onePath, firstPoint] {
        if (!onePath())
            return false;
        const QPointF at = firstPoint();
        sendMouse(canvas(), QEvent::MouseButtonPress, at);
        sendMouse(canvas(), QEvent::MouseButtonRelease, at);
        sendMouse(canvas(), QEvent::MouseButtonDblClick, at);
        sendMouse(canvas(), QEvent::MouseButtonRelease, at);
        settle(50);
        return pathObject()->bezierEdit();
    };
    gesture(QStringLiteral("point editing: a step of a point's drag (longest of five) and the release"), editing, [firstPoint] {
        const QPointF from = firstPoint();
        sendMouse(canvas(), QEvent::MouseButtonPress, from);
        QCoreApplication::processEvents();
        for (int i = 1; i <= 5; ++i)
            dragStep(from + QPointF(1.0 * i, 0.5 * i));
        sendMouse(canvas(), QEvent::MouseButtonRelease, from + QPointF(5.0, 2.5));
    });
    gesture(QStringLiteral("point editing: leave with a click beside"), editing, [] { clickOnEmptyCanvas(canvas()); });
    gesture(QStringLiteral("type a letter into a text"), [] { return bool(textObject()); }, [] {
        const GraphicPtr box = textObject();
        const QPointF at = box->frameBounds().center();
        canvas()->clearSelection();
        canvas()->setFocus();
        // Into the text with a double click (untimed before the letter would be fairer, but
        // the user waits for both).
        sendMouse(canvas(), QEvent::MouseButtonPress, at);
        sendMouse(canvas(), QEvent::MouseButtonRelease, at);
        sendMouse(canvas(), QEvent::MouseButtonDblClick, at);
        sendMouse(canvas(), QEvent::MouseButtonRelease, at);
        QCoreApplication::processEvents();
        sendKey(canvas(), Qt::Key_X, QStringLiteral("x"));
    });
    return list;
}

// ---- the table ----

struct Row
{
    QString name;
    Budget budget = Budget::Command;
};

// How long a command may keep the window before its process is ended.
int limitSeconds = 120;

QString cell(const Figures *f, Budget budget)
{
    if (f && f->ms == -2)
        return QStringLiteral("crash!");
    if (f && f->ms == -3)
        return QStringLiteral(">%1s!").arg(limitSeconds);
    if (f && f->ms == -4)
        return QStringLiteral("(bench stuck)");
    if (!f || f->ms < 0)
        return QStringLiteral("-");
    const double limit = budget == Budget::Gesture ? 100.0 : 500.0;
    auto ms = [&](double v) {
        return (v >= 100 ? QString::number(v, 'f', 0) : QString::number(v, 'f', 1)) + (v > limit ? QStringLiteral("!") : QString());
    };
    QString text = ms(f->ms);
    if (f->undoMs >= 0)
        text += QLatin1Char('/') + ms(f->undoMs);
    return text;
}

void printTable(const QStringList &kinds, const std::map<QString, std::map<QString, Figures>> &all,
                const QList<Row> &rows, const std::map<QString, double> &peaks)
{
    std::printf("\nLongest time the window did not answer, ms (command/its Undo; '!' over budget: 100 ms for the mouse "
                "and keys, 500 ms for other commands; '-' not offered for the selection)\n\n");
    std::printf("| command |");
    for (const QString &k : kinds)
        std::printf(" %s |", qPrintable(k));
    std::printf("\n|---|");
    for (int i = 0; i < kinds.size(); ++i)
        std::printf("---:|");
    std::printf("\n");
    for (const Row &row : rows) {
        std::printf("| %s |", qPrintable(row.name));
        for (const QString &k : kinds) {
            const auto design = all.find(k);
            const Figures *f = nullptr;
            if (design != all.end()) {
                const auto found = design->second.find(row.name);
                if (found != design->second.end())
                    f = &found->second;
            }
            std::printf(" %s |", qPrintable(cell(f, row.budget)));
        }
        std::printf("\n");
    }
    std::printf("| peak resident memory while worked on, MB |");
    for (const QString &k : kinds)
        std::printf(" %.0f |", peaks.count(k) ? peaks.at(k) : -1.0);
    std::printf("\n");
    // The commands that asked for more memory than the design held.
    std::printf("\nCommands whose peak of resident memory grew by more than 100 MB:\n");
    for (const QString &k : kinds)
        if (all.count(k))
            for (const auto &[name, f] : all.at(k))
                if (f.peakMb > 100)
                    std::printf("  %s on %s: %.0f MB\n", qPrintable(name), qPrintable(k), f.peakMb);
    std::fflush(stdout);
}

// The figures of earlier runs, as WINDOW_ACTIONS_OUT wrote them, in one table.
int tableOfFiles(const QStringList &files)
{
    std::map<QString, std::map<QString, Figures>> all;
    std::map<QString, double> peaks;
    QStringList kinds;
    QList<Row> rows;
    QSet<QString> known;
    for (const QString &name : files) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(name));
            return 1;
        }
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QStringList parts = QString::fromUtf8(line).split(QLatin1Char('\t'));
            if (parts.size() < 6)
                continue;
            const QString kind = parts[0];
            if (!kinds.contains(kind))
                kinds.append(kind);
            if (parts[1] == QLatin1String("(peak)")) {
                peaks[kind] = parts[3].toDouble();
                continue;
            }
            Figures f;
            f.ms = parts[3].toDouble();
            f.undoMs = parts[4].toDouble();
            f.peakMb = parts[5].toDouble();
            all[kind][parts[1]] = f;
            if (!known.contains(parts[1])) {
                known.insert(parts[1]);
                rows.append({parts[1], parts[2] == QLatin1String("gesture") ? Budget::Gesture : Budget::Command});
            }
        }
    }
    printTable(kinds, all, rows, peaks);
    return 0;
}

// The window's commands again while a text box's text is edited in place, all its text
// selected (a double click into the box, then Edit > Select All): what the style commands and
// the text controls act on then.
QList<Command> whileEditingText(const QList<Command> &commands)
{
    auto editing = [] {
        const GraphicPtr box = textObject();
        if (!box)
            return false;
        RectsView *view = canvas();
        view->clearSelection();
        const QPointF at = box->frameBounds().center();
        sendMouse(view, QEvent::MouseButtonPress, at);
        sendMouse(view, QEvent::MouseButtonRelease, at);
        sendMouse(view, QEvent::MouseButtonDblClick, at);
        sendMouse(view, QEvent::MouseButtonRelease, at);
        settle(30);
        if (!view->editedObject()) {
            // A box too small to double-click beside its knobs is entered with the text tool.
            view->clearSelection();
            view->setupCurrObjectTool(RectsView::TextTool);
            sendMouse(view, QEvent::MouseButtonPress, at);
            sendMouse(view, QEvent::MouseButtonRelease, at);
            settle(30);
        }
        if (!view->editedObject())
            return false;
        menuItem(&benchWindow(), QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger();
        settle(30);
        return true;
    };
    QList<Command> list;
    for (const Command &command : commands) {
        if (command.budget == Budget::Gesture || command.name.startsWith(QLatin1String("Tool bar")))
            continue;
        Command copy = command;
        copy.name = QStringLiteral("(editing text) ") + command.name;
        copy.prepare = editing;
        list.append(copy);
    }
    return list;
}

// The commands from the window, with the four objects open and selected.
QList<Command> windowCommands(MainWindow &window, QStringList &notControls)
{
    QList<Command> commands;
    for (QAction *top : window.menuBar()->actions())
        if (top->menu() && top->isVisible())
            walkMenu(top->menu(), plainText(top->text()), {}, commands);
    walkToolBars(window, commands);
    if (QMenu *context = window.canvas()->contentMenu())
        walkMenu(context, QStringLiteral("Context menu"), {}, commands, [] { canvas()->prepareContentMenu(); });
    walkInspector(window, commands, notControls);
    commands += gestures();
    commands += whileEditingText(commands);
    // Two commands of one name (an item in two menus of the same title) keep apart.
    std::map<QString, int> seen;
    for (Command &c : commands)
        if (++seen[c.name] > 1)
            c.name += QStringLiteral(" (%1)").arg(seen[c.name]);
    const QString filter = qEnvironmentVariable("WINDOW_ACTIONS_FILTER");
    if (!filter.isEmpty())
        commands.erase(std::remove_if(commands.begin(), commands.end(),
                                      [&](const Command &c) { return !c.name.contains(filter, Qt::CaseInsensitive); }),
                       commands.end());
    return commands;
}

QString lineOf(const QString &name, Budget budget, const Figures &f)
{
    QString note = f.note;
    note.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringLiteral("R\t%1\t%2\t%3\t%4\t%5\t%6\n")
        .arg(name, budget == Budget::Gesture ? QStringLiteral("gesture") : QStringLiteral("command"))
        .arg(f.ms)
        .arg(f.undoMs)
        .arg(f.peakMb)
        .arg(note);
}

// In a process of its own: one design, the commands after `after` (all when empty), each
// announced before it is given ("S") and its figures after ("R"), so that the process that
// started it can tell which command did not come back.
int runDesign(MainWindow &window, const QList<Command> &commands, const QSet<QString> &skipped)
{
    Session session;
    session.kindKey = qEnvironmentVariable("WINDOW_ACTIONS_CHILD");
    session.original = qEnvironmentVariable("WINDOW_ACTIONS_DESIGN");
    session.working = workDir().filePath(QStringLiteral("Working.qkdoc"));
    const QString after = qEnvironmentVariable("WINDOW_ACTIONS_AFTER");
    QTextStream out(stdout);
    session.announce = [&out] {
        out << QStringLiteral("G\n");
        out.flush();
    };
    resetPeakMemory();
    session.open();
    qint64 peak = peakKb();
    out << QStringLiteral("C\t%1 (%2)\n").arg(session.kindKey).arg(window.canvas()->getRects().size());
    if (after.isEmpty()) {
        for (const QString &name : {QStringLiteral("(design) File > Open..."), QStringLiteral("(design) Edit > Select All, from nothing")})
            out << lineOf(name, Budget::Command, session.figures[name]);
    }
    out.flush();
    bool started = after.isEmpty();
    for (const Command &command : commands) {
        if (!started) {
            started = command.name == after;
            continue;
        }
        if (skipped.contains(command.name))
            continue;
        out << QStringLiteral("S\t%1\n").arg(command.name);
        out.flush();
        session.run(command);
        peak = std::max(peak, peakKb());
        out << lineOf(command.name, command.budget, session.figures[command.name]);
        out << QStringLiteral("P\t%1\n").arg(double(peak) / 1024.0);
        out.flush();
    }
    out << QStringLiteral("E\n");
    out.flush();
    return 0;
}

struct Column
{
    QString title;
    std::map<QString, Figures> figures;
    double peakMb = 0;
};

// One design worked on by processes of their own: a command that does not come back within
// the limit (or ends its process) is noted as such and the next process goes on after it.
Column designInChildren(const QString &kind, const QString &design, const QString &skipFile, int limitS)
{
    Column column;
    column.title = kind;
    QString after;
    int failedStarts = 0;
    for (int attempt = 0; attempt < 200; ++attempt) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("WINDOW_ACTIONS_CHILD"), kind);
        environment.insert(QStringLiteral("WINDOW_ACTIONS_DESIGN"), design);
        environment.insert(QStringLiteral("WINDOW_ACTIONS_SKIP"), skipFile);
        environment.insert(QStringLiteral("WINDOW_ACTIONS_AFTER"), after);
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {});
        if (!child.waitForStarted()) {
            std::fprintf(stderr, "could not start a process for %s\n", qPrintable(kind));
            return column;
        }
        QString running;
        bool given = false;
        bool ended = false;
        QByteArray pending;
        QElapsedTimer quiet;
        quiet.start();
        // Opening a large design before the first command takes its own time.
        qint64 allowance = qint64(limitS) * 1000 * 3;
        while (!ended) {
            if (!child.waitForReadyRead(1000)) {
                if (child.state() == QProcess::NotRunning)
                    break;
                if (quiet.elapsed() < allowance)
                    continue;
                child.kill();
                child.waitForFinished();
                break;
            }
            quiet.restart();
            pending += child.readAll();
            for (qsizetype nl = pending.indexOf('\n'); nl >= 0; nl = pending.indexOf('\n')) {
                const QStringList parts = QString::fromUtf8(pending.left(nl)).split(QLatin1Char('\t'));
                pending.remove(0, nl + 1);
                if (parts.first() == QLatin1String("C")) {
                    column.title = parts.value(1);
                } else if (parts.first() == QLatin1String("G")) {
                    given = true;
                } else if (parts.first() == QLatin1String("S")) {
                    running = parts.value(1);
                    given = false;
                    allowance = qint64(limitS) * 1000;
                    std::fprintf(stderr, "%s: %s ...", qPrintable(kind), qPrintable(running));
                } else if (parts.first() == QLatin1String("R") && parts.size() >= 7) {
                    Figures f;
                    f.ms = parts[3].toDouble();
                    f.undoMs = parts[4].toDouble();
                    f.peakMb = parts[5].toDouble();
                    f.note = parts[6];
                    column.figures[parts[1]] = f;
                    std::fprintf(stderr, " %s\n", qPrintable(cell(&f, parts[2] == QLatin1String("gesture") ? Budget::Gesture : Budget::Command)));
                    after = parts[1];
                    running.clear();
                    allowance = qint64(limitS) * 1000;
                } else if (parts.first() == QLatin1String("P")) {
                    column.peakMb = std::max(column.peakMb, parts.value(1).toDouble());
                } else if (parts.first() == QLatin1String("E")) {
                    ended = true;
                }
            }
        }
        child.waitForFinished(60000);
        if (ended)
            return column;
        if (running.isEmpty()) {
            std::fprintf(stderr, "%s: the process ended before its first command (%s, code %d, after %.0f s)\n",
                         qPrintable(kind), child.exitStatus() == QProcess::CrashExit ? "crashed" : "exited",
                         child.exitCode(), double(quiet.elapsed()) / 1000.0);
            // Once more: a process may fail to start while the machine is short of memory.
            if (++failedStarts < 2)
                continue;
            return column;
        }
        failedStarts = 0;
        Figures lost;
        lost.ms = child.exitStatus() == QProcess::CrashExit && quiet.elapsed() < qint64(limitS) * 1000 ? -2 : -3;
        lost.note = lost.ms == -2 ? QStringLiteral("the window ended (crash)") : QStringLiteral("not back within %1 s").arg(limitS);
        // Stuck in the bench's own untimed preparation or putting back: no figure of the command.
        if (!given) {
            lost.ms = -4;
            lost.note += QStringLiteral(" before the command was given");
        }
        column.figures[running] = lost;
        std::fprintf(stderr, " %s\n", qPrintable(lost.note));
        after = running;
    }
    return column;
}

} // namespace

int main(int argc, char **argv)
{
    const char *self = "bench_window_actions_bench";
    if (qEnvironmentVariableIsSet("WINDOW_ACTIONS_LIMIT"))
        limitSeconds = qEnvironmentVariableIntValue("WINDOW_ACTIONS_LIMIT");
    if (qEnvironmentVariableIsSet("WINDOW_ACTIONS_TABLE")) {
        QCoreApplication app(argc, argv);
        return tableOfFiles(qEnvironmentVariable("WINDOW_ACTIONS_TABLE").split(QLatin1Char(','), Qt::SkipEmptyParts));
    }
    if (!prepareRealScreen(self))
        return 2;
    QApplication app(argc, argv);
    if (!onRealScreen(self))
        return 2;
    auto installed = std::make_unique<RecordingPrompts>();
    prompts = installed.get();
    Prompts::install(std::move(installed));
    RectsView::setTerminatePromptFlag(true);
    MainWindow &window = benchWindow();
    window.quitApplication = [] { quitAsked = true; };
    ModalWatch watch;
    modalWatch = &watch;

    const bool child = qEnvironmentVariableIsSet("WINDOW_ACTIONS_CHILD");
    const int count = qEnvironmentVariableIsSet("WINDOW_ACTIONS_COUNT") ? qEnvironmentVariableIntValue("WINDOW_ACTIONS_COUNT")
                                                                         : 10000;
    const int limitS = qEnvironmentVariableIsSet("WINDOW_ACTIONS_LIMIT") ? qEnvironmentVariableIntValue("WINDOW_ACTIONS_LIMIT")
                                                                         : 120;
    QString folder = qEnvironmentVariable("WINDOW_ACTIONS_DIR");
    if (folder.isEmpty())
        folder = workDir().path();
    QDir().mkpath(folder);

    // The commands are taken from the window with the four objects open and selected, in
    // every process alike.
    Session floor;
    floor.kindKey = QStringLiteral("four");
    floor.original = fourObjects(*window.canvas(), folder);
    floor.working = workDir().filePath(QStringLiteral("Working four.qkdoc"));
    floor.open();
    QStringList notControls;
    QList<Command> commands = windowCommands(window, notControls);

    if (child) {
        QSet<QString> skipped;
        QFile list(qEnvironmentVariable("WINDOW_ACTIONS_SKIP"));
        if (list.open(QIODevice::ReadOnly))
            for (const QByteArray &line : list.readAll().split('\n'))
                if (!line.isEmpty())
                    skipped.insert(QString::fromUtf8(line));
        return runDesign(window, commands, skipped);
    }
    std::fprintf(stderr, "%lld commands from the window\n", qlonglong(commands.size()));

    // Each is given once on the four objects: what asks for a person is left out.
    QStringList skippedLines;
    QStringList skippedNames;
    for (Command &command : commands) {
        if (command.name.startsWith(QLatin1String("(editing text)")))
            continue;
        floor.run(command);
        const Figures &f = floor.figures[command.name];
        if (f.note.contains(QLatin1String("asks")) || f.note.contains(QLatin1String("runs the panel"))
            || f.note.contains(QLatin1String("opens the modal")) || f.note.contains(QLatin1String("quits"))) {
            skippedNames.append(command.name);
            skippedLines.append(QStringLiteral("  %1: %2").arg(command.name, f.note));
        }
    }
    // The same command while text is edited asks for the same person.
    for (const Command &command : std::as_const(commands))
        for (const QString &name : QStringList(skippedNames))
            if (command.name == QStringLiteral("(editing text) ") + name)
                skippedNames.append(command.name);
    const QString skipFile = workDir().filePath(QStringLiteral("left out.txt"));
    {
        QFile list(skipFile);
        list.open(QIODevice::WriteOnly);
        list.write(skippedNames.join(QLatin1Char('\n')).toUtf8());
    }
    std::fprintf(stderr, "%lld commands left out\n", qlonglong(skippedLines.size()));

    const QStringList wanted = qEnvironmentVariable("WINDOW_ACTIONS_KINDS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    QList<Row> rows = {{QStringLiteral("(design) File > Open..."), Budget::Command},
                       {QStringLiteral("(design) Edit > Select All, from nothing"), Budget::Command}};
    for (const Command &c : std::as_const(commands))
        if (!skippedNames.contains(c.name))
            rows.append({c.name, c.budget});
    std::map<QString, std::map<QString, Figures>> all;
    std::map<QString, double> peaks;
    QStringList columns;
    limitSeconds = limitS;
    QFile out(qEnvironmentVariable("WINDOW_ACTIONS_OUT"));
    const bool writing = !out.fileName().isEmpty() && out.open(QIODevice::Append);
    for (const DesignKind &kind : designKinds()) {
        if (qstrcmp(kind.key, "four") != 0 && !wanted.isEmpty() && !wanted.contains(QLatin1String(kind.key)))
            continue;
        std::fprintf(stderr, "%s: making the design\n", kind.key);
        const QString design = kind.make(*window.canvas(), folder, count);
        const Column column = designInChildren(QString::fromLatin1(kind.key), design, skipFile, limitS);
        columns.append(column.title);
        all[column.title] = column.figures;
        peaks[column.title] = column.peakMb;
        if (writing) {
            for (const Row &row : std::as_const(rows))
                if (column.figures.count(row.name))
                    out.write(QString(column.title + QLatin1Char('\t') + lineOf(row.name, row.budget, column.figures.at(row.name)).mid(2)).toUtf8());
            out.write(QStringLiteral("%1\t(peak)\tcommand\t%2\t0\t0\t\n").arg(column.title).arg(column.peakMb).toUtf8());
            out.flush();
        }
    }

    printTable(columns, all, rows, peaks);
    std::printf("\nLeft out (a person would choose in a panel, a dialog, or quit):\n%s\n", qPrintable(skippedLines.join(QLatin1Char('\n'))));
    if (!notControls.isEmpty())
        std::printf("\nInspector widgets that take no typed or clicked value (left out):\n  %s\n",
                    qPrintable(notControls.join(QStringLiteral("\n  "))));
    std::printf("\nWhat the commands opened or asked on the four objects:\n");
    for (const auto &[name, f] : floor.figures)
        if (!f.note.isEmpty())
            std::printf("  %s: %s\n", qPrintable(name), qPrintable(f.note));
    std::fflush(stdout);
    return 0;
}
