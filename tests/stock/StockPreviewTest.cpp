// The stock page preview: the sheet on the paper of the shared print settings, the labels
// switched off filled, and the clicks that switch print positions.
#include <gtest/gtest.h>

#include <cmath>

#include <QImage>
#include <QPainter>
#include <QTest>

#include "StockTestSupport.h"
#include "platform/PrintInfo.h"
#include "stock/StockConversions.h"
#include "stock/testPreview.h"

using namespace quillmark;

namespace {

class StockPreview : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PrintInfo::sharedPrintInfo().setPaper(QPageSize(QPageSize::Letter));
        preview.setMainView(&canvas);
        // A drawing area of 153 x 153 points inside the 1-point inset.
        preview.resize(155, 155);
        preview.setMode(testPreview::FreeLayout);
    }
    void TearDown() override { PrintInfo::sharedPrintInfo().reset(); }

    // A grid of 3 across and 4 down, as the canvas holds it: its free layout, its flags.
    void useGrid(bool asFreeLayout)
    {
        canvas.label = TLabel();
        canvas.label.num_label = 3;
        canvas.label.num_downlabel = 4;
        canvas.label.width = 2.5f;
        canvas.label.height = 2.0f;
        canvas.label.left_margin = 0.3f;
        canvas.label.top_margin = 0.5f;
        canvas.label.hor_distance = 0.1f;
        canvas.label.vert_distance = 0.5f;
        canvas.format.reset();
        if (asFreeLayout)
            canvas.format = formatFromGridLabel(canvas.label);
        else
            preview.setMode(testPreview::GridRecord);
        canvas.flags = QByteArray(12, '\0');
    }
    QImage render()
    {
        QImage image(preview.size(), QImage::Format_ARGB32);
        image.fill(Qt::magenta);
        // Only what the view paints itself, not the window's background.
        preview.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }
    void click(int position, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QCoreApplication::processEvents();
        render(); // the layout of the last drawing
        const QRectF cell = preview.labelRectAt(position);
        ASSERT_FALSE(cell.isEmpty()) << position;
        QTest::mouseClick(&preview, Qt::LeftButton, modifiers, cell.center().toPoint());
    }
    QString offPositions() const
    {
        QString text;
        for (int i = 0; i < canvas.flags.size(); ++i)
            text += canvas.flags.at(i) ? QLatin1Char('x') : QLatin1Char('.');
        return text;
    }

    stocktest::FakeCanvas canvas;
    testPreview preview;
};

TEST_F(StockPreview, LetterPaperIsFittedAndCentredInTheArea)
{
    useGrid(true);
    render();
    EXPECT_EQ(preview.drawingArea(), QRectF(1, 1, 153, 153));
    EXPECT_NEAR(preview.scale(), 792.0 / 153.0, 1e-4);
    EXPECT_NEAR(preview.scale(), 5.1765, 1e-4);
    EXPECT_NEAR(preview.pageRect().width(), 118.23, 0.01);
    EXPECT_NEAR(preview.pageRect().height(), 153.0, 0.01);
    EXPECT_NEAR(preview.pageRect().x() - 1.0, 17.39, 0.01);
    EXPECT_NEAR(preview.pageRect().y(), 1.0, 0.01);
    // The first label at its margins on the scaled paper, and row 0 at the top of the sheet.
    const QRectF first = preview.labelRectAt(0);
    EXPECT_NEAR(first.x(), preview.pageRect().x() + 0.3 * 72 / preview.scale(), 0.01);
    EXPECT_NEAR(first.y(), preview.pageRect().y() + 0.5 * 72 / preview.scale(), 0.01);
    EXPECT_LT(preview.labelRectAt(0).y(), preview.labelRectAt(3).y());
}

TEST_F(StockPreview, AViewTwentyPointsHighDrawsNothingAndIgnoresClicks)
{
    useGrid(false);
    preview.resize(155, 20);
    const QImage image = render();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixelColor(x, y), QColor(Qt::magenta)) << x << "," << y;
    QTest::mouseClick(&preview, Qt::LeftButton, {}, QPoint(77, 10));
    EXPECT_EQ(offPositions(), QStringLiteral("............"));
}

// The click rules on a sheet of 3 x 4; Command is the Ctrl key here.
struct ClickCase
{
    const char *name;
    const char *before;
    int position;
    Qt::KeyboardModifiers modifiers;
    const char *after;
};

class StockPreviewClicks : public StockPreview, public ::testing::WithParamInterface<std::tuple<ClickCase, bool>>
{
};

TEST_P(StockPreviewClicks, SwitchPositions)
{
    const auto &[rule, freeLayout] = GetParam();
    useGrid(freeLayout);
    for (int i = 0; i < 12; ++i)
        canvas.flags[i] = rule.before[i] == 'x' ? 1 : 0;
    click(rule.position, rule.modifiers);
    EXPECT_EQ(offPositions(), QString::fromLatin1(rule.after)) << rule.name;
    EXPECT_EQ(canvas.flagChanges, 1);
}

const ClickCase clickCases[] = {
    {"a click switches a label off", "............", 4, Qt::NoModifier, "....x......."},
    {"a click switches it on again", "....x.......", 4, Qt::NoModifier, "............"},
    {"Command-click on 5 starts printing there", "..x.....x..x", 5, Qt::ControlModifier, "xxxxx......."},
    {"Shift-click runs from the first off position", "..x.........", 6, Qt::ShiftModifier, "..xxxxx....."},
    {"Shift-click before the first off one switches all on", "..x.........", 1, Qt::ShiftModifier, "............"},
    {"Shift-click with none off switches the one", "............", 7, Qt::ShiftModifier, ".......x...."},
};

INSTANTIATE_TEST_SUITE_P(GridAndFreeLayout, StockPreviewClicks,
                         ::testing::Combine(::testing::ValuesIn(clickCases), ::testing::Bool()));

TEST_F(StockPreview, OffLabelsAreFilledAndADiscsHoleIsNeitherFilledNorClickable)
{
    TFormat format;
    TLabelT disc;
    disc.setType(QStringLiteral("Disc"));
    disc.setX(40.0f);
    disc.setY(40.0f);
    disc.setWidth(117.0f);
    disc.setHeight(117.0f);
    disc.setHole(41.0f);
    disc.setRound(QStringLiteral("true"));
    format.labels.push_back(disc);
    canvas.format = format;
    canvas.flags = QByteArray(1, '\0');

    render();
    const QRectF box = preview.labelRectAt(0);
    ASSERT_FALSE(box.isEmpty());
    // Inside the hole: nothing happens.
    QTest::mouseClick(&preview, Qt::LeftButton, {}, box.center().toPoint());
    EXPECT_EQ(canvas.flags.at(0), 0);
    // On the ring: the position goes off, and the ring is filled while the hole is not.
    const QPoint ring(int(box.center().x()), int(box.top() + box.height() * 0.15));
    QTest::mouseClick(&preview, Qt::LeftButton, {}, ring);
    EXPECT_EQ(canvas.flags.at(0), 1);
    const QImage off = render();
    EXPECT_NEAR(off.pixelColor(ring).red(), 230, 1);
    EXPECT_EQ(off.pixelColor(ring).red(), off.pixelColor(ring).blue());
    EXPECT_EQ(off.pixelColor(box.center().toPoint()), QColor(Qt::white));
    // A click on a label switched off switches it on again.
    QTest::mouseClick(&preview, Qt::LeftButton, {}, ring);
    EXPECT_EQ(canvas.flags.at(0), 0);
    EXPECT_EQ(render().pixelColor(ring), QColor(Qt::white));
}

TEST_F(StockPreview, AShapeCodeWithoutOutlineDrawsNothingButItsCellsStillSwitch)
{
    useGrid(false);
    canvas.label.shape = 0;
    canvas.flags[0] = 1;
    const QImage image = render();
    const QRectF cell = preview.labelRectAt(0);
    EXPECT_EQ(image.pixelColor(cell.center().toPoint()), QColor(Qt::white));
    click(3);
    EXPECT_EQ(offPositions(), QStringLiteral("x..x........"));
}

TEST_F(StockPreview, AShortFlagBufferIsPaddedBeforeAClickWritesIt)
{
    useGrid(true);
    canvas.flags = QByteArray(2, '\0');
    click(9);
    EXPECT_EQ(offPositions(), QStringLiteral(".........x.."));
}

TEST_F(StockPreview, PaperOnlyModeShowsNoLabelsAndThePaperFollowsTheSharedSettings)
{
    useGrid(true);
    canvas.flags[0] = 1;
    preview.setMode(testPreview::PaperOnly);
    const QImage paperOnly = render();
    preview.setMode(testPreview::FreeLayout);
    const QImage withLabels = render();
    const QPoint inFirst = preview.labelRectAt(0).center().toPoint();
    EXPECT_EQ(paperOnly.pixelColor(inFirst), QColor(Qt::white));
    EXPECT_NE(withLabels.pixelColor(inFirst), QColor(Qt::white));

    PrintInfo::sharedPrintInfo().setPaper(QPageSize(QPageSize::A4));
    render();
    EXPECT_NEAR(preview.paperSize().width(), 595.28, 0.01);
    EXPECT_NEAR(preview.scale(), 841.89 / 153.0, 1e-3);
}

TEST_F(StockPreview, AGridStockIsShownInTheBrowsersModeWithItsSkippedLabelsFilled)
{
    // The browser keeps the preview in free-layout mode whatever stock it applies.
    useGrid(false);
    preview.setMode(testPreview::FreeLayout);
    canvas.flags[4] = 1;
    const QImage image = render();
    const QRectF skipped = preview.labelRectAt(4);
    const QRectF printed = preview.labelRectAt(3);
    ASSERT_FALSE(skipped.isEmpty());
    EXPECT_NEAR(image.pixelColor(skipped.center().toPoint()).red(), 230, 1);
    EXPECT_EQ(image.pixelColor(printed.center().toPoint()), QColor(Qt::white));
    // The outline of a printed label is drawn on its edge.
    const QPoint edge(int(printed.center().x()), int(std::lround(printed.top())));
    EXPECT_NE(image.pixelColor(edge), QColor(Qt::white));
    click(4);
    EXPECT_EQ(render().pixelColor(skipped.center().toPoint()), QColor(Qt::white));
}

} // namespace
