#include "stock/CustomPageView.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

#include "foundation/Language.h"
#include "platform/BezierPath.h"
#include "platform/LocalNumber.h"
#include "platform/Modifiers.h"
#include "platform/PrintInfo.h"
#include "stock/CustomTypeItemView.h"
#include "stock/CustomTypesView.h"
#include "stock/EditCustomFormat.h"
#include "stock/StockFields.h"

namespace quillmark {

namespace {

const QColor SelectedFill = QColor::fromRgbF(0.47f, 0.37f, 0.82f, 1.0f);
const QColor GuideColour = QColor::fromRgbF(0.243f, 0.22f, 0.525f, 1.0f);
// At least this much of a moved shape stays on the paper, in points.
constexpr float KeptOnPaper = 5.0f;
constexpr float DuplicateStep = 3.0f;

} // namespace

CustomPageView::CustomPageView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("CustomPageView"));
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setMouseTracking(true);
    m_paperSize = PrintInfo::sharedPrintInfo().paperSize();
}

void CustomPageView::setPaperSize(const QSizeF &size)
{
    if (size.width() > 0.0 && size.height() > 0.0)
        m_paperSize = size;
    update();
}

void CustomPageView::setLabels(const std::vector<TLabelT> &labels)
{
    _labels = labels;
    _selectedLabel = -1;
    update();
}

void CustomPageView::clear()
{
    _labels.clear();
    _selectedLabel = -1;
    update();
}

TLabelT *CustomPageView::selectedLabel()
{
    if (_selectedLabel < 0 || _selectedLabel >= int(_labels.size()))
        return nullptr;
    return &_labels[size_t(_selectedLabel)];
}

void CustomPageView::selectLabelAtIndex(int index)
{
    _selectedLabel = (index >= 0 && index < int(_labels.size())) ? index : -1;
    tellEditor();
    update();
}

void CustomPageView::tellEditor()
{
    if (customFormat)
        customFormat->selectLabel();
}

// ---- units ----

float CustomPageView::convertUnits(float points) const
{
    const QString unit = StockFields::measure(rectsView);
    if (unit == QLatin1String("Inches"))
        return points / 72.0f;
    if (unit == QLatin1String("Centimeters"))
        return points * 2.54f / 72.0f;
    if (unit == QLatin1String("Picas"))
        return points * 6.0f / 72.0f;
    return points;
}

QString CustomPageView::measure() const
{
    const QString unit = StockFields::measure(rectsView);
    QString key = QStringLiteral("pt");
    if (unit == QLatin1String("Inches"))
        key = QStringLiteral("inch");
    else if (unit == QLatin1String("Centimeters"))
        key = QStringLiteral("cm");
    else if (unit == QLatin1String("Picas"))
        key = QStringLiteral("pc");
    return Language::stringForKey(key);
}

// ---- geometry ----

void CustomPageView::layoutPaper()
{
    const QRectF frame = QRectF(rect());
    const QRectF inset = frame.adjusted(10.0, 10.0, -10.0, -10.0);
    const QSizeF paper = m_paperSize;
    _paperRect.setSize(paper);
    float byWidth = float(inset.width() / paper.width());
    const float byHeight = float(inset.height() / paper.height());
    float scale = std::isnan(byWidth) ? byHeight : std::min(byWidth, byHeight);
    // A view too small to show anything keeps a scale that events can divide by.
    if (!std::isfinite(scale) || scale <= 0.0f)
        scale = 0.01f;
    _scale = scale;
    _paperRect.moveTopLeft(QPointF((frame.width() - paper.width() * _scale) / (2.0 * _scale),
                                   (frame.height() - paper.height() * _scale) / (2.0 * _scale)));
}

QPointF CustomPageView::viewPoint(const QPointF &point) const
{
    return (point + _paperRect.topLeft()) * double(_scale);
}

QPointF CustomPageView::paperPoint(const QPointF &point) const
{
    return QPointF(point.x() / _scale - _paperRect.x(), point.y() / _scale - _paperRect.y());
}

int CustomPageView::labelUnderPoint(const QPointF &point) const
{
    const QPointF q = paperPoint(point);
    int found = -1;
    for (int i = 0; i < int(_labels.size()); ++i) {
        const BezierPath path = _labels[size_t(i)].getPath();
        if (!path.isEmpty() && !path.bounds().isEmpty() && path.containsPoint(q))
            found = i;
    }
    return found;
}

void CustomPageView::moveDesignElement(float deltaX, float deltaY)
{
    TLabelT *label = selectedLabel();
    if (!label)
        return;
    const QPointF o = label->origin();
    const QSizeF s = label->size();
    float x = float(o.x()) + deltaX / _scale;
    float y = float(o.y()) + deltaY / _scale;
    x = std::min(x, float(m_paperSize.width()) - KeptOnPaper);
    x = std::max(x, KeptOnPaper - float(s.width()));
    y = std::min(y, float(m_paperSize.height()) - KeptOnPaper);
    y = std::max(y, KeptOnPaper - float(s.height()));
    label->setX(x * MillimetresPerPoint);
    label->setY(y * MillimetresPerPoint);
    update();
}

// ---- commands ----

void CustomPageView::duplicate()
{
    const TLabelT *label = selectedLabel();
    if (!label)
        return;
    TLabelT copy = *label;
    copy.setX(copy.xValue() + DuplicateStep);
    copy.setY(copy.yValue() + DuplicateStep);
    _labels.push_back(copy);
    _selectedLabel = int(_labels.size()) - 1;
    update();
    tellEditor();
}

void CustomPageView::deleteSelection()
{
    if (selectedLabel())
        _labels.erase(_labels.begin() + _selectedLabel);
    _selectedLabel = -1;
    update();
    // The editor's fields and its OK button follow the sheet: a sheet left without shapes
    // cannot be confirmed.
    tellEditor();
}

bool CustomPageView::performDrop(const QMimeData *data, const QPointF &point)
{
    const QString type = CustomTypeItemView::dragType();
    if (!data || !data->hasFormat(type))
        return true;
    layoutPaper();
    const QString name = QString::fromUtf8(data->data(type));
    if (!customTypes)
        return true;
    const QVariantList &entries = customTypes->formats();
    for (qint32 i = 0; i < entries.size(); ++i) {
        if (entries[i].toMap().value(QStringLiteral("type")).toString() != name)
            continue;
        std::optional<TLabelT> shape = customTypes->getTLabelAtIndex(i);
        // A shape without an outline could be neither seen nor picked up again.
        if (shape && !shape->getPath().bounds().isEmpty()) {
            const float w = customTypes->imageWidth();
            shape->setX((float(point.x()) / _scale - w / 2.0f - float(_paperRect.x())) * MillimetresPerPoint);
            shape->setY((float(point.y()) / _scale - w / 2.0f - float(_paperRect.y())) * MillimetresPerPoint);
            _labels.push_back(*shape);
            _selectedLabel = int(_labels.size()) - 1;
            tellEditor();
            update();
        }
        break;
    }
    return true;
}

QStringList CustomPageView::guideCaptions() const
{
    if (_selectedLabel < 0 || _selectedLabel >= int(_labels.size()))
        return {};
    const TLabelT &label = _labels[size_t(_selectedLabel)];
    const QPointF origin = label.origin();
    return {QLatin1Char(' ') + localNumber(double(convertUnits(float(origin.y())))) + QLatin1Char(' ') + measure(),
            QLatin1Char(' ') + localNumber(double(convertUnits(float(origin.x())))) + QLatin1Char(' ') + measure()};
}

// ---- drawing ----

void CustomPageView::paintEvent(QPaintEvent *)
{
    layoutPaper();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.save();
    painter.fillRect(rect(), Qt::white);
    drawPage(&painter);
    for (int i = 0; i < int(_labels.size()); ++i)
        drawLabel(&painter, _labels[size_t(i)], i == _selectedLabel);
    if (_selectedLabel >= 0)
        drawGudes(&painter);
    painter.restore();
}

void CustomPageView::drawPage(QPainter *painter)
{
    const QRectF paper(paperOrigin(), m_paperSize * double(_scale));
    // A sheet of paper lying on the table: a soft shadow below and to the right.
    for (int i = 3; i >= 1; --i)
        painter->fillRect(paper.translated(i, i), QColor(0, 0, 0, 18 * (4 - i)));
    painter->fillRect(paper, QColor(253, 253, 251));
    painter->setPen(QPen(QColor(190, 190, 190), 1.0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(paper);
}

void CustomPageView::drawLabel(QPainter *painter, const TLabelT &label, bool selected)
{
    const BezierPath path = label.getPath();
    if (path.isEmpty())
        return;
    QTransform transform;
    transform.translate(paperOrigin().x(), paperOrigin().y());
    transform.scale(_scale, _scale);
    const QPainterPath outline = path.transformed(transform).toPainterPath();
    painter->fillPath(outline, selected ? SelectedFill : QColor(Qt::lightGray));
    painter->setPen(QPen(Qt::gray, 1.0));
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(outline);
}

void CustomPageView::drawGudes(QPainter *painter)
{
    if (_selectedLabel < 0 || _selectedLabel >= int(_labels.size()))
        return;
    const BezierPath path = _labels[size_t(_selectedLabel)].getPath();
    if (path.isEmpty() || path.bounds().isEmpty())
        return;
    const QRectF b = path.transformed(QTransform::fromScale(_scale, _scale)).bounds();
    const QPointF o = paperOrigin();
    const QSizeF p = m_paperSize * double(_scale);
    const QStringList captions = guideCaptions();

    painter->save();
    QPen pen(GuideColour, 1.0);
    pen.setDashPattern({6.0, 3.0});
    pen.setCapStyle(Qt::FlatCap);
    painter->setPen(pen);
    QFont font = this->font();
    font.setPointSizeF(10.0);
    painter->setFont(font);
    const double s = _scale;

    // From the paper's top edge down to the shape, through its horizontal centre.
    const double centreX = o.x() + b.x() + b.width() / 2.0;
    painter->drawLine(QPointF(centreX, o.y()), QPointF(centreX, o.y() + b.y()));
    QPointF at(std::max(0.0, b.x() + b.width() / 2.0), std::max(0.0, b.y() / 2.0));
    if (at.y() > p.height())
        at.setY(p.height() - 15.0 * s);
    if (at.x() > p.width())
        at.setX(p.width() - 40.0 * s);
    painter->setPen(GuideColour);
    painter->drawText(QRectF(o + at, QSizeF(200.0, 40.0)), Qt::AlignLeft | Qt::AlignTop, captions.value(0));

    // From the paper's left edge to the shape, through its vertical centre.
    painter->setPen(pen);
    const double centreY = o.y() + b.y() + b.height() / 2.0;
    painter->drawLine(QPointF(o.x(), centreY), QPointF(o.x() + b.x(), centreY));
    at = QPointF(std::max(0.0, b.x() / 2.0 - 40.0 * s), std::max(0.0, b.y() + b.height() / 2.0 - 15.0 * s));
    if (at.x() > p.width())
        at.setX(p.width() - 40.0 * s);
    if (at.y() > p.height())
        at.setY(p.height() - 15.0 * s);
    painter->setPen(GuideColour);
    painter->drawText(QRectF(o + at, QSizeF(200.0, 40.0)), Qt::AlignLeft | Qt::AlignTop, captions.value(1));
    painter->restore();
}

// ---- events ----

void CustomPageView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    layoutPaper();
    setFocus(Qt::MouseFocusReason);
    _currentPoint = event->position();
    _selectedLabel = labelUnderPoint(_currentPoint);
    m_dragging = _selectedLabel >= 0;
    setCursor(m_dragging ? Qt::ClosedHandCursor : Qt::ArrowCursor);
    tellEditor();
    update();
}

void CustomPageView::mouseMoveEvent(QMouseEvent *event)
{
    layoutPaper();
    const QPointF point = event->position();
    if (event->buttons() & Qt::LeftButton) {
        if (!m_dragging)
            return;
        const QPointF delta = point - _currentPoint;
        _currentPoint = point;
        moveDesignElement(float(delta.x()), float(delta.y()));
        tellEditor();
        return;
    }
    setCursor(labelUnderPoint(point) >= 0 ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

void CustomPageView::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    setCursor(labelUnderPoint(event->position()) >= 0 ? Qt::OpenHandCursor : Qt::ArrowCursor);
    update();
}

void CustomPageView::flagsChanged(Qt::KeyboardModifiers modifiers)
{
    const unsigned flags = modifierFlags(modifiers);
    // Control is the design's key for the large step; on this desktop the Meta key is often
    // taken by the window manager, so Ctrl (the Command key) serves as well.
    if (flags & (ControlKeyMask | CommandKeyMask))
        increment = 20.0f;
    else if (flags & ShiftKeyMask)
        increment = 10.0f;
    else
        increment = 1.0f;
}

void CustomPageView::moveBy(float dx, float dy)
{
    layoutPaper();
    moveDesignElement(dx * increment * _scale, dy * increment * _scale);
    update();
    if (customFormat)
        customFormat->updateValues();
}

namespace {

// The modifiers held once the key event is through: whether the event's own modifiers count the
// modifier key being pressed or released differs between window systems.
Qt::KeyboardModifiers heldAfter(const QKeyEvent *event, bool pressed)
{
    Qt::KeyboardModifiers held = event->modifiers();
    Qt::KeyboardModifier own = Qt::NoModifier;
    switch (event->key()) {
    case Qt::Key_Shift:
        own = Qt::ShiftModifier;
        break;
    case Qt::Key_Control:
        own = Qt::ControlModifier;
        break;
    case Qt::Key_Meta:
        own = Qt::MetaModifier;
        break;
    case Qt::Key_Alt:
        own = Qt::AltModifier;
        break;
    default:
        return held;
    }
    return pressed ? (held | own) : (held & ~Qt::KeyboardModifiers(own));
}

} // namespace

void CustomPageView::keyPressEvent(QKeyEvent *event)
{
    flagsChanged(heldAfter(event, true));
    switch (event->key()) {
    case Qt::Key_Up:
        moveBy(0.0f, -1.0f);
        return;
    case Qt::Key_Down:
        moveBy(0.0f, 1.0f);
        return;
    case Qt::Key_Left:
        moveBy(-1.0f, 0.0f);
        return;
    case Qt::Key_Right:
        moveBy(1.0f, 0.0f);
        return;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        deleteSelection();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CustomPageView::keyReleaseEvent(QKeyEvent *event)
{
    flagsChanged(heldAfter(event, false));
    QWidget::keyReleaseEvent(event);
}

void CustomPageView::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasFormat(CustomTypeItemView::dragType())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CustomPageView::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasFormat(CustomTypeItemView::dragType())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CustomPageView::dropEvent(QDropEvent *event)
{
    performDrop(event->mimeData(), event->position());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setCursor(Qt::OpenHandCursor);
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

} // namespace quillmark
