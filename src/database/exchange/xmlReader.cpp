#include "database/exchange/xmlReader.h"

namespace quillmark {

xmlReader::xmlReader(const QByteArray &data)
{
    if (data.isEmpty())
        return;
    // Namespace processing lets "x:row" and "row" both answer to "row".
    _initialized = bool(_doc.setContent(data, true));
}

QList<QDomElement> xmlReader::objectsByName(const QString &name) const
{
    if (!_initialized)
        return {};
    const QDomElement root = _doc.documentElement();
    if (root.localName() == name)
        return {root};
    return objectsFromElement(root, name);
}

QList<QDomElement> xmlReader::objectsFromElement(const QDomElement &element, const QString &name)
{
    QList<QDomElement> direct;
    for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement())
        if (child.localName() == name)
            direct.append(child);
    if (!direct.isEmpty())
        return direct;
    QList<QDomElement> found;
    for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement())
        found += objectsFromElement(child, name);
    return found;
}

} // namespace quillmark
