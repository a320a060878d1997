#pragma once
// One pane of the database side panel, opened below its tab button. The panes fill in the
// three refresh hooks; this base does nothing in them.
#include <QList>
#include <QString>
#include <QWidget>

#include "database/store/tableField.h"

class QAbstractButton;

namespace quillmark {

class Database;
class PropertyViewButtonCell;

class PropertyView : public QWidget
{
    Q_OBJECT
public:
    // `identifier` names the pane (and its tab button's images); `title` is its English tab title.
    PropertyView(const QString &identifier, const QString &title, QWidget *parent = nullptr);

    QString identifier() const { return objectName(); }
    QString title() const { return _title; }
    QAbstractButton *button() const { return _btn; }
    void setButton(QAbstractButton *button) { _btn = button; }

    virtual void refresh() {}
    virtual void updateGroups() {}
    virtual void setDatabaseChanged() {}

    // The fields that can be shown or hidden in the record form (flags above 0), in field
    // order; a field's position in this list is its bit in "fieldsToView".
    static QList<tableField> fieldsArray(Database *database);
    // Whether the record form shows the field under that "fieldsToView": a field outside
    // fieldsArray() is always shown, as is one past the 32 bits of the setting.
    static bool isFieldShown(const QList<tableField> &listed, const tableField &field, qint32 fieldsToView);
    // What the panes and the record list show as a field's title: the database's own title for
    // it, else its translation, else the title itself.
    static QString displayTitle(Database *database, const tableField &field);

protected:
    // The pane's tab shows (or stops showing) that the pane filters the record browser.
    void setFilterMark(bool filter);
    // A title typed by the user is shown as typed in a tool tip.
    static QString plainToolTip(const QString &text);

private:
    QAbstractButton *_btn = nullptr;
    QString _title;
};

} // namespace quillmark
