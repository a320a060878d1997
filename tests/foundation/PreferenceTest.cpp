#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSpinBox>

#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "foundation/Preference.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "database/store/Utils.h"

#include <QDateTime>
#include <unicode/locid.h>

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

// Runs with ICU's default locale set to the given one.
class IcuLocale
{
public:
    explicit IcuLocale(const char *name) : m_previous(icu::Locale::getDefault())
    {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(icu::Locale(name), status);
    }
    ~IcuLocale()
    {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(m_previous, status);
    }

private:
    icu::Locale m_previous;
};

TEST_F(PreferenceTest, DateSampleIsWrittenInTheLocalesOwnOrder)
{
    const QDateTime moment(QDate(2026, 12, 7), QTime(15, 4, 0));
    struct Case { const char *locale; int date; int time; QString sample; };
    const Case cases[] = {
        {"en_US", 1, 0, "12/7/26"},
        {"en_US", 2, 0, "Dec 7, 2026"},
        {"de_DE", 1, 0, "07.12.26"},
        {"de_DE", 2, 0, "07.12.2026"},
        {"de_DE", 1, 1, "07.12.26, 15:04"},
        {"ru_RU", 1, 0, "07.12.2026"},
        {"zh_CN", 1, 0, "2026/12/7"},
        {"de_DE", 0, 0, ""},
    };
    for (const Case &c : cases) {
        const IcuLocale locale(c.locale);
        EXPECT_EQ(Preference::dateSample(moment, c.date, c.time), c.sample) << c.locale << ' ' << c.date;
        // The date fields write the same text for the same styles.
        defaults().setInteger(c.date, QStringLiteral("profileDateFormat"));
        defaults().setInteger(c.time, QStringLiteral("profileTimeFormat"));
        defaults().setInteger(c.time != 0 ? 1 : 0, QStringLiteral("showTime"));
        if (c.date != 0) {
            EXPECT_EQ(Utils::formatDate(moment, Utils::dateFormat()), c.sample) << c.locale;
        }
    }

    // The panel's sample follows its pop-ups: a German short date, no English month order.
    const IcuLocale german("de_DE");
    defaults().setInteger(1, QStringLiteral("profileDateFormat"));
    defaults().setInteger(0, QStringLiteral("showTime"));
    Preference panel;
    EXPECT_EQ(panel.tfDateSample->text(), Preference::dateSample(QDateTime::currentDateTime(), 1, 0));
    EXPECT_TRUE(panel.tfDateSample->text().contains(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d\\d$"))))
        << panel.tfDateSample->text().toStdString();
}

TEST_F(PreferenceTest, CopiesOffsetsAndBleedsStayWithinWhatTheirControlsTake)
{
    Preference panel;
    EXPECT_EQ(panel.spReplicate->maximum(), Preference::MaximumCopies);
    EXPECT_EQ(panel.spOffsetX->maximum(), Preference::MaximumOffset);
    EXPECT_EQ(panel.spOffsetY->minimum(), -Preference::MaximumOffset);
    EXPECT_DOUBLE_EQ(panel.spBleeds->maximum(), Preference::MaximumBleeds);

    struct Case { QLineEdit *field; QString text; QString key; QString stored; int alerts; };
    const QList<Case> cases = {
        {panel.tfReplicate, "1000", "Replicate", "1000", 0},
        {panel.tfReplicate, "1001", "Replicate", "1000", 1},
        {panel.tfOffsetX, "-1000", "Hor", "-1000", 0},
        {panel.tfOffsetX, "5000", "Hor", "-1000", 1},
        {panel.tfOffsetY, "1001", "Vert", "5", 1},
        {panel.tfOffsetY, "12abc", "Vert", "12", 0},
    };
    for (const Case &c : cases) {
        prompts->clear();
        c.field->setText(c.text);
        panel.buttonPressed(1);
        EXPECT_EQ(defaults().stringForKey(c.key), c.stored) << c.text.toStdString();
        EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), c.alerts) << c.text.toStdString();
    }
    // The controls the canvas reads agree with what was stored.
    EXPECT_EQ(panel.replicateCount(), 1000);
    EXPECT_EQ(panel.offsetX(), -1000);
    EXPECT_EQ(panel.offsetY(), 12);

    prompts->clear();
    panel.tfBleeds->setText(QStringLiteral("36"));
    panel.buttonPressed(1);
    EXPECT_DOUBLE_EQ(defaults().floatForKey(QStringLiteral("Printing Bleeds")), 36.0);
    panel.tfBleeds->setText(QStringLiteral("36.5"));
    panel.buttonPressed(1);
    EXPECT_DOUBLE_EQ(defaults().floatForKey(QStringLiteral("Printing Bleeds")), 36.0);
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);

    // Values stored beyond the bounds (by hand, or before they existed) show clamped.
    defaults().setString(QStringLiteral("99999"), QStringLiteral("Replicate"));
    defaults().setString(QStringLiteral("-99999"), QStringLiteral("Hor"));
    defaults().setFloat(500.0, QStringLiteral("Printing Bleeds"));
    Preference reopened;
    EXPECT_EQ(reopened.tfReplicate->text(), QStringLiteral("1000"));
    EXPECT_EQ(reopened.tfOffsetX->text(), QStringLiteral("-1000"));
    EXPECT_EQ(reopened.tfBleeds->text(), QStringLiteral("36"));
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
