#pragma once
// A parsed XML part of a workbook, searched for elements by name.
#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QString>

namespace quillmark {

class xmlReader
{
public:
    xmlReader() = default;
    // Parses the bytes; isInitialized() tells whether they were XML.
    explicit xmlReader(const QByteArray &data);

    bool isInitialized() const { return _initialized; }
    // The elements of that (local) name searched from the root element.
    QList<QDomElement> objectsByName(const QString &name) const;
    // The element's direct children of that name when there are any; otherwise, for each child
    // element in order, the same search below it, concatenated.
    static QList<QDomElement> objectsFromElement(const QDomElement &element, const QString &name);

private:
    QDomDocument _doc;
    bool _initialized = false;
};

} // namespace quillmark
