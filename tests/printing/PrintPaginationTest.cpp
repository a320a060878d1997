#include <gtest/gtest.h>

#include "printing/PrintPagination.h"

using namespace quillmark;

namespace {

PrintJob sequenceJob(int records, int side = PrintJob::Front)
{
    PrintJob job;
    job.sequence = true;
    for (int i = 0; i < records; ++i)
        job.recordKeys.append(100 + i);
    job.cardSide = side;
    return job;
}

PrintJob rangeJob(int from, int to)
{
    PrintJob job;
    job.rangeOn = true;
    job.from = from;
    job.to = to;
    return job;
}

QList<int> positionsOf(const QList<LabelPlacement> &placements)
{
    QList<int> positions;
    for (const LabelPlacement &placement : placements)
        positions.append(placement.position);
    return positions;
}

QList<int> labelsOf(const QList<LabelPlacement> &placements)
{
    QList<int> labels;
    for (const LabelPlacement &placement : placements)
        labels.append(placement.label);
    return labels;
}

} // namespace

TEST(PrintPagination, PageCounts)
{
    struct Row
    {
        const char *name;
        PrintJob job;
        int per;
        int pages;
    };
    PrintJob both;
    both.cardSide = PrintJob::BothSides;
    PrintJob rangeWithRecords = sequenceJob(8);
    rangeWithRecords.rangeOn = true;
    rangeWithRecords.from = 1;
    rangeWithRecords.to = 20;
    const Row rows[] = {
        {"plain print", PrintJob(), 10, 1},
        {"plain print both sides", both, 10, 2},
        {"all positions off", PrintJob(), 0, 1},
        {"sequence without records", sequenceJob(0), 10, 1},
        {"sequence 25 records", sequenceJob(25), 10, 3},
        {"sequence 25 records both sides", sequenceJob(25, PrintJob::BothSides), 10, 6},
        {"sequence 12 records 8 positions", sequenceJob(12), 8, 2},
        {"range 3-7", rangeJob(3, 7), 10, 1},
        {"range 1-25", rangeJob(1, 25), 10, 3},
        {"range 5-4", rangeJob(5, 4), 10, 0},
        {"range 6-4", rangeJob(6, 4), 10, 0},
        {"range 5-12", rangeJob(5, 12), 10, 2},
        {"range 15-18 on the second sheet", rangeJob(15, 18), 10, 1},
        {"range capped by 8 records", rangeWithRecords, 10, 1},
    };
    for (const Row &row : rows)
        EXPECT_EQ(PrintPagination::pageCount(row.job, row.per), row.pages) << row.name;
}

TEST(PrintPagination, SwitchedOffPositionsKeepTheRecordForTheNextPosition)
{
    QByteArray flags(10, '\0');
    flags[2] = 1;
    flags[5] = 1;
    const PrintJob job = sequenceJob(12);
    EXPECT_EQ(PrintPagination::printablePositions(flags, 10), 8);
    EXPECT_EQ(PrintPagination::pageCount(job, 8), 2);
    const QList<LabelPlacement> page1 = PrintPagination::placements(job, flags, 10, 1);
    EXPECT_EQ(positionsOf(page1), (QList<int>{0, 1, 3, 4, 6, 7, 8, 9}));
    EXPECT_EQ(labelsOf(page1), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    const QList<LabelPlacement> page2 = PrintPagination::placements(job, flags, 10, 2);
    EXPECT_EQ(positionsOf(page2), (QList<int>{0, 1, 3, 4}));
    EXPECT_EQ(labelsOf(page2), (QList<int>{8, 9, 10, 11}));
    EXPECT_TRUE(PrintPagination::placements(job, flags, 10, 3).isEmpty());
}

TEST(PrintPagination, SkippingStopsAtTheEndOfTheSheet)
{
    // More flags than positions, all switched off past the second: nothing runs past the
    // sheet looking for a free position.
    QByteArray flags(40, '\1');
    flags[0] = 0;
    flags[1] = 0;
    const QList<LabelPlacement> page = PrintPagination::placements(sequenceJob(5), flags, 4, 1);
    EXPECT_EQ(positionsOf(page), (QList<int>{0, 1}));
    const QByteArray off(10, '\1');
    EXPECT_TRUE(PrintPagination::placements(PrintJob(), off, 10, 1).isEmpty());
}

TEST(PrintPagination, RangesPrintTheSheetsTheyCover)
{
    const PrintJob job = rangeJob(5, 12);
    EXPECT_EQ(positionsOf(PrintPagination::placements(job, {}, 10, 1)), (QList<int>{4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(positionsOf(PrintPagination::placements(job, {}, 10, 2)), (QList<int>{0, 1}));
    EXPECT_EQ(labelsOf(PrintPagination::placements(job, {}, 10, 2)), (QList<int>{10, 11}));

    // A range that starts on the second sheet prints it on the first page, never a blank one.
    const PrintJob later = rangeJob(15, 18);
    EXPECT_EQ(PrintPagination::pageCount(later, 10), 1);
    EXPECT_EQ(positionsOf(PrintPagination::placements(later, {}, 10, 1)), (QList<int>{4, 5, 6, 7}));

    EXPECT_EQ(positionsOf(PrintPagination::placements(rangeJob(3, 7), {}, 10, 1)), (QList<int>{2, 3, 4, 5, 6}));
    EXPECT_TRUE(PrintPagination::placements(rangeJob(5, 4), {}, 10, 1).isEmpty());
}

TEST(PrintPagination, BothSidesPrintEachSheetTwice)
{
    const PrintJob job = sequenceJob(12, PrintJob::BothSides);
    EXPECT_EQ(PrintPagination::pageCount(job, 8), 4);
    const QByteArray flags(8, '\0');
    for (int page = 1; page <= 4; ++page) {
        EXPECT_EQ(PrintPagination::isBackPage(job, page), page % 2 == 0) << page;
        const QList<LabelPlacement> placements = PrintPagination::placements(job, flags, 8, page);
        ASSERT_FALSE(placements.isEmpty());
        EXPECT_EQ(placements.first().label, page <= 2 ? 0 : 8) << page;
        EXPECT_EQ(placements.size(), page <= 2 ? 8 : 4) << page;
    }
    PrintJob back;
    back.cardSide = PrintJob::Back;
    EXPECT_TRUE(PrintPagination::isBackPage(back, 1));
    EXPECT_FALSE(PrintPagination::isBackPage(PrintJob(), 2));
}

TEST(PrintPagination, SequenceWithoutRecordsFillsTheSheetWithTheCurrentRecord)
{
    EXPECT_EQ(PrintPagination::placements(sequenceJob(0), {}, 6, 1).size(), 6);
    EXPECT_EQ(PrintPagination::placements(PrintJob(), QByteArray(6, '\0'), 6, 1).size(), 6);
}
