#include "platform/PrintInfo.h"

#include <QLocale>
#include <QMarginsF>

namespace quillmark {

PrintInfo::PrintInfo()
{
    reset();
}

PrintInfo &PrintInfo::sharedPrintInfo()
{
    static PrintInfo info;
    return info;
}

QPageSize PrintInfo::localePaper()
{
    return QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize(QPageSize::Letter)
                                                                       : QPageSize(QPageSize::A4);
}

void PrintInfo::reset()
{
    setPaper(localePaper());
    m_paperSource.clear();
}

void PrintInfo::setPageLayout(const QPageLayout &layout)
{
    if (!layout.isValid())
        return;
    m_layout = QPageLayout(layout.pageSize(), layout.orientation(), QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

void PrintInfo::setPaper(const QPageSize &paper)
{
    if (!paper.isValid())
        return;
    m_layout = QPageLayout(paper, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

QSizeF PrintInfo::paperSize() const
{
    return exactPaperSize(m_layout);
}

QSizeF PrintInfo::exactPaperSize(const QPageLayout &layout)
{
    // Qt rounds its papers to whole points (A4 is 595 x 842); the sheet's back side is
    // mirrored across the real width, so the size comes from the paper's own definition.
    const QPageSize page = layout.pageSize();
    QSizeF size = page.definitionSize();
    switch (page.definitionUnits()) {
    case QPageSize::Millimeter:
        size *= 72.0 / 25.4;
        break;
    case QPageSize::Inch:
        size *= 72.0;
        break;
    case QPageSize::Point:
        break;
    default:
        size = page.size(QPageSize::Point);
        break;
    }
    if (layout.orientation() == QPageLayout::Landscape)
        size.transpose();
    return size;
}

} // namespace quillmark
