#pragma once
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
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

    int observerCount() const { return int(m_observers.size()); }

private:
    struct Observer
    {
        const void *owner;
        QString name;
        Callback callback;
        bool removed = false;
    };
    std::vector<std::shared_ptr<Observer>> m_observers;
};

} // namespace quillmark
