#pragma once
// Base64 (RFC 4648 alphabet) as vCard files use it.
#include <QByteArray>

namespace quillmark {

class H_CBase64
{
public:
    // Padded with "=", without line breaks.
    static QByteArray encode(const QByteArray &bytes);
    // "=" is ignored; any character outside the alphabet makes the whole result empty. Line
    // breaks and blanks of a folded value are taken out by the caller.
    static QByteArray decode(const QByteArray &text);
};

} // namespace quillmark
