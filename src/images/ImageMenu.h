#pragma once
// The Image menu of the main window: pictures into objects ("Select Image File..."), how the
// selected objects hold their pictures (fit, reset, scale with the box, monochrome) and the
// current page's background (set from a file, clear).
class QMenu;
class QWidget;

namespace quillmark {

class RectsView;

class ImageMenu
{
public:
    // A new menu over the canvas; its items are enabled by the canvas's state each time it
    // opens, and translated with the interface.
    static QMenu *create(RectsView *canvas, QWidget *parent);
};

} // namespace quillmark
