#pragma once
// The arithmetic of a resize knob's drag, shared by single objects and groups: which edges a
// knob holds, how they follow the pointer, the kept ratio and square, and where the frame
// goes so that a turned object keeps the side opposite the knob in place.
#include <QPointF>
#include <QRectF>
#include <QTransform>

namespace quillmark {

namespace KnobResize {

// Turns about `center` by `degrees`, clockwise on the y-down page for positive angles.
QTransform turnAbout(const QPointF &center, double degrees);
// Knobs 1 2 3 across the top, 4 and 5 the middle of the sides, 6 7 8 across the bottom.
QPointF knobPosition(const QRectF &frame, int knob);
inline bool isLeftKnob(int knob) { return knob == 1 || knob == 4 || knob == 6; }
inline bool isRightKnob(int knob) { return knob == 3 || knob == 5 || knob == 8; }
inline bool isTopKnob(int knob) { return knob == 1 || knob == 2 || knob == 3; }
inline bool isBottomKnob(int knob) { return knob == 6 || knob == 7 || knob == 8; }

// The frame being dragged out of `from`.
struct Frame
{
    double x, y, w, h;
};

// The knob's left or right edge follows `px`; `symmetric` moves the opposite edge the other
// way. YES when the width came out negative and the frame was turned the right way round
// (the caller flips the knob and what it draws).
bool dragHorizontally(int knob, double px, const QRectF &from, bool symmetric, Frame &frame);
// The same for the top or bottom edge and `py`.
bool dragVertically(int knob, double py, const QRectF &from, bool symmetric, Frame &frame);
// Keeps the ratio of `from`, which has width and height: a middle knob of the top or bottom
// edge sets the width from the height, every other knob the height from the width.
void keepRatio(int knob, const QRectF &from, Frame &frame);
// A frame dragged out of nothing: the longer side for both, centred on the shorter one.
void makeSquare(Frame &frame);
// Moves the frame so that, turned by `degrees` about its own centre, the side opposite the knob
// stays where it was when turned about `center`.
void keepOppositeSide(const QPointF &center, double degrees, Frame &frame);

} // namespace KnobResize

} // namespace quillmark
