#include "database/exchange/H_CQuoted.h"

namespace quillmark {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

QByteArray H_CQuoted::encode(const QByteArray &bytes, int lineLength)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size() * 3);
    int counter = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes.at(i));
        if ((b >= 33 && b <= 60 && b != ';') || (b >= 62 && b <= 126)) {
            out += char(b);
            counter += 1;
        } else {
            out += '=';
            out += digits[b >> 4];
            out += digits[b & 15];
            counter += 3;
        }
        if (lineLength > 0 && counter >= lineLength && i + 1 < bytes.size()) {
            out += "=\r\n ";
            counter = 0;
        }
    }
    return out;
}

QByteArray H_CQuoted::decode(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    bool afterLineEnd = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '\r' || c == '\n') {
            afterLineEnd = true;
            continue;
        }
        if (afterLineEnd && (c == ' ' || c == '\t')) {
            afterLineEnd = false;
            continue;
        }
        afterLineEnd = false;
        if (c == '=' && i + 2 < text.size() + 0 && hexValue(text.at(i + 1)) >= 0 && hexValue(text.at(i + 2)) >= 0) {
            out += char(hexValue(text.at(i + 1)) * 16 + hexValue(text.at(i + 2)));
            i += 2;
            continue;
        }
        out += c;
    }
    return out;
}

} // namespace quillmark
