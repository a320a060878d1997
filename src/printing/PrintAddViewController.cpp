#include "printing/PrintAddViewController.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QWidget>

#include "foundation/Language.h"

namespace quillmark {

namespace {
const QString kNumbering = QStringLiteral("labelsNumbering");
const QString kDirection = QStringLiteral("labelsDirection");
const QString kTable = QStringLiteral("PrintPanelAccessory");
} // namespace

PrintAddViewController::PrintAddViewController(QObject *parent)
    : QObject(parent)
{
    m_printInfo.insert(kNumbering, false);
    m_printInfo.insert(kDirection, false);
}

PrintAddViewController::~PrintAddViewController()
{
    delete m_view;
}

QWidget *PrintAddViewController::view()
{
    if (m_view)
        return m_view;
    auto *view = new QWidget;
    view->setWindowTitle(localizedStringFromTable(QStringLiteral("Labels Range"), kTable));
    auto *layout = new QVBoxLayout(view);
    m_all = new QRadioButton(Language::stringForKey(QStringLiteral("All Labels")), view);
    m_range = new QRadioButton(Language::stringForKey(QStringLiteral("Labels From-To")), view);
    auto *rangeGroup = new QButtonGroup(view);
    rangeGroup->addButton(m_all, 0);
    rangeGroup->addButton(m_range, 5);
    tvFrom = new QSpinBox(view);
    tvTo = new QSpinBox(view);
    for (QSpinBox *box : {tvFrom, tvTo})
        box->setRange(1, 999999);
    tvFrom->setValue(m_from);
    tvTo->setValue(m_to);
    auto *form = new QFormLayout;
    form->addRow(Language::stringForKey(QStringLiteral("From:")), tvFrom);
    form->addRow(Language::stringForKey(QStringLiteral("To:")), tvTo);
    layout->addWidget(m_all);
    layout->addWidget(m_range);
    layout->addLayout(form);

    m_directionOff = new QRadioButton(Language::stringForKey(QStringLiteral("Across, then down")), view);
    m_directionOn = new QRadioButton(Language::stringForKey(QStringLiteral("Down, then across")), view);
    auto *directionGroup = new QButtonGroup(view);
    directionGroup->addButton(m_directionOff, 0);
    directionGroup->addButton(m_directionOn, 1);
    layout->addWidget(m_directionOff);
    layout->addWidget(m_directionOn);
    layout->addStretch();

    (labelsNumbering() ? m_range : m_all)->setChecked(true);
    (labelsDirection() ? m_directionOn : m_directionOff)->setChecked(true);
    tvFrom->setEnabled(labelsNumbering());
    tvTo->setEnabled(labelsNumbering());

    connect(m_all, &QRadioButton::toggled, this, [this](bool on) { changeLabels(on ? 0 : 1); });
    connect(m_directionOn, &QRadioButton::toggled, this, [this](bool on) { changeDirection(on ? 1 : 0); });
    connect(tvFrom, &QSpinBox::valueChanged, this, [this](int value) {
        m_from = value;
        fieldEdited();
    });
    connect(tvTo, &QSpinBox::valueChanged, this, [this](int value) {
        m_to = value;
        fieldEdited();
    });
    m_view = view;
    return view;
}

void PrintAddViewController::setLabelsNumbering(bool flag)
{
    m_printInfo.insert(kNumbering, flag);
}

bool PrintAddViewController::labelsNumbering() const
{
    return m_printInfo.value(kNumbering).toBool();
}

void PrintAddViewController::setLabelsDirection(bool flag)
{
    m_printInfo.insert(kDirection, flag);
}

bool PrintAddViewController::labelsDirection() const
{
    return m_printInfo.value(kDirection).toBool();
}

void PrintAddViewController::changeLabels(int row)
{
    setLabelsNumbering(row != 0);
    if (m_view) {
        const QSignalBlocker blockAll(m_all);
        (row != 0 ? m_range : m_all)->setChecked(true);
        tvFrom->setEnabled(row > 0);
        tvTo->setEnabled(row > 0);
    }
}

void PrintAddViewController::changeDirection(int row)
{
    setLabelsDirection(row != 0);
}

void PrintAddViewController::fieldEdited()
{
    changeLabels(1);
}

int PrintAddViewController::fromValue() const
{
    return m_from;
}

int PrintAddViewController::toValue() const
{
    return m_to;
}

void PrintAddViewController::setFromValue(int value)
{
    m_from = value;
    if (tvFrom) {
        const QSignalBlocker blocker(tvFrom);
        tvFrom->setValue(value);
    }
}

void PrintAddViewController::setToValue(int value)
{
    m_to = value;
    if (tvTo) {
        const QSignalBlocker blocker(tvTo);
        tvTo->setValue(value);
    }
}

QList<QPair<QString, QString>> PrintAddViewController::localizedSummaryItems() const
{
    const auto onOff = [](bool flag) {
        return localizedStringFromTable(flag ? QStringLiteral("On") : QStringLiteral("Off"), kTable);
    };
    return {
        {localizedStringFromTable(QStringLiteral("Labels Range"), kTable), onOff(labelsNumbering())},
        {localizedStringFromTable(QStringLiteral("Labels printing direction"), kTable), onOff(labelsDirection())},
    };
}

} // namespace quillmark
