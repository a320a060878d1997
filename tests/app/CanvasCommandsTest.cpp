// The canvas's commands as a user gives them in the window: arrow keys, Delete, the Edit
// menu's clipboard items through the system clipboard, Duplicate and Replicate with the
// preferences' offsets, the context menu, and rotation drags with the rotate tool.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QMimeData>
#include <QCheckBox>
#include <QDialog>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>

#include <cmath>

#include "app/AppTestSupport.h"
#include "database/merge/ColorField.h"
#include "database/store/Database.h"
#include "database/store/MergeContents.h"
#include "foundation/Preference.h"
#include "objects/Group.h"

using namespace quillmark;

namespace {

class CanvasCommands : public ::testing::Test
{
protected:
    CanvasCommands() : f(QStringLiteral("canvas-commands")) {}

    RectsView *canvas() const { return f.canvas(); }
    QAction *item(const QString &menu, const QString &title) const
    {
        QAction *action = f.menuItem(menu, title);
        EXPECT_NE(action, nullptr) << title.toStdString();
        return action;
    }
    void trigger(const QString &menu, const QString &title)
    {
        if (QAction *action = item(menu, title))
            action->trigger();
        apptest::settle();
    }
    void key(int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        canvas()->setFocus();
        QTest::keyClick(canvas(), Qt::Key(code), modifiers);
        apptest::settle();
    }
    GraphicPtr drawSelected(const QRectF &frame)
    {
        f.drawRect(frame);
        f.tool(RectsView::SelectTool)->trigger();
        f.click(frame.center());
        EXPECT_EQ(canvas()->selectedObjects().size(), 1);
        return canvas()->selectedObjects().isEmpty() ? nullptr : canvas()->selectedObjects().first();
    }
    // The pointer's place at an angle on a circle round a centre, turning clockwise on screen
    // as the angle grows (0 is right of the centre).
    static QPointF onCircle(const QPointF &centre, double radius, double degrees)
    {
        const double r = degrees * M_PI / 180.0;
        return centre + QPointF(radius * std::cos(r), radius * std::sin(r));
    }
    void rotationDrag(const QPointF &centre, double from, double to, double step, Qt::KeyboardModifiers modifiers)
    {
        f.tool(RectsView::RotateTool)->trigger();
        f.mouse(QEvent::MouseButtonPress, onCircle(centre, 60, from), modifiers);
        const double direction = to > from ? 1.0 : -1.0;
        for (double a = from + step * direction; direction * (to - a) >= -1e-9; a += step * direction)
            f.mouse(QEvent::MouseMove, onCircle(centre, 60, a), modifiers);
        f.mouse(QEvent::MouseButtonRelease, onCircle(centre, 60, to), modifiers);
        apptest::settle();
    }

    // The pointer at a place of the screen, as the window system reports it to the canvas.
    void screenMouse(QEvent::Type type, const QPoint &screen, Qt::KeyboardModifiers modifiers,
                     Qt::MouseButtons buttons = Qt::LeftButton)
    {
        const QPointF local = canvas()->mapFromGlobal(QPointF(screen));
        QMouseEvent event(type, local, QPointF(screen), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : buttons, modifiers);
        QApplication::sendEvent(canvas(), &event);
    }
    QPointF pageAtScreen(const QPoint &screen) const
    {
        return canvas()->pageToWidget().inverted().map(canvas()->mapFromGlobal(QPointF(screen)));
    }
    QMenu *rightClick(const QPointF &page)
    {
        const QPoint local = canvas()->pageToWidget().map(page).toPoint();
        QContextMenuEvent event(QContextMenuEvent::Mouse, local, canvas()->mapToGlobal(local));
        QApplication::sendEvent(canvas(), &event);
        apptest::settle();
        return canvas()->contentMenu();
    }

    apptest::WindowFixture f;
};

TEST_F(CanvasCommands, ArrowKeysNudgeOneAndTenPointsEachUndoable)
{
    const GraphicPtr box = drawSelected(QRectF(40, 40, 50, 30));
    const QPointF origin = box->frameBounds().topLeft();
    struct Case
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        QPointF delta;
    };
    const Case cases[] = {{Qt::Key_Right, Qt::NoModifier, {1, 0}},   {Qt::Key_Left, Qt::NoModifier, {-1, 0}},
                          {Qt::Key_Up, Qt::NoModifier, {0, -1}},     {Qt::Key_Down, Qt::NoModifier, {0, 1}},
                          {Qt::Key_Right, Qt::ShiftModifier, {10, 0}}, {Qt::Key_Left, Qt::ShiftModifier, {-10, 0}},
                          {Qt::Key_Up, Qt::ShiftModifier, {0, -10}},   {Qt::Key_Down, Qt::ShiftModifier, {0, 10}}};
    for (const Case &c : cases) {
        canvas()->wasChanged(false);
        key(c.key, c.modifiers);
        EXPECT_EQ(box->frameBounds().topLeft(), origin + c.delta) << c.key;
        EXPECT_TRUE(canvas()->isChanged());
        EXPECT_EQ(canvas()->undoManager()->undoActionName(), QStringLiteral("Move Object"));
        f.undo();
        EXPECT_EQ(box->frameBounds().topLeft(), origin) << c.key;
    }
    // Two nudges are two steps.
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    f.undo();
    EXPECT_EQ(box->frameBounds().topLeft(), origin + QPointF(1, 0));
}

TEST_F(CanvasCommands, NudgingTwoMembersOfAGroupMovesTheGroupOnce)
{
    f.drawRect(QRectF(20, 20, 30, 30));
    f.drawRect(QRectF(80, 20, 30, 30));
    trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    trigger(QStringLiteral("Arrange"), QStringLiteral("Group"));
    ASSERT_EQ(canvas()->selectedObjects().size(), 2);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(canvas()->getRects()[0]->frameBounds().topLeft(), QPointF(20, 30));
    EXPECT_EQ(canvas()->getRects()[1]->frameBounds().topLeft(), QPointF(80, 30));
}

TEST_F(CanvasCommands, DeleteLeavesLockedObjectsAndUndoBringsTheOthersBack)
{
    f.drawRect(QRectF(20, 20, 30, 30));
    f.drawRect(QRectF(80, 20, 30, 30));
    f.drawRect(QRectF(140, 20, 30, 30));
    const GraphicPtr locked = canvas()->getRects()[1];
    locked->setLocked(true);
    trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    ASSERT_EQ(canvas()->selectedObjects().size(), 3);

    key(Qt::Key_Backspace);
    ASSERT_EQ(canvas()->getRects().size(), 1);
    EXPECT_EQ(canvas()->getRects().first(), locked);
    EXPECT_TRUE(canvas()->selectedObjects().isEmpty());
    EXPECT_EQ(canvas()->undoManager()->undoActionName(), QStringLiteral("Remove Object"));
    f.undo();
    EXPECT_EQ(canvas()->getRects().size(), 3);

    // The Delete key does the same; with the rotate tool nothing goes.
    trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.tool(RectsView::RotateTool)->trigger();
    canvas()->deleteForward();
    EXPECT_EQ(canvas()->getRects().size(), 3);
    f.tool(RectsView::SelectTool)->trigger();
    trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    key(Qt::Key_Delete);
    EXPECT_EQ(canvas()->getRects().size(), 1);
}

TEST_F(CanvasCommands, EscapeTakesPointsOffThePathBeingBuilt)
{
    f.tool(RectsView::PathTool)->trigger();
    f.click(QPointF(20, 20));
    f.click(QPointF(80, 20));
    f.click(QPointF(80, 80));
    ASSERT_NE(RectsView::pathInProgress(), nullptr);
    const int before = RectsView::pathInProgress()->elementCount();
    key(Qt::Key_Escape);
    EXPECT_EQ(RectsView::pathInProgress()->elementCount(), before - 1);
    key(Qt::Key_Backspace);
    EXPECT_EQ(RectsView::pathInProgress()->elementCount(), before - 2);
    // Down to the first point, and no further.
    for (int i = 0; i < 5; ++i)
        key(Qt::Key_Escape);
    EXPECT_EQ(RectsView::pathInProgress()->elementCount(), 1);
    EXPECT_TRUE(canvas()->getRects().isEmpty());
    RectsView::discardPathInProgress();
}

TEST_F(CanvasCommands, CopyAndPasteGoThroughTheSystemClipboard)
{
    const GraphicPtr box = drawSelected(QRectF(30, 30, 40, 20));
    box->setFillColor(QColor(10, 120, 200));
    trigger(QStringLiteral("Edit"), QStringLiteral("Copy"));

    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    ASSERT_TRUE(mime->hasFormat(QStringLiteral("Quillmark Graphic Format")));
    // An independent reader sees the object list in the clipboard's property list.
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    ASSERT_FALSE(tool.isEmpty());
    const QString dir = qmtest::freshDir(QStringLiteral("clipboard"));
    QFile file(dir + QStringLiteral("/clip.plist"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(mime->data(QStringLiteral("Quillmark Graphic Format")));
    file.close();
    QProcess process;
    process.start(tool, {QStringLiteral("-i"), file.fileName(), QStringLiteral("-f"), QStringLiteral("xml")});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QByteArray xml = process.readAllStandardOutput();
    EXPECT_TRUE(xml.contains("<key>ObjectsList</key>")) << xml.left(400).toStdString();

    // Cut takes the object away; Paste brings a copy back where it was, selected.
    trigger(QStringLiteral("Edit"), QStringLiteral("Cut"));
    EXPECT_TRUE(canvas()->getRects().isEmpty());
    EXPECT_EQ(canvas()->undoManager()->undoActionName(), QStringLiteral("Cut"));
    trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));
    ASSERT_EQ(canvas()->getRects().size(), 1);
    const GraphicPtr pasted = canvas()->getRects().first();
    EXPECT_NE(pasted, box);
    EXPECT_EQ(pasted->frameBounds(), QRectF(30, 30, 40, 20));
    EXPECT_EQ(pasted->fillColor(), QColor(10, 120, 200));
    EXPECT_EQ(canvas()->selectedObjects(), GraphicList{pasted});
    EXPECT_EQ(canvas()->undoManager()->undoActionName(), QStringLiteral("Paste"));
    f.undo();
    EXPECT_TRUE(canvas()->getRects().isEmpty());
}

TEST_F(CanvasCommands, DuplicateAndReplicateUseThePreferences)
{
    drawSelected(QRectF(30, 30, 40, 20));
    trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    ASSERT_EQ(canvas()->getRects().size(), 2);
    EXPECT_EQ(canvas()->getRects()[1]->frameBounds(), QRectF(35, 35, 40, 20));
    EXPECT_EQ(canvas()->selectedObjects(), GraphicList{canvas()->getRects()[1]});
    EXPECT_EQ(canvas()->undoManager()->undoActionName(), QStringLiteral("Duplicate"));
    f.undo();
    ASSERT_EQ(canvas()->getRects().size(), 1);

    // Three copies 10 points apart, as the preferences say.
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setString(QStringLiteral("3"), QStringLiteral("Replicate"));
    defaults.setString(QStringLiteral("10"), QStringLiteral("Hor"));
    defaults.setString(QStringLiteral("10"), QStringLiteral("Vert"));
    f.window->preferencePanel()->awakeFromNib();
    f.click(QPointF(50, 40));
    trigger(QStringLiteral("Edit"), QStringLiteral("Replicate"));
    ASSERT_EQ(canvas()->getRects().size(), 4);
    EXPECT_EQ(canvas()->getRects()[1]->frameBounds().topLeft(), QPointF(30, 30));
    EXPECT_EQ(canvas()->getRects()[2]->frameBounds().topLeft(), QPointF(40, 40));
    EXPECT_EQ(canvas()->getRects()[3]->frameBounds().topLeft(), QPointF(50, 50));
    f.undo();
    EXPECT_EQ(canvas()->getRects().size(), 1);
}

TEST_F(CanvasCommands, ContextMenuOffersTheCommandsFieldsAndImageStyleOnce)
{
    const GraphicPtr box = drawSelected(QRectF(30, 30, 40, 40));
    box->setImage(QImage(8, 8, QImage::Format_ARGB32));
    canvas()->clearSelection();

    auto rightClick = [this](const QPointF &page) -> QMenu * {
        const QPoint local = canvas()->pageToWidget().map(page).toPoint();
        QContextMenuEvent event(QContextMenuEvent::Mouse, local, canvas()->mapToGlobal(local));
        QApplication::sendEvent(canvas(), &event);
        apptest::settle();
        return canvas()->contentMenu();
    };
    auto titles = [](QMenu *menu) {
        QStringList list;
        for (QAction *action : menu->actions())
            if (!action->isSeparator())
                list << action->text();
        return list;
    };
    QMenu *menu = rightClick(QPointF(50, 50));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    // The click chose the object under it.
    EXPECT_EQ(canvas()->selectedObjects(), GraphicList{box});
    QStringList expected = {"Cut", "Copy", "Paste", "Duplicate", "Delete", "Bring To Front", "Send To Back",
                            "Group", "Ungroup", "Fields", "Copy Image Style"};
    // A style copied by an earlier test of this run stays copied, as it does for the user.
    if (RectsView::copiedImageStyle())
        expected << "Paste Image Style";
    EXPECT_EQ(titles(menu), expected);
    QAction *fields = nullptr;
    for (QAction *action : menu->actions())
        if (action->data().toInt() == 11)
            fields = action;
    ASSERT_NE(fields, nullptr);
    ASSERT_NE(fields->menu(), nullptr);
    EXPECT_EQ(fields->menu()->actions().size(), MergeContents::fieldTitlesAndTags().size());
    const int fieldCount = int(fields->menu()->actions().size());
    menu->hide();

    // Copying the style offers its paste, and repeated clicks add nothing twice.
    for (QAction *action : menu->actions())
        if (action->text() == QLatin1String("Copy Image Style"))
            action->trigger();
    for (int i = 0; i < 3; ++i) {
        menu = rightClick(QPointF(50, 50));
        menu->hide();
    }
    EXPECT_EQ(titles(menu).mid(10), (QStringList{"Copy Image Style", "Paste Image Style"}));
    EXPECT_EQ(fields->menu()->actions().size(), fieldCount);

    // With two objects selected the image-style items go.
    f.drawRect(QRectF(100, 30, 30, 30));
    f.tool(RectsView::SelectTool)->trigger();
    trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    menu = rightClick(QPointF(50, 50));
    menu->hide();
    EXPECT_EQ(titles(menu), expected.mid(0, 10));
}

TEST_F(CanvasCommands, ShiftRotationStopsAtMultiplesOfFifteen)
{
    const GraphicPtr box = drawSelected(QRectF(100, 100, 40, 40));
    const QPointF centre(120, 120);
    rotationDrag(centre, 0, 50, 5, Qt::ShiftModifier);
    const float angle = box->angle();
    EXPECT_NE(angle, 0.0f);
    EXPECT_EQ(std::fmod(angle, 15.0f), 0.0f) << angle;
    EXPECT_LE(angle, 50.0f);
    EXPECT_EQ(canvas()->undoManager()->undoActionName(), QStringLiteral("Rotate Object(s)"));
    f.undo();
    EXPECT_EQ(box->angle(), 0.0f);

    // Less than 15 degrees turns nothing.
    rotationDrag(centre, 0, 12, 3, Qt::ShiftModifier);
    EXPECT_EQ(box->angle(), 0.0f);
}

TEST_F(CanvasCommands, ShiftRotationAcrossTheTopTurnsTheWayThePointerGoes)
{
    const GraphicPtr box = drawSelected(QRectF(100, 100, 40, 40));
    const QPointF centre(120, 120);
    // Straight up is -90 here; the pointer passes it going clockwise on screen.
    rotationDrag(centre, -95, -85, 10, Qt::ShiftModifier);
    EXPECT_EQ(box->angle(), 0.0f);
    rotationDrag(centre, -100, -80, 20, Qt::ShiftModifier);
    EXPECT_EQ(box->angle(), 15.0f);
    // Back the other way.
    rotationDrag(centre, -80, -100, 20, Qt::ShiftModifier);
    EXPECT_EQ(box->angle(), 0.0f);
}

TEST_F(CanvasCommands, SeveralObjectsTurnAndOrbitTheSelectionCentreAsOneStep)
{
    f.drawRect(QRectF(80, 100, 40, 40));  // centre (100, 120), left of the selection's centre
    f.drawRect(QRectF(140, 100, 40, 40)); // centre (160, 120)
    trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    const GraphicPtr left = canvas()->getRects()[0];
    const GraphicPtr right = canvas()->getRects()[1];
    const QPointF centre(130, 120);
    // A quarter turn clockwise on screen.
    rotationDrag(centre, 0, 90, 10, Qt::NoModifier);
    EXPECT_NEAR(left->angle(), 90.0, 0.01);
    EXPECT_NEAR(right->angle(), 90.0, 0.01);
    // Turned clockwise, what lay left of the centre now lies above it.
    const QPointF l = left->frameBounds().center();
    const QPointF r = right->frameBounds().center();
    EXPECT_NEAR(l.x(), 130.0, 0.5);
    EXPECT_NEAR(l.y(), 90.0, 0.5);
    EXPECT_NEAR(r.x(), 130.0, 0.5);
    EXPECT_NEAR(r.y(), 150.0, 0.5);
    f.undo();
    EXPECT_EQ(left->angle(), 0.0f);
    EXPECT_EQ(right->angle(), 0.0f);
    EXPECT_EQ(left->frameBounds(), QRectF(80, 100, 40, 40));
    EXPECT_EQ(right->frameBounds(), QRectF(140, 100, 40, 40));
}

TEST_F(CanvasCommands, QuarterTurnCentreAndLayerAreUndoable)
{
    const GraphicPtr box = drawSelected(QRectF(10, 10, 40, 20));
    canvas()->wasChanged(false);
    trigger(QStringLiteral("Arrange"), QStringLiteral("Rotate"));
    EXPECT_EQ(box->angle(), 90.0f);
    EXPECT_TRUE(canvas()->isChanged());
    f.undo();
    EXPECT_EQ(box->angle(), 0.0f);

    trigger(QStringLiteral("Arrange"), QStringLiteral("Center"));
    const QPointF labelCentre(canvas()->getLabel().width * 36.0, canvas()->getLabel().height * 36.0);
    EXPECT_EQ(box->frameBounds().center(), labelCentre);
    f.undo();
    EXPECT_EQ(box->frameBounds(), QRectF(10, 10, 40, 20));

    canvas()->selectLayer(0);
    EXPECT_EQ(canvas()->currentLayer(), 0);
    EXPECT_TRUE(canvas()->selectedObjects().isEmpty());
    EXPECT_EQ(canvas()->undoManager()->undoActionName(), QStringLiteral("Change Layer"));
    f.undo();
    EXPECT_EQ(canvas()->currentLayer(), 1);
}

TEST_F(CanvasCommands, ControlShiftDragPansTheCanvasUnderAHand)
{
    // The label stood upright and zoomed in: larger than the view both ways.
    ASSERT_NE(canvas()->outlets().cbLandscapeView, nullptr);
    canvas()->outlets().cbLandscapeView->click();
    apptest::settle();
    const GraphicPtr box = drawSelected(QRectF(20, 20, 30, 30));
    canvas()->clearSelection();
    trigger(QStringLiteral("View"), QStringLiteral("Zoom In"));
    canvas()->zoomChange(6.0);
    apptest::settle();
    QScrollArea *area = canvas()->outlets().scrollView;
    ASSERT_NE(area, nullptr);
    QScrollBar *horizontal = area->horizontalScrollBar();
    QScrollBar *vertical = area->verticalScrollBar();
    ASSERT_GE(horizontal->maximum(), 35);
    ASSERT_GE(vertical->maximum(), 120);
    horizontal->setValue(0);
    vertical->setValue(0);
    const int h0 = horizontal->value();
    const int v0 = vertical->value();
    canvas()->undoManager()->removeAllActions();
    canvas()->wasChanged(false);

    // Control (Meta here) and Shift: the open hand over the canvas, the closed one while
    // dragging, and the label follows the hand.
    const Qt::KeyboardModifiers panKeys = Qt::MetaModifier | Qt::ShiftModifier;
    const QPoint start = area->viewport()->mapToGlobal(area->viewport()->rect().center());
    screenMouse(QEvent::MouseMove, start, panKeys, Qt::NoButton);
    EXPECT_EQ(canvas()->cursor().shape(), Qt::OpenHandCursor);
    const QPointF grabbed = pageAtScreen(start);
    screenMouse(QEvent::MouseButtonPress, start, panKeys);
    EXPECT_EQ(canvas()->cursor().shape(), Qt::ClosedHandCursor);
    screenMouse(QEvent::MouseMove, start + QPoint(-10, -40), panKeys);
    screenMouse(QEvent::MouseMove, start + QPoint(-30, -90), panKeys);
    EXPECT_EQ(horizontal->value(), h0 + 30);
    EXPECT_EQ(vertical->value(), v0 + 90);
    const QPointF under = pageAtScreen(start + QPoint(-30, -90));
    EXPECT_NEAR(under.x(), grabbed.x(), 0.5);
    EXPECT_NEAR(under.y(), grabbed.y(), 0.5);
    // And back the other way.
    screenMouse(QEvent::MouseMove, start + QPoint(-20, -60), panKeys);
    EXPECT_EQ(horizontal->value(), h0 + 20);
    EXPECT_EQ(vertical->value(), v0 + 60);
    screenMouse(QEvent::MouseButtonRelease, start + QPoint(-20, -60), panKeys);
    apptest::settle();
    EXPECT_EQ(canvas()->cursor().shape(), Qt::OpenHandCursor);
    screenMouse(QEvent::MouseMove, start + QPoint(-20, -60), Qt::NoModifier, Qt::NoButton);
    EXPECT_EQ(canvas()->cursor().shape(), Qt::ArrowCursor);
    // Nothing of the design changed.
    EXPECT_TRUE(canvas()->selectedObjects().isEmpty());
    EXPECT_EQ(box->frameBounds(), QRectF(20, 20, 30, 30));
    EXPECT_FALSE(canvas()->undoManager()->canUndo());
    EXPECT_FALSE(canvas()->isChanged());

    // With exactly one object selected the drag is that object's: no hand, no panning.
    canvas()->selectRect(box);
    const int h1 = horizontal->value();
    screenMouse(QEvent::MouseMove, start, panKeys, Qt::NoButton);
    EXPECT_EQ(canvas()->cursor().shape(), Qt::ArrowCursor);
    screenMouse(QEvent::MouseButtonPress, start, panKeys);
    screenMouse(QEvent::MouseMove, start + QPoint(-60, 0), panKeys);
    screenMouse(QEvent::MouseButtonRelease, start + QPoint(-60, 0), panKeys);
    EXPECT_EQ(horizontal->value(), h1);
    EXPECT_EQ(box->frameBounds(), QRectF(20, 20, 30, 30));
}

TEST_F(CanvasCommands, AnObjectDraggedPastTheEdgeKeepsTheCanvasScrollingUnderThePointer)
{
    ASSERT_NE(canvas()->outlets().cbLandscapeView, nullptr);
    canvas()->outlets().cbLandscapeView->click();
    apptest::settle();
    const GraphicPtr box = drawSelected(QRectF(20, 20, 30, 30));
    trigger(QStringLiteral("View"), QStringLiteral("Zoom In"));
    canvas()->zoomChange(6.0);
    apptest::settle();
    QScrollArea *area = canvas()->outlets().scrollView;
    ASSERT_NE(area, nullptr);
    QScrollBar *vertical = area->verticalScrollBar();
    ASSERT_GE(vertical->maximum(), 120);
    area->horizontalScrollBar()->setValue(0);
    vertical->setValue(0);
    apptest::settle();

    // The box taken by its middle and held 20 pixels below the view, the pointer still.
    const QPoint grab = canvas()->mapToGlobal(canvas()->pageToWidget().map(box->frameBounds().center()).toPoint());
    const QPoint below(grab.x(), area->viewport()->mapToGlobal(QPoint(0, area->viewport()->height() + 20)).y());
    const QPointF grabOffset = box->frameBounds().center() - pageAtScreen(grab);
    screenMouse(QEvent::MouseButtonPress, grab, Qt::NoModifier);
    screenMouse(QEvent::MouseMove, below, Qt::NoModifier);
    // Each tick scrolls by how far the pointer lies beyond the edge, until the bar ends. A slow
    // machine gives fewer ticks a second, so wait for the ticks rather than for a time.
    const int goal = std::min(vertical->maximum(), 60);
    EXPECT_TRUE(QTest::qWaitFor([&] { return vertical->value() >= goal; }, 30000)) << vertical->value();
    // The box follows the point under the pointer, not where the pointer was before the scroll.
    const QPointF under = pageAtScreen(below) + grabOffset;
    EXPECT_NEAR(box->frameBounds().center().y(), under.y(), 2.0);
    screenMouse(QEvent::MouseButtonRelease, below, Qt::NoModifier);
    apptest::settle();
    EXPECT_NEAR(box->frameBounds().center().y(), under.y(), 2.0);
    f.undo();
    EXPECT_EQ(box->frameBounds(), QRectF(20, 20, 30, 30));

    // A dialog that opens while the button is held takes the release: the canvas stops
    // scrolling and the box stays where the last tick left it.
    vertical->setValue(0);
    apptest::settle();
    const QPoint again = canvas()->mapToGlobal(canvas()->pageToWidget().map(box->frameBounds().center()).toPoint());
    screenMouse(QEvent::MouseButtonPress, again, Qt::NoModifier);
    screenMouse(QEvent::MouseMove, QPoint(again.x(), below.y()), Qt::NoModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return vertical->value() > 0; }, 30000));
    QDialog dialog(f.window.get());
    dialog.setModal(true);
    dialog.show();
    QTest::qWait(60);
    const int stopped = vertical->value();
    const QRectF left = box->frameBounds();
    QTest::qWait(400);
    EXPECT_EQ(vertical->value(), stopped);
    EXPECT_EQ(box->frameBounds(), left);
    dialog.close();
    screenMouse(QEvent::MouseButtonRelease, QPoint(again.x(), below.y()), Qt::NoModifier);
    apptest::settle();
    f.undo();
    EXPECT_EQ(box->frameBounds(), QRectF(20, 20, 30, 30));
}

TEST_F(CanvasCommands, AGroupTurnedWithShiftGoesRoundClockwiseAsThePointerDoes)
{
    f.drawRect(QRectF(60, 100, 40, 40));  // centre (80, 120)
    f.drawRect(QRectF(110, 100, 40, 40)); // centre (130, 120)
    trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    trigger(QStringLiteral("Arrange"), QStringLiteral("Group"));
    ASSERT_EQ(canvas()->groups().size(), 1);
    const GroupPtr group = canvas()->groups().first();
    const GraphicPtr left = canvas()->getRects()[0];
    const GraphicPtr right = canvas()->getRects()[1];
    // Six steps of 15 degrees: a quarter turn clockwise on screen about the group's centre.
    rotationDrag(QPointF(105, 120), 0, 96, 16, Qt::ShiftModifier);
    EXPECT_NEAR(group->angle(), 90.0, 0.01);
    EXPECT_NEAR(left->angle(), 90.0, 0.01);
    EXPECT_NEAR(right->angle(), 90.0, 0.01);
    // What lay left of the centre lies above it now.
    EXPECT_NEAR(left->frameBounds().center().x(), 105.0, 0.5);
    EXPECT_NEAR(left->frameBounds().center().y(), 95.0, 0.5);
    EXPECT_NEAR(right->frameBounds().center().x(), 105.0, 0.5);
    EXPECT_NEAR(right->frameBounds().center().y(), 145.0, 0.5);
    EXPECT_NEAR(group->bounds().center().x(), 105.0, 0.01);
    EXPECT_NEAR(group->bounds().center().y(), 120.0, 0.01);
    f.undo();
    EXPECT_NEAR(group->angle(), 0.0, 0.01);
    EXPECT_NEAR(left->frameBounds().center().x(), 80.0, 0.01);
    EXPECT_NEAR(right->frameBounds().center().x(), 130.0, 0.01);
}

TEST_F(CanvasCommands, AGroupTurnedAboutTheSelectionsCentreTakesItsFrameAlong)
{
    f.drawRect(QRectF(60, 100, 40, 40));  // centre (80, 120)
    f.drawRect(QRectF(110, 100, 40, 40)); // centre (130, 120)
    trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    trigger(QStringLiteral("Arrange"), QStringLiteral("Group"));
    const GroupPtr group = canvas()->groups().first();
    const GraphicPtr left = canvas()->getRects()[0];
    f.drawRect(QRectF(200, 100, 40, 40)); // centre (220, 120)
    const GraphicPtr loose = canvas()->getRects()[2];
    trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    ASSERT_EQ(canvas()->selectedObjects().size(), 3);
    // The selection's centre is (150, 120); one step of 15 degrees clockwise with Shift.
    rotationDrag(QPointF(150, 120), 0, 20, 20, Qt::ShiftModifier);
    ASSERT_NEAR(group->angle(), 15.0, 0.01);
    const double r = 15.0 * M_PI / 180.0;
    // The group's centre went round the selection's centre, above it since it lay left.
    const QPointF groupCentre = group->bounds().center();
    EXPECT_NEAR(groupCentre.x(), 150.0 - 45.0 * std::cos(r), 0.01);
    EXPECT_NEAR(groupCentre.y(), 120.0 - 45.0 * std::sin(r), 0.01);
    EXPECT_EQ(group->bounds().size(), QSizeF(90, 40));
    // Its members kept their places in the frame, turned with it.
    const QPointF member = left->frameBounds().center();
    EXPECT_NEAR(member.x(), groupCentre.x() - 25.0 * std::cos(r), 0.01);
    EXPECT_NEAR(member.y(), groupCentre.y() - 25.0 * std::sin(r), 0.01);
    // The loose object alone only turns.
    EXPECT_EQ(loose->angle(), 15.0f);
    EXPECT_EQ(loose->frameBounds(), QRectF(200, 100, 40, 40));
    f.undo();
    EXPECT_NEAR(group->bounds().center().x(), 105.0, 0.01);
    EXPECT_NEAR(group->bounds().center().y(), 120.0, 0.01);
    EXPECT_NEAR(left->frameBounds().center().x(), 80.0, 0.01);
    EXPECT_NEAR(left->frameBounds().center().y(), 120.0, 0.01);
}

TEST_F(CanvasCommands, FieldsSubmenuRetypesTheSelectedMergeFieldAsOneStep)
{
    // A current database with the default fields.
    const QString path = qmtest::freshDir(QStringLiteral("retype-fields")) + QStringLiteral("/Guests.sqlite");
    QString error;
    ASSERT_TRUE(Database::createDatabaseAtPath(path, &error)) << error.toStdString();
    std::unique_ptr<Database> db = Database::openDatabaseAtPath(path, &error);
    ASSERT_TRUE(db) << error.toStdString();
    struct Release
    {
        Database *db;
        ~Release()
        {
            if (Database::currentDatabase() == db)
                Database::setCurrentDatabase(nullptr);
        }
    } release{db.get()};

    // A "Full Name" pair placed with the merge-field tool, then selected.
    canvas()->addFieldType(100);
    f.click(QPointF(60, 20));
    ASSERT_EQ(canvas()->getRects().size(), 2);
    const GraphicPtr title = canvas()->getRects().first();
    const GraphicPtr value = canvas()->getRects().last();
    f.click(value->frameBounds().center());
    ASSERT_EQ(canvas()->selectedObjects().size(), 2);
    const double widthBefore = value->frameBounds().width();
    canvas()->wasChanged(false);

    // Another text field of the list.
    const QList<tableField> fields = MergeContents::fieldTitlesAndTags();
    int chosen = -1;
    for (int i = 0; i < fields.size() && chosen < 0; ++i)
        if (fields[i].pk != 100 && fields[i].title != QLatin1String("Photo")
            && ColorField::titleText(fields[i].pk).size() != ColorField::titleText(100).size())
            chosen = i;
    ASSERT_GE(chosen, 0);
    const int pk = fields[chosen].pk;

    QMenu *menu = rightClick(value->frameBounds().center());
    ASSERT_NE(menu, nullptr);
    QMenu *submenu = nullptr;
    for (QAction *action : menu->actions())
        if (action->data().toInt() == 11)
            submenu = action->menu();
    ASSERT_NE(submenu, nullptr);
    ASSERT_EQ(submenu->actions().size(), fields.size());
    // The pair is neither grouped again nor broken up from here, as from the Arrange menu.
    for (QAction *action : menu->actions()) {
        if (action->text() == QLatin1String("Group") || action->text() == QLatin1String("Ungroup")) {
            EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
        } else if (action->text() == QLatin1String("Copy")) {
            EXPECT_TRUE(action->isEnabled());
        }
    }
    submenu->actions()[chosen]->trigger();
    menu->hide();
    apptest::settle();
    EXPECT_EQ(title->fieldPk(), pk);
    EXPECT_EQ(value->fieldPk(), pk);
    EXPECT_EQ(canvas()->getRects().size(), 2);
    EXPECT_EQ(canvas()->selectedObjects().size(), 2);
    // The value shows the new field's title and takes its width.
    EXPECT_NE(value->frameBounds().width(), widthBefore);
    EXPECT_TRUE(title->isHidden());
    EXPECT_TRUE(canvas()->isChanged());
    EXPECT_EQ(canvas()->undoManager()->undoActionName(), QStringLiteral("Change Field Type"));
    f.undo();
    EXPECT_EQ(title->fieldPk(), 100);
    EXPECT_EQ(value->fieldPk(), 100);
    EXPECT_NEAR(value->frameBounds().width(), widthBefore, 0.01);

    // With a rectangle selected the same item places a new pair at the next click.
    const GraphicPtr box = drawSelected(QRectF(150, 80, 30, 30));
    menu = rightClick(box->frameBounds().center());
    submenu->actions()[chosen]->trigger();
    menu->hide();
    apptest::settle();
    EXPECT_EQ(canvas()->getCurrToolClass(), int(RectsView::FieldTool));
    EXPECT_TRUE(canvas()->selectedObjects().isEmpty());
    f.click(QPointF(60, 120));
    ASSERT_EQ(canvas()->getRects().size(), 5);
    EXPECT_EQ(canvas()->getRects().last()->fieldPk(), pk);
}

} // namespace

