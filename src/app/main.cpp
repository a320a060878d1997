#include <QApplication>
#include <QStringList>

#include "canvas/AllKinds.h"
#include "canvas/MainWindow.h"
#include "canvas/RectsView.h"
#include "database/Database.h"
#include "database/DatabaseFieldsView.h"
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
        // A document names the database and record it was designed with; the canvas reaches
        // them through these hooks so that it never depends on the database code itself.
        quillmark::RectsView *canvas = window.canvas();
        quillmark::DatabaseFieldsView *records = modeSwitch->databaseView()->databaseFieldsView();
        canvas->openDatabaseForDocument = [records](const QString &path) {
            return records->setDatabasePath(path);
        };
        canvas->selectRecordForDocument = [records](qint64 pk) { records->selectRecordWithPk(pk); };
        canvas->currentDatabaseForDocument = [records]() -> std::pair<QString, qint64> {
            quillmark::Database *database = records->database();
            if (!database)
                return {};
            return {database->path(), database->selectedPk()};
        };
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
