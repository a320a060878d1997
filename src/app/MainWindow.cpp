#include "app/MainWindow.h"
#include "app/CanvasCommands.h"
#include "app/HelpMenu.h"
#include "app/MenuValidator.h"

#include <QAction>
#include <QBoxLayout>
#include <QActionGroup>
#include <QCursor>
#include <QFileInfo>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWindow>

#include "barcodes/BarcodeDrawer.h"
#include "canvas/RectsView.h"
#include "database/store/Database.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseModeSwitch.h"
#include "database/window/DatabaseView.h"
#include "database/store/MergeContents.h"
#include "foundation/Language.h"
#include "foundation/MyScrollView.h"
#include "foundation/ZoomButton.h"
#include "foundation/LanguageControls.h"
#include "foundation/Preference.h"
#include "foundation/SegmentedControl.h"
#include "images/Controller.h"
#include "images/ImageBrowserPanel.h"
#include "images/ImageMenu.h"
#include "images/ProgressSpinner.h"
#include "images/ScrollNSImageView.h"
#include "images/TemplateBrowserPanel.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesView.h"
#include "platform/Appearance.h"
#include "platform/BundleCursor.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/WheelGuard.h"
#include "printing/StockPaper.h"
#include "stock/CustomDataSource.h"
#include "stock/DataSource.h"
#include "stock/testPreview.h"

namespace quillmark {

namespace {


// A menu item with its English title; the menu's re-translation shows it in the language.
QAction *addItem(QMenu *menu, const QString &title, const QKeySequence &shortcut,
                 const std::function<void()> &action)
{
    QAction *item = menu->addAction(title);
    if (!shortcut.isEmpty())
        item->setShortcut(shortcut);
    QObject::connect(item, &QAction::triggered, menu, action);
    return item;
}

// Names a tool bar item by its identifier, for its enabling and its place in the row.
void identify(QAction *item, const char *identifier)
{
    item->setProperty(MenuValidator::identifierProperty(), QString::fromLatin1(identifier));
}

// The item of the menu bar whose English title (kept as its key) is `key`.
QAction *menuItemWithKey(QMenuBar *bar, const QString &key)
{
    for (QAction *top : bar->actions())
        if (QMenu *menu = top->menu())
            for (QAction *item : menu->actions())
                if (!item->menu() && item->toolTip() == key)
                    return item;
    return nullptr;
}

// The drawings of the tool buttons, by tool number; each comes as "off_" (for a light
// appearance) and "on_" (for a dark one).
const char *const ToolImageNames[] = {"pointer_button", "rotate_button", "txt_button",     "rectangl_button",
                                      "elipse_button",  "line_button",   "barcode_button", "lasso_button",
                                      "@_button",       "address_button"};

// The window's least width where the screen has room for it.
constexpr int UsualLeastWidth = 1220;

// The canvas area: the row of page controls above the canvas, the barcode drawer and the
// canvas's scroll view. Where the area is too narrow for the row, its check boxes go to a
// second line rather than over the side and page controls; the area never narrows below
// what its controls need, nor below the split view's margin.
class CanvasArea : public QWidget
{
public:
    QBoxLayout *rows = nullptr;
    QHBoxLayout *pageControls = nullptr;
    QHBoxLayout *checkBoxes = nullptr;

    // As narrow as the row's two lines allow: the row goes to two lines before the area
    // would narrow further.
    QSize minimumSizeHint() const override
    {
        QSize least = QWidget::minimumSizeHint();
        if (rows) {
            const QMargins margins = rows->contentsMargins();
            const int stacked = margins.left() + std::max(leastWidth(pageControls), leastWidth(checkBoxes)) + margins.right();
            least.setWidth(stacked);
        }
        least.setWidth(std::max(least.width(), int(MainWindow::SplitViewMargin)));
        return least;
    }

    void fitRows()
    {
        if (!rows)
            return;
        // Every control at its least width, with the spaces between them.
        const QMargins margins = rows->contentsMargins();
        const int oneRow = margins.left() + leastWidth(pageControls) + 20 + leastWidth(checkBoxes) + margins.right();
        const auto direction = width() < oneRow ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight;
        if (rows->direction() != direction) {
            rows->setDirection(direction);
            rows->setSpacing(direction == QBoxLayout::LeftToRight ? 20 : 2);
        }
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        fitRows();
    }

private:
    static int leastWidth(QHBoxLayout *line)
    {
        int width = 0;
        for (int i = 0; i < line->count(); ++i) {
            QLayoutItem *item = line->itemAt(i);
            if (QWidget *control = item->widget()) {
                width += control->minimumWidth() > 0 ? control->minimumWidth() : control->minimumSizeHint().width();
            } else {
                width += item->minimumSize().width();
            }
        }
        return width;
    }
};

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_fileMenu(new QMenu(QStringLiteral("File"), this))
    , m_quitAction(new QAction(QStringLiteral("Quit"), this))
{
    setWindowTitle(QStringLiteral("Quillmark::") + Language::stringForKey(QStringLiteral("Untitled")));
    WheelGuard::install();

    m_canvas = new RectsView;
    m_splitView = new QSplitter(Qt::Horizontal, this);
    m_splitView->setObjectName(QStringLiteral("SplitView"));
    QWidget *stockBrowser = buildStockBrowser();
    stockBrowser->setObjectName(QStringLiteral("splitview1"));
    QWidget *canvasArea = buildCanvasArea();
    canvasArea->setObjectName(QStringLiteral("splitview2"));
    m_splitView->addWidget(stockBrowser);
    m_splitView->addWidget(canvasArea);
    // The divider stays 250 points from either end, and neither side folds away; when the
    // window's width changes only the canvas side takes or gives the room.
    stockBrowser->setMinimumWidth(SplitViewMargin);
    m_splitView->setChildrenCollapsible(false);
    m_splitView->setStretchFactor(0, 0);
    m_splitView->setStretchFactor(1, 1);
    m_splitView->setSizes({300, 900});
    connect(m_splitView, &QSplitter::splitterMoved, m_canvas, [this] { m_canvas->resizeRectViewBound(true, true); });
    setCentralWidget(m_splitView);

    // The unit button: its English short name is its key until the canvas shows the unit.
    m_measureButton = new QToolButton;
    m_measureButton->setObjectName(QStringLiteral("MeasureButton"));
    m_measureButton->setText(QStringLiteral("inch"));
    m_measureButton->setToolTip(Language::stringForKey(QStringLiteral("Change Measurement Units")));
    m_measureButton->setMinimumWidth(44);
    LanguageControls::awakeFromNib(m_measureButton);
    connect(m_measureButton, &QToolButton::clicked, m_canvas, [this] { m_canvas->changeMesurement(); });

    RectsView::Outlets outlets;
    outlets.scrollView = m_scrollArea;
    outlets.mesurementOutlet = m_measureButton;
    outlets.segmentedFrontBackOutlet = m_side;
    outlets.segmentedPageOutlet = m_pages;
    outlets.segmentedLayersOutlet = m_layers;
    outlets.cbLandscapeView = m_landscape;
    outlets.cbDrawByType = m_drawByType;
    outlets.labelOutlineViewOutlet = m_catalogue;
    outlets.labelTableViewOutlet = m_customTable;
    outlets.tabPanelViewOutlet = m_stockTabs;
    outlets.searchField = m_search;
    outlets.labelInfo = m_labelInfo;
    outlets.bnDeleteFormat = m_deleteFormat;
    outlets.bnEditFormat = m_editFormat;
    outlets.bnViewType = m_viewType;
    m_canvas->setOutlets(outlets);
    m_canvas->initRulers();

    // The inspector's side panel comes first beside the canvas, then the image browser, on
    // the side away from the stock browser.
    buildSidePanel();
    m_canvas->initImages();
    auto *imagePanel = new ImageBrowserPanel(m_canvas);
    imagePanel->setObjectName(QStringLiteral("ImageBrowserPanel"));
    auto *imageDock = new QDockWidget(Language::stringForKey(QStringLiteral("Images")), this);
    imageDock->setObjectName(QStringLiteral("ImagesDock"));
    imageDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    imageDock->setWidget(imagePanel);
    // On a screen narrower than the window's usual least width the browsers give way before
    // the canvas: they share the side panel's column, under it.
    if (RectsView::windowMinimumSize(this).width() < UsualLeastWidth)
        splitDockWidget(m_sidePanel, imageDock, Qt::Vertical);
    else
        addDockWidget(Qt::RightDockWidgetArea, imageDock, Qt::Horizontal);
    imagePanel->changeClipartBkrndMode();
    // The design templates share the side with the images, one tab each.
    auto *designDock = new QDockWidget(Language::stringForKey(QStringLiteral("Design")), this);
    designDock->setObjectName(QStringLiteral("DesignDock"));
    designDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    designDock->setWidget(new TemplateBrowserPanel(m_canvas));
    addDockWidget(Qt::RightDockWidgetArea, designDock);
    tabifyDockWidget(imageDock, designDock);
    setTabPosition(Qt::RightDockWidgetArea, QTabWidget::North);
    imageDock->raise();
    connect(m_canvas, &RectsView::selectionChanged, imagePanel, [imagePanel] { imagePanel->setCheckBoxMaskState(); });
    buildMaskDrawer(imagePanel);

    m_preferences = new Preference(this);
    m_preferences->canvasNeedsDisplay = [this] { m_canvas->update(); };

    buildMenus();
    buildToolBar();

    // Wiring, in the order the canvas expects at wake-up.
    m_canvas->readTemplateSize();
    m_canvas->setTLabel(TLabel());
    m_canvas->restoreWindowFrame(this);
    // The side panel shows unless it was put away when the application last quit.
    if (UserDefaults::standard().stringForKey(QStringLiteral("ObjectInfoVisible")) == QLatin1String("NO"))
        m_canvas->showHideGraphicOpt();
    m_canvas->selectLabelFormat(true);
    // The first design starts as New makes one: draw by type on, the chosen stock applied.
    m_canvas->emptyNewDoc();
    m_canvas->zoomMenuSelect(7);
    m_canvas->wasChanged(false);
    m_canvas->undoManager()->removeAllActions();

    LanguageControls::awakeFromNib(m_fileMenu);
    buildDatabaseMode();
    // The controls registered while the window was built; loading the language again lets
    // every one of them show its translation.
    if (Language::language() != Language::english())
        Language::setLanguage(Language::language());
}

void MainWindow::buildDatabaseMode()
{
    m_modeSwitch = new DatabaseModeSwitch(this);
    // A document names the database and record it was designed with; the canvas reaches them
    // through these hooks so that it never depends on the database code itself.
    DatabaseFieldsView *records = m_modeSwitch->databaseView()->databaseFieldsView();
    m_canvas->openDatabaseForDocument = [records](const QString &path) { return records->openDatabaseOfDocument(path); };
    m_canvas->selectRecordForDocument = [records](qint64 pk) { records->selectRecordWithPk(pk); };
    m_canvas->currentDatabaseForDocument = [records]() -> std::pair<QString, qint64> {
        Database *database = records->database();
        if (!database)
            return {};
        return {database->path(), database->selectedPk()};
    };
    connect(qApp, &QApplication::aboutToQuit, m_modeSwitch->databaseView(), &DatabaseView::appWillTerminate);
    // In database mode only the commands that do not act on the hidden design stay on; the
    // items are known by their English titles, which they keep as tool tips.
    const QStringList kept = {QStringLiteral("Undo"), QStringLiteral("Redo"), QStringLiteral("Save"),
                              QStringLiteral("Save As..."), QStringLiteral("Preferences..."),
                              QStringLiteral("About Quillmark")};
    QList<QAction *> keptActions{m_quitAction};
    for (QAction *top : menuBar()->actions())
        if (QMenu *menu = top->menu())
            for (QAction *item : menu->actions())
                if (kept.contains(item->toolTip()))
                    keptActions.append(item);
    m_modeSwitch->keepInDatabaseMode(keptActions);
    // The mode switch and the space before it close the label-design tool bar's row.
    for (QToolBar *bar : findChildren<QToolBar *>())
        for (QAction *item : bar->actions())
            if (bar->widgetForAction(item) == m_modeSwitch->labelModeSwitch()) {
                identify(item, "ModeSwitchToolbarItemIdentifier");
                const int at = bar->actions().indexOf(item);
                if (at > 0 && bar->widgetForAction(bar->actions()[at - 1]))
                    identify(bar->actions()[at - 1], "FlexibleSpace");
            }
    auto *validator = new MenuValidator(this, m_canvas);
    validator->suspended = [this] { return m_modeSwitch->mode() == DatabaseModeSwitch::DatabaseMode; };
    connect(m_modeSwitch, &DatabaseModeSwitch::modeChanged, validator, &MenuValidator::validate);
    // The canvas returns to the select tool by itself after some creations.
    m_canvas->toolSelectionChanged = [previous = m_canvas->toolSelectionChanged, validator](int tool) {
        if (previous)
            previous(tool);
        validator->validateSoon();
    };
}

void MainWindow::finishLaunching()
{
    m_modeSwitch->databaseView()->appDidFinishLaunching();
}

void MainWindow::openDocumentsFromArguments(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        if (!argument.startsWith(QLatin1Char('-'))) {
            m_canvas->applicationOpenFile(argument);
            return;
        }
    }
}

MainWindow::~MainWindow()
{
    // The inspector goes with the window's children; the canvas asks it nothing more.
    m_canvas->setObjectInfo(nullptr);
}

void MainWindow::buildSidePanel()
{
    m_objectInfo = new ObjectInfoPanel(this);
    m_objectInfo->hide();
    m_objectInfo->setRectsView(m_canvas, m_canvas);
    // The image effects panel is made on first use and kept, with its filter and values, for
    // the next opening.
    auto effectsPanel = std::make_shared<QPointer<Controller>>();
    m_objectInfo->setImageEffectsPanel([this, effectsPanel](const QImage &source) {
        if (!*effectsPanel)
            *effectsPanel = new Controller(this);
        return (*effectsPanel)->runModal(this, source);
    });
    m_propertiesView = new PropertiesView;
    m_propertiesView->addSubviewsFrom(m_objectInfo);
    m_objectInfo->setPropertiesView(m_propertiesView);
    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("PropertiesScrollView"));
    scroll->setWidget(m_propertiesView);
    scroll->setWidgetResizable(false);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setMinimumWidth(m_propertiesView->minimumWidth()
                            + scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2);
    m_sidePanel = new QDockWidget(Language::stringForKey(QStringLiteral("Object Information")), this);
    m_sidePanel->setObjectName(QStringLiteral("ObjectInformationDock"));
    m_sidePanel->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    m_sidePanel->setWidget(scroll);
    addDockWidget(Qt::RightDockWidgetArea, m_sidePanel);
    m_canvas->setGraphicOptDrawerOutlet(m_sidePanel);
    m_propertiesView->openProperties();
    m_canvas->setObjectInfo(m_objectInfo);
    connect(m_canvas, &RectsView::measureChanged, m_objectInfo,
            [this](const QString &unit, double factor) { m_objectInfo->measureChanged(unit, factor); });
}

void MainWindow::buildMaskDrawer(ImageBrowserPanel *imagePanel)
{
    // The mask browser leaves the image panel for a drawer of its own at the window's edge,
    // closed until the user opens it.
    ScrollNSImageView *masks = imagePanel->imageMaskListView();
    QWidget *list = imagePanel->takeMaskList();
    m_maskDrawer = new QDockWidget(Language::stringForKey(QStringLiteral("Image Mask")), this);
    m_maskDrawer->setObjectName(QStringLiteral("MaskDrawer"));
    m_maskDrawer->setFeatures(QDockWidget::DockWidgetClosable);
    list->setFixedWidth(MaskDrawerWidth);
    list->setMinimumHeight(MaskDrawerHeight);
    m_maskDrawer->setWidget(list);
    addDockWidget(Qt::RightDockWidgetArea, m_maskDrawer, Qt::Horizontal);
    m_maskDrawer->hide();
    // A drawer opens beside the window, not inside it: the window grows by the drawer's width
    // while it is open, so the canvas and its controls keep their room.
    connect(m_maskDrawer, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (!isVisible() || isMinimized() || isMaximized() || isFullScreen())
            return;
        if (visible && m_maskDrawerGrowth == 0) {
            m_maskDrawerGrowth = m_maskDrawer->sizeHint().width() + style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent);
            resize(width() + m_maskDrawerGrowth, height());
        } else if (!visible && m_maskDrawerGrowth != 0) {
            resize(std::max(minimumWidth(), width() - m_maskDrawerGrowth), height());
            m_maskDrawerGrowth = 0;
        }
    });
    m_canvas->setMaskDrawerOutlet(m_maskDrawer);
    m_canvas->maskBrowserUpdate = [masks] { masks->update(true); };
}

QWidget *MainWindow::buildStockBrowser()
{
    auto *panel = new QWidget;
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 6, 6, 6);

    m_search = new QLineEdit;
    m_search->setPlaceholderText(QStringLiteral("Search"));
    m_search->setClearButtonEnabled(true);
    m_search->setProperty("tag", 99);
    LanguageControls::awakeFromNib(m_search);
    connect(m_search, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_canvas->setFormatFilter(text);
    });
    layout->addWidget(m_search);

    m_stockTabs = new QTabWidget;
    // Catalogue tab.
    auto *standard = new QWidget;
    standard->setObjectName(QStringLiteral("Standard"));
    auto *standardLayout = new QVBoxLayout(standard);
    standardLayout->setContentsMargins(0, 0, 0, 0);
    m_catalogue = new QTreeView;
    m_catalogue->setModel(m_canvas->dataSource());
    m_catalogue->setSelectionMode(QAbstractItemView::SingleSelection);
    m_catalogue->setUniformRowHeights(true);
    m_catalogue->header()->setStretchLastSection(true);
    connect(m_catalogue->selectionModel(), &QItemSelectionModel::selectionChanged, m_canvas,
            [this] { m_canvas->outlineViewSelectionDidChange(); });
    connect(m_catalogue, &QTreeView::doubleClicked, m_canvas, [this] { m_canvas->editCustomFormat(); });
    connect(m_canvas->dataSource(), &DataSource::expandRequested, m_catalogue,
            [this](const QModelIndex &category) { m_catalogue->expand(category); });
    standardLayout->addWidget(m_catalogue);
    m_viewType = new QPushButton(m_canvas->dataSource()->viewTypeTitle());
    connect(m_canvas->dataSource(), &DataSource::viewTypeCaptionChanged, m_viewType,
            [this](const QString &) { m_viewType->setText(m_canvas->dataSource()->viewTypeTitle()); });
    connect(m_viewType, &QPushButton::clicked, this, [this] { m_canvas->dataSource()->changeViewType(); });
    standardLayout->addWidget(m_viewType);
    m_stockTabs->addTab(standard, QStringLiteral("Standard"));

    // Custom tab.
    auto *custom = new QWidget;
    custom->setObjectName(QStringLiteral("Custom"));
    auto *customLayout = new QVBoxLayout(custom);
    customLayout->setContentsMargins(0, 0, 0, 0);
    m_customTable = new QTableView;
    m_customTable->setModel(m_canvas->customDataSource());
    m_customTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_customTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_customTable->horizontalHeader()->setStretchLastSection(true);
    m_customTable->verticalHeader()->hide();
    connect(m_customTable->selectionModel(), &QItemSelectionModel::selectionChanged, m_canvas,
            [this] { m_canvas->tableViewSelectionDidChange(); });
    connect(m_customTable, &QTableView::doubleClicked, m_canvas, [this] { m_canvas->editCustomLabel(); });
    customLayout->addWidget(m_customTable);
    auto *buttons = new QHBoxLayout;
    m_newFormat = new QPushButton(QStringLiteral("+"));
    m_newFormat->setObjectName(QStringLiteral("NewFormatButton"));
    m_newFormat->setToolTip(Language::stringForKey(QStringLiteral("Add New Label Format")));
    // A custom stock is a grid of equal labels or a sheet of shapes laid out freely.
    m_newFormatMenu = new QMenu(m_newFormat);
    addItem(m_newFormatMenu, QStringLiteral("New Custom Label..."), {}, [this] { m_canvas->newCustomLabel(); });
    addItem(m_newFormatMenu, QStringLiteral("New Custom Format..."), {}, [this] { m_canvas->newCustomFormat(); });
    LanguageControls::awakeFromNib(m_newFormatMenu);
    m_newFormat->setMenu(m_newFormatMenu);
    m_editFormat = new QPushButton(QStringLiteral("Edit"));
    m_editFormat->setToolTip(Language::stringForKey(QStringLiteral("Edit Label Format")));
    m_deleteFormat = new QPushButton(QStringLiteral("-"));
    m_deleteFormat->setToolTip(Language::stringForKey(QStringLiteral("Delete Label Format")));
    LanguageControls::awakeFromNib(m_editFormat);
    connect(m_editFormat, &QPushButton::clicked, m_canvas, [this] { m_canvas->editCustomFormat(); });
    connect(m_deleteFormat, &QPushButton::clicked, m_canvas, [this] { m_canvas->deleteCustomLabel(); });
    buttons->addWidget(m_newFormat);
    buttons->addWidget(m_editFormat);
    buttons->addWidget(m_deleteFormat);
    buttons->addStretch();
    customLayout->addLayout(buttons);
    m_stockTabs->addTab(custom, QStringLiteral("Custom"));
    LanguageControls::awakeFromNib(m_stockTabs);
    connect(m_stockTabs, &QTabWidget::currentChanged, m_canvas, [this] {
        m_canvas->changeLabelDescription();
    });
    layout->addWidget(m_stockTabs, 1);

    // The stock on the printer's paper; a click switches a label position off or on.
    m_stockPreview = new testPreview;
    m_stockPreview->setMainView(m_canvas);
    m_stockPreview->setFixedHeight(160);
    m_stockPreview->setToolTip(Language::stringForKey(
        QStringLiteral("Click a label to skip it when printing. Shift-click skips a run of labels, Ctrl-click starts printing at the label.")));
    layout->addWidget(m_stockPreview);
    connect(m_canvas, &RectsView::stockChanged, m_stockPreview, [this] {
        // The paper is the stock's own from the moment the stock is chosen.
        StockPaper::preselect(m_canvas->getLabel(), m_canvas->getTFormat());
        m_stockPreview->setMode(testPreview::FreeLayout);
    });

    m_labelInfo = new QLabel;
    m_labelInfo->setWordWrap(true);
    // The window's busy indicator sits at the end of the line under the stock browser; it
    // keeps its place while still.
    auto *infoRow = new QHBoxLayout;
    infoRow->addWidget(m_labelInfo, 1);
    m_spinner = new ProgressSpinner;
    m_spinner->setObjectName(QStringLiteral("BusyIndicator"));
    infoRow->addWidget(m_spinner, 0, Qt::AlignVCenter);
    layout->addLayout(infoRow);
    m_canvas->spinViewHook = [this](bool spinning) {
        m_spinner->setSpinning(spinning);
        // Shown before work that holds the event loop: it is drawn now.
        if (spinning)
            m_spinner->repaint();
    };
    return panel;
}

QWidget *MainWindow::buildCanvasArea()
{
    auto *area = new CanvasArea;
    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    auto *controls = new QHBoxLayout;
    m_side = new SegmentedControl({QStringLiteral("Front"), QStringLiteral("Back")});
    m_side->setSelectedSegment(0);
    LanguageControls::awakeFromNib(m_side);
    connect(m_side, &SegmentedControl::segmentClicked, m_canvas, [this] { m_canvas->changeFrontBack(); });
    m_layers = new SegmentedControl({QStringLiteral("Background"), QStringLiteral("Foreground")});
    m_layers->setSelectedSegment(1);
    m_layers->setToolTip(Language::stringForKey(QStringLiteral("Layer")));
    LanguageControls::awakeFromNib(m_layers);
    connect(m_layers, &SegmentedControl::segmentClicked, m_canvas, [this] { m_canvas->changeLayer(); });
    m_pages = new SegmentedControl;
    connect(m_pages, &SegmentedControl::segmentClicked, m_canvas, [this] { m_canvas->changePage(); });
    m_drawByType = new QCheckBox(QStringLiteral("Draw by Type"));
    LanguageControls::awakeFromNib(m_drawByType);
    connect(m_drawByType, &QCheckBox::toggled, m_canvas, [this] { m_canvas->setDawByType(); });
    m_landscape = new QCheckBox(QStringLiteral("Landscape"));
    m_landscape->setToolTip(Language::stringForKey(QStringLiteral("Change Card Orientation")));
    LanguageControls::awakeFromNib(m_landscape);
    connect(m_landscape, &QCheckBox::toggled, m_canvas, [this] { m_canvas->setLabelLandscape(); });
    controls->addWidget(m_side);
    controls->addSpacing(12);
    // A sheet of many label shapes gives many page segments: they scroll instead of widening
    // the window.
    auto *pageStrip = new QScrollArea;
    pageStrip->setWidget(m_pages);
    pageStrip->setWidgetResizable(true);
    pageStrip->setFrameShape(QFrame::NoFrame);
    pageStrip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pageStrip->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    pageStrip->setMinimumWidth(100);
    pageStrip->setFixedHeight(m_side->sizeHint().height() + 14);
    controls->addWidget(pageStrip, 1);
    controls->setSpacing(0);
    auto *checkBoxes = new QHBoxLayout;
    checkBoxes->setSpacing(0);
    checkBoxes->addWidget(m_drawByType);
    checkBoxes->addSpacing(12);
    checkBoxes->addWidget(m_landscape);
    area->rows = new QBoxLayout(QBoxLayout::LeftToRight);
    area->rows->setContentsMargins(6, 4, 6, 0);
    area->rows->setSpacing(20);
    area->rows->addLayout(controls, 1);
    area->rows->addLayout(checkBoxes);
    area->pageControls = controls;
    area->checkBoxes = checkBoxes;
    layout->addLayout(area->rows);
    // The texts change with the language after the window is built.
    NotificationCenter::defaultCenter().addObserver(area, QStringLiteral("RefreshLanguageNotification"),
                                                    [area](const Notification &) { area->fitRows(); });
    connect(area, &QObject::destroyed, [area] { NotificationCenter::defaultCenter().removeObserver(area); });
    m_barcodeDrawer = new BarcodeDrawer(m_canvas);
    layout->addWidget(m_barcodeDrawer);

    auto *scroll = new MyScrollView;
    m_scrollArea = scroll;
    m_scrollArea->setWidgetResizable(false);
    m_scrollArea->setWidget(m_canvas);
    m_scrollArea->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Beside the scrollers: the layer control at the left end of the horizontal one, the zoom
    // button at its right end.
    QFont small = m_layers->font();
    small.setPointSizeF(8.5);
    for (int i = 0; i < m_layers->segmentCount(); ++i)
        m_layers->segmentButton(i)->setFont(small);
    m_layers->setFixedWidth(m_layers->sizeHint().width());
    scroll->setLayerSegments(m_layers);
    // Translated, the layer segments take the width of their new labels.
    NotificationCenter::defaultCenter().addObserver(m_layers, QStringLiteral("RefreshLanguageNotification"),
                                                    [this, scroll](const Notification &) {
                                                        m_layers->setFixedWidth(m_layers->sizeHint().width());
                                                        scroll->tile();
                                                    });
    connect(m_layers, &QObject::destroyed, [layers = m_layers] { NotificationCenter::defaultCenter().removeObserver(layers); });
    m_zoomButton = new ZoomButton;
    m_zoomButton->setRectView(m_canvas);
    connect(m_canvas, &RectsView::zoomValueChanged, m_zoomButton, &ZoomButton::setZoomValue);
    scroll->setHorizontalScrollerAccessory(m_zoomButton, true);
    scroll->tile();
    layout->addWidget(m_scrollArea, 1);
    return area;
}

void MainWindow::buildMenus()
{
    UndoManager *undo = m_canvas->undoManager();
    RectsView *canvas = m_canvas;

    addItem(m_fileMenu, QStringLiteral("New"), QKeySequence::New, [canvas] { canvas->newDocument(); });
    addItem(m_fileMenu, QStringLiteral("Open..."), QKeySequence::Open, [canvas] { canvas->openDocument(); });
    m_recentMenu = m_fileMenu->addMenu(QStringLiteral("Open Recent"));
    connect(m_recentMenu, &QMenu::aboutToShow, this, [this] { fillRecentMenu(); });
    m_fileMenu->addSeparator();
    m_saveAction = addItem(m_fileMenu, QStringLiteral("Save"), QKeySequence::Save, [canvas] { canvas->save(); });
    m_saveAction->setEnabled(false);
    addItem(m_fileMenu, QStringLiteral("Save As..."), QKeySequence::SaveAs, [canvas] { canvas->saveDocumentAs(); });
    QAction *saveTemplate = addItem(m_fileMenu, QStringLiteral("Save as Template..."), QKeySequence(),
                                    [canvas] { canvas->saveTemplate(); });
    connect(m_fileMenu, &QMenu::aboutToShow, saveTemplate,
            [canvas, saveTemplate] { saveTemplate->setEnabled(canvas->canSaveTemplate()); });
    canvas->installPrintingHooks();
    m_fileMenu->addSeparator();
    addItem(m_fileMenu, QStringLiteral("Export..."), QKeySequence(), [canvas] { canvas->exportLabel(); });
    addItem(m_fileMenu, QStringLiteral("Export Sequential..."), QKeySequence(),
            [canvas] { canvas->exportSequentialLabel(); });
    QMenu *tracks = m_fileMenu->addMenu(QStringLiteral("Tracks"));
    QAction *fromFolder = addItem(tracks, QStringLiteral("Import Track Names from Folder..."), {}, [canvas] { canvas->importFolder(); });
    QAction *fromFile = addItem(tracks, QStringLiteral("Import Tracks List from Text File..."), {}, [canvas] { canvas->importTextFile(); });
    connect(tracks, &QMenu::aboutToShow, tracks, [canvas, fromFolder, fromFile] {
        fromFolder->setEnabled(canvas->canImportTracks());
        fromFile->setEnabled(canvas->canImportTracks());
    });
    m_fileMenu->addSeparator();
    // The preview shows the paper these commands may change.
    addItem(m_fileMenu, QStringLiteral("Page Setup..."), QKeySequence(), [this, canvas] {
        canvas->runPageLayout();
        m_stockPreview->setMode(m_stockPreview->getMode());
    });
    addItem(m_fileMenu, QStringLiteral("Print..."), QKeySequence::Print, [this, canvas] {
        canvas->print();
        m_stockPreview->setMode(m_stockPreview->getMode());
    });
    addItem(m_fileMenu, QStringLiteral("Print Sequence..."), QKeySequence(), [this, canvas] {
        canvas->printSequense();
        m_stockPreview->setMode(m_stockPreview->getMode());
    });
    connect(canvas, &RectsView::windowTitleChanged, this, &QWidget::setWindowTitle);
    canvas->duplicateOffset = [this] { return QPointF(m_preferences->offsetX(), m_preferences->offsetY()); };
    canvas->replicateCount = [this] { return m_preferences->replicateCount(); };
    canvas->saveButtonEnabler = [this](bool flag) {
        if (m_saveAction)
            m_saveAction->setEnabled(flag);
    };
    m_fileMenu->addSeparator();
    addItem(m_fileMenu, QStringLiteral("Preferences..."), QKeySequence::Preferences, [this] { showPreferences(); });
    m_fileMenu->addSeparator();
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_quitAction, &QAction::triggered, this, &MainWindow::terminate, Qt::QueuedConnection);
    m_fileMenu->addAction(m_quitAction);
    menuBar()->addMenu(m_fileMenu);

    auto *edit = menuBar()->addMenu(QStringLiteral("Edit"));
    QAction *undoItem = addItem(edit, QStringLiteral("Undo"), QKeySequence::Undo, [canvas] { canvas->undo(); });
    QAction *redoItem = addItem(edit, QStringLiteral("Redo"), QKeySequence::Redo, [canvas] { canvas->redo(); });
    // The items name the step they undo and redo ("Undo Create Object").
    auto refreshUndo = [undo, undoItem, redoItem] {
        undoItem->setEnabled(undo->canUndo());
        redoItem->setEnabled(undo->canRedo());
        auto title = [](const QString &bare, const QString &withName, QString action) {
            if (action.isEmpty())
                return Language::stringForKey(bare);
            // A few step names carry the word already ("Undo Text Size"); the item says it once.
            const QString undoWord = Language::stringForKey(QStringLiteral("Undo")) + QLatin1Char(' ');
            if (action.startsWith(undoWord) && action.size() > undoWord.size())
                action.remove(0, undoWord.size());
            QString text = Language::stringForKey(withName);
            return text.replace(QLatin1String("%@"), action);
        };
        undoItem->setText(title(QStringLiteral("Undo"), QStringLiteral("Undo %@"),
                                undo->canUndo() ? undo->undoActionName() : QString()));
        redoItem->setText(title(QStringLiteral("Redo"), QStringLiteral("Redo %@"),
                                undo->canRedo() ? undo->redoActionName() : QString()));
    };
    connect(undo, &UndoManager::changed, edit, refreshUndo);
    connect(edit, &QMenu::aboutToShow, edit, refreshUndo);
    edit->addSeparator();
    // While a text is edited in place these act on its text.
    using TextCommand = RectsView::TextCommand;
    addItem(edit, QStringLiteral("Cut"), QKeySequence::Cut, CanvasCommands::editCommand(canvas, TextCommand::Cut));
    addItem(edit, QStringLiteral("Copy"), QKeySequence::Copy, CanvasCommands::editCommand(canvas, TextCommand::Copy));
    addItem(edit, QStringLiteral("Paste"), QKeySequence::Paste, CanvasCommands::editCommand(canvas, TextCommand::Paste));
    addItem(edit, QStringLiteral("Duplicate"), QKeySequence(Qt::CTRL | Qt::Key_D), [canvas] { canvas->duplicate(); });
    addItem(edit, QStringLiteral("Delete"), QKeySequence::Delete, CanvasCommands::editCommand(canvas, TextCommand::Delete));
    edit->addSeparator();
    addItem(edit, QStringLiteral("Select All"), QKeySequence::SelectAll,
            CanvasCommands::editCommand(canvas, TextCommand::SelectAll));
    LanguageControls::awakeFromNib(edit);
    // After the menu's own re-translation, which knows only the bare titles.
    NotificationCenter::defaultCenter().addObserver(edit, QStringLiteral("RefreshLanguageNotification"),
                                                    [refreshUndo](const Notification &) { refreshUndo(); });
    connect(edit, &QObject::destroyed, [edit] { NotificationCenter::defaultCenter().removeObserver(edit); });
    refreshUndo();

    auto *arrange = menuBar()->addMenu(QStringLiteral("Arrange"));
    QAction *front = addItem(arrange, QStringLiteral("Bring To Front"), {}, [canvas] { canvas->bringToFront(); });
    QAction *forward = addItem(arrange, QStringLiteral("Bring Forward"), {}, [canvas] { canvas->bringForward(); });
    QAction *backward = addItem(arrange, QStringLiteral("Send Backward"), {}, [canvas] { canvas->sendBackward(); });
    QAction *back = addItem(arrange, QStringLiteral("Send To Back"), {}, [canvas] { canvas->sendToBack(); });
    arrange->addSeparator();
    QAction *groupItem = addItem(arrange, QStringLiteral("Group"), QKeySequence(Qt::CTRL | Qt::Key_G), [canvas] { canvas->group(); });
    QAction *ungroupItem = addItem(arrange, QStringLiteral("Ungroup"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G), [canvas] { canvas->ungroup(); });
    connect(arrange, &QMenu::aboutToShow, arrange, [canvas, groupItem, ungroupItem] {
        groupItem->setEnabled(canvas->selectedObjects().size() > 1);
        ungroupItem->setEnabled(canvas->selectedGroup() != nullptr);
    });
    connect(arrange, &QMenu::aboutToShow, arrange, [canvas, front, forward, backward, back] {
        front->setEnabled(canvas->canBringToFront());
        forward->setEnabled(canvas->canMoveForward());
        backward->setEnabled(canvas->canSendBackward());
        back->setEnabled(canvas->canSendToBack());
    });
    CanvasCommands::install(this, canvas, edit, arrange, [this](QMenu *menu) { fillFieldMenu(menu, true); });
    LanguageControls::awakeFromNib(arrange);

    auto *view = menuBar()->addMenu(QStringLiteral("View"));
    addItem(view, QStringLiteral("Zoom In"), QKeySequence::ZoomIn, [canvas] { canvas->zoomIn(); });
    addItem(view, QStringLiteral("Zoom Out"), QKeySequence::ZoomOut, [canvas] { canvas->zoomOut(); });
    addItem(view, QStringLiteral("Actual Size"), QKeySequence(Qt::CTRL | Qt::Key_0), [canvas] { canvas->adjustZoom(); });
    view->addSeparator();
    addItem(view, QStringLiteral("Fit Page"), {}, [canvas] { canvas->zoomMenuSelect(7); });
    addItem(view, QStringLiteral("Fit Width"), {}, [canvas] { canvas->zoomMenuSelect(8); });
    addItem(view, QStringLiteral("Fit Height"), {}, [canvas] { canvas->zoomMenuSelect(9); });
    view->addSeparator();
    QAction *rulers = addItem(view, QStringLiteral("Rulers"), {}, [canvas] { canvas->showHideRuler(); });
    rulers->setCheckable(true);
    connect(view, &QMenu::aboutToShow, rulers, [canvas, rulers] { rulers->setChecked(canvas->rulersVisible()); });
    rulers->setChecked(canvas->rulersVisible());
    QAction *inspector = addItem(view, QStringLiteral("Object Information"), {}, [canvas] { canvas->showHideGraphicOpt(); });
    inspector->setCheckable(true);
    connect(view, &QMenu::aboutToShow, inspector, [canvas, inspector] { inspector->setChecked(canvas->isObjectInfoVisible()); });
    QAction *masks = addItem(view, QStringLiteral("Image Mask"), {}, [canvas] { canvas->showHideBarcodeInfo(); });
    masks->setCheckable(true);
    QAction *barcodes = addItem(view, QStringLiteral("Barcode"), {}, [this] { m_barcodeDrawer->toggleOpened(); });
    barcodes->setCheckable(true);
    connect(view, &QMenu::aboutToShow, barcodes, [this, barcodes] { barcodes->setChecked(m_barcodeDrawer->isOpen()); });
    // Checked while drags snap to the label and the other objects.
    QAction *snap = addItem(view, QStringLiteral("Snap to Guides"), {}, [canvas] { canvas->snapToGuides(); });
    snap->setProperty(MenuValidator::actionProperty(), QStringLiteral("snapToGuides:"));
    snap->setCheckable(true);
    snap->setChecked(true);
    view->addSeparator();
    QAction *preview = addItem(view, QStringLiteral("Preview Mode"), {}, [canvas] { canvas->setPreviewMode(); });
    preview->setCheckable(true);
    QAction *database = addItem(view, QStringLiteral("Preview Database Fields"), {}, [canvas] { canvas->setDatabasePreview(); });
    database->setCheckable(true);
    database->setChecked(canvas->databasePreview());
    LanguageControls::awakeFromNib(view);

    menuBar()->addMenu(ImageMenu::create(canvas, this));
    menuBar()->addMenu(HelpMenu::create(canvas, this));
}

void MainWindow::buildToolBar()
{
    QToolBar *bar = addToolBar(Language::stringForKey(QStringLiteral("Tools")));
    bar->setObjectName(QStringLiteral("Tools"));
    bar->setMovable(false);
    // The menu item keeps its English title as tool tip; the tool bar shows a tool tip, so its
    // Save is an item of its own that follows the menu item's state.
    QAction *saveTool = bar->addAction(Language::stringForKey(QStringLiteral("Save")));
    saveTool->setToolTip(Language::stringForKey(QStringLiteral("Save Document")));
    identify(saveTool, "SaveDocumentItemIdentifier");
    saveTool->setEnabled(m_saveAction->isEnabled());
    connect(m_saveAction, &QAction::enabledChanged, saveTool, &QAction::setEnabled);
    connect(saveTool, &QAction::triggered, m_saveAction, &QAction::trigger);
    buildToolMatrix(bar);
    bar->addSeparator();
    identify(bar->addWidget(m_measureButton), "MeasureItemIdentifier");
    bar->addSeparator();

    QAction *zoomIn = bar->addAction(Language::stringForKey(QStringLiteral("Zoom In")));
    zoomIn->setToolTip(zoomIn->text());
    connect(zoomIn, &QAction::triggered, m_canvas, [this] { m_canvas->zoomIn(); });
    QAction *zoomOut = bar->addAction(Language::stringForKey(QStringLiteral("Zoom Out")));
    zoomOut->setToolTip(zoomOut->text());
    connect(zoomOut, &QAction::triggered, m_canvas, [this] { m_canvas->zoomOut(); });
    identify(zoomIn, "ZoomToolItemIdentifier");
    identify(zoomOut, "ZoomToolItemIdentifier");
    // A space, then the side panel and Print; the mode switch ends the row at the right.
    auto *space = new QWidget;
    space->setFixedWidth(12);
    identify(bar->addWidget(space), "Space");
    QAction *inspector = bar->addAction(Language::stringForKey(QStringLiteral("Object Information")));
    inspector->setToolTip(inspector->text());
    identify(inspector, "Inspector");
    connect(inspector, &QAction::triggered, this, [this] {
        if (QAction *item = menuItemWithKey(menuBar(), QStringLiteral("Object Information")))
            item->trigger();
        else
            m_canvas->showHideGraphicOpt();
    });
    QAction *printTool = bar->addAction(Language::stringForKey(QStringLiteral("Print")));
    printTool->setToolTip(Language::stringForKey(QStringLiteral("Print Document")));
    identify(printTool, "Print");
    connect(printTool, &QAction::triggered, this, [this] {
        if (QAction *item = menuItemWithKey(menuBar(), QStringLiteral("Print...")))
            item->trigger();
    });
    m_toolImages = {{saveTool, QStringLiteral("save_button")}, {zoomIn, QStringLiteral("zoom_in")},
                    {zoomOut, QStringLiteral("zoom_out")},     {inspector, QStringLiteral("inspector")},
                    {printTool, QStringLiteral("print")}};
    for (int tool = 0; tool < m_toolActions.size(); ++tool)
        m_toolImages.append({m_toolActions[tool], QString::fromLatin1(ToolImageNames[tool])});

    // The buttons' drawings follow the appearance: dark glyphs on a light one, light on dark.
    auto *appearance = new AppearanceWatcher(this);
    connect(appearance, &AppearanceWatcher::changed, this, [this] { updateToolButtons(); });
    updateToolButtons();
}

void MainWindow::updateToolButtons()
{
    const QString prefix = isDarkAppearance() ? QStringLiteral("on_") : QStringLiteral("off_");
    for (const auto &[action, name] : std::as_const(m_toolImages))
        action->setIcon(BundleCursor::icon(prefix + name));
}

void MainWindow::buildToolMatrix(QToolBar *bar)
{
    bar->addSeparator();
    // The tool numbers are the buttons' places: 0 select .. 9 address block.
    const QStringList tips = {QStringLiteral("Select Object"),  QStringLiteral("Rotate Object"),
                              QStringLiteral("Enter Text"),     QStringLiteral("Rect Object"),
                              QStringLiteral("Oval Object"),    QStringLiteral("Line Object"),
                              QStringLiteral("Barcode Object"), QStringLiteral("Bezier Object"),
                              QStringLiteral("Database Object"), QStringLiteral("Address Block Object")};
    auto *group = new QActionGroup(bar);
    group->setExclusive(true);
    for (int tool = 0; tool < tips.size(); ++tool) {
        QAction *item = bar->addAction(Language::stringForKey(tips[tool]));
        item->setCheckable(true);
        item->setToolTip(item->text());
        item->setData(tool);
        identify(item, "FrameToolItemIdentifier");
        group->addAction(item);
        m_toolActions.append(item);
        connect(item, &QAction::triggered, m_canvas, [this, tool] {
            if (tool == RectsView::FieldTool)
                popUpFieldMenu();
            m_canvas->matrixFrameItem(tool);
        });
    }
    m_toolActions[RectsView::SelectTool]->setChecked(true);
    m_canvas->toolSelectionChanged = [this](int tool) {
        if (tool >= 0 && tool < m_toolActions.size())
            m_toolActions[tool]->setChecked(true);
    };
}

void MainWindow::fillFieldMenu(QMenu *menu, bool retype)
{
    // A picture has no place inside text.
    const bool inText = !m_canvas->canAddAddressBlock();
    for (const tableField &field : MergeContents::fieldTitlesAndTags()) {
        const QString translated = Language::stringForKey(field.title);
        QAction *item = menu->addAction(translated.isEmpty() ? field.title : translated);
        item->setEnabled(!(inText && field.title == QLatin1String("Photo")));
        const int pk = field.pk;
        // The context menu's items retype a selected merge field; the tool's place a new one.
        connect(item, &QAction::triggered, m_canvas, [this, pk, retype] {
            retype ? m_canvas->setFieldType(pk) : m_canvas->addFieldType(pk);
        });
    }
}

void MainWindow::popUpFieldMenu()
{
    QMenu menu(this);
    const bool inText = !m_canvas->canAddAddressBlock();
    fillFieldMenu(&menu);
    menu.addSeparator();
    QAction *address = menu.addAction(Language::stringForKey(QStringLiteral("Add Address Block...")));
    address->setEnabled(!inText);
    // The dialog runs once the menu is closed.
    if (menu.exec(QCursor::pos()) == address)
        m_canvas->addAddressBlock();
}

void MainWindow::fillRecentMenu()
{
    m_recentMenu->clear();
    for (const QString &path : RectsView::recentDocuments()) {
        QAction *item = m_recentMenu->addAction(QFileInfo(path).fileName());
        item->setToolTip(path);
        connect(item, &QAction::triggered, m_canvas, [this, path] { m_canvas->applicationOpenFile(path); });
    }
    m_recentMenu->addSeparator();
    QAction *clear = m_recentMenu->addAction(Language::stringForKey(QStringLiteral("Clear Menu")));
    connect(clear, &QAction::triggered, m_canvas, [] { RectsView::clearRecentDocuments(); });
}

void MainWindow::showPreferences()
{
    m_preferences->exec();
}

void MainWindow::terminate()
{
    if (m_quitting || !m_canvas->applicationShouldTerminate())
        return;
    m_quitting = true;
    if (quitApplication)
        quitApplication();
    else
        qApp->quit();
    // Another window may have refused to close: the application goes on and a later close
    // of this window asks again.
    if (isVisible())
        m_quitting = false;
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    RectsView::fitWindowToScreen(this);
    // The window system adds its frame once the window is mapped.
    QTimer::singleShot(0, this, [this] { RectsView::fitWindowToScreen(this); });
    if (!m_watchingScreen && windowHandle()) {
        m_watchingScreen = true;
        connect(windowHandle(), &QWindow::screenChanged, this, [this] { RectsView::fitWindowToScreen(this); });
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The quit has asked already; Qt closes the windows on its way out.
    if (m_quitting) {
        event->accept();
        return;
    }
    if (!m_canvas->windowShouldClose()) {
        event->ignore();
        return;
    }
    event->accept();
    // Closing the main window quits; the prompt has been shown, the quit does not ask again.
    QTimer::singleShot(0, this, [this] { terminate(); });
}

} // namespace quillmark
