#pragma once
// What the linear symbologies share: the element-width rule, bars, UPC/EAN guard, digit and
// add-on bars, the extent dispatch and the text helpers. Every routine works in drawing units of
// the context's resolution; the record's barW and spaceW are already in those units.
#include "barcodes/LinearDrawContext.h"
#include "barcodes/TBarInfo.h"

#include <string>

namespace quillmark {

// Character sets of UPC/EAN digits.
enum UpcEanSet { SetL = 0, SetG = 1, SetR = 2 };

// Sets the context's text drop D and line height L from the font; answers (cap height - leading)
// / 72, the text height in inches.
double barcodeTextMetrics(LinearDrawContext &ctx, const QFont &font, int resolution);

// The mean module m = (barW + spaceW) / 2, and the widths of a bar or space of k modules.
double meanModule(const TBarInfo &info);
double barElementWidth(const TBarInfo &info, int modules);
double spaceElementWidth(const TBarInfo &info, int modules);

// Fills the quadrilateral (x0,y0), (x1,y1) and that edge moved by |t|: along +x when t > 0,
// along +y otherwise.
void fillBar(LinearDrawContext &ctx, double y0, double x0, double y1, double x1, double t);

void drawUpcEanGuardBars(LinearDrawContext &ctx, BarPosition &pos, const TBarInfo &info, int count);
void drawUpcEanDigitBars(LinearDrawContext &ctx, BarPosition &pos, int digit, const TBarInfo &info,
                         UpcEanSet set, bool addOn, bool withText);
void drawUpcEanAddOnGuard(LinearDrawContext &ctx, BarPosition &pos, const TBarInfo &info);
// digits: two digits, or five (shorter text is read with '0' for the missing digits).
void drawUpcEanAddOn(LinearDrawContext &ctx, BarPosition &pos, const TBarInfo &info, const std::string &digits);
// The parity pattern of an add-on ("LG", "GLGLL" ...).
std::string upcEanAddOnParity(const std::string &digits);

// Writes the extent of the symbol into info.BarRect (with the margin of r/18 on every side) and
// answers it. Types without an extent routine keep BarRect.
ShortRect barcodeExtentByType(TBarInfo &info, LinearDrawContext &ctx);
// The margin rule shared by the extent routines.
void setExtentRect(TBarInfo &info, double width, double height, int resolution);
// Width of the type's error message in the message font.
double errorTextWidth(int type, const LinearDrawContext &ctx);
// What is drawn in place of a symbol whose data the type refuses: the type's error message, or
// for a Bookland number with a wrong check character, the check its digits give.
std::string invalidDataText(const TBarInfo &info);
double invalidDataTextWidth(const TBarInfo &info, const LinearDrawContext &ctx);

double stringWidthInFont(const QString &text, const QFont *font);
double charWidthInFont(QChar c, const QFont &font);
// Draws one character with its baseline at pos.y (its top at y - ascender).
void drawBarcodeChar(LinearDrawContext &ctx, const QString &character, BarPosition pos);
void drawCharInFont(LinearDrawContext &ctx, const QFont &font, const QString &character, BarPosition pos);
// Draws a data string (UTF-8, else ASCII) with its baseline at (h, v).
void drawPstrInFont(LinearDrawContext &ctx, const QFont &font, const std::string &bytes, double v, double h);
// One text line spread evenly over the width of the symbol.
void drawBarcodeTextLine(LinearDrawContext &ctx, const TBarInfo &info, const std::string &bytes);

} // namespace quillmark
