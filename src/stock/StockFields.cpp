#include "stock/StockFields.h"

#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

#include "foundation/MyStepper.h"
#include "platform/UserDefaults.h"
#include "stock/StockCanvas.h"

namespace quillmark {

namespace StockFields {

QString measure(StockCanvas *canvas)
{
    if (canvas)
        return canvas->measure();
    const QString unit = UserDefaults::standard().stringForKey(QStringLiteral("Measurements"));
    return unit.isEmpty() ? QStringLiteral("Inches") : unit;
}

QString formatLength(double value, const QString &suffix)
{
    // -0.00 reads oddly in a field.
    if (std::abs(value) < 0.005)
        value = 0.0;
    return QLocale().toString(value, 'f', 2) + QLatin1Char(' ') + suffix;
}

std::optional<double> parseNumber(const QString &text)
{
    // The unit the field shows after the number is not part of it.
    static const QRegularExpression unit(QStringLiteral("[^\\d.,\\s]+$"));
    QString number = text.trimmed();
    number.remove(unit);
    number = number.trimmed();
    if (number.isEmpty())
        return std::nullopt;
    bool ok = false;
    double value = QLocale().toDouble(number, &ok);
    if (!ok)
        value = QLocale::c().toDouble(number, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> parseWholeNumber(const QString &text)
{
    const std::optional<double> value = parseNumber(text);
    if (!value || *value != std::trunc(*value) || std::abs(*value) > 1e9)
        return std::nullopt;
    return int(*value);
}

void markField(QLineEdit *field, const QString &reason)
{
    if (!field)
        return;
    const bool marked = !reason.isEmpty();
    if (field->property("qmRefused").toBool() == marked && field->toolTip() == reason)
        return;
    field->setProperty("qmRefused", marked);
    field->setToolTip(reason);
    field->setStyleSheet(marked ? QStringLiteral("QLineEdit { border: 2px solid #d0302b; }") : QString());
}

void prepareStepper(MyStepper *stepper, double minimum, double maximum, double increment)
{
    stepper->setValueWraps(false);
    stepper->setAutorepeat(true);
    stepper->setMinValue(minimum);
    stepper->setMaxValue(maximum);
    stepper->setIncrement(increment);
}

bool reachesPastPaper(const QRectF &extent, const QSizeF &paper)
{
    // Edge-to-edge sheets add up to a hair more than the paper.
    constexpr double Slack = 72.0 / 25.4;
    if (extent.isEmpty() || paper.isEmpty())
        return false;
    return extent.left() < -Slack || extent.top() < -Slack || extent.right() > paper.width() + Slack
        || extent.bottom() > paper.height() + Slack;
}

} // namespace StockFields

} // namespace quillmark
