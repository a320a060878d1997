// Whether the first record of a file names its columns, as the import wizard of the whole
// window guesses it: files made from every column name the importer knows, with a header
// (each name alone, beside names it does not know, after blank lines) and without one (lists
// whose first records are made of those words), imported through Database > Import... as the
// user means them, the user's From choice standing whatever the guess. Cards folded inside a
// character come in whole. What was stored is read back with the sqlite3 program.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

#include <memory>

#include "app/AppTestSupport.h"
#include "database/DatabaseTestSupport.h"
#include "database/exchange/ImportHeader.h"
#include "database/store/Database.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseModeSwitch.h"
#include "database/window/DatabaseView.h"
#include "database/window/ImportProgress.h"
#include "database/window/NewImportDatabasePanel.h"

using namespace quillmark;

namespace {

class ImportGuessWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(Database::databasesFolder()).removeRecursively();
        QDir().mkpath(Database::databasesFolder());
        path = Database::pathForTitle("Guess");
        ASSERT_TRUE(Database::createDatabaseAtPath(path));
        folder = qmtest::freshDir("guess");
        app = std::make_unique<apptest::WindowFixture>("guess");
        UserDefaults::standard().setObject(path, "databasePath");
        app->window->finishLaunching();
        app->window->modeSwitch()->switchTabs(DatabaseModeSwitch::DatabaseMode);
        apptest::settle();
        ASSERT_TRUE(editor()->database());
    }

    void TearDown() override
    {
        app.reset();
        QDir(Database::databasesFolder()).removeRecursively();
        DatabaseUserAction::end();
    }

    DatabaseFieldsView *editor() { return app->window->modeSwitch()->databaseView()->databaseFieldsView(); }
    NewImportDatabasePanel *wizard() { return editor()->importDatabasePanel(); }
    qmtest::TestPrompts &prompts() { return app->prompts.prompts(); }

    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile file(folder + "/" + name);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    }

    // Database > (an item), its menu opened first as a click would, so that it is validated.
    void run(const QString &title)
    {
        QAction *found = nullptr;
        for (QAction *top : app->window->menuBar()->actions()) {
            if (!top->menu() || top->menu()->title() != QLatin1String("Database"))
                continue;
            emit top->menu()->aboutToShow();
            for (QAction *item : top->menu()->actions())
                if (item->text() == title)
                    found = item;
        }
        ASSERT_TRUE(found && found->isEnabled()) << title.toStdString();
        found->trigger();
        apptest::settle();
    }
    void openImport(const QString &file)
    {
        prompts().queuePath(file);
        run("Import...");
    }
    void press(const char *button)
    {
        QTest::mouseClick(wizard()->findChild<QPushButton *>(button), Qt::LeftButton);
        apptest::settle();
    }
    // The user types the first record into From.
    void chooseFrom(int from)
    {
        QSpinBox *box = wizard()->fromBox();
        box->selectAll();
        QTest::keyClicks(box, QString::number(from));
        QTest::keyClick(box, Qt::Key_Tab);
    }
    QString sql(const QString &statement) { return dbtest::sqliteCli(path, statement).trimmed(); }

    QString path;
    QString folder;
    std::unique_ptr<apptest::WindowFixture> app;
};

// Two values of what each field holds, as a list of addresses has them.
QStringList dataOf(const QString &dbtitle)
{
    static const QHash<QString, QStringList> data = {
        {"Date", {"2024-01-15", "2023-11-02"}},
        {"Salutation", {"Dr.", "Mrs."}},
        {"First_Name", {"Ada", "Grace"}},
        {"Middle_Name", {"Jane", "Brewster"}},
        {"Last_Name", {"Lovelace", "Hopper"}},
        {"Company", {"Acme Inc", "Globex"}},
        {"Title", {"Engineer", "Chief Clerk"}},
        {"Address", {"12 High St", "5 Elm Road"}},
        {"City", {"London", "Arlington"}},
        {"State", {"Kent", "Virginia"}},
        {"Zip", {"50667", "SW1A 1AA"}},
        {"Country", {"France", "Spain"}},
        {"Phone_Work", {"+44 20 7946 0000", "555-0101"}},
        {"Phone_Home", {"+44 20 7946 0001", "555-0102"}},
        {"Phone_Mobile", {"+44 7700 900000", "555-0103"}},
        {"Fax", {"+44 20 7946 0009", "555-0109"}},
        {"Web", {"https://example.org", "www.example.com"}},
        {"Email", {"ada@example.org", "grace@example.com"}},
    };
    return data.value(dbtitle, {"blue ribbon", "green ribbon"});
}

// Whether a field may hold surnames: its data is text without digits or addresses.
bool mayHoldSurnames(const QStringList &data)
{
    for (const QString &value : data)
        for (QChar c : value)
            if (c.isDigit() || c == QLatin1Char('@') || c == QLatin1Char(':'))
                return false;
    return true;
}

// Whether a column name reads as a surname would: one word of letters.
bool readsAsSurname(const QString &name)
{
    for (QChar c : name)
        if (!c.isLetter())
            return false;
    return !name.isEmpty();
}

QByteArray lines(const QList<QStringList> &records)
{
    QByteArray text;
    for (const QStringList &record : records)
        text += record.join(',').toUtf8() + "\r\n";
    return text;
}

} // namespace

TEST_F(ImportGuessWindow, FilesMadeFromEveryKnownColumnNameAreReadAsTheUserMeansThem)
{
    // The importer's own names for the fields of this database, as it spells them, each with
    // the field it maps to when it stands alone.
    QList<DatabaseOrder> fields;
    for (const tableField &field : editor()->database()->fieldsStructure())
        if (field.flags & 4)
            fields.append(DatabaseOrder(1, field.type, field.title));
    const QHash<QString, int> known = ImportHeader::knownNames(fields, {});
    QList<std::pair<QString, int>> names;
    QSet<QString> seen;
    auto take = [&](const QString &name) {
        const QList<int> alone = ImportHeader::mapping({name}, fields, {});
        if (alone.value(0) > 0 && !seen.contains(ImportHeader::normalised(name))) {
            seen.insert(ImportHeader::normalised(name));
            names.append({name, alone.first() - 1});
        }
    };
    for (const DatabaseOrder &field : fields)
        for (const QString &title : ImportHeader::ownTitles(field, {}))
            take(title);
    for (auto it = known.cbegin(); it != known.cend(); ++it)
        take(it.key());
    ASSERT_GT(names.size(), 150);
    const QStringList unknown = {"Member", "Remarks"};
    for (const QString &word : unknown)
        ASSERT_FALSE(known.contains(ImportHeader::normalised(word)));

    // Each name heads a column of its field's data, alone or between columns the importer
    // has no name for, after blank lines; and each begins a list without a header: the surname
    // or town of its first person, or the first entry of a one-column list of surnames.
    struct Expected
    {
        QString file;
        int headerRow; // -1: none
        QString column; // the field the values go to
        QStringList values;
    };
    QStringList stored;
    for (int i = 0; i < names.size(); ++i) {
        const auto &[name, k] = names.at(i);
        const QString field = fields.at(k).dbtitle();
        SCOPED_TRACE((name + " -> " + field).toStdString());
        const QStringList data = dataOf(field);
        const bool alone = i % 2 == 0;
        const QByteArray header = alone ? lines({{name}, {data.at(0)}, {data.at(1)}})
                                        : "\r\n\r\n" + lines({{unknown.at(0), name, unknown.at(1)},
                                                               {"Ann Lee", data.at(0), "Call after five"},
                                                               {"Bob Ray", data.at(1), "Paid in March"}});
        openImport(write(QStringLiteral("header%1.csv").arg(i), header));
        ASSERT_TRUE(wizard()->isVisible());
        EXPECT_TRUE(wizard()->hasHeader());
        EXPECT_EQ(wizard()->headerRow(), alone ? 0 : 2);
        EXPECT_EQ(wizard()->fromBox()->value(), alone ? 2 : 4);
        ASSERT_EQ(wizard()->importColumns().size(), 1);
        EXPECT_EQ(wizard()->importColumns().first().dbtitle(), field);
        EXPECT_EQ(wizard()->importRows(), QList<QStringList>({{data.at(0)}, {data.at(1)}}));
        // Every fourth file is imported and read back; the others import what importRows()
        // gives, from the same code.
        if (i % 4 == 0) {
            press("import");
            stored << QStringLiteral("%1=%2").arg(field, data.at(0)) << QStringLiteral("%1=%2").arg(field, data.at(1));
        } else {
            press("cancel");
        }

        const bool list = i % 2 == 0;
        const QList<QStringList> records = list ? QList<QStringList>{{"Hans", i % 4 == 0 ? name : "Schmidt", i % 4 == 0 ? "Berlin" : name},
                                                                       {"Eva", "Schmidt", "Hamburg"},
                                                                       {"Uli", "Meyer", "Koeln"}}
                                                : QList<QStringList>{{name}, {"Lee"}, {"Ray"}};
        openImport(write(QStringLiteral("list%1.csv").arg(i), lines(records)));
        ASSERT_TRUE(wizard()->isVisible());
        // A surname or town among names and towns is data; so is a lone word over surnames
        // when surnames are not what it names. A name unlike a surname, or one of a field
        // that holds such words, over surnames leaves it to the user: From 1 says that the
        // first record is one, whatever the guess.
        const bool ambiguous = !list && (mayHoldSurnames(data) || !readsAsSurname(name));
        if (!ambiguous) {
            EXPECT_FALSE(wizard()->hasHeader());
            EXPECT_EQ(wizard()->fromBox()->value(), 1);
        }
        if (wizard()->fromBox()->value() != 1)
            chooseFrom(1);
        EXPECT_EQ(wizard()->recordIndex(), 1);
        EXPECT_EQ(wizard()->importRows().size(), 3);
        EXPECT_EQ(wizard()->importRows().first().contains(name), true);
        if (i % 4 == 1 || (ambiguous && i % 4 == 3)) {
            const QList<DatabaseOrder> columns = wizard()->importColumns();
            const QList<QStringList> rows = wizard()->importRows();
            press("import");
            for (const QStringList &row : rows)
                for (int c = 0; c < columns.size(); ++c)
                    stored << QStringLiteral("%1=%2").arg(columns.at(c).dbtitle(), row.at(c));
        } else {
            press("cancel");
        }
    }
    // Every value stored is in the column it was meant for, nothing more.
    QStringList columns;
    for (const DatabaseOrder &field : fields)
        columns << QStringLiteral("'%1=' || ifnull(\"%1\", '')").arg(field.dbtitle());
    QStringList read;
    const QStringList rows = sql("SELECT " + columns.join(" || '\t' || ") + " FROM dbtable ORDER BY pk;").split('\n');
    for (const QString &row : rows)
        for (const QString &cell : row.split('\t'))
            if (!cell.endsWith('='))
                read << cell;
    EXPECT_EQ(read, stored);
    EXPECT_EQ(prompts().count(qmtest::TestPrompts::Alert), 0);
}

TEST_F(ImportGuessWindow, TheUsersFromStandsWhateverTheGuessThroughEveryChangeOfTheRecords)
{
    // A header guessed: From 1 imports it as a record too, and stays 1 when the delimiter is
    // chosen again. No header guessed: From 2 leaves the first record out.
    openImport(write("members.csv", "Member,Email,Joined\r\nAnn Lee,ann@example.org,2021-03-04\r\nBob Ray,bob@example.org,2022-05-06\r\n"));
    ASSERT_TRUE(wizard()->hasHeader());
    EXPECT_EQ(wizard()->fromBox()->value(), 2);
    chooseFrom(1);
    QComboBox *delimiter = wizard()->delimiterPopup();
    delimiter->setCurrentIndex(4);
    emit delimiter->activated(4);
    delimiter->setCurrentIndex(0);
    emit delimiter->activated(0);
    apptest::settle();
    EXPECT_EQ(wizard()->fromBox()->value(), 1);
    press("import");
    EXPECT_EQ(sql("SELECT Email FROM dbtable ORDER BY pk;"), "Email\nann@example.org\nbob@example.org");
    sql("DELETE FROM dbtable;");

    openImport(write("people.csv", "Ann,Street,Mobile\r\nBob,Lane,Home\r\nEva,Road,Work\r\n"));
    ASSERT_FALSE(wizard()->hasHeader());
    chooseFrom(2);
    press("import");
    // Without a header the columns go to the fields in their order: Date, Salutation, First Name.
    EXPECT_EQ(sql("SELECT Date, Salutation, First_Name FROM dbtable ORDER BY pk;"), "Bob|Lane|Home\nEva|Road|Work");
    EXPECT_EQ(prompts().count(qmtest::TestPrompts::Alert), 0);
}

TEST_F(ImportGuessWindow, CardsFoldedInsideACharacterComeInWhole)
{
    // Every byte boundary inside characters of two, three and four bytes, folded with a blank
    // or a tab after each kind of line end.
    const QString name = QString::fromUtf8("M\u00FCller \u20AC\u4E2D \U0001D11E\U0001F600");
    const QByteArray bytes = name.toUtf8();
    QByteArray file;
    QStringList expected;
    const QList<QByteArray> ends = {"\r\n", "\n", "\r"};
    int n = 0;
    for (qsizetype at = 1; at < bytes.size(); ++at) {
        if ((static_cast<unsigned char>(bytes.at(at)) & 0xC0) != 0x80)
            continue; // not inside a character
        for (const QByteArray &end : ends) {
            const QByteArray fold = end + (n % 2 ? "\t" : " ");
            const QByteArray last = bytes.left(at) + fold + bytes.mid(at) + QByteArray::number(n);
            file += "BEGIN:VCARD" + end + "VERSION:3.0" + end + "N:" + last + ";Ada;;;" + end + "END:VCARD" + end;
            expected << name + QString::number(n);
            ++n;
        }
    }
    ASSERT_EQ(n, 3 * (1 + 2 + 2 + 3 + 3));
    prompts().queuePath(write("folded.vcf", file));
    run("Import VCard...");
    EXPECT_EQ(prompts().count(qmtest::TestPrompts::Alert), 0);
    EXPECT_EQ(sql("SELECT Last_Name FROM dbtable ORDER BY pk;").split('\n'), expected);
}
