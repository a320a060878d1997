#include "printing/SequentialDrawing.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QFontMetricsF>
#include <QMutexLocker>
#include <QPainter>
#include <QSet>
#include <QThreadPool>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <typeinfo>

#include "barcodes/ColorBarcode.h"
#include "canvas/RectsView.h"
#include "database/store/MergeContents.h"
#include "objects/CanvasServices.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/MergeSource.h"
#include "objects/ObjectFactory.h"
#include "objects/RunaroundIndex.h"
#include "objects/specImage.h"

namespace quillmark {

namespace {

// Renders above this many pixels are refused rather than allocated, as on the canvas.
constexpr double LargestWorkerDrawing = 200e6;

// The kinds a worker may draw: their drawing reads nothing but the object, its canvas and
// the merge values it is given.
bool drawnAnywhere(const QString &kind)
{
    static const QStringList kinds = {QStringLiteral("ColorRect"),  QStringLiteral("ColorOval"),
                                      QStringLiteral("ColorLine"),  QStringLiteral("ColorPath"),
                                      QStringLiteral("ColorField"), QStringLiteral("ColorAddress"),
                                      QStringLiteral("ColorBarcode")};
    return kinds.contains(kind);
}

// The merge values of one record and the database's fields, for the drawing thread only.
class GivenRecord : public MergeSource
{
public:
    GivenRecord(const SequentialDrawing::RecordValues &values, const MergeContents::Fields &fields)
        : m_values(values)
    {
        MergeSource::installForThisThread(this);
        MergeContents::useFieldsForThisThread(&fields);
    }
    ~GivenRecord() override
    {
        MergeContents::useFieldsForThisThread(nullptr);
        MergeSource::installForThisThread(nullptr);
    }
    GivenRecord(const GivenRecord &) = delete;
    GivenRecord &operator=(const GivenRecord &) = delete;
    QVariant contentsByPk(int pk) override { return m_values.value(pk); }

private:
    const SequentialDrawing::RecordValues &m_values;
};

// The thread a print job and its preview draw their shared copy on. Kept for the process's
// life: a thread that ends takes its fonts with it, and a copy made on it could no longer be
// drawn. Joined at the process's end, after the works given to it, so that it lets go of its
// font cache before Qt's is gone.
struct CopyThread
{
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> works;
    std::thread thread;
    std::thread::id id;
    bool started = false;
    bool stopping = false;
};

CopyThread &copyThread()
{
    static CopyThread *const state = new CopyThread;
    return *state;
}

void runCopyThread()
{
    CopyThread &state = copyThread();
    std::unique_lock lock(state.mutex);
    for (;;) {
        state.changed.wait(lock, [&state] { return state.stopping || !state.works.empty(); });
        if (state.works.empty())
            return;
        std::function<void()> work = std::move(state.works.front());
        state.works.pop_front();
        lock.unlock();
        work();
        // What the work held goes here too.
        work = nullptr;
        lock.lock();
    }
}

void stopCopyThread()
{
    CopyThread &state = copyThread();
    std::thread thread;
    {
        const std::lock_guard lock(state.mutex);
        if (state.stopping)
            return;
        state.stopping = true;
        thread.swap(state.thread);
    }
    state.changed.notify_all();
    if (thread.joinable())
        thread.join();
}

} // namespace

void SequentialDrawing::onCopyThread(std::function<void()> work)
{
    CopyThread &state = copyThread();
    {
        const std::lock_guard lock(state.mutex);
        // At the process's end what is left goes where it was given up.
        if (state.stopping)
            return;
        if (!state.started) {
            state.started = true;
            qAddPostRoutine(stopCopyThread);
            // A process that never destroys its application object ends through its exit
            // handlers alone; Qt's font cache is made first, so that this one runs before the
            // cache's own.
            (void)QFontMetricsF(QFont()).height();
            std::atexit(stopCopyThread);
            state.thread = std::thread(runCopyThread);
            state.id = state.thread.get_id();
        }
        state.works.push_back(std::move(work));
    }
    state.changed.notify_all();
}

// A worker's copy of the design and the canvas it draws on: what the canvas answered when
// the run began, printing and showing record values.
struct SequentialDrawing::Copy : public CanvasServices
{
    const SequentialDrawing *owner = nullptr;
    // The thread that made the copy: the only one that draws it and lets go of it.
    std::thread::id maker = std::this_thread::get_id();
    GraphicList graphics;
    // The copy's barcodes in the design's order, null where one could not be made.
    std::vector<ColorBarcode *> barcodes;
    QList<std::shared_ptr<Group>> groups;
    // The barcodes that number their labels: where each one's data is in a record.
    QHash<const ColorBarcode *, size_t> numbering;
    // The values the objects were last given; none before the first drawing.
    std::optional<RecordValues> applied;
    double zoom = 1.0;
    // Used by the one thread drawing the copy at a time.
    mutable RunaroundIndex runaround;

    UndoManager *undoManager() override { return nullptr; }
    double getZoomCoeff() const override { return zoom; }
    double getZoom() const override { return zoom / owner->m_screenFactor; }
    void invalidateGraphic(const ColorRect *) override {}
    void invalidateRect(const QRectF &) override {}
    void updateRulers() override {}
    void beginEchoingMoveToRulers(const QRectF &) override {}
    void continueEchoingMoveToRulers(const QRectF &) override {}
    void stopEchoingMoveToRulers() override {}
    void wasChanged(bool) override {}
    QString measure() override { return QStringLiteral("Inches"); }
    QString currentPageName() const override { return owner->m_page; }
    int currentLayer() const override { return owner->m_layer; }
    BezierPath bezierPath(int type, const QString &) const override
    {
        return type >= 0 && type < 3 ? owner->m_shapePaths[size_t(type)] : BezierPath();
    }
    bool drawByType() const override { return owner->m_drawByType; }
    QRectF bounds() const override { return owner->m_bounds; }
    bool isPrinting() const override { return true; }
    bool databasePreview() const override { return true; }
    QList<std::shared_ptr<ColorRect>> getRects() const override { return graphics; }
    // Found through an index as on the canvas: walking every object for every text box grows
    // with the square of the design.
    QList<std::shared_ptr<ColorRect>> runaroundObstacles(const ColorRect &box) const override
    {
        return runaround.obstaclesOver(box, graphics);
    }
    QPointF constrainedPoint(const QPointF &point) const override { return point; }
    void setDrawersItemsState() override {}
    void clearGridSnap() override {}
    double labelWidth() const override { return owner->m_size.width(); }
    QRectF labelBounds() const override { return QRectF(QPointF(0, 0), owner->m_size); }
    void setDocumentCursor(const QCursor &) override {}
    void print() override {}
    void changeFont() override {}
    void updateObjectValues() override {}
};

std::shared_ptr<SequentialDrawing> SequentialDrawing::capture(RectsView &canvas)
{
    const TLabel &label = canvas.getLabel();
    const QSizeF size(double(label.width) * 72.0, double(label.height) * 72.0);
    if (!(size.width() > 0.0) || !(size.height() > 0.0))
        return nullptr;
    Capture capture(canvas, {canvas.getCurrPageName()});
    capture.step(-1);
    const std::shared_ptr<SequentialDrawing> drawing = capture.result();
    if (drawing)
        drawing->allowSeveralCopies();
    return drawing;
}

std::shared_ptr<SequentialDrawing> SequentialDrawing::captureSheet(RectsView &canvas, const QStringList &pages,
                                                                   const std::function<bool()> &answer)
{
    // The window answers between slices: a design of tens of thousands of objects takes a
    // second or two to write.
    constexpr qint64 SliceMs = 20;
    Capture capture(canvas, pages);
    while (!capture.step(SliceMs))
        if (answer && !answer())
            return nullptr;
    if (answer && !answer())
        return nullptr;
    return capture.result();
}

SequentialDrawing::Capture::Capture(RectsView &canvas, const QStringList &pages)
    : m_canvas(canvas)
    , m_pages(pages)
    , m_drawing(new SequentialDrawing)
{
    const TLabel &label = canvas.getLabel();
    m_drawing->m_size = QSizeF(double(label.width) * 72.0, double(label.height) * 72.0);
    m_drawing->m_page = canvas.getCurrPageName();
    m_drawing->takeCanvas(canvas);
    for (const GraphicPtr &graphic : sortedByLayer(canvas.getRects()))
        if (std::any_of(pages.cbegin(), pages.cend(), [&graphic](const QString &page) { return graphic->isOnPageNamed(page); }))
            m_shown.append(graphic);
    m_places = std::make_unique<ColorRect::LinkedTextPlaces>(m_shown);
    m_objects.reserve(m_shown.size());
}

SequentialDrawing::Capture::~Capture() = default;

bool SequentialDrawing::Capture::step(qint64 ms)
{
    if (m_done)
        return true;
    QElapsedTimer slice;
    slice.start();
    while (m_next < m_shown.size()) {
        if (!m_drawing->takeObject(m_shown[m_next++], m_shown, *m_places, m_objects, m_pks)) {
            m_drawing.reset();
            m_done = true;
            return true;
        }
        if (ms >= 0 && slice.elapsed() >= ms && m_next < m_shown.size())
            return false;
    }
    // The groups too are taken a slice at a time: a design of thousands of groups takes a
    // good part of a second to write.
    const auto &groups = m_canvas.groups();
    while (m_nextGroup < groups.size()) {
        const std::shared_ptr<Group> &group = groups.at(m_nextGroup++);
        const GraphicList &members = group->getObjects();
        if (!members.isEmpty() && m_places->contains(members.first().get())) {
            const QVariantMap stored = group->propertyListRepresentation(m_shown, &m_places->places());
            if (!Group::createGroupOfKind(stored.value(QStringLiteral("GroupClassKey")).toString())) {
                m_drawing.reset();
                m_done = true;
                return true;
            }
            m_groups.append(stored);
        }
        if (ms >= 0 && slice.elapsed() >= ms && m_nextGroup < groups.size())
            return false;
    }
    m_drawing->finishDesign(std::move(m_objects), std::move(m_groups), m_pks);
    m_objects = QVariantList();
    m_groups = QVariantList();
    m_done = true;
    return true;
}

bool SequentialDrawing::Capture::done() const
{
    return m_done;
}

std::shared_ptr<SequentialDrawing> SequentialDrawing::Capture::result() const
{
    return m_done ? m_drawing : nullptr;
}

bool SequentialDrawing::Capture::covers(const QStringList &pages) const
{
    return std::all_of(pages.cbegin(), pages.cend(), [this](const QString &page) { return m_pages.contains(page); });
}

void SequentialDrawing::takeCanvas(RectsView &canvas)
{
    m_layer = canvas.currentLayer();
    m_drawByType = canvas.drawByType();
    m_bounds = canvas.bounds();
    m_screenFactor = RectsView::screenFactor();
    m_clip = canvas.getLabelClipPath();
    for (int type = 0; type < 3; ++type)
        m_shapePaths[size_t(type)] = canvas.bezierPath(type, QString());
}

bool SequentialDrawing::takeObject(const GraphicPtr &graphic, const GraphicList &shown,
                                   const ColorRect::LinkedTextPlaces &places, QVariantList &objects, QSet<int> &pks)
{
    const QVariantMap stored = graphic->propertyListRepresentation(&shown, &places);
    // Each copy is made anew from its stored form: a kind that cannot be made so is drawn on
    // the GUI thread with the rest of the design.
    const QString kind = stored.value(QStringLiteral("Class")).toString();
    if (!drawnAnywhere(kind) || !ObjectFactory::isRegistered(kind))
        return false;
    // The boxes of a chain share one text: its fields are looked for once, not in every box.
    const QTextDocument *text = graphic->textIfAny();
    const bool readAlready = text && m_textsRead.contains(text);
    if (text)
        m_textsRead.insert(text);
    if (readAlready && typeid(*graphic) == typeid(ColorRect)) {
        if (graphic->fieldPk() != 0)
            pks.insert(graphic->fieldPk());
    } else {
        graphic->addMergePks(pks);
    }
    if (auto barcode = std::dynamic_pointer_cast<ColorBarcode>(graphic)) {
        if (barcode->numbersLabels()) {
            m_barcodes.append(barcode);
            m_numbering.push_back(m_barcodeCount);
        }
        ++m_barcodeCount;
    }
    objects.append(stored);
    return true;
}

void SequentialDrawing::finishDesign(QVariantList objects, QVariantList groups, const QSet<int> &pks)
{
    m_design.insert(QStringLiteral("ObjectsList"), objects);
    m_design.insert(QStringLiteral("GroupsList"), groups);
    m_pks = QList<int>(pks.begin(), pks.end());
    m_fields = MergeContents::currentFields();
    for (const int pk : std::as_const(m_pks))
        m_initialValues.insert(pk, MergeContents::contentsByPk(pk));
}

SequentialDrawing::~SequentialDrawing()
{
    letGo(std::move(m_idle));
    // Letting go of a design of tens of thousands of objects takes a good part of a second:
    // that is done aside, whichever thread let go of the drawing last. Moved, not shared: a
    // reference left here could be the last one once the pool's thread has let go of its own,
    // and the design would go on this thread after all.
    auto design = std::make_shared<QVariantMap>();
    design->swap(m_design);
    QThreadPool::globalInstance()->start([design = std::move(design)]() mutable { design.reset(); });
}

void SequentialDrawing::letGo(std::vector<std::unique_ptr<Copy>> copies)
{
    std::vector<std::unique_ptr<Copy>> aside;
    std::vector<std::unique_ptr<Copy>> onCopyThreadOnes;
    const std::thread::id here = std::this_thread::get_id();
    std::thread::id copyThreadId;
    {
        CopyThread &state = copyThread();
        const std::lock_guard lock(state.mutex);
        if (state.started)
            copyThreadId = state.id;
    }
    for (std::unique_ptr<Copy> &copy : copies) {
        if (!copy || copy->maker == here)
            continue;
        if (copy->maker == copyThreadId)
            onCopyThreadOnes.push_back(std::move(copy));
        else
            aside.push_back(std::move(copy));
    }
    if (!onCopyThreadOnes.empty())
        onCopyThread([held = std::make_shared<std::vector<std::unique_ptr<Copy>>>(std::move(onCopyThreadOnes))] {
            held->clear();
        });
    // A copy whose thread let the drawing go without letting go of its copies first: its
    // thread may be gone, and nothing better is left than letting it go aside.
    if (!aside.empty())
        QThreadPool::globalInstance()->start(
            [held = std::make_shared<std::vector<std::unique_ptr<Copy>>>(std::move(aside))] { held->clear(); });
    // Those made here go here.
}

void SequentialDrawing::drawOne(Copy &copy, ColorRect &graphic, QPainter *painter, const QRectF &rect,
                                const Record &record) const
{
    if (!copy.numbering.isEmpty()) {
        if (auto *barcode = dynamic_cast<ColorBarcode *>(&graphic)) {
            const auto at = copy.numbering.constFind(barcode);
            if (at != copy.numbering.constEnd()) {
                barcode->printFrameWithData(painter, rect,
                                            *at < record.barcodes.size() ? record.barcodes[*at] : std::nullopt);
                return;
            }
        }
    }
    graphic.printFrame(painter, rect, 0);
}

void SequentialDrawing::applyRecord(Copy &copy, const Record &record) const
{
    // Most labels of a job show the record of the label before: the objects are told only of
    // a new one.
    if (copy.applied && *copy.applied == record.values)
        return;
    for (const GraphicPtr &graphic : std::as_const(copy.graphics))
        graphic->updateABRecord();
    // A record may size its objects anew.
    copy.runaround.markMoved();
    copy.applied = record.values;
}

void SequentialDrawing::drawObjects(QPainter *painter, const Record &record, const QString &page,
                                    const QRectF &pageRect, const std::function<bool()> &stopped) const
{
    std::unique_ptr<Copy> copy = takeCopy(stopped);
    if (!copy)
        return;
    copy->zoom = 1.0;
    {
        const GivenRecord given(record.values, m_fields);
        applyRecord(*copy, record);
        const ColorRect::DrawingPass pass;
        qsizetype drawn = 0;
        for (const GraphicPtr &graphic : std::as_const(copy->graphics)) {
            if (!graphic->isOnPageNamed(page))
                continue;
            // A label of tens of thousands of objects takes seconds: a Cancel holds within it.
            if (stopped && ++drawn % 64 == 0 && stopped())
                break;
            drawOne(*copy, *graphic, painter, pageRect, record);
        }
    }
    giveBack(std::move(copy));
}

bool SequentialDrawing::drawnInside(const QString &page, const QPainterPath &clip) const
{
    std::unique_ptr<Copy> copy = takeCopy();
    GraphicList onPage;
    for (const GraphicPtr &graphic : std::as_const(copy->graphics))
        if (graphic->isOnPageNamed(page))
            onPage.append(graphic);
    const bool inside = RectsView::drawnInside(onPage, clip);
    giveBack(std::move(copy));
    return inside;
}

void SequentialDrawing::prepare(const std::function<bool()> &stopped) const
{
    if (std::unique_ptr<Copy> copy = takeCopy(stopped))
        giveBack(std::move(copy));
}

void SequentialDrawing::release() const
{
    std::vector<std::unique_ptr<Copy>> mine;
    {
        const QMutexLocker lock(&m_mutex);
        const std::thread::id here = std::this_thread::get_id();
        for (std::unique_ptr<Copy> &copy : m_idle)
            if (copy->maker == here)
                mine.push_back(std::move(copy));
        std::erase_if(m_idle, [](const std::unique_ptr<Copy> &copy) { return !copy; });
        m_copies -= int(mine.size());
        m_givenBack.wakeAll();
    }
}

SequentialDrawing::Record SequentialDrawing::currentRecord(int labelNumber) const
{
    Record record;
    for (const int pk : m_pks)
        record.values.insert(pk, MergeContents::contentsByPk(pk));
    record.barcodes.reserve(size_t(m_barcodes.size()));
    for (const std::shared_ptr<ColorBarcode> &barcode : m_barcodes)
        record.barcodes.push_back(barcode->sequenceData(labelNumber));
    return record;
}

std::unique_ptr<SequentialDrawing::Copy> SequentialDrawing::takeCopy(const std::function<bool()> &stopped) const
{
    {
        QMutexLocker lock(&m_mutex);
        const std::thread::id here = std::this_thread::get_id();
        for (;;) {
            // Only a copy made on this thread is drawn here: another thread's fonts may be gone
            // with it.
            const auto mine = std::find_if(m_idle.begin(), m_idle.end(),
                                           [here](const std::unique_ptr<Copy> &copy) { return copy->maker == here; });
            if (mine != m_idle.end()) {
                std::unique_ptr<Copy> copy = std::move(*mine);
                m_idle.erase(mine);
                return copy;
            }
            // One copy at a time unless several are allowed: a copy another thread draws is
            // waited for, one it has given back cannot be drawn here and another is made.
            if (m_severalCopies || m_copies == 0 || !m_idle.empty())
                break;
            if (stopped && stopped())
                return nullptr;
            m_givenBack.wait(&m_mutex, 20);
        }
        ++m_copies;
    }
    std::unique_ptr<Copy> copy = makeCopy(stopped);
    if (!copy) {
        const QMutexLocker lock(&m_mutex);
        --m_copies;
        m_givenBack.wakeAll();
    }
    return copy;
}

std::unique_ptr<SequentialDrawing::Copy> SequentialDrawing::makeCopy(const std::function<bool()> &stopped) const
{
    // Made on the drawing thread, from the stored form: nothing is shared with the canvas. The
    // objects read the record taken with the design, never the database.
    auto copy = std::make_unique<Copy>();
    copy->owner = this;
    const GivenRecord given(m_initialValues, m_fields);
    const specImage::SharedDecoding pictures;
    qsizetype made = 0;
    for (const QVariant &entry : m_design.value(QStringLiteral("ObjectsList")).toList()) {
        // A copy of tens of thousands of objects takes seconds: a job given up meanwhile does
        // not wait for it.
        if (stopped && ++made % 64 == 0 && stopped())
            return nullptr;
        const QVariantMap stored = entry.toMap();
        GraphicPtr graphic = ColorRect::graphicWithPropertyListRepresentation(stored);
        if (stored.value(QStringLiteral("Class")).toString() == QLatin1String("ColorBarcode"))
            copy->barcodes.push_back(dynamic_cast<ColorBarcode *>(graphic.get()));
        if (graphic)
            copy->graphics.append(graphic);
    }
    ColorRect::relinkTextChains(copy->graphics);
    for (const auto &group : Group::groupsWithPropertyListRepresentation(m_design.value(QStringLiteral("GroupsList")).toList(),
                                                                        copy->graphics)) {
        group->setRectsView(copy.get());
        copy->groups.append(group);
    }
    for (const GraphicPtr &graphic : std::as_const(copy->graphics))
        graphic->setMainView(copy.get());
    // The barcodes that number their labels, by object.
    for (size_t i = 0; i < m_numbering.size(); ++i)
        if (m_numbering[i] < copy->barcodes.size() && copy->barcodes[m_numbering[i]])
            copy->numbering.insert(copy->barcodes[m_numbering[i]], i);
    return copy;
}

void SequentialDrawing::giveBack(std::unique_ptr<Copy> copy) const
{
    const QMutexLocker lock(&m_mutex);
    m_idle.push_back(std::move(copy));
    m_givenBack.wakeAll();
}

void SequentialDrawing::drawLabel(QPainter *painter, const Record &record, const std::function<bool()> &stopped) const
{
    painter->save();
    painter->setClipPath(m_clip.toPainterPath(), Qt::IntersectClip);
    drawObjects(painter, record, m_page, QRectF(QPointF(0, 0), m_size), stopped);
    painter->restore();
}

QImage SequentialDrawing::draw(const Record &record, double resolution, bool transparent,
                               const std::function<bool()> &stopped) const
{
    const double s = resolution / 72.0;
    const double W = m_size.width();
    const double H = m_size.height();
    if (!(s > 0.0) || W * s * H * s > LargestWorkerDrawing)
        return {};
    QImage image(qRound(W * s), qRound(H * s), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(transparent ? Qt::transparent : Qt::white);
    image.setDotsPerMeterX(qRound(resolution / 0.0254));
    image.setDotsPerMeterY(qRound(resolution / 0.0254));

    std::unique_ptr<Copy> copy = takeCopy(stopped);
    if (!copy)
        return {};
    copy->zoom = s;
    {
        const GivenRecord given(record.values, m_fields);
        applyRecord(*copy, record);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.scale(s, s);
        painter.setClipPath(m_clip.toPainterPath());
        const ColorRect::DrawingPass pass;
        qsizetype drawn = 0;
        for (const GraphicPtr &graphic : std::as_const(copy->graphics)) {
            if (stopped && ++drawn % 64 == 0 && stopped())
                break;
            drawOne(*copy, *graphic, &painter, QRectF(0, 0, W, H), record);
        }
    }
    giveBack(std::move(copy));
    return image;
}

} // namespace quillmark
