#pragma once
// The user's side of the application for the end-to-end scenarios: the real window built as the
// program builds it, fresh folders per scenario, and helpers that act only through what a user
// touches (menu items and tool buttons found by their text, mouse and keys on the widgets, the
// panels and alerts answered through the test prompts, modal dialogs answered on their widgets).
#include <gtest/gtest.h>

#include <QPointF>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>

#include "common/TestPrompts.h"
#include "common/TestSupport.h"

class QAbstractButton;
class QAction;
class QMenu;
class QTimer;
class QWidget;

namespace quillmark {
class MainWindow;
class RectsView;
}

namespace scenario {

// The prompts of the scenarios: the test prompts, plus one answer for whichever save panel
// comes next, the plain one or the one with a pop-up of file types (there the type whose
// extension the typed name ends in is chosen, as a user picks it in the pop-up).
class ScenarioPrompts : public qmtest::TestPrompts
{
public:
    void queueSave(const QString &path) { m_saves.push_back(path); }
    bool hasUnusedSaves() const { return !m_saves.empty(); }

    QString saveFile(QWidget *parent, const QString &title, const QString &directory,
                     const QString &defaultName, const QStringList &extensions) override;
    QString saveFileOfType(QWidget *parent, const QString &title, const QString &directory,
                           const QString &defaultName, const QList<FileType> &types, int &chosenType,
                           QWidget *accessory = nullptr) override;

private:
    std::deque<QString> m_saves;
};

class Scenario : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // ---- the program ----
    // Starts the application as its entry does: the language, every object kind, the screen
    // factor, then the main window shown and its launch finished.
    // `language` is the system's language the program finds at start.
    void launch(const QString &language = QStringLiteral("en"));
    // File > Quit inside the running event loop; true when the application quit. The window
    // is then gone, as after the program's exit. A quit that is refused still has to end the
    // test's loop, and Qt then announces the end (aboutToQuit) though the window stays.
    bool quit();
    quillmark::MainWindow *window() const { return m_window.get(); }
    quillmark::RectsView *canvas() const;
    ScenarioPrompts &prompts() { return *m_prompts; }
    // A path in this scenario's own folder of user files.
    QString userFile(const QString &name) const;
    // The user's data folder (XDG_DATA_HOME) of this scenario.
    QString dataHome() const;

    // ---- menus and buttons ----
    // A menu item by its path of titles, "File/Save As..." or "File/Open Recent/a.qkdoc";
    // each menu is opened (aboutToShow) on the way, as the user does. Fails when missing.
    QAction *menuItem(const QString &path);
    // Chooses a menu item; fails when it is missing or disabled.
    void choose(const QString &path);
    // The text the Edit menu shows for its first (undo) and second (redo) item when opened.
    QString undoItemText();
    QString redoItemText();
    bool undoItemEnabled();
    // The tool bar button whose tool tip is one of `tips` (the name changes as the tool bar
    // gains its pictures); it is clicked.
    void pickTool(const QStringList &tips);
    // A visible button of the window (or of an open dialog) whose text or tool tip is `text`.
    QAbstractButton *button(const QString &text, QWidget *within = nullptr);
    void click(QAbstractButton *button);
    // Types `search` into the stock browser's search field and clicks the catalogue row that
    // shows `row`.
    void chooseStockBySearch(const QString &search, const QString &row);

    // ---- the canvas, at page coordinates in points ----
    void clickCanvas(const QPointF &page, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void doubleClickCanvas(const QPointF &page);
    void dragCanvas(const QPointF &from, const QPointF &to);
    void moveOverCanvas(const QPointF &page);
    // Keys to `target`, else to the widget with the focus (the canvas after a click on it).
    void typeText(const QString &text, QWidget *target = nullptr);
    void pressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    // ---- modal dialogs and pop-up menus ----
    // The next modal dialog that opens is handed to `answer` from inside its own event loop;
    // `answer` must close it (accept, reject or click a button). A dialog that opens with no
    // answer waiting is rejected and the scenario fails.
    void whenDialogOpens(const QString &what, std::function<void(QWidget *dialog)> answer);
    // The next pop-up menu that opens is answered by choosing its item `item`.
    void whenMenuPopsUp(const QString &item);
    bool dialogsAnswered() const { return m_modals.empty(); }

    // ---- printing ----
    // A print command ("File/Print...", "File/Print Sequence...") as the user runs it: the
    // options sheet's Print button, then the print panel with the PDF file printer chosen and
    // `pdf` typed as its output file. `inPanel` may set more in the panel (its label range)
    // before Print is clicked.
    void printToPdf(const QString &command, const QString &pdf,
                    std::function<void(QWidget *panel)> inPanel = {});
    // File > Page Setup... with the paper whose name starts with `paper` chosen, then OK. The
    // answer is the paper the panel showed when it opened.
    QString pageSetup(const QString &paper);

    // Lets queued work (deferred deletes, queued connections, undo grouping) run, as the event
    // loop does between two user events.
    static void settle();

private:
    struct ModalAnswer
    {
        QString what;
        bool menu = false;
        QString item;
        std::function<void(QWidget *)> answer;
    };
    void watchModals();

    QString m_home;
    std::unique_ptr<quillmark::MainWindow> m_window;
    ScenarioPrompts *m_prompts = nullptr;
    std::unique_ptr<quillmark::Prompts> m_previousPrompts;
    std::deque<ModalAnswer> m_modals;
    QTimer *m_modalWatch = nullptr;
    QWidget *m_answering = nullptr;
};

} // namespace scenario
