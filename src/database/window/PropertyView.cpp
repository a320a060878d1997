#include "database/window/PropertyView.h"

#include "database/store/Database.h"
#include "database/window/PropertyViewButtonCell.h"
#include "foundation/Language.h"

#include <QTextDocument>

namespace quillmark {

PropertyView::PropertyView(const QString &identifier, const QString &title, QWidget *parent)
    : QWidget(parent), _title(title)
{
    setObjectName(identifier);
    setFixedSize(205, 120);
}

QList<tableField> PropertyView::fieldsArray(Database *database)
{
    QList<tableField> listed;
    if (!database)
        return listed;
    for (const tableField &field : database->fieldsStructure())
        if (field.flags > 0)
            listed.append(field);
    return listed;
}

bool PropertyView::isFieldShown(const QList<tableField> &listed, const tableField &field, qint32 fieldsToView)
{
    const int position = int(listed.indexOf(field));
    if (position < 0 || position >= 32)
        return true;
    return (fieldsToView & (qint32(1) << position)) != 0;
}

void PropertyView::setFilterMark(bool filter)
{
    if (auto *cell = qobject_cast<PropertyViewButtonCell *>(_btn))
        cell->setFilter(filter);
}

QString PropertyView::displayTitle(Database *database, const tableField &field)
{
    if (database) {
        const QString own = database->attributeForKey(field.dbtitle());
        if (!own.isEmpty())
            return own;
    }
    const QString translated = Language::stringForKey(field.title);
    return translated.isEmpty() ? field.title : translated;
}

QString PropertyView::plainToolTip(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(text.toHtmlEscaped());
}

} // namespace quillmark
