#include "database/PropertyView.h"

namespace quillmark {

PropertyView::PropertyView(const QString &identifier, const QString &title, QWidget *parent)
    : QWidget(parent), _title(title)
{
    setObjectName(identifier);
    setFixedSize(205, 120);
}

} // namespace quillmark
