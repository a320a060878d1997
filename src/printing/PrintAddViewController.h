#pragma once
// The label-range accessory of the system print panel: all labels or a From-To range, and
// the printing direction. Its two choices live in a small dictionary like the print info's.
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QVariantMap>

class QRadioButton;
class QSpinBox;
class QWidget;

namespace quillmark {

class PrintAddViewController : public QObject
{
    Q_OBJECT

public:
    explicit PrintAddViewController(QObject *parent = nullptr);
    ~PrintAddViewController() override;

    // The accessory view (made on first use); the print dialog shows it as an options tab.
    QWidget *view();

    void setLabelsNumbering(bool flag);
    bool labelsNumbering() const;
    void setLabelsDirection(bool flag);
    bool labelsDirection() const;
    const QVariantMap &printInfo() const { return m_printInfo; }

    // The range selector's row: 0 all labels, 1 From-To.
    void changeLabels(int row);
    void changeDirection(int row);
    // Typing into From or To chooses the range row first.
    void fieldEdited();

    int fromValue() const;
    int toValue() const;
    void setFromValue(int value);
    void setToValue(int value);

    // (name, description) pairs for the print panel's summary.
    QList<QPair<QString, QString>> localizedSummaryItems() const;

private:
    QVariantMap m_printInfo;
    QPointer<QWidget> m_view;
    QRadioButton *m_all = nullptr;
    QRadioButton *m_range = nullptr;
    QRadioButton *m_directionOff = nullptr;
    QRadioButton *m_directionOn = nullptr;
    QSpinBox *tvFrom = nullptr;
    QSpinBox *tvTo = nullptr;
    int m_from = 1;
    int m_to = 1;
};

} // namespace quillmark
