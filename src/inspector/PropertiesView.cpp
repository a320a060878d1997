#include "inspector/PropertiesView.h"

#include <QFontDatabase>
#include <QTabWidget>

#include <cmath>

#include "foundation/LanguageControls.h"
#include "inspector/PropertiesTabButton.h"
#include "platform/Appearance.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"

namespace quillmark {

PropertiesView::PropertiesView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PropertiesView"));
    resize(8 + buttonWidth + 8, 20);
    setMinimumWidth(8 + buttonWidth + 8);
}

PropertiesView::~PropertiesView()
{
    // The pages go with the panel's children, after its own lists are gone: they must not
    // take themselves out of those lists then.
    for (const QPointer<QWidget> &page : std::as_const(_viewsArray))
        if (page)
            disconnect(page, nullptr, this, nullptr);
}

void PropertiesView::setViewSize(QWidget *page)
{
    if (!page)
        return;
    const QSize bounds = page->size();
    double top = bounds.height();
    double bottom = 0.0;
    int subviews = 0;
    for (QObject *child : page->children()) {
        auto *control = qobject_cast<QWidget *>(child);
        if (!control || control->isWindow())
            continue;
        ++subviews;
        const QRect frame = control->geometry();
        if (frame.y() + frame.height() <= 0)
            continue;
        top = std::min(top, double(frame.y()));
        bottom = std::max(bottom, double(frame.y() + frame.height()));
    }
    const double height = bottom - top;
    int fitted = 0;
    if (height != 0.0)
        fitted = int(subviews < 2 ? height : height + 16.0);
    page->setFixedSize(bounds.width(), std::max(0, fitted));
}

void PropertiesView::setTitleAttributes(PropertiesTabButton *button, bool pressed)
{
    if (!button || button->text().isEmpty())
        return;
    const QFont current = button->font();
    QFont font(QStringLiteral("Verdana"));
    if (QFontDatabase::families().contains(QStringLiteral("Verdana"))) {
        font.setPointSizeF(current.pointSizeF());
    } else {
        font = current;
        font.setPointSizeF(current.pointSizeF() - 1.0);
    }
    const QColor color = pressed ? palette().color(QPalette::Window) : palette().color(QPalette::ButtonText);
    button->setTitleStyle(font, color);
}

PropertiesTabButton *PropertiesView::addButtonWithImage(const QString &imageName, const QString &title)
{
    auto *button = new PropertiesTabButton(this);
    button->setObjectName(imageName);
    button->setGeometry(0, 0, buttonWidth, buttonHeight);
    button->setCheckable(true);
    button->setEnabled(true);
    QFont font = button->font();
    font.setPointSizeF(11.0);
    button->setFont(font);
    if (!title.isEmpty()) {
        button->setText(title);
        LanguageControls::awakeFromNib(button);
    }
    button->setImageName(imageName);
    connect(button, &PropertiesTabButton::clicked, this, [this, button] { buttonTabClicked(button); });
    setButtonImages(button, imageName);
    setTitleAttributes(button, false);
    m_stack.append(button);
    button->show();
    return button;
}

void PropertiesView::setButtonImages(PropertiesTabButton *button, const QString &imageName)
{
    if (!button || imageName.isEmpty())
        return;
    const QImage on = Bundle::imageNamed(imageName + QStringLiteral("_on"));
    const QImage off = Bundle::imageNamed(imageName + QStringLiteral("_off"));
    const bool dark = isDarkAppearance();
    const QImage &image = dark ? on : off;
    const QImage &alternate = dark ? off : on;
    button->setIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
    button->setAlternateIcon(alternate.isNull() ? QIcon() : QIcon(QPixmap::fromImage(alternate)));
    button->setIconSize(QSize(buttonWidth, buttonHeight));
}

void PropertiesView::addSubviewsFrom(QTabWidget *tabView, const QList<TabCell> &matrix)
{
    if (!tabView)
        return;
    while (tabView->count() > 0) {
        QWidget *page = tabView->widget(0);
        tabView->removeTab(0);
        page->setParent(this);
        page->hide();
        setViewSize(page);
        _viewsArray.append(page);
        connect(page, &QObject::destroyed, this, [this, page] { m_stack.removeAll(page); });
    }
    const qint64 remembered = UserDefaults::standard().integerForKey(_udKey);
    const qint64 open = remembered == 0 ? 1 : remembered;
    for (const TabCell &cell : matrix) {
        PropertiesTabButton *button = addButtonWithImage(cell.imageName, cell.title);
        _titlesArray.append(cell.imageName);
        button->setTag(int(_tag));
        if (_tag == open)
            _bnProperties = button;
        ++_tag;
    }
    layoutSubviews();
}

void PropertiesView::addSubviewsFrom(QWidget *view)
{
    if (!view)
        return;
    QTabWidget *tabView = nullptr;
    for (QObject *child : view->children())
        if (auto *tabs = qobject_cast<QTabWidget *>(child))
            tabView = tabs;
    if (!tabView)
        return;
    QList<TabCell> matrix;
    for (int i = 0; i < tabView->count(); ++i)
        matrix.append({tabView->tabText(i), tabView->widget(i)->objectName()});
    addSubviewsFrom(tabView, matrix);
}

PropertiesTabButton *PropertiesView::bnProperties() const
{
    return _bnProperties;
}

void PropertiesView::layoutSubviews()
{
    double height = 10.0;
    for (QWidget *widget : std::as_const(m_stack))
        height = std::trunc(height + widget->height());
    height = m_stack.isEmpty() ? 20.0 : height + 10.0;
    double y = 10.0;
    for (QWidget *widget : std::as_const(m_stack)) {
        widget->move(8, int(y));
        widget->show();
        y = std::trunc(y + widget->height());
    }
    setMinimumHeight(int(height));
    resize(width(), int(height));
    update();
}

void PropertiesView::openProperties()
{
    if (!_bnProperties) {
        // The remembered page is not there: the next start opens the first one.
        storeTag(0);
        layoutSubviews();
        return;
    }
    _bnProperties->setChecked(true);
    buttonTabClicked(_bnProperties);
}

void PropertiesView::buttonTabClicked(PropertiesTabButton *button)
{
    if (!button)
        return;
    const int at = int(m_stack.indexOf(button));
    if (at < 0)
        return;
    if (button->isChecked()) {
        setTitleAttributes(button, true);
        QWidget *page = pageWithTag(button->tag());
        if (page && !m_stack.contains(page)) {
            m_stack.insert(at + 1, page);
            page->show();
        }
    } else {
        setTitleAttributes(button, false);
        if (at + 1 < m_stack.size() && !qobject_cast<PropertiesTabButton *>(m_stack.at(at + 1))) {
            m_stack.at(at + 1)->hide();
            m_stack.removeAt(at + 1);
        }
    }
    storeTag(button->tag());
    layoutSubviews();
}

void PropertiesView::storeTag(int tag)
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setInteger(tag, _udKey);
    defaults.synchronize();
}

void PropertiesView::openPropertiesByType(int tag)
{
    for (auto it = m_stack.crbegin(); it != m_stack.crend(); ++it) {
        auto *button = qobject_cast<PropertiesTabButton *>(*it);
        if (button && button->tag() == tag) {
            button->setChecked(!button->isChecked());
            buttonTabClicked(button);
            return;
        }
    }
}

int PropertiesView::tagOfSelectedButton() const
{
    for (auto it = m_stack.crbegin(); it != m_stack.crend(); ++it)
        if (auto *button = qobject_cast<PropertiesTabButton *>(*it); button && button->isChecked())
            return button->tag();
    return 0;
}

bool PropertiesView::isButtonSelected(int tag) const
{
    for (auto it = m_stack.crbegin(); it != m_stack.crend(); ++it)
        if (auto *button = qobject_cast<PropertiesTabButton *>(*it); button && button->isChecked() && button->tag() == tag)
            return true;
    return false;
}

void PropertiesView::updateAppearance()
{
    const QList<PropertiesTabButton *> all = buttons();
    for (int i = 0; i < all.size() && i < _titlesArray.size(); ++i) {
        setButtonImages(all[i], _titlesArray[i]);
        setTitleAttributes(all[i], all[i]->isChecked());
    }
}

QList<PropertiesTabButton *> PropertiesView::buttons() const
{
    QList<PropertiesTabButton *> all;
    for (QWidget *widget : m_stack)
        if (auto *button = qobject_cast<PropertiesTabButton *>(widget))
            all.append(button);
    return all;
}

QWidget *PropertiesView::pageWithTag(int tag) const
{
    return tag >= 1 && tag <= _viewsArray.size() ? _viewsArray.at(tag - 1).data() : nullptr;
}

} // namespace quillmark
