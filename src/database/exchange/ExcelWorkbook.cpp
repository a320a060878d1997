#include "database/exchange/ExcelWorkbook.h"

#include "database/store/Database.h"
#include "database/exchange/NumberingFormat.h"
#include "database/exchange/ZipArchive.h"
#include "database/exchange/xmlReader.h"
#include "foundation/Language.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>
#include <QXmlStreamReader>

#include <cmath>
#include <map>
#include <memory>

#include <unicode/decimfmt.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace quillmark {

namespace {

// A message in the user's language, "%@" standing for the argument.
QString said(const QString &key, const QString &argument = QString())
{
    QString text = Language::stringForKey(key);
    if (text.isEmpty())
        text = key;
    return text.replace(QLatin1String("%@"), argument);
}

icu::UnicodeString toIcu(const QString &text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
}

QString fromIcu(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

QString replaced(QString text, const char *from, const char *to)
{
    return text.replace(QLatin1String(from), QLatin1String(to));
}

// The colour and condition sections ("[Red]", "[>100]") of a code and its backslash escapes
// mean nothing to the formatter; "[$...]" currency parts are kept for the caller.
QString withoutDecorations(const QString &code)
{
    QString out;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == QLatin1Char('\\'))
            continue;
        if (c == QLatin1Char('[') && !(i + 1 < code.size() && code.at(i + 1) == QLatin1Char('$'))) {
            const qsizetype close = code.indexOf(QLatin1Char(']'), i);
            if (close > i) {
                i = close;
                continue;
            }
        }
        out += c;
    }
    return out;
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
    if (code == QLatin1String("General"))
        return false;
    for (const char *mark : {"AM/PM", "yyyy", "EEE", "MMMM"})
        if (code.contains(QLatin1String(mark)))
            return true;
    const QString lower = code.toLower();
    for (const char *mark : {"h:mm", "hh:mm", "h a"})
        if (lower.contains(QLatin1String(mark)))
            return true;
    for (const char *mark : {"M/d",   "d/M",   "m/d",   "d/m",   "M.d",   "d.M",   "m.d",   "d.m",
                             "M-d",   "d-M",   "m-d",   "d-m",   "MM/dd", "dd/MM", "mm/dd", "dd/mm",
                             "MM.dd", "dd.MM", "mm.dd", "dd.mm", "MM-dd", "dd-MM", "mm-dd", "dd-mm"})
        if (code.contains(QLatin1String(mark)))
            return true;
    return false;
}

bool ExcelWorkbook::isCurrency(const QString &code)
{
    return code.contains(QLatin1String("#,##")) && code.contains(QLatin1Char('$'));
}

bool ExcelWorkbook::isPercent(const QString &code)
{
    return code.contains(QLatin1Char('%'));
}

QString ExcelWorkbook::datePattern(const QString &code)
{
    QString p = code;
    p = replaced(p, "mm/", "MM/");
    p = replaced(p, "m/", "M/");
    p = replaced(p, "/mm", "/MM");
    p = replaced(p, "/m", "/M");
    p = replaced(p, "mm-", "MM-");
    p = replaced(p, "m-", "M-");
    p = replaced(p, "-mm", "-MM");
    p = replaced(p, "-m", "-M");
    p = replaced(p, "AM/PM", "a");
    p.remove(QLatin1Char('"'));
    p = replaced(p, "mmmm", "MMMM");
    p = replaced(p, "mmm", "MMM");
    p = replaced(p, "dddd", "EEEE");
    p = replaced(p, "ddd", "E");
    // Hours count to 24 unless the code names a half of the day.
    if (!code.contains(QLatin1String("AM/PM"), Qt::CaseInsensitive) && !code.contains(QLatin1String("A/P"), Qt::CaseInsensitive))
        p.replace(QLatin1Char('h'), QLatin1Char('H'));
    return p;
}

QString ExcelWorkbook::currencyPattern(const QString &code)
{
    if (code.contains(QLatin1Char('"'))) {
        QString p = code;
        return p.remove(QLatin1Char('"'));
    }
    if (code.startsWith(QLatin1String("#,##"))) {
        QString p = code;
        p.replace(QLatin1Char('$'), QLatin1Char(' '));
        p.remove(QLatin1Char('['));
        p.remove(QLatin1Char(']'));
        return p;
    }
    const qsizetype at = code.indexOf(QLatin1String("#,##"));
    QString prefix = code.left(at);
    const QString body = code.mid(at);
    bool marked = false;
    if (!prefix.contains(QLatin1Char('-'))) {
        prefix.remove(QLatin1Char('$'));
        prefix.remove(QLatin1Char('['));
        prefix.remove(QLatin1Char(']'));
    } else {
        prefix.remove(QLatin1Char('['));
        if (prefix.startsWith(QLatin1Char('$')))
            prefix.remove(0, 1);
        prefix = prefix.left(prefix.indexOf(QLatin1Char('-')));
        marked = prefix.size() >= 2 && prefix.endsWith(QLatin1Char('$'));
    }
    if (prefix.size() == 1 || marked)
        return prefix + body;
    return prefix + QLatin1Char(' ') + body;
}

QString ExcelWorkbook::formatDate(const QString &serial, const QString &code, bool date1904)
{
    bool ok = false;
    const double value = serial.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0 || value > 2958465.0) // up to 31 December 9999
        return QString();
    double days = std::floor(value);
    const qint64 seconds = qRound64((value - days) * 86400.0);
    QDate base;
    if (date1904) {
        base = QDate(1904, 1, 1);
    } else if (days < 60) {
        // Day 1 is 1 January 1900; the workbook's day 60 is a 29 February 1900 that never was.
        base = QDate(1899, 12, 31);
    } else if (days == 60) {
        base = QDate(1899, 12, 29);
    } else {
        base = QDate(1899, 12, 30);
    }
    const QDateTime instant = QDateTime(base.addDays(qint64(days)), QTime(0, 0), QTimeZone::utc()).addSecs(seconds);
    // Making a formatter costs far more than using one: a sheet reuses one per code.
    thread_local std::map<QString, std::unique_ptr<icu::SimpleDateFormat>> formatters;
    const QString key = code + QLatin1Char('\n') + QString::fromLatin1(icu::Locale::getDefault().getName());
    auto it = formatters.find(key);
    if (it == formatters.end()) {
        UErrorCode status = U_ZERO_ERROR;
        auto format = std::make_unique<icu::SimpleDateFormat>(toIcu(datePattern(withoutDecorations(code))), icu::Locale::getDefault(), status);
        if (U_FAILURE(status))
            format.reset();
        else
            format->adoptTimeZone(icu::TimeZone::createTimeZone("GMT"));
        if (formatters.size() > 256)
            formatters.clear();
        it = formatters.emplace(key, std::move(format)).first;
    }
    if (!it->second)
        return QString();
    icu::UnicodeString out;
    it->second->format(UDate(instant.toMSecsSinceEpoch()), out);
    return fromIcu(out);
}

QString ExcelWorkbook::formatNumber(double value, const QString &pattern)
{
    thread_local std::map<QString, std::unique_ptr<icu::DecimalFormat>> formatters;
    const QString key = pattern + QLatin1Char('\n') + QString::fromLatin1(icu::Locale::getDefault().getName());
    auto it = formatters.find(key);
    if (it == formatters.end()) {
        UErrorCode status = U_ZERO_ERROR;
        auto format = std::make_unique<icu::DecimalFormat>(toIcu(pattern), status);
        if (U_FAILURE(status))
            format.reset();
        if (formatters.size() > 256)
            formatters.clear();
        it = formatters.emplace(key, std::move(format)).first;
    }
    if (!it->second)
        return QString();
    icu::UnicodeString out;
    it->second->format(value, out);
    return fromIcu(out);
}

QString ExcelWorkbook::formatCell(const QString &value, const QString &code) const
{
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok)
        return value;
    if (isDate(code)) {
        const QString text = formatDate(value, code, _date1904);
        return text.isNull() ? value : text;
    }
    if (isCurrency(code)) {
        const QString text = formatNumber(number, currencyPattern(withoutDecorations(code)));
        return text.isNull() ? value : text;
    }
    if (isPercent(code)) {
        const QString text = formatNumber(number, withoutDecorations(code));
        return text.isNull() ? value : text;
    }
    return value;
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
        _error = said(QStringLiteral("The file holds no workbook."));
        return false;
    }
    const xmlReader workbook(bytes);
    if (!workbook.isInitialized()) {
        _error = said(QStringLiteral("The workbook cannot be read."));
        return false;
    }
    for (const QDomElement &properties : workbook.objectsByName(QStringLiteral("workbookPr"))) {
        const QString flag = properties.attribute(QStringLiteral("date1904"));
        _date1904 = flag == QLatin1String("1") || flag.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    }
    // The worksheet part of each sheet, by its relationship.
    QHash<QString, QString> targets;
    if (readPart(QStringLiteral("xl/_rels/workbook.xml.rels"), bytes)) {
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
    readStyles();
    return true;
}

void ExcelWorkbook::readStyles()
{
    QByteArray bytes;
    if (!readPart(QStringLiteral("xl/styles.xml"), bytes))
        return;
    const xmlReader styles(bytes);
    for (const QDomElement &format : styles.objectsByName(QStringLiteral("numFmt")))
        _customFormats.insert(format.attribute(QStringLiteral("numFmtId")), format.attribute(QStringLiteral("formatCode")));
    const QList<QDomElement> cellXfs = styles.objectsByName(QStringLiteral("cellXfs"));
    if (cellXfs.isEmpty())
        return;
    for (const QDomElement &xf : xmlReader::objectsFromElement(cellXfs.first(), QStringLiteral("xf")))
        _styleFormatIds.append(xf.hasAttribute(QStringLiteral("numFmtId")) ? xf.attribute(QStringLiteral("numFmtId")) : QString());
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
    if (!readPart(QStringLiteral("xl/sharedStrings.xml"), bytes))
        return;
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

bool ExcelWorkbook::loadSheet(int index)
{
    _rows.clear();
    _columnCount = 0;
    _error.clear();
    if (index < 0 || index >= _sheets.size())
        return false;
    // The part the relationships name, else the one named by the sheet's id, else by its place.
    QByteArray bytes;
    const QStringList candidates = {sheetPart(index),
                                    QStringLiteral("xl/worksheets/sheet%1.xml").arg(_sheets.at(index).tag()),
                                    QStringLiteral("xl/worksheets/sheet%1.xml").arg(index + 1)};
    bool found = false;
    for (const QString &part : candidates) {
        if (!part.isEmpty() && readPart(part, bytes)) {
            found = true;
            break;
        }
    }
    if (!found) {
        _error = said(QStringLiteral("The sheet \u201c%@\u201d cannot be read."), _sheets.at(index).name());
        return false;
    }

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
    QHash<int, QString> styleCodes;
    auto styleCode = [&](const QString &s) -> QString {
        bool ok = false;
        const int styleIndex = s.toInt(&ok);
        if (!ok)
            return QString();
        const auto it = styleCodes.constFind(styleIndex);
        if (it != styleCodes.cend())
            return it.value();
        const QString code = checkStyle(styleIndex);
        styleCodes.insert(styleIndex, code);
        return code;
    };
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = xml.name();
            if (name == QLatin1String("row")) {
                inRow = true;
                row.clear();
                column = -1;
            } else if (name == QLatin1String("c") && inRow) {
                const QXmlStreamAttributes attributes = xml.attributes();
                const QString reference = attributes.value(QLatin1String("r")).toString();
                qsizetype letters = 0;
                while (letters < reference.size() && reference.at(letters).isLetter())
                    ++letters;
                const int named = columnIndex(reference.left(letters));
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
                    const QString code = styleCode(style);
                    text = code.isNull() ? value : formatCell(value, code);
                } else {
                    text = value;
                }
                if (text.size() > Database::MaximumTextLength || _sharedStringTooLong) {
                    _rows.clear();
                    _columnCount = 0;
                    _error = said(QStringLiteral("A cell of the sheet \u201c%@\u201d holds more text than a field takes: the file is damaged."),
                                  _sheets.at(index).name());
                    return false;
                }
                if (!text.isEmpty() && column >= 0 && column < MaximumColumns) {
                    cells += qMax<qint64>(1, column + 1 - row.size());
                    if (cells > MaximumCells) {
                        _rows.clear();
                        _error = said(QStringLiteral("The sheet is too large to import."));
                        return false;
                    }
                    while (row.size() < column)
                        row.append(QString());
                    if (row.size() == column)
                        row.append(text);
                    else
                        row[column] = text;
                }
            } else if (name == QLatin1String("row") && inRow) {
                _columnCount = qMax(_columnCount, int(row.size()));
                _rows.append(row);
                inRow = false;
            }
        }
    }
    if (xml.hasError()) {
        _rows.clear();
        _columnCount = 0;
        _error = said(QStringLiteral("The sheet \u201c%@\u201d is damaged."), _sheets.at(index).name());
        return false;
    }
    return true;
}

} // namespace quillmark
