#include "printing/SequentialDrawing.h"

#include <QMutexLocker>
#include <QPainter>
#include <QSet>

#include "barcodes/ColorBarcode.h"
#include "canvas/RectsView.h"
#include "database/store/MergeContents.h"
#include "objects/CanvasServices.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/MergeSource.h"
#include "objects/ObjectFactory.h"

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

} // namespace

// A worker's copy of the design and the canvas it draws on: what the canvas answered when
// the run began, printing and showing record values.
struct SequentialDrawing::Copy : public CanvasServices
{
    const SequentialDrawing *owner = nullptr;
    GraphicList graphics;
    // The copy's barcodes in the design's order, null where one could not be made.
    std::vector<ColorBarcode *> barcodes;
    QList<std::shared_ptr<Group>> groups;
    double zoom = 1.0;

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
    std::shared_ptr<SequentialDrawing> drawing(new SequentialDrawing);
    drawing->m_size = size;
    drawing->m_page = canvas.getCurrPageName();
    drawing->m_layer = canvas.currentLayer();
    drawing->m_drawByType = canvas.drawByType();
    drawing->m_bounds = canvas.bounds();
    drawing->m_screenFactor = RectsView::screenFactor();
    drawing->m_clip = canvas.getLabelClipPath();
    for (int type = 0; type < 3; ++type)
        drawing->m_shapePaths[size_t(type)] = canvas.bezierPath(type, QString());

    GraphicList shown;
    for (const GraphicPtr &graphic : sortedByLayer(canvas.getRects()))
        if (graphic->isOnPageNamed(drawing->m_page))
            shown.append(graphic);
    QVariantList objects;
    QSet<int> pks;
    for (const GraphicPtr &graphic : shown) {
        const QVariantMap stored = graphic->propertyListRepresentation(&shown);
        // Each copy is made anew from its stored form: a kind that cannot be made so is
        // drawn on the GUI thread with the rest of the design.
        const QString kind = stored.value(QStringLiteral("Class")).toString();
        if (!drawnAnywhere(kind) || !ObjectFactory::isRegistered(kind))
            return nullptr;
        graphic->addMergePks(pks);
        if (auto barcode = std::dynamic_pointer_cast<ColorBarcode>(graphic))
            drawing->m_barcodes.append(barcode);
        objects.append(stored);
    }
    QVariantList groups;
    for (const auto &group : canvas.groups()) {
        const GraphicList &members = group->getObjects();
        if (members.isEmpty() || !shown.contains(members.first()))
            continue;
        const QVariantMap stored = group->propertyListRepresentation(shown);
        if (!Group::createGroupOfKind(stored.value(QStringLiteral("GroupClassKey")).toString()))
            return nullptr;
        groups.append(stored);
    }
    drawing->m_design.insert(QStringLiteral("ObjectsList"), objects);
    drawing->m_design.insert(QStringLiteral("GroupsList"), groups);
    drawing->m_pks = QList<int>(pks.begin(), pks.end());
    drawing->m_fields = MergeContents::currentFields();
    return drawing;
}

SequentialDrawing::~SequentialDrawing() = default;

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

std::unique_ptr<SequentialDrawing::Copy> SequentialDrawing::takeCopy() const
{
    {
        const QMutexLocker lock(&m_mutex);
        if (!m_idle.empty()) {
            std::unique_ptr<Copy> copy = std::move(m_idle.back());
            m_idle.pop_back();
            return copy;
        }
    }
    // Made on the drawing thread, from the stored form: nothing is shared with the canvas.
    auto copy = std::make_unique<Copy>();
    copy->owner = this;
    for (const QVariant &entry : m_design.value(QStringLiteral("ObjectsList")).toList()) {
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
    return copy;
}

void SequentialDrawing::giveBack(std::unique_ptr<Copy> copy) const
{
    const QMutexLocker lock(&m_mutex);
    m_idle.push_back(std::move(copy));
}

QImage SequentialDrawing::draw(const Record &record, double resolution, bool transparent) const
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

    std::unique_ptr<Copy> copy = takeCopy();
    copy->zoom = s;
    {
        const GivenRecord given(record.values, m_fields);
        for (const GraphicPtr &graphic : std::as_const(copy->graphics))
            graphic->updateABRecord();
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.scale(s, s);
        painter.setClipPath(m_clip.toPainterPath());
        size_t barcode = 0;
        for (const GraphicPtr &graphic : std::as_const(copy->graphics)) {
            while (barcode < copy->barcodes.size() && !copy->barcodes[barcode])
                ++barcode;
            if (barcode < copy->barcodes.size() && graphic.get() == copy->barcodes[barcode]) {
                copy->barcodes[barcode]->printFrameWithData(
                    &painter, QRectF(0, 0, W, H),
                    barcode < record.barcodes.size() ? record.barcodes[barcode] : std::nullopt);
                ++barcode;
                continue;
            }
            graphic->printFrame(&painter, QRectF(0, 0, W, H), 0);
        }
    }
    giveBack(std::move(copy));
    return image;
}

} // namespace quillmark
