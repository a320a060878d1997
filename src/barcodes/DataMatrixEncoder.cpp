#include "barcodes/DataMatrixEncoder.h"

#include "barcodes/TSequence.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <climits>

namespace quillmark {

namespace {

constexpr int LatchC40 = 230;
constexpr int LatchBase256 = 231;
constexpr int UpperShift = 235;
constexpr int LatchX12 = 238;
constexpr int LatchText = 239;
constexpr int LatchEdifact = 240;
constexpr int Unlatch = 254;
constexpr int Pad = 129;
constexpr int Eci = 241;

using Codewords = std::vector<uint8_t>;

bool isDigit(uint8_t b)
{
    return b >= '0' && b <= '9';
}

// One character in ASCII encodation without digit pairs.
void appendAsciiChar(Codewords &out, uint8_t b)
{
    if (b < 128) {
        out.push_back(uint8_t(b + 1));
    } else {
        out.push_back(UpperShift);
        out.push_back(uint8_t(b - 127));
    }
}

// ASCII encodation of bytes from..to, digit pairs taken together.
void appendAscii(Codewords &out, const std::string &bytes, size_t from, size_t to)
{
    size_t i = from;
    while (i < to) {
        const uint8_t b = uint8_t(bytes[i]);
        if (isDigit(b) && i + 1 < to && isDigit(uint8_t(bytes[i + 1]))) {
            out.push_back(uint8_t(130 + 10 * (b - '0') + (bytes[i + 1] - '0')));
            i += 2;
        } else {
            appendAsciiChar(out, b);
            ++i;
        }
    }
}

// The C40 or Text values of one byte.
void appendC40Values(std::vector<int> &values, uint8_t b, bool text)
{
    if (b >= 128) {
        values.push_back(1);
        values.push_back(30);
        b = uint8_t(b - 128);
    }
    const bool basicLetter = text ? (b >= 'a' && b <= 'z') : (b >= 'A' && b <= 'Z');
    const bool shiftedLetter = text ? (b >= 'A' && b <= 'Z') : (b >= 'a' && b <= 'z');
    if (b == ' ') {
        values.push_back(3);
    } else if (isDigit(b)) {
        values.push_back(b - '0' + 4);
    } else if (basicLetter) {
        values.push_back((text ? b - 'a' : b - 'A') + 14);
    } else if (b < 32) {
        values.push_back(0);
        values.push_back(b);
    } else if (b >= 33 && b <= 47) {
        values.push_back(1);
        values.push_back(b - 33);
    } else if (b >= 58 && b <= 64) {
        values.push_back(1);
        values.push_back(b - 58 + 15);
    } else if (b >= 91 && b <= 95) {
        values.push_back(1);
        values.push_back(b - 91 + 22);
    } else if (shiftedLetter) {
        values.push_back(2);
        values.push_back(text ? b - 'A' + 1 : b - 'a' + 1);
    } else {
        // '`' and the characters from '{' to DEL.
        values.push_back(2);
        values.push_back(b == '`' ? 0 : b - 96);
    }
}

void appendTriple(Codewords &out, int a, int b, int c)
{
    const int v = 1600 * a + 40 * b + c + 1;
    out.push_back(uint8_t(v / 256));
    out.push_back(uint8_t(v % 256));
}

// C40 or Text over the whole message. Triples hold whole characters only: a character whose
// values would straddle the end of the last complete triple goes to ASCII after the unlatch, and
// a last pair of values is completed with a Shift 1 that decodes to nothing. A shift whose
// character is missing would make readers drop or change the character.
Codewords encodeC40Text(const std::string &bytes, bool text, int capacity)
{
    std::vector<int> values;
    std::vector<size_t> starts; // first value of each character
    for (char c : bytes) {
        starts.push_back(values.size());
        appendC40Values(values, uint8_t(c), text);
    }
    const size_t full = values.size() - values.size() % 3;
    size_t cut = 0; // first character not wholly inside the complete triples
    while (cut < bytes.size()) {
        const size_t end = cut + 1 < starts.size() ? starts[cut + 1] : values.size();
        if (end > full)
            break;
        ++cut;
    }
    auto startOf = [&](size_t k) { return k < starts.size() ? starts[k] : values.size(); };
    while (startOf(cut) % 3 == 1)
        --cut;
    std::vector<int> packed(values.begin(), values.begin() + std::ptrdiff_t(startOf(cut)));
    if (packed.size() % 3 == 2)
        packed.push_back(0);

    Codewords out;
    out.push_back(text ? LatchText : LatchC40);
    for (size_t i = 0; i + 2 < packed.size(); i += 3)
        appendTriple(out, packed[i], packed[i + 1], packed[i + 2]);
    const bool tail = cut < bytes.size();
    // With one codeword left after the last pair a reader returns to ASCII by itself; an unlatch
    // there would be read as an ASCII codeword.
    if (tail || capacity - int(out.size()) != 1)
        out.push_back(Unlatch);
    appendAscii(out, bytes, cut, bytes.size());
    return out;
}

int x12Value(uint8_t b)
{
    if (b == 13)
        return 0;
    if (b == '*')
        return 1;
    if (b == '>')
        return 2;
    if (b == ' ')
        return 3;
    if (isDigit(b))
        return b - '0' + 4;
    if (b >= 'A' && b <= 'Z')
        return b - 'A' + 14;
    return -1;
}

Codewords encodeX12(const std::string &bytes, int capacity)
{
    Codewords out;
    size_t i = 0;
    while (i < bytes.size()) {
        size_t run = 0;
        while (i + run < bytes.size() && x12Value(uint8_t(bytes[i + run])) >= 0)
            ++run;
        if (run < 6) {
            const size_t stop = run == 0 ? i + 1 : i + run;
            for (; i < stop; ++i)
                appendAsciiChar(out, uint8_t(bytes[i]));
            continue;
        }
        const size_t packed = run - run % 3;
        out.push_back(LatchX12);
        for (size_t k = 0; k < packed; k += 3)
            appendTriple(out, x12Value(uint8_t(bytes[i + k])), x12Value(uint8_t(bytes[i + k + 1])),
                         x12Value(uint8_t(bytes[i + k + 2])));
        i += packed;
        const bool atEnd = i >= bytes.size();
        if (!atEnd || capacity - int(out.size()) != 1)
            out.push_back(Unlatch);
    }
    return out;
}

bool isEdifact(uint8_t b)
{
    return b >= 32 && b <= 94;
}

// Packs EDIFACT values (6 bits each, most significant first) into codewords, as many as the
// bits reach.
void appendEdifactValues(Codewords &out, const std::vector<int> &values)
{
    uint32_t bits = 0;
    int count = 0;
    for (int v : values) {
        bits = (bits << 6) | uint32_t(v & 0x3F);
        count += 6;
        while (count >= 8) {
            out.push_back(uint8_t((bits >> (count - 8)) & 0xFF));
            count -= 8;
        }
    }
    if (count > 0)
        out.push_back(uint8_t((bits << (8 - count)) & 0xFF));
}

// EDIFACT stretches with ASCII between them. A reader at a codeword boundary of EDIFACT with two
// codewords or fewer left in the symbol reads the rest as ASCII without an unlatch, so the
// encoder does the same there.
Codewords encodeEdifact(const std::string &bytes, int capacity)
{
    Codewords out;
    size_t i = 0;
    while (i < bytes.size()) {
        const uint8_t b = uint8_t(bytes[i]);
        if (!isEdifact(b)) {
            appendAsciiChar(out, b);
            ++i;
            continue;
        }
        out.push_back(LatchEdifact);
        std::vector<int> quad;
        bool implicitAscii = false;
        while (true) {
            if (quad.empty() && capacity - int(out.size()) <= 2) {
                implicitAscii = true;
                break;
            }
            if (i < bytes.size() && isEdifact(uint8_t(bytes[i]))) {
                quad.push_back(bytes[i] & 0x3F);
                ++i;
                if (quad.size() == 4) {
                    appendEdifactValues(out, quad);
                    quad.clear();
                }
                continue;
            }
            break;
        }
        if (implicitAscii) {
            for (; i < bytes.size(); ++i)
                appendAsciiChar(out, uint8_t(bytes[i]));
            break;
        }
        quad.push_back(31);
        appendEdifactValues(out, quad);
    }
    return out;
}

uint8_t randomise255(int value, int position)
{
    const int pseudo = ((149 * position) % 255) + 1;
    const int r = value + pseudo;
    return uint8_t(r <= 255 ? r : r - 256);
}

Codewords encodeBase256(const std::string &bytes)
{
    Codewords out;
    out.push_back(LatchBase256);
    std::vector<int> field;
    const size_t n = bytes.size();
    if (n < 250) {
        field.push_back(int(n));
    } else {
        field.push_back(int(n / 250 + 249));
        field.push_back(int(n % 250));
    }
    for (int v : field)
        out.push_back(randomise255(v, int(out.size()) + 1));
    for (char c : bytes)
        out.push_back(randomise255(uint8_t(c), int(out.size()) + 1));
    return out;
}

// ---- Reed-Solomon over GF(256), prime polynomial 301 ----

struct Galois {
    std::array<int, 256> log{};
    std::array<int, 255> exp{};
    Galois()
    {
        int v = 1;
        for (int i = 0; i < 255; ++i) {
            exp[size_t(i)] = v;
            log[size_t(v)] = i;
            v <<= 1;
            if (v & 0x100)
                v ^= 301;
        }
    }
    int mul(int a, int b) const
    {
        if (a == 0 || b == 0)
            return 0;
        return exp[size_t((log[size_t(a)] + log[size_t(b)]) % 255)];
    }
};

const Galois &galois()
{
    static const Galois g;
    return g;
}

// Generator with roots alpha^1 .. alpha^n; coefficient i belongs to x^i.
std::vector<int> generator(int n)
{
    const Galois &g = galois();
    std::vector<int> poly{1};
    for (int i = 1; i <= n; ++i) {
        std::vector<int> next(poly.size() + 1, 0);
        const int root = g.exp[size_t(i % 255)];
        for (size_t j = 0; j < poly.size(); ++j) {
            next[j + 1] ^= poly[j];
            next[j] ^= g.mul(poly[j], root);
        }
        poly = std::move(next);
    }
    return poly;
}

std::vector<int> reedSolomon(const std::vector<int> &data, int n)
{
    const Galois &g = galois();
    const std::vector<int> gen = generator(n);
    std::vector<int> ecc(size_t(n), 0);
    for (int d : data) {
        const int feedback = d ^ ecc[0];
        std::rotate(ecc.begin(), ecc.begin() + 1, ecc.end());
        ecc.back() = 0;
        if (feedback) {
            for (int j = 0; j < n; ++j)
                ecc[size_t(j)] ^= g.mul(feedback, gen[size_t(n - 1 - j)]);
        }
    }
    return ecc;
}

// ---- placement (the standard's ECC 200 algorithm) ----

class Placement {
public:
    Placement(int rows, int columns)
        : nrow(rows), ncol(columns), array(size_t(rows) * size_t(columns), 0)
    {
        int chr = 1;
        int row = 4;
        int col = 0;
        do {
            if (row == nrow && col == 0)
                corner1(chr++);
            if (row == nrow - 2 && col == 0 && ncol % 4)
                corner2(chr++);
            if (row == nrow - 2 && col == 0 && ncol % 8 == 4)
                corner3(chr++);
            if (row == nrow + 4 && col == 2 && !(ncol % 8))
                corner4(chr++);
            do {
                if (row < nrow && col >= 0 && !at(row, col))
                    utah(row, col, chr++);
                row -= 2;
                col += 2;
            } while (row >= 0 && col < ncol);
            row += 1;
            col += 3;
            do {
                if (row >= 0 && col < ncol && !at(row, col))
                    utah(row, col, chr++);
                row += 2;
                col -= 2;
            } while (row < nrow && col >= 0);
            row += 3;
            col += 1;
        } while (row < nrow || col < ncol);
        if (!at(nrow - 1, ncol - 1)) {
            at(nrow - 1, ncol - 1) = 1;
            at(nrow - 2, ncol - 2) = 1;
        }
    }

    // 0 light filler, 1 dark filler, else 10 * codeword number (from 1) + bit (1 = most significant).
    int value(int row, int col) const { return array[size_t(row) * size_t(ncol) + size_t(col)]; }

private:
    int &at(int row, int col) { return array[size_t(row) * size_t(ncol) + size_t(col)]; }

    void module(int row, int col, int chr, int bit)
    {
        if (row < 0) {
            row += nrow;
            col += 4 - ((nrow + 4) % 8);
        }
        if (col < 0) {
            col += ncol;
            row += 4 - ((ncol + 4) % 8);
        }
        at(row, col) = 10 * chr + bit;
    }
    struct Cell {
        int row;
        int col;
    };

    // Each codeword's eight modules, most significant bit first.
    void place(int chr, const std::array<Cell, 8> &cells)
    {
        for (size_t i = 0; i < cells.size(); ++i)
            module(cells[i].row, cells[i].col, chr, int(i) + 1);
    }
    void utah(int row, int col, int chr)
    {
        place(chr, {{{row - 2, col - 2}, {row - 2, col - 1}, {row - 1, col - 2}, {row - 1, col - 1},
                     {row - 1, col}, {row, col - 2}, {row, col - 1}, {row, col}}});
    }
    void corner1(int chr)
    {
        place(chr, {{{nrow - 1, 0}, {nrow - 1, 1}, {nrow - 1, 2}, {0, ncol - 2}, {0, ncol - 1}, {1, ncol - 1},
                     {2, ncol - 1}, {3, ncol - 1}}});
    }
    void corner2(int chr)
    {
        place(chr, {{{nrow - 3, 0}, {nrow - 2, 0}, {nrow - 1, 0}, {0, ncol - 4}, {0, ncol - 3}, {0, ncol - 2},
                     {0, ncol - 1}, {1, ncol - 1}}});
    }
    void corner3(int chr)
    {
        place(chr, {{{nrow - 3, 0}, {nrow - 2, 0}, {nrow - 1, 0}, {0, ncol - 2}, {0, ncol - 1}, {1, ncol - 1},
                     {2, ncol - 1}, {3, ncol - 1}}});
    }
    void corner4(int chr)
    {
        place(chr, {{{nrow - 1, 0}, {nrow - 1, ncol - 1}, {0, ncol - 3}, {0, ncol - 2}, {0, ncol - 1},
                     {1, ncol - 3}, {1, ncol - 2}, {1, ncol - 1}}});
    }

    int nrow;
    int ncol;
    std::vector<int> array;
};

// Code points of the Windows-1252 bytes 0x80-0x9F; 0 where the byte has no character.
constexpr std::array<char32_t, 32> Cp1252High = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};

} // namespace

DataMatrixEncoder::DataMatrixEncoder() = default;

const std::vector<DataMatrixEncoder::SymbolSize> &DataMatrixEncoder::symbolTable()
{
    static const std::vector<SymbolSize> table = {
        {10, 10, 10, 10, 3, 3, 5},          {12, 12, 12, 12, 5, 5, 7},
        {8, 18, 8, 18, 5, 5, 7},            {14, 14, 14, 14, 8, 8, 10},
        {8, 32, 8, 16, 10, 10, 11},         {16, 16, 16, 16, 12, 12, 12},
        {12, 26, 12, 26, 16, 16, 14},       {18, 18, 18, 18, 18, 18, 14},
        {20, 20, 20, 20, 22, 22, 18},       {12, 36, 12, 18, 22, 22, 18},
        {22, 22, 22, 22, 30, 30, 20},       {16, 36, 16, 18, 32, 32, 24},
        {24, 24, 24, 24, 36, 36, 24},       {26, 26, 26, 26, 44, 44, 28},
        {16, 48, 16, 24, 49, 49, 28},       {32, 32, 16, 16, 62, 62, 36},
        {36, 36, 18, 18, 86, 86, 42},       {40, 40, 20, 20, 114, 114, 48},
        {44, 44, 22, 22, 144, 144, 56},     {48, 48, 24, 24, 174, 174, 68},
        {52, 52, 26, 26, 204, 102, 42},     {64, 64, 16, 16, 280, 140, 56},
        {72, 72, 18, 18, 368, 92, 36},      {80, 80, 20, 20, 456, 114, 48},
        {88, 88, 22, 22, 576, 144, 56},     {96, 96, 24, 24, 696, 174, 68},
        {104, 104, 26, 26, 816, 136, 56},   {120, 120, 20, 20, 1050, 175, 68},
        {132, 132, 22, 22, 1304, 163, 62},  {144, 144, 24, 24, 1558, 156, 62},
    };
    return table;
}

bool DataMatrixEncoder::requestSize(int rows, int columns)
{
    const auto &table = symbolTable();
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].rows == rows && table[i].columns == columns) {
            m_requestedIndex = int(i);
            return true;
        }
    }
    return false;
}

std::optional<std::string> DataMatrixEncoder::toWindows1252(const std::string &utf8)
{
    if (!isValidUtf8(utf8))
        return std::nullopt;
    const std::u32string text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size())).toStdU32String();
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(char(c));
            continue;
        }
        const auto found = std::find(Cp1252High.begin(), Cp1252High.end(), c);
        if (c == 0 || found == Cp1252High.end())
            return std::nullopt;
        out.push_back(char(0x80 + (found - Cp1252High.begin())));
    }
    return out;
}

std::optional<std::vector<uint8_t>> DataMatrixEncoder::encodeWith(Encodation encodation, const std::string &bytes,
                                                                  int capacity)
{
    const bool sevenBit = std::all_of(bytes.begin(), bytes.end(), [](char c) { return uint8_t(c) < 128; });
    switch (encodation) {
    case Ascii: {
        Codewords out;
        appendAscii(out, bytes, 0, bytes.size());
        return out;
    }
    case C40:
    case Text:
        if (!sevenBit)
            return std::nullopt;
        return encodeC40Text(bytes, encodation == Text, capacity);
    case Base256:
        return encodeBase256(bytes);
    case X12:
        return encodeX12(bytes, capacity);
    case Edifact:
        return encodeEdifact(bytes, capacity);
    }
    return std::nullopt;
}

bool DataMatrixEncoder::encodeString(const std::string &utf8)
{
    free();
    const bool nonAscii = std::any_of(utf8.begin(), utf8.end(), [](char c) { return uint8_t(c) >= 128; });
    if (nonAscii)
        m_flags |= NonAsciiText;
    else
        m_flags &= ~unsigned(NonAsciiText);
    if (!isValidUtf8(utf8))
        return false;
    // Readers take a symbol's bytes as Latin-1 unless it names another character set. Text
    // within Latin-1 goes as it is; text that Windows-1252 holds goes in that set, named, as
    // small as before; any other text goes as UTF-8, named.
    const std::u32string text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size())).toStdU32String();
    if (std::all_of(text.begin(), text.end(), [](char32_t c) { return c <= 0xFF; }))
        return encodeBytesWithEci(std::string(text.begin(), text.end()), 0);
    if (const std::optional<std::string> bytes = toWindows1252(utf8))
        return encodeBytesWithEci(*bytes, EciWindows1252);
    return encodeBytesWithEci(utf8, EciUtf8);
}

bool DataMatrixEncoder::encodeBytes(const std::string &bytes)
{
    return encodeBytesWithEci(bytes, 0);
}

bool DataMatrixEncoder::encodeBytesWithEci(const std::string &bytes, int eci)
{
    free();
    // A message this long cannot fit in any encodation.
    if (bytes.size() > size_t(3 * MaxDataCodewords))
        return false;

    std::vector<Encodation> candidates;
    const std::array<std::pair<Flag, Encodation>, 6> fixed = {{{FixedAscii, Ascii},
                                                                {FixedC40, C40},
                                                                {FixedText, Text},
                                                                {FixedBase256, Base256},
                                                                {FixedX12, X12},
                                                                {FixedEdifact, Edifact}}};
    for (const auto &[flag, enc] : fixed) {
        if (m_flags & flag)
            candidates.push_back(enc);
    }
    if (candidates.empty()) {
        if (m_flags & NonAsciiText)
            candidates = {Ascii};
        else
            candidates = {Ascii, C40, Text, Base256, X12, Edifact};
    }
    // The character set's name goes first, in ASCII encodation. Base256 randomises by the
    // codeword's place in the symbol, so it is not offered after one.
    Codewords designator;
    if (eci > 0 && eci < 127) {
        designator = {uint8_t(Eci), uint8_t(eci + 1)};
        candidates.erase(std::remove(candidates.begin(), candidates.end(), Base256), candidates.end());
    }
    auto encoded = [&](Encodation enc, int capacity) -> std::optional<Codewords> {
        auto codewords = encodeWith(enc, bytes, capacity - int(designator.size()));
        if (codewords)
            codewords->insert(codewords->begin(), designator.begin(), designator.end());
        return codewords;
    };

    std::optional<Encodation> best;
    size_t bestCount = 0;
    for (Encodation enc : candidates) {
        const auto codewords = encoded(enc, 1 << 30);
        if (!codewords || codewords->size() > size_t(MaxDataCodewords))
            continue;
        if (!best || codewords->size() < bestCount) {
            best = enc;
            bestCount = codewords->size();
        }
    }
    if (!best)
        return false;

    const auto &table = symbolTable();
    for (size_t i = 0; i < table.size(); ++i) {
        const SymbolSize &size = table[i];
        if (m_requestedIndex >= 0 ? int(i) != m_requestedIndex : size.rows != size.columns)
            continue;
        if (size.dataCodewords < int(bestCount))
            continue;
        // The end of an encodation can depend on how many codewords the symbol leaves.
        const auto codewords = encoded(*best, size.dataCodewords);
        if (!codewords || codewords->size() > size_t(size.dataCodewords))
            continue;
        m_encodation = *best;
        m_eci = designator.empty() ? 0 : eci;
        return place(size, *codewords);
    }
    return false;
}

bool DataMatrixEncoder::place(const SymbolSize &size, std::vector<uint8_t> codewords)
{
    const int capacity = size.dataCodewords;
    if (int(codewords.size()) < capacity) {
        codewords.push_back(Pad);
        while (int(codewords.size()) < capacity) {
            const int position = int(codewords.size()) + 1;
            int pad = Pad + ((149 * position) % 253) + 1;
            if (pad > 254)
                pad -= 254;
            codewords.push_back(uint8_t(pad));
        }
    }
    m_data = codewords;

    const int blocks = (capacity + 2) / size.dataPerBlock;
    const int eccCount = size.eccPerBlock;
    std::vector<uint8_t> all(codewords);
    all.resize(size_t(capacity + blocks * eccCount), 0);
    for (int b = 0; b < blocks; ++b) {
        std::vector<int> block;
        for (int i = b; i < capacity; i += blocks)
            block.push_back(codewords[size_t(i)]);
        const std::vector<int> ecc = reedSolomon(block, eccCount);
        for (int k = 0; k < eccCount; ++k) {
            int position = capacity + b + k * blocks;
            // In the largest symbol, whose last two blocks are one data codeword short, readers
            // take the error codewords of the two short blocks first; laid out by the plain
            // interleave the symbol does not read.
            if (capacity == MaxDataCodewords)
                position += b < 8 ? 2 : -8;
            all[size_t(position)] = uint8_t(ecc[size_t(k)]);
        }
    }

    const int regionsDown = size.rows / size.regionRows;
    const int regionsAcross = size.columns / size.regionColumns;
    const int innerRows = size.regionRows - 2;
    const int innerColumns = size.regionColumns - 2;
    const Placement placement(size.rows - 2 * regionsDown, size.columns - 2 * regionsAcross);

    m_rows = size.rows;
    m_columns = size.columns;
    const size_t rowBytes = size_t((m_columns + 7) / 8);
    m_bitmap.assign(rowBytes * size_t(m_rows), 0);
    auto set = [&](int row, int col) {
        m_bitmap[size_t(row) * rowBytes + size_t(col / 8)] |= uint8_t(0x80 >> (col % 8));
    };

    for (int rr = 0; rr < regionsDown; ++rr) {
        for (int rc = 0; rc < regionsAcross; ++rc) {
            const int top = rr * size.regionRows;
            const int left = rc * size.regionColumns;
            for (int c = 0; c < size.regionColumns; ++c) {
                set(top + size.regionRows - 1, left + c);
                if (c % 2 == 0)
                    set(top, left + c);
            }
            for (int r = 0; r < size.regionRows; ++r) {
                set(top + r, left);
                if (r % 2 == 1)
                    set(top + r, left + size.regionColumns - 1);
            }
        }
    }
    const int mappingRows = size.rows - 2 * regionsDown;
    const int mappingColumns = size.columns - 2 * regionsAcross;
    for (int r = 0; r < mappingRows; ++r) {
        for (int c = 0; c < mappingColumns; ++c) {
            const int v = placement.value(r, c);
            bool dark = v == 1;
            if (v >= 10) {
                const int chr = v / 10 - 1;
                const int bit = v % 10;
                dark = chr < int(all.size()) && (all[size_t(chr)] & (1 << (8 - bit)));
            }
            if (dark) {
                const int row = (r / innerRows) * size.regionRows + 1 + r % innerRows;
                const int col = (c / innerColumns) * size.regionColumns + 1 + c % innerColumns;
                set(row, col);
            }
        }
    }
    return true;
}

bool DataMatrixEncoder::module(int row, int column) const
{
    if (row < 0 || column < 0 || row >= m_rows || column >= m_columns || m_bitmap.empty())
        return false;
    const size_t rowBytes = size_t((m_columns + 7) / 8);
    return m_bitmap[size_t(row) * rowBytes + size_t(column / 8)] & (0x80 >> (column % 8));
}

QPainterPath DataMatrixEncoder::modulePath(const QRectF &rect) const
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    if (!hasSymbol())
        return path;
    const double w = rect.width();
    const double h = rect.height();
    for (int i = 0; i < m_rows; ++i) {
        const double y0 = rect.y() + h * i / m_rows;
        const double y1 = rect.y() + h * (i + 1) / m_rows;
        int j = 0;
        while (j < m_columns) {
            if (!module(i, j)) {
                ++j;
                continue;
            }
            const int start = j;
            while (j < m_columns && module(i, j))
                ++j;
            const double x0 = rect.x() + w * start / m_columns;
            const double x1 = rect.x() + w * j / m_columns;
            path.addRect(QRectF(QPointF(x0, y0), QPointF(x1, y1)));
        }
    }
    return path;
}

void DataMatrixEncoder::result(QPainter *painter, const QRectF &rect, const QColor &color) const
{
    if (!painter || !hasSymbol())
        return;
    painter->fillPath(modulePath(rect), color);
}

void DataMatrixEncoder::free()
{
    m_eci = 0;
    m_bitmap.clear();
    m_data.clear();
    m_rows = 0;
    m_columns = 0;
}

} // namespace quillmark
