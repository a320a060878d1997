#pragma once
// The application's one page layout: the paper that Page Setup edits and that every print
// job, whole-sheet file and stock preview uses. Labels print on the whole sheet, so the
// layout keeps no margins.
#include <QPageLayout>
#include <QPageSize>
#include <QSizeF>
#include <QString>

namespace quillmark {

class PrintInfo
{
public:
    // The shared print settings; they start on the locale's paper (letter where inches are
    // the measure, A4 elsewhere) until something chooses another.
    static PrintInfo &sharedPrintInfo();

    QPageLayout pageLayout() const { return m_layout; }
    // Takes the paper and orientation of the layout; margins are dropped.
    void setPageLayout(const QPageLayout &layout);
    QPageSize pageSize() const { return m_layout.pageSize(); }
    // The paper upright, with no margins.
    void setPaper(const QPageSize &paper);
    // The paper in points as it lies for printing: width and height exchanged in landscape.
    QSizeF paperSize() const;
    // The same for any layout, exact to the paper's own definition (A4 is 595.28 points wide).
    static QSizeF exactPaperSize(const QPageLayout &layout);

    // What the paper was last taken from (a stock's name); empty after a reset. The paper is
    // taken again only when that changes, so a paper the user chose stays meanwhile.
    QString paperSource() const { return m_paperSource; }
    void setPaperSource(const QString &source) { m_paperSource = source; }

    // The paper of the locale.
    static QPageSize localePaper();
    // Back to the locale's paper, upright.
    void reset();

private:
    PrintInfo();
    QPageLayout m_layout;
    QString m_paperSource;
};

} // namespace quillmark
