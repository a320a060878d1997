#include "foundation/LanguageControls.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTabWidget>

#include "foundation/Language.h"
#include "foundation/SegmentedControl.h"
#include "platform/NotificationCenter.h"

namespace quillmark {

namespace {

const char *const kObservingProperty = "languageObserving";
const char *const kItemKeyProperty = "languageItemKey";
const char *const kPlaceholderKeyProperty = "languagePlaceholderKey";

QString refreshNotificationName()
{
    return QStringLiteral("RefreshLanguageNotification");
}

// Registers the control for re-translation. A control can be destroyed long before the
// application ends, so its registration ends with it.
template<typename Control>
void observe(Control *control)
{
    QObject *object = control;
    NotificationCenter &center = NotificationCenter::defaultCenter();
    center.removeObserver(object, refreshNotificationName());
    QPointer<Control> guard(control);
    center.addObserver(object, refreshNotificationName(), [guard](const Notification &) {
        if (guard)
            LanguageControls::refreshLanguage(guard.data());
    });
    if (!object->property(kObservingProperty).toBool()) {
        object->setProperty(kObservingProperty, true);
        const void *owner = object;
        QObject::connect(object, &QObject::destroyed, [owner]() {
            NotificationCenter::defaultCenter().removeObserver(owner, refreshNotificationName());
        });
    }
}

QString storedKey(const QObject *control)
{
    return control->property(LanguageControls::keyProperty()).toString();
}

void storeKey(QObject *control, const QString &key)
{
    control->setProperty(LanguageControls::keyProperty(), key);
}

} // namespace

const char *LanguageControls::keyProperty()
{
    return "languageIdentifier";
}

int LanguageControls::comboKeyRole()
{
    return Qt::UserRole + 0x4c61;
}

void LanguageControls::awakeFromNib(QLabel *label)
{
    if (label && !Language::isEnglish())
        addObserver(label);
}

void LanguageControls::awakeFromNib(QLineEdit *field)
{
    if (field && !Language::isEnglish())
        addObserver(field);
}

void LanguageControls::addObserver(QLabel *label)
{
    storeKey(label, label->text());
    observe(label);
}

void LanguageControls::addObserver(QLineEdit *field)
{
    const bool fromPlaceholder = field->text().isEmpty();
    storeKey(field, fromPlaceholder ? field->placeholderText() : field->text());
    field->setProperty(kPlaceholderKeyProperty, fromPlaceholder);
    observe(field);
}

void LanguageControls::refreshLanguage(QLabel *label)
{
    const QString translation = Language::stringForKey(storedKey(label));
    if (!translation.isNull())
        label->setText(translation);
}

void LanguageControls::refreshLanguage(QLineEdit *field)
{
    const QString translation = Language::stringForKey(storedKey(field));
    if (translation.isNull())
        return;
    // A key taken from the placeholder only ever translates the placeholder: whatever the
    // user has typed into the field since is not replaced by it.
    if (!field->text().isEmpty() && !field->property(kPlaceholderKeyProperty).toBool())
        field->setText(translation);
    else
        field->setPlaceholderText(translation);
}

void LanguageControls::awakeFromNib(QAbstractButton *button)
{
    if (!button || Language::isEnglish())
        return;
    storeKey(button, button->text());
    observe(button);
}

void LanguageControls::refreshLanguage(QAbstractButton *button)
{
    const QString translation = Language::stringForKey(storedKey(button));
    if (!translation.isNull())
        button->setText(translation);
}

void LanguageControls::awakeFromNib(QGroupBox *box)
{
    if (!box || Language::isEnglish())
        return;
    storeKey(box, box->title());
    observe(box);
}

void LanguageControls::refreshLanguage(QGroupBox *box)
{
    const QString translation = Language::stringForKey(storedKey(box));
    if (!translation.isNull())
        box->setTitle(translation);
}

void LanguageControls::awakeFromNib(QButtonGroup *matrix)
{
    if (!matrix || Language::isEnglish())
        return;
    const QList<QAbstractButton *> buttons = matrix->buttons();
    for (QAbstractButton *button : buttons)
        storeKey(button, button->text());
    observe(matrix);
}

void LanguageControls::refreshLanguage(QButtonGroup *matrix)
{
    const QList<QAbstractButton *> buttons = matrix->buttons();
    for (QAbstractButton *button : buttons)
        refreshLanguage(button);
}

void LanguageControls::awakeFromNib(QComboBox *popUp)
{
    if (!popUp)
        return;
    for (int i = 0; i < popUp->count(); ++i)
        popUp->setItemData(i, popUp->itemText(i), comboKeyRole());
    if (!Language::isEnglish())
        observe(popUp);
}

void LanguageControls::refreshLanguage(QComboBox *popUp)
{
    for (int i = 0; i < popUp->count(); ++i) {
        const QString translation = Language::stringForKey(popUp->itemData(i, comboKeyRole()).toString());
        if (!translation.isNull())
            popUp->setItemText(i, translation);
    }
}

void LanguageControls::awakeFromNib(QMenu *menu)
{
    if (!menu)
        return;
    const QList<QAction *> items = menu->actions();
    for (QAction *item : items) {
        awakeFromNib(item);
        if (item->menu())
            awakeFromNib(item->menu());
    }
    if (!Language::isEnglish())
        observe(menu);
}

void LanguageControls::refreshLanguage(QMenu *menu)
{
    const QString translation = Language::stringForKey(menu->title());
    if (!translation.isNull())
        menu->setTitle(translation);
    walkMenu(menu);
}

void LanguageControls::awakeFromNib(QAction *item)
{
    if (!item)
        return;
    item->setToolTip(item->text());
    item->setProperty(kItemKeyProperty, true);
}

void LanguageControls::refreshLanguage(QAction *item)
{
    // An item that never woke has no key: Qt would offer its title as the tool tip.
    if (!item->property(kItemKeyProperty).toBool())
        return;
    const QString translation = Language::stringForKey(item->toolTip());
    if (!translation.isNull())
        item->setText(translation);
}

void LanguageControls::walkMenu(QMenu *menu)
{
    if (!menu)
        return;
    const QList<QAction *> items = menu->actions();
    for (QAction *item : items) {
        refreshLanguage(item);
        if (item->menu())
            walkMenu(item->menu());
    }
}

void LanguageControls::awakeFromNib(QTabWidget *tabs)
{
    if (!tabs)
        return;
    for (int i = 0; i < tabs->count(); ++i)
        storeKey(tabs->widget(i), tabs->tabText(i));
    observe(tabs);
}

void LanguageControls::refreshLanguage(QTabWidget *tabs)
{
    for (int i = 0; i < tabs->count(); ++i) {
        const QString translation = Language::stringForKey(storedKey(tabs->widget(i)));
        if (!translation.isNull())
            tabs->setTabText(i, translation);
    }
}

void LanguageControls::awakeFromNib(SegmentedControl *control)
{
    if (!control || Language::isEnglish())
        return;
    QStringList labels;
    for (int i = 0; i < control->segmentCount(); ++i)
        labels.append(control->label(i));
    control->setIdentifier(labels.join(QLatin1Char(',')));
    observe(control);
}

void LanguageControls::refreshLanguage(SegmentedControl *control)
{
    if (control->identifier().isEmpty())
        return;
    const QStringList keys = control->identifier().split(QLatin1Char(','));
    for (int i = 0; i < keys.size(); ++i) {
        if (keys.at(i).isEmpty())
            continue;
        const QString translation = Language::stringForKey(keys.at(i));
        if (!translation.isNull())
            control->setLabel(i, translation);
    }
}

QString LanguageControls::labelForSegment1(const SegmentedControl *control, int i)
{
    const QString live = control->label(i);
    if (Language::isEnglish())
        return live;
    if (control->identifier().isEmpty())
        return live;
    const QStringList keys = control->identifier().split(QLatin1Char(','));
    if (i < 0 || i >= keys.size())
        return live;
    return keys.at(i);
}

bool LanguageControls::isObserving(const QObject *control)
{
    return control && control->property(kObservingProperty).toBool();
}

} // namespace quillmark
