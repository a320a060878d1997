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
    m_byOwner[owner].push_back(observer);
    m_observers.push_back(std::move(observer));
}

void NotificationCenter::removeObserver(const void *owner)
{
    const auto found = m_byOwner.find(owner);
    if (found == m_byOwner.end())
        return;
    for (const auto &o : found->second) {
        o->removed = true;
        ++m_removed;
    }
    m_byOwner.erase(found);
    removeMarked();
}

void NotificationCenter::removeObserver(const void *owner, const QString &name)
{
    const auto found = m_byOwner.find(owner);
    if (found == m_byOwner.end())
        return;
    std::erase_if(found->second, [this, &name](const std::shared_ptr<Observer> &o) {
        if (o->name != name)
            return false;
        o->removed = true;
        ++m_removed;
        return true;
    });
    if (found->second.empty())
        m_byOwner.erase(found);
    removeMarked();
}

void NotificationCenter::removeMarked()
{
    if (m_removed * 2 < m_observers.size())
        return;
    std::erase_if(m_observers, [](const std::shared_ptr<Observer> &o) { return o->removed; });
    m_removed = 0;
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
