#pragma once
// The shape palette beside the custom sheet: one tile per shape of the "formattypes"
// resource, two to a row, in a scrolling column. The tile size is fixed from the palette's
// width when it is made.
#include <QRect>
#include <QVariantList>
#include <QWidget>
#include <memory>
#include <optional>

#include "stock/FormatTypesReader.h"

namespace quillmark {

class CustomTypeItemView;
class EditCustomFormat;

class CustomTypesView : public QWidget
{
    Q_OBJECT
public:
    // Reads the palette resource; `reader` replaces it (tests).
    explicit CustomTypesView(QWidget *parent = nullptr, std::unique_ptr<FormatTypesReader> reader = {});
    ~CustomTypesView() override;

    // Fixes the tile size from the frame (two tiles side by side within the margins), makes
    // the tiles and lays them out. The frame must be set first.
    void awakeFromNib();

    void setEditCustomFormat(EditCustomFormat *editor) { editCustomFormat = editor; }

    // Rebuilds every tile from the reader.
    void fillDesignElements();
    // Lays the tiles out again; with keepScroll the visible part of the enclosing scroll area
    // stays where it was.
    void updateTiles(bool keepScroll);
    // The layout; with onlyIfChanged nothing happens while the frame is the one laid out.
    void recalcSubView(bool onlyIfChanged);

    const QVariantList &formats() const;
    std::optional<TLabelT> getTLabelAtIndex(qint32 index) const;
    // The tile width in view units.
    float imageWidth() const { return float(_width); }
    int tileHeight() const { return _height; }
    QList<CustomTypeItemView *> tiles() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    EditCustomFormat *editCustomFormat = nullptr;
    std::unique_ptr<FormatTypesReader> formatTypesReader;
    QRect _savedRect;
    int _height = 0;
    int _width = 0;
};

} // namespace quillmark
