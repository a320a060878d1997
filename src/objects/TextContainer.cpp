#include "objects/TextContainer.h"

#include <algorithm>

namespace quillmark {

TextContainer::TextContainer(const QSizeF &size)
    : m_size(size)
{
}

TextContainer::~TextContainer() = default;

void TextContainer::setContainerSize(const QSizeF &size)
{
    const QSizeF taken(std::max<qreal>(0.0, size.width()), std::max<qreal>(0.0, size.height()));
    if (taken == m_size)
        return;
    m_size = taken;
    changed();
}

QRectF TextContainer::lineFragmentRectForProposedRect(const QRectF &proposed, QRectF *remaining)
{
    return standardLineFragmentRect(proposed, remaining);
}

QRectF TextContainer::standardLineFragmentRect(const QRectF &proposed, QRectF *remaining) const
{
    if (remaining)
        *remaining = QRectF();
    // A line that would reach below the box does not fit at all.
    if (proposed.y() < 0.0 || proposed.y() + proposed.height() > m_size.height())
        return QRectF();
    const qreal left = std::max<qreal>(proposed.x(), 0.0);
    const qreal right = std::min<qreal>(proposed.x() + proposed.width(), m_size.width());
    if (right <= left)
        return QRectF();
    return QRectF(left, proposed.y(), right - left, proposed.height());
}

} // namespace quillmark
