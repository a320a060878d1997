#pragma once
// What the canvas asks of the object inspector when the selection or an object changes: the
// inspector implements it and the window installs it on the canvas (RectsView::setObjectInfo),
// so that the canvas never depends on the inspector's controls. Without one installed the
// canvas asks nothing.
#include <QList>

#include <memory>

namespace quillmark {

class ColorRect;

class CanvasInspector
{
public:
    // The inspector's pages, by the number the canvas's commands give them.
    enum Tab { GeometryTab = 0, StyleTab = 1, ImageTab = 2, TextTab = 3, AlignTab = 4, BarcodeTab = 5 };

    virtual ~CanvasInspector() = default;

    // The canvas's own selection list, handed over once: the inspector reads it as it is at
    // each refresh and never changes it.
    virtual void setSelectedRects(const QList<std::shared_ptr<ColorRect>> *selection) = 0;
    // Every control filled from the selection and enabled for it (selecting, deselecting,
    // deleting, clearing the selection).
    virtual void refresh() = 0;
    // The position, size and angle (moves, knob drags, rotation drags, ruler markers, nudges).
    virtual void updateObjectValues() = 0;
    // Every value without re-enabling (tool changes, unit changes, undo and redo).
    virtual void updateValues() = 0;
    // The design changed, however it came (a panel, a menu, a key, Undo, Redo, a control):
    // called once the event that changed it has been handled, so that every control shows the
    // selection's value.
    virtual void designChanged() { updateValues(); }
    // The number formats and stepper steps of the display unit.
    virtual void updateFormatters() = 0;
    // The text controls (font and text attribute changes).
    virtual void updateFontValues() = 0;
    // The enabled state of every control (groups made or broken, undo and redo, new fields).
    virtual void enableControls() = 0;
    // The enabled state of the text controls (tool changes).
    virtual void enableText() = 0;
    // Shows the page of that number.
    virtual void switchTab(int tab) = 0;
    // The canvas's align and same-size commands: the selection aligned by edge or centre
    // (tags 1 to 6), or given the first object's width, height or both (tags 1 to 3).
    virtual void alignObjectEdges(int tag) = 0;
    virtual void setObjectSize(int tag) = 0;
    // After a selection with no page of the side panel open: opens the page the first
    // selected object is edited on.
    virtual void openPageForSelection() = 0;
    // The field chosen in the canvas's field menu for the selected merge field.
    virtual void setFieldType(int fieldPk) {}
    // The image effects command.
    virtual void showImageEffectsPanel() {}
};

} // namespace quillmark
