#pragma once
// Re-translation of interface controls. A control calls awakeFromNib once when it has been
// built with its English texts: the English text is kept as the control's key, and (per kind,
// mostly only when the interface is not English) the control observes
// "RefreshLanguageNotification" and re-translates itself from the key with refreshLanguage.
// A key without a translation leaves the control's text as it is.
#include <QString>

class QAbstractButton;
class QAction;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QObject;
class QTabWidget;

namespace quillmark {

class SegmentedControl;

class LanguageControls
{
public:
    LanguageControls() = delete;

    // The dynamic property that holds a control's key (its "identifier").
    static const char *keyProperty();
    // The item data role of a combo box item that holds the item's key.
    static int comboKeyRole();

    // Text fields: the key is the title, or the placeholder text when the title is empty.
    static void awakeFromNib(QLabel *label);
    static void awakeFromNib(QLineEdit *field);
    static void addObserver(QLabel *label);
    static void addObserver(QLineEdit *field);
    static void refreshLanguage(QLabel *label);
    static void refreshLanguage(QLineEdit *field);

    static void awakeFromNib(QAbstractButton *button);
    static void refreshLanguage(QAbstractButton *button);

    static void awakeFromNib(QGroupBox *box);
    static void refreshLanguage(QGroupBox *box);

    // A radio matrix: every button of the group keeps its own key.
    static void awakeFromNib(QButtonGroup *matrix);
    static void refreshLanguage(QButtonGroup *matrix);

    // A pop-up: every item keeps its own key, in every language.
    static void awakeFromNib(QComboBox *popUp);
    static void refreshLanguage(QComboBox *popUp);

    // A menu wakes its items (and its submenus) first.
    static void awakeFromNib(QMenu *menu);
    static void refreshLanguage(QMenu *menu);

    // A menu item copies its title into its tool tip, in every language, and never observes:
    // it is refreshed through its menu.
    static void awakeFromNib(QAction *item);
    static void refreshLanguage(QAction *item);
    // Refreshes every item of the menu in order, descending into a submenu right after its
    // item. The submenu's own title is not looked up.
    static void walkMenu(QMenu *menu);

    // Tabs register in every language; each tab's key is kept on its page widget.
    static void awakeFromNib(QTabWidget *tabs);
    static void refreshLanguage(QTabWidget *tabs);

    // The key is every segment's label in order, joined by ",".
    static void awakeFromNib(SegmentedControl *control);
    static void refreshLanguage(SegmentedControl *control);
    // The English label of segment i, for page names that are stored or compared.
    static QString labelForSegment1(const SegmentedControl *control, int i);

    // Whether the control currently observes "RefreshLanguageNotification".
    static bool isObserving(const QObject *control);
};

} // namespace quillmark
