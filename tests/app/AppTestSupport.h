#pragma once
// The whole window as the program builds it, with fresh user defaults, every object kind
// registered and the dialogs answered by TestPrompts; helpers that act as a user does: menu
// items found by their text, mouse presses on the canvas in page points.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QTextCursor>
#include <QToolBar>
#include <QTest>

#include <memory>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "common/TestPrompts.h"
#include "objects/ColorRect.h"
#include "objects/PictureWorker.h"
#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "platform/UserDefaults.h"

namespace apptest {

// Events handled until the window is quiet again, a picture being decoded for placing
// included.
inline void settle()
{
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
    // Waiting handles events that may close any canvas: each is watched through a guard.
    QList<QPointer<quillmark::RectsView>> canvases;
    for (QWidget *widget : QApplication::allWidgets())
        if (auto *canvas = qobject_cast<quillmark::RectsView *>(widget))
            canvases.append(canvas);
    for (const QPointer<quillmark::RectsView> &canvas : canvases)
        EXPECT_TRUE(QTest::qWaitFor([&canvas] { return !canvas || !canvas->isLoadingPicture(); }, 60000))
            << "a picture was still loading";
    QCoreApplication::processEvents();
}

// The widget (the part `rect` of it, all of it when empty) as it shows once the pictures its
// drawing asked to be made aside have come: a drawing that asks for none ends the wait.
inline QImage grabDrawn(QWidget *widget, const QRect &rect = QRect())
{
    QImage shown;
    for (int round = 0; round < 20; ++round) {
        settle();
        shown = widget->grab(rect.isNull() ? widget->rect() : rect).toImage();
        if (!quillmark::PictureWorker::busy())
            break;
        quillmark::PictureWorker::waitUntilDone();
    }
    return shown;
}

class WindowFixture
{
public:
    explicit WindowFixture(const QString &name, const QString &language = QStringLiteral("en"))
    {
        quillmark::UserDefaults::resetStandardForTesting(qmtest::freshDir(name) + QStringLiteral("/defaults.ini"));
        quillmark::Language::reset(qmtest::resourcesDir(), language);
        quillmark::Language::initialize();
        quillmark::registerAllKinds();
        quillmark::RectsView::setTerminatePromptFlag(true);
        window = std::make_unique<quillmark::MainWindow>();
        window->quitApplication = [this] {
            ++quits;
            // What QApplication::quit does first.
            QApplication::closeAllWindows();
        };
        window->show();
        QApplication::setActiveWindow(window.get());
        settle();
        canvas()->undoManager()->removeAllActions();
        prompts->clear();
    }
    ~WindowFixture()
    {
        window.reset();
        quillmark::RectsView::setTerminatePromptFlag(true);
        quillmark::Language::reset();
    }

    quillmark::RectsView *canvas() const { return window->canvas(); }

    // The item of a menu of the menu bar, by the menu's and the item's text.
    QAction *menuItem(const QString &menu, const QString &item) const
    {
        for (QAction *top : window->menuBar()->actions()) {
            if (!top->menu() || top->menu()->title() != menu)
                continue;
            for (QAction *action : top->menu()->actions())
                if (action->text() == item)
                    return action;
        }
        return nullptr;
    }
    // The item of a menu whose text starts so ("Undo" finds "Undo Create Object").
    QAction *menuItemStartingWith(const QString &menu, const QString &start) const
    {
        for (QAction *top : window->menuBar()->actions()) {
            if (!top->menu() || top->menu()->title() != menu)
                continue;
            for (QAction *action : top->menu()->actions())
                if (action->text().startsWith(start))
                    return action;
        }
        return nullptr;
    }

    // Triggers a menu bar item found by its text; a missing item fails the test.
    void trigger(const QString &menu, const QString &title)
    {
        QAction *action = menuItem(menu, title);
        ASSERT_NE(action, nullptr) << title.toStdString();
        action->trigger();
        settle();
    }
    // Triggers an enabled item of a submenu of the menu bar's menu, its menu shown first so that
    // it is filled and validated as a user opening it sees it.
    void triggerIn(const QString &menu, const QString &submenu, const QString &title)
    {
        QAction *holder = menuItem(menu, submenu);
        ASSERT_NE(holder, nullptr) << submenu.toStdString();
        ASSERT_NE(holder->menu(), nullptr);
        emit holder->menu()->aboutToShow();
        for (QAction *action : holder->menu()->actions()) {
            if (action->text() == title) {
                ASSERT_TRUE(action->isEnabled()) << title.toStdString();
                action->trigger();
                settle();
                return;
            }
        }
        FAIL() << title.toStdString();
    }
    // Edit > Undo, whatever it is named after.
    void undo()
    {
        menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
        settle();
    }
    // A double click with the selection tool that starts editing the text of the object under it.
    void editText(const QPointF &inside);

    void mouse(QEvent::Type type, const QPointF &page, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        quillmark::RectsView *view = canvas();
        const QPointF local = view->pageToWidget().map(page);
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, local, view->mapToGlobal(local), Qt::LeftButton, buttons, modifiers);
        QApplication::sendEvent(view, &event);
    }
    // The pointer moving over the canvas with no button held.
    void hover(const QPointF &page, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        quillmark::RectsView *view = canvas();
        const QPointF local = view->pageToWidget().map(page);
        QMouseEvent event(QEvent::MouseMove, local, view->mapToGlobal(local), Qt::NoButton, Qt::NoButton, modifiers);
        QApplication::sendEvent(view, &event);
    }
    void click(const QPointF &page, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        mouse(QEvent::MouseButtonPress, page, modifiers);
        mouse(QEvent::MouseButtonRelease, page, modifiers);
        settle();
    }
    void dragFromTo(const QPointF &a, const QPointF &b, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        mouse(QEvent::MouseButtonPress, a, modifiers);
        mouse(QEvent::MouseMove, (a + b) / 2.0, modifiers);
        mouse(QEvent::MouseMove, b, modifiers);
        mouse(QEvent::MouseButtonRelease, b, modifiers);
        settle();
    }
    // Draws a rectangle with the tool bar's rectangle tool.
    void drawRect(const QRectF &frame);
    // The tool bar button of a tool (its tool tip names it).
    QAction *toolButton(const QString &toolTip) const;
    // The tool bar button of a tool number (RectsView::Tool).
    QAction *tool(int number) const;

    qmtest::ScopedTestPrompts prompts;
    std::unique_ptr<quillmark::MainWindow> window;
    int quits = 0;
};

inline QAction *WindowFixture::toolButton(const QString &toolTip) const
{
    for (QToolBar *bar : window->findChildren<QToolBar *>())
        for (QAction *action : bar->actions())
            if (action->toolTip() == toolTip)
                return action;
    return nullptr;
}

inline QAction *WindowFixture::tool(int number) const
{
    for (QToolBar *bar : window->findChildren<QToolBar *>())
        for (QAction *action : bar->actions())
            if (action->isCheckable() && action->data().isValid() && action->data().toInt() == number)
                return action;
    return nullptr;
}

inline void WindowFixture::editText(const QPointF &inside)
{
    tool(quillmark::RectsView::SelectTool)->trigger();
    mouse(QEvent::MouseButtonPress, inside);
    mouse(QEvent::MouseButtonRelease, inside);
    mouse(QEvent::MouseButtonDblClick, inside);
    mouse(QEvent::MouseButtonRelease, inside);
    settle();
}

// The font of the character at `position` of an object's text.
inline QFont fontAt(const quillmark::GraphicPtr &graphic, int position)
{
    QTextCursor cursor(graphic->textStorage());
    cursor.setPosition(position + 1);
    return cursor.charFormat().font();
}

inline void WindowFixture::drawRect(const QRectF &frame)
{
    if (QAction *rect = tool(quillmark::RectsView::RectTool))
        rect->trigger();
    dragFromTo(frame.topLeft(), frame.bottomRight());
}

} // namespace apptest
