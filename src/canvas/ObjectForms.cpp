#include "canvas/ObjectForms.h"

#include <QTextDocument>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "foundation/Language.h"
#include "platform/Archiver.h"

namespace quillmark {

namespace {

// Objects per piece of work: enough that handing a piece over costs little beside it.
constexpr qsizetype FormsPieceSize = 128;
// Fewer objects are written on the calling thread alone.
constexpr qsizetype FormsHelpedFrom = 2 * FormsPieceSize;

int formsHelperLimit = -1;

// Threads of its own: the shared pool may be busy letting go of a large copy.
QThreadPool &formsPool()
{
    static QThreadPool *const pool = [] {
        auto *made = new QThreadPool;
        made->setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
        return made;
    }();
    return *pool;
}

// What became of a piece of work.
enum : int { PieceWaiting, PieceTaken, PieceMade };

} // namespace

struct ObjectForms::Work
{
    // Raw pointers: a helper that starts after all is made touches no object, and the last
    // hold on this work may go on a helper's thread, where no object may be let go of.
    std::vector<ColorRect *> objects;
    std::vector<char> elsewhere;
    std::vector<QVariantMap> forms;
    qsizetype pieces = 0;
    std::unique_ptr<std::atomic<int>[]> states;
    std::atomic<qsizetype> nextPiece{0};
    // Archives a helper wrote while the caller records them, one set per piece.
    std::shared_ptr<Archiver::KeptRoots> recording;
    std::vector<std::shared_ptr<Archiver::KeptRoots>> pieceRoots;
    std::mutex mutex;
    std::condition_variable made;

    bool take(qsizetype piece)
    {
        int expected = PieceWaiting;
        return states[piece].compare_exchange_strong(expected, PieceTaken);
    }

    void make(qsizetype piece, bool onHelper)
    {
        {
            std::shared_ptr<Archiver::KeptRoots> roots;
            if (onHelper && recording)
                roots = pieceRoots[piece] = Archiver::newKeptRoots();
            const Archiver::Recording recorded(roots ? roots : Archiver::recordingNow());
            const qsizetype end = std::min<qsizetype>(qsizetype(objects.size()), (piece + 1) * FormsPieceSize);
            for (qsizetype i = piece * FormsPieceSize; i < end; ++i)
                if (elsewhere[i])
                    forms[i] = objects[i]->propertyListRepresentation(nullptr);
        }
        {
            const std::lock_guard<std::mutex> lock(mutex);
            states[piece].store(PieceMade);
        }
        made.notify_all();
    }

    // A helper: takes the pieces no one has taken yet.
    void help()
    {
        for (qsizetype piece = nextPiece.fetch_add(1); piece < pieces; piece = nextPiece.fetch_add(1))
            if (take(piece))
                make(piece, true);
    }
};

ObjectForms::ObjectForms(const QList<std::shared_ptr<ColorRect>> &graphics,
                         const QList<std::shared_ptr<ColorRect>> *context)
    : m_work(std::make_shared<Work>())
    , m_context(context)
{
    Work &work = *m_work;
    const qsizetype count = graphics.size();
    work.objects.reserve(size_t(count));
    for (const auto &graphic : graphics)
        work.objects.push_back(graphic.get());
    work.elsewhere.assign(size_t(count), 0);
    work.forms.resize(size_t(count));
    const int helpers = formsHelperLimit >= 0 ? std::min(formsHelperLimit, formsPool().maxThreadCount()) : formsPool().maxThreadCount();
    if (count < FormsHelpedFrom || helpers < 1)
        return;
    // Which objects may be written elsewhere: a text shared by two objects (a linked chain)
    // is read only here.
    std::vector<const QTextDocument *> texts(size_t(count), nullptr);
    std::unordered_set<const QTextDocument *> seen, shared;
    for (qsizetype i = 0; i < count; ++i) {
        work.elsewhere[i] = work.objects[i]->formReadableOffThread(&texts[i]) ? 1 : 0;
        if (texts[i] && !seen.insert(texts[i]).second)
            shared.insert(texts[i]);
    }
    for (qsizetype i = 0; i < count; ++i) {
        if (!work.elsewhere[i])
            continue;
        if (texts[i] && shared.count(texts[i])) {
            work.elsewhere[i] = 0;
            continue;
        }
        // A box of a linked chain shares its text, and is written here; should one not share
        // it, it is written here all the same.
        if (context && !work.objects[i]->linkedTextViewsString(*context).isNull())
            work.elsewhere[i] = 0;
    }
    work.pieces = (count + FormsPieceSize - 1) / FormsPieceSize;
    work.states = std::make_unique<std::atomic<int>[]>(size_t(work.pieces));
    for (qsizetype i = 0; i < work.pieces; ++i)
        work.states[i].store(PieceWaiting);
    work.recording = Archiver::recordingNow();
    work.pieceRoots.resize(size_t(work.pieces));
    const qsizetype started = std::min<qsizetype>(helpers, work.pieces - 1);
    for (qsizetype i = 0; i < started; ++i)
        formsPool().start([held = m_work] { held->help(); });
}

ObjectForms::~ObjectForms()
{
    // Whatever happens, no helper is left reading the objects.
    if (!m_delivered)
        deliver([](QVariant &&) {});
}

void ObjectForms::deliver(const std::function<void(QVariant &&)> &take)
{
    m_delivered = true;
    Work &work = *m_work;
    const qsizetype count = qsizetype(work.objects.size());
    for (qsizetype piece = 0; piece * FormsPieceSize < count; ++piece) {
        if (work.pieces > 0) {
            // The piece is made here when no helper took it; while a helper makes it, this
            // thread makes those not yet taken.
            if (work.take(piece))
                work.make(piece, false);
            while (work.states[piece].load() != PieceMade) {
                const qsizetype other = work.nextPiece.fetch_add(1);
                if (other < work.pieces) {
                    if (work.take(other))
                        work.make(other, false);
                    continue;
                }
                std::unique_lock<std::mutex> lock(work.mutex);
                work.made.wait(lock, [&] { return work.states[piece].load() == PieceMade; });
            }
            if (work.pieceRoots[piece]) {
                Archiver::keepAlso(*work.recording, *work.pieceRoots[piece]);
                work.pieceRoots[piece].reset();
            }
        }
        const qsizetype end = std::min(count, (piece + 1) * FormsPieceSize);
        for (qsizetype i = piece * FormsPieceSize; i < end; ++i) {
            if (!work.elsewhere[i]) {
                take(QVariant(work.objects[i]->propertyListRepresentation(m_context)));
                continue;
            }
            QVariant form(std::move(work.forms[i]));
            work.forms[i] = QVariantMap();
            take(std::move(form));
        }
    }
}

void ObjectForms::setHelperThreadsForTesting(int count)
{
    formsHelperLimit = count;
}

namespace {

// Objects per piece of work: a text box costs more to make than to write.
constexpr qsizetype ObjectsPieceSize = 64;
constexpr qsizetype ObjectsHelpedFrom = 4 * ObjectsPieceSize;

} // namespace

struct ObjectsFromForms::Work
{
    // No helper reaches it once every piece is made.
    const PropertyListArray *forms = nullptr;
    qsizetype count = 0;
    qsizetype pieces = 0;
    QThread *caller = nullptr;
    // Texts read from a copy in memory are taken as read on the helpers too.
    std::shared_ptr<const Archiver::KeptRoots> readAlready;
    // The objects made by whoever made their piece, and which entries that covered.
    std::vector<std::shared_ptr<ColorRect>> made;
    std::vector<char> settled;
    std::unique_ptr<std::atomic<int>[]> states;
    std::atomic<qsizetype> nextPiece{0};
    std::mutex mutex;
    std::condition_variable piecesMade;

    bool take(qsizetype piece)
    {
        int expected = PieceWaiting;
        return states[piece].compare_exchange_strong(expected, PieceTaken);
    }

    void make(qsizetype piece)
    {
        const qsizetype first = piece * ObjectsPieceSize;
        const qsizetype end = std::min(count, first + ObjectsPieceSize);
        std::vector<QVariantMap> entries(size_t(end - first));
        // Only the forms made here are read whole here; the others are read when their turn
        // comes on the calling thread.
        const QString classKey = QStringLiteral("Class");
        for (qsizetype i = first; i < end; ++i) {
            if (!ColorRect::kindMakeableOffThread(forms->valueAt(i, classKey)))
                continue;
            QVariantMap entry = forms->at(i).toMap();
            if (ColorRect::formMakeableOffThread(entry))
                entries[size_t(i - first)] = std::move(entry);
        }
        {
            const Archiver::Reading read(readAlready);
            for (qsizetype i = first; i < end; ++i) {
                QVariantMap &entry = entries[size_t(i - first)];
                if (entry.isEmpty())
                    continue;
                std::shared_ptr<ColorRect> graphic = ColorRect::graphicWithPropertyListRepresentation(entry);
                entry = QVariantMap();
                if (graphic)
                    graphic->moveTextToThread(caller);
                made[size_t(i)] = std::move(graphic);
                settled[size_t(i)] = 1;
            }
        }
        {
            const std::lock_guard<std::mutex> lock(mutex);
            states[piece].store(PieceMade);
        }
        piecesMade.notify_all();
    }

    void help()
    {
        for (qsizetype piece = nextPiece.fetch_add(1); piece < pieces; piece = nextPiece.fetch_add(1))
            if (take(piece))
                make(piece);
    }
};

ObjectsFromForms::ObjectsFromForms(const PropertyListArray &forms)
    : m_work(std::make_shared<Work>())
{
    Work &work = *m_work;
    work.forms = &forms;
    work.count = forms.size();
    const int helpers = formsHelperLimit >= 0 ? std::min(formsHelperLimit, formsPool().maxThreadCount()) : formsPool().maxThreadCount();
    if (work.count < ObjectsHelpedFrom || helpers < 1)
        return;
    // The setters of the objects name their undo actions: the table of names is read from
    // here on, never loaded by a helper.
    Language::stringForKey(QStringLiteral("Change Object Bounds"));
    work.caller = QThread::currentThread();
    work.readAlready = Archiver::readingNow();
    work.made.resize(size_t(work.count));
    work.settled.assign(size_t(work.count), 0);
    work.pieces = (work.count + ObjectsPieceSize - 1) / ObjectsPieceSize;
    work.states = std::make_unique<std::atomic<int>[]>(size_t(work.pieces));
    for (qsizetype i = 0; i < work.pieces; ++i)
        work.states[i].store(PieceWaiting);
    const qsizetype started = std::min<qsizetype>(helpers, work.pieces - 1);
    for (qsizetype i = 0; i < started; ++i)
        formsPool().start([held = m_work] { held->help(); });
}

ObjectsFromForms::~ObjectsFromForms()
{
    // Whatever happens, no helper is left reading the forms, and every object made is let go
    // of here.
    if (!m_delivered)
        deliver([](std::shared_ptr<ColorRect> &&) {});
}

void ObjectsFromForms::deliver(const std::function<void(std::shared_ptr<ColorRect> &&)> &take)
{
    m_delivered = true;
    Work &work = *m_work;
    auto makeHere = [&](qsizetype index) {
        const QVariant entry = work.forms->at(index);
        if (entry.typeId() != QMetaType::QVariantMap)
            return;
        if (std::shared_ptr<ColorRect> graphic = ColorRect::graphicWithPropertyListRepresentation(entry.toMap()))
            take(std::move(graphic));
    };
    if (work.pieces == 0) {
        for (qsizetype i = 0; i < work.count; ++i)
            makeHere(i);
        return;
    }
    for (qsizetype piece = 0; piece < work.pieces; ++piece) {
        // The piece is made here when no helper took it; while a helper makes it, this thread
        // makes those not yet taken.
        if (work.take(piece))
            work.make(piece);
        while (work.states[piece].load() != PieceMade) {
            const qsizetype other = work.nextPiece.fetch_add(1);
            if (other < work.pieces) {
                if (work.take(other))
                    work.make(other);
                continue;
            }
            std::unique_lock<std::mutex> lock(work.mutex);
            work.piecesMade.wait(lock, [&] { return work.states[piece].load() == PieceMade; });
        }
        const qsizetype end = std::min(work.count, (piece + 1) * ObjectsPieceSize);
        for (qsizetype i = piece * ObjectsPieceSize; i < end; ++i) {
            if (!work.settled[size_t(i)]) {
                makeHere(i);
                continue;
            }
            if (std::shared_ptr<ColorRect> graphic = std::move(work.made[size_t(i)]))
                take(std::move(graphic));
        }
    }
}

} // namespace quillmark
