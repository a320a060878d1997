#pragma once
// Switches the main window between label design and the database editor: in database mode
// the editor's view takes the window's place, with its own tool bar and menu.
#include <QList>
#include <QObject>
#include <QPointer>

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

    void switchTabs(int mode);
    Mode mode() const { return _mode; }
    DatabaseView *databaseView() const { return _databaseView; }
    SegmentedControl *labelModeSwitch() const { return _labelSwitch; }
    SegmentedControl *databaseModeSwitch() const { return _databaseSwitch; }
    QMenu *databaseMenu() const { return _databaseMenu; }

private:
    void buildDatabaseMenu();

    QMainWindow *_window;
    DatabaseView *_databaseView;
    SegmentedControl *_labelSwitch;
    SegmentedControl *_databaseSwitch;
    QMenu *_databaseMenu = nullptr;
    QPointer<QWidget> _designWidget;
    QList<QPointer<QToolBar>> _labelToolbars;
    Mode _mode = LabelDesign;
};

} // namespace quillmark
