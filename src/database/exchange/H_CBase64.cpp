#include "database/exchange/H_CBase64.h"

namespace quillmark {

QByteArray H_CBase64::encode(const QByteArray &bytes)
{
    return bytes.toBase64();
}

QByteArray H_CBase64::decode(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() * 3 / 4);
    quint32 buffer = 0;
    int bits = 0;
    for (char c : text) {
        int value;
        if (c >= 'A' && c <= 'Z')
            value = c - 'A';
        else if (c >= 'a' && c <= 'z')
            value = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            value = c - '0' + 52;
        else if (c == '+')
            value = 62;
        else if (c == '/')
            value = 63;
        else if (c == '=')
            continue;
        else
            return QByteArray();
        buffer = (buffer << 6) | quint32(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += char((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

} // namespace quillmark
