#pragma once
// Fonts as this machine has them. A design may name a family the machine lacks: its text
// keeps that family, so that it is saved and shown as it was made, and is drawn in the
// family the font system stands in with.
#include <QFont>
#include <QString>

namespace quillmark {

// Whether the font's family is installed (with or without the foundry in brackets); a
// generic family ("Sans Serif") always is.
bool isFontFamilyInstalled(const QFont &font);
// The face the text is drawn with, named as the font panel lists it: the family with its
// foundry ("URW Bookman [urw]") and the face's style name ("Light").
QFont drawnFace(const QFont &font);
// The family without a foundry in brackets: "URW Bookman [urw]" gives "URW Bookman".
QString bareFamily(const QString &family);
// The family for the user: its name, or for a family that is not installed its name marked
// as missing.
QString familyDisplayName(const QFont &font);

} // namespace quillmark
