// The box of controls the effects panel builds for a filter: where each control goes, what its
// readout shows, and what the user's changes send to the filter.
#include "images/FakeEffectFilters.h"

#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "images/Controller.h"
#include "images/EffectSlider.h"
#include "images/FilterView.h"
#include "images/FunHouseImageView.h"
#include "images/ParameterView.h"
#include "platform/ColorWell.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <numbers>

using namespace quillmark;
using namespace effecttest;

namespace {

class ImageEffectsControls : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        panel = std::make_unique<Controller>(nullptr, fakeCatalogue());
        panel->showPanel(filled(40, 30, Qt::white));
    }
    void TearDown() override
    {
        panel.reset();
        Language::reset();
    }
    FilterView *build(const QString &name)
    {
        FilterView *box = panel->addFilter(name, Controller::FilterBoxTag);
        panel->show();
        return box;
    }
    ParameterView *control(FilterView *box, const QString &key)
    {
        for (ParameterView *view : box->findChildren<ParameterView *>())
            if (view->key() == key)
                return view;
        return nullptr;
    }
    FakeFilter *filter() { return static_cast<FakeFilter *>(panel->getCurrentFilter()); }
    void type(QLineEdit *field, const QString &text)
    {
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    // A chosen or dropped picture is read on a worker: the control answers once it is read.
    static bool loaded(ParameterView *view)
    {
        return QTest::qWaitFor([view] { return !view->isLoadingPicture(); }, 60000);
    }

    std::unique_ptr<Controller> panel;
};

} // namespace

TEST_F(ImageEffectsControls, ReadoutNumbersHaveTheirWidthAndDecimalsAndNoLengthLimit)
{
    struct Row { int width, decimals; double value; const char *text; };
    for (const Row &row : {Row{3, 1, 90, "90.0"}, Row{1, 3, 50, "50.000"}, Row{4, 2, 1, "1.00"},
                           Row{4, 1, 12.34, "12.3"}, Row{4, 2, 0.5, "0.50"}, Row{6, 2, -1.5, " -1.50"}})
        EXPECT_EQ(ParameterView::formatReadoutValue(row.width, row.decimals, row.value), row.text);
    // Longer than any fixed buffer: nothing is cut off.
    const QString huge = ParameterView::formatReadoutValue(4, 2, 1e30);
    EXPECT_TRUE(huge.startsWith("1000000000000000019884624838656")) << huge.toStdString();
    EXPECT_TRUE(huge.endsWith(".00"));
    EXPECT_EQ(ParameterView::formatReadoutValue(1, 3, 1e300).size(), 301 + 4);
}

TEST_F(ImageEffectsControls, LabelWordsFromKeys)
{
    struct Row { const char *key, *words; };
    for (const Row &row : {Row{"CenterX", "Center X"}, Row{"Color01", "Color 0 1"}, Row{"Radius", "Radius"},
                           Row{"", ""}, Row{"GCRWidth", "G C R Width"}, Row{"3D", "3 D"}})
        EXPECT_EQ(ParameterView::splitCamelCaseWords(row.key), row.words) << row.key;
    EXPECT_EQ(ParameterView::inputLabel(nullptr, "inputCenterX"), "Center X");
}

TEST_F(ImageEffectsControls, LabelsAreShortenedToTheirField)
{
    const QFont font = qmtest::testFont(9);
    EXPECT_EQ(ParameterView::ellipsizeField(500, font, "Replacement Color"), "Replace With");
    EXPECT_EQ(ParameterView::stringByReplacingOccurrences("aXbX", "X", "Y"), "aYbY");
    EXPECT_EQ(ParameterView::stringByReplacingOccurrences("ab", "X", "XX"), "ab");
    const QString shortened = ParameterView::ellipsizeField(60, font, "A very long input label indeed");
    EXPECT_TRUE(shortened.endsWith("...")) << shortened.toStdString();
    EXPECT_LE(int(QFontMetricsF(font).horizontalAdvance(shortened)), 55);
    EXPECT_GT(shortened.size(), 3);
}

TEST_F(ImageEffectsControls, TheBoxIsLaidOutTopDownAndTrimmed)
{
    FilterView *box = build("Everything");
    ASSERT_NE(box, nullptr);
    // Trial from 420 - 46 = 374 down to 129, less 3: the box loses 126 at the bottom.
    EXPECT_EQ(box->geometry(), QRect(0, 0, 320, 294));
    EXPECT_EQ(box->controlTopPosition(), 34);
    EXPECT_EQ(box->lastControlType(), FilterView::OffsetControl);

    struct Row { const char *key; QRect frame; };
    const Row rows[] = {
        {"inputAmount", QRect(0, 261, 308, 18)},    {"inputSharp", QRect(2, 245, 310, 16)},
        {"inputColor0", QRect(2, 218, 150, 26)},    {"inputColor1", QRect(152, 218, 150, 26)},
        {"inputColor2", QRect(2, 188, 150, 26)},    {"inputTexture", QRect(2, 140, 310, 44)},
        {"inputTransform", QRect(2, 69, 310, 67)},  {"inputWeights", QRect(2, 52, 310, 16)},
        {"inputShift", QRect(2, 35, 310, 16)},
    };
    for (const Row &row : rows) {
        ParameterView *view = control(box, row.key);
        ASSERT_NE(view, nullptr) << row.key;
        EXPECT_EQ(view->designFrame(), row.frame) << row.key;
        // Upwards from the box's bottom edge, on screen downwards from its top.
        EXPECT_EQ(view->geometry(), QRect(row.frame.x(), 294 - row.frame.y() - row.frame.height(),
                                          row.frame.width(), row.frame.height()))
            << row.key;
    }
    // The source picture and the point dragged in the preview get no control.
    EXPECT_EQ(control(box, "inputImage"), nullptr);
    EXPECT_EQ(control(box, "inputCenter"), nullptr);
    EXPECT_EQ(box->findChildren<ParameterView *>().size(), 9);

    // Vector readouts share the width: q = (305 - 95) / 4.
    ParameterView *weights = control(box, "inputWeights");
    const int xs[4] = {80, 137, 195, 252};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(weights->vectorReadout(i)->geometry(), QRect(xs[i], 0, 52, 16)) << i;
    EXPECT_EQ(weights->vectorReadout(2)->text(), "3.000");
    EXPECT_EQ(control(box, "inputShift")->vectorReadout(2), nullptr);

    // The controls keep their sides when the box widens.
    box->resize(420, box->height());
    EXPECT_EQ(control(box, "inputAmount")->width(), 408);
    EXPECT_EQ(control(box, "inputSharp")->width(), 310);
}

TEST_F(ImageEffectsControls, SliderReadoutsShowTheirKindOfNumber)
{
    FilterView *box = build("Timed");
    struct Row { const char *key; int dataType; const char *shown; };
    for (const Row &row : {Row{"inputTime", ParameterView::TimeData, "50.000"},
                           Row{"inputAngle", ParameterView::AngleData, "90.0"},
                           Row{"inputScale", ParameterView::ScalarData, "1.00"},
                           Row{"inputRadius", ParameterView::DistanceData, "12.3"}}) {
        ParameterView *view = control(box, row.key);
        ASSERT_NE(view, nullptr) << row.key;
        EXPECT_EQ(view->dataType(), row.dataType) << row.key;
        EXPECT_EQ(view->readoutTextField()->text(), row.shown) << row.key;
        EXPECT_EQ(view->labelTextField()->geometry(), QRect(0, 2, 90, 16)) << row.key;
    }
    EXPECT_EQ(control(box, "inputTime")->labelTextField()->text(), "Time");

    // Typing 25 in the time readout sends a quarter.
    ParameterView *time = control(box, "inputTime");
    type(time->readoutTextField(), "25");
    EXPECT_DOUBLE_EQ(filter()->value("inputTime").toDouble(), 0.25);
    EXPECT_NEAR(time->slider()->doubleValue(), 0.25, 1e-9);
    // Beyond what the input takes it is held to the range, and the readout shows the value used.
    type(time->readoutTextField(), "300");
    EXPECT_DOUBLE_EQ(filter()->value("inputTime").toDouble(), 1.0);
    EXPECT_DOUBLE_EQ(time->slider()->doubleValue(), 1.0);
    EXPECT_EQ(time->readoutTextField()->text(), "100.000");
    // Text that is no number brings the value in use back.
    type(time->readoutTextField(), "abc");
    EXPECT_DOUBLE_EQ(filter()->value("inputTime").toDouble(), 1.0);
    EXPECT_EQ(time->readoutTextField()->text(), "100.000");
    // Typed in degrees, sent in radians.
    type(control(box, "inputAngle")->readoutTextField(), "180");
    EXPECT_NEAR(filter()->value("inputAngle").toDouble(), std::numbers::pi, 1e-6);
}

TEST_F(ImageEffectsControls, ASliderSendsOnlyNewValues)
{
    FilterView *box = build("Timed");
    ParameterView *scale = control(box, "inputScale");
    const int before = filter()->setCount.value("inputScale");
    scale->slider()->setValue(EffectSlider::Steps / 2);
    EXPECT_EQ(filter()->setCount.value("inputScale"), before + 1);
    EXPECT_DOUBLE_EQ(filter()->value("inputScale").toDouble(), 5.0);
    EXPECT_EQ(scale->readoutTextField()->text(), "5.00");
    // The same value again sends nothing and asks for no redraw.
    const quint64 revision = panel->revision();
    scale->sliderChanged();
    EXPECT_EQ(filter()->setCount.value("inputScale"), before + 1);
    EXPECT_EQ(panel->revision(), revision);
}

TEST_F(ImageEffectsControls, CheckBoxesAndColourWellsSendTheirValues)
{
    FilterView *box = build("Everything");
    ParameterView *sharp = control(box, "inputSharp");
    EXPECT_TRUE(sharp->checkBox()->isChecked());
    EXPECT_EQ(sharp->checkBox()->text(), "Sharp");
    // On the box itself, at the left end of the control.
    QTest::mouseClick(sharp->checkBox(), Qt::LeftButton, Qt::NoModifier, QPoint(6, 8));
    EXPECT_FALSE(filter()->value("inputSharp").toBool());

    ParameterView *color = control(box, "inputColor1");
    EXPECT_EQ(color->colorWell()->color(), QColor(Qt::green));
    EXPECT_EQ(color->labelTextField()->text(), "Color 1");
    color->colorWell()->takeColor(QColor(10, 20, 30, 40));
    EXPECT_EQ(filter()->value("inputColor1").value<QColor>(), QColor(10, 20, 30, 40));
}

TEST_F(ImageEffectsControls, VectorReadoutsSendOnEveryKeystroke)
{
    FilterView *box = build("Everything");
    QLineEdit *second = control(box, "inputWeights")->vectorReadout(1);
    const int before = filter()->setCount.value("inputWeights");
    second->selectAll();
    QTest::keyClicks(second, "12");
    EXPECT_EQ(filter()->setCount.value("inputWeights"), before + 2);
    EXPECT_EQ(filter()->value("inputWeights").value<QList<double>>(), (QList<double>{1, 12, 3, 4}));

    // An offset of two comes back with four, the last two zero.
    type(control(box, "inputShift")->vectorReadout(0), "7");
    EXPECT_EQ(filter()->value("inputShift").value<QList<double>>(), (QList<double>{7, 6, 0, 0}));
}

TEST_F(ImageEffectsControls, TransformRowsStartFromTheIdentityAndComposeTheMatrix)
{
    FilterView *box = build("Everything");
    ParameterView *transform = control(box, "inputTransform");
    ASSERT_TRUE(transform->usingNSAffineTransform());
    const char *shown[4] = {"1.00", "0.0", "1.00", "0.00"};
    const char *names[4] = {"Scale", "Angle", "Stretch", "Skew"};
    for (int row = 0; row < 4; ++row) {
        EXPECT_NEAR(transform->transformSlider(row)->doubleValue(), 0, 1e-12) << row;
        EXPECT_EQ(transform->transformReadout(row)->text(), shown[row]) << row;
        EXPECT_EQ(transform->transformLabel(row)->text(), names[row]) << row;
    }
    EXPECT_EQ(transform->transformSlider(0)->geometry(), QRect(80, 0, 310 - 133, 16));
    EXPECT_EQ(transform->transformReadout(3)->geometry(), QRect(310 - 48, 51, 43, 16));

    type(transform->transformReadout(0), "2");
    QTransform sent = filter()->value("inputTransform").value<QTransform>();
    EXPECT_NEAR(sent.m11(), 2, 1e-6);
    EXPECT_NEAR(sent.m22(), 2, 1e-6);
    EXPECT_NEAR(transform->transformSlider(0)->doubleValue(), std::log10(2.0), 1e-6);

    // A quarter turn by the angle slider.
    transform->transformSlider(1)->setValue(EffectSlider::Steps / 4);
    sent = filter()->value("inputTransform").value<QTransform>();
    EXPECT_NEAR(sent.m11(), 0, 1e-6);
    EXPECT_NEAR(sent.m12(), 2, 1e-6);
    EXPECT_NEAR(sent.m21(), -2, 1e-6);
    EXPECT_EQ(transform->transformReadout(1)->text(), "90.0");
}

TEST_F(ImageEffectsControls, TheChooseButtonLoadsAPictureAndRefusesOtherFiles)
{
    qmtest::ScopedTestPrompts prompts;
    FilterView *box = build("Everything");
    ParameterView *texture = control(box, "inputTexture");
    EXPECT_EQ(texture->pushButton()->text(), "Choose");
    EXPECT_EQ(texture->imageView()->geometry(), QRect(80, 0, 48, 44));
    EXPECT_TRUE(panel->hasMissingImage());

    prompts->queueCancel();
    QTest::mouseClick(texture->pushButton(), Qt::LeftButton);
    EXPECT_EQ(filter()->setCount.value("inputTexture"), 0);

    const QString dir = qmtest::freshDir("effects-choose");
    ASSERT_TRUE(filled(6, 4, Qt::red).save(dir + "/red.png"));
    prompts->queuePath(dir + "/red.png");
    QTest::mouseClick(texture->pushButton(), Qt::LeftButton);
    ASSERT_TRUE(loaded(texture));
    EXPECT_EQ(filter()->image("inputTexture").extent(), QRectF(0, 0, 6, 4));
    EXPECT_FALSE(panel->hasMissingImage());

    QFile text(dir + "/notes.txt");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();
    prompts->queuePath(dir + "/notes.txt");
    QTest::mouseClick(texture->pushButton(), Qt::LeftButton);
    ASSERT_TRUE(loaded(texture));
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, "The file is not an image that can be opened.");
    EXPECT_TRUE(panel->hasMissingImage());

    // A file that is gone: the words placing a picture uses for it.
    prompts->queuePath(dir + "/gone.png");
    QTest::mouseClick(texture->pushButton(), Qt::LeftButton);
    ASSERT_TRUE(loaded(texture));
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 2);
    EXPECT_EQ(prompts->last().title, "The image file could not be read.");
}

TEST_F(ImageEffectsControls, AnImageWellShowsAThumbnailOfTheCurrentPicture)
{
    FilterView *box = panel->addFilter("Points", Controller::FilterBoxTag);
    ParameterView *view = new ParameterView(box);
    view->resize(310, 44);
    auto wide = std::make_shared<FakeFilter>("T", "T", QStringList{}, QList<FilterInput>{classInput("inputTexture", "CIImage")},
                                             FakeFilter::Output{});
    wide->setValue("inputTexture", QVariant::fromValue(FilterImage(filled(200, 50, Qt::blue))));
    view->addImageWellForFilter(wide, "inputTexture", panel.get());
    EXPECT_EQ(view->imageView()->image().size(), QSize(64, 16));
    wide->setValue("inputTexture", QVariant::fromValue(FilterImage(filled(3, 300, Qt::blue))));
    ParameterView *tall = new ParameterView(box);
    tall->resize(310, 44);
    tall->addImageWellForFilter(wide, "inputTexture", panel.get());
    EXPECT_EQ(tall->imageView()->image().size(), QSize(1, 64));
}
