#pragma once
// The container of text set along an oval: each line is one fragment as long as the oval it
// sits on, less 10 points. Lines further down lie on smaller concentric ovals, so each line
// holds less text than the one before.
#include <QRectF>
#include <QSizeF>

#include "objects/TextContainer.h"

namespace quillmark {

class NSTextOvalContainer : public TextContainer
{
public:
    explicit NSTextOvalContainer(const QSizeF &size = QSizeF());

    bool isSimpleRectangularTextContainer() const override { return false; }

    // Takes the object's frame (only its size is used); null gives the zero rectangle.
    void setGraphicObject(ColorRect *object);
    ColorRect *graphicObject() const { return colorOval; }
    QRectF ovalRect() const { return rect; }

    QRectF lineFragmentRectForProposedRect(const QRectF &proposed, QRectF *remaining) override;

    // The length of the oval of the given size flattened at 0.1 point, summed in single
    // precision.
    static float ovalPerimeter(const QSizeF &size);

private:
    QRectF rect;
    ColorRect *colorOval = nullptr;
};

} // namespace quillmark
