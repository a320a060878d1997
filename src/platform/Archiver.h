#pragma once
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QString>
#include <QVariantMap>

#include <memory>
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

    // The archives written while a Recording is alive on the thread, each with the tree it
    // reads back as: a Reading of them then takes those very bytes (not bytes alike) as read,
    // without reading them. A copied design keeps them for the Paste of it.
    struct KeptRoots;
    class Recording
    {
    public:
        explicit Recording(std::shared_ptr<KeptRoots> into);
        ~Recording();
        Recording(const Recording &) = delete;
        Recording &operator=(const Recording &) = delete;

    private:
        std::shared_ptr<KeptRoots> m_previous;
    };
    class Reading
    {
    public:
        explicit Reading(std::shared_ptr<const KeptRoots> from);
        ~Reading();
        Reading(const Reading &) = delete;
        Reading &operator=(const Reading &) = delete;

    private:
        std::shared_ptr<const KeptRoots> m_previous;
    };
    static std::shared_ptr<KeptRoots> newKeptRoots();
    // The archives a Recording alive on this thread keeps, null when none is.
    static std::shared_ptr<KeptRoots> recordingNow();
    // The archives a Reading alive on this thread takes as read, null when none is: for
    // helpers reading on behalf of this thread.
    static std::shared_ptr<const KeptRoots> readingNow();
    // Adds the archives `from` keeps to `into`, as far as what `into` may hold allows: a
    // copy whose archives were written on several threads keeps them all in one.
    static void keepAlso(KeptRoots &into, const KeptRoots &from);
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
