#pragma once
// The database window on a database of its own, for the tests of the record form.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>

#include <memory>

#include "database/DatabaseTestSupport.h"
#include "common/TestPrompts.h"
#include "database/window/DBPropertiesView.h"
#include "database/store/Database.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseView.h"
#include "platform/UserDefaults.h"

namespace dbtest {

// Makes "<Databases>/<title>.sqlite" with `records` records named Name01, Name02, ...
inline QString makeNamedDatabase(const QString &title, int records)
{
    const QString path = quillmark::Database::pathForTitle(title);
    QString error;
    if (!quillmark::Database::createDatabaseAtPath(path, &error))
        qFatal("cannot create %s: %s", qPrintable(path), qPrintable(error));
    {
        quillmark::Database db(path);
        db.initFieldsStructure();
        for (int i = 1; i <= records; ++i)
            addRecord(db, {{"Last_Name", QString("Name%1").arg(i, 2, 10, QChar('0'))},
                           {"First_Name", QString("First%1").arg(i)}});
    }
    return path;
}

inline QString cli(const QString &path, const QString &sql)
{
    return sqliteCli(path, sql).trimmed();
}

class EditorFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(quillmark::Database::databasesFolder()).removeRecursively();
        QDir().mkpath(quillmark::Database::databasesFolder());
        quillmark::UserDefaults::standard().removeObject("databasePath");
        quillmark::UserDefaults::standard().removeObject("dbProperties");
        nextUserAction();
    }

    void TearDown() override
    {
        view.reset();
        QDir(quillmark::Database::databasesFolder()).removeRecursively();
        nextUserAction();
    }

    void openTen()
    {
        testPath = makeNamedDatabase("Test", 10);
        launch();
    }

    void launch()
    {
        view = std::make_unique<quillmark::DatabaseView>();
        view->resize(1400, 800);
        view->appDidFinishLaunching();
    }

    quillmark::DatabaseFieldsView &editor() { return *view->databaseFieldsView(); }
    QString text(const char *name) { return view->findChild<QLabel *>(name)->text(); }
    QAbstractButton *button(const char *name) { return view->findChild<QAbstractButton *>(name); }
    QLineEdit *edit(int pk) { return qobject_cast<QLineEdit *>(editor().valueControlForPk(pk)); }
    // Every record as the sqlite3 program reads it.
    QString allRecords() { return cli(testPath, "SELECT * FROM dbtable ORDER BY pk;"); }
    int alerts() { return prompts->count(qmtest::TestPrompts::Alert); }
    // The side panel's pane of that tab (1 sort, 2 field titles, 3 and 4 groups, 5 find).
    template <typename Pane>
    Pane *pane(int tag)
    {
        return qobject_cast<Pane *>(view->propertiesView()->paneWithTag(tag));
    }

    qmtest::ScopedTestPrompts prompts;
    std::unique_ptr<quillmark::DatabaseView> view;
    QString testPath;
};

} // namespace dbtest
