#pragma once
// Pagination of print jobs and whole-sheet exports: how many pages a job has and which label
// goes to which position on each page.
#include <QByteArray>
#include <QList>
#include <utility>

#include "printing/PrintJob.h"

namespace quillmark {

// One label to draw on a page: the position on the sheet and the label index (counted from
// 0), which is also the index of the record in Print Sequence.
struct LabelPlacement
{
    int position = 0;
    int label = 0;
    bool operator==(const LabelPlacement &other) const
    {
        return position == other.position && label == other.label;
    }
};

class PrintPagination
{
public:
    // Printable positions of a sheet: the zero bytes of the flags, or every position when
    // there are no flags.
    static int printablePositions(const QByteArray &flags, int positions);

    // Pages of a job on a sheet with `positions` positions (of which `per` print). A range
    // prints one page per sheet it touches, from the sheet of label From to the sheet of its
    // last label; both sides double the count.
    static int pageCount(const PrintJob &job, int per);

    // The labels of page `page` (counted from 1): label k goes to the k-th printable
    // position of its sheet, so a range that starts inside a sheet leaves the positions
    // before it empty.
    static QList<LabelPlacement> placements(const PrintJob &job, const QByteArray &flags, int positions,
                                            int page);

    // How many labels the job prints: 0 when no position prints or a range selects none.
    static int labelCount(const PrintJob &job, int per);

    // The order in which the pages of a job go to paper when it is printed `copies` times:
    // collated, whole sets one after another (1 2 3 1 2 3); otherwise each page its copies
    // in turn (1 1 2 2 3 3). Reversed, the last page comes first.
    static QList<int> pageSequence(int pages, int copies, bool collate, bool reverse);

    // Whether page `page` shows the back of the sheet.
    static bool isBackPage(const PrintJob &job, int page);

    // The sheet (counted from 0) that page `page` shows.
    static int sheetOfPage(const PrintJob &job, int per, int page);

    // The label indexes the job prints, [first, end); empty when first >= end. In Print
    // Sequence they are the indexes of the records printed.
    static std::pair<int, int> labelSpan(const PrintJob &job, int per);
};

} // namespace quillmark
