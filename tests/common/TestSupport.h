#pragma once
// Helpers shared by the test executables.
#include <QFont>
#include <QString>

namespace qmtest {

// Loads DejaVu Sans from the system fonts folder and returns its family name, so text
// measurements in tests do not depend on whatever fonts the machine happens to have.
QString loadTestFont();

// A font of the fixed test family at the given point size.
QFont testFont(qreal pointSize = 12.0);

// A fresh, empty folder under the test run's temporary root.
QString freshDir(const QString &name);

// The source tree's resources folder.
QString resourcesDir();

} // namespace qmtest

#include <ostream>
#include <QStringList>

// Failure messages show strings as text rather than as arrays of 16-bit units.
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList &list, std::ostream *out)
{
    *out << '[' << list.join(QStringLiteral("\", \"")).prepend('"').append('"').toStdString() << ']';
}
