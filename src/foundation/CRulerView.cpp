#include "foundation/CRulerView.h"

#include <QMetaObject>

namespace quillmark {

CRulerView::CRulerView(QWidget *parent)
    : RulerView(Horizontal, parent)
{
}

void CRulerView::setReservedThicknessForAccessoryView(double thickness)
{
    height_ = float(thickness);
    RulerView::setReservedThicknessForAccessoryView(0.0);
}

void CRulerView::setAccessoryView(QWidget *view)
{
    if (oi && oi->metaObject()->indexOfMethod("setAccessoryView(QWidget*)") >= 0)
        QMetaObject::invokeMethod(oi, "setAccessoryView", Q_ARG(QWidget *, view));
    if (view)
        view->hide();
    RulerView::setAccessoryView(view);
}

} // namespace quillmark
