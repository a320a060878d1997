#include "database/exchange/CVCard.h"

#include "database/exchange/DelimitedText.h"
#include "database/exchange/H_CBase64.h"
#include "database/exchange/H_CQuoted.h"
#include "database/exchange/PhotoTiff.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QStringDecoder>
#include <QVarLengthArray>

#include <optional>

#include <unicode/unistr.h>

namespace quillmark {

namespace {

const char *const CRLF = "\r\n";

// The parameters of a property that are its types (TYPE=WORK,HOME and the bare WORK of older
// cards), upper-cased; `encoding` takes the ENCODING parameter.
QStringList parameterTypes(const QStringList &parameters, CVCard::Encoding &encoding)
{
    QStringList types;
    for (const QString &parameter : parameters) {
        const qsizetype equals = parameter.indexOf(QLatin1Char('='));
        const QString key = equals < 0 ? QString() : parameter.left(equals).trimmed().toUpper();
        QString value = equals < 0 ? parameter.trimmed() : parameter.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        const QString upper = value.toUpper();
        if (key == QLatin1String("ENCODING") || (equals < 0 && (upper == QLatin1String("BASE64") || upper == QLatin1String("QUOTED-PRINTABLE")))) {
            if (upper == QLatin1String("B") || upper == QLatin1String("BASE64"))
                encoding = CVCard::Base64;
            else if (upper == QLatin1String("Q") || upper == QLatin1String("QUOTED-PRINTABLE"))
                encoding = CVCard::QuotedPrintable;
            continue;
        }
        if (key.isEmpty() || key == QLatin1String("TYPE"))
            for (const QString &type : upper.split(QLatin1Char(','), Qt::SkipEmptyParts))
                types.append(type.trimmed());
    }
    return types;
}

// Components of a plain value split at the semicolons that are not escaped, escapes kept.
QStringList plainComponents(const QString &value)
{
    QStringList parts;
    QString current;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            current += c;
            current += value.at(++i);
        } else if (c == QLatin1Char(';')) {
            parts.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.append(current);
    return parts;
}

QString unescaped(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= value.size()) {
            if (c != QLatin1Char('\\'))
                out += c;
            continue;
        }
        const QChar next = value.at(++i);
        out += (next == QLatin1Char('n') || next == QLatin1Char('N')) ? QChar(QLatin1Char('\n')) : next;
    }
    return out;
}

QString escaped(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        if (c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char(';'))
            out += QLatin1Char('\\');
        if (c == QLatin1Char('\n')) {
            out += QLatin1String("\\n");
            continue;
        }
        // Other control characters have no place in a vCard 3.0 text value.
        if (c.unicode() < 0x20 && c != QLatin1Char('\t'))
            continue;
        if (c.unicode() == 0x7F)
            continue;
        out += c;
    }
    return out;
}

// A content line folded as vCard 3.0 asks: no line longer than 75 octets of UTF-8, each
// continuation beginning with one blank, never inside a character.
QString folded(const QString &line)
{
    const QByteArray bytes = line.toUtf8();
    if (bytes.size() <= 75)
        return line + QLatin1String(CRLF);
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 37 + 4);
    qsizetype start = 0;
    qsizetype room = 75;
    while (start < bytes.size()) {
        qsizetype end = qMin(start + room, bytes.size());
        while (end < bytes.size() && end > start && (static_cast<unsigned char>(bytes.at(end)) & 0xC0) == 0x80)
            --end;
        if (start > 0)
            out += ' ';
        out += bytes.mid(start, end - start);
        out += CRLF;
        start = end;
        room = 74;
    }
    return QString::fromUtf8(out);
}

QByteArray decoded(const QString &raw, CVCard::Encoding encoding)
{
    QByteArray text = raw.toUtf8();
    if (encoding == CVCard::Base64) {
        QByteArray compact;
        compact.reserve(text.size());
        for (char c : std::as_const(text))
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
                compact += c;
        return H_CBase64::decode(compact);
    }
    return H_CQuoted::decode(text);
}

QString strictUtf8(const QByteArray &bytes, bool *ok)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    *ok = !decoder.hasError();
    return text;
}

// The text of a value's decoded bytes: in the CHARSET its property names, else UTF-8, else
// the 8-bit encoding they most likely are (older phones write Latin-1 without saying so).
QString decodedText(const QByteArray &bytes, const QStringList &parameters, bool *ok)
{
    QByteArray charset;
    for (const QString &parameter : parameters) {
        const qsizetype equals = parameter.indexOf(QLatin1Char('='));
        if (equals > 0 && parameter.left(equals).trimmed().compare(QLatin1String("CHARSET"), Qt::CaseInsensitive) == 0) {
            QString name = parameter.mid(equals + 1).trimmed();
            name.remove(QLatin1Char('"'));
            charset = name.toLatin1();
        }
    }
    const QByteArray lower = charset.toLower();
    if (!charset.isEmpty() && lower != "utf-8" && lower != "utf8") {
        const icu::UnicodeString text(bytes.constData(), int32_t(bytes.size()), charset.constData());
        if (!text.isBogus()) {
            *ok = true;
            return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
        }
    }
    QString text = strictUtf8(bytes, ok);
    if (*ok)
        return text;
    const std::optional<QString> guessed = DelimitedText::decode(bytes);
    *ok = guessed.has_value();
    return guessed.value_or(QString());
}

} // namespace

QString CVCard::contactProfile()
{
    return UserDefaults::standard().stringForKey(QStringLiteral("profileContacts"));
}

CVCard CVCard::fromString(const QString &text, bool *ok)
{
    return fromString(text, ok, contactProfile());
}

CVCard CVCard::fromString(const QString &text, bool *ok, const QString &profile)
{
    CVCard card;
    const qsizetype end = text.indexOf(QLatin1String("END:VCARD"), 0, Qt::CaseInsensitive);
    if (ok)
        *ok = end >= 0;
    if (end < 0)
        return card;
    card._cardString = text.left(end);
    card.parse(profile);
    // The properties are read again when asked for: a file's hundred thousand cards keep
    // their values, not every line of them twice.
    card._properties = QList<Property>();
    card._propertiesRead = false;
    return card;
}

void CVCard::setObject(const QVariant &value, const QString &key)
{
    if (!value.isValid() || value.isNull())
        return;
    if (value.typeId() == QMetaType::QString && value.toString().isNull())
        return;
    _dict.insert(key, value);
}

const QList<CVCard::Property> &CVCard::properties() const
{
    if (_propertiesRead)
        return _properties;
    _propertiesRead = true;
    // The card's text ends where its "END:VCARD" was.
    _properties = propertiesOfText(_cardString);
    return _properties;
}

QList<CVCard::Property> CVCard::readProperties(const QString &whole)
{
    const qsizetype end = whole.indexOf(QLatin1String("END:VCARD"), 0, Qt::CaseInsensitive);
    return propertiesOfText(end < 0 ? QStringView(whole) : QStringView(whole).left(end));
}

QList<CVCard::Property> CVCard::propertiesOfText(QStringView text)
{
    QList<Property> properties;
    // Lines end in CR LF, LF or CR; they are read where they are in the card's text.
    QVarLengthArray<QStringView, 32> lines;
    {
        const QChar *data = text.data();
        const qsizetype size = text.size();
        qsizetype start = 0;
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t c = data[i].unicode();
            if (c != u'\r' && c != u'\n')
                continue;
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < size && data[i + 1] == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
        lines.append(text.mid(start));
    }
    properties.reserve(lines.size());
    QString joined;
    for (qsizetype i = 0; i < lines.size();) {
        QStringView logical = lines.at(i++);
        if (logical.trimmed().isEmpty())
            continue;
        const qsizetype colon = logical.indexOf(QLatin1Char(':'));
        const QStringView header = colon < 0 ? logical : logical.left(colon);
        // The encoding is a parameter, after the name's semicolon.
        const bool quoted = header.contains(QLatin1Char(';'))
                            && (header.contains(QLatin1String("QUOTED-PRINTABLE"), Qt::CaseInsensitive)
                                || header.contains(QLatin1String("ENCODING=Q"), Qt::CaseInsensitive));
        // Most lines are whole; one that goes on is joined with the next ones.
        bool isJoined = false;
        auto join = [&] {
            if (!isJoined)
                joined = logical.toString();
            isJoined = true;
        };
        for (;;) {
            // A QUOTED-PRINTABLE line ending in "=" goes on in the next line (its blanks are
            // folding); any line goes on in a next line that begins with a blank.
            if (quoted && logical.endsWith(QLatin1Char('=')) && i < lines.size()) {
                join();
                joined.chop(1);
                const QStringView next = lines.at(i++);
                qsizetype blanks = 0;
                while (blanks < next.size() && (next.at(blanks) == QLatin1Char(' ') || next.at(blanks) == QLatin1Char('\t')))
                    ++blanks;
                joined += next.mid(blanks);
                logical = joined;
                continue;
            }
            if (i < lines.size() && !lines.at(i).isEmpty()
                && (lines.at(i).at(0) == QLatin1Char(' ') || lines.at(i).at(0) == QLatin1Char('\t'))) {
                join();
                joined += lines.at(i++).mid(1);
                logical = joined;
                continue;
            }
            break;
        }
        const qsizetype valueStart = logical.indexOf(QLatin1Char(':'));
        if (valueStart < 0)
            continue;
        const QList<QStringView> pieces = logical.left(valueStart).split(QLatin1Char(';'));
        Property property;
        QStringView name = pieces.first().trimmed();
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0)
            name = name.mid(dot + 1);
        property.name = name.toString().toUpper();
        property.parameters.reserve(pieces.size() - 1);
        for (qsizetype k = 1; k < pieces.size(); ++k)
            property.parameters.append(pieces.at(k).toString());
        if (!property.parameters.isEmpty())
            property.types = parameterTypes(property.parameters, property.encoding);
        property.value = logical.mid(valueStart + 1).toString();
        properties.append(std::move(property));
    }
    return properties;
}

namespace {

// The property a value is read from: the first named `name` whose types include `wanted` when
// one is given; -1 when there is none.
qsizetype chosenProperty(const QList<CVCard::Property> &properties, QStringView name, QStringView wanted)
{
    const bool phone = name == QLatin1String("TEL");
    const bool homeOrWork = wanted == QLatin1String("HOME") || wanted == QLatin1String("WORK");
    for (qsizetype i = 0; i < properties.size(); ++i) {
        const CVCard::Property &property = properties.at(i);
        if (property.name != name)
            continue;
        if (wanted.isEmpty())
            return i;
        if (!property.types.contains(wanted))
            continue;
        // A home or work number that is also a fax or mobile is not the plain phone.
        if (phone && homeOrWork
            && (property.types.contains(QLatin1String("FAX")) || property.types.contains(QLatin1String("CELL"))
                || property.types.contains(QLatin1String("PAGER"))))
            continue;
        return i;
    }
    if (name == QLatin1String("ADR") && !wanted.isEmpty()) {
        for (qsizetype i = 0; i < properties.size(); ++i)
            if (properties.at(i).name == name && properties.at(i).types.contains(QLatin1String("PREF")))
                return i;
    }
    return -1;
}

} // namespace

QString CVCard::extractByTag(const QString &tag, const QString &type, int index) const
{
    const QList<Property> &all = properties();
    const qsizetype chosen = chosenProperty(all, tag.toUpper(), type.toUpper());
    if (chosen < 0)
        return QString();
    return componentText(all.at(chosen), index);
}

QString CVCard::componentText(const Property &property, int index)
{
    if (property.encoding == Plain) {
        const QStringList parts = plainComponents(property.value);
        if (index < 0 || index >= parts.size())
            return QStringLiteral("");
        return unescaped(parts.at(index));
    }
    const QStringList parts = property.value.split(QLatin1Char(';'));
    if (index < 0 || index >= parts.size())
        return QStringLiteral("");
    bool ok = false;
    const QString text = decodedText(decoded(parts.at(index), property.encoding), property.parameters, &ok);
    return ok ? text : QString();
}

QStringList CVCard::listValues(const Property &property)
{
    QString text = property.value;
    if (property.encoding != Plain) {
        bool ok = false;
        text = decodedText(decoded(text, property.encoding), property.parameters, &ok);
        if (!ok)
            return {};
    }
    QStringList values;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            current += c;
            current += text.at(++i);
        } else if (c == QLatin1Char(',')) {
            values.append(unescaped(current).trimmed());
            current.clear();
        } else {
            current += c;
        }
    }
    values.append(unescaped(current).trimmed());
    values.removeAll(QString());
    return values;
}

QByteArray CVCard::propertyData(const Property &property)
{
    if (property.encoding == Plain) {
        // vCard 4.0 carries a picture as a data URI: "data:image/jpeg;base64,...".
        const qsizetype comma = property.value.indexOf(QLatin1Char(','));
        if (property.value.startsWith(QLatin1String("data:"), Qt::CaseInsensitive) && comma > 0
            && property.value.left(comma).endsWith(QLatin1String(";base64"), Qt::CaseInsensitive))
            return decoded(property.value.mid(comma + 1), Base64);
        return QByteArray();
    }
    return decoded(property.value, property.encoding);
}

QByteArray CVCard::extractDataByTag(const QString &tag) const
{
    const QString name = tag.toUpper();
    for (const Property &property : properties())
        if (property.name == name)
            return propertyData(property);
    return QByteArray();
}

void CVCard::parse()
{
    parse(contactProfile());
}

void CVCard::parse(const QString &profile)
{
    struct Row
    {
        QString key;
        QString tag;
        QString type;
        int index;
        // The address of the contact profile.
        bool profiled = false;
    };
    static const Row rows[] = {
        {QStringLiteral("Date"), QStringLiteral("DATE"), {}, 0},
        {QStringLiteral("First_Name"), QStringLiteral("N"), {}, 1},
        {QStringLiteral("Last_Name"), QStringLiteral("N"), {}, 0},
        {QStringLiteral("Middle_Name"), QStringLiteral("N"), {}, 2},
        {QStringLiteral("Salutation"), QStringLiteral("N"), {}, 3},
        {QStringLiteral("Company"), QStringLiteral("ORG"), {}, 0},
        {QStringLiteral("Title"), QStringLiteral("TITLE"), {}, 0},
        {QStringLiteral("Address"), QStringLiteral("ADR"), {}, 2, true},
        {QStringLiteral("City"), QStringLiteral("ADR"), {}, 3, true},
        {QStringLiteral("State"), QStringLiteral("ADR"), {}, 4, true},
        {QStringLiteral("Zip"), QStringLiteral("ADR"), {}, 5, true},
        {QStringLiteral("Country"), QStringLiteral("ADR"), {}, 6, true},
        {QStringLiteral("Phone_Home"), QStringLiteral("TEL"), QStringLiteral("HOME"), 0},
        {QStringLiteral("Phone_Work"), QStringLiteral("TEL"), QStringLiteral("WORK"), 0},
        {QStringLiteral("Phone_Mobile"), QStringLiteral("TEL"), QStringLiteral("CELL"), 0},
        {QStringLiteral("Fax"), QStringLiteral("TEL"), QStringLiteral("FAX"), 0},
        {QStringLiteral("Web"), QStringLiteral("URL"), {}, 0},
        {QStringLiteral("Email"), QStringLiteral("EMAIL"), {}, 0},
        {QStringLiteral("User_Field_1"), QStringLiteral("USERFIELD1"), {}, 0},
        {QStringLiteral("User_Field_2"), QStringLiteral("USERFIELD2"), {}, 0},
        {QStringLiteral("User_Field_3"), QStringLiteral("USERFIELD3"), {}, 0},
        {QStringLiteral("User_Field_4"), QStringLiteral("USERFIELD4"), {}, 0},
    };
    const QString p = profile.toUpper();
    const QList<Property> &all = properties();
    // A plain property's components, split once for every row that reads one of them (the
    // name's four, the address's five).
    QList<QStringList> components(all.size());
    QList<bool> split(all.size(), false);
    for (const Row &row : rows) {
        const qsizetype chosen = chosenProperty(all, row.tag, row.profiled ? p : row.type);
        if (chosen < 0)
            continue;
        const Property &property = all.at(chosen);
        QString text;
        if (property.encoding == Plain) {
            if (!split.at(chosen)) {
                components[chosen] = plainComponents(property.value);
                split[chosen] = true;
            }
            const QStringList &parts = components.at(chosen);
            text = row.index < parts.size() ? unescaped(parts.at(row.index)) : QStringLiteral("");
        } else {
            text = componentText(property, row.index);
        }
        // vCard 4.0 writes numbers as URIs ("tel:+1-555-0100"): the record keeps the number.
        if (row.tag == QLatin1String("TEL") && text.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
            text = text.mid(4).trimmed();
        // And addresses as "mailto:" URIs: the record keeps the address.
        if (row.tag == QLatin1String("EMAIL") && text.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
            text = text.mid(7).trimmed();
        setObject(text, row.key);
    }
    // A photo is kept as the photo well keeps one.
    const QByteArray photo = storedPhoto(extractDataByTag(QStringLiteral("PHOTO")));
    if (!photo.isEmpty())
        _dict.insert(QStringLiteral("Photo"), photo);
}

QByteArray CVCard::storedPhoto(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QByteArray();
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    // A picture that claims to be enormous is not decoded.
    if (!size.isValid() || qint64(size.width()) * size.height() > 64LL * 1024 * 1024)
        return QByteArray();
    const QImage image = reader.read();
    if (image.isNull())
        return QByteArray();
    return PhotoTiff::encode(PhotoTiff::scaledForStorage(image));
}

// ---------------------------------------------------------------- writing

bool CVCard::hasBinaryChars(const QByteArray &bytes)
{
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b == 127 || (b < 32 && b != '\r' && b != '\n'))
            return true;
    }
    return false;
}

bool CVCard::hasQuotedChars(const QByteArray &bytes)
{
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b == ';' || b < 33 || b > 126)
            return true;
    }
    return false;
}

QString CVCard::encodeWith(const QByteArray &bytes, Encoding code)
{
    switch (code) {
    case Base64:
        return QString::fromLatin1(H_CBase64::encode(bytes));
    case QuotedPrintable:
        return QString::fromLatin1(H_CQuoted::encode(bytes, 64));
    case Plain:
        break;
    }
    return escaped(QString::fromUtf8(bytes));
}

QString CVCard::encodeObject(const QVariant &value, Encoding *code)
{
    // vCard 3.0 text is UTF-8 with backslash escapes; only binary data (a photo) is Base64.
    const bool binary = value.typeId() == QMetaType::QByteArray;
    const Encoding chosen = binary ? Base64 : Plain;
    if (code)
        *code = chosen;
    return binary ? encodeWith(value.toByteArray(), Base64) : escaped(value.toString());
}

QString CVCard::imageType(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xD8"))
        return QStringLiteral("JPEG");
    if (bytes.startsWith("\x89PNG"))
        return QStringLiteral("PNG");
    if (bytes.startsWith("GIF8"))
        return QStringLiteral("GIF");
    if (bytes.startsWith("II*") || bytes.startsWith("MM\0*"))
        return QStringLiteral("TIFF");
    if (bytes.startsWith("BM"))
        return QStringLiteral("BMP");
    return QString();
}

QString CVCard::valueText(const QVariant &value) const
{
    if (!value.isValid() || value.isNull())
        return QString();
    if (value.typeId() == QMetaType::QByteArray)
        return QString();
    return value.toString();
}

QString CVCard::writeEntry(const QString &key, const QString &tag, const QString &add) const
{
    const QVariant value = _dict.value(key);
    if (value.typeId() == QMetaType::QByteArray ? value.toByteArray().isEmpty() : valueText(value).isEmpty())
        return QString();
    Encoding code = Plain;
    const QString encoded = encodeObject(value, &code);
    QString line = tag;
    if (code == Base64)
        line += QLatin1String(";ENCODING=b");
    return folded(line + add + QLatin1Char(':') + encoded);
}

QByteArray CVCard::jpegPhoto(const QByteArray &bytes)
{
    if (imageType(bytes) == QLatin1String("JPEG"))
        return bytes;
    QImage image;
    if (bytes.isEmpty() || !image.loadFromData(bytes))
        return QByteArray();
    // JPEG has no transparency: a transparent photo shows on white, as on paper.
    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
        painter.end();
        image = flat;
    }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG", 90))
        return QByteArray();
    return jpeg;
}

QString CVCard::writeVCard() const
{
    return writeVCard(contactProfile());
}

QString CVCard::writeVCard(const QString &profile) const
{
    QString card = QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\n");
    QString prodid = QStringLiteral("PRODID:-//Brenholt.//Quillmark");
    const QString version = Bundle::versionString();
    if (!version.isEmpty())
        prodid += QLatin1Char(' ') + version;
    card += folded(prodid);
    const QString date = valueText(_dict.value(QStringLiteral("Date")));
    if (!date.isEmpty())
        card += folded(QStringLiteral("DATE:") + escaped(date));

    const QString first = valueText(_dict.value(QStringLiteral("First_Name")));
    const QString last = valueText(_dict.value(QStringLiteral("Last_Name")));
    if (!first.isEmpty() || !last.isEmpty()) {
        const QString parts[4] = {last, first, valueText(_dict.value(QStringLiteral("Middle_Name"))),
                                  valueText(_dict.value(QStringLiteral("Salutation")))};
        QStringList encoded;
        for (const QString &part : parts)
            encoded.append(escaped(part));
        card += folded(QStringLiteral("N:") + encoded.join(QLatin1Char(';')) + QLatin1Char(';'));
        card += folded(QStringLiteral("FN:") + escaped(first + QLatin1Char(' ') + last));
    }
    card += writeEntry(QStringLiteral("Company"), QStringLiteral("ORG"));
    card += writeEntry(QStringLiteral("Title"), QStringLiteral("TITLE"));
    card += writeEntry(QStringLiteral("Email"), QStringLiteral("EMAIL"));
    card += writeEntry(QStringLiteral("Phone_Home"), QStringLiteral("TEL;type=HOME"));
    card += writeEntry(QStringLiteral("Phone_Work"), QStringLiteral("TEL;type=WORK"));
    card += writeEntry(QStringLiteral("Phone_Mobile"), QStringLiteral("TEL;type=CELL"));
    card += writeEntry(QStringLiteral("Fax"), QStringLiteral("TEL;type=FAX"));

    const char *const addressKeys[] = {"Address", "City", "State", "Zip", "Country"};
    QStringList address;
    bool anyAddress = false;
    for (const char *key : addressKeys) {
        const QString value = valueText(_dict.value(QString::fromLatin1(key)));
        anyAddress = anyAddress || !value.isEmpty();
        address.append(escaped(value));
    }
    if (anyAddress) {
        QString type = profile;
        if (type.isEmpty())
            type = QStringLiteral("Work");
        card += folded(QStringLiteral("ADR;TYPE=") + type.toUpper() + QStringLiteral(":;;") + address.join(QLatin1Char(';')));
    }
    card += writeEntry(QStringLiteral("Web"), QStringLiteral("URL"));
    for (int i = 1; i <= 4; ++i)
        card += writeEntry(QStringLiteral("User_Field_%1").arg(i), QStringLiteral("USERFIELD%1").arg(i));
    // Readers of vCard 3.0 take JPEG photos; the well keeps TIFF, so the photo is converted.
    const QByteArray photo = jpegPhoto(_dict.value(QStringLiteral("Photo")).toByteArray());
    if (!photo.isEmpty())
        card += folded(QStringLiteral("PHOTO;ENCODING=b;TYPE=JPEG:") + QString::fromLatin1(H_CBase64::encode(photo)));
    card += QStringLiteral("END:VCARD\r\n");
    return card;
}

} // namespace quillmark
