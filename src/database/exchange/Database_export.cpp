// The store's text export: the cells the store reads, written in the delimited text format.
#include "database/store/Database.h"

#include "database/exchange/DelimitedText.h"

namespace quillmark {

QString Database::exportDatabase(const QList<DatabaseOrder> &columns, QChar delimiter)
{
    QStringList lines;
    exportCells(columns, [&](const QStringList &cells) {
        QStringList values;
        values.reserve(cells.size());
        for (const QString &cell : cells)
            values.append(DelimitedText::exportValue(cell, delimiter));
        const QString line = values.join(delimiter);
        if (!line.isEmpty())
            lines.append(line);
    });
    return lines.isEmpty() ? QStringLiteral("") : lines.join(QStringLiteral("\r\n"));
}

} // namespace quillmark
