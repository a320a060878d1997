#pragma once
// The "Find Records" pane: one search box per searchable field shown in the form. What is
// typed narrows the record browser to the records whose field holds it (each box a condition,
// all of them together); the quick-find field above the browser is the twin of the browse
// field's box.
#include "database/window/PropertyView.h"

#include "database/store/Database.h"

#include <QList>
#include <QMap>

class QLineEdit;

namespace quillmark {

class DBPropertiesView;
class DatabaseFieldsView;

class FindView : public PropertyView
{
    Q_OBJECT
public:
    FindView(DatabaseFieldsView *editor, QLineEdit *browserSearch, QWidget *parent = nullptr);

    // The side panel that lays this pane out again when its height changes.
    void setDBPropertiesView(DBPropertiesView *panel) { _dbPropertiesView = panel; }

    // The column name a search field stands for.
    static QString identifierOf(const QWidget *field);
    static void setIdentifier(QWidget *field, const QString &columnName);

    // Builds the boxes for the current database and its shown fields; every box starts empty
    // and nothing is filtered.
    void setDatabaseChanged() override;
    // The quick-find field takes the text of its twin box.
    void refresh() override;
    // Text was typed into a box or the quick-find field.
    void controlTextDidChange(QLineEdit *sender);
    // The store's find clause from what the boxes hold, and the browser filter mark.
    void changeFindStrings();
    Database::FindClause findString() const;
    // Field titles changed: the boxes show them; the inspector is told.
    void updateUserFields();

    QList<QLineEdit *> fields() const { return _fields; }
    QLineEdit *fieldForColumn(const QString &columnName) const;

private:
    DatabaseFieldsView *_databaseFieldsView;
    QLineEdit *_browserSearch;
    DBPropertiesView *_dbPropertiesView = nullptr;
    QList<QLineEdit *> _fields;
    // Column name -> typed text, in the order of the boxes.
    QList<std::pair<QString, QString>> _findDictionary;
    // A box takes the quick-find field's text: not an edit of its own.
    bool _mirroring = false;
};

} // namespace quillmark
