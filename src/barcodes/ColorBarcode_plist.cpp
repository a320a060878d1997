// The barcode object's stored form: the base object's keys and, as strings, every field of
// its two records that a document keeps.
#include "barcodes/ColorBarcode.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <typeinfo>

#include "platform/Archiver.h"
#include "platform/Format.h"
#include "platform/PropertyList.h"

namespace quillmark {

namespace {

QString fromUtf8(const std::string &bytes)
{
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

class StoredBarcode
{
public:
    explicit StoredBarcode(const QVariantMap &dict)
        : m_dict(dict)
    {
    }

    bool has(const char *key) const { return m_dict.contains(QLatin1String(key)); }

    // Numbers are read from the leading number of a string; a number object reads as well.
    // Values beyond the single-precision range read as nothing; within it, the number is
    // kept whole, as it was written.
    bool readFloat(const char *key, double &field) const
    {
        const QVariant value = m_dict.value(QLatin1String(key));
        double number;
        if (value.typeId() == QMetaType::QString)
            number = leadingDouble(value.toString());
        else if (value.canConvert<double>() && value.typeId() != QMetaType::QByteArray && value.isValid())
            number = value.toDouble();
        else
            return false;
        if (!std::isfinite(float(number)))
            return false;
        field = number;
        return true;
    }

    // Like the numbers, an integer that is not finite reads as nothing: no whole number stands for it.
    std::optional<qint64> readInteger(const char *key) const
    {
        const QVariant value = m_dict.value(QLatin1String(key));
        if (value.typeId() == QMetaType::QString)
            return leadingInt64(value.toString());
        if ((value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int
             || value.typeId() == QMetaType::Double)
            && std::isfinite(value.toDouble()))
            return qint64(std::clamp(value.toDouble(), -9.2e18, 9.2e18));
        return std::nullopt;
    }

    // A flag is set only by the exact string "YES".
    bool readFlag(const char *key, uint8_t &field) const
    {
        if (!has(key))
            return false;
        const QVariant value = m_dict.value(QLatin1String(key));
        field = value.typeId() == QMetaType::QString && value.toString() == QLatin1String("YES") ? 1 : 0;
        return true;
    }

    std::optional<QString> readString(const char *key) const
    {
        const QVariant value = m_dict.value(QLatin1String(key));
        if (value.typeId() != QMetaType::QString)
            return std::nullopt;
        return value.toString();
    }

    QVariant value(const char *key) const { return m_dict.value(QLatin1String(key)); }

private:
    const QVariantMap &m_dict;
};

template <typename T>
T clampTo(qint64 value)
{
    return T(std::clamp<qint64>(value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

} // namespace

QVariantMap ColorBarcode::propertyListRepresentation(const GraphicList *graphics, const LinkedTextPlaces *places)
{
    QVariantMap dict = ColorRect::propertyListRepresentation(graphics, places);
    const TBarInfo &b = _barInfo;
    dict.insert(QStringLiteral("BarcodeData"), getBarcodeString());
    dict.insert(QStringLiteral("BarcodeH"), fmtExact(b.barH));
    dict.insert(QStringLiteral("BarcodeW"), fmtExact(b.barW));
    dict.insert(QStringLiteral("BarcodeSpaceW"), fmtExact(b.spaceW));
    dict.insert(QStringLiteral("BarcodeCharGap"), fmtExact(b.chargap));
    dict.insert(QStringLiteral("BarcodeRotate"), fmtExact(b.rotate));
    dict.insert(QStringLiteral("BarcodeWAdjust"), fmtExact(b.widthAdjust));
    dict.insert(QStringLiteral("BarcodeType"), fmtInt(b.type));
    dict.insert(QStringLiteral("BarcodeHRT"), PropertyList::yesNo(b.HRT));
    dict.insert(QStringLiteral("BarcodeSSymbol"), PropertyList::yesNo(b.sSymbol));
    dict.insert(QStringLiteral("BarcodeESymbol"), PropertyList::yesNo(b.eSymbol));
    dict.insert(QStringLiteral("BarcodePrintChChar"), PropertyList::yesNo(b.printChChar));
    dict.insert(QStringLiteral("BarcodeCheckSymb"), PropertyList::yesNo(b.CheckSymb));
    dict.insert(QStringLiteral("BarcodeBearers"), PropertyList::yesNo(b.bearers));
    dict.insert(QStringLiteral("BarcodeChange"), PropertyList::yesNo(b.change));
    dict.insert(QStringLiteral("BarcodeAttachment"), fmtInt(b.attachment));
    dict.insert(QStringLiteral("BarcodeTextHeight"), fmtExact(b.TextHeight));
    dict.insert(QStringLiteral("BarcodeFont"), Archiver::archiveFont(b.font));
    dict.insert(QStringLiteral("ISBNFlag"), fmtInt(b.isbnFormat));

    const TSequence &s = _sequence;
    dict.insert(QStringLiteral("SequencePresent"), PropertyList::yesNo(s.isPresent));
    dict.insert(QStringLiteral("SequencePrefix"), fromUtf8(s.prefix));
    dict.insert(QStringLiteral("SequenceStart"), fromUtf8(s.counter));
    dict.insert(QStringLiteral("SequencePost"), fromUtf8(s.postamble));
    dict.insert(QStringLiteral("SequenceIncr"), fromUtf8(s.increment));
    dict.insert(QStringLiteral("SequenceRepeat"), fmtInt(s.repeat));
    dict.insert(QStringLiteral("SequenceFilePresent"), PropertyList::yesNo(s.isFile));
    dict.insert(QStringLiteral("SequenceFilePath"), s.path);
    dict.insert(QStringLiteral("UseAddressBookDataKey"), PropertyList::yesNo(_useABData));
    dict.insert(QStringLiteral("UseVCardDataKey"), PropertyList::yesNo(_useVCard));
    if (_saveBarData)
        dict.insert(QStringLiteral("SaveBarDataKey"), *_saveBarData);
    return dict;
}

bool ColorBarcode::formReadableOffThread(const QTextDocument **text)
{
    *text = nullptr;
    if (typeid(*this) != typeid(ColorBarcode))
        return false;
    return partsReadableOffThread(text);
}

void ColorBarcode::loadPropertyListRepresentation(const QVariantMap &dict)
{
    ColorRect::loadPropertyListRepresentation(dict);
    const StoredBarcode stored(dict);
    TBarInfo &b = _barInfo;

    if (const auto data = stored.readString("BarcodeData"))
        b.setData(data->toUtf8().toStdString());
    stored.readFloat("BarcodeH", b.barH);
    stored.readFloat("BarcodeW", b.barW);
    stored.readFloat("BarcodeSpaceW", b.spaceW);
    stored.readFloat("BarcodeCharGap", b.chargap);
    stored.readFloat("BarcodeRotate", b.rotate);
    stored.readFloat("BarcodeWAdjust", b.widthAdjust);
    if (const auto type = stored.readInteger("BarcodeType"))
        b.type = clampTo<int16_t>(*type);
    stored.readFlag("BarcodeHRT", b.HRT);
    stored.readFlag("BarcodeSSymbol", b.sSymbol);
    stored.readFlag("BarcodeESymbol", b.eSymbol);
    stored.readFlag("BarcodePrintChChar", b.printChChar);
    stored.readFlag("BarcodeCheckSymb", b.CheckSymb);
    stored.readFlag("BarcodeBearers", b.bearers);
    stored.readFlag("BarcodeChange", b.change);
    if (const auto attachment = stored.readInteger("BarcodeAttachment"))
        b.attachment = clampTo<uint8_t>(*attachment);
    stored.readFloat("BarcodeTextHeight", b.TextHeight);
    const QVariant font = stored.value("BarcodeFont");
    if (font.typeId() == QMetaType::QByteArray) {
        if (const std::optional<QFont> f = Archiver::unarchiveFont(font.toByteArray()))
            setSFont(&*f);
    }
    b.isbnFormat = stored.readInteger("ISBNFlag").value_or(0);

    TSequence &s = _sequence;
    s.isPresent = 0;
    stored.readFlag("SequencePresent", s.isPresent);
    if (const auto prefix = stored.readString("SequencePrefix")) {
        s.prefix = prefix->toUtf8().toStdString();
    } else {
        s.prefix.clear();
        s.isPresent = 0;
    }
    if (const auto start = stored.readString("SequenceStart"))
        s.counter = start->toUtf8().toStdString();
    if (const auto post = stored.readString("SequencePost"))
        s.postamble = post->toUtf8().toStdString();
    if (const auto increment = stored.readString("SequenceIncr"))
        s.increment = increment->toUtf8().toStdString();
    if (const auto repeat = stored.readInteger("SequenceRepeat"))
        s.repeat = clampTo<int32_t>(*repeat);
    s.isFile = 0;
    stored.readFlag("SequenceFilePresent", s.isFile);
    s.path = stored.readString("SequenceFilePath").value_or(QString());
    s.data.clear();

    uint8_t flag = 0;
    if (stored.readFlag("UseAddressBookDataKey", flag))
        _useABData = flag != 0;
    if (stored.readFlag("UseVCardDataKey", flag))
        _useVCard = flag != 0;
    if (const auto saved = stored.readString("SaveBarDataKey"))
        _saveBarData = *saved;

    _isDrawBarcode = true;
}

} // namespace quillmark
