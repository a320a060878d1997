#pragma once
// The text container of every graphic object's text: lines flow around the outlines of
// the objects above it (and, for label-shape wrap, around a disc label's outside and its
// hole). For each proposed line it crosses a horizontal line through the middle of the line
// with the obstacle outline, splits the line into free pieces and answers the piece chosen
// by the wrap mode, telling the flow where the rest of the row continues.
//
// The crossing arithmetic runs on 16-bit whole page points in a fixed table, so laying out
// a line allocates nothing.
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <cstdint>

#include "objects/TextContainer.h"
#include "platform/BezierPath.h"

namespace quillmark {

class NSTextWrapContainer : public TextContainer
{
public:
    struct Point
    {
        int16_t v = 0; // page y
        int16_t h = 0; // page x
        bool operator==(const Point &other) const { return v == other.v && h == other.h; }
    };
    struct TLine
    {
        Point a;
        Point b;
    };
    struct CPt
    {
        Point pt;
        int16_t orient = 0;
    };
    static constexpr int MaxCrossPoints = 600;
    struct TCrossPoint
    {
        Point pt[MaxCrossPoints];
        int16_t orient[MaxCrossPoints] = {};
        int16_t n = 0;
    };

    enum WrapMode { LeftPiece = 1, RightPiece = 2, WidestPiece = 3, NextPiece = 4 };

    explicit NSTextWrapContainer(const QSizeF &size = QSizeF());

    bool isSimpleRectangularTextContainer() const override { return false; }

    // Captures the object's frame origin and angle; null gives (0, 0) and 0.
    void setGraphicObject(ColorRect *object);
    ColorRect *graphicObject() const { return object; }
    // Replaces the obstacles. Each non-empty path is closed, flattened, turned into the
    // object's unrotated frame (by the angle captured last) and appended to the combined
    // outline. An empty list forgets the obstacles.
    void setAroundBezierPaths(const QList<BezierPath> &paths);
    const QList<BezierPath> &aroundBezierPaths() const { return pathArray; }
    // The path turned about the centre of the object's frame by minus the captured angle.
    BezierPath getRotatedPath(const BezierPath &source) const;
    void setWrapMode(int mode)
    {
        if (mode != wrapMode)
            changed();
        wrapMode = mode;
    }
    int getWrapMode() const { return wrapMode; }
    const BezierPath &combinedPath() const { return path; }
    QPointF frameOrigin() const { return origin; }

    QRectF lineFragmentRectForProposedRect(const QRectF &proposed, QRectF *remaining) override;

    // The steps of one line, open for tests.
    void buildFrameCrossPoint(int fontSz);
    int tlineCrossPoint(const TLine &line, const TLine &frameSide, CPt &crossPt, int fontSz) const;
    void putInCrossPoints(const CPt &crossPt);
    void sortPolyCrossPoint(int first);
    void buildTextPieces(int unused);
    bool selectLeftTextPiece(const QRectF &lineRect, TLine &piece) const;
    bool selectRightTextPiece(const QRectF &lineRect, TLine &piece) const;
    bool maxTextPiece(const QRectF &lineRect, TLine &piece) const;
    bool selectTextPiece(const QRectF &lineRect, TLine &piece) const;
    static int sign(double value);

    void setTextLine(const TLine &line) { textline = line; }
    const TCrossPoint &crossPoints() const { return itsCrossPoint; }
    TCrossPoint &crossPoints() { return itsCrossPoint; }
    int textPieceNum() const { return TextPieceNum; }

private:
    BezierPath path;
    QList<BezierPath> pathArray;
    QPointF origin;
    double angle = 0.0;
    int TextPieceNum = 0;
    TCrossPoint itsCrossPoint;
    TLine textline;
    int wrapMode = NextPiece;
    ColorRect *object = nullptr;
    // The object's frame the combined outline was made for: the same obstacles seen from
    // the same frame and angle need no new outline and no new layout.
    QRectF builtFrame;
    double builtAngle = 0.0;
};

} // namespace quillmark
