#include "stock/LabelTypes.h"

#include <QFile>
#include <QtDebug>
#include <algorithm>
#include <charconv>
#include <optional>
#include <cmath>
#include <unordered_map>

#include "foundation/Measures.h"
#include "platform/Bundle.h"
#include "stock/Paper.h"

namespace quillmark {

namespace {

constexpr int FieldCount = 13;
// The product's paper and its centre hole may follow the thirteen fields.
constexpr int MaximumExtraFields = 2;
// Far beyond any label sheet; a larger count is damage, not a sheet.
constexpr qint64 MaximumCount = 1000;
// The catalogue files are a few hundred kilobytes; anything far larger is not one of them.
constexpr qint64 MaximumFileSize = 32 * 1024 * 1024;

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool parseReal(std::string_view field, double &value)
{
    field = trimmed(field);
    if (field.empty())
        return false;
    if (field.front() == '+')
        field.remove_prefix(1);
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
    return result.ec == std::errc() && result.ptr == field.data() + field.size()
        && std::isfinite(value);
}

bool parseCount(std::string_view field, qint64 &value)
{
    field = trimmed(field);
    if (!field.empty() && field.front() == '+')
        field.remove_prefix(1);
    long long parsed = 0;
    const auto result = std::from_chars(field.data(), field.data() + field.size(), parsed);
    if (field.empty() || result.ec != std::errc() || result.ptr != field.data() + field.size()
        || parsed < 0 || parsed > MaximumCount)
        return false;
    value = parsed;
    return true;
}

// A disc's centre hole, "hole 41 mm" or "hole 1.625 in": the makers give it in millimetres
// whatever unit the rest of the line uses, so the field names its own unit. Gives the diameter
// in inches.
std::optional<double> holeOfField(std::string_view field)
{
    constexpr std::string_view Prefix = "hole ";
    if (field.substr(0, Prefix.size()) != Prefix)
        return std::nullopt;
    field.remove_prefix(Prefix.size());
    double perInch = 0.0;
    if (field.size() > 3 && field.substr(field.size() - 3) == " mm")
        perInch = MillimetresPerInch;
    else if (field.size() > 3 && field.substr(field.size() - 3) == " in")
        perInch = 1.0;
    else
        return std::nullopt;
    field.remove_suffix(3);
    double diameter = 0.0;
    if (!parseReal(field, diameter) || diameter <= 0.0)
        return std::nullopt;
    return diameter / perInch;
}

std::string cut(std::string_view text)
{
    return std::string(text.substr(0, size_t(TLabelType::MaximumTextLength)));
}

std::string loweredAscii(const QString &text, bool &ascii)
{
    std::string bytes;
    bytes.reserve(size_t(text.size()));
    ascii = true;
    for (const QChar c : text.toLower()) {
        if (c.unicode() > 0x7f)
            ascii = false;
        bytes.push_back(char(c.unicode() & 0x7f));
    }
    return bytes;
}

} // namespace

LabelTypes::LabelTypes(bool readResources)
{
    if (!readResources)
        return;
    for (const QString &name : fileNames())
        readLabelTypes(name);
    sortLabelTypes();
    makeCategories();
    sortCategories();
}

QStringList LabelTypes::fileNames()
{
    return {QStringLiteral("AveryA4"), QStringLiteral("AveryUS"), QStringLiteral("Herma"),
            QStringLiteral("Sigel"), QStringLiteral("USmore"), QStringLiteral("AveryUSmore"),
            QStringLiteral("A4more")};
}

bool LabelTypes::isMillimetreFile(const QString &fileName)
{
    return fileName == QLatin1String("AveryUS") || fileName == QLatin1String("Herma")
        || fileName == QLatin1String("Sigel");
}

QString LabelTypes::paperOfFile(const QString &fileName)
{
    if (fileName == QLatin1String("AveryUS") || fileName == QLatin1String("USmore")
        || fileName == QLatin1String("AveryUSmore"))
        return PaperName::Letter;
    if (fileNames().contains(fileName))
        return PaperName::A4;
    return QString();
}

void LabelTypes::readLabelTypes(const QString &fileName)
{
    const QString path = Bundle::pathForResource(fileName, QStringLiteral("txt"));
    if (path.isEmpty())
        return;
    // own file: a catalogue file among the program's resources.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("Stock catalogue %s not read: %s", qPrintable(path), qPrintable(file.errorString()));
        return;
    }
    if (file.size() > MaximumFileSize) {
        qWarning("Stock catalogue %s not read: %lld bytes is too large for a catalogue file",
                 qPrintable(path), qint64(file.size()));
        return;
    }
    readFromBuffer(file.readAll(), isMillimetreFile(fileName), fileName, paperOfFile(fileName));
}

int LabelTypes::readFromBuffer(const QByteArray &buffer, bool millimetres, const QString &source,
                               const QString &paper)
{
    const std::string_view text(buffer.constData(), size_t(buffer.size()));
    // Files with carriage returns only have no line feed at all.
    const char separator = text.find('\n') == std::string_view::npos ? '\r' : '\n';
    int added = 0;
    int number = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        ++number;
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && parseString(QByteArray(line.data(), qsizetype(line.size())), number,
                                         millimetres, source, paper))
            ++added;
        start = end + 1;
    }
    return added;
}

bool LabelTypes::parseString(const QByteArray &line, int number, bool millimetres,
                             const QString &source, const QString &paper)
{
    auto reject = [&](const char *reason) {
        qWarning("Stock catalogue %s, line %d skipped: %s",
                 qPrintable(source.isEmpty() ? QStringLiteral("buffer") : source), number, reason);
        return false;
    };
    for (const char c : line)
        if (static_cast<unsigned char>(c) > 0x7f)
            return reject("not ASCII text");

    std::vector<std::string_view> fields;
    const std::string_view text(line.constData(), size_t(line.size()));
    size_t start = 0;
    // The thirteen fields of the format, then the product's own paper and its centre hole
    // when it has them.
    while (fields.size() < size_t(FieldCount + MaximumExtraFields)) {
        const size_t tab = text.find('\t', start);
        fields.push_back(text.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos)
            break;
        start = tab + 1;
    }
    if (fields.size() < size_t(FieldCount))
        return reject("fewer than 13 tab-separated fields");
    for (int i = 0; i < 4; ++i)
        if (fields[size_t(i)].empty())
            return reject("an empty text field");

    std::string_view description = fields[2];
    if (description.front() == '"') {
        description.remove_prefix(1);
        if (!description.empty())
            description.remove_suffix(1);
    }

    double reals[7];
    qint64 counts[2];
    const int realFields[7] = {4, 5, 6, 9, 10, 11, 12};
    for (int i = 0; i < 7; ++i)
        if (!parseReal(fields[size_t(realFields[i])], reals[i]))
            return reject("a length that is not a number");
    if (!parseCount(fields[7], counts[0]) || !parseCount(fields[8], counts[1]))
        return reject("a label count that is not a whole number from 0 to 1000");
    if (millimetres)
        for (double &value : reals)
            value /= MillimetresPerInch;

    // Anything after the thirteenth field is ignored by the format, so a field there that
    // names neither a paper nor a hole is ignored too; the shipped files are checked by their
    // own test.
    QString entryPaper = paper;
    double hole = 0.0;
    for (size_t i = size_t(FieldCount); i < fields.size(); ++i) {
        const std::string_view extra = trimmed(fields[i]);
        if (std::optional<double> diameter = holeOfField(extra)) {
            hole = *diameter;
            continue;
        }
        const QString known = canonicalPaperName(QString::fromLatin1(extra.data(), qsizetype(extra.size())));
        if (!known.isEmpty())
            entryPaper = known;
    }
    // A hole must leave a ring of label around it.
    if (hole >= std::min(reals[0], reals[1]))
        return reject("a centre hole as large as the label");

    auto entry = std::make_shared<TLabelType>(cut(fields[0]), cut(fields[1]), cut(description),
                                              cut(fields[3]));
    entry->paper = entryPaper;
    entry->labelHeight = reals[0];
    entry->labelWidth = reals[1];
    entry->labelRadius = reals[2];
    entry->numberAcross = counts[0];
    entry->numberDown = counts[1];
    entry->topMargin = reals[3];
    entry->leftMargin = reals[4];
    entry->horPitch = reals[5];
    entry->verPitch = reals[6];
    entry->hole = hole;
    m_allLabelTypes.push_back(std::move(entry));
    return true;
}

void LabelTypes::sortLabelTypes()
{
    std::stable_sort(m_allLabelTypes.begin(), m_allLabelTypes.end(),
                     [](const auto &a, const auto &b) { return a->nameBytes() < b->nameBytes(); });
}

void LabelTypes::makeCategories()
{
    categories.clear();
    std::unordered_map<std::string, size_t> byName;
    for (const auto &entry : m_allLabelTypes) {
        const std::string &key = labelMode == 0 ? entry->productCategory : entry->productType;
        auto it = byName.find(key);
        if (it == byName.end()) {
            it = byName.emplace(key, categories.size()).first;
            categories.push_back(std::make_shared<TCategory>(key));
        }
        categories[it->second]->labels.push_back(entry);
    }
}

void LabelTypes::sortCategories()
{
    std::stable_sort(categories.begin(), categories.end(),
                     [](const auto &a, const auto &b) { return a->name < b->name; });
}

qint32 LabelTypes::getCount(bool is_cat, const QString &f_name) const
{
    if (f_name.isEmpty())
        return qint32(is_cat ? categories.size() : m_allLabelTypes.size());
    return qint32(mfilter_idx.size());
}

int LabelTypes::positionOfRow(quint32 row, bool is_cat, const QString &f_name) const
{
    const size_t length = is_cat ? categories.size() : m_allLabelTypes.size();
    size_t position = row;
    if (!f_name.isEmpty()) {
        if (row >= mfilter_idx.size())
            return -1;
        position = size_t(mfilter_idx[row]);
    }
    return position < length ? int(position) : -1;
}

LabelTypes::Item LabelTypes::objectAtIndex(quint32 row, bool is_cat, const QString &f_name) const
{
    Item item;
    const int position = positionOfRow(row, is_cat, f_name);
    if (position < 0)
        return item;
    if (is_cat)
        item.category = categories[size_t(position)].get();
    else
        item.entry = m_allLabelTypes[size_t(position)].get();
    return item;
}

void LabelTypes::recalc(bool is_cat, const QString &f_name)
{
    mfilter_idx.clear();
    const size_t length = is_cat ? categories.size() : m_allLabelTypes.size();
    if (f_name.isEmpty() || length == 0)
        return;
    bool ascii = true;
    const std::string filter = loweredAscii(f_name, ascii);
    // Catalogue names are ASCII: a filter with other characters matches nothing.
    if (!ascii)
        return;
    auto matches = [&filter](const std::string &lowerName) {
        return lowerName.find(filter) != std::string::npos;
    };
    for (size_t i = 0; i < length; ++i) {
        if (!is_cat) {
            if (matches(m_allLabelTypes[i]->lowerName()))
                mfilter_idx.push_back(int(i));
            continue;
        }
        const TCategory &category = *categories[i];
        bool found = false;
        if (matches(loweredAscii(category.getName(), ascii)))
            found = true;
        for (size_t k = 0; !found && k < category.labels.size(); ++k)
            found = matches(category.labels[k]->lowerName());
        if (found)
            mfilter_idx.push_back(int(i));
    }
}

QString LabelTypes::categoryByProductName(const QString &code) const
{
    const std::string bytes = code.toStdString();
    for (const auto &entry : m_allLabelTypes)
        if (entry->productCode == bytes)
            return entry->getProductCategory();
    return QString();
}

} // namespace quillmark
