#pragma once
// The current label's design frozen for drawing on worker threads: Export Sequential draws
// each record's label on every core, and a print job draws its sheets on a thread of its own.
// The objects of the canvas are drawn on the GUI thread only (they read the canvas and share
// their text documents), so each worker draws a copy of its own, made from the design's stored
// form on the worker's thread, the same form Duplicate and the clipboard use. The record is
// read on the GUI thread and handed over by value: the merge values of every field the design
// shows and the data of each barcode that numbers its labels, so no worker ever reaches the
// database or a sequence file. The database's merge fields, which address blocks lay their
// lines out by, are taken once for the run.
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QWaitCondition>
#include <QSet>
#include <QStringList>
#include <QPainterPath>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "database/store/MergeContents.h"
#include "objects/ColorRect.h"
#include "platform/BezierPath.h"

class QPainter;
class QTextDocument;
class QPainterPath;
class QRectF;

namespace quillmark {

class ColorBarcode;
class RectsView;

class SequentialDrawing
{
public:
    // What one record shows: the value of every merge pk of the design, and the data of each
    // barcode of the design that numbers its labels, in their order, nothing where the label
    // prints without it (the others show their own data).
    using RecordValues = QHash<int, QVariant>;
    struct Record
    {
        RecordValues values;
        std::vector<std::optional<std::string>> barcodes;
    };

    // The canvas's current label and page; null when the design holds an object whose kind
    // is drawn on the GUI thread only or when there is no label.
    static std::shared_ptr<SequentialDrawing> capture(RectsView &canvas);
    // The objects of the pages named, for a print job and its preview, taken a slice at a time
    // so that the window answers between slices. The canvas must not change meanwhile.
    class Capture
    {
    public:
        Capture(RectsView &canvas, const QStringList &pages);
        ~Capture();
        Capture(const Capture &) = delete;
        Capture &operator=(const Capture &) = delete;
        // Takes objects for about `ms` milliseconds; true once all are taken.
        bool step(qint64 ms);
        bool done() const;
        // After done(): the drawing, or null when the design holds an object drawn on the GUI
        // thread only.
        std::shared_ptr<SequentialDrawing> result() const;
        // Whether it was taken of these pages.
        bool covers(const QStringList &pages) const;

    private:
        RectsView &m_canvas;
        QStringList m_pages;
        QList<std::shared_ptr<ColorRect>> m_shown;
        std::unique_ptr<ColorRect::LinkedTextPlaces> m_places;
        std::shared_ptr<SequentialDrawing> m_drawing;
        QVariantList m_objects;
        QVariantList m_groups;
        QSet<int> m_pks;
        qsizetype m_next = 0;
        qsizetype m_nextGroup = 0;
        bool m_done = false;
    };
    // The same taken at once, `answer` called between slices: it lets the window answer and
    // says false when the user gave up (null then).
    static std::shared_ptr<SequentialDrawing> captureSheet(RectsView &canvas, const QStringList &pages,
                                                           const std::function<bool()> &answer);
    ~SequentialDrawing();
    SequentialDrawing(const SequentialDrawing &) = delete;
    SequentialDrawing &operator=(const SequentialDrawing &) = delete;

    // What the design shows for the record that is current in the database now, on the label
    // of that number. On the GUI thread, in record order: sequence files are read here.
    Record currentRecord(int labelNumber) const;

    // The label of a record at that resolution, white or transparent around the design; a
    // null image when it would be too large. On any thread, several at once.
    QImage draw(const Record &record, double resolution, bool transparent,
                const std::function<bool()> &stopped = {}) const;
    // The label of a record as a vector file shows it: clipped to the label's shape, one unit a
    // point, the label's top-left corner at the painter's origin.
    void drawLabel(QPainter *painter, const Record &record, const std::function<bool()> &stopped = {}) const;
    // The label's size in points.
    QSizeF size() const { return m_size; }

    // For a print job, on one thread at a time: the objects of `page` of the label of that
    // number, with the record, in layer order, at the painter's place; nothing more once
    // `stopped` says so.
    void drawObjects(QPainter *painter, const Record &record, const QString &page, const QRectF &pageRect,
                     const std::function<bool()> &stopped) const;
    // Whether everything the objects of `page` print lies inside the clip, as far as they tell.
    bool drawnInside(const QString &page, const QPainterPath &clip) const;
    // Lets several threads draw at once, each from a copy of its own (an export on every core).
    // Otherwise one copy is made, and a drawing waits for it while another thread draws: the
    // options' preview and the job it goes to hold one copy of the design between them.
    void allowSeveralCopies() { m_severalCopies = true; }
    // Makes the copy a first drawing needs, on the calling thread; none once `stopped` says so.
    void prepare(const std::function<bool()> &stopped = {}) const;
    // Lets go of the copies the calling thread made: a copy is drawn and let go of only on the
    // thread that made it (its text holds that thread's fonts, which go with the thread).
    void release() const;

    // The one thread, kept for the process's life, on which a print job and the options'
    // preview draw the copy they share: made there, drawn there and let go of there, whichever
    // of the two comes first and however long the user waits between them. Works run in the
    // order they are given.
    static void onCopyThread(std::function<void()> work);

private:
    SequentialDrawing() = default;
    struct Copy;
    // An idle copy, or a new one; null when `stopped` says so before a new one is made whole.
    std::unique_ptr<Copy> takeCopy(const std::function<bool()> &stopped = {}) const;
    std::unique_ptr<Copy> makeCopy(const std::function<bool()> &stopped) const;
    // Lets go of idle copies, each on the thread that made it.
    static void letGo(std::vector<std::unique_ptr<Copy>> copies);
    void giveBack(std::unique_ptr<Copy> copy) const;
    // What the drawing takes of the canvas beside the objects.
    void takeCanvas(RectsView &canvas);
    // The stored form of one object; false for a kind drawn on the GUI thread only.
    bool takeObject(const std::shared_ptr<ColorRect> &graphic, const QList<std::shared_ptr<ColorRect>> &shown,
                    const ColorRect::LinkedTextPlaces &places, QVariantList &objects, QSet<int> &pks);
    // The fields and the record once every object and group is taken.
    void finishDesign(QVariantList objects, QVariantList groups, const QSet<int> &pks);
    // Gives the copy the record's values, when they are not the ones it shows already.
    void applyRecord(Copy &copy, const Record &record) const;
    // One object of the copy for the label: a barcode that numbers its labels with the
    // record's data for it.
    void drawOne(Copy &copy, ColorRect &graphic, QPainter *painter, const QRectF &rect, const Record &record) const;

    QVariantMap m_design;
    QList<int> m_pks;
    // The canvas's barcodes that number their labels, in the design's order, asked for their
    // data on the GUI thread; where each is among the design's barcodes.
    QList<std::shared_ptr<ColorBarcode>> m_barcodes;
    std::vector<size_t> m_numbering;
    size_t m_barcodeCount = 0;
    // What the current record showed when the design was taken: the copies are made with it.
    RecordValues m_initialValues;
    // The texts whose fields were looked for while the design was taken.
    QSet<const QTextDocument *> m_textsRead;
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
    mutable QWaitCondition m_givenBack;
    mutable std::vector<std::unique_ptr<Copy>> m_idle;
    // Copies made or being made and not let go of.
    mutable int m_copies = 0;
    bool m_severalCopies = false;
};

} // namespace quillmark
