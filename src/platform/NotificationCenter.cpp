#include "platform/NotificationCenter.h"

#include <QtDebug>

#include <algorithm>
#include <exception>

namespace quillmark {

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(const void *owner, const QString &name, Callback callback)
{
    if (!callback)
        return;
    auto observer = std::make_shared<Observer>();
    observer->owner = owner;
    observer->name = name;
    observer->callback = std::move(callback);
    m_observers.push_back(std::move(observer));
}

void NotificationCenter::removeObserver(const void *owner)
{
    std::erase_if(m_observers, [owner](const std::shared_ptr<Observer> &o) {
        if (o->owner != owner)
            return false;
        o->removed = true;
        return true;
    });
}

void NotificationCenter::removeObserver(const void *owner, const QString &name)
{
    std::erase_if(m_observers, [owner, &name](const std::shared_ptr<Observer> &o) {
        if (o->owner != owner || o->name != name)
            return false;
        o->removed = true;
        return true;
    });
}

void NotificationCenter::post(const QString &name, const void *sender, const QVariantMap &userInfo)
{
    // Observers may add or remove observers (themselves included) while they are called: work
    // on a snapshot that keeps each observer alive, and skip those removed in the meantime.
    std::vector<std::shared_ptr<Observer>> targets;
    for (const auto &o : m_observers) {
        if (o->name.isEmpty() || o->name == name)
            targets.push_back(o);
    }
    const Notification notification{name, sender, userInfo};
    for (const auto &o : targets) {
        if (o->removed)
            continue;
        try {
            o->callback(notification);
        } catch (const std::exception &e) {
            qWarning("NotificationCenter: observer of %s failed: %s", qPrintable(name), e.what());
        } catch (...) {
            qWarning("NotificationCenter: observer of %s failed", qPrintable(name));
        }
    }
}

} // namespace quillmark
