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
};

} // namespace quillmark
