#pragma once
// Objects inside running text. Each is one object replacement character (U+FFFC) whose
// character format names the object's kind (QTextFormat::objectType) and carries its data;
// the format's font, colour and lines are what the object is drawn with. The text engine
// gives such a character the room its kind's handler measures, standing on the line's
// baseline, and lets the handler draw it there.
//
// The kinds belong to other subsystems (the address database's merge-field chips), which
// install their handlers at start-up, so the object model never depends on them. A handler is
// also a QTextObjectInterface, so Qt's own document layout sizes and draws the same objects.
#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTextCharFormat>
#include <QTextObjectInterface>

#include <optional>

class QPainter;
class QTextDocument;

namespace quillmark {

class ColorRect;

class TextAttachmentHandler : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    // The character that stands for an object in a text.
    static constexpr char16_t ObjectCharacter = 0xFFFC;

    // The room the object takes in its line when laid out in the box of `view` (null: in no
    // box), in page points.
    virtual QSizeF cellSize(const QTextCharFormat &format, const ColorRect *view) const = 0;
    // How far the object reaches below the baseline of its line, in page points.
    virtual qreal descent(const QTextCharFormat &format) const = 0;
    // Draws the object into its frame (page points, painter as the text is drawn).
    virtual void draw(QPainter *painter, const QRectF &frame, const QTextCharFormat &format,
                      const ColorRect *view) const = 0;
    // The text the object shows, for the outline of shaped text.
    virtual QString text(const QTextCharFormat &format, const ColorRect *view) const = 0;
    // The character format of a new object for `tag`, inserted where the text has the given
    // attributes (none in an empty text), into the text of `view`.
    virtual QTextCharFormat newAttachment(int tag, const std::optional<QTextCharFormat> &attributes,
                                          ColorRect *view) = 0;

    QSizeF intrinsicSize(QTextDocument *document, int posInDocument, const QTextFormat &format) override;
    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *document, int posInDocument,
                    const QTextFormat &format) override;

    // Installs the handler of a kind (not owned; null removes it).
    static void install(int objectType, TextAttachmentHandler *handler);
    static TextAttachmentHandler *handler(int objectType);
    // The handler of a character in that format; null unless it is an object of an
    // installed kind.
    static TextAttachmentHandler *handlerFor(QChar character, const QTextCharFormat &format);
    // Makes the installed handlers known to the document's own layout, for a document that Qt
    // lays out and shows itself. An object's text is laid out by the text engine alone: a Qt
    // layout made beside it would lay the whole text out again at every edit and every move
    // of a cursor in it.
    static void registerWith(QTextDocument *document);
    // The format without an object's kind and data: what text typed behind an object takes.
    static QTextCharFormat withoutObject(QTextCharFormat format);
};

} // namespace quillmark
