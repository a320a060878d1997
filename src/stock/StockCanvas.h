#pragma once
// What the stock models, the stock preview and the stock editors ask of the canvas. The
// canvas lives in a higher subsystem, so the stock side sees it only through this interface;
// tests hand in small fakes.
#include <QByteArray>
#include <QString>

namespace quillmark {

class TFormat;
class TLabel;

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

    // The current grid record (inches) and free-layout stock (null when none).
    virtual const TLabel &getLabel() const = 0;
    virtual const TFormat *getTFormat() const = 0;
    // The per-position print flags: one byte per label position, 0 prints, non-zero is
    // skipped. The preview writes 0 and 1 into it in place.
    virtual QByteArray &getEnableLabelFlags() = 0;
    // Told after the preview changed the flags: they are part of the design.
    virtual void enableLabelFlagsDidChange() {}
    // The unit lengths are shown in: "Inches", "Centimeters", "Points" or "Picas".
    virtual QString measure() = 0;
};

} // namespace quillmark
