#include "printing/ExportFile.h"

#include <QSaveFile>

namespace quillmark {

bool ExportFile::write(const QString &path, const QByteArray &data, QString *error)
{
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("No file name was given.");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(data) != data.size()) {
        if (error)
            *error = QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace quillmark
