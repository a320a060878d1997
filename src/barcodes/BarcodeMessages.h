#pragma once
// The fixed texts of the barcode layer: the error message drawn in place of a symbol whose data
// its symbology rejects, and the input hints, one row per symbology number.
#include <string>

namespace quillmark {

// Row n of the error table (n = symbology number, 1-30); empty outside the table.
std::string barcodeErrorMessage(int type);

// Row n of the input-hint table (1-21); empty outside the table.
std::string barcodeInputHint(int type);

} // namespace quillmark
