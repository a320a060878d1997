#pragma once
// Switches the main window between label design and the database editor: in database mode
// the editor's view takes the window's place, with its own tool bar and menu.
#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QDockWidget;
class QMainWindow;
class QMenu;
class QToolBar;
class QWidget;

namespace quillmark {

class DatabaseView;
class SegmentedControl;

class DatabaseModeSwitch : public QObject
{
    Q_OBJECT
public:
    enum Mode { LabelDesign = 0, DatabaseMode = 1 };

    // Adds the mode switch to the window's tool bar (one of its own when the window has none)
    // and makes the database editor, which stays hidden until database mode.
    explicit DatabaseModeSwitch(QMainWindow *window);
    ~DatabaseModeSwitch() override;

    // The commands of the window's menus that stay usable in database mode (undo, saving the
    // document, preferences, quitting). Every other command of the label menus is disabled
    // there, and a menu left without any is hidden, so that no command or shortcut acts on the
    // hidden design; the dock windows of the design are hidden too.
    void keepInDatabaseMode(const QList<QAction *> &actions);

    void switchTabs(int mode);
    Mode mode() const { return _mode; }
    DatabaseView *databaseView() const { return _databaseView; }
    SegmentedControl *labelModeSwitch() const { return _labelSwitch; }
    SegmentedControl *databaseModeSwitch() const { return _databaseSwitch; }
    QMenu *databaseMenu() const { return _databaseMenu; }

signals:
    void modeChanged(int mode);

private:
    void buildDatabaseMenu();
    void validateDatabaseMenu();
    // Disables the label commands (again, after a menu validated itself on opening).
    void disableLabelCommands();
    void leaveLabelMenus();
    void restoreLabelMenus();

    QMainWindow *_window;
    DatabaseView *_databaseView;
    SegmentedControl *_labelSwitch;
    SegmentedControl *_databaseSwitch;
    QMenu *_databaseMenu = nullptr;
    QPointer<QWidget> _designWidget;
    QList<QPointer<QToolBar>> _labelToolbars;
    QList<QPointer<QAction>> _kept;
    QList<QPointer<QAction>> _disabledActions;
    QList<QPointer<QAction>> _hiddenMenus;
    QList<QPointer<QDockWidget>> _hiddenDocks;
    QList<QPointer<QDockWidget>> _frontDocks;
    QList<QPointer<QMenu>> _watchedMenus;
    Mode _mode = LabelDesign;
};

} // namespace quillmark
