// Merged printing and sequential export through the window's File menu, with the records in an
// address database that another program may hold or change meanwhile: every label shows its
// own record, a record that cannot be read stops the job with the reason and never leaves the
// record before it on a label, and a merge field prints its text as the text engine lays it
// out (letter spacing, tab stops). The printed PDF is read back with poppler.
#include <gtest/gtest.h>

#include <poppler-qt6.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTextLayout>

#include <functional>
#include <optional>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "barcodes/ColorBarcode.h"
#include "canvas/RectsView.h"
#include "common/TestPrintPanels.h"
#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "database/merge/ColorAddress.h"
#include "database/merge/ColorField.h"
#include "database/store/Database.h"
#include "database/DatabaseTestSupport.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "objects/TextFlow.h"
#include "platform/PrintInfo.h"
#include "platform/UserDefaults.h"
#include "printing/ExportFormats.h"

using namespace quillmark;
using qmtest::TestPrompts;

namespace {

constexpr int FirstNamePk = 4;
constexpr int LastNamePk = 6;

struct Word
{
    QString text;
    QRectF box;
};

QList<Word> wordsOf(const QString &path, int page = 0)
{
    QList<Word> words;
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document)
        return words;
    std::unique_ptr<Poppler::Page> p = document->page(page);
    if (!p)
        return words;
    for (const std::unique_ptr<Poppler::TextBox> &box : p->textList())
        words.append({box->text(), box->boundingBox()});
    return words;
}

// Words in the order of the sheet's labels: row by row, left to right.
QStringList inLabelOrder(QList<Word> words)
{
    std::sort(words.begin(), words.end(), [](const Word &a, const Word &b) {
        return std::abs(a.box.y() - b.box.y()) > 1.0 ? a.box.y() < b.box.y() : a.box.x() < b.box.x();
    });
    QStringList texts;
    for (const Word &word : words)
        texts.append(word.text);
    return texts;
}

class MergedPrintWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        registerAllKinds();
        UserDefaults::resetStandardForTesting(qmtest::freshDir(QStringLiteral("merged-print")) + "/defaults.ini");
        UserDefaults::standard().setString(QStringLiteral("72"), QStringLiteral("Export Res"));
        PrintInfo::sharedPrintInfo().reset();
        window = std::make_unique<MainWindow>();
        canvas = window->canvas();
        dir = qmtest::freshDir(QStringLiteral("merged-print-") + QString::number(++s_run));
    }
    void TearDown() override
    {
        if (db && Database::currentDatabase() == db.get())
            Database::setCurrentDatabase(nullptr);
        window.reset();
        PrintInfo::sharedPrintInfo().reset();
        Language::reset();
    }

    void trigger(const QString &title)
    {
        for (QAction *action : window->fileMenu()->actions())
            if (action->text() == title) {
                action->trigger();
                return;
            }
        ADD_FAILURE() << "no File menu item " << title.toStdString();
    }

    // A current database whose records have the first names, the last name "Last<n>" each,
    // in the browser in that order.
    void database(const QStringList &firstNames)
    {
        dbPath = dir + QStringLiteral("/Names.sqlite");
        QString error;
        ASSERT_TRUE(Database::createDatabaseAtPath(dbPath, &error)) << error.toStdString();
        db = Database::openDatabaseAtPath(dbPath, &error);
        ASSERT_TRUE(db) << error.toStdString();
        for (int i = 0; i < firstNames.size(); ++i) {
            db->fieldValues().clear();
            db->initFieldValues();
            db->fieldValues().insert(QStringLiteral("First_Name"), firstNames.at(i));
            db->fieldValues().insert(QStringLiteral("Last_Name"), QStringLiteral("Last%1").arg(i + 1));
            keys.append(qint32(db->insertRecord()));
        }
        db->refreshBrowser();
    }

    std::shared_ptr<ColorField> addField(int pk, const QRectF &frame, const QFont &font)
    {
        auto field = ColorField::create(frame);
        field->setPageName(canvas->getCurrPageName());
        field->setObjectLayer(1);
        canvas->addGraphic(field);
        field->setFieldPk(pk);
        // The font as the font panel gives it to the field chosen for editing.
        field->setSelected(true);
        field->setTextSize(font);
        field->setSelected(false);
        return field;
    }

    // Print Sequence... with the options sheet confirmed and the print panel printing to `path`;
    // `meanwhile` runs while the print panel is open, when the job's records are listed.
    void printSequence(const QString &path, const std::function<void()> &meanwhile = {})
    {
        panels->queueSheetButton(QStringLiteral("Print"));
        panels->queuePrintToFile(path, 1, [meanwhile](const QList<QWidget *> &) {
            if (meanwhile)
                meanwhile();
        });
        trigger(QStringLiteral("Print Sequence..."));
    }

    // Makes the record current as a click on it in the browser does.
    void makeCurrent(qint32 pk)
    {
        ASSERT_TRUE(db->initWithPrimaryKey(pk));
        canvas->upDateDBFields(pk);
    }

    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    std::unique_ptr<MainWindow> window;
    RectsView *canvas = nullptr;
    std::unique_ptr<Database> db;
    QString dbPath;
    QList<qint32> keys;
    QString dir;
    static inline int s_run = 0;
};

} // namespace

TEST_F(MergedPrintWindowTest, EachLabelShowsItsOwnRecordAndTheCurrentRecordComesBack)
{
    const QStringList names{"Ada", "Bo", "Cyd", "Dee", "Eli", "Fay", "Gus"};
    database(names);
    auto field = addField(FirstNamePk, QRectF(10, 10, 120, 24), qmtest::testFont(12));
    makeCurrent(keys.at(4));
    ASSERT_EQ(field->text(), QStringLiteral("Eli"));

    const QString path = dir + QStringLiteral("/sheet.pdf");
    printSequence(path);
    EXPECT_EQ(prompts->count(TestPrompts::Alert), 0) << prompts->last().message.toStdString();
    EXPECT_EQ(inLabelOrder(wordsOf(path)), names);

    // The canvas shows the record that was current before, in its text as well as drawn, and
    // the design saved afterwards keeps it.
    EXPECT_EQ(db->fieldValues().value(QStringLiteral("pk")).toLongLong(), keys.at(4));
    EXPECT_EQ(field->text(), QStringLiteral("Eli"));
    EXPECT_EQ(field->textStorage()->toPlainText(), QStringLiteral("Eli"));
    EXPECT_FALSE(canvas->isPrinting());

    // A second job reads the records afresh: a name changed by another program prints.
    dbtest::sqliteCli(dbPath, QStringLiteral("UPDATE dbtable SET First_Name='Bea' WHERE pk=%1").arg(keys.at(1)));
    printSequence(path);
    EXPECT_EQ(inLabelOrder(wordsOf(path)).value(1), QStringLiteral("Bea"));
}

TEST_F(MergedPrintWindowTest, ADatabaseHeldByAnotherProgramStopsThePrintAndSaysWhy)
{
    database({"Ada", "Bo", "Cyd"});
    auto field = addField(FirstNamePk, QRectF(10, 10, 120, 24), qmtest::testFont(12));
    makeCurrent(keys.at(1));
    const QString path = dir + QStringLiteral("/sheet.pdf");
    // Another program takes the file while the print panel is open, and holds it longer than
    // the store waits for it.
    std::optional<dbtest::ExclusiveLock> lock;
    printSequence(path, [&] { lock.emplace(dbPath, 30); });
    lock.reset();
    ASSERT_EQ(prompts->count(TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("The labels could not be printed."));
    const QString message = prompts->last().message;
    EXPECT_TRUE(message.startsWith(QStringLiteral("Printing stopped at label 1 because its record could not be read: ")))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("locked"))) << message.toStdString();
    // No sheet with the current record's name on every label, and no part of one.
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(field->text(), QStringLiteral("Bo"));

    // Once the other program lets go, the same job prints.
    dbtest::nextUserAction();
    printSequence(path);
    EXPECT_EQ(prompts->count(TestPrompts::Alert), 1);
    EXPECT_EQ(inLabelOrder(wordsOf(path)), (QStringList{"Ada", "Bo", "Cyd"}));
}

TEST_F(MergedPrintWindowTest, ARecordDeletedMeanwhileStopsAtItsLabelAndKeepsTheOldFile)
{
    database({"Ada", "Bo", "Cyd", "Dee", "Eli"});
    addField(FirstNamePk, QRectF(10, 10, 120, 24), qmtest::testFont(12));
    addField(LastNamePk, QRectF(10, 36, 120, 24), qmtest::testFont(12));
    const QString path = dir + QStringLiteral("/sheet.pdf");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the sheet printed yesterday");
    }
    // Another program deletes the fourth record while the print panel is open: the job lists it.
    printSequence(path, [&] {
        dbtest::sqliteCli(dbPath, QStringLiteral("DELETE FROM dbtable WHERE pk=%1").arg(keys.at(3)));
    });
    ASSERT_EQ(prompts->count(TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().message, QStringLiteral("Printing stopped at label 4 because its record could not be "
                                                      "read: the record no longer exists"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("the sheet printed yesterday"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), (QStringList{"Names.sqlite", "sheet.pdf"}));
}

TEST_F(MergedPrintWindowTest, SequentialExportStopsAtARecordItCannotRead)
{
    database({"Ada", "Bo", "Cyd", "Dee"});
    addField(FirstNamePk, QRectF(10, 10, 120, 24), qmtest::testFont(12));
    // Another program deletes the third record while the save panel is open.
    prompts->queueSaveOfType(dir + QStringLiteral("/Labels"), int(ExportFormat::PDF), [&](QWidget *) {
        dbtest::sqliteCli(dbPath, QStringLiteral("DELETE FROM dbtable WHERE pk=%1").arg(keys.at(2)));
    });
    trigger(QStringLiteral("Export Sequential..."));
    ASSERT_EQ(prompts->count(TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("The label could not be exported."));
    EXPECT_EQ(prompts->last().message,
              QStringLiteral("Exporting stopped at record 3 because it could not be read: the record no longer exists"));
    // The files before it show their own records; none is written for it or after it.
    EXPECT_EQ(QDir(dir).entryList({QStringLiteral("Labels*")}, QDir::Files),
              (QStringList{"Labels1.pdf", "Labels2.pdf"}));
    EXPECT_EQ(inLabelOrder(wordsOf(dir + QStringLiteral("/Labels2.pdf"))), QStringList{"Bo"});
}

TEST_F(MergedPrintWindowTest, MergeFieldsPrintLetterSpacingAndTabStopsAsTheTextEngineLaysThemOut)
{
    database({QStringLiteral("Wide"), QStringLiteral("A\tB")});
    // The same name twice on the label: once spaced out by 3 points a letter, once plain.
    QFont spaced = qmtest::testFont(12);
    spaced.setLetterSpacing(QFont::AbsoluteSpacing, 3.0);
    auto wide = addField(FirstNamePk, QRectF(10, 10, 150, 24), spaced);
    addField(FirstNamePk, QRectF(10, 40, 150, 24), qmtest::testFont(12));
    const QString path = dir + QStringLiteral("/sheet.pdf");
    printSequence(path);
    ASSERT_EQ(prompts->count(TestPrompts::Alert), 0) << prompts->last().message.toStdString();

    const QList<Word> words = wordsOf(path);
    QList<Word> wideWords;
    for (const Word &word : words)
        if (word.text == QStringLiteral("Wide"))
            wideWords.append(word);
    ASSERT_EQ(wideWords.size(), 2);
    std::sort(wideWords.begin(), wideWords.end(), [](const Word &a, const Word &b) { return a.box.y() < b.box.y(); });
    // Three points after each of the four letters (the last one's may not count in the box).
    const double extra = wideWords.at(0).box.width() - wideWords.at(1).box.width();
    EXPECT_GT(extra, 3 * 3.0 - 0.5);
    EXPECT_LT(extra, 4 * 3.0 + 0.5);

    // The second label: "A", a tab, "B"; B stands where the engine's tab stop puts it.
    QList<Word> tabbed;
    for (const Word &word : words)
        if ((word.text == QStringLiteral("A") || word.text == QStringLiteral("B")) && word.box.y() < 60.0)
            tabbed.append(word);
    ASSERT_EQ(tabbed.size(), 2);
    std::sort(tabbed.begin(), tabbed.end(), [](const Word &a, const Word &b) { return a.box.x() < b.box.x(); });
    QTextCharFormat format;
    format.setFont(qmtest::testFont(12));
    const std::unique_ptr<QTextLayout> engine = TextFlow::layoutString(QStringLiteral("A\tB"), format);
    ASSERT_GT(engine->lineCount(), 0);
    const double tabStop = engine->lineAt(0).cursorToX(2);
    EXPECT_NEAR(tabbed.at(1).box.x() - tabbed.at(0).box.x(), tabStop, 0.5);

    // Measured as the engine lays it out: the spaced field's frame fits its spaced title.
    QTextCharFormat spacedFormat;
    spacedFormat.setFont(spaced);
    QSizeF engineSize;
    TextFlow::layoutString(QLatin1Char('[') + wide->titleText() + QLatin1Char(']'), spacedFormat, 0.0, &engineSize);
    EXPECT_NEAR(wide->naturalSize().width(), engineSize.width() + 2 * 5.0 + 1.0, 0.5);
}

TEST_F(MergedPrintWindowTest, AnAddressBlockPrintsEachLineOfAStreetAndChipsPrintOnlyTheirValues)
{
    database({"Ada"});
    dbtest::sqliteCli(dbPath, QStringLiteral("UPDATE dbtable SET Address = '2 Side Rd' || char(10) || 'Flat 2', City = 'Leeds', "
                                             "Zip = 'LS1' WHERE pk=%1")
                                  .arg(keys.at(0)));
    auto block = ColorAddress::create(QRectF(10, 10, 0, 0));
    block->setPageName(canvas->getCurrPageName());
    block->setObjectLayer(1);
    canvas->addGraphic(block);
    block->setTextSize(qmtest::testFont(10));
    // A text box with a chip of the first name before " Smith".
    auto letter = ColorRect::create(QRectF(10, 100, 200, 40));
    letter->setPageName(canvas->getCurrPageName());
    letter->setObjectLayer(1);
    canvas->addGraphic(letter);
    letter->textStorage()->setPlainText(QStringLiteral(" Smith"));
    ASSERT_TRUE(letter->insertTextField(FirstNamePk));
    makeCurrent(keys.at(0));

    const QString path = dir + QStringLiteral("/block.pdf");
    printSequence(path);
    ASSERT_EQ(prompts->count(TestPrompts::Alert), 0) << prompts->last().title.toStdString();

    // Each line of the street is a line of its own, and the city follows below them.
    auto topOf = [](const QList<Word> &words, const QString &text) {
        for (const Word &word : words)
            if (word.text == text)
                return word.box.top();
        return -1.0;
    };
    const QList<Word> words = wordsOf(path);
    const double side = topOf(words, QStringLiteral("Side"));
    const double flat = topOf(words, QStringLiteral("Flat"));
    const double leeds = topOf(words, QStringLiteral("Leeds"));
    ASSERT_GT(side, 0.0);
    EXPECT_GT(flat, side + 8.0);
    EXPECT_GT(leeds, flat + 8.0);

    // poppler's own text extraction sees the chip's value and nothing of its placeholder.
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    ASSERT_TRUE(pdftotext.waitForFinished(30000));
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("Ada Smith"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QChar(0x2014))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Flat 2"))) << text.toStdString();
}

// A hundred thousand records bound to a barcode: before they print, the records whose value
// the barcode cannot encode are counted. The window keeps answering while they are counted
// (a progress panel shows, and the events queued for the window are handled), the panel's
// Cancel gives up the print, and a check left to finish tells how many records print
// without their barcode.
TEST_F(MergedPrintWindowTest, CountingRecordsWithoutTheirBarcodeKeepsTheWindowAnsweringAndCanBeCancelled)
{
    database({QStringLiteral("Ada")});
    // Every thousandth name empty: no symbol for those records.
    const QString columns = dbtest::sqliteCli(dbPath, QStringLiteral(
        "SELECT group_concat(name, ',') FROM pragma_table_info('dbtable') WHERE name NOT IN ('pk', 'First_Name');")).trimmed();
    ASSERT_FALSE(columns.isEmpty());
    dbtest::sqliteCli(dbPath, QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
        "INSERT INTO dbtable (First_Name, %1) SELECT CASE WHEN i % 1000 = 0 THEN '' ELSE 'N' || i END, %1 "
        "FROM n, (SELECT %1 FROM dbtable WHERE pk = %2);").arg(columns).arg(keys.first()));
    db->refreshBrowser();
    ASSERT_EQ(db->browserArray().size(), 100000);

    auto barcode = ColorBarcode::create(QRectF(20, 10, 0, 0));
    barcode->setPageName(canvas->getCurrPageName());
    barcode->setObjectLayer(1);
    canvas->addGraphic(barcode);
    barcode->setFieldPk(FirstNamePk);
    barcode->setDrawBarcode(true);
    barcode->updateframeSize();

    // Events the window is given while the records are counted: each one handled is seen.
    int handledWhileCounting = 0;
    bool cancelWhenShown = true;
    QTimer ticks;
    ticks.setInterval(0);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        auto *progress = window->findChild<QProgressDialog *>();
        if (!progress || !progress->isVisible())
            return;
        EXPECT_TRUE(progress->isModal() || progress->windowModality() == Qt::WindowModal);
        if (++handledWhileCounting == 3 && cancelWhenShown) {
            for (QPushButton *button : progress->findChildren<QPushButton *>())
                if (button->text() == QStringLiteral("Cancel"))
                    QTest::mouseClick(button, Qt::LeftButton);
        }
    });
    ticks.start();

    const QString path = dir + QStringLiteral("/sheet.pdf");
    printSequence(path);
    EXPECT_GE(handledWhileCounting, 3);
    EXPECT_EQ(prompts->count(TestPrompts::Alert), 0) << prompts->last().title.toStdString();
    EXPECT_FALSE(QFile::exists(path));

    // Left to finish, the count is told; the user then keeps the records from the printer.
    handledWhileCounting = 0;
    cancelWhenShown = false;
    prompts->queueAlert(Prompts::SecondButton);
    printSequence(path);
    EXPECT_GE(handledWhileCounting, 3);
    ASSERT_EQ(prompts->count(TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("Some records give data their barcode cannot encode."));
    EXPECT_EQ(prompts->last().message,
              QStringLiteral("100 of 100000 records print without their barcode: their labels show why in its place."));
    EXPECT_FALSE(QFile::exists(path));
    // No progress panel is left behind, and the record current before is current again.
    const auto left = window->findChildren<QProgressDialog *>();
    EXPECT_TRUE(std::none_of(left.begin(), left.end(), [](QProgressDialog *p) { return p->isVisible(); }));
    EXPECT_EQ(db->fieldValues().value(QStringLiteral("First_Name")).toString(), QStringLiteral("Ada"));
}

// A merged print of thousands of records draws its pages in slices: the window keeps handling
// its events meanwhile, behind a window-modal progress panel that tells the page. Its Cancel
// stops the job with no error and leaves the file printed before as it was, not a part of
// the new one; left to finish, the job prints every page, each label with its own record, and
// the record current before is current again.
TEST_F(MergedPrintWindowTest, ALongMergedPrintKeepsTheWindowAnsweringAndCanBeCancelled)
{
    constexpr int Records = 3000;
    database({QStringLiteral("Ada")});
    const QString columns = dbtest::sqliteCli(dbPath, QStringLiteral(
        "SELECT group_concat(name, ',') FROM pragma_table_info('dbtable') "
        "WHERE name NOT IN ('pk', 'First_Name', 'Last_Name');")).trimmed();
    ASSERT_FALSE(columns.isEmpty());
    dbtest::sqliteCli(dbPath, QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO dbtable (First_Name, Last_Name, %2) SELECT printf('N%05d', i), printf('Last_%05d', i), %2 "
        "FROM n, (SELECT %2 FROM dbtable WHERE pk = %3);").arg(Records).arg(columns).arg(keys.first()));
    db->refreshBrowser();
    ASSERT_EQ(db->browserArray().size(), Records);
    auto field = addField(FirstNamePk, QRectF(10, 10, 120, 24), qmtest::testFont(12));
    addField(LastNamePk, QRectF(10, 36, 120, 24), qmtest::testFont(12));
    makeCurrent(keys.first());
    const int perPage = canvas->countPrintedLabels();
    ASSERT_GT(perPage, 0);
    const int pages = (Records + perPage - 1) / perPage;
    ASSERT_GT(pages, 20);

    const QString path = dir + QStringLiteral("/sheet.pdf");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the sheet printed yesterday");
    }
    // The browser lists the records by last name, Ada's first: the numbers are padded to keep
    // the others in order after it.
    // Events the window is given while the pages are drawn: each one handled is seen, with
    // what the panel showed then.
    int handledWhilePrinting = 0;
    bool cancelWhenShown = true;
    QString shownText;
    QTimer ticks;
    ticks.setInterval(0);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        QProgressDialog *progress = nullptr;
        for (QProgressDialog *candidate : window->findChildren<QProgressDialog *>())
            if (candidate->isVisible())
                progress = candidate;
        if (!progress)
            return;
        EXPECT_EQ(progress->windowModality(), Qt::WindowModal);
        shownText = progress->labelText();
        if (++handledWhilePrinting == 3 && cancelWhenShown) {
            for (QPushButton *button : progress->findChildren<QPushButton *>())
                if (button->text() == QStringLiteral("Cancel"))
                    QTest::mouseClick(button, Qt::LeftButton);
        }
    });
    ticks.start();

    printSequence(path);
    EXPECT_EQ(handledWhilePrinting, 3);
    EXPECT_TRUE(shownText.startsWith(QStringLiteral("Printing page "))) << shownText.toStdString();
    EXPECT_TRUE(shownText.endsWith(QStringLiteral(" of %1").arg(pages))) << shownText.toStdString();
    EXPECT_EQ(prompts->count(TestPrompts::Alert), 0) << prompts->last().message.toStdString();
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), QByteArray("the sheet printed yesterday"));
    }
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), (QStringList{"Names.sqlite", "sheet.pdf"}));
    EXPECT_EQ(db->fieldValues().value(QStringLiteral("pk")).toLongLong(), keys.first());
    EXPECT_EQ(field->text(), QStringLiteral("Ada"));
    EXPECT_FALSE(canvas->isPrinting());

    // Left to finish: every page, the first and the last record where they belong.
    handledWhilePrinting = 0;
    cancelWhenShown = false;
    printSequence(path);
    EXPECT_GE(handledWhilePrinting, 3);
    EXPECT_EQ(prompts->count(TestPrompts::Alert), 0) << prompts->last().message.toStdString();
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->numPages(), pages);
    const QStringList first = inLabelOrder(wordsOf(path, 0));
    // The labels follow the browser's order of the records.
    const QList<dbBrowseField> rows = db->browserArray();
    auto nameAt = [&](int index) {
        return dbtest::sqliteCli(dbPath, QStringLiteral("SELECT First_Name || ' ' || Last_Name FROM dbtable WHERE pk = %1;")
                                             .arg(rows.at(index).primaryKey()))
            .trimmed()
            .split(QLatin1Char(' '));
    };
    EXPECT_EQ(first.size(), 2 * perPage) << first.join(' ').toStdString();
    for (int index : {0, perPage - 1})
        for (const QString &word : nameAt(index))
            EXPECT_TRUE(first.contains(word)) << word.toStdString() << " in " << first.join(' ').toStdString();
    EXPECT_FALSE(first.contains(nameAt(perPage).first())) << first.join(' ').toStdString();
    const QStringList last = inLabelOrder(wordsOf(path, pages - 1));
    for (int index : {(pages - 1) * perPage, Records - 1})
        for (const QString &word : nameAt(index))
            EXPECT_TRUE(last.contains(word)) << word.toStdString() << " in " << last.join(' ').toStdString();
    const int onLast = Records - (pages - 1) * perPage;
    EXPECT_EQ(last.size(), 2 * onLast) << last.join(' ').toStdString();
    // No panel is left behind, and the canvas shows the record current before.
    const auto left = window->findChildren<QProgressDialog *>();
    EXPECT_TRUE(std::none_of(left.begin(), left.end(), [](QProgressDialog *p) { return p->isVisible(); }));
    EXPECT_EQ(db->fieldValues().value(QStringLiteral("pk")).toLongLong(), keys.first());
    EXPECT_EQ(field->text(), QStringLiteral("Ada"));
}
