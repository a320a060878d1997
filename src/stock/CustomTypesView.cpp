#include "stock/CustomTypesView.h"

#include <QPainter>
#include <QPaintEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <cmath>

#include "stock/CustomTypeItemView.h"

namespace quillmark {

CustomTypesView::CustomTypesView(QWidget *parent, std::unique_ptr<FormatTypesReader> reader)
    : QWidget(parent)
    , formatTypesReader(reader ? std::move(reader) : std::make_unique<FormatTypesReader>())
{
    setObjectName(QStringLiteral("CustomTypesView"));
}

CustomTypesView::~CustomTypesView() = default;

void CustomTypesView::awakeFromNib()
{
    _savedRect = QRect();
    const QRect frame = geometry();
    _width = std::max(1, int(std::floor((frame.x() + frame.width() - 30 - 15) / 2.0)));
    _height = _width;
    fillDesignElements();
    updateTiles(false);
}

QList<CustomTypeItemView *> CustomTypesView::tiles() const
{
    return findChildren<CustomTypeItemView *>(QString(), Qt::FindDirectChildrenOnly);
}

void CustomTypesView::fillDesignElements()
{
    const QList<CustomTypeItemView *> old = tiles();
    for (auto it = old.crbegin(); it != old.crend(); ++it)
        delete *it;
    if (formatTypesReader) {
        for (qint32 i = 0; i < formatTypesReader->count(); ++i) {
            const std::optional<TLabelT> shape = formatTypesReader->getTLabelAtIndex(i);
            if (!shape)
                continue;
            auto *tile = new CustomTypeItemView(this);
            tile->setGeometry(0, 0, _width, _height);
            tile->setDesignElement(shape);
            tile->show();
        }
    }
    updateTiles(false);
    update();
}

void CustomTypesView::updateTiles(bool keepScroll)
{
    QScrollArea *scroller = nullptr;
    for (QWidget *up = parentWidget(); up && !scroller; up = up->parentWidget())
        scroller = qobject_cast<QScrollArea *>(up);
    const int scrolledTo = scroller ? scroller->verticalScrollBar()->value() : 0;
    recalcSubView(false);
    if (keepScroll && scroller)
        scroller->verticalScrollBar()->setValue(scrolledTo);
}

void CustomTypesView::recalcSubView(bool onlyIfChanged)
{
    const QRect frame = geometry();
    if (onlyIfChanged && frame == _savedRect)
        return;
    _savedRect = frame;
    const QList<CustomTypeItemView *> all = tiles();
    if (all.isEmpty() || _width <= 0)
        return;
    int columns = int(std::floor((0.3 * _width + frame.width()) / (_width + 10)));
    if (columns < 1)
        columns = 1;
    const int rows = int((all.size() + columns - 1) / columns);
    int height = (_height + 15) * rows + 15;
    if (parentWidget() && parentWidget()->height() > height)
        height = parentWidget()->height();
    resize(frame.width(), height);
    _savedRect = geometry();
    for (int i = 0; i < all.size(); ++i) {
        const int column = i % columns;
        const int row = i / columns;
        all[i]->setGeometry(10 + column * (10 + _width), 15 + row * (_height + 15), _width, _height);
    }
}

const QVariantList &CustomTypesView::formats() const
{
    static const QVariantList none;
    return formatTypesReader ? formatTypesReader->formats() : none;
}

std::optional<TLabelT> CustomTypesView::getTLabelAtIndex(qint32 index) const
{
    if (!formatTypesReader)
        return std::nullopt;
    return formatTypesReader->getTLabelAtIndex(index);
}

void CustomTypesView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
}

} // namespace quillmark
