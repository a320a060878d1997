#include "database/merge/ColorField.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QHash>
#include <QMutex>
#include <QScopeGuard>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>
#include <optional>
#include <typeinfo>
#include <utility>

#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/merge/FieldPair.h"
#include "database/store/MergeContents.h"
#include "database/store/tableField.h"
#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "objects/Group.h"
#include "objects/TextFlow.h"
#include "objects/specImage.h"
#include "platform/Archiver.h"
#include "platform/Format.h"
#include "platform/UndoManager.h"
#include "platform/UndoRegistrationOff.h"

namespace quillmark {

namespace {

// Each text line keeps this distance from the frame's left and right sides; the measured
// width includes it on both sides.
constexpr qreal LineFragmentPadding = 5.0;

const QString AttributesClass = QStringLiteral("QMFieldAttributes");

QTextCharFormat formatOf(const ColorField::Attributes &attributes)
{
    // A command that retypes thousands of fields asks for the format of the same few
    // attributes again and again: the last one made is known again rather than built anew
    // from the font for each field.
    thread_local std::optional<std::pair<ColorField::Attributes, QTextCharFormat>> last;
    if (last && last->first == attributes
        && (!attributes.font || last->first.font->resolveMask() == attributes.font->resolveMask()))
        return last->second;
    QTextCharFormat format;
    if (attributes.font)
        format.setFont(*attributes.font);
    if (attributes.color)
        format.setForeground(*attributes.color);
    last.emplace(attributes, format);
    return format;
}

// Whether a character format says no more than a font and a colour can: text in it is laid
// out in its font alone and drawn in its colour.
bool isFontAndColor(const QTextCharFormat &format)
{
    const QMap<int, QVariant> properties = format.properties();
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        const int id = it.key();
        const bool fontProperty = (id >= QTextFormat::FirstFontProperty && id <= QTextFormat::LastFontProperty)
            || id == QTextFormat::TextUnderlineStyle || id == QTextFormat::FontLetterSpacingType
            || id == QTextFormat::FontStretch;
        if (!fontProperty && id != QTextFormat::ForegroundBrush)
            return false;
    }
    return !format.hasProperty(QTextFormat::ForegroundBrush) || format.foreground().style() == Qt::SolidPattern;
}

ColorField::Attributes attributesOf(const QTextCharFormat &format)
{
    ColorField::Attributes attributes;
    if (format.hasProperty(QTextFormat::FontFamilies) || format.hasProperty(QTextFormat::FontPointSize))
        attributes.font = format.font();
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        attributes.color = format.foreground().color();
    return attributes;
}

// Every field of a design writes and reads its attributes, and most fields share them: the
// archive written or read last is known again.
QByteArray archivedAttributes(const ColorField::Attributes &attributes)
{
    thread_local std::optional<std::pair<ColorField::Attributes, QByteArray>> last;
    if (last && last->first == attributes && (!attributes.font || last->first.font->resolveMask() == attributes.font->resolveMask()))
        return last->second;
    QVariantMap payload;
    if (attributes.font)
        payload.insert(QStringLiteral("Font"), Archiver::archiveFont(*attributes.font));
    if (attributes.color)
        payload.insert(QStringLiteral("Color"), Archiver::archiveColor(*attributes.color));
    last.emplace(attributes, Archiver::archive(AttributesClass, payload));
    return last->second;
}

std::optional<ColorField::Attributes> unarchivedAttributes(const QByteArray &data)
{
    thread_local std::optional<std::pair<QByteArray, std::optional<ColorField::Attributes>>> last;
    if (last && last->first == data)
        return last->second;
    std::optional<ColorField::Attributes> attributes;
    if (auto payload = Archiver::unarchive(data, AttributesClass)) {
        attributes.emplace();
        if (payload->value(QStringLiteral("Font")).typeId() == QMetaType::QByteArray)
            attributes->font = Archiver::unarchiveFont(payload->value(QStringLiteral("Font")).toByteArray());
        if (payload->value(QStringLiteral("Color")).typeId() == QMetaType::QByteArray)
            attributes->color = Archiver::unarchiveColor(payload->value(QStringLiteral("Color")).toByteArray());
    }
    last.emplace(data, attributes);
    return attributes;
}

QString yesNo(bool flag)
{
    return flag ? QStringLiteral("YES") : QStringLiteral("NO");
}

std::optional<int> readInt(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return int(leadingInt(value.toString()));
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
        return value.toInt();
    default:
        return std::nullopt;
    }
}

bool readFlag(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(QStringLiteral("YES"), Qt::CaseInsensitive) == 0
            || text.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
            return true;
        return leadingInt(text) != 0;
    }
    return value.toBool();
}

} // namespace

ColorField::ColorField()
    : ColorField(QRectF())
{
}

ColorField::ColorField(const QRectF &frame)
    : ColorRect(frame)
{
    _stroke = false;
    _fill = false;
    _fixRatio = true;
    _drawsimg = false;
    _isresizable = true;
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(12.0);
    _attributes.font = font;
    _attributes.color = QColor(Qt::black);
    observeRecordChanges();
    // Told of every edit: the finer signal with its range comes only once the document has a
    // layout, which a field that replaces its text in one edit block never makes.
    m_documentChanged = QObject::connect(textStorage(), &QTextDocument::contentsChanged, [this] {
        m_documentText.reset();
        m_effective.reset();
        m_baseline.reset();
    });
}

ColorField::~ColorField()
{
    QObject::disconnect(m_documentChanged);
    stopObservingRecordChanges();
}

std::shared_ptr<ColorField> ColorField::create(const QRectF &frame)
{
    return std::make_shared<ColorField>(frame);
}

QString ColorField::className() const
{
    return QStringLiteral("ColorField");
}

std::shared_ptr<ColorRect> ColorField::newInstance() const
{
    return std::make_shared<ColorField>();
}

void ColorField::copyValues(ColorRect &target) const
{
    writePendingText();
    auto *field = dynamic_cast<ColorField *>(&target);
    if (field)
        field->_acceptAnyStyle = true;
    ColorRect::copyValues(target);
    if (!field)
        return;
    field->_acceptAnyStyle = false;
    field->_isTitle = _isTitle;
    field->_alignment = _alignment;
    field->_profile = _profile;
    field->_attributes = _attributes;
    field->m_documentText.reset();
}

QList<tableField> ColorField::fieldTitlesAndTags()
{
    return MergeContents::fieldTitlesAndTags();
}

QList<tableField> ColorField::fieldTitlesAndTagsOriginal()
{
    return MergeContents::fieldTitlesAndTagsOriginal();
}

void ColorField::setEditable(bool flag)
{
    if (_hidden || flag == _iseditable)
        return;
    writePendingText();
    UndoManager *manager = undoManager();
    if (flag) {
        // The pair turns back about the same centre, or it would drift with every edit.
        _editCentre = pair() ? pair()->rotate(-angle(), QPointF()) : QPointF();
        ColorRect::setEditable(true);
        if (manager)
            manager->beginUndoGrouping();
    } else {
        ColorRect::setEditable(false);
        if (pair())
            pair()->rotate(angle(), _editCentre);
        if (manager && manager->groupingLevel() > 0)
            manager->endUndoGrouping();
    }
    invalidate();
}

FieldPair *ColorField::pair() const
{
    return dynamic_cast<FieldPair *>(getGroup());
}

void ColorField::setHidden(bool flag)
{
    if (flag && _iseditable)
        setEditable(false);
    _hidden = flag;
    invalidate();
}

bool ColorField::isTemplate() const
{
    if (_isTitle && pair()) {
        if (ColorField *contents = pair()->contentsObject(); contents && contents != this)
            return contents->ColorRect::isTemplate();
    }
    return ColorRect::isTemplate();
}

int ColorField::resizeByMovingKnob(int knob, const QPointF &point, unsigned modifierFlags)
{
    if (!drawsImage())
        return knob;
    return ColorRect::resizeByMovingKnob(knob, point, modifierFlags);
}

bool ColorField::drawsImage() const
{
    if (m_formDrawsImage)
        return *m_formDrawsImage;
    return !_isTitle && Database::fieldTypeAtPk(_pk) == tableField::Blob;
}

float ColorField::inset() const
{
    return drawsImage() ? 0.0f : 4.0f;
}

void ColorField::setPowerText(bool)
{
    // A merge field never fits its text to its frame.
    _powertext = false;
}

bool ColorField::setImagePath(const QString &, QString *)
{
    return false;
}

void ColorField::setScaleWithBox(bool)
{
}

void ColorField::drawText(QPainter *)
{
}

void ColorField::setFrameOrig(const QPointF &point)
{
    _frameBounds.moveTopLeft(point);
    invalidate();
}

QString ColorField::titleText(int pk)
{
    // Every field asks for its title at every paint. The user's own title lives in the
    // database file: it is read once per field kind, and again once any database setting or
    // field changed, another database became current or the language changed.
    struct Kept
    {
        quint64 generation = 0;
        QString language;
        QHash<int, QString> titles;
    };
    static QMutex guard;
    static Kept kept;
    const quint64 generation = Database::settingsGeneration();
    const QString language = Language::language();
    {
        QMutexLocker lock(&guard);
        if (kept.generation != generation || kept.language != language)
            kept = Kept{generation, language, {}};
        else if (const auto found = kept.titles.constFind(pk); found != kept.titles.constEnd())
            return *found;
    }
    QString title = Database::fieldTitleAtPk(pk);
    bool read = true;
    if (Database *db = Database::currentDatabase()) {
        QString key = title;
        key.replace(QLatin1Char(' '), QLatin1Char('_'));
        try {
            const QString userTitle = db->testAttributeForKey(key);
            if (!userTitle.isNull())
                title = userTitle;
        } catch (const DatabaseError &e) {
            // A file busy for a moment is asked again at the next paint.
            read = false;
            qWarning("%s", qPrintable(e.message()));
        }
    }
    const QString translated = Language::stringForKey(title);
    if (!translated.isEmpty())
        title = translated;
    QMutexLocker lock(&guard);
    if (read && kept.generation == generation && kept.language == language)
        kept.titles.insert(pk, title);
    return title;
}

QString ColorField::text() const
{
    return m_pendingValue ? *m_pendingValue : textStorage()->toPlainText();
}

ColorField::Attributes ColorField::effectiveAttributes() const
{
    // Asked for every label while a sheet prints: kept until the text or the attributes change.
    if (m_effective && m_effectiveFor == _attributes)
        return *m_effective;
    Attributes effective = _attributes;
    if (!textStorage()->isEmpty()) {
        QTextCursor cursor(textStorage());
        cursor.setPosition(1);
        const Attributes own = attributesOf(cursor.charFormat());
        if (!own.isEmpty())
            effective = own;
    }
    m_effective = effective;
    m_effectiveFor = _attributes;
    return effective;
}

void ColorField::replaceText(const QString &value, const Attributes &attributes)
{
    m_pendingValue.reset();
    // Clearing the document builds its frame and formats anew: the text is replaced instead,
    // inside an edit block, so the cursor does not lay the text out to find where it ends.
    QTextCursor cursor(textStorage());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(value, formatOf(attributes));
    cursor.endEditBlock();
}

void ColorField::setPendingText(const QString &value)
{
    if (!m_pendingValue)
        m_pendingLook = shownText(QString(), effectiveAttributes());
    m_pendingValue = value;
}

void ColorField::writePendingText() const
{
    if (!m_pendingValue)
        return;
    const QString value = *m_pendingValue;
    // As a refresh outside printing would have written it: in the text's own look.
    const Attributes attributes = effectiveAttributes();
    const_cast<ColorField *>(this)->replaceText(value, attributes);
}

ColorField::ShownText ColorField::shownText(const QString &text, const Attributes &attributes) const
{
    // The look of attributes is asked for every label while a sheet prints: the last one is kept.
    if (!m_look || m_lookFor != attributes || m_lookBase != _attributes) {
        const QTextCharFormat format = formatOf(attributes);
        const QFont base = _attributes.font.value_or(QFont());
        ShownText look;
        look.font = format.font().resolve(base);
        look.color = format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color()
                                                                       : _attributes.color.value_or(QColor(Qt::black));
        m_look = look;
        m_lookFor = attributes;
        m_lookBase = _attributes;
    }
    ShownText shown = *m_look;
    shown.text = text;
    return shown;
}

const ColorField::ShownText &ColorField::documentText() const
{
    if (m_documentText && m_documentTextAttributes == _attributes)
        return *m_documentText;
    ShownText shown;
    shown.font = _attributes.font.value_or(QFont());
    shown.color = _attributes.color.value_or(QColor(Qt::black));
    for (QTextBlock block = textStorage()->begin(); block.isValid(); block = block.next()) {
        if (block != textStorage()->begin())
            shown.text += QChar::LineSeparator;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextLayout::FormatRange range;
            range.start = int(shown.text.size());
            range.length = fragment.length();
            range.format = fragment.charFormat();
            shown.text += fragment.text();
            shown.formats.append(range);
        }
    }
    // Text of one look is laid out in its font alone.
    if (shown.formats.size() == 1 && isFontAndColor(shown.formats.first().format)) {
        const QTextCharFormat format = shown.formats.first().format;
        shown.font = format.font().resolve(shown.font);
        if (format.hasProperty(QTextFormat::ForegroundBrush))
            shown.color = format.foreground().color();
        shown.formats.clear();
    }
    m_documentText = shown;
    m_documentTextAttributes = _attributes;
    return *m_documentText;
}

const StringLayout &ColorField::shownLayout() const
{
    if (!_isTitle && !showsRecordValues()) {
        const ShownText shown =
            shownText(QLatin1Char('[') + titleText() + QLatin1Char(']'), _attributes);
        m_shown.setText(shown.text, shown.font, shown.color);
    } else if (m_pendingValue) {
        m_shown.setText(*m_pendingValue, m_pendingLook.font, m_pendingLook.color);
    } else {
        const ShownText &shown = documentText();
        m_shown.setText(shown.text, shown.font, shown.color, shown.formats);
    }
    return m_shown;
}

QSizeF ColorField::naturalSize() const
{
    if (drawsImage()) {
        double w = _frameBounds.width();
        // A picture field made by the tool starts 12 points wide and takes a 50-point square.
        if (w == 12.0)
            w = 50.0;
        return QSizeF(w, w);
    }
    const QSizeF size = shownLayout().size();
    return QSizeF(size.width() + 2 * LineFragmentPadding + 1.0, size.height() + 1.0);
}

void ColorField::setSizeToMatchContents()
{
    const QSizeF n = naturalSize();
    QRectF frame = _frameBounds;
    const double grow = frame.width() - n.width();
    if (!_isTitle) {
        if (_alignment == 1)
            frame.moveLeft(frame.x() + grow);
        else if (_alignment == 2)
            frame.moveLeft(frame.x() + grow / 2.0);
    } else if (!_hidden && (_alignment == 0 || _alignment == 2) && pair()) {
        const double d = _alignment == 0 ? n.width() - frame.width() : (n.width() - frame.width()) / 2.0;
        ColorField *contents = pair()->contentsObject();
        if (d != 0 && contents && contents != this)
            contents->moveBy(QPointF(d, 0));
    }
    frame.setSize(n);
    setFrameBounds(frame);
}

void ColorField::setSizeToMatchContentsNotAlign()
{
    UndoRegistrationOff off(undoManager());
    QRectF frame = _frameBounds;
    frame.setSize(naturalSize());
    setFrameBounds(frame);
}

QRectF ColorField::baselineRect() const
{
    const uint resolved = _attributes.font ? uint(_attributes.font->resolveMask()) : 0;
    // The text is measured at the resolution of the screen it is laid out for.
    qreal scale = 1.0;
    TextFlow::layoutDevice(&scale);
    BaselineFor made{_pk, _isTitle, Database::settingsGeneration(), _attributes, resolved, scale, m_pendingValue};
    if (m_baseline && m_baseline->first == made)
        return m_baseline->second;
    const QRectF line = measuredBaselineRect();
    m_baseline.emplace(std::move(made), line);
    return line;
}

QRectF ColorField::measuredBaselineRect() const
{
    const Attributes attributes = effectiveAttributes();
    // The size of a text in the field's attributes, less the one point the natural size adds.
    auto sizeOf = [&](const QString &string) {
        const ShownText shown = shownText(string, attributes);
        m_line.setText(shown.text, shown.font, shown.color);
        return QSizeF(m_line.size().width(), m_line.size().height() - 1.0);
    };
    const QString value = text();
    if (value.isEmpty())
        return QRectF(QPointF(0, 0), sizeOf(QLatin1Char('[') + Database::fieldTitleAtPk(_pk) + QLatin1Char(']')));
    // The first line of the text in the field's attributes: while a value is shown that is the
    // layout that is drawn.
    const ShownText shown = shownText(value, attributes);
    const StringLayout *lines = &m_shown;
    if (m_shown.text() != shown.text || !m_shown.formats().isEmpty() || m_shown.font() != shown.font) {
        m_line.setText(shown.text, shown.font, shown.color);
        lines = &m_line;
    }
    const QRectF line = lines->firstLine();
    const QRectF first(0, line.y(), line.width() + 2 * LineFragmentPadding, line.height());
    if (!_isTitle || first.height() != 0)
        return first;
    return QRectF(first.topLeft(), sizeOf(Database::fieldTitleAtPk(_pk)));
}

void ColorField::updateABRecord()
{
    if (_isTitle)
        return;
    ColorRect::updateABRecord();
}

void ColorField::updateContents(const Notification *)
{
    QVariant value = contentsByPk(_pk);
    if (_isTitle)
        value = titleText() + QLatin1Char(':');
    updateContentsWithObject(value);
}

QPointF ColorField::turnUpright()
{
    return pair() ? pair()->rotate(-angle(), QPointF(0, 0)) : QPointF();
}

void ColorField::turnBack(const QPointF &centre)
{
    if (pair())
        pair()->rotate(angle(), centre);
}

namespace {

// The text a record's value shows as; none for a value the field keeps its text for.
std::optional<QString> shownValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        // No value for this record: the previous record's text must not stay.
        return QString();
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        // Numbers are shown as their text, like any other value of the record.
        return value.toString();
    default:
        return std::nullopt;
    }
}

// Whether the text is that one text in one look already, as a refresh would leave it.
bool holdsOnly(const QTextDocument &text, const QString &shown)
{
    if (text.blockCount() != 1)
        return false;
    const QTextBlock block = text.firstBlock();
    // The length tells most other texts apart without copying the block's text out.
    if (block.length() != shown.size() + 1)
        return false;
    int fragments = 0;
    for (auto it = block.begin(); !it.atEnd(); ++it)
        if (++fragments > 1)
            return false;
    return block.text() == shown;
}

} // namespace

void ColorField::updateContentsWithObject(const QVariant &value)
{
    const bool wasTemplate = _isTemplate;
    // Turning by no angle moves nothing.
    const bool turned = angle() != 0.0f && pair();
    const QPointF centre = turned ? turnUpright() : QPointF();
    if (drawsImage()) {
        const QByteArray data = value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
        std::shared_ptr<specImage> picture;
        if (!data.isEmpty()) {
            QString error;
            picture = specImage::fromData(data, &error);
            if (!picture && !error.isEmpty())
                qWarning("%s", qPrintable(error));
        }
        // Taking a picture fits the frame to it; the field keeps its square instead, or it
        // would shrink a little with every portrait record.
        UndoRegistrationOff off(undoManager());
        const QRectF frame = _frameBounds;
        setImage(picture.get());
        _frameBounds = frame;
    } else {
        const std::optional<QString> shown = shownValue(value);
        if (shown && isDrawingForPrint()) {
            setPendingText(*shown);
        } else {
            writePendingText();
            // Every field hears of every record change, and most show what they showed before
            // (the record of before made current again after a print, a preview switched on
            // that was on): their text and its layout are kept, only the frame is fitted.
            if (shown && holdsOnly(*textStorage(), *shown)) {
            } else if (shown) {
                if (!textStorage()->isEmpty())
                    replaceText(*shown, effectiveAttributes());
                else if (!shown->isEmpty())
                    replaceText(*shown, _attributes);
            }
        }
    }
    {
        UndoRegistrationOff off(undoManager());
        setSizeToMatchContents();
        if (pair())
            pair()->updateGroupField();
    }
    if (turned)
        turnBack(centre);
    _isTemplate = wasTemplate;
    invalidate();
}

std::optional<QFont> ColorField::textSize() const
{
    const bool titleShown = pair() && pair()->showTitle();
    if (!(_isSelected && titleShown)) {
        if (_isTitle || titleShown)
            return std::nullopt;
    }
    if (_attributes.font)
        return _attributes.font;
    return effectiveAttributes().font;
}

void ColorField::setTextSizeInner(const QFont &font)
{
    writePendingText();
    const QPointF centre = turnUpright();
    if (const std::optional<QFont> old = textSize()) {
        const QFont previous = *old;
        // The way back applies whichever member is selected by then.
        registerUndo([previous](ColorRect &object) { static_cast<ColorField &>(object).setTextSizeInner(previous); });
    }
    _attributes.font = font;
    QTextCursor cursor(textStorage());
    cursor.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setFont(font);
    cursor.mergeCharFormat(format);
    {
        UndoRegistrationOff off(undoManager());
        setSizeToMatchContents();
        if (pair())
            pair()->updateGroupField();
    }
    turnBack(centre);
    invalidate();
    nameAction("Undo Text Size");
}

void ColorField::setTextSize(const QFont &font)
{
    if (_isSelected)
        setTextSizeInner(font);
}

std::optional<QColor> ColorField::textColor() const
{
    if (!_isSelected)
        return std::nullopt;
    if (const auto own = effectiveAttributes().color)
        return own;
    return _attributes.color;
}

void ColorField::setTextColor(const QColor &color)
{
    writePendingText();
    if (color.isValid()) {
        const QColor old = _attributes.color.value_or(QColor(Qt::black));
        registerUndo([old](ColorRect &object) { static_cast<ColorField &>(object).setTextColor(old); });
    }
    _attributes.color = color;
    QTextCursor cursor(textStorage());
    cursor.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setForeground(color);
    cursor.mergeCharFormat(format);
    invalidate();
    nameAction("Undo Text Color");
}

int ColorField::textAlign() const
{
    return _isSelected ? _alignment : -1;
}

void ColorField::setTextAlign(int alignment)
{
    const int old = textAlign();
    if (old != -1)
        registerUndo([old](ColorRect &object) { static_cast<ColorField &>(object).setTextAlign(old); });
    _alignment = alignment == 4 ? 0 : alignment;
    nameAction("Undo Text Align");
}

void ColorField::setAnchor(int value)
{
    if (_isSelected)
        setAnchorInner(value);
}

void ColorField::setAnchorInner(int value)
{
    const int old = anchor();
    if (old != -1)
        registerUndo([old](ColorRect &object) { static_cast<ColorField &>(object).setAnchorInner(old); });
    {
        UndoRegistrationOff off(undoManager());
        ColorRect::setAnchor(value);
    }
    _alignment = value == 4 ? 0 : value;
    if (!_iseditable) {
        const QPointF centre = turnUpright();
        if (pair())
            pair()->updateGroupField();
        invalidate();
        turnBack(centre);
    }
    nameAction("Undo Anchor Object");
}

void ColorField::setDrawsFill(bool flag)
{
    if (styleAccepted())
        ColorRect::setDrawsFill(flag);
}

void ColorField::setDrawsStroke(bool flag)
{
    if (styleAccepted())
        ColorRect::setDrawsStroke(flag);
}

void ColorField::setDrawsShadow(bool flag)
{
    if (styleAccepted())
        ColorRect::setDrawsShadow(flag);
}

void ColorField::setStrokeLineWidth(float lineWidth)
{
    if (styleAccepted())
        ColorRect::setStrokeLineWidth(lineWidth);
}

void ColorField::setFillColor(const QColor &color)
{
    if (styleAccepted())
        ColorRect::setFillColor(color);
}

void ColorField::setStrokeColor(const QColor &color)
{
    if (styleAccepted())
        ColorRect::setStrokeColor(color);
}

void ColorField::setLinePattern(int pattern)
{
    if (styleAccepted())
        ColorRect::setLinePattern(pattern);
}

void ColorField::setFillType(int type)
{
    if (styleAccepted())
        ColorRect::setFillType(type);
}

void ColorField::setFillColor2(const QColor &color)
{
    if (styleAccepted())
        ColorRect::setFillColor2(color);
}

void ColorField::setFillAngle(double degrees)
{
    if (styleAccepted())
        ColorRect::setFillAngle(degrees);
}

void ColorField::setShadowDistance(double distance)
{
    if (styleAccepted())
        ColorRect::setShadowDistance(distance);
}

void ColorField::setShadowColor(const QColor &color)
{
    if (styleAccepted())
        ColorRect::setShadowColor(color);
}

void ColorField::setShadowAngle(double degrees)
{
    if (styleAccepted())
        ColorRect::setShadowAngle(degrees);
}

void ColorField::setShadowBlur(int blur)
{
    if (styleAccepted())
        ColorRect::setShadowBlur(blur);
}

void ColorField::scaleByX(double sx, double sy)
{
    writePendingText();
    if (sx != 1.0)
        _frameBounds.moveLeft(_frameBounds.x() * sx);
    if (sy != 1.0)
        _frameBounds.moveTop(_frameBounds.y() * sy);
    _lineWidth = float(_lineWidth * sx);
    if (sx == 1.0)
        return;
    auto scaled = [sx](QFont font) {
        font.setPointSizeF(font.pointSizeF() * sx);
        return font;
    };
    if (textStorage()->isEmpty()) {
        if (_attributes.font)
            _attributes.font = scaled(*_attributes.font);
    } else {
        // Every run keeps its own font, scaled; the attributes take the last run's.
        for (QTextBlock block = textStorage()->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                QTextCursor cursor(textStorage());
                cursor.setPosition(fragment.position());
                cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
                QTextCharFormat format = fragment.charFormat();
                const QFont font = scaled(format.font());
                format.setFont(font);
                cursor.setCharFormat(format);
                _attributes.font = font;
            }
        }
    }
    setSizeToMatchContentsNotAlign();
}

std::function<void(ColorRect &)> ColorField::scaledState() const
{
    writePendingText();
    return [base = ColorRect::scaledState(), attributes = _attributes](ColorRect &object) {
        base(object);
        if (auto *field = dynamic_cast<ColorField *>(&object))
            field->_attributes = attributes;
    };
}

void ColorField::mouseDown(unsigned modifierFlags)
{
    if (pair())
        pair()->setSelectedObject(this, (modifierFlags & (1u << 17)) != 0);
}

QVariantMap ColorField::propertyListRepresentation(const GraphicList *graphics, const LinkedTextPlaces *places)
{
    writePendingText();
    // The answer readied for this form serves it alone: the database may change after it.
    const auto answered = qScopeGuard([this] { m_formDrawsImage.reset(); });
    QVariantMap dict = ColorRect::propertyListRepresentation(graphics, places);
    dict.insert(QStringLiteral("FieldTypeKey"), fmtInt(_pk));
    dict.insert(QStringLiteral("FieldProfileKey"), fmtInt(_profile));
    dict.insert(QStringLiteral("FieldIsTitleKey"), yesNo(_isTitle));
    if (!_attributes.isEmpty())
        dict.insert(QStringLiteral("ColorFieldAttributes"), archivedAttributes(_attributes));
    dict.insert(QStringLiteral("FieldAlignmentKey"), fmtInt(_alignment));
    return dict;
}

bool ColorField::formReadableOffThread(const QTextDocument **text)
{
    *text = nullptr;
    if (typeid(*this) != typeid(ColorField))
        return false;
    // What the form would otherwise ask of this thread's state: a value merged while printing,
    // and the database's kind of the field.
    writePendingText();
    m_formDrawsImage = drawsImage();
    if (partsReadableOffThread(text))
        return true;
    m_formDrawsImage.reset();
    return false;
}

void ColorField::loadPropertyListRepresentation(const QVariantMap &dict)
{
    // The stored style belongs to the member whether or not it is the selected one.
    _acceptAnyStyle = true;
    m_pendingValue.reset();
    ColorRect::loadPropertyListRepresentation(dict);
    _acceptAnyStyle = false;
    auto value = [&dict](const char *key) -> const QVariant * {
        auto it = dict.constFind(QString::fromLatin1(key));
        return it == dict.constEnd() ? nullptr : &it.value();
    };
    if (const QVariant *v = value("FieldTypeKey")) {
        if (auto pk = readInt(*v))
            _pk = *pk;
    }
    if (const QVariant *v = value("FieldProfileKey")) {
        if (auto profile = readInt(*v))
            _profile = *profile;
    }
    if (const QVariant *v = value("FieldIsTitleKey"))
        _isTitle = readFlag(*v);
    if (const QVariant *v = value("ColorFieldAttributes")) {
        if (v->typeId() == QMetaType::QByteArray) {
            if (const std::optional<Attributes> attributes = unarchivedAttributes(v->toByteArray()))
                _attributes = *attributes;
        }
    }
    if (const QVariant *v = value("FieldAlignmentKey")) {
        if (auto alignment = readInt(*v))
            _alignment = *alignment == 4 ? 0 : *alignment;
    }
}

} // namespace quillmark
