// Every form of a book, serial or music number a user copies from a cover, typed into each
// Bookland symbol and exported as a PNG label: each gives the EAN and add-on it stands for,
// read back by ZXing and compared module for module, add-on and all, with zint's encoding of
// them (ZXing does not find add-ons of the default narrowed bars); or it is refused with the
// check its digits give, or with the add-on's length.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/BarcodeTestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/SymbologyMenu.h"
#include "barcodes/UpcEan.h"
#include "canvas/CanvasTestSupport.h"
#include "common/TestSupport.h"
#include "printing/ExportFormats.h"

using namespace quillmark;

namespace {

// The checks as the numbering agencies define them, worked out here apart from the encoder's.
char ean13Check(const std::string &twelve)
{
    int sum = 0;
    for (size_t i = 0; i < 12; ++i)
        sum += (twelve[i] - '0') * (i % 2 ? 3 : 1);
    return char('0' + (10 - sum % 10) % 10);
}

char isbn10Check(const std::string &nine)
{
    int sum = 0;
    for (size_t i = 0; i < 9; ++i)
        sum += (nine[i] - '0') * int(10 - i);
    const int check = (11 - sum % 11) % 11;
    return check == 10 ? 'X' : char('0' + check);
}

char issnCheck(const std::string &seven)
{
    int sum = 0;
    for (size_t i = 0; i < 7; ++i)
        sum += (seven[i] - '0') * int(8 - i);
    const int check = (11 - sum % 11) % 11;
    return check == 10 ? 'X' : char('0' + check);
}

// The first number from `start` whose check is (or is not) X.
std::string numberWithCheck(std::string start, char (*check)(const std::string &), bool x)
{
    for (;;) {
        if ((check(start) == 'X') == x)
            return start;
        const std::string next = std::to_string(std::stoll(start) + 1);
        start = std::string(start.size() - next.size(), '0') + next;
    }
}

// One way a number is written on a cover: its groups (the check character last) and the EAN it
// stands for. `kind` is what the reason names when its check is wrong.
struct Written
{
    std::string scheme;
    std::vector<std::string> groups;
    std::string ean;
    std::string kind;
    bool variantAfter = false; // an ISSN as printed: a variant may follow
    char check() const { return groups.back().back(); }
};

Written isbn10(const std::string &nine)
{
    const std::string ean12 = "978" + nine;
    return {"ISBN-10", {nine.substr(0, 1), nine.substr(1, 3), nine.substr(4, 5), std::string(1, isbn10Check(nine))},
            ean12 + ean13Check(ean12), "ISBN"};
}

Written isbn13(const std::string &nine)
{
    const std::string ean12 = "978" + nine;
    return {"ISBN-13", {"978", nine.substr(0, 1), nine.substr(1, 3), nine.substr(4, 5), std::string(1, ean13Check(ean12))},
            ean12 + ean13Check(ean12), "EAN"};
}

Written issn(const std::string &seven)
{
    const std::string ean12 = "977" + seven + "00";
    return {"ISSN", {seven.substr(0, 4), seven.substr(4, 3) + issnCheck(seven)}, ean12 + ean13Check(ean12), "ISSN", true};
}

Written issnEan(const std::string &seven)
{
    // As printed under the bars: 9 770317 847001.
    const std::string ean12 = "977" + seven + "00";
    const std::string ean = ean12 + ean13Check(ean12);
    return {"ISSN's EAN-13", {ean.substr(0, 1), ean.substr(1, 6), ean.substr(7, 6)}, ean, "EAN"};
}

Written ismnWithM(const std::string &eight)
{
    const std::string ean12 = "9790" + eight;
    const char check = ean13Check(ean12);
    return {"ISMN with M", {"M", eight.substr(0, 4), eight.substr(4, 4), std::string(1, check)}, ean12 + check, "ISMN"};
}

Written ismn13(const std::string &eight)
{
    const std::string ean12 = "9790" + eight;
    const char check = ean13Check(ean12);
    return {"ISMN-13", {"979", "0", eight.substr(0, 4), eight.substr(4, 4), std::string(1, check)}, ean12 + check, "EAN"};
}

// The numbers each Bookland symbol is given, every kind of check character among them.
std::vector<Written> coverNumbers(int type)
{
    switch (type) {
    case BarcodeType::BooklandIssn:
        return {issn("0317847"), issn(numberWithCheck("2049360", issnCheck, true)), issnEan("0317847")};
    case BarcodeType::BooklandIsmn:
        return {ismnWithM("26000043"), ismn13("26000043"), ismnWithM("23067118")};
    default:
        return {isbn10("030640615"), isbn10(numberWithCheck("080442950", isbn10Check, true)), isbn13("030640615"),
                isbn13("316148410")};
    }
}

// How the groups are parted: as printed (hyphens, then a blank before what follows), not at
// all, by hyphens throughout, by blanks throughout, or only before what follows.
enum class Parting { AsPrinted, None, Hyphens, Blanks, BeforeExtras };
constexpr Parting Partings[] = {Parting::AsPrinted, Parting::None, Parting::Hyphens, Parting::Blanks,
                                Parting::BeforeExtras};

std::string typedForm(const std::vector<std::string> &groups, const std::vector<std::string> &extras, Parting parting)
{
    const char *inside = parting == Parting::AsPrinted || parting == Parting::Hyphens ? "-"
                         : parting == Parting::Blanks                                 ? " "
                                                                                      : "";
    const char *before = parting == Parting::None ? "" : (parting == Parting::Hyphens ? "-" : " ");
    std::string typed;
    for (size_t i = 0; i < groups.size(); ++i) {
        // An ISMN's M is written M-, its EAN's groups and an EAN under the bars in blanks.
        typed += (i == 0 ? "" : inside) + groups[i];
    }
    for (const std::string &extra : extras)
        typed += before + extra;
    return typed;
}

// What follows the number: an add-on of 2 or 5 digits, and, refused, one of 3. After an ISSN
// as printed first its variant: two digits alone are the variant (as in its bare digits), an
// add-on of two follows a variant, 00 when it has none.
struct Extras
{
    std::string variant;
    std::string addOn;
    bool fits = true;
};

std::vector<Extras> extrasAfter(const Written &written)
{
    if (written.variantAfter)
        return {{"", ""}, {"00", "05"}, {"", "51000"}, {"", "510", false}, {"07", ""}, {"07", "12"}, {"07", "12345"}};
    return {{"", ""}, {"", "05"}, {"", "51000"}, {"", "510", false}};
}

// The bars of one row of the image as modules, from the first bar on: the module and the
// ink spread are measured on the start guard (bar, space, bar of one module each).
std::string rowModules(const QImage &gray, int y)
{
    const uchar *line = gray.constScanLine(y);
    std::vector<int> runs;
    bool dark = false;
    int x0 = -1;
    for (int x = 0; x <= gray.width(); ++x) {
        const bool ink = x < gray.width() && line[x] < 128;
        if (x0 < 0) {
            if (ink) {
                x0 = x;
                dark = true;
            }
            continue;
        }
        if (ink != dark) {
            runs.push_back(x - x0);
            x0 = x;
            dark = ink;
        }
    }
    // The white after the last bar never ends: it is not a run.
    if (runs.size() < 3)
        return {};
    const double module = (runs[0] + runs[1]) / 2.0;
    const double spread = (runs[0] - runs[1]) / 2.0;
    if (!(module >= 1))
        return {};
    std::string modules;
    for (size_t i = 0; i < runs.size(); ++i) {
        const bool bar = i % 2 == 0;
        const long count = std::lround((runs[i] + (bar ? -spread : spread)) / module);
        if (count < 1 || count > 20)
            return {};
        modules.append(size_t(count), bar ? '1' : '0');
    }
    return modules;
}

// The rows of the image that read as zint encodes the EAN with its add-on: below the number
// line and the add-on's digits, where the main symbol's and the add-on's bars both stand.
QImage rowsReadingAsZint(const QImage &image, const std::string &zint)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    int first = -1;
    int last = -1;
    for (int y = 0; y < gray.height(); ++y) {
        if (rowModules(gray, y) == zint) {
            first = first < 0 ? y : first;
            last = y;
        }
    }
    return first < 0 ? QImage() : gray.copy(0, first, gray.width(), last - first + 1);
}

class BooklandCoverForms : public ::testing::Test, public canvastest::CanvasFixture
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("bookland-cover-forms"));
        TLabel label;
        label.width = 2.6f;
        label.height = 1.2f;
        view->setTLabel(label);
        dir = qmtest::freshDir(QStringLiteral("bookland-cover-forms"));
    }

    // The symbol of the typed data on a label exported as a PNG, read back.
    QImage exported(int type, const std::string &typed)
    {
        while (!view->getRects().isEmpty())
            view->removeGraphicAtIndex(0);
        auto barcode = ColorBarcode::create(QRectF(10, 12, 0, 0));
        barcode->setPageName(view->getCurrPageName());
        barcode->setObjectLayer(1);
        TBarInfo info = barcode->getBarInfo();
        info.type = int16_t(type);
        info.setData(typed);
        info.font = qmtest::testFont(8);
        barcode->setBarInfo(info);
        barcode->setDrawBarcode(true);
        view->addGraphic(barcode);
        const QString path = dir + QStringLiteral("/label.png");
        QString error;
        EXPECT_TRUE(view->exportLabelToFile(path, int(ExportFormat::PNG), 300.0, &error)) << error.toStdString();
        return QImage(path);
    }

    QString dir;
};

} // namespace

TEST_F(BooklandCoverForms, EveryFormFromACoverGivesItsEanAndAddOnOrIsRefusedWithItsCheck)
{
    int readForms = 0;
    int refused = 0;
    std::set<std::tuple<int, std::string, std::string>> exportedLabels;
    std::set<std::string> schemes;
    std::set<int> types;
    for (const SymbologyItem &item : symbologyItems()) {
        if (!isBooklandType(item.type))
            continue;
        types.insert(item.type);
        for (const Written &written : coverNumbers(item.type)) {
            schemes.insert(written.scheme);
            for (const Extras &extras : extrasAfter(written)) {
                std::vector<std::string> after;
                for (const std::string &extra : {extras.variant, extras.addOn})
                    if (!extra.empty())
                        after.push_back(extra);
                // The check as printed, a wrong one, and an X where the check is not X (an
                // ISBN's and an ISSN's), a lower-case x where it is.
                std::vector<std::string> checks = {std::string(1, written.check())};
                const bool mayBeX = written.kind == "ISBN" || written.kind == "ISSN";
                checks.push_back(std::string(1, written.check() == '9' || written.check() == 'X' ? '0' : char(written.check() + 1)));
                if (mayBeX)
                    checks.push_back(written.check() == 'X' ? "x" : "X");
                for (const std::string &check : checks) {
                    const bool right = std::toupper(check[0]) == written.check();
                    // Digits that are no add-on typed straight after a wrong check are another
                    // number: nothing tells where this one ends.
                    if (!right && !extras.fits)
                        continue;
                    std::vector<std::string> groups = written.groups;
                    groups.back().back() = check[0];
                    for (const Parting parting : Partings) {
                        // An EAN as printed under its bars keeps its blanks.
                        const Parting used = written.scheme == "ISSN's EAN-13" && parting == Parting::AsPrinted
                                                 ? Parting::Blanks
                                                 : parting;
                        // Nor do three digits straight after an ISSN, which are its bare digits
                        // with a variant and an add-on.
                        if (!extras.fits && used == Parting::None && written.variantAfter)
                            continue;
                        const std::string typed = typedForm(groups, after, used);
                        SCOPED_TRACE(item.name.toStdString() + ", " + written.scheme + ": \"" + typed + "\"");
                        TBarInfo info;
                        info.type = int16_t(item.type);
                        info.setData(typed);
                        const QString problem = BarcodeRenderer::dataProblem(info);
                        if (!right) {
                            ++refused;
                            const char expected = written.check();
                            EXPECT_EQ(problem.toStdString(), "The check digit of " + written.kind + " " + typed + " should be "
                                                                 + std::string(1, expected) + ", not "
                                                                 + std::string(1, char(std::toupper(check[0]))) + ".");
                            continue;
                        }
                        if (!extras.fits) {
                            ++refused;
                            EXPECT_TRUE(problem.endsWith(QStringLiteral("%1 ends in 3 digits after its number: an add-on has 2 or 5.")
                                                             .arg(QString::fromStdString(written.kind + " " + typed)))
                                        || problem
                                               == QStringLiteral("%1 ends in 3 digits after its number: a variant has 2, an add-on 2 or 5.")
                                                      .arg(QString::fromStdString(written.kind + " " + typed)))
                                << problem.toStdString();
                            continue;
                        }
                        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
                        std::string ean = written.ean;
                        if (!extras.variant.empty()) {
                            ean.replace(10, 2, extras.variant);
                            ean.back() = ean13Check(ean.substr(0, 12));
                        }
                        ++readForms;
                        // Forms that give the same number line and symbol give the same label.
                        const BooklandText text = booklandText(info, item.type == BarcodeType::BooklandIsbnPrefixed ? 1 : 0);
                        EXPECT_EQ(upcEanNormalise(text.eanData, BarcodeType::Ean13), ean + extras.addOn);
                        if (!exportedLabels.insert({item.type, text.line, text.eanData}).second)
                            continue;
                        const QImage image = exported(item.type, typed);
                        ASSERT_FALSE(image.isNull());
                        // The label as ZXing scans it: the EAN; the add-on on the rows that
                        // cross it, where it finds one.
                        const auto decoded = bctest::decodeRows(image);
                        ASSERT_TRUE(decoded.has_value());
                        EXPECT_EQ(decoded->format, "EAN-13");
                        EXPECT_TRUE(decoded->text == ean || decoded->text == ean + " " + extras.addOn) << decoded->text;
                        // The whole symbol with its add-on, module for module, as zint encodes
                        // them: this reader's add-on finder does not take bars narrowed by the
                        // default ink spread of 2 mils. Those rows alone read by ZXing too.
                        const std::vector<std::string> zint = bctest::zintRows(
                            {"-b", "13", "--addongap=10", "-d",
                             QString::fromStdString(ean + (extras.addOn.empty() ? "" : "+" + extras.addOn))});
                        ASSERT_EQ(zint.size(), 1u);
                        const QImage rows = rowsReadingAsZint(image, zint.front());
                        ASSERT_FALSE(rows.isNull()) << zint.front();
                        const auto band = bctest::decodeRows(rows.scaled(rows.width(), std::max(rows.height(), 20)));
                        ASSERT_TRUE(band.has_value());
                        EXPECT_TRUE(band->text == ean || band->text == ean + " " + extras.addOn) << band->text;
                    }
                }
            }
        }
    }
    EXPECT_EQ(types.size(), 4u);
    EXPECT_EQ(schemes, (std::set<std::string>{"ISBN-10", "ISBN-13", "ISSN", "ISSN's EAN-13", "ISMN with M", "ISMN-13"}));
    EXPECT_GE(readForms, 300);
    EXPECT_GE(exportedLabels.size(), 35u);
    EXPECT_GE(refused, 350);
}
