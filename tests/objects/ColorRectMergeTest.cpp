// The binding of any object to a database field: the pk and its undo, the value the merge
// source gives, and the refreshes the merge kinds build on.
#include <gtest/gtest.h>

#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "objects/MergeSource.h"
#include "platform/NotificationCenter.h"

using namespace quillmark;

namespace {

class FakeSource : public MergeSource
{
public:
    QVariant contentsByPk(int pk) override
    {
        asked.append(pk);
        return pk == 0 ? QVariant() : QVariant(QStringLiteral("value %1").arg(pk));
    }
    QList<int> asked;
};

// A kind that shows what the refreshes hand it.
class Shown : public ColorRect
{
public:
    Shown() { observeRecordChanges(); }
    ~Shown() override { stopObservingRecordChanges(); }
    void updateContents(const Notification *notification) override
    {
        ++refreshes;
        fromNotification = notification != nullptr;
        updateABRecord();
    }
    void updateContentsWithObject(const QVariant &value) override { shown = value; }
    int refreshes = 0;
    bool fromNotification = false;
    QVariant shown;
};

class ColorRectMergeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous = MergeSource::current();
        MergeSource::install(&source);
    }
    void TearDown() override { MergeSource::install(previous); }

    FakeSource source;
    MergeSource *previous = nullptr;
    qmtest::FakeCanvas canvas;
};

} // namespace

TEST_F(ColorRectMergeTest, ThePkIsUndoableAndRefreshesTheObject)
{
    auto object = std::make_shared<Shown>();
    object->setMainView(&canvas);
    object->setFieldPk(7);
    canvas.undo.closeEventGroup();
    EXPECT_EQ(object->fieldPk(), 7);
    EXPECT_EQ(object->refreshes, 1);
    EXPECT_FALSE(object->fromNotification);
    EXPECT_EQ(object->shown, "value 7");
    EXPECT_EQ(canvas.undo.undoActionName(), "Change Field Type");

    canvas.undo.undo();
    EXPECT_EQ(object->fieldPk(), 0);
    EXPECT_EQ(object->refreshes, 2);
    EXPECT_FALSE(object->shown.isValid());
    canvas.undo.redo();
    EXPECT_EQ(object->fieldPk(), 7);
    EXPECT_EQ(object->shown, "value 7");
}

TEST_F(ColorRectMergeTest, RecordChangesReachObserversUntilTheyAreGone)
{
    auto object = std::make_shared<Shown>();
    object->setFieldPk(3);
    NotificationCenter::defaultCenter().post(QStringLiteral("RecordChangedNotification"));
    EXPECT_EQ(object->refreshes, 2);
    EXPECT_TRUE(object->fromNotification);
    NotificationCenter::defaultCenter().post(QStringLiteral("DatabaseChangedNotification"));
    EXPECT_EQ(object->refreshes, 2);
    const int observers = NotificationCenter::defaultCenter().observerCount();
    object.reset();
    EXPECT_EQ(NotificationCenter::defaultCenter().observerCount(), observers - 1);
    NotificationCenter::defaultCenter().post(QStringLiteral("RecordChangedNotification"));
}

TEST_F(ColorRectMergeTest, APlainObjectShowsNoValueAndAsksOnlyTheSource)
{
    auto plain = ColorRect::create(QRectF(0, 0, 10, 10));
    plain->setFieldPk(5);
    plain->updateABRecord();
    EXPECT_EQ(source.asked, QList<int>({5}));
    EXPECT_EQ(plain->contentsByPk(9), "value 9");
    MergeSource::install(nullptr);
    EXPECT_FALSE(plain->contentsByPk(9).isValid());
}

TEST_F(ColorRectMergeTest, RecordValuesShowInPreviewAndWhilePrinting)
{
    auto object = ColorRect::create(QRectF(0, 0, 10, 10));
    EXPECT_FALSE(object->showsRecordValues());
    object->setMainView(&canvas);
    EXPECT_FALSE(object->showsRecordValues());
    canvas.printing = true;
    EXPECT_TRUE(object->showsRecordValues());
}
