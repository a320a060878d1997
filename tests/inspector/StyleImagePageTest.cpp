// The style and image pages: the check-box fold over the selection, the shadow angle's
// slider, the last-used style written also with nothing selected, the image offsets in the
// display unit and the scales typed over differing values.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QSlider>

#include "foundation/CPopUpItemCell.h"
#include "foundation/MyStepper.h"
#include "inspector/ImagePage.h"
#include "inspector/InspectorFixture.h"
#include "inspector/NumberField.h"
#include "inspector/StylePage.h"
#include "platform/ColorWell.h"

using namespace quillmark;
using inspectortest::InspectorFixture;
using inspectortest::type;

namespace {

TEST(StyleFold, TheOrderOfTheSelectionDecidesMixedOrOn)
{
    InspectorFixture f(QStringLiteral("style-fold"));
    auto on = f.add(QRectF(0, 0, 10, 10));
    auto off = f.add(QRectF(20, 0, 10, 10));
    on->setDrawsStroke(true);
    off->setDrawsStroke(false);
    StylePage *page = f.info->stylePage();
    f.select({on, off});
    EXPECT_EQ(page->border(), -1);
    EXPECT_EQ(page->bBorder->checkState(), Qt::PartiallyChecked);
    f.select({off, on});
    EXPECT_EQ(page->border(), 1);
    f.select({off});
    EXPECT_EQ(page->border(), 0);
    // Clicking the box sets the stroke of all and the controls follow.
    f.select({on, off});
    QTest::mouseClick(page->bBorder, Qt::LeftButton, Qt::NoModifier, QPoint(6, page->bBorder->height() / 2));
    EXPECT_EQ(on->drawsStroke(), off->drawsStroke());
    EXPECT_EQ(page->tvLineWidth->isEnabled(), on->drawsStroke());
}

TEST(StyleShadow, TheSliderStartsAtTheBottom)
{
    struct Row
    {
        int position;
        int angle;
    };
    for (const Row row : {Row{0, 270}, Row{90, 0}, Row{300, 210}, Row{89, 359}, Row{359, 269}}) {
        EXPECT_EQ(StylePage::shadowAngleForSliderPosition(row.position), row.angle) << row.position;
        EXPECT_EQ(StylePage::sliderPositionForShadowAngle(row.angle), row.position) << row.angle;
    }

    InspectorFixture f(QStringLiteral("style-shadow"));
    auto box = f.add(QRectF(0, 0, 10, 10));
    box->setDrawsShadow(true);
    f.select({box});
    StylePage *page = f.info->stylePage();
    for (const Row row : {Row{300, 210}, Row{0, 270}, Row{90, 0}}) {
        page->slShadowAngle->setValue(row.position);
        EXPECT_FLOAT_EQ(box->shadowAngle(), float(row.angle)) << row.position;
        EXPECT_EQ(ObjectInfo::changedValues().value(ObjectInfo::shadowAngleKey).toFloat(), float(row.angle));
        EXPECT_EQ(page->tvShadowAngle->text(), QString::number(row.angle) + QStringLiteral(".00"));
    }
    // A number typed is the angle itself, cut to whole degrees.
    type(page->tvShadowAngle, QStringLiteral("300"));
    EXPECT_FLOAT_EQ(box->shadowAngle(), 300.0f);
    EXPECT_EQ(page->slShadowAngle->value(), 30);
    type(page->tvShadowAngle, QStringLiteral("45.9"));
    EXPECT_FLOAT_EQ(box->shadowAngle(), 45.0f);
    EXPECT_EQ(ObjectInfo::changedValues().value(ObjectInfo::shadowAngleKey).toFloat(), 45.0f);
}

TEST(StyleLastUsed, ValuesChosenWithNothingSelectedAreRememberedAndMarkTheDocument)
{
    InspectorFixture f(QStringLiteral("style-last-used"));
    f.select({});
    StylePage *page = f.info->stylePage();
    page->cwLineColor->takeColor(QColor(200, 10, 30));
    EXPECT_EQ(ObjectInfo::changedValues().value(ObjectInfo::lineColorKey).value<QColor>(), QColor(200, 10, 30));
    EXPECT_EQ(f.canvas.changedCalls, 1);
    page->pbLinePattern->setCurrentIndex(2);
    page->setLinePattern(page->pbLinePattern);
    EXPECT_EQ(ObjectInfo::changedValues().value(ObjectInfo::linePatternKey).toInt(), 2);
    // A new object takes them; a key never written leaves its own default.
    auto fresh = ColorRect::create(QRectF(0, 0, 10, 10));
    fresh->syncronizeWith(nullptr);
    EXPECT_EQ(fresh->strokeColor(), QColor(200, 10, 30));
    EXPECT_EQ(fresh->linePattern(), 2);
    EXPECT_FLOAT_EQ(fresh->strokeLineWidth(), 1.0f);
    // A new inspector starts a new last-used style.
    f.info.reset();
    EXPECT_TRUE(ObjectInfo::changedValues().isEmpty());
}

TEST(StyleFill, TheSecondColourAndTheAngleFollowTheFillType)
{
    InspectorFixture f(QStringLiteral("style-fill"));
    auto box = f.add(QRectF(0, 0, 10, 10));
    box->setDrawsFill(true);
    f.select({box});
    StylePage *page = f.info->stylePage();
    EXPECT_FALSE(page->cwFillColor2->isEnabled());
    EXPECT_FALSE(page->tvFillAngle->isEnabled());
    page->pbFillType->setCurrentIndex(2);
    page->setFillType(page->pbFillType);
    EXPECT_EQ(box->fillType(), 2);
    EXPECT_TRUE(page->cwFillColor2->isEnabled());
    EXPECT_TRUE(page->tvFillAngle->isEnabled());
    EXPECT_FALSE(page->tvFillAngle->text().isEmpty());
    type(page->tvFillAngle, QStringLiteral("30"));
    EXPECT_FLOAT_EQ(box->fillAngle(), 30.0f);
    page->pbFillType->setCurrentIndex(1);
    page->setFillType(page->pbFillType);
    EXPECT_TRUE(page->cwFillColor2->isEnabled());
    EXPECT_FALSE(page->tvFillAngle->isEnabled());
    EXPECT_TRUE(page->tvFillAngle->text().isEmpty());
}

std::shared_ptr<ColorRect> withImage(InspectorFixture &f, const QRectF &frame)
{
    auto object = f.add(frame);
    QImage bitmap(8, 8, QImage::Format_ARGB32);
    bitmap.fill(Qt::red);
    object->setImage(bitmap);
    return object;
}

TEST(ImageOffsets, TypedInTheDisplayUnitAndStoredInInches)
{
    InspectorFixture f(QStringLiteral("image-offsets"));
    f.setUnit(QStringLiteral("Centimeters"));
    auto box = withImage(f, QRectF(0, 0, 100, 100));
    f.select({box});
    ImagePage *page = f.info->imagePage();
    // Offsets are typed while the image does not follow the box.
    QTest::mouseClick(page->bScaleBox, Qt::LeftButton, Qt::NoModifier, QPoint(6, page->bScaleBox->height() / 2));
    ASSERT_FALSE(box->isScaleWithBox());
    ASSERT_TRUE(page->tvImgOffsetX->isEnabled());
    type(page->tvImgOffsetX, QStringLiteral("2.54"));
    EXPECT_NEAR(box->getXImageOffset(), 1.0f, 1e-5);
    f.setUnit(QStringLiteral("Points"));
    EXPECT_EQ(page->tvImgOffsetX->text(), QStringLiteral("72.00 pt"));
    EXPECT_EQ(page->imgOffsetX(), QStringLiteral("72.00"));
}

TEST(ImageScales, DifferingScalesShowEmptyAndATypedScaleLeavesTheBox)
{
    InspectorFixture f(QStringLiteral("image-scales"));
    auto a = withImage(f, QRectF(0, 0, 100, 100));
    auto b = withImage(f, QRectF(200, 0, 100, 100));
    a->setXImageScale(100.0f);
    b->setXImageScale(50.0f);
    a->setScaleWithBoxOnly(false);
    b->setScaleWithBoxOnly(false);
    f.select({a, b});
    ImagePage *page = f.info->imagePage();
    EXPECT_TRUE(page->tvImgScaleX->text().isEmpty());
    ASSERT_TRUE(page->tvImgScaleX->isEnabled());
    // Scaling with the box since the page was filled: the typed scale turns that off.
    a->setScaleWithBoxOnly(true);
    type(page->tvImgScaleX, QStringLiteral("75"));
    EXPECT_FLOAT_EQ(a->getXImageScale(), 75.0f);
    EXPECT_FLOAT_EQ(b->getXImageScale(), 75.0f);
    EXPECT_FALSE(a->isScaleWithBox());
    EXPECT_FALSE(b->isScaleWithBox());
    EXPECT_EQ(page->tvImgScaleX->text(), QStringLiteral("75.00"));
}

TEST(ImageOpacity, TheSliderSetsWholePercentsAndNoImageShowsAHundred)
{
    InspectorFixture f(QStringLiteral("image-opacity"));
    auto box = withImage(f, QRectF(0, 0, 100, 100));
    auto plain = f.add(QRectF(200, 0, 50, 50));
    plain->setDrawsImage(false);
    f.select({box});
    ImagePage *page = f.info->imagePage();
    EXPECT_TRUE(page->slImgOpacity->isEnabled());
    page->slImgOpacity->setValue(62);
    EXPECT_FLOAT_EQ(box->imageOpacity(), 62.0f);
    f.select({plain});
    EXPECT_EQ(page->imgOpacity(), 100);
    EXPECT_FALSE(page->slImgOpacity->isEnabled());
    EXPECT_FALSE(page->bShowImage->isEnabled());
    // What the control shows, too: with nothing that draws a picture, and with nothing
    // selected, the opacity is a hundred percent.
    EXPECT_EQ(page->slImgOpacity->value(), 100);
    EXPECT_EQ(page->lbImgOpacity->text(), QStringLiteral("100%"));
    f.select({});
    EXPECT_EQ(page->slImgOpacity->value(), 100);
    EXPECT_EQ(page->lbImgOpacity->text(), QStringLiteral("100%"));
    // A selection of which only some draw their picture shows no common opacity.
    f.select({box, plain});
    EXPECT_EQ(page->slImgOpacity->value(), 0);
}

} // namespace
