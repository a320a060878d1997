// The canvas as the application's single shared view: creation, appearance, the document's
// changed state and the undo helpers the other concerns share.
#include "canvas/RectsView.h"

#include <QEvent>
#include <algorithm>
#include <cmath>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>

#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "objects/ObjectTextEditor.h"
#include "platform/Format.h"
#include "platform/LocalNumber.h"
#include "platform/Prompts.h"
#include "platform/ScreenArea.h"
#include "platform/UserDefaults.h"
#include "stock/CustomDataSource.h"
#include "stock/DataSource.h"

namespace quillmark {

namespace {
RectsView *sharedView = nullptr;
float screenFactorValue = 1.0f;
// Set: a quit request must still show the save prompt. Closing the window clears it after
// its own prompt, so the quit that follows does not ask again.
bool terminatePromptFlagValue = true;


// The save prompt of quitting and closing: 0 save, 1 don't save, 2 cancel.
int askToSave(QWidget *parent)
{
    const int answer = Prompts::current().alert(
        parent, Language::stringForKey(QStringLiteral("Do you want to save the changes you made in the Document?")),
        Language::stringForKey(QStringLiteral("Your changes will be lost if you don't save them!")),
        {Language::stringForKey(QStringLiteral("Save...")), Language::stringForKey(QStringLiteral("Don't Save")),
         Language::stringForKey(QStringLiteral("Cancel"))},
        Prompts::Informational);
    if (answer == Prompts::FirstButton)
        return 0;
    if (answer == Prompts::SecondButton)
        return 1;
    return 2;
}
}

RectsView::RectsView(QWidget *parent)
    : QWidget(parent)
    , m_bounds(-100.0, -100.0, 0.0, 0.0)
{
    sharedView = this;
    setFocusPolicy(Qt::StrongFocus);
    // The pointer follows knobs and objects while no button is held.
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(false);

    _databasePreview = UserDefaults::standard().boolForKey(QStringLiteral("databasePreview"));

    m_dataSource = new DataSource(this, this);
    m_customDataSource = new CustomDataSource(this, this);

    // Until a stock is chosen the canvas edits the default grid label.
    setTLabel(TLabel());
    wasChanged(false);
    connect(this, &RectsView::selectionChanged, this, [this] { textSelectionDidChange(); });
}

RectsView::~RectsView()
{
    endPictureLoad();
    if (editedObject())
        ObjectTextEditor::end();
    if (m_viewport)
        m_viewport->removeEventFilter(this);
    // The objects outlive the canvas only through undo inverses; they must not reach it.
    for (const GraphicPtr &graphic : rects)
        graphic->setMainView(nullptr);
    if (sharedView == this)
        sharedView = nullptr;
}

RectsView *RectsView::sharedRectsView()
{
    return sharedView;
}

bool RectsView::isDarkMode()
{
    return UserDefaults::standard().stringForKey(QStringLiteral("AppleInterfaceStyle"))
           == QLatin1String("Dark");
}

float RectsView::screenFactor()
{
    return screenFactorValue;
}

void RectsView::setScreenFactor(float factor)
{
    if (factor > 0.0f && std::isfinite(factor))
        screenFactorValue = factor;
}

void RectsView::measureScreenFactor()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QSizeF millimetres = screen->physicalSize();
    const QSize pixels = screen->size();
    if (millimetres.width() <= 0.0 || millimetres.height() <= 0.0)
        return;
    const double horizontal = pixels.width() / millimetres.width() * 25.4;
    const double vertical = pixels.height() / millimetres.height() * 25.4;
    setScreenFactor(float((horizontal + vertical) / 144.0));
}

void RectsView::setOutlets(const Outlets &outlets)
{
    if (m_viewport)
        m_viewport->removeEventFilter(this);
    m_outlets = outlets;
    m_viewport = m_outlets.scrollView ? m_outlets.scrollView->viewport() : nullptr;
    // The canvas lays itself out again whenever the visible area changes size.
    if (m_viewport)
        m_viewport->installEventFilter(this);
}

bool RectsView::eventFilter(QObject *watched, QEvent *event)
{
    if (m_viewport && watched == m_viewport && event->type() == QEvent::Resize)
        resizeRectViewBound(false, false);
    return QWidget::eventFilter(watched, event);
}

void RectsView::wasChanged(bool flag)
{
    m_changed = flag;
    if (saveButtonEnabler)
        saveButtonEnabler(flag);
    if (m_batchDepth > 0)
        m_batchChangedState = true;
    else
        emit changedStateChanged(flag);
}

QString RectsView::measure()
{
    UserDefaults &defaults = UserDefaults::standard();
    const QString unit = defaults.stringForKey(QStringLiteral("Measurements"));
    if (!unit.isEmpty())
        return unit;
    defaults.setString(QStringLiteral("Inches"), QStringLiteral("Measurements"));
    return QStringLiteral("Inches");
}

QString RectsView::convertUnits(float inches)
{
    const QString unit = measure();
    double value = inches;
    QString abbreviation = QStringLiteral("inch");
    if (unit == QLatin1String("Centimeters")) {
        value = inches * 2.54;
        abbreviation = QStringLiteral("cm");
    } else if (unit == QLatin1String("Points")) {
        value = inches * 72.0;
        abbreviation = QStringLiteral("pt");
    } else if (unit == QLatin1String("Picas")) {
        value = inches * 6.0;
        abbreviation = QStringLiteral("pc");
    }
    // The unit button and the sheet editors show the abbreviation in the user's language; the
    // description line must agree with them.
    return localNumber(value) + QLatin1Char(' ') + Language::stringForKey(abbreviation);
}

bool RectsView::terminatePromptFlag()
{
    return terminatePromptFlagValue;
}

void RectsView::setTerminatePromptFlag(bool flag)
{
    terminatePromptFlagValue = flag;
}

bool RectsView::askToSaveChanges()
{
    if (!isChanged())
        return true;
    switch (askToSave(window())) {
    case 0:
        return save();
    case 1:
        return true;
    default:
        return false;
    }
}

bool RectsView::applicationShouldTerminate()
{
    if (!isChanged())
        return true;
    if (!terminatePromptFlagValue) {
        terminatePromptFlagValue = true;
        return true;
    }
    switch (askToSave(window())) {
    case 0:
        // A save that did not happen keeps the application running.
        return save();
    case 1:
        return true;
    default:
        return false;
    }
}

bool RectsView::windowShouldClose()
{
    // A design with nothing to save closes without a question, as quitting does; the quit
    // that follows the close then does not ask again.
    if (!isChanged())
        return true;
    const int answer = askToSave(window());
    if (answer == 2)
        return false;
    if (answer == 0 && !save())
        return false;
    terminatePromptFlagValue = false;
    return true;
}

QString RectsView::windowFrameKey(const QString &autosaveName)
{
    return QStringLiteral("Window Frame ") + autosaveName;
}

void RectsView::restoreWindowFrame(QWidget *mainWindow)
{
    if (!mainWindow)
        return;
    const QString stored = UserDefaults::standard().stringForKey(windowFrameKey(QStringLiteral("Quillmark")));
    const QRectF frame = stored.isEmpty() ? QRectF() : rectFromString(stored);
    if (frame.width() >= 1.0 && frame.height() >= 1.0)
        mainWindow->setGeometry(frame.toRect());
    else
        mainWindow->resize(1220, 800);
    fitWindowToScreen(mainWindow);
}

namespace {

// What the window system adds round the window (title bar, borders); nothing until the window
// is shown.
QMargins windowFrameMargins(const QWidget *window)
{
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return QMargins(std::max(0, inner.left() - outer.left()), std::max(0, inner.top() - outer.top()),
                    std::max(0, outer.right() - inner.right()), std::max(0, outer.bottom() - inner.bottom()));
}

} // namespace

QSize RectsView::windowMinimumSize(const QWidget *mainWindow)
{
    const QSize least(1220, 740);
    const QRect area = ScreenArea::available(mainWindow);
    if (area.isEmpty())
        return least;
    return least.boundedTo(area.marginsRemoved(windowFrameMargins(mainWindow)).size());
}

void RectsView::fitWindowToScreen(QWidget *mainWindow)
{
    if (!mainWindow)
        return;
    // On a screen smaller than the window's usual least size (a 1366 x 768 laptop with a
    // panel, 1024 x 768), the least size is the screen's free area: the window's controls
    // stay on the screen.
    mainWindow->setMinimumSize(windowMinimumSize(mainWindow));
    if (mainWindow->isMaximized() || mainWindow->isFullScreen() || mainWindow->isMinimized())
        return;
    const QRect area = ScreenArea::available(mainWindow);
    if (area.isEmpty())
        return;
    // A frame saved on a larger screen is brought inside this one, its size first.
    const QRect room = area.marginsRemoved(windowFrameMargins(mainWindow));
    QRect frame = mainWindow->geometry();
    frame.setSize(frame.size().boundedTo(room.size()).expandedTo(mainWindow->minimumSize()));
    frame.moveLeft(std::clamp(frame.left(), room.left(), std::max(room.left(), room.right() - frame.width() + 1)));
    frame.moveTop(std::clamp(frame.top(), room.top(), std::max(room.top(), room.bottom() - frame.height() + 1)));
    if (frame != mainWindow->geometry())
        mainWindow->setGeometry(frame);
}

void RectsView::applicationWillTerminate()
{
    Language::clean();
    UserDefaults &defaults = UserDefaults::standard();
    if (QWidget *mainWindow = window(); mainWindow && mainWindow != this)
        defaults.setString(rectToString(QRectF(mainWindow->geometry())),
                           windowFrameKey(QStringLiteral("Quillmark")));
    defaults.setString(isObjectInfoVisible() ? QStringLiteral("YES") : QStringLiteral("NO"),
                       QStringLiteral("ObjectInfoVisible"));
    defaults.setString(fmtInt(m_templateItemSize), QStringLiteral("TemplateSize"));
    defaults.synchronize();
}

void RectsView::readTemplateSize()
{
    UserDefaults &defaults = UserDefaults::standard();
    if (defaults.objectForKey(QStringLiteral("TemplateSize")).isNull()) {
        defaults.registerDefaults({{QStringLiteral("TemplateSize"), QStringLiteral("90")}});
        defaults.synchronize();
        m_templateItemSize = 90;
        return;
    }
    const double size = leadingDouble(defaults.stringForKey(QStringLiteral("TemplateSize")));
    m_templateItemSize = std::isfinite(size) ? int(std::clamp(size, 0.0, 100000.0)) : 90;
}

void RectsView::setDocumentCursor(const QCursor &cursor)
{
    setCursor(cursor);
}

void RectsView::registerUndo(std::function<void()> inverse)
{
    m_undoManager.registerUndo(std::move(inverse));
}

void RectsView::setActionName(const QString &name)
{
    m_undoManager.setActionName(name);
}

} // namespace quillmark
