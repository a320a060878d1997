#pragma once
// One print job (or whole-sheet export) as the sheet imaging sees it: which side, which
// labels, which records, the calibration offset and the paper. Pagination is kept here as
// plain arithmetic so the printer, files and previews page the same way.
#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QSizeF>

namespace quillmark {

struct PrintJob
{
    enum CardSide { Front = 0, Back = 1, BothSides = 2 };

    int cardSide = Front;
    // Print Sequence: one label per record of `recordKeys`, in list order.
    bool sequence = false;
    QList<qint32> recordKeys;
    // The From-To range of the print panel, counted from 1 (To included).
    bool rangeOn = false;
    int from = 1;
    int to = 0;
    // The printer's calibration offset in points: positive x right, positive y down.
    QPointF calibrationOffset;
    // Outlines and rulers instead of the design.
    bool calibrationSheet = false;
    // The paper in points.
    QSizeF paper = QSizeF(612.0, 792.0);
};

} // namespace quillmark
