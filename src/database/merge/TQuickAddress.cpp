#include "database/merge/TQuickAddress.h"

#include <QVariantMap>

#include <utility>

#include "platform/Archiver.h"

namespace quillmark {

const QString TQuickAddress::className = QStringLiteral("TQuickAddress");

namespace {

QString itemKey(int index)
{
    return QStringLiteral("_quickAddressItem%1").arg(index);
}

bool readSwitch(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return value.toBool();
    case QMetaType::QString:
        return value.toString().compare(QStringLiteral("YES"), Qt::CaseInsensitive) == 0
            || value.toString().toLongLong() != 0;
    default:
        return false;
    }
}

} // namespace

TQuickAddress::TQuickAddress()
{
    for (int i = 0; i < ItemCount; ++i)
        _quickAddressItem[size_t(i)] = i != 4 && (i <= 12 || i == 16 || i == 18 || i == 19 || i == 22);
    _barFlag = true;
}

TQuickAddress TQuickAddress::allOff()
{
    TQuickAddress none;
    none._quickAddressItem.fill(false);
    none._barFlag = false;
    return none;
}

bool TQuickAddress::quickAddressItem(int index) const
{
    return index >= 0 && index < ItemCount && _quickAddressItem[size_t(index)];
}

void TQuickAddress::setQuickAddressItem(int index, bool value)
{
    if (index >= 0 && index < ItemCount)
        _quickAddressItem[size_t(index)] = value;
}

QByteArray TQuickAddress::archive() const
{
    // Every block of a design writes its record, and most blocks share one: the archive of
    // the one written last is given again.
    thread_local std::optional<std::pair<TQuickAddress, QByteArray>> last;
    if (last && last->first == *this)
        return last->second;
    QVariantMap payload;
    for (int i = 0; i < ItemCount; ++i)
        payload.insert(itemKey(i), _quickAddressItem[size_t(i)]);
    payload.insert(QStringLiteral("barFlag"), _barFlag);
    last.emplace(*this, Archiver::archive(className, payload));
    return last->second;
}

std::optional<TQuickAddress> TQuickAddress::unarchive(const QByteArray &data)
{
    // Read at every block of a design opened or pasted: the archive read last is known again.
    thread_local std::optional<std::pair<QByteArray, std::optional<TQuickAddress>>> last;
    if (last && last->first == data)
        return last->second;
    std::optional<TQuickAddress> address;
    if (const std::optional<QVariantMap> payload = Archiver::unarchive(data, className)) {
        address = allOff();
        for (int i = 0; i < ItemCount; ++i)
            address->_quickAddressItem[size_t(i)] = readSwitch(payload->value(itemKey(i)));
        address->_barFlag = readSwitch(payload->value(QStringLiteral("barFlag")));
    }
    last.emplace(data, address);
    return address;
}

} // namespace quillmark
