#pragma once
// The design canvas: the one view that holds the objects of every page of the design, draws
// the current label with its objects, keeps the selection, the current stock and the zoom.
// Its member functions are spread over files by concern (RectsView_<concern>.cpp).
#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QFont>
#include <QImage>
#include <QLineF>
#include <QList>
#include <QPainterPath>
#include <QPointer>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QTransform>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "canvas/ListPlaces.h"
#include "canvas/TTemplate.h"
#include "foundation/ZoomClient.h"
#include "objects/CanvasServices.h"
#include "objects/RunaroundIndex.h"
#include "platform/BezierPath.h"
#include "platform/RulerView.h"
#include "platform/UndoManager.h"
#include "stock/StockCanvas.h"
#include "stock/TFormat.h"
#include "stock/TLabel.h"

class QMimeData;
class QNetworkReply;
class QThreadPool;
class QMenu;
class QColorDialog;
class QFontDialog;
class QTextCharFormat;
class QTextDocumentFragment;
class QKeyEvent;
class QContextMenuEvent;
class QTimer;

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPainter;
class QPrinter;
class QScrollArea;
class QTabWidget;
class QTableView;
class QTreeView;
class QDragEnterEvent;
class QDropEvent;
class QDragMoveEvent;
class QMouseEvent;

namespace quillmark {

class CanvasInspector;
class ColorRect;
class PropertyListArray;
class CustomDataSource;
struct TBarInfo;
class Group;
class DataSource;
class PrintAddViewController;
class PrintingPanel;
class SaveTemplate;
class SegmentedControl;
class TGrid;
struct PrintJob;
struct SheetLayout;
class specImage;
class ScrollNSImageView;

using GraphicPtr = std::shared_ptr<ColorRect>;
using GraphicList = QList<GraphicPtr>;
using GroupPtr = std::shared_ptr<Group>;
using GroupList = QList<GroupPtr>;

// Orders two graphics by layer, then by their index in `context` (the object list); equal
// indexes compare equal. Screen drawing, sheet imaging and export draw in this order.
int compareGraphicsByLayer(const GraphicPtr &a, const GraphicPtr &b, const GraphicList &context);
// `graphics` sorted by compareGraphicsByLayer with `graphics` as context.
GraphicList sortedByLayer(const GraphicList &graphics);

class RectsView : public QWidget, public CanvasServices, public StockCanvas, public RulerClient, public ZoomClient
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
        // The unit button: it shows the short name of the unit and cycles through the units.
        QAbstractButton *mesurementOutlet = nullptr;
    };
    void setOutlets(const Outlets &outlets);
    const Outlets &outlets() const { return m_outlets; }

    DataSource *dataSource() const { return m_dataSource; }

    // ---- the object inspector (RectsView_inspector.cpp) ----
    // The inspector the canvas tells of selection and object changes; it gets the canvas's
    // selection list at once. Null takes it away.
    void setObjectInfo(CanvasInspector *inspector);
    CanvasInspector *objectInfo() const { return m_objectInfo; }
    CustomDataSource *customDataSource() const { return m_customDataSource; }

    // ---- CanvasServices ----
    UndoManager *undoManager() override { return &m_undoManager; }
    double getZoomCoeff() const override { return _zoomValue; }
    double getZoom() const override { return _zoomValue / screenFactor(); }
    void invalidateGraphic(const ColorRect *graphic) override;
    void invalidateRect(const QRectF &rect) override;
    void updateRulers() override;
    void beginEchoingMoveToRulers(const QRectF &rect) override;
    void continueEchoingMoveToRulers(const QRectF &rect) override;
    void stopEchoingMoveToRulers() override;
    void wasChanged(bool flag) override;
    QString measure() override;
    QString currentPageName() const override { return getCurrPageName(); }
    int currentLayer() const override;
    BezierPath bezierPath(int type, const QString &labelType) const override;
    QRectF bounds() const override { return m_bounds; }
    bool isPrinting() const override { return m_printing; }
    bool isDrawingDocumentPreview() const override { return m_documentPreview || m_printPreview; }
    bool isDrawingPrintPreview() const override { return m_printPreview; }
    // Set while the print options draw their preview of the label.
    void setDrawingPrintPreview(bool flag) { m_printPreview = flag; }
    GraphicList getRects() const override { return rects; }
    qsizetype objectCount() const override { return rects.size(); }
    GraphicList runaroundObstacles(const ColorRect &box) const override;
    void runaroundChanged() override;
    QPointF constrainedPoint(const QPointF &point) const override;
    // The drawers' controls follow the selection (the barcode drawer among them).
    void setDrawersItemsState() override;
    void clearGridSnap() override;
    double labelWidth() const override { return double(_tlabel.width) * 72.0; }
    double labelHeight() const override { return double(_tlabel.height) * 72.0; }
    QRectF labelBounds() const override
    {
        return QRectF(0.0, 0.0, double(_tlabel.width) * 72.0, double(_tlabel.height) * 72.0);
    }
    void setDocumentCursor(const QCursor &cursor) override;
    void print() override;
    void reportPrintProblem(const QString &message) override;
    void changeFont() override;
    void updateObjectValues() override;

    // ---- StockCanvas ----
    bool drawByType() const override;
    QString getFormatFilter() const override { return _formatFilter; }
    void selectLabelFormat(bool flag) override;
    // A click in the stock preview switched positions: the flags are part of the design.
    void enableLabelFlagsDidChange() override;

    // ---- application shell ----
    // The quit request: YES when the application may quit now (the save prompt only when the
    // design has unsaved changes and the prompt has not just been shown by closing).
    bool applicationShouldTerminate();
    // The close request of the main window: asks when the design has unsaved changes; YES
    // when the window may close.
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
    // The side panel shows while it exists and has not slid away.
    bool isObjectInfoVisible() const { return m_graphicOptDrawerOutlet && !_opened; }
    // Slides the side panel away or back; the canvas area takes or gives the room at once.
    // Nothing without a side panel or while a slide runs.
    void showHideGraphicOpt();
    bool opened() const { return _opened; }
    void setOpened(bool flag) { _opened = flag; }
    bool animating() const { return _isAnimating; }
    void setAnimating(bool flag) { _isAnimating = flag; }
    void animationDidFinish();
    // The side panel beside the canvas and the drawer of the mask browser, both optional:
    // the window's frames follow their visibility.
    void setGraphicOptDrawerOutlet(QWidget *panel) { m_graphicOptDrawerOutlet = panel; }
    QWidget *graphicOptDrawerOutlet() const { return m_graphicOptDrawerOutlet; }
    void setMaskDrawerOutlet(QWidget *drawer) { m_maskDrawerOutlet = drawer; }
    QWidget *maskDrawerOutlet() const { return m_maskDrawerOutlet; }
    // Opens the mask drawer, or closes it when it is open; nothing without one.
    void showHideBarcodeInfo();
    bool isMaskDrawerOpen() const;
    // Redraws the mask browser's tiles when the drawer opens.
    std::function<void()> maskBrowserUpdate;
    // The main window's busy indicator, around work the user waits for.
    void showSpinView();
    void hideSpinView();
    std::function<void(bool spinning)> spinViewHook;
    // Shows the busy indicator while it lives.
    class SpinScope
    {
    public:
        explicit SpinScope(RectsView &canvas) : m_canvas(canvas) { m_canvas.showSpinView(); }
        ~SpinScope() { m_canvas.hideSpinView(); }
        SpinScope(const SpinScope &) = delete;
        SpinScope &operator=(const SpinScope &) = delete;

    private:
        RectsView &m_canvas;
    };
    // Restores the main window's frame saved under "Quillmark"; the first start gives
    // 1220 x 800 at the window's origin.
    void restoreWindowFrame(QWidget *mainWindow);
    // The main window's least size, 1220 x 740, bounded by the screen's free area less the
    // window's frame; and the window's size and place brought inside that area.
    static QSize windowMinimumSize(const QWidget *mainWindow);
    static void fitWindowToScreen(QWidget *mainWindow);
    static QString windowFrameKey(const QString &autosaveName);

    // ---- About panel, help and the product's web pages ----
    // The About panel, put away after 15 seconds without input.
    void runAbout();
    // Shows the About panel until a click or key outside its link, or `timeout` seconds
    // after the first second without input. Nothing without a main window.
    void runAboutDlg(int timeout);
    // Opens the shipped help page; NO when there is none or the desktop refused it.
    bool displayHelp();
    bool visitSite();
    // The support page, told the version.
    bool visitSiteSupport();
    static QString supportAddress(const QString &version);

    // ---- document state ----
    bool isChanged() const { return m_changed; }
    void setPrinting(bool flag) { m_printing = flag; }
    // Raised by wasChanged: the Save button follows it.
    std::function<void(bool)> saveButtonEnabler;

    // ---- object list ----
    void addGraphic(const GraphicPtr &graphic);
    void insertGraphic(const GraphicPtr &graphic, int index);
    void removeGraphicAtIndex(int index);
    // Many objects added at the end together: their undo takes them all out in one walk, and
    // its redo puts them all back in one, not one object at a time.
    void addGraphics(const GraphicList &graphics);
    // Takes the objects out of the design in one walk of its list, and with them every group
    // that holds any of them and is not kept (and `groupsToo`): Undo puts the very objects
    // and groups back where they stood, with the selection they had, each in one step.
    void removeGraphics(const QSet<const ColorRect *> &going, const GroupList &groupsToo = {},
                        const QSet<const Group *> &kept = {});
    bool moveGraphic(const GraphicPtr &graphic, int index);
    int indexOfGraphic(const ColorRect *graphic) const;

    // ---- selection ----
    const GraphicList &selectedObjects() const { return _selectedObjects; }
    void selectRect(const GraphicPtr &graphic);
    void deselectRect(const GraphicPtr &graphic);
    void selectRectUndo(const GraphicPtr &graphic);
    void deselectRectUndo(const GraphicPtr &graphic);
    // The same for many objects at once, undone as one change of the selection.
    void selectRectsUndo(const GraphicList &graphics);
    void deselectRectsUndo(const GraphicList &graphics);
    void selectAll();
    void clearSelection();
    // The lock command: the sender's state 1 unlocks, anything else locks.
    void lock(int senderState);
    bool isSelected(const ColorRect *graphic) const;
    // YES when the group's first member is selected; its marks are drawn then.
    bool isSelectedGroup(const Group *group) const;
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
    // Whether layerGraphics() would hold any, without listing them all.
    bool layerHasGraphics() const;
    GraphicList orderedSelectedGraphics() const;

    // ---- stacking ----
    void bringToFront();
    void bringForward();
    void sendToBack();
    void sendBackward();
    bool canBringToFront() const { return canMoveForward(); }
    bool canMoveForward() const { return stackingState().canMoveForward; }
    bool canSendBackward() const { return canSendToBack(); }
    bool canSendToBack() const { return stackingState().canSendToBack; }
    // The answers above and whether the edited layer holds any object, from one walk of the
    // design: the menus ask them after every command.
    struct StackingState
    {
        bool canMoveForward = false;
        bool canSendToBack = false;
        bool layerHasGraphics = false;
    };
    StackingState stackingState() const;

    // ---- hit testing ----
    GraphicPtr objectUnderPoint(const QPointF &point) const;
    GraphicPtr objectUnderPoint(const QPointF &point, const ColorRect *underObject) const;
    GraphicList graphicsIntersectingRect(const QRectF &rect) const;

    // ---- drawing ----
    // Draws the canvas content in page points through the painter's current transform;
    // `dirty` is the area asked for, in page points.
    void drawContents(QPainter *painter, const QRectF &dirty);
    // Whether the drag going on is shown from the pictures it keeps of what it leaves alone.
    bool showsDragPictures() const;
    void drawLabel(QPainter *painter);
    // The outline of a label with its top-left corner at the origin, in page points; with
    // bleeds YES grown by the "Printing Bleeds" default. A hole makes it even-odd.
    static BezierPath getLabelBoundPath(const TLabel &label, bool bleeds);
    BezierPath getLabelBoundPath() const { return getLabelBoundPath(_tlabel, false); }
    BezierPath getLabelClipPath() const { return getLabelBoundPath(_tlabel, false); }
    // Paints the page background (the page's background image) under the objects, clipped
    // to the label outline. Set by the images subsystem.
    std::function<void(QPainter *, const QRectF &)> pageBackgroundPainter;
    // The path the path tool is building: its line, a dot on each point, a square on each
    // control point and the handle lines between them.
    void drawBezierWithControlPoints(QPainter *painter, const BezierPath &path);
    bool isPreviewMode() const { return _previewMode; }
    void setPreviewMode();
    bool databasePreview() const { return _databasePreview; }
    void setDatabasePreview();
    // The rubber band being dragged and the graphics inside it (tracking sets them).
    void setRubberband(const QRectF &rect, const QSet<const ColorRect *> &graphics);
    // Page points to widget coordinates and back.
    QTransform pageToWidget() const;

    // ---- stock ----
    const TLabel &getLabel() const override { return _tlabel; }
    const TFormat *getTFormat() const override { return _tformat ? &*_tformat : nullptr; }
    int getTIndex() const { return _tindex; }
    QString getCurrentType() const;
    QString getFirstType() const;
    void setTFormat(const TFormat &format);
    void setTLabel(bool renewFlags);
    void setTLabel(const TLabel &label);
    void setTIndex(int index);
    // Applies a grid stock with undo (its own inverse) and keeps the design's proportions.
    void selectFormat(const TLabel &label);
    // Every way another stock becomes current ends here: `makeCurrent` makes it current,
    // the design is scaled from the old label to the new one and the applied design
    // templates are laid out again for it, and Undo takes the whole change back as one step.
    void changeStock(const std::function<void()> &makeCurrent);
    // One byte per label position of the current stock: 0 prints, non-zero is skipped.
    QByteArray &getEnableLabelFlags() override { return _pNonPrnLabel; }
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
    // The custom stock commands run the stock editors as sheets over the window
    // (PrintPanels::runSheet); only OK (1) changes the stock.
    void newCustomLabel();
    void newCustomFormat();
    void editCustomFormat();
    void editStandardLabel();
    void editCustomLabel();
    void deleteCustomLabel();
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
    // Whether the current tool is bound to the page it was used on (text editing, a pending
    // text-chain box): a change of side or page returns to the select tool then.
    bool toolWorksOnThePage() const;

    // ---- printing (src/printing/RectsView_printing.cpp) ----
    // Print: the options sheet, then the system print panel and the job.
    void printSequense();
    void runPageLayout();
    void printCommon();
    bool isPrintSequense() const { return _printSequense; }
    // Labels of the job: records of the browser list in Print Sequence, else the printable
    // positions of one sheet.
    qint64 labelsCount() const;
    qint16 countPrintedLabels() const;
    // The label the record current now has in a run of every record of the browser list,
    // counted from 0; 0 when the list does not hold it. Whatever part of a run is printed or
    // written, a label's sequence value follows its record's place in the whole run, so a
    // label of the current record drawn on its own takes the same value.
    int currentRecordLabel() const;
    // The job the options sheet and the print panel's range describe now.
    PrintJob currentPrintJob() const;
    int pageCount(const PrintJob &job) const;
    // The sheet renderer: page `page` (counted from 1) of the job in page points, the page's
    // top-left corner at `pageRect`'s origin. Printer, files and previews all draw through it.
    void drawSheetPage(QPainter *painter, const QRectF &pageRect, const PrintJob &job, int page);
    // What the sheet renderer reads of the canvas, as values another thread may read.
    SheetLayout sheetLayout() const;
    // Where a free-layout position lies on the paper: translation (and quarter turn) of the
    // label's top-left corner.
    static QTransform positionTransform(const TLabelT &shape, const QPointF &pageOrigin, const QPointF &offset,
                                        double paperWidth, bool back);
    // The temporary grid label a free-layout position is outlined with.
    static TLabel labelForShape(const TLabelT &shape);
    // A position's label, its clip (the outline grown by the bleed) and its outline.
    struct PositionOutline
    {
        TLabel label;
        QPainterPath clip;
        BezierPath outline;
    };
    PositionOutline positionOutline(const TLabelT &shape) const;
    // Whether everything the objects print lies inside the clip, as far as they can tell.
    static bool drawnInside(const GraphicList &graphics, const QPainterPath &clip);
    static QList<QLineF> cropMarkSegments(const QRectF &bounds);
    static void drawCropMarks(QPainter *painter, const BezierPath &path);
    static void drawTrimMarks(QPainter *painter, const BezierPath &path);
    static void drawCalibrationRulers(QPainter *painter, const QRectF &rect, int measure);
    static void drawHorizontalRuler(QPainter *painter, const QRectF &rect, int measure);
    static void drawVerticalRuler(QPainter *painter, const QRectF &rect, int measure);
    QPointF getPrintCalibrationOffset() const;
    // Makes a record current and refreshes every merge object from it. False when the record
    // could not be made current (the objects then show the record that stayed current).
    bool upDateDBFields(qint32 pk);
    void updateDateFields();
    // Prints every page of the job on the printer's paper at 100 %, full page, as many copies
    // as the printer asks for. A PDF file destination is written whole or not at all. False,
    // with the reason in error, when the printer could not print or the file not be written;
    // false with no reason when the user cancelled the job's progress panel.
    bool printJob(QPrinter &printer, const PrintJob &job, QString *error = nullptr);
    // The same drawn on the window's thread, between whose pages the window answers: for a
    // design holding a kind that is drawn there only.
    bool printJobHere(QPrinter &printer, const PrintJob &job, QString *error = nullptr);
    PrintingPanel *printingPanel();
    PrintAddViewController *printViewController();
    // How many of the records (by key, as a merged job prints them) give a barcode of the
    // current page data it cannot encode; their labels show why instead of a symbol. A long
    // check shows its progress and keeps the window answering; nothing when the user cancelled.
    std::optional<int> recordsBarcodesCannotEncode(const QList<qint32> &recordKeys);

    // ---- label export (src/printing/RectsView_export.cpp) ----
    QByteArray createObjectImage(float resolution, const QString &type, int labelNumber = 0);
    // The label at that resolution; barcodes show the sequence value of the label of that number.
    // With `answer`, the window answers between slices of the drawing (false there: given up,
    // no picture then); the canvas is as it was while it answers.
    QImage renderLabelImage(float resolution, bool transparent, int labelNumber = 0,
                            const std::function<bool()> &answer = {});
    bool createPDFFile(const QString &path, QString *error = nullptr, int labelNumber = 0);
    // False with `cancelled` set when the user gave the file up in its progress panel.
    bool exportLabelToFile(const QString &path, int formatTag, double resolution, QString *error = nullptr,
                           int labelNumber = 0, bool *cancelled = nullptr);
    void exportLabel();
    void exportSequentialLabel();
    // Writes files for records first..last (1-based rows of the browser list, bounded to it);
    // returns the number of files written.
    int exportSequentialFiles(const QString &chosenPath, int formatTag, int first, int last, double resolution);
    // Whole-sheet representations for Save As.
    QByteArray TIFFRepresentationForDoc();
    QByteArray EPSRepresentationForDoc();
    bool PDFRepresentationForDoc(const QString &path, QString *error = nullptr);
    // The whole sheet as a file of Save As's type (2 PDF, 3 EPS, 4 TIFF), drawn aside from a
    // copy where the design allows it; empty with `cancelled` set when the user gave it up.
    // Given a `path`, a file drawn aside is written there on the job's thread, `written` set
    // and nothing returned: a sheet of large labels makes a file of hundreds of megabytes.
    QByteArray wholeSheetFile(int type, QString *error = nullptr, bool *cancelled = nullptr, const QString &path = {},
                              bool *written = nullptr);
    // The same written to `path`; false with `cancelled` set when the user gave it up.
    bool writeWholeSheetFile(int type, const QString &path, QString *error = nullptr, bool *cancelled = nullptr);
    // Hands Save As its PDF, EPS and TIFF writers and the document its preview renderer.
    void installPrintingHooks();

    // ---- zoom and layout ----
    double getPrevZoom() const { return _prevZoomValue; }
    int getZoomFit() const override { return _FitPage; }
    void setZoom(double zoom);
    void zoomChange(double zoom);
    void zoomMenuSelect(int index) override;
    void zoomIn();
    void zoomOut();
    void adjustZoom();
    void resizeRectViewBound(bool force, bool center);
    // The zoom text of the zoom button ("229%").
    QString zoomText() const { return m_zoomText; }
    // Set while a mouse-tracking loop runs; layout waits until it ends.
    static void setTrackingFlag(bool flag);
    static bool trackingFlag();

    // ---- rulers and measurement units (RectsView_rulers.cpp) ----
    // Display units: "Inches", "Centimeters", "Points", "Picas"; lengths of the model are in
    // page points (objects) and inches (labels). Registers the units with the rulers and
    // loads the edge marker images, once per process.
    static void initialize();
    // Makes the rulers when the scroll view is one that shows rulers (a ScrollView): the
    // horizontal CRulerView and the vertical ruler, the canvas their client, the unit on the
    // unit button, 15 points for the vertical ruler's markers, the rulers shown. Call it once
    // the outlets are set.
    void initRulers();
    // Stores the unit under "Measurements"; the rulers and the button are not touched.
    void setMeasure(const QString &unit);
    // A length in inches in the unit (centimetres x 2.54, points x 72, picas x 6, any other
    // name inches), and back; without a unit, in measure().
    static float convertUnitsF(float inches, const QString &unit);
    static float convertUnits2inchesF(float value, const QString &unit);
    float convertUnitsF(float inches) { return convertUnitsF(inches, measure()); }
    float convertUnits2inchesF(float value) { return convertUnits2inchesF(value, measure()); }
    // The key of the unit's short name: "cm", "pt", "pc", or "inch" for any other name.
    static QString shortUnitKey(const QString &unit);
    // The unit button's action: the next unit of the cycle inches, centimetres, points,
    // picas, read from the button's title. Emits measureChanged with the factor that turns a
    // length shown in the old unit into the new one.
    void changeMesurement();
    // Shows the current unit's short name on the unit button (translated) and emits
    // measureChanged with factor 1.
    void updateMeasureBtn();
    // The range of the barcode drawer's size control in a unit (1.27 to 7.62 in centimetres).
    static std::pair<double, double> barcodeRangeForMeasure(const QString &unit);
    // The rulers: shown or hidden (View menu), their zero at the label's top-left corner.
    void showHideRuler();
    bool rulersVisible() const;
    void setRulerOffsets();
    // The unit and, with a selection, the two edge markers of each ruler; nothing while a
    // marker is dragged. The horizontal ruler is left to an object's text while edited.
    void updateHorizontalRuler();
    void updateVerticalRuler();
    RulerView *horizontalRuler() const;
    RulerView *verticalRuler() const;
    // The image itself, or in the dark appearance (a dark palette or the "AppleInterfaceStyle"
    // default) a copy painted white where it is opaque.
    static QImage imageForRuler(const QImage &image);
    // Lines at the rectangle's two edges on both rulers; erasing clears every ruler line.
    void drawRulerlinesWithRect(const QRectF &rect);
    void eraseRulerlinesWithRect(const QRectF &rect);
    // The echoed rectangle in each ruler's coordinates (x along the horizontal ruler, y along
    // the vertical one); empty while no echo runs.
    QRectF horizontalRulerLineRect() const { return _horizontalRulerLineRect; }
    QRectF verticalRulerLineRect() const { return _verticalRulerLineRect; }
    // The knob (2, 4, 5 or 7) the edge marker being dragged resizes by; 0 when none.
    static int markerKnob();

    // ---- ruler client: the canvas's page points on the rulers, its edge markers ----
    QWidget *rulerClientWidget() override { return this; }
    QTransform rulerClientTransform() const override { return pageToWidget(); }
    QPointF rulerClientBoundsOrigin() const override { return m_bounds.topLeft(); }
    bool rulerViewShouldMoveMarker(RulerView *ruler, RulerMarker *marker) override;
    // Resizes the selection by the marker's move; the whole drag is one undo step.
    double rulerViewWillMoveMarker(RulerView *ruler, RulerMarker *marker, double location) override;
    void rulerViewDidMoveMarker(RulerView *ruler, RulerMarker *marker) override;
    bool rulerViewShouldRemoveMarker(RulerView *, RulerMarker *) override { return false; }

    // ---- grid and guides (RectsView_grid.cpp) ----
    // The canvas's snapping, made on first use; it lives as long as the canvas.
    TGrid *grid() const;
    // The grid's guides, drawn last on the screen (never when printing).
    void drawGridGuides(QPainter *painter) const;
    // Switches snapping to the label and the other objects off, or on again (the View menu's
    // checked item, and Shift-Control-S while objects are dragged).
    void snapToGuides();


    // The pointer of a knob (1 to 8 resize, 9 move, 10 locked, 12 duplicate), its image
    // centred on the pointer's spot; other numbers change nothing.
    void setknobCursor(int knob);
    // The pointer for where the mouse is, with no button held: the path in progress, the
    // tool, and with the select tool the knob, link knob or object under it.
    void updatePointerAt(const QPointF &point, unsigned modifierFlags);

    // ---- tools and object creation ----
    enum Tool { SelectTool = 0, RotateTool, TextTool, RectTool, OvalTool, LineTool, BarcodeTool,
                PathTool, FieldTool, AddressTool };
    // The tool chosen in the tool bar (its tag); 8 pops the field menu instead.
    void matrixFrameItem(int tag);
    void setupCurrObjectTool(int tool) override;
    void setCurrToolClass(int tool);
    int getCurrToolClass() const { return currentToolClass; }
    // The object kind a tool creates; empty for tools that create nothing by dragging.
    QString currentObjectClass() const;
    // The tool shown in the tool bar; a rotation from the rotation knob returns to it.
    int selectedToolTag() const { return m_toolTag; }
    // Called with the tool number whenever the tool bar has to show another tool.
    std::function<void(int)> toolSelectionChanged;
    // A field chosen in the field menu: into the text edited in place as a merge field, with
    // a return to the text tool; otherwise the field pair of the merge-field tool, placed by
    // the next click.
    void addFieldType(int fieldPk);
    // A field chosen in the context menu's field menu: every selected merge field shows that
    // field instead (one undo step) when the first selected object is one; otherwise as
    // addFieldType.
    void setFieldType(int fieldPk);
    // "Add Address Block...": the address dialog for a new block; OK arms the address tool.
    void addAddressBlock();
    // The command is there unless exactly one object is selected and its text is edited.
    bool canAddAddressBlock() const;
    // The address dialog and its blocks, installed by the database code at start-up so that
    // the canvas never depends on it. The dialog runs window-modal over `window` for a new
    // block (null) or for the given block, which takes the edit; it answers whether the
    // user confirmed. A block just placed takes the parts chosen last and its size.
    static inline std::function<bool(QWidget *window, ColorRect *block)> runAddressDialog;
    static inline std::function<void(ColorRect *block)> prepareAddressBlock;
    GraphicPtr createObjectOfClassR(const QString &className, const QRectF &bounds);
    void createDBField(int fieldPk);
    // Makes the title and contents members of a merge-field pair at a point; the merge code
    // installs it at start-up so that the canvas never depends on it.
    static inline std::function<std::pair<GraphicPtr, GraphicPtr>(CanvasServices *, const QPointF &, int)>
        mergeFieldPairMaker;
    // The Bezier path being built by the path tool; null when none.
    static const BezierPath *pathInProgress();
    static void discardPathInProgress();
    void stopLasso(unsigned modifierFlags);
    int nextKnob(int knob) const;
    int prevKnob(int knob) const;

    // ---- selection tracking ----
    // Feeds of the tracking state machines; the widget's mouse events arrive here in page
    // points with the design's modifier flags.
    void mouseDownAt(const QPointF &point, unsigned modifierFlags, int clickCount);
    void mouseDraggedTo(const QPointF &point, unsigned modifierFlags);
    void mouseUpAt(const QPointF &point, unsigned modifierFlags);
    void moveSelectedGraphicsByPoint(const QPointF &delta);
    QRectF boundsForObjects() const;
    // The box a rotation of these objects turns about: each rotatable group's turned frame
    // once, every other object's turned frame.
    static QRectF boundsForObjects(const GraphicList &objects);
    QRectF rubberbandRect() const { return _rubberbandRect; }
    bool isTracking() const;

    // ---- design document ----
    QVariantMap drawDocumentDictionaryForGraphics(const GraphicList &graphics);
    // Its parts: everything but the objects and the small picture of the label, and the picture.
    QVariantMap documentSettingsForGraphics(const GraphicList &graphics);
    // `answer`, when given, lets the window answer now and then while the picture is drawn, and
    // gives it up when it says false (nothing then).
    QByteArray documentPreviewForGraphics(const GraphicList &graphics, const std::function<bool()> &answer = {});
    QVariantMap labelRepresentation() const;
    // More objects than any label holds. Whatever is saved must open again, so one limit holds
    // for opening, saving and every command that adds objects.
    static constexpr int MaximumObjects = 100000;
    // The limit in force: MaximumObjects, or a smaller one a test sets so that it can reach
    // the limit with a design of a few hundred objects (0 restores MaximumObjects).
    static qsizetype maximumObjects();
    static void setMaximumObjectsForTesting(qsizetype limit);
    // What is wrong with a document dictionary, found before anything is changed.
    struct DocumentCheck
    {
        enum Problem { Sound, NotADesign, Damaged, TooManyObjects, PathTooLong };
        Problem problem = Sound;
        QString key;           // the key whose value is damaged; none for a file cut short
        qsizetype objects = 0; // the objects held, or a path's points, when there are too many
        bool isSound() const { return problem == Sound; }
    };
    static DocumentCheck checkDocumentDictionary(const QVariantMap &dict);
    // The same for a dictionary read with its "ObjectsList" left out and given as `objects`.
    static DocumentCheck checkDocumentDictionary(const QVariantMap &dict, const PropertyListArray &objects);
    // Whether `added` more objects keep the design within MaximumObjects; when they would not,
    // the user is told why under the command's name and nothing is changed.
    bool roomForObjects(qsizetype added, const QString &command);
    TLabel labelWithRepresentation(const QVariantMap &dict);
    GraphicList graphicsFromDrawDocumentDictionary(const QVariantMap &dict);
    GraphicList graphicsFromDrawDocumentDictionary(const QVariantMap &dict, const PropertyListArray &objects);
    // The same for the objects made already from the entries, in their order.
    GraphicList graphicsFromDrawDocumentDictionary(const QVariantMap &dict, GraphicList &&made);
    bool open(const QString &path);
    // The design in its file, or the user told why it was not written.
    bool writeDesign(const QString &path);
    // The points of the design's longest path when it holds more than a path may (what the
    // reader takes), 0 otherwise: such a design is not written.
    qsizetype pathPastLimit(const GraphicList &graphics) const;
    // Writes the design's file at the path; how large the file came to and whether it was
    // written (it is not when it would be larger than a design may be).
    struct DesignFile
    {
        qsizetype size = 0;
        bool written = false;
        // The user gave it up in its progress panel: nothing was written.
        bool cancelled = false;
    };
    DesignFile writeDesignFile(const QString &path);
    bool saveDocument() { return save(); }
    // Asks for a path and writes the design there; the printing code adds other file types
    // through saveAsWriter.
    bool saveDocumentAs();
    // Writes the file of an export type chosen in Save As (2 PDF, 3 EPS, 4 TIFF); YES when
    // written, nothing when the user gave it up.
    std::function<std::optional<bool>(int type, const QString &path)> saveAsWriter;
    bool newDocument();
    void emptyNewDoc();
    bool openDocument();
    bool applicationOpenFile(const QString &path);
    void setFilePath(const QString &path);
    QString getFilePath() const { return _filePath; }
    QString windowTitleText() const;
    void updateWindowTitle();
    void databaseChanged() { wasChanged(true); }
    static QStringList recentDocuments();
    static void noteRecentDocument(const QString &path);
    static void clearRecentDocuments();
    // The save prompt before a design is dropped: YES when the command may go on.
    bool askToSaveChanges();
    // The database that a document names, opened by the database code; YES when it became
    // the current one. The record key selects a record of it.
    std::function<bool(const QString &path)> openDatabaseForDocument;
    std::function<void(qint64 pk)> selectRecordForDocument;
    // The current database's path and selected record key for a document; empty path when
    // no database is current.
    std::function<std::pair<QString, qint64>()> currentDatabaseForDocument;
    // The picture drawn a slice at a time when given a way to answer between slices.
    std::function<QByteArray(const std::function<bool()> &answer)> documentPreviewData;

    // ---- clipboard ----
    static QString pasteboardType();
    // Null when nothing is selected or the user gave the copy up in its progress panel.
    QMimeData *mimeDataForSelection();
    // False when nothing was copied.
    bool copy();
    void cut();
    void paste(const QPointF &offset = QPointF(), bool withOffset = false);
    void duplicate();
    // The step of a duplicate (the preferences' offsets); 5 points each way without it.
    std::function<QPointF()> duplicateOffset;
    void delete_();

    // ---- keys and the context menu (RectsView_keyboard.cpp) ----
    // The arrow keys move the selection 1 point, with Shift 10 points (one undo step each).
    void moveLeft();
    void moveRight();
    void moveUp();
    void moveDown();
    void moveLeftAndModifySelection();
    void moveRightAndModifySelection();
    void moveUpAndModifySelection();
    void moveDownAndModifySelection();
    // Backspace takes the last point off the path being built, else deletes the selection;
    // Delete deletes it; Escape takes the last point off the path being built.
    void deleteBackward();
    void deleteForward();
    void cancelOperation();
    // The modifier keys changed: with one object selected and not edited as text, Control
    // sends colours to the fill, Command to the picture's tint when it shows a picture.
    void flagsChanged(Qt::KeyboardModifiers modifiers);
    static bool fillColorFlag();
    static void setFillColorFlag(bool flag);
    static bool imageColorFlag();
    static void setImageColorFlag(bool flag);
    // The menu of a right click, made by the window; its item with data 11 holds the field
    // submenu, which fieldMenuFiller fills the first time it is shown empty.
    void setContentMenu(QMenu *menu) { contentMenuOutlet = menu; }
    QMenu *contentMenu() const { return contentMenuOutlet; }
    std::function<void(QMenu *)> fieldMenuFiller;
    // The menu with the image-style items the selection allows, popped up at a screen point.
    QMenu *mouseContentMenu(const QPoint &globalPos);
    QMenu *prepareContentMenu();

    // ---- style commands on the selection (RectsView_style.cpp) ----
    // The copied image style: the picture whose mono, tint, mask and tile settings a paste
    // hands on; null until one is copied. Shared by every canvas.
    static std::shared_ptr<specImage> copiedImageStyle();
    void copyImageStyle();
    // Gives the first selected object's picture the copied style, as one undo step.
    void pasteImageStyle();
    // A colour for the selection: the picture's tint with the image-colour flag, the fill
    // with the fill-colour flag, else the stroke; with nothing selected the page background's
    // tint. An object whose text is edited gives the colour to its selected text instead.
    void setObjectColor(const QColor &color);
    void changeFillColor(const QColor &color);
    // A colour well's colour: tag 1112 is the fill well, any other the stroke well.
    void colorWasChanged(const QColor &color, int tag);
    // The non-modal colour and font panels; their changes go to the selection.
    void showColorPanel();
    void showTextFont();
    QColorDialog *colorPanel();
    QFontDialog *fontPanel();
    // Shows the selection's font in the font panel without changing anything.
    void syncFontPanel();
    // The font system names a family once for each foundry that installed it ("C059 [urw]",
    // "C059 [UKWN]"): the panel lists each family once, with the faces of all its foundries.
    void listFontPanelFamiliesOnce();
    // After a new family: the panel shows that family's face nearest to the text's own.
    void showKeptFaceInFontPanel(const QString &family);
    // How a change of the font panel turns each text run's font: only what changed.
    using FontConversion = std::function<QFont(const QFont &)>;
    static FontConversion fontConversion(const QFont &before, const QFont &after);
    enum class FontTrait { Bold, Italic, Bigger, Smaller };
    // Bold and Italic give the trait (`on`) or take it away; Bigger and Smaller step each
    // run's size.
    static FontConversion fontTraitConversion(FontTrait trait, bool on = true);
    // Bold and Italic give the whole selection one state: the trait when any part of it lacks
    // it, else none, each run keeping its family and its other trait.
    void addFontTrait(FontTrait trait);
    // A text a style command changes: the stretch of an object's text.
    struct StyledText
    {
        GraphicPtr graphic;
        std::pair<int, int> range; // start, length
    };
    // The selected stretch of the text being edited, and the whole text of every other selected
    // object that has a font; a chain of linked boxes, one text, once.
    QList<StyledText> textsToStyle() const;
    // Every run of each selected object's text (of the edited text's selection) converted.
    void changeFont(const FontConversion &convertFont);
    void changeAttributes(const std::function<std::optional<QTextCharFormat>(const QTextCharFormat &)> &convert);
    void setObjectStroke(bool state);
    void setObjectFill(bool state);
    void setObjectLineWidth(double width);
    // Offsets in the display unit, stored in inches.
    void setObjectXImageOffset(double value);
    void setObjectYImageOffset(double value);
    // Scales in percent; the picture no longer follows the box.
    void setObjectXImageScale(int percent);
    void setObjectYImageScale(int percent);
    void setObjectImageOpacity(int percent);
    void setObjectDrawsImage(bool state);
    float objectImageOpacity() const;

    // ---- arrange commands (RectsView_arrange.cpp) ----
    // Copies of the selection at 0, 1, ... replicateCount - 1 steps of the duplicate offset.
    void replicate();
    // The number of copies of a replicate (the preferences); 2 without it.
    std::function<int()> replicateCount;
    // Each selected object (each group as a whole) centred on the label by itself.
    void centerObject();
    // The paragraph alignment of a single selected plain text box (of its selected text while
    // it is edited), one undo step.
    void alignText(int code);
    void alignLeft();
    void alignRight();
    void alignCenter();
    void alignJustified();
    // The layer control's segment chosen: the layer to edit, undoable.
    void changeLayer();
    void selectLayer(int layer);
    void setObjectsAngle(int degrees);
    void setTextRunaround(bool state);
    void setTextRunaroundMode(int mode);
    // The first selected object turned a quarter to the right, undoable.
    void rotate();
    // The Arrange menu's align and same-size commands, handed to the inspector with the
    // item's tag: edges or centres (1 left, 2 horizontal centres, 3 right, 4 top, 5 vertical
    // centres, 6 bottom) and sizes (1 width, 2 height, 3 both). Each is one undo step.
    void setObjectAlign(int tag);
    void setObjectSize(int tag);
    // The area the selection's objects draw in.
    QRectF updateRectsForSelection() const;

    // ---- text actions (RectsView_texttables.cpp) ----
    // The start angle and the flip of the text of an oval that is the first selected object;
    // undoable.
    void rotateText(float degrees);
    void flipText(int flip);
    // The table panel for the edited text: the selected text makes room for a table of the
    // rows and columns chosen. Without edited text it says what to do. Answers whether a
    // table went in.
    bool setTextTable();
    static QTextDocumentFragment tableAttributedString();
    // One table cell holding the text, with its background and a 1-point border of the
    // colour, no padding, at the row and column of a table just large enough.
    static QTextDocumentFragment tableCellAttributedStringWithString(const QString &text, const QColor &backgroundColor,
                                                                    const QColor &borderColor, int row, int column);
    // The edited text changed: the box is redrawn, not the whole canvas.
    void textDidChange();

    // ---- groups, undo and clearing ----
    const GroupList &groups() const { return _groups; }
    void group();
    GroupPtr group_(const GraphicList &graphics, bool ordered);
    void ungroup();
    void ungroup_(const GroupPtr &group);
    int groupCF(bool showTitle);
    void ungroupCF();
    GroupPtr selectedGroup() const;
    void setSelectedGroup(const Group *group);
    void insertGroup(const GroupPtr &group, int index);
    void removeGroup(const GroupPtr &group, int index);
    // Groups taken out of the list of groups and put back at their places, each in one walk.
    void removeGroupsAt(const ListPlaces<GroupPtr> &places);
    void insertGroupsAt(const ListPlaces<GroupPtr> &places);
    // The groups leave the design together and their members are no longer held by them (but
    // by a group enclosing them that stays); Undo holds the members in the very groups again.
    void letGoOfGroups(const GroupList &groups);
    void removeGroupAtIndex(int index);
    void undo();
    void redo();
    void removeAllRects(const QString &pageName = QString());
    bool hasTwoSides() const;
    bool selectedisBarcodes() const;

    // ---- in-place text editing (RectsView_textedit.cpp) ----
    // Begins editing the text of a rectangle or oval in place (ending any other edit): the
    // object becomes editable, the document is marked changed and the canvas takes the keys.
    // Answers false for an object that cannot be edited so.
    bool setEditableObject(const GraphicPtr &graphic);
    // Ends the in-place editing of the graphic when it is being edited.
    void clearEditableObject(const GraphicPtr &graphic);
    // Ends whatever in-place editing is going on.
    void clearEditable();
    // The object whose text is edited in place on this canvas, or null.
    GraphicPtr editedObject() const;
    // The caret (a zero-width rectangle the height of its line) or the first selected line
    // part of the edited text, in page points before the object's turn; empty when no text
    // is edited or the insertion point is not shown in the object.
    QRectF caretRect() const;

    // ---- the Edit commands on the edited text (RectsView_textclipboard.cpp) ----
    // While a text is edited in place, the Edit menu's Cut, Copy, Paste, Delete and Select
    // All, their keys and the context menu's items act on that text, as on a text view that
    // holds the keyboard. Each answers false, doing nothing, when no text is edited: the
    // command then acts on the objects.
    enum class TextCommand { Cut, Copy, Paste, Delete, SelectAll };
    bool performTextCommand(TextCommand command);
    // Whether the command can act on the edited text now; none when no text is edited.
    std::optional<bool> validateTextCommand(TextCommand command) const;
    // The clipboard type of text copied here: the archived text with its fonts, colours and
    // merge-field chips.
    static QString textPasteboardType();
    // Text, HTML and the archived text of a part of an object's text, for the clipboard.
    static QMimeData *mimeDataForText(const ColorRect &object, int start, int length);
    // Whether the clipboard holds something a text can take.
    static bool clipboardHasText();

    // ---- track lists (src/database/window/RectsView_tracks.cpp) ----
    // Exactly one text box or oval is selected.
    bool canImportTracks() const;
    // The names of a folder's entries, numbered, each ending in a tab and, outside an oval, a
    // line end; hidden entries are left out.
    static QString trackListFromFolder(const QString &folder, bool oval);
    // Types the text into the selected object at its insertion point, as editable text.
    bool insertTrackText(const QString &text);
    void importFolder();
    void importTextFile();

    // ---- images (src/images/RectsView_images.cpp) ----
    // The private drag type of a browser tile: the payload is empty, the image browser's
    // selected tile is what is dropped.
    static constexpr const char *ImageItemDragType = "MYImageItemDragtype";
    // Installs the page-background painter and the report of missing pictures, and accepts
    // drops of tiles, files and colours.
    void initImages();
    // Tells the user which pictures of the open design have no file (nothing when none).
    void reportMissingImages();
    // The image browser whose selected tile a tile drop reads (not owned).
    void setImageListView(ScrollNSImageView *browser) { imageListView = browser; }
    ScrollNSImageView *getImageListView() const { return imageListView; }
    // An image file (or a web address) into the selected objects ("Change Image"), or into
    // a new fixed-ratio object when none takes it ("Add Image"), centred on `centre` (page
    // points) when given. A picture that is refused changes nothing and says why.
    // A large picture is decoded on a worker while the window answers (busy pointer) and
    // placed when it is ready.
    void setupNewNSImagePath(const QString &path, const std::optional<QPointF> &centre = std::nullopt);
    // Runs `continuation` once the picture of `path` is decoded: at once for a small bitmap
    // (or a file that is no picture), else after a worker has decoded it, with the decoded
    // picture answering every read of `path` the continuation makes (specImage::Preloaded).
    // The newest request wins: an earlier one still decoding is dropped.
    void whenPictureDecoded(const QString &path, std::function<void()> continuation);
    // YES while a picture is being decoded for placing.
    bool isLoadingPicture() const { return m_loadingPicture; }
    // The workers pictures are decoded on for placing: their own, so that a long decode never
    // holds up the workers Qt's painting shares out.
    static QThreadPool &pictureDecoders();
    // "Select Image File": the chosen picture goes to the selection or a new object.
    void openImage();
    // Fits each selected object's picture to its frame ("Fit Image").
    void setObjectFitImage();
    // A new object of the kind holding the picture of `path` (none for an empty path): as
    // large as fits inside the label in the picture's own proportions (a square without a
    // picture), whatever the zoom, centred on `point` in page points, or with
    // createObjectOfClass on the label's centre (`near` has no say). Null after a message when
    // the picture cannot be read. The selection is cleared and the new object is not selected:
    // the callers select it. Undo "Create Object".
    GraphicPtr createObjectOfClassCentered(const QString &className, const QString &path,
                                           const QPointF &point);
    GraphicPtr createObjectOfClass(const QString &className, const QString &path,
                                   const QPointF &near = QPointF());
    void fitResetImage();
    void setObjectResetImage();
    void makeMonohromeFrameImage();
    // Rotates the images of the selection, or the current page's background image when
    // nothing is selected.
    void setImageRotation(int degrees);
    // A mask chosen in the mask browser: to the selection, or to the page background.
    void setupNewNSImageMask(const QString &maskName);
    void setupFrameImageMask(const QString &maskName);
    void changeMaskChBox(bool on);
    void setupFrameImageMaskFlag(bool flag);
    // Whether the selected images (with nothing selected, the page's background image) show
    // a mask: 1 when each has one named and drawn, 0 when none, 2 when they differ, -1 when
    // there is no image.
    int checkBoxMaskState() const;
    // Moves the image inside the first selected object by a step in page points, as a
    // Command-drag does; the first step opens one undo step for the whole drag.
    void trackImageDrag(const QPointF &delta);
    // What a drop would do: YES when the drag offers a tile, files, a colour or TIFF data.
    static bool acceptsImageDrag(const QMimeData *data);
    // Opens a dropped file that is not a picture; open() when not set.
    std::function<void(const QString &)> openDocumentHandler;
    // Says which pictures of the design just opened have no file; installed by initImages().
    std::function<void()> documentOpened;
    // The stored paths of the pictures whose files could not be read when the design was
    // opened, each once, in stacking order.
    QStringList missingImagePaths() const;
    // Performs a drop at a point in page points; always YES.
    bool performImageDrop(const QMimeData *data, const QPointF &pagePoint);

    // ---- the barcode drawer (src/barcodes/RectsView_barcodes.cpp) ----
    // The strip of barcode controls of the window. Its controls are found by their "tag"
    // property: 2031 data, 2032 type (item data = symbology), 2033 bar width (mils), 2034
    // width adjustment (mils), 2035 bar height (display unit), 2036 gap; 2037 is the label
    // naming the height's unit. The drawer shows only while a drawn barcode is selected.
    void setBarcodeDrawer(QWidget *drawer);
    QWidget *barcodeDrawer() const { return barcodeOptDrawerOutlet; }
    // Fills the drawer from the last drawn barcode of the selection, or hides it.
    void setObjBarcodeDrawerItemsState();
    void setDrawerBarInfo(const TBarInfo &info);
    // The gap pop-up is for symbology 7 only.
    void showHideBarcodeInfoItems(int type);
    // Each applies its control's value to every selected barcode, as one undo step under
    // the control's action name.
    void setBarcodeData(QObject *sender);
    void setBarcodeType(QObject *sender);
    void setBarcodeWidth(QObject *sender);
    void setBarcodeAdjust(QObject *sender);
    void setBarcodeHeight(QObject *sender);
    void setBarcodeGap(QObject *sender);
    // Before a print or an export writes anything: every barcode of the current page that
    // numbers its labels from a file must be able to read it. When one cannot, the user is
    // told which file, and the answer is NO: nothing is to be written.
    bool barcodeSequenceFilesReadable();
    // Bitmaps draw bars in whole pixels: what to tell the user when a resolution of
    // `dotsPerInch` makes the bars of a barcode of the current page more than a fifth
    // narrower or wider than chosen, with a resolution that keeps them; empty when none.
    QString coarseBarsMessage(double dotsPerInch) const;

    // ---- design templates (RectsView_templates.cpp) ----
    // "Save as Template...": asks for a name, then writes the objects of both sides of the
    // current orientation into the user's template folder and marks them as template objects.
    void saveTemplate();
    // The command needs an object on the current page.
    bool canSaveTemplate() const;
    // A fresh path in the user's template folder of the current orientation (made when
    // missing); null when the folder cannot be made.
    QString getTemplatePath();
    // The template file's bytes for the current design; empty when it cannot be made, or
    // when the user gave it up in its progress panel (`cancelled` says so).
    QByteArray templateDocumentData(bool *cancelled = nullptr);
    // The current page at the label's full size in points on white, drawn in layer order;
    // `answer` as for documentPreviewForGraphics.
    QImage createTemplateObjectImage(const std::function<bool()> &answer = {});
    // Applies a template file to the design (a tile click sends YES): the earlier template
    // objects give way (with YES and a one-sided template only those of the current page),
    // the template's objects go behind everything with their text links and groups, scaled
    // from the label size they were made for. A one-sided template goes onto the current
    // page. A file that is no template changes nothing and says so. Answers whether applied.
    bool setupNewTemplate(const QString &path, bool oneside);
    // Whether the design has room for a template's objects in place of the template objects
    // it replaces; says why not when it has none.
    bool roomForTemplate(const QVariantMap &dict, bool oneside);
    // Moves the text of objects just placed off a disc's centre hole.
    void keepTextOffTheHole(const GraphicList &placed);
    // Removes the template objects (with YES only those of the current page) and one record.
    // The groups in `kept` keep the template objects they hold, for their replacements.
    void removeTemplate(bool currentPageOnly, const QSet<const Group *> &kept = {});
    // Puts an object in the place of a group's member, undoably.
    void replaceGroupMember(const GroupPtr &group, const GraphicPtr &member, const GraphicPtr &replacement);
    void insertTemplateGraphic(const GraphicPtr &graphic, int index) { insertGraphic(graphic, index); }
    // Scales the objects a template just placed from the label size it was made for to the
    // current one: a title-and-value pair as a whole, a plain group's frame with its members.
    // Every other object (the user's own, another side's template objects that fit already)
    // keeps its size and place.
    void scaleTemplateObjectsFromSize(const QSizeF &from, const QSizeF &to, const GraphicList &placed);
    // The built-in and the user's template folder of the current orientation.
    QStringList templatePath() const;
    const QList<TTemplate> &selectedTemplates() const { return _selectedTemplates; }
    // Re-applies the recorded templates, each on its side, after the label type or the
    // orientation changed.
    void setDefaultTemplate();
    // The stock, the label type or the orientation changed: the categories are rebuilt, the
    // browser follows, and with `reapply` the recorded templates are applied again.
    void templateFolderChanged(bool reapply);
    // The category pop-up: the built-in categories of the orientation, then "my templates";
    // the category chosen before stays chosen.
    void initTemplateCategories();
    void templateCategoryChanged();
    QString selectedTemplateCategory() const;
    // Fills the template browser with the chosen category unless it shows it already.
    void updateTamplatesList();
    // The folder updateTamplatesList loads for the chosen category.
    QString templateListFolder() const;
    static bool templateListLoaded();
    static void setTemplateListLoaded(bool flag);
    // The template browser of the window, installed by the images code.
    struct TemplateBrowser
    {
        QComboBox *categoryPopup = nullptr;
        // Loads the template tiles of a folder (nothing when it shows that folder already).
        std::function<void(const QString &folder)> load;
        // Forgets the folder shown, so that the next load reads it again.
        std::function<void()> forgetFolder;
        // Whether the browser is on screen.
        std::function<bool()> isShown;
    };
    void setTemplateBrowser(const TemplateBrowser &browser);
    // The name panel of the save; its field proposes the template applied last.
    SaveTemplate *saveTemplatePanel();
    // After a save: reloads the user images when the save put a picture among them.
    std::function<void()> userImagesMayHaveChanged;

    // ---- page backgrounds ----
    struct PageBackground
    {
        QString pageName;
        std::shared_ptr<specImage> image;
    };
    // The per-page list, filled from a document's "LabelBackgroundImages".
    const QList<PageBackground> &backgroundImages() const { return _bkgrImageDict; }
    void setBackgroundImages(const QList<PageBackground> &list) { _bkgrImageDict = list; }
    int getBackgroundIndexForPage(const QString &pageName) const;
    std::shared_ptr<specImage> getBackgroundImageForPage(const QString &pageName) const;
    bool isBackgroundImageValid(const QString &pageName) const;
    // Index of the first object of the current page in the object list, -1 when none.
    int backgroundForPage() const;
    // Sets, replaces (undo "Change Background") or with an empty path removes the current
    // page's locked background object.
    void setBkgrdImagePath(const QString &path);
    void clearBackgroundImage() { setBkgrdImagePath(QString()); }
    // Whether the current page has a background object for clearBackgroundImage to take away.
    bool canClearBackgroundImage() const;
    void openBackgroundImage();
    // Draws the current page's background image clipped to the label.
    void drawPageBackground(QPainter *painter);

signals:
    void zoomValueChanged(const QString &text);
    void changedStateChanged(bool changed);
    void selectionChanged();
    void windowTitleChanged(const QString &title);
    // The display unit changed (the unit button, a document) or was shown anew (factor 1):
    // controls showing lengths in the unit multiply them by the factor, and take the new
    // ranges (barcodeRangeForMeasure).
    void measureChanged(const QString &unit, double factor);
    // The stock or its per-position print flags changed: the stock preview follows.
    void stockChanged();
    // An object joined or left the design (the window's commands follow).
    void graphicsChanged();
    // The end of a batch has reported what changed in it (changedStateChanged,
    // graphicsChanged, selectionChanged, each once at most): what follows several of them
    // follows once, here, rather than at each (isReportingChangeBatch).
    void changeBatchReported();

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    // Nothing the canvas draws depends on its having the keyboard: gaining or losing it
    // draws nothing again (a click into the canvas from a panel changes nothing on it).
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool event(QEvent *event) override;

    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

public:
    // While one is alive, adding, removing, selecting and deselecting objects report their
    // change (graphicsChanged, selectionChanged, the rulers) once, when the outermost batch
    // ends: the window's commands and panels depend on the whole design, so asking them per
    // object would make opening, pasting and undoing grow with the square of their size.
    void beginChangeBatch() override;
    void endChangeBatch() override;
    // YES while the end of a batch reports its changes: changeBatchReported follows.
    bool isReportingChangeBatch() const { return m_reportingBatch > 0; }
    class ChangeBatch
    {
    public:
        explicit ChangeBatch(RectsView &view);
        ~ChangeBatch();
        ChangeBatch(const ChangeBatch &) = delete;
        ChangeBatch &operator=(const ChangeBatch &) = delete;

    private:
        RectsView &m_view;
    };

private:
    void notifyGraphicsChanged();
    void removeFromSelection(const ColorRect *graphic);
    // Adds an object known to be on the current page and layer to the selection (its whole
    // group with it), without reporting the change.
    void addToSelection(const GraphicPtr &graphic);
    void notifySelectionChanged();
    // The inspector shows the selection's values again once the event that changed the design
    // has been handled.
    void followDesignChange();
    void rulersChanged();
    void registerUndo(std::function<void()> inverse);
    void setActionName(const QString &name);
    bool isOnCurrentPageAndLayer(const ColorRect &graphic) const;
    int positionInLayer(const GraphicList &layer, const ColorRect *graphic) const;
    // Moves a graphic to the place of the layer graphic at position k.
    void moveToLayerPosition(const GraphicPtr &graphic, int k);
    // The four stacking commands: the selection moves one place or all the way toward the
    // front (the topmost selected first) or the back (the lowest first), keeping its order.
    enum class Restack { ToFront, Forward, ToBack, Backward };
    void restackSelection(Restack how, const QString &actionName);
    // The same, one object at a time; for a selection that holds objects outside the layer.
    void restackSelectionStepwise(Restack how, const QString &actionName);
    // Puts the design's objects in this order, undoably as one step.
    void setStackingOrder(const GraphicList &order);
    // Moves the objects (in the design's order) to lie together directly behind the
    // frontmost of them, in their order.
    void gatherBehindFrontmost(const GraphicList &sorted);
    void applyStockSizeToView();
    // One page segment per label type of the stock (per label without draw by type).
    void rebuildPageSegments();
    // Fits the design to another label size: each title-and-value pair as a whole, each other
    // object a template placed by itself; the user's own objects keep their size and place.
    // Every group's frame then holds its members. Undoable.
    void scaleObjectsFromSize(const QSizeF &from, const QSizeF &to);
    // Every plain group's frame made the one its members hold as they lie; undoably, or,
    // after an undo or redo has put back the members in whatever order its steps ran, as
    // the members say.
    void fitGroupsToMembers(bool undoable = true);
    void setGroupBounds(const QList<std::pair<GroupPtr, QRectF>> &bounds);
    // Whether the stock lays out at least one label (one of more labels than a sheet holds
    // lays out none).
    bool laysOutLabels() const;
    // The current stock as a whole, for the way back from a stock change.
    struct StockState
    {
        std::optional<TFormat> format;
        TLabel label;
        int index = 0;
        QByteArray flags;
    };
    StockState stockState() const;
    void restoreStock(const StockState &state);
    QSizeF labelSizeInPoints() const;
    // A grid stock taken in the orientation the canvas shows: turned when it is landscape.
    void setTLabelInOrientation(const TLabel &label);
    // The groups whose first member is among the graphics, in their stored form.
    QVariantList groupsRepresentation(const GraphicList &graphics) const;
    // The groups a stored "GroupsList" holds over `graphics`, each given this canvas and
    // appended unselected to the groups, the others left unselected too.
    QList<GroupPtr> addGroupsFromPropertyList(const QVariant &stored, const GraphicList &graphics);
    void selectCatalogueIndex(const QModelIndex &index);
    void selectLastCustomRow();
    // Clears the browser's search text.
    void showEveryStock();
    // Saves the custom list; says so when it could not be written.
    void storeCustomList();
    void writeStockDefaults(int type);
    void matchLabelListSelection();
    QRectF visibleArea() const;
    QRectF clipBounds() const;
    void scrollPoint(const QPointF &point);
    void setFrameAndBounds(const QRectF &bounds);
    void renewFlags();
    // Tracking.
    struct TrackingState;
    void selectAndTrackMouseWithEvent(const QPointF &point, unsigned flags, int clickCount);
    void startCreate(const QString &className, const QPointF &point, unsigned flags);
    void finishCreate(unsigned flags);
    void finishObjectCreation(const GraphicPtr &object, unsigned flags);
    void startMove(const QPointF &point, unsigned flags);
    void startKnob(const GraphicPtr &object, const GroupPtr &group, int knob);
    void startRotation(const QPointF &point);
    void rotationStep(const QPointF &point, unsigned flags);
    void endRotationDrag();
    // Control and Shift drags pan the canvas in its scroll view, with a closed hand.
    bool canPan() const;
    void startPan();
    void panTo(const QPointF &screenPoint);
    QPointF processGrid(const QPointF &point, const QPointF &prev);
    // Shift with Control (or Command) and S while a move is tracked: snapping on or off for
    // that move.
    bool isMoveSnappingKey(const QKeyEvent *event) const;
    void autoscrollStep();
    // The feedback of the drag under way and the marks of the selected groups; with `dirty`,
    // only the groups whose marks can reach into it.
    void drawTrackingFeedback(QPainter *painter, const QRectF &dirty = QRectF());
    // The layers of drawContents in their order; the objects and their marks only those
    // `drawn` takes (every one when it is empty).
    void drawUnderObjects(QPainter *painter, const QRectF &dirty);
    void drawObjectsOf(QPainter *painter, const QRectF &dirty, const GraphicList &sorted,
                       const std::function<bool(const ColorRect &)> &drawn);
    void drawVeil(QPainter *painter, const QRectF &dirty);
    void drawMarksOf(QPainter *painter, const QRectF &dirty, const GraphicList &sorted,
                     const std::function<bool(const ColorRect &)> &drawn);
    void drawOverMarks(QPainter *painter, const QRectF &dirty = QRectF());
    // What a drag keeps while it lasts (RectsView_dragpictures.cpp): pictures of the objects
    // it leaves where they are, and of those it moves, made once at screen resolution by the
    // same drawing; each step copies them. Answers whether the area was painted from them.
    struct DragPictures;
    std::shared_ptr<DragPictures> m_dragPictures;
    bool paintFromDragPictures(QPainter &painter, const QRegion &region);
    // Forgets the pictures once an object they show has changed otherwise than by the drag
    // (any object when null); the pictures are made again at the next drawing.
    void dropDragPictures(const ColorRect *changed = nullptr);
    // At the release of a move, a turn or a resize: the next repaint may draw the drop from
    // the drag's pictures.
    void keepDragPicturesForDrop();
    // Draws the next slice of the canvas drawn afresh after a drop.
    void askSettling(const std::shared_ptr<DragPictures> &pictures);
    // What the drag going on changes: nothing but the marks (the rubber band), objects it
    // moves or turns as one, or objects it reshapes; and which objects.
    // `turning`, when given, tells a turn (each group about its own middle) from a move.
    enum class DragChange { None, Marks, Moving, Reshaping };
    DragChange dragChanges(QSet<const ColorRect *> &changing, bool *turning = nullptr) const;
    void forgetDragChanges();
    void forgetMoveBounds();
    // While the marks over everything are drawn for a repaint from the drag's pictures: the
    // groups whose marks those pictures hold already.
    const QSet<const Group *> *m_groupMarksInPictures = nullptr;
    QRectF selectionRect() const;
    GroupPtr groupPtr(const Group *group) const;
    // Members that answer no group after a group held them went answer the last group still
    // held that holds them: a group grouped again with more objects comes back, at the frame
    // its members hold now.
    void answerEnclosingGroups(const GraphicList &members);
    // The group as the list holds it, made the selected one in the same walk of the list;
    // nothing changes when the list does not hold it.
    GroupPtr selectHeldGroup(const Group *group);

    // In-place text editing.
    bool textEditingKeyPress(QKeyEvent *event);
    bool isTextEditingKey(const QKeyEvent *event) const;
    void placeCaretAt(const QPointF &point, unsigned flags);
    // A press inside the frame of the edited object goes to its text, as to a text view
    // lying over the canvas; answers whether it did.
    bool pressInEditedText(const QPointF &point, unsigned flags, int clickCount);
    // Dragging after such a press selects text; answers whether the drag was the text's.
    bool dragInEditedText(const QPointF &point);
    bool m_textDragging = false;
    void textSelectionDidChange();
    void drawTextEditing(QPainter *painter);
    void drawEditedFrame(QPainter *painter, const GraphicPtr &graphic, const QRectF &dirty);
    // Runs one typing edit; the first of a burst registers the one undo step of the burst.
    // An edit with a step name of its own (a cut, a paste) is one step by itself.
    void typingEdit(const std::function<void()> &edit, const QString &stepName = QString());
    // What the delete keys take away: a burst of its own, the undo step named "Delete",
    // unless it corrects what is being typed.
    void deletingEdit(const std::function<void()> &edit);
    void textEdit(const std::function<void()> &edit, const QString &stepName, bool burst);
    void endTypingBurst() { m_typingBurst.clear(); }
    // Redraws the boxes the edited text shows in.
    void invalidateEditedText(const GraphicPtr &graphic);
    // The name of the burst of edits going on, which the next edit of that kind joins.
    QString m_typingBurst;
    // The ways back from the burst's replacements, held by its undo step.
    std::weak_ptr<std::vector<std::function<void(ColorRect &)>>> m_burstInverses;
    // The selection when editing began; editing ends when it changes.
    QList<const ColorRect *> m_editingSelection;

    std::shared_ptr<TrackingState> m_tracking;
    QTimer *m_autoscrollTimer = nullptr;
    // Whether the last move came from the window system, which then knows the buttons held.
    bool m_lastMoveFromWindowSystem = false;
    QPointF m_lastWidgetPoint;
    QPointF m_pressScreenPoint;
    unsigned m_lastDragFlags = 0;
    QPointF m_lastMouseDown;
    int currentToolClass = 0;
    int m_toolTag = 0;
    int m_pendingFieldPk = -1;
    GraphicPtr m_textLinkSource;
    bool m_textLinkNext = false;
    QString _filePath;
    GroupList _groups;
    // Each group of _groups by its address, and how many times the list holds it: every change
    // of the list goes through the three below, so that finding the group of one member of
    // thousands, held or let go of, never walks the list.
    struct HeldGroup
    {
        GroupPtr group;
        int times = 0;
    };
    QHash<const Group *, HeldGroup> m_groupIndex;
    // Objects taken out of the list and put back at their places, each in one walk.
    void removeGraphicsAt(const ListPlaces<GraphicPtr> &places);
    void insertGraphicsAt(const ListPlaces<GraphicPtr> &places);
    // A member of a group let go of: the group that held it, and the one holding it after
    // (an enclosing one that stays, or none).
    struct MemberHolders
    {
        GraphicPtr member;
        GroupPtr before;
        GroupPtr after;
    };
    // Each member held by its group before or after, undone in one step.
    void setMembersGroups(const QList<MemberHolders> &held, bool before);
    void listGroup(const GroupPtr &group, qsizetype at = -1);
    // One entry of the group, the last, or every entry.
    void unlistGroup(const GroupPtr &group, bool everyEntry);
    void unlistAllGroups();
    // The group selectHeldGroup selected last: the one to let go of when another is selected.
    std::weak_ptr<Group> m_heldGroup;
    bool m_groupShowsTitle = false;

    Outlets m_outlets;
    QPointer<QWidget> barcodeOptDrawerOutlet;
    CanvasInspector *m_objectInfo = nullptr;
    // The inspector refreshed after a change of the selection, and its page opened.
    void refreshObjectInfo();
    // The scroll area's viewport, watched for size changes; cleared when it goes away.
    QPointer<QWidget> m_viewport;
    UndoManager m_undoManager;
    DataSource *m_dataSource = nullptr;
    CustomDataSource *m_customDataSource = nullptr;

    GraphicList rects;
    // The objects with runaround, found by where they lie for the text boxes below them.
    mutable RunaroundIndex m_runaround;
    GraphicList _selectedObjects;
    // The members of _selectedObjects, for asking whether an object is selected in constant
    // time: drawing, Select All and undoing a selection ask it per object.
    QSet<const ColorRect *> m_selectedSet;
    // Open while many objects change at once (ChangeBatch); what depends on the whole design
    // is reported once when the outermost batch ends.
    int m_batchDepth = 0;
    int m_reportingBatch = 0;
    // Where pictures made aside arrived in this turn of the event loop, in the canvas's
    // pixels, and whether the canvas is asked to draw there once the turn's pictures are in.
    std::vector<QRect> m_arrivedAreas;
    bool m_arrivedUpdatePosted = false;
    // While the canvas draws a region of many parts (the pictures of a turn arrived apart):
    // whether an area of the page reaches into any part. Only what does is drawn.
    std::function<bool(const QRectF &)> m_reachesRegion;
    // The inspector follows a change of the design once the canvas has drawn it, in a turn of
    // the event loop of its own (a timer: a queued call would run in the repaint's turn).
    QTimer *m_inspectorFollow = nullptr;
    // Whether the inspector was filled whole (selection changed) after the design last said
    // it changed: the follow-up then has nothing to add.
    bool m_inspectorFilledSinceChange = false;
    bool m_batchGraphicsChanged = false;
    bool m_batchSelectionChanged = false;
    bool m_batchRulers = false;
    // The selection's bounds while updateRulers marks them on both rulers: measured once.
    std::optional<QRectF> m_rulerBounds;
    // The selection's bounds for the rest of a move drag's step: the grid's snap and both
    // rulers ask for them, and the move shifts them by its offset, where each asking would walk
    // every selected object again.
    std::optional<QRectF> m_stepSelectionBounds;
    bool m_batchRepaint = false;
    bool m_batchChangedState = false;
    QSet<const ColorRect *> _rubberbandGraphics;
    QRectF _rubberbandRect;

    QRectF m_bounds;
    bool m_changed = false;
    bool m_printing = false;
    bool m_documentPreview = false;
    bool m_printPreview = false;
    bool _previewMode = false;
    bool _databasePreview = false;

    TLabel _tlabel;
    std::optional<TFormat> _tformat;
    int _tindex = 0;
    QByteArray _pNonPrnLabel;
    QString _formatFilter;
    bool m_adjustingLists = false;
    // Set while a stock change lays the applied templates out again: they are part of that
    // change's undo step, not a history of their own.
    bool m_stockChanging = false;
    // Set once a group holds an object another group holds too (groups nest only as designs
    // store them): ungrouping then looks for the group each member returns to.
    bool m_groupsMayNest = false;
    // The template file and entry each template object was placed from or saved to: laid
    // out again, the template's object from the same entry takes its place in the user's
    // group.
    struct TemplatePlace
    {
        std::weak_ptr<ColorRect> graphic;
        QString file;
        qsizetype entry = -1;
    };
    QHash<const ColorRect *, TemplatePlace> m_templatePlaces;
    void noteTemplatePlaces(const GraphicList &graphics, const QString &file);

    // Rulers and grid.
    QRectF _horizontalRulerLineRect;
    QRectF _verticalRulerLineRect;
    bool m_echoing = false;
    bool m_markerUndoOpen = false;
    bool m_markerChanged = false;
    mutable std::shared_ptr<TGrid> _grid;

    double _zoomValue = 1.0;
    double _prevZoomValue = 1.0;
    int _FitPage = 0;
    QString m_zoomText;
    int m_templateItemSize = 90;
    bool _opened = false;
    bool _isAnimating = false;
    QPointer<QWidget> m_graphicOptDrawerOutlet;
    QPointer<QWidget> m_maskDrawerOutlet;

    bool _printSequense = false;
    // What objects reported they cannot print while a print command runs; null otherwise.
    struct PrintProblemLog;
    PrintProblemLog *m_printProblems = nullptr;
    // What the job being printed keeps from page to page (printing/SheetJob.h); null otherwise.
    struct SheetJob;
    SheetJob *m_sheetJob = nullptr;
    PrintingPanel *m_printingPanel = nullptr;
    PrintAddViewController *m_printViewController = nullptr;

    QList<TTemplate> _selectedTemplates;
    TemplateBrowser m_templateBrowser;
    SaveTemplate *m_saveTemplatePanel = nullptr;
    void reportTemplateNotRead();
    // Replaces the template records, with undo.
    void setSelectedTemplates(const QList<TTemplate> &records);
    QList<PageBackground> _bkgrImageDict;
    ScrollNSImageView *imageListView = nullptr;
    // The picture file into the selection or a new object; the object that took it first.
    GraphicPtr placeImageFile(const QString &path, const std::optional<QPointF> &centre);
    // setupNewNSImagePath, then `then` with the object that took the picture (null when none
    // did) and whether it was made for it; not called for a web address.
    void placePicture(const QString &path, const std::optional<QPointF> &centre,
                      std::function<void(const GraphicPtr &, bool)> then);
    // Ends the busy pointer of a picture being decoded.
    void endPictureLoad();
    int m_pictureRequest = 0;
    bool m_loadingPicture = false;
    // A web picture: its preview placed at once, the full picture downloaded into it.
    void setupNewWebImage(const QString &address, const std::optional<QPointF> &centre);
    // Stops waiting for a web picture and closes its undo step.
    void endPendingWebImage();
    // The object a web image is downloaded into, and the download.
    GraphicPtr m_pendingImageObject;
    bool m_pendingUndoGroup = false;
    QNetworkReply *m_pendingDownload = nullptr;
    // Counts the web pictures given up, so that a full picture decoded for one of them is dropped.
    quint64 m_webPictureDecode = 0;

    // Keys and the context menu.
    void nudge(const QPointF &delta);
    bool removeLastPathPoint();
    bool keyCommand(QKeyEvent *event);
    // A modifier key went down or up: the colour flags and the pointer follow. Answers
    // whether the key was a modifier.
    bool modifierKeyEvent(QKeyEvent *event);
    QMenu *contentMenuOutlet = nullptr;

    // Style commands.
    struct ImageStyleValues
    {
        bool mono = false;
        bool tint = false;
        bool drawMask = false;
        QString maskName;
        QColor color;
        float tile = 1.0f;
        static ImageStyleValues of(const specImage &image);
    };
    void applyImageStyle(const GraphicPtr &graphic, const std::shared_ptr<specImage> &image,
                         const ImageStyleValues &values);
    void applyToSelection(const std::function<void(ColorRect &)> &apply, const QString &actionName);
    QPointer<QColorDialog> m_colorPanel;
    QPointer<QFontDialog> m_fontPanel;
    QFont m_fontPanelFont;
    bool m_panelSyncing = false;
    // The family whose kept face the panel is to show once the inspector has followed the
    // change (it sets the panel to the face the family fell back on); a timer started after
    // the inspector's runs after it.
    QString m_keptFaceFamily;
    QTimer *m_keptFaceTimer = nullptr;
    ColorRect *singlePlainTextBox() const;
    void setOvalText(const GraphicPtr &graphic, float degrees, int flip, const QString &actionName);
    bool runTablePanel(int *rows, int *columns);
};

} // namespace quillmark
