// Makes the built-in design templates (resources/Brenholt/Quillmark/Templates) with the
// application's own canvas and objects: each design is drawn on the canvas at the size of the
// label sheet it is made for and saved as the canvas saves a user's template.
//
//   cmake -S . -B build-tools -G Ninja -DQM_TESTS=OFF -DQM_TEMPLATE_GENERATOR=ON
//   cmake --build build-tools --target make_templates
//   QT_QPA_PLATFORM=offscreen build-tools/make_templates [templates folder] [--sheet previews.png]
//
// Not part of the build or the tests: the files it writes are kept in the repository.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cmath>
#include <functional>

#include "TemplateKit.h"
#include "app/AllKinds.h"
#include "canvas/RectsView.h"
#include "canvas/TemplateFile.h"
#include "database/store/Database.h"
#include "foundation/LanguageControls.h"
#include "foundation/SegmentedControl.h"
#include "objects/ColorRect.h"
#include "platform/Bundle.h"
#include "platform/PropertyList.h"

using namespace quillmark;
using namespace quillmark::kit;

namespace {

// Label sizes in points, from the makers' published sheets.
const QSizeF Address(189, 72);      // 2 5/8 x 1 in, 30 per sheet (5160)
const QSizeF Return(126, 36);       // 1 3/4 x 1/2 in, 80 per sheet (5167)
const QSizeF Shipping(288, 144);    // 4 x 2 in, 10 per sheet (5163)
const QSizeF ShippingLarge(288, 240); // 4 x 3 1/3 in, 6 per sheet (5164)
const QSizeF Badge(243, 168);       // 3 3/8 x 2 1/3 in, 8 per sheet (5395)
const QSizeF Card(252, 144);        // 3 1/2 x 2 in, 10 per sheet (5371)
const QSizeF Disc(333, 333);        // 4 5/8 in diameter, 2 per sheet (5931)
const QSizeF Folder(247.5, 48);     // 3 7/16 x 2/3 in, 30 per sheet (5366)

QSizeF turned(const QSizeF &size)
{
    return size.transposed();
}

QColor c(const char *hex, int alpha = 255)
{
    QColor color(QString::fromLatin1(hex));
    color.setAlpha(alpha);
    return color;
}

const QColor White(Qt::white);

Run run(const QString &text, const QString &family, double size, const QColor &color, bool bold = false,
        bool italic = false, double spacing = 0.0)
{
    Run r;
    r.text = text;
    r.family = family;
    r.size = size;
    r.color = color;
    r.bold = bold;
    r.italic = italic;
    r.spacing = spacing;
    return r;
}

const QString Sans = QStringLiteral("Nimbus Sans");
const QString Narrow = QStringLiteral("Nimbus Sans Narrow");
const QString Serif = QStringLiteral("Nimbus Roman");
const QString Palatino = QStringLiteral("P052");
const QString Times = QStringLiteral("Nimbus Roman");
const QString Gothic = QStringLiteral("URW Gothic");
const QString Bookman = QStringLiteral("URW Bookman");
const QString Script = QStringLiteral("Z003");

// Text rotated a quarter turn to read upwards, centred on a point.
Graphic upright(Kit &k, const QPointF &centre, double length, const QList<Para> &paragraphs, double height)
{
    Graphic g = k.text(QRectF(centre.x() - length / 2.0, centre.y() - height / 2.0, length, height), paragraphs,
                       VAlign::Middle);
    const QRectF f = g->frameBounds();
    g->setFrameBounds(QRectF(centre.x() - f.width() / 2.0, centre.y() - f.height() / 2.0, f.width(), f.height()));
    g->setAngle(270.0f, false);
    return g;
}

// The lines of a sender's address.
QList<Para> sender(const QString &family, double size, const QColor &color, int align = 0, bool boldName = true)
{
    return {para(run(QStringLiteral("Jordan Ellis"), family, size + 0.5, color, boldName), align),
            para(run(QStringLiteral("1428 Maple Avenue"), family, size, color), align),
            para(run(QStringLiteral("Springfield, IL 62704"), family, size, color), align)};
}

// Diagonal stripes along a band, alternating two colours.
void airmailStripes(Kit &k, const QRectF &band, const QColor &a, const QColor &b)
{
    QPainterPath first;
    QPainterPath second;
    const double step = 9.0;
    int i = 0;
    for (double x = band.left() - band.height(); x < band.right(); x += step, ++i) {
        QPolygonF stripe;
        stripe << QPointF(std::max(x, band.left()), band.bottom());
        stripe << QPointF(x + band.height(), band.top());
        stripe << QPointF(x + band.height() + step * 0.55, band.top());
        stripe << QPointF(x + step * 0.55, band.bottom());
        QPainterPath piece;
        piece.addPolygon(stripe);
        piece.closeSubpath();
        QPainterPath clip;
        clip.addRect(band);
        piece = piece.intersected(clip);
        (i % 2 ? second : first).addPath(piece);
    }
    k.shape(first, a);
    k.shape(second, b);
}

// Places an address block so that it lies in the area, vertically centred, at the left or
// centred.
Graphic address(Kit &k, const QRectF &area, const QFont &font, const QColor &color, bool centred = false,
                bool company = true)
{
    Graphic block = k.addressBlock(area.topLeft(), font, color, company);
    const QRectF f = block->frameBounds();
    const double x = centred ? area.center().x() - f.width() / 2.0 : area.x();
    block->setFrameBounds(QRectF(x, area.center().y() - f.height() / 2.0, f.width(), f.height()));
    return block;
}

QFont fontOf(const QString &family, double size, bool bold = false, bool italic = false)
{
    QFont font(family);
    font.setPointSizeF(size);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

struct Design
{
    QString orientation;
    QString category;
    QString name;
    QSizeF size;
    bool disc = false;
    std::function<void(Kit &, const QSizeF &)> draw;
};

QList<Design> designs()
{
    QList<Design> list;
    auto add = [&list](const QString &orientation, const QString &category, const QString &name, QSizeF size,
                       std::function<void(Kit &, const QSizeF &)> draw, bool disc = false) {
        list.append(Design{orientation, category, name, size, disc, std::move(draw)});
    };
    const QString H = QStringLiteral("Horizontal");
    const QString V = QStringLiteral("Vertical");

    // ---- address labels: an address block of the current record, printed from the database ----
    const QString addresses = QStringLiteral("Address Labels");
    add(H, addresses, QStringLiteral("Classic"), Address, [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, 7, s.height()), c("#1d3557"));
        address(k, QRectF(18, 4, s.width() - 24, s.height() - 8), fontOf(Times, 10.5), c("#1b1b1b"));
    });
    add(H, addresses, QStringLiteral("Leaf"), Address, [](Kit &k, QSizeF s) {
        k.clipart(QStringLiteral("Nature/Leaf"), QRectF(6, 12, 42, 48), c("#2a9d8f"));
        k.line(QPointF(54, 12), QPointF(54, 60), c("#2a9d8f"), 0.75);
        address(k, QRectF(62, 4, s.width() - 66, s.height() - 8), fontOf(Sans, 9), c("#264653"));
    });
    add(H, addresses, QStringLiteral("Christmas Tree"), Address, [](Kit &k, QSizeF s) {
        k.clipart(QStringLiteral("Holidays/Christmas Tree"), QRectF(6, 8, 44, 56));
        k.line(QPointF(58, 63), QPointF(s.width() - 8, 63), c("#c1121f"), 1.25);
        address(k, QRectF(58, 4, s.width() - 62, 56), fontOf(Serif, 10), c("#1b4332"));
    });
    add(H, addresses, QStringLiteral("Airmail"), Address, [](Kit &k, QSizeF s) {
        airmailStripes(k, QRectF(0, 0, s.width(), 6), c("#d62828"), c("#1d3557"));
        airmailStripes(k, QRectF(0, s.height() - 6, s.width(), 6), c("#d62828"), c("#1d3557"));
        k.clipart(QStringLiteral("Transport/Airplane"), QRectF(s.width() - 38, 14, 30, 22), c("#1d3557"));
        address(k, QRectF(14, 8, s.width() - 56, s.height() - 16), fontOf(Sans, 9), c("#1d3557"));
    });
    add(H, addresses, QStringLiteral("Modern"), Address, [](Kit &k, QSizeF s) {
        k.gradient(QRectF(0, 0, 48, s.height()), c("#0f766e"), c("#2dd4bf"), 90);
        k.clipart(QStringLiteral("Office/Envelope"), QRectF(8, 22, 32, 28));
        address(k, QRectF(58, 4, s.width() - 62, s.height() - 8), fontOf(Gothic, 8.5), c("#134e4a"));
    });
    add(H, addresses, QStringLiteral("Elegant"), Address, [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, s.width(), s.height()), c("#fdf8ef"));
        k.rect(QRectF(4, 4, s.width() - 8, s.height() - 8), QColor(), c("#b08d57"), 1.5);
        k.rect(QRectF(7, 7, s.width() - 14, s.height() - 14), QColor(), c("#b08d57"), 0.5);
        address(k, QRectF(12, 8, s.width() - 24, s.height() - 16), fontOf(Palatino, 9), c("#3d2b1f"), true, false);
    });

    // ---- return labels: the sender's own address, typed once ----
    const QString returns = QStringLiteral("Return Labels");
    add(H, returns, QStringLiteral("Simple"), Return, [](Kit &k, QSizeF s) {
        k.text(QRectF(4, 0, s.width() - 8, s.height()), sender(Sans, 6.5, c("#1f2937"), 2), VAlign::Middle);
    });
    add(H, returns, QStringLiteral("Home"), Return, [](Kit &k, QSizeF s) {
        k.clipart(QStringLiteral("Home/House"), QRectF(4, 5, 26, 26), c("#b45309"));
        k.text(QRectF(32, 0, s.width() - 34, s.height()), sender(Gothic, 6, c("#44403c")), VAlign::Middle);
    });
    add(H, returns, QStringLiteral("Envelope"), Return, [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, 30, s.height()), c("#1d3557"));
        k.clipart(QStringLiteral("Office/Envelope"), QRectF(5, 9, 20, 18));
        k.text(QRectF(33, 0, s.width() - 35, s.height()), sender(Sans, 6, c("#1d3557")), VAlign::Middle);
    });
    add(H, returns, QStringLiteral("Tulip"), Return, [](Kit &k, QSizeF s) {
        k.clipart(QStringLiteral("Nature/Tulip"), QRectF(3, 4, 22, 28));
        k.text(QRectF(26, 0, s.width() - 28, s.height()),
               {para(run(QStringLiteral("Jordan Ellis"), Script, 10, c("#9d174d"))),
                para(run(QStringLiteral("1428 Maple Avenue"), Palatino, 6, c("#4a044e"))),
                para(run(QStringLiteral("Springfield, IL 62704"), Palatino, 6, c("#4a044e")))},
               VAlign::Middle);
    });
    add(H, returns, QStringLiteral("Snowflake"), Return, [](Kit &k, QSizeF s) {
        k.gradient(QRectF(0, 0, s.width(), s.height()), c("#e0f2fe"), c("#bae6fd"), 90);
        k.clipart(QStringLiteral("Holidays/Snowflake"), QRectF(4, 6, 24, 24), c("#0284c7"));
        k.text(QRectF(30, 0, s.width() - 32, s.height()), sender(Palatino, 6.5, c("#0c4a6e")), VAlign::Middle);
    });

    // ---- shipping labels: the sender typed, the recipient from the database ----
    const QString shipping = QStringLiteral("Shipping Labels");
    add(H, shipping, QStringLiteral("Standard"), Shipping, [](Kit &k, QSizeF s) {
        k.text(QRectF(12, 8, 40, 14), {para(run(QStringLiteral("FROM"), Sans, 7, c("#6b7280"), true, false, 1))});
        k.text(QRectF(48, 6, 160, 40), sender(Sans, 7, c("#374151")));
        k.line(QPointF(12, 46), QPointF(s.width() - 12, 46), c("#111827"), 1.5);
        k.text(QRectF(12, 56, 60, 14), {para(run(QStringLiteral("SHIP TO"), Sans, 8, c("#111827"), true, false, 1))});
        address(k, QRectF(40, 70, s.width() - 52, 64), fontOf(Sans, 12, true), c("#111827"));
    });
    add(H, shipping, QStringLiteral("Priority"), Shipping, [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, 40, s.height()), c("#111827"));
        upright(k, QPointF(20, s.height() / 2.0), s.height() - 12,
                {para(run(QStringLiteral("PRIORITY"), Gothic, 17, White, true, false, 3), 2)}, 30);
        k.text(QRectF(52, 8, 160, 40), sender(Sans, 7, c("#374151")));
        k.rect(QRectF(s.width() - 62, 10, 50, 30), QColor(), c("#111827"), 1);
        k.text(QRectF(s.width() - 62, 10, 50, 30),
               {para(run(QStringLiteral("POSTAGE"), Sans, 6, c("#6b7280"), true, false, 1), 2)}, VAlign::Middle);
        k.line(QPointF(52, 50), QPointF(s.width() - 12, 50), c("#111827"), 1);
        k.text(QRectF(52, 58, 60, 12), {para(run(QStringLiteral("SHIP TO:"), Sans, 7.5, c("#111827"), true))});
        address(k, QRectF(70, 72, s.width() - 82, 64), fontOf(Sans, 12, true), c("#111827"));
    });
    add(H, shipping, QStringLiteral("Fragile"), Shipping, [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, s.width(), 28), c("#c1121f"));
        k.text(QRectF(0, 0, s.width(), 28),
               {para(run(QStringLiteral("FRAGILE \u2014 HANDLE WITH CARE"), Gothic, 12.5, White, true, false, 1), 2)},
               VAlign::Middle);
        k.clipart(QStringLiteral("Signs/Warning Triangle"), QRectF(12, 56, 58, 52));
        k.text(QRectF(78, 36, 60, 12), {para(run(QStringLiteral("SHIP TO:"), Sans, 7.5, c("#111827"), true))});
        address(k, QRectF(86, 50, s.width() - 96, 84), fontOf(Sans, 12), c("#111827"));
    });
    add(H, shipping, QStringLiteral("Gift"), Shipping, [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, s.width(), s.height()), c("#fff1f2"));
        k.rect(QRectF(0, 0, s.width(), 8), c("#e11d48"));
        k.rect(QRectF(0, s.height() - 8, s.width(), 8), c("#e11d48"));
        k.clipart(QStringLiteral("Celebrations/Gift Box"), QRectF(14, 26, 72, 84));
        k.text(QRectF(98, 14, s.width() - 108, 30),
               {para(run(QStringLiteral("A little something for you"), Script, 15, c("#be185d")))});
        address(k, QRectF(100, 46, s.width() - 110, 86), fontOf(Serif, 12), c("#3f0d1e"));
    });
    add(H, shipping, QStringLiteral("Box Label"), ShippingLarge, [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, s.width(), 24), c("#1f2937"));
        k.text(QRectF(12, 0, 200, 24), {para(run(QStringLiteral("SHIP TO"), Gothic, 11, White, true, false, 2))},
               VAlign::Middle);
        address(k, QRectF(20, 30, s.width() - 40, 86), fontOf(Sans, 14, true), c("#111827"));
        k.line(QPointF(12, 122), QPointF(s.width() - 12, 122), c("#1f2937"), 1.5);
        k.text(QRectF(12, 128, 40, 12), {para(run(QStringLiteral("FROM"), Sans, 7, c("#6b7280"), true, false, 1))});
        k.text(QRectF(12, 140, 150, 40), sender(Sans, 7.5, c("#374151")));
        k.text(QRectF(12, 188, 56, 12), {para(run(QStringLiteral("Contents:"), Sans, 7.5, c("#374151")))});
        k.line(QPointF(60, 198), QPointF(170, 198), c("#9ca3af"), 0.75);
        k.text(QRectF(12, 208, 56, 12), {para(run(QStringLiteral("Weight:"), Sans, 7.5, c("#374151")))});
        k.line(QPointF(60, 218), QPointF(170, 218), c("#9ca3af"), 0.75);
        k.clipart(QStringLiteral("Arrows/Up Arrow"), QRectF(196, 136, 34, 60), c("#1f2937"));
        k.clipart(QStringLiteral("Arrows/Up Arrow"), QRectF(236, 136, 34, 60), c("#1f2937"));
        k.text(QRectF(186, 200, 94, 28),
               {para(run(QStringLiteral("THIS SIDE UP"), Gothic, 9, c("#1f2937"), true, false, 1), 2)});
    });
    add(V, shipping, QStringLiteral("Standard"), turned(ShippingLarge), [](Kit &k, QSizeF s) {
        k.text(QRectF(14, 12, 40, 12), {para(run(QStringLiteral("FROM"), Sans, 7, c("#6b7280"), true, false, 1))});
        k.text(QRectF(14, 24, 170, 40), sender(Sans, 7.5, c("#374151")));
        k.line(QPointF(14, 70), QPointF(s.width() - 14, 70), c("#111827"), 1.5);
        k.text(QRectF(14, 80, 80, 14), {para(run(QStringLiteral("SHIP TO"), Sans, 8.5, c("#111827"), true, false, 1))});
        address(k, QRectF(24, 98, s.width() - 38, 110), fontOf(Sans, 13, true), c("#111827"));
        k.line(QPointF(14, 222), QPointF(s.width() - 14, 222), c("#111827"), 0.75);
        k.text(QRectF(14, 230, s.width() - 28, 40),
               {para(run(QStringLiteral("Order no.  ____________     Date  __________"), Sans, 7.5, c("#374151")))});
    });
    add(V, shipping, QStringLiteral("Fragile"), turned(ShippingLarge), [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, s.width(), 34), c("#c1121f"));
        k.text(QRectF(0, 0, s.width(), 34),
               {para(run(QStringLiteral("FRAGILE"), Gothic, 18, White, true, false, 4), 2)}, VAlign::Middle);
        k.clipart(QStringLiteral("Signs/Warning Triangle"), QRectF(s.width() / 2 - 30, 44, 60, 52));
        k.text(QRectF(10, 100, s.width() - 20, 14),
               {para(run(QStringLiteral("HANDLE WITH CARE"), Sans, 8, c("#c1121f"), true, false, 1), 2)});
        k.line(QPointF(14, 122), QPointF(s.width() - 14, 122), c("#111827"), 1);
        k.text(QRectF(14, 130, 80, 12), {para(run(QStringLiteral("SHIP TO:"), Sans, 7.5, c("#111827"), true))});
        address(k, QRectF(24, 146, s.width() - 38, 92), fontOf(Sans, 12.5), c("#111827"));
        k.rect(QRectF(0, s.height() - 10, s.width(), 10), c("#c1121f"));
    });

    // ---- name badges ----
    const QString badges = QStringLiteral("Name Badges");
    auto hello = [](Kit &k, QSizeF s) {
        const double band = s.height() * 0.34;
        k.rect(QRectF(0, 0, s.width(), band), c("#d62828"));
        k.text(QRectF(0, 1, s.width(), band * 0.6),
               {para(run(QStringLiteral("HELLO"), Gothic, std::min(band * 0.44, s.width() * 0.17), White, true, false, 2), 2)},
               VAlign::Top);
        k.text(QRectF(0, band - band * 0.36, s.width(), band * 0.34),
               {para(run(QStringLiteral("my name is"), Gothic, band * 0.17, White), 2)}, VAlign::Middle);
        k.rect(QRectF(0, s.height() - 16, s.width(), 16), c("#d62828"));
        k.text(QRectF(8, band, s.width() - 16, s.height() - band - 16),
               {para(run(QStringLiteral("Alex Rivera"), Script, std::min(s.height() * 0.2, s.width() * 0.15), c("#111111")), 2)},
               VAlign::Middle);
    };
    add(H, badges, QStringLiteral("Hello"), Badge, hello);
    add(V, badges, QStringLiteral("Hello"), turned(Badge), hello);
    add(H, badges, QStringLiteral("Conference"), Badge, [](Kit &k, QSizeF s) {
        k.gradient(QRectF(0, 0, s.width(), 46), c("#1e3a8a"), c("#3b82f6"), 0);
        k.text(QRectF(0, 6, s.width(), 36),
               {para(run(QStringLiteral("GLOBAL DESIGN SUMMIT"), Gothic, 11.5, White, true, false, 1.5), 2),
                para(run(QStringLiteral("Chicago \u00b7 May 14\u201316, 2025"), Sans, 7.5, c("#dbeafe")), 2)},
               VAlign::Middle);
        k.text(QRectF(10, 50, s.width() - 20, 90),
               {para(run(QStringLiteral("Morgan Lee"), Sans, 22, c("#0f172a"), true), 2),
                para(run(QStringLiteral("Product Designer"), Sans, 10, c("#475569")), 2),
                para(run(QStringLiteral("Northwind Studio"), Sans, 10, c("#1e3a8a"), true), 2)},
               VAlign::Middle);
        k.rect(QRectF(0, s.height() - 24, s.width(), 24), c("#f59e0b"));
        k.text(QRectF(0, s.height() - 24, s.width(), 24),
               {para(run(QStringLiteral("SPEAKER"), Gothic, 11, White, true, false, 3), 2)}, VAlign::Middle);
    });
    add(V, badges, QStringLiteral("Conference"), turned(Badge), [](Kit &k, QSizeF s) {
        k.gradient(QRectF(0, 0, s.width(), 54), c("#1e3a8a"), c("#3b82f6"), 0);
        k.text(QRectF(0, 4, s.width(), 48),
               {para(run(QStringLiteral("GLOBAL DESIGN"), Gothic, 10.5, White, true, false, 1.5), 2),
                para(run(QStringLiteral("SUMMIT 2025"), Gothic, 10.5, White, true, false, 1.5), 2),
                para(run(QStringLiteral("Chicago \u00b7 May 14\u201316"), Sans, 7, c("#dbeafe")), 2)},
               VAlign::Middle);
        k.oval(QRectF(s.width() / 2 - 30, 66, 60, 60), c("#1e3a8a"));
        k.text(QRectF(s.width() / 2 - 30, 66, 60, 60),
               {para(run(QStringLiteral("ML"), Gothic, 22, White, true), 2)}, VAlign::Middle);
        k.text(QRectF(8, 132, s.width() - 16, 70),
               {para(run(QStringLiteral("Morgan Lee"), Sans, 17, c("#0f172a"), true), 2),
                para(run(QStringLiteral("Product Designer"), Sans, 9, c("#475569")), 2),
                para(run(QStringLiteral("Northwind Studio"), Sans, 9, c("#1e3a8a"), true), 2)},
               VAlign::Middle);
        k.rect(QRectF(0, s.height() - 26, s.width(), 26), c("#f59e0b"));
        k.text(QRectF(0, s.height() - 26, s.width(), 26),
               {para(run(QStringLiteral("SPEAKER"), Gothic, 11, White, true, false, 3), 2)}, VAlign::Middle);
    });
    add(H, badges, QStringLiteral("Visitor"), Badge, [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, 52, s.height()), c("#ea580c"));
        upright(k, QPointF(26, s.height() / 2.0), s.height() - 16,
                {para(run(QStringLiteral("VISITOR"), Gothic, 20, White, true, false, 4), 2)}, 34);
        k.text(QRectF(64, 16, 160, 12), {para(run(QStringLiteral("NAME"), Sans, 7, c("#9a3412"), true, false, 1))});
        k.text(QRectF(64, 28, s.width() - 74, 30), {para(run(QStringLiteral("Sam Whitaker"), Sans, 17, c("#1c1917"), true))});
        k.line(QPointF(64, 62), QPointF(s.width() - 12, 62), c("#fdba74"), 1);
        k.text(QRectF(64, 74, 160, 12), {para(run(QStringLiteral("VISITING"), Sans, 7, c("#9a3412"), true, false, 1))});
        k.text(QRectF(64, 86, s.width() - 74, 20), {para(run(QStringLiteral("Accounts Department"), Sans, 10, c("#1c1917")))});
        k.line(QPointF(64, 110), QPointF(s.width() - 12, 110), c("#fdba74"), 1);
        k.text(QRectF(64, 122, 160, 12), {para(run(QStringLiteral("DATE"), Sans, 7, c("#9a3412"), true, false, 1))});
        k.line(QPointF(64, 152), QPointF(150, 152), c("#a8a29e"), 0.75, 2);
    });
    add(H, badges, QStringLiteral("Party"), Badge, [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, s.width(), s.height()), c("#fef9c3"));
        k.clipart(QStringLiteral("Celebrations/Balloons"), QRectF(2, 8, 92, 150));
        k.clipart(QStringLiteral("Celebrations/Confetti"), QRectF(s.width() - 70, s.height() - 60, 62, 52));
        k.clipart(QStringLiteral("Celebrations/Party Hat"), QRectF(s.width() - 48, 10, 36, 40));
        k.text(QRectF(92, 34, s.width() - 100, 30), {para(run(QStringLiteral("Hi, I'm"), Gothic, 17, c("#7c3aed"), true))});
        k.text(QRectF(92, 60, s.width() - 100, 50), {para(run(QStringLiteral("Sophie"), Gothic, 34, c("#db2777"), true))});
    });
    add(H, badges, QStringLiteral("Wedding"), Badge, [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, s.width(), s.height()), c("#fdf8ef"));
        k.rect(QRectF(7, 7, s.width() - 14, s.height() - 14), QColor(), c("#b08d57"), 1.75);
        k.rect(QRectF(11, 11, s.width() - 22, s.height() - 22), QColor(), c("#b08d57"), 0.5);
        k.text(QRectF(16, 18, s.width() - 32, 30), {para(run(QStringLiteral("Welcome"), Script, 17, c("#b08d57")), 2)});
        k.text(QRectF(16, 48, s.width() - 32, 80),
               {para(run(QStringLiteral("Charlotte Hayes"), Palatino, 21, c("#2f2f2f")), 2),
                para(run(QStringLiteral("Guest of the Bride"), Palatino, 10, c("#7a6a58"), false, true), 2)},
               VAlign::Middle);
        k.clipart(QStringLiteral("Symbols/Infinity"), QRectF(s.width() / 2 - 16, s.height() - 38, 32, 16), c("#b08d57"));
    });
    add(V, badges, QStringLiteral("Staff"), turned(Badge), [](Kit &k, QSizeF s) {
        k.roundRect(QRectF(s.width() / 2 - 22, 10, 44, 8), 4, QColor(), c("#9ca3af"), 1);
        k.text(QRectF(10, 32, s.width() - 20, 70),
               {para(run(QStringLiteral("Priya"), Sans, 26, c("#111827"), true), 2),
                para(run(QStringLiteral("Natarajan"), Sans, 14, c("#374151")), 2)},
               VAlign::Middle);
        k.text(QRectF(10, 110, s.width() - 20, 40),
               {para(run(QStringLiteral("Customer Support"), Sans, 10, c("#16a34a"), true), 2),
                para(run(QStringLiteral("Ask me anything"), Sans, 8, c("#6b7280"), false, true), 2)},
               VAlign::Middle);
        k.clipart(QStringLiteral("Signs/Information"), QRectF(s.width() / 2 - 16, 152, 32, 32));
        k.rect(QRectF(0, s.height() - 44, s.width(), 44), c("#16a34a"));
        k.text(QRectF(0, s.height() - 44, s.width(), 44),
               {para(run(QStringLiteral("STAFF"), Gothic, 20, White, true, false, 5), 2)}, VAlign::Middle);
    });

    // ---- business cards ----
    const QString cards = QStringLiteral("Business Cards");
    add(H, cards, QStringLiteral("Classic"), Card, [](Kit &k, QSizeF s) {
        k.text(QRectF(20, 24, 200, 46),
               {para(run(QStringLiteral("Avery Morgan"), Palatino, 17, c("#1f2937"))),
                para(run(QStringLiteral("Creative Director"), Palatino, 9.5, c("#6b7280"), false, true))});
        k.line(QPointF(25, 70), QPointF(110, 70), c("#b08d57"), 1);
        k.text(QRectF(112, 80, s.width() - 130, 56),
               {para(run(QStringLiteral("Northwind Studio"), Sans, 8, c("#1f2937"), true), 1),
                para(run(QStringLiteral("+1 (555) 014-2236"), Sans, 7.5, c("#374151")), 1),
                para(run(QStringLiteral("avery@northwind.example"), Sans, 7.5, c("#374151")), 1),
                para(run(QStringLiteral("northwind.example"), Sans, 7.5, c("#374151")), 1)},
               VAlign::Bottom);
    });
    add(V, cards, QStringLiteral("Classic"), turned(Card), [](Kit &k, QSizeF s) {
        k.text(QRectF(12, 40, s.width() - 24, 60),
               {para(run(QStringLiteral("Avery Morgan"), Palatino, 15, c("#1f2937")), 2),
                para(run(QStringLiteral("Creative Director"), Palatino, 9, c("#6b7280"), false, true), 2)});
        k.line(QPointF(s.width() / 2 - 24, 98), QPointF(s.width() / 2 + 24, 98), c("#b08d57"), 1);
        k.text(QRectF(10, 150, s.width() - 20, 80),
               {para(run(QStringLiteral("Northwind Studio"), Sans, 8, c("#1f2937"), true), 2),
                para(run(QStringLiteral("+1 (555) 014-2236"), Sans, 7.5, c("#374151")), 2),
                para(run(QStringLiteral("avery@northwind.example"), Sans, 7, c("#374151")), 2),
                para(run(QStringLiteral("northwind.example"), Sans, 7, c("#374151")), 2)},
               VAlign::Bottom);
    });
    add(H, cards, QStringLiteral("Modern Bar"), Card, [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, 80, s.height()), c("#0f766e"));
        k.oval(QRectF(14, s.height() / 2 - 26, 52, 52), QColor(), White, 1.5);
        k.text(QRectF(14, s.height() / 2 - 26, 52, 52), {para(run(QStringLiteral("AM"), Gothic, 18, White, true), 2)},
               VAlign::Middle);
        k.text(QRectF(94, 22, s.width() - 104, 44),
               {para(run(QStringLiteral("Avery Morgan"), Gothic, 15, c("#0f172a"), true)),
                para(run(QStringLiteral("CREATIVE DIRECTOR"), Gothic, 7.5, c("#0f766e"), false, false, 1))});
        k.text(QRectF(94, 78, s.width() - 104, 56),
               {para(run(QStringLiteral("T  +1 (555) 014-2236"), Sans, 7.5, c("#334155"))),
                para(run(QStringLiteral("E  avery@northwind.example"), Sans, 7.5, c("#334155"))),
                para(run(QStringLiteral("W  northwind.example"), Sans, 7.5, c("#334155")))},
               VAlign::Bottom);
    });
    add(V, cards, QStringLiteral("Modern Bar"), turned(Card), [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, s.width(), 88), c("#0f766e"));
        k.oval(QRectF(s.width() / 2 - 26, 18, 52, 52), QColor(), White, 1.5);
        k.text(QRectF(s.width() / 2 - 26, 18, 52, 52), {para(run(QStringLiteral("AM"), Gothic, 18, White, true), 2)},
               VAlign::Middle);
        k.text(QRectF(8, 100, s.width() - 16, 44),
               {para(run(QStringLiteral("Avery Morgan"), Gothic, 14, c("#0f172a"), true), 2),
                para(run(QStringLiteral("CREATIVE DIRECTOR"), Gothic, 7, c("#0f766e"), false, false, 1), 2)});
        k.text(QRectF(8, 170, s.width() - 16, 70),
               {para(run(QStringLiteral("+1 (555) 014-2236"), Sans, 7.5, c("#334155")), 2),
                para(run(QStringLiteral("avery@northwind.example"), Sans, 7, c("#334155")), 2),
                para(run(QStringLiteral("northwind.example"), Sans, 7, c("#334155")), 2)},
               VAlign::Bottom);
    });
    auto midnight = [](Kit &k, QSizeF s) {
        const bool upright = s.height() > s.width();
        k.rect(QRectF(0, 0, s.width(), s.height()), c("#0f172a"));
        const int align = upright ? 2 : 0;
        const double x = upright ? 10 : 22;
        k.text(QRectF(x, upright ? 50 : 28, s.width() - 2 * x, 50),
               {para(run(QStringLiteral("Daniel Brooks"), Serif, upright ? 15 : 17, White), align),
                para(run(QStringLiteral("ARCHITECT"), Sans, 7.5, c("#d4af37"), false, false, 2), align)});
        if (upright)
            k.line(QPointF(s.width() / 2 - 20, 104), QPointF(s.width() / 2 + 20, 104), c("#d4af37"), 1.25);
        else
            k.line(QPointF(27, 74), QPointF(74, 74), c("#d4af37"), 1.25);
        k.text(QRectF(x, upright ? 150 : 78, s.width() - 2 * x, upright ? 84 : 52),
               {para(run(QStringLiteral("Brooks & Vale Architects"), Sans, 7.5, White, true), upright ? 2 : 1),
                para(run(QStringLiteral("+1 (555) 018-4470"), Sans, 7, c("#cbd5e1")), upright ? 2 : 1),
                para(run(QStringLiteral("daniel@brooksvale.example"), Sans, 7, c("#cbd5e1")), upright ? 2 : 1),
                para(run(QStringLiteral("22 Harbor Street, Boston MA"), Sans, 7, c("#cbd5e1")), upright ? 2 : 1)},
               VAlign::Bottom);
    };
    add(H, cards, QStringLiteral("Midnight"), Card, midnight);
    add(V, cards, QStringLiteral("Midnight"), turned(Card), midnight);
    add(H, cards, QStringLiteral("Gradient"), Card, [](Kit &k, QSizeF s) {
        k.gradient(QRectF(0, 0, s.width(), s.height()), c("#7c3aed"), c("#2563eb"), 30);
        k.clipart(QStringLiteral("Symbols/Lightbulb"), QRectF(s.width() / 2 - 12, 14, 24, 30), White);
        k.text(QRectF(10, 46, s.width() - 20, 44),
               {para(run(QStringLiteral("Brightside Labs"), Gothic, 18, White, true), 2),
                para(run(QStringLiteral("Ideas that ship"), Gothic, 8.5, c("#e0e7ff")), 2)});
        k.text(QRectF(10, 100, s.width() - 20, 36),
               {para(run(QStringLiteral("Jamie Chen \u00b7 Founder"), Sans, 8, White, true), 2),
                para(run(QStringLiteral("+1 (555) 013-9081  \u00b7  jamie@brightside.example"), Sans, 7, c("#e0e7ff")), 2)},
               VAlign::Bottom);
    });
    auto garden = [](Kit &k, QSizeF s) {
        const bool upright = s.height() > s.width();
        if (upright) {
            k.clipart(QStringLiteral("Nature/Tree"), QRectF(s.width() / 2 - 34, 18, 68, 84));
            k.text(QRectF(8, 108, s.width() - 16, 46),
                   {para(run(QStringLiteral("Greenleaf"), Bookman, 15, c("#166534"), true), 2),
                    para(run(QStringLiteral("Gardening & Landscaping"), Sans, 7.5, c("#15803d")), 2)});
            k.text(QRectF(8, 170, s.width() - 16, 62),
                   {para(run(QStringLiteral("Ruth Okafor"), Sans, 8.5, c("#1f2937"), true), 2),
                    para(run(QStringLiteral("+1 (555) 017-3352"), Sans, 7.5, c("#374151")), 2),
                    para(run(QStringLiteral("ruth@greenleaf.example"), Sans, 7, c("#374151")), 2)},
                   VAlign::Bottom);
        } else {
            k.clipart(QStringLiteral("Nature/Tree"), QRectF(14, 20, 66, 94));
            k.text(QRectF(92, 22, s.width() - 100, 44),
                   {para(run(QStringLiteral("Greenleaf"), Bookman, 17, c("#166534"), true)),
                    para(run(QStringLiteral("Gardening & Landscaping"), Sans, 8, c("#15803d")))});
            k.text(QRectF(92, 72, s.width() - 100, 52),
                   {para(run(QStringLiteral("Ruth Okafor"), Sans, 8.5, c("#1f2937"), true)),
                    para(run(QStringLiteral("+1 (555) 017-3352"), Sans, 7.5, c("#374151"))),
                    para(run(QStringLiteral("ruth@greenleaf.example"), Sans, 7.5, c("#374151")))},
                   VAlign::Bottom);
        }
        k.rect(QRectF(0, s.height() - 10, s.width(), 10), c("#86efac"));
    };
    add(H, cards, QStringLiteral("Garden"), Card, garden);
    add(V, cards, QStringLiteral("Garden"), turned(Card), garden);
    add(H, cards, QStringLiteral("Cafe"), Card, [](Kit &k, QSizeF s) {
        k.background(QStringLiteral("Cream Paper.jpg"), QRectF(0, 0, s.width(), s.height()));
        k.clipart(QStringLiteral("Food/Coffee Cup"), QRectF(16, 34, 62, 66));
        k.text(QRectF(88, 26, s.width() - 96, 50),
               {para(run(QStringLiteral("The Daily Grind"), Bookman, 15, c("#5b3a29"), true)),
                para(run(QStringLiteral("Coffee \u00b7 Bakery \u00b7 Books"), Palatino, 9, c("#7c5a45"), false, true))});
        k.text(QRectF(88, 80, s.width() - 96, 48),
               {para(run(QStringLiteral("18 Mill Lane, Burlington VT"), Palatino, 7.5, c("#5b3a29"))),
                para(run(QStringLiteral("Open daily 7 am \u2013 6 pm"), Palatino, 7.5, c("#5b3a29"))),
                para(run(QStringLiteral("dailygrind.example"), Palatino, 7.5, c("#5b3a29")))},
               VAlign::Bottom);
    });
    add(H, cards, QStringLiteral("Handmade"), Card, [](Kit &k, QSizeF s) {
        k.background(QStringLiteral("Kraft Paper.jpg"), QRectF(0, 0, s.width(), s.height()));
        k.clipart(QStringLiteral("Nature/Leaf"), QRectF(s.width() / 2 - 10, 14, 20, 22), c("#3b2f2f"));
        k.text(QRectF(10, 36, s.width() - 20, 50),
               {para(run(QStringLiteral("Mia Fontaine"), Script, 22, c("#2b1d16")), 2),
                para(run(QStringLiteral("HANDMADE CERAMICS"), Gothic, 7.5, c("#3b2f2f"), false, false, 2), 2)});
        k.line(QPointF(s.width() / 2 - 30, 92), QPointF(s.width() / 2 + 30, 92), c("#3b2f2f"), 0.75);
        k.text(QRectF(10, 98, s.width() - 20, 36),
               {para(run(QStringLiteral("mia@fontaine.example  \u00b7  +1 (555) 012-7719"), Sans, 7, c("#3b2f2f")), 2)},
               VAlign::Middle);
    });

    // ---- CD labels: round, with the hub left free in the middle ----
    const QString discs = QStringLiteral("CD Labels");
    add(H, discs, QStringLiteral("Summer Mix"), Disc, [](Kit &k, QSizeF s) {
        k.ovalGradient(QRectF(0, 0, s.width(), s.height()), c("#fde68a"), c("#ea580c"));
        k.oval(QRectF(104, 104, 125, 125), c("#ffffff", 200));
        k.ovalText(QRectF(18, 18, s.width() - 36, s.height() - 36),
                   run(QStringLiteral("SUMMER MIX"), Gothic, 28, White, true, false, 3), 0, false);
        k.ovalText(QRectF(22, 22, s.width() - 44, s.height() - 44),
                   run(QStringLiteral("Road Trip Songs \u00b7 2025"), Gothic, 13, c("#7c2d12")), 180, true);
        k.clipart(QStringLiteral("Nature/Sun"), QRectF(s.width() / 2 - 22, 54, 44, 44), White);
    }, true);
    add(H, discs, QStringLiteral("Photo Disc"), Disc, [](Kit &k, QSizeF s) {
        k.background(QStringLiteral("Sunset.jpg"), QRectF(0, 0, s.width(), s.height()), 100, true);
        k.oval(QRectF(104, 104, 125, 125), c("#ffffff", 180));
        k.ovalText(QRectF(20, 20, s.width() - 40, s.height() - 40),
                   run(QStringLiteral("Family Vacation"), Palatino, 26, White, true), 0, false);
        k.ovalText(QRectF(24, 24, s.width() - 48, s.height() - 48),
                   run(QStringLiteral("Summer 2025"), Palatino, 15, White, false, true), 180, true);
    }, true);
    add(H, discs, QStringLiteral("Data Backup"), Disc, [](Kit &k, QSizeF s) {
        k.oval(QRectF(0, 0, s.width(), s.height()), White);
        k.oval(QRectF(6, 6, s.width() - 12, s.height() - 12), QColor(), c("#2563eb"), 10);
        k.oval(QRectF(100, 100, 133, 133), QColor(), c("#bfdbfe"), 2);
        k.clipart(QStringLiteral("Office/Folder"), QRectF(s.width() / 2 - 22, 36, 44, 34), c("#2563eb"));
        k.text(QRectF(60, 70, s.width() - 120, 26),
               {para(run(QStringLiteral("BACKUP"), Gothic, 18, c("#1e3a8a"), true, false, 3), 2)});
        k.text(QRectF(70, 240, 50, 14), {para(run(QStringLiteral("Date:"), Sans, 9, c("#1e3a8a"), true))});
        k.line(QPointF(112, 253), QPointF(250, 253), c("#93c5fd"), 1);
        k.text(QRectF(70, 262, 60, 14), {para(run(QStringLiteral("Contents:"), Sans, 9, c("#1e3a8a"), true))});
        k.line(QPointF(128, 275), QPointF(240, 275), c("#93c5fd"), 1);
    }, true);
    add(H, discs, QStringLiteral("Wedding"), Disc, [](Kit &k, QSizeF s) {
        k.background(QStringLiteral("Parchment.jpg"), QRectF(0, 0, s.width(), s.height()), 100, true);
        k.oval(QRectF(12, 12, s.width() - 24, s.height() - 24), QColor(), c("#b08d57"), 1.5);
        k.oval(QRectF(17, 17, s.width() - 34, s.height() - 34), QColor(), c("#b08d57"), 0.5);
        k.oval(QRectF(106, 106, 121, 121), QColor(), c("#b08d57"), 1);
        k.ovalText(QRectF(26, 26, s.width() - 52, s.height() - 52),
                   run(QStringLiteral("Emma & James"), Script, 30, c("#7a5c2e")), 0, false);
        k.ovalText(QRectF(30, 30, s.width() - 60, s.height() - 60),
                   run(QStringLiteral("June 21, 2025"), Palatino, 13, c("#7a5c2e"), false, true), 180, true);
        k.clipart(QStringLiteral("Celebrations/Champagne Glass"), QRectF(s.width() / 2 - 17, 238, 34, 34), c("#b08d57"));
    }, true);
    add(H, discs, QStringLiteral("Winter Songs"), Disc, [](Kit &k, QSizeF s) {
        k.ovalGradient(QRectF(0, 0, s.width(), s.height()), c("#1e40af"), c("#0f172a"));
        k.oval(QRectF(104, 104, 125, 125), c("#dbeafe", 220));
        // Between the hub and the rim, clear of the two lines of text.
        const QPointF centre(s.width() / 2.0, s.height() / 2.0);
        const QList<std::pair<double, double>> flakes = {{58, 26}, {122, 20}, {238, 22}, {302, 28}, {90, 14}, {270, 14}};
        for (const auto &[degrees, size] : flakes) {
            const double a = degrees * M_PI / 180.0;
            const QPointF at = centre + QPointF(std::sin(a), -std::cos(a)) * 108.0;
            k.clipart(QStringLiteral("Holidays/Snowflake"), QRectF(at.x() - size / 2, at.y() - size / 2, size, size),
                      c("#e0f2fe"));
        }
        k.ovalText(QRectF(18, 18, s.width() - 36, s.height() - 36),
                   run(QStringLiteral("Winter Songs"), Palatino, 26, White), 0, false);
        k.ovalText(QRectF(22, 22, s.width() - 44, s.height() - 44),
                   run(QStringLiteral("A Holiday Collection"), Palatino, 13, c("#bfdbfe"), false, true), 180, true);
    }, true);

    // ---- file folder labels ----
    const QString folders = QStringLiteral("File Folders");
    add(H, folders, QStringLiteral("Color Tab"), Folder, [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, 44, s.height()), c("#2563eb"));
        k.text(QRectF(0, 0, 44, s.height()), {para(run(QStringLiteral("A"), Gothic, 24, White, true), 2)},
               VAlign::Middle);
        k.text(QRectF(52, 0, s.width() - 58, s.height()),
               {para(run(QStringLiteral("Accounts Payable"), Sans, 14, c("#0f172a"), true))}, VAlign::Middle);
    });
    add(H, folders, QStringLiteral("Striped"), Folder, [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, s.width(), 7), c("#f97316"));
        k.rect(QRectF(0, s.height() - 3, s.width(), 3), c("#f97316"));
        k.text(QRectF(6, 7, s.width() - 12, s.height() - 10),
               {para(run(QStringLiteral("Client Projects"), Gothic, 14, c("#1f2937"), true), 2)}, VAlign::Middle);
    });
    add(H, folders, QStringLiteral("Year"), Folder, [](Kit &k, QSizeF s) {
        k.rect(QRectF(0, 0, 62, s.height()), c("#111827"));
        k.text(QRectF(0, 0, 62, s.height()), {para(run(QStringLiteral("2025"), Gothic, 16, White, true), 2)},
               VAlign::Middle);
        k.text(QRectF(70, 0, s.width() - 76, s.height()),
               {para(run(QStringLiteral("Tax Documents"), Sans, 13, c("#111827"), true)),
                para(run(QStringLiteral("Receipts \u00b7 Forms \u00b7 Statements"), Sans, 7, c("#6b7280")))},
               VAlign::Middle);
    });
    add(H, folders, QStringLiteral("Office"), Folder, [](Kit &k, QSizeF s) {
        k.clipart(QStringLiteral("Office/Folder"), QRectF(8, 8, 38, 32), c("#ca8a04"));
        k.text(QRectF(54, 0, s.width() - 60, s.height()),
               {para(run(QStringLiteral("Invoices"), Serif, 16, c("#422006"), true))}, VAlign::Middle);
        k.line(QPointF(54, s.height() - 8), QPointF(s.width() - 10, s.height() - 8), c("#fde68a"), 2);
    });
    return list;
}

// Image paths of the resources are written as paths into the application bundle, which every
// installation maps back onto its own resources.
QVariantMap portable(QVariantMap dict)
{
    const QString resources = QDir::cleanPath(Bundle::resourcesPath());
    QVariantList objects = dict.value(QStringLiteral("ObjectsList")).toList();
    for (QVariant &entry : objects) {
        QVariantMap object = entry.toMap();
        const QString path = object.value(QStringLiteral("ImagePath")).toString();
        if (path.startsWith(resources + QLatin1Char('/'))) {
            object.insert(QStringLiteral("ImagePath"),
                          QStringLiteral("/Applications/Quillmark.app/Contents/Resources") + path.mid(resources.size()));
            entry = object;
        }
    }
    dict.insert(QStringLiteral("ObjectsList"), objects);
    return dict;
}

// The design drawn three times as large as the label, on white, as the template preview
// draws it.
QImage largePreview(RectsView &canvas, const QSizeF &size)
{
    const double scale = 3.0;
    QImage image((size * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(scale, scale);
    for (const GraphicPtr &graphic : sortedByLayer(canvas.getRects()))
        if (graphic->isOnPageNamed(canvas.getCurrPageName()))
            graphic->drawFrame(&painter, QRectF(QPointF(), size), false);
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", (scratch.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (scratch.path() + QStringLiteral("/data")).toUtf8());
    QApplication app(argc, argv);
    registerAllKinds();

    QString out = QDir::cleanPath(Bundle::resourcesPath() + QStringLiteral("/Brenholt/Quillmark/Templates"));
    QString sheet;
    const QStringList arguments = app.arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--sheet") && i + 1 < arguments.size())
            sheet = arguments[++i];
        else
            out = arguments[i];
    }

    // The previews show a record of the fictional address book where a design prints one.
    const QString people = scratch.path() + QStringLiteral("/people.sqlite");
    QFile::copy(Database::addressBookSamplePath(), people);
    QFile::setPermissions(people, QFile::ReadOwner | QFile::WriteOwner);
    std::unique_ptr<Database> database = Database::openDatabaseAtPath(people);
    if (!database || !database->initWithPrimaryKey(2))
        qFatal("the sample address book cannot be read");

    SegmentedControl side({QStringLiteral("Front"), QStringLiteral("Back")});
    side.setSelectedSegment(0);
    LanguageControls::awakeFromNib(&side);
    SegmentedControl layers({QStringLiteral("Background"), QStringLiteral("Foreground")});
    layers.setSelectedSegment(1);
    QCheckBox landscape;
    RectsView canvas;
    RectsView::Outlets outlets;
    outlets.segmentedFrontBackOutlet = &side;
    outlets.segmentedLayersOutlet = &layers;
    outlets.cbLandscapeView = &landscape;
    canvas.setOutlets(outlets);
    canvas.setDatabasePreview();

    for (const QString &orientation : {QStringLiteral("Horizontal"), QStringLiteral("Vertical")}) {
        QDir folder(out + QLatin1Char('/') + orientation);
        for (const QString &category : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QDir files(folder.filePath(category));
            for (const QString &file : files.entryList({QStringLiteral("*.vrxtemp")}, QDir::Files))
                files.remove(file);
        }
    }

    QList<std::pair<QString, QImage>> previews;
    for (const Design &design : designs()) {
        canvas.removeAllRects();
        landscape.setChecked(design.orientation == QLatin1String("Vertical"));
        TLabel label;
        label.name = design.name;
        label.width = float(design.size.width() / 72.0);
        label.height = float(design.size.height() / 72.0);
        label.num_label = 1;
        label.num_downlabel = 1;
        if (design.disc) {
            label.shape = TLabel::Oval;
            label.round_param = label.width / 2.0f;
        }
        canvas.setTLabel(label);
        Kit kit(&canvas);
        design.draw(kit, design.size);

        const QByteArray data = canvas.templateDocumentData();
        const QVariantMap dict = portable(PropertyList::fromData(data).toMap());
        const QString dir = out + QLatin1Char('/') + design.orientation + QLatin1Char('/') + design.category;
        QDir().mkpath(dir);
        const QString path = dir + QLatin1Char('/') + design.name + QStringLiteral(".vrxtemp");
        QSaveFile file(path);
        const QByteArray bytes = PropertyList::toData(dict, PlistFormat::Binary);
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            qFatal("cannot write %s", qPrintable(path));
        if (!sheet.isEmpty())
            previews.append({design.orientation.left(1) + QStringLiteral(" ") + design.category + QStringLiteral(" / ")
                                 + design.name,
                             largePreview(canvas, design.size)});
        qInfo("%s", qPrintable(path));
    }

    if (!sheet.isEmpty()) {
        // A contact sheet of the designs at twice their size, to look at.
        const int columns = 4;
        const int cell = 720;
        const int rows = int((previews.size() + columns - 1) / columns);
        QImage image(columns * cell, rows * cell, QImage::Format_RGB32);
        image.fill(QColor(0xe5, 0xe7, 0xeb));
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        for (int i = 0; i < previews.size(); ++i) {
            const QRect box((i % columns) * cell + 20, (i / columns) * cell + 40, cell - 40, cell - 60);
            const QImage &preview = previews[i].second;
            const QSize size = preview.size().scaled(box.size(), Qt::KeepAspectRatio).boundedTo(preview.size());
            painter.drawImage(QRect(box.center() - QPoint(size.width() / 2, size.height() / 2), size), preview);
            painter.drawText(QRect(box.x(), box.y() - 34, box.width(), 30), Qt::AlignCenter, previews[i].first);
        }
        painter.end();
        image.save(sheet);
    }
    return 0;
}
