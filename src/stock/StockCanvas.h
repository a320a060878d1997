#pragma once
// What the stock models ask of the canvas. The canvas lives in a higher subsystem, so the
// stock side sees it only through this interface; tests hand in small fakes.
#include <QString>

namespace quillmark {

class StockCanvas
{
public:
    virtual ~StockCanvas() = default;

    // YES when the canvas shows one design page per label type, NO for one page per label.
    virtual bool drawByType() const = 0;
    // The stock-format browser's search text; may be empty.
    virtual QString getFormatFilter() const = 0;
    // Restores the stock chosen last in the browser (after the catalogue view changed).
    virtual void selectLabelFormat(bool flag) = 0;
};

} // namespace quillmark
