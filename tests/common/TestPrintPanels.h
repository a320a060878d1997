#pragma once
// An answering stand-in for the print panels: tests queue what the user does in each panel,
// the code under test asks, and every panel shown is recorded with what it showed.
#include <QList>
#include <QPageLayout>
#include <QString>
#include <deque>
#include <functional>
#include <memory>

#include "platform/PrintPanels.h"

namespace qmtest {

class TestPrintPanels : public quillmark::PrintPanels
{
public:
    enum Kind { PrintPanel, PageLayoutPanel, Sheet };

    struct Call
    {
        Kind kind = PrintPanel;
        QPageLayout layout;    // the paper the panel opened with
        QStringList tabTitles; // a print panel's own tabs
        QString title;         // a sheet's window title
    };

    // What the user does in the next print panel: sets up the printer and the tabs, then
    // answers true for Print or false for Cancel.
    using PrintAnswer = std::function<bool(QPrinter &printer, const QList<QWidget *> &tabs)>;
    void queuePrint(PrintAnswer answer) { m_prints.push_back(std::move(answer)); }
    // Print to a PDF file with a number of copies, collated; fillTabs works the tabs first.
    void queuePrintToFile(const QString &path, int copies = 1,
                          std::function<void(const QList<QWidget *> &tabs)> fillTabs = {});
    // The next page layout panel: OK with that layout, or Cancel with none.
    void queuePageLayout(const QPageLayout &layout) { m_layouts.push_back(layout); }
    void queuePageLayoutCancel() { m_layouts.push_back(QPageLayout()); }
    // The next sheet: clicks its push button with that text (as the sheet shows it).
    void queueSheetButton(const QString &text);
    // The next sheet: the user works its real controls (typing, clicking, dragging) and ends
    // it with one of its buttons; the sheet's result is what that button ended it with.
    void queueSheet(std::function<void(QDialog &sheet)> work) { m_sheets.push_back(std::move(work)); }

    const QList<Call> &calls() const { return m_calls; }
    int count(Kind kind) const;
    const Call &last() const { return m_calls.last(); }

    // A panel with nothing queued is cancelled.
    bool runPrintPanel(QWidget *parent, QPrinter &printer, const QList<QWidget *> &tabs) override;
    bool runPageLayout(QWidget *parent, QPageLayout &layout) override;
    int runSheet(QDialog &sheet) override;

private:
    std::deque<PrintAnswer> m_prints;
    std::deque<QPageLayout> m_layouts;
    std::deque<std::function<void(QDialog &)>> m_sheets;
    QList<Call> m_calls;
};

// Installs a TestPrintPanels for its lifetime and puts the previous panels back afterwards.
class ScopedTestPrintPanels
{
public:
    ScopedTestPrintPanels();
    ~ScopedTestPrintPanels();
    ScopedTestPrintPanels(const ScopedTestPrintPanels &) = delete;
    ScopedTestPrintPanels &operator=(const ScopedTestPrintPanels &) = delete;

    TestPrintPanels &panels() { return *m_panels; }
    TestPrintPanels *operator->() { return m_panels; }

private:
    TestPrintPanels *m_panels = nullptr;
    std::unique_ptr<quillmark::PrintPanels> m_previous;
};

} // namespace qmtest
