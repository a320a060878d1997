#pragma once
// The barcode page: the data typed into a text view (applied a moment after each edit, once
// the text system is done with it), the symbology, bar width, width adjustment and bar
// height, the human-readable text, the ISBN hyphenation pattern, the text colour and whether
// the data come from the typed text or from a database field. Each record edit takes a copy
// of the barcode's record, changes one field and hands the whole record back, one undo step
// under the barcode drawer's name for it. Only barcodes are touched; other selected objects
// are skipped.
#include "inspector/InspectorPage.h"

class QComboBox;
class QPlainTextEdit;
class QRadioButton;

namespace quillmark {

class ColorBarcode;
struct TBarInfo;

class BarcodePage : public InspectorPage
{
    Q_OBJECT
public:
    explicit BarcodePage(ObjectInfoPanel *info);

    // ---- getters ----
    // The first selected barcode's data as text; empty without one.
    QString barData() const;
    // The first selected barcode's symbology; -1 without one.
    int barType() const;
    // "%.2f" of the last selected barcode's value; empty without one.
    QString barWidth() const;
    QString barAdjust() const;
    QString barHeight() const;
    // The gap pop-up's item of the first barcode: the whole part of 2 x gap, minus 2; -2
    // without one.
    int barGap() const;
    // 1 or 0 by the first barcode's flag, -1 when a later barcode differs; 0 without one.
    int hrt() const;
    int isbnPattern() const;
    // The first barcode's merge key; 0 without one.
    int barFieldType() const;

    // ---- actions ----
    // The data view's text into every selected barcode (its UTF-8 bytes, cut between
    // characters where the record ends); the focus stays in the view.
    void setBarData(QObject *sender);
    // Runs setBarData with the data view; what each edit of the view schedules.
    void processEdit();
    void setBarType(QObject *sender);
    void setBarWidth(QObject *sender);
    void setBarAdjust(QObject *sender);
    void setBarHeight(QObject *sender);
    void setBarGap(QObject *sender);
    void setHRT(QObject *sender);
    void setISBNPattern(QObject *sender);
    void setBarcodeColor(QObject *sender);
    // Either radio button: typed data or the chosen database field.
    void barDataChange(QObject *sender);
    void setBarFieldType(QObject *sender);

    void updateFormatters() override;
    void updateValues() override;
    void enableControls() override;

    // While the page fills its controls, filling the data view is no typing.
    bool isListening() const { return m_listening; }

    QPlainTextEdit *tvBarData = nullptr;
    QComboBox *pbBarType = nullptr;
    // Why the shown barcode's data make no symbol; hidden while they make one.
    QLabel *lblDataProblem = nullptr;
    QLabel *lblWidth = nullptr;
    QLabel *lblWidthAdjust = nullptr;
    QLabel *lblHeight = nullptr;
    QLabel *lblColor = nullptr;
    NumberField *tvBarWidth = nullptr;
    NumberField *tvBarAdjust = nullptr;
    NumberField *tvBarHeight = nullptr;
    MyStepper *spBarWidth = nullptr;
    MyStepper *spBarAdjust = nullptr;
    MyStepper *spBarHeight = nullptr;
    QComboBox *pbBarGap = nullptr;
    QCheckBox *btnHRT = nullptr;
    ColorWell *cwBarcodeColor = nullptr;
    QLabel *lbISBNPattern = nullptr;
    QComboBox *pbISBNPattern = nullptr;
    QRadioButton *rbData = nullptr;
    QRadioButton *rbDatabaseField = nullptr;
    QComboBox *pbBarFieldType = nullptr;

private:
    QList<std::shared_ptr<ColorBarcode>> barcodes() const;
    // The first (or the last) barcode of the selection, or null.
    ColorBarcode *endBarcode(bool last) const;
    // Each barcode's record with one field changed, handed back whole, as one undo step named
    // by `actionKey`; NO when none changed.
    bool changeRecords(const QString &actionKey, const std::function<bool(ColorBarcode &, TBarInfo &)> &change);
    // The end of a record action: the canvas redrawn (with a selection), the drawers and the
    // geometry follow, the document changed, the canvas takes the keys.
    void finishRecordAction(bool invalidateAlways = false);
    void textStorageDidProcessEditing();
    // The value a metric's field or stepper fired with; the other control takes it too.
    double takeMetric(QObject *sender, NumberField *field, MyStepper *stepper, bool wholeSteps);
    // A bar metric typed or stepped: one outside [minimum, maximum] puts the shown values back,
    // one within goes into every linear barcode's record as one undo step.
    // `stored` turns the value shown into the record's unit (the bar height's inches) and
    // `shown` back.
    void setLinearMetric(QObject *sender, NumberField *field, MyStepper *stepper, bool wholeSteps, double minimum,
                         double maximum, const QString &actionKey, double TBarInfo::*metric,
                         const std::function<double(double)> &stored = {},
                         const std::function<double(double)> &shown = {});
    // The rows below the type, closed up over those hidden for the symbology.
    void layOutRows();
    // The note under the type says why the first barcode's data make no symbol.
    void showDataProblem();

    // Typing in the data view is one step per edit: the first change of a burst registers
    // the way back to the data before it, the later ones nothing. The burst ends when the
    // view loses the keyboard or the page is filled from the selection anew (another
    // selection, an undo, another edit).
    void endDataEdit() { m_dataEditOpen = false; }
    bool eventFilter(QObject *watched, QEvent *event) override;

    bool m_listening = true;
    bool m_editPending = false;
    bool m_dataEditOpen = false;
    bool m_applyingData = false;
    // The Type pop-up was last used from the keyboard: it keeps the keys after a choice.
    bool m_typeFromKeyboard = false;
};

} // namespace quillmark
