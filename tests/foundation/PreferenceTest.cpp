#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>

#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "foundation/Preference.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

class PreferenceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardForTesting(qmtest::freshDir(QStringLiteral("prefs")) + QStringLiteral("/d.ini"));
        NotificationCenter::defaultCenter().addObserver(this, QStringLiteral("RecordChangedNotification"),
                                                        [this](const Notification &) { ++notifications; });
    }
    void TearDown() override { NotificationCenter::defaultCenter().removeObserver(this); }

    UserDefaults &defaults() { return UserDefaults::standard(); }
    int notifications = 0;
    qmtest::ScopedTestPrompts prompts;
};

TEST_F(PreferenceTest, FirstRunRegistersAndStoresItsDefaults)
{
    Preference panel;
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("Export Res")), QStringLiteral("300"));
    EXPECT_EQ(panel.exportRes(), 300);
    EXPECT_EQ(panel.replicateCount(), 2);
    EXPECT_EQ(panel.offsetX(), 5);
    EXPECT_EQ(panel.offsetY(), 5);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("imgToDoc")), QStringLiteral("NO"));
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("wheelZoom")));
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("profileDateFormat")), 1);
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("profileTimeFormat")), 1);
    EXPECT_FALSE(defaults().objectForKey(QStringLiteral("addFullNameSalutation")).isNull());
    EXPECT_EQ(panel.mxScrollWheel->checkedId(), 1);
}

TEST_F(PreferenceTest, AStoredTimeStyleOfNoneTakesTheDateStyle)
{
    defaults().setInteger(3, QStringLiteral("profileDateFormat"));
    defaults().setInteger(0, QStringLiteral("profileTimeFormat"));
    Preference panel;
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("profileTimeFormat")), 3);
    EXPECT_EQ(panel._profileTimeFormat->currentData().toInt(), 3);
}

TEST_F(PreferenceTest, OkWithoutChangesNotifiesNobody)
{
    Preference panel;
    int dateRefreshes = 0;
    panel.updateDateFields = [&] { ++dateRefreshes; };
    panel.buttonPressed(1);
    EXPECT_EQ(panel.result(), 1);
    EXPECT_EQ(notifications, 0);
    EXPECT_EQ(dateRefreshes, 0);
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);
}

TEST_F(PreferenceTest, FullNameAndDateChangesReachTheirReaders)
{
    Preference panel;
    int redraws = 0;
    int dateRefreshes = 0;
    panel.canvasNeedsDisplay = [&] { ++redraws; };
    panel.updateDateFields = [&] { ++dateRefreshes; };
    panel.includeSalutation->setChecked(true);
    panel.buttonPressed(1);
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(dateRefreshes, 0);
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("addFullNameSalutation")));
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("addFullNameMiddleName")));

    panel.cbDisplayTime->setChecked(true);
    panel.buttonPressed(1);
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(dateRefreshes, 1);
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("showTime")), 1);
}

TEST_F(PreferenceTest, InvalidNumbersKeepThePreviousValueAndSayWhy)
{
    Preference panel;
    struct Case { QLineEdit *field; QString text; QString key; QString kept; };
    const QList<Case> cases = {
        {panel.tfExportRes, QStringLiteral("0"), QStringLiteral("Export Res"), QStringLiteral("300")},
        {panel.tfExportRes, QStringLiteral("dpi"), QStringLiteral("Export Res"), QStringLiteral("300")},
        {panel.tfReplicate, QStringLiteral("-3"), QStringLiteral("Replicate"), QStringLiteral("2")},
    };
    for (const Case &c : cases) {
        prompts->clear();
        c.field->setText(c.text);
        panel.buttonPressed(1);
        EXPECT_EQ(defaults().stringForKey(c.key), c.kept) << c.text.toStdString();
        EXPECT_EQ(c.field->text(), c.kept);
        EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1) << c.text.toStdString();
    }

    panel.tfBleeds->setText(QStringLiteral("2.7"));
    panel.buttonPressed(1);
    EXPECT_DOUBLE_EQ(defaults().floatForKey(QStringLiteral("Printing Bleeds")), 2.7);
    EXPECT_EQ(panel.bleeds(), 2);
    prompts->clear();
    panel.tfBleeds->setText(QStringLiteral("-1"));
    panel.buttonPressed(1);
    EXPECT_DOUBLE_EQ(defaults().floatForKey(QStringLiteral("Printing Bleeds")), 2.7);
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);

    panel.tfExportRes->setText(QStringLiteral("600"));
    panel.tfOffsetX->setText(QStringLiteral("-4"));
    panel.buttonPressed(1);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("Export Res")), QStringLiteral("600"));
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("Hor")), QStringLiteral("-4"));
}

TEST_F(PreferenceTest, CancelKeepsTheStoredValuesButTheControlsAnswer)
{
    Preference panel;
    panel.spOffsetX->setValue(10);
    panel.buttonPressed(0);
    EXPECT_EQ(panel.result(), 0);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("Hor")), QStringLiteral("5"));
    EXPECT_EQ(panel.offsetX(), 10);
}

} // namespace
