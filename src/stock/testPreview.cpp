#include "stock/testPreview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include <algorithm>
#include <cmath>

#include "foundation/Measures.h"
#include "platform/Appearance.h"
#include "platform/Modifiers.h"
#include "platform/PrintInfo.h"
#include "stock/StockCanvas.h"
#include "stock/StockConversions.h"
#include "stock/TFormat.h"
#include "stock/TLabel.h"
#include "stock/TLabelT.h"

namespace quillmark {

namespace {

// Below this height the sheet would be too small to see or to click.
constexpr double MinimumAreaHeight = 25.0;

} // namespace

testPreview::testPreview(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("testPreview"));
    mPaperSize = PrintInfo::sharedPrintInfo().paperSize();
}

void testPreview::setMode(int mode)
{
    mMode = mode;
    mPaperSize = PrintInfo::sharedPrintInfo().paperSize();
    update();
}

float testPreview::calcScale(const QRectF &rect) const
{
    if (rect.width() <= 0.0 || rect.height() <= 0.0)
        return 1.0f;
    return float(std::max(mPaperSize.width() / rect.width(), mPaperSize.height() / rect.height()));
}

QRectF testPreview::drawingArea() const
{
    return QRectF(rect()).adjusted(1.0, 1.0, -1.0, -1.0);
}

bool testPreview::layoutPage()
{
    const QRectF area = drawingArea();
    if (!mainView || area.height() < MinimumAreaHeight)
        return false;
    mPaperSize = PrintInfo::sharedPrintInfo().paperSize();
    if (mPaperSize.width() <= 0.0 || mPaperSize.height() <= 0.0)
        return false;
    const float s = calcScale(area);
    mScaleH = s;
    const QSizeF page(mPaperSize.width() / s, mPaperSize.height() / s);
    mPageRect = QRectF(area.topLeft() + QPointF((area.width() - page.width()) / 2.0, (area.height() - page.height()) / 2.0),
                       page);
    return true;
}

void testPreview::paintEvent(QPaintEvent *)
{
    // The layout always follows the whole view: a partial redraw must not fit the paper into
    // the part being redrawn.
    if (!layoutPage())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.save();
    drawPage(&painter);
    // The browser shows every stock it applies in free-layout mode: a grid stock is shown
    // there too, so the positions a click switches can be seen.
    if (mMode == FreeLayout && mainView->getTFormat())
        drawTFormat(&painter);
    else if (mMode == FreeLayout || mMode == GridRecord)
        drawTLabel(&painter, mainView->getLabel());
    painter.restore();
}

void testPreview::drawPage(QPainter *painter)
{
    const QColor fill = isDarkAppearance() ? QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.5f) : QColor(Qt::white);
    painter->fillRect(mPageRect, fill);
    painter->setPen(QPen(Qt::black, 1.0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(mPageRect);
}

BezierPath testPreview::getLabelPath(const TLabel &label, const QPointF &offset, float scale)
{
    const QRectF rect(offset, QSizeF(double(label.width) * 72.0 / scale, double(label.height) * 72.0 / scale));
    BezierPath path;
    switch (label.shape) {
    case TLabel::Oval:
        path.appendOvalInRect(rect);
        break;
    case TLabel::RoundedRectangle:
        path = cornerRoundedRectPath(rect, float(double(label.round_param) * 72.0 / scale));
        break;
    case TLabel::Rectangle:
        path.appendRect(rect);
        break;
    default:
        return path;
    }
    if (label.hole != 0.0f)
        appendCentreHole(path, rect, double(label.hole) * 72.0 / scale);
    return path;
}

TLabel testPreview::labelForShape(const TFormat &format, const TLabelT &shape)
{
    TLabel label;
    label.name = format.name;
    label.width = float(shape.widthValue() / MillimetresPerInch);
    label.height = float(shape.heightValue() / MillimetresPerInch);
    label.top_margin = float(shape.yValue() / MillimetresPerInch);
    label.left_margin = float(shape.xValue() / MillimetresPerInch);
    label.num_label = 1;
    label.num_downlabel = 1;
    label.vert_distance = 1.0f;
    label.hor_distance = 1.0f;
    label.units = 1;
    label.deleted = 0;
    label.hole = float(shape.holeValue() / MillimetresPerInch);
    label.round_param = float(shape.radiusValue() / MillimetresPerInch);
    if (shape.isRound())
        label.shape = TLabel::Oval;
    else if (shape.radiusValue() > 0.0f)
        label.shape = TLabel::RoundedRectangle;
    else
        label.shape = TLabel::Rectangle;
    return label;
}

void testPreview::drawLabel(QPainter *painter, const TLabel &label, const QPointF &offset, float scale, bool enable)
{
    const BezierPath path = getLabelPath(label, offset, scale);
    if (path.isEmpty())
        return;
    const bool dark = isDarkAppearance();
    QPainterPath outline = path.toPainterPath();
    if (!enable)
        painter->fillPath(outline, dark ? QColor::fromRgbF(0.5f, 0.5f, 0.5f) : QColor::fromRgbF(0.9f, 0.9f, 0.9f));
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(dark ? QColor(Qt::white) : QColor(Qt::darkGray), 1.0));
    painter->drawPath(outline);
}

bool testPreview::positionOff(int index) const
{
    const QByteArray &flags = mainView->getEnableLabelFlags();
    return index < flags.size() && flags.at(index) != '\0';
}

void testPreview::drawTFormat(QPainter *painter)
{
    const TFormat *format = mainView->getTFormat();
    if (!format)
        return;
    const float s = float(mScaleH);
    for (int i = 0; i < int(format->labels.size()); ++i) {
        const TLabel label = labelForShape(*format, format->labels[size_t(i)]);
        const QPointF at(mPageRect.x() + double(label.left_margin) * 72.0 / s,
                         mPageRect.y() + double(label.top_margin) * 72.0 / s);
        drawLabel(painter, label, at, s, !positionOff(i));
    }
}

QPointF testPreview::gridCellOrigin(const TLabel &label, int column, int row) const
{
    // Row 0 at the top of the sheet, as the sheet is printed.
    const double s = mScaleH;
    return QPointF(mPageRect.x() + (double(label.left_margin) + column * double(label.width + label.hor_distance)) * 72.0 / s,
                   mPageRect.y() + (double(label.top_margin) + row * double(label.height + label.vert_distance)) * 72.0 / s);
}

void testPreview::drawTLabel(QPainter *painter, const TLabel &label)
{
    painter->save();
    painter->setClipRect(mPageRect);
    const int across = std::max(0, int(label.num_label));
    const int down = std::max(0, int(label.num_downlabel));
    for (int column = 0; column < across; ++column)
        for (int row = 0; row < down; ++row)
            drawLabel(painter, label, gridCellOrigin(label, column, row), float(mScaleH),
                      !positionOff(label.positionIndex(column, row)));
    painter->restore();
}

QRectF testPreview::labelRectAt(int position) const
{
    if (!mainView || position < 0)
        return {};
    const double s = mScaleH;
    if (const TFormat *format = mainView->getTFormat(); format && mMode != GridRecord) {
        if (position >= int(format->labels.size()))
            return {};
        const TLabel label = labelForShape(*format, format->labels[size_t(position)]);
        return QRectF(mPageRect.x() + double(label.left_margin) * 72.0 / s, mPageRect.y() + double(label.top_margin) * 72.0 / s,
                      double(label.width) * 72.0 / s, double(label.height) * 72.0 / s);
    }
    const TLabel &label = mainView->getLabel();
    if (label.num_label < 1 || position >= label.positionCount())
        return {};
    return QRectF(gridCellOrigin(label, position % label.num_label, position / label.num_label),
                  QSizeF(double(label.width) * 72.0 / s, double(label.height) * 72.0 / s));
}

void testPreview::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !mainView)
        return;
    const unsigned modifiers = modifierFlags(event->modifiers());
    if (mainView->getTFormat())
        getLabelCellFormat(event->position(), modifiers);
    else
        getLabelCell(event->position(), modifiers);
}

void testPreview::getLabelCellFormat(const QPointF &point, unsigned modifiers)
{
    const TFormat *format = mainView->getTFormat();
    if (!format || !layoutPage())
        return;
    const float s = float(mScaleH);
    for (int i = 0; i < int(format->labels.size()); ++i) {
        const TLabel label = labelForShape(*format, format->labels[size_t(i)]);
        const QPointF at(mPageRect.x() + double(label.left_margin) * 72.0 / s,
                         mPageRect.y() + double(label.top_margin) * 72.0 / s);
        // A point inside a disc's hole is not on the label.
        if (getLabelPath(label, at, s).containsPoint(point)) {
            switchPositions(i, int(format->labels.size()), modifiers);
            break;
        }
    }
    update();
}

void testPreview::getLabelCell(const QPointF &point, unsigned modifiers)
{
    if (!layoutPage())
        return;
    const TLabel &label = mainView->getLabel();
    const QSizeF cell(double(label.width) * 72.0 / mScaleH, double(label.height) * 72.0 / mScaleH);
    const int across = std::max(0, int(label.num_label));
    const int down = std::max(0, int(label.num_downlabel));
    for (int row = 0; row < down; ++row) {
        for (int column = 0; column < across; ++column) {
            if (QRectF(gridCellOrigin(label, column, row), cell).contains(point)) {
                switchPositions(label.positionIndex(column, row), label.positionCount(), modifiers);
                update();
                return;
            }
        }
    }
    update();
}

void testPreview::switchPositions(int index, int count, unsigned modifiers)
{
    QByteArray &flags = mainView->getEnableLabelFlags();
    // The canvas sizes the buffer by its stock; a shorter one is read as "prints" past its end.
    if (flags.size() < count)
        flags.append(QByteArray(count - flags.size(), '\0'));
    if (index < 0 || index >= flags.size())
        return;
    char *bytes = flags.data();
    const int size = int(flags.size());
    if (modifiers & ShiftKeyMask) {
        const char *first = std::find_if(bytes, bytes + size, [](char byte) { return byte != '\0'; });
        if (first == bytes + size) {
            bytes[index] = 1;
        } else {
            // From the first position switched off to the clicked one: off; every other: on.
            const int from = int(first - bytes);
            for (int i = 0; i < size; ++i)
                bytes[i] = (i >= from && i <= index) ? 1 : 0;
        }
    } else if (modifiers & CommandKeyMask) {
        // Printing starts at the clicked label: a sheet used in part before.
        for (int i = 0; i < size; ++i)
            bytes[i] = i < index ? 1 : 0;
    } else {
        bytes[index] = bytes[index] == '\0' ? 1 : 0;
    }
    mainView->enableLabelFlagsDidChange();
}

} // namespace quillmark
