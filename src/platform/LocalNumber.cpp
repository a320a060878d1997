#include "platform/LocalNumber.h"

#include <QLocale>

namespace quillmark {

QString localNumber(double value, char format, int precision)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, format, precision);
}

} // namespace quillmark
