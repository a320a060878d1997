#pragma once
// The sheet of the custom format editor: the paper scaled into the view, every label shape
// of the format at its place, and for the selected shape two dashed guides with its
// distances from the paper's top and left edges in the user's unit. Shapes are selected by
// a click, moved by dragging or with the arrow keys (1 point, 10 with Shift, 20 with
// Control), deleted with the delete keys, duplicated, and added by dropping a palette tile.
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QWidget>
#include <vector>

#include "stock/TLabelT.h"

class QMimeData;

namespace quillmark {

class CustomTypesView;
class EditCustomFormat;
class StockCanvas;

class CustomPageView : public QWidget
{
    Q_OBJECT
public:
    // Millimetres per page point, rounded to single precision as the shapes store them.
    static constexpr float MillimetresPerPoint = 0.35277778f;

    explicit CustomPageView(QWidget *parent = nullptr);

    void setCustomTypes(CustomTypesView *palette) { customTypes = palette; }
    void setCustomFormat(EditCustomFormat *editor) { customFormat = editor; }
    void setRectsView(StockCanvas *canvas) { rectsView = canvas; }

    // The paper the shapes are laid out on, in points.
    QSizeF paperSize() const { return m_paperSize; }
    void setPaperSize(const QSizeF &size);

    // Takes copies of the shapes and clears the selection.
    void setLabels(const std::vector<TLabelT> &labels);
    void clear();
    const std::vector<TLabelT> &labels() const { return _labels; }
    // The selected shape, or null.
    TLabelT *selectedLabel();
    int selectedIndex() const { return _selectedLabel; }
    // Selects the shape at an index (-1 for none); the editor is told.
    void selectLabelAtIndex(int index);
    // The selected shape changed from outside (the editor's fields): redraw.
    void labelDidChange() { update(); }

    // Copies the selected shape 3 mm right and down and selects the copy.
    void duplicate();
    // Removes the selected shape.
    void deleteSelection();

    // A length in points in the canvas's unit, and that unit's abbreviation.
    float convertUnits(float points) const;
    QString measure() const;

    float getScale() const { return _scale; }
    // The paper's corner in view coordinates, after the last layout.
    QPointF paperOrigin() const { return _paperRect.topLeft() * double(_scale); }
    // Lays the paper out in the view (done before every drawing and every event).
    void layoutPaper();
    // A point of the paper (points) in view coordinates, and back.
    QPointF viewPoint(const QPointF &paperPoint) const;
    QPointF paperPoint(const QPointF &viewPoint) const;

    // The index of the topmost shape under a point of the view, or -1.
    int labelUnderPoint(const QPointF &point) const;
    // Moves the selected shape by a distance in view units; at least 5 points of it stay on
    // the paper.
    void moveDesignElement(float deltaX, float deltaY);
    // The keyboard step in points: 1, 10 with Shift, 20 with Control.
    float keyIncrement() const { return increment; }

    // The drop of palette data at a point of the view: adds the palette shape of that type
    // there. YES when the data was taken (whether or not a shape was added).
    bool performDrop(const QMimeData *data, const QPointF &point);

    // The captions of the selected shape's guides (its distance from the top edge, then
    // from the left edge); empty without a selection. What the guides say: " 2.54 cm".
    QStringList guideCaptions() const;

    QSize sizeHint() const override { return QSize(420, 520); }
    QSize minimumSizeHint() const override { return QSize(200, 240); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void drawPage(QPainter *painter);
    void drawLabel(QPainter *painter, const TLabelT &label, bool selected);
    void drawGudes(QPainter *painter);
    void flagsChanged(Qt::KeyboardModifiers modifiers);
    void moveBy(float dx, float dy);
    void tellEditor();

    CustomTypesView *customTypes = nullptr;
    EditCustomFormat *customFormat = nullptr;
    StockCanvas *rectsView = nullptr;
    std::vector<TLabelT> _labels;
    int _selectedLabel = -1;
    QPointF _currentPoint;
    bool m_dragging = false;
    QRectF _paperRect;
    QSizeF m_paperSize;
    float _scale = 1.0f;
    float increment = 1.0f;
};

} // namespace quillmark
