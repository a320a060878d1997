#pragma once
// Text comparison of the user's language for the store's statements: the collation
// "qm_locale" orders names as the user's locale does ("Ñúñez" before "Sørensen"), and the
// function qm_contains(text, part) finds a part regardless of case in any script ("ørsted"
// in "Ørsted", "strasse" in "Straße"). Both are registered on every connection; the user's
// text only ever reaches them as a bound value.
struct sqlite3;

namespace quillmark {

class LocaleCollation
{
public:
    LocaleCollation() = delete;

    static constexpr const char *CollationName = "qm_locale";
    static constexpr const char *ContainsFunction = "qm_contains";

    static void registerOn(sqlite3 *db);
};

} // namespace quillmark
