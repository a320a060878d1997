#pragma once
// Numbers the geometry, the canvas and the stock code share, defined once.

namespace quillmark {

// Angles are radians in the drawing code.
inline constexpr double Pi = 3.14159265358979323846;

// Stock is measured in millimetres by some makers and in inches by others.
inline constexpr double MillimetresPerInch = 25.4;

// Page points, in which everything is drawn and printed.
inline constexpr double PointsPerInch = 72.0;
inline constexpr double PointsPerMillimetre = PointsPerInch / MillimetresPerInch;

} // namespace quillmark
