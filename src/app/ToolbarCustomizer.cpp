#include "app/ToolbarCustomizer.h"

#include <QAction>
#include <QHash>
#include <QMenu>
#include <QToolBar>

#include "app/MenuValidation.h"
#include "app/MenuValidator.h"
#include "foundation/Language.h"
#include "platform/UserDefaults.h"

namespace quillmark {

namespace {

bool isSpacing(const QString &identifier)
{
    return identifier == QLatin1String("Separator") || identifier == QLatin1String("Space")
           || identifier == QLatin1String("FlexibleSpace");
}

QString identifierOf(const QAction *item)
{
    return item->property(MenuValidator::identifierProperty()).toString();
}

} // namespace

ToolbarCustomizer::ToolbarCustomizer(QToolBar *bar)
    : QObject(bar)
    , m_bar(bar)
    , m_menu(new QMenu(bar))
{
    m_menu->setObjectName(QStringLiteral("ToolbarItemsMenu"));
    m_bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_bar, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { menu()->popup(m_bar->mapToGlobal(at)); });

    // A stored choice that names none of the items (a damaged or foreign value) gives the
    // default row.
    QStringList shown;
    for (const QVariant &value : UserDefaults::standard().arrayForKey(defaultsKey())) {
        const QString identifier = value.toString();
        if (offeredItems().contains(identifier) && !shown.contains(identifier))
            shown.append(identifier);
    }
    if (shown.isEmpty())
        for (const QString &identifier : defaultToolbarItemIdentifiers())
            if (!isSpacing(identifier))
                shown.append(identifier);
    apply(shown);
}

QStringList ToolbarCustomizer::offeredItems()
{
    QStringList items;
    for (const QString &identifier : allowedToolbarItemIdentifiers())
        if (!isSpacing(identifier))
            items.append(identifier);
    // The colour and font panels' own items.
    items << QStringLiteral("Colors") << QStringLiteral("Fonts");
    return items;
}

QString ToolbarCustomizer::itemTitle(const QString &identifier)
{
    static const QHash<QString, QString> titles = {
        {QStringLiteral("SaveDocumentItemIdentifier"), QStringLiteral("Save")},
        {QStringLiteral("Inspector"), QStringLiteral("Object Information")},
        {QStringLiteral("ImageMask"), QStringLiteral("Image Mask")},
        {QStringLiteral("FrameToolItemIdentifier"), QStringLiteral("Object Tools")},
        {QStringLiteral("MeasureItemIdentifier"), QStringLiteral("Measurements")},
        {QStringLiteral("ZoomToolItemIdentifier"), QStringLiteral("Zoom Tools")},
        {QStringLiteral("Print"), QStringLiteral("Print")},
        {QStringLiteral("ModeSwitchToolbarItemIdentifier"), QStringLiteral("Change Document Type")},
        {QStringLiteral("Colors"), QStringLiteral("Colors")},
        {QStringLiteral("Fonts"), QStringLiteral("Fonts")},
    };
    return titles.value(identifier, identifier);
}

QString ToolbarCustomizer::defaultsKey()
{
    return QStringLiteral("ToolbarItemIdentifiers");
}

QList<QAction *> ToolbarCustomizer::actionsOf(const QString &identifier) const
{
    QList<QAction *> items;
    for (QAction *item : m_bar->actions())
        if (identifierOf(item) == identifier)
            items.append(item);
    return items;
}

QStringList ToolbarCustomizer::shownItems() const
{
    QStringList shown;
    for (QAction *item : m_bar->actions()) {
        const QString identifier = identifierOf(item);
        if (item->isVisible() && offeredItems().contains(identifier) && !shown.contains(identifier))
            shown.append(identifier);
    }
    return shown;
}

bool ToolbarCustomizer::isItemShown(const QString &identifier) const
{
    const QList<QAction *> items = actionsOf(identifier);
    return !items.isEmpty() && items.first()->isVisible();
}

void ToolbarCustomizer::setItemShown(const QString &identifier, bool shown)
{
    if (!offeredItems().contains(identifier) || actionsOf(identifier).isEmpty())
        return;
    QStringList items = shownItems();
    items.removeAll(identifier);
    if (shown)
        items.append(identifier);
    apply(items);
    save();
}

void ToolbarCustomizer::apply(const QStringList &shown)
{
    for (const QString &identifier : offeredItems())
        for (QAction *item : actionsOf(identifier))
            item->setVisible(shown.contains(identifier));
    tidySeparators();
}

void ToolbarCustomizer::tidySeparators()
{
    // A separator shows only between two shown items, and only one in a row.
    const QList<QAction *> items = m_bar->actions();
    QAction *pending = nullptr;
    bool itemBefore = false;
    for (QAction *item : items) {
        if (item->isSeparator()) {
            item->setVisible(false);
            if (itemBefore && !pending)
                pending = item;
            continue;
        }
        const QString identifier = identifierOf(item);
        const bool shown = offeredItems().contains(identifier) ? item->isVisible() : true;
        if (!shown || isSpacing(identifier))
            continue;
        if (pending)
            pending->setVisible(true);
        pending = nullptr;
        itemBefore = true;
    }
}

void ToolbarCustomizer::save() const
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setObject(shownItems(), defaultsKey());
    defaults.synchronize();
}

QMenu *ToolbarCustomizer::menu()
{
    m_menu->clear();
    for (const QString &identifier : offeredItems()) {
        if (actionsOf(identifier).isEmpty())
            continue;
        QAction *entry = m_menu->addAction(Language::stringForKey(itemTitle(identifier)));
        entry->setCheckable(true);
        entry->setChecked(isItemShown(identifier));
        entry->setData(identifier);
        connect(entry, &QAction::toggled, this,
                [this, identifier](bool on) { setItemShown(identifier, on); });
    }
    return m_menu;
}

} // namespace quillmark
