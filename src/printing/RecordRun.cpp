#include "printing/RecordRun.h"

#include <QSet>

#include "canvas/RectsView.h"
#include "database/store/Database.h"
#include "database/store/DatabaseRecordReader.h"
#include "database/store/MergeContents.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"

namespace quillmark {

RecordRun::RecordRun(RectsView &view, Kind kind)
    : m_view(view)
    , m_kind(kind)
    , m_database(Database::currentDatabase())
{
    if (m_database)
        m_savedRecord = m_database->fieldValues();
}

RecordRun::~RecordRun()
{
    end();
}

void RecordRun::refreshObjects()
{
    for (const GraphicPtr &graphic : m_view.getRects())
        graphic->updateABRecord();
}

bool RecordRun::show(qint32 pk, int number)
{
    return readRecord(pk, number, true);
}

bool RecordRun::read(qint32 pk, int number)
{
    return readRecord(pk, number, false);
}

bool RecordRun::readRecord(qint32 pk, int number, bool refresh)
{
    if (m_stopped)
        return false;
    m_shown = true;
    if (!m_database || Database::currentDatabase() != m_database) {
        // Without a database the objects show what they have for no record.
        if (refresh)
            refreshObjects();
        return true;
    }
    if (!m_reader) {
        QSet<int> pks;
        for (const GraphicPtr &graphic : m_view.getRects())
            graphic->addMergePks(pks);
        // A print job reads all its records inside one read transaction: nothing stops it to
        // wait for the user, and the file is locked once instead of once per label.
        m_reader = std::make_unique<DatabaseRecordReader>(*m_database, MergeContents::columnsForPks(pks),
                                                          m_kind == Kind::Print);
    }
    QString reason;
    switch (m_reader->read(pk)) {
    case DatabaseRecordReader::Result::Read:
        if (refresh)
            refreshObjects();
        return true;
    case DatabaseRecordReader::Result::Missing:
        reason = localizedString("the record no longer exists");
        break;
    case DatabaseRecordReader::Result::Failed:
        reason = m_reader->error();
        break;
    }
    // The reader has already waited for the file as long as a user action waits; a label
    // with the record before it would be wrong without anyone noticing, so the run ends here.
    m_stopped = true;
    m_stopMessage = m_kind == Kind::Print
        ? Language::withValues(localizedString("Printing stopped at label %@ because its record could not be read: %@"),
                     {QString::number(number), reason})
        : Language::withValues(localizedString("Exporting stopped at record %@ because it could not be read: %@"),
                     {QString::number(number), reason});
    qWarning("%s", qPrintable(m_stopMessage));
    return false;
}

void RecordRun::end()
{
    if (m_ended)
        return;
    m_ended = true;
    // The file is free for writers again.
    m_reader.reset();
    // The values of before, as they were: reading the record again could fail as well.
    if (m_database && Database::currentDatabase() == m_database)
        m_database->fieldValues() = m_savedRecord;
    if (m_shown)
        refreshObjects();
}

} // namespace quillmark
