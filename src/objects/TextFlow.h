#pragma once
// The text engine: one document flowing through a chain of boxes. Each paragraph is laid
// out with its own QTextLayout; each line is placed in the fragment that the current box's
// container answers for the proposed row (a row split by an obstacle holds several lines
// side by side), and the text moves on to the next box of the chain when a box is full.
// Every box keeps the character range it shows; text beyond the last box overflows.
//
// All lengths are page points: layouts are made at the screen's resolution with every point
// size scaled by 72 / dpi, so a 12 point font is 12 units high whatever the screen is.
//
// Objects inside the text (merge-field chips, TextAttachmentHandler) stand in the layouts as a
// character of the object's width and height that is not drawn; the object is drawn in its
// place by its handler.
#include <QColor>
#include <QFont>
#include <QHash>
#include <QFontMetricsF>
#include <QMetaObject>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTextCharFormat>

#include <functional>
#include <memory>
#include <vector>

class QPaintDevice;
class QPainter;
class QTextBlock;
class QTextDocument;
class QTextLayout;
class QTextTable;

namespace quillmark {

class ColorRect;
class TextAttachmentHandler;
class TextContainer;

class TextFlow
{
public:
    // One placed line.
    struct Line
    {
        int block = 0;      // index of the paragraph's layout
        int lineNumber = 0; // the line within that layout
        int container = 0;  // the box it sits in
        QRectF fragment;    // the fragment it was given, in the box's coordinates
        int start = 0;      // document position of its first character
        int length = 0;     // characters it holds
    };

    explicit TextFlow(std::shared_ptr<QTextDocument> document);
    ~TextFlow();

    TextFlow(const TextFlow &) = delete;
    TextFlow &operator=(const TextFlow &) = delete;

    QTextDocument *document() const { return m_document.get(); }
    const std::shared_ptr<QTextDocument> &sharedDocument() const { return m_document; }

    // ---- the chain, in flow order (containers are not owned) ----
    const QList<TextContainer *> &containers() const { return m_containers; }
    int indexOfContainer(const TextContainer *container) const;
    // An index outside the chain appends.
    void insertContainer(TextContainer *container, int index);
    void removeContainer(TextContainer *container);

    // Lays the whole document out through the chain as the containers are now.
    void layout();
    // Lays it out only when the text, its default font, the chain or a box changed since the
    // last layout, or an object inside the text shows something else now (a chip shows another
    // record, field or setting); answers whether it did.
    bool layoutIfNeeded();
    // Whether the layout is current: layoutIfNeeded() would lay nothing out.
    bool isLaidOut() const;
    // The next layoutIfNeeded() lays the text out.
    void invalidate()
    {
        m_laidOut = false;
        m_checkedInPass = 0;
        m_empty = Unknown;
    }
    // The drawing pass (ColorRect::DrawingPass) in which the boxes were last brought up to
    // date and the text laid out; 0 for none.
    quint64 checkedInPass() const { return m_checkedInPass; }
    void setCheckedInPass(quint64 pass) { m_checkedInPass = pass; }
    // Whether the document holds no character. Known without reading the document again
    // until its contents change: a repaint asks it of every box, and reading thousands of
    // documents scattered in memory costs more than drawing their boxes.
    bool isEmpty() const;

    // Names the last layout among all made in the process (0: none yet): what draw() draws of
    // it, objects inside the text aside, may be kept by it.
    quint64 layoutSerial() const { return m_layoutSerial; }
    // Whether the document holds objects (merge fields, pictures) as laid out last.
    bool holdsObjects() const { return !m_attachments.empty(); }

    // After layout(): the lines, the characters each box shows, and whether text is left over.
    const std::vector<Line> &lines() const { return m_lines; }
    QTextLayout *blockLayout(int block) const;
    // (start, length) of the box at `container`; (end of the placed text, 0) for a box that
    // shows nothing.
    std::pair<int, int> characterRange(int container) const;
    bool hasOverflow() const { return m_overflow; }
    // The bounding rectangle of the placed lines of a box, in the box's coordinates.
    QRectF usedRect(int container) const;

    // An object inside the text where the layout put it.
    struct PlacedAttachment
    {
        int container = 0;  // the box it sits in
        int position = 0;   // document position of its character
        QRectF frame;       // in the box's coordinates
        QTextCharFormat format;
        TextAttachmentHandler *handler = nullptr;
    };
    // After layout(): the objects inside the text that the box shows.
    std::vector<PlacedAttachment> attachments(int container) const;

    // Draws the lines of one box with the box's top-left at `origin` (page points),
    // honouring every character format; text without a colour of its own is black. The
    // objects inside the text are drawn by their handlers.
    void draw(QPainter *painter, int container, const QPointF &origin) const;

    // The 72 dpi device every layout is measured against.
    static QPaintDevice *pointDevice();

    // A text in one character format laid out as the engine lays out paragraphs (page
    // points): wrapped at `width` when it is above 0, else only at line breaks. `size`
    // receives the width of the widest line and the height of all lines.
    static std::unique_ptr<QTextLayout> layoutString(const QString &text, const QTextCharFormat &format,
                                                     qreal width = 0.0, QSizeF *size = nullptr);
    // The metrics of a font in page points, as the engine measures it.
    static QFontMetricsF fontMetrics(const QFont &font);
    // The device the engine lays text out against (the screen's resolution) and the factor
    // by which it scales every point size for it, so that one unit stays one page point.
    static QPaintDevice *layoutDevice(qreal *fontScale);

    // A cell of a table as placed: its frame in the box's coordinates, drawn under the text.
    struct Cell
    {
        int container = 0;
        QRectF rect;
        qreal border = 0.0;
        QColor borderColor;
        QColor background; // invalid: none
    };
    const std::vector<Cell> &tableCells() const { return m_cells; }

private:
    // Lays out the table that begins with `block`; answers its last paragraph.
    QTextBlock layoutTable(QTextTable *table, QTextBlock block,
                           const std::function<QTextLayout *(const QTextBlock &)> &makeLayout, int &ci, qreal &y,
                           bool &outOfRoom, int &placedEnd);

    std::shared_ptr<QTextDocument> m_document;
    std::vector<Cell> m_cells;
    QList<TextContainer *> m_containers;
    std::vector<std::unique_ptr<QTextLayout>> m_layouts;
    std::vector<Line> m_lines;
    std::vector<std::pair<int, int>> m_ranges;
    bool m_overflow = false;
    // What the last layout was made for.
    bool m_laidOut = false;
    quint64 m_layoutSerial = 0;
    quint64 m_checkedInPass = 0;
    // Each box's place, for chains longer than a glance takes.
    static constexpr int IndexedFrom = 16;
    mutable QHash<const TextContainer *, int> m_places;
    enum Emptiness : signed char { Unknown = -1, HoldsText = 0, Empty = 1 };
    mutable Emptiness m_empty = Unknown;
    std::vector<std::pair<const TextContainer *, quint64>> m_laidBoxes;
    QFont m_laidFont;
    qreal m_laidTabs = 0.0;
    qreal m_laidIndent = 0.0;
    qreal m_laidScale = 0.0;
    QMetaObject::Connection m_textWatch;
    // The objects inside the text, by paragraph and offset in it, as they were measured.
    struct Attachment
    {
        int block = 0;
        int offset = 0;
        QTextCharFormat format;
        TextAttachmentHandler *handler = nullptr;
        // The box it was measured for, and what it showed there.
        const ColorRect *view = nullptr;
        QString shown;
        QSizeF size;
        qreal descent = 0.0;
    };
    std::vector<Attachment> m_attachments;
    // Whether every object the last layout measured shows the same now.
    bool attachmentsShowAsLaidOut() const;
};

// The font at `scale` times its point size; a font sized in pixels stays as it is.
QFont scaledFont(QFont font, qreal scale);
// The font of the character at a position of a document (the one before it at the end), with
// what the character does not set taken from the document's default font.
QFont fontAtPosition(QTextDocument *document, int position);

} // namespace quillmark
