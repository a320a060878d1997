#pragma once
// The twenty warps of shaped text: a pure mapping that rebuilds a path with every point
// moved by the style's formulas inside a bounds rectangle (arch, wave, slant, lens...).
// Styles are the stored shaped-text values 2 to 21; any other style only clamps x into the
// bounds. The arithmetic is single precision and stepped in whole points where the warp
// truncates, so the shapes are reproducible point for point.
#include <QPointF>
#include <QRectF>

#include <optional>

#include "platform/BezierPath.h"

namespace quillmark {

class PathWarps
{
public:
    PathWarps() = delete;

    // The warped copy of the path; none for no path. Bounds without area leave the path
    // as it is (the formulas divide by the width and height).
    static std::optional<BezierPath> warpBezierPath(const BezierPath *path, int style,
                                                    const QRectF &bounds);
    static QPointF warpPoint(int style, const QPointF &point, const QRectF &bounds);

    static float warpHeightFactor(int style, double cx, const QRectF &bounds);
    static float warpVerticalOffset(int style, double cx, float factor, const QRectF &bounds);
    static float warpHorizontalShift(int style, float u, float v, const QRectF &bounds);

    static double clampToBoundsX(double x, const QRectF &bounds);
    static float warpWidthFactor(int style, const QRectF &bounds);
    static int ellipseProfile(int i, const QRectF &bounds);
    static int linearProfile(int i, const QRectF &bounds);
    static int waveOffset(int i, int period, int amplitude);
};

} // namespace quillmark
