// Drags of a whole selection of mixed kinds through the window's mouse events: a move, a
// resize of one object among them, a turn and a rubber band. Midway and once released each
// shows what a drawing of the canvas made then from nothing shows (the window keeps pictures
// of what the drag leaves alone and of what it moves, drawn from the pictures the screen keeps
// of shadows, barcodes and address blocks; a turn of groups turns each about its own middle,
// from pictures of each group); at the release every object is where the drag took it (the
// rest where they were), and one Undo puts every object back.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

#include "app/AppTestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "common/TestSupport.h"
#include "database/merge/ColorAddress.h"
#include "database/merge/ColorField.h"
#include "database/merge/GroupField.h"
#include "database/merge/MergeFieldTool.h"
#include "objects/ColorLine.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/KnobResize.h"
#include "objects/PictureWorker.h"
#include "platform/BezierPath.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

struct DragPlace
{
    QRectF frame;
    float angle = 0.0f;
};

// A group's own frame and angle, which its knobs and its next turn go by.
struct GroupPlace
{
    QRectF bounds;
    float angle = 0.0f;
};

// Pixels whose colour differs from the other picture's by more than `tolerance` in a channel.
int differingPixels(const QImage &a, const QImage &b, int tolerance)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size())
        return x.width() * x.height();
    int count = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const QRgb *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column)
            if (std::max({std::abs(qRed(p[column]) - qRed(q[column])), std::abs(qGreen(p[column]) - qGreen(q[column])),
                          std::abs(qBlue(p[column]) - qBlue(q[column]))})
                > tolerance)
                ++count;
    }
    return count;
}

class DragPicturesWindow : public ::testing::Test
{
protected:
    DragPicturesWindow() : f(QStringLiteral("drag-pictures")) {}

    RectsView *canvas() { return f.canvas(); }

    template <typename Object>
    std::shared_ptr<Object> add(std::shared_ptr<Object> object)
    {
        object->setPageName(canvas()->getCurrPageName());
        canvas()->addGraphic(object);
        return object;
    }

    // Rows of filled rectangles, ovals with text, lines, paths, text boxes, stroked
    // rectangles of two colours, shadowed rectangles, barcodes and address blocks: enough
    // objects for the window to keep pictures of a drag.
    void makeDesign()
    {
        for (int i = 0; i < 54; ++i) {
            const QRectF frame(8 + (i % 8) * 22, 8 + (i / 8) * 18, 18, 13);
            switch (i % 9) {
            case 0: {
                auto rect = add(ColorRect::create(frame));
                rect->setDrawsFill(true);
                rect->setFillColor(QColor::fromHsv(i * 7 % 360, 140, 220));
                break;
            }
            case 1: {
                auto oval = add(ColorOval::create(frame));
                oval->textStorage()->setDefaultFont(qmtest::testFont(5));
                oval->textStorage()->setPlainText(QStringLiteral("oval %1").arg(i));
                break;
            }
            case 2:
                add(ColorLine::create(frame));
                break;
            case 3: {
                auto path = ColorPath::create(frame);
                BezierPath zigzag;
                zigzag.moveTo(frame.topLeft());
                zigzag.lineTo(frame.bottomLeft() + QPointF(6, 0));
                zigzag.lineTo(frame.topRight() - QPointF(5, 0));
                zigzag.lineTo(frame.bottomRight());
                path->setBezierPath(zigzag);
                path->setStrokeLineWidth(1.5f);
                add(path);
                break;
            }
            case 4: {
                auto box = add(ColorRect::create(frame));
                box->textStorage()->setDefaultFont(qmtest::testFont(6));
                box->textStorage()->setPlainText(QStringLiteral("Text %1").arg(i));
                break;
            }
            case 5: {
                auto rect = add(ColorRect::create(frame));
                rect->setDrawsFill(true);
                rect->setFillColor(QColor(40, 120, 200));
                rect->setFillColor2(QColor(240, 200, 40));
                rect->setStrokeLineWidth(2.0f);
                break;
            }
            case 6: {
                auto rect = add(ColorRect::create(frame));
                rect->setDrawsFill(true);
                rect->setFillColor(QColor(200, 60, 60));
                rect->setDrawsShadow(true);
                rect->setShadowColor(Qt::black);
                rect->setShadowDistance(3);
                rect->setShadowBlur(2);
                break;
            }
            case 7: {
                auto barcode = ColorBarcode::create(frame);
                TBarInfo info = barcode->getBarInfo();
                info.BarStr = QStringLiteral("QM%1").arg(i).toStdString();
                barcode->setBarInfo(info);
                barcode->setFrameBounds(frame);
                add(barcode);
                break;
            }
            default: {
                auto block = ColorAddress::create(frame);
                block->setQa(TQuickAddress());
                block->setFrameBounds(frame);
                add(block);
                break;
            }
            }
        }
        canvas()->zoomChange(2.0);
        apptest::settle();
        canvas()->undoManager()->removeAllActions();
    }

    // Groups of a filled rectangle, an oval with text, a line and, in turn, a barcode or a
    // shadowed rectangle, each group made through the canvas; a few loose objects beside them.
    void makeGroupedDesign()
    {
        for (int g = 0; g < 12; ++g) {
            const QPointF at(8 + (g % 4) * 46, 8 + (g / 4) * 36);
            auto rect = add(ColorRect::create(QRectF(at, QSizeF(18, 13))));
            rect->setDrawsFill(true);
            rect->setFillColor(QColor::fromHsv(g * 29 % 360, 140, 220));
            auto oval = add(ColorOval::create(QRectF(at + QPointF(21, 0), QSizeF(18, 13))));
            oval->textStorage()->setDefaultFont(qmtest::testFont(5));
            oval->textStorage()->setPlainText(QStringLiteral("g%1").arg(g));
            GraphicPtr line = add(ColorLine::create(QRectF(at + QPointF(0, 16), QSizeF(18, 13))));
            GraphicPtr fourth;
            if (g % 2 == 0) {
                auto barcode = ColorBarcode::create(QRectF(at + QPointF(21, 16), QSizeF(18, 13)));
                TBarInfo info = barcode->getBarInfo();
                info.BarStr = QStringLiteral("G%1").arg(g).toStdString();
                barcode->setBarInfo(info);
                barcode->setFrameBounds(QRectF(at + QPointF(21, 16), QSizeF(18, 13)));
                fourth = add(barcode);
            } else {
                auto shadowed = add(ColorRect::create(QRectF(at + QPointF(21, 16), QSizeF(18, 13))));
                shadowed->setDrawsFill(true);
                shadowed->setFillColor(QColor(200, 60, 60));
                shadowed->setDrawsShadow(true);
                shadowed->setShadowColor(Qt::black);
                shadowed->setShadowDistance(3);
                shadowed->setShadowBlur(2);
                fourth = shadowed;
            }
            canvas()->clearSelection();
            for (const GraphicPtr &member : GraphicList{rect, oval, line, fourth})
                canvas()->selectRect(member);
            canvas()->group();
        }
        for (int i = 0; i < 4; ++i) {
            auto loose = add(ColorRect::create(QRectF(8 + i * 46, 120, 30, 10)));
            loose->setDrawsFill(true);
            loose->setFillColor(QColor(40, 120, 200));
        }
        canvas()->zoomChange(2.0);
        apptest::settle();
        canvas()->undoManager()->removeAllActions();
    }

    // `count` groups of two small filled rectangles, made through the canvas, in rows.
    void makeManyGroups(int count)
    {
        for (int g = 0; g < count; ++g) {
            const QPointF at(6 + (g % 20) * 9.5, 6 + (g / 20) * 7.5);
            auto left = add(ColorRect::create(QRectF(at, QSizeF(4, 5))));
            left->setDrawsFill(true);
            left->setFillColor(QColor::fromHsv(g * 13 % 360, 160, 210));
            auto right = add(ColorRect::create(QRectF(at + QPointF(4.5, 1), QSizeF(3, 4))));
            right->setDrawsFill(true);
            right->setFillColor(QColor(60, 60, 60));
            canvas()->clearSelection();
            canvas()->selectRect(left);
            canvas()->selectRect(right);
            canvas()->group();
        }
        canvas()->zoomChange(2.0);
        apptest::settle();
        canvas()->undoManager()->removeAllActions();
    }

    // Merge field pairs stacked nearly on one spot, their titles shown, made through the
    // canvas: together they cover the canvas many times over, as thousands of fields of one
    // label do, far more than the pictures kept of each group during a turn may hold.
    void makeStackedFieldPairs()
    {
        canvas()->zoomChange(4.0);
        apptest::settle();
        const QRect visible = canvas()->visibleRegion().boundingRect();
        const QPointF corner = canvas()->pageToWidget().inverted().map(QPointF(visible.topLeft()));
        const int pks[] = {4, 9, 10};
        QPointF at;
        RectsView::mergeFieldPairMaker = [&at](CanvasServices *services, const QPointF &, int pk) {
            const MergeFieldPair pair = createDBField(services, at, pk);
            pair.group->setShowTitle(true);
            for (ColorField *member : {pair.title.get(), pair.contents.get()})
                member->setTextSize(qmtest::testFont(96));
            return std::pair<GraphicPtr, GraphicPtr>(pair.title, pair.contents);
        };
        // The moving pictures reach 256 pixels past the visible part on every side; the pairs
        // are to hold more than four times their pixels.
        const QRect moving = visible.adjusted(-256, -256, 256, 256);
        const double most = 4.5 * double(moving.width()) * double(moving.height());
        double covered = 0.0;
        for (int i = 0; covered < most && i < 400; ++i) {
            at = corner + QPointF(60 + (i % 7) * 1.5, 10 + (i / 7 % 9) * 1.25);
            canvas()->createDBField(pks[i % 3]);
            const GroupPtr pair = canvas()->groups().last();
            const QRect shown = canvas()->pageToWidget().mapRect(pair->bounds()).toAlignedRect() & moving;
            covered += double(shown.width()) * double(shown.height());
        }
        RectsView::mergeFieldPairMaker = nullptr;
        ASSERT_GE(covered, most) << "too few pairs to cover the canvas";
        apptest::settle();
        canvas()->undoManager()->removeAllActions();
    }

    std::vector<DragPlace> places()
    {
        std::vector<DragPlace> all;
        for (const GraphicPtr &object : canvas()->getRects())
            all.push_back({object->frameBounds(), object->angle()});
        return all;
    }

    std::vector<GroupPlace> groupPlaces()
    {
        std::vector<GroupPlace> all;
        for (const GroupPtr &group : canvas()->groups())
            all.push_back({group->bounds(), group->angle()});
        return all;
    }

    // After a Redo the canvas fits each group's frame to its members anew (within its
    // turned members' outlines): there only the angles are compared.
    void expectGroupsAt(const std::vector<GroupPlace> &expected, const char *when, bool frames = true)
    {
        const std::vector<GroupPlace> now = groupPlaces();
        ASSERT_EQ(now.size(), expected.size()) << when;
        for (size_t g = 0; g < expected.size(); ++g) {
            EXPECT_NEAR(now[g].angle, expected[g].angle, 1e-3) << when << " " << g;
            if (!frames)
                continue;
            EXPECT_NEAR(now[g].bounds.x(), expected[g].bounds.x(), 1e-3) << when << " " << g;
            EXPECT_NEAR(now[g].bounds.y(), expected[g].bounds.y(), 1e-3) << when << " " << g;
            EXPECT_NEAR(now[g].bounds.width(), expected[g].bounds.width(), 1e-3) << when << " " << g;
            EXPECT_NEAR(now[g].bounds.height(), expected[g].bounds.height(), 1e-3) << when << " " << g;
        }
    }

    // The canvas drawn from nothing, as the window draws it when no drag goes on (the
    // pictures the screen keeps made at once).
    QImage drawnAfresh()
    {
        RectsView *view = canvas();
        QImage image(view->size(), QImage::Format_RGB32);
        image.fill(view->palette().color(QPalette::Window));
        const ColorRect::ScreenDrawing screen;
        PictureWorker::setOnWindowThread(true);
        struct Aside
        {
            ~Aside() { PictureWorker::setOnWindowThread(false); }
        } aside;
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(view->pageToWidget());
        view->drawContents(&painter, view->pageToWidget().inverted().mapRect(QRectF(view->rect())));
        return image;
    }

    // The drag from `from` through `steps`: midway (after the second step) and at the last
    // step the canvas as the window shows it must be what a drawing from nothing shows, within
    // `tolerance` for pixels laid down smoothly (a turn).
    void drag(const QPointF &from, const QList<QPointF> &steps, Qt::KeyboardModifiers moving, int tolerance,
              int mostDiffering, bool pictures = true)
    {
        f.mouse(QEvent::MouseButtonPress, from);
        apptest::settle();
        for (qsizetype i = 0; i < steps.size(); ++i) {
            f.mouse(QEvent::MouseMove, steps[i], moving);
            if (i != 1 && i + 1 != steps.size())
                continue;
            EXPECT_EQ(canvas()->showsDragPictures(), pictures) << "step " << i;
            const int count = differingPixels(shownNow(), drawnAfresh(), tolerance);
            EXPECT_LE(count, mostDiffering) << "step " << i << ": " << count << " pixels differ";
        }
        f.mouse(QEvent::MouseButtonRelease, steps.last(), moving);
        EXPECT_FALSE(canvas()->showsDragPictures());
        const int count = differingPixels(shownNow(), drawnAfresh(), 24);
        EXPECT_LE(count, 8) << "released: " << count << " pixels differ";
    }

    // What the window has on the screen once the pictures asked for have come: the parts each
    // step asked to draw again over what the steps before drew.
    QImage shownNow()
    {
        apptest::settle();
        PictureWorker::waitUntilDone();
        apptest::settle();
        RectsView *view = canvas();
        const QPoint at = view->mapTo(view->window(), QPoint(0, 0));
        return view->screen()->grabWindow(view->window()->winId(), at.x(), at.y(), view->width(), view->height()).toImage();
    }

    void undoOnce(const std::vector<DragPlace> &before)
    {
        QAction *item = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
        ASSERT_NE(item, nullptr);
        item->trigger();
        apptest::settle();
        const std::vector<DragPlace> after = places();
        ASSERT_EQ(after.size(), before.size());
        for (size_t i = 0; i < before.size(); ++i) {
            EXPECT_NEAR(after[i].frame.x(), before[i].frame.x(), 1e-3) << i;
            EXPECT_NEAR(after[i].frame.y(), before[i].frame.y(), 1e-3) << i;
            EXPECT_NEAR(after[i].frame.width(), before[i].frame.width(), 1e-3) << i;
            EXPECT_NEAR(after[i].frame.height(), before[i].frame.height(), 1e-3) << i;
            EXPECT_NEAR(after[i].angle, before[i].angle, 1e-3) << i;
        }
        EXPECT_FALSE(canvas()->undoManager()->canUndo()) << "the drag was more than one step";
    }

    // Redo gives the drag again, in one step: every object where the drag took it.
    void redoOnce(const std::vector<DragPlace> &dragged)
    {
        QAction *item = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"));
        ASSERT_NE(item, nullptr);
        item->trigger();
        apptest::settle();
        const std::vector<DragPlace> now = places();
        ASSERT_EQ(now.size(), dragged.size());
        for (size_t i = 0; i < dragged.size(); ++i) {
            EXPECT_NEAR(now[i].frame.x(), dragged[i].frame.x(), 1e-3) << i;
            EXPECT_NEAR(now[i].frame.y(), dragged[i].frame.y(), 1e-3) << i;
            EXPECT_NEAR(now[i].angle, dragged[i].angle, 1e-3) << i;
        }
        EXPECT_FALSE(canvas()->undoManager()->canRedo()) << "the drag was more than one step";
        EXPECT_TRUE(canvas()->undoManager()->canUndo());
    }

    apptest::WindowFixture f;
};

TEST_F(DragPicturesWindow, DragsShowWhatTheCanvasDrawsAndUndoInOneStep)
{
    makeDesign();
    const GraphicList objects = canvas()->getRects();
    ASSERT_GE(objects.size(), 40);

    // Page points of whole screen pixels: a move by them shows each pixel where a drawing
    // from nothing puts it.
    const double scale = canvas()->pageToWidget().m11();
    ASSERT_GT(scale, 0.0);
    auto pixels = [scale](double x, double y) { return QPointF(x, y) / scale; };

    // A move of everything (Shift keeps the guides from snapping).
    canvas()->selectAll();
    canvas()->undoManager()->removeAllActions();
    std::vector<DragPlace> before = places();
    const QPointF grip = objects[0]->frameBounds().center();
    drag(grip, {grip + pixels(6, 4), grip + pixels(15, 8), grip + pixels(24, 13)}, Qt::ShiftModifier, 24, 8);
    std::vector<DragPlace> after = places();
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_NEAR(after[i].frame.x(), before[i].frame.x() + pixels(24, 13).x(), 1e-3) << i;
        EXPECT_NEAR(after[i].frame.y(), before[i].frame.y() + pixels(24, 13).y(), 1e-3) << i;
    }
    undoOnce(before);
    redoOnce(after);
    undoOnce(before);

    // One object moved over the rest, which stay.
    canvas()->clearSelection();
    canvas()->selectRect(objects[9]);
    canvas()->undoManager()->removeAllActions();
    const QPointF one = objects[9]->frameBounds().center();
    drag(one, {one + pixels(-8, 6), one + pixels(-18, 11), one + pixels(-30, 18)}, Qt::ShiftModifier, 24, 8);
    after = places();
    for (size_t i = 0; i < before.size(); ++i) {
        const QPointF moved = i == 9 ? pixels(-30, 18) : QPointF();
        EXPECT_NEAR(after[i].frame.x(), before[i].frame.x() + moved.x(), 1e-3) << i;
        EXPECT_NEAR(after[i].frame.y(), before[i].frame.y() + moved.y(), 1e-3) << i;
    }
    undoOnce(before);

    // The lower right knob of one object of the whole selection: it alone changes.
    canvas()->selectAll();
    canvas()->undoManager()->removeAllActions();
    const QRectF resized = objects[4]->frameBounds();
    const QPointF knob = KnobResize::knobPosition(resized, 8);
    drag(knob, {knob + QPointF(2, 1), knob + QPointF(5, 3), knob + QPointF(8, 5)}, Qt::NoModifier, 24, 8);
    after = places();
    for (size_t i = 0; i < before.size(); ++i) {
        if (i == 4) {
            EXPECT_GT(after[i].frame.width(), before[i].frame.width() + 4) << i;
            EXPECT_GT(after[i].frame.height(), before[i].frame.height() + 2) << i;
        } else {
            EXPECT_EQ(after[i].frame, before[i].frame) << i;
        }
    }
    undoOnce(before);

    // A turn of everything about the selection's middle: the objects keep their places to
    // each other and all turn alike. The turned pictures are laid down smoothly.
    canvas()->selectAll();
    canvas()->undoManager()->removeAllActions();
    canvas()->setupCurrObjectTool(RectsView::RotateTool);
    const QPointF turnFrom = objects[7]->frameBounds().topRight() + QPointF(6, 0);
    drag(turnFrom, {turnFrom + QPointF(0, 4), turnFrom + QPointF(-1, 9), turnFrom + QPointF(-3, 15)}, Qt::NoModifier, 96, 400);
    canvas()->setupCurrObjectTool(RectsView::SelectTool);
    after = places();
    const double turned = after[0].angle - before[0].angle;
    EXPECT_GT(std::fabs(turned), 2.0);
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_NEAR(after[i].angle - before[i].angle, turned, 1e-2) << i;
        const QLineF was(before[0].frame.center(), before[i].frame.center());
        const QLineF is(after[0].frame.center(), after[i].frame.center());
        EXPECT_NEAR(is.length(), was.length(), 1e-2) << i;
    }
    undoOnce(before);
    redoOnce(after);
    undoOnce(before);

    // A rubber band from the empty canvas over part of the design: midway the marks of the
    // objects it took in show, and at the release those objects are selected.
    canvas()->clearSelection();
    canvas()->undoManager()->removeAllActions();
    const QPointF corner(200, 130);
    drag(corner, {QPointF(150, 100), QPointF(100, 70), QPointF(60, 40)}, Qt::NoModifier, 24, 8);
    const GraphicList meeting = canvas()->graphicsIntersectingRect(QRectF(QPointF(60, 40), corner));
    int taken = 0;
    for (const GraphicPtr &object : objects) {
        const bool inside = meeting.contains(object);
        EXPECT_EQ(canvas()->isSelected(object.get()), inside) << objects.indexOf(object);
        taken += inside ? 1 : 0;
    }
    EXPECT_GT(taken, 10);
    EXPECT_LT(taken, objects.size());
}

TEST_F(DragPicturesWindow, GroupsTurnEachAboutItsMiddleFromTheirOwnPictures)
{
    makeGroupedDesign();
    const GraphicList objects = canvas()->getRects();
    ASSERT_GE(objects.size(), qsizetype(40));
    ASSERT_EQ(canvas()->groups().size(), qsizetype(12));

    canvas()->selectAll();
    canvas()->undoManager()->removeAllActions();
    const std::vector<DragPlace> before = places();
    const std::vector<GroupPlace> groupsBefore = groupPlaces();
    std::vector<QPointF> middles;
    for (const GroupPtr &group : canvas()->groups())
        middles.push_back(group->bounds().center());
    canvas()->setupCurrObjectTool(RectsView::RotateTool);
    const QPointF turnFrom = objects[0]->frameBounds().topRight() + QPointF(6, 0);
    drag(turnFrom, {turnFrom + QPointF(0, 4), turnFrom + QPointF(-1, 9), turnFrom + QPointF(-3, 15)}, Qt::NoModifier, 96, 400);
    canvas()->setupCurrObjectTool(RectsView::SelectTool);

    // Every member turned alike; each group kept its middle and its members their places
    // to each other.
    const std::vector<DragPlace> after = places();
    const double turned = after[0].angle - before[0].angle;
    EXPECT_GT(std::fabs(turned), 2.0);
    for (size_t i = 0; i < before.size(); ++i) {
        if (objects[qsizetype(i)]->getGroup()) {
            EXPECT_NEAR(after[i].angle - before[i].angle, turned, 1e-2) << i;
        }
    }
    const GroupList groups = canvas()->groups();
    for (qsizetype g = 0; g < groups.size(); ++g) {
        EXPECT_NEAR(groups[g]->bounds().center().x(), middles[size_t(g)].x(), 1e-2) << g;
        EXPECT_NEAR(groups[g]->bounds().center().y(), middles[size_t(g)].y(), 1e-2) << g;
        const GraphicList &members = groups[g]->getObjects();
        for (qsizetype m = 1; m < members.size(); ++m) {
            const QLineF was(before[size_t(objects.indexOf(members[0]))].frame.center(),
                             before[size_t(objects.indexOf(members[m]))].frame.center());
            const QLineF is(members[0]->frameBounds().center(), members[m]->frameBounds().center());
            EXPECT_NEAR(is.length(), was.length(), 1e-2) << g << " " << m;
        }
    }
    // Undo and Redo put every group back as well, its frame and angle with its members.
    const std::vector<GroupPlace> turnedGroups = groupPlaces();
    undoOnce(before);
    expectGroupsAt(groupsBefore, "undone");
    redoOnce(after);
    expectGroupsAt(turnedGroups, "redone", false);
    undoOnce(before);
    expectGroupsAt(groupsBefore, "undone again");

    // With Shift the groups go round the selection's middle in steps of 15 degrees, each
    // group's frame carried round with its members; one Undo puts all back, Redo gives the
    // turn again.
    canvas()->undoManager()->removeAllActions();
    canvas()->setupCurrObjectTool(RectsView::RotateTool);
    QRectF all;
    for (const DragPlace &place : before)
        all = all.united(place.frame);
    const QPointF middle = all.center();
    const QPointF grip = middle + QPointF(60, 0);
    f.mouse(QEvent::MouseButtonPress, grip);
    for (int degrees : {20, 40, 60}) {
        const double radians = degrees * M_PI / 180.0;
        f.mouse(QEvent::MouseMove, middle + QPointF(60 * std::cos(radians), 60 * std::sin(radians)), Qt::ShiftModifier);
    }
    f.mouse(QEvent::MouseButtonRelease, middle + QPointF(30, 52), Qt::ShiftModifier);
    apptest::settle();
    canvas()->setupCurrObjectTool(RectsView::SelectTool);
    const std::vector<DragPlace> shifted = places();
    const std::vector<GroupPlace> shiftedGroups = groupPlaces();
    EXPECT_GT(std::fabs(shiftedGroups[0].angle - groupsBefore[0].angle), 14.0f);
    EXPECT_GT(QLineF(shiftedGroups[0].bounds.center(), groupsBefore[0].bounds.center()).length(), 1.0);
    undoOnce(before);
    expectGroupsAt(groupsBefore, "shifted undone");
    redoOnce(shifted);
    expectGroupsAt(shiftedGroups, "shifted redone", false);
}

// A press that comes while a move or a turn still goes on (its release was lost) ends it and
// begins the next: each drag is one step that Undo takes back, the later first (the lost
// release left the first drag's step open, and Undo took back both at once).
TEST_F(DragPicturesWindow, ADragWhoseReleaseNeverCameUndoesInOneStep)
{
    makeDesign();
    const GraphicList objects = canvas()->getRects();
    ASSERT_GE(objects.size(), 40);
    const double scale = canvas()->pageToWidget().m11();
    ASSERT_GT(scale, 0.0);
    auto undoTo = [this](const std::vector<DragPlace> &expected) {
        ASSERT_TRUE(canvas()->undoManager()->canUndo());
        f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
        apptest::settle();
        const std::vector<DragPlace> now = places();
        ASSERT_EQ(now.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_NEAR(now[i].frame.x(), expected[i].frame.x(), 1e-3) << i;
            EXPECT_NEAR(now[i].frame.y(), expected[i].frame.y(), 1e-3) << i;
            EXPECT_NEAR(now[i].angle, expected[i].angle, 1e-3) << i;
        }
    };

    canvas()->selectAll();
    canvas()->undoManager()->removeAllActions();
    const std::vector<DragPlace> before = places();
    const QPointF grip = objects[0]->frameBounds().center();
    const QPointF by = QPointF(9, 5) / scale;
    f.mouse(QEvent::MouseButtonPress, grip);
    f.mouse(QEvent::MouseMove, grip + by / 3, Qt::ShiftModifier);
    f.mouse(QEvent::MouseMove, grip + by, Qt::ShiftModifier);
    apptest::settle();
    const std::vector<DragPlace> first = places();
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_NEAR(first[i].frame.x(), before[i].frame.x() + by.x(), 1e-3) << i;
    f.mouse(QEvent::MouseButtonPress, grip + by);
    f.mouse(QEvent::MouseMove, grip + by * 1.5, Qt::ShiftModifier);
    f.mouse(QEvent::MouseMove, grip + by * 2, Qt::ShiftModifier);
    f.mouse(QEvent::MouseButtonRelease, grip + by * 2, Qt::ShiftModifier);
    apptest::settle();
    const std::vector<DragPlace> second = places();
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_NEAR(second[i].frame.x(), before[i].frame.x() + 2 * by.x(), 1e-3) << i;
    // (Undo of the press that began the first drag would deselect the object it took.)
    undoTo(first);
    EXPECT_TRUE(canvas()->undoManager()->canUndo());

    canvas()->selectAll();
    canvas()->undoManager()->removeAllActions();
    const std::vector<DragPlace> unturned = places();
    canvas()->setupCurrObjectTool(RectsView::RotateTool);
    const QPointF turnFrom = objects[7]->frameBounds().topRight() + QPointF(6, 0);
    f.mouse(QEvent::MouseButtonPress, turnFrom);
    f.mouse(QEvent::MouseMove, turnFrom + QPointF(0, 4));
    f.mouse(QEvent::MouseMove, turnFrom + QPointF(-2, 12));
    apptest::settle();
    const std::vector<DragPlace> turned = places();
    EXPECT_GT(std::fabs(turned[0].angle - unturned[0].angle), 2.0f);
    f.mouse(QEvent::MouseButtonPress, turnFrom + QPointF(-2, 12));
    f.mouse(QEvent::MouseMove, turnFrom + QPointF(-4, 18));
    f.mouse(QEvent::MouseButtonRelease, turnFrom + QPointF(-4, 18));
    apptest::settle();
    canvas()->setupCurrObjectTool(RectsView::SelectTool);
    EXPECT_GT(std::fabs(places()[0].angle - turned[0].angle), 1.0f);
    undoTo(turned);
    undoOnce(unturned);
}

// The drop of a turn, or of a move by a part of a pixel, shows the pictures as the last step
// laid them while the canvas is drawn afresh aside, a slice at a time: once all is drawn the
// window shows what a drawing from nothing shows, and a change that comes before (an Undo, a
// nudge) is what the window shows, not the drop drawn aside.
TEST_F(DragPicturesWindow, ADropDrawnAfreshAsideGivesWayToWhatComesAfter)
{
    makeDesign();
    const GraphicList objects = canvas()->getRects();
    canvas()->selectAll();
    canvas()->undoManager()->removeAllActions();
    const std::vector<DragPlace> before = places();

    canvas()->setupCurrObjectTool(RectsView::RotateTool);
    const QPointF turnFrom = objects[7]->frameBounds().topRight() + QPointF(6, 0);
    drag(turnFrom, {turnFrom + QPointF(0, 4), turnFrom + QPointF(-1, 9), turnFrom + QPointF(-3, 15)}, Qt::NoModifier, 96, 400);
    canvas()->setupCurrObjectTool(RectsView::SelectTool);
    undoOnce(before);

    // Undo right at the release.
    canvas()->setupCurrObjectTool(RectsView::RotateTool);
    f.mouse(QEvent::MouseButtonPress, turnFrom);
    apptest::settle();
    for (const QPointF &step : {turnFrom + QPointF(0, 4), turnFrom + QPointF(-1, 9), turnFrom + QPointF(-3, 15)}) {
        f.mouse(QEvent::MouseMove, step);
        QCoreApplication::processEvents();
    }
    f.mouse(QEvent::MouseButtonRelease, turnFrom + QPointF(-3, 15));
    canvas()->setupCurrObjectTool(RectsView::SelectTool);
    canvas()->repaint();
    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
    const std::vector<DragPlace> undone = places();
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_NEAR(undone[i].angle, before[i].angle, 1e-3) << i;
    int count = differingPixels(shownNow(), drawnAfresh(), 24);
    EXPECT_LE(count, 8) << "undone at the drop: " << count << " pixels differ";

    // A move by a part of a pixel, nudged right at the release.
    const double scale = canvas()->pageToWidget().m11();
    const QPointF grip = objects[0]->frameBounds().center();
    const QPointF by = QPointF(10.5, 6.5) / scale;
    f.mouse(QEvent::MouseButtonPress, grip);
    apptest::settle();
    f.mouse(QEvent::MouseMove, grip + by / 2, Qt::ShiftModifier);
    QCoreApplication::processEvents();
    f.mouse(QEvent::MouseMove, grip + by, Qt::ShiftModifier);
    QCoreApplication::processEvents();
    f.mouse(QEvent::MouseButtonRelease, grip + by, Qt::ShiftModifier);
    canvas()->repaint();
    canvas()->setFocus();
    QTest::keyClick(canvas(), Qt::Key_Right);
    const std::vector<DragPlace> nudged = places();
    EXPECT_GT(nudged[0].frame.x(), before[0].frame.x() + by.x());
    count = differingPixels(shownNow(), drawnAfresh(), 24);
    EXPECT_LE(count, 8) << "nudged at the drop: " << count << " pixels differ";
}

// Hundreds of groups turned each about its own middle are drawn directly at each step, not
// from hundreds of pictures of their own: what the window shows is still what the canvas
// draws, each group keeps its middle, and one Undo puts all back.
TEST_F(DragPicturesWindow, ManyGroupsTurnDrawnDirectly)
{
    makeManyGroups(300);
    ASSERT_EQ(canvas()->groups().size(), qsizetype(300));
    canvas()->selectAll();
    canvas()->undoManager()->removeAllActions();
    const std::vector<DragPlace> before = places();
    std::vector<QPointF> middles;
    for (const GroupPtr &group : canvas()->groups())
        middles.push_back(group->bounds().center());
    canvas()->setupCurrObjectTool(RectsView::RotateTool);
    const QPointF turnFrom = canvas()->getRects().first()->frameBounds().topRight() + QPointF(6, 0);
    drag(turnFrom, {turnFrom + QPointF(0, 4), turnFrom + QPointF(-1, 9), turnFrom + QPointF(-3, 15)}, Qt::NoModifier, 24, 8,
         false);
    canvas()->setupCurrObjectTool(RectsView::SelectTool);
    const GroupList groups = canvas()->groups();
    ASSERT_EQ(groups.size(), qsizetype(300));
    EXPECT_GT(std::fabs(groups.first()->angle()), 2.0f);
    for (qsizetype g = 0; g < groups.size(); ++g) {
        EXPECT_NEAR(groups[g]->angle(), groups.first()->angle(), 1e-2) << g;
        EXPECT_NEAR(groups[g]->bounds().center().x(), middles[size_t(g)].x(), 1e-2) << g;
        EXPECT_NEAR(groups[g]->bounds().center().y(), middles[size_t(g)].y(), 1e-2) << g;
    }
    undoOnce(before);
}

// The marks of selected groups drawn for a part of the canvas are those a drawing of the
// whole canvas shows there: a repaint of a part leaves out only groups whose marks lie
// elsewhere, turned groups included.
TEST_F(DragPicturesWindow, GroupMarksDrawnForAPartMatchTheWhole)
{
    makeManyGroups(60);
    canvas()->selectAll();
    const GroupList groups = canvas()->groups();
    for (qsizetype g = 0; g < groups.size(); g += 3)
        groups[g]->setAngle(float(17 * g % 90 + 10));
    apptest::settle();
    const QImage whole = drawnAfresh();
    RectsView *view = canvas();
    QImage parts(view->size(), QImage::Format_RGB32);
    parts.fill(view->palette().color(QPalette::Window));
    {
        const ColorRect::ScreenDrawing screen;
        PictureWorker::setOnWindowThread(true);
        struct Aside
        {
            ~Aside() { PictureWorker::setOnWindowThread(false); }
        } aside;
        // Strips across the canvas, each drawn alone and clipped to itself, as repaints of
        // parts are.
        const int strip = 37;
        for (int top = 0; top < view->height(); top += strip) {
            const QRect part(0, top, view->width(), std::min(strip, view->height() - top));
            QPainter painter(&parts);
            painter.setClipRect(part);
            painter.fillRect(part, view->palette().color(QPalette::Window));
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setTransform(view->pageToWidget());
            view->drawContents(&painter, view->pageToWidget().inverted().mapRect(QRectF(part)));
        }
    }
    // A smoothed edge drawn under another clip may round a few steps apart; a mark left out
    // differs by far more.
    const int count = differingPixels(parts, whole, 6);
    EXPECT_EQ(count, 0) << count << " pixels differ";
    // And the groups' marks are there at all: without the selection the canvas differs.
    canvas()->clearSelection();
    apptest::settle();
    EXPECT_GT(differingPixels(drawnAfresh(), whole, 24), 100);
}

TEST_F(DragPicturesWindow, StackedFieldPairsTurnEachAboutItsMiddleDrawnDirectly)
{
    makeStackedFieldPairs();
    const GraphicList objects = canvas()->getRects();
    const GroupList groups = canvas()->groups();
    ASSERT_GE(groups.size(), qsizetype(40));
    ASSERT_EQ(objects.size(), 2 * groups.size());

    canvas()->selectAll();
    canvas()->undoManager()->removeAllActions();
    const std::vector<DragPlace> before = places();
    const std::vector<GroupPlace> groupsBefore = groupPlaces();
    std::vector<QPointF> middles;
    for (const GroupPtr &group : groups)
        middles.push_back(group->bounds().center());
    canvas()->setupCurrObjectTool(RectsView::RotateTool);
    const QPointF turnFrom = objects[0]->frameBounds().topRight() + QPointF(4, 0);
    // What the steps show is what a drawing from nothing shows: the fields turned are drawn
    // directly over the pictures of the rest.
    drag(turnFrom, {turnFrom + QPointF(0, 3), turnFrom + QPointF(-1, 7), turnFrom + QPointF(-2, 12)}, Qt::NoModifier, 96, 400);
    canvas()->setupCurrObjectTool(RectsView::SelectTool);

    const std::vector<DragPlace> after = places();
    const double turned = after[0].angle - before[0].angle;
    EXPECT_GT(std::fabs(turned), 2.0);
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_NEAR(after[i].angle - before[i].angle, turned, 1e-2) << i;
    for (qsizetype g = 0; g < groups.size(); ++g) {
        EXPECT_NEAR(groups[g]->bounds().center().x(), middles[size_t(g)].x(), 1e-2) << g;
        EXPECT_NEAR(groups[g]->bounds().center().y(), middles[size_t(g)].y(), 1e-2) << g;
    }
    const std::vector<GroupPlace> turnedGroups = groupPlaces();
    undoOnce(before);
    expectGroupsAt(groupsBefore, "undone");
    redoOnce(after);
    expectGroupsAt(turnedGroups, "redone", false);
}

} // namespace
