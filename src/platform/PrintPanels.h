#pragma once
// The modal panels of printing: the system print panel, the page layout panel and the
// application's own sheets run before them. Every one goes through this interface, so tests
// answer them without a dialog ever blocking.
#include <QList>
#include <memory>

class QDialog;
class QPageLayout;
class QPrintDialog;
class QPrinter;
class QWidget;

namespace quillmark {

class PrintPanels
{
public:
    virtual ~PrintPanels() = default;

    // The print panel for the printer, with option tabs of the caller's (each tab's window
    // title names it); the caller keeps the tabs. The panel offers no page range of its own:
    // the job's ranges are the caller's. True when the user chose Print; the printer then
    // holds the choices (destination, copies, collation, paper).
    virtual bool runPrintPanel(QWidget *parent, QPrinter &printer, const QList<QWidget *> &tabs) = 0;
    // The page layout panel on the layout; true, with the choice in the layout, on OK.
    virtual bool runPageLayout(QWidget *parent, QPageLayout &layout) = 0;
    // A sheet of the application whose buttons end it with their tag; the tag that ended it.
    virtual int runSheet(QDialog &sheet) = 0;

    // The installed panels; the Qt dialogs unless something else was installed.
    static PrintPanels &current();
    // Installs `panels` (null restores the Qt dialogs) and hands back the ones it replaces.
    static std::unique_ptr<PrintPanels> install(std::unique_ptr<PrintPanels> panels);
};

// The real panels: QPrintDialog, QPageSetupDialog and the sheet's own exec().
class QtPrintPanels : public PrintPanels
{
public:
    bool runPrintPanel(QWidget *parent, QPrinter &printer, const QList<QWidget *> &tabs) override;
    bool runPageLayout(QWidget *parent, QPageLayout &layout) override;
    int runSheet(QDialog &sheet) override;

    // Leaves in a print dialog only what a label job honours: Qt's own page range (and its
    // page set) go, since the labels' range is the job's own.
    static void preparePrintDialog(QPrintDialog &dialog);
    // Leaves in a page setup dialog only what applies to label sheets: the paper and its
    // orientation. Labels print on the whole sheet, so margins and pages per sheet go.
    static void preparePageSetupDialog(QDialog &dialog);
};

} // namespace quillmark
