#pragma once
// The last step of every export: the encoded file goes to a temporary file beside the target
// and is renamed into place, so a failure never leaves a half-written file or loses an old one.
#include <QByteArray>
#include <QString>

namespace quillmark {

class ExportFile
{
public:
    // False, with the reason in error, when the file could not be written; the target is then
    // untouched.
    static bool write(const QString &path, const QByteArray &data, QString *error = nullptr);
};

} // namespace quillmark
