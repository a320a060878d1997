#include "common/TestPrintPanels.h"

#include <QDialog>
#include <QPrinter>
#include <QPushButton>
#include <QWidget>

namespace qmtest {

int TestPrintPanels::count(Kind kind) const
{
    int n = 0;
    for (const Call &call : m_calls)
        n += call.kind == kind ? 1 : 0;
    return n;
}

void TestPrintPanels::queuePrintToFile(const QString &path, int copies,
                                       std::function<void(const QList<QWidget *> &)> fillTabs)
{
    queuePrint([path, copies, fillTabs](QPrinter &printer, const QList<QWidget *> &tabs) {
        if (fillTabs)
            fillTabs(tabs);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setCopyCount(copies);
        printer.setCollateCopies(true);
        return true;
    });
}

bool TestPrintPanels::runPrintPanel(QWidget *, QPrinter &printer, const QList<QWidget *> &tabs)
{
    Call call;
    call.kind = PrintPanel;
    call.layout = printer.pageLayout();
    for (const QWidget *tab : tabs)
        call.tabTitles << (tab ? tab->windowTitle() : QString());
    m_calls << call;
    if (m_prints.empty())
        return false;
    PrintAnswer answer = std::move(m_prints.front());
    m_prints.pop_front();
    return answer(printer, tabs);
}

bool TestPrintPanels::runPageLayout(QWidget *, QPageLayout &layout)
{
    Call call;
    call.kind = PageLayoutPanel;
    call.layout = layout;
    m_calls << call;
    if (m_layouts.empty())
        return false;
    const QPageLayout answer = m_layouts.front();
    m_layouts.pop_front();
    if (!answer.isValid())
        return false;
    layout = answer;
    return true;
}

void TestPrintPanels::queueSheetButton(const QString &text)
{
    queueSheet([text](QDialog &sheet) {
        for (QPushButton *button : sheet.findChildren<QPushButton *>()) {
            if (button->text() == text) {
                button->click();
                break;
            }
        }
    });
}

int TestPrintPanels::runSheet(QDialog &sheet)
{
    Call call;
    call.kind = Sheet;
    call.title = sheet.windowTitle();
    m_calls << call;
    if (m_sheets.empty())
        return 0;
    const std::function<void(QDialog &)> work = std::move(m_sheets.front());
    m_sheets.pop_front();
    sheet.setResult(0);
    work(sheet);
    return sheet.result();
}

ScopedTestPrintPanels::ScopedTestPrintPanels()
{
    auto panels = std::make_unique<TestPrintPanels>();
    m_panels = panels.get();
    m_previous = quillmark::PrintPanels::install(std::move(panels));
}

ScopedTestPrintPanels::~ScopedTestPrintPanels()
{
    quillmark::PrintPanels::install(std::move(m_previous));
}

} // namespace qmtest
