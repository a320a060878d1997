#include "app/TextWalk.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDockWidget>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTableView>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>

#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "inspector/NumberField.h"
#include "platform/PropertyList.h"
#include "platform/PaintedTexts.h"

using namespace quillmark;

namespace textwalk {

namespace {

QString describe(const QWidget *widget)
{
    return QString::fromLatin1(widget->metaObject()->className()) + QLatin1Char(' ') + widget->objectName();
}

// The room a text needs drawn in the widget's font, mnemonics and line breaks taken as shown.
int advance(const QWidget *widget, const QString &text)
{
    return widget->fontMetrics().size(Qt::TextShowMnemonic, text).width();
}

bool isRichText(const QLabel *label)
{
    return label->textFormat() == Qt::RichText
        || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
}

// The scroll area whose viewport `widget` is; null for any other widget.
const QAbstractScrollArea *scrollAreaOfViewport(const QWidget *widget)
{
    auto *area = widget ? qobject_cast<const QAbstractScrollArea *>(widget->parentWidget()) : nullptr;
    return area && area->viewport() == widget ? area : nullptr;
}

// A dock tabbed with others shows only while its tab is in front; the others are kept aside,
// out of the window.
bool behindAnotherDock(const QWidget *widget)
{
    for (const QWidget *w = widget; w && !w->isWindow(); w = w->parentWidget())
        if (qobject_cast<const QDockWidget *>(w) && !w->window()->rect().intersects(QRect(w->mapTo(w->window(), QPoint()), w->size())))
            return true;
    return false;
}

} // namespace

TextWalk::TextWalk(QString language, const QRect &screen)
    : m_language(std::move(language))
    , m_screen(screen)
{
    // The program's own words in this language: the texts of its translation table.
    const QString folder = Language::folderForLanguageCode(m_language);
    QString error;
    const QVariantMap table =
        PropertyList::readFile(QDir(qmtest::resourcesDir()).filePath(folder + QStringLiteral(".lproj/strings.plist")), &error)
            .toMap();
    if (table.isEmpty())
        ADD_FAILURE() << "no translation table for " << m_language.toStdString() << ": " << error.toStdString();
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        m_programWords.insert(it.value().toString());
    const QVariantMap english =
        PropertyList::readFile(QDir(qmtest::resourcesDir()).filePath(QStringLiteral("en.lproj/strings.plist"))).toMap();
    if (english.isEmpty())
        ADD_FAILURE() << "no English table";
    for (auto it = english.cbegin(); it != english.cend(); ++it)
        m_translations.insert(it.key(), table.value(it.key()).toString());
}

void TextWalk::spoken(const QWidget *widget, const QString &where, const QString &raw, bool mustBeKey)
{
    // As the menu shows it: without the mnemonic's mark, without the key after a tab.
    QString text = raw.section(QLatin1Char('\t'), 0, 0);
    text.replace(QLatin1String("&&"), QString(QChar(0x1))).remove(QLatin1Char('&')).replace(QChar(0x1), QLatin1Char('&'));
    text = text.trimmed();
    static const QRegularExpression letter(QStringLiteral("\\p{L}"));
    if (!text.contains(letter))
        return;
    ++m_spoken;
    const auto found = m_translations.constFind(text);
    if (m_language == QLatin1String("en")) {
        if (mustBeKey && found == m_translations.cend())
            problem(where, widget, QStringLiteral("\"%1\" is no text of the tables").arg(text));
        return;
    }
    if (found != m_translations.cend() && !found->isEmpty() && *found != text)
        problem(where, widget, QStringLiteral("\"%1\" shown in English, not \"%2\"").arg(text, *found));
}

void TextWalk::readMenu(QMenu *menu, const QString &where, QSet<const QMenu *> &read, bool qtOwn)
{
    if (!menu || read.contains(menu))
        return;
    read.insert(menu);
    ++m_menusRead;
    for (QAction *item : menu->actions()) {
        if (item->isSeparator() || !item->isVisible())
            continue;
        // Qt's own menus speak through Qt's translations: in English their words are no texts
        // of the program's tables.
        spoken(menu, where, item->text(), !qtOwn);
        if (QMenu *submenu = item->menu()) {
            // Filled as it opens.
            emit submenu->aboutToShow();
            readMenu(submenu, where + QStringLiteral(" > ") + item->text(), read, qtOwn);
        }
    }
}

void TextWalk::contextMenus(QWidget *root, const QString &where)
{
    QList<QPointer<QWidget>> widgets;
    widgets.append(root);
    for (QWidget *widget : root->findChildren<QWidget *>())
        widgets.append(widget);
    for (const QPointer<QWidget> &widget : std::as_const(widgets)) {
        if (!widget || !widget->isVisible() || qobject_cast<QMenu *>(widget) || behindAnotherDock(widget))
            continue;
        const QString at = where + QStringLiteral(" context menu of ") + describe(widget);
        // The kinds whose context menu Qt makes itself (the editing commands of a text, a
        // link's address, the steps of a spin box, the scroll bar's scrolls), subclasses
        // included.
        const bool qtOwn = qobject_cast<QScrollBar *>(widget) || qobject_cast<QLineEdit *>(widget)
            || qobject_cast<QAbstractSpinBox *>(widget) || qobject_cast<QTextEdit *>(widget)
            || qobject_cast<QPlainTextEdit *>(widget)
            || (qobject_cast<QLabel *>(widget)
                && static_cast<QLabel *>(widget.data())->textInteractionFlags() != Qt::NoTextInteraction)
            || (scrollAreaOfViewport(widget)
                && (qobject_cast<const QTextEdit *>(widget->parentWidget())
                    || qobject_cast<const QPlainTextEdit *>(widget->parentWidget())));
        QSet<const QMenu *> read;
        auto readOpenMenu = [&] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                readMenu(menu, at, read, qtOwn);
                menu->close();
            }
        };
        // A menu run in a loop of its own is read from inside that loop.
        QTimer inside;
        inside.setSingleShot(true);
        QObject::connect(&inside, &QTimer::timeout, readOpenMenu);
        inside.start(0);
        const QPoint middle = widget->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, middle, widget->mapToGlobal(middle));
        QApplication::sendEvent(widget, &event);
        readOpenMenu();
        QCoreApplication::processEvents();
        readOpenMenu();
    }
}

void TextWalk::toolTips(QWidget *root, const QString &where)
{
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *widget : std::as_const(widgets)) {
        if (!widget->isVisible() || behindAnotherDock(widget))
            continue;
        const QString at = where + QStringLiteral(" tool tip of ") + describe(widget);
        spoken(widget, at, widget->toolTip(), false);
        if (auto *tool = qobject_cast<QToolButton *>(widget); tool && tool->defaultAction())
            spoken(widget, at, tool->defaultAction()->toolTip(), false);
        if (auto *tabs = qobject_cast<QTabBar *>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                spoken(widget, at, tabs->tabToolTip(i), false);
    }
}

void TextWalk::walk(QWidget *root, const QString &where)
{
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *widget : std::as_const(widgets)) {
        if (widget != root && !widget->isVisibleTo(root))
            continue;
        if (!widget->isVisible() || behindAnotherDock(widget))
            continue;
        ++m_measured;
        measure(widget, where);
    }
}

void TextWalk::problem(const QString &where, const QWidget *widget, const QString &what)
{
    const QString line = QStringLiteral("%1 %2: %3 %4").arg(m_language, where, describe(widget), what);
    if (!m_problems.contains(line))
        m_problems << line;
}

void TextWalk::clipped(const QWidget *widget, const QString &where, const QString &text, int needs, int has)
{
    problem(where, widget, QStringLiteral("\"%1\" needs %2, has %3").arg(text).arg(needs).arg(has));
}

void TextWalk::cutBelow(const QWidget *widget, const QString &where, const QString &text, int needs, int has)
{
    problem(where, widget, QStringLiteral("\"%1\" needs %2 high, has %3").arg(text).arg(needs).arg(has));
}

// The width of `span` (in the widget's own coordinates) that its parents leave visible, up to
// the window. Inside a scroll area only the sideways cut counts, as the area shows its content
// scrolled to its left edge: a control below the view scrolls into it, one that passes the
// view's side is cut for a user reading down the form.
int TextWalk::visibleWidth(const QWidget *widget, QRect span) const
{
    span = QRect(span.left(), 0, span.width(), 1);
    for (const QWidget *w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        const QWidget *parent = w->parentWidget();
        if (!parent)
            break;
        int x = w->pos().x();
        if (const QAbstractScrollArea *area = scrollAreaOfViewport(parent)) {
            // An item view's viewport holds its items, not widgets; its own content is
            // measured item by item.
            if (qobject_cast<const QAbstractItemView *>(area))
                break;
            x += area->horizontalScrollBar()->value();
        }
        span.translate(x, 0);
        span = span.intersected(QRect(0, span.top(), parent->width(), 1));
    }
    return std::max(0, span.width());
}

void TextWalk::textIn(const QWidget *widget, const QString &where, const QString &text, int needs, const QRect &room)
{
    if (text.trimmed().isEmpty())
        return;
    const int has = std::min(room.width(), visibleWidth(widget, room));
    if (needs > has)
        clipped(widget, where, text, needs, has);
}

void TextWalk::measure(QWidget *widget, const QString &where)
{
    QStyle *style = widget->style();
    if (qobject_cast<QLabel *>(widget)) {
        measureLabel(widget, where);
    } else if (qobject_cast<QLineEdit *>(widget)) {
        measureLineEdit(widget, where);
        measureField(widget, where);
    } else if (qobject_cast<QComboBox *>(widget)) {
        measureComboItems(widget, where);
    } else if (qobject_cast<QCheckBox *>(widget) || qobject_cast<QRadioButton *>(widget)) {
        auto *button = static_cast<QAbstractButton *>(widget);
        textIn(widget, where, button->text(), button->sizeHint().width(), button->rect());
    } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
        // The room the style leaves the title inside the button's frame.
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        option.icon = button->icon();
        option.iconSize = button->iconSize();
        if (button->isDefault() || button->autoDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
        const QRect room = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
        textIn(widget, where, button->text(), advance(button, button->text()) + icon, room);
    } else if (auto *button = qobject_cast<QToolButton *>(widget)) {
        if (button->toolButtonStyle() == Qt::ToolButtonIconOnly && !button->icon().isNull())
            return;
        const int icon = button->toolButtonStyle() == Qt::ToolButtonTextBesideIcon && !button->icon().isNull()
            ? button->iconSize().width() + 4
            : 0;
        textIn(widget, where, button->text(), advance(button, button->text()) + icon + 4, button->rect());
    } else if (auto *box = qobject_cast<QGroupBox *>(widget)) {
        textIn(widget, where, box->title(), advance(box, box->title()) + (box->isCheckable() ? 20 : 0), box->rect());
    } else if (auto *bar = qobject_cast<QTabBar *>(widget)) {
        for (int i = 0; i < bar->count(); ++i) {
            if (!bar->isTabVisible(i))
                continue;
            const int icon = bar->tabIcon(i).isNull() ? 0 : bar->iconSize().width() + 4;
            const int space = style->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar) / 2;
            textIn(widget, where, bar->tabText(i), advance(bar, bar->tabText(i)) + icon + space, bar->tabRect(i));
        }
    } else if (auto *header = qobject_cast<QHeaderView *>(widget)) {
        if (header->orientation() != Qt::Horizontal || !header->model())
            return;
        const int margin = 2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        for (int i = 0; i < header->count(); ++i) {
            if (header->isSectionHidden(i) || header->sectionSize(i) == 0)
                continue;
            const QString text = header->model()->headerData(i, Qt::Horizontal).toString();
            const QRect room(header->sectionViewportPosition(i), 0, header->sectionSize(i), header->height());
            textIn(header->viewport(), where, text, advance(header, text) + margin, room);
        }
    } else if (qobject_cast<QAbstractItemView *>(widget)) {
        measureItems(widget, where);
    } else if (auto *bar = qobject_cast<QMenuBar *>(widget)) {
        for (QAction *action : bar->actions()) {
            if (!action->isVisible())
                continue;
            const QRect at = bar->actionGeometry(action);
            textIn(widget, where, action->text(), advance(bar, action->text()), at.isValid() ? at : QRect());
        }
    }
    if (dynamic_cast<PaintedTexts *>(widget))
        measurePainted(widget, where);
}

void TextWalk::measureLabel(QWidget *widget, const QString &where)
{
    auto *label = static_cast<QLabel *>(widget);
    if (isRichText(label) || label->text().trimmed().isEmpty())
        return;
    const int margin = label->margin();
    const QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
    if (!label->wordWrap()) {
        textIn(widget, where, label->text(), advance(label, label->text()) + std::max(0, label->indent()), room);
        return;
    }
    // A wrapped text: no word wider than the label, and every line inside its height.
    const int flags = int(label->alignment()) | Qt::TextWordWrap | Qt::TextShowMnemonic;
    const QRect needs = label->fontMetrics().boundingRect(room, flags, label->text());
    textIn(widget, where, label->text(), needs.width(), room);
    if (needs.height() > room.height())
        cutBelow(widget, where, label->text(), needs.height(), room.height());
}

void TextWalk::measureLineEdit(QWidget *widget, const QString &where)
{
    auto *edit = static_cast<QLineEdit *>(widget);
    const QString text = edit->displayText().isEmpty() ? edit->placeholderText() : edit->displayText();
    if (text.trimmed().isEmpty())
        return;
    // The text's room as the line edit lays it out: the style's contents rectangle less the
    // text margins, the edit's own margin of 2 on each side and the buttons inside it (clear).
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = edit->rect();
    option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    room = room.marginsRemoved(edit->textMargins()).adjusted(2, 0, -2, 0);
    for (const QWidget *inside : edit->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!inside->isVisibleTo(edit))
            continue;
        if (inside->geometry().center().x() > edit->width() / 2)
            room.setRight(std::min(room.right(), inside->x() - 1));
        else
            room.setLeft(std::max(room.left(), inside->geometry().right() + 1));
    }
    // One more for the cursor at the text's end, as the edit reserves it before it scrolls.
    textIn(widget, where, text, edit->fontMetrics().horizontalAdvance(text) + 1, room);
}

void TextWalk::measureField(QWidget *widget, const QString &where)
{
    // A field the user types into shows whole, empty or not: one that passes the side of its
    // view hides the end of what is typed.
    const QWidget *parent = widget->parentWidget();
    if (qobject_cast<const QAbstractSpinBox *>(parent) || qobject_cast<const QComboBox *>(parent))
        return;
    const int has = visibleWidth(widget, widget->rect());
    if (has < widget->width())
        problem(where, widget, QStringLiteral("passes the side of its view: %1 of %2 shown").arg(has).arg(widget->width()));
}

void TextWalk::measureComboItems(QWidget *widget, const QString &where)
{
    auto *combo = static_cast<QComboBox *>(widget);
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    option.iconSize = combo->iconSize();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    // Every item: whichever the user picks is shown in the field.
    for (int i = 0; i < combo->count(); ++i) {
        const QString text = combo->itemText(i);
        const int icon = combo->itemIcon(i).isNull() ? 0 : combo->iconSize().width() + 4;
        textIn(widget, where, text, advance(combo, text) + icon + 2, field);
    }
}

void TextWalk::measureItems(QWidget *widget, const QString &where)
{
    auto *view = static_cast<QAbstractItemView *>(widget);
    const QAbstractItemModel *model = view->model();
    if (!model || qobject_cast<QHeaderView *>(view))
        return;
    auto *tree = qobject_cast<QTreeView *>(view);
    auto *table = qobject_cast<QTableView *>(view);
    auto *list = qobject_cast<QListView *>(view);
    // Icons laid out in a grid show pictures, not texts to read.
    if (list && list->viewMode() == QListView::IconMode)
        return;
    const QWidget *viewport = view->viewport();
    // A view measured once is measured again only when its items or their room changed.
    QString state = QString::number(quintptr(model)) + QLatin1Char(' ') + QString::number(model->rowCount(view->rootIndex()))
        + QLatin1Char(' ') + QString::number(viewport->width()) + QLatin1Char(' ') + view->font().toString();
    for (int column = 0; (tree || table) && column < model->columnCount(view->rootIndex()); ++column)
        state += QLatin1Char(' ') + QString::number(tree ? tree->columnWidth(column) : table->columnWidth(column));
    if (m_measuredViews.value(view) == state)
        return;
    m_measuredViews.insert(view, state);
    // The room of a column: its width, as much of it as the view shows before scrolling
    // sideways. A column the view shows only after scrolling is the user's to scroll to.
    auto roomOf = [&](int column) -> QRect {
        if (tree || table) {
            const int x = tree ? tree->columnViewportPosition(column) : table->columnViewportPosition(column);
            if (x >= viewport->width())
                return {};
            return QRect(x, 0, tree ? tree->columnWidth(column) : table->columnWidth(column), 1);
        }
        return QRect(0, 0, viewport->width() - 2 * (list ? list->spacing() : 0), 1);
    };
    const int treeColumn = tree ? std::max(0, tree->treePosition()) : -1;
    std::function<void(const QModelIndex &, int)> visit = [&](const QModelIndex &parent, int depth) {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            if ((tree && tree->isRowHidden(row, parent)) || (table && table->isRowHidden(row))
                || (list && list->isRowHidden(row)))
                continue;
            for (int column = 0; column < model->columnCount(parent); ++column) {
                if ((tree && tree->isColumnHidden(column)) || (table && table->isColumnHidden(column))
                    || (list && column != list->modelColumn()))
                    continue;
                const QModelIndex index = model->index(row, column, parent);
                const QString text = index.data(Qt::DisplayRole).toString();
                // A table's cells hold the user's own data (records, databases' names), whose
                // columns the user widens; only the program's own words in it are measured.
                if (text.trimmed().isEmpty() || (table && !m_programWords.contains(text)))
                    continue;
                const QRect room = roomOf(column);
                if (room.isEmpty())
                    continue;
                int needs = view->sizeHintForIndex(index).width();
                if (column == treeColumn)
                    needs += tree->indentation() * (depth + (tree->rootIsDecorated() ? 1 : 0));
                textIn(viewport, where, text, needs, room);
            }
            // Items under a closed branch too: the user opens it.
            if (tree)
                visit(model->index(row, 0, parent), depth + 1);
        }
    };
    visit(view->rootIndex(), 0);
}

void TextWalk::measurePainted(QWidget *widget, const QString &where)
{
    for (const PaintedText &painted : dynamic_cast<PaintedTexts *>(widget)->paintedTexts()) {
        if (painted.text.trimmed().isEmpty())
            continue;
        const QRect needs = QFontMetrics(painted.font).boundingRect(painted.room, painted.flags, painted.text);
        const QRect room = painted.room.intersected(widget->rect());
        textIn(widget, where, painted.text, needs.width(), room);
        if (needs.top() < room.top() || needs.bottom() > room.bottom())
            cutBelow(widget, where, painted.text, needs.height(), room.height());
    }
}

void TextWalk::fitsScreen(QWidget *window, const QString &where)
{
    const QRect frame = window->frameGeometry();
    if (frame.width() > m_screen.width() || frame.height() > m_screen.height())
        problem(where, window,
                QStringLiteral("is %1 x %2 on a free area of %3 x %4")
                    .arg(frame.width())
                    .arg(frame.height())
                    .arg(m_screen.width())
                    .arg(m_screen.height()));
    QSize least = window->minimumSize().expandedTo(window->minimumSizeHint());
    if (window->layout() && window->layout()->sizeConstraint() != QLayout::SetNoConstraint)
        least = least.expandedTo(window->layout()->totalMinimumSize());
    if (least.width() > m_screen.width() || least.height() > m_screen.height())
        problem(where, window,
                QStringLiteral("cannot be smaller than %1 x %2 on a free area of %3 x %4")
                    .arg(least.width())
                    .arg(least.height())
                    .arg(m_screen.width())
                    .arg(m_screen.height()));
}

void TextWalk::refusalNotes(QWidget *root, const QString &where)
{
    for (NumberField *field : root->findChildren<NumberField *>()) {
        if (!field->isVisible() || !field->isEnabled() || field->isReadOnly() || m_typedInto.contains(field))
            continue;
        m_typedInto.insert(field);
        const QString shown = field->text();
        // Feet are a length no field takes, in any language.
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("5 ft"));
        QTest::keyClick(field, Qt::Key_Return);
        QCoreApplication::processEvents();
        ++m_notes;
        const QString at = where + QStringLiteral(" note of ") + field->objectName();
        QLabel *note = field->refusalNote();
        if (field->refusal().isEmpty() || !note || !note->isVisible()) {
            problem(at, field, QStringLiteral("took \"5 ft\" or said nothing"));
            continue;
        }
        if (field->text() != shown)
            problem(at, field, QStringLiteral("shows \"%1\" after the refusal, not \"%2\"").arg(field->text(), shown));
        if (!m_screen.contains(note->frameGeometry())) {
            const QRect g = note->frameGeometry();
            problem(at, note,
                    QStringLiteral("\"%1\" at %2,%3 %4 x %5 passes the screen's free area")
                        .arg(note->text())
                        .arg(g.x())
                        .arg(g.y())
                        .arg(g.width())
                        .arg(g.height()));
        }
        measureLabel(note, at);
    }
}

} // namespace textwalk
