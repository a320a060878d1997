// Importing a workbook of 1.3 million rows through the database window as a user does: the
// file chosen in the open panel until the import wizard shows, then Import pressed until the
// records are listed. A heartbeat timer on the window's thread measures the longest time the
// window does not answer in each phase; the peak resident memory (getrusage) is taken after
// both. The workbook is written by a child process so that its making does not count.
//
// The floors beside them, measured in the same run after the window's work: what the
// libraries alone need for the same work, minizip inflating the sheet with QXmlStreamReader
// walking its elements, and SQLite inserting the same rows with one prepared statement in one
// transaction.
//
// Plain output, not a google-benchmark loop: the figures are maxima over one user session.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QXmlStreamReader>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <sqlite3.h>
#include <unzip.h>
#include <zip.h>

#include "BenchSupport.h"
#include "database/store/Database.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseView.h"
#include "database/window/NewImportDatabasePanel.h"
#include "platform/UserDefaults.h"

using namespace quillmark;
using namespace qmbench;

namespace {

constexpr int kRows = 1300000;

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// Names as an address list has them: many repeated, written once as shared strings.
QByteArray sharedStrings()
{
    QByteArray shared = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    for (int i = 0; i < 2000; ++i)
        shared += "<si><t>Given" + QByteArray::number(i) + "</t></si>";
    for (int i = 0; i < 5000; ++i)
        shared += "<si><t>Family" + QByteArray::number(i) + "</t></si>";
    for (int i = 0; i < 500; ++i)
        shared += "<si><t>Town" + QByteArray::number(i) + "</t></si>";
    return shared + "</sst>";
}

// Rows without cell references, as several generators write them, to stay a compact sheet.
bool writeWorkbook(const QString &path)
{
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    auto add = [zip](const char *name, const std::function<void(const std::function<void(const QByteArray &)> &)> &fill) {
        zip_fileinfo info = {};
        zipOpenNewFileInZip64(zip, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION, 1);
        fill([zip](const QByteArray &bytes) { zipWriteInFileInZip(zip, bytes.constData(), unsigned(bytes.size())); });
        zipCloseFileInZip(zip);
    };
    add("xl/workbook.xml", [](const auto &out) {
        out("<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
            "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
            "<sheet name=\"People\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    });
    add("xl/_rels/workbook.xml.rels", [](const auto &out) {
        out("<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" Type=\"worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>");
    });
    add("xl/styles.xml", [](const auto &out) {
        out("<?xml version=\"1.0\"?><styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
            "<cellXfs><xf numFmtId=\"0\"/></cellXfs></styleSheet>");
    });
    add("xl/sharedStrings.xml", [](const auto &out) { out(sharedStrings()); });
    add("xl/worksheets/sheet1.xml", [](const auto &out) {
        out("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
            "<sheetData><row><c t=\"inlineStr\"><is><t>First Name</t></is></c><c t=\"inlineStr\"><is><t>Last Name</t></is></c>"
            "<c t=\"inlineStr\"><is><t>City</t></is></c><c t=\"inlineStr\"><is><t>Zip</t></is></c></row>");
        QByteArray chunk;
        for (int i = 0; i < kRows; ++i) {
            chunk += "<row><c t=\"s\"><v>" + QByteArray::number(i % 2000) + "</v></c><c t=\"s\"><v>"
                     + QByteArray::number(2000 + qint64(i) * 7919 % 5000) + "</v></c><c t=\"s\"><v>" + QByteArray::number(7000 + i % 500)
                     + "</v></c><c><v>" + QByteArray::number(10000 + i % 90000) + "</v></c></row>";
            if (chunk.size() > (1 << 20)) {
                out(chunk);
                chunk.clear();
            }
        }
        out(chunk + "</sheetData></worksheet>");
    });
    return zipClose(zip, nullptr) == ZIP_OK;
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

// minizip inflating the sheet and QXmlStreamReader walking every element of it.
qint64 parseFloor(const QString &path, qint64 *elements)
{
    QElapsedTimer clock;
    clock.start();
    unzFile file = unzOpen64(QFile::encodeName(path).constData());
    QByteArray bytes;
    if (file && unzLocateFile(file, "xl/worksheets/sheet1.xml", 0) == UNZ_OK && unzOpenCurrentFile(file) == UNZ_OK) {
        char chunk[65536];
        int read = 0;
        while ((read = unzReadCurrentFile(file, chunk, sizeof chunk)) > 0)
            bytes.append(chunk, read);
        unzCloseCurrentFile(file);
    }
    if (file)
        unzClose(file);
    QXmlStreamReader xml(bytes);
    *elements = 0;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement)
            ++*elements;
    return clock.elapsed();
}

// SQLite inserting the rows' four values with one prepared statement in one transaction.
qint64 insertFloor(const QString &path)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "CREATE TABLE t (pk INTEGER PRIMARY KEY, a TEXT, b TEXT, c TEXT, d TEXT);", nullptr, nullptr, nullptr);
    QElapsedTimer clock;
    clock.start();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t (a, b, c, d) VALUES (?, ?, ?, ?);", -1, &insert, nullptr);
    for (int i = 0; i < kRows; ++i) {
        const QByteArray values[4] = {"Given" + QByteArray::number(i % 2000), "Family" + QByteArray::number(qint64(i) * 7919 % 5000),
                                      "Town" + QByteArray::number(i % 500), QByteArray::number(10000 + i % 90000)};
        for (int c = 0; c < 4; ++c)
            sqlite3_bind_text(insert, c + 1, values[c].constData(), int(values[c].size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const qint64 took = clock.elapsed();
    sqlite3_close(db);
    return took;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--write") == 0)
        return writeWorkbook(QString::fromLocal8Bit(argv[2])) ? 0 : 1;

    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_DATA_HOME", workDir().filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", workDir().filePath(QStringLiteral("config")).toUtf8());
    QApplication app(argc, argv);

    const QString book = workDir().filePath(QStringLiteral("people.xlsx"));
    if (QProcess::execute(QCoreApplication::applicationFilePath(), {QStringLiteral("--write"), book}) != 0) {
        std::puts("the workbook could not be written");
        return 1;
    }
    QDir().mkpath(Database::databasesFolder());
    const QString path = Database::pathForTitle(QStringLiteral("Bench"));
    if (!Database::createDatabaseAtPath(path)) {
        std::puts("the database could not be made");
        return 1;
    }
    UserDefaults::standard().setObject(path, QStringLiteral("databasePath"));
    auto prompts = std::make_unique<BenchPrompts>();
    BenchPrompts *answers = prompts.get();
    Prompts::install(std::move(prompts));
    answers->nextPath = book;

    DatabaseView view;
    view.resize(1200, 800);
    view.show();
    view.appDidFinishLaunching();
    DatabaseFieldsView *editor = view.databaseFieldsView();
    QApplication::processEvents();
    const double idlePeak = peakMegabytes();

    // The file chosen until the wizard shows.
    qint64 openTook = 0;
    bool opened = false;
    const double openBlock = longestBlock([&] { editor->importDatabaseFile(book); opened = true; }, [&] { return opened; }, &openTook);
    NewImportDatabasePanel *wizard = editor->importDatabasePanel();
    if (!wizard || !wizard->isVisible()) {
        std::puts("the wizard did not open");
        return 1;
    }
    const int rows = int(wizard->rowsArray().size());
    // The same fields and range whatever the wizard offered: first, last name, city and zip,
    // from the row below the header.
    const QStringList wanted = {QStringLiteral("First Name"), QStringLiteral("Last Name"), QStringLiteral("City"), QStringLiteral("Zip")};
    for (int column = 0; column < wanted.size(); ++column)
        for (int k = 0; k < wizard->fieldDataArray().size(); ++k)
            if (wizard->fieldDataArray().at(k).title() == wanted.at(column))
                wizard->setImportEntry(column, k + 1);
    wizard->setRange(2, rows);
    const double openPeak = peakMegabytes();

    // Import pressed until the records are listed.
    qint64 importTook = 0;
    bool imported = false;
    auto *importButton = wizard->findChild<QPushButton *>(QStringLiteral("import"));
    const double importBlock = longestBlock([&] { importButton->click(); imported = true; }, [&] { return imported; }, &importTook);
    const QString count = QString::number(editor->database() ? editor->database()->count() : -1);
    const double importPeak = peakMegabytes();

    qint64 elements = 0;
    const qint64 parse = parseFloor(book, &elements);
    const qint64 insert = insertFloor(workDir().filePath(QStringLiteral("floor.sqlite")));

    std::printf("workbook: %d rows read (%.1f MB file), %s records stored\n", rows, double(QFileInfo(book).size()) / (1024.0 * 1024.0),
                qPrintable(count));
    std::printf("  file chosen -> wizard shown:    longest window block %8.1f ms   (took %lld ms)\n", openBlock, openTook);
    std::printf("  Import pressed -> records shown: longest window block %8.1f ms   (took %lld ms)\n", importBlock, importTook);
    std::printf("  peak resident memory: %.0f MB (window alone %.0f MB, after reading %.0f MB)\n", importPeak, idlePeak, openPeak);
    std::printf("  floor: minizip + QXmlStreamReader over the sheet %lld ms (%lld elements); SQLite inserting the rows %lld ms\n",
                parse, elements, insert);
    return 0;
}
