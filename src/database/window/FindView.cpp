#include "database/window/FindView.h"

#include "database/window/DBPropertiesView.h"
#include "database/store/DatabaseError.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/store/MergeContents.h"

#include <QDoubleValidator>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace quillmark {

namespace {

const char *const kIdentifier = "identifier";

} // namespace

FindView::FindView(DatabaseFieldsView *editor, QLineEdit *browserSearch, QWidget *parent)
    : PropertyView(QStringLiteral("FindView"), QStringLiteral("Find Records"), parent),
      _databaseFieldsView(editor),
      _browserSearch(browserSearch)
{
    setFixedSize(205, 5);
    if (_browserSearch)
        connect(_browserSearch, &QLineEdit::textEdited, this, [this] { controlTextDidChange(_browserSearch); });
}

QString FindView::identifierOf(const QWidget *field)
{
    return field ? field->property(kIdentifier).toString() : QString();
}

void FindView::setIdentifier(QWidget *field, const QString &columnName)
{
    if (field)
        field->setProperty(kIdentifier, columnName);
}

QLineEdit *FindView::fieldForColumn(const QString &columnName) const
{
    if (columnName.isEmpty())
        return nullptr;
    for (QLineEdit *field : _fields)
        if (identifierOf(field) == columnName)
            return field;
    return nullptr;
}

void FindView::setDatabaseChanged()
{
    qDeleteAll(_fields);
    _fields.clear();
    _findDictionary.clear();
    Database *db = _databaseFieldsView->database();
    int y = 5;
    QString browseColumn;
    if (db) {
        try {
            const QList<tableField> listed = fieldsArray(db);
            const qint32 fieldsToView = qint32(db->attributeForKey(QStringLiteral("fieldsToView")).toLongLong());
            QLineEdit *previous = nullptr;
            for (const tableField &field : db->fieldsStructure()) {
                if (!(field.flags & 16) || !isFieldShown(listed, field, fieldsToView) || field.type == tableField::Date
                    || field.type == tableField::Blob)
                    continue;
                auto *box = new QLineEdit(this);
                if (field.type == tableField::Integer) {
                    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?\\d*")), box));
                } else if (field.type == tableField::Real) {
                    auto *validator = new QDoubleValidator(box);
                    validator->setDecimals(10);
                    validator->setNotation(QDoubleValidator::StandardNotation);
                    validator->setLocale(QLocale::c());
                    box->setValidator(validator);
                }
                box->setFont(DBPropertiesView::propertiesFont());
                box->setGeometry(2, y, 200, 20);
                // Named apart from the form's field of the same column.
                box->setObjectName(QStringLiteral("find_") + field.dbtitle());
                setIdentifier(box, field.dbtitle());
                const QString title = displayTitle(db, field);
                box->setPlaceholderText(title);
                box->setToolTip(plainToolTip(title));
                box->setClearButtonEnabled(true);
                connect(box, &QLineEdit::textChanged, this, [this, box] {
                    // Typing and the clear button alike; a text set by the twin is no edit.
                    if (!_mirroring)
                        controlTextDidChange(box);
                });
                if (previous)
                    QWidget::setTabOrder(previous, box);
                previous = box;
                box->show();
                _fields.append(box);
                y += 25;
            }
            browseColumn = db->browseField(true);
        } catch (const DatabaseError &e) {
            qWarning("%s", qPrintable(e.message()));
        }
    }
    setFixedHeight(y);
    setFilterMark(false);
    if (_dbPropertiesView)
        _dbPropertiesView->layoutSubviews();
    if (_browserSearch) {
        setIdentifier(_browserSearch, browseColumn);
        _browserSearch->clear();
    }
    // The boxes start empty: no filter of the database before stays behind them.
    if (db && !db->searchString().isEmpty()) {
        db->setSearchString({});
        _databaseFieldsView->changeBrowserSelection();
    }
    refresh();
}

void FindView::refresh()
{
    if (!_browserSearch)
        return;
    QLineEdit *twin = fieldForColumn(identifierOf(_browserSearch));
    const QString text = twin ? twin->text() : QString();
    if (_browserSearch->text() != text)
        _browserSearch->setText(text);
    // Without a twin box what is typed there would find nothing: the field says so by resting.
    _browserSearch->setEnabled(twin != nullptr);
    _browserSearch->setPlaceholderText(twin ? twin->placeholderText() : QString());
}

void FindView::controlTextDidChange(QLineEdit *sender)
{
    if (!sender)
        return;
    if (sender == _browserSearch) {
        if (QLineEdit *twin = fieldForColumn(identifierOf(_browserSearch))) {
            _mirroring = true;
            twin->setText(_browserSearch->text());
            _mirroring = false;
        }
    } else if (_browserSearch && identifierOf(sender) == identifierOf(_browserSearch)
               && _browserSearch->text() != sender->text()) {
        _browserSearch->setText(sender->text());
    }
    changeFindStrings();
    _databaseFieldsView->changeBrowserSelection();
}

Database::FindClause FindView::findString() const
{
    Database *db = _databaseFieldsView->database();
    if (!db)
        return {};
    return db->findClause(_findDictionary);
}

void FindView::changeFindStrings()
{
    _findDictionary.clear();
    for (QLineEdit *field : std::as_const(_fields))
        _findDictionary.append({identifierOf(field), field->text()});
    Database *db = _databaseFieldsView->database();
    if (!db)
        return;
    const Database::FindClause clause = findString();
    db->setSearchString(clause);
    setFilterMark(!clause.isEmpty());
}

void FindView::updateUserFields()
{
    Database *db = _databaseFieldsView->database();
    if (db) {
        try {
            for (QLineEdit *field : std::as_const(_fields)) {
                const int pk = db->fieldPkByTitle(identifierOf(field));
                for (const tableField &f : db->fieldsStructure()) {
                    if (f.pk != pk)
                        continue;
                    const QString title = displayTitle(db, f);
                    field->setPlaceholderText(title);
                    field->setToolTip(plainToolTip(title));
                }
            }
        } catch (const DatabaseError &e) {
            qWarning("%s", qPrintable(e.message()));
        }
    }
    refresh();
    // The inspector's field menus show the new titles.
    MergeContents::postDatabaseChanged();
}

} // namespace quillmark
