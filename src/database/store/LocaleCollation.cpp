#include "database/store/LocaleCollation.h"

#include <QLocale>

#include <cstring>
#include <memory>

#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/unistr.h>

namespace quillmark {

namespace {

// One collator of the user's locale per thread: a collator must not be used by two threads
// at once, and opening one for every connection would cost more than the sorts it serves.
struct CollatorCloser
{
    void operator()(UCollator *c) const { ucol_close(c); }
};

UCollator *collator()
{
    thread_local std::unique_ptr<UCollator, CollatorCloser> shared = [] {
        UErrorCode status = U_ZERO_ERROR;
        UCollator *opened = ucol_open(QLocale().name().toLatin1().constData(), &status);
        if (U_FAILURE(status)) {
            ucol_close(opened);
            opened = nullptr;
        } else {
            // Letters that differ only in case are equal, as lower() made them: the next sort
            // level decides between "Lee" and "lee". Accents still count.
            ucol_setStrength(opened, UCOL_SECONDARY);
        }
        return std::unique_ptr<UCollator, CollatorCloser>(opened);
    }();
    return shared.get();
}

int compareInLocale(void *, int leftLength, const void *left, int rightLength, const void *right)
{
    UCollator *c = collator();
    if (!c) {
        const int common = leftLength < rightLength ? leftLength : rightLength;
        const int byBytes = memcmp(left, right, size_t(common));
        return byBytes != 0 ? byBytes : leftLength - rightLength;
    }
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result = ucol_strcollUTF8(c, static_cast<const char *>(left), leftLength,
                                                     static_cast<const char *>(right), rightLength, &status);
    if (U_FAILURE(status))
        return 0;
    return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
}

icu::UnicodeString folded(sqlite3_value *value)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    icu::UnicodeString string = icu::UnicodeString::fromUTF8(icu::StringPiece(text ? text : "", sqlite3_value_bytes(value)));
    string.foldCase();
    return string;
}

void deleteFolded(void *data)
{
    delete static_cast<icu::UnicodeString *>(data);
}

void containsIgnoringCase(sqlite3_context *context, int, sqlite3_value **arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL || sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    // The part looked for is the same for every row of a statement: folded once.
    auto *part = static_cast<icu::UnicodeString *>(sqlite3_get_auxdata(context, 1));
    if (!part) {
        part = new icu::UnicodeString(folded(arguments[1]));
        sqlite3_set_auxdata(context, 1, part, &deleteFolded);
        part = static_cast<icu::UnicodeString *>(sqlite3_get_auxdata(context, 1));
        if (!part) {
            // SQLite dropped it at once (out of memory): fold again for this row.
            const icu::UnicodeString again = folded(arguments[1]);
            sqlite3_result_int(context, folded(arguments[0]).indexOf(again) >= 0 ? 1 : 0);
            return;
        }
    }
    sqlite3_result_int(context, folded(arguments[0]).indexOf(*part) >= 0 ? 1 : 0);
}

} // namespace

void LocaleCollation::registerOn(sqlite3 *db)
{
    if (!db)
        return;
    sqlite3_create_collation(db, CollationName, SQLITE_UTF8, nullptr, &compareInLocale);
    sqlite3_create_function(db, ContainsFunction, 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &containsIgnoringCase,
                            nullptr, nullptr);
}

} // namespace quillmark
