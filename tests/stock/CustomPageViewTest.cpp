// The custom sheet: the paper in the view, selecting, moving by mouse and keys, duplicating,
// deleting and dropping palette shapes, and the guides of the selected shape.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QMimeData>
#include <QTest>

#include "StockTestSupport.h"
#include "stock/CustomPageView.h"
#include "stock/CustomTypeItemView.h"
#include "stock/CustomTypesView.h"

using namespace quillmark;

namespace {

TLabelT shape(const QString &type, float xPoints, float yPoints, float widthMM, float heightMM)
{
    TLabelT label;
    label.setType(type);
    label.setX(xPoints * CustomPageView::MillimetresPerPoint);
    label.setY(yPoints * CustomPageView::MillimetresPerPoint);
    label.setWidth(widthMM);
    label.setHeight(heightMM);
    return label;
}

class CustomSheet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        // Letter paper in a view 20 points larger: scale 1, the paper's corner at (10, 10).
        view.setPaperSize(QSizeF(612, 792));
        view.resize(632, 812);
        view.setRectsView(&canvas);
        view.show();
        view.layoutPaper();
    }
    void TearDown() override { Language::reset(); }

    QPointF pointsOf(int index) const { return view.labels().at(size_t(index)).origin(); }
    QPoint inView(float xPoints, float yPoints) const
    {
        return view.viewPoint(QPointF(xPoints, yPoints)).toPoint();
    }

    stocktest::FakeCanvas canvas;
    CustomPageView view;
};

TEST_F(CustomSheet, ThePaperIsScaledAndCentred)
{
    EXPECT_FLOAT_EQ(view.getScale(), 1.0f);
    EXPECT_EQ(view.paperOrigin(), QPointF(10, 10));
    view.resize(326, 812);
    view.layoutPaper();
    // Half the width: the width decides, the paper is centred vertically.
    EXPECT_FLOAT_EQ(view.getScale(), 0.5f);
    EXPECT_NEAR(view.paperOrigin().x(), 10.0, 1e-6);
    EXPECT_NEAR(view.paperOrigin().y(), (812 - 396) / 2.0, 1e-6);
}

TEST_F(CustomSheet, AClickSelectsTheShapeOnTopAndEmptyPaperSelectsNothing)
{
    view.setLabels({shape(QStringLiteral("Under"), 100, 100, 50, 50), shape(QStringLiteral("Over"), 120, 120, 50, 50)});
    QTest::mouseClick(&view, Qt::LeftButton, {}, inView(130, 130));
    EXPECT_EQ(view.selectedIndex(), 1);
    QTest::mouseClick(&view, Qt::LeftButton, {}, inView(105, 105));
    EXPECT_EQ(view.selectedIndex(), 0);
    EXPECT_EQ(view.guideCaptions().size(), 2);
    QTest::mouseClick(&view, Qt::LeftButton, {}, inView(500, 600));
    EXPECT_EQ(view.selectedIndex(), -1);
    EXPECT_TRUE(view.guideCaptions().isEmpty());
}

struct KeyStep
{
    Qt::KeyboardModifiers modifiers;
    float step;
};

class CustomSheetKeys : public CustomSheet, public ::testing::WithParamInterface<KeyStep>
{
};

TEST_P(CustomSheetKeys, ArrowKeysMoveByTheStepOfTheModifiersHeld)
{
    view.setLabels({shape(QStringLiteral("Label"), 200, 200, 50, 30)});
    view.selectLabelAtIndex(0);
    const KeyStep step = GetParam();
    QTest::keyClick(&view, Qt::Key_Right, step.modifiers);
    EXPECT_NEAR(pointsOf(0).x(), 200 + step.step, 1e-3);
    QTest::keyClick(&view, Qt::Key_Down, step.modifiers);
    EXPECT_NEAR(pointsOf(0).y(), 200 + step.step, 1e-3);
    QTest::keyClick(&view, Qt::Key_Left, step.modifiers);
    QTest::keyClick(&view, Qt::Key_Up, step.modifiers);
    EXPECT_NEAR(pointsOf(0).x(), 200, 1e-3);
    EXPECT_NEAR(pointsOf(0).y(), 200, 1e-3);
}

// Control is the Meta key here; Ctrl (the Command key) gives the same large step.
INSTANTIATE_TEST_SUITE_P(Steps, CustomSheetKeys,
                         ::testing::Values(KeyStep{Qt::NoModifier, 1.0f}, KeyStep{Qt::ShiftModifier, 10.0f},
                                           KeyStep{Qt::MetaModifier, 20.0f},
                                           KeyStep{Qt::MetaModifier | Qt::ShiftModifier, 20.0f},
                                           KeyStep{Qt::ControlModifier, 20.0f}));

TEST_F(CustomSheet, TheModifierKeysHeldSetTheStep)
{
    // Each modifier key as the window system sends it, one at a time.
    auto send = [this](QEvent::Type type, int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(type, key, modifiers);
        QCoreApplication::sendEvent(&view, &event);
        return view.keyIncrement();
    };
    EXPECT_FLOAT_EQ(view.keyIncrement(), 1.0f);
    EXPECT_FLOAT_EQ(send(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier), 10.0f);
    EXPECT_FLOAT_EQ(send(QEvent::KeyPress, Qt::Key_Meta, Qt::ShiftModifier), 20.0f);
    EXPECT_FLOAT_EQ(send(QEvent::KeyRelease, Qt::Key_Meta, Qt::ShiftModifier | Qt::MetaModifier), 10.0f);
    EXPECT_FLOAT_EQ(send(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier), 1.0f);
}

TEST_F(CustomSheet, DraggedShapesKeepFivePointsOnThePaper)
{
    view.setLabels({shape(QStringLiteral("Label"), 200, 200, 50, 30)});
    QTest::mousePress(&view, Qt::LeftButton, {}, inView(210, 210));
    QTest::mouseMove(&view, inView(260, 250));
    EXPECT_NEAR(pointsOf(0).x(), 250, 1e-3);
    EXPECT_NEAR(pointsOf(0).y(), 240, 1e-3);
    // Far past the right edge: the left edge stays 5 points inside it.
    QTest::mouseMove(&view, QPoint(3000, 260));
    EXPECT_NEAR(pointsOf(0).x(), 612 - 5, 1e-3);
    // Far past the left and top edges: the right and bottom edges stay 5 points inside.
    QTest::mouseMove(&view, QPoint(-3000, -3000));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(-3000, -3000));
    const float widthPoints = 50.0f * TLabelT::PointsPerMillimetre;
    const float heightPoints = 30.0f * TLabelT::PointsPerMillimetre;
    EXPECT_NEAR(pointsOf(0).x(), 5 - widthPoints, 1e-2);
    EXPECT_NEAR(pointsOf(0).y(), 5 - heightPoints, 1e-2);
}

TEST_F(CustomSheet, ADragFromEmptyPaperMovesNothing)
{
    view.setLabels({shape(QStringLiteral("Label"), 200, 200, 50, 30)});
    QTest::mousePress(&view, Qt::LeftButton, {}, inView(400, 400));
    QTest::mouseMove(&view, inView(210, 210));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, inView(210, 210));
    EXPECT_NEAR(pointsOf(0).x(), 200, 1e-3);
}

TEST_F(CustomSheet, DuplicatesLieThreeMillimetresRightAndDown)
{
    view.setLabels({shape(QStringLiteral("Label"), 200, 200, 50, 30)});
    view.duplicate();
    EXPECT_EQ(view.labels().size(), 1u) << "nothing selected, nothing duplicated";
    view.selectLabelAtIndex(0);
    view.duplicate();
    view.duplicate();
    ASSERT_EQ(view.labels().size(), 3u);
    EXPECT_EQ(view.selectedIndex(), 2);
    EXPECT_NEAR(view.labels()[1].xValue() - view.labels()[0].xValue(), 3.0, 1e-4);
    EXPECT_NEAR(view.labels()[1].yValue() - view.labels()[0].yValue(), 3.0, 1e-4);
    EXPECT_NEAR(view.labels()[2].xValue() - view.labels()[0].xValue(), 6.0, 1e-4);
    EXPECT_EQ(view.labels()[2].getType(), QStringLiteral("Label"));
}

TEST_F(CustomSheet, TheDeleteKeysRemoveTheSelectedShape)
{
    view.setLabels({shape(QStringLiteral("A"), 100, 100, 20, 20), shape(QStringLiteral("B"), 300, 300, 20, 20)});
    view.selectLabelAtIndex(0);
    QTest::keyClick(&view, Qt::Key_Delete);
    ASSERT_EQ(view.labels().size(), 1u);
    EXPECT_EQ(view.labels()[0].getType(), QStringLiteral("B"));
    EXPECT_EQ(view.selectedIndex(), -1);
    // Without a selection the keys remove nothing.
    QTest::keyClick(&view, Qt::Key_Backspace);
    EXPECT_EQ(view.labels().size(), 1u);
    view.selectLabelAtIndex(0);
    QTest::keyClick(&view, Qt::Key_Backspace);
    EXPECT_TRUE(view.labels().empty());
}

TEST_F(CustomSheet, GuideCaptionsAreTheDistancesInTheUnit)
{
    view.setLabels({shape(QStringLiteral("Label"), 36, 72, 50, 30)});
    view.selectLabelAtIndex(0);
    canvas.unit = QStringLiteral("Centimeters");
    EXPECT_EQ(view.guideCaptions(), QStringList({QStringLiteral(" 2.54 cm"), QStringLiteral(" 1.27 cm")}));
    canvas.unit = QStringLiteral("Inches");
    EXPECT_EQ(view.guideCaptions(), QStringList({QStringLiteral(" 1.00 inch"), QStringLiteral(" 0.50 inch")}));
    canvas.unit = QStringLiteral("Picas");
    EXPECT_EQ(view.guideCaptions().first(), QStringLiteral(" 6.00 pc"));
    canvas.unit = QStringLiteral("Points");
    EXPECT_EQ(view.guideCaptions().first(), QStringLiteral(" 72.00 pt"));
}

TEST_F(CustomSheet, TheSelectedShapeIsDrawnInItsColourWithDashedGuides)
{
    view.setLabels({shape(QStringLiteral("Label"), 200, 300, 50, 30)});
    view.selectLabelAtIndex(0);
    QImage image(view.size(), QImage::Format_ARGB32);
    view.render(&image);
    const QColor inside = image.pixelColor(inView(230, 320));
    EXPECT_NEAR(inside.redF(), 0.47, 0.01);
    EXPECT_NEAR(inside.blueF(), 0.82, 0.01);
    // The vertical guide runs from the top edge down to the shape through its centre.
    const int centreX = inView(200 + 25.0f * TLabelT::PointsPerMillimetre, 0).x();
    int guidePixels = 0;
    for (int y = inView(0, 20).y(); y < inView(0, 290).y(); ++y) {
        bool guide = false;
        // The line is drawn smooth: it may share its colour out over two columns.
        for (int x = centreX - 1; x <= centreX + 1; ++x)
            guide = guide || image.pixelColor(x, y).blue() > image.pixelColor(x, y).green() + 40;
        guidePixels += guide ? 1 : 0;
    }
    // Dashes of 6 on and 3 off over 270 points: about two thirds are drawn.
    EXPECT_GT(guidePixels, 150);
    EXPECT_LT(guidePixels, 210);
}

class CustomSheetDrops : public CustomSheet
{
protected:
    void SetUp() override
    {
        CustomSheet::SetUp();
        folder.write(QStringLiteral("palette.xml"),
                     QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>FormatTypes</key><array>"
                                "<dict><key>type</key><string>Card</string><key>x</key><real>0</real><key>y</key>"
                                "<real>0</real><key>width</key><real>85</real><key>height</key><real>55</real></dict>"
                                "<dict><key>type</key><string>Empty</string><key>width</key><real>0</real></dict>"
                                "</array></dict></plist>"));
        palette = std::make_unique<CustomTypesView>(
            nullptr, std::make_unique<FormatTypesReader>(folder.path + QStringLiteral("/palette.xml")));
        palette->setGeometry(0, 0, 245, 300);
        palette->awakeFromNib();
        view.setCustomTypes(palette.get());
    }
    bool drop(const QByteArray &type, const QPoint &at, const QString &format = CustomTypeItemView::dragType())
    {
        QMimeData data;
        data.setData(format, type);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &enter);
        QDropEvent event(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &event);
        return enter.isAccepted();
    }

    stocktest::ResourcesFolder folder;
    std::unique_ptr<CustomTypesView> palette;
};

TEST_F(CustomSheetDrops, ADroppedShapeLiesHalfATileUpAndLeftOfTheDropPoint)
{
    EXPECT_TRUE(drop("Card", inView(300, 400)));
    ASSERT_EQ(view.labels().size(), 1u);
    EXPECT_EQ(view.selectedIndex(), 0);
    EXPECT_EQ(view.labels()[0].getType(), QStringLiteral("Card"));
    // A tile is 100 wide, taken as points: 50 points up and left.
    EXPECT_NEAR(pointsOf(0).x(), 250, 1e-2);
    EXPECT_NEAR(pointsOf(0).y(), 350, 1e-2);
    // Also outside the paper: a drop is not held on it.
    drop("Card", inView(10, 10));
    EXPECT_NEAR(pointsOf(1).x(), -40, 1e-2);
}

TEST_F(CustomSheetDrops, UnknownTypesShapesWithoutOutlineAndOtherDataAddNothing)
{
    drop("Nothing", inView(300, 400));
    drop("Empty", inView(300, 400));
    EXPECT_FALSE(drop("Card", inView(300, 400), QStringLiteral("text/plain")));
    EXPECT_TRUE(view.labels().empty());
}

} // namespace
