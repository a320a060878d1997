// Print Sequence through the printer with a real address database: each label shows its own
// record and the record that was current is current again afterwards.
#include <gtest/gtest.h>

#include <poppler-qt6.h>

#include <QPrinter>
#include <QProcess>

#include "canvas/CanvasTestSupport.h"
#include "database/merge/ColorField.h"
#include "database/store/Database.h"
#include "database/merge/MergeKinds.h"
#include "printing/PrintJob.h"
#include "stock/TFormat.h"

using namespace quillmark;

namespace {

constexpr int FirstNamePk = 4;

class MergedPrint : public ::testing::Test, public canvastest::CanvasFixture
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("merged-print"));
        registerMergeKinds();
        const QString path = qmtest::freshDir(QStringLiteral("merged-db")) + QStringLiteral("/Names.sqlite");
        QString error;
        ASSERT_TRUE(Database::createDatabaseAtPath(path, &error)) << error.toStdString();
        db = Database::openDatabaseAtPath(path, &error);
        ASSERT_TRUE(db) << error.toStdString();
        for (int i = 0; i < 6; ++i) {
            db->fieldValues().clear();
            db->initFieldValues();
            db->fieldValues().insert(QStringLiteral("First_Name"), QStringLiteral("Name%1x").arg(i));
            keys.append(qint32(db->insertRecord()));
        }
        db->refreshBrowser();
    }
    void TearDown() override
    {
        if (Database::currentDatabase() == db.get())
            Database::setCurrentDatabase(nullptr);
    }

    std::unique_ptr<Database> db;
    QList<qint32> keys;
};

TFormat threeAcross()
{
    TFormat format;
    format.name = QStringLiteral("Three");
    for (int i = 0; i < 3; ++i) {
        TLabelT shape;
        shape.setType(QStringLiteral("Name"));
        shape.setX(10.0f + 65.0f * float(i));
        shape.setY(20.0f);
        shape.setWidth(60.0f);
        shape.setHeight(30.0f);
        format.labels.push_back(shape);
    }
    return format;
}

} // namespace

TEST_F(MergedPrint, EachLabelShowsItsRecord)
{
    view->setTFormat(threeAcross());
    auto field = ColorField::create(QRectF(5, 5, 120, 30));
    field->setPageName(view->getTemplateFolder() + QStringLiteral("Front"));
    view->addGraphic(field);
    field->setFieldPk(FirstNamePk);

    QList<qint32> rows;
    for (const dbBrowseField &row : db->browserArray())
        rows.append(row.primaryKey());
    ASSERT_EQ(rows.size(), 6);
    db->initWithPrimaryKey(rows.at(4));

    PrintJob job;
    job.sequence = true;
    job.recordKeys = rows;
    const QString path = qmtest::freshDir(QStringLiteral("merged-pdf")) + QStringLiteral("/names.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    ASSERT_TRUE(view->printJob(printer, job));
    // The printed run leaves the record current that was current before it.
    EXPECT_EQ(db->fieldValues().value(QStringLiteral("pk")).toLongLong(), rows.at(4));

    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    ASSERT_TRUE(document);
    ASSERT_EQ(document->numPages(), 2);
    QStringList pages;
    for (int p = 0; p < 2; ++p)
        pages.append(document->page(p)->text(QRectF()));
    QStringList expected;
    for (const qint32 pk : rows) {
        db->initWithPrimaryKey(pk);
        expected.append(db->fieldValues().value(QStringLiteral("First_Name")).toString());
    }
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(pages.at(i / 3).contains(expected.at(i))) << i << pages.at(i / 3).toStdString();
        EXPECT_FALSE(pages.at(1 - i / 3).contains(expected.at(i))) << i;
    }
}

namespace {

// The text pdftotext reads from the file, page by page in reading order.
QString pdfText(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// SQLite's own shell, which waits for no lock: it fails at once when somebody still holds one.
bool sqliteShell(const QString &database, const QString &sql)
{
    QProcess process;
    process.start(QStringLiteral("sqlite3"), {database, sql});
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0
           && process.readAllStandardError().isEmpty();
}

} // namespace

// A long job reads its records inside one read transaction: every record still comes out on
// its own label, in order, and the file is free for writers as soon as the job ends, so the
// next job prints what was written meanwhile.
TEST_F(MergedPrint, LongJobReadsEveryRecordAndLeavesTheFileFree)
{
    for (int i = 6; i < 100; ++i) {
        db->fieldValues().clear();
        db->initFieldValues();
        db->fieldValues().insert(QStringLiteral("First_Name"), QStringLiteral("Name%1x").arg(i));
        db->insertRecord();
    }
    db->refreshBrowser();
    view->setTFormat(threeAcross());
    auto field = ColorField::create(QRectF(5, 5, 120, 30));
    field->setPageName(view->getTemplateFolder() + QStringLiteral("Front"));
    view->addGraphic(field);
    field->setFieldPk(FirstNamePk);

    PrintJob job;
    job.sequence = true;
    for (const dbBrowseField &row : db->browserArray())
        job.recordKeys.append(row.primaryKey());
    ASSERT_EQ(job.recordKeys.size(), 100);
    const QString folder = qmtest::freshDir(QStringLiteral("merged-long"));
    auto print = [&](const QString &path) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return view->printJob(printer, job);
    };
    ASSERT_TRUE(print(folder + QStringLiteral("/first.pdf")));

    QStringList names;
    for (const qint32 pk : job.recordKeys) {
        db->initWithPrimaryKey(pk);
        names.append(db->fieldValues().value(QStringLiteral("First_Name")).toString());
    }
    const QString text = pdfText(folder + QStringLiteral("/first.pdf"));
    ASSERT_FALSE(text.isEmpty());
    EXPECT_EQ(text.count(QLatin1Char('\f')), 34);
    qsizetype at = 0;
    for (const QString &name : names) {
        const qsizetype found = text.indexOf(name, at);
        EXPECT_GE(found, at) << name.toStdString() << " is missing or out of order";
        if (found >= 0)
            at = found + name.size();
    }

    // Nothing holds the file after the job: another program writes it at once.
    ASSERT_TRUE(sqliteShell(db->path(), QStringLiteral("UPDATE dbtable SET First_Name='Changedx' WHERE pk=%1")
                                            .arg(job.recordKeys.at(50))));
    ASSERT_TRUE(print(folder + QStringLiteral("/second.pdf")));
    const QString second = pdfText(folder + QStringLiteral("/second.pdf"));
    EXPECT_TRUE(second.contains(QStringLiteral("Changedx")));
    EXPECT_FALSE(second.contains(names.at(50)));
}
