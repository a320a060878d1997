#pragma once
// Keeps the enabling and check marks of the window's menu items and tool bar items in step
// with the design: after every change the canvas reports, after each click and key, before a
// shortcut is matched and when a menu opens. A shortcut therefore never acts on a command the
// menu would show disabled.
#include <QObject>
#include <QSet>

#include <functional>

class QAction;
class QEvent;
class QKeyEvent;
class QMainWindow;

namespace quillmark {

class RectsView;

class MenuValidator : public QObject
{
    Q_OBJECT
public:
    MenuValidator(QMainWindow *window, RectsView *canvas);
    ~MenuValidator() override;

    // While it answers YES (database mode, which keeps its own menus) nothing is validated.
    std::function<bool()> suspended;

    void validate();
    // Once control is back in the event loop, after what is happening now has settled.
    void validateSoon();
    // The action of a menu item, by the English title the item keeps as its key; empty for
    // items that validate themselves.
    static QString actionForKey(const QString &englishTitle);
    // The property that names a tool bar item's identifier.
    static const char *identifierProperty();
    // The property that names a menu item's action where its title names another's.
    static const char *actionProperty();
    // The action a menu item is validated by: its own property, else by its key; empty for
    // items that validate themselves.
    static QString actionOfItem(const QAction *item);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A change the canvas reports: validated now, or once the batch reporting it is done.
    void canvasChanged();
    // Whether the key could match the shortcut of an item validated here.
    bool mayTriggerAnItem(const QKeyEvent &event) const;

private:
    QMainWindow *m_window;
    RectsView *m_canvas;
    bool m_pending = false;
    bool m_batchChanged = false;
    // The items show the state as validated, and nothing has happened since.
    bool m_current = false;
    bool m_validating = false;
    // The key event last validated for, as it goes up from the focus widget.
    const QEvent *m_validatedFor = nullptr;
    // The keys of every item's shortcuts, as the last validation found them.
    QSet<int> m_shortcutKeys;
    bool m_pasteboardHasDesign = false;
    bool m_pasteboardHasText = false;
};

} // namespace quillmark
