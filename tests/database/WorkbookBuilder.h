#pragma once
// Workbooks made inside the tests: a zip written with minizip from parts given as text.
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <utility>

#include <zip.h>

namespace dbtest {

// Files made and read by another program at test time: the Python that scripts/setup-deps
// installs (python3 with python3-vobject), not whichever python3 comes first on the PATH. A
// test that needs it fails when it is missing.
inline QString pythonPath() { return QStringLiteral("/usr/bin/python3"); }
inline bool hasPython() { return QFileInfo(pythonPath()).isExecutable(); }
inline QString missingPython()
{
    return QStringLiteral("%1 is missing: scripts/setup-deps installs python3 and python3-vobject").arg(pythonPath());
}
// Runs the script with the arguments; null when it ran and exited 0, otherwise why not.
inline QString runPython(const QString &script, const QStringList &arguments = {})
{
    if (!hasPython())
        return missingPython();
    QProcess process;
    process.start(pythonPath(), QStringList{QStringLiteral("-c"), script} + arguments);
    if (!process.waitForFinished(120000))
        return QStringLiteral("python3 did not finish");
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString::fromUtf8(process.readAllStandardError());
    return QString();
}

// Writes the entries, in order, into a new zip at `path`; false when minizip fails.
inline bool writeZip(const QString &path, const QList<std::pair<QString, QByteArray>> &entries)
{
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    bool ok = true;
    for (const auto &[name, data] : entries) {
        zip_fileinfo info = {};
        const QByteArray raw = name.toUtf8();
        if (zipOpenNewFileInZip64(zip, raw.constData(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                  Z_DEFAULT_COMPRESSION, 0) != ZIP_OK
            || zipWriteInFileInZip(zip, data.constData(), unsigned(data.size())) != ZIP_OK
            || zipCloseFileInZip(zip) != ZIP_OK)
            ok = false;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

// A workbook of named sheets, each given as the inside of its <sheetData>; shared strings,
// number formats and cell styles (numFmtId per style index) as given.
struct Workbook
{
    QList<std::pair<QString, QString>> sheets; // name, sheetData inner XML
    QStringList sharedStrings;                 // each the inner XML of one <si>
    QList<std::pair<int, QString>> numFmts;    // custom formats
    QList<int> cellXfs = {0};                  // numFmtId of each style
    bool relationships = true;                 // name the sheet parts through workbook.xml.rels
    bool sheetFilesByPosition = false;         // sheetN.xml by position instead of sheetId
    QList<int> sheetIds;                       // defaults to 1, 2, ...
    bool date1904 = false;                     // days counted from 1904, as older workbooks count them
    QList<std::pair<QString, QByteArray>> extra;

    bool write(const QString &path) const
    {
        QByteArray workbook = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                              "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                              "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";
        if (date1904)
            workbook += "<workbookPr date1904=\"1\"/>";
        workbook += "<sheets>";
        QByteArray rels = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
        QList<std::pair<QString, QByteArray>> entries;
        for (int i = 0; i < sheets.size(); ++i) {
            const int id = i < sheetIds.size() ? sheetIds.at(i) : i + 1;
            const QString file = QStringLiteral("worksheets/sheet%1.xml").arg(sheetFilesByPosition ? i + 1 : id);
            workbook += QStringLiteral("<sheet name=\"%1\" sheetId=\"%2\" r:id=\"rId%3\"/>")
                            .arg(sheets.at(i).first.toHtmlEscaped())
                            .arg(id)
                            .arg(i + 1)
                            .toUtf8();
            rels += QStringLiteral("<Relationship Id=\"rId%1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"%2\"/>")
                        .arg(i + 1)
                        .arg(file)
                        .toUtf8();
            entries.append({QStringLiteral("xl/") + file,
                             ("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet "
                              "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>"
                              + sheets.at(i).second.toUtf8() + "</sheetData></worksheet>")});
        }
        workbook += "</sheets></workbook>";
        rels += "</Relationships>";
        entries.prepend({QStringLiteral("xl/workbook.xml"), workbook});
        if (relationships)
            entries.append({QStringLiteral("xl/_rels/workbook.xml.rels"), rels});
        if (!sharedStrings.isEmpty()) {
            QByteArray shared = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst "
                                "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
            for (const QString &si : sharedStrings)
                shared += "<si>" + si.toUtf8() + "</si>";
            shared += "</sst>";
            entries.append({QStringLiteral("xl/sharedStrings.xml"), shared});
        }
        QByteArray styles = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><styleSheet "
                            "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><numFmts>";
        for (const auto &[id, code] : numFmts)
            styles += QStringLiteral("<numFmt numFmtId=\"%1\" formatCode=\"%2\"/>").arg(id).arg(code.toHtmlEscaped()).toUtf8();
        styles += "</numFmts><cellXfs>";
        for (int id : cellXfs)
            styles += QStringLiteral("<xf numFmtId=\"%1\"/>").arg(id).toUtf8();
        styles += "</cellXfs></styleSheet>";
        entries.append({QStringLiteral("xl/styles.xml"), styles});
        entries += extra;
        return writeZip(path, entries);
    }
};

} // namespace dbtest
