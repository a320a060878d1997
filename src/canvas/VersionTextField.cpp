#include "canvas/VersionTextField.h"

#include "platform/Bundle.h"

namespace quillmark {

VersionTextField::VersionTextField(QWidget *parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setText(versionLine(Bundle::shortVersionString()));
}

QString VersionTextField::versionLine(const QString &shortVersion)
{
    return QStringLiteral("version ") + (shortVersion.isEmpty() ? QStringLiteral("last") : shortVersion);
}

} // namespace quillmark
