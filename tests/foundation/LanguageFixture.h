#pragma once
// Language folders made in a temporary directory, written as plain XML text so the tests do
// not read back through the writer they would be testing.
#include <QDir>
#include <QFile>
#include <QMap>
#include <QString>

#include "common/TestSupport.h"

namespace qmtest {

inline QString xmlEscaped(const QString &text)
{
    return text.toHtmlEscaped();
}

inline void writeStringsTable(const QString &path, const QMap<QString, QString> &entries)
{
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<dict>\n");
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        xml += QStringLiteral("\t<key>%1</key>\n\t<string>%2</string>\n").arg(xmlEscaped(it.key()), xmlEscaped(it.value()));
    xml += QStringLiteral("</dict>\n</plist>\n");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(xml.toUtf8());
}

// A resources root with language folders; `folder` is a name such as "de" or "zh-Hans".
class LanguageFixture
{
public:
    LanguageFixture() : m_root(freshDir(QStringLiteral("languages"))) {}

    const QString &root() const { return m_root; }

    QString addFolder(const QString &folder)
    {
        const QString path = m_root + "/" + folder + ".lproj";
        QDir().mkpath(path);
        return path;
    }

    void addTable(const QString &folder, const QMap<QString, QString> &entries,
                  const QString &table = QStringLiteral("strings"))
    {
        writeStringsTable(addFolder(folder) + "/" + table + ".plist", entries);
    }

private:
    QString m_root;
};

} // namespace qmtest
