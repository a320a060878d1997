#include "TemplateKit.h"

#include <QFontMetricsF>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include "canvas/RectsView.h"
#include "database/merge/ColorAddress.h"
#include "objects/CanvasServices.h"
#include "objects/ColorLine.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/TextFlow.h"
#include "objects/specImage.h"
#include "platform/BezierPath.h"

#include <cmath>

namespace quillmark::kit {

namespace {

void style(ColorRect &graphic, const QColor &fill, const QColor &stroke, double width)
{
    graphic.setDrawsFill(fill.isValid());
    if (fill.isValid())
        graphic.setFillColor(fill);
    graphic.setDrawsStroke(stroke.isValid() && width > 0.0);
    if (stroke.isValid()) {
        graphic.setStrokeColor(stroke);
        graphic.setStrokeLineWidth(float(width));
    }
    graphic.setDrawsShadow(false);
}

QTextCharFormat charFormat(const Run &run)
{
    QTextCharFormat format;
    format.setFont(Kit::font(run));
    format.setForeground(run.color);
    return format;
}

Qt::Alignment alignment(int align)
{
    switch (align) {
    case 1:
        return Qt::AlignRight;
    case 2:
        return Qt::AlignHCenter;
    default:
        return Qt::AlignLeft;
    }
}

} // namespace

Kit::Kit(RectsView *canvas)
    : m_canvas(canvas)
{
}

QFont Kit::font(const Run &run)
{
    QFont font(run.family);
    font.setPointSizeF(run.size);
    font.setBold(run.bold);
    font.setItalic(run.italic);
    if (run.spacing != 0.0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, run.spacing);
    if (run.caps)
        font.setCapitalization(QFont::AllUppercase);
    return font;
}

void Kit::place(const Graphic &graphic)
{
    graphic->setPageName(m_canvas->getCurrPageName());
    graphic->setObjectLayer(1);
    m_canvas->addGraphic(graphic);
}

Graphic Kit::rect(const QRectF &frame, const QColor &fill, const QColor &stroke, double width)
{
    Graphic graphic = ColorRect::create(frame);
    style(*graphic, fill, stroke, width);
    place(graphic);
    return graphic;
}

Graphic Kit::roundRect(const QRectF &frame, double radius, const QColor &fill, const QColor &stroke, double width)
{
    QPainterPath path;
    path.addRoundedRect(frame, radius, radius);
    return shape(path, fill, stroke, width);
}

Graphic Kit::oval(const QRectF &frame, const QColor &fill, const QColor &stroke, double width)
{
    Graphic graphic = ColorOval::create(frame);
    style(*graphic, fill, stroke, width);
    place(graphic);
    return graphic;
}

Graphic Kit::shape(const QPainterPath &path, const QColor &fill, const QColor &stroke, double width)
{
    std::shared_ptr<ColorPath> graphic = ColorPath::create(path.boundingRect());
    graphic->setBezierPath(BezierPath::fromPainterPath(path));
    style(*graphic, fill, stroke, width);
    place(graphic);
    return graphic;
}

Graphic Kit::line(const QPointF &from, const QPointF &to, const QColor &color, double width, int dash)
{
    const QRectF frame = QRectF(from, to).normalized();
    std::shared_ptr<ColorLine> graphic = ColorLine::create(frame);
    // A line runs along its frame's diagonal; a level or upright line has a frame of no height or width.
    graphic->setStartsAtLowerLeft((from.x() < to.x()) != (from.y() < to.y()) && from.y() != to.y()
                                  && from.x() != to.x());
    graphic->setDrawsFill(false);
    graphic->setDrawsStroke(true);
    graphic->setStrokeColor(color);
    graphic->setStrokeLineWidth(float(width));
    if (dash > 0)
        graphic->setLinePattern(dash);
    place(graphic);
    return graphic;
}

Graphic Kit::gradient(const QRectF &frame, const QColor &from, const QColor &to, double angle)
{
    Graphic graphic = rect(frame, from);
    graphic->setFillType(2);
    graphic->setFillColor2(to);
    graphic->setFillAngle(angle);
    return graphic;
}

Graphic Kit::ovalGradient(const QRectF &frame, const QColor &inner, const QColor &outer)
{
    Graphic graphic = oval(frame, inner);
    graphic->setFillType(1);
    graphic->setFillColor2(outer);
    return graphic;
}

Graphic Kit::clipart(const QString &name, const QRectF &box, const QColor &tint)
{
    Graphic graphic = ColorRect::create(box);
    style(*graphic, QColor(), QColor(), 0.0);
    if (!graphic->setImageFromPath(CanvasServices::clipartPath() + name + QStringLiteral(".svg")))
        qFatal("no clip-art %s", qPrintable(name));
    const QSizeF natural = graphic->image()->drawingSize();
    const double scale = std::min(box.width() / natural.width(), box.height() / natural.height());
    const QSizeF size = natural * scale;
    graphic->setFrameBounds(QRectF(box.center().x() - size.width() / 2.0, box.center().y() - size.height() / 2.0,
                                   size.width(), size.height()));
    graphic->setScaleWithBoxOnly(true);
    graphic->setDrawsImage(true);
    if (tint.isValid()) {
        graphic->setTintImageColor(tint);
        graphic->setTintImage(true);
    }
    place(graphic);
    return graphic;
}

Graphic Kit::background(const QString &name, const QRectF &frame, double opacity, bool oval)
{
    Graphic graphic = oval ? Graphic(ColorOval::create(frame)) : ColorRect::create(frame);
    style(*graphic, QColor(), QColor(), 0.0);
    if (!graphic->setImageFromPath(CanvasServices::backgroundPath() + name))
        qFatal("no background %s", qPrintable(name));
    graphic->setFrameBounds(frame);
    graphic->setDrawsImage(true);
    if (oval) {
        // Fitted rather than following the box, so that the oval clips the picture.
        graphic->setScaleWithBoxOnly(false);
        graphic->fitImage();
    } else {
        graphic->setScaleWithBoxOnly(true);
    }
    graphic->setImageOpacity(float(opacity));
    place(graphic);
    return graphic;
}

Graphic Kit::text(const QRectF &area, const QList<Para> &paragraphs, VAlign valign)
{
    Graphic graphic = ColorRect::create(QRectF(area.x(), area.y(), area.width(), 2000.0));
    style(*graphic, QColor(), QColor(), 0.0);
    QTextDocument document;
    QTextCursor cursor(&document);
    for (int i = 0; i < paragraphs.size(); ++i) {
        const Para &p = paragraphs[i];
        QTextBlockFormat block;
        block.setAlignment(alignment(p.align));
        const QTextCharFormat first = p.runs.isEmpty() ? QTextCharFormat() : charFormat(p.runs.first());
        if (i == 0) {
            cursor.setBlockFormat(block);
            cursor.setBlockCharFormat(first);
        } else {
            cursor.insertBlock(block, first);
        }
        for (const Run &run : p.runs)
            cursor.insertText(run.text, charFormat(run));
    }
    graphic->setContents(document);
    graphic->layoutText();
    const QRectF used = graphic->textFlow() ? graphic->textFlow()->usedRect(0) : QRectF();
    const double height = std::ceil(used.bottom() + 2.0);
    double y = area.y();
    if (valign == VAlign::Middle)
        y = area.y() + (area.height() - height) / 2.0;
    else if (valign == VAlign::Bottom)
        y = area.bottom() - height;
    graphic->setFrameBounds(QRectF(area.x(), y, area.width(), height));
    place(graphic);
    return graphic;
}

Graphic Kit::ovalText(const QRectF &frame, const Run &run, double centreAngle, bool flipped)
{
    // The text starts at the angle it is given (clockwise from the top) and runs clockwise,
    // or when flipped anticlockwise; it starts behind the line's 5 points of padding. Half
    // its length before the centre, along the circle its baseline follows, centres it.
    const QFont f = font(run);
    const double length = QFontMetricsF(f).horizontalAdvance(run.text) + 10.0;
    const double radius = frame.width() / 2.0 - (flipped ? run.size * 0.3 : run.size * 0.75);
    const double half = (length / 2.0) / radius * 180.0 / M_PI;
    const double startAngle = flipped ? centreAngle + half : centreAngle - half;
    std::shared_ptr<ColorOval> graphic = ColorOval::create(frame);
    style(*graphic, QColor(), QColor(), 0.0);
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.setBlockCharFormat(charFormat(run));
    cursor.insertText(run.text, charFormat(run));
    graphic->setContents(document);
    graphic->setTextAngle(float(startAngle));
    graphic->setTextFlip(flipped ? 1 : 0);
    place(graphic);
    return graphic;
}

Graphic Kit::addressBlock(const QPointF &origin, const QFont &font, const QColor &color, bool withCompany,
                          bool withCountry)
{
    std::shared_ptr<ColorAddress> block = ColorAddress::create(QRectF(origin, QSizeF(100, 40)));
    // Parts: 3 first name, 5 last name, 6 company, 8 address, 9 city, 10 state, 11 zip,
    // 12 country; lines break before the company, the address, the city and the country.
    TQuickAddress qa = TQuickAddress::allOff();
    for (int item : {0, 1, 3, 5, 8, 9, 10, 11, 18, 19})
        qa.setQuickAddressItem(item, true);
    if (withCompany) {
        qa.setQuickAddressItem(6, true);
        qa.setQuickAddressItem(16, true);
    }
    if (withCountry) {
        qa.setQuickAddressItem(12, true);
        qa.setQuickAddressItem(22, true);
    }
    block->setDrawsFill(false);
    block->setDrawsShadow(false);
    block->setQa(qa);
    block->setTextSize(font);
    block->setTextColor(color);
    place(block);
    // Measured with the record shown, as the preview shows it.
    block->updateContents(nullptr);
    return block;
}

} // namespace quillmark::kit
