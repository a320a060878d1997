#include "images/FilterView.h"

#include <QHash>
#include <QLabel>
#include <QResizeEvent>

#include "images/Autoresizing.h"
#include "images/ParameterView.h"
#include "platform/ImageFilter.h"

namespace quillmark {

using namespace Autoresizing;

FilterView::ControlKind FilterView::controlKindFor(const FilterInput &input, bool isSourceKey)
{
    const QString &cls = input.className;
    if (cls == QLatin1String("NSNumber"))
        return input.type == QLatin1String(FilterInputType::Boolean) ? CheckBoxControl : SliderControl;
    if (cls == QLatin1String("CIColor"))
        return ColorWellControl;
    if (cls == QLatin1String("CIImage"))
        return isSourceKey ? NoControl : ImageWellControl;
    if (cls == QLatin1String("NSAffineTransform"))
        return TransformControl;
    if (cls == QLatin1String("CIVector")) {
        if (input.type.isEmpty())
            return VectorControl;
        if (input.type == QLatin1String(FilterInputType::Offset))
            return OffsetControl;
        // Positions, rectangles and 3D positions are dragged in the preview.
        return NoControl;
    }
    return NoControl;
}

FilterView::FilterView(const QRect &frame, QWidget *parent)
    : EffectStackBox(parent)
{
    setObjectName(QStringLiteral("FilterView"));
    setGeometry(frame);
    m_controlLeftPosition = 2;
    m_controlTopPosition = frame.height();
    m_lastControlType = NoControl;
}

QRect FilterView::widgetFrame(int x, int y, int w, int h) const
{
    return QRect(x, height() - (y + h), w, h);
}

void FilterView::tryFilterHeader(ImageFilter *)
{
    m_controlTopPosition = height() - 46;
}

void FilterView::trimBox()
{
    const int before = m_controlTopPosition;
    m_controlTopPosition -= 3;
    if (before >= 4) {
        // The top edge stays; the height not taken by controls goes from the bottom.
        const QRect frame = geometry();
        setGeometry(frame.x(), frame.y(), frame.width(), frame.height() - m_controlTopPosition);
    }
    m_lastControlType = NoControl;
}

void FilterView::addFilterHeader(ImageFilter *, int tag, bool)
{
    m_tag = tag;
    m_controlTopPosition = height() - 15;
}

QRect FilterView::colorWellStep()
{
    const int half = (width() - 20) / 2;
    if (m_lastControlType != ColorWellControl) {
        m_colorWellOffset = m_controlLeftPosition;
    } else {
        m_controlTopPosition += 30;
        m_colorWellOffset += half;
        if (m_colorWellOffset > m_controlLeftPosition + half) {
            m_colorWellOffset = m_controlLeftPosition;
            m_controlTopPosition -= 30;
        }
    }
    const QRect frame(m_colorWellOffset, m_controlTopPosition - 26, half, 26);
    m_controlTopPosition -= 30;
    m_lastControlType = ColorWellControl;
    return frame;
}

namespace {

int heightOf(FilterView::ControlKind kind)
{
    switch (kind) {
    case FilterView::SliderControl: return 18;
    case FilterView::CheckBoxControl: return 17;
    case FilterView::ImageWellControl: return 48;
    case FilterView::TransformControl: return 68;
    case FilterView::VectorControl:
    case FilterView::OffsetControl: return 17;
    default: return 0;
    }
}

} // namespace

void FilterView::tryControl(ControlKind kind, const QString &)
{
    if (kind == NoControl || kind == TextViewControl)
        return;
    if (kind == ColorWellControl) {
        colorWellStep();
        return;
    }
    m_controlTopPosition -= heightOf(kind);
    m_lastControlType = kind;
}

ParameterView *FilterView::addControl(ControlKind kind, const QString &key)
{
    if (kind == NoControl || kind == TextViewControl)
        return nullptr;
    const int left = m_controlLeftPosition;
    const int top = m_controlTopPosition;
    const int bw = width();
    const int fw = width();
    QRect frame;
    int flags = None;
    switch (kind) {
    case SliderControl:
        frame = QRect(0, top - 18, bw - 12, 18);
        flags = Width | BottomMargin;
        break;
    case CheckBoxControl:
        frame = QRect(left, top - 16, fw - 10, 16);
        flags = RightMargin | BottomMargin;
        break;
    case ColorWellControl:
        frame = colorWellStep();
        flags = frame.x() == left ? (Width | RightMargin | BottomMargin) : (LeftMargin | Width | BottomMargin);
        break;
    case ImageWellControl:
        frame = QRect(left, top - 44, fw - 10, 44);
        flags = Width | RightMargin | BottomMargin;
        break;
    case TransformControl:
        frame = QRect(left, top - 67, fw - 10, 67);
        flags = Width | BottomMargin;
        break;
    case VectorControl:
    case OffsetControl:
        frame = QRect(left, top - 16, fw - 10, 16);
        flags = Width | BottomMargin;
        break;
    default:
        return nullptr;
    }
    auto *view = new ParameterView(this);
    view->setGeometry(widgetFrame(frame.x(), frame.y(), frame.width(), frame.height()));
    view->setDesignFrame(frame);
    Controller *controller = master();
    const std::shared_ptr<ImageFilter> shared = sharedFilter();
    switch (kind) {
    case SliderControl: view->addSliderForFilter(shared, key, controller); break;
    case CheckBoxControl: view->addCheckBoxForFilter(shared, key, controller); break;
    case ColorWellControl: view->addColorWellForFilter(shared, key, controller); break;
    case ImageWellControl: view->addImageWellForFilter(shared, key, controller); break;
    case TransformControl: view->addTransformForFilter(shared, key, controller); break;
    case VectorControl: view->addVectorForFilter(shared, key, controller); break;
    case OffsetControl: view->addOffsetForFilter(shared, key, controller); break;
    default: break;
    }
    Autoresizing::setFlags(view, flags);
    view->show();
    if (kind != ColorWellControl) {
        m_controlTopPosition -= heightOf(kind);
        m_lastControlType = kind;
    }
    update();
    return view;
}

void FilterView::resizeEvent(QResizeEvent *event)
{
    EffectStackBox::resizeEvent(event);
    resizeSubviews(this, event->oldSize());
}

void FilterView::distinguishLabels()
{
    QHash<QString, QList<QLabel *>> byShown;
    for (ParameterView *view : findChildren<ParameterView *>())
        if (QLabel *label = view->labelTextField())
            byShown[label->text()].append(label);
    for (const QList<QLabel *> &alike : std::as_const(byShown)) {
        if (alike.size() < 2)
            continue;
        // The whole texts are the labels' tips.
        QList<QStringList> words;
        for (const QLabel *label : alike)
            words.append(label->toolTip().split(QLatin1Char(' '), Qt::SkipEmptyParts));
        qsizetype common = 0;
        bool same = true;
        while (same) {
            for (const QStringList &w : words)
                if (w.size() <= common + 1 || w.at(common) != words.first().at(common))
                    same = false;
            if (same)
                ++common;
        }
        if (common == 0)
            continue;
        for (qsizetype i = 0; i < alike.size(); ++i) {
            QLabel *label = alike.at(i);
            const QString rest = words.at(i).mid(common).join(QLatin1Char(' '));
            label->setText(ParameterView::ellipsizeField(ParameterView::drawingWidth(label), label->font(), rest));
        }
    }
}

} // namespace quillmark
