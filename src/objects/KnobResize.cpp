#include "objects/KnobResize.h"

namespace quillmark {

namespace KnobResize {

QTransform turnAbout(const QPointF &center, double degrees)
{
    QTransform t;
    t.translate(center.x(), center.y());
    t.rotate(degrees);
    t.translate(-center.x(), -center.y());
    return t;
}

QPointF knobPosition(const QRectF &f, int knob)
{
    switch (knob) {
    case 1: return {f.left(), f.top()};
    case 2: return {f.center().x(), f.top()};
    case 3: return {f.right(), f.top()};
    case 4: return {f.left(), f.center().y()};
    case 5: return {f.right(), f.center().y()};
    case 6: return {f.left(), f.bottom()};
    case 7: return {f.center().x(), f.bottom()};
    case 8: return {f.right(), f.bottom()};
    default: return {};
    }
}

bool dragHorizontally(int knob, double px, const QRectF &from, bool symmetric, Frame &frame)
{
    const double x = from.x();
    const double w = from.width();
    if (isLeftKnob(knob)) {
        frame.x = px;
        frame.w = w + x - px;
        if (symmetric)
            frame.w += x - frame.x;
    } else if (isRightKnob(knob)) {
        frame.w = px - x;
        if (symmetric) {
            // The step is taken at the precision the stored frames keep.
            const double d = double(float(frame.w - w));
            frame.w += d;
            frame.x = x - d;
        }
    }
    if (!(frame.w < 0))
        return false;
    frame.x += frame.w;
    frame.w = -frame.w;
    return true;
}

bool dragVertically(int knob, double py, const QRectF &from, bool symmetric, Frame &frame)
{
    const double y = from.y();
    const double h = from.height();
    if (isTopKnob(knob)) {
        frame.y = py;
        frame.h = h + y - py;
        if (symmetric)
            frame.h += y - frame.y;
    } else if (isBottomKnob(knob)) {
        frame.h = py - y;
        if (symmetric) {
            const double d = double(float(frame.h - h));
            frame.h += d;
            frame.y = y - d;
        }
    }
    if (!(frame.h < 0))
        return false;
    frame.y += frame.h;
    frame.h = -frame.h;
    return true;
}

void keepRatio(int knob, const QRectF &from, Frame &frame)
{
    const double w = from.width();
    const double h = from.height();
    const double r = double(float(h / w));
    if (knob == 2 || knob == 7) {
        frame.w = frame.h / r;
        frame.x -= (frame.w - w) / 2;
    } else {
        frame.h = r * frame.w;
        if (knob == 4 || knob == 5)
            frame.y -= (frame.h - h) / 2;
    }
    if (knob == 1 || knob == 3)
        frame.y = from.y() + h - frame.h;
}

void makeSquare(Frame &frame)
{
    if (frame.h > frame.w) {
        frame.x -= (frame.h - frame.w) / 2;
        frame.w = frame.h;
    } else {
        frame.y -= (frame.w - frame.h) / 2;
        frame.h = frame.w;
    }
}

void keepOppositeSide(const QPointF &center, double degrees, Frame &frame)
{
    const QTransform turn = turnAbout(center, degrees);
    const QPointF first = turn.map(QPointF(frame.x, frame.y));
    const QPointF second = turn.map(QPointF(frame.x + frame.w, frame.y + frame.h));
    const QPointF middle = (first + second) / 2;
    const QPointF origin = turnAbout(middle, -degrees).map(first);
    frame.x = origin.x();
    frame.y = origin.y();
}

} // namespace KnobResize

} // namespace quillmark
