#pragma once
#include <QImage>
#include <QString>

namespace quillmark {

// What the application ships and where the user's own files go.
class Bundle
{
public:
    // $QUILLMARK_RESOURCES, else share/quillmark beside the installed program, else the
    // source tree's resources folder.
    static QString resourcesPath();
    // type may be empty (name carries its extension) and may start with a dot.
    // A null QString when there is no such file.
    static QString pathForResource(const QString &name, const QString &type,
                                   const QString &subdir = {});
    // An image shipped anywhere under the resources, named without its extension.
    static QString pathForImageNamed(const QString &name);
    static QImage imageNamed(const QString &name);

    static QString versionString();
    static QString shortVersionString();

    static QString applicationSupportPath();
    // <application support>/Brenholt/Quillmark, created when missing.
    static QString quillmarkSupportPath();
};

} // namespace quillmark
