#include "printing/PrintPagination.h"

#include <algorithm>

namespace quillmark {

int PrintPagination::printablePositions(const QByteArray &flags, int positions)
{
    if (flags.isEmpty())
        return std::max(0, positions);
    return int(std::count(flags.cbegin(), flags.cend(), '\0'));
}

std::pair<int, int> PrintPagination::labelSpan(const PrintJob &job, int per)
{
    int first = 0;
    // Print Sequence without records prints the current record in every position.
    int end = job.sequence && !job.recordKeys.isEmpty() ? int(job.recordKeys.size()) : per;
    if (job.rangeOn) {
        first = std::max(0, job.from - 1);
        end = std::max(0, job.to);
        if (job.sequence && !job.recordKeys.isEmpty())
            end = std::min(end, int(job.recordKeys.size()));
    }
    return {first, end};
}

int PrintPagination::pageCount(const PrintJob &job, int per)
{
    int sheets = 1;
    if (per >= 1) {
        const auto [first, end] = labelSpan(job, per);
        if (job.rangeOn)
            sheets = end > first ? (end - 1) / per - first / per + 1 : 0;
        else if (job.sequence && end >= 1)
            sheets = (end + per - 1) / per;
    }
    return job.cardSide == PrintJob::BothSides ? sheets * 2 : sheets;
}

int PrintPagination::labelCount(const PrintJob &job, int per)
{
    if (per < 1)
        return 0;
    const auto [first, end] = labelSpan(job, per);
    return std::max(0, end - first);
}

QList<int> PrintPagination::pageSequence(int pages, int copies, bool collate, bool reverse)
{
    QList<int> order;
    pages = std::max(0, pages);
    copies = std::max(1, copies);
    order.reserve(qsizetype(pages) * copies);
    auto page = [&](int index) { return reverse ? pages - index : index + 1; };
    if (collate) {
        for (int copy = 0; copy < copies; ++copy)
            for (int index = 0; index < pages; ++index)
                order.append(page(index));
    } else {
        for (int index = 0; index < pages; ++index)
            for (int copy = 0; copy < copies; ++copy)
                order.append(page(index));
    }
    return order;
}

bool PrintPagination::isBackPage(const PrintJob &job, int page)
{
    return job.cardSide == PrintJob::Back || (job.cardSide == PrintJob::BothSides && page % 2 == 0);
}

int PrintPagination::sheetOfPage(const PrintJob &job, int per, int page)
{
    int sheet = job.cardSide == PrintJob::BothSides ? (page - 1) / 2 : page - 1;
    if (job.rangeOn && per >= 1)
        sheet += std::max(0, job.from - 1) / per;
    return std::max(0, sheet);
}

QList<LabelPlacement> PrintPagination::placements(const PrintJob &job, const QByteArray &flags, int positions,
                                                  int page)
{
    QList<LabelPlacement> result;
    const int per = printablePositions(flags, positions);
    if (per < 1 || page < 1 || page > pageCount(job, per))
        return result;

    QList<int> openPositions;
    openPositions.reserve(per);
    for (int c = 0; c < positions && openPositions.size() < per; ++c)
        if (c >= flags.size() || flags.at(c) == '\0')
            openPositions.append(c);

    const auto [first, end] = labelSpan(job, per);
    const int sheet = sheetOfPage(job, per, page);
    const int sheetStart = sheet * per;
    const int start = std::max(sheetStart, first);
    const int stop = std::min(sheetStart + per, end);
    for (int i = start; i < stop; ++i) {
        const int slot = i - sheetStart;
        if (slot >= openPositions.size())
            break;
        result.append({openPositions.at(slot), i});
    }
    return result;
}

} // namespace quillmark
