// The archived form of a path's outline: a large outline is written straight, and libplist
// reads it as the same tree the generic writer makes of its elements, for every kind of
// element, coordinates that four bytes hold and those that need eight, each line width and
// winding rule; and it reads back as the outline it was.
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

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

// Outlines as libplist writes them (its own binary layout, and XML as earlier writers might have
// left them) read back as they were; a damaged element type or a coordinate that is no number
// makes the outline unreadable whichever reader takes it.
TEST(BezierPathArchive, OutlinesWrittenByLibplistReadBackAsTheyWere)
{
    auto libplistForms = [](const QByteArray &data, const std::function<void(plist_t)> &change = {}) {
        plist_t root = nullptr;
        plist_from_bin(data.constData(), uint32_t(data.size()), &root);
        EXPECT_TRUE(root);
        if (!root)
            return std::vector<QByteArray>{};
        if (change)
            change(root);
        char *bytes = nullptr;
        uint32_t length = 0;
        plist_to_bin(root, &bytes, &length);
        std::vector<QByteArray> forms{QByteArray(bytes, qsizetype(length))};
        std::free(bytes);
        plist_to_xml(root, &bytes, &length);
        forms.emplace_back(bytes, qsizetype(length));
        std::free(bytes);
        plist_free(root);
        return forms;
    };
    auto firstCoordinate = [](plist_t root) {
        return plist_array_get_item(plist_array_get_item(plist_dict_get_item(root, "Elements"), 0), 1);
    };
    for (const int elements : {0, 1, 15, 300, 2500}) {
        BezierPath outline = mixedOutline(elements, quint32(elements + 3));
        outline.setWindingRule(elements % 2 ? BezierPath::EvenOddWinding : BezierPath::NonZeroWinding);
        outline.setLineWidth(elements % 3 ? 0.25 : 2.0);
        const QByteArray written = BezierPathArchive::archive(outline);
        for (const QByteArray &form : libplistForms(written)) {
            const std::optional<BezierPath> back = BezierPathArchive::unarchive(form);
            ASSERT_TRUE(back) << elements << " elements";
            EXPECT_TRUE(*back == outline) << elements << " elements";
            EXPECT_EQ(back->lineWidth(), outline.lineWidth());
            EXPECT_EQ(back->windingRule(), outline.windingRule());
        }
        if (elements == 0)
            continue;
        const auto badType = libplistForms(written, [](plist_t root) {
            plist_set_uint_val(plist_array_get_item(plist_array_get_item(plist_dict_get_item(root, "Elements"), 0), 0), 9);
        });
        const auto notANumber = libplistForms(written, [&](plist_t root) { plist_set_real_val(firstCoordinate(root), NAN); });
        const auto text = libplistForms(written, [&](plist_t root) {
            plist_array_set_item(plist_array_get_item(plist_dict_get_item(root, "Elements"), 0), plist_new_string("x"), 1);
        });
        for (const auto *damaged : {&badType, &notANumber, &text})
            for (const QByteArray &form : *damaged)
                EXPECT_FALSE(BezierPathArchive::unarchive(form)) << elements << " elements";
        // Whole numbers stored as integers, as a tree's writer may store them, read as numbers.
        const auto whole = libplistForms(written, [&](plist_t root) {
            plist_array_set_item(plist_array_get_item(plist_dict_get_item(root, "Elements"), 0), plist_new_uint(7), 1);
        });
        for (const QByteArray &form : whole) {
            const std::optional<BezierPath> back = BezierPathArchive::unarchive(form);
            ASSERT_TRUE(back);
            QPointF points[3];
            back->elementAt(0, points);
            EXPECT_EQ(points[0].x(), 7.0);
        }
    }
}
