// Property lists as any reader gets them (binary or XML), and the archived values stored
// inside documents: colours, fonts, text with merge-field chips, paths and pictures.
#include <QTextDocument>

#include "fuzz/FuzzSupport.h"
#include "objects/BezierPathArchive.h"
#include "objects/TextArchive.h"
#include "objects/specImage.h"
#include "platform/Archiver.h"
#include "platform/PropertyList.h"

using namespace quillmark;

QM_FUZZ_TARGET(plist)
{
    const QByteArray input = qmfuzz::bytes(data, size);
    QString error;
    const QVariant parsed = PropertyList::fromData(input, &error);
    if (parsed.isValid()) {
        // What was read can be written again in both forms.
        const QByteArray binary = PropertyList::toData(parsed, PlistFormat::Binary);
        PropertyList::fromData(binary);
        PropertyList::toData(parsed, PlistFormat::Xml);
    }
    Archiver::classOf(input);
    Archiver::unarchive(input, QStringLiteral("NSColor"));
    Archiver::unarchiveColor(input);
    Archiver::unarchiveFont(input);
    BezierPathArchive::unarchive(input);
    QTextDocument document;
    TextArchive::unarchive(input, document);
    if (const auto picture = specImage::fromArchivedData(input))
        picture->prepareImage();
    return 0;
}
