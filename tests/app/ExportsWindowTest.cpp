// Exports of the Database menu run in the whole window as a user runs them: the records are
// written aside with the progress and its Cancel, and the file takes its name only once it is
// whole. What was written is read back and checked against the sqlite3 program's reading of
// the database.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <atomic>
#include <functional>
#include <map>
#include <memory>

#include "app/AppTestSupport.h"
#include "database/DatabaseTestSupport.h"
#include "database/store/Database.h"
#include "database/store/DatabaseUserAction.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseModeSwitch.h"
#include "database/window/DatabaseView.h"
#include "database/window/ExportDatabasePanel.h"
#include "database/window/ImportProgress.h"

using namespace quillmark;

namespace {

constexpr int kRecords = 300;

class ExportsWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(Database::databasesFolder()).removeRecursively();
        QDir().mkpath(Database::databasesFolder());
        path = Database::pathForTitle("Club");
        ASSERT_TRUE(Database::createDatabaseAtPath(path));
        // Written by another program, so that what the exports read is the file's own.
        dbtest::sqliteCli(path, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                               "INSERT INTO dbtable (Date, First_Name, Last_Name, City, \"Groups\") "
                                               "SELECT '2024-01-01', printf('First%03d', i), printf('Last%03d', i), "
                                               "CASE WHEN i % 7 = 0 THEN 'Oslo, Norway' ELSE 'Town' || (i % 10) END, 0 FROM n;")
                                    .arg(kRecords));
        folder = qmtest::freshDir("exports");
        app = std::make_unique<apptest::WindowFixture>("exports");
        UserDefaults::standard().setObject(path, "databasePath");
        app->window->finishLaunching();
        app->window->modeSwitch()->switchTabs(DatabaseModeSwitch::DatabaseMode);
        apptest::settle();
        ASSERT_TRUE(editor()->database());
    }

    void TearDown() override
    {
        ImportProgress::setStepHookForTesting({});
        app.reset();
        QDir(Database::databasesFolder()).removeRecursively();
        ImportProgress::setMinimumDuration(500);
        DatabaseUserAction::end();
    }

    DatabaseFieldsView *editor() { return app->window->modeSwitch()->databaseView()->databaseFieldsView(); }
    qmtest::TestPrompts &prompts() { return app->prompts.prompts(); }
    int alerts() { return prompts().count(qmtest::TestPrompts::Alert); }
    QString sql(const QString &statement) { return dbtest::sqliteCli(path, statement).trimmed(); }

    // The items of the Database menu that export, found by their text.
    QList<QAction *> exportItems()
    {
        QList<QAction *> found;
        for (QAction *top : app->window->menuBar()->actions()) {
            if (!top->menu() || top->menu()->title() != QLatin1String("Database"))
                continue;
            emit top->menu()->aboutToShow();
            for (QAction *item : top->menu()->actions())
                if (item->text().startsWith(QLatin1String("Export")))
                    found.append(item);
        }
        return found;
    }

    // What each export asks the user, answered: its file (with the extension it proposes)
    // and, for the text export, its sheet set to first name, last name and city with commas.
    struct Answers
    {
        QString extension;
        std::function<void(const QString &file)> queue;
    };
    std::map<QString, Answers> answers()
    {
        return {
            {QStringLiteral("Export..."), {QStringLiteral("txt"), [this](const QString &file) { prompts().queuePath(file); }}},
            {QStringLiteral("Export VCard..."), {QStringLiteral("vcf"), [this](const QString &file) { prompts().queueSaveOfType(file); }}},
        };
    }

    // Runs a menu item with its answers; the export sheet, when it shows, is set and pressed
    // as a user does.
    void runExport(QAction *item, const QString &file)
    {
        answers().at(item->text()).queue(file);
        item->trigger();
        if (ExportDatabasePanel *panel = editor()->exportDatabasePanel(); panel && panel->isVisible()) {
            const QStringList keep = {"First Name", "Last Name", "City"};
            for (int row = panel->table()->count() - 1; row >= 0; --row)
                if (!keep.contains(panel->exportArray().at(row).title()))
                    panel->toggleRow(row);
            QTest::mouseClick(panel->findChild<QPushButton *>("export"), Qt::LeftButton);
        }
        apptest::settle();
    }

    QByteArray contents(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no file)");
    }

    QString path;
    QString folder;
    std::unique_ptr<apptest::WindowFixture> app;
};

} // namespace

TEST_F(ExportsWindow, ACancelPressedBeforeTheFileIsInPlaceLeavesNoFileAndAnOlderOneAsItWas)
{
    ImportProgress::setMinimumDuration(0);
    const QList<QAction *> items = exportItems();
    ASSERT_EQ(items.size(), 2);
    for (QAction *item : items) {
        const QString title = item->text();
        SCOPED_TRACE(title.toStdString());
        ASSERT_TRUE(answers().count(title)) << "no answers for " << title.toStdString();
        ASSERT_TRUE(item->isEnabled());

        const QString extension = answers().at(title).extension;
        // Left alone, the export writes every record as sqlite3 reads them.
        const QString reference = folder + "/reference." + extension;
        runExport(item, reference);
        EXPECT_EQ(alerts(), 0);
        const QByteArray whole = contents(reference);
        if (title == QLatin1String("Export...")) {
            QString expected = sql("SELECT First_Name || ',' || Last_Name || ',' || "
                                   "CASE WHEN City LIKE '%,%' THEN '\"' || City || '\"' ELSE City END FROM dbtable ORDER BY pk;");
            expected.replace('\n', "\r\n");
            EXPECT_EQ(QString::fromUtf8(whole), expected);
        } else {
            const QStringList names = sql("SELECT 'N:' || Last_Name || ';' || First_Name || ';;;' FROM dbtable ORDER BY pk;").split('\n');
            QStringList cards;
            for (const QRegularExpressionMatch &m : QRegularExpression("\r\n(N:[^\r]*)\r\n").globalMatch(QString::fromUtf8(whole)))
                cards.append(m.captured(1));
            EXPECT_EQ(cards, names);
            EXPECT_EQ(whole.count("BEGIN:VCARD\r\n"), kRecords);
            EXPECT_EQ(whole.count("END:VCARD\r\n"), kRecords);
            EXPECT_TRUE(whole.contains("ADR;TYPE=WORK:;;;Oslo\\, Norway;;;\r\n"));
        }
        QFile::remove(reference);

        // Cancel pressed before each of the last records is written, after the last one, once
        // the file is being put in place, and after the work ended while the dialog still shows.
        QList<qint64> steps;
        for (qint64 done = kRecords - 3; done <= kRecords; ++done)
            steps.append(done);
        steps << ImportProgress::KeepingBegun << ImportProgress::WorkEnded;
        for (qsizetype s = 0; s < steps.size(); ++s) {
            const qint64 step = steps.at(s);
            SCOPED_TRACE(step);
            // Half the time a file of that name is there already.
            const QString file = folder + "/people." + extension;
            const bool older = s % 2 == 0;
            QFile::remove(file);
            if (older) {
                QFile f(file);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write("the older file\n");
            }
            bool pressed = false;
            bool saidSaving = false;
            std::atomic<bool> armed{true};
            auto press = [&] {
                for (QWidget *top : QApplication::topLevelWidgets()) {
                    for (auto *dialog : top->findChildren<QProgressDialog *>(QStringLiteral("ImportProgress"))) {
                        if (!dialog->isVisible())
                            continue;
                        auto *cancel = dialog->findChild<QPushButton *>();
                        ASSERT_TRUE(cancel);
                        saidSaving = dialog->labelText() == QLatin1String("Saving the exported file...") && !cancel->isEnabled();
                        QTest::mouseClick(cancel, Qt::LeftButton);
                        pressed = true;
                    }
                }
            };
            ImportProgress::setStepHookForTesting([&](qint64 reached) {
                if (reached == step && armed.exchange(false))
                    QMetaObject::invokeMethod(qApp, press, Qt::BlockingQueuedConnection);
            });
            runExport(item, file);
            ImportProgress::setStepHookForTesting({});
            EXPECT_TRUE(pressed);
            EXPECT_EQ(alerts(), 0);
            if (step >= 0) {
                EXPECT_FALSE(saidSaving);
                EXPECT_EQ(contents(file), older ? QByteArray("the older file\n") : QByteArray("(no file)"));
            } else {
                EXPECT_TRUE(saidSaving);
                EXPECT_EQ(contents(file), whole);
            }
            // Nothing half written is left beside it.
            EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QFileInfo::exists(file) ? QStringList{"people." + extension} : QStringList{});
            QFile::remove(file);
        }
    }

    // While another program holds the database nothing is written, the older file stays, and
    // the message comes once the progress has gone.
    for (QAction *item : items) {
        SCOPED_TRACE(item->text().toStdString());
        const QString file = folder + "/held." + answers().at(item->text()).extension;
        dbtest::nextUserAction();
        {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("the older file\n");
        }
        bool progressShown = true;
        prompts().onAlert = [&] {
            progressShown = false;
            for (QProgressDialog *dialog : app->window->findChildren<QProgressDialog *>())
                progressShown = progressShown || dialog->isVisible();
        };
        const int before = alerts();
        {
            dbtest::ExclusiveLock lock(path, 100);
            runExport(item, file);
        }
        prompts().onAlert = nullptr;
        ASSERT_EQ(alerts(), before + 1);
        EXPECT_EQ(prompts().last().title, "Another program is using the database. Try again in a moment.");
        EXPECT_FALSE(progressShown);
        EXPECT_EQ(contents(file), QByteArray("the older file\n"));
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(file).fileName()});
        QFile::remove(file);
    }
}
