#pragma once
// The database editor's frame as the main window shows it in database mode: its tool bar, the
// databases list, the record browser, the record form and the side panel, and the start-up and
// quit hooks of the editor.
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QTableView;
class QToolBar;

namespace quillmark {

class DatabaseFieldsView;
class DBPropertiesView;

class DatabaseView : public QWidget
{
    Q_OBJECT
public:
    explicit DatabaseView(QWidget *parent = nullptr);
    ~DatabaseView() override;

    // After launching: the side panel's panes, then the last database (or the first listed).
    void appDidFinishLaunching();
    // Before quitting: the record being edited is written back.
    void appWillTerminate();
    void appDidBecomeActive() {}

    void newDatabase();
    void deleteDatabase();

    DatabaseFieldsView *databaseFieldsView() const { return _databaseFieldsView; }
    DBPropertiesView *propertiesView() const { return _propView; }
    QToolBar *toolbar() const { return _toolbar; }
    // The tool bar's last item holds the mode switch that the main window puts in it.
    QWidget *modeSwitchView() const { return _modeSwitchView; }
    QTableView *browser() const { return _browser; }
    QTableView *databasesList() const { return _dbList; }
    QComboBox *browseByPopup() const { return _pbnBrowse; }
    QComboBox *sortByPopup() const { return _pbnSort; }
    // The quick find above the record browser.
    QLineEdit *browserSearch() const { return _browserSearch; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildToolbar();
    void buildPanes();
    void showDatabasesListMenu(const QPoint &position);

    QToolBar *_toolbar;
    QWidget *_addDeleteView;
    QWidget *_browseByView;
    QWidget *_sortByView;
    QWidget *_navigateView;
    QWidget *_modeSwitchView;
    QComboBox *_pbnBrowse;
    QComboBox *_pbnSort;
    QLineEdit *_browserSearch;
    QTableView *_dbList;
    QTableView *_browser;
    QScrollArea *_formScroll;
    DBPropertiesView *_propView;
    DatabaseFieldsView *_databaseFieldsView;
};

} // namespace quillmark
