#include "foundation/ZoomButton.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace quillmark {

namespace {
// Marks an item as a zoom choice (the design's selectZoom: action).
constexpr const char *ZoomItemProperty = "zoomItem";
// Where the zoom is written, and the room the menu's triangle takes at the right.
constexpr int TextLeft = 5;
constexpr int TriangleRoom = 16;
}

const ZoomButton::Entry ZoomButton::entries[10] = {
    {"25%", 0, 0.25}, {"50%", 0, 0.5},      {"100%", 0, 1.0},     {"150%", 0, 1.5},      {"200%", 0, 2.0},
    {"400%", 0, 4.0}, {"", 0, 0.0},         {"Fit Page", 3, 0.0}, {"Fit Width", 2, 0.0}, {"Fit Height", 1, 0.0},
};

ZoomButton::ZoomButton(QWidget *parent)
    : QPushButton(parent)
    , m_scaleText(QStringLiteral("Fit"))
{
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ZoomButton::setScaleText(const QString &text)
{
    m_scaleText = text;
    update();
}

void ZoomButton::setZoomValue(const QString &text)
{
    if (text.isNull())
        return;
    setScaleText(text);
}

QFont ZoomButton::scaleFont(int height) const
{
    // 10 points, smaller where the scroller the button sits beside is lower than its line.
    QFont font = this->font();
    for (qreal size = 10.0; size > 6.0; size -= 0.5) {
        font.setPointSizeF(size);
        if (QFontMetrics(font).height() <= height)
            break;
    }
    return font;
}

QSize ZoomButton::sizeHint() const
{
    // Room for the widest zoom the menu and the steps reach ("800%") before the triangle.
    const int text = QFontMetrics(scaleFont(16)).horizontalAdvance(QStringLiteral("888%")) + 2;
    return QSize(std::max(54, TextLeft + text + TriangleRoom), 16);
}

QMenu *ZoomButton::buildMenu()
{
    delete m_menu;
    m_menu = new QMenu(QStringLiteral("Contextual Menu"), this);
    m_menu->setAttribute(Qt::WA_DeleteOnClose, false);
    QFont font = m_menu->font();
    font.setPointSizeF(10.0);
    m_menu->setFont(font);
    // The titles stand as they are in every interface language.
    for (int position = 0; position < 10; ++position) {
        const Entry &entry = entries[position];
        if (position == 6) {
            m_menu->addSeparator()->setData(position);
            continue;
        }
        QAction *item = m_menu->addAction(QString::fromLatin1(entry.title));
        item->setData(position);
        item->setProperty(ZoomItemProperty, true);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item] { selectZoom(item); });
    }
    for (QAction *item : m_menu->actions())
        item->setEnabled(validateMenuItem(item));
    connect(m_menu, &QMenu::aboutToHide, this, [this] { setDown(false); });
    return m_menu;
}

bool ZoomButton::validateMenuItem(QAction *item) const
{
    if (!item || !item->property(ZoomItemProperty).toBool())
        return false;
    if (mView) {
        const int position = item->data().toInt();
        if (position < 0 || position >= 10)
            return true;
        const Entry &entry = entries[position];
        const int fit = mView->getZoomFit();
        // Exact comparison: a zoom reached by steps (1.7 from zooming in) checks nothing.
        item->setChecked(fit != 0 ? fit == entry.fitMode : mView->getZoom() == entry.zoom);
    }
    return true;
}

void ZoomButton::selectZoom(QAction *item)
{
    if (mView && item)
        mView->zoomMenuSelect(item->data().toInt());
}

void ZoomButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QPushButton::mousePressEvent(event);
        return;
    }
    setDown(true);
    QMenu *menu = buildMenu();
    menu->popup(mapToGlobal(QPoint(0, height())));
    event->accept();
}

QList<PaintedText> ZoomButton::paintedTexts() const
{
    return {{m_scaleText, scaleFont(height()), QRect(TextLeft, 0, std::max(0, width() - TextLeft - TriangleRoom), height()),
             Qt::AlignLeft | Qt::AlignVCenter}};
}

void ZoomButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const QColor ink = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    painter.setPen(ink);
    for (const PaintedText &zoom : paintedTexts()) {
        painter.setFont(zoom.font);
        painter.drawText(zoom.room, zoom.flags, zoom.text);
    }

    // The small triangle that says the button pops up a menu.
    QPainterPath triangle;
    const double top = height() / 2.0 - 2.0;
    const double left = width() - TriangleRoom + 2.0;
    triangle.moveTo(left, top);
    triangle.lineTo(left + 8.0, top);
    triangle.lineTo(left + 4.0, top + 4.0);
    triangle.closeSubpath();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(triangle, ink);
}

} // namespace quillmark
