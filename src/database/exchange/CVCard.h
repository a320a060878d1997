#pragma once
// One vCard: read from the text of a card into values keyed by database column names, and
// written back as vCard 3.0. Which address is read and written follows the contact profile
// (the user default "profileContacts", "Work" or "Home").
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace quillmark {

class CVCard
{
public:
    // Encodings of a value.
    enum Encoding { Plain = 0, QuotedPrintable = 1, Base64 = 2 };

    // An empty card.
    CVCard() = default;
    // The text of a card after "BEGIN:VCARD"; ok is false when it has no "END:VCARD". The
    // address read is that of the contact profile given (by default the user's).
    static CVCard fromString(const QString &text, bool *ok = nullptr);
    static CVCard fromString(const QString &text, bool *ok, const QString &profile);

    const QString &cardString() const { return _cardString; }
    const QVariantMap &dict() const { return _dict; }
    // A null value is ignored.
    void setObject(const QVariant &value, const QString &key);

    // Reads the card's values into dict(), the address of the contact profile given (by
    // default the user's).
    void parse();
    void parse(const QString &profile);
    // One value: the first property named `tag` (whole name, any letter case, a group prefix
    // allowed) whose types include `type` when one is given, its component `index`, decoded.
    // Null when there is none or it does not decode to UTF-8 text.
    QString extractByTag(const QString &tag, const QString &type, int index) const;
    // The decoded bytes of a property's first value (a photo).
    QByteArray extractDataByTag(const QString &tag) const;

    // The card as vCard 3.0 text: UTF-8 values with backslash escapes, every line ending in
    // CR LF and folded at 75 octets, the photo as Base64 JPEG; the address of the contact
    // profile given (by default the user's).
    QString writeVCard() const;
    QString writeVCard(const QString &profile) const;
    // The user's contact profile ("Work" or "Home"; empty when unset). Read on the window's
    // thread and handed to work aside, which does not read the user defaults.
    static QString contactProfile();
    // One line for a column's value, folded, or empty when it has none.
    QString writeEntry(const QString &key, const QString &tag, const QString &add = QString()) const;
    // A value ready for a line: text escaped (code Plain), data as Base64 (code Base64).
    // QUOTED-PRINTABLE is only read, never written.
    static QString encodeObject(const QVariant &value, Encoding *code);
    // A photo's bytes as JPEG (converted when they are another picture); empty when they are
    // no picture.
    static QByteArray jpegPhoto(const QByteArray &bytes);
    static QString encodeWith(const QByteArray &bytes, Encoding code);
    static bool hasBinaryChars(const QByteArray &bytes);
    static bool hasQuotedChars(const QByteArray &bytes);
    // The image type a photo's bytes are ("JPEG", "PNG", "GIF", "TIFF", "BMP").
    static QString imageType(const QByteArray &bytes);
    // A picture's bytes as the photo well stores a photo (TIFF, at most 200 a side); empty
    // when they are no picture.
    static QByteArray storedPhoto(const QByteArray &bytes);

    // One property line of the card, unfolded: its name (upper case, without a group), its
    // types (upper case), its encoding and its raw value.
    struct Property
    {
        QString name;
        QStringList types;
        QStringList parameters;
        Encoding encoding = Plain;
        QString value;
    };
    const QList<Property> &properties() const;
    // The property lines of a card's text (up to its "END:VCARD", when it has one), read
    // without its values.
    static QList<Property> readProperties(const QString &text);
    // Component `index` of a property's value, decoded (in its CHARSET); null when it is no text.
    static QString componentText(const Property &property, int index);
    // The values of a list property (CATEGORIES), split at the commas that are not escaped.
    static QStringList listValues(const Property &property);
    // A property's value decoded to bytes (a photo).
    static QByteArray propertyData(const Property &property);

private:
    // The property lines of a card's text cut before its "END:VCARD".
    static QList<Property> propertiesOfText(QStringView text);
    QString valueText(const QVariant &value) const;

    QString _cardString;
    QVariantMap _dict;
    mutable QList<Property> _properties;
    mutable bool _propertiesRead = false;
};

} // namespace quillmark
