#pragma once
// The panel in which the user lays out a free-layout custom format: a name, the sheet with
// its label shapes (the page view), the palette of shapes to drag onto it, and fields for
// the selected shape's position, size and radii in the user's unit. Window-modal; its
// buttons end it with their tag (1 OK, 0 Cancel). OK is enabled only while the format has a
// name, at least one shape, and no field holds a value that is refused.
#include <QDialog>
#include <QPageLayout>
#include <memory>
#include <optional>

#include "stock/FormatTypesReader.h"
#include "stock/TFormat.h"

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace quillmark {

class CustomPageView;
class CustomTypesView;
class MyStepper;
class StockCanvas;

class EditCustomFormat : public QDialog
{
    Q_OBJECT
public:
    // `palette` replaces the shapes of the "formattypes" resource (tests).
    explicit EditCustomFormat(QWidget *parent = nullptr, StockCanvas *rectsView = nullptr,
                              std::unique_ptr<FormatTypesReader> palette = {});
    ~EditCustomFormat() override;

    // Loads the panel with a format (its name, a copy of its shapes, its paper) or, without
    // one, empty for a new format on the paper of the shared print settings.
    void setup(const TFormat *format);
    // The format made from the panel: the name, the maker word, the shapes and the paper.
    TFormat format() const;
    QString formatTitle() const;
    // Ends the panel with the tag; OK (1) is refused while the panel cannot be confirmed.
    void buttonPressed(int tag);
    bool canConfirm() const;

    // The page view's calls: the selection changed (enabling and values), or the selected
    // shape moved (values).
    void selectLabel();
    void updateValues();
    void enableDisable();
    void updateFormatters();

    // Commands.
    void duplicate();
    bool validateDuplicate() const;
    void rotateLabel();
    // The page layout panel for the shared print settings; the sheet follows the paper.
    void pageLayout();
    QPageLayout paperLayout() const { return m_layout; }

    // Unit conversions by the unit of the canvas.
    float convertToMM(float value) const;
    float convertFromMM(float value) const;
    float convertFromPoints(float value) const;
    QString unitSuffix() const;

    CustomPageView *customPageView() const { return m_customPageView; }
    CustomTypesView *customTypesView() const { return m_customTypesView; }

private:
    enum Field { OffsetX, OffsetY, Width, Height, OutRadius, InRadius, CornerRadius, FieldCount };

    QLineEdit *field(Field which) const;
    MyStepper *stepper(Field which) const;
    // Why the text of a field is refused; empty when it is a value the field takes.
    QString refusal(Field which, const QString &text) const;
    void controlTextDidChange();
    void controlTextDidEndEditing(Field which);
    void stepperStepped(Field which, double value);
    // The setters of the fields: each writes the selected shape when the value is taken.
    void setValue(Field which, float value);
    void showPaper();

    StockCanvas *m_rectsView = nullptr;
    QPageLayout m_layout;
    QString m_papersize;

    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QLineEdit *formatTitleField = nullptr;
    QLineEdit *tf[FieldCount] = {};
    MyStepper *sp[FieldCount] = {};
    QLabel *lb[FieldCount] = {};
    QPushButton *bnRotate = nullptr;
    QPushButton *bnDuplicate = nullptr;
    QPushButton *bnPageSetup = nullptr;
    QLabel *lbPaper = nullptr;
    QLabel *lbMessage = nullptr;
    QAction *duplicateAction = nullptr;
    QScrollArea *m_paletteScroller = nullptr;
    CustomTypesView *m_customTypesView = nullptr;
    CustomPageView *m_customPageView = nullptr;
};

} // namespace quillmark
