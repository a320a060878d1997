// In-place text editing on the canvas: one object at a time takes the keys, shows its caret
// and selection in its own text layout, and every burst of typing is one undo step.
#include "canvas/RectsView.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPainter>
#include <QPicture>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "foundation/Language.h"
#include "objects/ColorOval.h"
#include "objects/ColorRect.h"
#include "objects/NSTextWrapContainer.h"
#include "objects/ObjectTextEditor.h"
#include "objects/TextContainer.h"
#include "objects/TextFlow.h"
#include "platform/Modifiers.h"
#include "platform/Pen.h"

namespace quillmark {

namespace {

bool isInPlaceTextKind(const ColorRect &graphic)
{
    const QString name = graphic.className();
    return name == QLatin1String("ColorRect") || name == QLatin1String("ColorOval");
}

// The turn and mirror the object is drawn with, as one transform.
QTransform frameTransform(const ColorRect &graphic)
{
    QPicture scratch;
    QPainter painter(&scratch);
    graphic.flipFrame(&painter);
    graphic.rotateFrame(&painter, graphic.angle());
    const QTransform transform = painter.worldTransform();
    painter.end();
    return transform;
}

// The flow of an object whose text is laid out in its runaround box, laid out now; null for
// kinds that place their text otherwise (the oval's text along its outline).
TextFlow *boxFlow(ColorRect &graphic)
{
    graphic.initContainer();
    if (!dynamic_cast<NSTextWrapContainer *>(graphic.textContainer()))
        return nullptr;
    TextFlow *flow = graphic.layoutText();
    if (!flow || flow->indexOfContainer(graphic.textContainer()) < 0)
        return nullptr;
    return flow;
}

QTextLine textLineOf(const TextFlow &flow, const TextFlow::Line &line)
{
    QTextLayout *layout = flow.blockLayout(line.block);
    return layout ? layout->lineAt(line.lineNumber) : QTextLine();
}

// The placed line that shows the position: the line it is in, or the line it ends.
int lineIndexForPosition(const TextFlow &flow, int position)
{
    const auto &lines = flow.lines();
    int ending = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        const TextFlow::Line &line = lines[i];
        if (position >= line.start && position < line.start + line.length)
            return int(i);
        if (position == line.start + line.length)
            ending = int(i);
    }
    return ending;
}

// The top-left of a box's lines in page points.
QPointF boxOrigin(const TextFlow &flow, int container)
{
    const ColorRect *view = flow.containers().value(container)->textView();
    return view ? view->frameBounds().topLeft() : QPointF();
}

// The caret at a position of a placed line, in the line's box coordinates.
QRectF caretInLine(const TextFlow &flow, const TextFlow::Line &line, int position)
{
    const QTextLine textLine = textLineOf(flow, line);
    if (!textLine.isValid())
        return {};
    QTextLayout *layout = flow.blockLayout(line.block);
    const int blockStart = flow.document()->findBlockByNumber(line.block).position();
    const qreal x = textLine.cursorToX(position - blockStart);
    const QPointF at = layout->position() + QPointF(x, textLine.y());
    return QRectF(at, QSizeF(0.0, textLine.height()));
}

QFont fontAt(QTextDocument *document, int position);

// The caret in page points before the turn of the box that shows it, and that box's object.
std::pair<QRectF, const ColorRect *> flowCaret(const TextFlow &flow, const ColorRect &graphic, int position)
{
    int index = lineIndexForPosition(flow, position);
    if (index < 0 && !flow.lines().empty() && position >= flow.lines().back().start) {
        // Text that does not fit the chain: the caret waits behind the last text shown.
        index = int(flow.lines().size()) - 1;
        position = flow.lines().back().start + flow.lines().back().length;
    }
    if (index < 0) {
        // An empty text: the caret stands at the box's top-left, one line high.
        const QFontMetricsF metrics(fontAt(graphic.textStorage(), position), TextFlow::pointDevice());
        return {QRectF(graphic.frameBounds().topLeft(), QSizeF(0.0, metrics.height())), &graphic};
    }
    const TextFlow::Line &line = flow.lines()[size_t(index)];
    const ColorRect *view = flow.containers().value(line.container)->textView();
    return {caretInLine(flow, line, position).translated(boxOrigin(flow, line.container)),
            view ? view : &graphic};
}

QFont fontAt(QTextDocument *document, int position)
{
    QTextCursor cursor(document);
    cursor.setPosition(std::clamp(position, 0, std::max(0, document->characterCount() - 1)));
    if (!cursor.atEnd() || position > 0)
        cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    return cursor.charFormat().font();
}

// The part of the oval's outline text a character takes: its cell turned with its glyph.
struct OvalCell
{
    QPointF point;
    qreal rotation = 0.0;
    qreal advance = 0.0;
    qreal ascent = 0.0;
    qreal descent = 0.0;
    bool rightToLeft = false;
};

std::optional<OvalCell> ovalCell(const ColorOval &oval, const QList<ColorOval::GlyphPlacement> &placements,
                                 int character)
{
    for (const ColorOval::GlyphPlacement &placement : placements) {
        if (placement.character != character)
            continue;
        const QFontMetricsF metrics(fontAt(oval.textStorage(), character), TextFlow::pointDevice());
        const QString text = oval.textStorage()->characterAt(character);
        return OvalCell{placement.point, placement.rotation, metrics.horizontalAdvance(text),
                        metrics.ascent(), metrics.descent(), placement.rightToLeft};
    }
    return std::nullopt;
}

// The caret of the oval's outline text: across the baseline at the edge of the character's
// glyph (behind the last glyph at the end of the text).
std::optional<QLineF> ovalCaretLine(const ColorOval &oval, int position)
{
    const QList<ColorOval::GlyphPlacement> placements = oval.glyphPlacements();
    bool after = false;
    std::optional<OvalCell> cell = ovalCell(oval, placements, position);
    if (!cell && position > 0) {
        cell = ovalCell(oval, placements, position - 1);
        after = true;
    }
    if (!cell)
        return std::nullopt;
    QTransform turn;
    turn.translate(cell->point.x(), cell->point.y());
    turn.rotate(cell->rotation);
    // A right-to-left character begins at its glyph's right edge.
    const qreal x = (after != cell->rightToLeft) ? cell->advance / 2.0 : -cell->advance / 2.0;
    return turn.map(QLineF(x, cell->descent, x, -cell->ascent));
}

// The platform's text-navigation keys: where each moves the insertion point, and whether it
// extends the selection.
enum class TextMove { PreviousWord, NextWord, StartOfLine, EndOfLine, StartOfText, EndOfText };
struct NavigationKey
{
    QKeySequence::StandardKey key;
    TextMove move;
    bool extend;
};
constexpr NavigationKey NavigationKeys[] = {
    {QKeySequence::MoveToPreviousWord, TextMove::PreviousWord, false},
    {QKeySequence::SelectPreviousWord, TextMove::PreviousWord, true},
    {QKeySequence::MoveToNextWord, TextMove::NextWord, false},
    {QKeySequence::SelectNextWord, TextMove::NextWord, true},
    {QKeySequence::MoveToStartOfLine, TextMove::StartOfLine, false},
    {QKeySequence::SelectStartOfLine, TextMove::StartOfLine, true},
    {QKeySequence::MoveToEndOfLine, TextMove::EndOfLine, false},
    {QKeySequence::SelectEndOfLine, TextMove::EndOfLine, true},
    {QKeySequence::MoveToStartOfDocument, TextMove::StartOfText, false},
    {QKeySequence::SelectStartOfDocument, TextMove::StartOfText, true},
    {QKeySequence::MoveToEndOfDocument, TextMove::EndOfText, false},
    {QKeySequence::SelectEndOfDocument, TextMove::EndOfText, true},
};

const NavigationKey *navigationKey(const QKeyEvent *event)
{
    for (const NavigationKey &navigation : NavigationKeys)
        if (event->matches(navigation.key))
            return &navigation;
    return nullptr;
}

// The start or end of the line that shows the position: the placed line of a box's text, the
// paragraph of the oval's.
int lineBoundary(ColorRect &graphic, const QTextCursor &at, bool end)
{
    if (TextFlow *flow = boxFlow(graphic)) {
        const int index = lineIndexForPosition(*flow, at.position());
        if (index >= 0) {
            const TextFlow::Line &line = flow->lines()[size_t(index)];
            if (!end)
                return line.start;
            // A wrapped line ends before the spaces it broke at: behind them the insertion
            // point would stand on the next line.
            int position = line.start + line.length;
            while (position > line.start && lineIndexForPosition(*flow, position) != index
                   && flow->document()->characterAt(position - 1).isSpace())
                --position;
            return position;
        }
    }
    QTextCursor cursor = at;
    cursor.movePosition(end ? QTextCursor::EndOfBlock : QTextCursor::StartOfBlock);
    return cursor.position();
}

} // namespace

// ---- begin and end ----

bool RectsView::setEditableObject(const GraphicPtr &graphic)
{
    if (!graphic || !isInPlaceTextKind(*graphic) || !rects.contains(graphic))
        return false;
    if (editedObject() == graphic)
        return true;
    clearEditable();
    endTypingBurst();
    ObjectTextEditor::begin(graphic);
    m_editingSelection.clear();
    for (const GraphicPtr &selected : std::as_const(_selectedObjects))
        m_editingSelection.append(selected.get());
    graphic->updateContainer();
    wasChanged(true);
    setFocus(Qt::OtherFocusReason);
    update();
    return true;
}

void RectsView::clearEditableObject(const GraphicPtr &graphic)
{
    if (!graphic || !graphic->isEditingText())
        return;
    endTypingBurst();
    ObjectTextEditor::end();
    update();
}

void RectsView::clearEditable()
{
    clearEditableObject(editedObject());
}

GraphicPtr RectsView::editedObject() const
{
    const ObjectTextEditor *editor = ObjectTextEditor::current();
    if (!editor || !editor->object() || editor->object()->mainView() != this)
        return nullptr;
    for (const GraphicPtr &graphic : rects) {
        if (graphic.get() == editor->object())
            return graphic;
    }
    return nullptr;
}

void RectsView::textSelectionDidChange()
{
    endTypingBurst();
    const GraphicPtr edited = editedObject();
    if (!edited)
        return;
    QList<const ColorRect *> now;
    for (const GraphicPtr &selected : std::as_const(_selectedObjects))
        now.append(selected.get());
    if (now != m_editingSelection || !isSelected(edited.get()) || !edited->isOnPageNamed(getCurrPageName()))
        clearEditableObject(edited);
}

// ---- typing ----

void RectsView::typingEdit(const std::function<void()> &edit, const QString &stepName)
{
    if (stepName.isEmpty())
        textEdit(edit, QStringLiteral("Typing"), true);
    else
        textEdit(edit, stepName, false);
}

void RectsView::deletingEdit(const std::function<void()> &edit)
{
    // A slip corrected while typing is part of the typing; otherwise what the keys take away
    // is a step of its own.
    const QString typing = QStringLiteral("Typing");
    textEdit(edit, m_typingBurst == typing ? typing : QStringLiteral("Delete"), true);
}

void RectsView::textEdit(const std::function<void()> &edit, const QString &stepName, bool burst)
{
    const GraphicPtr graphic = editedObject();
    if (!graphic)
        return;
    // Typing after deleting (and deleting after typing) starts a step of its own.
    if (!burst || m_typingBurst != stepName)
        endTypingBurst();
    const QString name = Language::stringForKey(stepName);
    if (!burst) {
        // A step of its own (Cut, Paste, Delete) takes back what it replaced, not the whole
        // text: each replacement registers its own inverse, so a word cut from a long text
        // keeps no copy of the rest. The selection comes back after the text, last.
        const int anchor = ObjectTextEditor::current()->cursor().anchor();
        const int position = ObjectTextEditor::current()->cursor().position();
        registerUndo([this, graphic, anchor, position, name] {
            setActionName(name);
            if (ObjectTextEditor *editor = ObjectTextEditor::current(); editor && editor->object() == graphic.get())
                editor->setSelection(anchor, position);
            if (graphic->mainView() == this) {
                invalidateGraphic(graphic.get());
                wasChanged(true);
            }
        });
        edit();
        setActionName(name);
        wasChanged(true);
        invalidateEditedText(graphic);
        return;
    }
    const bool first = m_typingBurst.isEmpty();
    if (first) {
        // The burst's step takes back what each of its keys replaced, the last key first: what
        // a key in a long text took away and how much it wrote, never a copy of the whole text.
        // Each replacement put back registers the way forward again, which makes the redo.
        auto inverses = std::make_shared<std::vector<ObjectTextEditor::Inverse>>();
        m_burstInverses = inverses;
        const int anchor = ObjectTextEditor::current()->cursor().anchor();
        const int position = ObjectTextEditor::current()->cursor().position();
        registerUndo([this, graphic, inverses, anchor, position, name] {
            for (auto it = inverses->rbegin(); it != inverses->rend(); ++it)
                (*it)(*graphic);
            setActionName(name);
            // The selection comes back with the text it was made in.
            if (ObjectTextEditor *editor = ObjectTextEditor::current(); editor && editor->object() == graphic.get())
                editor->setSelection(anchor, position);
            if (graphic->mainView() == this) {
                invalidateGraphic(graphic.get());
                wasChanged(true);
            }
        });
        m_typingBurst = stepName;
    }
    if (const std::shared_ptr<std::vector<ObjectTextEditor::Inverse>> inverses = m_burstInverses.lock())
        ObjectTextEditor::setInverseKeeper([inverses](ObjectTextEditor::Inverse inverse) { inverses->push_back(std::move(inverse)); });
    m_undoManager.disableUndoRegistration();
    edit();
    m_undoManager.enableUndoRegistration();
    ObjectTextEditor::setInverseKeeper({});
    // After the edit, whose own replacement names the step as typing.
    if (first)
        setActionName(name);
    wasChanged(true);
    invalidateEditedText(graphic);
}

void RectsView::invalidateEditedText(const GraphicPtr &graphic)
{
    // Typing redraws the boxes of the text, not the whole canvas.
    invalidateGraphic(graphic.get());
    if (TextFlow *flow = graphic->textFlow()) {
        for (TextContainer *container : flow->containers()) {
            if (const ColorRect *view = container->textView(); view && view != graphic.get())
                invalidateGraphic(view);
        }
    }
}

bool RectsView::isTextEditingKey(const QKeyEvent *event) const
{
    if (!editedObject())
        return false;
    if (event->matches(QKeySequence::SelectAll) || navigationKey(event)
        || event->matches(QKeySequence::DeleteStartOfWord) || event->matches(QKeySequence::DeleteEndOfWord))
        return true;
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier));
    default:
        break;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return false;
    const QString text = event->text();
    return !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint() || c == QLatin1Char('\t'); });
}

bool RectsView::textEditingKeyPress(QKeyEvent *event)
{
    if (!isTextEditingKey(event))
        return false;
    const GraphicPtr graphic = editedObject();
    ObjectTextEditor *editor = ObjectTextEditor::current();
    const bool extend = event->modifiers() & Qt::ShiftModifier;

    if (event->matches(QKeySequence::SelectAll)) {
        endTypingBurst();
        editor->selectAll();
        invalidateEditedText(graphic);
        return true;
    }
    if (const NavigationKey *navigation = navigationKey(event)) {
        endTypingBurst();
        QTextCursor cursor = editor->cursor();
        const int anchor = cursor.anchor();
        int position = cursor.position();
        switch (navigation->move) {
        case TextMove::PreviousWord:
        case TextMove::NextWord:
            cursor.clearSelection();
            cursor.movePosition(navigation->move == TextMove::NextWord ? QTextCursor::NextWord
                                                                       : QTextCursor::PreviousWord);
            position = cursor.position();
            break;
        case TextMove::StartOfLine:
        case TextMove::EndOfLine:
            position = lineBoundary(*graphic, cursor, navigation->move == TextMove::EndOfLine);
            break;
        case TextMove::StartOfText:
            position = 0;
            break;
        case TextMove::EndOfText:
            position = std::max(0, graphic->textStorage()->characterCount() - 1);
            break;
        }
        editor->setSelection(navigation->extend ? anchor : position, position);
        invalidateEditedText(graphic);
        return true;
    }
    if (event->matches(QKeySequence::DeleteStartOfWord) || event->matches(QKeySequence::DeleteEndOfWord)) {
        const bool back = event->matches(QKeySequence::DeleteStartOfWord);
        if (!editor->cursor().hasSelection()) {
            QTextCursor word = editor->cursor();
            word.movePosition(back ? QTextCursor::PreviousWord : QTextCursor::NextWord, QTextCursor::KeepAnchor);
            if (!word.hasSelection())
                return true;
            editor->setSelection(word.anchor(), word.position());
        }
        deletingEdit([editor] { editor->deleteBackward(); });
        return true;
    }
    switch (event->key()) {
    case Qt::Key_Escape:
        clearEditable();
        setupCurrObjectTool(SelectTool);
        return true;
    case Qt::Key_Backspace:
        deletingEdit([editor] { editor->deleteBackward(); });
        return true;
    case Qt::Key_Delete:
        deletingEdit([editor] { editor->deleteForward(); });
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        typingEdit([editor] { editor->insertText(QStringLiteral("\n")); });
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        // In a table Tab goes to the next cell and Shift-Tab to the previous one, taking the
        // cell's text; elsewhere Tab types a tab.
        if (QTextTable *table = editor->cursor().currentTable()) {
            endTypingBurst();
            const QTextTableCell cell = table->cellAt(editor->cursor());
            const bool back = event->key() == Qt::Key_Backtab || extend;
            int index = cell.row() * table->columns() + cell.column();
            const int count = table->rows() * table->columns();
            // Spanned places belong to the cell they continue; go on to the next other cell.
            QTextTableCell target;
            for (index += back ? -1 : 1; index >= 0 && index < count; index += back ? -1 : 1) {
                const QTextTableCell next = table->cellAt(index / table->columns(), index % table->columns());
                if (next.isValid() && next != cell) {
                    target = next;
                    break;
                }
            }
            if (target.isValid())
                editor->setSelection(target.firstCursorPosition().position(), target.lastCursorPosition().position());
            invalidateEditedText(graphic);
            return true;
        }
        if (event->key() == Qt::Key_Backtab)
            return true;
        typingEdit([editor] { editor->insertText(QStringLiteral("\t")); });
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        endTypingBurst();
        QTextCursor cursor = editor->cursor();
        const int anchor = cursor.anchor();
        const auto mode = extend ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
        int position = cursor.position();
        const int last = std::max(0, graphic->textStorage()->characterCount() - 1);
        if (!extend && cursor.hasSelection()
            && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
            // A plain arrow collapses the selection to its side.
            position = event->key() == Qt::Key_Left ? cursor.selectionStart() : cursor.selectionEnd();
        } else if (event->key() == Qt::Key_Left) {
            cursor.movePosition(QTextCursor::PreviousCharacter, mode);
            position = cursor.position();
        } else if (event->key() == Qt::Key_Right) {
            cursor.movePosition(QTextCursor::NextCharacter, mode);
            position = cursor.position();
        } else {
            const bool up = event->key() == Qt::Key_Up;
            position = up ? 0 : last;
            // Up and down keep the caret's place across the lines of the layout.
            if (TextFlow *flow = boxFlow(*graphic)) {
                const int index = lineIndexForPosition(*flow, cursor.position());
                const int target = index + (up ? -1 : 1);
                if (index >= 0 && target >= 0 && target < int(flow->lines().size())) {
                    const TextFlow::Line &from = flow->lines()[size_t(index)];
                    const TextFlow::Line &to = flow->lines()[size_t(target)];
                    const qreal x = caretInLine(*flow, from, cursor.position()).x();
                    const QTextLine line = textLineOf(*flow, to);
                    const int blockStart = flow->document()->findBlockByNumber(to.block).position();
                    if (line.isValid())
                        position = blockStart + line.xToCursor(x - flow->blockLayout(to.block)->position().x());
                }
            }
        }
        editor->setSelection(extend ? anchor : position, position);
        invalidateEditedText(graphic);
        return true;
    }
    default:
        break;
    }
    const QString text = event->text();
    typingEdit([editor, text] { editor->insertText(text); });
    return true;
}

void RectsView::placeCaretAt(const QPointF &point, unsigned flags)
{
    const GraphicPtr graphic = editedObject();
    ObjectTextEditor *editor = ObjectTextEditor::current();
    if (!graphic || !editor)
        return;
    endTypingBurst();
    const QPointF local = frameTransform(*graphic).inverted().map(point);
    int position = -1;
    if (TextFlow *flow = boxFlow(*graphic)) {
        const int box = flow->indexOfContainer(graphic->textContainer());
        const QPointF inBox = local - boxOrigin(*flow, box);
        qreal best = -1.0;
        for (const TextFlow::Line &line : flow->lines()) {
            if (line.container != box)
                continue;
            const QTextLine textLine = textLineOf(*flow, line);
            if (!textLine.isValid())
                continue;
            const qreal top = flow->blockLayout(line.block)->position().y() + textLine.y();
            // Lines side by side (the cells of a table) are told apart by the horizontal distance.
            const qreal distance = (inBox.y() < top ? top - inBox.y()
                                                    : std::max(0.0, inBox.y() - (top + textLine.height())))
                + std::max({0.0, line.fragment.left() - inBox.x(), inBox.x() - line.fragment.right()});
            if (best >= 0.0 && distance >= best)
                continue;
            best = distance;
            const int blockStart = flow->document()->findBlockByNumber(line.block).position();
            position = blockStart + textLine.xToCursor(inBox.x() - flow->blockLayout(line.block)->position().x());
        }
    } else if (auto *oval = dynamic_cast<ColorOval *>(graphic.get())) {
        qreal best = -1.0;
        for (const ColorOval::GlyphPlacement &placement : oval->glyphPlacements()) {
            const QPointF d = placement.point - local;
            const qreal distance = std::hypot(d.x(), d.y());
            if (best < 0.0 || distance < best) {
                best = distance;
                position = placement.character;
            }
        }
    }
    if (position < 0)
        return;
    const bool extend = flags & ShiftKeyMask;
    editor->setSelection(extend ? editor->cursor().anchor() : position, position);
    invalidateEditedText(graphic);
}

bool RectsView::pressInEditedText(const QPointF &point, unsigned flags, int clickCount)
{
    const GraphicPtr graphic = editedObject();
    m_textDragging = false;
    if (!graphic || !graphic->isOnPageNamed(getCurrPageName()))
        return false;
    const QPointF local = frameTransform(*graphic).inverted().map(point);
    if (!graphic->frameBounds().contains(local))
        return false;
    m_textDragging = clickCount < 2;
    ObjectTextEditor *editor = ObjectTextEditor::current();
    placeCaretAt(point, flags);
    if (clickCount >= 2 && editor) {
        // A double click selects the word under the pointer.
        QTextCursor word = editor->cursor();
        word.clearSelection();
        word.select(QTextCursor::WordUnderCursor);
        if (word.hasSelection())
            editor->setSelection(word.selectionStart(), word.selectionEnd());
        invalidateEditedText(graphic);
    }
    changeFont();
    return true;
}

bool RectsView::dragInEditedText(const QPointF &point)
{
    if (!m_textDragging)
        return false;
    if (!editedObject()) {
        m_textDragging = false;
        return false;
    }
    // The anchor stays where the press put the caret.
    placeCaretAt(point, ShiftKeyMask);
    return true;
}

// ---- drawing ----

QRectF RectsView::caretRect() const
{
    const GraphicPtr graphic = editedObject();
    const ObjectTextEditor *editor = ObjectTextEditor::current();
    if (!graphic || !editor)
        return {};
    const int position = editor->cursor().position();
    if (TextFlow *flow = boxFlow(*graphic))
        return flowCaret(*flow, *graphic, position).first;
    if (auto *oval = dynamic_cast<ColorOval *>(graphic.get())) {
        if (const std::optional<QLineF> caret = ovalCaretLine(*oval, position))
            return QRectF(caret->p1(), caret->p2()).normalized();
    }
    return {};
}

void RectsView::drawEditedFrame(QPainter *painter, const GraphicPtr &graphic, const QRectF &dirty)
{
    // The canvas is the edited object's text view: its text is drawn as always, and the
    // caret and selection go on top.
    graphic->setEditable(false);
    graphic->drawFrame(painter, dirty, isSelected(graphic.get()));
    graphic->setEditable(true);
}

void RectsView::drawTextEditing(QPainter *painter)
{
    const GraphicPtr graphic = editedObject();
    const ObjectTextEditor *editor = ObjectTextEditor::current();
    if (!graphic || !editor || !graphic->isOnPageNamed(getCurrPageName()) || isPrinting())
        return;
    const int start = editor->selectionStart();
    const int end = editor->selectionEnd();
    QColor highlight = palette().color(QPalette::Highlight);
    highlight.setAlphaF(0.35f);

    painter->save();
    if (TextFlow *flow = boxFlow(*graphic)) {
        // The selection may run through every box of the chain on this page.
        for (const TextFlow::Line &line : flow->lines()) {
            const int from = std::max(start, line.start);
            const int to = std::min(end, line.start + line.length);
            if (from >= to)
                continue;
            const ColorRect *view = flow->containers().value(line.container)->textView();
            if (!view || !view->isOnPageNamed(getCurrPageName()))
                continue;
            const QRectF a = caretInLine(*flow, line, from);
            const QRectF b = caretInLine(*flow, line, to);
            painter->save();
            painter->setTransform(frameTransform(*view), true);
            painter->fillRect(QRectF(a.topLeft(), QPointF(b.x(), a.bottom()))
                                  .normalized()
                                  .translated(boxOrigin(*flow, line.container)),
                              highlight);
            painter->restore();
        }
    } else if (auto *oval = dynamic_cast<ColorOval *>(graphic.get())) {
        const QList<ColorOval::GlyphPlacement> placements = oval->glyphPlacements();
        for (int c = start; c < end; ++c) {
            const std::optional<OvalCell> cell = ovalCell(*oval, placements, c);
            if (!cell)
                continue;
            painter->save();
            painter->translate(cell->point);
            painter->rotate(cell->rotation);
            painter->fillRect(QRectF(-cell->advance / 2.0, -cell->ascent, cell->advance,
                                     cell->ascent + cell->descent),
                              highlight);
            painter->restore();
        }
    }
    if (start == end) {
        std::optional<QLineF> caret;
        if (TextFlow *flow = boxFlow(*graphic)) {
            const auto [rect, view] = flowCaret(*flow, *graphic, start);
            painter->setTransform(frameTransform(*view), true);
            caret = QLineF(rect.topLeft(), rect.bottomLeft());
        } else if (auto *oval = dynamic_cast<ColorOval *>(graphic.get())) {
            // The oval's caret is placed along its outline already turned.
            caret = ovalCaretLine(*oval, start);
        }
        if (caret && caret->length() > 0.0) {
            painter->setPen(makePen(palette().color(QPalette::Text), 1.0 / std::max(0.01, getZoom())));
            painter->drawLine(*caret);
        }
    }
    painter->restore();
}

// ---- events ----

bool RectsView::event(QEvent *event)
{
    // Tab belongs to the text being edited (a tab, or the next cell of a table), before the
    // window takes it to move the keyboard focus. Without text it does nothing: the keyboard
    // stays with the canvas, whose arrow keys nudge the selection.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            if (isTextEditingKey(key))
                keyPressEvent(key);
            key->accept();
            return true;
        }
    }
    // During a move the snapping key is the move's, not Save As's.
    if (event->type() == QEvent::ShortcutOverride && isMoveSnappingKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    // While text is edited here, the editing keys are the text's, not the menus' shortcuts.
    if (event->type() == QEvent::ShortcutOverride && isTextEditingKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

} // namespace quillmark
