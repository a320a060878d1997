#pragma once
// The side panel of the main window that shows the inspector's pages as a column of tab
// buttons: clicking a button opens its page right below it, clicking it again closes the
// page, and several pages may be open at once. The tag of the last button clicked is kept
// in the user defaults ("PropertiesType") and its page opens at the next start.
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class QTabWidget;

namespace quillmark {

class PropertiesTabButton;

class PropertiesView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int buttonWidth = 205;
    static constexpr int buttonHeight = 32;

    explicit PropertiesView(QWidget *parent = nullptr);
    ~PropertiesView() override;

    // The page's height fitted to its controls: from the top of the highest to the bottom of
    // the lowest control (only those reaching below 0 count), 16 more with two or more
    // controls, none without any.
    static void setViewSize(QWidget *page);
    // The title in the panel's font, light on a pressed button.
    void setTitleAttributes(PropertiesTabButton *button, bool pressed);
    PropertiesTabButton *addButtonWithImage(const QString &imageName, const QString &title);

    // One tab button per cell: its English title and the base name of its images.
    struct TabCell
    {
        QString title;
        QString imageName;
    };
    // Takes the pages out of the tab view (page i belongs to the button tagged i + 1), makes a
    // button per cell and chooses the remembered page to open.
    void addSubviewsFrom(QTabWidget *tabView, const QList<TabCell> &matrix);
    // The same with the last tab view among the view's children; each tab's title is its
    // button's title and its page's object name the images' base name.
    void addSubviewsFrom(QWidget *view);

    PropertiesTabButton *bnProperties() const;
    // Buttons and open pages stacked from the top at x 8, 10 points above the first and
    // below the last; the panel's height follows.
    void layoutSubviews();
    // Opens the remembered page (at start-up).
    void openProperties();
    // A button was clicked (its state has toggled): its page opens or closes.
    void buttonTabClicked(PropertiesTabButton *button);
    // Toggles the button with that tag as a click would.
    void openPropertiesByType(int tag);
    // The tag of the lowest open button; 0 when none is open.
    int tagOfSelectedButton() const;
    bool isButtonSelected(int tag) const;
    // Every button takes its own images again for the current appearance.
    void updateAppearance();
    void setButtonImages(PropertiesTabButton *button, const QString &imageName);

    QString udKey() const { return _udKey; }
    void setUdKey(const QString &key) { _udKey = key; }
    // Buttons and open pages from top to bottom.
    const QList<QWidget *> &stack() const { return m_stack; }
    QList<PropertiesTabButton *> buttons() const;
    // The page of a tag; null when there is none.
    QWidget *pageWithTag(int tag) const;

private:
    void storeTag(int tag);

    QList<QPointer<QWidget>> _viewsArray;
    QStringList _titlesArray;
    QPointer<PropertiesTabButton> _bnProperties;
    QString _udKey = QStringLiteral("PropertiesType");
    qint64 _tag = 1;
    QList<QWidget *> m_stack;
};

} // namespace quillmark
