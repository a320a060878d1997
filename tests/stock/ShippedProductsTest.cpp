// The shipped catalogue as the application reads it: every product fits its paper, its
// labels do not overlap, round products draw round and rounded corners stay corners, each
// names its paper, and products of different makers that share a code differ by category.
// Then a table of products against the makers' published figures (see resources/catalogue-sources.md).
#include <gtest/gtest.h>

#include <QPageSize>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <cmath>

#include "platform/BezierPath.h"
#include "stock/LabelTypes.h"
#include "stock/Paper.h"
#include "stock/StockConversions.h"
#include "stock/StockTestSupport.h"

using namespace quillmark;

namespace {

constexpr double MillimetresPerInch = 25.4;

const LabelTypes &catalogue()
{
    static const LabelTypes types;
    return types;
}

QString nameOf(const TLabelType &entry)
{
    return entry.getName() + QStringLiteral(" (") + entry.paper + QLatin1Char(')');
}

TEST(ShippedProducts, EveryProductFitsItsPaperWithoutOverlaps)
{
    // Half a tenth of a millimetre: the files keep inches to five places.
    constexpr double Tolerance = 0.05 / MillimetresPerInch;
    QStringList problems;
    ASSERT_GT(catalogue().allLabelTypes().size(), 1500u);
    for (const auto &entry : catalogue().allLabelTypes()) {
        const TLabel grid = entry->getLabelStruct();
        const QPageSize paper = grid.pageSize();
        if (!paper.isValid()) {
            problems << nameOf(*entry) + QStringLiteral(": no paper");
            continue;
        }
        // Qt rounds the inch sizes of metric papers; millimetres are exact for both kinds.
        const QSizeF inches = paper.size(QPageSize::Millimeter) / MillimetresPerInch;
        if (grid.num_label < 1 || grid.num_downlabel < 1 || !(grid.width > 0.0f) || !(grid.height > 0.0f)) {
            problems << nameOf(*entry) + QStringLiteral(": no labels");
            continue;
        }
        const QRectF first = grid.labelRect(0, 0);
        const QRectF last = grid.labelRect(grid.num_label - 1, grid.num_downlabel - 1);
        if (first.left() < -Tolerance || first.top() < -Tolerance || last.right() > inches.width() + Tolerance
            || last.bottom() > inches.height() + Tolerance)
            problems << nameOf(*entry) + QStringLiteral(": labels reach %1 x %2 mm")
                                             .arg(last.right() * MillimetresPerInch, 0, 'f', 2)
                                             .arg(last.bottom() * MillimetresPerInch, 0, 'f', 2);
        if ((grid.num_label > 1 && grid.hor_distance < -Tolerance)
            || (grid.num_downlabel > 1 && grid.vert_distance < -Tolerance))
            problems << nameOf(*entry) + QStringLiteral(": labels overlap");
    }
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
}

TEST(ShippedProducts, RoundProductsDrawRoundAndCornersStayCorners)
{
    QStringList problems;
    int round = 0;
    for (const auto &entry : catalogue().allLabelTypes()) {
        const TLabel grid = entry->getLabelStruct();
        const QString type = QString::fromStdString(entry->productType);
        const bool roundType = type == u"Round" || type == u"Disc" || type == u"Oval";
        const QString category = entry->getProductCategory();
        if (roundType || category == u"Round Labels" || category == u"Oval Labels") {
            ++round;
            if (grid.shape != TLabel::Oval)
                problems << nameOf(*entry) + QStringLiteral(": a round product with shape %1").arg(grid.shape);
            if (type != u"Oval" && grid.width != grid.height)
                problems << nameOf(*entry) + QStringLiteral(": a circle that is not as wide as high");
            // Its outline is the ellipse of its rectangle, nothing else.
            const QRectF rect(grid.left_margin * 72.0, grid.top_margin * 72.0, grid.width * 72.0, grid.height * 72.0);
            BezierPath oval;
            oval.appendOvalInRect(rect);
            // A disc's centre hole is part of its outline.
            if (grid.hole > 0.0f) {
                const double d = grid.hole * 72.0;
                oval.setWindingRule(BezierPath::EvenOddWinding);
                oval.appendOvalInRect(QRectF(rect.center() - QPointF(d / 2.0, d / 2.0), QSizeF(d, d)));
            }
            if (!stocktest::samePath(grid.outlinePath(0, 0), oval, 1e-3))
                problems << nameOf(*entry) + QStringLiteral(": outline is not an ellipse");
        } else if (grid.shape == TLabel::Oval) {
            problems << nameOf(*entry) + QStringLiteral(": drawn round but not a round product");
        }
        if (grid.shape == TLabel::RoundedRectangle
            && grid.round_param > std::min(grid.width, grid.height) / 2.0f + 1e-6f)
            problems << nameOf(*entry) + QStringLiteral(": corner radius above half the short side");
    }
    EXPECT_GT(round, 200);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
}

TEST(ShippedProducts, CategoryAndCodeNameOneProduct)
{
    QSet<QString> seen;
    QStringList twice;
    for (const auto &entry : catalogue().allLabelTypes()) {
        if (seen.contains(entry->getName()))
            twice << entry->getName();
        seen.insert(entry->getName());
    }
    EXPECT_TRUE(twice.isEmpty()) << twice.join(QLatin1Char('\n')).toStdString();
}

// A product as its maker publishes it: labels across and down, label size, the top and side
// margins and the pitches, in millimetres (A4 sheets) or inches (US letter sheets).
struct Published
{
    const char *code;
    const char *category;
    const char *paper;
    bool millimetres;
    int across, down;
    double width, height, top, left, horPitch, verPitch;
};

const Published kPublished[] = {
    // Avery A4 address, shipping and multipurpose sheets (laser L and inkjet J versions).
    {"L7159", "Address Labels", "A4", true, 3, 8, 63.5, 33.9, 12.9, 7.25, 66.04, 33.9},
    {"J8159", "Address Labels", "A4", true, 3, 8, 63.5, 33.9, 12.9, 7.25, 66.04, 33.9},
    {"L7160", "Address Labels", "A4", true, 3, 7, 63.5, 38.1, 15.15, 7.25, 66.04, 38.1},
    {"J8160", "Address Labels", "A4", true, 3, 7, 63.5, 38.1, 15.15, 7.25, 66.04, 38.1},
    {"L7161", "Address Labels", "A4", true, 3, 6, 63.5, 46.6, 8.7, 7.25, 66.04, 46.6},
    {"J8161", "Address Labels", "A4", true, 3, 6, 63.5, 46.6, 8.7, 7.25, 66.04, 46.6},
    {"L7162", "Address Labels", "A4", true, 2, 8, 99.1, 33.9, 12.9, 4.65, 101.6, 33.9},
    {"J8162", "Address Labels", "A4", true, 2, 8, 99.1, 33.9, 12.9, 4.65, 101.6, 33.9},
    {"L7163", "Address Labels", "A4", true, 2, 7, 99.1, 38.1, 15.15, 4.65, 101.6, 38.1},
    {"J8163", "Address Labels", "A4", true, 2, 7, 99.1, 38.1, 15.15, 4.65, 101.6, 38.1},
    {"L7164", "Address Labels", "A4", true, 3, 4, 63.5, 72.0, 4.5, 7.25, 66.04, 72.0},
    {"J8164", "Address Labels", "A4", true, 3, 4, 63.5, 72.0, 4.5, 7.25, 66.04, 72.0},
    {"L7165", "Shipping Labels", "A4", true, 2, 4, 99.1, 67.7, 13.1, 4.65, 101.6, 67.7},
    {"J8165", "Shipping Labels", "A4", true, 2, 4, 99.1, 67.7, 13.1, 4.65, 101.6, 67.7},
    {"L7166", "Shipping Labels", "A4", true, 2, 3, 99.1, 93.1, 8.85, 4.65, 101.6, 93.1},
    {"J8166", "Shipping Labels", "A4", true, 2, 3, 99.1, 93.1, 8.85, 4.65, 101.6, 93.1},
    {"L7167", "Full Sheet Labels", "A4", true, 1, 1, 199.6, 289.1, 3.95, 5.2, 199.6, 289.1},
    {"J8167", "Full Sheet Labels", "A4", true, 1, 1, 199.6, 289.1, 3.95, 5.2, 199.6, 289.1},
    {"L7168", "Shipping Labels", "A4", true, 1, 2, 199.6, 143.5, 5.0, 5.2, 199.6, 143.5},
    {"J8168", "Shipping Labels", "A4", true, 1, 2, 199.6, 143.5, 5.0, 5.2, 199.6, 143.5},
    {"L7169", "Shipping Labels", "A4", true, 2, 2, 99.1, 139.0, 9.5, 4.65, 101.6, 139.0},
    {"J8169", "Shipping Labels", "A4", true, 2, 2, 99.1, 139.0, 9.5, 4.65, 101.6, 139.0},
    {"L7173", "Shipping Labels", "A4", true, 2, 5, 99.1, 57.0, 6.0, 4.65, 101.6, 57.0},
    {"J8173", "Shipping Labels", "A4", true, 2, 5, 99.1, 57.0, 6.0, 4.65, 101.6, 57.0},
    {"L7654", "Multipurpose Labels", "A4", true, 4, 10, 45.7, 25.4, 21.5, 9.7, 48.3, 25.4},
    {"3651", "Multipurpose Labels", "A4", true, 4, 10, 52.5, 29.7, 0.0, 0.0, 52.5, 29.7},
    {"3474", "Address Labels", "A4", true, 3, 8, 70.0, 37.0, 0.5, 0.0, 70.0, 37.0},
    {"3475", "Address Labels", "A4", true, 3, 8, 70.0, 36.0, 4.5, 0.0, 70.0, 36.0},
    // Avery US letter sheets.
    {"5160", "Address Labels", "Letter", false, 3, 10, 2.625, 1.0, 0.5, 0.1875, 2.75, 1.0},
    {"8160", "Address Labels", "Letter", false, 3, 10, 2.625, 1.0, 0.5, 0.1875, 2.75, 1.0},
    {"5260", "Address Labels", "Letter", false, 3, 10, 2.625, 1.0, 0.5, 0.1875, 2.75, 1.0},
    {"5960", "Address Labels", "Letter", false, 3, 10, 2.625, 1.0, 0.5, 0.1875, 2.75, 1.0},
    {"18160", "Address Labels", "Letter", false, 3, 10, 2.625, 1.0, 0.5, 0.1875, 2.75, 1.0},
    {"5161", "Address Labels", "Letter", false, 2, 10, 4.0, 1.0, 0.5, 0.15625, 4.1875, 1.0},
    {"8161", "Address Labels", "Letter", false, 2, 10, 4.0, 1.0, 0.5, 0.15625, 4.1875, 1.0},
    {"5162", "Address Labels", "Letter", false, 2, 7, 4.0, 4.0 / 3.0, 5.0 / 6.0, 0.15625, 4.1875, 4.0 / 3.0},
    {"8162", "Address Labels", "Letter", false, 2, 7, 4.0, 4.0 / 3.0, 5.0 / 6.0, 0.15625, 4.1875, 4.0 / 3.0},
    {"5163", "Shipping Labels", "Letter", false, 2, 5, 4.0, 2.0, 0.5, 0.15625, 4.1875, 2.0},
    {"8163", "Shipping Labels", "Letter", false, 2, 5, 4.0, 2.0, 0.5, 0.15625, 4.1875, 2.0},
    {"5164", "Shipping Labels", "Letter", false, 2, 3, 4.0, 10.0 / 3.0, 0.5, 0.15625, 4.1875, 10.0 / 3.0},
    {"8164", "Shipping Labels", "Letter", false, 2, 3, 4.0, 10.0 / 3.0, 0.5, 0.15625, 4.1875, 10.0 / 3.0},
    {"5168", "Shipping Labels", "Letter", false, 2, 2, 3.5, 5.0, 0.5, 0.5, 4.0, 5.0},
    {"5165", "Full Sheet Labels", "Letter", false, 1, 1, 8.5, 11.0, 0.0, 0.0, 8.5, 11.0},
    {"8165", "Full Sheet Labels", "Letter", false, 1, 1, 8.5, 11.0, 0.0, 0.0, 8.5, 11.0},
    {"5126", "Shipping Labels", "Letter", false, 1, 2, 8.5, 5.5, 0.0, 0.0, 8.5, 5.5},
};

TEST(ShippedProducts, FiguresAreTheMakersWithinATenthOfAMillimetre)
{
    constexpr double Tolerance = 0.1; // millimetres
    ASSERT_GE(std::size(kPublished), 40u);
    for (const Published &p : kPublished) {
        SCOPED_TRACE(p.code);
        const TLabelType *found = nullptr;
        for (const auto &entry : catalogue().allLabelTypes())
            if (entry->productCode == p.code && entry->productCategory == p.category)
                found = entry.get();
        ASSERT_NE(found, nullptr);
        const TLabel grid = found->getLabelStruct();
        const double k = p.millimetres ? 1.0 : MillimetresPerInch;
        auto mm = [](double inches) { return inches * MillimetresPerInch; };
        EXPECT_EQ(grid.paper, QString::fromLatin1(p.paper));
        EXPECT_EQ(grid.num_label, p.across);
        EXPECT_EQ(grid.num_downlabel, p.down);
        EXPECT_NEAR(mm(grid.width), p.width * k, Tolerance);
        EXPECT_NEAR(mm(grid.height), p.height * k, Tolerance);
        EXPECT_NEAR(mm(grid.top_margin), p.top * k, Tolerance);
        EXPECT_NEAR(mm(grid.left_margin), p.left * k, Tolerance);
        // The last label is where the maker puts it, so errors of the pitch do not add up.
        const QRectF last = grid.labelRect(grid.num_label - 1, grid.num_downlabel - 1);
        EXPECT_NEAR(mm(last.left()), (p.left + (p.across - 1) * p.horPitch) * k, Tolerance);
        EXPECT_NEAR(mm(last.top()), (p.top + (p.down - 1) * p.verPitch) * k, Tolerance);
    }
}

// The maker's 5195 is a return address label, 60 to a sheet; it once came as a round label.
TEST(ShippedProducts, ReturnAddressLabel5195)
{
    const TLabelType *found = nullptr;
    for (const auto &entry : catalogue().allLabelTypes())
        if (entry->productCode == "5195")
            found = entry.get();
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->getProductCategory(), QStringLiteral("Return Address Labels"));
    const TLabel grid = found->getLabelStruct();
    EXPECT_EQ(grid.num_label, 4);
    EXPECT_EQ(grid.num_downlabel, 15);
    EXPECT_NEAR(grid.width, 1.75, 1e-4);
    EXPECT_NEAR(grid.height, 2.0 / 3.0, 1e-4);
    EXPECT_NE(grid.shape, TLabel::Oval);
    EXPECT_EQ(grid.paper, PaperName::Letter);
}

} // namespace

// Every disc product has its centre hole, as its maker publishes it: 41 mm for the classic
// labels that leave the disc's hub bare, 17 mm or 15 mm for the full-face ones.
TEST(ShippedProducts, DiscsHaveTheirCentreHole)
{
    const struct
    {
        const char *code;
        const char *paper;
        double hole; // millimetres
    } published[] = {
        {"5931", "Letter", 41}, {"8931", "Letter", 41}, {"5824", "Letter", 41},
        {"5692", "Letter", 17}, {"8692", "Letter", 17}, {"L7676", "A4", 41},
        {"J8676", "A4", 41},    {"L6015", "A4", 15},    {"L6043", "A4", 17},
        {"4093", "A4", 41},     {"LA 505", "A4", 41},
    };
    for (const auto &p : published) {
        SCOPED_TRACE(p.code);
        const TLabelType *found = nullptr;
        for (const auto &entry : catalogue().allLabelTypes())
            if (entry->productCode == p.code && entry->productCategory == "CD/DVD Labels")
                found = entry.get();
        ASSERT_NE(found, nullptr);
        const TLabel grid = found->getLabelStruct();
        EXPECT_EQ(grid.paper, QString::fromLatin1(p.paper));
        EXPECT_NEAR(grid.hole * MillimetresPerInch, p.hole, 0.01);
    }
    int discs = 0;
    for (const auto &entry : catalogue().allLabelTypes()) {
        if (entry->productCategory != "CD/DVD Labels" || entry->productType != "Disc") {
            EXPECT_EQ(entry->hole, 0.0) << nameOf(*entry).toStdString();
            continue;
        }
        ++discs;
        SCOPED_TRACE(nameOf(*entry).toStdString());
        const TLabel grid = entry->getLabelStruct();
        EXPECT_EQ(grid.shape, TLabel::Oval);
        EXPECT_GE(grid.hole * MillimetresPerInch, 15.0 - 1e-3);
        EXPECT_LE(grid.hole * MillimetresPerInch, 41.0 + 1e-3);
        // Mini discs keep the 41 mm hub of the full-size ones: the hole only has to leave a ring.
        EXPECT_LT(grid.hole, std::min(grid.width, grid.height) * 0.75f);
        // The outline leaves the hole out: its centre is not on the label.
        const BezierPath outline = grid.outlinePath(0, 0);
        const QRectF box = outline.bounds();
        EXPECT_FALSE(outline.containsPoint(box.center()));
        EXPECT_TRUE(outline.containsPoint(box.center() + QPointF(grid.hole * 36.0 + 2.0, 0.0)));
    }
    EXPECT_GE(discs, 100);
}

// A sheet sold under several codes (the laser L and inkjet J versions of one layout and the
// bare code the sheet also goes by) has one geometry, whichever code the user picks.
TEST(ShippedProducts, CodesOfOneSheetHaveOneGeometry)
{
    QMap<QString, const TLabelType *> byCode;
    for (const auto &entry : catalogue().allLabelTypes())
        if (entry->paper == PaperName::A4)
            byCode.insert(entry->getProductCode(), entry.get());
    // J8414 and 8414 are a card of another size, not the inkjet version of L7414.
    const QSet<QString> otherSheets = {QStringLiteral("J8414"), QStringLiteral("8414")};
    static const QRegularExpression coded(QStringLiteral("^([LJ]?)([0-9]{4})$"));
    QMap<int, QStringList> families;
    for (auto it = byCode.cbegin(); it != byCode.cend(); ++it) {
        const QRegularExpressionMatch m = coded.match(it.key());
        if (!m.hasMatch() || otherSheets.contains(it.key()))
            continue;
        const int number = m.captured(2).toInt();
        const QString prefix = m.captured(1);
        int family = number;
        if (prefix == QLatin1String("J"))
            family = number - 1000;
        else if (prefix.isEmpty() && !byCode.contains(QStringLiteral("L%1").arg(number)))
            family = byCode.contains(QStringLiteral("J%1").arg(number)) ? number - 1000 : -1;
        if (family > 0 && byCode.contains(QStringLiteral("L%1").arg(family)))
            families[family] << it.key();
    }
    int checked = 0;
    for (auto it = families.cbegin(); it != families.cend(); ++it) {
        const TLabel laser = byCode.value(QStringLiteral("L%1").arg(it.key()))->getLabelStruct();
        for (const QString &code : it.value()) {
            SCOPED_TRACE(code.toStdString());
            const TLabelType *entry = byCode.value(code);
            TLabel twin = entry->getLabelStruct();
            twin.name = laser.name;
            EXPECT_TRUE(gridStocksMatch(laser, twin)) << twin.description().toStdString();
            EXPECT_EQ(twin.hole, laser.hole);
            EXPECT_EQ(entry->productDescription, byCode.value(laser.name)->productDescription);
            ++checked;
        }
    }
    // Among them the bare codes 7160 to 7165 and 7169, corrected with their L versions.
    for (const char *bare : {"7160", "7161", "7162", "7163", "7164", "7165", "7169"})
        EXPECT_TRUE(families.value(QString::fromLatin1(bare).toInt()).contains(QString::fromLatin1(bare))) << bare;
    EXPECT_GE(checked, 40);
}
