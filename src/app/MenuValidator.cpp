#include "app/MenuValidator.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHash>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QTimer>
#include <QToolBar>

#include <utility>

#include "app/MenuValidation.h"
#include "canvas/RectsView.h"
#include "foundation/Language.h"

namespace quillmark {

namespace {

void collectMenuItems(QMenu *menu, QList<QAction *> &items)
{
    for (QAction *item : menu->actions()) {
        if (item->menu())
            collectMenuItems(item->menu(), items);
        else if (!item->isSeparator())
            items.append(item);
    }
}

} // namespace

MenuValidator::MenuValidator(QMainWindow *window, RectsView *canvas)
    : QObject(window)
    , m_window(window)
    , m_canvas(canvas)
{
    // The end of a batch reports up to three changes at once: the items follow them once.
    connect(canvas, &RectsView::selectionChanged, this, &MenuValidator::canvasChanged);
    connect(canvas, &RectsView::changedStateChanged, this, &MenuValidator::canvasChanged);
    connect(canvas, &RectsView::graphicsChanged, this, &MenuValidator::canvasChanged);
    connect(canvas, &RectsView::changeBatchReported, this, [this] {
        if (std::exchange(m_batchChanged, false))
            validate();
    });
    connect(canvas, &RectsView::stockChanged, this, &MenuValidator::validate);
    connect(canvas, &RectsView::zoomValueChanged, this, &MenuValidator::validate);
    connect(canvas->undoManager(), &UndoManager::changed, this, &MenuValidator::validateSoon);
    // Asking the clipboard may mean asking another program: it is asked when it changes.
    auto readClipboard = [this] {
        const QMimeData *data = QApplication::clipboard()->mimeData();
        m_pasteboardHasDesign = data && data->hasFormat(RectsView::pasteboardType());
        m_pasteboardHasText = RectsView::clipboardHasText();
    };
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this, readClipboard] {
        readClipboard();
        validate();
    });
    readClipboard();
    // Every menu and submenu is current when it opens.
    std::function<void(QMenu *)> watch = [this, &watch](QMenu *menu) {
        connect(menu, &QMenu::aboutToShow, this, &MenuValidator::validate);
        for (QAction *item : menu->actions())
            if (item->menu())
                watch(item->menu());
    };
    for (QAction *top : window->menuBar()->actions())
        if (QMenu *menu = top->menu())
            watch(menu);
    // A tool chosen from the tool bar changes what Paste does.
    for (QToolBar *bar : window->findChildren<QToolBar *>())
        for (QAction *item : bar->actions())
            connect(item, &QAction::triggered, this, &MenuValidator::validateSoon);
    qApp->installEventFilter(this);
    validate();
}

MenuValidator::~MenuValidator()
{
    qApp->removeEventFilter(this);
}

const char *MenuValidator::identifierProperty()
{
    return "itemIdentifier";
}

const char *MenuValidator::actionProperty()
{
    return "menuAction";
}

QString MenuValidator::actionOfItem(const QAction *item)
{
    const QString own = item->property(actionProperty()).toString();
    return own.isEmpty() ? actionForKey(item->toolTip()) : own;
}

QString MenuValidator::actionForKey(const QString &englishTitle)
{
    static const QHash<QString, QString> actions = {
        {QStringLiteral("New"), QStringLiteral("newDocument:")},
        {QStringLiteral("Open..."), QStringLiteral("openDocument:")},
        {QStringLiteral("Save"), QStringLiteral("saveDocument:")},
        {QStringLiteral("Save As..."), QStringLiteral("saveDocumentAs:")},
        {QStringLiteral("Save as Template..."), QStringLiteral("saveTemplate:")},
        {QStringLiteral("Export..."), QStringLiteral("exportLabel:")},
        {QStringLiteral("Export Sequential..."), QStringLiteral("exportSequentialLabel:")},
        {QStringLiteral("Page Setup..."), QStringLiteral("runPageLayout:")},
        {QStringLiteral("Print..."), QStringLiteral("print:")},
        {QStringLiteral("Print Sequence..."), QStringLiteral("printSequense:")},
        {QStringLiteral("Preferences..."), QStringLiteral("preferences:")},
        {QStringLiteral("Undo"), QStringLiteral("undo:")},
        {QStringLiteral("Redo"), QStringLiteral("redo:")},
        {QStringLiteral("Cut"), QStringLiteral("cut:")},
        {QStringLiteral("Copy"), QStringLiteral("copy:")},
        {QStringLiteral("Paste"), QStringLiteral("paste:")},
        {QStringLiteral("Duplicate"), QStringLiteral("duplicate:")},
        {QStringLiteral("Replicate"), QStringLiteral("replicate:")},
        {QStringLiteral("Delete"), QStringLiteral("delete_:")},
        {QStringLiteral("Select All"), QStringLiteral("selectAll:")},
        {QStringLiteral("Bring To Front"), QStringLiteral("bringToFront:")},
        {QStringLiteral("Bring Forward"), QStringLiteral("bringForward:")},
        {QStringLiteral("Send Backward"), QStringLiteral("sendBackward:")},
        {QStringLiteral("Send To Back"), QStringLiteral("sendToBack:")},
        {QStringLiteral("Group"), QStringLiteral("group:")},
        {QStringLiteral("Ungroup"), QStringLiteral("ungroup:")},
        {QStringLiteral("Center"), QStringLiteral("centerObject:")},
        {QStringLiteral("Rotate"), QStringLiteral("rotate:")},
        {QStringLiteral("Lock"), QStringLiteral("lock:")},
        {QStringLiteral("Show Fonts"), QStringLiteral("showTextFont:")},
        {QStringLiteral("Bold"), QStringLiteral("addFontTrait:")},
        {QStringLiteral("Italic"), QStringLiteral("addFontTrait:")},
        {QStringLiteral("Bigger"), QStringLiteral("modifyFont:")},
        {QStringLiteral("Smaller"), QStringLiteral("modifyFont:")},
        {QStringLiteral("Show Colors"), QStringLiteral("showColorPanel:")},
        {QStringLiteral("Align Left"), QStringLiteral("alignLeft:")},
        {QStringLiteral("Justify"), QStringLiteral("alignJustified:")},
        {QStringLiteral("Align Right"), QStringLiteral("alignRight:")},
        {QStringLiteral("Table..."), QStringLiteral("setTextTable:")},
        {QStringLiteral("Zoom In"), QStringLiteral("zoomIn:")},
        {QStringLiteral("Zoom Out"), QStringLiteral("zoomOut:")},
        {QStringLiteral("Actual Size"), QStringLiteral("adjustZoom:")},
        {QStringLiteral("Fit Page"), QStringLiteral("selectZoom:")},
        {QStringLiteral("Fit Width"), QStringLiteral("selectZoom:")},
        {QStringLiteral("Fit Height"), QStringLiteral("selectZoom:")},
        {QStringLiteral("Rulers"), QStringLiteral("showHideRuler:")},
        {QStringLiteral("Object Information"), QStringLiteral("showHideGraphicOpt:")},
        {QStringLiteral("Image Mask"), QStringLiteral("showHideBarcodeInfo:")},
        {QStringLiteral("About Quillmark"), QStringLiteral("runAbout:")},
        {QStringLiteral("Quillmark Help"), QStringLiteral("displayHelp:")},
        {QStringLiteral("Quillmark Web Site"), QStringLiteral("visitSite:")},
        {QStringLiteral("Quillmark Support"), QStringLiteral("visitSiteSupport:")},
    };
    return actions.value(englishTitle);
}

void MenuValidator::validate()
{
    m_pending = false;
    m_validatedFor = nullptr;
    if (suspended && suspended())
        return;
    // Enabling an item sends events of its own: they change nothing the items show.
    const QScopedValueRollback<bool> validating(m_validating, true);
    ChromeState state = chromeStateOf(*m_canvas);
    state.pasteboardHasDesign = m_pasteboardHasDesign;
    state.pasteboardHasText = m_pasteboardHasText;
    QList<QAction *> items;
    for (QAction *top : m_window->menuBar()->actions())
        if (QMenu *menu = top->menu())
            collectMenuItems(menu, items);
    m_shortcutKeys.clear();
    auto noteShortcuts = [this](const QAction *item) {
        for (const QKeySequence &sequence : item->shortcuts())
            for (int i = 0; i < sequence.count(); ++i)
                m_shortcutKeys.insert(sequence[i].key());
    };
    for (QAction *item : std::as_const(items)) {
        noteShortcuts(item);
        const QString key = item->toolTip();
        const QString action = actionOfItem(item);
        if (action.isEmpty())
            continue;
        const MenuItemState result = validateMenuItem(action, state, item->data().toInt(), Language::stringForKey(key));
        item->setEnabled(result.enabled);
        if (result.checkable) {
            item->setCheckable(true);
            item->setChecked(result.checked);
        }
        if (!result.title.isEmpty())
            item->setText(result.title);
    }
    for (QToolBar *bar : m_window->findChildren<QToolBar *>())
        for (QAction *item : bar->actions()) {
            noteShortcuts(item);
            const QString identifier = item->property(identifierProperty()).toString();
            if (!identifier.isEmpty())
                item->setEnabled(validateToolbarItem(identifier, state));
        }
    m_current = true;
}

bool MenuValidator::mayTriggerAnItem(const QKeyEvent &event) const
{
    // A key that makes no character (an arrow, Page Down, Escape) is matched as itself, never
    // through the keyboard layout's other keys: when no item has it in a shortcut, validating
    // would only walk the selection for nothing, on every nudge and on its auto-repeat.
    const int key = event.key();
    if (key < Qt::Key_Escape || key == Qt::Key_unknown)
        return true;
    return m_shortcutKeys.contains(key);
}

void MenuValidator::canvasChanged()
{
    if (m_canvas->isReportingChangeBatch())
        m_batchChanged = true;
    else
        validate();
}

void MenuValidator::validateSoon()
{
    if (m_pending)
        return;
    m_pending = true;
    // A validation that comes first (the end of the command's batch) answers this request as
    // well: each walks the whole selection.
    QTimer::singleShot(0, this, [this] {
        if (m_pending)
            validate();
    });
}

bool MenuValidator::eventFilter(QObject *watched, QEvent *event)
{
    if (m_validating)
        return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Before Qt matches the key against the shortcuts: the items must be current. The
        // same key goes to the focus widget and on up through its parents: validated once,
        // unless something happened between.
        if ((watched->isWidgetType() || watched->isWindowType()) && !(m_current && m_validatedFor == event)
            && mayTriggerAnItem(static_cast<const QKeyEvent &>(*event))) {
            validate();
            m_validatedFor = event;
        }
        return false;
    case QEvent::MouseButtonRelease:
    case QEvent::KeyRelease:
        validateSoon();
        break;
    default:
        break;
    }
    // Any other event may change what the items show without the canvas saying so.
    m_current = false;
    return false;
}

} // namespace quillmark
