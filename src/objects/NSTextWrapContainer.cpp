#include "objects/NSTextWrapContainer.h"

#include <QTransform>

#include <algorithm>
#include <cmath>

#include "objects/ColorRect.h"

namespace quillmark {

namespace {

// Page coordinates far outside the 16-bit range (a huge container, a damaged document)
// are held at its ends instead of wrapping round.
int16_t toShort(double value)
{
    if (!std::isfinite(value))
        return 0;
    const double t = std::trunc(value);
    return int16_t(std::clamp(t, -32768.0, 32767.0));
}

// The flattened outline's elements as (type, point); a close carries no point.
struct Flat
{
    BezierPath::ElementType type;
    QPointF point;
};

} // namespace

NSTextWrapContainer::NSTextWrapContainer(const QSizeF &size)
    : TextContainer(size)
{
}

void NSTextWrapContainer::setGraphicObject(ColorRect *graphic)
{
    const QPointF newOrigin = graphic ? graphic->frameBounds().topLeft() : QPointF();
    const double newAngle = graphic ? double(graphic->angle()) : 0.0;
    // Where the box lies matters only to the obstacles it is crossed with.
    if (graphic != object || (!pathArray.isEmpty() && (newOrigin != origin || newAngle != angle)))
        changed();
    object = graphic;
    origin = newOrigin;
    angle = newAngle;
}

void NSTextWrapContainer::setAroundBezierPaths(const QList<BezierPath> &paths)
{
    if (paths.isEmpty()) {
        if (!pathArray.isEmpty())
            changed();
        pathArray.clear();
        return;
    }
    const QRectF frame = object ? object->frameBounds() : QRectF();
    if (paths == pathArray && frame == builtFrame && angle == builtAngle)
        return;
    changed();
    pathArray = paths;
    builtFrame = frame;
    builtAngle = angle;
    path.removeAllPoints();
    for (const BezierPath &obstacle : paths) {
        if (obstacle.isEmpty())
            continue;
        BezierPath closed = obstacle;
        if (closed.elementAt(closed.elementCount() - 1) != BezierPath::ClosePath)
            closed.closePath();
        BezierPath flat = closed.flattened(BezierPath::DefaultFlatness);
        if (angle != 0.0)
            flat = getRotatedPath(flat);
        path.appendPath(flat);
    }
}

BezierPath NSTextWrapContainer::getRotatedPath(const BezierPath &source) const
{
    const QRectF frame = object ? object->frameBounds() : QRectF();
    const QPointF centre = frame.center();
    QTransform turn;
    turn.translate(centre.x(), centre.y());
    turn.rotate(-angle);
    turn.translate(-centre.x(), -centre.y());

    BezierPath result;
    for (int i = 0; i < source.elementCount(); ++i) {
        QPointF pts[3];
        switch (source.elementAt(i, pts)) {
        case BezierPath::MoveTo:
            result.moveTo(turn.map(pts[0]));
            break;
        case BezierPath::LineTo:
            result.lineTo(turn.map(pts[0]));
            break;
        case BezierPath::CurveTo:
            result.curveTo(turn.map(pts[2]), turn.map(pts[0]), turn.map(pts[1]));
            break;
        case BezierPath::ClosePath:
            break;
        }
    }
    if (!result.isEmpty())
        result.closePath();
    return result;
}

QRectF NSTextWrapContainer::lineFragmentRectForProposedRect(const QRectF &proposedIn,
                                                            QRectF *remaining)
{
    QRectF scratch;
    if (!remaining)
        remaining = &scratch;
    QRectF proposed = proposedIn;
    const qreal px = proposed.x();

    for (;;) {
        QRectF r = standardLineFragmentRect(proposed, remaining);
        if (r.width() < 1.0)
            r.setWidth(0.0);

        const bool known = wrapMode >= LeftPiece && wrapMode <= NextPiece;
        if (!pathArray.isEmpty() && known) {
            const QRectF q = r.translated(origin);
            const BezierPath *hit = nullptr;
            for (const BezierPath &obstacle : pathArray) {
                if (obstacle.isEmpty())
                    continue;
                const QRectF overlap = obstacle.bounds() & q;
                if (!overlap.isEmpty()) {
                    hit = &obstacle;
                    break;
                }
            }
            if (hit) {
                const int16_t mid = toShort(q.center().y());
                textline.a = Point{mid, toShort(q.left())};
                textline.b = Point{mid, toShort(q.right())};

                itsCrossPoint.n = 1;
                buildFrameCrossPoint(0);
                sortPolyCrossPoint(1);
                itsCrossPoint.pt[0] = textline.a;
                itsCrossPoint.orient[0] = -1;
                if (itsCrossPoint.n < MaxCrossPoints) {
                    itsCrossPoint.pt[itsCrossPoint.n] = textline.b;
                    itsCrossPoint.orient[itsCrossPoint.n] = 1;
                    ++itsCrossPoint.n;
                }

                TextPieceNum = 0;
                buildTextPieces(0);
                remaining->setWidth(0.0);

                // No piece at all leaves an empty fragment at the line's start.
                TLine piece{textline.a, textline.a};
                bool selected = false;
                switch (wrapMode) {
                case LeftPiece: selected = selectLeftTextPiece(q, piece); break;
                case RightPiece: selected = selectRightTextPiece(q, piece); break;
                case WidestPiece: selected = maxTextPiece(q, piece); break;
                default: selected = selectTextPiece(q, piece); break;
                }
                r.setX(piece.a.h - origin.x());
                r.setWidth(piece.b.h - piece.a.h);

                if (wrapMode == NextPiece && selected && piece.b.h > piece.a.h) {
                    const qreal e = r.x() + r.width();
                    if (std::abs((q.right() - origin.x()) - e) <= 1.0) {
                        *remaining = QRectF();
                    } else {
                        int found = -1;
                        for (int k = 0; k < itsCrossPoint.n; ++k) {
                            if (std::trunc(itsCrossPoint.pt[k].h - origin.x()) > std::trunc(e)) {
                                found = k;
                                break;
                            }
                        }
                        if (found >= 0
                            && std::abs((itsCrossPoint.pt[found].h - itsCrossPoint.pt[0].h) - q.width())
                                   <= 1.0) {
                            *remaining = QRectF();
                        } else {
                            *remaining = QRectF(e, r.y(), proposed.width(), r.height());
                        }
                    }
                }
            }
        }

        if (r.width() > 0.0)
            return r;
        if (containerSize().height() > proposed.y() + proposed.height() + 1.0 && px == 0.0
            && proposed.height() / 2.0 > 0.0) {
            proposed.moveTop(proposed.y() + proposed.height() / 2.0);
            continue;
        }
        return r;
    }
}

void NSTextWrapContainer::buildFrameCrossPoint(int fontSz)
{
    const int count = path.elementCount();
    if (count < 2)
        return;

    auto pointOf = [&](int index) {
        QPointF pts[3];
        const BezierPath::ElementType type = path.elementAt(index, pts);
        const QPointF p = type == BezierPath::CurveTo ? pts[2] : pts[0];
        return Point{toShort(p.y() - fontSz), toShort(p.x())};
    };

    int previous = 0;
    Point last{0, 0};
    int added = 0;
    bool movedLast = false;
    int subpathStart = 0;

    int k = 0;
    while (k < count - 1) {
        const bool closing = path.elementAt(k + 1) == BezierPath::ClosePath;
        const TLine side{pointOf(k), closing ? pointOf(subpathStart) : pointOf(k + 1)};

        CPt cross;
        const int answer = tlineCrossPoint(textline, side, cross, fontSz);
        if (answer == 2 || answer == 3) {
            cross.pt = answer == 2 ? textline.b : textline.a;
            if (cross.orient != previous) {
                const int before = itsCrossPoint.n;
                putInCrossPoints(cross);
                if (itsCrossPoint.n > before)
                    ++added;
                previous = cross.orient;
            }
            last = cross.pt;
        } else if (answer == 1) {
            if (!(cross.pt == last && cross.orient == previous)) {
                if (cross.orient != previous) {
                    const int before = itsCrossPoint.n;
                    putInCrossPoints(cross);
                    if (itsCrossPoint.n > before)
                        ++added;
                    previous = cross.orient;
                } else if (cross.orient == -1 && !movedLast && itsCrossPoint.n > 1) {
                    itsCrossPoint.pt[itsCrossPoint.n - 1] = cross.pt;
                    movedLast = true;
                }
                last = cross.pt;
            }
        }

        if (closing) {
            // A subpath crossed an odd number of times would leave the depth count unbalanced.
            if (added % 2 == 1 && itsCrossPoint.n > 1)
                --itsCrossPoint.n;
            added = 0;
            previous = 0;
            k += 2;
            subpathStart = k;
        } else {
            ++k;
        }
    }
}

int NSTextWrapContainer::tlineCrossPoint(const TLine &line, const TLine &frameSide, CPt &crossPt,
                                         int fontSz) const
{
    const int yL = line.a.v;
    const int t = (fontSz >= 3 ? fontSz : 2) - 1;
    const Point s1 = frameSide.a;
    const Point s2 = frameSide.b;

    if ((s1.v < yL - t && s2.v < yL - t) || (s1.v > yL && s2.v > yL) || s1.v == s2.v)
        return 0;
    crossPt.orient = int16_t(sign(double(s2.v) - double(s1.v)));

    const int dh = s2.h - s1.h;
    const int lowV = std::min<int>(s1.v, s2.v);
    const int highV = std::max<int>(s1.v, s2.v);
    const int k = std::min(yL - lowV, t);
    int s1v = s1.v;
    int s2v = s2.v;
    const int below = yL - highV;
    if (below >= 0 && below <= t && dh <= 0) {
        s1v += k;
        s2v += k;
    } else if (yL == s1.v && dh > 0 && yL > s2.v) {
        return 0;
    }
    if (yL > lowV && yL < highV && dh <= 0) {
        s1v += k;
        s2v += k;
    }
    if (yL == s1.v && dh < 0 && yL < s2.v)
        return 0;

    const bool zeroLine = line.a.h == line.b.h;
    const bool vertical = s1.h == s2.h;
    if ((zeroLine && vertical) || s1v == s2v)
        return 0;

    double h = 0.0;
    double v = 0.0;
    if (!vertical && !zeroLine) {
        const double m = double(s1v - s2v) / double(s1.h - s2.h);
        const double c = std::trunc(s1v - s1.h * m);
        h = (yL - c) / m;
        v = yL;
    } else if (zeroLine) {
        h = line.a.h;
        v = s1v + double(s2v - s1v) * double(line.a.h - s1.h) / double(dh);
    } else {
        h = s1.h;
        v = yL;
    }

    const double lowSide = std::min(s1v, s2v);
    const double highSide = std::max(s1v, s2v);
    if (v >= lowSide && v <= highSide) {
        if (h > line.b.h)
            return 2;
        if (h < line.a.h)
            return 3;
    }
    if (h < line.a.h || h > line.b.h || v < lowSide || v > highSide)
        return 0;
    crossPt.pt = Point{toShort(v), toShort(h)};
    return 1;
}

void NSTextWrapContainer::putInCrossPoints(const CPt &crossPt)
{
    // The table is full: further crossings are dropped rather than written past its end.
    if (itsCrossPoint.n < 0 || itsCrossPoint.n >= MaxCrossPoints)
        return;
    itsCrossPoint.pt[itsCrossPoint.n] = crossPt.pt;
    itsCrossPoint.orient[itsCrossPoint.n] = crossPt.orient;
    ++itsCrossPoint.n;
}

void NSTextWrapContainer::sortPolyCrossPoint(int first)
{
    const int n = itsCrossPoint.n;
    for (int end = n - 1; end > first; --end) {
        for (int j = std::max(first, 0); j < end; ++j) {
            if (itsCrossPoint.pt[j + 1].h < itsCrossPoint.pt[j].h) {
                std::swap(itsCrossPoint.pt[j], itsCrossPoint.pt[j + 1]);
                std::swap(itsCrossPoint.orient[j], itsCrossPoint.orient[j + 1]);
            }
        }
    }
}

void NSTextWrapContainer::buildTextPieces(int)
{
    const int n = itsCrossPoint.n;
    if (n < 2)
        return;
    int depth = 0;
    for (int k = 0; k <= n - 2; ++k) {
        if (itsCrossPoint.orient[k] == -1)
            ++depth;
        else if (itsCrossPoint.orient[k] == 1)
            --depth;
        if (depth == 1) {
            const Point start = itsCrossPoint.pt[k];
            const Point end = itsCrossPoint.pt[k + 1];
            itsCrossPoint.pt[TextPieceNum] = start;
            itsCrossPoint.pt[TextPieceNum + 1] = end;
            TextPieceNum += 2;
        }
    }
}

bool NSTextWrapContainer::selectLeftTextPiece(const QRectF &, TLine &piece) const
{
    if (TextPieceNum < 2)
        return false;
    piece = TLine{itsCrossPoint.pt[0], itsCrossPoint.pt[1]};
    return true;
}

bool NSTextWrapContainer::selectRightTextPiece(const QRectF &, TLine &piece) const
{
    if (TextPieceNum < 2)
        return false;
    piece = TLine{itsCrossPoint.pt[TextPieceNum - 2], itsCrossPoint.pt[TextPieceNum - 1]};
    return true;
}

bool NSTextWrapContainer::maxTextPiece(const QRectF &lineRect, TLine &piece) const
{
    int best = -1;
    int widest = 0;
    for (int i = 0; i + 1 < TextPieceNum; i += 2) {
        const int width = itsCrossPoint.pt[i + 1].h - itsCrossPoint.pt[i].h;
        if (best < 0 || width > widest) {
            best = i;
            widest = width;
        }
    }
    if (best < 0)
        return true;
    piece = TLine{itsCrossPoint.pt[best], itsCrossPoint.pt[best + 1]};
    if (piece.a.h < lineRect.x())
        piece.a = piece.b;
    return true;
}

bool NSTextWrapContainer::selectTextPiece(const QRectF &lineRect, TLine &piece) const
{
    for (int i = 0; i + 1 < TextPieceNum; i += 2) {
        const Point start = itsCrossPoint.pt[i];
        const Point end = itsCrossPoint.pt[i + 1];
        if (end.h <= lineRect.x())
            continue;
        piece = TLine{start, end};
        if (end.h - start.h > 5)
            return true;
    }
    return false;
}

int NSTextWrapContainer::sign(double value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

} // namespace quillmark
