#include <gtest/gtest.h>

#include "platform/NotificationCenter.h"

using namespace quillmark;

TEST(NotificationCenter, DeliversToObserversOfTheNameWithSenderAndUserInfo)
{
    NotificationCenter center;
    int owner = 0;
    QList<Notification> seen;
    center.addObserver(&owner, "RecordChangedNotification", [&](const Notification &n) { seen.append(n); });
    center.post("OtherNotification");
    EXPECT_TRUE(seen.isEmpty());
    const int sender = 0;
    center.post("RecordChangedNotification", &sender, {{"row", 3}});
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].name, "RecordChangedNotification");
    EXPECT_EQ(seen[0].sender, &sender);
    EXPECT_EQ(seen[0].userInfo.value("row").toInt(), 3);
}

TEST(NotificationCenter, AnEmptyNameObservesEverything)
{
    NotificationCenter center;
    int owner = 0;
    QStringList names;
    center.addObserver(&owner, QString(), [&](const Notification &n) { names << n.name; });
    center.post("A");
    center.post("B");
    EXPECT_EQ(names, (QStringList{"A", "B"}));
}

TEST(NotificationCenter, RemovesByOwnerOrByOwnerAndName)
{
    NotificationCenter center;
    int first = 0, second = 0;
    int calls = 0;
    center.addObserver(&first, "A", [&](const Notification &) { ++calls; });
    center.addObserver(&first, "B", [&](const Notification &) { ++calls; });
    center.addObserver(&second, "A", [&](const Notification &) { calls += 100; });
    center.removeObserver(&first, "A");
    center.post("A");
    EXPECT_EQ(calls, 100);
    center.post("B");
    EXPECT_EQ(calls, 101);
    center.removeObserver(&first);
    center.post("B");
    EXPECT_EQ(calls, 101);
    EXPECT_EQ(center.observerCount(), 1);
}

TEST(NotificationCenter, ObserversChangedDuringAPostAreSafe)
{
    NotificationCenter center;
    int a = 0, b = 0, c = 0;
    QStringList calls;
    // The first observer removes the second and itself and adds a third; the second must not
    // run any more, the third only from the next post.
    center.addObserver(&a, "N", [&](const Notification &) {
        calls << "a";
        center.removeObserver(&b);
        center.removeObserver(&a);
        center.addObserver(&c, "N", [&](const Notification &) { calls << "c"; });
    });
    center.addObserver(&b, "N", [&](const Notification &) { calls << "b"; });
    center.post("N");
    EXPECT_EQ(calls, QStringList{"a"});
    calls.clear();
    center.post("N");
    EXPECT_EQ(calls, QStringList{"c"});
}

TEST(NotificationCenter, AnObserverThatThrowsDoesNotStopTheOthers)
{
    NotificationCenter center;
    int a = 0, b = 0;
    bool reached = false;
    center.addObserver(&a, "N", [](const Notification &) { throw std::runtime_error("x"); });
    center.addObserver(&b, "N", [&](const Notification &) { reached = true; });
    EXPECT_NO_THROW(center.post("N"));
    EXPECT_TRUE(reached);
}

TEST(NotificationCenter, TheDefaultCenterIsShared)
{
    EXPECT_EQ(&NotificationCenter::defaultCenter(), &NotificationCenter::defaultCenter());
}

// Many owners come and go (the objects of a large design opened, cut and closed): those left
// are still called once each, in the order they were added, and the count follows.
TEST(NotificationCenter, ManyOwnersRemovedInAnyOrderLeaveTheRestInOrder)
{
    NotificationCenter center;
    std::vector<int> owners(1000);
    std::vector<int> calls;
    for (size_t i = 0; i < owners.size(); ++i) {
        center.addObserver(&owners[i], "N", [&calls, i](const Notification &) { calls.push_back(int(i)); });
        if (i % 3 == 0)
            center.addObserver(&owners[i], "Other", [](const Notification &) {});
    }
    std::vector<int> expected;
    for (size_t i = 0; i < owners.size(); ++i) {
        if (i % 4 == 1)
            center.removeObserver(&owners[i]);
        else if (i % 4 == 2)
            center.removeObserver(&owners[i], "N");
        else
            expected.push_back(int(i));
    }
    center.removeObserver(&owners[1]); // already gone: nothing happens
    center.post("N");
    EXPECT_EQ(calls, expected);
    int others = 0;
    for (size_t i = 0; i < owners.size(); i += 3)
        others += i % 4 != 1;
    EXPECT_EQ(center.observerCount(), int(expected.size()) + others);
    // Removed down to none and added again: only the new one is called.
    for (int &owner : owners)
        center.removeObserver(&owner);
    EXPECT_EQ(center.observerCount(), 0);
    calls.clear();
    center.addObserver(&owners[7], "N", [&calls](const Notification &) { calls.push_back(7); });
    center.post("N");
    EXPECT_EQ(calls, std::vector<int>{7});
}
