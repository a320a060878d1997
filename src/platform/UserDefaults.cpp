#include "platform/UserDefaults.h"

#include <algorithm>

#include "platform/Format.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSettings>
#include <QStringList>
#include <QtDebug>

#include <atomic>
#include <cmath>
#include <limits>

namespace quillmark {

namespace {

// The preferences file is a property list, so every value type comes back as it was set
// (an INI file would give numbers and booleans back as strings).
bool readPlist(QIODevice &device, QSettings::SettingsMap &map)
{
    // Read as far as the file goes, never past what a property list may be: asked for its
    // largest size at once, the device sets aside that much (half a gigabyte) for a file of a
    // few kilobytes at every start.
    QByteArray data;
    while (data.size() <= PropertyList::MaximumSize) {
        const QByteArray chunk = device.read(std::min<qint64>(qint64(1) << 20, PropertyList::MaximumSize + 1 - data.size()));
        if (chunk.isEmpty())
            break;
        data += chunk;
    }
    if (data.trimmed().isEmpty())
        return true;
    QString error;
    const QVariant root = PropertyList::fromData(data, &error, QMetaType::QVariantMap);
    if (!root.isValid()) {
        qWarning("UserDefaults: the preferences file is unreadable and is ignored: %s", qPrintable(error));
        return false;
    }
    const QVariantMap values = root.toMap();
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        map.insert(it.key(), it.value());
    return true;
}

bool writePlist(QIODevice &device, const QSettings::SettingsMap &map)
{
    QVariantMap values;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it)
        values.insert(it.key(), it.value());
    QString error;
    const QByteArray data = PropertyList::toData(values, PlistFormat::Xml, &error);
    if (data.isEmpty()) {
        qWarning("UserDefaults: the preferences could not be written: %s", qPrintable(error));
        return false;
    }
    return device.write(data) == data.size();
}

QSettings::Format plistFormat()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("plist"), readPlist, writePlist);
    return format;
}

std::unique_ptr<UserDefaults> &standardInstance()
{
    static std::unique_ptr<UserDefaults> instance;
    return instance;
}

QString defaultPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Brenholt/Quillmark.plist");
}

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool isFloat(const QVariant &value)
{
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

qint64 clampToInteger(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9.2233720368547758e18)
        return std::numeric_limits<qint64>::max();
    if (value <= -9.2233720368547758e18)
        return std::numeric_limits<qint64>::min();
    return qint64(value);
}

std::atomic<quint64> &changes()
{
    static std::atomic<quint64> count{1};
    return count;
}

} // namespace

quint64 UserDefaults::changeCount()
{
    return changes().load(std::memory_order_acquire);
}

UserDefaults &UserDefaults::standard()
{
    auto &instance = standardInstance();
    if (!instance)
        instance = std::make_unique<UserDefaults>(defaultPath());
    return *instance;
}

void UserDefaults::resetStandardForTesting(const QString &path)
{
    standardInstance() = std::make_unique<UserDefaults>(path);
    ++changes();
}

UserDefaults::UserDefaults(const QString &path)
    : m_path(path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Settings would overwrite an unreadable file with the next value set; keep it aside so
    // nothing the user had is silently destroyed.
    const QFileInfo existing(path);
    if (existing.isFile() && existing.size() > 0) {
        QString error;
        if (!PropertyList::readFile(path, &error, QMetaType::QVariantMap).isValid()) {
            const QString aside = path + QStringLiteral(".damaged");
            QFile::remove(aside);
            if (QFile::rename(path, aside))
                qWarning("UserDefaults: %s It was set aside as %s", qPrintable(error), qPrintable(aside));
        }
    }
    // own file: the settings this program writes in the user's configuration folder.
    m_settings = std::make_unique<QSettings>(path, plistFormat());
}

UserDefaults::~UserDefaults()
{
    m_settings->sync();
}

void UserDefaults::registerDefaults(const QVariantMap &defaults)
{
    for (auto it = defaults.constBegin(); it != defaults.constEnd(); ++it)
        m_registered.insert(it.key(), it.value());
    ++changes();
}

QVariant UserDefaults::objectForKey(const QString &key) const
{
    const QVariant stored = m_settings->value(key);
    if (stored.isValid())
        return stored;
    return m_registered.value(key);
}

QString UserDefaults::stringForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (isFloat(value))
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    if (isNumber(value))
        return value.toString();
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    return {};
}

qint64 UserDefaults::integerForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString)
        return leadingInt64(value.toString());
    if (isFloat(value))
        return clampToInteger(value.toDouble());
    if (isNumber(value) || value.typeId() == QMetaType::Bool)
        return value.toLongLong();
    return 0;
}

double UserDefaults::floatForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString)
        return leadingDouble(value.toString());
    if (isNumber(value) || value.typeId() == QMetaType::Bool)
        return value.toDouble();
    return 0.0;
}

bool UserDefaults::boolForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (isNumber(value))
        return value.toDouble() != 0.0;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.startsWith(QLatin1Char('Y'), Qt::CaseInsensitive) || text.startsWith(QLatin1Char('T'), Qt::CaseInsensitive))
            return true;
        return leadingDouble(text) != 0.0;
    }
    return false;
}

QVariantList UserDefaults::arrayForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList)
        return value.toList();
    return {};
}

QVariantMap UserDefaults::dictionaryForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QVariantMap)
        return value.toMap();
    return {};
}

QByteArray UserDefaults::dataForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray();
    return {};
}

void UserDefaults::setObject(const QVariant &value, const QString &key)
{
    if (!value.isValid()) {
        removeObject(key);
        return;
    }
    // One value of a kind a property list cannot hold would keep the whole file from being written.
    QString error;
    if (PropertyList::toData(value, PlistFormat::Binary, &error).isEmpty()) {
        qWarning("UserDefaults: %s is not stored: %s", qPrintable(key), qPrintable(error));
        return;
    }
    m_settings->setValue(key, value);
    ++changes();
}

void UserDefaults::setBool(bool value, const QString &key)
{
    setObject(value, key);
}

void UserDefaults::setInteger(qint64 value, const QString &key)
{
    setObject(value, key);
}

void UserDefaults::setFloat(double value, const QString &key)
{
    setObject(value, key);
}

void UserDefaults::setString(const QString &value, const QString &key)
{
    setObject(value, key);
}

void UserDefaults::removeObject(const QString &key)
{
    m_settings->remove(key);
    ++changes();
}

bool UserDefaults::synchronize()
{
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

} // namespace quillmark
