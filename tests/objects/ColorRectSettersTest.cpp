// ColorRect's undoable setters: action names, undo and redo, the template flag and redraws.
#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>

#include <functional>

#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "objects/ImageFiles.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

enum class Redraw { None, Object, ObjectAndRulers, WholeCanvas };

struct SetterCase
{
    const char *label;
    std::function<void(ColorRect &)> apply;
    std::function<QVariant(const ColorRect &)> read;
    QString action;
    bool clearsTemplate;
    Redraw redraw;
};

QVariant rect(const QRectF &r)
{
    return QVariant(r);
}

const QList<SetterCase> &setterCases()
{
    static const QList<SetterCase> cases = {
        {"setFrameBounds", [](ColorRect &o) { o.setFrameBounds(QRectF(20, 20, 100, 50)); },
         [](const ColorRect &o) { return rect(o.frameBounds()); }, "Change Object Origin", true, Redraw::None},
        {"setOriginX", [](ColorRect &o) { o.setOriginX(30); },
         [](const ColorRect &o) { return QVariant(o.originX()); }, "Set Object Origin", false, Redraw::ObjectAndRulers},
        {"setOriginY", [](ColorRect &o) { o.setOriginY(40); },
         [](const ColorRect &o) { return QVariant(o.originY()); }, "Set Object Origin", false, Redraw::ObjectAndRulers},
        {"setWidth", [](ColorRect &o) { o.setWidth(200); },
         [](const ColorRect &o) { return rect(o.frameBounds()); }, "Change Object Width", false, Redraw::ObjectAndRulers},
        {"setHeight", [](ColorRect &o) { o.setHeight(25); },
         [](const ColorRect &o) { return rect(o.frameBounds()); }, "Change Object Height", false, Redraw::ObjectAndRulers},
        {"setAngle", [](ColorRect &o) { o.setAngle(30, true); },
         [](const ColorRect &o) { return QVariant(o.angle()); }, "Change Object Angle", false, Redraw::ObjectAndRulers},
        {"setFillColor", [](ColorRect &o) { o.setFillColor(Qt::blue); },
         [](const ColorRect &o) { return QVariant(o.fillColor()); }, "Fill Color Change", true, Redraw::Object},
        {"setStrokeColor", [](ColorRect &o) { o.setStrokeColor(Qt::blue); },
         [](const ColorRect &o) { return QVariant(o.strokeColor()); }, "Stroke Color Change", true, Redraw::Object},
        {"setScaleWithBox", [](ColorRect &o) { o.setScaleWithBox(true); },
         [](const ColorRect &o) { return QVariant(o.isScaleWithBox()); }, "Scale with Box Change", true, Redraw::Object},
        {"setDrawsFill", [](ColorRect &o) { o.setDrawsFill(false); },
         [](const ColorRect &o) { return QVariant(o.drawsFill()); }, "Draw Object Fill", true, Redraw::Object},
        {"setDrawsStroke", [](ColorRect &o) { o.setDrawsStroke(true); },
         [](const ColorRect &o) { return QVariant(o.drawsStroke()); }, "Draw Object Stroke", true, Redraw::Object},
        {"setDrawsShadow", [](ColorRect &o) { o.setDrawsShadow(true); },
         [](const ColorRect &o) { return QVariant(o.drawsShadow()); }, "Draw Object Shadow", true, Redraw::Object},
        {"setDrawsImage", [](ColorRect &o) { o.setDrawsImage(false); },
         [](const ColorRect &o) { return QVariant(o.drawsImage()); }, "Draw Object Image", true, Redraw::Object},
        {"setStrokeLineWidth", [](ColorRect &o) { o.setStrokeLineWidth(3); },
         [](const ColorRect &o) { return QVariant(o.strokeLineWidth()); }, "Stroke Width", true, Redraw::Object},
        {"setFillType", [](ColorRect &o) { o.setFillType(2); },
         [](const ColorRect &o) { return QVariant(o.fillType()); }, "Change Fill Type", true, Redraw::None},
        {"setFillColor2", [](ColorRect &o) { o.setFillColor2(Qt::blue); },
         [](const ColorRect &o) { return QVariant(o.fillColor2()); }, "Change Gradient Color", true, Redraw::None},
        {"setFillAngle", [](ColorRect &o) { o.setFillAngle(45); },
         [](const ColorRect &o) { return QVariant(o.fillAngle()); }, "Change Gradient Angle", true, Redraw::None},
        {"setShadowDistance", [](ColorRect &o) { o.setShadowDistance(3); },
         [](const ColorRect &o) { return QVariant(o.shadowDistance()); }, "Change Shadow Distance", true, Redraw::None},
        {"setShadowColor", [](ColorRect &o) { o.setShadowColor(Qt::blue); },
         [](const ColorRect &o) { return QVariant(o.shadowColor()); }, "Change Shadow Color", true, Redraw::None},
        {"setShadowAngle", [](ColorRect &o) { o.setShadowAngle(90); },
         [](const ColorRect &o) { return QVariant(o.shadowAngle()); }, "Change Shadow Angle", true, Redraw::None},
        {"setShadowBlur", [](ColorRect &o) { o.setShadowBlur(4); },
         [](const ColorRect &o) { return QVariant(o.shadowBlur()); }, "Change Shadow Blur", true, Redraw::None},
        {"setLinePattern", [](ColorRect &o) { o.setLinePattern(5); },
         [](const ColorRect &o) { return QVariant(o.linePattern()); }, "Change Line Pattern", true, Redraw::None},
        {"setFixRatio", [](ColorRect &o) { o.setFixRatio(true); },
         [](const ColorRect &o) { return QVariant(o.fixRatio()); }, "Change Fix Ratio", false, Redraw::None},
        {"setTintImage", [](ColorRect &o) { o.setTintImage(true); },
         [](const ColorRect &o) { return QVariant(o.tintImage()); }, "Change Image Tint", true, Redraw::None},
        {"setTintImageColor", [](ColorRect &o) { o.setTintImageColor(Qt::blue); },
         [](const ColorRect &o) { return QVariant(o.tintImageColor()); }, "Change Image Tint Color", true, Redraw::None},
        {"setFlipHor", [](ColorRect &o) { o.setFlipHor(true); },
         [](const ColorRect &o) { return QVariant(o.flipHor()); }, "Flip Horizontaly", true, Redraw::None},
        {"setFlipVert", [](ColorRect &o) { o.setFlipVert(true); },
         [](const ColorRect &o) { return QVariant(o.flipVert()); }, "Flip Vertically", true, Redraw::None},
        {"setImageTile", [](ColorRect &o) { o.setImageTile(2); },
         [](const ColorRect &o) { return QVariant(o.imageTile()); }, "Change Image Tile", true, Redraw::None},
        {"setXImageOffset", [](ColorRect &o) { o.setXImageOffset(1); },
         [](const ColorRect &o) { return QVariant(o.getXImageOffset()); }, "X Image Offset", false, Redraw::WholeCanvas},
        {"setYImageOffset", [](ColorRect &o) { o.setYImageOffset(1); },
         [](const ColorRect &o) { return QVariant(o.getYImageOffset()); }, "Y Image Offset", true, Redraw::WholeCanvas},
        {"setXImageScale", [](ColorRect &o) { o.setXImageScale(50); },
         [](const ColorRect &o) { return QVariant(o.getXImageScale()); }, "X Image Scale", true, Redraw::WholeCanvas},
        {"setYImageScale", [](ColorRect &o) { o.setYImageScale(50); },
         [](const ColorRect &o) { return QVariant(o.getYImageScale()); }, "Y Image Scale", true, Redraw::WholeCanvas},
        {"setImageOpacity", [](ColorRect &o) { o.setImageOpacity(50); },
         [](const ColorRect &o) { return QVariant(o.imageOpacity()); }, "Change Image Opacity", false, Redraw::Object},
        {"setImagePath", [](ColorRect &o) { o.setImagePath(qmtest::tempPng("setter-image.png", QSize(10, 5))); },
         [](const ColorRect &o) { return QVariant(o.imagePath()); }, "Change Image", false, Redraw::Object},
    };
    return cases;
}

class Setters : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override
    {
        object = ColorRect::create(QRectF(10, 20, 100, 50));
        // Image offsets only show while the image does not follow the box.
        object->setScaleWithBoxOnly(false);
        object->setMainView(&canvas);
        object->setTemplateFlag(true);
        canvas.clearRecord();
    }

    qmtest::FakeCanvas canvas;
    std::shared_ptr<ColorRect> object;
};

std::string caseName(const ::testing::TestParamInfo<int> &info)
{
    return setterCases().at(info.param).label;
}

} // namespace

TEST_P(Setters, NamesTheActionAndUndoesAndRedoes)
{
    const SetterCase &c = setterCases().at(GetParam());
    const QVariant before = c.read(*object);
    c.apply(*object);
    const QVariant after = c.read(*object);
    ASSERT_NE(before, after);
    EXPECT_EQ(canvas.undo.undoActionName(), c.action);
    canvas.undo.closeEventGroup();
    canvas.undo.undo();
    EXPECT_EQ(c.read(*object), before);
    ASSERT_TRUE(canvas.undo.canRedo());
    canvas.undo.redo();
    EXPECT_EQ(c.read(*object), after);
    canvas.undo.removeAllActions();
}

TEST_P(Setters, TemplateFlagIsClearedOrKeptAsListed)
{
    const SetterCase &c = setterCases().at(GetParam());
    c.apply(*object);
    EXPECT_EQ(object->isTemplate(), !c.clearsTemplate);
    canvas.undo.removeAllActions();
}

TEST_P(Setters, RedrawsWhatIsListed)
{
    const SetterCase &c = setterCases().at(GetParam());
    c.apply(*object);
    switch (c.redraw) {
    case Redraw::None:
        EXPECT_TRUE(canvas.invalidated.isEmpty());
        EXPECT_EQ(canvas.rulerUpdates, 0);
        break;
    case Redraw::Object:
        EXPECT_EQ(canvas.invalidated, QList<const ColorRect *>{object.get()});
        EXPECT_EQ(canvas.rulerUpdates, 0);
        break;
    case Redraw::ObjectAndRulers:
        EXPECT_EQ(canvas.invalidated, QList<const ColorRect *>{object.get()});
        EXPECT_EQ(canvas.rulerUpdates, 1);
        break;
    case Redraw::WholeCanvas:
        EXPECT_EQ(canvas.invalidated, QList<const ColorRect *>{nullptr});
        EXPECT_EQ(canvas.rulerUpdates, 0);
        break;
    }
    canvas.undo.removeAllActions();
}

TEST_P(Setters, WithoutACanvasStoreAndClearOnly)
{
    const SetterCase &c = setterCases().at(GetParam());
    object->setMainView(nullptr);
    const QVariant before = c.read(*object);
    c.apply(*object);
    EXPECT_NE(c.read(*object), before);
    EXPECT_EQ(object->isTemplate(), !c.clearsTemplate);
    EXPECT_FALSE(canvas.undo.canUndo());
    EXPECT_TRUE(canvas.invalidated.isEmpty());
    EXPECT_EQ(canvas.rulerUpdates, 0);
}

INSTANTIATE_TEST_SUITE_P(EverySetter, Setters, ::testing::Range(0, int(setterCases().size())), caseName);

class Geometry : public ::testing::Test
{
protected:
    std::shared_ptr<ColorRect> make(const QRectF &frame)
    {
        auto r = ColorRect::create(frame);
        r->setMainView(&canvas);
        return r;
    }
    void TearDown() override { canvas.undo.removeAllActions(); }

    qmtest::FakeCanvas canvas;
};

TEST_F(Geometry, FrameBoundsNamesOriginSizeOrBounds)
{
    auto r = make(QRectF(0, 0, 50, 50));
    r->setFrameBounds(QRectF(10, 0, 50, 50));
    EXPECT_EQ(canvas.undo.undoActionName(), "Change Object Origin");
    r->setFrameBounds(QRectF(10, 0, 80, 50));
    EXPECT_EQ(canvas.undo.undoActionName(), "Change Object Size");
    r->setFrameBounds(QRectF(5, 5, 60, 40));
    EXPECT_EQ(canvas.undo.undoActionName(), "Change Object Bounds");
    canvas.undo.closeEventGroup();
    canvas.undo.undo();
    EXPECT_EQ(r->frameBounds(), QRectF(0, 0, 50, 50));
}

TEST_F(Geometry, SameFrameRegistersNothingAndKeepsTheTemplateFlag)
{
    auto r = make(QRectF(0, 0, 50, 50));
    r->setTemplateFlag(true);
    r->setFrameBounds(QRectF(0, 0, 50, 50));
    EXPECT_FALSE(canvas.undo.canUndo());
    EXPECT_TRUE(r->isTemplate());
}

TEST_F(Geometry, FrameBoundsWithUndoDisabledClearsTheFlagButNamesNothing)
{
    auto r = make(QRectF(0, 0, 50, 50));
    r->setTemplateFlag(true);
    canvas.undo.disableUndoRegistration();
    r->setFrameBounds(QRectF(1, 1, 50, 50));
    canvas.undo.enableUndoRegistration();
    EXPECT_FALSE(r->isTemplate());
    EXPECT_FALSE(canvas.undo.canUndo());
    EXPECT_EQ(r->frameBounds(), QRectF(1, 1, 50, 50));
}

TEST_F(Geometry, FixedRatioKeepsTheRatioOnBothAxes)
{
    auto r = make(QRectF(0, 0, 100, 50));
    r->setFixRatio(true);
    r->setWidth(200);
    EXPECT_EQ(r->frameBounds(), QRectF(0, 0, 200, 100));

    auto s = make(QRectF(0, 0, 100, 50));
    s->setFixRatio(true);
    s->setHeight(25);
    EXPECT_EQ(s->frameBounds(), QRectF(0, 0, 50, 25));
    canvas.undo.closeEventGroup();
    canvas.undo.undo();
    EXPECT_EQ(s->frameBounds(), QRectF(0, 0, 100, 50));
}

TEST_F(Geometry, FixedRatioNeverDividesByAZeroSide)
{
    auto r = make(QRectF(0, 0, 0, 50));
    r->setFixRatio(true);
    r->setWidth(100);
    EXPECT_EQ(r->frameBounds(), QRectF(0, 0, 100, 50));

    auto s = make(QRectF(0, 0, 100, 0));
    s->setFixRatio(true);
    s->setHeight(20);
    EXPECT_EQ(s->frameBounds(), QRectF(0, 0, 100, 20));
}

TEST_F(Geometry, WidthAndOriginKeepTheOtherValues)
{
    auto r = make(QRectF(10, 20, 100, 50));
    r->setOriginX(15);
    r->setOriginY(25);
    r->setWidth(30);
    r->setHeight(40);
    EXPECT_EQ(r->frameBounds(), QRectF(15, 25, 30, 40));
}

TEST_F(Geometry, StrokeWidthIsLimitedByTheFrame)
{
    auto r = make(QRectF(0, 0, 30, 10));
    r->setStrokeLineWidth(20);
    EXPECT_EQ(r->strokeLineWidth(), 5.0f);
    EXPECT_EQ(r->getMaxLineWidth(), 5.0f);
    canvas.undo.removeAllActions();
    r->setTemplateFlag(true);
    r->setStrokeLineWidth(20);
    EXPECT_FALSE(canvas.undo.canUndo());
    EXPECT_TRUE(r->isTemplate());
}

TEST_F(Geometry, AngleStoresFullTurnAsZeroOnly)
{
    auto r = make(QRectF(0, 0, 30, 10));
    r->setAngle(360, true);
    EXPECT_EQ(r->angle(), 0.0f);
    r->setAngle(720, true);
    EXPECT_EQ(r->angle(), 720.0f);
    r->setAngle(-90, true);
    EXPECT_EQ(r->angle(), -90.0f);
}

TEST_F(Geometry, AngleWithoutUndoRegistersAndNamesNothing)
{
    auto r = make(QRectF(0, 0, 30, 10));
    r->setAngle(45, false);
    EXPECT_EQ(r->angle(), 45.0f);
    EXPECT_FALSE(canvas.undo.canUndo());
    EXPECT_EQ(canvas.invalidated.size(), 1);
}

TEST_F(Geometry, RotatedFrameEnclosesTheTurnedCorners)
{
    auto r = make(QRectF(0, 0, 100, 50));
    EXPECT_EQ(r->frameBoundsRotated(), QRectF(0, 0, 100, 50));
    r->setAngle(90, false);
    const QRectF turned = r->frameBoundsRotated();
    EXPECT_NEAR(turned.x(), 25, 1e-9);
    EXPECT_NEAR(turned.y(), -25, 1e-9);
    EXPECT_NEAR(turned.width(), 50, 1e-9);
    EXPECT_NEAR(turned.height(), 100, 1e-9);
}

TEST_F(Geometry, ImageTileBelowOrAtZeroIsOne)
{
    auto r = make(QRectF(0, 0, 30, 10));
    r->setImageTile(0);
    EXPECT_EQ(r->imageTile(), 1.0f);
    r->setImageTile(-2);
    EXPECT_EQ(r->imageTile(), 1.0f);
    r->setImageTile(0.5f);
    EXPECT_EQ(r->imageTile(), 0.5f);
}

TEST_F(Geometry, GradientColourUndoLeavesTheFillColour)
{
    auto r = make(QRectF(0, 0, 30, 10));
    const QColor fill = r->fillColor();
    r->setFillColor2(Qt::blue);
    canvas.undo.closeEventGroup();
    canvas.undo.undo();
    EXPECT_EQ(r->fillColor2(), QColor(Qt::red));
    EXPECT_EQ(r->fillColor(), fill);
}

TEST_F(Geometry, ScaleKeepsTheTemplateFlagAndScalesGeometryAndStroke)
{
    auto r = make(QRectF(10, 20, 100, 50));
    r->setStrokeLineWidth(2);
    r->textStorage()->setDefaultFont(QFont("DejaVu Sans", 12));
    r->textStorage()->setPlainText("Label");
    r->setTemplateFlag(true);
    r->scaleByX(1, 2);
    EXPECT_EQ(r->frameBounds(), QRectF(10, 40, 100, 100));
    EXPECT_EQ(r->strokeLineWidth(), 4.0f);
    EXPECT_TRUE(r->isTemplate());
    QTextCursor cursor(r->textStorage());
    cursor.setPosition(1);
    EXPECT_FALSE(cursor.charFormat().hasProperty(QTextFormat::FontPointSize));

    r->scaleByX(2, 1);
    EXPECT_EQ(r->frameBounds(), QRectF(20, 40, 200, 100));
    cursor.setPosition(1);
    EXPECT_EQ(cursor.charFormat().fontPointSize(), 24.0);
}

TEST_F(Geometry, RunaroundRegistersItsInverse)
{
    auto r = make(QRectF(0, 0, 30, 10));
    r->setRunaroundState(1);
    EXPECT_EQ(r->getRunaroundState(), 1);
    EXPECT_TRUE(canvas.undo.canUndo());
}
