#include "app/SelfCheck.h"

#include <QFileInfo>
#include <QStringList>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "foundation/Language.h"
#include "platform/Bundle.h"

namespace quillmark {

int runSelfCheck(QTextStream &out)
{
    out << "resources: " << Bundle::resourcesPath() << '\n';
    // One of each kind of resource: the translation tables, the catalogue, the help page, the
    // drawings of the tool bar and pointers, the sample databases, clip-art and templates.
    const QStringList needed = {
        QStringLiteral("en.lproj/strings.plist"),   QStringLiteral("de.lproj/strings.plist"),
        QStringLiteral("AveryUS.txt"),              QStringLiteral("AveryA4.txt"),
        QStringLiteral("formattypes.xml"),          QStringLiteral("help/main.html"),
        QStringLiteral("icons/quillmark.svg"),      QStringLiteral("toolbar/off_pointer_button.svg"),
        QStringLiteral("Databases/addressbook.sqlite"), QStringLiteral("Brenholt/Quillmark/cliparts"),
        QStringLiteral("Brenholt/Quillmark/Templates")};
    int missing = 0;
    for (const QString &item : needed) {
        const QString path = Bundle::resourcesPath() + QLatin1Char('/') + item;
        if (!QFileInfo::exists(path)) {
            out << "missing: " << item << '\n';
            ++missing;
        }
    }
    Language::initialize();
    if (Language::stringForKey(QStringLiteral("Save")).isEmpty()) {
        out << "missing: translations\n";
        ++missing;
    }
    if (missing) {
        out.flush();
        return 1;
    }
    registerAllKinds();
    {
        MainWindow window;
        window.show();
        window.close();
    }
    out << "window: ok\n";
    out.flush();
    return 0;
}

} // namespace quillmark
