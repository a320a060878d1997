#include <QApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "app/SelfCheck.h"
#include "canvas/RectsView.h"
#include "database/exchange/ContactSource.h"
#include "database/exchange/EdsContactSource.h"
#include "foundation/Language.h"
#include "platform/Bundle.h"
#include "platform/ImageFilter.h"

namespace {

const char HelpText[] =
    "Usage: quillmark [options] [design]\n"
    "Designs and prints labels, business cards and disc labels on pre-cut sheet stock.\n"
    "\n"
    "  design        a Quillmark design (.qkdoc) to open\n"
    "  --version     print the version and exit\n"
    "  --help, -h    print this help and exit\n"
    "  --self-check  check the installed resources, build the window and exit (needs a display)\n";

// The platform's own options, each followed by its value or standing alone; they reach the
// application object untouched (a desktop session may start the program with -session, a user
// with -platform or -style).
const char *const PlatformOptionsWithValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                                "qwindowgeometry", "qwindowtitle", "qwindowicon", "session",
                                                "display", "name", "title", "geometry", "style", "stylesheet",
                                                "qmljsdebugger"};
const char *const PlatformFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// The option's name without its one or two leading dashes and without an "=value" part.
std::string optionName(const char *argument)
{
    std::string name(argument + (argument[1] == '-' ? 2 : 1));
    if (const auto equals = name.find('='); equals != std::string::npos)
        name.resize(equals);
    return name;
}

template <std::size_t N>
bool isOneOf(const std::string &name, const char *const (&names)[N])
{
    for (const char *candidate : names)
        if (name == candidate)
            return true;
    return false;
}

// Answered on the terminal before the application connects to a display: a shell without
// one (ssh, a package build) still gets the version and the usage, and a mistyped option is
// named there instead of ending in a failed connection.
bool answersOnTerminal(int argc, char **argv, int *result)
{
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (std::strcmp(argument, "--version") == 0) {
            std::printf("Quillmark %s\n", qPrintable(quillmark::Bundle::shortVersionString()));
            *result = 0;
            return true;
        }
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            std::fputs(HelpText, stdout);
            *result = 0;
            return true;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (argument[0] != '-' || argument[1] == '\0' || std::strcmp(argument, "--self-check") == 0)
            continue;
        if (std::strcmp(argument, "--") == 0)
            break;
        const std::string name = optionName(argument);
        if (isOneOf(name, PlatformFlags))
            continue;
        if (isOneOf(name, PlatformOptionsWithValue)) {
            if (std::strchr(argument, '=') == nullptr)
                ++i;
            continue;
        }
        std::fprintf(stderr, "quillmark: unknown option %s\n\n", argument);
        std::fputs(HelpText, stderr);
        *result = 2;
        return true;
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

    // The effects library starts while the window is built, not when Image Effects is first
    // asked for.
    quillmark::ImageFilter::prepareCatalogue();
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
        // own file: the program's icon among its resources.
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
