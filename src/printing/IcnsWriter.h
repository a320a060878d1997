#pragma once
// Icon files in the ICNS container: "icns", the file length, then typed entries. Each icon size
// is stored under the entry type that readers accept for it: PNG data for 16 ("icp4"),
// 128 ("ic07"), 256 ("ic08"), 512 ("ic09") and 1024 ("ic10") pixels; 48 pixels has no PNG entry
// type, so it is stored as run-length coded RGB ("ih32") with an 8-bit mask ("h8mk").
#include <QByteArray>
#include <QImage>
#include <QString>

namespace quillmark {

class IcnsWriter
{
public:
    // One square image of an icon size. Empty on failure, with the reason in error.
    static QByteArray encode(const QImage &icon, QString *error = nullptr);

    // The run-length coding of one 8-bit channel used by "ih32" entries: a byte n below 128 is
    // followed by n + 1 literal bytes; a byte n of 128 or more repeats the next byte n - 125 times.
    static QByteArray packChannel(const QByteArray &channel);
};

} // namespace quillmark
