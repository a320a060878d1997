#pragma once
// The label-design tool bar's items as the user chooses them. A right click on the bar lists
// every item the bar allows, each checked while it shows; choosing one shows or hides it at
// once, and the choice is kept in the user defaults for the next start. Separators with
// nothing shown on one side go with the items.
#include <QObject>
#include <QStringList>

class QAction;
class QMenu;
class QToolBar;

namespace quillmark {

class ToolbarCustomizer : public QObject
{
    Q_OBJECT
public:
    // Call once every item of the bar carries its identifier.
    explicit ToolbarCustomizer(QToolBar *bar);

    // The items the menu offers, by identifier, in the menu's order.
    static QStringList offeredItems();
    // The name of an item in the menu, untranslated.
    static QString itemTitle(const QString &identifier);
    // Where the choice is kept.
    static QString defaultsKey();

    // The offered items the bar shows now, in the bar's order.
    QStringList shownItems() const;
    bool isItemShown(const QString &identifier) const;
    void setItemShown(const QString &identifier, bool shown);
    // The menu, filled for the bar as it is now.
    QMenu *menu();

private:
    void apply(const QStringList &shown);
    void tidySeparators();
    void save() const;
    QList<QAction *> actionsOf(const QString &identifier) const;

    QToolBar *m_bar;
    QMenu *m_menu;
};

} // namespace quillmark
