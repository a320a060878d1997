#include <QApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "app/SelfCheck.h"
#include "canvas/RectsView.h"
#include "database/ContactSource.h"
#include "database/EdsContactSource.h"
#include "foundation/Language.h"
#include "platform/Bundle.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Brenholt");
    QApplication::setApplicationName("Quillmark");
    QApplication::setApplicationVersion(quillmark::Bundle::shortVersionString());
    // The launcher's entry: the desktop finds the window's icon and name through it.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillmark"));

    const QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.contains(QStringLiteral("--version"))) {
        std::printf("Quillmark %s\n", qPrintable(quillmark::Bundle::shortVersionString()));
        return 0;
    }
    if (arguments.contains(QStringLiteral("--self-check"))) {
        QTextStream out(stdout);
        const int result = quillmark::runSelfCheck(out);
        quillmark::Language::clean();
        return result;
    }

    using quillmark::Language;
    Language::initialize();
    // Before any document is read: the kinds its objects and groups may name.
    quillmark::registerAllKinds();
    quillmark::RectsView::measureScreenFactor();
    // The contact store of Linux desktops, for the contacts import.
    quillmark::ContactSource::setSystem(std::make_unique<quillmark::EdsContactSource>());
    int result = 0;
    {
        quillmark::MainWindow window;
        window.setWindowIcon(QIcon(quillmark::Bundle::pathForResource(QStringLiteral("quillmark"), QStringLiteral("svg"),
                                                                      QStringLiteral("icons"))));
        window.show();
        window.finishLaunching();
        // A design double-clicked in the file manager arrives here.
        window.openDocumentsFromArguments(arguments);
        result = app.exec();
        window.canvas()->applicationWillTerminate();
    }
    quillmark::ContactSource::setSystem(nullptr);
    Language::clean();
    return result;
}
