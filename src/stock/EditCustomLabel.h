#pragma once
// The panel in which the user defines or changes a custom grid stock: its name, the first
// label's offsets from the paper's edges, the label's size, corner radius and centre hole,
// the labels across and down with the spacing between them, each in the user's unit, and
// the paper the sheet is cut on. Window-modal; its buttons end it with their tag (1 OK,
// 0 Cancel); Return presses OK. OK is enabled only while the stock has a name, its counts
// are whole numbers from 1 to 32767, its width and height are greater than 0 and no other
// length is negative.
#include <QDialog>

#include "stock/TLabel.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillmark {

class MyStepper;
class StockCanvas;

class EditCustomLabel : public QDialog
{
    Q_OBJECT
public:
    explicit EditCustomLabel(QWidget *parent = nullptr, StockCanvas *rectsView = nullptr);
    ~EditCustomLabel() override;

    // A new stock with the defaults of a grid record, on the paper of the shared print
    // settings.
    void setup();
    // A copy of the stock; the given one stays untouched.
    void setLabel(const TLabel &label);
    // The edited stock, completed: the shape follows the corner radius (rounded corners, or
    // an oval when the radius reaches half the longer side), the hole is at most half the
    // shorter side, and the name is the name field's.
    TLabel label();
    QString formatTitle() const;
    void buttonPressed(int tag);
    bool canConfirm() const;

    void enableDisable();
    void updateValues();
    void updateFormatters();

    float convertToInch(float value) const;
    float convertFromInch(float value) const;
    float convertFromPoints(float value) const;
    QString unitSuffix() const;

private:
    enum Field {
        OffsetX, OffsetY, Width, Height, OutRadius, InRadius, SpacingX, SpacingY, NumberX, NumberY, FieldCount
    };
    static bool isCount(Field which) { return which == NumberX || which == NumberY; }

    QString refusal(Field which, const QString &text) const;
    // Why the counts are refused together (more positions than the canvas lays out), or empty.
    QString gridRefusal() const;
    // Why the hole is refused (as wide as the label's shorter side or wider), or empty.
    QString holeRefusal() const;
    // The warning when the labels reach past the chosen paper (the shared paper when none is
    // chosen), or empty.
    QString paperWarning() const;
    void controlTextDidEndEditing(Field which);
    void stepperStepped(Field which, double value);
    void setValue(Field which, double value);
    float &lengthField(Field which);
    void showPaper();

    StockCanvas *m_rectsView = nullptr;
    TLabel _tlabel;

    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QLineEdit *formatTitleField = nullptr;
    QLineEdit *tf[FieldCount] = {};
    MyStepper *sp[FieldCount] = {};
    QComboBox *pbPaper = nullptr;
    QLabel *lbMessage = nullptr;
};

} // namespace quillmark
