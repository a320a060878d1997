#pragma once
// POSTNET (type 1): a ZIP, ZIP+4 or delivery-point ZIP of 5, 9 or 11 digits as full and half
// bars of fixed size. Bytes other than digits are skipped. Address blocks draw the same bars.
#include "barcodes/LinearDrawContext.h"
#include "barcodes/TBarInfo.h"

#include <string>

namespace quillmark {

// The digits of the data, other bytes skipped.
std::string postnetDigits(const std::string &data);
bool PostnetDigitCountValid(const std::string &data);

int postnetDraw(TBarInfo &info, LinearDrawContext &ctx);
void postnetDrawDigit(LinearDrawContext &ctx, BarPosition &pos, int digit, const TBarInfo &info);
void postnetExtent(TBarInfo &info, LinearDrawContext &ctx);

} // namespace quillmark
