// The current tool, the pointer each tool shows, and the creation of objects: drawn objects,
// the text box of the text tool, the merge-field pair, the address block and the Bezier path
// built click by click.
#include <QCursor>
#include <QLocale>
#include <QPixmap>
#include <QScrollArea>

#include <optional>

#include "canvas/RectsView.h"

#include "canvas/CanvasInspector.h"
#include "foundation/Language.h"
#include "objects/BezierPathArchive.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/ObjectFactory.h"
#include "platform/BundleCursor.h"
#include "platform/Modifiers.h"
#include "platform/Prompts.h"

namespace quillmark {

namespace {

// One path in progress per process, as long as the path tool builds it.
std::optional<BezierPath> &pathStore()
{
    static std::optional<BezierPath> path;
    return path;
}

} // namespace

const BezierPath *RectsView::pathInProgress()
{
    return pathStore() ? &*pathStore() : nullptr;
}

void RectsView::discardPathInProgress()
{
    pathStore().reset();
}

QString RectsView::currentObjectClass() const
{
    switch (currentToolClass) {
    case RectTool:
        return QStringLiteral("ColorRect");
    case OvalTool:
        return QStringLiteral("ColorOval");
    case LineTool:
        return QStringLiteral("ColorLine");
    case BarcodeTool:
        return QStringLiteral("ColorBarcode");
    case FieldTool:
        return QStringLiteral("ColorField");
    case AddressTool:
        return QStringLiteral("ColorAddress");
    default:
        return QString();
    }
}

void RectsView::matrixFrameItem(int tag)
{
    // The field tool offers its fields in a menu; the tool changes when one is chosen.
    if (tag == FieldTool) {
        discardPathInProgress();
        if (toolSelectionChanged)
            toolSelectionChanged(m_toolTag);
        return;
    }
    m_toolTag = tag;
    setCurrToolClass(tag);
    QCursor pointer(Qt::CrossCursor);
    if (tag == PathTool) {
        BezierPath path;
        path.setLineWidth(1.0 / getZoom());
        pathStore() = path;
        pointer = BundleCursor::named(QStringLiteral("startPath"), QPoint(1, 19), Qt::CrossCursor);
    } else {
        discardPathInProgress();
        if (tag == SelectTool) {
            clearEditable();
            pointer = QCursor(Qt::ArrowCursor);
            update();
        } else if (tag == RotateTool) {
            clearEditable();
            pointer = BundleCursor::named(QStringLiteral("rotateCursor"), QPoint(9, 9), Qt::CrossCursor);
            update();
        } else if (tag == TextTool) {
            pointer = QCursor(Qt::IBeamCursor);
        } else {
            clearSelection();
        }
    }
    setDocumentCursor(pointer);
    if (m_objectInfo)
        m_objectInfo->updateValues();
    if (toolSelectionChanged)
        toolSelectionChanged(tag);
}

void RectsView::setupCurrObjectTool(int tool)
{
    matrixFrameItem(tool);
}

void RectsView::setCurrToolClass(int tool)
{
    currentToolClass = tool;
    if (m_objectInfo)
        m_objectInfo->enableText();
    m_textLinkSource.reset();
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects)) {
        auto *path = dynamic_cast<ColorPath *>(graphic.get());
        if (path && path->bezierEdit())
            path->doubleClick();
    }
}

void RectsView::addFieldType(int fieldPk)
{
    const GraphicPtr edited = editedObject();
    if (edited && _selectedObjects.size() == 1 && _selectedObjects.first() == edited && edited->isEditable1()) {
        endTypingBurst();
        if (edited->insertTextField(fieldPk)) {
            wasChanged(true);
            invalidateEditedText(edited);
        }
        setupCurrObjectTool(TextTool);
        return;
    }
    m_pendingFieldPk = fieldPk;
    m_toolTag = FieldTool;
    setCurrToolClass(FieldTool);
    clearSelection();
    setDocumentCursor(QCursor(Qt::CrossCursor));
    // The next click places a field: the tool bar says so, not the tool it showed before.
    if (toolSelectionChanged)
        toolSelectionChanged(FieldTool);
}

void RectsView::setFieldType(int fieldPk)
{
    if (_selectedObjects.isEmpty() || _selectedObjects.first()->className() != QLatin1String("ColorField")) {
        addFieldType(fieldPk);
        return;
    }
    // The inspector retypes the selected fields as its field pop-up does.
    if (m_objectInfo) {
        m_objectInfo->setFieldType(fieldPk);
        return;
    }
    const ChangeBatch batch(*this);
    QList<std::pair<GraphicPtr, int>> bindings;
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects)) {
        if (graphic->className() == QLatin1String("ColorField") && graphic->fieldPk() != fieldPk)
            bindings.append({graphic, fieldPk});
    }
    if (bindings.isEmpty())
        return;
    ColorRect::setFieldPks(bindings);
    // The pair lays its members out again: the whole label is redrawn.
    update();
    wasChanged(true);
    updateRulers();
    if (m_objectInfo)
        m_objectInfo->updateValues();
}

bool RectsView::canAddAddressBlock() const
{
    const GraphicPtr edited = editedObject();
    return !(edited && _selectedObjects.size() == 1 && _selectedObjects.first() == edited);
}

void RectsView::addAddressBlock()
{
    if (!canAddAddressBlock() || !runAddressDialog)
        return;
    if (runAddressDialog(window(), nullptr))
        matrixFrameItem(AddressTool);
}

GraphicPtr RectsView::createObjectOfClassR(const QString &className, const QRectF &bounds)
{
    if (!roomForObjects(1, Language::stringForKey(QStringLiteral("Create Object"))))
        return nullptr;
    const GraphicPtr object = ObjectFactory::create(className);
    if (!object)
        return nullptr;
    object->setMainView(this);
    m_undoManager.disableUndoRegistration();
    object->setFrameBounds(bounds);
    object->setDrawsStroke(false);
    object->setDrawsImage(false);
    object->setStrokeLineWidth(1.0f);
    object->setPageName(getCurrPageName());
    object->setObjectLayer(currentLayer());
    m_undoManager.enableUndoRegistration();

    m_undoManager.beginUndoGrouping();
    clearSelection();
    addGraphic(object);
    selectRect(object);
    wasChanged(true);
    setupCurrObjectTool(SelectTool);
    setActionName(Language::stringForKey(QStringLiteral("Create Object")));
    m_undoManager.endUndoGrouping();
    return object;
}

void RectsView::finishObjectCreation(const GraphicPtr &object, unsigned flags)
{
    if (!roomForObjects(1, Language::stringForKey(QStringLiteral("Create Object")))) {
        m_textLinkSource.reset();
        return;
    }
    const int tool = currentToolClass;
    m_undoManager.beginUndoGrouping();
    if (tool == RectTool && m_textLinkSource)
        object->setTextLink(m_textLinkSource.get(), m_textLinkNext);
    clearSelection();
    addGraphic(object);
    // Only objects drawn with a tool take the last-used style.
    m_undoManager.disableUndoRegistration();
    object->syncronizeWith(nullptr);
    m_undoManager.enableUndoRegistration();
    selectRect(object);
    if (tool == BarcodeTool) {
        object->setDrawBarcode(true);
        setDrawersItemsState();
    }
    wasChanged(true);
    if (!(flags & CommandKeyMask))
        setupCurrObjectTool(SelectTool);
    setActionName(Language::stringForKey(QStringLiteral("Create Object")));
    m_undoManager.endUndoGrouping();
    resizeRectViewBound(false, false);
    m_textLinkSource.reset();
}

void RectsView::createDBField(int fieldPk)
{
    clearSelection();
    if (!mergeFieldPairMaker || !roomForObjects(2, Language::stringForKey(QStringLiteral("Create Object"))))
        return;
    const auto [title, contents] = mergeFieldPairMaker(this, m_lastMouseDown, fieldPk);
    if (!title || !contents)
        return;
    m_undoManager.disableUndoRegistration();
    for (const GraphicPtr &member : {title, contents}) {
        member->setPageName(getCurrPageName());
        member->setObjectLayer(currentLayer());
        rects.append(member);
        member->setMainView(this);
        selectRect(member);
    }
    const int index = groupCF(false);
    m_undoManager.enableUndoRegistration();
    registerUndo([this, index] { removeGroupAtIndex(index); });
    wasChanged(true);
    updateRulers();
    update();
    // Like every object placed by a tool, the pair hands the canvas back to selecting.
    setupCurrObjectTool(SelectTool);
}

void RectsView::stopLasso(unsigned modifierFlags)
{
    if (!pathStore())
        return;
    BezierPath &path = *pathStore();
    const int count = path.elementCount();
    if (count >= 2) {
        // The element that followed the pointer ends on the first point.
        QPointF first[3];
        path.elementAt(0, first);
        QPointF last[3];
        if (path.elementAt(count - 1, last) == BezierPath::CurveTo) {
            last[1] = first[0];
            last[2] = first[0];
            path.setAssociatedPoints(last, count - 1);
        }
    }
    path.closePath();
    const QRectF box = path.bounds();
    // A path of more points than a design may keep is not made: saved, it would not read back.
    if (path.elementCount() > BezierPathArchive::MaxElements) {
        Prompts::current().alert(window(), Language::stringForKey(QStringLiteral("Create Object")),
                                 Language::withValues(Language::stringForKey(QStringLiteral("A path holds at most %@ points: this one has %@. It was not made.")),
                                                      {QLocale().toString(BezierPathArchive::MaxElements), QLocale().toString(path.elementCount())}),
                                 {Language::stringForKey(QStringLiteral("OK"))});
        discardPathInProgress();
        update();
        return;
    }
    if (box.width() > 0.0 && box.height() > 0.0) {
        auto object = ColorPath::create();
        object->setMainView(this);
        object->setPageName(getCurrPageName());
        object->setObjectLayer(currentLayer());
        m_undoManager.disableUndoRegistration();
        object->setBezierPath(path);
        m_undoManager.enableUndoRegistration();
        discardPathInProgress();
        finishObjectCreation(object, modifierFlags);
        discardPathInProgress();
        update();
        return;
    }
    setupCurrObjectTool(SelectTool);
}

} // namespace quillmark
