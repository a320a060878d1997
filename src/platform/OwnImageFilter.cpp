#include "platform/OwnImageFilter.h"

#include "platform/FilterExtent.h"

namespace quillmark {

OwnImageFilter::OwnImageFilter(QString name, QString displayName, QStringList categories)
    : DescribedImageFilter(std::move(name), std::move(displayName), std::move(categories))
{
}

FilterImage OwnImageFilter::outputImage() const
{
    if (!m_output || !hasAllImages())
        return {};
    return m_output(*this);
}

QImage OwnImageFilter::renderPixels(const QRect &rect,
                                    const std::function<QRgb(double x, double y)> &pixel)
{
    QImage out = FilterExtent::transparent(rect.size());
    if (out.isNull())
        return out;
    for (int row = 0; row < rect.height(); ++row) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(row));
        // Row 0 is the top of the rectangle.
        const double y = rect.y() + rect.height() - 1 - row + 0.5;
        for (int column = 0; column < rect.width(); ++column)
            line[column] = pixel(rect.x() + column + 0.5, y);
    }
    return out;
}

FilterEntry ownEntry(std::function<std::unique_ptr<OwnImageFilter>()> make)
{
    const std::unique_ptr<OwnImageFilter> probe = make();
    return FilterEntry{probe->name(), probe->displayName(), probe->categories(),
                       [make] { return std::unique_ptr<ImageFilter>(make()); }};
}

QList<FilterEntry> ownFilterEntries()
{
    return ownGeneratorEntries() + ownGeometryEntries() + ownDistortionEntries()
           + ownHalftoneEntries() + ownStyleEntries()
           + ownTransitionEntries();
}

} // namespace quillmark
