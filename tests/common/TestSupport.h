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
