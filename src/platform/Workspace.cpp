#include "platform/Workspace.h"

#include <QDesktopServices>

namespace quillmark {

namespace {

Workspace::Opener &installedOpener()
{
    static Workspace::Opener opener;
    return opener;
}

} // namespace

bool Workspace::openURL(const QUrl &url)
{
    if (!url.isValid() || url.isRelative())
        return false;
    if (const Opener &opener = installedOpener())
        return opener(url);
    return QDesktopServices::openUrl(url);
}

Workspace::Opener Workspace::setOpener(Opener opener)
{
    Opener previous = std::move(installedOpener());
    installedOpener() = std::move(opener);
    return previous;
}

} // namespace quillmark
