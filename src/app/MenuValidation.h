#pragma once
// Which commands of the menu bar and the tool bar are usable, and which carry a check mark, as
// a pure function of what the window shows: the canvas's selection and tool, the undo history,
// the clipboard, the side panels. Commands are named by their action ("group:", "paste:").
#include <QString>
#include <QStringList>

#include <functional>

namespace quillmark {

class RectsView;

struct ChromeState
{
    // The selection.
    int selectedCount = 0;
    bool anySelectedEditing = false;   // some selected object has its text edited in place
    QString firstSelectedClass;        // the exact kind of the first selected object
    bool firstSelectedEditing = false;
    bool firstSelectedHasImage = false;
    bool anySelectedLocked = false;
    int lockedState = 0;               // 0 none locked, 1 all, -1 some
    int scaleImageWithBox = 0;
    bool anySelectedInGroup = false;
    bool groupSelected = false;
    bool selectedGroupIsField = false;
    bool selectedAreBarcodes = false;
    // Plain boxes (not ovals, not lines) among the selection and their text wrap values.
    int plainBoxes = 0;
    int plainBoxWrapSum = 0;
    // The design.
    int tool = 0;
    bool designHasGraphics = false;
    bool layerHasGraphics = false;
    bool pageHasGraphics = false;
    bool databaseCurrent = false;
    bool changed = false;
    bool discLabelType = false;        // the label type edited is a disc or a disc-shaped card
    bool pageBackgroundValid = false;
    int backgroundForPage = -1;
    bool canUndo = false;
    bool canRedo = false;
    bool canBringToFront = false;
    bool canSendToBack = false;
    bool canMoveForward = false;
    bool canSendBackward = false;
    bool pasteboardHasDesign = false;
    bool pasteboardHasText = false;
    // A text edited in place takes the clipboard commands: whether part of it is selected and
    // whether it holds any text.
    bool textEditing = false;
    bool textSelected = false;
    bool textEmpty = true;
    bool stockRowForNew = false;       // a catalogue label (not a category) or custom row is chosen
    double rawZoom = 1.0;
    bool rulersVisible = false;
    bool constraining = false;
    // The window's panels.
    bool sidePanelExists = false;
    bool sidePanelOpened = false;
    bool maskDrawerExists = false;
    bool maskDrawerOpen = false;
    bool inspectorVisible = false;
    // The database browser, for Next and Previous.
    int browserRows = 0;
    bool firstRowSelected = false;
    bool lastRowSelected = false;
    // Whether the side panel's page button of a tag is the selected one.
    std::function<bool(int tag)> pageButtonSelected;
};

struct MenuItemState
{
    bool enabled = false;
    bool checkable = false;
    bool checked = false;
    // A new title for the item, when the command gives one.
    QString title;
};

// The state of the item with `action`; `tag` and `title` are the item's own (a "Photo" field
// item, a page item, the About item). A command the table does not know is disabled.
MenuItemState validateMenuItem(const QString &action, const ChromeState &state, int tag = 0,
                               const QString &title = {});
// Whether the table has a rule for the action (an action without one is always disabled).
bool hasMenuRule(const QString &action);
// Whether a tool bar item, by its identifier, is usable.
bool validateToolbarItem(const QString &identifier, const ChromeState &state);

// The label-design tool bar's items by identifier, in their default order and as allowed.
QStringList defaultToolbarItemIdentifiers();
QStringList allowedToolbarItemIdentifiers();

// The state the canvas and the current database show now; the clipboard is left to the caller.
ChromeState chromeStateOf(const RectsView &canvas);

} // namespace quillmark
