// The object's text: its box in a flow of linked boxes, the obstacles the text runs around,
// and the undoable changes of size, colour, alignment, attributes and contents.
#include "objects/ColorRect.h"

#include <QHash>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <atomic>
#include <optional>

#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "objects/NSTextWrapContainer.h"
#include "objects/ObjectTextEditor.h"
#include "objects/TextAttachmentHandler.h"
#include "objects/TextFlow.h"
#include "platform/PropertyList.h"
#include "platform/UndoManager.h"
#include "platform/UndoRegistrationOff.h"

namespace quillmark {

namespace {

// Objects are made with a box this large and then sized to their frame.
constexpr qreal UnboundedContainerSide = 10000000.0;

QTextCharFormat formatAt(QTextDocument *document, int index)
{
    QTextCursor cursor(document);
    cursor.setPosition(index);
    cursor.setPosition(index + 1, QTextCursor::KeepAnchor);
    return cursor.charFormat();
}

// 0 for an object that never held text (it has no document yet).
int textLength(const QTextDocument *document)
{
    return document ? std::max(0, document->characterCount() - 1) : 0;
}

// The run of equal character attributes holding `index`, as (start, end).
std::pair<int, int> runAt(QTextDocument *document, int index)
{
    const QTextBlock block = document->findBlock(index);
    if (!block.isValid())
        return {index, index + 1};
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.isValid() && index >= fragment.position()
            && index < fragment.position() + fragment.length())
            return {fragment.position(), fragment.position() + fragment.length()};
    }
    // The paragraph break is a run of its own.
    return {index, index + 1};
}

QTextCharFormat fontFormat(const QFont &font)
{
    QTextCharFormat format;
    format.setFont(font, QTextCharFormat::FontPropertiesAll);
    // Lines under, over and through the text, its spacing and its capitals are attributes
    // of their own: a new font leaves them as they are.
    for (const int property :
         {int(QTextFormat::FontUnderline), int(QTextFormat::TextUnderlineStyle),
          int(QTextFormat::FontOverline), int(QTextFormat::FontStrikeOut),
          int(QTextFormat::FontLetterSpacing), int(QTextFormat::FontLetterSpacingType),
          int(QTextFormat::FontWordSpacing), int(QTextFormat::FontCapitalization)})
        format.clearProperty(property);
    return format;
}

} // namespace

// ---- the box and the chain ----

void ColorRect::ensureTextFlow()
{
    if (!_textFlow)
        _textFlow = std::make_shared<TextFlow>(sharedTextStorage());
    if (!_container) {
        _container = std::make_unique<TextContainer>(_frameBounds.size());
        _container->setTextView(this);
        _textFlow->insertContainer(_container.get(), -1);
    }
}

void ColorRect::replaceTextContainer(std::unique_ptr<TextContainer> container)
{
    ensureTextFlow();
    container->setTextView(this);
    const int index = _textFlow->indexOfContainer(_container.get());
    _textFlow->removeContainer(_container.get());
    _textFlow->insertContainer(container.get(), index);
    _container = std::move(container);
}

void ColorRect::initContainer()
{
    ensureTextFlow();
    if (!dynamic_cast<NSTextWrapContainer *>(_container.get())) {
        auto wrap = std::make_unique<NSTextWrapContainer>(
            QSizeF(UnboundedContainerSide, UnboundedContainerSide));
        if (!_powertext) {
            wrap->setGraphicObject(this);
            wrap->setAroundBezierPaths(getBezierPaths());
        }
        replaceTextContainer(std::move(wrap));
    }
    _container->setContainerSize(_frameBounds.size());
}

QList<TextContainer *> ColorRect::textContainers()
{
    initContainer();
    return _textFlow->containers();
}

ColorRect *ColorRect::firstTextView()
{
    initContainer();
    const QList<TextContainer *> &chain = _textFlow->containers();
    if (chain.isEmpty() || !chain.first()->textView())
        return this;
    return chain.first()->textView();
}

void ColorRect::setTextLink(ColorRect *other, bool next)
{
    if (!other || other == this)
        return;
    other->initContainer();
    ensureTextFlow();
    if (other->_textFlow == _textFlow)
        return;
    // The editor's insertion point belongs to the text this box stops showing.
    if (ObjectTextEditor *editor = ObjectTextEditor::current(); editor && editor->object() == this)
        ObjectTextEditor::end();

    auto wrap = std::make_unique<NSTextWrapContainer>(_container->containerSize());
    wrap->setTextView(this);
    _textFlow->removeContainer(_container.get());

    TextFlow *chain = other->_textFlow.get();
    int index = 0;
    if (next) {
        const int at = chain->indexOfContainer(other->_container.get());
        index = at < 0 ? -1 : at + 1;
    }
    chain->insertContainer(wrap.get(), index);
    _container = std::move(wrap);
    _textFlow = other->_textFlow;
    _text = other->sharedTextStorage();
}

void ColorRect::detachFromChain()
{
    if (_textFlow && _container)
        _textFlow->removeContainer(_container.get());
    auto document = std::make_shared<QTextDocument>();
    document->setUndoRedoEnabled(false);
    if (_text)
        document->setDefaultFont(_text->defaultFont());
    _text = document;
    _textFlow = std::make_shared<TextFlow>(_text);
    if (_container)
        _textFlow->insertContainer(_container.get(), -1);
}

void ColorRect::unlink()
{
    leaveTextChain();
}

ColorRect::TextChainPlace ColorRect::leaveTextChain()
{
    if (!_textFlow || !_container || _textFlow->containers().size() < 2)
        return {};
    if (ObjectTextEditor *editor = ObjectTextEditor::current(); editor && editor->object() == this)
        ObjectTextEditor::end();
    TextChainPlace place{_text, _textFlow, _textFlow->indexOfContainer(_container.get())};
    detachFromChain();
    return place;
}

void ColorRect::rejoinTextChain(const TextChainPlace &place)
{
    if (!place.isValid() || place.flow == _textFlow)
        return;
    ensureTextFlow();
    if (_textFlow->containers().size() > 1)
        return;
    if (ObjectTextEditor *editor = ObjectTextEditor::current(); editor && editor->object() == this)
        ObjectTextEditor::end();
    _textFlow->removeContainer(_container.get());
    place.flow->insertContainer(_container.get(), place.index);
    _textFlow = place.flow;
    _text = place.text;
}

ColorRect::GraphicList ColorRect::graphicsForLayer() const
{
    GraphicList result;
    if (!_mainView)
        return result;
    for (const std::shared_ptr<ColorRect> &graphic : _mainView->getRects()) {
        if (graphic && graphic->isOnPageNamed(_pageName) && graphic->objectLayer() == _mlayer)
            result.append(graphic);
    }
    return result;
}

QList<BezierPath> ColorRect::getBezierPaths() const
{
    QList<BezierPath> paths;
    const GraphicList graphics = _mainView ? _mainView->runaroundObstacles(*this) : GraphicList();
    for (auto it = graphics.crbegin(); it != graphics.crend(); ++it) {
        const ColorRect *graphic = it->get();
        BezierPath outline = graphic->bezierPath();
        if (graphic->angle() != 0.0f) {
            if (auto turned =
                    graphic->getRotatedBoundsPath(outline.flattened(BezierPath::DefaultFlatness)))
                outline = *turned;
        }
        paths.append(outline);
    }
    if (_textWrap != 0 && _mainView) {
        QString name;
        if (_mainView->isPrinting()) {
            name = _pageName;
            const QString word = name.section(QLatin1Char(' '), -1);
            bool ok = false;
            const int number = word.toInt(&ok);
            if (!_mainView->drawByType() && ok && number > 0) {
                name.remove(QRegularExpression(
                    QStringLiteral(" ") + QRegularExpression::escape(word),
                    QRegularExpression::CaseInsensitiveOption));
            }
        }
        for (int type = 0; type < 3; ++type)
            paths.append(_mainView->bezierPath(type, name));
    }
    return paths;
}

void ColorRect::refreshChainContainers()
{
    for (TextContainer *container : _textFlow->containers()) {
        ColorRect *view = container->textView();
        if (!view)
            continue;
        if (auto *wrap = dynamic_cast<NSTextWrapContainer *>(container)) {
            wrap->setGraphicObject(view);
            // Shaped text is one outline; it does not flow around other objects.
            wrap->setAroundBezierPaths(view->_powertext ? QList<BezierPath>() : view->getBezierPaths());
        }
        container->setContainerSize(view->_frameBounds.size());
    }
}

namespace {

std::atomic<quint64> drawingPasses{0};
thread_local quint64 currentDrawingPass = 0;

} // namespace

ColorRect::DrawingPass::DrawingPass()
    : m_outer(currentDrawingPass)
{
    currentDrawingPass = ++drawingPasses;
}

ColorRect::DrawingPass::~DrawingPass()
{
    currentDrawingPass = m_outer;
}

quint64 ColorRect::DrawingPass::current()
{
    return currentDrawingPass;
}

TextFlow *ColorRect::layoutText()
{
    initContainer();
    bringChainUpToDate();
    return _textFlow.get();
}

void ColorRect::bringChainUpToDate()
{
    const quint64 pass = DrawingPass::current();
    if (pass != 0 && _textFlow->checkedInPass() == pass)
        return;
    refreshChainContainers();
    // The layout is kept until the text, a box of the chain or an obstacle changes.
    _textFlow->layoutIfNeeded();
    _textFlow->setCheckedInPass(pass);
}

bool ColorRect::chainLaidOut()
{
    const quint64 pass = DrawingPass::current();
    if (pass != 0 && _textFlow->checkedInPass() == pass)
        return true;
    refreshChainContainers();
    if (!_textFlow->isLaidOut())
        return false;
    _textFlow->setCheckedInPass(pass);
    return true;
}

ColorRect::TextRange ColorRect::textCharacterRange()
{
    TextFlow *flow = layoutText();
    return flow->characterRange(flow->indexOfContainer(_container.get()));
}

bool ColorRect::hasOverflow()
{
    TextFlow *flow = layoutText();
    const int index = flow->indexOfContainer(_container.get());
    return index + 1 == flow->containers().size() && flow->hasOverflow();
}

ColorRect::LinkedTextPlaces::LinkedTextPlaces(const GraphicList &graphics)
{
    m_places.reserve(graphics.size());
    for (qsizetype i = 0; i < graphics.size(); ++i)
        m_places.insert(graphics[i].get(), i);
    // Each chain walked once, whatever the number of its boxes.
    for (const std::shared_ptr<ColorRect> &graphic : graphics) {
        const TextFlow *flow = graphic ? graphic->_textFlow.get() : nullptr;
        if (!flow || flow->containers().size() < 2 || m_writers.contains(flow))
            continue;
        const ColorRect *writer = nullptr;
        for (const TextContainer *container : flow->containers()) {
            if (m_places.contains(container->textView())) {
                writer = container->textView();
                break;
            }
        }
        m_writers.insert(flow, writer);
    }
}

bool ColorRect::writesOwnText(const LinkedTextPlaces &places) const
{
    if (!_textFlow || _textFlow->containers().size() < 2)
        return true;
    const ColorRect *writer = places.chainWriter(_textFlow.get());
    return !writer || writer == this;
}

QString ColorRect::linkedTextViewsString(const GraphicList &graphics, const LinkedTextPlaces *places)
{
    // A box whose text was never laid out is linked to no other: writing it needs no layout
    // (which would measure the runaround of every object of its layer).
    if (!_textFlow)
        return {};
    initContainer();
    if (_textFlow->containers().size() < 2)
        return {};
    std::optional<LinkedTextPlaces> own;
    if (!places)
        places = &own.emplace(graphics);
    // The chain is written by its first box among the objects written, so that a stored
    // chain always starts with a box that is stored too.
    if (places->chainWriter(_textFlow.get()) != this)
        return {};
    textViewsStr = QLatin1String("");
    for (TextContainer *container : _textFlow->containers()) {
        const qsizetype at = places->indexOf(container->textView());
        if (at < 0 || container == _container.get())
            continue;
        if (!textViewsStr.isEmpty())
            textViewsStr += QLatin1Char(',');
        textViewsStr += QString::number(at);
    }
    if (textViewsStr.isEmpty()) {
        textViewsStr.clear();
        return {};
    }
    const QString written = textViewsStr;
    textViewsStr.clear();
    return written;
}

std::vector<bool> ColorRect::textsFromChains(const PropertyListArray &forms)
{
    const qsizetype count = forms.size();
    std::vector<bool> listed(size_t(count), false);
    std::vector<bool> lists(size_t(count), false);
    const QString key = QStringLiteral("FirstTextView");
    for (qsizetype i = 0; i < count; ++i) {
        const QVariant value = forms.valueAt(i, key);
        if (value.typeId() != QMetaType::QString || value.toString().isEmpty())
            continue;
        lists[size_t(i)] = true;
        for (const QStringView part : QStringView(value.toString()).split(QLatin1Char(','))) {
            bool ok = false;
            const qsizetype index = part.trimmed().toLongLong(&ok);
            if (ok && index >= 0 && index < count && index != i)
                listed[size_t(index)] = true;
        }
    }
    // A box that lists boxes of its own is the first of a chain: its text stays.
    for (qsizetype i = 0; i < count; ++i)
        if (lists[size_t(i)])
            listed[size_t(i)] = false;
    return listed;
}

void ColorRect::dropChainText(QVariantMap &form)
{
    form.remove(QStringLiteral("Text"));
}

void ColorRect::relinkTextChains(const GraphicList &graphics)
{
    for (const std::shared_ptr<ColorRect> &first : graphics) {
        if (!first || first->textViewsStr.isEmpty())
            continue;
        const QStringList positions = first->textViewsStr.split(QLatin1Char(','));
        // Each box goes right behind the one linked before it: a chain of thousands of boxes is
        // linked in time that grows with its boxes.
        ColorRect *behind = first.get();
        for (const QString &position : positions) {
            bool ok = false;
            const int index = position.trimmed().toInt(&ok);
            if (!ok || index < 0 || index >= graphics.size())
                continue;
            ColorRect *box = graphics[index].get();
            if (!box || box == first.get())
                continue;
            box->setTextLink(behind, true);
            if (box->_textFlow == first->_textFlow)
                behind = box;
        }
        first->textViewsStr.clear();
    }
}

// ---- the range attribute changes work on ----

bool ColorRect::isEditingText() const
{
    const ObjectTextEditor *editor = ObjectTextEditor::current();
    return _iseditable && editor && editor->object() == this;
}

ColorRect::TextRange ColorRect::textChangeRange() const
{
    if (isEditingText()) {
        const ObjectTextEditor *editor = ObjectTextEditor::current();
        return {editor->selectionStart(), editor->selectionEnd() - editor->selectionStart()};
    }
    return {0, textLength(_text.get())};
}

int ColorRect::currentCharacter() const
{
    const int length = textLength(_text.get());
    if (length == 0)
        return -1;
    int index = 0;
    if (isEditingText()) {
        index = ObjectTextEditor::current()->selectionStart();
        if (index == length)
            --index;
    }
    return index >= 0 && index < length ? index : -1;
}

// ---- the runs an undo puts back ----

QList<ColorRect::FormatRun> ColorRect::formatRuns(TextRange range) const
{
    QList<FormatRun> runs;
    const int start = std::max(0, range.first);
    const int end = std::min(range.first + std::max(0, range.second), textLength(_text.get()));
    for (QTextBlock block = textStorage()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const int from = std::max(start, fragment.position());
            const int to = std::min(end, fragment.position() + fragment.length());
            if (from < to)
                runs.append({from, to - from, fragment.charFormat(), fragment.charFormatIndex()});
        }
        // The paragraph break carries the character format the next paragraph starts with.
        const QTextBlock next = block.next();
        const int breakAt = block.position() + block.length() - 1;
        if (next.isValid() && breakAt >= start && breakAt < end)
            runs.append({breakAt, 1, next.charFormat(), next.charFormatIndex()});
    }
    return runs;
}

void ColorRect::restoreFormatRuns(const QList<FormatRun> &runs, const QString &action)
{
    if (runs.isEmpty())
        return;
    // The runs as they are now, read in one pass over the stretch the runs cover.
    int from = runs.first().start;
    int to = from;
    for (const FormatRun &run : runs) {
        from = std::min(from, run.start);
        to = std::max(to, run.start + run.length);
    }
    registerFormatRunsUndo(formatRuns({from, to - from}), action);
    const int length = textLength(_text.get());
    QTextCursor cursor(textStorage());
    cursor.beginEditBlock();
    for (const FormatRun &run : runs) {
        if (run.start < 0 || run.start + run.length > length || run.length <= 0)
            continue;
        cursor.setPosition(run.start);
        cursor.setPosition(run.start + run.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(run.format);
    }
    cursor.endEditBlock();
}

void ColorRect::convertTextRuns(TextRange range, const std::function<QTextCharFormat(const QTextCharFormat &)> &convert,
                                const QString &action)
{
    const QList<FormatRun> runs = formatRuns(range);
    if (runs.isEmpty())
        return;
    registerFormatRunsUndo(runs, action);
    // A text of many runs holds few formats: each is converted once.
    QHash<int, QTextCharFormat> converted;
    QTextCursor cursor(textStorage());
    // One edit: the text is laid out again once, after the last run.
    cursor.beginEditBlock();
    for (const FormatRun &run : runs) {
        auto made = converted.constFind(run.formatIndex);
        if (made == converted.cend())
            made = converted.insert(run.formatIndex, convert(run.format));
        cursor.setPosition(run.start);
        cursor.setPosition(run.start + run.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(*made);
    }
    cursor.endEditBlock();
    _isTemplate = false;
}

void ColorRect::convertTextFonts(TextRange range, const FontConversion &convert)
{
    const QFont base = textStorage()->defaultFont();
    convertTextRuns(
        range,
        [&convert, &base](const QTextCharFormat &format) {
            const QFont old = format.font().resolve(base);
            const QFont font = convert(old);
            QTextCharFormat merged = format;
            merged.merge(fontFormat(font));
            // A new font leaves the lines alone; a conversion that draws or takes them away
            // (the font panel's underline) gives them.
            if (font.underline() != old.underline())
                merged.setFontUnderline(font.underline());
            if (font.strikeOut() != old.strikeOut())
                merged.setFontStrikeOut(font.strikeOut());
            return merged;
        },
        Language::stringForKey("Change Text Size"));
}

bool ColorRect::allTextRuns(TextRange range, const std::function<bool(const QFont &)> &holds) const
{
    const QFont base = textStorage()->defaultFont();
    QHash<int, bool> known;
    const QList<FormatRun> runs = formatRuns(range);
    for (const FormatRun &run : runs) {
        auto answer = known.constFind(run.formatIndex);
        if (answer == known.cend())
            answer = known.insert(run.formatIndex, holds(run.format.font().resolve(base)));
        if (!*answer)
            return false;
    }
    return !runs.isEmpty();
}

QList<ColorRect::ParagraphAlignment> ColorRect::paragraphAlignments(TextRange range) const
{
    QList<ParagraphAlignment> paragraphs;
    const int start = std::max(0, range.first);
    const int end = std::max(start, range.first + std::max(0, range.second));
    for (QTextBlock block = textStorage()->findBlock(start); block.isValid() && block.position() <= end;
         block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        ParagraphAlignment paragraph{block.position(), std::nullopt};
        if (format.hasProperty(QTextFormat::BlockAlignment))
            paragraph.alignment = format.alignment();
        paragraphs.append(paragraph);
    }
    return paragraphs;
}

void ColorRect::restoreParagraphAlignments(const QList<ParagraphAlignment> &paragraphs)
{
    if (paragraphs.isEmpty())
        return;
    QList<ParagraphAlignment> now;
    for (const ParagraphAlignment &paragraph : paragraphs)
        now.append(paragraphAlignments({paragraph.position, 0}).value(0, paragraph));
    registerUndo([now](ColorRect &object) { object.restoreParagraphAlignments(now); });
    setActionName(localizedStringFromTable(QStringLiteral("Undo Text Alighnment"), QStringLiteral("UndoStrings")));
    QTextCursor cursor(textStorage());
    cursor.beginEditBlock();
    for (const ParagraphAlignment &paragraph : paragraphs) {
        const QTextBlock block = textStorage()->findBlock(paragraph.position);
        if (!block.isValid() || block.position() != paragraph.position)
            continue;
        cursor.setPosition(paragraph.position);
        QTextBlockFormat format = block.blockFormat();
        if (paragraph.alignment)
            format.setAlignment(*paragraph.alignment);
        else
            format.clearProperty(QTextFormat::BlockAlignment);
        cursor.setBlockFormat(format);
    }
    cursor.endEditBlock();
    _isTemplate = false;
    if (_mainView)
        _mainView->invalidateGraphic(this);
}

bool ColorRect::showsText() const
{
    return _text && !_text->isEmpty();
}

std::function<void(ColorRect &)> ColorRect::scaledState() const
{
    const QRectF frame = _frameBounds;
    const float lineWidth = _lineWidth;
    const bool wasTemplate = _isTemplate;
    const QList<FormatRun> runs = !hasText() ? QList<FormatRun>() : formatRuns({0, textLength(_text.get())});
    return [frame, lineWidth, wasTemplate, runs](ColorRect &object) {
        object.setFrameBounds(frame);
        object._lineWidth = lineWidth;
        object._isTemplate = wasTemplate;
        if (runs.isEmpty())
            return;
        const int length = textLength(object._text.get());
        QTextCursor cursor(object._text.get());
        for (const FormatRun &run : runs) {
            if (run.start < 0 || run.start + run.length > length || run.length <= 0)
                continue;
            cursor.setPosition(run.start);
            cursor.setPosition(run.start + run.length, QTextCursor::KeepAnchor);
            cursor.setCharFormat(run.format);
        }
    };
}

void ColorRect::registerScaleUndo()
{
    UndoManager *manager = undoManager();
    if (!manager || !manager->isUndoRegistrationEnabled())
        return;
    registerUndo([restore = scaledState()](ColorRect &object) {
        object.registerScaleUndo();
        {
            const UndoRegistrationOff off(object.undoManager());
            restore(object);
        }
        object.invalidate();
    });
}

void ColorRect::registerFormatRunsUndo(const QList<FormatRun> &runs, const QString &action)
{
    if (runs.isEmpty())
        return;
    registerUndo([runs, action](ColorRect &object) { object.restoreFormatRuns(runs, action); });
    setActionName(action);
}

// ---- size ----

std::optional<QFont> ColorRect::textSize() const
{
    const int index = currentCharacter();
    if (index < 0)
        return std::nullopt;
    return formatAt(textStorage(), index).font().resolve(textStorage()->defaultFont());
}

void ColorRect::setTextSize(const QFont &font)
{
    const int length = textLength(_text.get());
    if (isEditingText()) {
        const TextRange selection = textChangeRange();
        if (selection.first >= 0 && selection.first < length)
            registerFormatRunsUndo(formatRuns(selection), Language::stringForKey("Change Text Size"));
        QTextCursor cursor(textStorage());
        cursor.setPosition(selection.first);
        cursor.setPosition(selection.first + selection.second, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(fontFormat(font));
        _isTemplate = false;
        return;
    }

    if (length > 0)
        _isTemplate = false;
    // Every run takes the font and keeps its lines; one undo record puts each run's own back.
    convertTextFonts({0, length}, [&font](const QFont &old) {
        QFont taken = font;
        taken.setUnderline(old.underline());
        taken.setStrikeOut(old.strikeOut());
        return taken;
    });
}

ColorRect::TextRange ColorRect::setTextSize(const QFont &font, TextRange range)
{
    const int length = textLength(_text.get());
    const int start = std::clamp(range.first, 0, length);
    const int end = std::clamp(range.first + std::max(0, range.second), start, length);
    if (start >= end)
        return {end, 0};
    // The run is clipped to the range, so that the inverse of each step restores exactly
    // the characters it changed even after the runs have merged.
    const auto [runStart, runEnd] = runAt(textStorage(), start);
    const int from = std::max(start, runStart);
    const int to = std::min(end, std::max(runEnd, from + 1));

    const QFont old = formatAt(textStorage(), from).font().resolve(textStorage()->defaultFont());
    registerUndo([old, from, to](ColorRect &object) {
        object.setTextSize(old, TextRange{from, to - from});
    });
    nameAction("Change Text Size");

    QTextCursor cursor(textStorage());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(fontFormat(font));
    return {to, end - to};
}

// ---- colour ----

std::optional<QColor> ColorRect::textColor() const
{
    const int index = currentCharacter();
    if (index < 0)
        return std::nullopt;
    const QTextCharFormat format = formatAt(textStorage(), index);
    if (!format.hasProperty(QTextFormat::ForegroundBrush))
        return QColor(Qt::black);
    return format.foreground().color();
}

void ColorRect::setTextColor(const QColor &color)
{
    if (_powertext) {
        setFillColor(color);
        return;
    }
    const TextRange range = textChangeRange();
    if (range.first >= 0 && range.first < textLength(_text.get()))
        registerFormatRunsUndo(formatRuns(range), Language::stringForKey("Change Text Color"));
    QTextCursor cursor(textStorage());
    cursor.setPosition(range.first);
    cursor.setPosition(range.first + range.second, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(color);
    cursor.mergeCharFormat(format);
    _isTemplate = false;
}

// ---- alignment ----

int ColorRect::textAlign() const
{
    if (!_text)
        return 0;
    const int index = std::max(0, currentCharacter());
    const QTextBlock block = _text->findBlock(index);
    if (!block.isValid())
        return 0;
    const QTextBlockFormat format = block.blockFormat();
    if (!format.hasProperty(QTextFormat::BlockAlignment))
        return 0;
    const Qt::Alignment a = format.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignJustify)
        return 3;
    if (a & Qt::AlignHCenter)
        return 2;
    if (a & Qt::AlignRight)
        return 1;
    return 0;
}

void ColorRect::setTextAlign(int code)
{
    // Each paragraph's own alignment comes back on undo, whatever the others had.
    const QList<ParagraphAlignment> old = paragraphAlignments(textChangeRange());
    if (!old.isEmpty())
        registerUndo([old](ColorRect &object) { object.restoreParagraphAlignments(old); });
    setActionName(localizedStringFromTable(QStringLiteral("Undo Text Alighnment"),
                                           QStringLiteral("UndoStrings")));
    switch (code) {
    case 0: alignLeft(); break;
    case 1: alignRight(); break;
    case 2: alignCenter(); break;
    case 3: alignJustified(); break;
    default: break;
    }
}

void ColorRect::applyAlignment(Qt::Alignment alignment)
{
    const TextRange range = textChangeRange();
    QTextCursor cursor(textStorage());
    cursor.setPosition(range.first);
    cursor.setPosition(range.first + range.second, QTextCursor::KeepAnchor);
    QTextBlockFormat format;
    format.setAlignment(alignment);
    cursor.mergeBlockFormat(format);
    if (!isEditingText() && _mainView)
        _mainView->invalidateGraphic(this);
}

void ColorRect::alignLeft()
{
    // Left and right are the page's sides whatever the paragraph's direction; a paragraph
    // without an alignment of its own follows its direction.
    applyAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
}

void ColorRect::alignRight()
{
    applyAlignment(Qt::AlignRight | Qt::AlignAbsolute);
}

void ColorRect::alignCenter()
{
    applyAlignment(Qt::AlignHCenter);
}

void ColorRect::alignJustified()
{
    applyAlignment(Qt::AlignJustify);
}

// ---- attributes ----

QTextCharFormat ColorRect::textAttributes() const
{
    if (isEditingText())
        return {};
    const int length = textLength(_text.get());
    if (length == 0)
        return {};
    return formatAt(textStorage(), 0);
}

void ColorRect::setTextAttributes(const QTextCharFormat &attributes)
{
    const TextRange range = textChangeRange();
    if (range.second > 0) {
        UndoManager *manager = undoManager();
        if (manager)
            manager->beginUndoGrouping();
        registerFormatRunsUndo(formatRuns(range), Language::stringForKey("Change Attributes"));
        setTextPointAttributes(attributes, range);
        if (manager)
            manager->endUndoGrouping();
    }
    _isTemplate = false;
    if (_mainView)
        _mainView->invalidateGraphic(nullptr);
}

ColorRect::TextRange ColorRect::setTextPointAttributes(const QTextCharFormat &attributes,
                                                       TextRange range)
{
    const int length = textLength(_text.get());
    const int start = std::clamp(range.first, 0, length);
    const int end = std::clamp(range.first + std::max(0, range.second), start, length);
    QTextCursor cursor(textStorage());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    QTextCharFormat format = attributes;
    // Lines that the new attributes do not ask for are taken off.
    if (!format.hasProperty(QTextFormat::TextUnderlineStyle)
        && !format.hasProperty(QTextFormat::FontUnderline))
        format.setUnderlineStyle(QTextCharFormat::NoUnderline);
    if (!format.hasProperty(QTextFormat::FontStrikeOut))
        format.setFontStrikeOut(false);
    cursor.mergeCharFormat(format);
    return {end, 0};
}

// ---- contents ----

void ColorRect::setContents(const QTextDocument &contents)
{
    if (&contents == textStorage())
        return;
    std::shared_ptr<QTextDocument> copy(textStorage()->clone());
    registerUndo([copy](ColorRect &object) { object.setContents(*copy); });
    nameAction("Change Text");
    QTextCursor cursor(textStorage());
    cursor.select(QTextCursor::Document);
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    cursor.setBlockFormat(contents.begin().blockFormat());
    cursor.insertFragment(QTextDocumentFragment(&contents));
    cursor.endEditBlock();
}

void ColorRect::setContents(const QString &text)
{
    QTextDocument replacement;
    replacement.setDefaultFont(textStorage()->defaultFont());
    QTextCursor cursor(&replacement);
    const QTextCharFormat first = TextAttachmentHandler::withoutObject(
        textLength(_text.get()) > 0 ? formatAt(textStorage(), 0) : textStorage()->begin().charFormat());
    cursor.setBlockFormat(textStorage()->begin().blockFormat());
    cursor.setBlockCharFormat(first);
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QStringList paragraphs = plain.split(QLatin1Char('\n'));
    for (int i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            cursor.insertBlock(textStorage()->begin().blockFormat(), first);
        cursor.insertText(paragraphs[i], first);
    }
    setContents(replacement);
}

QString ColorRect::replaceSubString(const QString &string, const QString &find,
                                   const QString &replaceWith)
{
    const qsizetype at = find.isEmpty() ? -1 : string.indexOf(find);
    if (at < 0)
        return string;
    QString result = string;
    result.replace(at, find.size(), replaceWith);
    return result;
}

} // namespace quillmark
