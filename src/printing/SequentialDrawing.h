#pragma once
// The current label's design frozen for drawing on worker threads: Export Sequential draws
// each record's label on every core. The objects of the canvas are drawn on the GUI thread
// only (they read the canvas and share their text documents), so each worker draws a copy of
// its own, made from the design's stored form on the worker's thread, the same form Duplicate
// and the clipboard use. The record is read on the GUI thread and handed over by value: the
// merge values of every field the design shows and each barcode's data with the label's
// sequence value, so no worker ever reaches the database or a sequence file. The database's
// merge fields, which address blocks lay their lines out by, are taken once for the run.
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QPainterPath>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "database/store/MergeContents.h"
#include "platform/BezierPath.h"

namespace quillmark {

class ColorBarcode;
class RectsView;

class SequentialDrawing
{
public:
    // What one record shows: the value of every merge pk of the design, and the data of each
    // barcode of the design in its order, nothing where the label prints without it.
    using RecordValues = QHash<int, QVariant>;
    struct Record
    {
        RecordValues values;
        std::vector<std::optional<std::string>> barcodes;
    };

    // The canvas's current label and page; null when the design holds an object whose kind
    // is drawn on the GUI thread only or when there is no label.
    static std::shared_ptr<SequentialDrawing> capture(RectsView &canvas);
    ~SequentialDrawing();
    SequentialDrawing(const SequentialDrawing &) = delete;
    SequentialDrawing &operator=(const SequentialDrawing &) = delete;

    // What the design shows for the record that is current in the database now, on the label
    // of that number. On the GUI thread, in record order: sequence files are read here.
    Record currentRecord(int labelNumber) const;

    // The label of a record at that resolution, white or transparent around the design; a
    // null image when it would be too large. On any thread, several at once.
    QImage draw(const Record &record, double resolution, bool transparent) const;

private:
    SequentialDrawing() = default;
    struct Copy;
    std::unique_ptr<Copy> takeCopy() const;
    void giveBack(std::unique_ptr<Copy> copy) const;

    QVariantMap m_design;
    QList<int> m_pks;
    // The canvas's barcodes in the design's order, asked for their data on the GUI thread.
    QList<std::shared_ptr<ColorBarcode>> m_barcodes;
    MergeContents::Fields m_fields;
    QSizeF m_size;
    // Kept as points: a QPainterPath shared by workers would race on the drawing cache Qt
    // keeps inside it, so each drawing makes its own.
    BezierPath m_clip;
    std::array<BezierPath, 3> m_shapePaths;
    QRectF m_bounds;
    double m_screenFactor = 1.0;
    QString m_page;
    int m_layer = 0;
    bool m_drawByType = false;

    // Copies not drawing at the moment; a worker takes one or makes its own.
    mutable QMutex m_mutex;
    mutable std::vector<std::unique_ptr<Copy>> m_idle;
};

} // namespace quillmark
