#pragma once
// Which parts of the current record an address block shows and where its lines break: 23
// switches and the POSTNET bar switch.
//   item 0      hidden parts take no room (off: a part not shown still moves the line on by
//               its width);
//   item 1      compact lines: empty parts neither break lines nor count, hidden parts never
//               break lines;
//   items 2-12  show address part i (the merge-capable fields at indexes 2 to 12);
//   items 13-22 start a new line before address part i - 10 (parts 3 to 12).
#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace quillmark {

class TQuickAddress
{
public:
    static constexpr int ItemCount = 23;
    static constexpr int FirstPart = 2;
    static constexpr int LastPart = 12;
    static constexpr int NewLineOffset = 10;
    static const QString className; // "TQuickAddress"

    // The default block: Salutation First Name Last Name / Company Title / Address /
    // City State Zip / Country under bars.
    TQuickAddress();
    // Every switch off, as a stored record with no keys reads.
    static TQuickAddress allOff();

    // Off for an index outside 0 to 22.
    bool quickAddressItem(int index) const;
    // Nothing for an index outside 0 to 22.
    void setQuickAddressItem(int index, bool value);
    bool barFlag() const { return _barFlag; }
    void setBarFlag(bool flag) { _barFlag = flag; }

    // The keyed archive: "_quickAddressItem0" to "_quickAddressItem22" and "barFlag".
    QByteArray archive() const;
    // Every key is read, a missing or unreadable one as off; none when the data is no
    // archived record.
    static std::optional<TQuickAddress> unarchive(const QByteArray &data);

    bool operator==(const TQuickAddress &) const = default;

private:
    std::array<bool, ItemCount> _quickAddressItem{};
    bool _barFlag = false;
};

} // namespace quillmark
