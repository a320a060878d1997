// The canvas's keys and its context menu: nudging the selection with the arrow keys,
// deleting, the keys that take points off the path being built, the modifier keys that steer
// the colour commands, and the menu of a right click.
#include <QAction>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>

#include "canvas/RectsView.h"
#include "foundation/LanguageControls.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "platform/Modifiers.h"

namespace quillmark {

namespace {

bool s_fillColorFlag = false;
bool s_imageColorFlag = false;

} // namespace

bool RectsView::fillColorFlag()
{
    return s_fillColorFlag;
}

void RectsView::setFillColorFlag(bool flag)
{
    s_fillColorFlag = flag;
}

bool RectsView::imageColorFlag()
{
    return s_imageColorFlag;
}

void RectsView::setImageColorFlag(bool flag)
{
    s_imageColorFlag = flag;
}

// ---- nudges ----

void RectsView::nudge(const QPointF &delta)
{
    // With nothing selected an arrow key moves nothing: the design is neither changed nor
    // drawn again.
    if (_selectedObjects.isEmpty())
        return;
    // The rulers are measured once, after the move.
    const ChangeBatch batch(*this);
    moveSelectedGraphicsByPoint(delta);
    rulersChanged();
    updateObjectValues();
    wasChanged(true);
}

void RectsView::moveLeft() { nudge(QPointF(-1, 0)); }
void RectsView::moveRight() { nudge(QPointF(1, 0)); }
void RectsView::moveUp() { nudge(QPointF(0, -1)); }
void RectsView::moveDown() { nudge(QPointF(0, 1)); }
void RectsView::moveLeftAndModifySelection() { nudge(QPointF(-10, 0)); }
void RectsView::moveRightAndModifySelection() { nudge(QPointF(10, 0)); }
void RectsView::moveUpAndModifySelection() { nudge(QPointF(0, -10)); }
void RectsView::moveDownAndModifySelection() { nudge(QPointF(0, 10)); }

// ---- the keys ----

bool RectsView::removeLastPathPoint()
{
    const BezierPath *building = pathInProgress();
    if (!building || building->elementCount() < 2)
        return false;
    // The last point goes; the element before it follows the pointer again.
    BezierPath &path = const_cast<BezierPath &>(*building);
    const int count = path.elementCount();
    BezierPath rebuilt;
    rebuilt.setLineWidth(path.lineWidth());
    for (int i = 0; i + 1 < count; ++i) {
        QPointF e[3];
        const auto type = path.elementAt(i, e);
        if (type == BezierPath::MoveTo)
            rebuilt.moveTo(e[0]);
        else if (type == BezierPath::CurveTo)
            rebuilt.curveTo(e[2], e[0], e[1]);
    }
    const QPointF pointer = pageToWidget().inverted().map(m_lastWidgetPoint);
    QPointF last[3];
    const int n = rebuilt.elementCount();
    if (n > 0 && rebuilt.elementAt(n - 1, last) == BezierPath::CurveTo) {
        last[1] = pointer;
        last[2] = pointer;
        rebuilt.setAssociatedPoints(last, n - 1);
    }
    path = rebuilt;
    update();
    return true;
}

void RectsView::deleteBackward()
{
    if (!removeLastPathPoint())
        delete_();
}

void RectsView::deleteForward()
{
    delete_();
}

void RectsView::cancelOperation()
{
    removeLastPathPoint();
}

bool RectsView::keyCommand(QKeyEvent *event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    // Arrows with Command or Option are left to the menus and the window.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (event->key()) {
    case Qt::Key_Left:
        shift ? moveLeftAndModifySelection() : moveLeft();
        return true;
    case Qt::Key_Right:
        shift ? moveRightAndModifySelection() : moveRight();
        return true;
    case Qt::Key_Up:
        shift ? moveUpAndModifySelection() : moveUp();
        return true;
    case Qt::Key_Down:
        shift ? moveDownAndModifySelection() : moveDown();
        return true;
    case Qt::Key_Backspace:
        deleteBackward();
        return true;
    case Qt::Key_Delete:
        deleteForward();
        return true;
    case Qt::Key_Escape:
        cancelOperation();
        return true;
    default:
        return false;
    }
}

void RectsView::flagsChanged(Qt::KeyboardModifiers modifiers)
{
    if (_selectedObjects.size() != 1 || _selectedObjects.first()->isEditable1())
        return;
    const unsigned flags = modifierFlags(modifiers);
    s_fillColorFlag = flags & ControlKeyMask;
    const ColorRect &graphic = *_selectedObjects.first();
    if ((flags & CommandKeyMask) && graphic.hasValidImage() && graphic.drawsImage()) {
        s_imageColorFlag = true;
        setDocumentCursor(QCursor(Qt::OpenHandCursor));
    } else {
        s_imageColorFlag = false;
        setDocumentCursor(QCursor(Qt::ArrowCursor));
    }
}

namespace {

// The modifier a modifier key stands for; none for other keys. The Meta modifier comes from
// the Super keys on X11.
Qt::KeyboardModifier modifierOfKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Alt:
        return Qt::AltModifier;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return Qt::MetaModifier;
    default:
        return Qt::NoModifier;
    }
}

} // namespace

bool RectsView::modifierKeyEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifier own = modifierOfKey(event->key());
    if (own == Qt::NoModifier)
        return false;
    // Some window systems report a modifier key's own press and release with the modifiers
    // from before it: the state after the key is what counts.
    Qt::KeyboardModifiers after = event->modifiers();
    after.setFlag(own, event->type() == QEvent::KeyPress);
    flagsChanged(after);
    // The pointer shows at once what a drag would do now (the panning hand).
    if (!isTracking() && underMouse())
        updatePointerAt(pageToWidget().inverted().map(m_lastWidgetPoint), modifierFlags(after));
    return true;
}

void RectsView::keyReleaseEvent(QKeyEvent *event)
{
    modifierKeyEvent(event);
    QWidget::keyReleaseEvent(event);
}

// ---- the context menu ----

void RectsView::contextMenuEvent(QContextMenuEvent *event)
{
    if (_selectedObjects.size() == 1) {
        if (auto *path = dynamic_cast<ColorPath *>(_selectedObjects.first().get()); path && path->bezierEdit())
            return;
    }
    const QPointF point = pageToWidget().inverted().map(QPointF(event->pos()));
    // The menu acts on what was clicked: an object outside the selection becomes the selection.
    if (currentToolClass == SelectTool && !pathInProgress() && !editedObject()) {
        if (const GraphicPtr hit = objectUnderPoint(point); hit && !isSelected(hit.get())) {
            clearSelection();
            selectRectUndo(hit);
            update();
        }
    }
    mouseContentMenu(event->globalPos());
}

QMenu *RectsView::mouseContentMenu(const QPoint &globalPos)
{
    QMenu *menu = prepareContentMenu();
    if (!menu)
        return nullptr;
    QFont small = menu->font();
    small.setPointSizeF(10.0);
    menu->setFont(small);
    menu->popup(globalPos);
    return menu;
}

QMenu *RectsView::prepareContentMenu()
{
    QMenu *menu = contentMenuOutlet;
    if (!menu)
        return nullptr;
    for (QAction *item : menu->actions()) {
        if (item->data().toInt() == 11 && item->menu() && item->menu()->isEmpty() && fieldMenuFiller)
            fieldMenuFiller(item->menu());
    }
    // The items keep their English titles as their keys, as every menu item does: they are
    // found again by them whatever the language shows.
    const QString copyKey = QStringLiteral("Copy Image Style");
    const QString pasteKey = QStringLiteral("Paste Image Style");
    for (QAction *item : menu->actions()) {
        if (item->toolTip() == copyKey || item->toolTip() == pasteKey) {
            menu->removeAction(item);
            item->deleteLater();
        }
    }
    auto addItem = [menu](const QString &key) {
        QAction *item = menu->addAction(key);
        LanguageControls::awakeFromNib(item);
        LanguageControls::refreshLanguage(item);
        return item;
    };
    if (_selectedObjects.size() == 1) {
        const GraphicPtr graphic = _selectedObjects.first();
        if (graphic->image())
            connect(addItem(copyKey), &QAction::triggered, this, [this] { copyImageStyle(); });
        if (copiedImageStyle() && graphic->className() != QLatin1String("ColorLine"))
            connect(addItem(pasteKey), &QAction::triggered, this, [this] { pasteImageStyle(); });
    }
    return menu;
}

} // namespace quillmark
