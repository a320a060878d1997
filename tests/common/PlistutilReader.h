#pragma once
// Reads a property list with the plistutil program, so that what the program wrote is checked by
// a reader that shares none of its code.
#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QVariant>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include "common/TestSupport.h"

namespace qmtest {

// plistutil's XML turned into maps, lists and values.
inline QVariant plistutilValue(QXmlStreamReader &xml)
{
    const QString tag = xml.name().toString();
    if (tag == QLatin1String("dict")) {
        QVariantMap map;
        QString key;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("key"))
                key = xml.readElementText();
            else
                map.insert(key, plistutilValue(xml));
        }
        return map;
    }
    if (tag == QLatin1String("array")) {
        QVariantList list;
        while (xml.readNextStartElement())
            list.append(plistutilValue(xml));
        return list;
    }
    if (tag == QLatin1String("data"))
        return QByteArray::fromBase64(xml.readElementText().toLatin1());
    if (tag == QLatin1String("true") || tag == QLatin1String("false")) {
        xml.skipCurrentElement();
        return tag == QLatin1String("true");
    }
    return xml.readElementText();
}

// `data` as plistutil reads it; `scratch` names the folder the data is written into for it.
inline QVariant readWithPlistutil(const QByteArray &data, const QString &scratch)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    EXPECT_FALSE(tool.isEmpty()) << "plistutil is needed";
    const QString path = freshDir(scratch) + QStringLiteral("/data.plist");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return {};
    file.close();
    QProcess process;
    process.start(tool, {QStringLiteral("-i"), path, QStringLiteral("-f"), QStringLiteral("xml")});
    if (!process.waitForFinished(60000))
        return {};
    QXmlStreamReader xml(process.readAllStandardOutput());
    if (!xml.readNextStartElement() || !xml.readNextStartElement())
        return {};
    return plistutilValue(xml);
}

} // namespace qmtest
