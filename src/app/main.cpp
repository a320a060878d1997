#include <QApplication>
#include <QStringList>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "database/ContactSource.h"
#include "database/EdsContactSource.h"
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
    // The contact store of Linux desktops, for the contacts import.
    quillmark::ContactSource::setSystem(std::make_unique<quillmark::EdsContactSource>());
    int result = 0;
    {
        quillmark::MainWindow window;
        window.show();
        window.finishLaunching();
        window.openDocumentsFromArguments(QApplication::arguments().mid(1));
        result = app.exec();
        window.canvas()->applicationWillTerminate();
    }
    quillmark::ContactSource::setSystem(nullptr);
    Language::clean();
    return result;
}
