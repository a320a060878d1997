#include <QApplication>

#include "canvas/MainWindow.h"
#include "canvas/RectsView.h"
#include "foundation/Language.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Brenholt");
    QApplication::setApplicationName("Quillmark");

    using quillmark::Language;
    Language::initialize();
    quillmark::RectsView::measureScreenFactor();
    int result = 0;
    {
        quillmark::MainWindow window;
        // The controls registered while the window was built; loading the language again
        // lets every one of them show its translation.
        if (Language::language() != Language::english())
            Language::setLanguage(Language::language());
        window.show();
        result = app.exec();
        window.canvas()->applicationWillTerminate();
    }
    Language::clean();
    return result;
}
