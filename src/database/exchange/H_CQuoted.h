#pragma once
// QUOTED-PRINTABLE as vCard files use it.
#include <QByteArray>

namespace quillmark {

class H_CQuoted
{
public:
    // Bytes 33 to 126 are copied except ";" and "="; every other byte becomes "=" and two
    // upper-case hexadecimal digits. With a line length (not -1), a soft break "=" CR LF blank
    // follows once that many characters are written and more bytes follow.
    static QByteArray encode(const QByteArray &bytes, int lineLength = -1);
    // Line ends, and a blank right after one, are skipped; "=" and two hexadecimal digits give
    // that byte; anything else is copied.
    static QByteArray decode(const QByteArray &text);
};

} // namespace quillmark
