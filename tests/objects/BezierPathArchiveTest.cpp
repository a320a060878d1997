// The archived form of a path's outline: a large outline is written straight, and libplist
// reads it as the same tree the generic writer makes of its elements, for every kind of
// element, coordinates that four bytes hold and those that need eight, each line width and
// winding rule; and it reads back as the outline it was.
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <plist/plist.h>

#include <cstdlib>

#include "objects/BezierPathArchive.h"
#include "platform/Archiver.h"

using namespace quillmark;

namespace {

// The tree libplist reads from a binary property list, as XML text.
std::string readByLibplist(const QByteArray &data)
{
    plist_t root = nullptr;
    plist_from_bin(data.constData(), uint32_t(data.size()), &root);
    if (!root)
        return {};
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    std::string text(xml ? xml : "", length);
    std::free(xml);
    plist_free(root);
    return text;
}

// An outline of `elements` elements, every kind in turn, some coordinates whole numbers (four
// bytes hold them), most not.
BezierPath mixedOutline(int elements, quint32 seed)
{
    QRandomGenerator random(seed);
    auto point = [&random](int i) {
        return i % 3 == 0 ? QPointF(i % 200, -(i % 50)) : QPointF(random.generateDouble() * 500, random.generateDouble() * 1e9);
    };
    BezierPath outline;
    outline.moveTo(point(0));
    for (int i = 1; outline.elementCount() < elements; ++i) {
        switch (i % 6) {
        case 0:
            outline.closePath();
            break;
        case 1:
            outline.moveTo(point(i));
            break;
        case 2:
        case 3:
            outline.lineTo(point(i));
            break;
        default:
            outline.curveTo(point(i), point(i + 1), point(i + 2));
            break;
        }
    }
    return outline;
}

} // namespace

TEST(BezierPathArchive, ALargeOutlineWrittenStraightReadsAsTheTreeOfItsElements)
{
    int checked = 0;
    for (const int elements : {0, 1, 14, 15, 1999, 2000, 2001, 70000}) {
        for (const auto rule : {BezierPath::NonZeroWinding, BezierPath::EvenOddWinding}) {
            for (const double width : {0.0, 1.0, 0.3}) {
                BezierPath outline = mixedOutline(elements, quint32(elements + 7));
                outline.setWindingRule(rule);
                outline.setLineWidth(width);
                const QByteArray straight = BezierPathArchive::archive(outline);
                QByteArray throughTree;
                {
                    // While a copy records its archives, every one is written through its tree.
                    const Archiver::Recording recording(Archiver::newKeptRoots());
                    throughTree = BezierPathArchive::archive(outline);
                }
                const std::string read = readByLibplist(straight);
                ASSERT_FALSE(read.empty()) << elements << " elements: libplist could not read it";
                EXPECT_EQ(read, readByLibplist(throughTree)) << elements << " elements";
                const std::optional<BezierPath> back = BezierPathArchive::unarchive(straight);
                ASSERT_TRUE(back) << elements << " elements";
                EXPECT_TRUE(*back == outline) << elements << " elements";
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 48);
}
