#include "canvas/ObjectForms.h"

#include "objects/TextFlow.h"

#include <QTextDocument>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "foundation/Language.h"
#include "objects/TextFlow.h"
#include "objects/specImage.h"
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

} // namespace

// Named, not anonymous: the works below hold it, and those are declared in the header.
namespace formsdetail {

// Pieces of work taken by whoever comes first, a helper or the calling thread; the calling thread
// waits for them in order, making those no one has taken yet meanwhile.
class Pieces
{
public:
    void start(qsizetype count)
    {
        m_count = count;
        m_states = std::make_unique<std::atomic<int>[]>(size_t(count));
        for (qsizetype i = 0; i < count; ++i)
            m_states[i].store(Waiting);
    }
    qsizetype count() const { return m_count; }

    // A helper: takes and makes the pieces no one has taken yet.
    template<class Make>
    void help(const Make &make)
    {
        for (qsizetype piece = m_next.fetch_add(1); piece < m_count; piece = m_next.fetch_add(1))
            if (take(piece))
                finish(piece, make);
    }

    // The calling thread: returns once `piece` is made. It is made here when no helper took it;
    // while a helper makes it, this thread makes those not yet taken.
    template<class Make>
    void await(qsizetype piece, const Make &make)
    {
        if (take(piece))
            finish(piece, make);
        while (m_states[piece].load() != Made) {
            const qsizetype other = m_next.fetch_add(1);
            if (other < m_count) {
                if (take(other))
                    finish(other, make);
                continue;
            }
            std::unique_lock<std::mutex> lock(m_mutex);
            m_made.wait(lock, [&] { return m_states[piece].load() == Made; });
        }
    }

private:
    enum : int { Waiting, Taken, Made };
    bool take(qsizetype piece)
    {
        int expected = Waiting;
        return m_states[piece].compare_exchange_strong(expected, Taken);
    }
    template<class Make>
    void finish(qsizetype piece, const Make &make)
    {
        make(piece);
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_states[piece].store(Made);
        }
        m_made.notify_all();
    }

    qsizetype m_count = 0;
    std::unique_ptr<std::atomic<int>[]> m_states;
    std::atomic<qsizetype> m_next{0};
    std::mutex m_mutex;
    std::condition_variable m_made;
};

} // namespace formsdetail

struct ObjectForms::Work
{
    // Raw pointers: a helper that starts after all is made touches no object, and the last
    // hold on this work may go on a helper's thread, where no object may be let go of.
    std::vector<ColorRect *> objects;
    std::vector<char> elsewhere;
    std::vector<QVariantMap> forms;
    formsdetail::Pieces pieces;
    // Archives a helper wrote while the caller records them, one set per piece.
    std::shared_ptr<Archiver::KeptRoots> recording;
    std::vector<std::shared_ptr<Archiver::KeptRoots>> pieceRoots;

    void make(qsizetype piece, bool onHelper)
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

    void help()
    {
        pieces.help([this](qsizetype piece) { make(piece, true); });
    }
};

ObjectForms::ObjectForms(const QList<std::shared_ptr<ColorRect>> &graphics,
                         const QList<std::shared_ptr<ColorRect>> *context,
                         const ColorRect::LinkedTextPlaces *places)
    : m_work(std::make_shared<Work>())
    , m_context(context)
    , m_places(context ? places : nullptr)
{
    if (context && !m_places)
        m_places = &m_ownPlaces.emplace(*context);
    Work &work = *m_work;
    const qsizetype count = graphics.size();
    work.objects.reserve(size_t(count));
    // The copies of outside pictures are made on workers meanwhile, each object's form waiting
    // only for its own.
    PictureCopy::Batch copies;
    for (const auto &graphic : graphics) {
        work.objects.push_back(graphic.get());
        graphic->startPictureCopy(copies);
    }
    work.elsewhere.assign(size_t(count), 0);
    work.forms.resize(size_t(count));
    const int helpers = formsHelperLimit >= 0 ? std::min(formsHelperLimit, formsPool().maxThreadCount()) : formsPool().maxThreadCount();
    if (count < FormsHelpedFrom || helpers < 1)
        return;
    // Which objects may be written elsewhere: a text shared by two objects (a linked chain)
    // is read only here.
    std::unordered_set<const QTextDocument *> seen, shared;
    for (qsizetype i = 0; i < count; ++i)
        if (const QTextDocument *text = work.objects[i]->textIfAny(); text && !seen.insert(text).second)
            shared.insert(text);
    for (qsizetype i = 0; i < count; ++i) {
        // The boxes of a chain share one text, read once, here: asking each whether its text
        // may be read elsewhere would read the whole text once for every box. So is a box of a
        // chain whose other boxes this list does not hold (a slice of a design): only here is
        // it known which box of the chain writes the text.
        if (const QTextDocument *text = work.objects[i]->textIfAny(); text && shared.count(text))
            continue;
        if (const TextFlow *flow = work.objects[i]->textFlow(); flow && flow->containers().size() > 1)
            continue;
        const QTextDocument *text = nullptr;
        work.elsewhere[i] = work.objects[i]->formReadableOffThread(&text) ? 1 : 0;
        if (!work.elsewhere[i])
            continue;
        // A box of a linked chain shares its text, and is written here; should one not share
        // it, it is written here all the same.
        if (context && !work.objects[i]->linkedTextViewsString(*context, m_places).isNull())
            work.elsewhere[i] = 0;
    }
    work.pieces.start((count + FormsPieceSize - 1) / FormsPieceSize);
    work.recording = Archiver::recordingNow();
    work.pieceRoots.resize(size_t(work.pieces.count()));
    const qsizetype started = std::min<qsizetype>(helpers, work.pieces.count() - 1);
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
        if (work.pieces.count() > 0) {
            work.pieces.await(piece, [&work](qsizetype taken) { work.make(taken, false); });
            if (work.pieceRoots[piece]) {
                Archiver::keepAlso(*work.recording, *work.pieceRoots[piece]);
                work.pieceRoots[piece].reset();
            }
        }
        const qsizetype end = std::min(count, (piece + 1) * FormsPieceSize);
        for (qsizetype i = piece * FormsPieceSize; i < end; ++i) {
            if (!work.elsewhere[i]) {
                take(QVariant(work.objects[i]->propertyListRepresentation(m_context, m_places)));
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
    formsdetail::Pieces pieces;
    QThread *caller = nullptr;
    // Texts read from a copy in memory are taken as read on the helpers too.
    std::shared_ptr<const Archiver::KeptRoots> readAlready;
    // The objects made by whoever made their piece, and which entries that covered.
    std::vector<std::shared_ptr<ColorRect>> made;
    std::vector<char> settled;
    // The forms whose text comes from the first box of their chain.
    std::vector<bool> chainText;
    // Set once the caller wants no more: the pieces left are passed over.
    std::atomic<bool> given_up{false};

    void make(qsizetype piece)
    {
        if (given_up.load())
            return;
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
            if (!ColorRect::formMakeableOffThread(entry))
                continue;
            if (chainText[size_t(i)])
                ColorRect::dropChainText(entry);
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
    }

    void help()
    {
        pieces.help([this](qsizetype piece) { make(piece); });
    }
};

ObjectsFromForms::ObjectsFromForms(const PropertyListArray &forms)
    : m_work(std::make_shared<Work>())
{
    Work &work = *m_work;
    work.forms = &forms;
    work.count = forms.size();
    work.chainText = ColorRect::textsFromChains(forms);
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
    work.pieces.start((work.count + ObjectsPieceSize - 1) / ObjectsPieceSize);
    const qsizetype started = std::min<qsizetype>(helpers, work.pieces.count() - 1);
    for (qsizetype i = 0; i < started; ++i)
        formsPool().start([held = m_work] { held->help(); });
}

ObjectsFromForms::~ObjectsFromForms()
{
    // Whatever happens, no helper is left reading the forms, and every object made is let go
    // of here.
    if (!m_delivered)
        deliver([](std::shared_ptr<ColorRect> &&, qsizetype) { return true; });
}

void ObjectsFromForms::deliver(const std::function<bool(std::shared_ptr<ColorRect> &&, qsizetype)> &take)
{
    m_delivered = true;
    Work &work = *m_work;
    // A picture placed many times is decoded once, not once for each object showing it; large
    // photos when first drawn, on the picture worker for the screen. Pictures are read only
    // here, on the calling thread.
    const specImage::SharedDecoding pictures;
    const specImage::DeferredDecoding later;
    bool going = true;
    auto makeHere = [&](qsizetype index) {
        const QVariant entry = work.forms->at(index);
        if (entry.typeId() != QMetaType::QVariantMap)
            return;
        QVariantMap form = entry.toMap();
        if (work.chainText[size_t(index)])
            ColorRect::dropChainText(form);
        if (std::shared_ptr<ColorRect> graphic = ColorRect::graphicWithPropertyListRepresentation(form))
            going = take(std::move(graphic), index);
    };
    if (work.pieces.count() == 0) {
        for (qsizetype i = 0; i < work.count && going; ++i)
            makeHere(i);
        return;
    }
    for (qsizetype piece = 0; piece < work.pieces.count(); ++piece) {
        if (!going)
            work.given_up.store(true);
        // Given up, every piece is still waited for, so that no helper is left reading the
        // forms; those not begun are passed over.
        work.pieces.await(piece, [&work](qsizetype taken) { work.make(taken); });
        const qsizetype end = std::min(work.count, (piece + 1) * ObjectsPieceSize);
        for (qsizetype i = piece * ObjectsPieceSize; i < end; ++i) {
            if (!going) {
                work.made[size_t(i)].reset();
                continue;
            }
            if (!work.settled[size_t(i)]) {
                makeHere(i);
                continue;
            }
            if (std::shared_ptr<ColorRect> graphic = std::move(work.made[size_t(i)]))
                going = take(std::move(graphic), i);
        }
    }
}

} // namespace quillmark
