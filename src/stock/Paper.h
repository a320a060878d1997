#pragma once
// Paper names of the stock: which sheet of paper a label sheet is cut on, so printing can
// start on the right paper instead of the locale's.
#include <QPageSize>
#include <QString>

namespace quillmark {

// The names a stock carries, as the paper format list names them.
namespace PaperName {
inline const QString Letter = QStringLiteral("Letter");
inline const QString Legal = QStringLiteral("Legal");
inline const QString A4 = QStringLiteral("A4");
inline const QString A5 = QStringLiteral("A5");
} // namespace PaperName

// The page size of a paper name: the names of the paper format list ("Letter", "A4",
// "Legal", "A5", "A3", "A6", "B5", "Tabloid", "Executive", "Statement") and the media
// names of the free-layout stocks ("na-letter", "iso-a4", ...), case-insensitively. An
// empty or unknown name gives an invalid QPageSize: the stock does not say.
QPageSize pageSizeForPaper(const QString &name);

// The canonical name of a paper name ("iso-a4" and "a4" give "A4"); empty when unknown.
QString canonicalPaperName(const QString &name);

// The name a page size is stored under; empty for a size without one of the names above.
QString paperNameForPageSize(const QPageSize &size);

} // namespace quillmark
