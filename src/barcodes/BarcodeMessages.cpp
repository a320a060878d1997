#include "barcodes/BarcodeMessages.h"

#include <array>

namespace quillmark {

std::string barcodeErrorMessage(int type)
{
    static const std::array<const char *, 30> rows = {
        "5, 9 or 11 digits allowed",
        "",
        "",
        "",
        "",
        "Interleaved Incorrect Data",
        "Code39 Incorrect Data",
        "Code128 Incorrect Data",
        "11, 13 or 16 digits allowed",
        "6, 8 or 11 digits allowed",
        "12, 14 or 17 digits allowed",
        "7, 9 or 12 digits allowed",
        "9, 11 or 14 digits allowed",
        "9, 11 or 14 digits allowed",
        "Codabar Incorrect Data",
        "13 digits required",
        "Digits and '-' allowed",
        "Code93 Incorrect Data ",
        "Digits allowed",
        "JapanPostnet Incorrect Data",
        "9, 11 or 14 digits allowed",
        "Incorrect Data",
        "20, 25, 29, or 31 digits allowed",
        "values between 3 and 131070 allowed",
        "Incorrect Data",
        "Code128 Incorrect Data",
        "even number of digits allowed",
        "9, 11 or 14 digits allowed",
        "Incorrect Data",
        "Enter data in (00)12345678 format",
    };
    if (type < 1 || type > int(rows.size()))
        return {};
    return rows[size_t(type - 1)];
}

std::string barcodeInputHint(int type)
{
    static const std::array<const char *, 21> rows = {
        "5, 9, or 11 digits allowed",
        " up to 20 symbols allowed",
        "",
        "",
        "",
        "",
        "Only digits allowed",
        "Digits, Letters, characters - . * $ / + % and Space are allowed",
        "",
        "11, 13, or 16 digits allowed",
        "6, 8, or 11 digits allowed",
        "12, 14, or 17 digits allowed",
        "7, 9, or 12 digits allowed",
        "9, 11, or 14 digits allowed",
        "9, 11, or 14 digits allowed",
        "Digits and characters - . : $ / + A B C and D are allowed",
        "13 digits required",
        "Digits and character '-' allowed",
        "Digits, Letters, and characters - . $ / + % and Space are allowed",
        "Only digits allowed",
        "13 digits required",
    };
    if (type < 1 || type > int(rows.size()))
        return {};
    return rows[size_t(type - 1)];
}

} // namespace quillmark
