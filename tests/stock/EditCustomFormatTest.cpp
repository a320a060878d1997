// The custom format editor: its unit table, fields and steppers, the enabling rules, rotating,
// duplicating, the paper, and the refusals that keep a format sound.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include "StockTestSupport.h"
#include "common/SheetDriver.h"
#include "common/TestPrintPanels.h"
#include "foundation/MyStepper.h"
#include "platform/PrintInfo.h"
#include "stock/CustomPageView.h"
#include "stock/CustomTypesView.h"
#include "stock/EditCustomFormat.h"

using namespace quillmark;

namespace {

TLabelT shape(const QString &type, float x, float y, float width, float height)
{
    TLabelT label;
    label.setType(type);
    label.setX(x);
    label.setY(y);
    label.setWidth(width);
    label.setHeight(height);
    return label;
}

TLabelT disc(float diameter, float hole)
{
    TLabelT label = shape(QStringLiteral("Disc"), 20, 20, diameter, diameter);
    label.setRound(QStringLiteral("true"));
    label.setHole(hole);
    return label;
}

class FormatEditor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        PrintInfo::sharedPrintInfo().setPaper(QPageSize(QPageSize::Letter));
        editor = std::make_unique<EditCustomFormat>(nullptr, &canvas);
        editor->setup(nullptr);
        qmtest::presentSheet(*editor);
    }
    void TearDown() override
    {
        editor.reset();
        PrintInfo::sharedPrintInfo().reset();
        Language::reset();
    }

    QLineEdit *field(const QString &name) { return qmtest::sheetField(*editor, name); }
    MyStepper *stepper(const QString &name) { return editor->findChild<MyStepper *>(name); }
    QPushButton *button(const QString &name) { return qmtest::sheetButton(*editor, name); }
    CustomPageView *sheet() { return editor->customPageView(); }
    // Loads a format of the shapes and selects one by a click on the sheet.
    void edit(const std::vector<TLabelT> &labels, int select = 0, const QString &name = QStringLiteral("Mine"))
    {
        TFormat format;
        format.name = name;
        format.labels = labels;
        editor->setup(&format);
        sheet()->layoutPaper();
        if (select >= 0) {
            const TLabelT &label = sheet()->labels()[size_t(select)];
            const QPointF centre = label.origin() + QPointF(label.size().width() / 2, label.size().height() / 5);
            QTest::mouseClick(sheet(), Qt::LeftButton, {}, sheet()->viewPoint(centre).toPoint());
        }
    }
    const TLabelT &selected() { return *sheet()->selectedLabel(); }
    bool refused(const QString &name) { return field(name)->property("qmRefused").toBool(); }

    stocktest::FakeCanvas canvas;
    std::unique_ptr<EditCustomFormat> editor;
};

struct UnitRow
{
    const char *unit;
    const char *oneInchWide;  // 25.4 mm as the field shows it
    double stepperIncrement;  // one step
    float twoInMillimetres;   // what typing 2 stores
};

class FormatEditorUnits : public FormatEditor, public ::testing::WithParamInterface<UnitRow>
{
};

TEST_P(FormatEditorUnits, FieldsShowAndTakeValuesInTheUnit)
{
    const UnitRow row = GetParam();
    canvas.unit = QString::fromLatin1(row.unit);
    edit({shape(QStringLiteral("Label"), 10, 10, 25.4f, 50.8f)});
    EXPECT_EQ(field(QStringLiteral("tfWidth"))->text(), QString::fromLatin1(row.oneInchWide));
    EXPECT_NEAR(stepper(QStringLiteral("spWidth"))->baseIncrement(), row.stepperIncrement, 1e-6);
    EXPECT_NEAR(stepper(QStringLiteral("spOffsetX"))->baseIncrement(), row.stepperIncrement, 1e-6);
    qmtest::typeIntoField(editor->findChild<QLineEdit *>(QStringLiteral("tfWidth")), QStringLiteral("2"));
    EXPECT_NEAR(selected().widthValue(), row.twoInMillimetres, 1e-3);
    // A step of the stepper adds one increment.
    const float before = selected().heightValue();
    QTest::mouseClick(stepper(QStringLiteral("spHeight")), Qt::LeftButton, {},
                      stepper(QStringLiteral("spHeight"))->upRect().center());
    EXPECT_NEAR(selected().heightValue() - before, editor->convertToMM(float(row.stepperIncrement)), 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Units, FormatEditorUnits,
                         ::testing::Values(UnitRow{"Inches", "1.00 in", 1.0 / 72.0, 50.8f},
                                           UnitRow{"Centimeters", "2.54 cm", 1.0 / 25.4, 20.0f},
                                           UnitRow{"Points", "72.00 pt", 1.0, 2.0f * 25.4f / 72.0f},
                                           UnitRow{"Picas", "6.00 pc", 1.0 / 12.0, 2.0f * 25.4f / 6.0f}));

TEST_F(FormatEditor, ARoundShapeShowsItsRadiiAndHidesWidthAndHeight)
{
    canvas.unit = QStringLiteral("Centimeters");
    edit({disc(40.0f, 15.0f)});
    EXPECT_EQ(field(QStringLiteral("tfOutRadius"))->text(), QStringLiteral("2.00 cm"));
    EXPECT_EQ(field(QStringLiteral("tfInRadius"))->text(), QStringLiteral("0.75 cm"));
    EXPECT_FALSE(field(QStringLiteral("tfWidth"))->isVisible());
    EXPECT_FALSE(field(QStringLiteral("tfHeight"))->isVisible());
    EXPECT_TRUE(field(QStringLiteral("tfOutRadius"))->isVisible());
    EXPECT_FALSE(field(QStringLiteral("tfCornerRadius"))->isEnabled());
    EXPECT_FALSE(button(QStringLiteral("bnRotate"))->isEnabled());

    // An outer radius of 0 changes nothing and cannot be confirmed.
    qmtest::typeIntoField(field(QStringLiteral("tfOutRadius")), QStringLiteral("0"));
    EXPECT_FLOAT_EQ(selected().widthValue(), 40.0f);
    EXPECT_TRUE(refused(QStringLiteral("tfOutRadius")));
    EXPECT_FALSE(button(QStringLiteral("okButton"))->isEnabled());
    qmtest::typeIntoField(field(QStringLiteral("tfOutRadius")), QStringLiteral("3"));
    EXPECT_FLOAT_EQ(selected().widthValue(), 60.0f);
    EXPECT_FLOAT_EQ(selected().heightValue(), 60.0f);
    EXPECT_TRUE(button(QStringLiteral("okButton"))->isEnabled());
    // A hole as large as the disc is refused; a smaller one is taken as its diameter.
    qmtest::typeIntoField(field(QStringLiteral("tfInRadius")), QStringLiteral("3"));
    EXPECT_FLOAT_EQ(selected().holeValue(), 15.0f);
    EXPECT_EQ(editor->findChild<QLabel *>(QStringLiteral("lbMessage"))->text(),
              QStringLiteral("The hole must be smaller than the label."));
    qmtest::typeIntoField(field(QStringLiteral("tfInRadius")), QStringLiteral("1"));
    EXPECT_FLOAT_EQ(selected().holeValue(), 20.0f);
}

TEST_F(FormatEditor, WidthsAndHeightsMustBeGreaterThanZero)
{
    edit({shape(QStringLiteral("Label"), 10, 10, 50, 30)});
    for (const QString &typed : {QStringLiteral("0"), QStringLiteral("-2"), QStringLiteral("wide"), QStringLiteral("200")}) {
        qmtest::typeIntoField(field(QStringLiteral("tfWidth")), typed);
        EXPECT_FLOAT_EQ(selected().widthValue(), 50.0f) << typed.toStdString();
        EXPECT_TRUE(refused(QStringLiteral("tfWidth"))) << typed.toStdString();
        EXPECT_FALSE(button(QStringLiteral("okButton"))->isEnabled()) << typed.toStdString();
        // The field keeps what was typed until the next refresh.
        EXPECT_EQ(field(QStringLiteral("tfWidth"))->text(), typed);
    }
    EXPECT_EQ(editor->findChild<QLabel *>(QStringLiteral("lbMessage"))->text(),
              QStringLiteral("Lengths cannot exceed 100 inches."));
    QTest::mouseClick(button(QStringLiteral("okButton")), Qt::LeftButton);
    EXPECT_TRUE(editor->isVisible());
    // A click on the shape refreshes the fields: nothing is refused any more.
    edit({shape(QStringLiteral("Label"), 10, 10, 50, 30)});
    EXPECT_FALSE(refused(QStringLiteral("tfWidth")));
    EXPECT_TRUE(button(QStringLiteral("okButton"))->isEnabled());
    // Offsets may be negative: a shape may hang over the edge.
    qmtest::typeIntoField(field(QStringLiteral("tfOffsetX")), QStringLiteral("-0.1"));
    EXPECT_NEAR(selected().xValue(), -2.54, 1e-4);
}

TEST_F(FormatEditor, RotatingExchangesWidthAndHeightAndMarksTheType)
{
    edit({shape(QStringLiteral("Horizontal"), 10, 10, 100, 50)});
    QTest::mouseClick(button(QStringLiteral("bnRotate")), Qt::LeftButton);
    EXPECT_NEAR(selected().widthValue(), 50.0, 1e-3);
    EXPECT_NEAR(selected().heightValue(), 100.0, 1e-3);
    EXPECT_EQ(selected().getType(), QStringLiteral("Horizontal "));
    EXPECT_FLOAT_EQ(selected().xValue(), 10.0f);
    EXPECT_EQ(field(QStringLiteral("tfWidth"))->text(), QStringLiteral("1.97 in"));
    QTest::mouseClick(button(QStringLiteral("bnRotate")), Qt::LeftButton);
    EXPECT_NEAR(selected().widthValue(), 100.0, 1e-3);
    EXPECT_EQ(selected().getType(), QStringLiteral("Horizontal"));
}

TEST_F(FormatEditor, ANewFormatNeedsANameAndALabel)
{
    QPushButton *ok = button(QStringLiteral("okButton"));
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_FALSE(field(QStringLiteral("tfWidth"))->isEnabled());
    EXPECT_TRUE(field(QStringLiteral("tfWidth"))->text().isEmpty());
    // A name alone is not a format.
    QTest::keyClicks(field(QStringLiteral("formatTitle")), QStringLiteral("Case"));
    EXPECT_FALSE(ok->isEnabled());
    editor->buttonPressed(1);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->findChild<QLabel *>(QStringLiteral("lbMessage"))->text(),
              QStringLiteral("Drag label shapes from the palette onto the sheet."));

    // A shape dropped from the palette: now it is.
    QMimeData data;
    data.setData(QStringLiteral("DesignedElementDragType"), "Disc");
    auto dropDisc = [&] {
        // As a drag arrives: it enters the sheet, then drops.
        QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(sheet(), &enter);
        QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(sheet(), &drop);
    };
    dropDisc();
    ASSERT_EQ(sheet()->labels().size(), 1u);
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_TRUE(field(QStringLiteral("tfOutRadius"))->isVisible());

    // Deleting the only shape leaves nothing to confirm, and the fields empty.
    sheet()->setFocus();
    QTest::keyClick(sheet(), Qt::Key_Delete);
    EXPECT_TRUE(sheet()->labels().empty());
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_FALSE(field(QStringLiteral("tfOffsetX"))->isEnabled());
    EXPECT_TRUE(field(QStringLiteral("tfOffsetX"))->text().isEmpty());

    // With a shape again, emptying the name disables OK.
    dropDisc();
    EXPECT_TRUE(ok->isEnabled());
    field(QStringLiteral("formatTitle"))->selectAll();
    QTest::keyClick(field(QStringLiteral("formatTitle")), Qt::Key_Backspace);
    EXPECT_FALSE(ok->isEnabled());
}

TEST_F(FormatEditor, DuplicateFollowsTheSelectionAndItsKey)
{
    edit({shape(QStringLiteral("Label"), 10, 10, 50, 30)}, -1);
    QAction *duplicate = nullptr;
    for (QAction *action : editor->actions())
        if (action->text() == QStringLiteral("Duplicate"))
            duplicate = action;
    ASSERT_TRUE(duplicate);
    EXPECT_FALSE(duplicate->isEnabled());
    EXPECT_FALSE(button(QStringLiteral("bnDuplicate"))->isEnabled());
    edit({shape(QStringLiteral("Label"), 10, 10, 50, 30)});
    EXPECT_TRUE(duplicate->isEnabled());
    QTest::keyClick(sheet(), Qt::Key_D, Qt::ControlModifier);
    ASSERT_EQ(sheet()->labels().size(), 2u);
    EXPECT_FLOAT_EQ(selected().xValue(), 13.0f);
    EXPECT_EQ(field(QStringLiteral("tfOffsetX"))->text(), QStringLiteral("0.51 in"));
    QTest::mouseClick(button(QStringLiteral("bnDuplicate")), Qt::LeftButton);
    EXPECT_FLOAT_EQ(selected().yValue(), 16.0f);
}

TEST_F(FormatEditor, ArrowKeysRefreshTheFields)
{
    canvas.unit = QStringLiteral("Points");
    edit({shape(QStringLiteral("Label"), 25.4f, 50, 50, 30)});
    const QString before = field(QStringLiteral("tfOffsetX"))->text();
    sheet()->setFocus();
    QTest::keyClick(sheet(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(field(QStringLiteral("tfOffsetX"))->text(), QStringLiteral("82.00 pt"));
    EXPECT_NE(before, field(QStringLiteral("tfOffsetX"))->text());
}

TEST_F(FormatEditor, PageSetupChoosesThePaperOfTheSheetAndTheFormat)
{
    qmtest::ScopedTestPrintPanels panels;
    edit({shape(QStringLiteral("Label"), 10, 10, 50, 30)});
    EXPECT_EQ(sheet()->paperSize(), QSizeF(612, 792));
    EXPECT_EQ(editor->format().papersize, QStringLiteral("Letter"));

    panels->queuePageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    QTest::mouseClick(button(QStringLiteral("bnPageSetup")), Qt::LeftButton);
    ASSERT_EQ(panels->count(qmtest::TestPrintPanels::PageLayoutPanel), 1);
    EXPECT_EQ(panels->last().layout.pageSize().id(), QPageSize::Letter);
    EXPECT_NEAR(sheet()->paperSize().width(), 595.28, 0.01);
    EXPECT_NEAR(sheet()->paperSize().height(), 841.89, 0.01);
    EXPECT_EQ(editor->format().papersize, QStringLiteral("A4"));
    EXPECT_EQ(PrintInfo::sharedPrintInfo().pageSize().id(), QPageSize::A4);
    EXPECT_TRUE(editor->findChild<QLabel *>(QStringLiteral("lbPaper"))->text().contains(QStringLiteral("A4")));

    // Cancelled: the paper stays.
    panels->queuePageLayoutCancel();
    QTest::mouseClick(button(QStringLiteral("bnPageSetup")), Qt::LeftButton);
    EXPECT_EQ(editor->format().papersize, QStringLiteral("A4"));
}

TEST_F(FormatEditor, AFormatIsEditedOnItsOwnPaperAndComesBackWhole)
{
    TFormat format;
    format.name = QStringLiteral("Case");
    format.papersize = QStringLiteral("iso-a5");
    format.labels = {shape(QStringLiteral("Face"), 10, 10, 50, 30), disc(40, 10)};
    editor->setup(&format);
    EXPECT_EQ(field(QStringLiteral("formatTitle"))->text(), QStringLiteral("Case"));
    EXPECT_NEAR(sheet()->paperSize().width(), 419.53, 0.01);
    sheet()->selectLabelAtIndex(0);
    qmtest::typeIntoField(field(QStringLiteral("tfHeight")), QStringLiteral("1"));
    const TFormat made = editor->format();
    EXPECT_EQ(made.name, QStringLiteral("Case"));
    EXPECT_EQ(made.manufacturer, QStringLiteral("brenholt"));
    EXPECT_EQ(made.papersize, QStringLiteral("A5"));
    ASSERT_EQ(made.labels.size(), 2u);
    EXPECT_FLOAT_EQ(made.labels[0].heightValue(), 25.4f);
    EXPECT_TRUE(made.labels[1].isRound());
    // The format handed in is a copy: it is left as it was.
    EXPECT_FLOAT_EQ(format.labels[0].heightValue(), 30.0f);
}

TEST_F(FormatEditor, TheButtonsEndThePanelWithTheirTags)
{
    edit({shape(QStringLiteral("Label"), 10, 10, 50, 30)});
    QTest::mouseClick(button(QStringLiteral("okButton")), Qt::LeftButton);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(editor->result(), 1);
    qmtest::presentSheet(*editor);
    QTest::mouseClick(button(QStringLiteral("cancelButton")), Qt::LeftButton);
    EXPECT_EQ(editor->result(), 0);
}

} // namespace
