// The selection marks of a design of every kind as the window's canvas shows them (knobs,
// dashed outlines, the marks of linked text with their arrows and overflow dot, group marks),
// at the zoom that fits the label, 100% and 400%, after Select All, a nudge and Undo, compared with a reference that draws
// each object's marks by itself, one painter state per mark, the way the canvas always drew
// them (an upright box's dashed outline edge by edge, as Qt strokes each). The canvas with nothing selected is grabbed first; the reference adds the marks to it.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QTest>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

#include "app/AppTestSupport.h"
#include "common/DrawnAtZoom.h"
#include "common/TestSupport.h"
#include "objects/ColorLine.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/KnobResize.h"
#include "objects/TextContainer.h"
#include "platform/BezierPath.h"
#include "platform/Pen.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

// ---- the reference ----

QColor role(QPalette::ColorRole which)
{
    return QGuiApplication::palette().color(QPalette::Active, which);
}

// The rectangle moved to whole device pixels while the painter keeps rectangles upright.
QRectF toPixels(const QPainter &painter, const QRectF &rect)
{
    const QTransform t = painter.deviceTransform();
    if (!t.isInvertible() || t.type() > QTransform::TxScale)
        return rect;
    QRectF device = t.mapRect(rect);
    device = QRectF(QPointF(std::round(device.left()), std::round(device.top())),
                    QPointF(std::round(device.right()), std::round(device.bottom())));
    return t.inverted().mapRect(device);
}

void knob(QPainter &painter, const ColorRect &object, const QPointF &point)
{
    const double z = object.getZoom();
    QRectF square = toPixels(painter, QRectF(point.x() - 2.0 / z, point.y() - 2.0 / z, 5.0 / z, 5.0 / z));
    painter.save();
    painter.fillRect(square, role(QPalette::Shadow));
    square.translate(-1.0 / z, -1.0 / z);
    const QColor fill = object.isLocked() ? QColor(Qt::red)
                        : !object.isResizable() ? QColor(Qt::green)
                                                : role(QPalette::Highlight);
    painter.fillRect(square, fill);
    painter.restore();
}

void linkMark(QPainter &painter, ColorRect &object, bool next)
{
    const double z = object.getZoom();
    const QRectF f = object.frameBounds();
    const QPointF point = next ? QPointF(f.right(), f.bottom() - 5.0 - 0.1 * f.height())
                               : QPointF(f.left(), f.top() + 5.0 + 0.1 * f.height());
    painter.save();
    QRectF mark(point.x() - 4.0 / z, point.y() - 4.0 / z, 9.0 / z, 9.0 / z);
    mark = toPixels(painter, mark);
    if (next)
        mark.translate(-1.0 / z, 0);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(mark, Qt::white);
    painter.setPen(makePen(role(QPalette::Mid), 1.0 / z));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(mark);
    const QList<TextContainer *> chain = object.textContainers();
    int index = 0;
    for (int i = 0; i < chain.size(); ++i) {
        if (chain[i]->textView() == &object)
            index = i;
    }
    if ((!next && index > 0) || (next && index < chain.size() - 1)) {
        QPainterPath arrow;
        arrow.moveTo(mark.x() + 3.0 / z, mark.y() + 2.0 / z);
        arrow.lineTo(mark.x() + 3.0 / z, mark.bottom() - 2.0 / z);
        arrow.lineTo(mark.right() - 2.0 / z, mark.center().y());
        arrow.closeSubpath();
        painter.fillPath(arrow, QColor::fromRgbF(0.2f, 0.2f, 1.0f, 1.0f));
    }
    if (next && object.isOverfilled()) {
        QPainterPath dot;
        dot.addEllipse(mark.adjusted(2.0 / z, 2.0 / z, -2.0 / z, -2.0 / z));
        painter.fillPath(dot, Qt::red);
    }
    painter.restore();
}

void marksOf(QPainter &painter, ColorRect &object)
{
    const double z = object.getZoom();
    painter.save();
    object.flipFrame(&painter);
    object.rotateFrame(&painter, object.angle());
    const bool line = dynamic_cast<ColorLine *>(&object);
    const bool ovalOrPath = dynamic_cast<ColorOval *>(&object) || dynamic_cast<ColorPath *>(&object);
    if (!ovalOrPath && object.hasText()) {
        linkMark(painter, object, false);
        linkMark(painter, object, true);
    }
    const unsigned mask = object.knobMask();
    if (line) {
        for (int k : {1, 3, 6, 8}) {
            if (mask & (1u << k))
                knob(painter, object, KnobResize::knobPosition(object.frameBounds(), k));
        }
    } else {
        if (object.canStroke() && (object.strokeLineWidth() == 0.0f || !object.drawsStroke())) {
            painter.save();
            const QPainterPath outline = object.bezierPath().toPainterPath();
            const QPen pen = makePen(object.strokeColor(), 0.2 / object.displayedZoom(), {2.0 / z, 2.0 / z});
            if (!qmtest::strokeUprightBox(painter, outline, pen))
                painter.strokePath(outline, pen);
            painter.restore();
        }
        for (int k = 1; k <= 8; ++k) {
            if (mask & (1u << k))
                knob(painter, object, KnobResize::knobPosition(object.frameBounds(), k));
        }
    }
    painter.restore();
}

// The canvas as grabbed with nothing selected, with the marks of the selected objects (in
// the order the canvas draws them) and of the selected groups drawn on it.
QImage referenceOf(RectsView *canvas, QImage unselected, const QSet<const ColorRect *> &selected)
{
    QPainter painter(&unselected);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(canvas->pageToWidget());
    for (const GraphicPtr &object : canvas->getRects()) {
        if (selected.contains(object.get()) && !object->getGroup())
            marksOf(painter, *object);
    }
    for (const GroupPtr &group : canvas->groups()) {
        if (selected.contains(group->getObjects().first().get()))
            group->drawSelect(&painter);
    }
    return unselected;
}

struct Difference
{
    int pixels = 0; // pixels with a channel more than `tolerance` apart
    int largest = 0;
};

Difference compare(const QImage &a, const QImage &b, int tolerance)
{
    Difference found;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    if (x.size() != y.size())
        return {x.width() * x.height(), 255};
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const QRgb *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column) {
            const int d = std::max({std::abs(qRed(p[column]) - qRed(q[column])),
                                    std::abs(qGreen(p[column]) - qGreen(q[column])),
                                    std::abs(qBlue(p[column]) - qBlue(q[column]))});
            found.largest = std::max(found.largest, d);
            if (d > tolerance)
                ++found.pixels;
        }
    }
    return found;
}

class SelectionMarksWindow : public ::testing::Test
{
protected:
    SelectionMarksWindow() : f(QStringLiteral("selection-marks")) {}

    template <typename Object>
    std::shared_ptr<Object> add(std::shared_ptr<Object> object)
    {
        object->setPageName(canvas()->getCurrPageName());
        canvas()->addGraphic(object);
        return object;
    }
    std::shared_ptr<ColorRect> textBox(const QRectF &frame, const QString &text)
    {
        auto box = add(ColorRect::create(frame));
        box->textStorage()->setDefaultFont(qmtest::testFont(6));
        box->textStorage()->setPlainText(text);
        return box;
    }
    RectsView *canvas() { return f.canvas(); }
    void undo()
    {
        QAction *item = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
        ASSERT_NE(item, nullptr);
        item->trigger();
        apptest::settle();
    }
    void clickAt(const QPointF &page, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(canvas(), Qt::LeftButton, modifiers, canvas()->pageToWidget().map(page).toPoint());
        apptest::settle();
    }

    // Text boxes (one turned, one mirrored, two linked with their text running over), an oval
    // with text along it and a mirrored one, a line, a path, a locked and a fixed-size box,
    // boxes of a few pixels, and two boxes grouped through the Arrange menu.
    void makeDesign()
    {
        textBox(QRectF(5, 5, 50, 18), QStringLiteral("Marks"));
        auto first = textBox(QRectF(60, 5, 35, 18), QString());
        auto second = add(ColorRect::create(QRectF(100, 5, 35, 18)));
        QStringList words;
        for (int i = 0; i < 80; ++i)
            words << QStringLiteral("word%1").arg(i);
        first->textStorage()->setPlainText(words.join(QLatin1Char(' ')));
        second->setTextLink(first.get(), true);
        auto oval = add(ColorOval::create(QRectF(140, 3, 40, 30)));
        oval->textStorage()->setDefaultFont(qmtest::testFont(6));
        oval->textStorage()->setPlainText(QStringLiteral("Around the oval"));
        auto mirroredOval = add(ColorOval::create(QRectF(5, 28, 25, 15)));
        mirroredOval->setFlipHor(true);
        add(ColorLine::create(QRectF(35, 28, 20, 14)));
        auto path = ColorPath::create(QRectF(60, 28, 25, 16));
        BezierPath zigzag;
        zigzag.moveTo(QPointF(60, 28));
        zigzag.lineTo(QPointF(70, 44));
        zigzag.lineTo(QPointF(76, 30));
        zigzag.lineTo(QPointF(85, 42));
        path->setBezierPath(zigzag);
        add(path);
        auto turned = textBox(QRectF(92, 35, 40, 14), QStringLiteral("Turned"));
        turned->setAngle(30.0f, false);
        auto mirrored = textBox(QRectF(140, 38, 40, 14), QStringLiteral("Mirrored"));
        mirrored->setFlipHor(true);
        auto locked = add(ColorRect::create(QRectF(5, 50, 15, 10)));
        locked->setDrawsFill(true);
        locked->setFillColor(QColor(250, 220, 120));
        locked->setLocked(true);
        auto fixed = add(ColorRect::create(QRectF(25, 50, 15, 10)));
        fixed->setResizable(false);
        add(ColorRect::create(QRectF(50, 50, 15, 10)));
        add(ColorRect::create(QRectF(75, 50, 15, 10)));
        // Boxes, an oval and a path a few pixels wide, whose knobs cover their dashed
        // outlines, and a box and an oval as wide as their knobs, whose outlines show
        // between them.
        for (int i = 0; i < 8; ++i)
            add(ColorRect::create(QRectF(100 + (i % 4) * 2.5, 51 + (i / 4) * 2.5, 0.4 + 0.3 * i, 1.6)));
        add(ColorRect::create(QRectF(115, 50, 6, 6)));
        add(ColorOval::create(QRectF(123, 51, 1.5, 1.2)));
        add(ColorOval::create(QRectF(126, 50, 6, 5)));
        auto tinyPath = ColorPath::create(QRectF(134, 51, 1.6, 1.6));
        BezierPath tinyZigzag;
        tinyZigzag.moveTo(QPointF(134, 51));
        tinyZigzag.lineTo(QPointF(135.6, 52));
        tinyZigzag.lineTo(QPointF(134.4, 52.6));
        tinyPath->setBezierPath(tinyZigzag);
        add(tinyPath);
        apptest::settle();
        clickAt(QPointF(57, 50));
        clickAt(QPointF(82, 50), Qt::ShiftModifier);
        f.trigger(QStringLiteral("Arrange"), QStringLiteral("Group"));
        ASSERT_EQ(canvas()->groups().size(), 1);
        ASSERT_TRUE(second->hasOverflow());
        canvas()->undoManager()->removeAllActions();
    }

    QSet<const ColorRect *> selection()
    {
        QSet<const ColorRect *> chosen;
        for (const GraphicPtr &object : canvas()->getRects()) {
            if (canvas()->isSelected(object.get()))
                chosen.insert(object.get());
        }
        return chosen;
    }

    // The canvas with everything selected, checked against the reference made from the
    // canvas with nothing selected.
    QImage expectMarksAsDrawnByThemselves(const char *when)
    {
        clickAt(QPointF(170, 64));
        EXPECT_TRUE(canvas()->selectedObjects().isEmpty()) << when;
        const QImage unselected = canvas()->grab().toImage();
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
        const QSet<const ColorRect *> chosen = selection();
        EXPECT_EQ(chosen.size(), canvas()->getRects().size()) << when;
        const QImage shown = canvas()->grab().toImage();
        const QImage expected = referenceOf(canvas(), unselected, chosen);
        // The marks are there: thousands of pixels changed.
        EXPECT_GT(compare(unselected, shown, 40).pixels, 1000) << when;
        // Where they are drawn the same way, the pixels are the same; a link mark copied from
        // its picture may blend the outer half of its outline one step apart.
        const Difference difference = compare(shown, expected, 2);
        EXPECT_EQ(difference.pixels, 0) << when << ": largest difference " << difference.largest;
        if (difference.pixels) {
            shown.save(qmtest::freshDir(QStringLiteral("selection-marks-shown")) + QStringLiteral("/shown.png"));
            expected.save(qmtest::freshDir(QStringLiteral("selection-marks-expected")) + QStringLiteral("/expected.png"));
        }
        return shown;
    }

    apptest::WindowFixture f;
};

TEST_F(SelectionMarksWindow, EveryKindShowsTheMarksItAlwaysShowedAtTwoZoomsThroughNudgeAndUndo)
{
    makeDesign();
    // The zoom that fits the label, then 100% and 400% from the zoom menu's choices.
    for (const int choice : {-1, 2, 5}) {
        if (choice >= 0)
            canvas()->zoomMenuSelect(choice);
        apptest::settle();
        SCOPED_TRACE(canvas()->getZoom());
        const QImage selected = expectMarksAsDrawnByThemselves("selected");

        // A nudge moves every mark one point; Undo puts every pixel back.
        QTest::keyClick(canvas(), Qt::Key_Right);
        apptest::settle();
        const QImage nudged = canvas()->grab().toImage();
        EXPECT_GT(compare(selected, nudged, 40).pixels, 1000);
        undo();
        EXPECT_EQ(compare(canvas()->grab().toImage(), selected, 0).pixels, 0);

        // Moved, the design shows the marks of its new place.
        QTest::keyClick(canvas(), Qt::Key_Right);
        apptest::settle();
        expectMarksAsDrawnByThemselves("nudged");
        undo();
    }
}

} // namespace
