// UPC-A, UPC-E, EAN-13 and EAN-8 with add-ons, and the Bookland symbols: patterns against zint,
// check digits and layout of typed data, number lines, extents and read-back through ZXing.
#include <gtest/gtest.h>

#include "barcodes/BarcodeTestSupport.h"
#include "common/TestSupport.h"

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/LinearBarcodeKit.h"
#include "barcodes/SymbologyMenu.h"
#include "barcodes/UpcEan.h"

using namespace quillmark;

namespace {

std::string drawnModules(int type, const std::string &data)
{
    TBarInfo info = bctest::moduleInfo(type, data);
    LinearDrawContext ctx;
    TBarInfo copy = info;
    EXPECT_EQ(BarcodeRenderer::drawLinearBarcodeByType(copy, ctx), 1) << data;
    return bctest::trimZeros(bctest::modulesOfBars(ctx.bars, 1.0));
}

std::string zintModules(int zintType, const std::string &data)
{
    const auto rows = bctest::zintRows({"-b", QString::number(zintType), "--addongap=10", "-d", QString::fromStdString(data)});
    return rows.empty() ? std::string("zint failed") : rows.front();
}

} // namespace

TEST(UpcEan, PatternsEqualZint)
{
    struct Case {
        int type;
        std::string data;
        int zintType;
        std::string zintData;
    };
    const std::vector<Case> cases = {
        {BarcodeType::UpcA, "03600029145", 34, "03600029145"},
        {BarcodeType::UpcA, "0360002914552", 34, "03600029145+52"},
        {BarcodeType::UpcA, "7123456789012345", 34, "71234567890+12345"},
        {BarcodeType::UpcE, "123456", 37, "123456"},
        {BarcodeType::UpcE, "65432112", 37, "654321+12"},
        {BarcodeType::UpcE, "04252652495", 37, "042526+52495"},
        {BarcodeType::Ean13, "400638133393", 13, "400638133393"},
        {BarcodeType::Ean13, "40063813339399", 13, "400638133393+99"},
        {BarcodeType::Ean13, "40063813339352495", 13, "400638133393+52495"},
        {BarcodeType::Ean13, "590123412345", 13, "590123412345"},
        {BarcodeType::Ean8, "9638507", 13, "9638507"},
        {BarcodeType::Ean8, "963850712", 13, "9638507+12"},
        {BarcodeType::Ean8, "963850786420", 13, "9638507+86420"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(drawnModules(c.type, c.data), zintModules(c.zintType, c.zintData)) << c.data;
}

TEST(UpcEan, CheckDigitsAndLayoutOfTypedData)
{
    struct Case {
        int type;
        std::string typed;
        std::string normalised;
    };
    const std::vector<Case> cases = {
        {BarcodeType::UpcA, "03600029145", "036000291452"},
        {BarcodeType::UpcA, "036000291459", "036000291452"}, // a typed check is replaced
        {BarcodeType::UpcA, "0360002914552", "03600029145252"},
        {BarcodeType::UpcA, "03600029145523", "03600029145252"},
        {BarcodeType::Ean13, "400638133393", "4006381333931"},
        {BarcodeType::Ean13, "40063813339352495", "400638133393152495"},
        {BarcodeType::Ean8, "9638507", "96385074"},
        {BarcodeType::UpcE, "123456", "1234565"},
        {BarcodeType::UpcE, "", "0000000"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(upcEanNormalise(c.typed, c.type), c.normalised) << c.typed;
    EXPECT_EQ(upcEExpand("123456"), "01234500006");
    EXPECT_EQ(upcEExpand("123450"), "01200000345");
    EXPECT_EQ(upcEExpand("123453"), "01230000045");
    EXPECT_EQ(upcEExpand("123454"), "01234000005");
}

TEST(UpcEan, AddOnParity)
{
    EXPECT_EQ(upcEanAddOnParity("52495"), "GLGLL");
    EXPECT_EQ(upcEanAddOnParity("12"), "LL");
    EXPECT_EQ(upcEanAddOnParity("13"), "LG");
    EXPECT_EQ(upcEanAddOnParity("14"), "GL");
    EXPECT_EQ(upcEanAddOnParity("15"), "GG");
}

TEST(UpcEan, BooklandNumbers)
{
    EXPECT_EQ(formatIsbnWithCheckDigit(0, "030640615"), "0-3064061-5-2");
    EXPECT_EQ(formatIsbnWithCheckDigit(5, "030640615"), "0-30-640615-2");
    EXPECT_EQ(formatIsbnWithCheckDigit(0, ""), "0");
    EXPECT_EQ(formatIssnWithCheckDigit("0317847"), "0317-8471");
    EXPECT_EQ(formatIssnWithCheckDigit("0000000"), "0000-0000");
    EXPECT_EQ(formatIssnWithCheckDigit("0378595"), "0378-5955");
    EXPECT_EQ(formatIssnWithCheckDigit("0000001"), "0000-0019");

    TBarInfo isbn;
    isbn.type = BarcodeType::BooklandIsbn;
    isbn.setData("030640615");
    BooklandText t = booklandText(isbn, 0);
    EXPECT_EQ(t.line, "ISBN  0-3064061-5-2");
    EXPECT_EQ(t.eanData, "978030640615");
    isbn.type = BarcodeType::BooklandIsbnPrefixed;
    t = booklandText(isbn, 1);
    EXPECT_EQ(t.line, "ISBN  978-0-3064061-5-7");

    TBarInfo issn;
    issn.type = BarcodeType::BooklandIssn;
    issn.setData("0317847");
    t = booklandText(issn, 0);
    EXPECT_EQ(t.line, "ISSN  0317-8471");
    EXPECT_EQ(t.eanData, "9770317847");

    TBarInfo ismn;
    ismn.type = BarcodeType::BooklandIsmn;
    ismn.setData("23067118");
    t = booklandText(ismn, 0);
    EXPECT_EQ(t.eanData, "979023067118");
    EXPECT_EQ(t.line, "ISMN 979-0-2306711-8-7");
}

TEST(UpcEan, ALetterMakesEveryTypeInvalid)
{
    for (int type : {9, 10, 11, 12, 13, 14, 21, 28}) {
        TBarInfo info = bctest::moduleInfo(type, "12345A789012");
        LinearDrawContext ctx;
        TBarInfo copy = info;
        EXPECT_EQ(BarcodeRenderer::drawLinearBarcodeByType(copy, ctx), 0) << type;
        EXPECT_TRUE(ctx.bars.isEmpty());
        const double width = errorTextWidth(type, ctx);
        barcodeExtentByType(info, ctx);
        EXPECT_EQ(info.BarRect.right, int(width + 4)) << type;
    }
}

TEST(UpcEan, ExtentWidthsInModules)
{
    struct Case {
        int type;
        std::string data;
        bool hrt;
        double modules;
    };
    const std::vector<Case> cases = {
        {BarcodeType::UpcA, "03600029145", false, 95},
        {BarcodeType::UpcA, "03600029145", true, 115},
        {BarcodeType::UpcA, "0360002914552", true, 105 + 32},
        {BarcodeType::UpcA, "7123456789012345", false, 95 + 57},
        {BarcodeType::Ean13, "400638133393", true, 115},
        {BarcodeType::Ean13, "40063813339352495", false, 95 + 57},
        {BarcodeType::UpcE, "123456", true, 71},
        {BarcodeType::UpcE, "12345612", true, 61 + 32},
        {BarcodeType::Ean8, "9638507", true, 67},
        {BarcodeType::Ean8, "963850712", false, 67 + 32},
        {BarcodeType::BooklandIsbn, "030640615", false, 95},
        {BarcodeType::BooklandIsmn, "23067118", false, 95},
        {BarcodeType::BooklandIsmn, "2306711812", false, 95 + 32},
    };
    for (const Case &c : cases) {
        TBarInfo info = bctest::moduleInfo(c.type, c.data);
        info.HRT = c.hrt;
        LinearDrawContext ctx;
        barcodeExtentByType(info, ctx);
        EXPECT_EQ(info.BarRect.right, int(c.modules + 4)) << c.type << " " << c.data;
    }
}

TEST(UpcEan, IsmnHasItsOwnExtentAndStaysInsideIt)
{
    TBarInfo info;
    info.type = BarcodeType::BooklandIsmn;
    info.setData("23067118");
    info.BarRect = {0, 0, 1, 1};
    const ShortRect extent = BarcodeRenderer::frameExtent(info, QSizeF(1, 1));
    EXPECT_GT(extent.width(), 60);
    EXPECT_GT(extent.height(), 30);
    LinearDrawContext drawn;
    BarcodeRenderer::drawBarcode(nullptr, QRectF(0, 0, extent.width(), extent.height()), info, {}, &drawn);
    const QRectF frame(0, 0, extent.width(), extent.height());
    EXPECT_TRUE(frame.contains(drawn.bars.boundingRect())) << drawn.bars.boundingRect().right();
    EXPECT_TRUE(frame.contains(drawn.text.boundingRect()));
}

TEST(UpcEan, HumanReadableDigits)
{
    TBarInfo info;
    info.type = BarcodeType::Ean13;
    info.setData("400638133393");
    info.font = qmtest::testFont(8);
    LinearDrawContext drawn;
    BarcodeRenderer::drawBarcode(nullptr, QRectF(0, 0, 100, 50), info, {}, &drawn);
    QString digits;
    for (const auto &item : drawn.textItems)
        digits += item.text;
    // digit 1 first (outside the bars), then 2-13, then the closing mark.
    EXPECT_EQ(digits, "006381333931" + QString("4") + ">") << digits.toStdString();
}

TEST(UpcEan, SymbolsReadBackThroughZXing)
{
    struct Case {
        int type;
        std::string data;
        std::string format;
        std::string text;
    };
    const std::vector<Case> cases = {
        {BarcodeType::UpcA, "03600029145", "UPC-A", "036000291452"},
        {BarcodeType::UpcE, "123456", "UPC-E", "01234565"},
        {BarcodeType::Ean13, "400638133393", "EAN-13", "4006381333931"},
        {BarcodeType::Ean8, "9638507", "EAN-8", "96385074"},
        {BarcodeType::Ean13, "40063813339352495", "EAN-13", "4006381333931 52495"},
        {BarcodeType::UpcA, "0360002914552", "UPC-A", "036000291452 52"},
        {BarcodeType::UpcE, "12345612", "UPC-E", "01234565 12"},
        {BarcodeType::Ean8, "963850786420", "EAN-8", "96385074 86420"},
        {BarcodeType::BooklandIsbn, "030640615", "EAN-13", "9780306406157"},
        {BarcodeType::BooklandIssn, "0317847", "EAN-13", "9770317847001"},
        {BarcodeType::BooklandIsmn, "23067118", "EAN-13", "9790230671187"},
    };
    for (const Case &c : cases) {
        TBarInfo info;
        info.type = int16_t(c.type);
        info.setData(c.data);
        info.font = qmtest::testFont(8);
        // The reader's add-on finder does not tolerate the default ink-spread compensation of
        // 2 mils on 9-mil modules; the main symbols read with it.
        if (c.text.find(' ') != std::string::npos)
            info.widthAdjust = -1.0;
        const auto decoded = bctest::decode(bctest::renderBarcode(info, QSizeF(), 8));
        ASSERT_TRUE(decoded.has_value()) << c.data;
        EXPECT_EQ(decoded->format, c.format) << c.data;
        EXPECT_EQ(decoded->text, c.text) << c.data;
    }
}


TEST(UpcEan, UpcOuterCharactersFollowTheEqualSizeDefault)
{
    TBarInfo info;
    info.type = BarcodeType::UpcA;
    info.setData("03600029145");
    info.font = qmtest::testFont(10);
    for (long long equal : {0LL, 1LL}) {
        BarcodeDrawStyle style;
        style.upcCharactersEqualSize = equal;
        LinearDrawContext drawn;
        BarcodeRenderer::drawBarcode(nullptr, QRectF(0, 0, 120, 50), info, style, &drawn);
        ASSERT_EQ(drawn.textItems.size(), 12u);
        const auto &main = drawn.textItems[0];
        const auto &first = drawn.textItems[10];
        const auto &last = drawn.textItems[11];
        EXPECT_EQ(first.text, "0");
        EXPECT_EQ(last.text, "2");
        EXPECT_DOUBLE_EQ(first.baseline.x(), 4.0); // the frame's origin moved by the margin
        EXPECT_DOUBLE_EQ(first.font.pointSizeF(), equal ? 10.0 : 8.0);
        if (equal)
            EXPECT_DOUBLE_EQ(first.baseline.y(), main.baseline.y());
        else
            EXPECT_NE(first.baseline.y(), main.baseline.y());
    }
}

// A Bookland number as people write it, for every Bookland symbol: the bare digits, the number
// as printed (with its hyphens and without them), its EAN whole (with hyphens, without its check,
// with an add-on): each reads back as the one EAN it stands for, never prefixed twice. The same
// with any other check character is refused, and the reason names the check its digits give.
TEST(UpcEan, BooklandNumbersAsTypedReadBackAsTheirEan)
{
    struct Number
    {
        std::string bare;
        std::string printed;     // hyphens as printed, the check last
        std::string ean;         // the EAN-13 it stands for
        std::string kind;        // the name the reason gives it
        std::string checkDigits; // the characters a check may be
    };
    auto numberOf = [](int type) -> Number {
        switch (type) {
        case BarcodeType::BooklandIssn:
            return {"0317847", "0317-8471", "9770317847001", "ISSN", "0123456789X"};
        case BarcodeType::BooklandIsmn:
            return {"26000043", "2600-0043-8", "9790260000438", "ISMN", "0123456789"};
        default:
            return {"030640615", "0-306-40615-2", "9780306406157", "ISBN", "0123456789X"};
        }
    };
    auto withoutHyphens = [](std::string s) {
        s.erase(std::remove(s.begin(), s.end(), '-'), s.end());
        return s;
    };
    int types = 0;
    for (const SymbologyItem &item : symbologyItems()) {
        if (!isBooklandType(item.type))
            continue;
        ++types;
        const Number n = numberOf(item.type);
        const std::string hyphenatedEan = n.ean.substr(0, 3) + "-" + n.ean.substr(3, 9) + "-" + n.ean.substr(12);
        struct Form
        {
            std::string typed;
            std::string ean;
            std::string addOn;
        };
        std::vector<Form> forms = {
            {n.bare, n.ean, ""},
            // An ISSN's two variant digits come before an add-on.
            {n.bare + (item.type == BarcodeType::BooklandIssn ? "00" : "") + "05", n.ean, "05"},
            {n.printed, n.ean, ""},
            {withoutHyphens(n.printed), n.ean, ""},
            {" " + n.printed + " ", n.ean, ""},
            {n.ean, n.ean, ""},
            {hyphenatedEan, n.ean, ""},
            {n.ean.substr(0, 12), n.ean, ""},
            {n.ean + "05", n.ean, "05"},
            {n.ean + "12345", n.ean, "12345"},
        };
        if (item.type == BarcodeType::BooklandIsmn)
            forms.push_back({"M-" + n.printed, n.ean, ""});
        for (const Form &form : forms) {
            TBarInfo info;
            info.type = int16_t(item.type);
            info.setData(form.typed);
            info.font = qmtest::testFont(8);
            // The reader's add-on finder wants the bars less narrowed than the default.
            info.widthAdjust = -1.0;
            const BooklandNumber number = booklandNumber(info);
            EXPECT_TRUE(number.valid) << form.typed;
            EXPECT_TRUE(BarcodeRenderer::dataProblem(info).isEmpty()) << form.typed;
            EXPECT_EQ(upcEanNormalise(booklandText(info, 0).eanData, BarcodeType::Ean13), form.ean + form.addOn)
                << form.typed;
            // The add-on under the number line is too short for this reader's add-on finder:
            // the main symbol is read, and the add-on where the reader finds it.
            const auto decoded = bctest::decode(bctest::renderBarcode(info, QSizeF(), 8));
            ASSERT_TRUE(decoded.has_value()) << item.name.toStdString() << " " << form.typed;
            const std::string read = decoded->text;
            EXPECT_TRUE(read == form.ean || read == form.ean + " " + form.addOn)
                << item.name.toStdString() << " " << form.typed << " read as " << read;
        }

        // Every other check character, typed as printed, without hyphens, or in the whole EAN.
        const char printedCheck = n.printed.back();
        const char eanCheck = n.ean.back();
        int refused = 0;
        for (const char other : n.checkDigits + std::string("x")) {
            struct Wrong
            {
                std::string typed;
                std::string named;
                char expected;
                char found;
            };
            std::vector<Wrong> wrongs;
            if (std::toupper(other) != printedCheck && n.checkDigits.find(char(std::toupper(other))) != std::string::npos) {
                const std::string printed = n.printed.substr(0, n.printed.size() - 1) + other;
                const char found = char(std::toupper(other));
                wrongs.push_back({printed, n.kind + " " + printed, printedCheck, found});
                wrongs.push_back({withoutHyphens(printed), n.kind + " " + withoutHyphens(printed), printedCheck, found});
            }
            if (other >= '0' && other <= '9' && other != eanCheck) {
                const std::string ean = n.ean.substr(0, 12) + other;
                wrongs.push_back({ean, "EAN " + ean, eanCheck, other});
                wrongs.push_back({ean + "05", "EAN " + ean + "05", eanCheck, other});
            }
            for (const Wrong &wrong : wrongs) {
                ++refused;
                TBarInfo info;
                info.type = int16_t(item.type);
                info.setData(wrong.typed);
                const BooklandNumber number = booklandNumber(info);
                EXPECT_FALSE(number.valid) << wrong.typed;
                EXPECT_FALSE(BarcodeRenderer::encodes(info)) << wrong.typed;
                LinearDrawContext ctx;
                TBarInfo drawn = bctest::moduleInfo(item.type, wrong.typed);
                EXPECT_EQ(BarcodeRenderer::drawLinearBarcodeByType(drawn, ctx), 0) << wrong.typed;
                const QString expected = QStringLiteral("The check digit of %1 should be %2, not %3.")
                                             .arg(QString::fromStdString(wrong.named))
                                             .arg(QChar::fromLatin1(wrong.expected))
                                             .arg(QChar::fromLatin1(wrong.found));
                EXPECT_EQ(BarcodeRenderer::dataProblem(info), expected) << wrong.typed;
                // In the symbol's place, the check the digits give, inside the frame.
                LinearDrawContext shown;
                BarcodeRenderer::drawBarcode(nullptr, QRectF(), info, {}, &shown);
                ASSERT_EQ(shown.textItems.size(), 1u) << wrong.typed;
                EXPECT_EQ(shown.textItems[0].text, QStringLiteral("Check digit should be %1").arg(QChar::fromLatin1(wrong.expected)));
                EXPECT_LE(shown.bars.boundingRect().width(), 0.0);
                EXPECT_GE(double(BarcodeRenderer::frameExtent(info, {}).width()),
                          LinearDrawContext::textWidth(shown.textItems[0].text, shown.textItems[0].font))
                    << wrong.typed;
            }
        }
        EXPECT_GE(refused, 30) << item.name.toStdString();
    }
    EXPECT_EQ(types, 4);

    // A 979 ISBN has no ten-digit form: its line shows it whole.
    TBarInfo isbn;
    isbn.type = BarcodeType::BooklandIsbn;
    isbn.setData("9791090636071");
    EXPECT_EQ(booklandText(isbn, 0).line, "ISBN  979-1-0906360-7-1");
    // An X check read as printed.
    isbn.setData("0-8044-2957-x");
    EXPECT_EQ(booklandText(isbn, 0).eanData, "978080442957");
}

// No data make no symbol: a code of zeros would scan as a real number.
TEST(UpcEan, EmptyDataMakeNoSymbol)
{
    for (int type : {BarcodeType::UpcA, BarcodeType::UpcE, BarcodeType::Ean13, BarcodeType::Ean8,
                     BarcodeType::BooklandIsbn, BarcodeType::BooklandIssn, BarcodeType::BooklandIsbnPrefixed,
                     BarcodeType::BooklandIsmn}) {
        TBarInfo info = bctest::moduleInfo(type, "");
        LinearDrawContext ctx;
        EXPECT_EQ(BarcodeRenderer::drawLinearBarcodeByType(info, ctx), 0) << type;
        EXPECT_FALSE(BarcodeRenderer::encodes(info)) << type;
        EXPECT_FALSE(BarcodeRenderer::dataProblem(info).isEmpty()) << type;
    }
}
