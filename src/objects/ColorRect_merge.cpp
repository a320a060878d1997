// The binding of an object to a database field: its pk, the value that the pk gives for the
// current record, the refreshes that the merge kinds override, and merge fields put into the
// object's own text.
#include "objects/ColorRect.h"

#include <QCoreApplication>
#include <QTextBlock>
#include <QThread>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>

#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "objects/MergeSource.h"
#include "objects/ObjectTextEditor.h"
#include "objects/TextArchive.h"
#include "objects/TextAttachmentHandler.h"
#include "platform/NotificationCenter.h"

namespace quillmark {

namespace {

const QString RecordChanged = QStringLiteral("RecordChangedNotification");

} // namespace

void ColorRect::setFieldPk(int pk)
{
    const int old = _pk;
    registerUndo([old](ColorRect &object) { object.setFieldPk(old); });
    _pk = pk;
    updateContents(nullptr);
    nameAction("Change Field Type");
}

void ColorRect::setFieldPks(const QList<std::pair<std::shared_ptr<ColorRect>, int>> &bindings)
{
    if (bindings.isEmpty())
        return;
    QList<std::pair<std::shared_ptr<ColorRect>, int>> olds;
    olds.reserve(bindings.size());
    for (const auto &[object, pk] : bindings)
        olds.append({object, object->_pk});
    ColorRect &first = *bindings.first().first;
    first.registerUndo([olds = std::move(olds)](ColorRect &) { setFieldPks(olds); });
    for (const auto &[object, pk] : bindings) {
        object->_pk = pk;
        object->updateContents(nullptr);
    }
    first.setActionName(Language::stringForKey("Change Field Type"));
}

QVariant ColorRect::contentsByPk(int pk) const
{
    MergeSource *source = MergeSource::current();
    return source ? source->contentsByPk(pk) : QVariant();
}

void ColorRect::updateABRecord()
{
    updateContentsWithObject(contentsByPk(_pk));
}

void ColorRect::updateContents(const Notification *)
{
}

void ColorRect::addMergePks(QSet<int> &pks) const
{
    if (_pk != 0)
        pks.insert(_pk);
    if (!hasText())
        return;
    for (QTextBlock block = _text->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.objectType() == TextArchive::FieldChipObjectType)
                pks.insert(format.intProperty(TextArchive::FieldPkProperty));
        }
    }
}

void ColorRect::updateContentsWithObject(const QVariant &)
{
}

bool ColorRect::showsRecordValues() const
{
    if (isDrawingForPrint())
        return true;
    return _mainView && _mainView->databasePreview();
}

bool ColorRect::insertTextField(int pk)
{
    TextAttachmentHandler *handler = TextAttachmentHandler::handler(TextArchive::FieldChipObjectType);
    if (!handler)
        return false;
    ObjectTextEditor *editor = isEditingText() ? ObjectTextEditor::current() : nullptr;
    const int length = std::max(0, textStorage()->characterCount() - 1);
    const int start = editor ? editor->selectionStart() : 0;
    const int anchor = editor ? editor->cursor().anchor() : 0;
    const int position = editor ? editor->cursor().position() : 0;

    // The attributes at the start of the selection; behind the last character, those of the
    // last character, so that a field added at the end looks like the text before it.
    std::optional<QTextCharFormat> attributes;
    if (length > 0) {
        const int at = std::min(start, length - 1);
        QTextCursor cursor(textStorage());
        cursor.setPosition(at);
        cursor.setPosition(at + 1, QTextCursor::KeepAnchor);
        QTextCharFormat found = TextAttachmentHandler::withoutObject(cursor.charFormat());
        // Characters without a font of their own show the paragraph's and the text's: the
        // field takes the font the text is seen in.
        const QFont paragraph = cursor.block().charFormat().font().resolve(textStorage()->defaultFont());
        found.setFont(found.font().resolve(paragraph), QTextCharFormat::FontPropertiesAll);
        attributes = found;
    }
    QTextDocument chip;
    QTextCursor(&chip).insertText(QString(QChar(TextAttachmentHandler::ObjectCharacter)),
                                  handler->newAttachment(pk, attributes, this));
    ObjectTextEditor::replaceText(*this, start, 0, QTextDocumentFragment(&chip));
    if (editor)
        editor->setSelection(anchor + 1, position + 1);
    _isTemplate = false;
    invalidate();
    return true;
}

namespace {

// Copies of a design drawn by export workers are told their record directly; the
// notification center belongs to the GUI thread.
bool onNotificationThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

} // namespace

void ColorRect::observeRecordChanges()
{
    if (!onNotificationThread())
        return;
    // The observation is removed in the destructor of the kind that made it, so the raw
    // pointer never outlives the object.
    NotificationCenter::defaultCenter().addObserver(this, RecordChanged,
                                                    [this](const Notification &n) { updateContents(&n); });
}

void ColorRect::stopObservingRecordChanges()
{
    if (!onNotificationThread())
        return;
    NotificationCenter::defaultCenter().removeObserver(this, RecordChanged);
}

} // namespace quillmark
