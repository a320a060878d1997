#pragma once
// The address dialog: which parts of the record an address block shows, where its lines
// break, the two line rules and the bars, with a preview. It edits a copy; the block changes
// only when the dialog ends with OK.
//
// Check box tags: 100 + i for switch i (0 to 22), 200 for the bars. The boxes of the parts
// (102 to 112) carry the parts' titles; a part's new-line box (113 to 122) is enabled only
// while the part is shown.
#include <QDialog>
#include <QMap>

#include "database/merge/TQuickAddress.h"

class QCheckBox;

namespace quillmark {

class ColorAddress;
class ColorRect;
class QuickAddressView;

class QuickAddressPanel : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ItemTag = 100;
    static constexpr int BarTag = 200;

    explicit QuickAddressPanel(QWidget *parent = nullptr);

    // Loads a copy of the record into the boxes and the preview.
    void setQAddress(const TQuickAddress &qa);
    TQuickAddress qAddress() const;
    // A box changed: the record and the preview follow it.
    void buttonPressed(int tag);

    QCheckBox *checkBox(int tag) const { return m_boxes.value(tag); }
    QuickAddressView *preview() const { return m_preview; }

    // ---- the canvas's two uses, window-modal over `parent` ----
    // A new block: the dialog runs on a new record; OK keeps it for the blocks placed next.
    // Answers whether the user confirmed.
    static bool runForNewBlock(QWidget *parent);
    // An existing block: the dialog runs on the block's record; on OK the block takes it and
    // fits its frame (undoable). Answers whether the user confirmed.
    static bool runForBlock(QWidget *parent, ColorAddress &block);
    // A block just placed takes the record chosen last (the default one until then).
    static void prepareNewBlock(ColorAddress &block);
    static TQuickAddress chosenAddress();
    static void setChosenAddress(const TQuickAddress &qa);

private:
    QCheckBox *addBox(int tag, const QString &caption);
    void updateNewLineBoxes();

    TQuickAddress m_qa;
    QMap<int, QCheckBox *> m_boxes;
    QuickAddressView *m_preview = nullptr;
};

} // namespace quillmark
