// The store's text export: the cells the store reads, written in the delimited text format.
#include "database/store/Database.h"

#include "database/exchange/DelimitedText.h"

namespace quillmark {

QString Database::exportDatabase(const QList<DatabaseOrder> &columns, QChar delimiter)
{
    QString text = QStringLiteral("");
    exportDatabase(columns, delimiter, [&](const QString &piece) {
        text += piece;
        return true;
    });
    return text;
}

bool Database::exportDatabase(const QList<DatabaseOrder> &columns, QChar delimiter, const std::function<bool(const QString &)> &write)
{
    bool first = true;
    QString line;
    return exportCells(columns, [&](const QStringList &cells) {
        line.clear();
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (i > 0)
                line += delimiter;
            line += DelimitedText::exportValue(cells.at(i), delimiter);
        }
        // A record whose line is empty is left out; the lines are separated, not ended.
        if (line.isEmpty())
            return true;
        if (!first)
            line.prepend(QStringLiteral("\r\n"));
        first = false;
        return write(line);
    });
}

} // namespace quillmark
