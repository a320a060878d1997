#include "inspector/NumberField.h"

#include <QLabel>
#include <QLocale>

#include <algorithm>
#include <cmath>

#include "foundation/TypedNumber.h"
#include "platform/ScreenArea.h"

namespace quillmark {

namespace {

struct FormatParts
{
    int decimals = 2;
    bool grouping = false;
    QString suffix;
};

FormatParts partsOf(const QString &format)
{
    FormatParts parts;
    if (format.isEmpty())
        return parts;
    // The number part is the leading run of '#', '0', ',' and '.'; the rest is the suffix.
    int end = 0;
    while (end < format.size() && QStringLiteral("#0,.").contains(format.at(end)))
        ++end;
    const QString number = format.left(end);
    parts.suffix = format.mid(end);
    parts.grouping = number.contains(QLatin1Char(','));
    const int point = int(number.indexOf(QLatin1Char('.')));
    parts.decimals = point < 0 ? 0 : int(number.size()) - point - 1;
    return parts;
}

QString grouped(const QString &digits, const QString &separator)
{
    QString out;
    const int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += digits.at(i);
    }
    return out;
}

} // namespace

NumberField::NumberField(QWidget *parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::editingFinished, this, &NumberField::endEditing);
    // Typing again puts the last refusal away.
    connect(this, &QLineEdit::textEdited, this, &NumberField::clearRefusal);
}

NumberField::~NumberField()
{
    delete m_note;
}

void NumberField::setFormat(const QString &format)
{
    if (format == m_format)
        return;
    m_format = format;
    // The number shown keeps its value in the new format.
    if (m_shownValue && !isModified())
        setFloatValue(*m_shownValue);
}

QString NumberField::unit() const
{
    return partsOf(m_format).suffix.trimmed();
}

void NumberField::setAcceptedRange(double low, double high)
{
    m_range = std::pair{low, high};
}

QString NumberField::formatted(double value) const
{
    return formatted(value, m_format);
}

QString NumberField::formatted(double value, const QString &format)
{
    if (!std::isfinite(value))
        return {};
    const FormatParts parts = partsOf(format);
    QString text = QString::number(value, 'f', parts.decimals);
    // No "-0.00".
    if (text.startsWith(QLatin1Char('-')) && std::abs(QLocale::c().toDouble(text)) == 0.0)
        text.remove(0, 1);
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative)
        text.remove(0, 1);
    const int point = int(text.indexOf(QLatin1Char('.')));
    QString whole = point < 0 ? text : text.left(point);
    const QString fraction = point < 0 ? QString() : text.mid(point + 1);
    // The marks the user reads numbers with.
    const QLocale locale;
    if (parts.grouping)
        whole = grouped(whole, locale.groupSeparator());
    text = (negative ? QStringLiteral("-") : QString()) + whole;
    if (point >= 0)
        text += locale.decimalPoint() + fraction;
    return text + parts.suffix;
}

void NumberField::setFloatValue(double value)
{
    // A refresh that shows the value the field shows already leaves the note of a refused
    // typing beside it.
    if (formatted(value) == m_shown && text() == m_shown && !m_refusal.isEmpty())
        return;
    clearRefusal();
    m_shown = formatted(value);
    m_shownValue = std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
    setText(m_shown);
}

void NumberField::setStringValue(const QString &text)
{
    // The getters' texts are "%.2f": C numbers without a unit.
    bool ok = false;
    const double number = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(number)) {
        clearRefusal();
        m_shown.clear();
        m_shownValue.reset();
        setText(QString());
        return;
    }
    setFloatValue(number);
}

std::optional<double> NumberField::value() const
{
    return parse(text());
}

std::optional<double> NumberField::parse(const QString &text) const
{
    return readTypedNumber(text, unit()).value;
}

int NumberField::intValue() const
{
    const double v = value().value_or(0.0);
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return int(v);
}

void NumberField::endEditing()
{
    if (!isModified())
        return;
    setModified(false);
    const TypedNumber typed = readTypedNumber(text(), unit());
    if (!typed.value) {
        refuse(typed.refusal);
        return;
    }
    if (m_range && (*typed.value < m_range->first || *typed.value > m_range->second)) {
        refuse(outOfRangeReason(formatted(m_range->first), formatted(m_range->second)));
        return;
    }
    clearRefusal();
    // The action reads the typed text itself, unit and all, and the refresh after it shows
    // the value the way the field shows values ("2 in" in a cm field reads "5.08 cm").
    emit valueEntered();
}

void NumberField::refuse(const QString &reason)
{
    // The field shows what it showed before; the note says why the typing was not taken.
    setText(m_shown);
    m_refusal = reason;
    if (!m_note) {
        m_note = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
        m_note->setObjectName(QStringLiteral("NumberFieldRefusal"));
        m_note->setMargin(4);
        m_note->setStyleSheet(QStringLiteral("QLabel { background: #fff4c2; color: #5a3d00; border: 1px solid #c9a227; }"));
    }
    m_note->setText(reason);
    placeNote();
    if (isVisible())
        m_note->show();
}

void NumberField::placeNote()
{
    // Under the field, on one line where the screen has room for it; the inspector sits at
    // the screen's right edge, so a long reason moves left and wraps rather than run off it.
    const QRect area = ScreenArea::available(this);
    const QPoint below = mapToGlobal(QPoint(0, height() + 2));
    m_note->setMinimumSize(0, 0);
    m_note->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_note->setWordWrap(false);
    m_note->adjustSize();
    if (area.isEmpty()) {
        m_note->move(below);
        return;
    }
    const int widest = std::max(120, std::min(area.width() - 8, 360));
    if (m_note->width() > widest) {
        m_note->setWordWrap(true);
        m_note->setFixedSize(widest, m_note->heightForWidth(widest));
    }
    QPoint at = below;
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - m_note->width())));
    // Above the field when there is no room below it.
    if (at.y() + m_note->height() > area.bottom() + 1)
        at.setY(mapToGlobal(QPoint(0, -2)).y() - m_note->height());
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - m_note->height())));
    m_note->move(at);
}

void NumberField::clearRefusal()
{
    m_refusal.clear();
    if (m_note)
        m_note->hide();
}

void NumberField::hideEvent(QHideEvent *event)
{
    if (m_note)
        m_note->hide();
    QLineEdit::hideEvent(event);
}

} // namespace quillmark
