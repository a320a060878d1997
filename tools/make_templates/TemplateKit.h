#pragma once
// Drawing helpers for the built-in template generator: each makes one object of the design
// through the application's own object model and adds it to the canvas's current page.
#include <QColor>
#include <QFont>
#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <QString>

#include <memory>

namespace quillmark {

class ColorRect;
class RectsView;

namespace kit {

using Graphic = std::shared_ptr<ColorRect>;

// A run of text in one style.
struct Run
{
    QString text;
    QString family = QStringLiteral("Nimbus Sans");
    double size = 10.0;
    bool bold = false;
    bool italic = false;
    QColor color = QColor(0x22, 0x22, 0x22);
    // Extra room between letters, in points.
    double spacing = 0.0;
    // Small capitals.
    bool caps = false;
};

// A paragraph: runs in order, aligned 0 left, 1 right, 2 centred.
struct Para
{
    QList<Run> runs;
    int align = 0;
};

inline Para para(const Run &run, int align = 0)
{
    return Para{{run}, align};
}

enum class VAlign { Top, Middle, Bottom };

class Kit
{
public:
    explicit Kit(RectsView *canvas);

    Graphic rect(const QRectF &frame, const QColor &fill, const QColor &stroke = QColor(), double width = 0.0);
    Graphic roundRect(const QRectF &frame, double radius, const QColor &fill, const QColor &stroke = QColor(),
                      double width = 0.0);
    Graphic oval(const QRectF &frame, const QColor &fill, const QColor &stroke = QColor(), double width = 0.0);
    Graphic shape(const QPainterPath &path, const QColor &fill, const QColor &stroke = QColor(), double width = 0.0);
    Graphic line(const QPointF &from, const QPointF &to, const QColor &color, double width, int dash = 0);
    // A linear fill from `from` to `to` at an angle in degrees (0 left to right, 90 top to bottom).
    Graphic gradient(const QRectF &frame, const QColor &from, const QColor &to, double angle);
    Graphic ovalGradient(const QRectF &frame, const QColor &inner, const QColor &outer);
    // A clip-art picture ("Animals/Bird") fitted into the box, centred, kept in proportion;
    // tinted when a colour is given.
    Graphic clipart(const QString &name, const QRectF &box, const QColor &tint = QColor());
    // A background picture ("Kraft Paper.jpg") stretched over the frame, at an opacity in
    // percent; in an oval frame it is clipped to the oval.
    Graphic background(const QString &name, const QRectF &frame, double opacity = 100.0, bool oval = false);
    // Text in a box: the box keeps its width and x, and takes the height its lines need,
    // placed at the top, the middle or the bottom of `area`.
    Graphic text(const QRectF &area, const QList<Para> &paragraphs, VAlign valign = VAlign::Top);
    // One line of text along a circle, centred on an angle (degrees clockwise from the top):
    // reading clockwise with the tops outward, or flipped to read upright along the bottom.
    Graphic ovalText(const QRectF &frame, const Run &run, double centreAngle, bool flipped);
    // An address block of the current record: name, company, street, city state zip.
    Graphic addressBlock(const QPointF &origin, const QFont &font, const QColor &color, bool withCompany = true,
                         bool withCountry = false);

    static QFont font(const Run &run);

private:
    void place(const Graphic &graphic);
    RectsView *m_canvas;
};

} // namespace kit
} // namespace quillmark
