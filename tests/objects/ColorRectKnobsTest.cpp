// ColorRect's selection look: knob colours and sizes at every zoom, the dashed outline of an
// unstroked box, the text-link marks of a chain, the overflow dot, nothing while printing;
// and the knob locations for the rulers.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>

#include <functional>
#include <vector>

#include "common/DrawnAtZoom.h"
#include "common/TestSupport.h"
#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "platform/Pen.h"

using namespace quillmark;

namespace {

QImage blank()
{
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

QImage renderSelection(ColorRect &object, qreal scale = 1.0, bool withObject = false)
{
    QImage image = blank();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(scale, scale);
    if (withObject)
        object.drawFrame(&painter, QRectF(), false);
    object.drawSelect(&painter, QRectF());
    return image;
}

int count(const QImage &image, const QRect &area, const std::function<bool(QRgb)> &test)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x)
            n += test(image.pixel(x, y)) ? 1 : 0;
    }
    return n;
}

bool pureRed(QRgb c) { return c == qRgb(255, 0, 0); }
bool pureGreen(QRgb c) { return c == qRgb(0, 255, 0); }
bool notWhite(QRgb c) { return c != qRgb(255, 255, 255); }
bool arrowBlue(QRgb c) { return qBlue(c) > 200 && qRed(c) < 120 && qGreen(c) < 120; }
bool dotRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; }

// A box of a linked chain: its place in the chain as the text engine would report it.
class ChainedBox : public ColorRect
{
public:
    ChainedBox(const QRectF &frame, int index, int count)
        : ColorRect(frame)
        , m_index(index)
        , m_count(count)
    {
    }

protected:
    int textContainerCount() const override { return m_count; }
    int textContainerIndex() const override { return m_index; }

private:
    int m_index;
    int m_count;
};

// The frame (50, 50, 100, 100): the previous-box mark lies around (50, 65), the next-box
// mark around (150, 135).
const QRect previousMark(45, 60, 11, 11);
const QRect nextMark(144, 130, 11, 11);
const QRect firstKnob(45, 45, 10, 10);
// The right side of the previous-box mark, clear of the dashed outline along x = 50.
const QRect previousMarkEdge(53, 60, 4, 11);

} // namespace

TEST(ColorRectKnobs, ColoursTellLockedAndFixedSize)
{
    struct Case { const char *label; bool locked; bool resizable; int red; int green; } cases[] = {
        {"normal", false, true, 0, 0},
        {"locked", true, true, 25, 0},
        {"fixed size", false, false, 0, 25},
        {"locked and fixed size", true, false, 25, 0},
    };
    for (const Case &c : cases) {
        auto object = ColorRect::create(QRectF(50, 50, 100, 100));
        object->setLocked(c.locked);
        object->setResizable(c.resizable);
        const QImage image = renderSelection(*object);
        EXPECT_EQ(count(image, firstKnob, pureRed), c.red) << c.label;
        EXPECT_EQ(count(image, firstKnob, pureGreen), c.green) << c.label;
        // All eight knobs show.
        EXPECT_EQ(count(image, image.rect(), c.locked ? pureRed : pureGreen),
                  c.locked || !c.resizable ? 8 * 25 : 0)
            << c.label;
    }
}

TEST(ColorRectKnobs, KnobKeepsFiveScreenUnitsAtEveryZoom)
{
    for (double zoom : {1.0, 2.0, 4.0}) {
        qmtest::FakeCanvas canvas;
        canvas.zoomCoeff = zoom;
        auto object = ColorRect::create(QRectF(10, 10, 30, 30));
        object->setMainView(&canvas);
        object->setLocked(true);
        const QImage image = renderSelection(*object, zoom);
        const QPoint knob(int(10 * zoom), int(10 * zoom));
        const QRect around(knob.x() - 8, knob.y() - 8, 16, 16);
        EXPECT_EQ(count(image, around, pureRed), 25) << zoom;
        // The dark edge lies on the side of increasing x and y.
        EXPECT_NE(image.pixel(knob.x() + 2, knob.y() + 2), qRgb(255, 255, 255)) << zoom;
        EXPECT_EQ(image.pixel(knob.x() - 4, knob.y() - 4), qRgb(255, 255, 255)) << zoom;
    }
}

TEST(ColorRectKnobs, KnobMaskLimitsTheKnobs)
{
    class TwoKnobs : public ColorRect
    {
    public:
        using ColorRect::ColorRect;
        unsigned knobMask() const override { return (1u << 1) | (1u << 8); }
    };
    auto object = std::make_shared<TwoKnobs>(QRectF(50, 50, 100, 100));
    object->setLocked(true);
    EXPECT_EQ(count(renderSelection(*object), QRect(0, 0, 200, 200), pureRed), 2 * 25);
    EXPECT_EQ(object->knobUnderPoint({100, 50}), 0);
    EXPECT_EQ(object->knobUnderPoint({150, 150}), 8);
    EXPECT_EQ(object->knobUnderPoint({156, 44}), 0); // no rotation knob in the mask
    EXPECT_EQ(ColorRect::create()->knobMask(), 0xFFFFFFFFu);
}

TEST(ColorRectKnobs, NothingIsDrawnWhilePrinting)
{
    qmtest::FakeCanvas canvas;
    canvas.printing = true;
    auto object = ColorRect::create(QRectF(50, 50, 100, 100));
    object->setMainView(&canvas);
    QTextCursor(object->textStorage()).insertText("Text");
    EXPECT_EQ(renderSelection(*object), blank());
    QImage image = blank();
    QPainter painter(&image);
    object->drawHandlesInView(&painter);
    object->drawLinks(&painter);
    painter.end();
    EXPECT_EQ(image, blank());
}

TEST(ColorRectKnobs, DashedOutlineOnlyWithoutAVisibleStroke)
{
    struct Case { const char *label; bool stroke; float width; bool dashed; } cases[] = {
        {"stroke off", false, 1, true},
        {"stroke of width 0", true, 0, true},
        {"stroke of width 1", true, 1, false},
    };
    // Along the top edge between the knobs.
    const QRect edge(70, 48, 20, 4);
    for (const Case &c : cases) {
        auto object = ColorRect::create(QRectF(50, 50, 100, 100));
        object->setStrokeLineWidth(c.width);
        object->setDrawsStroke(c.stroke);
        const QImage image = renderSelection(*object);
        const int marked = count(image, edge, notWhite);
        if (c.dashed) {
            EXPECT_GT(marked, 0) << c.label;
            // Dashes of 2 with gaps of 2: some columns stay clear.
            int clearColumns = 0;
            for (int x = edge.left(); x <= edge.right(); ++x)
                clearColumns += count(image, QRect(x, edge.top(), 1, edge.height()), notWhite) == 0;
            EXPECT_GE(clearColumns, 5) << c.label;
        } else {
            EXPECT_EQ(marked, 0) << c.label;
        }
    }
}

// Pixels that are not white in each row (`across`) or column of `image`.
std::vector<int> markedLines(const QImage &image, bool across)
{
    std::vector<int> marked(size_t(across ? image.height() : image.width()), 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            marked[size_t(across ? y : x)] += image.pixel(x, y) != qRgb(255, 255, 255);
    }
    return marked;
}

// The outline of an upright box, at any zoom, place and size (boxes thinner than a pixel,
// mirrored, reaching past the picture), with and without antialiasing, lies where Qt strokes each edge through the pixels
// it falls in, with the same dashes. Where an edge starts far off the picture, Qt's own stroke
// of it (a picture the whole edge would fit is too large) starts its visible dashes anywhere
// within a dash of where the pattern says: there the edges lie in the same rows and columns,
// each as long give or take a dash.
TEST(ColorRectKnobs, AnUprightBoxsDashedOutlineIsEachEdgeAsQtStrokesIt)
{
    class NoKnobs : public ColorRect
    {
    public:
        using ColorRect::ColorRect;
        unsigned knobMask() const override { return 0; }
    };
    const QRectF frames[] = {{50, 50, 100, 100},       {20.3, 30.7, 120.45, 61.2}, {-30000, 40.25, 60000, 90},
                             {33.3, -41000, 70, 80000}, {60.1, 60.2, 0.3, 0.4},     {70.5, 20, 0.2, 150},
                             {-47.5, 10.2, 300.3, 170},  {15.25, -83, 150, 350.5}};
    int outlined = 0;
    for (const double zoom : {1.0, 2.0634920597076416, 4.0, 37.5}) {
        qmtest::FakeCanvas canvas;
        canvas.zoomCoeff = zoom;
        for (const QRectF &frame : frames) {
            for (const bool mirrored : {false, true}) {
                for (const bool antialiased : {true, false}) {
                    SCOPED_TRACE(testing::Message() << zoom << " " << frame.x() << "," << frame.y() << " "
                                                    << frame.width() << "x" << frame.height() << " mirrored "
                                                    << mirrored << " antialiased " << antialiased);
                    NoKnobs object(QRectF(frame.topLeft() / zoom, frame.size() / zoom));
                    const bool reachesFar = !QRectF(-100, -100, 400, 400).contains(frame);
                    object.setMainView(&canvas);
                    // The reference is stroked on a larger picture (Qt's stroke of an edge cut
                    // by the picture starts its dashes afresh) and cut to the picture.
                    const int margin = reachesFar || QRectF(0, 0, 200, 200).contains(frame) ? 0 : 128;
                    auto paint = [&](bool reference) {
                        const int m = reference ? margin : 0;
                        QImage image(200 + 2 * m, 200 + 2 * m, QImage::Format_ARGB32_Premultiplied);
                        image.fill(Qt::white);
                        QPainter painter(&image);
                        painter.translate(m, m);
                        painter.setRenderHint(QPainter::Antialiasing, antialiased);
                        if (mirrored) {
                            painter.translate(200, 0);
                            painter.scale(-1, 1);
                        }
                        painter.scale(zoom, zoom);
                        if (!reference) {
                            object.drawSelect(&painter, QRectF());
                            return image;
                        }
                        const QPen pen = makePen(object.strokeColor(), 0.2 / object.displayedZoom(),
                                                 {2.0 / zoom, 2.0 / zoom});
                        const QPainterPath outline = object.bezierPath().toPainterPath();
                        if (!qmtest::strokeUprightBox(painter, outline, pen))
                            painter.strokePath(outline, pen);
                        painter.end();
                        return image.copy(m, m, 200, 200);
                    };
                    const QImage shown = paint(false);
                    const QImage expected = paint(true);
                    outlined += shown != blank();
                    if (!reachesFar) {
                        EXPECT_EQ(shown, expected);
                        continue;
                    }
                    for (const bool across : {true, false}) {
                        const std::vector<int> a = markedLines(shown, across);
                        const std::vector<int> b = markedLines(expected, across);
                        // A line holds an edge along it when more than two dashes mark it.
                        for (size_t i = 0; i < a.size(); ++i) {
                            EXPECT_EQ(a[i] > 20, b[i] > 20) << (across ? "row " : "column ") << i;
                            if (b[i] > 20) {
                                EXPECT_LE(std::abs(a[i] - b[i]), 10) << (across ? "row " : "column ") << i;
                            }
                        }
                    }
                }
            }
        }
    }
    // Every case shows an outline.
    EXPECT_EQ(outlined, 4 * 8 * 2 * 2);
}

TEST(ColorRectKnobs, LinkMarksOfAChainOfThree)
{
    struct Case { const char *label; int index; bool previousArrow; bool nextArrow; } cases[] = {
        {"first", 0, false, true},
        {"middle", 1, true, true},
        {"last", 2, true, false},
    };
    for (const Case &c : cases) {
        auto box = std::make_shared<ChainedBox>(QRectF(50, 50, 100, 100), c.index, 3);
        QTextCursor(box->textStorage()).insertText("Text");
        const QImage image = renderSelection(*box);
        // The white box of each mark is there.
        EXPECT_GT(count(image, previousMarkEdge, notWhite), 0) << c.label;
        EXPECT_EQ(count(image, previousMark, arrowBlue) > 0, c.previousArrow) << c.label;
        EXPECT_EQ(count(image, nextMark, arrowBlue) > 0, c.nextArrow) << c.label;
        EXPECT_EQ(count(image, nextMark, dotRed), 0) << c.label;
    }
}

TEST(ColorRectKnobs, OverflowDotOnTheLastBoxOnly)
{
    for (int index : {0, 2}) {
        auto box = std::make_shared<ChainedBox>(QRectF(50, 50, 100, 100), index, 3);
        box->textStorage()->setDefaultFont(qmtest::testFont(30));
        QTextCursor(box->textStorage()).insertText("many words that cannot fit into this small box at all");
        const QImage image = renderSelection(*box, 1.0, true);
        EXPECT_EQ(box->isOverfilled(), index == 2);
        EXPECT_EQ(count(image, nextMark, dotRed) > 0, index == 2) << index;
    }
}

TEST(ColorRectKnobs, NoLinkMarksWithoutTextOrWithShapedText)
{
    auto object = ColorRect::create(QRectF(50, 50, 100, 100));
    EXPECT_EQ(count(renderSelection(*object), previousMarkEdge, notWhite), 0);

    QTextCursor(object->textStorage()).insertText("Text");
    EXPECT_GT(count(renderSelection(*object), previousMarkEdge, notWhite), 0);

    object->setPowerText(true);
    const QImage shaped = renderSelection(*object);
    EXPECT_EQ(count(shaped, previousMarkEdge, notWhite), 0);
    // Knobs and the dashed box still show.
    EXPECT_GT(count(shaped, firstKnob, notWhite), 0);
    EXPECT_GT(count(shaped, QRect(70, 48, 20, 4), notWhite), 0);
}

TEST(ColorRectKnobs, KnobsTurnWithTheObject)
{
    auto object = ColorRect::create(QRectF(50, 80, 100, 40));
    object->setLocked(true);
    object->setAngle(90, false);
    const QImage image = renderSelection(*object);
    // Knob 1 (50, 80) turns about (100, 100) to (120, 50).
    EXPECT_GT(count(image, QRect(114, 44, 12, 12), pureRed), 0);
    EXPECT_EQ(count(image, QRect(44, 74, 12, 12), pureRed), 0);
}

TEST(ColorRectKnobs, WhileEditedOnlyAHairlineMayShow)
{
    auto object = ColorRect::create(QRectF(50, 50, 100, 100));
    object->setDrawsFill(false);
    object->setDrawsImage(false);
    object->setDrawsStroke(true);
    object->setStrokeLineWidth(0);
    object->setLocked(true);
    object->setEditable(true);
    const QImage image = renderSelection(*object);
    EXPECT_EQ(count(image, image.rect(), pureRed), 0);
    EXPECT_GT(count(image, QRect(70, 48, 20, 4), notWhite), 0);
    object->setDrawsFill(true);
    EXPECT_EQ(renderSelection(*object), blank());
}

TEST(ColorRectKnobs, KnobLocationForTheRulers)
{
    auto object = ColorRect::create(QRectF(100, 100, 200, 100));
    struct Case { int knob; QPointF point; } upright[] = {
        {2, {200, 100}}, {4, {100, 150}}, {5, {300, 150}}, {7, {200, 200}}, {1, {0, 0}}, {8, {0, 0}},
    };
    for (const Case &c : upright) {
        int knob = c.knob;
        EXPECT_EQ(object->knobLocation(knob), c.point) << c.knob;
        EXPECT_EQ(knob, c.knob);
    }

    object->setAngle(90, false);
    // Turned a quarter clockwise about (200, 150): corner 0 (100, 100) goes to (250, 50),
    // corner 1 to (250, 250), corner 2 to (150, 250), corner 3 to (150, 50).
    struct Turned { int knob; QPointF point; int becomes; } turned[] = {
        {5, {250, 50}, 1},  // right-most: corners 0 and 1 tie, the earlier wins
        {4, {150, 250}, 8}, // left-most: corners 2 and 3 tie
        {2, {250, 50}, 1},  // top-most: corners 0 and 3 tie
        {7, {250, 250}, 3}, // bottom-most: corners 1 and 2 tie
    };
    for (const Turned &c : turned) {
        int knob = c.knob;
        const QPointF p = object->knobLocation(knob);
        EXPECT_NEAR(p.x(), c.point.x(), 1e-9) << c.knob;
        EXPECT_NEAR(p.y(), c.point.y(), 1e-9) << c.knob;
        EXPECT_EQ(knob, c.becomes) << c.knob;
    }
}

TEST(ColorRectKnobs, IndexToKnob)
{
    const int expected[] = {0, 1, 3, 8, 6, 0, 0};
    for (int i = -2; i <= 4; ++i)
        EXPECT_EQ(ColorRect::indexToKnob(i), i < 0 ? 0 : expected[i + 1]) << i;
}
