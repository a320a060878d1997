// Objects read from odd or damaged dictionaries are written the same on every later save: what
// the first save wrote, the second writes again, key for key.
#include <gtest/gtest.h>

#include "objects/BezierPathArchive.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/ObjectFactory.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

// Saved, read back and saved again: each save read by the property-list reader, as a file is.
std::pair<QVariantMap, QVariantMap> twoSaves(const QVariantMap &stored)
{
    const std::shared_ptr<ColorRect> first = ColorRect::graphicWithPropertyListRepresentation(stored);
    EXPECT_TRUE(first);
    if (!first)
        return {};
    const QVariantMap once = PropertyList::fromData(PropertyList::toData(first->propertyListRepresentation())).toMap();
    const std::shared_ptr<ColorRect> second = ColorRect::graphicWithPropertyListRepresentation(once);
    EXPECT_TRUE(second);
    if (!second)
        return {};
    const QVariantMap twice = PropertyList::fromData(PropertyList::toData(second->propertyListRepresentation())).toMap();
    return {once, twice};
}

void expectSameSaves(const QVariantMap &once, const QVariantMap &twice)
{
    ASSERT_FALSE(once.isEmpty());
    EXPECT_EQ(once.keys(), twice.keys());
    for (auto it = once.constBegin(); it != once.constEnd(); ++it) {
        if (it.key() == QLatin1String("Path")) {
            const std::optional<BezierPath> a = BezierPathArchive::unarchive(it.value().toByteArray());
            const std::optional<BezierPath> b = BezierPathArchive::unarchive(twice.value(it.key()).toByteArray());
            ASSERT_TRUE(a && b);
            ASSERT_EQ(a->elementCount(), b->elementCount());
            QPointF pa[3], pb[3];
            for (int i = 0; i < a->elementCount(); ++i) {
                ASSERT_EQ(a->elementAt(i, pa), b->elementAt(i, pb)) << i;
                for (int k = 0; k < BezierPath::pointCount(a->elementAt(i, pa)); ++k)
                    EXPECT_EQ(pa[k], pb[k]) << "element " << i << " point " << k;
            }
            continue;
        }
        EXPECT_EQ(it.value(), twice.value(it.key())) << it.key().toStdString();
    }
}

} // namespace

TEST(StoredFormRoundTrip, DamagedPathAndBareObjectsAreWrittenAlikeOnEverySave)
{
    registerObjectKinds();
    // A path whose outline is damaged takes its frame's outline; the frame has more digits
    // than a float holds.
    QVariantMap damaged;
    damaged.insert(QStringLiteral("Class"), QStringLiteral("ColorPath"));
    damaged.insert(QStringLiteral("Bounds"), QStringLiteral("{{12.345678901234, 20.5}, {74.80518985033456, 33.33333333333}}"));
    damaged.insert(QStringLiteral("Path"), QByteArray("not an archived outline"));
    {
        SCOPED_TRACE("damaged path");
        const auto [once, twice] = twoSaves(damaged);
        expectSameSaves(once, twice);
        // The outline spans the frame that was saved with it.
        const std::optional<BezierPath> outline = BezierPathArchive::unarchive(once.value(QStringLiteral("Path")).toByteArray());
        ASSERT_TRUE(outline);
        const QRectF saved = ColorRect::graphicWithPropertyListRepresentation(once)->frameBounds();
        EXPECT_EQ(outline->bounds(), saved);
    }
    // Objects holding nothing but their kind.
    int kinds = 0;
    for (const QString &kind : ObjectFactory::knownKinds()) {
        if (!ObjectFactory::isRegistered(kind))
            continue;
        ++kinds;
        SCOPED_TRACE(kind.toStdString());
        const auto [once, twice] = twoSaves({{QStringLiteral("Class"), kind}});
        expectSameSaves(once, twice);
        EXPECT_EQ(once.value(QStringLiteral("StrokeLineWidth")), twice.value(QStringLiteral("StrokeLineWidth")));
    }
    EXPECT_GE(kinds, 4);
}
