#pragma once
// A row of exclusive, checkable segments with text labels, like a segmented switch.
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QHBoxLayout;
class QToolButton;

namespace quillmark {

class SegmentedControl : public QWidget
{
    Q_OBJECT
public:
    explicit SegmentedControl(QWidget *parent = nullptr);
    explicit SegmentedControl(const QStringList &labels, QWidget *parent = nullptr);

    int segmentCount() const;
    // Adds or removes segments at the end; new segments have empty labels.
    void setSegmentCount(int count);

    // The label of segment i; empty for an index out of range.
    QString label(int i) const;
    void setLabel(int i, const QString &text);

    // The selected segment, -1 when none is selected.
    int selectedSegment() const;
    // Selects segment i without emitting segmentClicked; an index out of range selects none.
    void setSelectedSegment(int i);

    // The identifier the re-translation keeps its English labels in.
    QString identifier() const;
    void setIdentifier(const QString &identifier);

    QToolButton *segmentButton(int i) const;

signals:
    // The user clicked segment i (it is then the selected one).
    void segmentClicked(int i);

private:
    QHBoxLayout *m_layout;
    QButtonGroup *m_group;
    QList<QToolButton *> m_buttons;
    QString m_identifier;
};

} // namespace quillmark
