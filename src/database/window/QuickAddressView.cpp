#include "database/window/QuickAddressView.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTextLayout>

#include <memory>

#include "database/merge/ColorAddress.h"
#include "objects/TextFlow.h"

namespace quillmark {

namespace {

constexpr qreal Inset = 10.0;
constexpr qreal BarWidth = 1.5;
constexpr qreal FullBar = 7.0;
constexpr qreal HalfBar = 4.0;
constexpr qreal BarStep = 3.0;
constexpr qreal DigitStep = 16.0;
const char *const SampleDigits = "12345678912";
const char *const DigitBars[10] = {"11000", "00011", "00101", "00110", "01001",
                                   "01010", "01100", "10001", "10010", "10100"};

// The sample bars: a frame bar, five bars per digit and for the check digit, a frame bar.
void drawSampleBars(QPainter *painter, const QPointF &at)
{
    auto bar = [&](qreal x, bool full) {
        const qreal top = full ? at.y() : at.y() + (FullBar - HalfBar);
        painter->fillRect(QRectF(x, top, BarWidth, full ? FullBar : HalfBar), painter->pen().color());
    };
    bar(at.x(), true);
    const QByteArray digits(SampleDigits);
    int sum = 0;
    qreal digitStart = at.x() + BarStep;
    qreal last = at.x();
    auto drawDigit = [&](int digit) {
        for (int b = 0; b < 5; ++b) {
            last = digitStart + b * BarStep;
            bar(last, DigitBars[digit][b] == '1');
        }
        digitStart += DigitStep;
    };
    for (const char c : digits) {
        sum += c - '0';
        drawDigit(c - '0');
    }
    drawDigit((10 - sum % 10) % 10);
    bar(last + BarStep, true);
}

} // namespace

QuickAddressView::QuickAddressView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("QuickAddressView"));
    setMinimumSize(320, 150);
}

void QuickAddressView::setQa(const TQuickAddress &qa)
{
    _qa = qa;
    update();
}

void QuickAddressView::checkBoxPress()
{
    update();
}

QSize QuickAddressView::sizeHint() const
{
    return QSize(360, 170);
}

void QuickAddressView::drawPreview(QPainter *painter, const QRectF &bounds) const
{
    painter->save();
    painter->fillRect(bounds, Qt::white);
    painter->setPen(Qt::gray);
    painter->drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
    const QRectF area = bounds.adjusted(Inset, Inset, -Inset, -Inset);
    painter->setClipRect(area);
    painter->setPen(Qt::blue);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(10.0);
    qreal textTop = area.top();
    if (_qa.barFlag()) {
        drawSampleBars(painter, area.topLeft());
        textTop += Inset;
    }
    QTextCharFormat format;
    format.setFont(font, QTextCharFormat::FontPropertiesAll);
    format.setForeground(QColor(Qt::blue));
    const ColorAddress::Lines lines =
        ColorAddress::layoutParts(ColorAddress::designTexts(), _qa, font, area.topLeft(), textTop, QSizeF(0.0, 0.0), 0.0);
    for (const ColorAddress::PlacedPart &part : lines.parts) {
        if (part.text.isEmpty())
            continue;
        TextFlow::layoutString(part.text, format)->draw(painter, part.topLeft);
    }
    painter->restore();
}

void QuickAddressView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawPreview(&painter, QRectF(rect()));
}

} // namespace quillmark
