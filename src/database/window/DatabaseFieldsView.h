#pragma once
// The database editor: the record form built from the open database's fields, the record
// browser and the record and database commands.
#include <QList>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <memory>

#include "database/exchange/ContactSource.h"
#include "database/window/ExportWriter.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace quillmark {

class CategoriesPanel;
class Database;
class DatabaseError;
class DatabasesListModel;
class DBPropertiesView;
class ExportDatabasePanel;
class NewImportDatabasePanel;
class PreferencesDatabasePanel;
class RecordBrowserModel;
class UndoManager;

class DatabaseFieldsView : public QWidget
{
    Q_OBJECT
public:
    // The controls of the editor that live outside the form; the database window makes them.
    struct Outlets
    {
        QTableView *browser = nullptr;
        QTableView *dbList = nullptr;
        QComboBox *databasePopupMenu = nullptr;
        QAbstractButton *bnAddRecord = nullptr;
        QAbstractButton *bnAddCurrent = nullptr;
        QAbstractButton *bnDelete = nullptr;
        QAbstractButton *bnUpdate = nullptr;
        QAbstractButton *bnAddDb = nullptr;
        QAbstractButton *bnDeleteDb = nullptr;
        QAbstractButton *bnNavigatePrev = nullptr;
        QAbstractButton *bnNavigateNext = nullptr;
        QAbstractButton *bnNavigateFirst = nullptr;
        QAbstractButton *bnNavigateLast = nullptr;
        QLabel *recordIndex = nullptr;
        QLabel *filteredCount = nullptr;
        QLabel *totalCount = nullptr;
        QLabel *recordLabel = nullptr;
        DBPropertiesView *propertiesView = nullptr;
        // The quick find above the browser; the find pane gives it its twin.
        QLineEdit *browserSearch = nullptr;
    };

    // Navigation tags: any other value goes to the first record.
    enum NavigateTag { NavigatePrevious = 1, NavigateNext = 2, NavigateFirst = 3, NavigateLast = 4 };

    explicit DatabaseFieldsView(QWidget *parent = nullptr);
    ~DatabaseFieldsView() override;

    void setOutlets(const Outlets &outlets);
    const Outlets &outlets() const { return _outlets; }
    // Undo of record additions and deletions goes to this manager (the window's); the editor
    // keeps one of its own until it is given one.
    void setUndoManager(UndoManager *undoManager);
    UndoManager *undoManager() const;

    // First run: the Databases folder with its two databases.
    void awakeFromNib();

    // ---- the open database ----
    bool setDatabasePath(const QString &path);
    Database *database() const { return _database.get(); }
    // Writes the edited record back and lets the database go; the editor then holds none.
    // False, with the database kept, when the edits could not be written.
    bool releaseDatabase();

    // ---- the form ----
    void populate();
    void resetFieldsOrder();
    void populateGroups();
    void updateViewSize();
    // The width the form's view shows: the fields take what it leaves after their titles,
    // and the groups go beside them where they have room, under them where not, so that no
    // field or group passes the side of the view.
    void setViewWidth(int width);
    void updateValues();
    void updateGroupValues();
    void setRecordValuesFromDictionary(QVariantMap &values) const;
    void setRecordValues();
    // The value each control of the form holds, by column name (text, date text or photo
    // data); setFormValues puts such values back into the controls without counting as a load.
    QVariantMap formValues() const;
    void setFormValues(const QVariantMap &values);
    // The columns whose controls differ from what was loaded into them.
    QStringList changedColumns() const;
    // The key of the record the form shows; -1 when it shows none (no row or several rows
    // selected, or the record could not be read). The form is written to this record only.
    qint64 formRecordPk() const { return _formPk; }
    // The open database cannot be written: the form only shows the records.
    bool isReadOnly() const { return _readOnly; }
    void setDefaultRecordValues();
    void activateFirstField();
    // The value controls in form order (labels and group check boxes excluded).
    QList<QWidget *> valueControls() const;
    QWidget *valueControlForPk(int pk) const;
    const QList<QLabel *> &fieldLabels() const { return _fieldLabels; }
    const QList<QCheckBox *> &groupControls() const { return _groupsControls; }
    // What a label shows for a field: the database's own title, else the translation, else
    // the title itself.
    QString labelTextForField(int pk);
    // The form's label of the field shows its title as it is now.
    void updateFieldLabel(int pk);

    // ---- groups ----
    // The groups changed (added, deleted): new check boxes, and the record shown reloaded
    // with its memberships as stored; ticks not yet written stay.
    void groupsChanged();
    // The check box of that group shows its new title.
    void setGroupTitle(int index, const QString &title);
    // Opens the group membership sheet for the store's group operation `mode`; its OK acts on
    // every listed record.
    void groupOperation(int mode);
    CategoriesPanel *categoriesPanel() const;
    // Changes the memberships of every listed record, then shows the record's new ones.
    void applyGroupOperation(qint64 groups, int mode);

    // ---- records ----
    // Writes what was edited in the form to its record; answers false when that failed, in
    // which case the edits stay in the form and the next write-back tries again.
    bool updateRecord();
    void addRecord(bool duplicateCurrent = false);
    void insertRecordWithFieldValues(const QVariantMap &values);
    void duplicateRecord();
    // Asks first; answers whether records were deleted.
    bool deleteRecord();
    void deleteRecordByPk(qint64 pk, bool update);
    // The Clear command: empties the form's fields for the shown record, as one undo step.
    void clearAllFields();
    void selectRecordWithPk(qint64 pk);
    // The database a design was saved with: answers true when it is open (already, or now).
    // A file that is gone is said, so the user knows why the merge fields show no values.
    bool openDatabaseOfDocument(const QString &path);
    void navigate(int tag);
    void moveUp() { navigate(NavigatePrevious); }
    void moveDown() { navigate(NavigateNext); }
    void pageUp() { navigate(NavigateFirst); }
    void pageDown() { navigate(NavigateLast); }

    // ---- browse list ----
    void setBrowseField(int pk);
    void setSortField(int pk);
    void showAllRecords();
    void reloadBrowser();
    void changeBrowserSelection();
    // Selects one browser row the way a click does (the record loads).
    void selectRow(int row);
    void selectRows(const QList<int> &rows);

    // ---- import and export ----
    // Writes the listed records as delimited text: a save panel, then the export sheet.
    void exportDatabase();
    // An open panel for a text file or workbook, then the import wizard on it.
    void importDatabase();
    void importDatabaseFile(const QString &path);
    // After any import: the list read again, its first record shown.
    void finishImport();
    ExportDatabasePanel *exportDatabasePanel() const;
    NewImportDatabasePanel *importDatabasePanel() const;
    // vCard files: an open panel, one record per card.
    void importVCard();
    void importVCardFile(const QString &path);
    // The listed records, or the one shown, as a vCard file.
    void exportVCard();
    // The store's current record as a vCard.
    QString vcardFromFieldValues() const;
    // The system's contacts into the open database once the store answers.
    void importAddressBook();
    // The database preferences sheet.
    void preferences();
    PreferencesDatabasePanel *preferencesDatabasePanel() const;
    // On the first run, after the new Address Book has opened: the system's contacts into it,
    // or the sample people when there are none to import.
    void importFirstRunContacts();

    // ---- status and enabling ----
    void updateNumbers();
    void enableButtons();
    void enableAllFields();

    // ---- databases ----
    // Asks for a title, then makes the database.
    void addDatabase();
    // Makes a database of that title in the Databases folder; answers whether it opened.
    bool addDatabaseNamed(const QString &title);
    // Copies a chosen "qkdt" file into the Databases folder and opens it.
    void openDatabase();
    bool openDatabaseFile(const QString &file);
    void saveDatabaseAs();
    // Copies the open database to that path (extension "qkdt"), numbering it when taken;
    // answers the path written, null on failure.
    QString saveDatabaseCopyTo(const QString &chosenPath);
    bool renameDatabase(const QString &newName);
    bool deleteDatabase();
    void showInFinder();
    void reloadDatabases();
    DatabasesListModel *databasesListModel() const { return _dbListModel; }
    RecordBrowserModel *browserModel() const { return _browserModel; }
    int selectedDatabase() const;
    int selectedRecordIndex() const;
    QList<int> selectedRows() const;
    bool dirty() const { return _dirty; }
    void setDirty(bool dirty) { _dirty = dirty; }
    // The commands of the database menu, and whether each can run now.
    enum Command {
        AddDatabase,
        DeleteDatabase,
        SaveDatabaseAs,
        OpenDatabase,
        AddRecord,
        ShowAllRecords,
        DeleteRecord,
        DuplicateRecord,
        UpdateRecord,
        ClearAllFields,
        GroupOperation,
        ImportDatabase,
        ExportDatabase,
        ImportVCard,
        ExportVCard,
        ImportAddressBook,
        Preferences,
    };
    bool validateMenuItem(Command command) const;
    // Says why the store failed, in the user's terms; a write-protected file is said once.
    void reportDatabaseError(const DatabaseError &error, bool writing);
    // An import that wrote nothing: says so, and why.
    void reportImportError(const DatabaseError &error);
    void reportImportFailure(const QString &reason);
    // Whether a database name typed by the user may become a file name.
    static bool isValidDatabaseName(const QString &name);

    // The title asked for by the new-database command; null when cancelled.
    std::function<QString(const QString &message)> askForTitle;

protected:
    // Up and Down (and Command-Home, Command-End) in a form field move through the records
    // while there is a record to move to; otherwise the field handles the key.
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // A row of the browser was navigated to (the design document stores the record).
    void recordNavigated();
    // What the record commands can do may have changed (selection, database, read-only).
    void commandsChanged();

private:
    void tableViewSelectionDidChange();
    void controlTextDidEndEditing(QWidget *control);
    void controlChanged();
    // Deletes one record with an undo step that inserts it again; false when it failed (said).
    bool deleteRecordByPkChecked(qint64 pk);
    // Loads the record into the store and the form; on failure the form shows no record.
    bool loadRecord(qint64 pk, bool reportMissing = true);
    void loadRow(int row);
    // The form stands for no record: emptied, disabled, and the store holds no key.
    void showNoRecord();
    // Empties the controls without counting as an edit.
    void clearForm();
    QVariant controlValue(const QWidget *control) const;
    void setControlValue(QWidget *control, const QVariant &value);
    qint64 formGroups() const;
    void selectRowSilently(int row);
    // Writes the form's edits before the selection leaves their record; false (and the
    // selection back on the record) when they could not be written.
    bool writeBeforeLeaving();
    // Selects the row of the record the form shows (after a write-back that failed).
    void selectFormRow();
    int rowOfPk(qint64 pk) const;
    // Reads the browse list again; on failure the previous rows stay and the reason is said.
    // Kept, the selection stays on the same records, wherever the list now puts them.
    bool reloadRows(bool keepSelection);
    // After the listed rows changed: the form shows the highlighted record (the first listed
    // when none is), or no record when several or none are highlighted.
    void showSelectedRecord();
    // Lifts the find and the group choice; false (said) when the store refused.
    bool showEveryRecord();
    void postRecordChanged();
    void registerRecordUndo(std::function<void(DatabaseFieldsView &)> inverse, const QString &name);
    // Inserts the store's current values after `fill` has set them. A store error puts the
    // values back as they were, is reported and answers -1.
    qint64 insertFilledRecord(const std::function<void(QVariantMap &values)> &fill);
    // The form and the list show the record just added; one Undo takes it away again.
    void showAddedRecord(qint64 pk, const QString &undoName);
    void restoreClearedValues(qint64 pk, const QVariantMap &values);
    void reportError(const QString &message, const QString &informative = QString());
    void setReadOnly(bool readOnly);
    void refreshDatabasesList();
    void selectDatabaseRow(int row);
    void writeExport();
    void runImport();
    // Inserts the records (values by column name) in one transaction with progress; the
    // number inserted, -1 when cancelled or failed (nothing kept).
    // Inserts the records aside, in one transaction, with the progress and its Cancel: the
    // number inserted, or -1 when nothing was kept (said unless the user cancelled).
    int insertRecords(const QList<QVariantMap> &records, const QString &label);
    // Clears what the insertion left in the current record's values and says why nothing was
    // kept; answers `inserted`, or -1 after a message.
    int tookInsertion(int inserted, const QString &refused, const DatabaseError *failure);
    void importContacts(ContactSource *source, ContactSource::Access access, const QString &reason, bool quiet = false);
    // The contacts read from the store aside and mapped onto this database's fields.
    struct FetchedContacts;
    // Reads them with the progress and its Cancel; false when the user's Cancel held.
    bool fetchContacts(ContactSource *source, FetchedContacts &fetched);
    void keepContacts(const FetchedContacts &fetched);
    // After an import of contacts: an empty database is given one record, and the list is read.
    void finishContacts();
    // Writes an export aside, with the progress and its Cancel, through a temporary file put in
    // place once it is whole; says why when it fails. True when the file was written.
    bool writeExportFile(const QString &path, const ExportWriter::Produce &produce);

    Outlets _outlets;
    std::unique_ptr<Database> _database;
    RecordBrowserModel *_browserModel;
    DatabasesListModel *_dbListModel;
    UndoManager *_ownUndoManager;
    UndoManager *_undoManager;
    QPointer<CategoriesPanel> _categoriesPanel;
    QPointer<ExportDatabasePanel> _exportDatabasePanel;
    QPointer<NewImportDatabasePanel> _importDatabasePanel;
    QPointer<PreferencesDatabasePanel> _preferencesDatabasePanel;
    QString _firstRunContactsPath;
    QString _exportPath;
    QList<QCheckBox *> _groupsControls;
    QList<QLabel *> _fieldLabels;
    qint64 _formPk = -1;
    // What the controls held right after the record was loaded, and its group bits.
    QVariantMap _loadedForm;
    qint64 _loadedGroups = 0;
    bool _readOnly = false;
    // The fields and groups placed for the view's width; the width the form's content needs.
    int layoutColumns();
    // The form's size for its content and its view, without scrolling.
    void fitSize();
    // Where the fields start: after the widest field title.
    int _fieldsLeft = 150;
    // The width of the form's view; 0 before it is known.
    int _viewWidth = 0;
    int _selectionChanges = 0;
    int _selectionChangesAtPress = -1;
    QStringList _readOnlyReported;
    bool _dirty = false;
    // Loading the form or selecting by program must not count as an edit or a click.
    bool _loading = false;
    bool _selectingByProgram = false;
};

} // namespace quillmark
