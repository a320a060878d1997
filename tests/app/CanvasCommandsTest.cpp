// The canvas's commands as a user gives them in the window: arrow keys, Delete, the Edit
// menu's clipboard items through the system clipboard, Duplicate and Replicate with the
// preferences' offsets, the context menu, and rotation drags with the rotate tool.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>

#include "app/AppTestSupport.h"
#include "database/MergeContents.h"
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
    void undo()
    {
        f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
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
        undo();
        EXPECT_EQ(box->frameBounds().topLeft(), origin) << c.key;
    }
    // Two nudges are two steps.
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    undo();
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
    undo();
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
    undo();
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
    undo();
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
    undo();
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
    const QStringList expected = {"Cut", "Copy", "Paste", "Duplicate", "Delete", "Bring To Front", "Send To Back",
                                  "Group", "Ungroup", "Fields", "Copy Image Style"};
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
    undo();
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
    undo();
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
    undo();
    EXPECT_EQ(box->angle(), 0.0f);

    trigger(QStringLiteral("Arrange"), QStringLiteral("Center"));
    const QPointF labelCentre(canvas()->getLabel().width * 36.0, canvas()->getLabel().height * 36.0);
    EXPECT_EQ(box->frameBounds().center(), labelCentre);
    undo();
    EXPECT_EQ(box->frameBounds(), QRectF(10, 10, 40, 20));

    canvas()->selectLayer(0);
    EXPECT_EQ(canvas()->currentLayer(), 0);
    EXPECT_TRUE(canvas()->selectedObjects().isEmpty());
    EXPECT_EQ(canvas()->undoManager()->undoActionName(), QStringLiteral("Change Layer"));
    undo();
    EXPECT_EQ(canvas()->currentLayer(), 1);
}

} // namespace
