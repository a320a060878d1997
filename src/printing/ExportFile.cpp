#include "printing/ExportFile.h"

#include <QFileInfo>
#include <QSaveFile>

#include "foundation/Language.h"

namespace quillmark {

namespace {

// "Could not write Labels3.png: No space left on device".
QString cannotWrite(const QString &path, const QString &reason)
{
    QString text = Language::stringForKey(QStringLiteral("Could not write %@: %@"));
    const QString name = QFileInfo(path).fileName();
    const qsizetype first = text.indexOf(QLatin1String("%@"));
    if (first >= 0)
        text.replace(first, 2, name);
    const qsizetype second = text.indexOf(QLatin1String("%@"), first < 0 ? 0 : first + name.size());
    if (second >= 0)
        text.replace(second, 2, reason);
    return text;
}

} // namespace

bool ExportFile::write(const QString &path, const QByteArray &data, QString *error)
{
    if (path.isEmpty()) {
        if (error)
            *error = Language::stringForKey(QStringLiteral("No file name was given."));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = cannotWrite(path, file.errorString());
        return false;
    }
    // A disk that fills up takes part of a write and then refuses the rest: only the refusal
    // names the reason.
    qint64 written = 0;
    while (written < data.size()) {
        const qint64 n = file.write(data.constData() + written, data.size() - written);
        if (n <= 0)
            break;
        written += n;
    }
    if (written < data.size()) {
        if (error)
            *error = cannotWrite(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = cannotWrite(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace quillmark
