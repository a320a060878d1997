// The vCard reader and writer, and their QUOTED-PRINTABLE and Base64 codecs.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include "common/TestSupport.h"
#include "database/exchange/CVCard.h"
#include "database/exchange/H_CBase64.h"
#include "database/exchange/H_CQuoted.h"
#include "database/exchange/ImportVCardFile.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

CVCard card(const QString &body)
{
    bool ok = false;
    CVCard parsed = CVCard::fromString(body + QStringLiteral("\r\nEND:VCARD\r\n"), &ok);
    EXPECT_TRUE(ok);
    return parsed;
}

CVCard cardOf(const QVariantMap &values)
{
    CVCard written;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        written.setObject(it.value(), it.key());
    return written;
}

QString value(const CVCard &c, const char *key)
{
    return c.dict().value(QString::fromLatin1(key)).toString();
}

class VCard : public ::testing::Test
{
protected:
    void SetUp() override { UserDefaults::standard().removeObject(QStringLiteral("profileContacts")); }
    void TearDown() override { UserDefaults::standard().removeObject(QStringLiteral("profileContacts")); }
};

} // namespace

TEST_F(VCard, TheSampleRecordIsWrittenLineByLine)
{
    const QVariantMap record = {
        {"Date", "2024-03-05 10:20:30 +0000"}, {"Salutation", "Dr."},       {"First_Name", "Jane"},
        {"Middle_Name", "Q"},                  {"Last_Name", "Doe"},        {"Company", "Acme Inc"},
        {"Title", "Engineer"},                 {"Address", "1 Main St"},    {"City", "Springfield"},
        {"State", "IL"},                       {"Zip", "62701"},            {"Country", "USA"},
        {"Phone_Work", "555-0100"},            {"Phone_Home", "555-0101"},  {"Phone_Mobile", "555-0102"},
        {"Fax", "555-0103"},                   {"Web", "https://example.com"}, {"Email", "jane@example.com"},
        {"User_Field_1", "Note; one"},         {"User_Field_2", "a,b\\c"},  {"Groups", 3},
    };
    const QStringList lines = cardOf(record).writeVCard().split(QStringLiteral("\r\n"));
    const QStringList expected = {
        "BEGIN:VCARD",
        "VERSION:3.0",
        "PRODID:-//Brenholt.//Quillmark " + Bundle::versionString(),
        "DATE:2024-03-05 10:20:30 +0000",
        "N:Doe;Jane;Q;Dr.;",
        "FN:Jane Doe",
        "ORG:Acme Inc",
        "TITLE:Engineer",
        "EMAIL:jane@example.com",
        "TEL;type=HOME:555-0101",
        "TEL;type=WORK:555-0100",
        "TEL;type=CELL:555-0102",
        "TEL;type=FAX:555-0103",
        "ADR;TYPE=WORK:;;1 Main St;Springfield;IL;62701;USA",
        "URL:https://example.com",
        "USERFIELD1:Note\\; one",
        "USERFIELD2:a\\,b\\\\c",
        "END:VCARD",
        "",
    };
    EXPECT_EQ(lines, expected);

    // Read back, every value comes home.
    bool ok = false;
    const CVCard read = CVCard::fromString(cardOf(record).writeVCard().mid(QStringLiteral("BEGIN:VCARD").size()), &ok);
    ASSERT_TRUE(ok);
    for (auto it = record.cbegin(); it != record.cend(); ++it) {
        if (it.key() == "Groups")
            continue;
        EXPECT_EQ(read.dict().value(it.key()).toString(), it.value().toString()) << it.key().toStdString();
    }
}

TEST_F(VCard, TextIsWrittenAsUtf8WithEscapesAndReadBackWhole)
{
    const QString written = cardOf({{"First_Name", "Jane"}, {"Last_Name", QString::fromUtf8("M\u00FCller, Jr; III")}}).writeVCard();
    EXPECT_TRUE(written.contains(QString::fromUtf8("\r\nN:M\u00FCller\\, Jr\\; III;Jane;;;\r\n"))) << written.toStdString();
    EXPECT_TRUE(written.contains(QString::fromUtf8("\r\nFN:Jane M\u00FCller\\, Jr\\; III\r\n")));
    EXPECT_FALSE(written.contains("QUOTED-PRINTABLE"));
    const CVCard read = CVCard::fromString(written.mid(11));
    EXPECT_EQ(value(read, "First_Name"), "Jane");
    EXPECT_EQ(value(read, "Last_Name"), QString::fromUtf8("M\u00FCller, Jr; III"));

    // Control characters have no place in a text value; a line break is written "\n".
    const QString control = cardOf({{"First_Name", "Jane"}, {"Last_Name", "Bell\x07"}, {"Address", "2 Side Rd\nFlat 2"}}).writeVCard();
    EXPECT_TRUE(control.contains("\r\nN:Bell;Jane;;;\r\n"));
    EXPECT_TRUE(control.contains("\r\nADR;TYPE=WORK:;;2 Side Rd\\nFlat 2;;;;\r\n"));
    EXPECT_EQ(value(CVCard::fromString(control.mid(11)), "Address"), "2 Side Rd\nFlat 2");
}

TEST_F(VCard, CardsAreReadByWholePropertyNamesAndTypes)
{
    const CVCard doe = card("VERSION:3.0\r\nNOTE:not a name\r\nN:Doe;Jane;Q;Dr.;\r\nORG:Smith\\, Jr\r\n"
                            "TEL;TYPE=CELL:555\r\nTEL;TYPE=WORK:111\r\nTEL;TYPE=WORK:222\r\n"
                            "item1.EMAIL;type=INTERNET:jane@example.com\r\nADR;TYPE=WORK:;;1\\; Main;Town;;;\r\n");
    EXPECT_EQ(value(doe, "Last_Name"), "Doe");
    EXPECT_EQ(value(doe, "First_Name"), "Jane");
    EXPECT_EQ(value(doe, "Middle_Name"), "Q");
    EXPECT_EQ(value(doe, "Salutation"), "Dr.");
    EXPECT_EQ(value(doe, "Company"), "Smith, Jr");
    EXPECT_EQ(value(doe, "Phone_Mobile"), "555");
    EXPECT_EQ(value(doe, "Phone_Work"), "111");
    EXPECT_FALSE(doe.dict().contains("Phone_Home"));
    EXPECT_EQ(value(doe, "Email"), "jane@example.com");
    EXPECT_EQ(value(doe, "Address"), "1; Main");

    UserDefaults::standard().setObject(QStringLiteral("Home"), QStringLiteral("profileContacts"));
    const CVCard home = card("N:Doe;Jane;;;\r\nADR;TYPE=WORK:;;9 Work Rd;Capital;IL;60000;USA\r\n"
                             "ADR;TYPE=HOME:;;1 Main St;Springfield;IL;62701;USA\r\nTEL;TYPE=WORK,FAX:999\r\nTEL;TYPE=WORK:123\r\n");
    EXPECT_EQ(value(home, "Address"), "1 Main St");
    EXPECT_EQ(value(home, "City"), "Springfield");
    EXPECT_EQ(value(home, "Zip"), "62701");
    EXPECT_EQ(value(home, "Country"), "USA");
    EXPECT_EQ(value(home, "Fax"), "999");
    EXPECT_EQ(value(home, "Phone_Work"), "123");
    // Written under the Home profile, the address says so.
    EXPECT_TRUE(cardOf({{"City", "Springfield"}}).writeVCard().contains("\r\nADR;TYPE=HOME:;;;Springfield;;;\r\n"));
}

TEST_F(VCard, EncodedValuesFoldedOverLinesReadBackWhole)
{
    // Long lines fold at 75 octets of UTF-8, never inside a character, and unfold whole.
    const QString longText = QString::fromUtf8("Stra\u00DFe \u20AC ").repeated(20);
    const QString written = cardOf({{"Address", longText}, {"User_Field_3", longText}}).writeVCard();
    const qsizetype start = written.indexOf("USERFIELD3");
    const QString line = written.mid(start, written.indexOf("END:VCARD") - start);
    EXPECT_TRUE(line.contains("\r\n ")) << line.toStdString();
    for (const QString &physical : written.split("\r\n", Qt::SkipEmptyParts))
        EXPECT_LE(physical.toUtf8().size(), 75) << physical.toStdString();
    const CVCard read = CVCard::fromString(written.mid(11));
    EXPECT_EQ(value(read, "User_Field_3"), longText);
    EXPECT_EQ(value(read, "Address"), longText);

    const QString folded = "PHOTO;ENCODING=b;TYPE=TEXT:SGVsbG8s\r\n  IHdv\r\n cmxk\r\nUSERFIELD4;ENCODING=BASE64:SGVs\r\n bG8=";
    const CVCard base64 = card(folded);
    EXPECT_EQ(value(base64, "User_Field_4"), "Hello");
    EXPECT_EQ(base64.extractDataByTag("PHOTO"), QByteArray("Hello, world"));
    // Old cards break QUOTED-PRINTABLE lines with a bare "=".
    const CVCard old = card("N;ENCODING=QUOTED-PRINTABLE:M=C3=BC=\r\nller;Hans;;;");
    EXPECT_EQ(value(old, "Last_Name"), QString::fromUtf8("M\u00FCller"));
    // Bytes that are not UTF-8 are read in the charset the property names, or else as the
    // 8-bit text older phones write.
    const CVCard latin = card("N;ENCODING=QUOTED-PRINTABLE:M=FCller;Hans;;;");
    EXPECT_EQ(value(latin, "Last_Name"), QString::fromUtf8("M\u00FCller"));
    EXPECT_EQ(value(latin, "First_Name"), "Hans");
    const CVCard declared = card("N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Fran=E7ois;Ren=E9;;;\r\n"
                                 "ORG;CHARSET=KOI8-R;ENCODING=QUOTED-PRINTABLE:=EB=CF=D2=D0\r\n"
                                 "EMAIL;TYPE=work:mailto:rene@example.fr");
    EXPECT_EQ(value(declared, "Last_Name"), QString::fromUtf8("Fran\u00E7ois"));
    EXPECT_EQ(value(declared, "First_Name"), QString::fromUtf8("Ren\u00E9"));
    EXPECT_EQ(value(declared, "Company"), QString::fromUtf8("\u041A\u043E\u0440\u043F"));
    EXPECT_EQ(value(declared, "Email"), "rene@example.fr");
}

TEST_F(VCard, APhotoIsKeptAsTheWellKeepsItAndLabelledWithItsType)
{
    QImage picture(400, 100, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    const CVCard read = card("N:Doe;Jane;;;\r\nPHOTO;ENCODING=b;TYPE=PNG:" + QString::fromLatin1(png.toBase64()));
    const QByteArray stored = read.dict().value("Photo").toByteArray();
    ASSERT_FALSE(stored.isEmpty());
    EXPECT_EQ(CVCard::imageType(stored), "TIFF");
    QBuffer in;
    in.setData(stored);
    QImageReader reader(&in);
    EXPECT_EQ(reader.size(), QSize(200, 50));

    // Written as the JPEG that readers of vCard 3.0 take, and read back as the well keeps it.
    const QString written = cardOf({{"Last_Name", "Doe"}, {"Photo", stored}}).writeVCard();
    EXPECT_TRUE(written.contains("\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/")) << written.left(300).toStdString();
    EXPECT_TRUE(cardOf({{"Photo", png}}).writeVCard().contains("PHOTO;ENCODING=b;TYPE=JPEG:/9j/"));
    const QByteArray again = CVCard::fromString(written.mid(11)).dict().value("Photo").toByteArray();
    EXPECT_EQ(CVCard::imageType(again), "TIFF");
    QBuffer back;
    back.setData(again);
    EXPECT_EQ(QImageReader(&back).size(), QSize(200, 50));
    EXPECT_FALSE(cardOf({{"Photo", QByteArray("not a picture")}}).writeVCard().contains("PHOTO"));
}

TEST_F(VCard, WritingEscapesTextAndNeverUsesQuotedPrintable)
{
    struct Case
    {
        const char *value;
        const char *line;
    };
    const Case cases[] = {
        {"Acme Inc", "ORG:Acme Inc\r\n"},
        {"Acme", "ORG:Acme\r\n"},
        {"A;B", "ORG:A\\;B\r\n"},
        {"Tab\there", "ORG:Tab\there\r\n"},
        {"\u00C6gir \u00D8rsted", "ORG:\u00C6gir \u00D8rsted\r\n"},
        {"", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(cardOf({{"Company", QString::fromUtf8(c.value)}}).writeEntry("Company", "ORG"), QString::fromUtf8(c.line));
    }
    EXPECT_EQ(H_CQuoted::encode("a=b c"), "a=3Db=20c");
    EXPECT_EQ(H_CQuoted::decode("a=3Db=20c=\r\n d"), "a=b c=d");
    EXPECT_EQ(H_CBase64::decode("SGVsbG8="), "Hello");
    EXPECT_EQ(H_CBase64::decode("SGVs bG8="), "");
    EXPECT_EQ(H_CBase64::encode("Hello"), "SGVsbG8=");
}

TEST_F(VCard, AFileOfThreeCardsOneUnfinishedGivesTwo)
{
    const QString path = qmtest::freshDir("vcf") + "/three.vcf";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BEGIN:VCARD\r\nN:One;A;;;\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:Two;B;;;\r\n"
               "begin:vcard\r\nN:Three;C;;;\r\nend:vcard\r\n");
    file.close();
    const ImportVCardFile cards(path);
    ASSERT_TRUE(cards.readable());
    ASSERT_EQ(cards.cards().size(), 2);
    EXPECT_EQ(value(cards.cards().at(0), "Last_Name"), "One");
    EXPECT_EQ(value(cards.cards().at(1), "Last_Name"), "Three");

    // A Latin-1 file, with and without its charset named, beside a UTF-8 card: each line is
    // read in its own encoding. Bytes that are no text at all are refused.
    QFile latin(path);
    ASSERT_TRUE(latin.open(QIODevice::WriteOnly));
    latin.write("BEGIN:VCARD\r\nN:M\xFCller;A;;;\r\nEND:VCARD\r\n"
                "BEGIN:VCARD\r\nN;CHARSET=ISO-8859-1:Ni\xF1o;B;;;\r\nEND:VCARD\r\n"
                "BEGIN:VCARD\r\nN:\xC3\x98rsted;C;;;\r\nEND:VCARD\r\n");
    latin.close();
    const ImportVCardFile mixed(path);
    ASSERT_TRUE(mixed.readable());
    ASSERT_EQ(mixed.cards().size(), 3);
    EXPECT_EQ(value(mixed.cards().at(0), "Last_Name"), QString::fromUtf8("M\u00FCller"));
    EXPECT_EQ(value(mixed.cards().at(1), "Last_Name"), QString::fromUtf8("Ni\u00F1o"));
    EXPECT_EQ(value(mixed.cards().at(2), "Last_Name"), QString::fromUtf8("\u00D8rsted"));
    ASSERT_TRUE(latin.open(QIODevice::WriteOnly));
    latin.write(QByteArray("BEGIN:VCARD\r\nN:A\0B;;;;\r\nEND:VCARD\r\n", 35));
    latin.close();
    EXPECT_FALSE(ImportVCardFile(path).readable());
}

// A card reads the same whatever ends its lines (the CR LF of the standard, the LF of Unix
// programs, the CR of older ones, or a mix), folded and QUOTED-PRINTABLE lines included, and
// a file read with a profile given takes that profile's address whatever the user's is.
TEST_F(VCard, EveryLineEndGivesTheSameCardAndTheProfileGivenChoosesTheAddress)
{
    const QStringList lines = {"N;ENCODING=QUOTED-PRINTABLE:M=C3=BC=", "ller;Hans;;;", "ORG:Acme", "TITLE:Chief of a very long",
                               "  title", "ADR;TYPE=WORK:;;9 Work Rd;Capital;;1000;", "ADR;TYPE=HOME:;;1 Home Rd;Village;;2000;",
                               "TEL;TYPE=CELL:555", "", "EMAIL:hans@example.org"};
    const QString standard = lines.join("\r\n") + "\r\nEND:VCARD\r\n";
    const QVariantMap expected = CVCard::fromString(standard, nullptr, "Work").dict();
    EXPECT_EQ(expected.value("Last_Name"), QString::fromUtf8("M\u00FCller"));
    EXPECT_EQ(expected.value("Title"), "Chief of a very long title");
    EXPECT_EQ(expected.value("City"), "Capital");
    EXPECT_EQ(expected.value("Email"), "hans@example.org");
    for (const QString &end : {QStringLiteral("\n"), QStringLiteral("\r"), QStringLiteral("mixed")}) {
        SCOPED_TRACE(end.toStdString());
        QString text;
        for (qsizetype i = 0; i < lines.size(); ++i)
            text += lines.at(i) + (end != QLatin1String("mixed") ? end : QStringList{"\r\n", "\n", "\r"}.at(i % 3));
        bool ok = false;
        EXPECT_EQ(CVCard::fromString(text + "END:VCARD", &ok, "Work").dict(), expected);
        EXPECT_TRUE(ok);
    }

    const QString path = qmtest::freshDir("vcf") + "/profile.vcf";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("BEGIN:VCARD\r\n" + standard).toUtf8());
    file.close();
    for (const QString &profile : {QStringLiteral("Work"), QStringLiteral("Home")}) {
        UserDefaults::standard().setObject(profile == QLatin1String("Work") ? "Home" : "Work", "profileContacts");
        const ImportVCardFile read(path, {}, profile);
        ASSERT_EQ(read.cards().size(), 1);
        EXPECT_EQ(value(read.cards().at(0), "City"), profile == QLatin1String("Work") ? "Capital" : "Village");
    }
}

// A file is unfolded before it is decoded, whatever its lines hold: a QUOTED-PRINTABLE value
// broken with "=" and blanks, a line in the charset it names folded inside a word, a plain
// line folded with a tab, each after every kind of line end.
TEST_F(VCard, AFileIsUnfoldedAsBytesBeforeItIsDecoded)
{
    const QString path = qmtest::freshDir("vcf") + "/folded.vcf";
    for (const QByteArray &end : {QByteArray("\r\n"), QByteArray("\n"), QByteArray("\r")}) {
        SCOPED_TRACE(end.toHex().toStdString());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("BEGIN:VCARD" + end + "N;ENCODING=QUOTED-PRINTABLE:M=C3=" + end + "  =BCller;Hans;;;" + end
                   + "ORG;CHARSET=ISO-8859-1:Caf\xE9" + end + " s Na\xEF" + end + "\tve" + end + "TITLE:Chief" + end
                   + "\tClerk" + end + "END:VCARD" + end);
        file.close();
        const ImportVCardFile read(path);
        ASSERT_EQ(read.cards().size(), 1);
        EXPECT_EQ(value(read.cards().first(), "Last_Name"), QString::fromUtf8("M\u00FCller"));
        EXPECT_EQ(value(read.cards().first(), "Company"), QString::fromUtf8("Caf\u00E9s Na\u00EFve"));
        EXPECT_EQ(value(read.cards().first(), "Title"), "ChiefClerk");
    }
}
