#pragma once
// Data Matrix ECC 200: the text of a type-22 barcode as codewords (the shortest of the six
// encodations, in the smallest square symbol that holds them), Reed-Solomon error correction,
// module placement with finder patterns, and the dark modules as one filled path.
#include <QColor>
#include <QPainterPath>
#include <QRectF>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QPainter;

namespace quillmark {

class DataMatrixEncoder {
public:
    struct SymbolSize {
        int rows;
        int columns;
        int regionRows;
        int regionColumns;
        int dataCodewords;
        int dataPerBlock;
        int eccPerBlock;
    };

    enum Encodation { Ascii, C40, Text, Base256, X12, Edifact };

    // Flag bits. NonAsciiText is set by encodeString when the text holds a character outside
    // 7-bit ASCII; the others fix the encodation.
    enum Flag : unsigned {
        NonAsciiText = 1u << 0,
        FixedAscii = 1u << 1,
        FixedC40 = 1u << 2,
        FixedText = 1u << 3,
        FixedBase256 = 1u << 4,
        FixedX12 = 1u << 5,
        FixedEdifact = 1u << 6,
    };

    static constexpr int MaxDataCodewords = 1558;

    DataMatrixEncoder(); // the symbol table filled, no symbol yet

    static const std::vector<SymbolSize> &symbolTable();

    unsigned flags() const { return m_flags; }
    void setFlags(unsigned flags) { m_flags = flags; }
    // Asks for one size of the table instead of the smallest square that fits; false (and no
    // change) for a size the table lacks.
    bool requestSize(int rows, int columns);

    // Encodes UTF-8 text so that a reader reads it as typed: within Latin-1 as its Latin-1
    // bytes, within Windows-1252 as those bytes after the ECI that names the set, any other text
    // as UTF-8 after its ECI. False, with no symbol, when the text is not UTF-8 or too long.
    bool encodeString(const std::string &utf8);
    // Encodes bytes as they are, naming no character set.
    bool encodeBytes(const std::string &bytes);
    // The character set the symbol names (an ECI number), 0 for none.
    int eci() const { return m_eci; }

    static constexpr int EciWindows1252 = 23;
    static constexpr int EciUtf8 = 26;

    bool hasSymbol() const { return !m_bitmap.empty(); }
    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    int quietZone() const { return 0; }
    bool module(int row, int column) const;
    Encodation encodation() const { return m_encodation; }
    // The data codewords with their padding, before error correction.
    const std::vector<uint8_t> &dataCodewords() const { return m_data; }

    // The dark modules in a rectangle, row 0 at the top, as one path.
    QPainterPath modulePath(const QRectF &rect) const;
    // Fills the dark modules into the rectangle; nothing without a symbol.
    void result(QPainter *painter, const QRectF &rect, const QColor &color) const;
    // Releases the symbol.
    void free();

    static std::optional<std::string> toWindows1252(const std::string &utf8);
    // The codewords of one encodation applied to the whole message, for a symbol of the given
    // data capacity; nothing when the encodation cannot express the bytes.
    static std::optional<std::vector<uint8_t>> encodeWith(Encodation encodation, const std::string &bytes,
                                                          int capacity = 1 << 30);

private:
    bool encodeBytesWithEci(const std::string &bytes, int eci);
    bool place(const SymbolSize &size, std::vector<uint8_t> codewords);

    unsigned m_flags = 0;
    int m_requestedIndex = -1;
    int m_rows = 0;
    int m_columns = 0;
    Encodation m_encodation = Ascii;
    int m_eci = 0;
    std::vector<uint8_t> m_data;
    std::vector<uint8_t> m_bitmap; // one bit per module, most significant first, rows padded to bytes
};

} // namespace quillmark
