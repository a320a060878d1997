#include "database/window/DBPropertiesView.h"

#include <QFontMetrics>

#include "database/window/FindView.h"
#include "database/window/PropertyView.h"
#include "database/window/PropertyViewButtonCell.h"
#include "foundation/Language.h"
#include "platform/PropertyList.h"
#include "platform/SystemFonts.h"
#include "platform/UserDefaults.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QTableView>

#include <cmath>

namespace quillmark {

namespace {

struct Pane
{
    const char *identifier;
    const char *title;
};

// Tab order: the tag of a pane's button is its position + 1.
constexpr Pane kPanes[] = {
    {"SortDatabaseView", "Sorting Criteria"},
    {"FieldTitlesView", "Field Titles & Visibility"},
    {"EditGroupsView", "Edit Group Titles"},
    {"ViewGroupsView", "View Group Titles"},
    {"FindView", "Find Records"},
};

// The pane buttons' titles: their usual size and the room kept on each side.
constexpr int TitlePointSize = 11;
constexpr int TitleMargin = 8;

QString translatedTitle(const QString &english)
{
    const QString text = Language::stringForKey(english);
    return text.isEmpty() ? english : text;
}

} // namespace

DBPropertiesView::DBPropertiesView(QWidget *parent)
    : QWidget(parent)
{
    setMinimumWidth(221);
}

QFont DBPropertiesView::propertiesFont()
{
    // The design's 11 points are those of its 72-dot screen: the small system font's size here,
    // as the inspector's side panel has it, not a size larger than the window's own texts.
    const QFont small = smallSystemFont();
    QFont font = QFontDatabase::families().contains(QStringLiteral("Verdana"))
        ? QFont(QStringLiteral("Verdana"))
        : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (small.pointSizeF() > 0)
        font.setPointSizeF(small.pointSizeF());
    else
        font.setPixelSize(small.pixelSize());
    return font;
}

void DBPropertiesView::setupTitlesTable(QTableView *table, QAbstractItemModel *model, int checkColumn)
{
    table->setModel(model);
    table->setFont(propertiesFont());
    QHeaderView *columns = table->horizontalHeader();
    columns->hide();
    if (checkColumn >= 0) {
        columns->setSectionResizeMode(checkColumn, QHeaderView::Fixed);
        columns->resizeSection(checkColumn, 24);
    }
    columns->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(20);
    table->setShowGrid(false);
}

QVariantMap DBPropertiesView::titlesDictionary()
{
    QVariantMap titles;
    for (const Pane &pane : kPanes)
        titles.insert(QString::fromLatin1(pane.identifier), QString::fromLatin1(pane.title));
    return titles;
}

void DBPropertiesView::addPropertyViews()
{
    if (!_viewsArray.isEmpty())
        return;
    if (_givenViews.size() == int(std::size(kPanes))) {
        for (PropertyView *view : std::as_const(_givenViews)) {
            view->setParent(this);
            _viewsArray.append(view);
        }
    } else {
        for (const Pane &pane : kPanes)
            _viewsArray.append(new PropertyView(QString::fromLatin1(pane.identifier), QString::fromLatin1(pane.title), this));
    }
    const QList<PropertyView *> panes = _viewsArray;
    _viewsArray.clear();
    const QList<int> open = storedTags();
    for (PropertyView *pane : panes) {
        pane->hide();
        addPropertyView(pane);
        auto *button = static_cast<PropertyViewButtonCell *>(_stack.last());
        pane->setButton(button);
        const bool on = open.contains(button->tag());
        button->setChecked(on);
        setTitleAttributes(button, on);
        if (on) {
            _stack.append(pane);
            pane->show();
        }
    }
    layoutSubviews();
}

void DBPropertiesView::setPropertyViews(const QList<PropertyView *> &views)
{
    _givenViews = views;
    for (PropertyView *view : views) {
        view->setParent(this);
        view->hide();
    }
}

PropertyView *DBPropertiesView::paneWithTag(int tag) const
{
    return tag >= 1 && tag <= _viewsArray.size() ? _viewsArray.at(tag - 1) : nullptr;
}

void DBPropertiesView::addPropertyView(PropertyView *view)
{
    // The find pane changes its height with the fields it shows: the panel lays out again.
    if (auto *find = qobject_cast<FindView *>(view))
        find->setDBPropertiesView(this);
    _viewsArray.append(view);
    PropertyViewButtonCell *button = addButtonWithTitle(view->identifier());
    button->setTag(int(_tag++));
}

PropertyViewButtonCell *DBPropertiesView::addButtonWithTitle(const QString &identifier)
{
    auto *button = new PropertyViewButtonCell(this);
    button->setObjectName(identifier);
    button->setFixedSize(205, 32);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // A lone "&" in a title ("Field Titles & Visibility") is text, not a shortcut mark.
    button->setText(translatedTitle(titlesDictionary().value(identifier).toString()).replace(QLatin1Char('&'), QStringLiteral("&&")));
    setTitleAttributes(button, false);
    connect(button, &QToolButton::clicked, this, [this, button] { buttonTabClicked(button); });
    _titlesArray.append(identifier);
    _stack.append(button);
    button->show();
    return button;
}

void DBPropertiesView::setTitleAttributes(PropertyViewButtonCell *button, bool pressed)
{
    if (button->text().isEmpty())
        return;
    QFont font = propertiesFont();
    font.setPointSize(TitlePointSize);
    font.setBold(pressed);
    // The panel keeps its width in every language: a title longer than the button is set
    // smaller until it shows whole, rather than cut at both ends.
    const int room = button->width() - 2 * TitleMargin;
    while (QFontMetrics(font).size(Qt::TextShowMnemonic, button->text()).width() > room && font.pointSizeF() > 7)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    button->setFont(font);
}

void DBPropertiesView::buttonTabClicked(PropertyViewButtonCell *button)
{
    const int at = int(_stack.indexOf(button));
    if (at < 0)
        return;
    const int index = button->tag() - 1;
    PropertyView *pane = index >= 0 && index < _viewsArray.size() ? _viewsArray.at(index) : nullptr;
    if (button->isChecked()) {
        setTitleAttributes(button, true);
        if (pane && !_stack.contains(pane)) {
            _stack.insert(at + 1, pane);
            pane->show();
        }
    } else {
        setTitleAttributes(button, false);
        if (at + 1 < _stack.size() && !qobject_cast<PropertyViewButtonCell *>(_stack.at(at + 1))) {
            _stack.at(at + 1)->hide();
            _stack.removeAt(at + 1);
        }
    }
    storeTags();
    layoutSubviews();
}

void DBPropertiesView::openPropertiesByType(int tag)
{
    PropertyViewButtonCell *button = buttonWithTag(tag);
    if (!button)
        return;
    button->setChecked(!button->isChecked());
    buttonTabClicked(button);
}

PropertyViewButtonCell *DBPropertiesView::buttonWithTag(int tag) const
{
    for (QWidget *widget : _stack)
        if (auto *button = qobject_cast<PropertyViewButtonCell *>(widget); button && button->tag() == tag)
            return button;
    return nullptr;
}

QList<int> DBPropertiesView::tagsOfSelectedButton() const
{
    QList<int> tags;
    for (auto it = _stack.crbegin(); it != _stack.crend(); ++it)
        if (auto *button = qobject_cast<PropertyViewButtonCell *>(*it); button && button->isChecked())
            tags.append(button->tag());
    return tags;
}

bool DBPropertiesView::isButtonSelected(int tag) const
{
    PropertyViewButtonCell *button = buttonWithTag(tag);
    return button && button->isChecked();
}

QList<int> DBPropertiesView::storedTags() const
{
    const QByteArray data = UserDefaults::standard().dataForKey(_udKey);
    if (data.isEmpty())
        return {1};
    const QVariant list = PropertyList::fromData(data);
    if (list.typeId() != QMetaType::QVariantList)
        return {1};
    QList<int> tags;
    for (const QVariant &tag : list.toList())
        tags.append(tag.toInt());
    return tags;
}

void DBPropertiesView::storeTags()
{
    QVariantList list;
    for (int tag : tagsOfSelectedButton())
        list.append(qint64(tag));
    UserDefaults::standard().setObject(PropertyList::toData(list), _udKey);
    UserDefaults::standard().synchronize();
}

void DBPropertiesView::layoutSubviews()
{
    int y = 10;
    for (QWidget *widget : std::as_const(_stack)) {
        widget->move(8, y);
        y += widget->height();
    }
    setMinimumHeight(_stack.isEmpty() ? 20 : y + 10);
    resize(width(), minimumHeight());
    update();
}

void DBPropertiesView::updateAppearance()
{
    for (QWidget *widget : std::as_const(_stack))
        widget->update();
}

void DBPropertiesView::setDatabaseChanged()
{
    for (PropertyView *view : std::as_const(_viewsArray))
        view->setDatabaseChanged();
}

void DBPropertiesView::refresh()
{
    for (PropertyView *view : std::as_const(_viewsArray))
        view->refresh();
}

void DBPropertiesView::updateGroups()
{
    for (PropertyView *view : std::as_const(_viewsArray))
        view->updateGroups();
}

} // namespace quillmark
