#include "foundation/SegmentedControl.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>

namespace quillmark {

SegmentedControl::SegmentedControl(QWidget *parent)
    : QWidget(parent)
    , m_layout(new QHBoxLayout(this))
    , m_group(new QButtonGroup(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idClicked, this, &SegmentedControl::segmentClicked);
}

SegmentedControl::SegmentedControl(const QStringList &labels, QWidget *parent)
    : SegmentedControl(parent)
{
    setSegmentCount(int(labels.size()));
    for (int i = 0; i < labels.size(); ++i)
        setLabel(i, labels.at(i));
}

int SegmentedControl::segmentCount() const
{
    return int(m_buttons.size());
}

void SegmentedControl::setSegmentCount(int count)
{
    count = qMax(0, count);
    while (m_buttons.size() > count) {
        QToolButton *button = m_buttons.takeLast();
        m_group->removeButton(button);
        delete button;
    }
    while (m_buttons.size() < count) {
        auto *button = new QToolButton(this);
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_group->addButton(button, int(m_buttons.size()));
        m_layout->addWidget(button);
        m_buttons.append(button);
    }
}

QString SegmentedControl::label(int i) const
{
    return (i >= 0 && i < m_buttons.size()) ? m_buttons.at(i)->text() : QString();
}

void SegmentedControl::setLabel(int i, const QString &text)
{
    if (i >= 0 && i < m_buttons.size())
        m_buttons.at(i)->setText(text);
}

int SegmentedControl::selectedSegment() const
{
    return m_group->checkedId();
}

void SegmentedControl::setSelectedSegment(int i)
{
    if (i >= 0 && i < m_buttons.size()) {
        m_buttons.at(i)->setChecked(true);
        return;
    }
    // An exclusive group refuses to uncheck its last checked button.
    m_group->setExclusive(false);
    for (QToolButton *button : std::as_const(m_buttons))
        button->setChecked(false);
    m_group->setExclusive(true);
}

QString SegmentedControl::identifier() const
{
    return m_identifier;
}

void SegmentedControl::setIdentifier(const QString &identifier)
{
    m_identifier = identifier;
}

QToolButton *SegmentedControl::segmentButton(int i) const
{
    return (i >= 0 && i < m_buttons.size()) ? m_buttons.at(i) : nullptr;
}

} // namespace quillmark
