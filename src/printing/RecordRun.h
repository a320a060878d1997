#pragma once
// The records of one merged print job or sequential export, shown one after another on the
// canvas's objects. The records are read through one reader prepared for the whole run, with
// only the fields the design shows. A record that cannot be read (another program still holds
// the file after the database's wait, the record was deleted meanwhile) never leaves the
// previous record's values on a label: the run stops there and says why. When the run ends
// the record that was current before it is current again and every object shows it.
#include <QString>
#include <QVariantMap>

#include <memory>

namespace quillmark {

class Database;
class DatabaseRecordReader;
class RectsView;

class RecordRun
{
public:
    enum class Kind { Print, Export };
    RecordRun(RectsView &view, Kind kind);
    // Ends the run (end()).
    ~RecordRun();
    RecordRun(const RecordRun &) = delete;
    RecordRun &operator=(const RecordRun &) = delete;

    // Makes the record with that key current and refreshes every object, as the canvas's
    // upDateDBFields does. `number` is how the user counts the label (or the exported record)
    // from 1. False when the record cannot be read: the run has stopped, and every later
    // call is false too.
    bool show(qint32 pk, int number);
    // The same without refreshing the objects: the record is current in the database for
    // whoever takes its values (the workers of a sequential export draw copies of their own).
    bool read(qint32 pk, int number);

    bool stopped() const { return m_stopped; }
    // Why the run stopped, for the failure the command reports.
    QString stopMessage() const { return m_stopMessage; }

    // The record that was current before the run is current again and every object shows
    // it, outside printing. Done once; the destructor does it when nobody did.
    void end();

private:
    void refreshObjects();
    bool readRecord(qint32 pk, int number, bool refresh);

    RectsView &m_view;
    Kind m_kind;
    Database *m_database = nullptr;
    QVariantMap m_savedRecord;
    std::unique_ptr<DatabaseRecordReader> m_reader;
    bool m_stopped = false;
    bool m_shown = false;
    bool m_ended = false;
    QString m_stopMessage;
};

} // namespace quillmark
