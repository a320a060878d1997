#include "app/MenuValidation.h"

#include <QHash>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTreeView>

#include "app/HelpMenu.h"
#include "canvas/RectsView.h"
#include "canvas/TGrid.h"
#include "database/store/Database.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "stock/DataSource.h"
#include "stock/TFormat.h"

namespace quillmark {

namespace {

using Rule = std::function<MenuItemState(const ChromeState &, int tag, const QString &title)>;

MenuItemState enabledIf(bool flag)
{
    MenuItemState state;
    state.enabled = flag;
    return state;
}

MenuItemState checkedIf(bool enabled, bool checked)
{
    MenuItemState state;
    state.enabled = enabled;
    state.checkable = true;
    state.checked = checked;
    return state;
}

void addAll(QHash<QString, Rule> &table, std::initializer_list<const char *> actions, const Rule &rule)
{
    for (const char *action : actions)
        table.insert(QString::fromLatin1(action), rule);
}

bool exactlyOneEditing(const ChromeState &s)
{
    return s.selectedCount == 1 && s.firstSelectedEditing;
}

const QHash<QString, Rule> &rules()
{
    static const QHash<QString, Rule> table = [] {
        QHash<QString, Rule> t;
        const Rule always = [](const ChromeState &, int, const QString &) { return enabledIf(true); };
        const Rule anySelected = [](const ChromeState &s, int, const QString &) { return enabledIf(s.selectedCount > 0); };
        const Rule oneSelected = [](const ChromeState &s, int, const QString &) { return enabledIf(s.selectedCount == 1); };
        const Rule twoOrMore = [](const ChromeState &s, int, const QString &) { return enabledIf(s.selectedCount >= 2); };

        addAll(t, {"setExportType:", "switchTabsToolbar:", "openImage:", "openBackgroundImage:", "setBarcodeType:",
                   "setBarcodeGap:", "preferences:", "zoomIn:", "zoomOut:", "openDocument:", "saveAsTypeChaged:",
                   "visitSite:", "visitSiteSupport:", "clickToolMeasure:", "changeMesurement:", "selectZoom:",
                   "showFormats:", "showImages:", "editCustomFormat:", "print:", "printSequense:",
                   "saveDocumentAs:", "runPageLayout:", "copyImageStyle", "pasteImageStyle"},
               always);
        addAll(t, {"addFontTrait:", "modifyFont:"},
               [](const ChromeState &s, int, const QString &) { return enabledIf(s.anySelectedEditing); });
        addAll(t, {"createDBField:", "addFieldType:"}, [](const ChromeState &s, int, const QString &title) {
            // A picture has no place inside text.
            return enabledIf(!(title == QLatin1String("Photo") && exactlyOneEditing(s)));
        });
        t.insert(QStringLiteral("showHideRuler:"),
                 [](const ChromeState &s, int, const QString &) { return checkedIf(true, s.rulersVisible); });
        t.insert(QStringLiteral("showHideGraphicOpt:"), [](const ChromeState &s, int, const QString &) {
            return checkedIf(s.sidePanelExists, !s.sidePanelOpened);
        });
        t.insert(QStringLiteral("openProperties:"), [](const ChromeState &s, int tag, const QString &) {
            return checkedIf(!s.sidePanelOpened, s.pageButtonSelected && s.pageButtonSelected(tag));
        });
        t.insert(QStringLiteral("showHideBarcodeInfo:"), [](const ChromeState &s, int, const QString &) {
            return checkedIf(s.maskDrawerExists, s.maskDrawerOpen);
        });
        t.insert(QStringLiteral("selectAll:"), [](const ChromeState &s, int, const QString &) {
            return enabledIf(s.textEditing ? !s.textEmpty : s.layerHasGraphics);
        });
        t.insert(QStringLiteral("saveTemplate:"),
                 [](const ChromeState &s, int, const QString &) { return enabledIf(s.pageHasGraphics); });
        t.insert(QStringLiteral("exportSequentialLabel:"), [](const ChromeState &s, int, const QString &) {
            return enabledIf(s.designHasGraphics && s.databaseCurrent);
        });
        addAll(t, {"delete_:", "cut:"}, [](const ChromeState &s, int, const QString &) {
            if (s.textEditing)
                return enabledIf(s.textSelected);
            // With the select tool a locked object stays where it is.
            return enabledIf(s.selectedCount > 0 && (s.tool != 0 || !s.anySelectedLocked));
        });
        t.insert(QStringLiteral("copy:"), [](const ChromeState &s, int, const QString &) {
            return enabledIf(s.textEditing ? s.textSelected : s.selectedCount > 0);
        });
        t.insert(QStringLiteral("undo:"), [](const ChromeState &s, int, const QString &) { return enabledIf(s.canUndo); });
        t.insert(QStringLiteral("redo:"), [](const ChromeState &s, int, const QString &) { return enabledIf(s.canRedo); });
        addAll(t, {"duplicate:", "replicate:", "centerObject:", "setObjectResetImage:", "setObjectFitImage:",
                   "makeMonohromeFrameImage:"},
               anySelected);
        t.insert(QStringLiteral("bringToFront:"),
                 [](const ChromeState &s, int, const QString &) { return enabledIf(s.canBringToFront); });
        t.insert(QStringLiteral("sendToBack:"),
                 [](const ChromeState &s, int, const QString &) { return enabledIf(s.canSendToBack); });
        t.insert(QStringLiteral("bringForward:"),
                 [](const ChromeState &s, int, const QString &) { return enabledIf(s.canMoveForward); });
        t.insert(QStringLiteral("sendBackward:"),
                 [](const ChromeState &s, int, const QString &) { return enabledIf(s.canSendBackward); });
        t.insert(QStringLiteral("showColorPanel:"), [](const ChromeState &s, int, const QString &) {
            return enabledIf(s.selectedCount > 0 || s.pageBackgroundValid);
        });
        t.insert(QStringLiteral("clearBackgroundImage:"),
                 [](const ChromeState &s, int, const QString &) { return enabledIf(s.backgroundForPage >= 0); });
        t.insert(QStringLiteral("lock:"), [](const ChromeState &s, int, const QString &) {
            return checkedIf(s.selectedCount > 0, s.lockedState > 0);
        });
        t.insert(QStringLiteral("group:"), [](const ChromeState &s, int, const QString &) {
            return enabledIf(s.selectedCount >= 2 && !s.anySelectedInGroup);
        });
        t.insert(QStringLiteral("ungroup:"), [](const ChromeState &s, int, const QString &) {
            return enabledIf(s.groupSelected && !s.selectedGroupIsField);
        });
        t.insert(QStringLiteral("fitResetImage:"), [](const ChromeState &s, int, const QString &) {
            return checkedIf(s.selectedCount > 0, s.scaleImageWithBox != 0);
        });
        t.insert(QStringLiteral("adjustZoom:"),
                 [](const ChromeState &s, int, const QString &) { return enabledIf(s.rawZoom != 1.0); });
        t.insert(QStringLiteral("runAbout:"), [](const ChromeState &, int, const QString &title) {
            MenuItemState state = enabledIf(true);
            state.title = HelpMenu::productItemTitle(title, true);
            return state;
        });
        addAll(t, {"hide:", "displayHelp:"}, [](const ChromeState &, int, const QString &title) {
            MenuItemState state = enabledIf(true);
            state.title = HelpMenu::productItemTitle(title, false);
            return state;
        });
        t.insert(QStringLiteral("paste:"), [](const ChromeState &s, int, const QString &) {
            if (s.textEditing)
                return enabledIf(s.pasteboardHasText);
            return enabledIf(s.tool != 0 || s.pasteboardHasDesign);
        });
        t.insert(QStringLiteral("saveDocument:"),
                 [](const ChromeState &s, int, const QString &) { return enabledIf(s.changed); });
        t.insert(QStringLiteral("newDocument:"),
                 [](const ChromeState &s, int, const QString &) { return enabledIf(s.stockRowForNew); });
        t.insert(QStringLiteral("exportLabel:"),
                 [](const ChromeState &s, int, const QString &) { return enabledIf(s.designHasGraphics); });
        t.insert(QStringLiteral("showTextFont:"), [](const ChromeState &s, int, const QString &) {
            return enabledIf(s.selectedCount == 1 || s.selectedAreBarcodes);
        });
        addAll(t, {"rotate:", "importFolder:", "importTextFile:", "importITunes:"}, oneSelected);
        t.insert(QStringLiteral("setTextWrap:"), [](const ChromeState &s, int, const QString &) {
            const bool usable = s.discLabelType && s.plainBoxes > 0;
            return checkedIf(usable, usable && s.plainBoxWrapSum > 0);
        });
        t.insert(QStringLiteral("setTextTable:"), [](const ChromeState &s, int, const QString &) {
            return enabledIf(exactlyOneEditing(s) && s.firstSelectedClass != QLatin1String("ColorOval"));
        });
        addAll(t, {"setObjectAlign:", "setObjectSize:"}, twoOrMore);
        addAll(t, {"alignCenter:", "alignLeft:", "alignRight:", "alignJustified:"},
               [](const ChromeState &s, int, const QString &) {
                   return enabledIf(s.selectedCount == 1
                                    && (s.firstSelectedClass == QLatin1String("ColorRect")
                                        || s.firstSelectedClass == QLatin1String("ColorField")));
               });
        addAll(t, {"turnOffKerning:", "tightenKerning:", "loosenKerning:", "useStandardKerning:", "turnOffLigatures:",
                   "useStandardLigatures:", "useAllLigatures:", "raiseBaseline:", "lowerBaseline:"},
               [](const ChromeState &s, int, const QString &) {
                   return enabledIf(s.selectedCount == 1
                                    && (s.firstSelectedClass == QLatin1String("ColorRect")
                                        || (s.firstSelectedClass == QLatin1String("ColorField")
                                            && s.firstSelectedEditing)));
               });
        t.insert(QStringLiteral("snapToGuides:"),
                 [](const ChromeState &s, int, const QString &) { return checkedIf(true, s.constraining); });
        t.insert(QStringLiteral("showImageEffectsPanel:"),
                 [](const ChromeState &s, int, const QString &) { return enabledIf(s.firstSelectedHasImage); });
        t.insert(QStringLiteral("setFieldType:"), [](const ChromeState &s, int, const QString &) {
            return enabledIf(s.selectedCount == 0 || s.firstSelectedClass == QLatin1String("ColorField"));
        });
        t.insert(QStringLiteral("addAddressBlock:"),
                 [](const ChromeState &s, int, const QString &) { return enabledIf(!exactlyOneEditing(s)); });
        t.insert(QStringLiteral("showInfoTab:"),
                 [](const ChromeState &s, int, const QString &) { return enabledIf(s.inspectorVisible); });
        t.insert(QStringLiteral("navigate:"), [](const ChromeState &s, int tag, const QString &) {
            if (tag == 1)
                return enabledIf(!(s.browserRows > 0 && s.firstRowSelected));
            if (tag == 2)
                return enabledIf(!(s.browserRows > 0 && s.lastRowSelected));
            return enabledIf(false);
        });
        return t;
    }();
    return table;
}

} // namespace

MenuItemState validateMenuItem(const QString &action, const ChromeState &state, int tag, const QString &title)
{
    const auto rule = rules().constFind(action);
    if (rule == rules().constEnd())
        return {};
    return (*rule)(state, tag, title);
}

bool hasMenuRule(const QString &action)
{
    return rules().contains(action);
}

bool validateToolbarItem(const QString &identifier, const ChromeState &s)
{
    if (identifier == QLatin1String("SaveDocumentItemIdentifier"))
        return s.changed;
    if (identifier == QLatin1String("Print"))
        return s.designHasGraphics;
    static const QStringList always = {QStringLiteral("Inspector"), QStringLiteral("ImageMask"),
                                       QStringLiteral("ModeSwitchToolbarItemIdentifier"),
                                       QStringLiteral("FrameToolItemIdentifier"), QStringLiteral("ZoomToolItemIdentifier"),
                                       QStringLiteral("MeasureItemIdentifier")};
    if (always.contains(identifier))
        return true;
    if (identifier == QLatin1String("Colors"))
        return s.selectedCount > 0 || s.pageBackgroundValid;
    if (identifier == QLatin1String("Fonts"))
        return exactlyOneEditing(s);
    return false;
}

QStringList defaultToolbarItemIdentifiers()
{
    return {QStringLiteral("SaveDocumentItemIdentifier"), QStringLiteral("Separator"),
            QStringLiteral("FrameToolItemIdentifier"),    QStringLiteral("Separator"),
            QStringLiteral("MeasureItemIdentifier"),      QStringLiteral("Separator"),
            QStringLiteral("ZoomToolItemIdentifier"),     QStringLiteral("Space"),
            QStringLiteral("Inspector"),                  QStringLiteral("Print"),
            QStringLiteral("FlexibleSpace"),              QStringLiteral("ModeSwitchToolbarItemIdentifier")};
}

QStringList allowedToolbarItemIdentifiers()
{
    return {QStringLiteral("SaveDocumentItemIdentifier"), QStringLiteral("Inspector"),
            QStringLiteral("ImageMask"),                  QStringLiteral("FrameToolItemIdentifier"),
            QStringLiteral("MeasureItemIdentifier"),      QStringLiteral("ZoomToolItemIdentifier"),
            QStringLiteral("Print"),                      QStringLiteral("Separator"),
            QStringLiteral("FlexibleSpace"),              QStringLiteral("ModeSwitchToolbarItemIdentifier"),
            QStringLiteral("Space")};
}

ChromeState chromeStateOf(const RectsView &canvas)
{
    ChromeState s;
    const GraphicList &selection = canvas.selectedObjects();
    s.selectedCount = selection.size();
    // One pass over the selection answers every question about it (the canvas's own
    // isSelectedLocked, isSelectedScaleImageWithBox and selectedisBarcodes would each take
    // another): this runs after every click and key.
    const bool firstLocked = !selection.isEmpty() && selection.first()->isLocked();
    const bool firstScales = !selection.isEmpty() && selection.first()->isScaleWithBox();
    bool lockedMixed = false;
    bool scalesMixed = false;
    bool allBarcodes = !selection.isEmpty();
    for (const GraphicPtr &graphic : selection) {
        const bool locked = graphic->isLocked();
        s.anySelectedEditing = s.anySelectedEditing || graphic->isEditable1();
        s.anySelectedLocked = s.anySelectedLocked || locked;
        s.anySelectedInGroup = s.anySelectedInGroup || graphic->getGroup() != nullptr;
        lockedMixed = lockedMixed || locked != firstLocked;
        scalesMixed = scalesMixed || graphic->isScaleWithBox() != firstScales;
        const QString kind = graphic->className();
        allBarcodes = allBarcodes && kind == QLatin1String("ColorBarcode");
        if (kind != QLatin1String("ColorOval") && kind != QLatin1String("ColorLine")) {
            ++s.plainBoxes;
            s.plainBoxWrapSum += graphic->textWrap();
        }
    }
    if (!selection.isEmpty()) {
        const GraphicPtr &first = selection.first();
        s.firstSelectedClass = first->className();
        s.firstSelectedEditing = first->isEditable1();
        s.firstSelectedHasImage = first->image() != nullptr;
    }
    s.lockedState = lockedMixed ? -1 : (firstLocked ? 1 : 0);
    s.scaleImageWithBox = scalesMixed ? -1 : (firstScales ? 1 : 0);
    if (const GroupPtr group = canvas.selectedGroup()) {
        s.groupSelected = true;
        s.selectedGroupIsField = group->className() == QLatin1String("GroupField");
    }
    s.selectedAreBarcodes = allBarcodes;
    if (const std::optional<bool> selected = canvas.validateTextCommand(RectsView::TextCommand::Copy)) {
        s.textEditing = true;
        s.textSelected = *selected;
        s.textEmpty = !canvas.validateTextCommand(RectsView::TextCommand::SelectAll).value_or(false);
    }
    s.tool = canvas.getCurrToolClass();
    s.designHasGraphics = !canvas.getRects().isEmpty();
    const RectsView::StackingState stacking = canvas.stackingState();
    s.layerHasGraphics = stacking.layerHasGraphics;
    s.pageHasGraphics = canvas.canSaveTemplate();
    s.databaseCurrent = Database::currentDatabase() != nullptr;
    s.changed = canvas.isChanged();
    if (const TFormat *format = canvas.getTFormat())
        if (const TLabelT *shape = format->labeltypeObjectAtIndex(canvas.getTIndex())) {
            static const QStringList discs = {QStringLiteral("Disc"), QStringLiteral("CDMini"),
                                              QStringLiteral("CDCore"), QStringLiteral("CDBusinessCard")};
            s.discLabelType = discs.contains(shape->getType());
        }
    s.pageBackgroundValid = canvas.isBackgroundImageValid(canvas.getCurrPageName());
    s.backgroundForPage = canvas.backgroundForPage();
    RectsView &mutableCanvas = const_cast<RectsView &>(canvas);
    s.canUndo = mutableCanvas.undoManager()->canUndo();
    s.canRedo = mutableCanvas.undoManager()->canRedo();
    s.canBringToFront = stacking.canMoveForward;
    s.canSendToBack = stacking.canSendToBack;
    s.canMoveForward = stacking.canMoveForward;
    s.canSendBackward = stacking.canSendToBack;
    const RectsView::Outlets &outlets = canvas.outlets();
    if (QTreeView *catalogue = outlets.labelOutlineViewOutlet; catalogue && catalogue->selectionModel()
                                                               && catalogue->selectionModel()->hasSelection()) {
        const QModelIndex row = catalogue->selectionModel()->selectedIndexes().value(0);
        s.stockRowForNew = canvas.dataSource() && canvas.dataSource()->labelTypeAt(row) != nullptr;
    } else if (QTableView *custom = outlets.labelTableViewOutlet) {
        s.stockRowForNew = custom->selectionModel() && custom->selectionModel()->hasSelection();
    }
    s.rawZoom = canvas.getZoomCoeff();
    s.rulersVisible = canvas.rulersVisible();
    s.constraining = canvas.grid() && canvas.grid()->isConstraining();
    s.sidePanelExists = canvas.graphicOptDrawerOutlet() != nullptr;
    s.sidePanelOpened = canvas.opened();
    s.maskDrawerExists = canvas.maskDrawerOutlet() != nullptr;
    s.maskDrawerOpen = canvas.isMaskDrawerOpen();
    return s;
}

} // namespace quillmark
