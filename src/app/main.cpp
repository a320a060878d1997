#include <QApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <cstring>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "app/SelfCheck.h"
#include "canvas/RectsView.h"
#include "database/exchange/ContactSource.h"
#include "database/exchange/EdsContactSource.h"
#include "foundation/Language.h"
#include "platform/Bundle.h"

namespace {

const char HelpText[] =
    "Usage: quillmark [options] [design]\n"
    "Designs and prints labels, business cards and disc labels on pre-cut sheet stock.\n"
    "\n"
    "  design        a Quillmark design (.qkdoc) to open\n"
    "  --version     print the version and exit\n"
    "  --help, -h    print this help and exit\n"
    "  --self-check  check the installed resources, build the window and exit (needs a display)\n";

// Answered on the terminal before the application connects to a display: a shell without
// one (ssh, a package build) still gets the version and the usage.
bool answersOnTerminal(int argc, char **argv, int *result)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Quillmark %s\n", qPrintable(quillmark::Bundle::shortVersionString()));
            *result = 0;
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(HelpText, stdout);
            *result = 0;
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (int result = 0; answersOnTerminal(argc, argv, &result))
        return result;
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Brenholt");
    QApplication::setApplicationName("Quillmark");
    QApplication::setApplicationVersion(quillmark::Bundle::shortVersionString());
    // The launcher's entry: the desktop finds the window's icon and name through it.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillmark"));

    const QStringList arguments = QApplication::arguments().mid(1);
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
