#include "barcodes/UpcEan.h"

#include "barcodes/LinearBarcodeKit.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <functional>
#include <optional>
#include <vector>

namespace quillmark {

namespace {

constexpr std::array<const char *, 10> Ean13Parity = {
    "LLLLLL", "LLGLGG", "LLGGLG", "LLGGGL", "LGLLGG", "LGGLLG", "LGGGLL", "LGLGLG", "LGLGGL", "LGGLGL",
};
constexpr std::array<const char *, 10> UpcEParity = {
    "GGGLLL", "GGLGLL", "GGLLGL", "GGLLLG", "GLGGLL", "GLLGGL", "GLLLGG", "GLGLGL", "GLGLLG", "GLLGLG",
};
constexpr std::array<std::array<int, 3>, 15> IsbnHyphens = {{
    {1, 8, 9}, {1, 7, 9}, {1, 6, 9}, {1, 5, 9}, {1, 4, 9}, {1, 3, 9}, {2, 8, 9}, {2, 7, 9},
    {2, 6, 9}, {2, 5, 9}, {2, 4, 9}, {3, 8, 9}, {3, 7, 9}, {3, 6, 9}, {3, 5, 9},
}};

int digitAt(const std::string &s, size_t i)
{
    if (i >= s.size())
        return 0;
    const char c = s[i];
    return (c >= '0' && c <= '9') ? c - '0' : 0;
}

size_t checkPosition(int type)
{
    switch (type) {
    case BarcodeType::UpcA:
        return 12;
    case BarcodeType::UpcE:
        return 7;
    case BarcodeType::Ean8:
        return 8;
    default:
        return 13;
    }
}

UpcEanSet setOf(char parity)
{
    return parity == 'G' ? SetG : SetL;
}

bool isBookland(int type)
{
    return type == BarcodeType::BooklandIsbn || type == BarcodeType::BooklandIssn
           || type == BarcodeType::BooklandIsbnPrefixed || type == BarcodeType::BooklandIsmn;
}

// The prefix a Bookland type puts before the typed digits.
std::string booklandTypePrefix(const TBarInfo &info)
{
    if (info.type == BarcodeType::BooklandIssn)
        return "977";
    if (info.type == BarcodeType::BooklandIsmn)
        return "9790";
    return booklandPrefix(info.attachment);
}

QString digitText(const std::string &s, size_t i)
{
    return QString(QChar::fromLatin1(char('0' + digitAt(s, i))));
}

// Draws digits first..last of s centred in equal cells from x.
void drawDigitCells(LinearDrawContext &ctx, const std::string &s, size_t first, size_t last, double x,
                    double cell, double baseline, const QFont &font)
{
    for (size_t i = first; i <= last; ++i) {
        const QString ch = digitText(s, i);
        const double w = LinearDrawContext::textWidth(ch, font);
        drawCharInFont(ctx, font, ch, {baseline, x + double(i - first) * cell + (cell - w) / 2});
    }
}

void drawAddOnText(LinearDrawContext &ctx, const TBarInfo &info, const std::string &addOn, double start)
{
    if (addOn.empty() || info.barH <= 0)
        return;
    const double m = meanModule(info);
    const double cell = addOn.size() == 2 ? 7 * m : 8.6 * m;
    const double baseline = info.pt.v + ctx.resolution * info.TextHeight;
    drawDigitCells(ctx, addOn, 0, addOn.size() - 1, start + 2 * m, cell, baseline, ctx.font);
}

double upcMainBaseline(const LinearDrawContext &ctx, const TBarInfo &info, bool upcA)
{
    const double r = ctx.resolution;
    const PointFontMetrics fm = LinearDrawContext::metrics(ctx.font);
    double y = info.pt.v + (info.barH - ctx.textDrop) * r + fm.ascender + fm.descender + fm.leading + 1;
    if (info.barH == 0)
        y += ctx.textDrop * r - (upcA ? 1 : 0);
    return y;
}

double eanMainBaseline(const LinearDrawContext &ctx, const TBarInfo &info)
{
    const double r = ctx.resolution;
    double y = info.pt.v + r * (info.barH + 3 * info.TextHeight / 16);
    if (info.barH == 0)
        y += ctx.textDrop * r;
    return y;
}

// The number-system and check characters outside a UPC symbol.
void drawUpcOuterCharacters(LinearDrawContext &ctx, const TBarInfo &info, QChar first, QChar last,
                            double endOfLast, double mainBaseline)
{
    const double r = ctx.resolution;
    QFont font = ctx.font;
    double baseline = mainBaseline;
    if (ctx.upcCharactersEqualSize < 1) {
        if (ctx.font.pointSizeF() > 0)
            font.setPointSizeF(ctx.font.pointSizeF() * 0.8);
        baseline = info.pt.v + r * (3 * info.TextHeight / 16 + info.barH);
        if (info.barH == 0)
            baseline += ctx.textDrop * r;
    }
    if (info.sSymbol)
        drawCharInFont(ctx, font, QString(first), {baseline, double(info.pt.h)});
    if (info.eSymbol) {
        const double w = LinearDrawContext::textWidth(QString(last), font);
        drawCharInFont(ctx, font, QString(last), {baseline, endOfLast - w});
    }
}

void upcADrawText(LinearDrawContext &ctx, const TBarInfo &info, const std::string &s)
{
    const double m = meanModule(info);
    const double shift = info.sSymbol ? 10 * m : 0;
    const double start = info.pt.h + 11 * m + shift;
    const double cell = 34 * m / 5;
    const double baseline = upcMainBaseline(ctx, info, true);
    drawDigitCells(ctx, s, 1, 5, start, cell, baseline, ctx.font);
    drawDigitCells(ctx, s, 6, 10, start + 40 * m, cell, baseline, ctx.font);
    if (s.size() > 12)
        drawAddOnText(ctx, info, s.substr(12), info.pt.h + 108 * m + shift);
    drawUpcOuterCharacters(ctx, info, QChar::fromLatin1(char('0' + digitAt(s, 0))),
                           QChar::fromLatin1(char('0' + digitAt(s, 11))), info.pt.h + 105 * m + shift, baseline);
}

void upcEDrawText(LinearDrawContext &ctx, const TBarInfo &info, const std::string &s)
{
    const double m = meanModule(info);
    const double shift = info.sSymbol ? 10 * m : 0;
    const double baseline = upcMainBaseline(ctx, info, false);
    drawDigitCells(ctx, s, 0, 5, info.pt.h + 4 * m + shift, 41 * m / 6, baseline, ctx.font);
    if (s.size() > 7)
        drawAddOnText(ctx, info, s.substr(7), info.pt.h + 63 * m + shift);
    drawUpcOuterCharacters(ctx, info, QLatin1Char('0'), QChar::fromLatin1(char('0' + digitAt(s, 6))),
                           info.pt.h + 61 * m + shift, baseline);
}

void ean13DrawText(LinearDrawContext &ctx, const TBarInfo &info, const std::string &s)
{
    const double m = meanModule(info);
    const double shift = info.sSymbol ? 10 * m : 0;
    const double start = info.pt.h + 4 * m + shift;
    const double cell = 41 * m / 6;
    const double baseline = eanMainBaseline(ctx, info);
    drawDigitCells(ctx, s, 1, 6, start, cell, baseline, ctx.font);
    drawDigitCells(ctx, s, 7, 12, start + 47 * m, cell, baseline, ctx.font);
    if (s.size() > 13)
        drawAddOnText(ctx, info, s.substr(13), info.pt.h + 108 * m + shift);
    if (info.sSymbol)
        drawBarcodeChar(ctx, digitText(s, 0), {baseline, double(info.pt.h)});
    if (info.eSymbol) {
        const double r18 = ctx.resolution / 18.0;
        const double end = info.pt.h - std::trunc(r18) + (info.BarRect.right - info.BarRect.left) - r18;
        const QString mark = QStringLiteral(">");
        drawBarcodeChar(ctx, mark, {baseline, end - LinearDrawContext::textWidth(mark, ctx.font)});
    }
}

void ean8DrawText(LinearDrawContext &ctx, const TBarInfo &info, const std::string &s)
{
    const double m = meanModule(info);
    const double start = info.pt.h + 4 * m;
    const double baseline = eanMainBaseline(ctx, info);
    drawDigitCells(ctx, s, 0, 3, start, 7 * m, baseline, ctx.font);
    drawDigitCells(ctx, s, 4, 7, start + 32 * m, 7 * m, baseline, ctx.font);
    if (s.size() > 8)
        drawAddOnText(ctx, info, s.substr(8), info.pt.h + 78 * m);
}

void centreGuard(LinearDrawContext &ctx, BarPosition &pos, const TBarInfo &info)
{
    pos.x += info.spaceW;
    drawUpcEanGuardBars(ctx, pos, info, 2);
    pos.x += info.spaceW;
}

void finishExtent(TBarInfo &info, LinearDrawContext &ctx, bool valid, double width)
{
    const double r = ctx.resolution;
    if (!valid) {
        setExtentRect(info, invalidDataTextWidth(info, ctx), info.barH == 0 ? ctx.textDrop * r : info.barH * r,
                      ctx.resolution);
        return;
    }
    setExtentRect(info, width, info.barH * r + (info.HRT ? ctx.textDrop * r : 0), ctx.resolution);
}

// The text without blanks at either end.
std::string trimmedText(const std::string &text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

bool upcEanDigitsValid(const std::string &data)
{
    if (data.empty())
        return false;
    for (char c : data) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

int upcEanCheckDigit(const std::string &digits)
{
    int sum = 0;
    int weight = 3;
    for (size_t i = digits.size(); i > 0; --i) {
        sum += weight * digitAt(digits, i - 1);
        weight = weight == 3 ? 1 : 3;
    }
    return (10 - sum % 10) % 10;
}

std::string upcEExpand(const std::string &d)
{
    auto c = [&](size_t i) { return char('0' + digitAt(d, i - 1)); };
    const int last = digitAt(d, 5);
    std::string out = "0";
    if (last <= 2)
        out += std::string{c(1), c(2), c(6), '0', '0', '0', '0', c(3), c(4), c(5)};
    else if (last == 3)
        out += std::string{c(1), c(2), c(3), '0', '0', '0', '0', '0', c(4), c(5)};
    else if (last == 4)
        out += std::string{c(1), c(2), c(3), c(4), '0', '0', '0', '0', '0', c(5)};
    else
        out += std::string{c(1), c(2), c(3), c(4), c(5), '0', '0', '0', '0', c(6)};
    return out;
}

std::string upcEanNormalise(const std::string &digits, int type)
{
    const size_t check = checkPosition(type);
    const size_t n = digits.size();
    const size_t target = n <= check ? check : (n <= check + 2 ? check + 2 : check + 5);
    std::string s = digits.substr(0, std::min(n, target));
    s.resize(target, '0');
    const int checkDigit = type == BarcodeType::UpcE ? upcEanCheckDigit(upcEExpand(s.substr(0, 6)))
                                                     : upcEanCheckDigit(s.substr(0, check - 1));
    s.insert(s.begin() + std::ptrdiff_t(check - 1), char('0' + checkDigit));
    s.pop_back();
    return s;
}

std::string booklandPrefix(int attachment)
{
    switch (attachment) {
    case 0:
        return "977";
    case 2:
        return "979";
    case 3:
        return "9790";
    default:
        return "978";
    }
}

std::string formatIsbnWithCheckDigit(int64_t row, const std::string &number)
{
    if (number.empty())
        return "0";
    const auto &hyphens = IsbnHyphens[size_t(row >= 0 && row < int64_t(IsbnHyphens.size()) ? row : 0)];
    std::string out;
    int sum = 0;
    for (size_t i = 0; i < number.size(); ++i) {
        out.push_back(number[i]);
        const size_t count = i + 1;
        if (count == size_t(hyphens[0]) || count == size_t(hyphens[1]) || count == size_t(hyphens[2]))
            out.push_back('-');
        if (count <= 9)
            sum += int(count) * digitAt(number, i);
    }
    const int check = sum % 11;
    out.push_back(check == 10 ? 'X' : char('0' + check));
    return out;
}

int isbnHyphenRowCount()
{
    return int(IsbnHyphens.size());
}

std::string formatIssnWithCheckDigit(const std::string &number)
{
    std::string d = number.substr(0, std::min<size_t>(number.size(), 7));
    d.resize(7, '0');
    int sum = 0;
    for (size_t i = 0; i < 7; ++i)
        sum += int(8 - i) * digitAt(d, i);
    const int r = sum % 11;
    const char check = r == 0 ? '0' : (r == 1 ? 'X' : char('0' + 11 - r));
    return d.substr(0, 4) + "-" + d.substr(4, 3) + check;
}

bool isBooklandType(int type)
{
    return isBookland(type);
}

namespace {

// The ways a Bookland number is written: its whole EAN-13 (the check digit typed or not), the
// number as printed under its scheme's name, ending in its own check character, or its bare
// digits without any check.
enum class Written { EanWithCheck, EanWithoutCheck, Printed, Bare };

struct Reading
{
    Written written;
    size_t main = 0;  // characters of the number itself
    size_t extra = 0; // digits after it: an ISSN's variant and the add-on
    std::string prefix;
};

bool allDigits(const std::string &s, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

// The digits that may follow a number: an add-on of two or five; after an ISSN (not in its
// EAN, which holds it) first the two digits of its variant, then the add-on.
bool extraFits(size_t extra, bool issnVariant)
{
    if (issnVariant)
        return extra == 0 || extra == 2 || extra == 4 || extra == 5 || extra == 7;
    return extra == 0 || extra == 2 || extra == 5;
}

} // namespace

BooklandNumber booklandNumber(const TBarInfo &info)
{
    BooklandNumber number;
    number.prefix = booklandTypePrefix(info);
    const std::string typed = info.shortData();
    const bool isbn = info.type == BarcodeType::BooklandIsbn || info.type == BarcodeType::BooklandIsbnPrefixed;
    const bool issn = info.type == BarcodeType::BooklandIssn;
    const bool ismn = !isbn && !issn;
    const std::string kind = isbn ? "ISBN" : (issn ? "ISSN" : "ISMN");

    // The characters without the hyphens and blanks that part their groups, and where the
    // groups were parted (counted in characters kept).
    std::string text;
    std::vector<size_t> cuts;
    for (char c : typed) {
        if (c == '-' || c == ' ') {
            if (!text.empty() && (cuts.empty() || cuts.back() != text.size()))
                cuts.push_back(text.size());
            continue;
        }
        text.push_back(c);
    }
    if (!cuts.empty() && cuts.back() == text.size())
        cuts.pop_back();
    // The M of an ISMN's older form stands for 979-0.
    bool withM = false;
    if (ismn && !text.empty() && (text.front() == 'M' || text.front() == 'm')) {
        withM = true;
        text.erase(0, 1);
        for (size_t &cut : cuts)
            --cut;
        std::erase(cuts, size_t(0));
    }
    const size_t n = text.size();
    auto cutAt = [&](size_t at) { return std::find(cuts.begin(), cuts.end(), at) != cuts.end(); };

    // Every way the characters may be read.
    // An ISBN's EAN starts 978 or 979 whatever prefix the object would put before its digits.
    std::vector<std::string> eanPrefixes = {number.prefix};
    if (isbn) {
        eanPrefixes = {"978", "979"};
        if (number.prefix == "977")
            eanPrefixes.push_back(number.prefix);
    }
    const size_t printedLength = isbn ? 10 : (issn ? 8 : 9);
    // The check character a number as printed ends in: an ISMN's is its EAN's.
    auto printedCheck = [&](const std::string &digits) {
        return isbn ? formatIsbnWithCheckDigit(0, digits).back()
                    : (issn ? formatIssnWithCheckDigit(digits).back() : char('0' + upcEanCheckDigit("9790" + digits)));
    };
    const size_t bareLength = printedLength - 1;
    std::vector<Reading> readings;
    if (!withM) {
        for (const std::string &prefix : eanPrefixes) {
            if (text.compare(0, prefix.size(), prefix) != 0)
                continue;
            for (const size_t main : {size_t(13), size_t(12)})
                if (n >= main && extraFits(n - main, false) && allDigits(text, 0, n))
                    readings.push_back({main == 13 ? Written::EanWithCheck : Written::EanWithoutCheck, main, n - main, prefix});
        }
    }
    if (n >= printedLength && extraFits(n - printedLength, issn) && allDigits(text, 0, printedLength - 1)
        && allDigits(text, printedLength, n)) {
        const char last = char(std::toupper(static_cast<unsigned char>(text[printedLength - 1])));
        if ((last >= '0' && last <= '9') || (!ismn && last == 'X'))
            readings.push_back({Written::Printed, printedLength, n - printedLength, number.prefix});
    }
    if (n >= bareLength && extraFits(n - bareLength, issn) && allDigits(text, 0, n))
        readings.push_back({Written::Bare, bareLength, n - bareLength, number.prefix});

    // Where the user parted the add-on (or an ISSN's variant) from the number by a hyphen or
    // a blank, the reading that ends the number there wins; otherwise the order above, whole
    // EAN first: a check typed is a check to make.
    auto partedThere = [&](const Reading &r) { return r.extra > 0 && cutAt(r.main); };
    // A hyphen or a blank inside the add-on (but between an ISSN's variant and its add-on)
    // says the number does not end there.
    std::erase_if(readings, [&](const Reading &r) {
        const bool variantFirst = issn && (r.written == Written::Printed || r.written == Written::Bare)
                                  && (r.extra == 4 || r.extra == 7);
        return std::any_of(cuts.begin(), cuts.end(), [&](size_t cut) {
            return cut > r.main && !(variantFirst && cut == r.main + 2);
        });
    });
    std::stable_sort(readings.begin(), readings.end(),
                     [&](const Reading &a, const Reading &b) { return partedThere(a) && !partedThere(b); });

    auto refuse = [&](const std::string &what, char expected, char found) {
        number.problem = BooklandNumber::CheckProblem{what + " " + trimmedText(typed), std::string(1, expected),
                                                      std::string(1, found)};
        return number;
    };
    if (!readings.empty()) {
        const Reading &r = readings.front();
        const std::string extra = text.substr(r.main);
        switch (r.written) {
        case Written::EanWithCheck:
        case Written::EanWithoutCheck:
            if (r.written == Written::EanWithCheck) {
                const char check = char('0' + upcEanCheckDigit(text.substr(0, 12)));
                if (text[12] != check)
                    return refuse("EAN", check, text[12]);
            }
            number.prefix = r.prefix;
            number.prefixTyped = true;
            number.digits = text.substr(r.prefix.size(), 12 - r.prefix.size()) + extra;
            break;
        case Written::Printed: {
            const std::string digits = text.substr(0, r.main - 1);
            const char last = char(std::toupper(static_cast<unsigned char>(text[r.main - 1])));
            const char check = printedCheck(digits);
            if (last != check)
                return refuse(kind, check, last);
            number.digits = digits + extra;
            break;
        }
        case Written::Bare:
            number.digits = text.substr(0, r.main) + extra;
            break;
        }
        // An ISSN's add-on typed without its variant follows the variant 00.
        if (issn && r.written != Written::EanWithCheck && r.written != Written::EanWithoutCheck && r.extra == 5)
            number.digits.insert(7, "00");
        number.valid = true;
        return number;
    }

    // A number as printed or as its EAN, then digits that are no add-on (or not parted as
    // one): the reason is the number's check when it is wrong, else the add-on.
    const bool eanPrefixed = !withM && std::any_of(eanPrefixes.begin(), eanPrefixes.end(), [&](const std::string &p) {
        return text.compare(0, p.size(), p) == 0;
    });
    auto lastOf = [&](size_t end) { return char(std::toupper(static_cast<unsigned char>(text[end - 1]))); };
    // Not parted, more digits than the number has: a whole EAN after its prefix, else the
    // number as printed.
    std::vector<size_t> ends = cuts;
    if (n > 13 && eanPrefixed)
        ends.push_back(13);
    else if (n > printedLength)
        ends.push_back(printedLength);
    std::sort(ends.begin(), ends.end(), std::greater<>());
    for (const size_t end : ends) {
        const bool ean = eanPrefixed && (end == 12 || end == 13) && allDigits(text, 0, end);
        const bool printed = end == bareLength
                             || (end == printedLength && allDigits(text, 0, end - 1)
                                 && ((lastOf(end) >= '0' && lastOf(end) <= '9') || (!ismn && lastOf(end) == 'X')));
        if ((ean || printed) && end < n && allDigits(text, end, n)) {
            // A check typed wrong is the first thing to put right.
            if (ean && end == 13 && text[12] != char('0' + upcEanCheckDigit(text.substr(0, 12))))
                return refuse("EAN", char('0' + upcEanCheckDigit(text.substr(0, 12))), text[12]);
            if (!ean && end == printedLength && lastOf(end) != printedCheck(text.substr(0, end - 1)))
                return refuse(kind, printedCheck(text.substr(0, end - 1)), lastOf(end));
            number.addOnProblem =
                BooklandNumber::AddOnProblem{(ean ? "EAN " : kind + " ") + trimmedText(typed), n - end, issn && !ean};
            return number;
        }
    }
    // Digits alone, not parted, follow the prefix as they are (padded or cut to the symbol).
    if (withM || !cuts.empty() || !upcEanDigitsValid(text))
        return number;
    number.digits = text;
    number.valid = true;
    return number;
}

BooklandText booklandText(const TBarInfo &info, int mode)
{
    const BooklandNumber typed = booklandNumber(info);
    const std::string &data = typed.digits;
    const std::string &prefix = typed.prefix;
    BooklandText t;
    switch (info.type) {
    case BarcodeType::BooklandIssn:
        t.line = "ISSN  " + formatIssnWithCheckDigit(data.substr(0, std::min<size_t>(data.size(), 7)));
        break;
    case BarcodeType::BooklandIsmn: {
        const std::string number = ("0" + data).substr(0, 9);
        t.line = "ISMN 979-" + formatIsbnWithCheckDigit(info.isbnFormat, number);
        break;
    }
    default: {
        const std::string number = formatIsbnWithCheckDigit(info.isbnFormat, data.substr(0, std::min<size_t>(data.size(), 9)));
        // A 979 number has no ten-digit form: typed whole, it is shown whole.
        if (typed.prefixTyped && prefix == "979")
            mode = 1;
        t.line = mode == 1 ? "ISBN  " + prefix + "-" + number : "ISBN  " + number;
        break;
    }
    }
    t.eanData = prefix + data;
    if (mode == 1 || info.type == BarcodeType::BooklandIsmn) {
        // The ten-digit check of the line gives way to the check of the thirteen-digit number.
        const std::string first12 = upcEanNormalise(t.eanData, BarcodeType::Ean13).substr(0, 12);
        t.line.back() = char('0' + upcEanCheckDigit(first12));
    }
    return t;
}

namespace {

// How a UPC or EAN symbol measures: its bars take `modules` modules; with the digits shown, the
// number-system digit printed before it takes ten modules and so does the mark after it (which
// UPC symbols leave out when an add-on follows); an add-on past the `mainDigits` takes 32
// modules for two digits, 57 for five.
struct UpcEanMeasure
{
    int modules;
    size_t mainDigits;
    bool digitsBeside;
    bool markBesideAddOn;
};

void measureUpcEan(TBarInfo &info, LinearDrawContext &ctx, const UpcEanMeasure &measure, bool bookland = false)
{
    const std::string data = info.shortData();
    const BooklandNumber number = bookland ? booklandNumber(info) : BooklandNumber{};
    if (bookland ? !number.valid : !upcEanDigitsValid(data)) {
        finishExtent(info, ctx, false, 0);
        return;
    }
    const double m = meanModule(info);
    const size_t n = bookland ? number.prefix.size() + number.digits.size() : data.size();
    double width = measure.modules * m;
    if (measure.digitsBeside && info.HRT) {
        width += info.sSymbol ? 10 * m : 0;
        width += (info.eSymbol && (measure.markBesideAddOn || n <= measure.mainDigits)) ? 10 * m : 0;
    }
    if (n > measure.mainDigits)
        width += n < measure.mainDigits + 3 ? 32 * m : 57 * m;
    finishExtent(info, ctx, true, width);
}

} // namespace

void upcEanExtent(TBarInfo &info, LinearDrawContext &ctx)
{
    if (info.type == BarcodeType::UpcA)
        measureUpcEan(info, ctx, {95, 12, true, false});
    else
        measureUpcEan(info, ctx, {95, 13, true, true}, isBookland(info.type));
}

void upcEExtent(TBarInfo &info, LinearDrawContext &ctx)
{
    measureUpcEan(info, ctx, {51, 7, true, false});
}

void ean8Extent(TBarInfo &info, LinearDrawContext &ctx)
{
    measureUpcEan(info, ctx, {67, 8, false, false});
}

namespace {

using UpcEanTextFn = void (*)(LinearDrawContext &, const TBarInfo &, const std::string &);

struct UpcEanSymbol {
    std::string s;
    bool text = false;
    BarPosition pos;
};

// The text goes down before the bars because, for the kinds that print the number-system digit
// outside the symbol, it decides where the first bar stands.
std::optional<UpcEanSymbol> beginUpcEanSymbol(TBarInfo &info, LinearDrawContext &ctx, int type,
                                              UpcEanTextFn drawText, bool roomForSystemDigit)
{
    const std::string data = info.shortData();
    if (!upcEanDigitsValid(data))
        return std::nullopt;
    UpcEanSymbol sym{upcEanNormalise(data, type), info.HRT != 0, {double(info.pt.v), double(info.pt.h)}};
    if (sym.text) {
        drawText(ctx, info, sym.s);
        if (roomForSystemDigit && info.sSymbol)
            sym.pos.x += 10 * meanModule(info);
    }
    drawUpcEanGuardBars(ctx, sym.pos, info, 2);
    return sym;
}

// Normalised digits are either the bare symbol or the symbol followed by a whole add-on, so anything
// past the main digits is an add-on.
int endUpcEanSymbol(LinearDrawContext &ctx, UpcEanSymbol &sym, const TBarInfo &info, int closingGuardBars,
                    size_t mainDigits)
{
    drawUpcEanGuardBars(ctx, sym.pos, info, closingGuardBars);
    if (sym.s.size() > mainDigits)
        drawUpcEanAddOn(ctx, sym.pos, info, sym.s.substr(mainDigits));
    return 1;
}

} // namespace

int upcADraw(TBarInfo &info, LinearDrawContext &ctx)
{
    auto sym = beginUpcEanSymbol(info, ctx, BarcodeType::UpcA, upcADrawText, true);
    if (!sym)
        return 0;
    const std::string &s = sym->s;
    drawUpcEanDigitBars(ctx, sym->pos, digitAt(s, 0), info, SetL, false, false);
    for (size_t i = 1; i <= 5; ++i)
        drawUpcEanDigitBars(ctx, sym->pos, digitAt(s, i), info, SetL, false, sym->text);
    centreGuard(ctx, sym->pos, info);
    for (size_t i = 6; i <= 10; ++i)
        drawUpcEanDigitBars(ctx, sym->pos, digitAt(s, i), info, SetR, false, sym->text);
    drawUpcEanDigitBars(ctx, sym->pos, digitAt(s, 11), info, SetR, false, false);
    return endUpcEanSymbol(ctx, *sym, info, 2, 12);
}

int upcEDraw(TBarInfo &info, LinearDrawContext &ctx)
{
    auto sym = beginUpcEanSymbol(info, ctx, BarcodeType::UpcE, upcEDrawText, true);
    if (!sym)
        return 0;
    const std::string &s = sym->s;
    const char *parity = UpcEParity[size_t(digitAt(s, 6))];
    for (size_t i = 0; i < 6; ++i)
        drawUpcEanDigitBars(ctx, sym->pos, digitAt(s, i), info, setOf(parity[i]), false, sym->text);
    sym->pos.x += info.spaceW;
    return endUpcEanSymbol(ctx, *sym, info, 3, 7);
}

int ean13Draw(TBarInfo &info, LinearDrawContext &ctx)
{
    auto sym = beginUpcEanSymbol(info, ctx, BarcodeType::Ean13, ean13DrawText, true);
    if (!sym)
        return 0;
    const std::string &s = sym->s;
    const char *parity = Ean13Parity[size_t(digitAt(s, 0))];
    for (size_t i = 1; i <= 6; ++i)
        drawUpcEanDigitBars(ctx, sym->pos, digitAt(s, i), info, setOf(parity[i - 1]), false, sym->text);
    centreGuard(ctx, sym->pos, info);
    for (size_t i = 7; i <= 12; ++i)
        drawUpcEanDigitBars(ctx, sym->pos, digitAt(s, i), info, SetR, false, sym->text);
    return endUpcEanSymbol(ctx, *sym, info, 2, 13);
}

int ean8Draw(TBarInfo &info, LinearDrawContext &ctx)
{
    auto sym = beginUpcEanSymbol(info, ctx, BarcodeType::Ean8, ean8DrawText, false);
    if (!sym)
        return 0;
    const std::string &s = sym->s;
    for (size_t i = 0; i < 4; ++i)
        drawUpcEanDigitBars(ctx, sym->pos, digitAt(s, i), info, SetL, false, sym->text);
    centreGuard(ctx, sym->pos, info);
    for (size_t i = 4; i < 8; ++i)
        drawUpcEanDigitBars(ctx, sym->pos, digitAt(s, i), info, SetR, false, sym->text);
    return endUpcEanSymbol(ctx, *sym, info, 2, 8);
}

int booklandDraw(TBarInfo &info, LinearDrawContext &ctx, int mode)
{
    if (!booklandNumber(info).valid)
        return 0;
    const double r = ctx.resolution;
    const BooklandText t = booklandText(info, mode);
    const QString line = QString::fromStdString(t.line);
    info.setData(t.eanData);

    const double limit = std::trunc(info.BarRect.right - 2 * r / 18.0);
    info.TextHeight = barcodeTextMetrics(ctx, ctx.font, 72);
    auto sized = [&](int size) {
        QFont f = ctx.font;
        f.setPointSizeF(size > 0 ? size : 1);
        return f;
    };
    int s = int(std::trunc(r * info.TextHeight));
    while (s > 0 && LinearDrawContext::textWidth(line, sized(s)) > limit)
        --s;
    bool placed = false;
    double textV = 0;
    double textH = 0;
    if (s >= 2 && info.barH > 0) {
        const PointFontMetrics fm = LinearDrawContext::metrics(sized(s));
        const double lineHeight = std::trunc(fm.ascender - fm.descender);
        textV = std::trunc(info.pt.v + lineHeight + fm.descender);
        textH = std::trunc(info.pt.h + r / 18.0);
        info.pt.v = clampShort(info.pt.v + lineHeight + 2 * r / 72.0);
        info.barH -= lineHeight / r;
        placed = true;
    }
    const int drawn = ean13Draw(info, ctx);

    int s2 = int(std::trunc(ctx.font.pointSizeF()));
    while (s2 > 0 && LinearDrawContext::textWidth(line, sized(s2)) > limit)
        --s2;
    if (drawn && placed && s2 >= 2 && info.barH > 0)
        drawPstrInFont(ctx, sized(s2), t.line, textV, textH);
    return drawn;
}

} // namespace quillmark
