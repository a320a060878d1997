#include <QApplication>
#include <QStringList>

#include "canvas/AllKinds.h"
#include "canvas/MainWindow.h"
#include "canvas/RectsView.h"
#include "database/DatabaseModeSwitch.h"
#include "database/DatabaseView.h"
#include "foundation/Language.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Brenholt");
    QApplication::setApplicationName("Quillmark");

    using quillmark::Language;
    Language::initialize();
    // Before any document is read: the kinds its objects and groups may name.
    quillmark::registerAllKinds();
    quillmark::RectsView::measureScreenFactor();
    int result = 0;
    {
        quillmark::MainWindow window;
        auto *modeSwitch = new quillmark::DatabaseModeSwitch(&window);
        // The controls registered while the window was built; loading the language again
        // lets every one of them show its translation.
        if (Language::language() != Language::english())
            Language::setLanguage(Language::language());
        window.show();
        modeSwitch->databaseView()->appDidFinishLaunching();
        QObject::connect(&app, &QApplication::aboutToQuit, modeSwitch->databaseView(),
                         &quillmark::DatabaseView::appWillTerminate);
        // A document named on the command line opens as if the system had handed it over.
        const QStringList arguments = QApplication::arguments().mid(1);
        for (const QString &argument : arguments) {
            if (!argument.startsWith(QLatin1Char('-'))) {
                window.canvas()->applicationOpenFile(argument);
                break;
            }
        }
        result = app.exec();
        window.canvas()->applicationWillTerminate();
    }
    Language::clean();
    return result;
}
