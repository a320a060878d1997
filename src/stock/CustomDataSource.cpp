#include "stock/CustomDataSource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QtDebug>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "foundation/Language.h"
#include "platform/Bundle.h"
#include "platform/GuardedReader.h"
#include "platform/PropertyList.h"
#include "platform/SystemFonts.h"
#include "stock/CustomFormat.h"
#include "stock/CustomLabel.h"
#include "stock/StockCanvas.h"
#include "stock/StockConversions.h"

namespace quillmark {

namespace {

// A custom formats file is a few kilobytes; refuse to load something absurdly large.
constexpr qint64 MaximumFileSize = 64 * 1024 * 1024;

QByteArray readSmallFile(const QString &path, bool *exists)
{
    *exists = QFileInfo::exists(path);
    if (!*exists)
        return {};
    GuardedReader::Refusal refusal = GuardedReader::Refusal::None;
    std::optional<QByteArray> bytes = GuardedReader::read(path, MaximumFileSize, &refusal);
    if (!bytes) {
        qWarning("%s not read: %s", qPrintable(path),
                 refusal == GuardedReader::Refusal::TooLarge ? "it is too large" : "it is no readable file");
        return {};
    }
    return std::move(*bytes);
}

} // namespace

CustomDataSource::CustomDataSource(StockCanvas *mainView, QObject *parent)
    : CustomDataSource(defaultFilePath(), fallbackFilePath(), mainView, parent)
{
}

CustomDataSource::CustomDataSource(const QString &filePath, const QString &fallbackPath,
                                   StockCanvas *mainView, QObject *parent)
    : QAbstractTableModel(parent), m_mainView(mainView), m_filePath(filePath),
      m_fallbackPath(fallbackPath)
{
    load();
    getFilteredCount();
}

CustomDataSource::~CustomDataSource() = default;

QString CustomDataSource::defaultFilePath()
{
    return Bundle::applicationSupportPath() + QStringLiteral("/Brenholt/Quillmark/custom.plist");
}

QString CustomDataSource::fallbackFilePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/custom.plist");
}

void CustomDataSource::load()
{
    bool exists = false;
    QByteArray data = readSmallFile(m_filePath, &exists);
    if (exists) {
        // A file that is there but cannot be read must not be replaced by a shorter one.
        if (data.isEmpty() && QFileInfo(m_filePath).size() > 0)
            m_partial = true;
        loadData(data, m_filePath);
        return;
    }
    if (!m_fallbackPath.isEmpty())
        loadData(readSmallFile(m_fallbackPath, &exists), m_fallbackPath);
}

void CustomDataSource::loadData(const QByteArray &data, const QString &path)
{
    if (data.isEmpty())
        return;
    QString error;
    const QVariant root = PropertyList::fromData(data, &error, QMetaType::QVariantMap);
    if (root.isNull()) {
        qWarning("Custom formats %s not read: %s", qPrintable(path), qPrintable(error));
        m_partial = path == m_filePath;
        return;
    }
    const QVariantMap entries = root.toMap();

    // The file's own order: "Custom0", "Custom1", ... by number, anything else after them.
    static const QRegularExpression numbered(QStringLiteral("^Custom(\\d{1,9})$"));
    QStringList keys = entries.keys();
    auto rank = [](const QString &key) -> qint64 {
        const QRegularExpressionMatch match = numbered.match(key);
        return match.hasMatch() ? match.captured(1).toLongLong() : std::numeric_limits<qint64>::max();
    };
    std::stable_sort(keys.begin(), keys.end(),
                     [&rank](const QString &a, const QString &b) { return rank(a) < rank(b); });

    for (const QString &key : keys) {
        const QVariant value = entries.value(key);
        QString problem;
        if (value.typeId() != QMetaType::QVariantMap) {
            problem = QStringLiteral("not a dictionary");
        } else {
            const QVariantMap dict = value.toMap();
            if (dict.contains(QStringLiteral("manufacturer"))) {
                if (const auto format = CustomFormat::formatFromDictionary(dict, &problem))
                    mdata.push_back(std::make_unique<CustomFormat>(*format));
            } else if (const auto label = CustomLabel::labelFromDictionary(dict, &problem)) {
                mdata.push_back(std::make_unique<CustomLabel>(*label));
            }
        }
        if (!problem.isEmpty()) {
            qWarning("Custom formats %s: entry %s skipped: %s", qPrintable(path), qPrintable(key),
                     qPrintable(problem));
            if (path == m_filePath)
                m_partial = true;
        }
    }
}

QVariantMap CustomDataSource::propertyDictionary() const
{
    QVariantMap root;
    for (size_t i = 0; i < mdata.size(); ++i)
        root.insert(QStringLiteral("Custom%1").arg(i), mdata[i]->propertyDictionary());
    return root;
}

QString CustomDataSource::description() const
{
    QVariantList list;
    for (const auto &entry : mdata)
        list.append(entry->propertyDictionary());
    return propertyListDescription(list);
}

bool CustomDataSource::save_data()
{
    const QFileInfo info(m_filePath);
    if (!QDir().mkpath(info.absolutePath())) {
        qWarning("Custom formats not saved: the folder %s cannot be made",
                 qPrintable(info.absolutePath()));
        return false;
    }
    if (m_partial && !m_backedUp && info.exists()) {
        const QString backup = m_filePath + QStringLiteral(".bak");
        QFile::remove(backup);
        if (GuardedReader::copy(m_filePath, backup, std::numeric_limits<qint64>::max()) != GuardedReader::Refusal::None) {
            qWarning("Custom formats not saved: the damaged file could not be kept as %s",
                     qPrintable(backup));
            return false;
        }
        m_backedUp = true;
    }
    QString error;
    if (!PropertyList::writeFile(m_filePath, propertyDictionary(), PlistFormat::Binary, &error)) {
        qWarning("Custom formats not saved to %s: %s", qPrintable(m_filePath), qPrintable(error));
        return false;
    }
    return true;
}

void CustomDataSource::changed()
{
    beginResetModel();
    getFilteredCount();
    endResetModel();
}

void CustomDataSource::addNewFormat(const TLabel &label)
{
    mdata.push_back(std::make_unique<CustomLabel>(label));
    changed();
}

void CustomDataSource::addNewTFormat(const TFormat &format)
{
    mdata.push_back(std::make_unique<CustomFormat>(format));
    changed();
}

void CustomDataSource::changeFormat(const TLabel &label, int row)
{
    const int index = listIndexOfRow(row);
    if (index < 0)
        return;
    mdata[size_t(index)] = std::make_unique<CustomLabel>(label);
    changed();
}

void CustomDataSource::changeTFormat(const TFormat &format, int row)
{
    const int index = listIndexOfRow(row);
    if (index < 0)
        return;
    mdata[size_t(index)] = std::make_unique<CustomFormat>(format);
    changed();
}

void CustomDataSource::deleteFormat(int row)
{
    const int index = listIndexOfRow(row);
    if (index < 0)
        return;
    mdata.erase(mdata.begin() + index);
    changed();
}

int CustomDataSource::listIndexOfRow(int row) const
{
    if (row < 0)
        return -1;
    if (m_filterActive)
        return size_t(row) < mfilter_idx.size() ? mfilter_idx[size_t(row)] : -1;
    return row < count() ? row : -1;
}

const CustomEntry *CustomDataSource::getData(int row) const
{
    return getItem(listIndexOfRow(row));
}

const CustomEntry *CustomDataSource::getItem(int index) const
{
    return index >= 0 && index < count() ? mdata[size_t(index)].get() : nullptr;
}

QString CustomDataSource::getItemName(int index) const
{
    const CustomEntry *entry = getItem(index);
    return entry ? entry->getName() : QString();
}

int CustomDataSource::indexByName(const QString &name) const
{
    for (int i = 0; i < count(); ++i)
        if (mdata[size_t(i)]->getName() == name)
            return i;
    return -1;
}

bool CustomDataSource::nameExists(const QString &name) const
{
    return indexByName(name) >= 0;
}

QString CustomDataSource::validateName(const QString &name) const
{
    QString candidate = name;
    for (qint64 n = 1; nameExists(candidate); ++n)
        candidate = name + QString::number(n);
    return candidate;
}

int CustomDataSource::formatExists(const TFormat &format) const
{
    for (int i = 0; i < count(); ++i)
        if (const auto *entry = dynamic_cast<const CustomFormat *>(mdata[size_t(i)].get()))
            if (entry->format().isEqualToFormat(format))
                return i;
    return -1;
}

int CustomDataSource::labelExists(const TLabel &label) const
{
    for (int i = 0; i < count(); ++i) {
        const auto *entry = dynamic_cast<const CustomLabel *>(mdata[size_t(i)].get());
        if (!entry || !entry->hasLabel())
            continue;
        const TLabel stock = entry->getLabel();
        if (gridStocksMatch(stock, label))
            return i;
    }
    return -1;
}

std::optional<TLabel> CustomDataSource::matchingLabel(const TLabel &label) const
{
    const int position = labelExists(label);
    if (position < 0)
        return std::nullopt;
    return dynamic_cast<const CustomLabel *>(mdata[size_t(position)].get())->getLabel();
}

void CustomDataSource::reloadData()
{
    changed();
}

int CustomDataSource::getFilteredCount()
{
    mfilter_idx.clear();
    const QString filter = m_mainView ? m_mainView->getFormatFilter() : QString();
    m_filterActive = !filter.isEmpty();
    if (!m_filterActive) {
        m_rowCount = count();
        return m_rowCount;
    }
    for (int i = 0; i < count(); ++i) {
        const QString name = mdata[size_t(i)]->getName();
        if (name.size() >= filter.size() && name.contains(filter, Qt::CaseSensitive))
            mfilter_idx.push_back(i);
    }
    m_rowCount = int(mfilter_idx.size());
    return m_rowCount;
}

QString CustomDataSource::getFilteredName(int row) const
{
    const CustomEntry *entry = getData(row);
    return entry ? entry->getName() : QString(QLatin1String(""));
}

int CustomDataSource::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int CustomDataSource::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant CustomDataSource::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || index.row() >= m_rowCount)
        return QVariant();
    if (role == Qt::DisplayRole)
        return getFilteredName(index.row());
    if (role == Qt::FontRole && qGuiApp) {
        return smallSystemFont();
    }
    return QVariant();
}

QVariant CustomDataSource::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section != 0 || orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    const QString translation = Language::stringForKey(QStringLiteral("Label Formats"));
    return translation.isNull() ? QStringLiteral("Label Formats") : translation;
}

Qt::ItemFlags CustomDataSource::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace quillmark
