#pragma once
// The Help menu: the About panel, the shipped help page and the product's two web pages.
class QMenu;
class QWidget;

namespace quillmark {

class RectsView;

class HelpMenu
{
public:
    // A new menu over the canvas, translated with the interface.
    static QMenu *create(RectsView *canvas, QWidget *parent);
    // The title of an item that names the product: a translation that already names it is
    // kept, else its first word is followed by the product's name; "..." ends the About item.
    static QString productItemTitle(const QString &translated, bool ellipsis);
};

} // namespace quillmark
