#pragma once
// A vCard file split into its cards.
#include <QList>
#include <QString>

#include "database/exchange/CVCard.h"

namespace quillmark {

class ImportVCardFile
{
public:
    // Files larger than this are not read.
    static constexpr qint64 MaximumSize = 256LL * 1024 * 1024;

    // Reads the file; readable() is false when it cannot be read or is not UTF-8 text.
    explicit ImportVCardFile(const QString &path);
    bool readable() const { return _readable; }
    const QList<CVCard> &cards() const { return _cards; }
    // The cards of a text: every piece after "BEGIN:VCARD" that has its "END:VCARD".
    static QList<CVCard> getCardsArray(const QString &text);

private:
    QString _path;
    QList<CVCard> _cards;
    bool _readable = false;
};

} // namespace quillmark
