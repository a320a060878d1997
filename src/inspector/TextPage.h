#pragma once
// The text page: the size, colour and alignment of the selected objects' text, the database
// field a selected merge field shows, the title options of a merge field's title-and-value
// group, and (for reading only) the start angle and side of an oval's text, whose controls
// hand their values to the canvas. Text boxes, ovals, merge fields, address blocks and
// barcodes each keep their text's font and colour their own way; the page asks each kind
// through its own accessors.
#include <QColor>
#include <QFont>

#include <array>
#include <optional>

#include "inspector/InspectorPage.h"

class QComboBox;

namespace quillmark {

class GroupField;
class SegmentedControl;

class TextPage : public InspectorPage
{
    Q_OBJECT
public:
    explicit TextPage(ObjectInfoPanel *info);

    // The alignment segments are left, centre, right and justified; each carries the text
    // alignment code it sets (the objects count 0 left, 1 right, 2 centre, 3 justified).
    static constexpr std::array<int, 4> alignmentTags{0, 2, 1, 3};
    // The segment that shows an alignment code: 1 and 2 change places, other codes stay.
    static int segmentOfAlignment(int code);
    // Sizes a font can take; a size outside them has no font and changes nothing.
    static constexpr double minTextSize = 0.5;
    static constexpr double maxTextSize = 1000.0;

    // ---- what each kind answers and takes ----
    static std::optional<QFont> fontOf(const ColorRect &object);
    static std::optional<QColor> textColorOf(const ColorRect &object);
    static int alignmentOf(const ColorRect &object);
    // Through the kind's own undoable setters. A text box's size keeps the family and style
    // of each of its runs; `size` is the new point size, `font` what fontOf() answers.
    static void setSizeOf(ColorRect &object, const QFont &font, double size);
    // Whether the text the size goes to (the edited selection, else all of it) has the size
    // in every run already; `font` is what fontOf() answers.
    static bool hasSizeThroughout(const ColorRect &object, const QFont &font, double size);
    static void setTextColorOf(ColorRect &object, const QColor &color);
    static void setAlignmentOf(ColorRect &object, int code);

    // ---- getters over the selection ----
    std::optional<QFont> textFont() const;
    // "%.2f" of the font's point size; empty without a font.
    QString textSize() const;
    // Invalid without a text colour.
    QColor textColor() const;
    int textAlign() const;
    int fieldType() const;
    int showTitle() const;
    int capitalizeTitle() const;
    float ovalTextAngle() const;
    int ovalTextFlip() const;

    // ---- actions ----
    void setTextSize(QObject *sender);
    void setTextSize(double size);
    void setTextColor(QObject *sender);
    void setTextAlign(QObject *sender);
    // The merge key chosen in the pop-up, or a field menu item's tag.
    void setFieldType(QObject *sender);
    void setFieldType(int fieldPk);
    void setShowTitle(QObject *sender);
    void setCapitilizeTitle(QObject *sender);

    void updateFormatters() override;
    void updateValues() override;
    void enableControls() override;
    void updateAppearance() override;

    QLabel *lbTextSize = nullptr;
    NumberField *tvTextSize = nullptr;
    MyStepper *spTextSize = nullptr;
    QSlider *slTextSize = nullptr;
    QLabel *lbTextColor = nullptr;
    ColorWell *cwTextColor = nullptr;
    QLabel *lbShowFonts = nullptr;
    QPushButton *btnShowFonts = nullptr;
    // The family of the selection's text, marked when the machine lacks it.
    QLabel *lbFontFamily = nullptr;
    QLabel *lbTextAilgn = nullptr;
    SegmentedControl *scTextAilgn = nullptr;
    QLabel *lbFieldType = nullptr;
    QComboBox *pbFieldType = nullptr;
    QCheckBox *cbShowTitle = nullptr;
    QCheckBox *cbCapitalizeTitle = nullptr;
    // The text along an oval: its child with tag 2 is the angle field, with tag 3 the flip
    // check box.
    QWidget *viewOvalText = nullptr;
    NumberField *tvOvalTextAngle = nullptr;
    QCheckBox *cbOvalTextFlip = nullptr;

private:
    // The title-and-value groups of the canvas with a member selected, in the canvas's order.
    QList<GroupField *> selectedFieldGroups() const;
    // The canvas's selected group when it is a title-and-value group.
    GroupField *selectedFieldGroup() const;
    void rotateOvalText();
    void flipOvalText();
    void showFonts();
    void showFontFamily();
};

} // namespace quillmark
