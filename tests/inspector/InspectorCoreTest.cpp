// The inspector's core: lengths shown in the canvas's unit, the empty selection, the Command
// key's stepper steps, the field visibility mask and the quiet refresh behind a hidden canvas.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTabWidget>

#include <stdexcept>

#include "foundation/MyStepper.h"
#include "inspector/GeometryPage.h"
#include "inspector/ImagePage.h"
#include "inspector/NumberField.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "inspector/StylePage.h"
#include "platform/ColorWell.h"
#include "inspector/InspectorFixture.h"
#include "platform/Modifiers.h"

using namespace quillmark;
using inspectortest::InspectorFixture;

namespace {

TEST(InspectorUnits, A72PointWidthInEveryUnit)
{
    InspectorFixture f(QStringLiteral("inspector-units"));
    auto box = f.add(QRectF(36, 18, 72, 144));
    f.select({box});
    struct Row
    {
        const char *unit;
        const char *width;
        const char *height;
        const char *x;
    };
    const Row rows[] = {
        {"Centimeters", "2.54 cm", "5.08 cm", "1.27 cm"},
        {"Picas", "6.00 pc", "12.00 pc", "3.00 pc"},
        {"Inches", "1.00 in", "2.00 in", "0.50 in"},
        {"Points", "72.00 pt", "144.00 pt", "36.00 pt"},
    };
    GeometryPage *page = f.info->geometryPage();
    for (const Row &row : rows) {
        f.setUnit(QLatin1String(row.unit));
        EXPECT_EQ(page->tvWidth->text(), QLatin1String(row.width)) << row.unit;
        EXPECT_EQ(page->tvHeight->text(), QLatin1String(row.height)) << row.unit;
        EXPECT_EQ(page->tvOriginX->text(), QLatin1String(row.x)) << row.unit;
        // The stepper steps one point in the unit.
        EXPECT_NEAR(page->spWidth->baseIncrement(), f.info->convertFromPoints(1.0f), 1e-6) << row.unit;
    }
    // Typed in centimetres, stored in points.
    f.setUnit(QStringLiteral("Centimeters"));
    inspectortest::type(page->tvWidth, QStringLiteral("5.08"), Qt::ShiftModifier);
    EXPECT_NEAR(box->width(), 5.08 * 28.35, 0.001);
    EXPECT_EQ(page->tvWidth->text(), QStringLiteral("5.08 cm"));
}

TEST(InspectorUnits, ConversionFactorsAndSuffixes)
{
    EXPECT_NEAR(ObjectInfoPanel::convertFromPoints(28.35f, QStringLiteral("Centimeters")), 1.0f, 1e-6);
    EXPECT_NEAR(ObjectInfoPanel::convertToPoints(1.0f, QStringLiteral("Picas")), 12.0f, 1e-6);
    EXPECT_NEAR(ObjectInfoPanel::convertToPoints(2.0f, QStringLiteral("Inches")), 144.0f, 1e-6);
    EXPECT_EQ(ObjectInfoPanel::convertFromPoints(10.0f, QStringLiteral("Points")), 10.0f);
    EXPECT_EQ(ObjectInfoPanel::convertFromPoints(10.0f, QStringLiteral("Furlongs")), 10.0f);
    EXPECT_EQ(ObjectInfoPanel::unitSuffix(QStringLiteral("Centimeters")), QStringLiteral("cm"));
    EXPECT_EQ(ObjectInfoPanel::unitSuffix(QStringLiteral("Points")), QStringLiteral("pt"));
    EXPECT_EQ(ObjectInfoPanel::unitSuffix(QStringLiteral("Picas")), QStringLiteral("pc"));
    EXPECT_EQ(ObjectInfoPanel::unitSuffix(QStringLiteral("Furlongs")), QStringLiteral("in"));
}

TEST(InspectorRefresh, NothingSelectedShowsEmptyFieldsOffBoxesAndDisabledControls)
{
    InspectorFixture f(QStringLiteral("inspector-empty"));
    auto box = f.add(QRectF(10, 10, 50, 50));
    box->setDrawsShadow(true);
    f.select({box});
    GeometryPage *geometry = f.info->geometryPage();
    StylePage *style = f.info->stylePage();
    EXPECT_FALSE(geometry->tvWidth->text().isEmpty());
    EXPECT_TRUE(style->bShadow->isChecked());
    EXPECT_TRUE(geometry->tvOriginX->isEnabled());

    f.select({});
    for (NumberField *field : {geometry->tvOriginX, geometry->tvOriginY, geometry->tvWidth, geometry->tvHeight,
                               geometry->tvAngle, style->tvLineWidth, style->tvShadowDistance})
        EXPECT_TRUE(field->text().isEmpty()) << field->objectName().toStdString();
    EXPECT_FALSE(style->bShadow->isChecked());
    EXPECT_FALSE(geometry->tvOriginX->isEnabled());
    EXPECT_FALSE(geometry->tvWidth->isEnabled());
    // The style controls stay usable: with nothing selected they set the last-used style.
    EXPECT_TRUE(style->cwLineColor->isEnabled());
    EXPECT_TRUE(style->tvShadowDistance->isEnabled());
    // The image page shows -1 inch and -1.00 for an empty selection's offsets and scales.
    EXPECT_EQ(f.info->imagePage()->imgOffsetX(), QStringLiteral("-1.00"));
    EXPECT_EQ(f.info->imagePage()->imgScaleX(), QStringLiteral("-1.00"));
}

TEST(InspectorRefresh, LockedAndUnresizableObjectsTurnTheirControlsOff)
{
    InspectorFixture f(QStringLiteral("inspector-locked"));
    auto box = f.add(QRectF(10, 10, 50, 50));
    box->setLocked(true);
    f.select({box});
    GeometryPage *page = f.info->geometryPage();
    EXPECT_FALSE(page->tvOriginX->isEnabled());
    EXPECT_FALSE(page->spOriginY->isEnabled());
    EXPECT_TRUE(page->tvAngle->isEnabled());
}

TEST(InspectorRefresh, NothingHappensWhileTheCanvasIsHidden)
{
    InspectorFixture f(QStringLiteral("inspector-hidden"));
    QWidget canvasView;
    f.info->setRectsView(&f.canvas, &canvasView);
    canvasView.hide();
    auto box = f.add(QRectF(10, 10, 72, 50));
    f.select({box});
    EXPECT_TRUE(f.info->geometryPage()->tvWidth->text().isEmpty());
    canvasView.show();
    f.info->refresh();
    EXPECT_EQ(f.info->geometryPage()->tvWidth->text(), QStringLiteral("1.00 in"));
}

TEST(InspectorCommandKey, StepsTenPointsWhileHeld)
{
    InspectorFixture f(QStringLiteral("inspector-command"));
    f.setUnit(QStringLiteral("Centimeters"));
    auto box = f.add(QRectF(10, 10, 72, 50));
    f.select({box});
    GeometryPage *geometry = f.info->geometryPage();
    ImagePage *image = f.info->imagePage();
    // Command is Ctrl here: pressing it over the inspector's controls.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    QApplication::sendEvent(geometry->tvWidth, &press);
    EXPECT_TRUE(f.info->isCommandPressed());
    for (MyStepper *stepper : {geometry->spOriginX, geometry->spOriginY, geometry->spWidth, geometry->spHeight,
                               image->spImgOffsetX, image->spImgOffsetY})
        EXPECT_NEAR(stepper->baseIncrement(), 10.0 / 28.35, 1e-5) << stepper->objectName().toStdString();
    EXPECT_NEAR(geometry->spAngle->baseIncrement(), 1.0, 1e-6);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    QApplication::sendEvent(geometry->tvWidth, &release);
    EXPECT_FALSE(f.info->isCommandPressed());
    EXPECT_NEAR(geometry->spWidth->baseIncrement(), 1.0 / 28.35, 1e-6);
}

TEST(InspectorFieldMask, SixtyFourBitsAndFieldsPastThemCountAsShown)
{
    const qint64 mask = (qint64(1) << 31) | (qint64(1) << 40) | (qint64(1) << 63) | 1;
    EXPECT_TRUE(ObjectInfoPanel::isFieldVisible(0, mask));
    EXPECT_FALSE(ObjectInfoPanel::isFieldVisible(1, mask));
    // The bit of index 31 counts like any other, and so do those above it.
    EXPECT_TRUE(ObjectInfoPanel::isFieldVisible(31, mask));
    EXPECT_FALSE(ObjectInfoPanel::isFieldVisible(32, mask));
    EXPECT_TRUE(ObjectInfoPanel::isFieldVisible(40, mask));
    EXPECT_TRUE(ObjectInfoPanel::isFieldVisible(63, mask));
    EXPECT_FALSE(ObjectInfoPanel::isFieldVisible(62, mask));
    // Past the mask's bits every field is shown.
    EXPECT_TRUE(ObjectInfoPanel::isFieldVisible(64, 0));
    EXPECT_TRUE(ObjectInfoPanel::isFieldVisible(200, 0));
}

} // namespace

namespace {

// A page of another concern, as the text and barcode pages come: its own tab number, its
// values and enabled states asked by the inspector's calls for that tab.
class CountingTextPage : public InspectorPage
{
public:
    explicit CountingTextPage(ObjectInfoPanel *info)
        : InspectorPage(info, ObjectInfoPanel::TextTab, QStringLiteral("InspectorGeometry"), QStringLiteral("Text"))
    {
        addLabel(QStringLiteral("Size"), QRect(4, 8, 60, 22));
        addField(QStringLiteral("tvTextSize"), QRect(70, 8, 60, 22));
    }
    void updateValues() override
    {
        ++values;
        if (failing)
            throw std::runtime_error("unreadable text");
    }
    void enableControls() override { ++enables; }
    int values = 0;
    int enables = 0;
    bool failing = false;
};

TEST(InspectorPages, ALaterPageTakesItsPlaceByTabAndItsCalls)
{
    InspectorFixture f(QStringLiteral("inspector-pages"));
    auto *text = new CountingTextPage(f.info.get());
    f.info->addPage(text);
    EXPECT_EQ(f.info->tagOfPage(ObjectInfoPanel::GeometryTab), 1);
    EXPECT_EQ(f.info->tagOfPage(ObjectInfoPanel::ImageTab), 3);
    EXPECT_EQ(f.info->tagOfPage(ObjectInfoPanel::TextTab), 4);
    EXPECT_EQ(f.info->tagOfPage(ObjectInfoPanel::AlignTab), 5);
    // The barcode page, tab 5, stays last.
    EXPECT_EQ(f.info->tagOfPage(ObjectInfoPanel::BarcodeTab), int(f.info->pages().size()));
    EXPECT_EQ(f.info->tabs()->widget(3), text);
    EXPECT_EQ(f.info->page(ObjectInfoPanel::TextTab), text);

    f.info->refresh();
    EXPECT_EQ(text->values, 1);
    EXPECT_EQ(text->enables, 1);
    f.info->updateFontValues();
    f.info->enableText();
    EXPECT_EQ(text->values, 2);
    EXPECT_EQ(text->enables, 2);
    // A text page that fails costs its own values only: the refresh goes on.
    text->failing = true;
    auto box = f.add(QRectF(0, 0, 72, 72));
    f.select({box});
    EXPECT_EQ(text->enables, 3);
    EXPECT_EQ(f.info->geometryPage()->tvWidth->text(), QStringLiteral("1.00 in"));

    // The side panel shows it fourth, under its own title, and opens it by its tag.
    PropertiesView view;
    view.addSubviewsFrom(f.info.get());
    f.info->setPropertiesView(&view);
    ASSERT_EQ(view.buttons().size(), f.info->pages().size());
    EXPECT_EQ(view.buttons().at(3)->text(), QStringLiteral("Text"));
    f.info->switchTab(ObjectInfoPanel::TextTab);
    EXPECT_TRUE(view.isButtonSelected(4));
    EXPECT_EQ(view.pageWithTag(4), text);
    f.info->setPropertiesView(nullptr);
}

} // namespace
