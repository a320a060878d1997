// The editor's import and export commands: delimited text and workbooks.
#include "database/window/DatabaseFieldsView.h"

#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/store/DatabaseUserAction.h"
#include "database/window/ExportDatabasePanel.h"
#include "database/window/ImportProgress.h"
#include "database/window/NewImportDatabasePanel.h"
#include "database/window/RecordBrowserModel.h"
#include "foundation/Language.h"
#include "platform/Prompts.h"

#include <QFileInfo>
#include <optional>
#include <QStandardPaths>

namespace quillmark {

namespace {

// The name the user confirmed, with the default extension only when it has none.
QString withDefaultSuffix(const QString &path, const QString &suffix)
{
    return QFileInfo(path).suffix().isEmpty() ? path + QLatin1Char('.') + suffix : path;
}

} // namespace

ExportDatabasePanel *DatabaseFieldsView::exportDatabasePanel() const
{
    return _exportDatabasePanel;
}

NewImportDatabasePanel *DatabaseFieldsView::importDatabasePanel() const
{
    return _importDatabasePanel;
}

bool DatabaseFieldsView::writeExportFile(const QString &path, const ExportWriter::Produce &produce)
{
    const ExportWriter::Outcome outcome = ExportWriter::run(window(), path, translated(QStringLiteral("Exporting records...")), produce);
    // A wait for the file that began aside ends with the export, as one of the window's would.
    DatabaseUserAction::endOnReturn();
    // Said once the progress is gone, so that nothing covers the message.
    if (outcome.failure) {
        reportDatabaseError(*outcome.failure, false);
        return false;
    }
    if (outcome.result == ExportWriter::Result::Failed) {
        reportError(translated(QStringLiteral("The file \u201c%@\u201d could not be written.")).replace(QLatin1String("%@"), QFileInfo(path).fileName()),
                    outcome.reason);
        return false;
    }
    return outcome.result == ExportWriter::Result::Written;
}

// ---------------------------------------------------------------- delimited text export

void DatabaseFieldsView::exportDatabase()
{
    if (!_database || !validateMenuItem(ExportDatabase))
        return;
    // What the form holds is part of the export.
    if (!updateRecord())
        return;
    const QString chosen = Prompts::current().saveFile(window(), translated(QStringLiteral("Export")),
                                                       QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                                                       _database->title() + QStringLiteral(".txt"), {});
    if (chosen.isEmpty())
        return;
    _exportPath = withDefaultSuffix(chosen, QStringLiteral("txt"));
    if (!_exportDatabasePanel) {
        _exportDatabasePanel = new ExportDatabasePanel(window());
        connect(_exportDatabasePanel, &QDialog::finished, this, [this](int result) {
            if (result == QDialog::Accepted)
                writeExport();
        });
    }
    _exportDatabasePanel->setUp(_database.get());
    _exportDatabasePanel->open();
}

void DatabaseFieldsView::writeExport()
{
    if (!_database || !_exportDatabasePanel)
        return;
    Database *database = _database.get();
    const QList<DatabaseOrder> columns = _exportDatabasePanel->exportArray();
    const QChar delimiter = _exportDatabasePanel->delimiter();
    const qint64 total = _browserModel->rowCount();
    // Half a million records take seconds to read and write: aside, with the progress and Cancel.
    writeExportFile(_exportPath, [=](ExportWriter::Sink &sink, ImportProgress::Aside &aside) {
        qint64 done = 0;
        return database->exportDatabase(columns, delimiter, [&](const QString &line) {
                   return aside.step(done++, total) && sink.write(line);
               })
               && aside.step(total, total);
    });
}

// ---------------------------------------------------------------- delimited text and workbook import

void DatabaseFieldsView::importDatabase()
{
    if (!_database || !validateMenuItem(ImportDatabase))
        return;
    const QString path = Prompts::current().openFile(
        window(), translated(QStringLiteral("Please Choose a Text File containing Database Data")),
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), {"txt", "csv", "tab", "exp", "xlsx"});
    if (!path.isEmpty())
        importDatabaseFile(path);
}

void DatabaseFieldsView::importDatabaseFile(const QString &path)
{
    if (!_database || _readOnly)
        return;
    if (!updateRecord())
        return;
    if (!_importDatabasePanel) {
        _importDatabasePanel = new NewImportDatabasePanel(window());
        connect(_importDatabasePanel, &QDialog::finished, this, [this](int result) {
            if (result == QDialog::Accepted)
                runImport();
        });
    }
    if (!_importDatabasePanel->setUp(path))
        return;
    _importDatabasePanel->open();
}

void DatabaseFieldsView::runImport()
{
    if (!_database || !_importDatabasePanel)
        return;
    const NewImportDatabasePanel *panel = _importDatabasePanel;
    Database *database = _database.get();
    std::optional<DatabaseError> failure;
    QString refused;
    int inserted = 0;
    bool mapped = true;
    // A million records take seconds to gather and to write: that runs aside from the window,
    // which shows the progress and keeps answering. A Cancel pressed before the records are
    // kept keeps nothing; once they are being kept, the dialog says so and Cancel is off.
    const bool finished = ImportProgress::runAside(window(), translated(QStringLiteral("Importing records...")), [&](ImportProgress::Aside &aside) {
        const QList<DatabaseOrder> columns = panel->importColumns();
        mapped = !columns.isEmpty();
        const QList<QStringList> rows = panel->importRows();
        if (columns.isEmpty() || rows.isEmpty())
            return;
        qint64 text = 0;
        for (const QStringList &row : rows)
            for (const QString &value : row)
                text += value.size();
        refused = panel->bound().textProblem(text);
        if (!refused.isNull())
            return;
        const qint64 total = rows.size();
        try {
            inserted = database->importDatabase(
                columns, rows, [&](int done) { return aside.step(done, total); }, [&] { return aside.beginKeeping(); });
        } catch (const DatabaseError &e) {
            failure = e;
        }
    });
    // Said once the progress is gone, so that nothing covers the message.
    if (failure)
        reportImportError(*failure);
    else if (!refused.isNull())
        reportImportFailure(refused);
    else if (finished && !mapped)
        reportImportFailure(translated(QStringLiteral("No column of the file is given a field.")));
    else if (finished && inserted == 0)
        reportImportFailure(translated(QStringLiteral("The records chosen hold no value for the fields chosen.")));
    finishImport();
}

void DatabaseFieldsView::reportImportError(const DatabaseError &error)
{
    if (error.isReadOnly()) {
        reportDatabaseError(error, true);
        return;
    }
    if (error.isBusy()) {
        qWarning("%s", qPrintable(error.message()));
        reportImportFailure(translated(QStringLiteral("Another program is using the database. Try again when it has finished.")));
        return;
    }
    reportImportFailure(error.message());
}

void DatabaseFieldsView::reportImportFailure(const QString &reason)
{
    reportError(translated(QStringLiteral("Nothing was imported.")), reason);
}

void DatabaseFieldsView::finishImport()
{
    if (!_database)
        return;
    _database->refreshBrowser();
    // The list of a million records in their sort order takes seconds to read, and their count
    // a moment: both are read aside, and the browser then shows what was read. A failure is
    // read and said again below.
    Database *database = _database.get();
    ImportProgress::runAside(
        window(), translated(QStringLiteral("Listing the records...")),
        [database](ImportProgress::Aside &) {
            try {
                database->browserArray();
                database->count();
            } catch (const DatabaseError &) {
                database->refreshBrowser();
            }
        },
        false);
    reloadRows(false);
    if (_browserModel->rowCount() > 0) {
        // Selected afresh, so that the first record loads even when row 0 was selected before.
        selectRowSilently(-1);
        selectRow(0);
    } else {
        showNoRecord();
    }
    postRecordChanged();
    updateNumbers();
    enableButtons();
    emit commandsChanged();
    // A wait for the file that began aside ends with the import, as one of the window's would.
    DatabaseUserAction::endOnReturn();
}

} // namespace quillmark
