#pragma once
#include <QUrl>

#include <functional>

namespace quillmark {

// Hands addresses to the desktop: web pages to the default browser, local files (the help
// page) to their viewer. Tests replace the opener so that nothing leaves the process.
class Workspace
{
public:
    using Opener = std::function<bool(const QUrl &)>;

    // False for an address that does not parse or that the desktop refused.
    static bool openURL(const QUrl &url);
    // Installs `opener` (empty restores the desktop's) and hands back the one it replaces.
    static Opener setOpener(Opener opener);
};

} // namespace quillmark
