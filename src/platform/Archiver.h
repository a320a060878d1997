#pragma once
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace quillmark {

// The archived values that property lists carry as data: a binary property list dictionary
// whose "$class" names the kind and "$version" its encoding, beside the kind's own keys.
// Each kind keeps its keys stable so files stay readable across releases.
class Archiver
{
public:
    static constexpr int Version = 1;

    static QByteArray archive(const QString &className, const QVariantMap &payload);
    // The kind an archive holds, or a null QString when the data is no archive of ours.
    static QString classOf(const QByteArray &data);
    // The payload (without "$class" and "$version") when the data is an archive of that kind.
    static std::optional<QVariantMap> unarchive(const QByteArray &data, const QString &expectedClass);

    static QByteArray archiveColor(const QColor &color);
    static std::optional<QColor> unarchiveColor(const QByteArray &data);

    // Family, size, weight and slant; underline and strike-out belong to the text, not the font.
    static QByteArray archiveFont(const QFont &font);
    static std::optional<QFont> unarchiveFont(const QByteArray &data);
};

} // namespace quillmark
