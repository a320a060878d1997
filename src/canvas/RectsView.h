#pragma once
// The design canvas: the one view that holds the objects of every page of the design, draws
// the current label with its objects, keeps the selection, the current stock and the zoom.
// Its member functions are spread over files by concern (RectsView_<concern>.cpp).
#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "objects/CanvasServices.h"
#include "platform/BezierPath.h"
#include "platform/UndoManager.h"
#include "stock/StockCanvas.h"
#include "stock/TFormat.h"
#include "stock/TLabel.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPainter;
class QScrollArea;
class QTabWidget;
class QTableView;
class QTreeView;

namespace quillmark {

class ColorRect;
class CustomDataSource;
class DataSource;
class SegmentedControl;

using GraphicPtr = std::shared_ptr<ColorRect>;
using GraphicList = QList<GraphicPtr>;

// Orders two graphics by layer, then by their index in `context` (the object list); equal
// indexes compare equal. Screen drawing, sheet imaging and export draw in this order.
int compareGraphicsByLayer(const GraphicPtr &a, const GraphicPtr &b, const GraphicList &context);
// `graphics` sorted by compareGraphicsByLayer with `graphics` as context.
GraphicList sortedByLayer(const GraphicList &graphics);

class RectsView : public QWidget, public CanvasServices, public StockCanvas
{
    Q_OBJECT

public:
    // Creates the canvas and makes it the shared one. The bounds start at (-100, -100).
    explicit RectsView(QWidget *parent = nullptr);
    ~RectsView() override;

    // The one canvas; null before it is made and after it is gone.
    static RectsView *sharedRectsView();
    // YES when the user default "AppleInterfaceStyle" equals "Dark".
    static bool isDarkMode();
    // Mean of the main display's horizontal and vertical dots per inch over 72; 1.0 until
    // measured.
    static float screenFactor();
    static void setScreenFactor(float factor);
    // Measures the screen factor from the primary screen.
    static void measureScreenFactor();

    // ---- controls the window hands over (outlets); each may stay null ----
    struct Outlets
    {
        QScrollArea *scrollView = nullptr;
        SegmentedControl *segmentedFrontBackOutlet = nullptr;
        SegmentedControl *segmentedPageOutlet = nullptr;
        SegmentedControl *segmentedLayersOutlet = nullptr;
        QCheckBox *cbLandscapeView = nullptr;
        QCheckBox *cbDrawByType = nullptr;
        QTreeView *labelOutlineViewOutlet = nullptr;
        QTableView *labelTableViewOutlet = nullptr;
        QTabWidget *tabPanelViewOutlet = nullptr;
        QLineEdit *searchField = nullptr;
        QLabel *labelInfo = nullptr;
        QAbstractButton *bnDeleteFormat = nullptr;
        QAbstractButton *bnEditFormat = nullptr;
        QAbstractButton *bnViewType = nullptr;
    };
    void setOutlets(const Outlets &outlets);
    const Outlets &outlets() const { return m_outlets; }

    DataSource *dataSource() const { return m_dataSource; }
    CustomDataSource *customDataSource() const { return m_customDataSource; }

    // ---- CanvasServices ----
    UndoManager *undoManager() override { return &m_undoManager; }
    double getZoomCoeff() const override { return _zoomValue; }
    double getZoom() const override { return _zoomValue / screenFactor(); }
    void invalidateGraphic(const ColorRect *graphic) override;
    void invalidateRect(const QRectF &rect) override;
    void updateRulers() override {}
    void beginEchoingMoveToRulers(const QRectF &) override {}
    void continueEchoingMoveToRulers(const QRectF &) override {}
    void stopEchoingMoveToRulers() override {}
    void wasChanged(bool flag) override;
    QString measure() override;
    QString currentPageName() const override { return getCurrPageName(); }
    int currentLayer() const override;
    BezierPath bezierPath(int type, const QString &labelType) const override;
    QRectF bounds() const override { return m_bounds; }
    bool isPrinting() const override { return m_printing; }
    GraphicList getRects() const override { return rects; }
    QPointF constrainedPoint(const QPointF &point) const override { return point; }
    void setDrawersItemsState() override {}
    void clearGridSnap() override {}
    double labelWidth() const override { return double(_tlabel.width) * 72.0; }
    void setDocumentCursor(const QCursor &cursor) override;
    void print() override {}
    void changeFont() override {}
    void updateObjectValues() override {}

    // ---- StockCanvas ----
    bool drawByType() const override;
    QString getFormatFilter() const override { return _formatFilter; }
    void selectLabelFormat(bool flag) override;

    // ---- application shell ----
    // The quit request: YES when the application may quit now (the save prompt only when the
    // design has unsaved changes and the prompt has not just been shown by closing).
    bool applicationShouldTerminate();
    // The close request of the main window: always asks; YES when the window may close.
    bool windowShouldClose();
    // Saves the window frame and the user defaults of the shell; shuts the language down.
    void applicationWillTerminate();
    // Saves the design; YES when it was saved. The document code provides it.
    virtual bool save();
    static bool terminatePromptFlag();
    static void setTerminatePromptFlag(bool flag);
    // The template browser's item size: "TemplateSize" truncated to an integer, 90 (and the
    // default registered as "90") when the key is missing.
    void readTemplateSize();
    int templateItemSize() const { return m_templateItemSize; }
    void setTemplateItemSize(int size) { m_templateItemSize = size; }
    bool isObjectInfoVisible() const { return m_objectInfoVisible; }
    void showHideGraphicOpt();
    // Restores the main window's frame saved under "Quillmark"; the first start gives
    // 1220 x 800 at the window's origin.
    void restoreWindowFrame(QWidget *mainWindow);
    static QString windowFrameKey(const QString &autosaveName);

    // ---- document state ----
    bool isChanged() const { return m_changed; }
    void setPrinting(bool flag) { m_printing = flag; }
    // Raised by wasChanged: the Save button follows it.
    std::function<void(bool)> saveButtonEnabler;

    // ---- object list ----
    void addGraphic(const GraphicPtr &graphic);
    void insertGraphic(const GraphicPtr &graphic, int index);
    void removeGraphicAtIndex(int index);
    bool moveGraphic(const GraphicPtr &graphic, int index);
    int indexOfGraphic(const ColorRect *graphic) const;

    // ---- selection ----
    const GraphicList &selectedObjects() const { return _selectedObjects; }
    void selectRect(const GraphicPtr &graphic);
    void deselectRect(const GraphicPtr &graphic);
    void selectRectUndo(const GraphicPtr &graphic);
    void deselectRectUndo(const GraphicPtr &graphic);
    void selectAll();
    void clearSelection();
    // The lock command: the sender's state 1 unlocks, anything else locks.
    void lock(int senderState);
    bool isSelected(const ColorRect *graphic) const;
    bool canSelectedFill() const;
    bool canSelectedStroke() const;
    bool canSelectedDrawImages() const;
    bool canSelectedMove() const;
    int isSelectedLocked() const;
    int getSelectedFillState() const;
    int getSelectedStrokeState() const;
    int getSelectedImageState() const;
    int isSelectedScaleImageWithBox() const;
    float getSelectedLineWidth() const;
    float getSelectedMaxLineWidth() const;

    // The objects of the current page (and of the edited layer when there is a layer
    // control), in stacking order.
    GraphicList layerGraphics() const;
    GraphicList orderedSelectedGraphics() const;

    // ---- stacking ----
    void bringToFront();
    void bringForward();
    void sendToBack();
    void sendBackward();
    bool canBringToFront() const { return canMoveForward(); }
    bool canMoveForward() const;
    bool canSendBackward() const { return canSendToBack(); }
    bool canSendToBack() const;

    // ---- hit testing ----
    GraphicPtr objectUnderPoint(const QPointF &point) const;
    GraphicPtr objectUnderPoint(const QPointF &point, const ColorRect *underObject) const;
    GraphicList graphicsIntersectingRect(const QRectF &rect) const;

    // ---- drawing ----
    // Draws the canvas content in page points through the painter's current transform;
    // `dirty` is the area asked for, in page points.
    void drawContents(QPainter *painter, const QRectF &dirty);
    void drawLabel(QPainter *painter);
    // The outline of a label with its top-left corner at the origin, in page points; with
    // bleeds YES grown by the "Printing Bleeds" default. A hole makes it even-odd.
    static BezierPath getLabelBoundPath(const TLabel &label, bool bleeds);
    BezierPath getLabelBoundPath() const { return getLabelBoundPath(_tlabel, false); }
    BezierPath getLabelClipPath() const { return getLabelBoundPath(_tlabel, false); }
    // Paints the page background (the page's background image) under the objects, clipped
    // to the label outline. Set by the images subsystem.
    std::function<void(QPainter *, const QRectF &)> pageBackgroundPainter;
    bool isPreviewMode() const { return _previewMode; }
    void setPreviewMode();
    bool databasePreview() const { return _databasePreview; }
    void setDatabasePreview();
    // The rubber band being dragged and the graphics inside it (tracking sets them).
    void setRubberband(const QRectF &rect, const QSet<const ColorRect *> &graphics);
    // Page points to widget coordinates and back.
    QTransform pageToWidget() const;

    // ---- stock ----
    const TLabel &getLabel() const { return _tlabel; }
    const TFormat *getTFormat() const { return _tformat ? &*_tformat : nullptr; }
    int getTIndex() const { return _tindex; }
    QString getCurrentType() const;
    QString getFirstType() const;
    void setTFormat(const TFormat &format);
    void setTLabel(bool renewFlags);
    void setTLabel(const TLabel &label);
    void setTIndex(int index);
    // Applies a grid stock with undo (its own inverse) and keeps the design's proportions.
    void selectFormat(const TLabel &label);
    // One byte per label position of the current stock: 0 prints, non-zero is skipped.
    QByteArray &getEnableLabelFlags() { return _pNonPrnLabel; }
    // Takes flags read from elsewhere, padded with zeros or cut to the current stock.
    void setEnableLabelFlags(const QByteArray &flags);
    int labelPositionCount() const;
    // "%@ x %@, %d across, %d down" for the described stock.
    QString labelDescription() const;
    void changeLabelDescription();
    void setFormatFilter(const QString &text);
    void updateOutlineViewData();
    void enableCustomFormatButtons();
    void adjustLabelListSelection();
    // The user chose a row in the catalogue outline or the custom table.
    void outlineViewSelectionDidChange();
    void tableViewSelectionDidChange();
    void outlineViewSelectionChange(const QModelIndex &index);
    void tableViewSelectionChange(int row);
    void newCustomLabel();
    void editCustomFormat();
    void editStandardLabel();
    void editCustomLabel();
    void deleteCustomLabel();
    // Edits a grid stock in a modal panel; an empty answer means cancelled. Tests replace it.
    std::function<std::optional<TLabel>(const TLabel &)> labelEditor;
    // The measure of a length in inches in the current unit ("4.00 inch").
    QString convertUnits(float inches);

    // ---- pages and sides ----
    QString getCurrPageName() const;
    QString getTemplateFolder() const;
    void labelLandscape(int state);
    void changeFrontBack();
    void changePage();
    void setDawByType();
    void setLabelLandscape();

    // ---- zoom and layout ----
    double getPrevZoom() const { return _prevZoomValue; }
    int getZoomFit() const { return _FitPage; }
    void setZoom(double zoom);
    void zoomChange(double zoom);
    void zoomMenuSelect(int index);
    void zoomIn();
    void zoomOut();
    void adjustZoom();
    void resizeRectViewBound(bool force, bool center);
    // The zoom text of the zoom button ("229%").
    QString zoomText() const { return m_zoomText; }
    // Set while a mouse-tracking loop runs; layout waits until it ends.
    static void setTrackingFlag(bool flag);
    static bool trackingFlag();

signals:
    void zoomValueChanged(const QString &text);
    void changedStateChanged(bool changed);
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void registerUndo(std::function<void()> inverse);
    void setActionName(const QString &name);
    bool isOnCurrentPageAndLayer(const ColorRect &graphic) const;
    int positionInLayer(const GraphicList &layer, const ColorRect *graphic) const;
    // Moves a graphic to the place of the layer graphic at position k.
    void moveToLayerPosition(const GraphicPtr &graphic, int k);
    void applyStockSizeToView();
    void scaleObjectsFromSize(const QSizeF &from, const QSizeF &to);
    void selectCatalogueIndex(const QModelIndex &index);
    void writeStockDefaults(int type);
    QRectF visibleArea() const;
    QRectF clipBounds() const;
    void scrollPoint(const QPointF &point);
    void setFrameAndBounds(const QRectF &bounds);
    void renewFlags();

    Outlets m_outlets;
    // The scroll area's viewport, watched for size changes; cleared when it goes away.
    QPointer<QWidget> m_viewport;
    UndoManager m_undoManager;
    DataSource *m_dataSource = nullptr;
    CustomDataSource *m_customDataSource = nullptr;

    GraphicList rects;
    GraphicList _selectedObjects;
    QSet<const ColorRect *> _rubberbandGraphics;
    QRectF _rubberbandRect;

    QRectF m_bounds;
    bool m_changed = false;
    bool m_printing = false;
    bool _previewMode = false;
    bool _databasePreview = false;

    TLabel _tlabel;
    std::optional<TFormat> _tformat;
    int _tindex = 0;
    QByteArray _pNonPrnLabel;
    QString _formatFilter;
    bool m_adjustingLists = false;

    double _zoomValue = 1.0;
    double _prevZoomValue = 1.0;
    int _FitPage = 0;
    QString m_zoomText;
    int m_templateItemSize = 90;
    bool m_objectInfoVisible = false;
};

} // namespace quillmark
