#include "database/exchange/ExcelWorkbook.h"

#include "database/store/Database.h"
#include "database/exchange/NumberFormatCode.h"
#include "database/exchange/NumberingFormat.h"
#include "database/exchange/ZipArchive.h"
#include "database/exchange/xmlReader.h"
#include "foundation/Language.h"

#include <QXmlStreamReader>

#include <memory>

namespace quillmark {

namespace {

// A message in the user's language, the values in its "%@" places.
QString said(const QString &key, const QStringList &values = {})
{
    QString text = Language::stringForKey(key);
    if (text.isEmpty())
        text = key;
    return Language::withValues(text, values);
}

} // namespace

ExcelWorkbook::ExcelWorkbook() : _zip(new ZipArchive) {}

ExcelWorkbook::~ExcelWorkbook()
{
    delete _zip;
}

// ---------------------------------------------------------------- cell references

int ExcelWorkbook::columnIndex(const QString &letters)
{
    if (letters.isEmpty() || letters.size() > 3)
        return -1;
    int index = 0;
    for (QChar c : letters) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            return -1;
        index = index * 26 + int(u - u'A' + 1);
    }
    return index - 1 < MaximumColumns ? index - 1 : -1;
}

QString ExcelWorkbook::columnName(int index)
{
    QString name;
    for (int n = index + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

// ---------------------------------------------------------------- number formats

bool ExcelWorkbook::isNumber(const QString &text)
{
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

bool ExcelWorkbook::isDate(const QString &code)
{
    return NumberFormatCode(code).isDate();
}

bool ExcelWorkbook::isCurrency(const QString &code)
{
    return NumberFormatCode(code).isCurrency();
}

bool ExcelWorkbook::isPercent(const QString &code)
{
    return NumberFormatCode(code).isPercent();
}

QString ExcelWorkbook::formatCell(const QString &value, const QString &code) const
{
    return formatCell(value, NumberFormatCode(code));
}

QString ExcelWorkbook::formatCell(const QString &value, const NumberFormatCode &format) const
{
    // "General" shows a number as it is stored.
    if (format.isGeneral())
        return value;
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok)
        return value;
    const QString text = format.format(number, _date1904);
    return text.isNull() ? value : text;
}

// ---------------------------------------------------------------- parts

bool ExcelWorkbook::readPart(const QString &name, QByteArray &data)
{
    return _zip->isOpen() && _zip->readEntry(name, data);
}

bool ExcelWorkbook::open(const QString &path)
{
    _sheets.clear();
    _rows.clear();
    _sharedStrings.clear();
    _sharedStringsRead = false;
    _sharedStringTooLong = false;
    _sharedStringsDamage.clear();
    _bound = ImportBound(path);
    _customFormats.clear();
    _styleFormatIds.clear();
    _columnCount = 0;
    _error.clear();
    if (!_zip->UnzipOpenFile(path)) {
        _error = _zip->errorMessage();
        return false;
    }
    QByteArray bytes;
    if (!readPart(QStringLiteral("xl/workbook.xml"), bytes)) {
        _error = _zip->errorMessage();
        if (_error.isEmpty())
            _error = said(QStringLiteral("The file \u201c%@\u201d holds no workbook."), {_bound.fileName()});
        return false;
    }
    const xmlReader workbook(bytes);
    if (!workbook.isInitialized()) {
        _error = said(QStringLiteral("The workbook \u201c%@\u201d is damaged: its list of sheets cannot be read."), {_bound.fileName()});
        return false;
    }
    for (const QDomElement &properties : workbook.objectsByName(QStringLiteral("workbookPr"))) {
        const QString flag = properties.attribute(QStringLiteral("date1904"));
        _date1904 = flag == QLatin1String("1") || flag.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    }
    // The worksheet part of each sheet, by its relationship.
    QHash<QString, QString> targets;
    const bool related = readPart(QStringLiteral("xl/_rels/workbook.xml.rels"), bytes);
    // A part that is there but cannot be unpacked is damage, whichever part it is: what is
    // read from the rest would be read wrongly, without a word.
    if (!related && !_zip->errorMessage().isEmpty()) {
        _error = _zip->errorMessage();
        return false;
    }
    if (related) {
        const xmlReader rels(bytes);
        for (const QDomElement &rel : rels.objectsByName(QStringLiteral("Relationship"))) {
            QString target = rel.attribute(QStringLiteral("Target"));
            target = target.startsWith(QLatin1Char('/')) ? target.mid(1) : QStringLiteral("xl/") + target;
            if (ZipArchive::isSafeEntryName(target))
                targets.insert(rel.attribute(QStringLiteral("Id")), target);
        }
    }
    for (const QDomElement &sheet : workbook.objectsByName(QStringLiteral("sheet"))) {
        excelSheet entry(sheet.attribute(QStringLiteral("name")), sheet.attribute(QStringLiteral("sheetId")).toLongLong());
        QString rid;
        const QDomNamedNodeMap attributes = sheet.attributes();
        for (int i = 0; i < attributes.count(); ++i) {
            const QDomAttr attribute = attributes.item(i).toAttr();
            if (attribute.localName() == QLatin1String("id") || attribute.name().endsWith(QLatin1String(":id")))
                rid = attribute.value();
        }
        entry.setPart(targets.value(rid));
        _sheets.append(entry);
    }
    if (!readStyles()) {
        _sheets.clear();
        _error = _zip->errorMessage();
        return false;
    }
    return true;
}

bool ExcelWorkbook::readStyles()
{
    QByteArray bytes;
    if (!readPart(QStringLiteral("xl/styles.xml"), bytes))
        return _zip->errorMessage().isEmpty();
    const xmlReader styles(bytes);
    for (const QDomElement &format : styles.objectsByName(QStringLiteral("numFmt")))
        _customFormats.insert(format.attribute(QStringLiteral("numFmtId")), format.attribute(QStringLiteral("formatCode")));
    const QList<QDomElement> cellXfs = styles.objectsByName(QStringLiteral("cellXfs"));
    if (cellXfs.isEmpty())
        return true;
    for (const QDomElement &xf : xmlReader::objectsFromElement(cellXfs.first(), QStringLiteral("xf")))
        _styleFormatIds.append(xf.hasAttribute(QStringLiteral("numFmtId")) ? xf.attribute(QStringLiteral("numFmtId")) : QString());
    return true;
}

QString ExcelWorkbook::checkStyle(int styleIndex) const
{
    if (styleIndex < 0 || styleIndex >= _styleFormatIds.size())
        return QString();
    const QString id = _styleFormatIds.at(styleIndex);
    if (id.isNull())
        return QString();
    const auto custom = _customFormats.constFind(id);
    if (custom != _customFormats.cend())
        return custom.value();
    return NumberingFormat::shared().format(id);
}

void ExcelWorkbook::readSharedStrings()
{
    _sharedStringsRead = true;
    QByteArray bytes;
    if (!readPart(QStringLiteral("xl/sharedStrings.xml"), bytes)) {
        _sharedStringsDamage = _zip->errorMessage();
        return;
    }
    QXmlStreamReader xml(bytes);
    QString current;
    bool inItem = false;
    int phonetic = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = xml.name();
            if (name == QLatin1String("si")) {
                inItem = true;
                current.clear();
            } else if (name == QLatin1String("rPh")) {
                ++phonetic;
            } else if (name == QLatin1String("t") && inItem && phonetic == 0) {
                current += xml.readElementText();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            const QStringView name = xml.name();
            if (name == QLatin1String("si")) {
                if (current.size() > Database::MaximumTextLength) {
                    _sharedStringTooLong = true;
                    return;
                }
                _sharedStrings.append(current);
                inItem = false;
            } else if (name == QLatin1String("rPh")) {
                --phonetic;
            }
        }
    }
}

QString ExcelWorkbook::sharedString(int index) const
{
    if (!_sharedStringsRead)
        const_cast<ExcelWorkbook *>(this)->readSharedStrings();
    if (index < 0 || index >= _sharedStrings.size())
        return QString();
    return _sharedStrings.at(index);
}

QString ExcelWorkbook::sheetPart(int index) const
{
    return _sheets.at(index).part();
}

// ---------------------------------------------------------------- one worksheet

bool ExcelWorkbook::loadSheet(int index, const std::atomic<bool> *cancel, std::atomic<int> *permille)
{
    _rows.clear();
    _columnCount = 0;
    _error.clear();
    _cancelled = false;
    if (index < 0 || index >= _sheets.size())
        return false;
    const QString sheetName = _sheets.at(index).name();
    // The part the relationships name, else the one named by the sheet's id, else by its place.
    QByteArray bytes;
    const QStringList candidates = {sheetPart(index),
                                    QStringLiteral("xl/worksheets/sheet%1.xml").arg(_sheets.at(index).tag()),
                                    QStringLiteral("xl/worksheets/sheet%1.xml").arg(index + 1)};
    bool found = false;
    // A part that is there but cannot be unpacked (a wrong size or checksum) is damage, not
    // a missing part to look for under another name.
    bool damaged = false;
    for (const QString &part : candidates) {
        if (part.isEmpty())
            continue;
        if (readPart(part, bytes)) {
            found = true;
            break;
        }
        if (!_zip->errorMessage().isEmpty()) {
            damaged = true;
            break;
        }
    }
    if (!found) {
        _error = damaged ? _zip->errorMessage()
                         : said(QStringLiteral("The sheet \u201c%@\u201d of the workbook \u201c%@\u201d cannot be read."), {sheetName, _bound.fileName()});
        return false;
    }
    auto refuse = [this](const QString &message) {
        _rows.clear();
        _columnCount = 0;
        _error = message;
        return false;
    };

    QXmlStreamReader xml(bytes);
    QStringList row;
    bool inRow = false;
    int column = -1;
    QString type;
    QString style;
    QString value;
    QString inlineText;
    bool hasValue = false;
    bool inInline = false;
    int phonetic = 0;
    qint64 cells = 0;
    qint64 rowText = 0;
    qint64 sheetText = 0;
    const qint64 cellAllowance = _bound.cellAllowance();
    const qint64 textAllowance = _bound.textAllowance();
    QHash<int, std::shared_ptr<NumberFormatCode>> styleFormats;
    auto styleFormat = [&](const QString &s) -> const NumberFormatCode * {
        bool ok = false;
        const int styleIndex = s.toInt(&ok);
        if (!ok)
            return nullptr;
        auto it = styleFormats.constFind(styleIndex);
        if (it == styleFormats.cend()) {
            const QString code = checkStyle(styleIndex);
            it = styleFormats.insert(styleIndex, code.isNull() ? nullptr : std::make_shared<NumberFormatCode>(code));
        }
        return it.value().get();
    };
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = xml.name();
            if (name == QLatin1String("row")) {
                inRow = true;
                row.clear();
                rowText = 0;
                column = -1;
                if ((_rows.size() & 4095) == 0) {
                    if (cancel && cancel->load(std::memory_order_relaxed)) {
                        _cancelled = true;
                        return refuse(QString());
                    }
                    if (permille && !bytes.isEmpty())
                        permille->store(int(qMin<qint64>(1000, xml.characterOffset() * 1000 / bytes.size())), std::memory_order_relaxed);
                }
            } else if (name == QLatin1String("c") && inRow) {
                const QXmlStreamAttributes attributes = xml.attributes();
                const QStringView reference = attributes.value(QLatin1String("r"));
                qsizetype letters = 0;
                while (letters < reference.size() && reference.at(letters).isLetter())
                    ++letters;
                const int named = columnIndex(reference.left(letters).toString());
                column = named >= 0 ? named : column + 1;
                type = attributes.value(QLatin1String("t")).toString();
                style = attributes.value(QLatin1String("s")).toString();
                value.clear();
                inlineText.clear();
                hasValue = false;
            } else if (name == QLatin1String("v") && inRow) {
                value = xml.readElementText();
                hasValue = true;
            } else if (name == QLatin1String("is")) {
                inInline = true;
            } else if (name == QLatin1String("rPh")) {
                ++phonetic;
            } else if (name == QLatin1String("t") && inInline && phonetic == 0) {
                inlineText += xml.readElementText();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            const QStringView name = xml.name();
            if (name == QLatin1String("is")) {
                inInline = false;
            } else if (name == QLatin1String("rPh")) {
                --phonetic;
            } else if (name == QLatin1String("c") && inRow) {
                QString text;
                if (type == QLatin1String("inlineStr")) {
                    text = inlineText;
                } else if (!hasValue) {
                    text.clear();
                } else if (type == QLatin1String("s")) {
                    text = isNumber(value) && !value.isEmpty() ? sharedString(value.toInt()) : value;
                    if (text.isNull())
                        text = QStringLiteral("");
                } else if (!type.isEmpty() && type != QLatin1String("n")) {
                    // "n" is the type a number has when none is written: many generators write it.
                    text = value;
                } else if (!style.isEmpty()) {
                    const NumberFormatCode *format = styleFormat(style);
                    text = format ? formatCell(value, *format) : value;
                } else {
                    text = value;
                }
                if (!_sharedStringsDamage.isEmpty())
                    return refuse(_sharedStringsDamage);
                if (text.size() > Database::MaximumTextLength || _sharedStringTooLong)
                    return refuse(said(QStringLiteral("A cell of the sheet \u201c%@\u201d in the workbook \u201c%@\u201d holds more text than a field takes: the file is damaged."),
                                       {sheetName, _bound.fileName()}));
                if (!text.isEmpty() && column >= 0 && column < MaximumColumns) {
                    // What the cells add up to, before any of it reaches the database.
                    cells += qMax<qint64>(1, column + 1 - row.size());
                    if (cells > cellAllowance)
                        return refuse(_bound.cellProblem(cells));
                    rowText += text.size();
                    sheetText += text.size();
                    if (rowText > Database::MaximumRecordText)
                        return refuse(said(
                            QStringLiteral("Row %@ of the sheet \u201c%@\u201d in the workbook \u201c%@\u201d holds more text than one record takes: the file is damaged."),
                            {QString::number(_rows.size() + 1), sheetName, _bound.fileName()}));
                    if (sheetText > textAllowance)
                        return refuse(_bound.textProblem(sheetText));
                    while (row.size() < column)
                        row.append(QString());
                    if (row.size() == column)
                        row.append(text);
                    else
                        row[column] = text;
                }
            } else if (name == QLatin1String("row") && inRow) {
                // An empty row is kept too, and costs as much as a cell.
                if (row.isEmpty() && ++cells > cellAllowance)
                    return refuse(_bound.cellProblem(cells));
                _columnCount = qMax(_columnCount, int(row.size()));
                _rows.append(row);
                inRow = false;
            }
        }
    }
    if (xml.hasError())
        return refuse(said(QStringLiteral("The sheet \u201c%@\u201d of the workbook \u201c%@\u201d is damaged."), {sheetName, _bound.fileName()}));
    if (permille)
        permille->store(1000, std::memory_order_relaxed);
    return true;
}

} // namespace quillmark
