#pragma once
// The cross of rulers drawn on a calibration mark, shared by the print preview of a disc and
// the calibration sheet.
#include <QRectF>

class QPainter;

namespace quillmark {

// Tick lengths of a calibration ruler: at whole units, at thirds of the half length (in
// `measure` 1 only) and at the minor steps.
struct RulerTicks
{
    double major = 0.0;
    double third = 0.0;
    double minor = 0.0;
};

// A ruler `half` long each way from the mark `rect` stands for (its left edge and vertical
// middle for a horizontal ruler, its top edge and horizontal middle for a vertical one): whole
// units every `half` in inches (`measure` 0), every `half` / 1.5 otherwise, and eight minor
// steps each way in inches, fifteen otherwise. Ticks rise from a horizontal ruler and reach
// right from a vertical one. Stroked in the painter's pen colour at `penWidth`.
void drawCalibrationRuler(QPainter *painter, const QRectF &rect, Qt::Orientation orientation, double half,
                          int measure, const RulerTicks &ticks, double penWidth);

} // namespace quillmark
