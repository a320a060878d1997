// With a German locale every number the window writes takes the user's decimal comma, as the
// number fields write and read it: each text of each widget of the window (the line under the
// sheet, the Geometry page, pop-up items, tool tips), the labels of both rulers, every readout
// of every filter of the image effects, the bleeds of the preferences and the real numbers of
// the record form; and what they show reads back as the number shown.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeView>

#include "app/AppTestSupport.h"
#include "database/store/Database.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseModeSwitch.h"
#include "database/window/DatabaseView.h"
#include "foundation/Preference.h"
#include "images/CIFilterDataSource.h"
#include "images/Controller.h"
#include "images/FilterView.h"
#include "images/ParameterView.h"
#include "inspector/ObjectInfoPanel.h"

using namespace quillmark;

namespace decimalmark {

// A German user: the locale's numbers and the German interface, set before the window is made.
QString germanUser()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    return QStringLiteral("de");
}

class DecimalMark : public ::testing::Test
{
protected:
    DecimalMark() : before(QLocale()), f(QStringLiteral("decimal-mark"), germanUser()) {}
    ~DecimalMark() override { QLocale::setDefault(before); }

    // Every text a widget of the window shows.
    QStringList windowTexts() const
    {
        QStringList texts;
        for (QWidget *widget : f.window->findChildren<QWidget *>()) {
            if (!widget->toolTip().isEmpty())
                texts << widget->toolTip();
            if (auto *label = qobject_cast<QLabel *>(widget))
                texts << label->text();
            else if (auto *edit = qobject_cast<QLineEdit *>(widget))
                texts << edit->text() << edit->placeholderText();
            else if (auto *button = qobject_cast<QAbstractButton *>(widget))
                texts << button->text();
            else if (auto *combo = qobject_cast<QComboBox *>(widget))
                for (int i = 0; i < combo->count(); ++i)
                    texts << combo->itemText(i);
        }
        return texts;
    }

    const QLocale before;
    apptest::WindowFixture f;
};

// A number with a point between its digits, as a C program writes it.
const QRegularExpression pointed(QStringLiteral("\\d\\.\\d"));

QString sqlite3(const QString &path, const QString &sql)
{
    QProcess process;
    process.start(QStringLiteral("sqlite3"), {path, sql});
    EXPECT_TRUE(process.waitForFinished(30000)) << "sqlite3 reads the database";
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

TEST_F(DecimalMark, EveryMeasurementTheWindowWritesTakesTheUsersDecimalMark)
{
    ASSERT_EQ(QLocale().decimalPoint(), QStringLiteral(","));
    f.drawRect(QRectF(20, 20, 30.24, 80));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(30, 50));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);

    // A number with a point before the name of a unit, in the language shown.
    QStringList units;
    for (const char *unit : {"inch", "cm", "pt", "pc", "mm", "in"})
        units << QRegularExpression::escape(Language::stringForKey(QString::fromLatin1(unit)));
    const QString unit = QStringLiteral("\\s*(") + units.join(QLatin1Char('|')) + QStringLiteral(")\\b");
    const QRegularExpression pointed(QStringLiteral("\\d\\.\\d+") + unit);
    const QRegularExpression comma(QStringLiteral("\\d,\\d+") + unit);
    int measurements = 0;
    for (const QString &text : windowTexts()) {
        EXPECT_FALSE(pointed.match(text).hasMatch()) << text.toStdString();
        measurements += comma.match(text).hasMatch() ? 1 : 0;
    }
    // The line under the sheet and the Geometry page at least.
    EXPECT_GE(measurements, 2);

    // The rulers' labels, close enough for fractions of the unit.
    for (int i = 0; i < 6; ++i)
        f.canvas()->zoomIn();
    apptest::settle();
    for (RulerView *ruler : {f.canvas()->horizontalRuler(), f.canvas()->verticalRuler()}) {
        ASSERT_NE(ruler, nullptr);
        int fractions = 0;
        for (const RulerView::Tick &tick : ruler->ticksBetween(0.0, 200.0)) {
            EXPECT_FALSE(tick.label.contains(QLatin1Char('.'))) << tick.label.toStdString();
            fractions += tick.label.contains(QLatin1Char(',')) ? 1 : 0;
        }
        EXPECT_GT(fractions, 0) << "no fraction of the unit was labelled";
    }
}

} // namespace decimalmark

namespace decimalmark {

// Every filter of the panel's list is chosen in turn, and every readout of its controls (the
// sliders', the vectors' and offsets' components, the transform rows) shows its number with the
// comma; Return in it, with nothing typed, takes the number it shows and leaves it as it was.
TEST_F(DecimalMark, EveryReadoutOfEveryEffectShowsTheCommaAndReadsBackAsShown)
{
    f.drawRect(QRectF(40, 40, 80, 60));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(80, 70));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    QImage picture(40, 30, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::darkCyan);
    f.canvas()->selectedObjects().first()->setImage(picture);
    f.window->objectInfo()->refresh();
    f.window->objectInfo()->switchTab(CanvasInspector::ImageTab);
    apptest::settle();
    auto *button = f.window->findChild<QPushButton *>(QStringLiteral("btnEdit"));
    ASSERT_TRUE(button && button->isEnabled());

    int filters = 0;
    int readouts = 0;
    QStringList problems;
    f.prompts->queuePanel([&](QDialog *dialog) {
        auto *panel = qobject_cast<Controller *>(dialog);
        if (!panel)
            return 0;
        panel->show();
        apptest::settle();
        QTreeView *list = panel->outlineView();
        list->expandAll();
        for (const CIFilterDataSource::Category &category : panel->dataSource()->categories()) {
            for (const CIFilterDataSource::Entry &entry : category.entries) {
                const QModelIndex row = panel->dataSource()->indexOfFilter(entry.filterClass);
                list->scrollTo(row);
                QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualRect(row).center());
                apptest::settle();
                if (!panel->getCurrentFilter() || !panel->filterView()) {
                    problems << entry.filterClass + QStringLiteral(": not chosen");
                    continue;
                }
                ++filters;
                for (ParameterView *view : panel->filterView()->findChildren<ParameterView *>()) {
                    for (QLineEdit *readout : view->findChildren<QLineEdit *>()) {
                        if (!readout->isVisible() || readout->isReadOnly())
                            continue;
                        ++readouts;
                        const QString where = entry.filterClass + QLatin1Char(' ') + view->key() + QStringLiteral(": ");
                        const QString shown = readout->text();
                        if (pointed.match(shown).hasMatch())
                            problems << where + QStringLiteral("shows \"") + shown + QLatin1Char('"');
                        readout->setFocus();
                        QTest::keyClick(readout, Qt::Key_Return);
                        if (readout->text() != shown)
                            problems << where + QStringLiteral("showed \"") + shown + QStringLiteral("\", read back as \"")
                                            + readout->text() + QLatin1Char('"');
                    }
                }
            }
        }
        QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
        return panel->result();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    apptest::settle();
    // Every kind of readout is there: the catalogue has many sliders, and vectors and transforms.
    EXPECT_GT(filters, 50);
    EXPECT_GT(readouts, 100);
    EXPECT_TRUE(problems.isEmpty()) << problems.size() << " readouts:\n"
                                    << problems.join(QLatin1Char('\n')).toStdString();
}

// The bleeds the preferences show beside their stepper are written with the comma, and a
// length typed with it is the length stored.
TEST_F(DecimalMark, ThePreferencesBleedsShowAndTakeTheComma)
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setFloat(1.5, QStringLiteral("Printing Bleeds"));
    Preference *panel = f.window->preferencePanel();
    ASSERT_NE(panel, nullptr);
    panel->awakeFromNib();
    QString shown;
    QTimer::singleShot(0, panel, [&] {
        shown = panel->tfBleeds->text();
        panel->tfBleeds->setFocus();
        panel->tfBleeds->selectAll();
        QTest::keyClicks(panel->tfBleeds, QStringLiteral("2,25"));
        QTest::mouseClick(panel->okButton, Qt::LeftButton);
    });
    // The menu item by its English title, which it keeps as its tool tip.
    QAction *preferences = nullptr;
    for (QAction *top : f.window->menuBar()->actions())
        if (top->menu())
            for (QAction *item : top->menu()->actions())
                if (item->toolTip() == QLatin1String("Preferences..."))
                    preferences = item;
    ASSERT_NE(preferences, nullptr);
    preferences->trigger();
    apptest::settle();
    EXPECT_EQ(shown, QStringLiteral("1,5"));
    EXPECT_DOUBLE_EQ(defaults.floatForKey(QStringLiteral("Printing Bleeds")), 2.25);
    EXPECT_EQ(panel->tfBleeds->text(), QStringLiteral("2,25"));
}

// A field of real numbers in the record form shows the stored number with the comma, and a
// number typed with it is the number stored, read back by sqlite3.
TEST_F(DecimalMark, ARealFieldOfTheRecordFormShowsAndTakesTheComma)
{
    const QString path = Database::pathForTitle(QStringLiteral("Gewichte"));
    QDir().mkpath(Database::databasesFolder());
    QFile::remove(path);
    ASSERT_TRUE(QFile::copy(Database::templatePath(), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    {
        Database db(path);
        db.openDatabase();
        db.alterFieldTable();
        db.addFieldTitle(QStringLiteral("Last_Name"), 3, 255);
        db.addFieldTitle(QStringLiteral("Weight"), 1, 255);
        db.addFieldTitle(QStringLiteral("Groups"), 0, 0);
        db.initFieldsStructure();
        db.configure();
        db.configureGroups();
        db.configureAttributes();
        db.closeDatabase();
    }
    sqlite3(path, QStringLiteral("INSERT INTO dbtable (Last_Name, Weight, Groups) VALUES ('Ann', 3.5, 0);"));

    DatabaseModeSwitch *modes = f.window->modeSwitch();
    modes->switchTabs(DatabaseModeSwitch::DatabaseMode);
    apptest::settle();
    DatabaseFieldsView *editor = modes->databaseView()->databaseFieldsView();
    editor->reloadDatabases();
    ASSERT_TRUE(editor->setDatabasePath(path));
    apptest::settle();
    QLineEdit *weight = editor->findChild<QLineEdit *>(QStringLiteral("Weight"));
    ASSERT_NE(weight, nullptr);
    EXPECT_EQ(weight->text(), QStringLiteral("3,5"));

    weight->setFocus();
    weight->selectAll();
    QTest::keyClicks(weight, QStringLiteral("2,25"));
    EXPECT_EQ(weight->text(), QStringLiteral("2,25")) << "the field refused the comma";
    QTest::keyClick(weight, Qt::Key_Return);
    apptest::settle();
    EXPECT_EQ(sqlite3(path, QStringLiteral("SELECT Weight FROM dbtable;")), QStringLiteral("2.25"));
    EXPECT_EQ(weight->text(), QStringLiteral("2,25"));
    modes->switchTabs(DatabaseModeSwitch::LabelDesign);
    apptest::settle();
    ASSERT_TRUE(editor->releaseDatabase());
    QFile::remove(path);
}

} // namespace decimalmark
