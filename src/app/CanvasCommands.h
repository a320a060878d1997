#pragma once
// The window's items for the canvas's commands on the selection: Replicate in the Edit menu,
// centring, the quarter turn and layers in the Arrange menu, the Format menu (font panel,
// font traits, colour panel, text alignment, tables) and the canvas's context menu.
#include <functional>

#include "canvas/RectsView.h"

class QMainWindow;
class QMenu;
class QMenuBar;

namespace quillmark {

class CanvasCommands
{
public:
    // Adds the items to the two menus, the Format menu to the bar, and hands the canvas its
    // context menu. `fillFieldMenu` fills a menu with the merge fields of the current database.
    static void install(QMainWindow *window, RectsView *canvas, QMenu *edit, QMenu *arrange,
                        const std::function<void(QMenu *)> &fillFieldMenu);
    // The context menu as the window makes it: the clipboard commands, stacking, grouping and
    // the fields submenu (data 11).
    static QMenu *buildContentMenu(QMainWindow *window, RectsView *canvas);
    // Cut, Copy, Paste, Delete and Select All, from the menu bar, their keys or the context
    // menu: on the text while one is edited in place, else on the objects.
    static std::function<void()> editCommand(RectsView *canvas, RectsView::TextCommand command);
};

} // namespace quillmark
