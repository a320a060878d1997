#include "stock/StockFields.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

#include "foundation/Language.h"
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

float stepFromPoints(const QString &unit, float value)
{
    if (unit == QLatin1String("Inches"))
        return value / 72.0f;
    if (unit == QLatin1String("Centimeters"))
        return value / 25.4f;
    if (unit == QLatin1String("Picas"))
        return value / 12.0f;
    return value;
}

QString unitSuffix(const QString &unit, const char *centimetreSuffix)
{
    if (unit == QLatin1String("Inches"))
        return translated(QStringLiteral("in"));
    if (unit == QLatin1String("Centimeters"))
        return Language::stringForKey(QString::fromUtf8(centimetreSuffix));
    if (unit == QLatin1String("Picas"))
        return Language::stringForKey(QStringLiteral("pc"));
    return Language::stringForKey(QStringLiteral("pt"));
}

namespace {

// The Up and Down keys in a length field step it as its stepper does; a value typed and not
// yet taken is taken first, so the step starts from what the field shows.
class ArrowKeysStep : public QObject
{
public:
    ArrowKeysStep(QLineEdit *field, MyStepper *stepper, std::function<void()> ended)
        : QObject(field)
        , m_field(field)
        , m_stepper(stepper)
        , m_ended(std::move(ended))
    {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_field || event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() != Qt::Key_Up && key->key() != Qt::Key_Down)
            || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || !m_stepper->isEnabled())
            return false;
        if (m_field->isModified()) {
            m_field->setModified(false);
            m_ended();
        }
        m_stepper->step(key->key() == Qt::Key_Up ? 1 : -1);
        return true;
    }

private:
    QLineEdit *m_field;
    MyStepper *m_stepper;
    std::function<void()> m_ended;
};

} // namespace

LengthField makeLengthField(QWidget *panel, const char *name, int minimumWidth, std::function<void()> edited,
                            std::function<void()> ended, std::function<void(double)> stepped)
{
    LengthField made;
    made.field = new QLineEdit(panel);
    made.field->setObjectName(QStringLiteral("tf") + QLatin1String(name));
    made.field->setAlignment(Qt::AlignRight);
    made.field->setMinimumWidth(minimumWidth);
    made.stepper = new MyStepper(panel);
    made.stepper->setObjectName(QStringLiteral("sp") + QLatin1String(name));
    QObject::connect(made.field, &QLineEdit::textEdited, panel, std::move(edited));
    new ArrowKeysStep(made.field, made.stepper, ended);
    // Leaving a field takes what was typed; a field only passed through keeps its value, which
    // it shows rounded to two decimals.
    QObject::connect(made.field, &QLineEdit::editingFinished, panel, [field = made.field, ended = std::move(ended)] {
        if (field->isModified()) {
            field->setModified(false);
            ended();
        }
    });
    QObject::connect(made.stepper, &Stepper::valueChanged, panel, std::move(stepped));
    return made;
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
