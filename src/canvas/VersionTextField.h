#pragma once
#include <QLabel>

namespace quillmark {

// The About panel's version line: "version " and the program's short version.
class VersionTextField : public QLabel
{
    Q_OBJECT
public:
    explicit VersionTextField(QWidget *parent = nullptr);

    // "version " followed by `shortVersion`, or by "last" when the program carries none.
    static QString versionLine(const QString &shortVersion);
};

} // namespace quillmark
