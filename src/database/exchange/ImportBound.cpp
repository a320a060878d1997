#include "database/exchange/ImportBound.h"

#include "foundation/Language.h"

#include <QFileInfo>
#include <QLocale>

namespace quillmark {

namespace {

// "12 KB", "3.5 MB", "256 MB": as precise as a reader of the message needs.
QString shownSize(qint64 bytes)
{
    constexpr qint64 MB = 1024 * 1024;
    if (bytes < MB)
        return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024);
    if (bytes < 10 * MB)
        return QStringLiteral("%1 MB").arg(QString::number(double(bytes) / MB, 'f', 1));
    return QStringLiteral("%1 MB").arg(bytes / MB);
}

} // namespace

ImportBound::ImportBound(const QString &path)
{
    const QFileInfo info(path);
    _name = info.fileName();
    _size = info.size();
}

qint64 ImportBound::allowance(qint64 ceiling) const
{
    if (_size < 0)
        return ceiling;
    // Past what multiplying could overflow, the ceiling holds anyway.
    const qint64 scaled = _size > ceiling / PerFileByte ? ceiling : _size * PerFileByte;
    return qMin(ceiling, qMax(Floor, scaled));
}

qint64 ImportBound::textAllowance() const
{
    return allowance(MaximumText);
}

qint64 ImportBound::cellAllowance() const
{
    return allowance(MaximumCells);
}

QString ImportBound::problem(const QString &what) const
{
    if (_size < 0)
        return Language::withValues(translated(QStringLiteral("The import would make more than %@, more than one import takes.")), {what});
    return Language::withValues(translated(QStringLiteral("The file \u201c%@\u201d is refused: its %@ on disk would make more than %@.")),
                                {_name, shownSize(_size), what});
}

QString ImportBound::textProblem(qint64 characters) const
{
    const qint64 allowed = textAllowance();
    if (characters <= allowed)
        return QString();
    return problem(Language::withValues(translated(QStringLiteral("%@ of text")), {shownSize(allowed)}));
}

QString ImportBound::cellProblem(qint64 cells) const
{
    const qint64 allowed = cellAllowance();
    if (cells <= allowed)
        return QString();
    return problem(Language::withValues(translated(QStringLiteral("%@ cells")), {QLocale(QLocale::English).toString(allowed)}));
}

QString ImportBound::columnProblem(qint64 columns) const
{
    if (columns <= MaximumColumns)
        return QString();
    return Language::withValues(translated(QStringLiteral("The file \u201c%@\u201d is refused: a record of it has more than %@ columns.")),
                                {_name, QLocale(QLocale::English).toString(MaximumColumns)});
}

} // namespace quillmark
