#pragma once
// A merge field inside an object's text (a chip). In the text it is one object character
// whose character format holds the field's key and the attributes the chip is drawn with.
// While the user designs it shows the field's title in brackets; in database preview and
// while printing, the current record's value. It flows with the text like a word and, when
// its text is wider than the object, wraps inside the object's width.
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTextCharFormat>

#include "objects/TextArchive.h"

class QPainter;

namespace quillmark {

class ColorRect;

class TextAttachmentCell
{
public:
    static constexpr int ObjectType = TextArchive::FieldChipObjectType;

    // A new chip: the user font of size 12 as its only attribute, bound to no field.
    TextAttachmentCell();
    // The chip a character format of a text holds (also one read from a stored text).
    explicit TextAttachmentCell(const QTextCharFormat &format);

    // The character format that puts the chip into a text.
    QTextCharFormat format() const;

    // The object whose box holds the chip (not owned); null before it is laid out.
    const ColorRect *view() const { return _cr; }
    void setView(const ColorRect *view) { _cr = view; }

    // "[title]" while the object's canvas is neither in database preview nor printing (and
    // outside any object); the record's value otherwise.
    QString title() const;
    // The title in the attributes, wrapped at the frame's width; nothing else is drawn.
    void drawWithFrame(QPainter *painter, const QRectF &frame) const;
    // The title's measured size, one point wider; empty without a title.
    QSizeF cellSize() const;
    // (0, the descender of the chip's font and its leading below it): the chip's bottom lies
    // that far below the baseline of its line.
    QPointF cellBaselineOffset() const;
    // The chip's frame in its line, at (0, 0): the title's size one point wider or, when that
    // is wider than the object, the object's width less the stroke's half widths and the
    // knobs on both sides, as tall as the title wrapped at that width.
    QRectF cellFrameForTextContainer() const;
    // The answer to a record change: the object's canvas returns to the selection tool, which
    // ends editing and redraws the chip with the new record.
    void refresh() const;

    // Takes every attribute given; underline and strikethrough that the given attributes do
    // not have are taken off.
    void addAttributes(const QTextCharFormat &attributes);
    QTextCharFormat attr() const { return _attr; }
    void setAttr(const QTextCharFormat &attributes);
    qint64 pk() const { return _pk; }
    void setPk(qint64 pk) { _pk = pk; }

    // Installs the chips with the text engine and has the chips added from now on refresh
    // on "RecordChangedNotification". Call once at start-up.
    static void registerKind();

private:
    const ColorRect *_cr = nullptr;
    QTextCharFormat _attr;
    qint64 _pk = 0;
};

} // namespace quillmark
