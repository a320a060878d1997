#pragma once
// Code 128 with one code set for the whole symbol: set B (type 8), set A (type 26) and set C
// (type 27). Data bytes keep their own code in the symbol string; bytes 128-137 stand for the
// special values 96-105.
#include "barcodes/LinearDrawContext.h"
#include "barcodes/TBarInfo.h"

#include <string>
#include <vector>

namespace quillmark {

// The bar/space pattern of a symbol value (0-106) in modules, six digits "bsbsbs";
// value 106 is the stop without its final two-module bar.
const char *code128Pattern(int value);

// The symbol values of the data (start, data, check when CheckSymb is on, stop 106); empty when
// the type rejects the data.
std::vector<int> code128Values(const TBarInfo &info);
bool code128Valid(const TBarInfo &info);
// False when the data are longer than one symbol holds (255 bytes).
bool code128Holds(const TBarInfo &info);
// The symbol string: start character, data bytes, check character.
std::string code128Encode(const TBarInfo &info);
// The human-readable text: the data without start and check.
std::string code128Text(const TBarInfo &info);

int code128Draw(TBarInfo &info, LinearDrawContext &ctx);
void code128Extent(TBarInfo &info, LinearDrawContext &ctx);
void code128DrawSymbolBars(LinearDrawContext &ctx, BarPosition &pos, int value, const TBarInfo &info);
void code128DrawStopBar(LinearDrawContext &ctx, BarPosition &pos, const TBarInfo &info);
void code128DrawText(LinearDrawContext &ctx, const TBarInfo &info, const std::string &text);

} // namespace quillmark
