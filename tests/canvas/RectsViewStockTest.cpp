#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollArea>

#include "CanvasTestSupport.h"
#include "stock/StockConversions.h"
#include "stock/TFormat.h"

using namespace quillmark;
using canvastest::CanvasFixture;

namespace {

class RectsViewStock : public ::testing::Test, public CanvasFixture
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("stock"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
    }
    void TearDown() override { Language::reset(); }
};

TLabel grid(float width, float height, int across, int down)
{
    TLabel label;
    label.name = QStringLiteral("Test");
    label.width = width;
    label.height = height;
    label.num_label = qint16(across);
    label.num_downlabel = qint16(down);
    return label;
}

TEST_F(RectsViewStock, LabelOutlinesWithBleedsAndHoles)
{
    TLabel label = grid(2.0f, 1.0f, 1, 1);
    EXPECT_EQ(RectsView::getLabelBoundPath(label, false).bounds(), QRectF(0, 0, 144, 72));
    UserDefaults::standard().setFloat(9.0, QStringLiteral("Printing Bleeds"));
    EXPECT_EQ(RectsView::getLabelBoundPath(label, true).bounds(), QRectF(-9, -9, 162, 90));
    EXPECT_EQ(RectsView::getLabelBoundPath(label, false).bounds(), QRectF(0, 0, 144, 72));

    label.shape = TLabel::RoundedRectangle;
    label.round_param = 0.25f;
    const BezierPath rounded = RectsView::getLabelBoundPath(label, true);
    EXPECT_NEAR(rounded.bounds().left(), -9.0, 1e-4);
    EXPECT_NEAR(rounded.bounds().width(), 162.0, 1e-4);
    EXPECT_FALSE(rounded.containsPoint({-8.5, -8.5}));
    EXPECT_TRUE(rounded.containsPoint({70, 30}));

    // A disc with a hole: the centre is left out, the ring is inside.
    TLabel disc = grid(4.0f, 4.0f, 1, 1);
    disc.shape = TLabel::Oval;
    disc.hole = 1.0f;
    const BezierPath outline = RectsView::getLabelBoundPath(disc, false);
    EXPECT_EQ(outline.windingRule(), BezierPath::EvenOddWinding);
    EXPECT_FALSE(outline.containsPoint({144, 144}));
    EXPECT_TRUE(outline.containsPoint({144, 60}));
    EXPECT_FALSE(outline.containsPoint({5, 5}));
    // With bleeds the hole shrinks by the bleed.
    const BezierPath bled = RectsView::getLabelBoundPath(disc, true);
    EXPECT_TRUE(bled.containsPoint({144, 144 - 36 + 5}));
    EXPECT_FALSE(outline.containsPoint({144, 144 - 36 + 5}));
}

TEST_F(RectsViewStock, DescriptionOfTheDefaultLabel)
{
    EXPECT_EQ(view->labelDescription(), QStringLiteral("4.00 inch x 2.00 inch, 2 across, 5 down"));
    UserDefaults::standard().setString(QStringLiteral("Points"), QStringLiteral("Measurements"));
    EXPECT_EQ(view->labelDescription(), QStringLiteral("288.00 pt x 144.00 pt, 2 across, 5 down"));
}

TEST_F(RectsViewStock, PrintFlagsHoldOneBytePerPosition)
{
    EXPECT_EQ(view->getEnableLabelFlags().size(), 10);
    view->setTLabel(grid(2.625f, 1.0f, 3, 10));
    EXPECT_EQ(view->getEnableLabelFlags(), QByteArray(30, '\0'));

    // Flags from elsewhere are cut or padded to the stock.
    view->setEnableLabelFlags(QByteArray(50, '\1'));
    EXPECT_EQ(view->getEnableLabelFlags(), QByteArray(30, '\1'));
    view->setEnableLabelFlags(QByteArray(3, '\1'));
    EXPECT_EQ(view->getEnableLabelFlags(), QByteArray(3, '\1') + QByteArray(27, '\0'));

    // A free layout counts its shapes, whatever label type is edited.
    TFormat format;
    format.name = QStringLiteral("Free");
    for (int i = 0; i < 4; ++i) {
        TLabelT shape;
        shape.setType(i < 2 ? QStringLiteral("Face") : QStringLiteral("Spine"));
        shape.setX(10.0f * float(i));
        shape.setY(5.0f);
        shape.setWidth(50.0f + float(i));
        shape.setHeight(20.0f);
        format.labels.push_back(shape);
    }
    view->setTFormat(format);
    EXPECT_EQ(view->getEnableLabelFlags().size(), 4);
    view->getEnableLabelFlags()[1] = 1;
    view->setTIndex(2);
    EXPECT_EQ(view->getEnableLabelFlags().size(), 4);
    EXPECT_EQ(view->getEnableLabelFlags()[1], '\1');
    EXPECT_NEAR(view->getLabel().width, 52.0f / 25.4f, 1e-5);
}

TEST_F(RectsViewStock, GridStockBecomesAFreeLayoutAndBack)
{
    TLabel label = grid(3.0f, 2.0f, 3, 10);
    label.shape = TLabel::Oval;
    view->setTLabel(label);
    ASSERT_NE(view->getTFormat(), nullptr);
    EXPECT_EQ(view->getTFormat()->labels.size(), 30u);
    EXPECT_EQ(view->getTFormat()->manufacturer, QStringLiteral("Fernwick"));
    EXPECT_EQ(view->getLabel().num_label, 3);
    EXPECT_EQ(view->getLabel().shape, TLabel::Oval);
    // The canvas holds the label with 100 points round it until it is laid out.
    EXPECT_TRUE(view->isChanged());
}

TEST_F(RectsViewStock, PageNamesStayEnglish)
{
    EXPECT_EQ(view->getCurrPageName(), QStringLiteral("HorizontalFront"));
    side.setSelectedSegment(1);
    EXPECT_EQ(view->getCurrPageName(), QStringLiteral("HorizontalBack"));
    landscape.setChecked(true);
    EXPECT_EQ(view->getCurrPageName(), QStringLiteral("VerticalBack"));
    EXPECT_EQ(view->getTemplateFolder(), QStringLiteral("Vertical"));

    Language::reset(qmtest::resourcesDir(), QStringLiteral("de"));
    Language::initialize();
    CanvasFixture german;
    Language::setLanguage(Language::language());
    ASSERT_NE(german.side.label(0), QStringLiteral("Front"));
    EXPECT_EQ(german.view->getCurrPageName(), QStringLiteral("HorizontalFront"));
}

TEST_F(RectsViewStock, TurningALabelTypeMovesEveryGraphicToTheOtherOrientation)
{
    QCheckBox byType;
    byType.setChecked(true);
    RectsView::Outlets outlets = view->outlets();
    outlets.cbDrawByType = &byType;
    view->setOutlets(outlets);
    view->setTLabel(grid(4.0f, 2.0f, 1, 1));

    auto front = add({0, 0, 10, 10});
    auto back = ColorRect::create({0, 0, 10, 10});
    back->setPageName(QStringLiteral("HorizontalBack"));
    view->addGraphic(back);

    landscape.setChecked(true);
    view->setLabelLandscape();
    EXPECT_EQ(front->getPageName(), QStringLiteral("VerticalFront"));
    EXPECT_EQ(back->getPageName(), QStringLiteral("VerticalBack"));
    EXPECT_FLOAT_EQ(view->getLabel().width, 2.0f);
    EXPECT_FLOAT_EQ(view->getLabel().height, 4.0f);
    EXPECT_EQ(view->getTFormat()->labels[0].orientation, 1);
}

class RectsViewZoom : public RectsViewStock
{
protected:
    void SetUp() override
    {
        RectsViewStock::SetUp();
        RectsView::setScreenFactor(1.0f);
        scroll.setFrameShape(QFrame::NoFrame);
        scroll.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll.setWidgetResizable(false);
        scroll.resize(700, 500);
        RectsView::Outlets outlets = view->outlets();
        outlets.scrollView = &scroll;
        view->setOutlets(outlets);
        scroll.setWidget(view.get());
        scroll.show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        scroll.takeWidget();
        RectsViewStock::TearDown();
    }
    QScrollArea scroll;
};

TEST_F(RectsViewZoom, FitPageOfAFourByTwoLabel)
{
    ASSERT_EQ(scroll.viewport()->size(), QSize(700, 500));
    view->zoomMenuSelect(7);
    EXPECT_EQ(view->getZoomFit(), 3);
    EXPECT_NEAR(view->getZoom(), 660.0 / 288.0, 1e-5);
    EXPECT_EQ(view->zoomText(), QStringLiteral("229%"));
    view->zoomMenuSelect(8);
    EXPECT_EQ(view->zoomText(), QStringLiteral("229%"));
    view->zoomMenuSelect(9);
    EXPECT_EQ(view->zoomText(), QStringLiteral("319%"));
    // zoomChange 0 in a fit mode still lays out and refits.
    view->zoomChange(0.0);
    EXPECT_EQ(view->zoomText(), QStringLiteral("319%"));
}

TEST_F(RectsViewZoom, ZoomStepsAreClampedAndTheMenuPositionsSetTheirZoom)
{
    const QList<std::pair<int, double>> menu = {{0, 0.25}, {1, 0.5}, {2, 1.0}, {3, 1.5},
                                                {4, 2.0}, {5, 4.0}, {6, 1.0}};
    for (const auto &[index, zoom] : menu) {
        view->zoomMenuSelect(index);
        EXPECT_DOUBLE_EQ(view->getZoom(), zoom) << index;
        EXPECT_EQ(view->getZoomFit(), 0);
    }
    view->zoomChange(7.9);
    view->zoomIn();
    EXPECT_DOUBLE_EQ(view->getZoom(), 8.0);
    view->zoomIn();
    EXPECT_DOUBLE_EQ(view->getZoom(), 8.0);
    view->zoomChange(0.3);
    view->zoomOut();
    EXPECT_DOUBLE_EQ(view->getZoom(), 0.25);
    EXPECT_EQ(view->zoomText(), QStringLiteral("25%"));

    // The stored zoom is the displayed zoom times the screen factor.
    RectsView::setScreenFactor(1.5f);
    view->adjustZoom();
    view->zoomChange(2.0);
    EXPECT_DOUBLE_EQ(view->getZoomCoeff(), 3.0);
    EXPECT_DOUBLE_EQ(view->getZoom(), 2.0);
    RectsView::setScreenFactor(1.0f);
}

TEST_F(RectsViewZoom, ASmallLabelIsCentred)
{
    view->zoomMenuSelect(2);
    // (700 - 288) / 2 and (500 - 144) / 2 points of margin on each side.
    EXPECT_EQ(view->bounds().topLeft(), QPointF(-206, -178));
    EXPECT_EQ(view->size(), QSize(700, 500));
}

TEST_F(RectsViewZoom, TheLabelDrawsWhiteInsideAndVeiledOutside)
{
    view->zoomMenuSelect(2);
    auto graphic = add({-50, 20, 100, 40});
    graphic->setFillColor(QColor(255, 0, 0));
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        painter.setTransform(view->pageToWidget());
        view->drawContents(&painter, view->bounds());
    }
    auto at = [&](QPointF page) { return image.pixelColor(view->pageToWidget().map(page).toPoint()); };
    EXPECT_EQ(at({200, 100}), QColor(Qt::white));
    EXPECT_EQ(at({20, 40}).red(), 255);
    EXPECT_EQ(at({20, 40}).green(), 0);
    // Outside the label the graphic shows dimmed through the veil.
    const QColor outside = at({-30, 40});
    EXPECT_GT(outside.red(), outside.green());
    EXPECT_GT(outside.green(), 150);
}

TEST_F(RectsViewZoom, PreviewModeHidesWhatLiesOutsideAndLayersShowAsEdited)
{
    view->zoomMenuSelect(2);
    auto normal = add({-50, 20, 100, 40}, 1);
    normal->setFillColor(QColor(255, 0, 0));
    auto background = add({150, 20, 40, 40}, 0);
    background->setFillColor(QColor(0, 0, 255));
    auto render = [&] {
        QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setTransform(view->pageToWidget());
        view->drawContents(&painter, view->bounds());
        return image;
    };
    auto at = [&](const QImage &image, QPointF page) {
        return image.pixelColor(view->pageToWidget().map(page).toPoint());
    };

    QImage image = render();
    EXPECT_EQ(at(image, {170, 40}), QColor(0, 0, 255));
    view->setPreviewMode();
    image = render();
    const QColor outside = at(image, {-30, 40});
    EXPECT_EQ(outside.red(), outside.green());
    EXPECT_EQ(at(image, {20, 40}), QColor(255, 0, 0));
    view->setPreviewMode();

    // Editing the background layer shows only its own objects.
    layers.setSelectedSegment(0);
    image = render();
    EXPECT_EQ(at(image, {170, 40}), QColor(0, 0, 255));
    EXPECT_EQ(at(image, {20, 40}), QColor(Qt::white));
}

} // namespace
