#pragma once
// UPC-A (type 9), UPC-E (10), EAN-13 (11) and EAN-8 (12), each with an optional 2- or 5-digit
// add-on, and the Bookland symbols: an EAN-13 with a number line above it for ISBN (13, and 21
// with the EAN prefix shown), ISSN (14) and ISMN (28).
#include "barcodes/LinearDrawContext.h"
#include "barcodes/TBarInfo.h"

#include <optional>
#include <string>

namespace quillmark {

// True when there are data and every byte is a digit: no data make no symbol, since a code
// of zeros would scan as a real number.
bool upcEanDigitsValid(const std::string &data);
// Check digit of UPC-A, EAN-13 and EAN-8 data digits: weights 3 and 1 from the rightmost digit.
int upcEanCheckDigit(const std::string &digits);
// The UPC-A number (11 digits, number system 0) that six UPC-E digits expand to.
std::string upcEExpand(const std::string &sixDigits);
// The data padded or cut to the type's normalised length with the computed check digit at its
// check position; later digits follow it as the add-on.
std::string upcEanNormalise(const std::string &digits, int type);

// The Bookland prefix of an attachment index: 0 "977", 1 "978", 2 "979", 3 "9790".
std::string booklandPrefix(int attachment);
// The number hyphenated after the characters of the row, followed by its mod-11 check.
std::string formatIsbnWithCheckDigit(int64_t row, const std::string &number);
// How many hyphenation rows there are (rows 0 to count - 1).
int isbnHyphenRowCount();
// Four digits, a hyphen, three digits and the check character.
std::string formatIssnWithCheckDigit(const std::string &number);
// The number line and the EAN data of a Bookland symbol (mode 1: the prefix shown).
struct BooklandText {
    std::string line;
    std::string eanData;
};
BooklandText booklandText(const TBarInfo &info, int mode);
// A Bookland number as the user copies it from a cover. The groups may be parted by hyphens or
// blanks. The number may be typed as printed, ending in its own check character (an ISBN of
// ten, an ISSN of eight, X included; an ISMN's digits after 979-0, or after the M of its older
// form): the check is checked and dropped. It may be typed as its whole EAN-13 with the type's
// prefix (978 or 979 for an ISBN, which then stands in for the prefix chosen in the object),
// with or without its check digit: the EAN is taken as it is, its check checked. Or as its bare
// digits. Any of them may be followed by an add-on of 2 or 5 digits; an ISSN typed as printed
// or bare by its 2-digit variant first: two digits alone are the variant, an add-on of two
// follows one (00 when it has none), one of five may stand alone. Where a hyphen or a
// blank parts the add-on from the number, that is where the number ends; otherwise a whole EAN
// is read first. Digits alone of another length follow the type's prefix as they are.
struct BooklandNumber {
    // A check character that does not match its digits: what was typed, the check its digits
    // give and the one typed.
    struct CheckProblem {
        std::string number;
        std::string expected;
        std::string found;
    };
    // A number parted from digits that are no add-on: what was typed, how many digits follow
    // the number, and whether they could have been an ISSN's variant first.
    struct AddOnProblem {
        std::string number;
        size_t digits = 0;
        bool afterIssn = false;
    };
    bool valid = false;
    std::string prefix; // the EAN prefix the symbol starts with
    std::string digits; // the typed digits after it
    bool prefixTyped = false;
    std::optional<CheckProblem> problem;
    std::optional<AddOnProblem> addOnProblem;
};
// Whether the type is one of the Bookland symbols.
bool isBooklandType(int type);
BooklandNumber booklandNumber(const TBarInfo &info);

void upcEanExtent(TBarInfo &info, LinearDrawContext &ctx);
void upcEExtent(TBarInfo &info, LinearDrawContext &ctx);
void ean8Extent(TBarInfo &info, LinearDrawContext &ctx);

int upcADraw(TBarInfo &info, LinearDrawContext &ctx);
int upcEDraw(TBarInfo &info, LinearDrawContext &ctx);
int ean13Draw(TBarInfo &info, LinearDrawContext &ctx);
int ean8Draw(TBarInfo &info, LinearDrawContext &ctx);
int booklandDraw(TBarInfo &info, LinearDrawContext &ctx, int mode);

} // namespace quillmark
