#pragma once
// The preferences panel: registers the missing defaults of the shared preference keys when it
// is made, shows them, and stores them when the user confirms. The canvas asks it for the
// duplicate and replicate offsets and the number of copies. Window-modal; its buttons end
// it with their tag (1 OK, 0 Cancel).
#include <QDialog>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class QDateTime;

namespace quillmark {

class Preference : public QDialog
{
    Q_OBJECT
public:
    // The largest values the commands and panels that use them take: Replicate's copies, the
    // Duplicate and Replicate offsets in points, and the print options' bleed in points.
    static constexpr int MaximumCopies = 1000;
    static constexpr int MaximumOffset = 1000;
    static constexpr double MaximumBleeds = 36.0;

    // A moment in the date and time styles (0 none ... 4 full) as date fields show it.
    static QString dateSample(const QDateTime &moment, int dateStyle, int timeStyle);

    explicit Preference(QWidget *parent = nullptr);

    // Registers the missing defaults and fills the controls; runs once, when the panel is made.
    void awakeFromNib();
    // The action of the panel's buttons: tag 1 stores, every button ends the panel with its tag.
    void buttonPressed(int tag);
    void dateFormatChanged();

    // Read from the controls, not from the stored defaults.
    int replicateCount() const;
    int offsetX() const;
    int offsetY() const;
    int exportRes() const;
    int bleeds() const;

    // Called after a confirmed change of the Full Name parts (the canvas redraws) and of the
    // date style (the canvas refreshes its date fields).
    std::function<void()> canvasNeedsDisplay;
    std::function<void()> updateDateFields;

    QLineEdit *tfReplicate = nullptr;
    QLineEdit *tfOffsetX = nullptr;
    QLineEdit *tfOffsetY = nullptr;
    QLineEdit *tfExportRes = nullptr;
    QLineEdit *tfBleeds = nullptr;
    QSpinBox *spReplicate = nullptr;
    QSpinBox *spOffsetX = nullptr;
    QSpinBox *spOffsetY = nullptr;
    QDoubleSpinBox *spBleeds = nullptr;
    QButtonGroup *mxScrollWheel = nullptr;
    QCheckBox *saveImageToDocument = nullptr;
    QCheckBox *includeSalutation = nullptr;
    QCheckBox *includeMiddleName = nullptr;
    QComboBox *_profileDateFormat = nullptr;
    QLineEdit *tfDateSample = nullptr;
    QCheckBox *cbDisplayTime = nullptr;
    QComboBox *_profileTimeFormat = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;

private:
    // A whole number typed into a field; `minimum` and the previous stored text guard it.
    QString validatedInteger(QLineEdit *field, const QString &key, int minimum, int maximum,
                             const QString &reason);
};

} // namespace quillmark
