#include "foundation/MyTabView.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QResizeEvent>

namespace quillmark {

namespace {

class MouseShield : public QWidget
{
public:
    explicit MouseShield(QWidget *parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_TransparentForMouseEvents, false);
    }

protected:
    bool event(QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
            event->accept();
            return true;
        default:
            return QWidget::event(event);
        }
    }
};

} // namespace

MyTabView::MyTabView(QWidget *parent)
    : QTabWidget(parent)
    , m_shield(new MouseShield(this))
{
    m_shield->hide();
}

void MyTabView::setTabViewEnabled(bool flag)
{
    _enabled = flag;
    if (flag) {
        setGraphicsEffect(nullptr);
        m_shield->hide();
    } else {
        auto *half = new QGraphicsOpacityEffect(this);
        half->setOpacity(0.5);
        setGraphicsEffect(half);
        m_shield->setGeometry(rect());
        m_shield->raise();
        m_shield->show();
    }
    update();
}

void MyTabView::resizeEvent(QResizeEvent *event)
{
    QTabWidget::resizeEvent(event);
    m_shield->setGeometry(rect());
    m_shield->raise();
}

} // namespace quillmark
