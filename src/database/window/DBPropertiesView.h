#pragma once
// The side panel of the database editor: a column of tab buttons, each opening its pane right
// below itself. Which tabs are open is kept in the user defaults.
#include <QFont>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <QWidget>

class QAbstractItemModel;
class QTableView;

namespace quillmark {

class PropertyView;
class PropertyViewButtonCell;

class DBPropertiesView : public QWidget
{
    Q_OBJECT
public:
    explicit DBPropertiesView(QWidget *parent = nullptr);

    // "Verdana" 11 pt where installed, else the label font at 11 pt.
    static QFont propertiesFont();
    // A list of titles as the panes show it: the model in the properties font, no headers,
    // 20-pixel rows, no grid, the last column stretched and `checkColumn` (unless -1) a
    // fixed box column.
    static void setupTitlesTable(QTableView *table, QAbstractItemModel *model, int checkColumn);

    // The five panes in tab order (sort, field titles, edit groups, view groups, find), made
    // by the database window; without them the tabs open empty panes.
    void setPropertyViews(const QList<PropertyView *> &views);
    void addPropertyViews();
    void addPropertyView(PropertyView *view);
    PropertyViewButtonCell *addButtonWithTitle(const QString &identifier);

    void buttonTabClicked(PropertyViewButtonCell *button);
    void openPropertiesByType(int tag);
    QList<int> tagsOfSelectedButton() const;
    bool isButtonSelected(int tag) const;
    PropertyViewButtonCell *buttonWithTag(int tag) const;
    void layoutSubviews();
    void updateAppearance();

    void setDatabaseChanged();
    void refresh();
    void updateGroups();

    const QList<PropertyView *> &viewsArray() const { return _viewsArray; }
    // The pane of that tab tag (1 to 5), or null.
    PropertyView *paneWithTag(int tag) const;
    PropertyView *findView() const { return paneWithTag(5); }
    PropertyView *groupsToViewView() const { return paneWithTag(4); }
    // Pane identifier -> English tab title.
    static QVariantMap titlesDictionary();
    QString udKey() const { return _udKey; }
    void setUdKey(const QString &key) { _udKey = key; }
    // The buttons and open panes from top to bottom.
    const QList<QWidget *> &stack() const { return _stack; }

private:
    void setTitleAttributes(PropertyViewButtonCell *button, bool pressed);
    QList<int> storedTags() const;
    void storeTags();

    QList<PropertyView *> _viewsArray;
    QList<PropertyView *> _givenViews;
    QStringList _titlesArray;
    QString _udKey = QStringLiteral("DBPropertiesTypes");
    qint64 _tag = 1;
    QList<QWidget *> _stack;
};

} // namespace quillmark
