#pragma once
// A grid stock: a sheet of equal labels in rows and columns, every length in inches.
#include <QRectF>
#include <QString>
#include <QVariantMap>

class QPageSize;

namespace quillmark {

class BezierPath;

class TLabel
{
public:
    // A sheet of 2 x 5 labels of 4 x 2 inches named by the translation of "Untitled".
    TLabel();

    // Fields are public: the canvas, the editors and the stores read and write them directly.
    QString name;
    float width = 4.0f;
    float height = 2.0f;
    float top_margin = 0.15f;
    float left_margin = 0.15f;
    float vert_distance = 0.2f;
    float hor_distance = 0.2f;
    float hole = 0.0f;
    qint16 num_label = 2;
    qint16 num_downlabel = 5;
    qint16 units = 1;
    qint16 deleted = 0;
    float round_param = 0.0f;
    qint16 shape = 1;
    // The paper the sheet is cut on, as the paper format list names it ("Letter", "A4");
    // empty when the stock does not say (custom grids made before, converted grids). Not
    // one of the thirteen fields: it takes no part in comparing or describing a stock.
    QString paper;

    enum Shape : qint16 { Rectangle = 1, RoundedRectangle = 2, Oval = 3 };

    QString getname() const { return name; }
    float getwidth() const { return width; }
    float getheight() const { return height; }
    float gettop_margin() const { return top_margin; }
    float getleft_margin() const { return left_margin; }
    float getvert_distance() const { return vert_distance; }
    float gethor_distance() const { return hor_distance; }
    float getround_param() const { return round_param; }
    qint16 getnum_label() const { return num_label; }
    qint16 getnum_downlabel() const { return num_downlabel; }
    qint16 getunits() const { return units; }
    qint16 getdeleted() const { return deleted; }
    qint16 getshape() const { return shape; }

    void setname(const QString &value) { name = value; }
    void setwidth(float value) { width = value; }
    void setheight(float value) { height = value; }
    void settop_margin(float value) { top_margin = value; }
    void setleft_margin(float value) { left_margin = value; }
    void setvert_distance(float value) { vert_distance = value; }
    void sethor_distance(float value) { hor_distance = value; }
    void setround_param(float value) { round_param = value; }
    void setnum_label(qint16 value) { num_label = value; }
    void setnum_downlabel(qint16 value) { num_downlabel = value; }
    void setunits(qint16 value) { units = value; }
    void setdeleted(qint16 value) { deleted = value; }
    void setshape(qint16 value) { shape = value; }

    QString getpaper() const { return paper; }
    void setpaper(const QString &value) { paper = value; }
    // The page size of `paper`; invalid when the paper is not known.
    QPageSize pageSize() const;

    QString getName() const { return name; }
    const TLabel &getLabel() const { return *this; }

    // Positions are numbered row by row from the top-left label.
    int positionCount() const;
    int positionIndex(int column, int row) const { return row * num_label + column; }
    // The label at a column and row, in inches from the top-left corner of the sheet.
    QRectF labelRect(int column, int row) const;

    // The outline of the label at a column and row in page points, as the preview draws
    // it: oval, rounded rectangle or rectangle by `shape`, with the centre hole left empty
    // (even-odd rule). An unknown shape code gives an empty path.
    BezierPath outlinePath(int column, int row) const;

    // The thirteen entries that the log text shows; the hole is not among them.
    QVariantMap descriptionDictionary() const;
    QString description() const;
};

} // namespace quillmark
