#pragma once
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace quillmark {

struct Notification
{
    QString name;
    const void *sender = nullptr;
    QVariantMap userInfo;
};

// Broadcasts named notifications to whoever observes the name. An owner identifies its
// observations so it can remove them all at once, typically from its destructor.
class NotificationCenter
{
public:
    using Callback = std::function<void(const Notification &)>;

    static NotificationCenter &defaultCenter();

    // An empty name observes every notification.
    void addObserver(const void *owner, const QString &name, Callback callback);
    void removeObserver(const void *owner);
    void removeObserver(const void *owner, const QString &name);
    void post(const QString &name, const void *sender = nullptr, const QVariantMap &userInfo = {});

    int observerCount() const { return int(m_observers.size() - m_removed); }

private:
    struct Observer
    {
        const void *owner;
        QString name;
        Callback callback;
        bool removed = false;
    };
    // In the order they were added (the order they are called in); observations removed are
    // only marked until they make half of the list, so that removing each of many owners (every
    // object of a large design closing) does not walk the whole list each time.
    std::vector<std::shared_ptr<Observer>> m_observers;
    size_t m_removed = 0;
    std::unordered_map<const void *, std::vector<std::shared_ptr<Observer>>> m_byOwner;
    void removeMarked();
};

} // namespace quillmark
