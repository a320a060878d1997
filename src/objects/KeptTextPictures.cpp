#include "objects/KeptTextPictures.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <list>
#include <mutex>

namespace quillmark {

struct KeptTextPictures::Entry
{
    QImage image;
    qint64 bytes = 0;
    quint64 turn = 0;
    bool kept = false;
    std::list<std::shared_ptr<Entry>>::iterator place;
};

namespace {

bool onWindowThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

class Kept
{
public:
    std::mutex lock;
    // The most recently drawn first.
    std::list<std::shared_ptr<KeptTextPictures::Entry>> order;
    qint64 bytes = 0;
    qint64 budget = KeptTextPictures::DefaultBudget;

    void drop(const std::shared_ptr<KeptTextPictures::Entry> &entry)
    {
        if (!entry->kept)
            return;
        entry->kept = false;
        bytes -= entry->bytes;
        order.erase(entry->place);
    }

    void clear()
    {
        for (const auto &entry : order)
            entry->kept = false;
        order.clear();
        bytes = 0;
    }

    // The event loop's turns, counted by a timer that fires once the loop turns after a
    // picture is drawn (the window's thread only).
    quint64 currentTurn()
    {
        if (!turnPending) {
            turnPending = true;
            QTimer::singleShot(0, QCoreApplication::instance(), [this] {
                turnPending = false;
                ++turn;
            });
        }
        return turn;
    }

private:
    quint64 turn = 1;
    bool turnPending = false;
};

// Never destroyed: objects let go of at the process's end still release their pictures.
Kept &kept()
{
    static Kept *pictures = new Kept;
    return *pictures;
}

} // namespace

std::shared_ptr<const QImage> KeptTextPictures::picture(const Handle &handle)
{
    const std::shared_ptr<Entry> entry = handle.lock();
    if (!entry || !onWindowThread())
        return nullptr;
    Kept &all = kept();
    const std::lock_guard<std::mutex> guard(all.lock);
    if (!entry->kept)
        return nullptr;
    all.order.splice(all.order.begin(), all.order, entry->place);
    entry->turn = all.currentTurn();
    return std::shared_ptr<const QImage>(entry, &entry->image);
}

KeptTextPictures::Handle KeptTextPictures::keep(qint64 bytes, const std::function<QImage()> &make)
{
    if (!onWindowThread() || bytes < 0)
        return {};
    Kept &all = kept();
    {
        const std::lock_guard<std::mutex> guard(all.lock);
        const quint64 turn = all.currentTurn();
        while (all.bytes + bytes > all.budget && !all.order.empty() && all.order.back()->turn != turn)
            all.drop(all.order.back());
        if (all.bytes + bytes > all.budget)
            return {};
    }
    // Made outside the lock: a handle let go of aside meanwhile waits for no drawing.
    QImage image = make();
    if (image.isNull())
        return {};
    auto entry = std::make_shared<Entry>();
    entry->bytes = std::max<qint64>(bytes, image.sizeInBytes());
    entry->image = std::move(image);
    const std::lock_guard<std::mutex> guard(all.lock);
    entry->turn = all.currentTurn();
    entry->kept = true;
    all.order.push_front(entry);
    entry->place = all.order.begin();
    all.bytes += entry->bytes;
    return entry;
}

void KeptTextPictures::release(const Handle &handle)
{
    const std::shared_ptr<Entry> entry = handle.lock();
    if (!entry)
        return;
    Kept &all = kept();
    const std::lock_guard<std::mutex> guard(all.lock);
    all.drop(entry);
}

qint64 KeptTextPictures::bytes()
{
    Kept &all = kept();
    const std::lock_guard<std::mutex> guard(all.lock);
    return all.bytes;
}

qint64 KeptTextPictures::count()
{
    Kept &all = kept();
    const std::lock_guard<std::mutex> guard(all.lock);
    return qint64(all.order.size());
}

void KeptTextPictures::setBudget(qint64 bytes)
{
    Kept &all = kept();
    const std::lock_guard<std::mutex> guard(all.lock);
    all.budget = std::max<qint64>(0, bytes);
    all.clear();
}

void KeptTextPictures::forget()
{
    Kept &all = kept();
    const std::lock_guard<std::mutex> guard(all.lock);
    all.clear();
}

} // namespace quillmark
