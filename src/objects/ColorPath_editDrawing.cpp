// The drawing of a path in point editing: the outline as a hairline, and the edit points (end
// points as circles, control points as squares with their lines) over the outline stroked in
// the painter's colour. An outline of many thousand points is drawn from pictures kept of all
// but its live elements (those a drag of the selected point moves, see ColorPath.h), made off
// the window's thread; the live ones are drawn as they are at every repaint.
#include "objects/ColorPath.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>

#include "objects/CanvasServices.h"
#include "objects/GeometryHelpers.h"
#include "platform/Pen.h"
#include "platform/SavedPainterState.h"

namespace quillmark {

namespace {

// Above this many drawn elements a stroke wider than a device pixel is drawn segment by
// segment: Qt rasterises one wide stroke of a long outline crossing itself in time that
// grows far faster than the outline (seconds for a few thousand points).
constexpr int WholeStrokeElements = 200;

int drawnPointCount(BezierPath::ElementType type)
{
    return type == BezierPath::CurveTo ? 3 : (type == BezierPath::ClosePath ? 0 : 1);
}

QPointF lastPointOf(BezierPath::ElementType type, const QPointF *pts)
{
    return type == BezierPath::CurveTo ? pts[2] : pts[0];
}

// One element as drawn: where its line starts, its points, the end of the element drawn
// before it (where a first control point's line starts) and, for a close, the point it
// returns to. In page points.
struct Piece
{
    int index = 0;
    BezierPath::ElementType type = BezierPath::MoveTo;
    QPointF from;
    QPointF pts[3];
    QPointF previousEnd;
    QPointF subpathStart;
};

// The device scale of a painter that neither turns nor skews, 0 for one that does.
double uprightScale(const QPainter *p)
{
    const QTransform t = p->deviceTransform();
    if (t.type() > QTransform::TxScale || !(t.m11() > 0) || std::abs(t.m11() - t.m22()) > 1e-9 * t.m11())
        return 0;
    return t.m11();
}

// The part of the page the painter can reach (its device, within its clip). (The device
// transform of a widget's painter carries the widget's place in its window; the combined one
// maps onto the widget's own rectangle.)
QRectF reachablePage(const QPainter *p)
{
    const QPaintDevice *device = p->device();
    bool invertible = false;
    const QTransform toPage = p->combinedTransform().inverted(&invertible);
    if (!device || !invertible)
        return QRectF();
    QRectF area = toPage.mapRect(QRectF(0, 0, device->width(), device->height()));
    // (The clip's bounds are given in the painter's own coordinates already.)
    if (p->hasClipping())
        area = area.intersected(p->clipBoundingRect());
    return area;
}

// Marks of one colour and shape: copied as a picture of one mark, made once per drawing, onto
// device pixels when the painter is upright; else painted one by one.
class Marks
{
public:
    Marks(QPainter *painter, double side, bool round, const QColor &colour)
        : m_painter(painter)
        , m_side(side)
        , m_round(round)
        , m_colour(colour)
        , m_scale(uprightScale(painter))
    {
    }

    void add(const QPointF &center) { m_centers.push_back(center); }

    void draw()
    {
        if (m_centers.empty())
            return;
        const double pixels = m_side * m_scale;
        if (!(pixels > 0) || pixels > 64) {
            drawOneByOne();
            return;
        }
        const int size = int(std::ceil(pixels)) + 2;
        QImage mark(size, size, QImage::Format_ARGB32_Premultiplied);
        mark.fill(Qt::transparent);
        {
            QPainter p(&mark);
            p.setRenderHint(QPainter::Antialiasing);
            const QRectF shape(size / 2.0 - pixels / 2.0, size / 2.0 - pixels / 2.0, pixels, pixels);
            if (m_round) {
                p.setPen(Qt::NoPen);
                p.setBrush(m_colour);
                p.drawEllipse(shape);
            } else {
                p.fillRect(shape, m_colour);
            }
        }
        const QTransform device = m_painter->deviceTransform();
        SavedPainterState state(m_painter);
        m_painter->setWorldTransform(device.inverted() * m_painter->worldTransform());
        for (const QPointF &center : m_centers) {
            const QPointF at = device.map(center) - QPointF(size / 2.0, size / 2.0);
            m_painter->drawImage(QPoint(qRound(at.x()), qRound(at.y())), mark);
        }
    }

private:
    void drawOneByOne()
    {
        SavedPainterState state(m_painter);
        m_painter->setPen(Qt::NoPen);
        m_painter->setBrush(m_colour);
        for (const QPointF &center : m_centers) {
            if (m_round)
                m_painter->drawEllipse(squareAt(center, m_side));
            else
                m_painter->fillRect(squareAt(center, m_side), m_colour);
        }
    }

    QPainter *m_painter;
    double m_side;
    bool m_round;
    QColor m_colour;
    double m_scale;
    std::vector<QPointF> m_centers;
};

} // namespace

// What an edit drawing paints, by value: made on the window's thread and painted there (the
// live elements, or a whole outline of few points) or on the worker's (a picture of the rest).
struct ColorPath::EditMarks
{
    BezierPath stored;
    // Stored outline -> page points.
    QTransform toPage;
    // Sorted. The drawing paints these elements alone, or every element but these.
    std::vector<int> live;
    bool onlyLive = false;
    // The points' drawing, else the outline's hairline.
    bool forPoints = false;
    BezierPoint selected;
    double side = 0, hairline = 0, guideWidth = 0, lineWidth = 0;
    QColor stroke;

    void paint(QPainter *p) const
    {
        if (stored.isEmpty())
            return;
        std::vector<Piece> pieces;
        pieces.reserve(onlyLive ? live.size() : size_t(stored.elementCount()));
        collect(pieces);
        if (!forPoints) {
            strokeAlong(p, pieces, makePen(Qt::darkGray, hairline));
            return;
        }
        strokeAlong(p, pieces, makePen(stroke, lineWidth));
        drawMarks(p, pieces);
    }

private:
    Piece piece(int i) const
    {
        Piece one;
        one.index = i;
        one.type = stored.elementAt(i, one.pts);
        for (int n = 0; n < drawnPointCount(one.type); ++n)
            one.pts[n] = toPage.map(one.pts[n]);
        return one;
    }

    void collect(std::vector<Piece> &pieces) const
    {
        if (onlyLive) {
            for (int i : live)
                if (i >= 0 && i < stored.elementCount())
                    pieces.push_back(liveBefore(piece(i)));
            return;
        }
        QPointF current, subpathStart, previousEnd;
        auto next = live.cbegin();
        for (int i = 0; i < stored.elementCount(); ++i) {
            Piece one = piece(i);
            one.from = current;
            one.previousEnd = previousEnd;
            one.subpathStart = subpathStart;
            const bool skipped = next != live.cend() && *next == i;
            if (skipped)
                ++next;
            else
                pieces.push_back(one);
            switch (one.type) {
            case BezierPath::MoveTo:
                current = subpathStart = previousEnd = one.pts[0];
                break;
            case BezierPath::LineTo:
            case BezierPath::CurveTo:
                current = previousEnd = lastPointOf(one.type, one.pts);
                break;
            case BezierPath::ClosePath:
                current = subpathStart;
                break;
            }
        }
    }

    // A live element's start, the end before it and, for a close, its subpath's start, read
    // backwards.
    Piece liveBefore(Piece one) const
    {
        auto moveBefore = [&](int j) {
            for (; j >= 0; --j) {
                QPointF pts[3];
                if (stored.elementAt(j, pts) == BezierPath::MoveTo)
                    return toPage.map(pts[0]);
            }
            return QPointF();
        };
        bool fromFound = false;
        for (int j = one.index - 1; j >= 0; --j) {
            QPointF pts[3];
            const BezierPath::ElementType type = stored.elementAt(j, pts);
            if (type == BezierPath::ClosePath) {
                // After a close a line starts where that subpath did.
                if (!fromFound) {
                    one.from = moveBefore(j);
                    fromFound = true;
                }
                continue;
            }
            const QPointF end = toPage.map(lastPointOf(type, pts));
            if (!fromFound)
                one.from = end;
            one.previousEnd = end;
            break;
        }
        if (one.type == BezierPath::ClosePath)
            one.subpathStart = moveBefore(one.index);
        return one;
    }

    void strokeAlong(QPainter *p, const std::vector<Piece> &pieces, const QPen &pen) const
    {
        const double scale = std::sqrt(std::abs(p->deviceTransform().determinant()));
        const bool wide = pen.widthF() * scale > 1.0;
        if (wide && pieces.size() > size_t(WholeStrokeElements)) {
            strokeSegments(p, pieces, pen);
            return;
        }
        // One path, its joins and closes as the outline has them where nothing is left out.
        QPainterPath line;
        bool joined = false, unbroken = false;
        QPointF at;
        for (const Piece &one : pieces) {
            switch (one.type) {
            case BezierPath::MoveTo:
                line.moveTo(one.pts[0]);
                at = one.pts[0];
                joined = unbroken = true;
                break;
            case BezierPath::LineTo:
            case BezierPath::CurveTo:
                if (!joined || at != one.from) {
                    line.moveTo(one.from);
                    unbroken = false;
                }
                if (one.type == BezierPath::LineTo)
                    line.lineTo(one.pts[0]);
                else
                    line.cubicTo(one.pts[0], one.pts[1], one.pts[2]);
                at = lastPointOf(one.type, one.pts);
                joined = true;
                break;
            case BezierPath::ClosePath:
                if (joined && unbroken && at == one.from) {
                    line.closeSubpath();
                } else {
                    if (!joined || at != one.from)
                        line.moveTo(one.from);
                    line.lineTo(one.subpathStart);
                }
                at = one.subpathStart;
                joined = false;
                break;
            }
        }
        p->strokePath(line, pen);
    }

    static void strokeSegments(QPainter *p, const std::vector<Piece> &pieces, const QPen &pen)
    {
        std::vector<QLineF> lines;
        lines.reserve(pieces.size());
        SavedPainterState state(p);
        p->setPen(pen);
        p->setBrush(Qt::NoBrush);
        for (const Piece &one : pieces) {
            if (one.type == BezierPath::LineTo) {
                lines.emplace_back(one.from, one.pts[0]);
            } else if (one.type == BezierPath::ClosePath) {
                lines.emplace_back(one.from, one.subpathStart);
            } else if (one.type == BezierPath::CurveTo) {
                QPainterPath curve(one.from);
                curve.cubicTo(one.pts[0], one.pts[1], one.pts[2]);
                p->drawPath(curve);
            }
        }
        p->drawLines(lines.data(), int(lines.size()));
    }

    void drawMarks(QPainter *p, const std::vector<Piece> &pieces) const
    {
        const QRectF reach = reachablePage(p).adjusted(-side, -side, side, side);
        auto inView = [&](const QPointF &point) { return reach.isNull() || reach.contains(point); };
        Marks dots(p, side, true, Qt::black), chosenDots(p, side, true, Qt::red);
        Marks squares(p, side, false, Qt::blue), chosenSquares(p, side, false, Qt::red);
        std::vector<QLineF> guides;
        for (const Piece &one : pieces) {
            const bool chosen = one.index == selected.element;
            switch (one.type) {
            case BezierPath::MoveTo:
                if (one.index == 0 && inView(one.pts[0]))
                    (chosen ? chosenDots : dots).add(one.pts[0]);
                break;
            case BezierPath::LineTo:
                if (inView(one.pts[0]))
                    (chosen ? chosenDots : dots).add(one.pts[0]);
                break;
            case BezierPath::CurveTo:
                for (int n = 0; n < 2; ++n)
                    if (inView(one.pts[n]))
                        (chosen && selected.point == n ? chosenSquares : squares).add(one.pts[n]);
                if (inView(one.previousEnd) || inView(one.pts[0]))
                    guides.emplace_back(one.previousEnd, one.pts[0]);
                if (inView(one.pts[2]) || inView(one.pts[1]))
                    guides.emplace_back(one.pts[2], one.pts[1]);
                if (inView(one.pts[2]))
                    (chosen && selected.point == 2 ? chosenDots : dots).add(one.pts[2]);
                break;
            case BezierPath::ClosePath:
                break;
            }
        }
        if (!guides.empty()) {
            SavedPainterState state(p);
            p->setPen(makePen(Qt::lightGray, guideWidth));
            p->drawLines(guides.data(), int(guides.size()));
        }
        squares.draw();
        chosenSquares.draw();
        dots.draw();
        chosenDots.draw();
    }
};

bool ColorPath::drawsEditFromPictures() const
{
    return colorPath && colorPath->elementCount() >= ComplexPathElements && !isDrawingForPrint();
}

ColorPath::EditMarks ColorPath::editMarks(bool forPoints, QColor stroke)
{
    EditMarks marks;
    if (colorPath)
        marks.stored = *colorPath;
    marks.toPage = fitting();
    marks.forPoints = forPoints;
    marks.selected = bp;
    const double z = getZoom() > 0 ? getZoom() : 1.0;
    marks.side = 6.0 / z;
    marks.hairline = 1.0 / z;
    marks.guideWidth = 1.0 / z;
    marks.lineWidth = colorPath ? colorPath->lineWidth() : 0.0;
    marks.stroke = stroke;
    return marks;
}

std::optional<QRectF> ColorPath::turnedOutlineBounds() const
{
    if (colorPath && colorPath->elementCount() >= ComplexPathElements)
        return frameBoundsRotated();
    return ColorRect::turnedOutlineBounds();
}

QRectF ColorPath::drawingBounds() const
{
    const QRectF area = ColorRect::drawingBounds();
    if (!edit || !colorPath)
        return area;
    const double z = getZoom() > 0 ? getZoom() : 1.0;
    const double grow = 6.0 / z + std::max<double>(colorPath->lineWidth(), 0.0) + 4.0 / z;
    return area.united(fitting().mapRect(storedControlBounds()).adjusted(-grow, -grow, grow, grow));
}

namespace {

// What a kept edit picture depends on besides the outline's number and its scale.
struct EditLook
{
    bool forPoints = false;
    std::vector<int> live;
    double side = 0, hairline = 0, lineWidth = 0;
    QColor stroke;
    bool operator==(const EditLook &) const = default;
};

} // namespace

void ColorPath::drawEditPicture(QPainter *painter, KeptPicture &kept, bool forPoints, QColor stroke)
{
    // Everything but the live elements, from the picture kept of them.
    dragPlan();
    EditMarks rest = editMarks(forPoints, stroke);
    rest.live = liveSet;
    rest.selected = BezierPoint();
    // The picture lies where the rest of the outline lay when its live elements were chosen,
    // placed from a point of the outline that stays on the page whatever the drag does.
    if (restExtent.number != outlineNumber) {
        restExtent.number = outlineNumber;
        restExtent.fromAnchor = storedControlBounds().translated(-pictureAnchor);
    }
    const QTransform t = rest.toPage;
    const double grow = rest.side + rest.lineWidth + 4.0 * rest.hairline;
    const KeptPicture::Placement where{t.map(pictureAnchor), t.mapRect(restExtent.fromAnchor.translated(pictureAnchor))
                                                                 .adjusted(-grow, -grow, grow, grow)};
    EditLook look{forPoints, liveSet, rest.side, rest.hairline, rest.lineWidth, stroke};
    const KeptPicture::Subject subject{outlineNumber, QSizeF(t.m11(), t.m22()),
                                       std::make_shared<KeptPicture::LookOf<EditLook>>(std::move(look))};
    KeptPicture::OnScreen screen;
    screen.arrived = [this](const QRectF &) {
        if (_mainView)
            _mainView->invalidateGraphic(this);
    };
    screen.keptMeanwhile = true;
    if (!forPoints) {
        // Until the first picture comes, the frame tinted: where the outline lies.
        screen.placeholder = [this](QPainter *p) {
            QColor tint = strokeColor();
            tint.setAlphaF(tint.alphaF() * 0.15f);
            KeptPicture::fillInBands(p, _frameBounds, tint);
        };
    }
    auto painting = [rest] { return KeptPicture::Painting([rest](QPainter *p) { rest.paint(p); }); };
    std::vector<int> shownLive = liveSet;
    if (!kept.draw(painter, where, subject, painting, true, screen)) {
        rest.paint(painter);
    } else if (const auto *drawn = dynamic_cast<const KeptPicture::LookOf<EditLook> *>(kept.keptLook().get())) {
        // The picture drawn while the one of these live elements is made leaves out the live
        // elements it was made for: they are drawn as they are too.
        std::vector<int> both;
        std::set_union(liveSet.begin(), liveSet.end(), drawn->value.live.begin(), drawn->value.live.end(),
                       std::back_inserter(both));
        shownLive = std::move(both);
    }
    // The live elements as they are now.
    EditMarks live = editMarks(forPoints, stroke);
    live.live = std::move(shownLive);
    live.onlyLive = true;
    live.paint(painter);
}

void ColorPath::drawEditBezier(QPainter *painter)
{
    if (!painter || !colorPath || colorPath->isEmpty())
        return;
    SavedPainterState state(painter);
    if (drawsEditFromPictures()) {
        drawEditPicture(painter, editOutlinePicture, false, QColor());
        return;
    }
    editMarks(false, QColor()).paint(painter);
}

void ColorPath::drawEditBezierSelect(QPainter *painter)
{
    if (!painter || !colorPath || colorPath->isEmpty())
        return;
    SavedPainterState state(painter);
    painter->setRenderHint(QPainter::Antialiasing, true);
    const QColor current = painter->pen().color();
    if (drawsEditFromPictures()) {
        drawEditPicture(painter, editPointsPicture, true, current);
        return;
    }
    editMarks(true, current).paint(painter);
}

} // namespace quillmark
