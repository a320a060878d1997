#pragma once
// A vCard file split into its cards.
#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

#include "database/exchange/CVCard.h"

namespace quillmark {

class ImportVCardFile
{
public:
    // Files larger than this are not read.
    static constexpr qint64 MaximumSize = 256LL * 1024 * 1024;

    // Asked now and then with how far the reading got (0 to 1000); when it answers false the
    // reading stops, with the cards read so far.
    using Progress = std::function<bool(int permille)>;

    // Reads the file; readable() is false when it cannot be read or is not text. The cards'
    // addresses are those of the contact profile given (by default the user's, which only the
    // window's thread reads).
    explicit ImportVCardFile(const QString &path, const Progress &progress = {}, const QString &profile = CVCard::contactProfile());
    bool readable() const { return _readable; }
    const QList<CVCard> &cards() const { return _cards; }
    // The cards of a text: every piece after "BEGIN:VCARD" that has its "END:VCARD".
    static QList<CVCard> getCardsArray(const QString &text, const Progress &progress = {}, const QString &profile = CVCard::contactProfile());
    // The text of a file's bytes, its folded lines unfolded first: UTF-8, UTF-16 with its
    // mark, or line by line the charset a line names or the 8-bit encoding it most likely is.
    // Nothing for bytes that are no text.
    static std::optional<QString> decode(const QByteArray &bytes);
    // The bytes with every folded line joined to the line it continues: a line end followed by
    // one blank or tab goes with the blank, and in a QUOTED-PRINTABLE value a line ending in
    // "=" goes on in the next line, without its "=" and the next line's leading blanks. Done on
    // the bytes, before they are decoded: a writer that folds at 75 octets may cut a character
    // of several bytes in two.
    static QByteArray unfold(const QByteArray &bytes);

private:
    QString _path;
    QList<CVCard> _cards;
    bool _readable = false;
};

} // namespace quillmark
