#include "platform/LocalNumber.h"

#include <QLocale>

#include "platform/Format.h"

namespace quillmark {

QString localNumber(double value, char format, int precision)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, format, precision);
}

double leadingLocalNumber(const QString &text)
{
    const QString decimal = QLocale().decimalPoint();
    if (decimal.isEmpty() || decimal == QLatin1String("."))
        return leadingDouble(text);
    // The first mark only: a second one ends the number, as a second point does.
    QString read = text;
    const qsizetype at = read.indexOf(decimal);
    if (at >= 0 && !read.left(at).contains(QLatin1Char('.')))
        read.replace(at, decimal.size(), QLatin1Char('.'));
    return leadingDouble(read);
}

} // namespace quillmark
