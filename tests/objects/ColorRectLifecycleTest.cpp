// ColorRect: construction defaults, small state operations, the last-used style and copies.
#include <gtest/gtest.h>

#include <QTextDocument>

#include "objects/CanvasServices.h"
#include "objects/ColorRect.h"
#include "objects/ObjectInfo.h"
#include "objects/FakeCanvas.h"
#include "objects/ImageFiles.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

// A kind other than the plain rectangle, as the oval is.
class OtherKind : public ColorRect
{
public:
    QString className() const override { return QStringLiteral("ColorOval"); }
    std::shared_ptr<ColorRect> newInstance() const override { return std::make_shared<OtherKind>(); }
};

void expectColor(const QColor &actual, float r, float g, float b, float a)
{
    EXPECT_NEAR(actual.redF(), r, 1e-3);
    EXPECT_NEAR(actual.greenF(), g, 1e-3);
    EXPECT_NEAR(actual.blueF(), b, 1e-3);
    EXPECT_NEAR(actual.alphaF(), a, 1e-3);
}

} // namespace

TEST(ColorRectDefaults, NewObjectHasTheConstructionDefaults)
{
    auto r = ColorRect::create(QRectF(10, 20, 100, 50));
    EXPECT_EQ(r->className(), "ColorRect");
    EXPECT_EQ(r->frameBounds(), QRectF(10, 20, 100, 50));
    expectColor(r->fillColor(), 0.8f, 0.8f, 0.8f, 0.5f);
    expectColor(r->strokeColor(), 0, 0, 0, 1);
    expectColor(r->fillColor2(), 1, 0, 0, 1);
    expectColor(r->shadowColor(), 0, 0, 0, 0.5f);
    expectColor(r->tintImageColor(), 1, 1, 1, 0);
    EXPECT_EQ(r->image(), nullptr);
    EXPECT_TRUE(r->imagePath().isNull());
    EXPECT_EQ(r->mainView(), nullptr);
    EXPECT_EQ(r->undoManager(), nullptr);
    EXPECT_EQ(r->getZoom(), 1.0);
    EXPECT_EQ(r->getXImageOffset(), 0.0f);
    EXPECT_EQ(r->getYImageOffset(), 0.0f);
    EXPECT_EQ(r->getXImageScale(), 100.0f);
    EXPECT_EQ(r->getYImageScale(), 100.0f);
    EXPECT_EQ(r->angle(), 0.0f);
    EXPECT_EQ(r->strokeLineWidth(), 1.0f);
    EXPECT_FALSE(r->isLocked());
    EXPECT_FALSE(r->drawsStroke());
    EXPECT_TRUE(r->drawsFill());
    EXPECT_FALSE(r->drawsShadow());
    EXPECT_TRUE(r->drawsImage());
    EXPECT_FALSE(r->isEdit());
    EXPECT_TRUE(r->isResizable());
    EXPECT_TRUE(r->isScaleWithBox());
    EXPECT_FALSE(r->isBack());
    EXPECT_TRUE(r->getPageName().isNull());
    EXPECT_EQ(r->objectLayer(), 1);
    EXPECT_FALSE(r->isTemplate());
    EXPECT_EQ(r->textWrap(), 0);
    EXPECT_EQ(r->clipPath(), nullptr);
    EXPECT_TRUE(r->getTextViewsStr().isNull());
    EXPECT_EQ(r->imageOpacity(), 100.0f);
    EXPECT_EQ(r->imageTile(), 1.0f);
    EXPECT_EQ(r->getRunaroundState(), 0);
    EXPECT_EQ(r->getRunaroundMode(), 0);
    EXPECT_EQ(r->fillType(), 0);
    EXPECT_EQ(r->fillAngle(), 0.0);
    EXPECT_EQ(r->fillIntensity(), 0.5);
    EXPECT_EQ(r->shadowDistance(), 10.0);
    EXPECT_EQ(r->shadowAngle(), 45.0);
    EXPECT_EQ(r->shadowBlur(), 10);
    EXPECT_EQ(r->linePattern(), 0);
    EXPECT_FALSE(r->fixRatio());
    EXPECT_FALSE(r->tintImage());
    EXPECT_FALSE(r->flipHor());
    EXPECT_FALSE(r->flipVert());
    EXPECT_EQ(r->getGroup(), nullptr);
    EXPECT_FALSE(r->imageUseFilter());
    EXPECT_FALSE(r->powerText());
    EXPECT_EQ(r->powerType(), 0);
    EXPECT_EQ(r->fieldPk(), 0);
    EXPECT_EQ(r->anchor(), 0);
    EXPECT_FALSE(r->isSelected());
    EXPECT_TRUE(r->textStorage()->isEmpty());
    EXPECT_TRUE(r->canFill() && r->canStroke() && r->canDrawsImage() && r->canFixRatio() && r->setsInfo());
    EXPECT_EQ(r->barHeight(), 0.0);

    EXPECT_EQ(ColorRect::create()->frameBounds(), QRectF());
}

TEST(ColorRectDefaults, EditFlagStaysOff)
{
    auto r = ColorRect::create();
    r->setEdit(true);
    EXPECT_FALSE(r->isEdit());
    r->setSelected(true);
    EXPECT_FALSE(r->isSelected());
}

TEST(ColorRectState, PageNameTakesFrontAfterABareOrientation)
{
    auto r = ColorRect::create();
    r->setPageName("Horizontal");
    EXPECT_EQ(r->getPageName(), "HorizontalFront");
    r->setPageName("Vertical");
    EXPECT_EQ(r->getPageName(), "VerticalFront");
    r->setPageName("VerticalBack");
    EXPECT_EQ(r->getPageName(), "VerticalBack");
    r->setPageName("horizontal");
    EXPECT_EQ(r->getPageName(), "horizontal");
    EXPECT_TRUE(r->isOnPageNamed("horizontal"));
    EXPECT_FALSE(r->isOnPageNamed("HorizontalFront"));
}

TEST(ColorRectState, SetBackMovesTheLayerOnly)
{
    auto r = ColorRect::create();
    r->setBack(true);
    EXPECT_EQ(r->objectLayer(), 0);
    EXPECT_FALSE(r->isBack());
    r->setBack(false);
    EXPECT_EQ(r->objectLayer(), 1);
}

TEST(ColorRectState, PowerTypeIsHeldAsStylePlusOne)
{
    auto r = ColorRect::create();
    r->setPowerType(0);
    EXPECT_EQ(r->powerType(), 0);
    r->setPowerType(3);
    EXPECT_EQ(r->powerType(), 3);
    EXPECT_EQ(r->copy()->powerType(), 3);
}

TEST(ColorRectState, PowerTextOnAnotherKindDoesNothing)
{
    auto oval = std::make_shared<OtherKind>();
    oval->setDrawsFill(false);
    oval->setPowerText(true);
    EXPECT_FALSE(oval->powerText());
    EXPECT_FALSE(oval->drawsFill());
}

TEST(ColorRectState, PowerTextMakesAnInvisibleFillGreyWithOneUndoStep)
{
    qmtest::FakeCanvas canvas;
    auto r = ColorRect::create(QRectF(0, 0, 50, 50));
    r->setDrawsFill(false);
    r->setFillColor(QColor(255, 0, 0, 0));
    r->setMainView(&canvas);
    r->setPowerText(true);
    canvas.undo.closeEventGroup();
    EXPECT_TRUE(r->powerText());
    EXPECT_TRUE(r->drawsFill());
    EXPECT_EQ(r->fillColor(), QColor(Qt::gray));
    EXPECT_EQ(canvas.undo.undoActionName(), "Fill Color Change");
    canvas.undo.undo();
    EXPECT_FALSE(canvas.undo.canUndo());
    EXPECT_EQ(r->fillColor().alpha(), 0);
}

TEST(ColorRectState, AnchorIsUndoableWithoutAName)
{
    qmtest::FakeCanvas canvas;
    auto r = ColorRect::create();
    r->setMainView(&canvas);
    r->setAnchor(2);
    canvas.undo.closeEventGroup();
    EXPECT_EQ(r->anchor(), 2);
    EXPECT_TRUE(canvas.undo.undoActionName().isEmpty());
    canvas.undo.undo();
    EXPECT_EQ(r->anchor(), 0);
}

TEST(ColorRectState, MonochromeRegistersItsOppositeWithoutAName)
{
    qmtest::FakeCanvas canvas;
    auto r = ColorRect::create();
    r->setMainView(&canvas);
    r->makeMonohromeImage(true);
    canvas.undo.closeEventGroup();
    ASSERT_TRUE(canvas.undo.canUndo());
    EXPECT_TRUE(canvas.undo.undoActionName().isEmpty());
    canvas.undo.undo();
    EXPECT_TRUE(canvas.undo.canRedo());
}

TEST(ColorRectState, CanvasReferenceGivesUndoManagerAndZoom)
{
    qmtest::FakeCanvas canvas;
    canvas.zoomCoeff = 2.5;
    auto r = ColorRect::create();
    r->setMainView(&canvas);
    EXPECT_EQ(r->mainView(), &canvas);
    EXPECT_EQ(r->undoManager(), &canvas.undo);
    EXPECT_EQ(r->getZoom(), 2.5);
}

class LastUsedStyle : public ::testing::Test
{
protected:
    void SetUp() override { ObjectInfo::changedValues().clear(); }
    void TearDown() override { ObjectInfo::changedValues().clear(); }
};

TEST_F(LastUsedStyle, EmptyStyleChangesNothing)
{
    auto r = ColorRect::create(QRectF(0, 0, 10, 10));
    r->syncronizeWith();
    EXPECT_TRUE(r->drawsFill());
    EXPECT_EQ(r->strokeLineWidth(), 1.0f);
}

TEST_F(LastUsedStyle, OnlyThePresentKeysAreTaken)
{
    ObjectInfo::changedValues().insert(ObjectInfo::fillKey, 0);
    qmtest::FakeCanvas canvas;
    auto r = ColorRect::create(QRectF(0, 0, 10, 10));
    r->setMainView(&canvas);
    r->setTemplateFlag(true);
    r->syncronizeWith();
    EXPECT_FALSE(r->drawsFill());
    EXPECT_FALSE(r->drawsStroke());
    EXPECT_EQ(r->fillColor(), QColor::fromRgbF(0.8f, 0.8f, 0.8f, 0.5f));
    EXPECT_TRUE(r->isTemplate());
    EXPECT_FALSE(canvas.undo.canUndo());
    EXPECT_TRUE(canvas.invalidated.isEmpty());
}

TEST_F(LastUsedStyle, EveryKeySetsItsField)
{
    QVariantMap &style = ObjectInfo::changedValues();
    style.insert(ObjectInfo::borderKey, 1);
    style.insert(ObjectInfo::fillKey, 0);
    style.insert(ObjectInfo::shadowKey, 1);
    style.insert(ObjectInfo::lineWidthKey, 40.0);
    style.insert(ObjectInfo::lineColorKey, QColor(Qt::blue));
    style.insert(ObjectInfo::linePatternKey, 7);
    style.insert(ObjectInfo::fillTypeKey, 2);
    style.insert(ObjectInfo::fillColor1Key, QColor(Qt::green));
    style.insert(ObjectInfo::fillColor2Key, QColor(Qt::yellow));
    style.insert(ObjectInfo::fillAngleKey, 30.0);
    style.insert(ObjectInfo::shadowDistanceKey, 4.5);
    style.insert(ObjectInfo::shadowColorKey, QColor(Qt::cyan));
    style.insert(ObjectInfo::shadowAngleKey, 120.0);
    style.insert(ObjectInfo::shadowBlurKey, 3);
    auto r = ColorRect::create(QRectF(0, 0, 100, 100));
    r->syncronizeWith();
    EXPECT_TRUE(r->drawsStroke());
    EXPECT_FALSE(r->drawsFill());
    EXPECT_TRUE(r->drawsShadow());
    EXPECT_EQ(r->strokeLineWidth(), 40.0f);
    // A smaller object holds the width to its own limit, as its setter does.
    auto small = ColorRect::create(QRectF(0, 0, 10, 10));
    small->syncronizeWith();
    EXPECT_EQ(small->strokeLineWidth(), 5.0f);
    EXPECT_EQ(r->strokeColor(), QColor(Qt::blue));
    EXPECT_EQ(r->linePattern(), 7);
    EXPECT_EQ(r->fillType(), 2);
    EXPECT_EQ(r->fillColor(), QColor(Qt::green));
    EXPECT_EQ(r->fillColor2(), QColor(Qt::yellow));
    EXPECT_EQ(r->fillAngle(), 30.0);
    EXPECT_EQ(r->shadowDistance(), 4.5);
    EXPECT_EQ(r->shadowColor(), QColor(Qt::cyan));
    EXPECT_EQ(r->shadowAngle(), 120.0);
    EXPECT_EQ(r->shadowBlur(), 3);
}

TEST(ColorRectCopy, CopyReproducesItsOriginal)
{
    qmtest::FakeCanvas canvas;
    auto r = ColorRect::create(QRectF(5, 6, 70, 40));
    r->setStrokeColor(Qt::blue);
    r->setFillColor(Qt::green);
    r->setStrokeLineWidth(3);
    r->setPowerText(true);
    r->setDrawsFill(false);
    r->setDrawsStroke(true);
    r->setDrawsShadow(true);
    r->setScaleWithBox(false);
    r->setXImageOffset(0.5f);
    r->setYImageOffset(0.25f);
    r->setXImageScale(80);
    r->setYImageScale(90);
    r->setAngle(33, false);
    r->setResizable(false);
    r->setDrawsImage(false);
    r->setPageName("VerticalBack");
    r->setImageOpacity(40);
    r->setImageTile(3);
    const QString picture = qmtest::tempPng("lifecycle-picture.png", QSize(8, 4));
    ASSERT_TRUE(r->setImagePath(picture));
    r->setObjectLayer(4);
    r->setRunaroundState(1);
    r->setRunaroundMode(2);
    r->setFillType(1);
    r->setFillColor2(Qt::magenta);
    r->setFillAngle(15);
    r->setShadowDistance(2);
    r->setShadowColor(Qt::darkRed);
    r->setShadowAngle(200);
    r->setShadowBlur(6);
    r->setLinePattern(9);
    r->setFixRatio(true);
    r->setTintImage(true);
    r->setTintImageColor(Qt::darkBlue);
    r->setFlipHor(true);
    r->setFlipVert(true);
    r->setPowerType(5);
    r->setMainView(&canvas);

    auto c = r->copy();
    EXPECT_EQ(c->className(), "ColorRect");
    EXPECT_EQ(c->frameBounds(), r->frameBounds());
    EXPECT_EQ(c->strokeColor(), r->strokeColor());
    EXPECT_EQ(c->fillColor(), r->fillColor());
    EXPECT_EQ(c->strokeLineWidth(), 3.0f);
    EXPECT_FALSE(c->drawsFill());
    EXPECT_TRUE(c->drawsStroke());
    EXPECT_TRUE(c->drawsShadow());
    EXPECT_FALSE(c->isScaleWithBox());
    EXPECT_EQ(c->getXImageOffset(), 0.5f);
    EXPECT_EQ(c->getYImageOffset(), 0.25f);
    EXPECT_EQ(c->getXImageScale(), 80.0f);
    EXPECT_EQ(c->getYImageScale(), 90.0f);
    EXPECT_EQ(c->angle(), 33.0f);
    EXPECT_FALSE(c->isResizable());
    EXPECT_FALSE(c->drawsImage());
    EXPECT_EQ(c->getPageName(), "VerticalBack");
    EXPECT_EQ(c->imageOpacity(), 40.0f);
    EXPECT_EQ(c->imageTile(), 3.0f);
    EXPECT_EQ(c->imagePath(), picture);
    EXPECT_EQ(c->objectLayer(), 4);
    EXPECT_EQ(c->getRunaroundState(), 1);
    EXPECT_EQ(c->getRunaroundMode(), 2);
    EXPECT_EQ(c->fillType(), 1);
    EXPECT_EQ(c->fillColor2(), QColor(Qt::magenta));
    EXPECT_EQ(c->fillAngle(), 15.0);
    EXPECT_EQ(c->shadowDistance(), 2.0);
    EXPECT_EQ(c->shadowColor(), QColor(Qt::darkRed));
    EXPECT_EQ(c->shadowAngle(), 200.0);
    EXPECT_EQ(c->shadowBlur(), 6);
    EXPECT_EQ(c->linePattern(), 9);
    EXPECT_TRUE(c->fixRatio());
    EXPECT_TRUE(c->tintImage());
    EXPECT_EQ(c->tintImageColor(), QColor(Qt::darkBlue));
    EXPECT_TRUE(c->flipHor());
    EXPECT_TRUE(c->flipVert());
    EXPECT_TRUE(c->powerText());
    EXPECT_EQ(c->powerType(), 5);
    // A fresh copy belongs to no canvas, and making it registered nothing on the original's.
    EXPECT_EQ(c->mainView(), nullptr);
    EXPECT_FALSE(canvas.undo.canUndo());
}

TEST(ColorRectCopy, FixedRatioDoesNotDistortTheCopysFrame)
{
    auto r = ColorRect::create(QRectF(0, 0, 100, 50));
    r->setFixRatio(true);
    auto c = r->copy();
    EXPECT_EQ(c->frameBounds(), QRectF(0, 0, 100, 50));
}

TEST(ColorRectCopy, AStrokeWiderThanTheFrameAllowsSurvivesTheCopy)
{
    // A frame made smaller after the stroke was set leaves the stroke wider than it allows.
    auto r = ColorRect::create(QRectF(0, 0, 80, 80));
    r->setStrokeLineWidth(30.0f);
    r->setFrameBounds(QRectF(0, 0, 20, 20));
    ASSERT_EQ(r->strokeLineWidth(), 30.0f);
    EXPECT_EQ(r->copy()->strokeLineWidth(), 30.0f);
}

TEST(ColorRectCopy, TextLockTemplateFlagAndAnchorStayBehindButTheKindComes)
{
    qmtest::FakeCanvas canvas;
    auto r = ColorRect::create(QRectF(0, 0, 20, 20));
    r->textStorage()->setPlainText("hello");
    r->setLocked(true);
    r->setTemplateFlag(true);
    r->setMainView(&canvas);
    r->setAnchor(2);
    auto c = r->copy();
    EXPECT_TRUE(c->textStorage()->isEmpty());
    EXPECT_FALSE(c->isLocked());
    EXPECT_FALSE(c->isTemplate());
    EXPECT_EQ(c->anchor(), 0);

    auto oval = std::make_shared<OtherKind>();
    EXPECT_EQ(oval->copy()->className(), "ColorOval");
}

TEST(ColorRectLifetime, AnUndoStepKeepsItsObjectAlive)
{
    qmtest::FakeCanvas canvas;
    {
        auto r = ColorRect::create(QRectF(0, 0, 20, 20));
        r->setMainView(&canvas);
        r->setFillType(2);
    }
    canvas.undo.closeEventGroup();
    ASSERT_TRUE(canvas.undo.canUndo());
    canvas.undo.undo();
    EXPECT_TRUE(canvas.undo.canRedo());
    canvas.undo.removeAllActions();
}
