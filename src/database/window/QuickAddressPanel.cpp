#include "database/window/QuickAddressPanel.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "database/merge/ColorAddress.h"
#include "database/merge/ColorField.h"
#include "database/store/MergeContents.h"
#include "database/window/QuickAddressView.h"
#include "foundation/Language.h"

namespace quillmark {

namespace {

TQuickAddress &chosen()
{
    static TQuickAddress address;
    return address;
}

} // namespace

QuickAddressPanel::QuickAddressPanel(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("QuickAddressPanel"));
    setWindowTitle(translated(QStringLiteral("Address Block")));
    setWindowModality(Qt::WindowModal);

    auto *parts = new QGridLayout;
    const QList<tableField> fields = MergeContents::fieldTitlesAndTagsOriginal();
    for (int i = TQuickAddress::FirstPart; i <= TQuickAddress::LastPart; ++i) {
        const int row = i - TQuickAddress::FirstPart;
        // A database with fewer merge fields offers only the parts it has.
        const bool exists = i < fields.size();
        QCheckBox *show = addBox(ItemTag + i, exists ? ColorField::titleText(fields[i].pk) : QString());
        show->setVisible(exists);
        parts->addWidget(show, row, 0);
        if (i > TQuickAddress::FirstPart) {
            QCheckBox *newLine = addBox(ItemTag + i + TQuickAddress::NewLineOffset, translated(QStringLiteral("New Line")));
            newLine->setVisible(exists);
            parts->addWidget(newLine, row, 1);
        }
    }
    auto *options = new QVBoxLayout;
    options->addWidget(addBox(ItemTag + 0, translated(QStringLiteral("Hidden Fields Take No Space"))));
    options->addWidget(addBox(ItemTag + 1, translated(QStringLiteral("Skip Empty Fields"))));
    options->addWidget(addBox(BarTag, translated(QStringLiteral("POSTNET Barcode"))));
    m_preview = new QuickAddressView;
    options->addWidget(m_preview, 1);

    auto *columns = new QHBoxLayout;
    columns->addLayout(parts);
    columns->addSpacing(16);
    columns->addLayout(options, 1);

    auto *buttons = new QDialogButtonBox;
    QPushButton *ok = buttons->addButton(translated(QStringLiteral("OK")), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(translated(QStringLiteral("Cancel")), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(buttons);
    setQAddress(m_qa);
}

QCheckBox *QuickAddressPanel::addBox(int tag, const QString &caption)
{
    auto *box = new QCheckBox(caption);
    box->setObjectName(QStringLiteral("quickAddressItem%1").arg(tag));
    box->setProperty("tag", tag);
    m_boxes.insert(tag, box);
    connect(box, &QCheckBox::clicked, this, [this, tag] { buttonPressed(tag); });
    return box;
}

void QuickAddressPanel::setQAddress(const TQuickAddress &qa)
{
    m_qa = qa;
    m_preview->setQa(qa);
    m_boxes.value(BarTag)->setChecked(qa.barFlag());
    for (int i = 0; i < TQuickAddress::ItemCount; ++i) {
        if (QCheckBox *box = m_boxes.value(ItemTag + i))
            box->setChecked(qa.quickAddressItem(i));
    }
    updateNewLineBoxes();
}

TQuickAddress QuickAddressPanel::qAddress() const
{
    return m_qa;
}

void QuickAddressPanel::updateNewLineBoxes()
{
    for (int i = TQuickAddress::FirstPart + 1; i <= TQuickAddress::LastPart; ++i) {
        if (QCheckBox *newLine = m_boxes.value(ItemTag + i + TQuickAddress::NewLineOffset))
            newLine->setEnabled(m_qa.quickAddressItem(i));
    }
}

void QuickAddressPanel::buttonPressed(int tag)
{
    QCheckBox *box = m_boxes.value(tag);
    if (!box)
        return;
    const bool on = box->isChecked();
    if (tag == BarTag)
        m_qa.setBarFlag(on);
    else
        m_qa.setQuickAddressItem(tag - ItemTag, on);
    updateNewLineBoxes();
    m_preview->setQa(m_qa);
    m_preview->checkBoxPress();
}

bool QuickAddressPanel::runForNewBlock(QWidget *parent)
{
    QuickAddressPanel panel(parent);
    panel.setQAddress(TQuickAddress());
    if (panel.exec() == QDialog::Rejected)
        return false;
    chosen() = panel.qAddress();
    return true;
}

bool QuickAddressPanel::runForBlock(QWidget *parent, ColorAddress &block)
{
    QuickAddressPanel panel(parent);
    panel.setQAddress(block.qa());
    if (panel.exec() == QDialog::Rejected)
        return false;
    block.setQa(panel.qAddress());
    block.updateframeSize();
    return true;
}

void QuickAddressPanel::prepareNewBlock(ColorAddress &block)
{
    block.setQa(chosen());
    block.updateframeSize();
    block.fitInsideLabel();
}

TQuickAddress QuickAddressPanel::chosenAddress()
{
    return chosen();
}

void QuickAddressPanel::setChosenAddress(const TQuickAddress &qa)
{
    chosen() = qa;
}

} // namespace quillmark
