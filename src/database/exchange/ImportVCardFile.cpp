#include "database/exchange/ImportVCardFile.h"

#include <QFile>
#include <QStringDecoder>

namespace quillmark {

ImportVCardFile::ImportVCardFile(const QString &path) : _path(path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaximumSize)
        return;
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return;
    _readable = true;
    _cards = getCardsArray(text);
}

QList<CVCard> ImportVCardFile::getCardsArray(const QString &text)
{
    QList<CVCard> cards;
    const QString begin = QStringLiteral("BEGIN:VCARD");
    qsizetype at = text.indexOf(begin, 0, Qt::CaseInsensitive);
    while (at >= 0) {
        const qsizetype start = at + begin.size();
        const qsizetype next = text.indexOf(begin, start, Qt::CaseInsensitive);
        const QString piece = text.mid(start, next < 0 ? -1 : next - start);
        bool ok = false;
        CVCard card = CVCard::fromString(piece, &ok);
        if (ok)
            cards.append(card);
        at = next;
    }
    return cards;
}

} // namespace quillmark
