#pragma once
// One pane of the database side panel, opened below its tab button. The panes fill in the
// three refresh hooks; this base does nothing in them.
#include <QString>
#include <QWidget>

class QAbstractButton;

namespace quillmark {

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

private:
    QAbstractButton *_btn = nullptr;
    QString _title;
};

} // namespace quillmark
