#include "images/Autoresizing.h"

#include <QVariant>
#include <QWidget>

namespace quillmark::Autoresizing {

namespace {

const char *const kMaskProperty = "qmAutoresizingMask";

// Shares `delta` among the flexible parts of one axis, in proportion to their sizes; equally
// when the flexible parts have no size.
void share(double delta, bool flexible[3], double parts[3])
{
    double total = 0;
    int count = 0;
    for (int i = 0; i < 3; ++i)
        if (flexible[i]) {
            total += qMax(0.0, parts[i]);
            ++count;
        }
    if (count == 0)
        return;
    for (int i = 0; i < 3; ++i) {
        if (!flexible[i])
            continue;
        const double weight = total > 0 ? qMax(0.0, parts[i]) / total : 1.0 / count;
        parts[i] += delta * weight;
    }
}

} // namespace

void setFlags(QWidget *widget, int mask)
{
    if (widget)
        widget->setProperty(kMaskProperty, mask);
}

int flags(const QWidget *widget)
{
    const QVariant value = widget ? widget->property(kMaskProperty) : QVariant();
    return value.isValid() ? value.toInt() : None;
}

void resizeSubviews(QWidget *parent, const QSize &oldSize)
{
    if (!parent || !oldSize.isValid())
        return;
    const QSize newSize = parent->size();
    if (newSize == oldSize)
        return;
    for (QObject *object : parent->children()) {
        auto *child = qobject_cast<QWidget *>(object);
        if (!child || child->isWindow())
            continue;
        const int flags = Autoresizing::flags(child);
        if (flags == None)
            continue;
        const QRect frame = child->geometry();
        double h[3] = {double(frame.x()), double(frame.width()),
                       double(oldSize.width() - frame.x() - frame.width())};
        bool hf[3] = {bool(flags & LeftMargin), bool(flags & Width), bool(flags & RightMargin)};
        share(newSize.width() - oldSize.width(), hf, h);
        double v[3] = {double(frame.y()), double(frame.height()),
                       double(oldSize.height() - frame.y() - frame.height())};
        bool vf[3] = {bool(flags & TopMargin), bool(flags & Height), bool(flags & BottomMargin)};
        share(newSize.height() - oldSize.height(), vf, v);
        child->setGeometry(qRound(h[0]), qRound(v[0]), qMax(0, qRound(h[1])), qMax(0, qRound(v[1])));
    }
}

} // namespace quillmark::Autoresizing
