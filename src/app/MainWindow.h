#pragma once
// The application's main window: the stock browser on the left, the page controls and the
// canvas in its scroll area on the right, the menu bar and the tool bar, and the database
// editor that the mode switch puts in the canvas's place. The program's entry and the tests
// that drive the whole application build the same window.
#include <QMainWindow>

#include <functional>

class QAction;
class QCheckBox;
class QDockWidget;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QTableView;
class QToolButton;
class QTreeView;

namespace quillmark {

class BarcodeDrawer;
class DatabaseModeSwitch;
class ImageBrowserPanel;
class ObjectInfoPanel;
class Preference;
class ProgressSpinner;
class PropertiesView;
class RectsView;
class SegmentedControl;
class ZoomButton;
class testPreview;

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    QMenu *fileMenu() const { return m_fileMenu; }
    QAction *quitAction() const { return m_quitAction; }
    RectsView *canvas() const { return m_canvas; }
    QScrollArea *scrollArea() const { return m_scrollArea; }
    QTreeView *catalogueView() const { return m_catalogue; }
    QTableView *customView() const { return m_customTable; }
    QTabWidget *stockTabs() const { return m_stockTabs; }
    QLineEdit *searchField() const { return m_search; }
    QLabel *labelInfo() const { return m_labelInfo; }
    testPreview *stockPreview() const { return m_stockPreview; }
    QPushButton *newFormatButton() const { return m_newFormat; }
    // The "+" button's menu: a new custom label (grid) or a new custom format (free layout).
    QMenu *newFormatMenu() const { return m_newFormatMenu; }
    SegmentedControl *sideControl() const { return m_side; }
    SegmentedControl *pageControl() const { return m_pages; }
    SegmentedControl *layerControl() const { return m_layers; }
    QCheckBox *landscapeBox() const { return m_landscape; }
    QCheckBox *drawByTypeBox() const { return m_drawByType; }
    ZoomButton *zoomButton() const { return m_zoomButton; }
    QToolButton *measureButton() const { return m_measureButton; }
    Preference *preferencePanel() const { return m_preferences; }
    DatabaseModeSwitch *modeSwitch() const { return m_modeSwitch; }
    // The object inspector and the side panel that shows its pages beside the canvas.
    ObjectInfoPanel *objectInfo() const { return m_objectInfo; }
    PropertiesView *propertiesView() const { return m_propertiesView; }
    QDockWidget *sidePanel() const { return m_sidePanel; }
    // The drawer that holds the mask browser, closed at first.
    QDockWidget *maskDrawer() const { return m_maskDrawer; }
    // The barcode settings above the canvas, closed unless a barcode is selected.
    BarcodeDrawer *barcodeDrawer() const { return m_barcodeDrawer; }
    // The stock browser and the canvas area side by side.
    QSplitter *splitView() const { return m_splitView; }
    // The window's busy indicator.
    ProgressSpinner *busyIndicator() const { return m_spinner; }
    // How near either end the split view's divider may come, and the mask drawer's width.
    static constexpr int SplitViewMargin = 250;
    static constexpr int MaskDrawerWidth = 145;
    static constexpr int MaskDrawerHeight = 437;

    // After the window is shown: the last database becomes current.
    void finishLaunching();
    // Opens the first document named among the program's arguments, as if the desktop had
    // handed it over.
    void openDocumentsFromArguments(const QStringList &arguments);

    // The Preferences command: runs the panel window-modal over this window.
    void showPreferences();
    // The quit command: quits when the canvas allows it.
    void terminate();
    // Ends the application once the quit was allowed; QApplication::quit unless replaced.
    // Qt closes every window before it quits: the closing that follows asks nothing more.
    std::function<void()> quitApplication;

protected:
    void closeEvent(QCloseEvent *event) override;
    // Shown, and whenever it moves to another screen, the window fits that screen's free area.
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildStockBrowser();
    QWidget *buildCanvasArea();
    void buildMenus();
    void buildToolBar();
    void buildToolMatrix(QToolBar *bar);
    // The tool buttons' drawings for the current appearance.
    void updateToolButtons();
    void fillRecentMenu();
    void popUpFieldMenu();
    // The merge fields of the current database as items that place or insert a field; with
    // `retype` (the canvas's context menu) they retype a selected merge field instead.
    void fillFieldMenu(QMenu *menu, bool retype = false);
    void buildDatabaseMode();
    void buildSidePanel();
    void buildMaskDrawer(ImageBrowserPanel *imagePanel);

    QMenu *m_fileMenu;
    QAction *m_quitAction;
    RectsView *m_canvas = nullptr;
    QScrollArea *m_scrollArea = nullptr;
    QTreeView *m_catalogue = nullptr;
    QTableView *m_customTable = nullptr;
    QTabWidget *m_stockTabs = nullptr;
    QLineEdit *m_search = nullptr;
    QLabel *m_labelInfo = nullptr;
    QPushButton *m_viewType = nullptr;
    QPushButton *m_newFormat = nullptr;
    QMenu *m_newFormatMenu = nullptr;
    testPreview *m_stockPreview = nullptr;
    QPushButton *m_editFormat = nullptr;
    QPushButton *m_deleteFormat = nullptr;
    SegmentedControl *m_side = nullptr;
    SegmentedControl *m_pages = nullptr;
    SegmentedControl *m_layers = nullptr;
    QCheckBox *m_landscape = nullptr;
    QCheckBox *m_drawByType = nullptr;
    ZoomButton *m_zoomButton = nullptr;
    QToolButton *m_measureButton = nullptr;
    QAction *m_saveAction = nullptr;
    QMenu *m_recentMenu = nullptr;
    QList<QAction *> m_toolActions;
    // Each button of the tool bar that shows a drawing, with the drawing's name.
    QList<std::pair<QAction *, QString>> m_toolImages;
    bool m_quitting = false;
    bool m_watchingScreen = false;
    Preference *m_preferences = nullptr;
    DatabaseModeSwitch *m_modeSwitch = nullptr;
    ObjectInfoPanel *m_objectInfo = nullptr;
    PropertiesView *m_propertiesView = nullptr;
    QDockWidget *m_sidePanel = nullptr;
    QDockWidget *m_maskDrawer = nullptr;
    BarcodeDrawer *m_barcodeDrawer = nullptr;
    int m_maskDrawerGrowth = 0; // what opening the mask drawer added to the window's width
    QSplitter *m_splitView = nullptr;
    ProgressSpinner *m_spinner = nullptr;
};

} // namespace quillmark
