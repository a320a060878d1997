#include "objects/TextAttachmentHandler.h"

#include <QAbstractTextDocumentLayout>
#include <QTextDocument>

#include <map>

#include "objects/TextArchive.h"

namespace quillmark {

namespace {

std::map<int, TextAttachmentHandler *> &handlers()
{
    static std::map<int, TextAttachmentHandler *> installed;
    return installed;
}

} // namespace

QSizeF TextAttachmentHandler::intrinsicSize(QTextDocument *, int, const QTextFormat &format)
{
    return cellSize(format.toCharFormat(), nullptr);
}

void TextAttachmentHandler::drawObject(QPainter *painter, const QRectF &rect, QTextDocument *, int,
                                       const QTextFormat &format)
{
    draw(painter, rect, format.toCharFormat(), nullptr);
}

void TextAttachmentHandler::install(int objectType, TextAttachmentHandler *handler)
{
    if (handler)
        handlers()[objectType] = handler;
    else
        handlers().erase(objectType);
}

TextAttachmentHandler *TextAttachmentHandler::handler(int objectType)
{
    const auto it = handlers().find(objectType);
    return it == handlers().end() ? nullptr : it->second;
}

TextAttachmentHandler *TextAttachmentHandler::handlerFor(QChar character, const QTextCharFormat &format)
{
    if (character != QChar(ObjectCharacter) || format.objectType() == QTextFormat::NoObject)
        return nullptr;
    return handler(format.objectType());
}

void TextAttachmentHandler::registerWith(QTextDocument *document)
{
    if (!document)
        return;
    for (const auto &[type, handler] : handlers())
        document->documentLayout()->registerHandler(type, handler);
}

QTextCharFormat TextAttachmentHandler::withoutObject(QTextCharFormat format)
{
    format.clearProperty(QTextFormat::ObjectType);
    format.clearProperty(QTextFormat::ObjectIndex);
    format.clearProperty(TextArchive::FieldPkProperty);
    return format;
}

} // namespace quillmark
