#include "images/listImageViewItem.h"

#include <QApplication>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <utility>

#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "images/ImageSearchService.h"
#include "images/ImageSources.h"
#include "images/iNternetImageLoader.h"
#include "images/ScrollNSImageView.h"
#include "platform/Pen.h"
#include "platform/Prompts.h"

namespace quillmark {

namespace {

QFont titleFont()
{
    QFont font = QApplication::font();
    font.setPointSizeF(9.0);
    return font;
}

} // namespace

listImageViewItem::listImageViewItem(QWidget *parent)
    : QWidget(parent)
{
}

void listImageViewItem::setImage(const QImage &image)
{
    mImage = image;
    update();
}

void listImageViewItem::setCanDelete(bool flag)
{
    _canDelete = flag;
    setMouseTracking(flag);
}

void listImageViewItem::setSelected(bool flag)
{
    _selected = flag;
    update();
}

QRectF listImageViewItem::deleteRect() const
{
    const QRectF inner = QRectF(rect()).adjusted(3, 3, -3, -3);
    return QRectF(inner.x() + inner.width() - 15, inner.y() - 1, 10, 10);
}

QRectF listImageViewItem::fittedImageRect(const QSizeF &imageSize, const QSizeF &tileSize)
{
    QRectF box(13, 7, tileSize.width() - 26, tileSize.height() - 26);
    if (imageSize.isEmpty() || box.width() <= 0 || box.height() <= 0)
        return box;
    const float rW = float(imageSize.width() / box.width());
    const float rH = float(imageSize.height() / box.height());
    if (rW > rH) {
        const double height = box.height() * double(rH / rW);
        box = QRectF(box.x(), double(float(box.center().y())) - height / 2.0, box.width(), height);
    } else {
        const double width = box.width() * double(rW / rH);
        box = QRectF(double(float(box.center().x())) - width / 2.0, box.y(), width, box.height());
    }
    return box;
}

QString listImageViewItem::shortenedTitle(const QString &title, const QFontMetricsF &metrics, double width)
{
    QString shown = title;
    while (shown.size() > 2 && metrics.horizontalAdvance(shown) > width)
        shown = shown.left(shown.size() - 3) + QStringLiteral("..");
    return shown;
}

QString listImageViewItem::title() const
{
    const QFileInfo file(_path);
    return _titleWithExtension ? file.fileName() : file.completeBaseName();
}

void listImageViewItem::setTitleWithExtension(bool flag)
{
    if (flag == _titleWithExtension)
        return;
    _titleWithExtension = flag;
    QWidget::update();
}

double listImageViewItem::titleStripHeight()
{
    // At least the 12 points the card leaves, and never less than a line of the title font,
    // so that no letter is cut at the bottom.
    return std::max(12.0, std::ceil(QFontMetricsF(titleFont()).height()));
}

void listImageViewItem::drawCard(QPainter *painter)
{
    painter->save();
    const double W = width();
    const double H = height();
    const double strip = titleStripHeight();
    painter->fillRect(QRectF(6, 0, W - 12, H - strip), palette().color(QPalette::Button));
    if (!mImage.isNull()) {
        const QSizeF logical = QSizeF(mImage.size()) / mImage.devicePixelRatio();
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawImage(fittedImageRect(logical, size()), mImage);
    }
    if (_drawTitle && !_path.isEmpty()) {
        painter->setFont(titleFont());
        const QFontMetricsF metrics(titleFont());
        const QString shown = shortenedTitle(title(), metrics, W - 2);
        const double shownWidth = metrics.horizontalAdvance(shown);
        painter->setPen(palette().color(QPalette::WindowText));
        painter->drawText(QRectF((W - shownWidth) / 2.0, H - strip, shownWidth + 1, strip),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, shown);
    }
    painter->restore();
}

void listImageViewItem::drawDeleteRect(QPainter *painter)
{
    if (!_canDelete)
        return;
    const QRectF box = deleteRect();
    painter->save();
    painter->fillRect(box, Qt::white);
    painter->setPen(makePen(Qt::darkGray, 1.0));
    painter->drawRect(box);
    painter->setPen(makePen(_deleteEntered ? Qt::blue : Qt::red, 1.0));
    painter->drawLine(QPointF(box.left() + 2, box.top() + 2), QPointF(box.right() - 2, box.bottom() - 2));
    painter->drawLine(QPointF(box.left() + 2, box.bottom() - 2), QPointF(box.right() - 2, box.top() + 2));
    painter->restore();
}

void listImageViewItem::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawCard(&painter);
    drawDeleteRect(&painter);
    if (_selected) {
        painter.setPen(makePen(palette().color(QPalette::Highlight), 2.0));
        painter.drawRect(QRectF(6, 0, width() - 12, height() - titleStripHeight()).adjusted(1, 1, -1, -1));
    }
}

bool listImageViewItem::renameTo(const QString &newName)
{
    if (_path.isEmpty() || !ImageSources::isValidFileName(newName))
        return false;
    const QString destination = ImageSources::renameDestination(_path, newName);
    if (destination.isEmpty() || !QFile::rename(_path, destination))
        return false;
    _path = destination;
    update();
    return true;
}

bool listImageViewItem::confirmAndDelete()
{
    _alertOpen = true;
    // Designs refer to the file by its path: the ones that use it will miss it.
    const int answer = Prompts::current().alert(
        window(), Language::stringForKey(QStringLiteral("Please confirm you wish to delete the user image")),
        Language::stringForKey(QStringLiteral("Designs that use this picture will show it as missing.")),
        {Language::stringForKey(QStringLiteral("Delete")), Language::stringForKey(QStringLiteral("Cancel"))});
    _alertOpen = false;
    if (answer != Prompts::FirstButton || !QFile::remove(_path))
        return false;
    ScrollNSImageView *owner = _superView;
    if (owner)
        owner->removeTile(this);
    if (owner && owner->sourceChanged)
        owner->sourceChanged();
    return true;
}

void listImageViewItem::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (_superView)
        _superView->setSelectedItem(this);
    else
        setSelected(true);
    if (_canDelete && deleteRect().contains(event->position())) {
        _pressed = false;
        confirmAndDelete();
        return;
    }
    _pressed = true;
    _pressPoint = event->position();
}

void listImageViewItem::mouseMoveEvent(QMouseEvent *event)
{
    if (_canDelete) {
        const bool inside = deleteRect().contains(event->position());
        if (inside != _deleteEntered) {
            _deleteEntered = inside;
            update();
        }
    }
    if (!_pressed || !(event->buttons() & Qt::LeftButton) || !mController)
        return;
    if ((event->position() - _pressPoint).manhattanLength() < QApplication::startDragDistance())
        return;
    _pressed = false;
    startDrag();
}

void listImageViewItem::startDrag()
{
    auto *mime = new QMimeData;
    mime->setData(QString::fromLatin1(RectsView::ImageItemDragType), QByteArray());
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    if (!mImage.isNull()) {
        const QImage preview = mImage.scaled(QSize(120, 120), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        drag->setPixmap(QPixmap::fromImage(preview));
        drag->setHotSpot(QPoint(preview.width() / 2, preview.height() / 2));
    }
    drag->exec(Qt::CopyAction);
    // The browser keeps the tile as its selected item: the canvas reads it on the drop.
    _selected = false;
    update();
}

void listImageViewItem::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !_pressed)
        return;
    _pressed = false;
    setSelected(false);
    if (std::exchange(_repeatClick, false))
        return;
    if (!mController || _alertOpen || mImage.isNull())
        return;
    if (ImageSearchService::isWebAddress(_path)) {
        // A web result: its preview goes into the picture's temporary file, where the canvas
        // shows it until the full picture has arrived.
        iNternetImageLoader::initWithView(_superView)->writePreview(_path, mImage);
    }
    mController->setupNewNSImagePath(_path);
}

void listImageViewItem::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The first click of the pair already put the picture on the canvas; a double click is one
    // gesture and must not stack a second, identical object on the first.
    mousePressEvent(event);
    _repeatClick = _pressed;
}

void listImageViewItem::leaveEvent(QEvent *event)
{
    if (_deleteEntered) {
        _deleteEntered = false;
        update();
    }
    QWidget::leaveEvent(event);
}

// ---- mask tiles ----

void listMaskViewItem::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (_superView && !_superView->isBrowserEnabled())
        painter.setOpacity(0.5);
    drawCard(&painter);
}

void listMaskViewItem::mousePressEvent(QMouseEvent *event)
{
    _pressed = event->button() == Qt::LeftButton;
}

void listMaskViewItem::mouseMoveEvent(QMouseEvent *)
{
}

void listMaskViewItem::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !_pressed)
        return;
    _pressed = false;
    setSelected(false);
    if (mController && _superView && _superView->isBrowserEnabled())
        mController->setupNewNSImageMask(_path);
}

} // namespace quillmark
