#include "images/listTmplViewItem.h"

#include <QApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <utility>

#include "canvas/RectsView.h"
#include "canvas/TemplateFile.h"
#include "foundation/Language.h"
#include "images/ImageSources.h"
#include "images/ScrollNSImageView.h"
#include "platform/Pen.h"
#include "platform/Prompts.h"

namespace quillmark {

namespace {

QFont titleFont(double size)
{
    QFont font = QApplication::font();
    font.setPointSizeF(size);
    return font;
}

QRectF fitted(const QSizeF &image, const QRectF &box)
{
    if (image.isEmpty() || box.isEmpty())
        return box;
    const double scale = std::min(box.width() / image.width(), box.height() / image.height());
    const QSizeF size = image * scale;
    return QRectF(box.center().x() - size.width() / 2.0, box.center().y() - size.height() / 2.0, size.width(),
                  size.height());
}

QScrollBar *verticalScroller(QWidget *widget)
{
    for (QWidget *ancestor = widget; ancestor; ancestor = ancestor->parentWidget())
        if (auto *scroll = qobject_cast<QScrollArea *>(ancestor))
            return scroll->verticalScrollBar();
    return nullptr;
}

} // namespace

QRectF listTmplViewItem::cardRect() const
{
    return QRectF(6, 0, width() - 12, height() - titleStripHeight());
}

QRectF listTmplViewItem::titleRect() const
{
    if (filePath().isEmpty())
        return {};
    const double strip = titleStripHeight();
    return QRectF((width() - 90) / 2.0, height() - strip, 90, strip);
}

QRectF listTmplViewItem::templateDeleteRect() const
{
    return QRectF(width() - 19, 4, 10, 10);
}

bool listTmplViewItem::isRenaming() const
{
    return m_renaming;
}

void listTmplViewItem::setSelected(bool flag)
{
    if (!flag && templateTitle && templateTitle->isEnabled()) {
        m_renaming = false;
        templateTitle->hide();
        templateTitle->setEnabled(false);
    }
    listImageViewItem::setSelected(flag);
}

void listTmplViewItem::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF card = cardRect();
    if (!mImage.isNull()) {
        const QSizeF logical = QSizeF(mImage.size()) / mImage.devicePixelRatio();
        painter.drawImage(fitted(logical, card.adjusted(2, 2, -2, -2)), mImage);
    }
    painter.setPen(makePen(palette().color(QPalette::WindowText), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(card);
    if (_selected) {
        painter.fillRect(card, QColor::fromRgbF(0.8f, 0.8f, 1.0f, 0.3f));
        const QRectF box = templateDeleteRect();
        painter.fillRect(box, Qt::white);
        painter.setPen(makePen(Qt::darkGray, 1.0));
        painter.drawRect(box);
        painter.setPen(makePen(Qt::red, 1.0));
        painter.drawLine(QPointF(box.left() + 2, box.top() + 2), QPointF(box.right() - 2, box.bottom() - 2));
        painter.drawLine(QPointF(box.left() + 2, box.bottom() - 2), QPointF(box.right() - 2, box.top() + 2));
    }
    if (!filePath().isEmpty()) {
        // The name is always shown, on a light strip that keeps it readable over any card.
        const QFont font = titleFont(9.0);
        const QFontMetricsF metrics(font);
        const double strip = titleStripHeight();
        const QString shown = shortenedTitle(title(), metrics, width() - 2);
        const double shownWidth = metrics.horizontalAdvance(shown);
        const QRectF backing((width() - shownWidth) / 2.0, height() - strip, shownWidth, strip);
        painter.fillRect(backing, QColor::fromRgbF(0.8f, 0.8f, 0.8f, 0.7f));
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(backing.adjusted(0, 0, 1, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, shown);
    }
}

bool listTmplViewItem::confirmAndDeleteTemplate()
{
    const int answer = Prompts::current().alert(
        window(), Language::stringForKey(QStringLiteral("Are you sure you wish to delete the design?")), QString(),
        {Language::stringForKey(QStringLiteral("Delete")), Language::stringForKey(QStringLiteral("Cancel"))},
        Prompts::Informational);
    if (answer != Prompts::FirstButton)
        return false;
    const bool removed = QFile::remove(filePath());
    // The list is read again even when the file stayed; the view keeps its place.
    QScrollBar *scroller = verticalScroller(this);
    const int position = scroller ? scroller->value() : 0;
    if (_superView)
        _superView->setPath(QString());
    RectsView::setTemplateListLoaded(false);
    if (mController)
        mController->updateTamplatesList();
    if (scroller)
        scroller->setValue(position);
    return removed;
}

void listTmplViewItem::initTemplateTitle()
{
    if (templateTitle)
        return;
    templateTitle = new QLineEdit(this);
    templateTitle->setObjectName(QStringLiteral("templateTitle"));
    templateTitle->setAlignment(Qt::AlignCenter);
    templateTitle->setFont(titleFont(10.0));
    templateTitle->setFrame(false);
    templateTitle->hide();
    templateTitle->setEnabled(false);
    connect(templateTitle, &QLineEdit::editingFinished, this, [this] { controlTextDidEndEditing(); });
}

void listTmplViewItem::beginRename()
{
    initTemplateTitle();
    const QRectF area = titleRect();
    const int height = std::max(int(area.height()), templateTitle->sizeHint().height());
    templateTitle->setGeometry(int(area.x()), this->height() - height, int(area.width()), height);
    templateTitle->setText(title());
    templateTitle->setEnabled(true);
    templateTitle->show();
    templateTitle->raise();
    templateTitle->selectAll();
    templateTitle->setFocus();
    m_renaming = true;
}

bool listTmplViewItem::controlTextDidEndEditing()
{
    if (!m_renaming || !templateTitle)
        return false;
    m_renaming = false;
    const QString name = templateTitle->text();
    templateTitle->hide();
    templateTitle->setEnabled(false);
    update();
    if (filePath().isEmpty() || name.isEmpty() || name == title())
        return false;
    if (!TemplateFile::isValidName(name)) {
        // The name is the file's: it may neither leave the template folder nor hide in it.
        Prompts::current().alert(window(), Language::stringForKey(QStringLiteral("The template could not be renamed.")),
                                 Language::stringForKey(QStringLiteral("Template names cannot be empty, contain \"/\" or start with \".\".")),
                                 {Language::stringForKey(QStringLiteral("Close"))}, Prompts::Informational);
        return false;
    }
    const QString destination = ImageSources::renameDestination(filePath(), name);
    if (destination.isEmpty() || !QFile::rename(filePath(), destination))
        return false;
    setPath(destination);
    update();
    return true;
}

void listTmplViewItem::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    _pressed = false;
    if (mController && templateDeleteRect().contains(event->position())) {
        confirmAndDeleteTemplate();
        return;
    }
    if (mController && titleRect().contains(event->position()))
        beginRename();
    if (_superView)
        _superView->setSelectedItem(this);
    else
        setSelected(true);
    _pressed = true;
}

void listTmplViewItem::mouseMoveEvent(QMouseEvent *)
{
}

void listTmplViewItem::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !_pressed)
        return;
    _pressed = false;
    // The template just applied stays highlighted.
    update();
    if (std::exchange(_repeatClick, false))
        return;
    if (mController)
        mController->setupNewTemplate(filePath(), true);
}

void listTmplViewItem::resizeEvent(QResizeEvent *event)
{
    listImageViewItem::resizeEvent(event);
    if (m_renaming && templateTitle) {
        const QRectF area = titleRect();
        templateTitle->setGeometry(int(area.x()), height() - templateTitle->height(), int(area.width()),
                                   templateTitle->height());
    }
}

} // namespace quillmark
