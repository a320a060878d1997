#pragma once
#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QVariant>

namespace quillmark {

enum class PlistFormat { Binary, Xml };

// QVariant trees to and from property lists. Dictionaries are QVariantMap, arrays
// QVariantList, strings QString, integers qint64 (any integer type is accepted on writing),
// reals double, booleans bool, data QByteArray, dates QDateTime (UTC).
// A null QVariant (or an empty QByteArray from toData) means failure; *error then says why.
class PropertyList
{
public:
    static constexpr qint64 MaximumSize = 256 * 1024 * 1024;

    // expectedType, when given, is the metatype the top-level value must have
    // (QMetaType::QVariantMap for a dictionary, QMetaType::QVariantList for an array).
    static QVariant fromData(const QByteArray &data, QString *error = nullptr,
                             QMetaType::Type expectedType = QMetaType::UnknownType);
    static QByteArray toData(const QVariant &value, PlistFormat format = PlistFormat::Binary,
                             QString *error = nullptr);

    static QVariant readFile(const QString &path, QString *error = nullptr,
                             QMetaType::Type expectedType = QMetaType::UnknownType);
    // Writes to a temporary file and renames it into place: a failed write leaves the old file.
    static bool writeFile(const QString &path, const QVariant &value, PlistFormat format,
                          QString *error = nullptr);

    // The stored form of a flag in the documents: "YES" or "NO".
    static QString yesNo(bool flag) { return flag ? QStringLiteral("YES") : QStringLiteral("NO"); }
};

} // namespace quillmark
