#pragma once
// The archived form of a Bezier path ("QMBezierPath"): its elements in order, each a type and
// its points, with the line width and winding rule. The path object stores its outline this
// way inside its property-list form.
#include <QByteArray>
#include <QString>

#include <optional>

#include "platform/BezierPath.h"

namespace quillmark {

class BezierPathArchive
{
public:
    BezierPathArchive() = delete;

    static const QString className;
    // More elements than any drawn outline holds; a larger count is a damaged archive.
    static constexpr int MaxElements = 1000000;

    static QByteArray archive(const BezierPath &path);
    // The archived path; none when the data is not an archived path or is damaged (an
    // unknown element type, a missing or non-finite coordinate, too many elements).
    static std::optional<BezierPath> unarchive(const QByteArray &data);
    // How many elements an archived path holds, read without reading them; -1 when the data
    // is no archived path.
    static qsizetype storedElementCount(const QByteArray &data);
    // The elements of a stored outline (an object's "Path" value) when it holds more than a
    // path may, 0 otherwise. An element takes a byte at the least, so only outlines of as many
    // bytes are looked into. The one test every reader and writer of a design holds.
    static qsizetype elementsPastLimit(const QVariant &stored);

    // Adds an element to a path from its points in the stored order (a curve's end first).
    static void appendStored(BezierPath &path, BezierPath::ElementType type, const QPointF *points);
};

} // namespace quillmark
