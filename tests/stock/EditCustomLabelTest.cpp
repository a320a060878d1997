// The custom label editor: its unit table, the counts and lengths it takes and refuses, the
// stock it completes, its paper, and Return confirming.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "StockTestSupport.h"
#include "common/SheetDriver.h"
#include "foundation/MyStepper.h"
#include "platform/PrintInfo.h"
#include "stock/EditCustomLabel.h"

using namespace quillmark;

namespace {

class LabelEditor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        PrintInfo::sharedPrintInfo().setPaper(QPageSize(QPageSize::Letter));
        editor = std::make_unique<EditCustomLabel>(nullptr, &canvas);
    }
    void TearDown() override
    {
        editor.reset();
        PrintInfo::sharedPrintInfo().reset();
        Language::reset();
    }
    void open(const TLabel &label)
    {
        editor->setLabel(label);
        qmtest::presentSheet(*editor);
    }
    QLineEdit *field(const QString &name) { return qmtest::sheetField(*editor, name); }
    void type(const QString &name, const QString &text) { qmtest::typeIntoField(field(name), text); }
    QPushButton *ok() { return qmtest::sheetButton(*editor, QStringLiteral("okButton")); }
    QString message() { return editor->findChild<QLabel *>(QStringLiteral("lbMessage"))->text(); }

    stocktest::FakeCanvas canvas;
    std::unique_ptr<EditCustomLabel> editor;
};

TEST_F(LabelEditor, CentimetresAreShownAsMillimetres)
{
    canvas.unit = QStringLiteral("Centimeters");
    TLabel label;
    label.width = 4.0f;
    open(label);
    EXPECT_EQ(field(QStringLiteral("tfWidth"))->text(), QStringLiteral("101.60 mm"));
    type(QStringLiteral("tfWidth"), QStringLiteral("50"));
    EXPECT_NEAR(editor->label().width, 1.9685, 1e-4);
    EXPECT_EQ(field(QStringLiteral("tfWidth"))->text(), QStringLiteral("50.00 mm"));
    // One step is a twenty-fifth of a millimetre.
    EXPECT_NEAR(editor->findChild<MyStepper *>(QStringLiteral("spWidth"))->baseIncrement(), 1.0 / 25.4, 1e-6);
}

struct UnitCase
{
    const char *unit;
    const char *oneInch;
    double increment;
};

class LabelEditorUnits : public LabelEditor, public ::testing::WithParamInterface<UnitCase>
{
};

TEST_P(LabelEditorUnits, AnInchTopMarginInTheUnit)
{
    const UnitCase unit = GetParam();
    canvas.unit = QString::fromLatin1(unit.unit);
    TLabel label;
    label.top_margin = 1.0f;
    open(label);
    EXPECT_EQ(field(QStringLiteral("tfOffsetY"))->text(), QString::fromLatin1(unit.oneInch));
    EXPECT_NEAR(editor->findChild<MyStepper *>(QStringLiteral("spOffsetY"))->baseIncrement(), unit.increment, 1e-6);
    // The value typed back in the unit is the same inch.
    type(QStringLiteral("tfOffsetY"), QString::fromLatin1(unit.oneInch));
    EXPECT_NEAR(editor->label().top_margin, 1.0, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(Units, LabelEditorUnits,
                         ::testing::Values(UnitCase{"Inches", "1.00 in", 1.0 / 72.0},
                                           UnitCase{"Centimeters", "25.40 mm", 1.0 / 25.4},
                                           UnitCase{"Points", "72.00 pt", 1.0},
                                           UnitCase{"Picas", "6.00 pc", 1.0 / 12.0}));

struct Entry
{
    const char *field;
    const char *typed;
    bool taken;
    const char *reason;
};

class LabelEditorEntries : public LabelEditor, public ::testing::WithParamInterface<Entry>
{
};

TEST_P(LabelEditorEntries, CountsAreWholeNumbersAndLengthsAreSound)
{
    const Entry entry = GetParam();
    open(TLabel());
    const TLabel before = editor->label();
    type(QString::fromLatin1(entry.field), QString::fromLatin1(entry.typed));
    const TLabel after = editor->label();
    const bool changed = after.num_label != before.num_label || after.num_downlabel != before.num_downlabel
                         || after.width != before.width || after.height != before.height
                         || after.left_margin != before.left_margin || after.hole != before.hole
                         || after.hor_distance != before.hor_distance;
    EXPECT_EQ(changed, entry.taken);
    EXPECT_EQ(ok()->isEnabled(), entry.taken);
    EXPECT_EQ(message(), QString::fromLatin1(entry.reason));
    EXPECT_EQ(field(QString::fromLatin1(entry.field))->property("qmRefused").toBool(), !entry.taken);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, LabelEditorEntries,
    // Seven labels of 4 inches across are taken, and said to reach past the letter paper.
    ::testing::Values(Entry{"tfNumberX", "7", true, "The labels reach past the Letter paper."},
                      Entry{"tfNumberY", "4", true, ""},
                      Entry{"tfNumberY", "2.7", false, "Enter a whole number from 1 to 32767."},
                      Entry{"tfNumberY", "0", false, "Enter a whole number from 1 to 32767."},
                      Entry{"tfNumberX", "-3", false, "Enter a whole number from 1 to 32767."},
                      Entry{"tfNumberX", "32768", false, "Enter a whole number from 1 to 32767."},
                      Entry{"tfNumberX", "many", false, "Enter a whole number from 1 to 32767."},
                      Entry{"tfWidth", "0", false, "Enter a length greater than 0."},
                      Entry{"tfHeight", "-1", false, "Enter a length greater than 0."},
                      Entry{"tfWidth", "150 in", false, "Lengths cannot exceed 100 inches."},
                      Entry{"tfWidth", "2.5 in", true, ""},
                      Entry{"tfOffsetX", "-0.1", false, "Enter a length of 0 or more."},
                      Entry{"tfOffsetX", "0", true, ""},
                      Entry{"tfSpacingX", "0.125", true, ""},
                      Entry{"tfInRadius", "0.5", true, ""},
                      Entry{"tfWidth", "", false, "Enter a number."}));

TEST_F(LabelEditor, TheStockIsCompletedWhenConfirmed)
{
    struct Case
    {
        float radius;
        qint16 shapeBefore;
        qint16 shapeAfter;
    };
    // 2 x 1 inch labels: a corner radius below half the longer side rounds the corners; from
    // there on the label is an oval; no radius leaves the shape as it was.
    for (const Case &c : {Case{0.5f, 1, 2}, Case{1.0f, 1, 3}, Case{1.5f, 2, 3}, Case{0.0f, 3, 3}, Case{0.0f, 1, 1}}) {
        TLabel label;
        label.width = 2.0f;
        label.height = 1.0f;
        label.round_param = c.radius;
        label.shape = c.shapeBefore;
        editor->setLabel(label);
        EXPECT_EQ(editor->label().shape, c.shapeAfter) << c.radius;
    }
    // A hole smaller than the shorter side is kept as it is; one that is not is halved.
    TLabel holed;
    holed.width = 2.0f;
    holed.height = 1.0f;
    holed.hole = 0.8f;
    editor->setLabel(holed);
    EXPECT_FLOAT_EQ(editor->label().hole, 0.8f);
    holed.hole = 1.0f;
    editor->setLabel(holed);
    EXPECT_FLOAT_EQ(editor->label().hole, 0.5f);
}

TEST_F(LabelEditor, AMiniDiscTakesTheFullSizeHoleAndAHoleAsWideAsTheDiscIsRefused)
{
    canvas.unit = QStringLiteral("Centimeters");
    open(TLabel());
    // The 78 mm mini disc labels of the catalogue have the 41 mm hole of the full-size discs.
    type(QStringLiteral("tfNumberX"), QStringLiteral("2"));
    type(QStringLiteral("tfNumberY"), QStringLiteral("2"));
    type(QStringLiteral("tfWidth"), QStringLiteral("78"));
    type(QStringLiteral("tfHeight"), QStringLiteral("78"));
    type(QStringLiteral("tfOutRadius"), QStringLiteral("39"));
    type(QStringLiteral("tfInRadius"), QStringLiteral("41"));
    EXPECT_TRUE(ok()->isEnabled());
    EXPECT_EQ(message(), QString());
    EXPECT_EQ(field(QStringLiteral("tfInRadius"))->text(), QStringLiteral("41.00 mm"));
    EXPECT_NEAR(editor->label().hole * 25.4, 41.0, 0.01);
    EXPECT_EQ(editor->label().shape, 3);

    // As wide as the disc: said and not confirmed, whichever side is typed last.
    type(QStringLiteral("tfInRadius"), QStringLiteral("78"));
    EXPECT_EQ(message(), QStringLiteral("The hole must be smaller than the label."));
    EXPECT_TRUE(field(QStringLiteral("tfInRadius"))->property("qmRefused").toBool());
    EXPECT_FALSE(ok()->isEnabled());
    type(QStringLiteral("tfWidth"), QStringLiteral("80"));
    type(QStringLiteral("tfHeight"), QStringLiteral("80"));
    EXPECT_TRUE(ok()->isEnabled());
    EXPECT_FALSE(field(QStringLiteral("tfInRadius"))->property("qmRefused").toBool());
    type(QStringLiteral("tfHeight"), QStringLiteral("60"));
    EXPECT_FALSE(ok()->isEnabled());
    EXPECT_EQ(message(), QStringLiteral("The hole must be smaller than the label."));
    // Return in the refused panel confirms nothing.
    QTest::keyClick(field(QStringLiteral("tfHeight")), Qt::Key_Return);
    EXPECT_TRUE(editor->isVisible());
    type(QStringLiteral("tfInRadius"), QStringLiteral("41"));
    EXPECT_TRUE(ok()->isEnabled());
    EXPECT_NEAR(editor->label().hole * 25.4, 41.0, 0.01);
}

TEST_F(LabelEditor, TheGivenStockIsLeftUntouchedAndTheNameIsTheFields)
{
    TLabel label;
    label.name = QStringLiteral("5160");
    label.width = 2.625f;
    open(label);
    type(QStringLiteral("tfWidth"), QStringLiteral("3"));
    type(QStringLiteral("formatTitle"), QStringLiteral("Mine"));
    EXPECT_FLOAT_EQ(label.width, 2.625f);
    EXPECT_EQ(editor->label().name, QStringLiteral("Mine"));
    EXPECT_FLOAT_EQ(editor->label().width, 3.0f);
    // Without a name there is nothing to confirm.
    type(QStringLiteral("formatTitle"), QString());
    EXPECT_FALSE(ok()->isEnabled());
}

TEST_F(LabelEditor, ReturnInAFieldTakesItsValueAndConfirms)
{
    open(TLabel());
    QLineEdit *across = field(QStringLiteral("tfNumberX"));
    across->setFocus();
    across->selectAll();
    QTest::keyClicks(across, QStringLiteral("3"));
    QTest::keyClick(across, Qt::Key_Return);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(editor->result(), 1);
    EXPECT_EQ(editor->label().num_label, 3);
}

TEST_F(LabelEditor, ReturnInARefusedFieldConfirmsNothing)
{
    open(TLabel());
    QLineEdit *down = field(QStringLiteral("tfNumberY"));
    down->setFocus();
    down->selectAll();
    QTest::keyClicks(down, QStringLiteral("2.5"));
    QTest::keyClick(down, Qt::Key_Return);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->label().num_downlabel, 5);
}

TEST_F(LabelEditor, CountSteppersStepByOne)
{
    open(TLabel());
    auto *stepper = editor->findChild<MyStepper *>(QStringLiteral("spNumberX"));
    QTest::mouseClick(stepper, Qt::LeftButton, {}, stepper->upRect().center());
    EXPECT_EQ(editor->label().num_label, 3);
    EXPECT_EQ(field(QStringLiteral("tfNumberX"))->text(), QStringLiteral("3"));
    auto *width = editor->findChild<MyStepper *>(QStringLiteral("spWidth"));
    QTest::mouseClick(width, Qt::LeftButton, {}, width->downRect().center());
    EXPECT_NEAR(editor->label().width, 4.0 - 1.0 / 72.0, 1e-5);
}

TEST_F(LabelEditor, ThePaperIsKeptAndCanBeChosen)
{
    editor->setup();
    EXPECT_EQ(editor->label().paper, QStringLiteral("Letter"));
    EXPECT_EQ(editor->label().name, QStringLiteral("Untitled"));
    TLabel label;
    label.paper = QStringLiteral("A4");
    open(label);
    auto *paper = editor->findChild<QComboBox *>(QStringLiteral("pbPaper"));
    EXPECT_EQ(paper->currentText(), QStringLiteral("A4"));
    EXPECT_EQ(editor->label().paper, QStringLiteral("A4"));
    paper->setCurrentIndex(paper->findText(QStringLiteral("Legal")));
    EXPECT_EQ(editor->label().paper, QStringLiteral("Legal"));
    // A stock that does not say its paper keeps saying nothing.
    open(TLabel());
    EXPECT_TRUE(editor->label().paper.isEmpty());
}

} // namespace
