#include "canvas/AboutPanel.h"

#include <QApplication>
#include <QBitmap>
#include <QDateTime>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>

#include "canvas/LinkTextView.h"
#include "canvas/ProductPages.h"
#include "canvas/VersionTextField.h"
#include "platform/Bundle.h"

namespace quillmark {

namespace {

AboutPanel::Clock &installedClock()
{
    static AboutPanel::Clock clock;
    return clock;
}

constexpr int CornerRadius = 18;

} // namespace

AboutPanel::AboutPanel(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("AboutPanel"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(Width, Height);
    // Rounded corners by a mask: a desktop without a compositor shows no translucent window.
    QBitmap shape(size());
    shape.fill(Qt::color0);
    {
        QPainter painter(&shape);
        painter.setBrush(Qt::color1);
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(rect(), CornerRadius, CornerRadius);
    }
    setMask(shape);

    auto *name = new QLabel(QStringLiteral("Quillmark"), this);
    name->setObjectName(QStringLiteral("AboutName"));
    QFont big = name->font();
    big.setPointSizeF(20);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    name->setGeometry(0, 140, Width, 30);
    QPalette white = name->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    name->setPalette(white);

    m_version = new VersionTextField(this);
    m_version->setObjectName(QStringLiteral("VersionTextFieldOutlet"));
    m_version->setGeometry(0, 170, Width, 20);
    QPalette grey = m_version->palette();
    grey.setColor(QPalette::WindowText, QColor(0xd0, 0xd8, 0xe4));
    m_version->setPalette(grey);

    m_link = new LinkTextView(this);
    m_link->setObjectName(QStringLiteral("LinkTextView"));
    m_link->setGeometry(linkArea());
    m_link->createLink(ProductPages::homePage());

    m_wait = new QTimer(this);
    m_wait->setSingleShot(true);
    connect(m_wait, &QTimer::timeout, this, &AboutPanel::waitExpired);
}

AboutPanel::~AboutPanel()
{
    finish();
}

QRect AboutPanel::linkArea()
{
    // 92, 87 from the bottom-left corner, 221 by 20.
    return QRect(92, Height - 87 - 20, 221, 20);
}

void AboutPanel::setClock(Clock clock)
{
    installedClock() = std::move(clock);
}

AboutPanel::Clock AboutPanel::clock()
{
    Clock clock = installedClock();
    if (!clock.now)
        clock.now = [] { return QDateTime::currentMSecsSinceEpoch(); };
    if (clock.waitMs <= 0)
        clock.waitMs = 1000;
    return clock;
}

void AboutPanel::runModal(int timeoutSeconds)
{
    if (m_loop)
        return;
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_timeoutMs = qint64(timeoutSeconds) * 1000;
    m_startTime = -1;
    show();
    raise();
    activateWindow();
    QEventLoop loop;
    m_loop = &loop;
    qApp->installEventFilter(this);
    m_wait->start(clock().waitMs);
    loop.exec();
    finish();
}

void AboutPanel::finish()
{
    if (!m_loop)
        return;
    qApp->removeEventFilter(this);
    m_wait->stop();
    m_loop->quit();
    m_loop = nullptr;
    hide();
}

void AboutPanel::waitExpired()
{
    if (!m_loop)
        return;
    const Clock timing = clock();
    const qint64 now = timing.now();
    if (m_startTime < 0) {
        m_startTime = now;
    } else if (now - m_startTime > m_timeoutMs) {
        finish();
        return;
    }
    m_wait->start(timing.waitMs);
}

bool AboutPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_loop)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        // The press restarts the wait for input whatever it does.
        m_wait->start(clock().waitMs);
        const QPoint local = mapFromGlobal(mouse->globalPosition().toPoint());
        auto *widget = qobject_cast<QWidget *>(watched);
        if (linkArea().contains(local) && widget && (widget == this || isAncestorOf(widget)))
            return false;
        finish();
        return true;
    }
    case QEvent::ShortcutOverride:
        // No command runs while the panel is up; the key itself puts the panel away.
        event->accept();
        return true;
    case QEvent::KeyPress:
        // A modifier pressed on its own is not yet a key.
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Meta:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_CapsLock:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
            return true;
        default:
            break;
        }
        finish();
        return true;
    case QEvent::Shortcut:
        // A key matched as a shortcut reaches the command instead of the focus: it is taken here.
        finish();
        return true;
    default:
        return false;
    }
}

void AboutPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect());
    QLinearGradient fill(card.topLeft(), card.bottomLeft());
    fill.setColorAt(0, QColor(0x27, 0x3a, 0x56));
    fill.setColorAt(1, QColor(0x12, 0x1c, 0x2c));
    QPainterPath shape;
    shape.addRoundedRect(card, CornerRadius, CornerRadius);
    painter.fillPath(shape, fill);
    painter.setPen(QPen(QColor(0x4a, 0x5e, 0x7c), 1.5));
    painter.drawPath(shape);

    // The product's picture at its own size.
    // own file: the program's icon among its resources.
    QSvgRenderer picture(Bundle::pathForResource(QStringLiteral("quillmark"), QStringLiteral("svg"),
                                                 QStringLiteral("icons")));
    if (picture.isValid())
        picture.render(&painter, QRectF((Width - 112) / 2.0, 26, 112, 112));
}

} // namespace quillmark
