// The inspector's other object controls: keep-proportions read over groups, the flips that
// leave lines alone, the image tint and its colour well, the tile count, shaped text with its
// shape and its undo, the anchor buttons of merge objects and barcodes, and the image effects
// round trip with a panel that accepts or cancels.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "barcodes/ColorBarcode.h"
#include "database/merge/ColorAddress.h"
#include "database/merge/ColorField.h"
#include "foundation/MyStepper.h"
#include "inspector/AlignPage.h"
#include "inspector/GeometryPage.h"
#include "inspector/ImagePage.h"
#include "inspector/InspectorFixture.h"
#include "inspector/NumberField.h"
#include "inspector/ShapePopUp.h"
#include "objects/ColorLine.h"
#include "objects/ColorOval.h"
#include "objects/Group.h"
#include "objects/specImage.h"
#include "platform/ColorWell.h"

using namespace quillmark;
using inspectortest::click;
using inspectortest::InspectorFixture;
using inspectortest::type;

namespace {

template <typename Kind>
std::shared_ptr<Kind> addKind(InspectorFixture &f, const QRectF &frame)
{
    auto object = Kind::create(frame);
    object->setMainView(&f.canvas);
    f.canvas.rects.append(object);
    return object;
}

QImage picture(const QColor &color, const QSize &size = QSize(40, 20))
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

void clickStepUp(MyStepper *stepper)
{
    QTest::mouseClick(stepper, Qt::LeftButton, Qt::NoModifier, QPoint(stepper->width() / 2, 3));
}

TEST(KeepProportions, GroupsCountAsKeepingThemAndLooseObjectsAsTheySay)
{
    InspectorFixture f(QStringLiteral("fix-ratio-state"));
    GeometryPage *page = f.info->geometryPage();
    auto a = f.add(QRectF(0, 0, 20, 10));
    auto b = f.add(QRectF(30, 0, 20, 10));
    auto c = f.add(QRectF(60, 0, 20, 10));
    auto d = f.add(QRectF(90, 0, 20, 10));
    f.select({a});
    EXPECT_EQ(page->fixRatio(), 0);
    a->setFixRatio(true);
    f.select({a});
    // One loose object keeping its proportions shows on, not mixed.
    EXPECT_EQ(page->fixRatio(), 1);
    EXPECT_EQ(page->bFixRatio->checkState(), Qt::Checked);
    f.select({b, a});
    EXPECT_EQ(page->fixRatio(), -1);
    EXPECT_EQ(page->bFixRatio->checkState(), Qt::PartiallyChecked);
    f.select({a, b});
    EXPECT_EQ(page->fixRatio(), -1);

    auto group = Group::create();
    group->setRectsView(&f.canvas);
    group->addObjects({c, d});
    f.select({c, d});
    EXPECT_EQ(page->fixRatio(), 1);
    f.select({c, d, a});
    EXPECT_EQ(page->fixRatio(), 1);
    f.select({c, d, a, b});
    EXPECT_EQ(page->fixRatio(), -1);
    f.select({});
    EXPECT_EQ(page->fixRatio(), 0);
    EXPECT_EQ(page->bFixRatio->checkState(), Qt::Unchecked);
    EXPECT_FALSE(page->bFixRatio->isEnabled());
}

TEST(KeepProportions, TheBoxSetsEveryObjectThatCanKeepThemWithUndo)
{
    InspectorFixture f(QStringLiteral("fix-ratio-set"));
    GeometryPage *page = f.info->geometryPage();
    auto box = f.add(QRectF(0, 0, 20, 10));
    auto line = addKind<ColorLine>(f, QRectF(30, 0, 40, 10));
    f.select({line});
    // A line alone cannot keep proportions.
    EXPECT_FALSE(page->bFixRatio->isEnabled());
    f.select({box, line});
    EXPECT_TRUE(page->bFixRatio->isEnabled());
    f.startFresh();
    click(page->bFixRatio);
    EXPECT_TRUE(box->fixRatio());
    EXPECT_FALSE(line->fixRatio());
    EXPECT_GE(f.canvas.changedCalls, 1);
    EXPECT_TRUE(f.canvas.invalidated.contains(nullptr));
    f.canvas.undo.closeEventGroup();
    EXPECT_EQ(f.canvas.undo.undoActionName(), QStringLiteral("Change Fix Ratio"));
    f.canvas.undo.undo();
    EXPECT_FALSE(box->fixRatio());

    // Two objects of which the first is grouped: the group decides, the box is off.
    auto c = f.add(QRectF(60, 0, 20, 10));
    auto group = Group::create();
    group->setRectsView(&f.canvas);
    group->addObjects({box, c});
    f.select({box, c});
    EXPECT_FALSE(page->bFixRatio->isEnabled());
}

TEST(Flips, OnlyObjectsThatCanKeepProportionsAreFlipped)
{
    InspectorFixture f(QStringLiteral("flips"));
    GeometryPage *page = f.info->geometryPage();
    auto box = f.add(QRectF(0, 0, 20, 10));
    auto line = addKind<ColorLine>(f, QRectF(30, 0, 40, 10));
    f.select({line, box});
    f.startFresh();
    click(page->bFlipHor);
    EXPECT_TRUE(box->flipHor());
    EXPECT_FALSE(line->flipHor());
    EXPECT_FALSE(box->flipVert());
    EXPECT_GE(f.canvas.changedCalls, 1);
    f.canvas.undo.closeEventGroup();
    EXPECT_EQ(f.canvas.undo.undoActionName(), QStringLiteral("Flip Horizontaly"));
    click(page->bFlipVert);
    EXPECT_TRUE(box->flipVert());
    f.canvas.undo.closeEventGroup();
    EXPECT_EQ(f.canvas.undo.undoActionName(), QStringLiteral("Flip Vertically"));
    f.canvas.undo.undo();
    EXPECT_FALSE(box->flipVert());
    EXPECT_TRUE(box->flipHor());
}

TEST(Flips, AMixedSelectionShowsMixedAndABoxShownOffAfterwardsTurnsOn)
{
    InspectorFixture f(QStringLiteral("flips-mixed"));
    GeometryPage *page = f.info->geometryPage();
    auto a = f.add(QRectF(0, 0, 20, 10));
    auto b = f.add(QRectF(30, 0, 20, 10));
    a->setFlipHor(true);
    f.select({b, a});
    EXPECT_EQ(page->flipHor(), -1);
    EXPECT_EQ(page->bFlipHor->checkState(), Qt::PartiallyChecked);
    // A mixed box clicked turns every object on.
    click(page->bFlipHor);
    EXPECT_TRUE(a->flipHor());
    EXPECT_TRUE(b->flipHor());
    // Once shown mixed, a box that shows off steps to on, never to mixed.
    f.select({f.add(QRectF(60, 0, 20, 10))});
    EXPECT_EQ(page->bFlipHor->checkState(), Qt::Unchecked);
    click(page->bFlipHor);
    EXPECT_EQ(page->bFlipHor->checkState(), Qt::Checked);
    EXPECT_TRUE(f.selection.first()->flipHor());
}

struct Pictures : InspectorFixture
{
    Pictures() : InspectorFixture(QStringLiteral("pictures"))
    {
        a = add(QRectF(0, 0, 40, 20));
        b = add(QRectF(50, 0, 40, 20));
        a->setImage(picture(Qt::red));
        b->setImage(picture(Qt::blue));
        page = info->imagePage();
        startFresh();
    }
    std::shared_ptr<ColorRect> a, b;
    ImagePage *page = nullptr;
};

TEST(ImageTint, TheColourWellFollowsTheTintSwitch)
{
    Pictures f;
    f.b->setTintImageColor(QColor(0, 128, 0));
    f.b->setTintImage(true);
    f.select({f.a, f.b});
    f.startFresh();
    EXPECT_EQ(f.page->tintImage(), -1);
    EXPECT_EQ(f.page->tintImageColor(), QColor(0, 128, 0));
    EXPECT_FALSE(f.page->cwTintColor->isEnabled());

    // Off: the well greys out and takes no colour.
    click(f.page->bTintImage);
    EXPECT_TRUE(f.a->tintImage());
    click(f.page->bTintImage);
    EXPECT_FALSE(f.a->tintImage());
    EXPECT_FALSE(f.b->tintImage());
    EXPECT_FALSE(f.page->cwTintColor->isEnabled());
    EXPECT_EQ(f.page->cwTintColor->color(), ImagePage::lightGray());
    f.canvas.undo.closeEventGroup();
    EXPECT_EQ(f.canvas.undo.undoActionName(), QStringLiteral("Change Image Tint"));

    // On: the well shows the first tinted object's colour and gives its colour to them all.
    click(f.page->bTintImage);
    EXPECT_TRUE(f.page->cwTintColor->isEnabled());
    EXPECT_EQ(f.page->cwTintColor->color(), f.a->tintImageColor());
    f.startFresh();
    f.page->cwTintColor->takeColor(QColor(200, 100, 0));
    EXPECT_EQ(f.a->tintImageColor(), QColor(200, 100, 0));
    EXPECT_EQ(f.b->tintImageColor(), QColor(200, 100, 0));
    EXPECT_EQ(f.canvas.changedCalls, 1);
    f.canvas.undo.closeEventGroup();
    EXPECT_EQ(f.canvas.undo.undoActionName(), QStringLiteral("Change Image Tint Color"));
    f.canvas.undo.undo();
    EXPECT_EQ(f.b->tintImageColor(), QColor(0, 128, 0));
}

TEST(ImageTint, OnlyTintedObjectsTakeTheColour)
{
    Pictures f;
    f.a->setTintImage(true);
    f.select({f.a, f.b});
    f.startFresh();
    const QColor before = f.b->tintImageColor();
    f.page->cwTintColor->takeColor(QColor(1, 2, 3));
    EXPECT_EQ(f.a->tintImageColor(), QColor(1, 2, 3));
    EXPECT_EQ(f.b->tintImageColor(), before);
    // Nothing tinted: nothing changes and the document stays as it was.
    f.a->setTintImage(false);
    f.startFresh();
    f.page->cwTintColor->takeColor(QColor(9, 9, 9));
    EXPECT_EQ(f.canvas.changedCalls, 0);
}

TEST(ImageTile, WholeCopiesAndNeverFewerThanOne)
{
    Pictures f;
    f.select({f.a, f.b});
    EXPECT_EQ(f.page->imageTile(), QStringLiteral("1"));
    EXPECT_EQ(f.page->tvImgTile->text(), QStringLiteral("1"));
    EXPECT_TRUE(f.page->tvImgTile->isEnabled());
    struct Row
    {
        const char *typed;
        float stored;
    };
    const Row rows[] = {{"3.7", 3.0f}, {"0", 1.0f}, {"-4", 1.0f}, {"12", 12.0f}, {"5000", ColorRect::maxImageTile}};
    for (const Row &row : rows) {
        type(f.page->tvImgTile, QString::fromLatin1(row.typed));
        EXPECT_FLOAT_EQ(f.a->imageTile(), row.stored) << row.typed;
        EXPECT_FLOAT_EQ(f.b->imageTile(), row.stored) << row.typed;
        EXPECT_EQ(f.page->tvImgTile->text(), QString::number(int(row.stored))) << row.typed;
    }
    type(f.page->tvImgTile, QStringLiteral("2"));
    f.startFresh();
    clickStepUp(f.page->spImgTile);
    EXPECT_FLOAT_EQ(f.a->imageTile(), 3.0f);
    EXPECT_EQ(f.page->slImgTile->value(), 3);
    f.canvas.undo.closeEventGroup();
    EXPECT_EQ(f.canvas.undo.undoActionName(), QStringLiteral("Change Image Tile"));
    f.page->slImgTile->setValue(7);
    EXPECT_FLOAT_EQ(f.b->imageTile(), 7.0f);
    EXPECT_EQ(f.page->tvImgTile->text(), QStringLiteral("7"));

    // No image: the tile controls rest and show nothing.
    auto bare = f.add(QRectF(0, 40, 10, 10));
    f.select({bare});
    EXPECT_FALSE(f.page->tvImgTile->isEnabled());
    EXPECT_FALSE(f.page->bTintImage->isEnabled());
}

TEST(ShapedText, TheSwitchAndTheShapeGoToPlainBoxesAndUndoAsOneStep)
{
    InspectorFixture f(QStringLiteral("shaped"));
    GeometryPage *page = f.info->geometryPage();
    auto box = f.add(QRectF(0, 0, 80, 30));
    auto oval = addKind<ColorOval>(f, QRectF(0, 40, 80, 30));
    box->setDrawsFill(false);
    f.select({oval});
    EXPECT_FALSE(page->bPowerText->isEnabled());
    f.select({box, oval});
    EXPECT_TRUE(page->bPowerText->isEnabled());
    EXPECT_FALSE(page->pbPowerType->isEnabled());
    ASSERT_EQ(page->pbPowerType->count(), ShapePopUp::shapeCount);
    f.startFresh();

    click(page->bPowerText);
    EXPECT_TRUE(box->powerText());
    EXPECT_FALSE(oval->powerText());
    // Shaped text is painted with the fill, so the switch turned it on.
    EXPECT_TRUE(box->drawsFill());
    EXPECT_TRUE(page->pbPowerType->isEnabled());
    EXPECT_GE(f.canvas.changedCalls, 1);
    f.canvas.undo.closeEventGroup();
    EXPECT_EQ(f.canvas.undo.undoActionName(), QStringLiteral("Change Shaped Text"));

    for (int i = 0; i < 4; ++i)
        QTest::keyClick(page->pbPowerType, Qt::Key_Down);
    EXPECT_EQ(box->powerType(), 4);
    EXPECT_EQ(oval->powerType(), 4);
    f.canvas.undo.closeEventGroup();

    f.canvas.undo.undo();
    EXPECT_EQ(box->powerType(), 0);
    EXPECT_TRUE(box->powerText());
    f.canvas.undo.undo();
    EXPECT_FALSE(box->powerText());
    EXPECT_FALSE(box->drawsFill());
    f.canvas.undo.redo();
    EXPECT_TRUE(box->powerText());
    EXPECT_TRUE(box->drawsFill());
    f.canvas.undo.redo();
    EXPECT_EQ(box->powerType(), 4);
}

TEST(ShapedText, EachShapeHasItsOwnPicture)
{
    QList<QImage> seen;
    for (int i = 0; i < ShapePopUp::shapeCount; ++i) {
        const QImage image = ShapePopUp::shapePicture(i, QSize(44, 18), Qt::black).toImage();
        int inked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                inked += qAlpha(image.pixel(x, y)) > 128;
        EXPECT_GT(inked, 40) << "shape " << i;
        EXPECT_FALSE(seen.contains(image)) << "shape " << i;
        seen.append(image);
    }
}

struct MergeObjects : InspectorFixture
{
    MergeObjects() : InspectorFixture(QStringLiteral("anchors"))
    {
        box = add(QRectF(0, 0, 80, 30));
        barcode = addKind<ColorBarcode>(f(), QRectF(0, 40, 0, 0));
        field = addKind<ColorField>(f(), QRectF(0, 100, 80, 20));
        field->setSelected(true);
        address = addKind<ColorAddress>(f(), QRectF(0, 140, 0, 0));
        page = info->alignPage();
    }
    InspectorFixture &f() { return *this; }
    std::shared_ptr<ColorRect> box;
    std::shared_ptr<ColorBarcode> barcode;
    std::shared_ptr<ColorField> field;
    std::shared_ptr<ColorAddress> address;
    AlignPage *page = nullptr;
};

TEST(Anchors, TheButtonGivesEveryMergeObjectItsTagLessOne)
{
    MergeObjects f;
    f.select({f.box, f.barcode, f.field, f.address});
    f.startFresh();
    // The objects read anchor 1 as the right edge and 2 as the centre: the buttons give those.
    ASSERT_TRUE(f.page->brAnchorRight->isEnabled());
    EXPECT_EQ(f.page->brAnchorLeft->property("tag").toInt(), 1);
    EXPECT_EQ(f.page->brAnchorRight->property("tag").toInt(), 2);
    EXPECT_EQ(f.page->brAnchorCenter->property("tag").toInt(), 3);
    QTest::mouseClick(f.page->brAnchorRight, Qt::LeftButton, Qt::NoModifier, QPoint(8, 13));
    EXPECT_EQ(f.barcode->anchor(), 1);
    EXPECT_EQ(f.field->anchor(), 1);
    EXPECT_EQ(f.address->anchor(), 1);
    EXPECT_EQ(f.box->anchor(), 0);
    EXPECT_EQ(f.page->objectAnchor(), 1);
    EXPECT_FALSE(f.page->brAnchorLeft->isChecked());
    EXPECT_FALSE(f.page->brAnchorCenter->isChecked());
    EXPECT_TRUE(f.page->brAnchorRight->isChecked());
    EXPECT_GE(f.canvas.changedCalls, 1);
    EXPECT_GE(f.canvas.rulerUpdates, 1);
    f.canvas.undo.closeEventGroup();
    f.canvas.undo.undo();
    EXPECT_EQ(f.barcode->anchor(), 0);
    EXPECT_EQ(f.field->anchor(), 0);
    EXPECT_EQ(f.address->anchor(), 0);

    // The one that is on, clicked off, changes nothing and comes back on.
    f.select({f.field});
    QTest::mouseClick(f.page->brAnchorLeft, Qt::LeftButton, Qt::NoModifier, QPoint(8, 13));
    EXPECT_TRUE(f.page->brAnchorLeft->isChecked());
    f.startFresh();
    QTest::mouseClick(f.page->brAnchorLeft, Qt::LeftButton, Qt::NoModifier, QPoint(8, 13));
    EXPECT_TRUE(f.page->brAnchorLeft->isChecked());
    EXPECT_EQ(f.canvas.changedCalls, 0);
}

TEST(Anchors, OnlyMergeObjectsAndBarcodesEnableTheButtonsAndTheLastOneIsShown)
{
    MergeObjects f;
    f.select({f.box});
    EXPECT_FALSE(f.page->brAnchorLeft->isEnabled());
    EXPECT_EQ(f.page->objectAnchor(), -1);
    for (QRadioButton *b : {f.page->brAnchorLeft, f.page->brAnchorCenter, f.page->brAnchorRight})
        EXPECT_FALSE(b->isChecked());
    // A barcode of typed data changes width with every edit too: it takes an anchor.
    f.select({f.barcode});
    EXPECT_TRUE(f.page->brAnchorRight->isEnabled());
    f.barcode->setFieldPk(3);
    f.select({f.barcode});
    EXPECT_TRUE(f.page->brAnchorRight->isEnabled());
    f.address->setAnchor(2);
    f.select({f.address, f.box, f.barcode});
    EXPECT_TRUE(f.page->brAnchorLeft->isChecked());
    f.select({f.barcode, f.box, f.address});
    EXPECT_TRUE(f.page->brAnchorCenter->isChecked());
}

struct Effects : Pictures
{
    Effects()
    {
        info->setImageEffectsPanel([this](const QImage &source) -> std::optional<QImage> {
            shown.append(source);
            if (!accept)
                return std::nullopt;
            QImage processed = source;
            processed.invertPixels();
            return processed;
        });
    }
    QList<QImage> shown;
    bool accept = true;
};

TEST(ImageEffects, TheEntryRestsUntilAPanelIsThereAndAnImageIsSelected)
{
    Pictures f;
    f.select({f.a});
    EXPECT_FALSE(f.page->btnEdit->isEnabled());
    f.info->showImageEffectsPanel();
    EXPECT_EQ(f.canvas.changedCalls, 0);
    f.info->setImageEffectsPanel([](const QImage &) { return std::optional<QImage>(); });
    EXPECT_TRUE(f.page->btnEdit->isEnabled());
    auto bare = f.add(QRectF(0, 40, 10, 10));
    f.select({bare, f.a});
    EXPECT_FALSE(f.page->btnEdit->isEnabled());
    f.select({});
    EXPECT_FALSE(f.page->btnEdit->isEnabled());
}

TEST(ImageEffects, AcceptedTheProcessedPictureReplacesTheImageInOneUndoStep)
{
    Effects f;
    f.a->setTintImage(true);
    f.a->setImageTile(2.0f);
    f.select({f.a, f.b});
    f.startFresh();
    const std::shared_ptr<specImage> before = f.a->image();
    const QRectF frame = f.a->frameBounds();
    QTest::mouseClick(f.page->btnEdit, Qt::LeftButton);
    ASSERT_EQ(f.shown.size(), 1);
    // The panel gets the picture itself, without the object's tint or tiling.
    EXPECT_EQ(f.shown.first().size(), QSize(40, 20));
    EXPECT_EQ(f.shown.first().pixelColor(5, 5), QColor(Qt::red));
    ASSERT_NE(f.a->image(), before);
    EXPECT_FLOAT_EQ(f.a->image()->tile(), 2.0f);
    EXPECT_EQ(f.a->image()->copyRepresentations()->prepareImage().pixelColor(5, 5), QColor(Qt::cyan));
    EXPECT_TRUE(f.a->imageUseFilter());
    EXPECT_TRUE(f.a->imagePath().isEmpty());
    EXPECT_TRUE(f.a->image()->isTint());
    EXPECT_EQ(f.a->frameBounds(), frame);
    EXPECT_TRUE(f.a->isScaleWithBox());
    EXPECT_EQ(f.b->image()->copyRepresentations()->prepareImage().pixelColor(5, 5), QColor(Qt::blue));
    EXPECT_EQ(f.canvas.changedCalls, 1);
    f.canvas.undo.closeEventGroup();
    EXPECT_EQ(f.canvas.undo.undoActionName(), QStringLiteral("Change Image"));
    f.canvas.undo.undo();
    EXPECT_EQ(f.a->image(), before);
    EXPECT_FALSE(f.a->imageUseFilter());
    EXPECT_FALSE(f.canvas.undo.canUndo());
    f.canvas.undo.redo();
    EXPECT_TRUE(f.a->imageUseFilter());
    EXPECT_NE(f.a->image(), before);
}

TEST(ImageEffects, CancelledNothingChanges)
{
    Effects f;
    f.accept = false;
    f.select({f.a});
    f.startFresh();
    const std::shared_ptr<specImage> before = f.a->image();
    QTest::mouseClick(f.page->btnEdit, Qt::LeftButton);
    EXPECT_EQ(f.shown.size(), 1);
    EXPECT_EQ(f.a->image(), before);
    EXPECT_FALSE(f.a->imageUseFilter());
    EXPECT_TRUE(f.a->isScaleWithBox());
    EXPECT_EQ(f.canvas.changedCalls, 0);
    EXPECT_FALSE(f.canvas.undo.canUndo());
}

} // namespace
