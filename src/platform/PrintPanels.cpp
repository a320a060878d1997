#include "platform/PrintPanels.h"

#include <QAbstractPrintDialog>
#include <QGroupBox>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>

namespace quillmark {

namespace {

std::unique_ptr<PrintPanels> &installed()
{
    static std::unique_ptr<PrintPanels> panels;
    return panels;
}

// Takes a control of a Qt dialog out of sight for good: the dialog's own code may show it
// again, but inside a hidden holder it stays hidden, and its layout closes the gap.
void putAway(QDialog &dialog, QWidget *widget)
{
    if (!widget)
        return;
    auto *holder = dialog.findChild<QWidget *>(QStringLiteral("qm_putAway"), Qt::FindDirectChildrenOnly);
    if (!holder) {
        holder = new QWidget(&dialog);
        holder->setObjectName(QStringLiteral("qm_putAway"));
        holder->hide();
    }
    widget->setParent(holder);
}

} // namespace

PrintPanels &PrintPanels::current()
{
    auto &panels = installed();
    if (!panels)
        panels = std::make_unique<QtPrintPanels>();
    return *panels;
}

std::unique_ptr<PrintPanels> PrintPanels::install(std::unique_ptr<PrintPanels> panels)
{
    auto &slot = installed();
    std::unique_ptr<PrintPanels> previous = std::move(slot);
    slot = std::move(panels);
    return previous;
}

void QtPrintPanels::preparePrintDialog(QPrintDialog &dialog)
{
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    // Qt 6 still shows its range group, disabled, with the "Pages" field and the page set.
    putAway(dialog, dialog.findChild<QGroupBox *>(QStringLiteral("gbPrintRange")));
}

void QtPrintPanels::preparePageSetupDialog(QDialog &dialog)
{
    if (QWidget *top = dialog.findChild<QWidget *>(QStringLiteral("topMargin")))
        putAway(dialog, qobject_cast<QGroupBox *>(top->parentWidget()));
    putAway(dialog, dialog.findChild<QGroupBox *>(QStringLiteral("pagesPerSheetButtonGroup")));
}

bool QtPrintPanels::runPrintPanel(QWidget *parent, QPrinter &printer, const QList<QWidget *> &tabs)
{
    QList<std::pair<QPointer<QWidget>, QWidget *>> parents;
    for (QWidget *tab : tabs)
        parents.append(std::make_pair(QPointer<QWidget>(tab), tab ? tab->parentWidget() : nullptr));
    bool accepted = false;
    {
        QPrintDialog dialog(&printer, parent);
        preparePrintDialog(dialog);
        dialog.setOptionTabs(tabs);
        dialog.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
        accepted = dialog.exec() == QDialog::Accepted;
        // The dialog deletes what it holds; the tabs go back to their owners first.
        for (const auto &[tab, previous] : parents)
            if (tab) {
                tab->hide();
                tab->setParent(previous);
            }
    }
    return accepted;
}

bool QtPrintPanels::runPageLayout(QWidget *parent, QPageLayout &layout)
{
    QPrinter printer;
    printer.setFullPage(true);
    printer.setPageLayout(layout);
    QPageSetupDialog dialog(&printer, parent);
    preparePageSetupDialog(dialog);
    dialog.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    layout = printer.pageLayout();
    return true;
}

int QtPrintPanels::runSheet(QDialog &sheet)
{
    return sheet.exec();
}

} // namespace quillmark
