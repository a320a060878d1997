#pragma once
// Per-label numbering of a barcode while a sheet prints: a counter with prefix, increment, repeat
// and postamble, or the entries of a text file.
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillmark {

struct TSequence {
    uint8_t isPresent = 0;
    std::string prefix;
    std::string counter; // the start value, also the padding template
    std::string postamble;
    std::string increment = "1";
    int32_t repeat = 1;
    uint8_t textOnly = 0;
    uint8_t isFile = 0;
    QString path;
    std::vector<std::string> data; // the file's entries, loaded on first use, never stored
};

// The message of a sequence file that could not be read or holds no entries.
QString sequenceFileFailureMessage(const QString &path);

// Splits the bytes of a sequence file into entries. Colons, semicolons, commas, blanks, tabs and
// line ends separate entries; a CR LF pair is one line end. Two separators in a row give an empty
// entry; the bytes after the last separator form the last entry when there are any. Entries that
// are not valid UTF-8 are skipped.
std::vector<std::string> splitSequenceData(const std::string &bytes);

// Loads the entries of sequence.path into sequence.data. The path is kept either way; when the
// file cannot be read or gives no entries the entry list stays empty, the answer is false and
// *error (when given) receives the failure message.
bool getseq_datafile(TSequence &sequence, QString *error = nullptr);

// The counter value of label n: prefix + number + postamble. The start value is a template: the
// number in it counts, start + increment × (n div repeat), exactly at any length; the text
// before and after it stays ("A100" gives "A101", "12abc" gives "13abc"). The number keeps the
// start's decimals (none: "1" by 2.5 gives 4, halves to even) and its width, padded with zeros
// after any sign ("0001" gives "0002", counting down from "0010" past zero "-002"). A minus
// sign counts only at the start's very beginning ("-05" gives "-04"); elsewhere a hyphen is
// text ("SN-0001" gives "SN-0002"). A repeat below 1 counts as 1.
std::string sequenceCounterValue(const TSequence &sequence, int64_t labelNumber);

// The data that label n prints with, or nothing when the label prints without this barcode.
// Numbering off or an empty start value give the current data unchanged. File numbering loads
// the file on first use (failure reported through *error).
std::optional<std::string> makeSeqBarData(TSequence &sequence, int64_t labelNumber,
                                          const std::string &currentData, QString *error = nullptr);

// Reads the leading decimal number of a text ("12abc" is 12, "A100" is 0); not-a-number is 0.
double leadingDecimal(const std::string &text);

// True when the bytes are well-formed UTF-8.
bool isValidUtf8(const std::string &bytes);

} // namespace quillmark
