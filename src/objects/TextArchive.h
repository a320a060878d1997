#pragma once
// The archived form of an object's text ("QMText"): the blocks of a QTextDocument with their
// paragraph settings and, per run of equal attributes, the text with every character
// attribute the application can set.
//
// Merge-field chips are one object replacement character (U+FFFC) whose character format
// has the object type FieldChipObjectType and the field's primary key under
// FieldPkProperty; the rest of that format is what the chip is drawn with. A run of chips
// keeps the key under "attachmentPrimaryKey" and those attributes under
// "attributesPrimaryKey"; how the chip looks and what it shows belongs to the merge objects.
#include <QByteArray>
#include <QString>
#include <QTextFormat>

class QTextDocument;

namespace quillmark {

class TextArchive
{
public:
    TextArchive() = delete;

    static constexpr int FieldChipObjectType = QTextFormat::UserObject + 1;
    static constexpr int FieldPkProperty = QTextFormat::UserProperty + 1;

    static const QString className;

    static QByteArray archive(const QTextDocument &document);
    // Replaces the document's contents with the archived text. Answers false, leaving the
    // document unchanged, when the data is not an archived text.
    static bool unarchive(const QByteArray &data, QTextDocument &document);
    // Whether any paragraph may stand in a table, known without asking a cursor: that makes the
    // document's root frame, an object of its own that the small text of a box never needs
    // otherwise, and that only the text's own thread may make. A document without a table's
    // format holds no table.
    static bool mayHoldTables(const QTextDocument &document);
};

} // namespace quillmark
