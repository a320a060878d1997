// Importing a 500,000-row comma file and a 100,000-card vCard file through the database
// window as a user does: the text file chosen until the import wizard shows, then Import
// pressed until the records are listed; the vCard file chosen until its records are listed;
// and the same vCard file while another program holds the database, until the window says
// nothing was imported. Beside them a file as wide as a spreadsheet (16,384 columns) chosen
// until the wizard shows its mapping table, and the 600,000 records then exported as comma
// text (Export pressed on the export sheet until the file is written) and as vCards (the save
// panel answered until the file is written). A heartbeat timer on the window's thread
// measures the longest time the window does not answer in each phase. The reading of the
// vCard file into cards is timed on its own, as the import does it aside.
//
// The floors beside them, measured in the same run: the longest gap of the same heartbeat
// while the window has nothing to do (what no import can go below), and what the libraries
// alone need for the same work: QStringDecoder turning the file into text and QString::split
// cutting it at line ends and commas (or at the cards' ends), SQLite inserting the same rows
// with one prepared statement in one transaction, and SQLite reading every column of the
// exported records in one statement.
//
// Plain output, not a google-benchmark loop: the figures are maxima over one user session.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QAbstractItemModel>
#include <QPushButton>
#include <QTableView>
#include <QStringDecoder>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <sqlite3.h>

#include "BenchSupport.h"
#include "database/store/Database.h"
#include "database/store/DatabaseUserAction.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/exchange/ImportVCardFile.h"
#include "database/window/DatabaseView.h"
#include "database/window/ExportDatabasePanel.h"
#include "database/window/NewImportDatabasePanel.h"
#include "platform/UserDefaults.h"

using namespace quillmark;
using namespace qmbench;

namespace {

constexpr int kRows = 500000;
constexpr int kCards = 100000;

QByteArray csvRow(int i)
{
    return "Given" + QByteArray::number(i % 2000) + ",Family" + QByteArray::number(qint64(i) * 7919 % 50000) + ",\"Acme, Inc. "
           + QByteArray::number(i % 97) + "\"," + QByteArray::number(i % 900 + 1) + " Long Street Name,Town" + QByteArray::number(i % 500)
           + "," + QByteArray::number(10000 + i % 90000) + ",given" + QByteArray::number(i) + "@example.org\r\n";
}

bool writeCsv(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk = "First Name,Last Name,Company,Address,City,Zip,Email\r\n";
    for (int i = 0; i < kRows; ++i) {
        chunk += csvRow(i);
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return file.error() == QFileDevice::NoError;
}

bool writeCards(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk;
    for (int i = 0; i < kCards; ++i) {
        const QByteArray n = QByteArray::number(i);
        chunk += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Family" + n + ";Given" + n + ";;;\r\nFN:Given" + n + " Family" + n
                 + "\r\nORG:Acme " + QByteArray::number(i % 97) + "\r\nEMAIL;TYPE=INTERNET:given" + n
                 + "@example.org\r\nTEL;TYPE=WORK:+1 555 " + QByteArray::number(1000 + i % 9000) + "\r\nADR;TYPE=WORK:;;"
                 + QByteArray::number(i % 900 + 1) + " Main St;Town" + QByteArray::number(i % 500) + ";ST;"
                 + QByteArray::number(10000 + i % 90000) + ";USA\r\nEND:VCARD\r\n";
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return file.error() == QFileDevice::NoError;
}

// The longest time between two ticks of a 5 ms timer on the window's thread, from `start`
// (run from the event loop) until `finished` answers true.
double longestBlock(const std::function<void()> &start, const std::function<bool()> &finished, qint64 *elapsed)
{
    QElapsedTimer total;
    total.start();
    QElapsedTimer since;
    since.start();
    double longest = 0;
    QTimer heartbeat;
    heartbeat.setInterval(5);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longest = std::max(longest, since.nsecsElapsed() / 1e6);
        since.restart();
    });
    heartbeat.start();
    QTimer::singleShot(0, start);
    while (!finished() && total.elapsed() < 15 * 60 * 1000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    longest = std::max(longest, since.nsecsElapsed() / 1e6);
    *elapsed = total.elapsed();
    return longest;
}

// What the file's text and its pieces cost with Qt alone: decoding, then splitting.
qint64 splitFloor(const QString &path, const QString &recordEnd, const QString &fieldSeparator, qint64 *pieces)
{
    QElapsedTimer clock;
    clock.start();
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QStringDecoder decoder(QStringConverter::Utf8);
    const QString text = decoder.decode(file.readAll());
    const QStringList records = text.split(recordEnd, Qt::SkipEmptyParts);
    *pieces = 0;
    for (const QString &record : records)
        *pieces += fieldSeparator.isEmpty() ? 1 : record.split(fieldSeparator).size();
    return clock.elapsed();
}

// SQLite inserting `rows` rows of `columns` values with one prepared statement in one transaction.
qint64 insertFloor(const QString &path, int rows, int columns)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    QByteArray create = "CREATE TABLE t (pk INTEGER PRIMARY KEY";
    QByteArray insertSql = "INSERT INTO t VALUES (NULL";
    for (int c = 0; c < columns; ++c) {
        create += ", c" + QByteArray::number(c) + " TEXT";
        insertSql += ", ?";
    }
    sqlite3_exec(db, (create + ");").constData(), nullptr, nullptr, nullptr);
    QElapsedTimer clock;
    clock.start();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, (insertSql + ");").constData(), -1, &insert, nullptr);
    for (int i = 0; i < rows; ++i) {
        for (int c = 0; c < columns; ++c) {
            const QByteArray value = "Value" + QByteArray::number(i) + "-" + QByteArray::number(c);
            sqlite3_bind_text(insert, c + 1, value.constData(), int(value.size()), SQLITE_TRANSIENT);
        }
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const qint64 took = clock.elapsed();
    sqlite3_close(db);
    return took;
}

// SQLite reading every column of every record in one statement, as text.
qint64 readFloor(const QString &path, qint64 *cells)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    QElapsedTimer clock;
    clock.start();
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM dbtable ORDER BY pk;", -1, &statement, nullptr);
    *cells = 0;
    qint64 bytes = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            bytes += sqlite3_column_bytes(statement, c);
            ++*cells;
        }
    }
    sqlite3_finalize(statement);
    const qint64 took = clock.elapsed();
    sqlite3_close(db);
    return bytes >= 0 ? took : -1;
}

// The save panels answer with the path set last, the typed one (vCard) too.
class ExportPrompts : public BenchPrompts
{
public:
    QString saveFileOfType(QWidget *, const QString &, const QString &, const QString &, const QList<FileType> &, int &,
                           QWidget *) override
    {
        return nextPath;
    }
};

int count(const QString &path)
{
    sqlite3 *db = nullptr;
    int n = -1;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM dbtable;", -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW)
            n = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return n;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("XDG_DATA_HOME", workDir().filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", workDir().filePath(QStringLiteral("config")).toUtf8());
    QApplication app(argc, argv);

    const QString csv = workDir().filePath(QStringLiteral("people.csv"));
    const QString cards = workDir().filePath(QStringLiteral("people.vcf"));
    if (!writeCsv(csv) || !writeCards(cards)) {
        std::puts("the files could not be written");
        return 1;
    }
    QDir().mkpath(Database::databasesFolder());
    const QString path = Database::pathForTitle(QStringLiteral("Bench"));
    if (!Database::createDatabaseAtPath(path)) {
        std::puts("the database could not be made");
        return 1;
    }
    UserDefaults::standard().setObject(path, QStringLiteral("databasePath"));
    auto owned = std::make_unique<ExportPrompts>();
    ExportPrompts *prompts = owned.get();
    Prompts::install(std::move(owned));

    DatabaseView view;
    view.resize(1200, 800);
    view.show();
    view.appDidFinishLaunching();
    DatabaseFieldsView *editor = view.databaseFieldsView();
    QApplication::processEvents();

    // The heartbeat of a window with nothing to do.
    qint64 idleTook = 0;
    QElapsedTimer idle;
    const double idleBlock = longestBlock([&] { idle.start(); }, [&] { return idle.isValid() && idle.elapsed() > 2000; }, &idleTook);

    // The text file chosen until the wizard shows.
    qint64 openTook = 0;
    bool opened = false;
    const double openBlock = longestBlock([&] { editor->importDatabaseFile(csv); opened = true; }, [&] { return opened; }, &openTook);
    NewImportDatabasePanel *wizard = editor->importDatabasePanel();
    if (!wizard || !wizard->isVisible()) {
        std::puts("the wizard did not open");
        return 1;
    }
    const int lines = int(wizard->rowsArray().size());
    qint64 importTook = 0;
    bool imported = false;
    auto *importButton = wizard->findChild<QPushButton *>(QStringLiteral("import"));
    const double importBlock = longestBlock([&] { importButton->click(); imported = true; }, [&] { return imported; }, &importTook);
    const int csvRecords = count(path);

    // The vCard file chosen until its records are listed.
    qint64 cardsTook = 0;
    bool cardsDone = false;
    const double cardsBlock = longestBlock([&] { editor->importVCardFile(cards); cardsDone = true; }, [&] { return cardsDone; }, &cardsTook);
    const int afterCards = count(path);

    // The same while another program holds the database: its wait and "Nothing was imported".
    DatabaseUserAction::end();
    sqlite3 *holder = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &holder);
    sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    qint64 heldTook = 0;
    bool heldDone = false;
    const double heldBlock = longestBlock([&] { editor->importVCardFile(cards); heldDone = true; }, [&] { return heldDone; }, &heldTook);
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    const int afterHeld = count(path);

    // As many columns as a spreadsheet has, each a row of the wizard's mapping table.
    const QString wide = workDir().filePath(QStringLiteral("wide.csv"));
    {
        QFile file(wide);
        file.open(QIODevice::WriteOnly);
        QByteArray line;
        for (int i = 0; i < 16384; ++i)
            line += (i ? "," : "") + QByteArray("Column") + QByteArray::number(i);
        file.write(line + "\r\n" + line + "\r\n");
    }
    wizard->reject();
    QApplication::processEvents();
    DatabaseUserAction::end();
    qint64 wideTook = 0;
    bool wideOpened = false;
    const double wideBlock = longestBlock([&] { editor->importDatabaseFile(wide); wideOpened = true; }, [&] { return wideOpened; }, &wideTook);
    const int wideRows = wizard->isVisible() ? wizard->table()->model()->rowCount() : -1;
    wizard->reject();
    QApplication::processEvents();
    DatabaseUserAction::end();

    // Every record out as comma text: the sheet's Export pressed until the file is written.
    const QString textOut = workDir().filePath(QStringLiteral("out.txt"));
    prompts->nextPath = textOut;
    editor->exportDatabase();
    QApplication::processEvents();
    ExportDatabasePanel *sheet = editor->exportDatabasePanel();
    if (!sheet || !sheet->isVisible()) {
        std::puts("the export sheet did not open");
        return 1;
    }
    qint64 textTook = 0;
    bool textDone = false;
    auto *exportButton = sheet->findChild<QPushButton *>(QStringLiteral("export"));
    const double textBlock = longestBlock([&] { exportButton->click(); textDone = true; }, [&] { return textDone; }, &textTook);
    DatabaseUserAction::end();
    // And as vCards, every record.
    const QString cardsOut = workDir().filePath(QStringLiteral("out.vcf"));
    prompts->nextPath = cardsOut;
    qint64 cardsOutTook = 0;
    bool cardsOutDone = false;
    const double cardsOutBlock = longestBlock([&] { editor->exportVCard(); cardsOutDone = true; }, [&] { return cardsOutDone; }, &cardsOutTook);
    const int exported = count(path);

    // The cards read from the file, as the import reads them aside.
    QElapsedTimer parseClock;
    parseClock.start();
    const qsizetype parsed = ImportVCardFile(cards).cards().size();
    const qint64 parseTook = parseClock.elapsed();

    qint64 csvPieces = 0;
    const qint64 csvSplit = splitFloor(csv, QStringLiteral("\r\n"), QStringLiteral(","), &csvPieces);
    qint64 cardPieces = 0;
    const qint64 cardSplit = splitFloor(cards, QStringLiteral("END:VCARD"), QString(), &cardPieces);
    const qint64 csvInsert = insertFloor(workDir().filePath(QStringLiteral("floor.sqlite")), kRows, 7);
    const qint64 cardInsert = insertFloor(workDir().filePath(QStringLiteral("floor2.sqlite")), kCards, 9);
    qint64 cells = 0;
    const qint64 readAll = readFloor(path, &cells);

    std::printf("comma file: %d lines (%.1f MB), %d records stored\n", lines, double(QFileInfo(csv).size()) / (1024.0 * 1024.0), csvRecords);
    std::printf("  file chosen -> wizard shown:     longest window block %8.1f ms   (took %lld ms)\n", openBlock, openTook);
    std::printf("  Import pressed -> records shown: longest window block %8.1f ms   (took %lld ms)\n", importBlock, importTook);
    std::printf("vCard file: %d cards (%.1f MB), %d records stored\n", kCards, double(QFileInfo(cards).size()) / (1024.0 * 1024.0),
                afterCards - csvRecords);
    std::printf("  file chosen -> records shown:    longest window block %8.1f ms   (took %lld ms)\n", cardsBlock, cardsTook);
    std::printf("  database held -> nothing imported: longest window block %6.1f ms   (took %lld ms, %d records stored)\n", heldBlock,
                heldTook, afterHeld - afterCards);
    std::printf("wide file: %d columns in the mapping table\n", wideRows);
    std::printf("  file chosen -> wizard shown:     longest window block %8.1f ms   (took %lld ms)\n", wideBlock, wideTook);
    std::printf("export of %d records: comma text %.1f MB, vCards %.1f MB\n", exported, double(QFileInfo(textOut).size()) / (1024.0 * 1024.0),
                double(QFileInfo(cardsOut).size()) / (1024.0 * 1024.0));
    std::printf("  Export pressed -> text written:  longest window block %8.1f ms   (took %lld ms)\n", textBlock, textTook);
    std::printf("  file chosen -> vCards written:   longest window block %8.1f ms   (took %lld ms)\n", cardsOutBlock, cardsOutTook);
    std::printf("vCard reading: %lld cards from the file in %lld ms (beside the floor of splitting it below)\n", qint64(parsed), parseTook);
    std::printf("  floor: an idle window's longest heartbeat gap %.1f ms\n", idleBlock);
    std::printf("  floor: QStringDecoder + QString::split over the comma file %lld ms (%lld fields), the vCard file %lld ms (%lld cards)\n",
                csvSplit, csvPieces, cardSplit, cardPieces);
    std::printf("  floor: SQLite inserting %d rows of 7 values %lld ms, %d rows of 9 values %lld ms\n", kRows, csvInsert, kCards, cardInsert);
    std::printf("  floor: SQLite reading every column of the %d records %lld ms (%lld cells)\n", exported, readAll, cells);
    return 0;
}
