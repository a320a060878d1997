#include "database/exchange/ImportVCardFile.h"

#include "database/exchange/DelimitedText.h"
#include "platform/GuardedReader.h"

#include <QStringDecoder>

#include <unicode/unistr.h>

namespace quillmark {

ImportVCardFile::ImportVCardFile(const QString &path, const Progress &progress, const QString &profile) : _path(path)
{
    // Any file the user chose: a FIFO or a device in its place is refused at once.
    const std::optional<QByteArray> bytes = GuardedReader::read(path, MaximumSize);
    if (!bytes)
        return;
    const std::optional<QString> text = decode(*bytes);
    if (!text)
        return;
    _readable = true;
    // Reading and decoding the file take about a tenth of the time, its cards the rest.
    if (progress && !progress(100))
        return;
    _cards = getCardsArray(*text, progress ? Progress([&](int permille) { return progress(100 + permille * 9 / 10); }) : Progress(), profile);
}

std::optional<QString> ImportVCardFile::decode(const QByteArray &bytes)
{
    // UTF-8 (most files), or UTF-16 with its byte order mark; a zero byte elsewhere means it is
    // no text at all (a picture, an address book program's own file).
    QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    if (body.startsWith("\xFF\xFE") || body.startsWith("\xFE\xFF"))
        return DelimitedText::decode(body);
    if (body.contains('\0'))
        return std::nullopt;
    body = unfold(body);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString whole = utf8.decode(body);
    if (!utf8.hasError())
        return whole;
    // Cards of older phones and programs: a line in the CHARSET it names (ISO-8859-1 ...),
    // or, naming none, in the 8-bit encoding it most likely is; the other lines stay UTF-8.
    QString text;
    text.reserve(body.size());
    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype end = body.indexOf('\n', start);
        end = end < 0 ? body.size() : end + 1;
        const QByteArray line = body.mid(start, end - start);
        start = end;
        QStringDecoder lineUtf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString decoded = lineUtf8.decode(line);
        if (!lineUtf8.hasError()) {
            text += decoded;
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        const QByteArray head = (colon < 0 ? line : line.left(colon)).toUpper();
        const qsizetype named = head.indexOf("CHARSET=");
        if (named >= 0) {
            QByteArray charset = head.mid(named + 8);
            const qsizetype stop = charset.indexOf(';');
            charset = stop < 0 ? charset : charset.left(stop);
            charset.replace('"', QByteArray());
            const icu::UnicodeString converted(line.constData(), int32_t(line.size()), charset.trimmed().constData());
            if (!converted.isBogus()) {
                text += QString(reinterpret_cast<const QChar *>(converted.getBuffer()), converted.length());
                continue;
            }
        }
        const std::optional<QString> guessed = DelimitedText::decode(line);
        if (!guessed)
            return std::nullopt;
        text += *guessed;
    }
    return text;
}

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Whether a property's head (the text before its value's colon) names QUOTED-PRINTABLE.
bool namesQuotedPrintable(QByteArrayView head)
{
    if (!head.contains(';'))
        return false;
    const QByteArray upper = head.toByteArray().toUpper();
    return upper.contains("QUOTED-PRINTABLE") || upper.contains("ENCODING=Q");
}

} // namespace

QByteArray ImportVCardFile::unfold(const QByteArray &bytes)
{
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    QByteArray out;
    out.reserve(size);
    // Where the logical line being joined begins in `out`, and whether its value is
    // QUOTED-PRINTABLE (read from its head once, when its first line ends).
    qsizetype logical = 0;
    qsizetype headRead = -1;
    bool quoted = false;
    qsizetype at = 0;
    while (at < size) {
        qsizetype end = at;
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        out.append(data + at, end - at);
        if (end >= size)
            break;
        qsizetype next = end + 1;
        if (data[end] == '\r' && next < size && data[next] == '\n')
            ++next;
        if (headRead != logical) {
            headRead = logical;
            const QByteArrayView line = QByteArrayView(out).sliced(logical);
            const qsizetype colon = line.indexOf(':');
            quoted = namesQuotedPrintable(colon < 0 ? line : line.first(colon));
        }
        // A soft line break of QUOTED-PRINTABLE: its blanks are folding too.
        if (quoted && out.size() > logical && out.endsWith('=') && next < size) {
            out.chop(1);
            at = next;
            while (at < size && isBlank(data[at]))
                ++at;
            continue;
        }
        if (next < size && isBlank(data[next])) {
            at = next + 1;
            continue;
        }
        out.append(data + end, next - end);
        logical = out.size();
        at = next;
    }
    return out;
}

QList<CVCard> ImportVCardFile::getCardsArray(const QString &text, const Progress &progress, const QString &profile)
{
    QList<CVCard> cards;
    const QString begin = QStringLiteral("BEGIN:VCARD");
    qsizetype at = text.indexOf(begin, 0, Qt::CaseInsensitive);
    int pieces = 0;
    while (at >= 0) {
        if (progress && (++pieces & 255) == 0 && !progress(int(qint64(at) * 1000 / qMax<qsizetype>(1, text.size()))))
            break;
        const qsizetype start = at + begin.size();
        const qsizetype next = text.indexOf(begin, start, Qt::CaseInsensitive);
        const QString piece = text.mid(start, next < 0 ? -1 : next - start);
        bool ok = false;
        CVCard card = CVCard::fromString(piece, &ok, profile);
        if (ok)
            cards.append(card);
        at = next;
    }
    return cards;
}

} // namespace quillmark
