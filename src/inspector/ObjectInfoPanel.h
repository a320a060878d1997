#pragma once
// The object inspector: the controls that show and edit the selected objects precisely, in
// the display unit, on pages by concern (geometry, style, image, alignment; the text and
// barcode pages take their places among them). The inspector holds no copy of the design:
// it reads the canvas's live selection list at each refresh and writes every edit back
// through the objects' own undoable setters, marks the document changed and gives the
// keyboard back to the canvas. The pages are shown by the side panel (PropertiesView).
//
// It also owns the life of the last-used style (ObjectInfo::changedValues()): empty when the
// inspector is made, gone when it goes.
#include <QImage>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "canvas/CanvasInspector.h"
#include "objects/PictureWorker.h"

class QComboBox;
class QTabWidget;

namespace quillmark {

class AlignPage;
class BarcodePage;
class CanvasServices;
class ColorRect;
class GeometryPage;
class ImagePage;
class InspectorPage;
class PropertiesView;
class StylePage;

class ObjectInfoPanel : public QWidget, public CanvasInspector
{
    Q_OBJECT
public:
    using GraphicList = QList<std::shared_ptr<ColorRect>>;

    explicit ObjectInfoPanel(QWidget *parent = nullptr);
    ~ObjectInfoPanel() override;

    // The canvas the edits go to (undo, redraw, the document's changed mark, the unit) and
    // the view that takes the keyboard back after an edit; either may be null.
    void setRectsView(CanvasServices *canvas, QWidget *canvasView = nullptr);
    CanvasServices *rectsView() const { return m_rectsView; }

    // ---- what the canvas asks (CanvasInspector) ----
    void setSelectedRects(const GraphicList *selection) override;
    // Nothing while the canvas view is hidden; otherwise formats, values, enabled states.
    void refresh() override;
    // Number formats and stepper steps for the display unit.
    void updateFormatters() override;
    // In this order: object, graphic, image, barcode, font and align values.
    void updateValues() override;
    // Every value shown anew, but for a page whose text view the user is typing into: the
    // typing is the change, the page shows it, and the typing goes on as one edit.
    void designChanged() override;
    void updateObjectValues() override;
    void updateGraphicValues();
    void updateImageValues();
    void updateBarValues();
    void updateFontValues() override;
    void updateAlignValues();
    // Geometry and style, then image, barcode, align and text.
    void enableControls() override;
    void enableImage();
    void enableBar();
    void enableAlign();
    void enableText() override;
    void switchTab(int tab) override;
    void alignObjectEdges(int tag) override;
    void setObjectSize(int tag) override;
    void openPageForSelection() override;
    // The canvas's field menu retyping the selected merge fields.
    void setFieldType(int fieldPk) override;
    // The end of editing in a number field of any page: the fields of the table of fields
    // that apply their value send their page's action; any other field is ignored.
    void controlTextDidEndEditing(QObject *field);

    // The selection the canvas handed over; empty before it did.
    const GraphicList &selectedRects() const;

    // ---- the image effects panel ----
    // Runs the image effects panel modally over the picture it is given and answers the
    // processed picture when the user accepts it (the panel's OK, code 1), nothing when not;
    // it closes the panel in every case. The window installs it; until one is installed the
    // way into the panel stays disabled.
    using ImageEffectsPanel = std::function<std::optional<QImage>(const QImage &source)>;
    void setImageEffectsPanel(ImageEffectsPanel panel);
    bool hasImageEffectsPanel() const { return bool(m_imageEffectsPanel); }
    // The first selected object's picture through the panel: accepted, the processed
    // picture takes its place as one undo step and is marked as filtered; anything else
    // leaves the object as it was. A drawing is rasterised, and a photo whose pixels are not
    // decoded yet is decoded, on the picture worker first: the panel opens once it is there,
    // the window answering meanwhile with the busy pointer.
    void showImageEffectsPanel() override;
    // YES while the picture for the panel is being made.
    bool isPreparingImageEffects() const { return bool(m_effectsSource); }
    // The pixels a drawing is rasterised at for the panel: those its picture covers on the
    // canvas, or on a label printed at 300 dots per inch when that is more.
    QSizeF imageEffectsPixels(const ColorRect &object) const;

    // ---- units ----
    // The canvas's unit ("Inches", "Centimeters", "Points", "Picas"); inches without a canvas.
    QString measure() const;
    // Page points to the display unit and back: centimetres 28.35 points each (as the rulers
    // count them), inches 72, picas 12, anything else points.
    float convertFromPoints(float points) const;
    float convertToPoints(float value) const;
    static float convertFromPoints(float points, const QString &unit);
    static float convertToPoints(float value, const QString &unit);
    // The suffix of the unit's fields: "cm", "pt", "pc", or "in".
    static QString unitSuffix(const QString &unit);
    // The canvas's unit changed or was shown anew.
    void measureChanged(const QString &unit, double factor);

    // ---- the Command key ----
    // The origin, size and image-offset steppers step ten points' worth while Command is held.
    void flagsChanged(unsigned modifierFlags);
    bool isCommandPressed() const { return commandPressed; }

    // ---- field menus ----
    struct FieldMenuItem
    {
        QString title;
        int tag = 0;
        bool enabled = true;
    };
    // Rebuilds the merge-field and barcode-field menus from the current database.
    void databaseChanged();
    const QList<FieldMenuItem> &fieldMenuItems() const { return m_fieldMenu; }
    const QList<FieldMenuItem> &barFieldMenuItems() const { return m_barFieldMenu; }
    // The barcode field menu's item to select; 0 when none is chosen.
    int barFieldSelection() const { return m_barFieldSelection; }
    // Whether the field at `index` of the field-visibility list is shown under the 64-bit
    // "fieldsToView" mask; an index past the mask's bits counts as shown.
    static bool isFieldVisible(int index, qint64 mask);
    // The pop-ups the menus fill, once the pages that show them exist; null when not.
    void setFieldPopUps(QComboBox *fieldType, QComboBox *barFieldType);

    // ---- appearance ----
    void onAppearanceChanged();

    // ---- what every edit ends with ----
    // The main window becomes active again with the canvas taking the keys.
    void makeRectViewKey();
    void wasChanged();
    void invalidateCanvas();
    void invalidateGraphic(const ColorRect *graphic);
    // The modifier flags held for the edit being applied: those of the key or click that
    // ended it, or those held now. Reading them uses up the event's.
    unsigned editModifierFlags();

    // ---- pages ----
    // Takes a page into the inspector at the place of its tab number (pages of a lower
    // number come before it; one of the same number goes) and watches its controls for the
    // modifier keys of an edit.
    // Pages come before the side panel takes them (PropertiesView::addSubviewsFrom); the
    // side panel's tag of a page is its place + 1. The inspector routes the canvas's calls
    // to the page of each tab: updateFontValues and enableText to TextTab's updateValues and
    // enableControls, updateBarValues and enableBar to BarcodeTab's, and so on.
    void addPage(InspectorPage *page);
    // The tab view holding the pages in tab order; the side panel takes them out of it.
    QTabWidget *tabs() const { return m_tabs; }
    // The page of a tab number; null when that page is not part of the inspector.
    InspectorPage *page(int tab) const;
    const QList<QPointer<InspectorPage>> &pages() const { return m_pages; }
    GeometryPage *geometryPage() const { return m_geometry; }
    StylePage *stylePage() const { return m_style; }
    ImagePage *imagePage() const { return m_image; }
    AlignPage *alignPage() const { return m_align; }
    BarcodePage *barcodePage() const { return m_barcode; }
    // The side panel that shows the pages, once it has taken them.
    void setPropertiesView(PropertiesView *view);
    PropertiesView *propertiesView() const;
    // The side panel's tag of a page: its place among the pages + 1; 0 without the page.
    int tagOfPage(int tab) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void watchControls(QWidget *page);

    QPointer<QWidget> m_canvasView;
    QPointer<PropertiesView> m_propertiesView;
    CanvasServices *m_rectsView = nullptr;
    const GraphicList *m_selectedRects = nullptr;
    bool commandPressed = false;
    unsigned m_eventModifiers = 0;

    QTabWidget *m_tabs = nullptr;
    QList<QPointer<InspectorPage>> m_pages;
    GeometryPage *m_geometry = nullptr;
    StylePage *m_style = nullptr;
    ImagePage *m_image = nullptr;
    AlignPage *m_align = nullptr;
    BarcodePage *m_barcode = nullptr;

    QList<FieldMenuItem> m_fieldMenu;
    QList<FieldMenuItem> m_barFieldMenu;
    int m_barFieldSelection = 0;
    QPointer<QComboBox> pbFieldType;
    QPointer<QComboBox> pbBarFieldType;
    ImageEffectsPanel m_imageEffectsPanel;
    void runImageEffectsPanel(const std::shared_ptr<ColorRect> &object, const QImage &source);
    void imageEffectsSourceArrived(const std::weak_ptr<ColorRect> &object, const QImage &source);
    std::shared_ptr<PictureWorker::Job> m_effectsSource;
};

} // namespace quillmark
