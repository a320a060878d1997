#include "objects/TextArchive.h"

#include <QPen>
#include <QHash>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QVariantList>
#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <map>
#include <optional>
#include <tuple>
#include <unordered_map>

#include "objects/TextAttachmentHandler.h"
#include "platform/Archiver.h"

namespace quillmark {

const QString TextArchive::className = QStringLiteral("QMText");

namespace {

// Bounds that keep a damaged archive from asking the layout for absurd fonts or spacing.
constexpr double MaxFontSize = 10000.0;
constexpr double MaxSpacing = 100000.0;
constexpr int MaxTabStops = 256;
// A table the user can make has at most 100 rows and 50 columns.
constexpr int MaxTableRows = 1000;
constexpr int MaxTableColumns = 100;
constexpr int MaxTableCells = 20000;
constexpr qsizetype MaxStyleNameLength = 256;

std::optional<double> finiteNumber(const QVariantMap &map, const char *key, double limit)
{
    const QVariant value = map.value(QLatin1String(key));
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number) || std::abs(number) > limit)
        return std::nullopt;
    return number;
}

std::optional<qint64> integer(const QVariantMap &map, const char *key)
{
    const QVariant value = map.value(QLatin1String(key));
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

QVariantMap charFormatToMap(const QTextCharFormat &format)
{
    QVariantMap map;
    // Fonts reach the text both through a single family and through a family list.
    if (format.hasProperty(QTextFormat::FontFamily))
        map.insert(QStringLiteral("Family"), format.stringProperty(QTextFormat::FontFamily));
    if (format.hasProperty(QTextFormat::FontFamilies))
        map.insert(QStringLiteral("Families"), format.fontFamilies().toStringList());
    // The face the user chose: a family's faces are told apart by their style name ("Italic",
    // "Condensed Bold"), which weight, slant and width alone do not always find again.
    if (const QString style = format.stringProperty(QTextFormat::FontStyleName); !style.isEmpty())
        map.insert(QStringLiteral("StyleName"), style);
    if (format.hasProperty(QTextFormat::FontPointSize))
        map.insert(QStringLiteral("Size"), format.fontPointSize());
    if (format.hasProperty(QTextFormat::FontWeight))
        map.insert(QStringLiteral("Weight"), qint64(format.fontWeight()));
    if (format.hasProperty(QTextFormat::FontItalic))
        map.insert(QStringLiteral("Italic"), format.fontItalic());
    if (format.hasProperty(QTextFormat::TextUnderlineStyle))
        map.insert(QStringLiteral("Underline"), qint64(format.underlineStyle()));
    if (format.hasProperty(QTextFormat::FontStrikeOut))
        map.insert(QStringLiteral("Strike"), format.fontStrikeOut());
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        map.insert(QStringLiteral("Foreground"), Archiver::archiveColor(format.foreground().color()));
    if (format.hasProperty(QTextFormat::BackgroundBrush))
        map.insert(QStringLiteral("Background"), Archiver::archiveColor(format.background().color()));
    if (format.hasProperty(QTextFormat::FontKerning))
        map.insert(QStringLiteral("Kerning"), format.fontKerning());
    if (format.hasProperty(QTextFormat::FontLetterSpacing)) {
        map.insert(QStringLiteral("LetterSpacing"), format.fontLetterSpacing());
        map.insert(QStringLiteral("LetterSpacingType"), qint64(format.fontLetterSpacingType()));
    }
    if (format.hasProperty(QTextFormat::TextBaselineOffset))
        map.insert(QStringLiteral("BaselineOffset"), format.baselineOffset());
    if (format.hasProperty(QTextFormat::TextVerticalAlignment))
        map.insert(QStringLiteral("VerticalAlignment"), qint64(format.verticalAlignment()));
    if (format.hasProperty(QTextFormat::TextUnderlineColor))
        map.insert(QStringLiteral("UnderlineColor"), Archiver::archiveColor(format.underlineColor()));
    if (format.hasProperty(QTextFormat::FontOverline))
        map.insert(QStringLiteral("Overline"), format.fontOverline());
    if (format.hasProperty(QTextFormat::TextOutline)) {
        const QPen pen = format.textOutline();
        map.insert(QStringLiteral("OutlineColor"), Archiver::archiveColor(pen.color()));
        map.insert(QStringLiteral("OutlineWidth"), pen.widthF());
    }
    if (format.hasProperty(QTextFormat::FontCapitalization))
        map.insert(QStringLiteral("Capitalization"), qint64(format.fontCapitalization()));
    if (format.hasProperty(QTextFormat::FontWordSpacing))
        map.insert(QStringLiteral("WordSpacing"), format.fontWordSpacing());
    if (format.hasProperty(QTextFormat::FontStretch))
        map.insert(QStringLiteral("Stretch"), qint64(format.fontStretch()));
    if (format.hasProperty(QTextFormat::FontFixedPitch))
        map.insert(QStringLiteral("FixedPitch"), format.fontFixedPitch());
    if (format.hasProperty(QTextFormat::FontStyleHint))
        map.insert(QStringLiteral("StyleHint"), qint64(format.fontStyleHint()));
    return map;
}

QTextCharFormat charFormatFromMap(const QVariantMap &map)
{
    QTextCharFormat format;
    const QString family = map.value(QStringLiteral("Family")).toString();
    if (!family.isEmpty())
        format.setProperty(QTextFormat::FontFamily, family);
    const QStringList families = map.value(QStringLiteral("Families")).toStringList();
    if (!families.isEmpty())
        format.setFontFamilies(families);
    // Text stored before faces were kept has no style name: weight and slant choose the face.
    if (const QVariant style = map.value(QStringLiteral("StyleName"));
        style.typeId() == QMetaType::QString && !style.toString().isEmpty()
        && style.toString().size() <= MaxStyleNameLength)
        format.setFontStyleName(style.toString());
    if (auto size = finiteNumber(map, "Size", MaxFontSize); size && *size > 0)
        format.setFontPointSize(*size);
    if (auto weight = integer(map, "Weight"); weight && *weight >= 1 && *weight <= 1000)
        format.setFontWeight(int(*weight));
    if (map.contains(QStringLiteral("Italic")))
        format.setFontItalic(map.value(QStringLiteral("Italic")).toBool());
    if (auto underline = integer(map, "Underline");
        underline && *underline >= QTextCharFormat::NoUnderline
        && *underline <= QTextCharFormat::SpellCheckUnderline)
        format.setUnderlineStyle(QTextCharFormat::UnderlineStyle(*underline));
    if (map.contains(QStringLiteral("Strike")))
        format.setFontStrikeOut(map.value(QStringLiteral("Strike")).toBool());
    if (auto color = Archiver::unarchiveColor(map.value(QStringLiteral("Foreground")).toByteArray()))
        format.setForeground(*color);
    if (auto color = Archiver::unarchiveColor(map.value(QStringLiteral("Background")).toByteArray()))
        format.setBackground(*color);
    if (map.contains(QStringLiteral("Kerning")))
        format.setFontKerning(map.value(QStringLiteral("Kerning")).toBool());
    if (auto spacing = finiteNumber(map, "LetterSpacing", MaxSpacing)) {
        const auto type = integer(map, "LetterSpacingType");
        format.setFontLetterSpacingType(type && *type == QFont::AbsoluteSpacing
                                            ? QFont::AbsoluteSpacing
                                            : QFont::PercentageSpacing);
        format.setFontLetterSpacing(*spacing);
    }
    if (auto offset = finiteNumber(map, "BaselineOffset", MaxSpacing))
        format.setBaselineOffset(*offset);
    if (auto alignment = integer(map, "VerticalAlignment");
        alignment && *alignment >= QTextCharFormat::AlignNormal
        && *alignment <= QTextCharFormat::AlignBaseline)
        format.setVerticalAlignment(QTextCharFormat::VerticalAlignment(*alignment));
    if (auto color = Archiver::unarchiveColor(map.value(QStringLiteral("UnderlineColor")).toByteArray()))
        format.setUnderlineColor(*color);
    if (map.contains(QStringLiteral("Overline")))
        format.setFontOverline(map.value(QStringLiteral("Overline")).toBool());
    if (auto color = Archiver::unarchiveColor(map.value(QStringLiteral("OutlineColor")).toByteArray())) {
        const auto width = finiteNumber(map, "OutlineWidth", MaxSpacing);
        QPen pen(*color);
        pen.setWidthF(width && *width >= 0 ? *width : 0.0);
        format.setTextOutline(pen);
    }
    if (auto caps = integer(map, "Capitalization");
        caps && *caps >= QFont::MixedCase && *caps <= QFont::Capitalize)
        format.setFontCapitalization(QFont::Capitalization(*caps));
    if (auto spacing = finiteNumber(map, "WordSpacing", MaxSpacing))
        format.setFontWordSpacing(*spacing);
    if (auto stretch = integer(map, "Stretch"); stretch && *stretch >= 1 && *stretch <= 4000)
        format.setFontStretch(int(*stretch));
    if (map.contains(QStringLiteral("FixedPitch")))
        format.setFontFixedPitch(map.value(QStringLiteral("FixedPitch")).toBool());
    if (auto hint = integer(map, "StyleHint"); hint && *hint >= QFont::Helvetica && *hint <= QFont::Fantasy)
        format.setFontStyleHint(QFont::StyleHint(*hint));
    return format;
}

QVariantMap blockFormatToMap(const QTextBlockFormat &format)
{
    QVariantMap map;
    if (format.hasProperty(QTextFormat::BlockAlignment))
        map.insert(QStringLiteral("Alignment"), qint64(format.alignment()));
    if (format.hasProperty(QTextFormat::LineHeight)) {
        map.insert(QStringLiteral("LineHeight"), format.lineHeight());
        map.insert(QStringLiteral("LineHeightType"), qint64(format.lineHeightType()));
    }
    if (format.hasProperty(QTextFormat::BlockTopMargin))
        map.insert(QStringLiteral("SpaceBefore"), format.topMargin());
    if (format.hasProperty(QTextFormat::BlockBottomMargin))
        map.insert(QStringLiteral("SpaceAfter"), format.bottomMargin());
    if (format.hasProperty(QTextFormat::BlockLeftMargin))
        map.insert(QStringLiteral("LeftMargin"), format.leftMargin());
    if (format.hasProperty(QTextFormat::BlockRightMargin))
        map.insert(QStringLiteral("RightMargin"), format.rightMargin());
    if (format.hasProperty(QTextFormat::TextIndent))
        map.insert(QStringLiteral("FirstLineIndent"), format.textIndent());
    if (format.hasProperty(QTextFormat::BlockIndent))
        map.insert(QStringLiteral("Indent"), qint64(format.indent()));
    if (format.hasProperty(QTextFormat::BlockNonBreakableLines))
        map.insert(QStringLiteral("NonBreakableLines"), format.nonBreakableLines());
    if (format.hasProperty(QTextFormat::TabPositions)) {
        QVariantList tabs;
        for (const QTextOption::Tab &tab : format.tabPositions()) {
            QVariantMap entry;
            entry.insert(QStringLiteral("Position"), tab.position);
            entry.insert(QStringLiteral("Type"), qint64(tab.type));
            tabs.append(entry);
        }
        map.insert(QStringLiteral("Tabs"), tabs);
    }
    return map;
}

QTextBlockFormat blockFormatFromMap(const QVariantMap &map)
{
    QTextBlockFormat format;
    if (auto alignment = integer(map, "Alignment"))
        format.setAlignment(Qt::Alignment(int(*alignment)) & (Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask));
    if (auto height = finiteNumber(map, "LineHeight", MaxSpacing)) {
        const auto type = integer(map, "LineHeightType");
        if (type && *type >= QTextBlockFormat::SingleHeight
            && *type <= QTextBlockFormat::LineDistanceHeight)
            format.setLineHeight(*height, int(*type));
    }
    if (auto before = finiteNumber(map, "SpaceBefore", MaxSpacing))
        format.setTopMargin(*before);
    if (auto after = finiteNumber(map, "SpaceAfter", MaxSpacing))
        format.setBottomMargin(*after);
    if (auto left = finiteNumber(map, "LeftMargin", MaxSpacing))
        format.setLeftMargin(*left);
    if (auto right = finiteNumber(map, "RightMargin", MaxSpacing))
        format.setRightMargin(*right);
    if (auto indent = finiteNumber(map, "FirstLineIndent", MaxSpacing))
        format.setTextIndent(*indent);
    if (auto indent = integer(map, "Indent"); indent && *indent >= 0 && *indent <= 100)
        format.setIndent(int(*indent));
    if (map.contains(QStringLiteral("NonBreakableLines")))
        format.setNonBreakableLines(map.value(QStringLiteral("NonBreakableLines")).toBool());
    const QVariantList tabValues = map.value(QStringLiteral("Tabs")).toList();
    if (!tabValues.isEmpty()) {
        QList<QTextOption::Tab> tabs;
        // A damaged archive may list any number of stops; a line never needs more.
        for (const QVariant &value : tabValues.mid(0, MaxTabStops)) {
            const QVariantMap entry = value.toMap();
            const auto position = finiteNumber(entry, "Position", MaxSpacing);
            const auto type = integer(entry, "Type");
            if (!position || *position < 0)
                continue;
            QTextOption::Tab tab;
            tab.position = *position;
            tab.type = type && *type >= QTextOption::LeftTab && *type <= QTextOption::DelimiterTab
                ? QTextOption::TabType(*type)
                : QTextOption::LeftTab;
            tabs.append(tab);
        }
        format.setTabPositions(tabs);
    }
    return format;
}

// The settings of a table; its cells are the blocks that name it.
QVariantMap tableFormatToMap(const QTextTable &table)
{
    const QTextTableFormat format = table.format();
    QVariantMap map;
    map.insert(QStringLiteral("Rows"), qint64(table.rows()));
    map.insert(QStringLiteral("Columns"), qint64(table.columns()));
    map.insert(QStringLiteral("Border"), format.border());
    map.insert(QStringLiteral("CellPadding"), format.cellPadding());
    map.insert(QStringLiteral("CellSpacing"), format.cellSpacing());
    map.insert(QStringLiteral("Padding"), format.padding());
    if (format.borderBrush().style() != Qt::NoBrush)
        map.insert(QStringLiteral("BorderColor"), Archiver::archiveColor(format.borderBrush().color()));
    if (format.width().type() == QTextLength::PercentageLength)
        map.insert(QStringLiteral("WidthPercent"), format.width().rawValue());
    else if (format.width().type() == QTextLength::FixedLength)
        map.insert(QStringLiteral("Width"), format.width().rawValue());
    return map;
}

// A stored table's rows, columns and format; none when its size is missing or absurd.
std::optional<std::tuple<int, int, QTextTableFormat>> tableFormatFromMap(const QVariantMap &map)
{
    const auto rows = integer(map, "Rows");
    const auto columns = integer(map, "Columns");
    if (!rows || !columns || *rows < 1 || *columns < 1 || *rows > MaxTableRows || *columns > MaxTableColumns
        || *rows * *columns > MaxTableCells)
        return std::nullopt;
    QTextTableFormat format;
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    auto length = [&](const char *key, double fallback) {
        const auto value = finiteNumber(map, key, MaxSpacing);
        return value && *value >= 0 ? *value : fallback;
    };
    format.setBorder(length("Border", 1.0));
    format.setCellPadding(length("CellPadding", 0.0));
    format.setCellSpacing(length("CellSpacing", 0.0));
    format.setPadding(length("Padding", 0.0));
    if (auto color = Archiver::unarchiveColor(map.value(QStringLiteral("BorderColor")).toByteArray()))
        format.setBorderBrush(*color);
    if (auto percent = finiteNumber(map, "WidthPercent", 100.0); percent && *percent > 0)
        format.setWidth(QTextLength(QTextLength::PercentageLength, *percent));
    else if (auto width = finiteNumber(map, "Width", MaxSpacing); width && *width > 0)
        format.setWidth(QTextLength(QTextLength::FixedLength, *width));
    return std::make_tuple(int(*rows), int(*columns), format);
}

bool isChip(const QTextCharFormat &format)
{
    return format.objectType() == TextArchive::FieldChipObjectType;
}

// A run of chips: its characters, the field's key and the attributes the chips are drawn with.
QVariantMap chipRunToMap(const QTextFragment &fragment)
{
    const QTextCharFormat format = fragment.charFormat();
    QVariantMap run;
    run.insert(QStringLiteral("Text"), fragment.text());
    run.insert(QStringLiteral("attachmentPrimaryKey"), qint64(format.intProperty(TextArchive::FieldPkProperty)));
    run.insert(QStringLiteral("attributesPrimaryKey"), charFormatToMap(format));
    return run;
}

// The chip format of a stored run, none when the run holds no chip or a key that no 32-bit
// field key can be.
std::optional<QTextCharFormat> chipFormatFromMap(const QVariantMap &run)
{
    if (!run.contains(QStringLiteral("attachmentPrimaryKey")))
        return std::nullopt;
    const auto pk = integer(run, "attachmentPrimaryKey");
    if (!pk || *pk < std::numeric_limits<qint32>::min() || *pk > std::numeric_limits<qint32>::max())
        return std::nullopt;
    QTextCharFormat format = charFormatFromMap(run.value(QStringLiteral("attributesPrimaryKey")).toMap());
    format.setObjectType(TextArchive::FieldChipObjectType);
    format.setProperty(TextArchive::FieldPkProperty, int(*pk));
    return format;
}

// The stored attributes of a run or paragraph, its text and what is read apart left out, as
// bytes that are alike exactly when the entries are alike: a long text repeats a few formats
// over many runs, and each distinct one is read once. False when an entry holds a value of a
// kind no format is read from (its format is then read on its own).
bool attributesKey(const QVariantMap &map, std::initializer_list<QLatin1String> apart, QByteArray &key)
{
    // The buffer is reused from run to run.
    key.resize(0);
    auto number = [&key](auto value) { key.append(reinterpret_cast<const char *>(&value), sizeof value); };
    auto string = [&](const QString &text) {
        number(qint64(text.size()));
        key.append(reinterpret_cast<const char *>(text.constData()), text.size() * qsizetype(sizeof(QChar)));
    };
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (std::find(apart.begin(), apart.end(), it.key()) != apart.end())
            continue;
        string(it.key());
        const QVariant &value = it.value();
        const int type = value.typeId();
        number(type);
        switch (type) {
        case QMetaType::Bool:
            number(*static_cast<const bool *>(value.constData()));
            break;
        case QMetaType::LongLong:
            number(*static_cast<const qlonglong *>(value.constData()));
            break;
        case QMetaType::Double:
            number(*static_cast<const double *>(value.constData()));
            break;
        case QMetaType::QString:
            string(*static_cast<const QString *>(value.constData()));
            break;
        case QMetaType::QByteArray: {
            const QByteArray &bytes = *static_cast<const QByteArray *>(value.constData());
            number(qint64(bytes.size()));
            key.append(bytes);
            break;
        }
        case QMetaType::QVariantList: {
            // A family list: strings only.
            const QVariantList &items = *static_cast<const QVariantList *>(value.constData());
            number(qint64(items.size()));
            for (const QVariant &item : items) {
                if (item.typeId() != QMetaType::QString)
                    return false;
                string(*static_cast<const QString *>(item.constData()));
            }
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

// The distinct formats kept between texts, at most.
constexpr qsizetype KeptFormats = 4096;

// Character formats read once per distinct stored form.
class CharFormats
{
public:
    QTextCharFormat of(const QVariantMap &map, std::initializer_list<QLatin1String> apart = {})
    {
        if (!attributesKey(map, apart, m_key))
            return charFormatFromMap(map);
        auto found = m_read.constFind(m_key);
        if (found == m_read.constEnd())
            found = m_read.insert(m_key, charFormatFromMap(map));
        return *found;
    }

    // Forgets the formats read when they are many: what is kept stays small.
    void keepFew()
    {
        if (m_read.size() > KeptFormats)
            m_read.clear();
    }

private:
    QHash<QByteArray, QTextCharFormat> m_read;
    QByteArray m_key;
};

} // namespace

QByteArray TextArchive::archive(const QTextDocument &document)
{
    QVariantList blocks;
    QVariantList tables;
    std::map<const QTextTable *, qint64> tableIndex;
    // A long text repeats a few formats over many runs and paragraphs: each format the
    // document holds is turned into its stored form once, by its index in the document.
    std::unordered_map<int, QVariantMap> charMaps;
    std::unordered_map<int, QVariantMap> blockMaps;
    auto charMap = [&charMaps](int index, const QTextCharFormat &format) -> const QVariantMap & {
        auto found = charMaps.find(index);
        if (found == charMaps.end())
            found = charMaps.emplace(index, charFormatToMap(format)).first;
        return found->second;
    };
    // A text without a table needs no paragraph asked.
    const bool anyTable = mayHoldTables(document);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        auto blockMap = blockMaps.find(block.blockFormatIndex());
        if (blockMap == blockMaps.end())
            blockMap = blockMaps.emplace(block.blockFormatIndex(), blockFormatToMap(block.blockFormat())).first;
        QVariantMap entry = blockMap->second;
        // A paragraph in a table names the table and its cell.
        if (const QTextTable *table = anyTable ? QTextCursor(block).currentTable() : nullptr) {
            auto found = tableIndex.find(table);
            if (found == tableIndex.end()) {
                found = tableIndex.emplace(table, qint64(tables.size())).first;
                tables.append(tableFormatToMap(*table));
            }
            const QTextTableCell cell = table->cellAt(block.position());
            entry.insert(QStringLiteral("Table"), found->second);
            entry.insert(QStringLiteral("Row"), qint64(cell.row()));
            entry.insert(QStringLiteral("Column"), qint64(cell.column()));
            const QTextCharFormat cellFormat = cell.format();
            if (cellFormat.hasProperty(QTextFormat::BackgroundBrush))
                entry.insert(QStringLiteral("CellBackground"), Archiver::archiveColor(cellFormat.background().color()));
        }
        // An empty paragraph has no runs; its own character format keeps its font.
        entry.insert(QStringLiteral("CharFormat"), charMap(block.charFormatIndex(), block.charFormat()));
        QVariantList runs;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            if (isChip(format)) {
                runs.append(chipRunToMap(fragment));
                continue;
            }
            QVariantMap run = charMap(fragment.charFormatIndex(), format);
            run.insert(QStringLiteral("Text"), fragment.text());
            runs.append(run);
        }
        entry.insert(QStringLiteral("Runs"), runs);
        blocks.append(entry);
    }
    QVariantMap payload;
    payload.insert(QStringLiteral("Blocks"), blocks);
    if (!tables.isEmpty())
        payload.insert(QStringLiteral("Tables"), tables);
    payload.insert(QStringLiteral("DefaultFont"), Archiver::archiveFont(document.defaultFont()));
    return Archiver::archive(className, payload);
}

bool TextArchive::mayHoldTables(const QTextDocument &document)
{
    const QList<QTextFormat> formats = document.allFormats();
    return std::any_of(formats.cbegin(), formats.cend(), [](const QTextFormat &format) { return format.isTableFormat(); });
}

bool TextArchive::unarchive(const QByteArray &data, QTextDocument &document)
{
    const std::optional<QVariantMap> payload = Archiver::unarchive(data, className);
    if (!payload)
        return false;
    const QVariant blocksValue = payload->value(QStringLiteral("Blocks"));
    if (blocksValue.typeId() != QMetaType::QVariantList)
        return false;
    const QVariantList blocks = blocksValue.toList();

    document.clear();
    if (auto font = Archiver::unarchiveFont(payload->value(QStringLiteral("DefaultFont")).toByteArray()))
        document.setDefaultFont(*font);
    // The text is rebuilt as one edit: the document lays out and reports its change once,
    // not once per run, and keeps no undo step per run of a text that was only read.
    const bool undoable = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    // The cursor stands in an empty paragraph that the next stored one takes over.
    bool reuse = true;
    const QVariantList tableList = payload->value(QStringLiteral("Tables")).toList();
    // The table being rebuilt and the cell its last paragraph went into; a table whose cells
    // are not stored together is not rebuilt twice.
    QTextTable *table = nullptr;
    qint64 tableNumber = -1;
    std::pair<int, int> currentCell{-1, -1};
    QSet<qint64> finishedTables;
    // A text of many runs or paragraphs repeats a few formats, and so do the many small texts
    // of a design: each distinct one is read once, the formats kept per thread and few.
    thread_local CharFormats charFormats;
    thread_local QHash<QByteArray, QTextBlockFormat> blockFormats;
    charFormats.keepFew();
    if (blockFormats.size() > KeptFormats)
        blockFormats.clear();
    QByteArray blockKey;
    const std::initializer_list<QLatin1String> blockApart = {
        QLatin1String("Runs"), QLatin1String("CharFormat"), QLatin1String("Table"), QLatin1String("Row"),
        QLatin1String("Column"), QLatin1String("CellBackground")};
    const QString textKey = QStringLiteral("Text");
    const QString runsKey = QStringLiteral("Runs");
    const QString chipKey = QStringLiteral("attachmentPrimaryKey");
    for (const QVariant &blockValue : blocks) {
        const QVariantMap entry = blockValue.toMap();
        QTextBlockFormat blockFormat;
        if (attributesKey(entry, blockApart, blockKey)) {
            auto found = blockFormats.constFind(blockKey);
            if (found == blockFormats.constEnd())
                found = blockFormats.insert(blockKey, blockFormatFromMap(entry));
            blockFormat = *found;
        } else {
            blockFormat = blockFormatFromMap(entry);
        }
        const QTextCharFormat blockChars = charFormats.of(entry.value(QStringLiteral("CharFormat")).toMap());
        // The table and cell the paragraph belongs to, when they are sound.
        std::optional<std::tuple<qint64, int, int>> place;
        if (entry.contains(QStringLiteral("Table"))) {
            const auto number = integer(entry, "Table");
            const auto row = integer(entry, "Row");
            const auto column = integer(entry, "Column");
            if (number && row && column && *number >= 0 && *number < tableList.size()
                && !finishedTables.contains(*number))
                place = std::make_tuple(*number, int(std::clamp<qint64>(*row, -1, MaxTableRows)),
                                        int(std::clamp<qint64>(*column, -1, MaxTableColumns)));
        }
        if (place && std::get<0>(*place) != tableNumber) {
            const auto shape = tableFormatFromMap(tableList.at(int(std::get<0>(*place))).toMap());
            if (!shape) {
                place.reset();
            } else {
                if (table)
                    finishedTables.insert(tableNumber);
                cursor.movePosition(QTextCursor::End);
                table = cursor.insertTable(std::get<0>(*shape), std::get<1>(*shape), std::get<2>(*shape));
                tableNumber = std::get<0>(*place);
                currentCell = {-1, -1};
            }
        }
        if (place && (std::get<1>(*place) < 0 || std::get<1>(*place) >= table->rows() || std::get<2>(*place) < 0
                      || std::get<2>(*place) >= table->columns())) {
            // A cell the table does not have: the paragraph stays with the cell before it.
            if (currentCell.first >= 0)
                place = std::make_tuple(tableNumber, currentCell.first, currentCell.second);
            else
                place = std::make_tuple(tableNumber, 0, 0);
        }
        if (place) {
            const std::pair<int, int> cellPlace{std::get<1>(*place), std::get<2>(*place)};
            const QTextTableCell cell = table->cellAt(cellPlace.first, cellPlace.second);
            if (cellPlace != currentCell) {
                // The cell's first paragraph is the one the table came with.
                currentCell = cellPlace;
                cursor = cell.lastCursorPosition();
                if (cursor.block().length() > 1)
                    cursor.insertBlock(blockFormat, blockChars);
                cursor.setBlockFormat(blockFormat);
                cursor.setBlockCharFormat(blockChars);
                if (auto background = Archiver::unarchiveColor(entry.value(QStringLiteral("CellBackground")).toByteArray())) {
                    QTextCharFormat cellFormat = cell.format();
                    cellFormat.setBackground(*background);
                    QTextTableCell(cell).setFormat(cellFormat);
                }
            } else {
                cursor.insertBlock(blockFormat, blockChars);
            }
        } else if (table) {
            // After a table: the paragraph that follows it.
            finishedTables.insert(tableNumber);
            cursor.setPosition(table->lastPosition() + 1);
            table = nullptr;
            tableNumber = -1;
            cursor.setBlockFormat(blockFormat);
            cursor.setBlockCharFormat(blockChars);
            reuse = false;
        } else if (reuse) {
            cursor.setBlockFormat(blockFormat);
            cursor.setBlockCharFormat(blockChars);
            reuse = false;
        } else {
            cursor.insertBlock(blockFormat, blockChars);
        }
        const QVariantList runs = entry.value(runsKey).toList();
        for (const QVariant &runValue : runs) {
            const QVariantMap run = runValue.toMap();
            QString text = run.value(textKey).toString();
            // Paragraph breaks come from the block list only; a break inside a run would
            // split the paragraph and lose its settings.
            text.replace(QChar::ParagraphSeparator, QLatin1Char(' '));
            text.replace(QLatin1Char('\n'), QChar::LineSeparator);
            if (text.isEmpty())
                continue;
            if (!run.contains(chipKey)) {
                cursor.insertText(text, charFormats.of(run, {QLatin1String("Text")}));
                continue;
            }
            const std::optional<QTextCharFormat> chip = chipFormatFromMap(run);
            if (!chip) {
                cursor.insertText(text, charFormatFromMap(run));
                continue;
            }
            // Only the object characters of a chip run are chips; any other character of a
            // damaged run is kept as plain text in the chip's attributes.
            const QTextCharFormat plain = TextAttachmentHandler::withoutObject(*chip);
            for (const QChar c : std::as_const(text))
                cursor.insertText(QString(c), c == QChar(TextAttachmentHandler::ObjectCharacter) ? *chip : plain);
        }
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undoable);
    return true;
}

} // namespace quillmark
