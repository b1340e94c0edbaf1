#include "files/TARCGISFileTools.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "ops/TMapTools.h"
#include "util/TMessageStore.h"
#include "util/TNumberFormat.h"

// The bytes read from a file at a time. The fuzz build makes it tiny, so
// that the fuzzers take every path across the ends of chunks.
#ifndef KORVEL_READ_CHUNK
#define KORVEL_READ_CHUNK (size_t(256) << 10)
#endif

namespace {

const char* const kEndOfFile = "Unexpected end of file found in TARCGISFileTools::LoadARCGISFile";

inline bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Powers of ten that doubles hold exactly.
const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The bytes of an eight-byte chunk (first character lowest) that are not
// decimal digits, as non-zero bytes. A byte is a digit when its high nibble
// is 3 and adding 6 keeps it so; a carry only reaches bytes after the first
// non-digit.
inline std::uint64_t NonDigitBytes(std::uint64_t chunk) {
    return ((chunk & 0xF0F0F0F0F0F0F0F0ULL) | (((chunk + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) >> 4)) ^
           0x3333333333333333ULL;
}

// The number that the first `run` (1 to 8) digit characters of chunk spell.
inline std::uint64_t EightDigits(std::uint64_t chunk, int run) {
    // Keep the run's bytes as the low digits of an eight-digit number.
    std::uint64_t v = (chunk - 0x3030303030303030ULL) << (8 * (8 - run));
    v = (v * 10) + (v >> 8);
    return (((v & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
            (((v >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >> 32;
}

// Reads the run of decimal digits at q (up to `end`) into mantissa, eight at
// a time where eight bytes can be read; returns the end of the run.
inline const char* ParseDigits(const char* q, const char* end, std::uint64_t& mantissa, long& count) {
    static const std::uint64_t kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    while (end - q >= 8) {
        std::uint64_t chunk;
        std::memcpy(&chunk, q, 8);
        const std::uint64_t nondigit = NonDigitBytes(chunk);
        const int run = nondigit == 0 ? 8 : __builtin_ctzll(nondigit) / 8;
        if (run == 0) return q;
        mantissa = mantissa * kScale[run] + EightDigits(chunk, run);
        count += run;
        q += run;
        if (run < 8 || count > 19) return q;
    }
    while (q < end && IsDigit(*q) && count <= 19) {
        mantissa = mantissa * 10 + static_cast<unsigned>(*q++ - '0');
        ++count;
    }
    return q;
}

// The common short number ([-]digits[.digits][e[+-]digits]) whose digits fit
// in 53 bits and whose power of ten is exact: then one multiplication or
// division gives the correctly rounded value. Returns null for anything else.
inline const char* ParseShortDecimal(const char* p, const char* end, double& value) {
    const char* q = p;
    const bool negative = q < end && *q == '-';
    if (negative) ++q;
    // The most common number of all, up to seven digits and a point followed
    // by white space within eight bytes ("13.2553 ", "-9999\n"), in one step.
    if (end - q >= 8) {
        std::uint64_t chunk;
        std::memcpy(&chunk, q, 8);
        const std::uint64_t nondigit = NonDigitBytes(chunk);
        int stop = nondigit == 0 ? 8 : __builtin_ctzll(nondigit) / 8;
        int point = -1;
        if (stop < 8 && q[stop] == '.') {
            point = stop;
            const std::uint64_t rest = nondigit & ~((std::uint64_t(0xFF) << (8 * point)) | ((std::uint64_t(1) << (8 * point)) - 1));
            stop = rest == 0 ? 8 : __builtin_ctzll(rest) / 8;
        }
        const int digits = point < 0 ? stop : stop - 1;
        if (stop < 8 && digits > 0 && IsSpace(q[stop])) {
            std::uint64_t packed = chunk;
            if (point >= 0) {
                // Drop the point: the digits after it move down one byte.
                const std::uint64_t low = (std::uint64_t(1) << (8 * point)) - 1;
                packed = (chunk & low) | ((chunk >> 8) & ~low);
            }
            const double m = static_cast<double>(EightDigits(packed, digits));
            value = point < 0 ? m : m / kPow10[digits - point];
            if (negative) value = -value;
            return q + stop;
        }
    }
    std::uint64_t mantissa = 0;
    long count = 0;
    q = ParseDigits(q, end, mantissa, count);
    int exponent = 0;
    if (q < end && *q == '.') {
        const char* fraction = ++q;
        q = ParseDigits(q, end, mantissa, count);
        exponent = -static_cast<int>(q - fraction);
    }
    if (count == 0 || count > 19 || (q < end && IsDigit(*q))) return nullptr;
    if (q < end && (*q == 'e' || *q == 'E')) {
        ++q;
        const bool down = q < end && *q == '-';
        if (q < end && (*q == '-' || *q == '+')) ++q;
        const char* start = q;
        int power = 0;
        while (q < end && IsDigit(*q) && q - start < 4) power = power * 10 + (*q++ - '0');
        if (q == start || (q < end && IsDigit(*q))) return nullptr;
        exponent += down ? -power : power;
    }
    if (mantissa > (std::uint64_t(1) << 53) || exponent < -22 || exponent > 22) return nullptr;
    const double m = static_cast<double>(mantissa);
    value = exponent < 0 ? m / kPow10[-exponent] : m * kPow10[exponent];
    if (negative) value = -value;
    return q;
}

// Parses one decimal number at [p, end): optional sign, digits with an
// optional fraction, optional exponent. Returns the end of the number, or
// null when the text does not start with one. Overflow to infinity fails;
// underflow gives the nearest representable value, as strtod does. The
// short form is read inline; the rest goes through from_chars.
__attribute__((noinline)) const char* ParseLongDecimal(const char* p, const char* end, double& value) {
    const char* start = p;
    if (p < end && *p == '+') ++p;
    const char* digits = p;
    if (digits < end && *digits == '-') ++digits;
    if (digits >= end || !((*digits >= '0' && *digits <= '9') || *digits == '.')) return nullptr;
    const std::from_chars_result r = std::from_chars(p, end, value, std::chars_format::general);
    if (r.ec == std::errc::invalid_argument) return nullptr;
    if (r.ec == std::errc::result_out_of_range) {
        const std::string text(start, r.ptr);
        value = std::strtod(text.c_str(), nullptr);
        if (std::isinf(value)) return nullptr;
    }
    if (*start == '+' && p[0] == '-') return nullptr;
    return r.ptr;
}

inline const char* ParseDecimal(const char* p, const char* end, double& value) {
    const char* stop = ParseShortDecimal(p, end, value);
    return stop ? stop : ParseLongDecimal(p, end, value);
}

// The header is read the way a formatted input stream reads it: a value that
// is not a number of its kind fails the stream, so every later read comes back
// empty, and a value read only in part leaves the rest as the next word.
class THeaderReader {
public:
    THeaderReader(const char* p, const char* end) : MbrPtrPos(p), MbrPtrEnd(end) {}

    std::string Word() {
        if (MbrBolFailed) return std::string();
        SkipSpace();
        const char* start = MbrPtrPos;
        while (MbrPtrPos < MbrPtrEnd && !IsSpace(*MbrPtrPos)) ++MbrPtrPos;
        if (start == MbrPtrPos) MbrBolFailed = true;
        return std::string(start, MbrPtrPos);
    }

    long Long() {
        if (MbrBolFailed) return 0;
        SkipSpace();
        const char* p = MbrPtrPos;
        if (p < MbrPtrEnd && *p == '+') ++p;
        long value = 0;
        const std::from_chars_result r = std::from_chars(p, MbrPtrEnd, value);
        if (r.ec != std::errc() || (p != MbrPtrPos && *p == '-')) {
            MbrBolFailed = true;
            return 0;
        }
        MbrPtrPos = r.ptr;
        return value;
    }

    double Double() {
        if (MbrBolFailed) return 0.0;
        SkipSpace();
        double value = 0.0;
        const char* stop = ParseDecimal(MbrPtrPos, MbrPtrEnd, value);
        if (!stop) {
            MbrBolFailed = true;
            return 0.0;
        }
        MbrPtrPos = stop;
        return value;
    }

    void SkipSpace() {
        while (MbrPtrPos < MbrPtrEnd && IsSpace(*MbrPtrPos)) ++MbrPtrPos;
    }
    const char* Position() const { return MbrPtrPos; }

private:
    const char* MbrPtrPos;
    const char* MbrPtrEnd;
    bool MbrBolFailed = false;
};

// The token at `token` in single quotes, cut after 40 bytes; control
// characters in it (NUL bytes, escape sequences of binary junk) are shown as
// \xHH, so that a message stays one whole line of text.
std::string Quoted(const char* token, const char* end) {
    const char* stop = token;
    while (stop < end && !IsSpace(*stop) && stop - token < 40) ++stop;
    std::string text = "'";
    for (const char* c = token; c < stop; ++c) {
        const unsigned char byte = static_cast<unsigned char>(*c);
        if (byte >= 0x20 && byte != 0x7F) {
            text += *c;
            continue;
        }
        static const char kHex[] = "0123456789ABCDEF";
        text += "\\x";
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    if (stop < end && !IsSpace(*stop)) text += "...";
    return text + "'";
}

[[noreturn]] void BadToken(const char* what, const char* token, const char* end, long row, long column) {
    std::string message = "File format error: invalid ";
    message += what;
    message += " " + Quoted(token, end);
    if (row > 0) message += " at row " + std::to_string(row) + ", column " + std::to_string(column);
    throw TMessageStore::Keep(message);
}

[[noreturn]] void HeaderFault(const std::string& what) { throw TMessageStore::Keep("File format error: " + what); }

// What a header declares, in the reader's terms: the lower-left corner of the
// grid, the no-data value (-9999 unless declared) and where the body starts.
struct TGridHeader {
    long MbrLngCols = 0;
    long MbrLngRows = 0;
    double MbrDblXll = 0.0;
    double MbrDblYll = 0.0;
    double MbrDblCellSize = 0.0;
    double MbrDblNoData = -9999.0;
    const char* MbrPtrBody = nullptr;
};

// Strict reading: the six tags in their order, spelt exactly.
TGridHeader ReadStrictHeader(const char* begin, const char* end) {
    TGridHeader grid;
    THeaderReader header(begin, end);
    std::string tag = header.Word();
    grid.MbrLngCols = header.Long();
    if (tag != "ncols") throw "File format error: expected to find ncols tag";
    tag = header.Word();
    grid.MbrLngRows = header.Long();
    if (tag != "nrows") throw "File format error: expectd to find nrows tag";
    tag = header.Word();
    grid.MbrDblXll = header.Double();
    if (tag != "xllcorner") throw "File format error: expected to find xllcorner tag";
    tag = header.Word();
    grid.MbrDblYll = header.Double();
    if (tag != "yllcorner") throw "File format error: expected to find yllcorner tag";
    tag = header.Word();
    grid.MbrDblCellSize = header.Double();
    if (tag != "cellsize") throw "File format error: expected to find cellsize tag";
    tag = header.Word();
    if (tag != "NODATA_value" && tag != "nodata_value") throw "File format error: expected to find NODATA_value tag";

    header.SkipSpace();
    const char* p = header.Position();
    const char* stop = ParseDecimal(p, end, grid.MbrDblNoData);
    if (p == end) throw kEndOfFile;
    if (!stop || (stop < end && !IsSpace(*stop))) BadToken("NODATA_value", p, end, 0, 0);
    grid.MbrPtrBody = stop;
    return grid;
}

// ---- Lenient reading ----

inline const char* TokenEnd(const char* p, const char* end) {
    while (p < end && !IsSpace(*p)) ++p;
    return p;
}

inline char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The numbers that only lenient reading takes, tried on a token that
// ParseDecimal refused: nan in any letter case with an optional sign, and a
// number without a point whose one comma stands for the point (",5", "0,1E+06").
// Returns the end of the token, or null.
__attribute__((noinline)) const char* ParseVariantNumber(const char* p, const char* end, double& value) {
    const char* stop = TokenEnd(p, end);
    const char* q = p < stop && (*p == '-' || *p == '+') ? p + 1 : p;
    if (stop - q == 3 && Lower(q[0]) == 'n' && Lower(q[1]) == 'a' && Lower(q[2]) == 'n') {
        value = std::numeric_limits<double>::quiet_NaN();
        return stop;
    }
    const size_t length = static_cast<size_t>(stop - p);
    const char* comma = static_cast<const char*>(std::memchr(p, ',', length));
    if (!comma || std::memchr(p, '.', length) || std::memchr(comma + 1, ',', static_cast<size_t>(stop - comma - 1)))
        return nullptr;
    // The token with a point for its comma, on the stack unless it is long.
    char local[64];
    std::string longer;
    char* text = local;
    if (length > sizeof local) {
        longer.assign(p, stop);
        text = &longer[0];
    } else {
        std::memcpy(local, p, length);
    }
    text[comma - p] = '.';
    return ParseDecimal(text, text + length, value) == text + length ? stop : nullptr;
}

// One whole number token: whatever strict reading takes, or a variant.
// Returns the end of the token, or null.
const char* ParseLenientNumber(const char* p, const char* end, double& value) {
    const char* stop = ParseDecimal(p, end, value);
    if (stop && (stop == end || IsSpace(*stop))) return stop;
    return ParseVariantNumber(p, end, value);
}

// A count (ncols, nrows): a whole number, written as an integer ("4", "+4")
// or as a number without a fraction ("4.0", "4e0"). Returns the end of the
// token, or null.
const char* ParseCount(const char* p, const char* end, long& count) {
    const char* digits = p < end && *p == '+' ? p + 1 : p;
    const std::from_chars_result r = std::from_chars(digits, end, count);
    if (r.ec == std::errc() && (digits == p || *digits != '-') && (r.ptr == end || IsSpace(*r.ptr))) return r.ptr;
    double value = 0.0;
    const char* stop = ParseLenientNumber(p, end, value);
    if (!stop || !(value == std::trunc(value)) || !(std::fabs(value) < 9.0e18)) return nullptr;
    count = static_cast<long>(value);
    return stop;
}

enum TKey { kNCols, kNRows, kXllCorner, kXllCenter, kYllCorner, kYllCenter, kCellSize, kDx, kDy, kNoData, kKeyCount };
const char* const kKeyNames[kKeyCount] = {"ncols",     "nrows",    "xllcorner", "xllcenter", "yllcorner",
                                          "yllcenter", "cellsize", "dx",        "dy",        "NODATA_value"};

// The header keyword that [p, stop) spells, letter case aside; kKeyCount for
// any other word.
int KeyOf(const char* p, const char* stop) {
    for (int key = 0; key < kKeyCount; ++key) {
        const char* name = kKeyNames[key];
        const char* q = p;
        while (q < stop && *name && Lower(*q) == Lower(*name)) ++q, ++name;
        if (q == stop && !*name) return key;
    }
    return kKeyCount;
}

// Which of the two registrations of an axis the header declares: exactly one.
int Registration(const bool* seen, int corner, int center) {
    if (seen[corner] && seen[center])
        HeaderFault(std::string("both ") + kKeyNames[corner] + " and " + kKeyNames[center] + " tags");
    if (!seen[corner] && !seen[center])
        HeaderFault(std::string("missing ") + kKeyNames[corner] + " or " + kKeyNames[center] + " tag");
    return seen[corner] ? corner : center;
}

// Lenient reading: keywords in any letter case and order, each at most once,
// up to the first word that is not one.
TGridHeader ReadLenientHeader(const char* begin, const char* end) {
    bool seen[kKeyCount] = {};
    double values[kKeyCount] = {};
    const char* tokens[kKeyCount] = {};
    long counts[2] = {0, 0};
    const char* p = begin;
    // Editors on Windows start a UTF-8 text with a byte order mark.
    if (end - p >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0) p += 3;
    for (;;) {
        while (p < end && IsSpace(*p)) ++p;
        const char* stop = TokenEnd(p, end);
        const int key = KeyOf(p, stop);
        if (key == kKeyCount) break;
        if (seen[key]) HeaderFault(std::string("repeated ") + kKeyNames[key] + " tag");
        seen[key] = true;
        p = stop;
        while (p < end && IsSpace(*p)) ++p;
        if (p == end) throw kEndOfFile;
        tokens[key] = p;
        if (key == kNCols || key == kNRows) stop = ParseCount(p, end, counts[key]);
        else stop = ParseLenientNumber(p, end, values[key]);
        // Only the no-data value may be nan.
        if (!stop || (key != kNoData && std::isnan(values[key]))) BadToken(kKeyNames[key], p, end, 0, 0);
        p = stop;
    }

    TGridHeader grid;
    if (!seen[kNCols]) HeaderFault("missing ncols tag");
    if (!seen[kNRows]) HeaderFault("missing nrows tag");
    const int x = Registration(seen, kXllCorner, kXllCenter);
    const int y = Registration(seen, kYllCorner, kYllCenter);
    if (seen[kCellSize]) {
        if (seen[kDx] || seen[kDy]) HeaderFault(std::string("both cellsize and ") + (seen[kDx] ? "dx" : "dy") + " tags");
        grid.MbrDblCellSize = values[kCellSize];
    } else if (seen[kDx] && seen[kDy]) {
        if (values[kDx] != values[kDy])
            HeaderFault("dx " + Quoted(tokens[kDx], end) + " and dy " + Quoted(tokens[kDy], end) +
                        " differ, but cells must be square");
        grid.MbrDblCellSize = values[kDx];
    } else if (seen[kDx] || seen[kDy]) {
        HeaderFault(seen[kDx] ? "dx tag without dy tag" : "dy tag without dx tag");
    } else {
        HeaderFault("missing cellsize tag (or dx and dy tags)");
    }
    grid.MbrLngCols = counts[kNCols];
    grid.MbrLngRows = counts[kNRows];
    // A centre lies half a cell inside the corner.
    grid.MbrDblXll = x == kXllCorner ? values[x] : values[x] - grid.MbrDblCellSize / 2;
    grid.MbrDblYll = y == kYllCorner ? values[y] : values[y] - grid.MbrDblCellSize / 2;
    if (seen[kNoData]) grid.MbrDblNoData = values[kNoData];
    grid.MbrPtrBody = p;
    return grid;
}

// Checks the header, reads the body and places the map. Lenient reading
// also takes the variant numbers in the body, and stores a NaN cell as the
// no-data value, so that it holds no data whatever value the header declares.
template <bool kLenient, class TSource>
TMap* BuildMap(const TGridHeader& header, TSource& source, const char* end) {
    const long ncols = header.MbrLngCols;
    const long nrows = header.MbrLngRows;
    const double cellsize = header.MbrDblCellSize;
    const double nodata = header.MbrDblNoData;
    const double xll = header.MbrDblXll;
    const double yll = header.MbrDblYll;
    const char* p = header.MbrPtrBody;

    if (ncols < 1) throw "File format error: ncols must be at least 1";
    if (nrows < 1) throw "File format error: nrows must be at least 1";
    if (!(cellsize > 0.0) || std::isinf(cellsize)) throw "File format error: cellsize must be greater than 0";

    // Every value takes at least one character and one separator, so a body
    // that claims more cells than that is short before anything is allocated.
    const unsigned long long room = source.Left(p, end) / 2 + 1;
    if (static_cast<unsigned long long>(ncols) > room ||
        static_cast<unsigned long long>(nrows) > room / static_cast<unsigned long long>(ncols))
        throw kEndOfFile;

    std::unique_ptr<TMap> map(new TMap(cellsize, ncols, nrows));
    map->SetNoDataValue(nodata);
    for (long r = 0; r < nrows; ++r) {
        double* row = map->GetRowData(r);
        for (long k = 0; k < ncols; ++k) {
            for (;;) {
                while (p < end && IsSpace(*p)) ++p;
                if (p < end) break;
                if (!source.More(p, end)) throw kEndOfFile;
            }
            const char* next = ParseDecimal(p, end, row[k]);
            if (!next || (next < end && !IsSpace(*next))) {
                if constexpr (kLenient) {
                    next = ParseVariantNumber(p, end, row[k]);
                    if (!next) BadToken("value", p, end, r + 1, k + 1);
                    if (std::isnan(row[k])) row[k] = nodata;
                } else {
                    BadToken("value", p, end, r + 1, k + 1);
                }
            }
            p = next;
        }
    }

    std::unique_ptr<TAxis> yaxis(new TAxis(cellsize, nrows + 1));
    double y = yll;
    yaxis->SetPoint(nrows, new TPoint(xll, y));
    for (long k = nrows - 1; k >= 0; --k) {
        y = y + cellsize;
        yaxis->SetPoint(k, new TPoint(xll, y));
    }
    const double top = yaxis->GetPoint(0)->GetY();
    std::unique_ptr<TAxis> xaxis(new TAxis(cellsize, ncols + 1));
    double x = xll;
    for (long k = 0; k <= ncols; ++k) {
        xaxis->SetPoint(k, new TPoint(x, top));
        x = x + cellsize;
    }
    map->SetXAxisInterval(xaxis.get());
    map->SetYAxisInterval(yaxis.get());
    return map.release();
}

// A byte buffer that grows without zero-filling what it adds.
class TTextBuffer {
public:
    char* Data() { return MbrPtrData.get(); }
    const char* Data() const { return MbrPtrData.get(); }
    size_t Size() const { return MbrLngSize; }
    // Room for at least `size` bytes; what the buffer held may be dropped.
    void Reserve(size_t size) {
        if (size <= MbrLngSize) return;
        MbrPtrData.reset(new char[size]);
        MbrLngSize = size;
    }
    // Twice the room, keeping the first `used` bytes.
    void Grow(size_t used) {
        std::unique_ptr<char[]> bigger(new char[MbrLngSize * 2]);
        std::memcpy(bigger.get(), MbrPtrData.get(), used);
        MbrPtrData.swap(bigger);
        MbrLngSize *= 2;
    }

private:
    std::unique_ptr<char[]> MbrPtrData;
    size_t MbrLngSize = 0;
};

// One read() into [into, into + room): the number of bytes read, 0 at the end
// of the file.
size_t ReadSome(int fd, char* into, size_t room, const std::string& name) {
    for (;;) {
        const ssize_t got = ::read(fd, into, room);
        if (got >= 0) return static_cast<size_t>(got);
        if (errno != EINTR) throw std::string("Unable to read file ") + name;
    }
}

// The number of words in [p, end), counting no further than `most`.
int CountWords(const char* p, const char* end, int most) {
    int words = 0;
    while (words < most) {
        while (p < end && IsSpace(*p)) ++p;
        if (p == end) break;
        ++words;
        while (p < end && !IsSpace(*p)) ++p;
    }
    return words;
}

// The most words the header readers look at: lenient reading takes each of
// the ten keywords once with its value and stops at the next word, which is
// not a keyword or is a repeated one (strict reading needs 13).
const int kHeaderWords = 21;

// Grid text held whole in memory. The parser takes its text from a source:
// Start gives the first window [p, end) of the text, which holds at least the
// whole header when the text does; More moves to the next window once the
// parser has reached `end`, and is false at the end of the text; Left is an
// upper bound on the bytes from p to the end of the text.
class TTextSource {
public:
    TTextSource(const char* begin, const char* end) : MbrPtrBegin(begin), MbrPtrEnd(end) {}
    void Start(const char*& p, const char*& end) const {
        p = MbrPtrBegin;
        end = MbrPtrEnd;
    }
    bool More(const char*&, const char*&) const { return false; }
    unsigned long long Left(const char* p, const char* end) const { return static_cast<unsigned long long>(end - p); }

private:
    const char* MbrPtrBegin;
    const char* MbrPtrEnd;
};

// Grid text read from a regular file a chunk at a time into a buffer small
// enough to stay in cache, so that the parser reads what read() has just
// copied. A window ends just after a white-space character, so that no word
// runs past it, or with the file. The file is never mapped: a mapped file
// that another program truncates kills the reader with SIGBUS, while a file
// that shrinks or grows under read() simply ends sooner or later.
class TFileSource {
public:
    TFileSource(int fd, unsigned long long size, const std::string& name)
        : MbrIntFd(fd), MbrLngFileSize(size), MbrStrName(name) {
        MbrBuffer.Reserve(kChunk);
    }

    void Start(const char*& p, const char*& end) {
        do Read();
        while (!MbrBolEnd && CountWords(MbrBuffer.Data(), WindowEnd(), kHeaderWords) < kHeaderWords);
        p = MbrBuffer.Data();
        end = WindowEnd();
    }

    bool More(const char*& p, const char*& end) {
        if (MbrBolEnd) return false;
        // Keep what follows the window (the start of a word) and read on.
        char* data = MbrBuffer.Data();
        const size_t from = static_cast<size_t>(p - data);
        std::memmove(data, data + from, MbrLngUsed - from);
        MbrLngUsed -= from;
        MbrLngOffset += from;
        do Read();
        while (!MbrBolEnd && WindowEnd() == MbrBuffer.Data());
        p = MbrBuffer.Data();
        end = WindowEnd();
        return true;
    }

    // What the file's size leaves from p on, or what has been read of it if
    // that is more (the file has grown).
    unsigned long long Left(const char* p, const char*) const {
        const unsigned long long at = MbrLngOffset + static_cast<unsigned long long>(p - MbrBuffer.Data());
        const unsigned long long read = MbrLngUsed - static_cast<unsigned long long>(p - MbrBuffer.Data());
        return MbrLngFileSize > at + read ? MbrLngFileSize - at : read;
    }

private:
    static const size_t kChunk = KORVEL_READ_CHUNK;

    void Read() {
        if (MbrLngUsed == MbrBuffer.Size()) MbrBuffer.Grow(MbrLngUsed);
        const size_t got = ReadSome(MbrIntFd, MbrBuffer.Data() + MbrLngUsed, MbrBuffer.Size() - MbrLngUsed, MbrStrName);
        MbrLngUsed += got;
        if (got == 0) MbrBolEnd = true;
    }

    const char* WindowEnd() const {
        const char* data = MbrBuffer.Data();
        const char* q = data + MbrLngUsed;
        if (MbrBolEnd) return q;
        while (q > data && !IsSpace(q[-1])) --q;
        return q;
    }

    int MbrIntFd;
    unsigned long long MbrLngFileSize;
    const std::string& MbrStrName;
    TTextBuffer MbrBuffer;
    size_t MbrLngUsed = 0;
    unsigned long long MbrLngOffset = 0;
    bool MbrBolEnd = false;
};

// Reads a descriptor to its end (a pipe, a terminal, a file of unknown size).
size_t ReadAll(int fd, TTextBuffer& buffer, const std::string& name) {
    buffer.Reserve(size_t(1) << 16);
    size_t used = 0;
    for (;;) {
        if (used == buffer.Size()) buffer.Grow(used);
        const size_t got = ReadSome(fd, buffer.Data() + used, buffer.Size() - used, name);
        if (got == 0) return used;
        used += got;
    }
}

// Reads the text of a source, strictly or leniently.
template <class TSource>
TMap* ParseGrid(TSource& source, TARCGISFileTools::TReadMode mode) {
    const char* p;
    const char* end;
    source.Start(p, end);
    if (mode == TARCGISFileTools::TReadMode::Strict) return BuildMap<false>(ReadStrictHeader(p, end), source, end);
    return BuildMap<true>(ReadLenientHeader(p, end), source, end);
}

// Reads a text in the mode asked for; makeSource gives a fresh source of the
// whole text each time it is called. Whatever strict reading takes, lenient
// reading takes too, such as a header value run into the next tag
// ("xllcorner 0yllcorner 0"), which strict reading reads the way a stream
// does: when lenient reading refuses a text, strict reading has its turn,
// and when that fails too, the lenient message stands.
template <class TMakeSource>
TMap* ParseInMode(TARCGISFileTools::TReadMode mode, TMakeSource makeSource) {
    if (mode == TARCGISFileTools::TReadMode::Strict) {
        auto source = makeSource();
        return ParseGrid(source, mode);
    }
    try {
        auto source = makeSource();
        return ParseGrid(source, mode);
    } catch (const char*) {
        try {
            auto source = makeSource();
            return ParseGrid(source, TARCGISFileTools::TReadMode::Strict);
        } catch (const char*) {
        }
        throw;
    }
}

void AppendLine(std::string& out, const char* tag, const char* begin, const char* end, int width) {
    out += tag;
    for (long pad = width - (end - begin); pad > 0; --pad) out += ' ';
    out.append(begin, end);
    out += '\n';
}

}  // namespace

TMap* TARCGISFileTools::ParseARCGISText(const char* begin, const char* end) {
    return ParseARCGISText(begin, end, TReadMode::Strict);
}

TMap* TARCGISFileTools::ParseARCGISText(const char* begin, const char* end, TReadMode mode) {
    return ParseInMode(mode, [&] { return TTextSource(begin, end); });
}

TMap* TARCGISFileTools::LoadARCGISFile(std::istream& stream) { return LoadARCGISFile(stream, TReadMode::Strict); }

TMap* TARCGISFileTools::LoadARCGISFile(std::istream& stream, TReadMode mode) {
    std::string text;
    char block[1 << 16];
    while (stream.read(block, sizeof block) || stream.gcount() > 0) text.append(block, static_cast<size_t>(stream.gcount()));
    return ParseARCGISText(text.data(), text.data() + text.size(), mode);
}

TMap* TARCGISFileTools::LoadARCGISFile(std::string name) { return LoadARCGISFile(std::move(name), TReadMode::Strict); }

TMap* TARCGISFileTools::LoadARCGISFile(std::string name, TReadMode mode) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::string("Unable to open file ") + name;
    struct TClose {
        int MbrIntFd;
        ~TClose() { ::close(MbrIntFd); }
    } close{fd};
    struct stat info;
    const bool known = ::fstat(fd, &info) == 0;
    if (known && S_ISDIR(info.st_mode)) throw std::string("Unable to open file ") + name;
    // A regular file is parsed as it is read (from its start again, should
    // lenient reading hand it to strict reading); anything else (a pipe, a
    // terminal, a file that gives no size) is read whole first.
    if (known && S_ISREG(info.st_mode) && info.st_size > 0) {
        const unsigned long long size = static_cast<unsigned long long>(info.st_size);
        return ParseInMode(mode, [&] {
            if (::lseek(fd, 0, SEEK_SET) != 0) throw std::string("Unable to read file ") + name;
            return TFileSource(fd, size, name);
        });
    }
    TTextBuffer buffer;
    const size_t used = ReadAll(fd, buffer, name);
    return ParseARCGISText(buffer.Data(), buffer.Data() + used, mode);
}

std::vector<TMap*> TARCGISFileTools::LoadFileList(std::vector<std::string> names) {
    return LoadFileList(std::move(names), TReadMode::Strict);
}

std::vector<TMap*> TARCGISFileTools::LoadFileList(std::vector<std::string> names, TReadMode mode) {
    std::vector<std::unique_ptr<TMap>> loaded;
    loaded.reserve(names.size());
    for (const std::string& name : names) loaded.emplace_back(LoadARCGISFile(name, mode));
    std::vector<TMap*> maps;
    maps.reserve(loaded.size());
    for (std::unique_ptr<TMap>& map : loaded) maps.push_back(map.release());
    return maps;
}

std::string TARCGISFileTools::FormatHeader(TMap* map) { return FormatHeader(map, map->GetNoDataValue()); }

std::string TARCGISFileTools::FormatHeader(TMap* map, double nodata) {
    TAxis* xi = map->GetXAxisInterval();
    TAxis* yi = map->GetYAxisInterval();
    if (!xi || !yi) throw "Map has no axes in TARCGISFileTools::WriteARCGISFile";
    // The lower-left corner: the west end of the X boundaries and the south
    // end of the Y boundaries, whichever way the axes run.
    const double x0 = xi->GetPoint(0)->GetX();
    const double x1 = xi->GetPoint(xi->GetSize() - 1)->GetX();
    const double y0 = yi->GetPoint(0)->GetY();
    const double y1 = yi->GetPoint(yi->GetSize() - 1)->GetY();
    const double xll = x1 < x0 ? x1 : x0;
    const double yll = y0 < y1 ? y0 : y1;

    std::string out;
    char number[40];
    AppendLine(out, "ncols ", number, TNumberFormat::FormatLong(map->GetXDim(), number), 0);
    AppendLine(out, "nrows ", number, TNumberFormat::FormatLong(map->GetYDim(), number), 0);
    AppendLine(out, "xllcorner ", number, TNumberFormat::FormatG15(xll, number), 8);
    AppendLine(out, "yllcorner ", number, TNumberFormat::FormatG15(yll, number), 8);
    AppendLine(out, "cellsize ", number, TNumberFormat::FormatG15(map->GetResolution(), number), 0);
    AppendLine(out, "NODATA_value ", number, TNumberFormat::FormatG6(nodata, number), 0);
    return out;
}

void TARCGISFileTools::WriteARCGISFile(TMap* map, std::ostream& stream) {
    const std::string header = FormatHeader(map);
    stream.write(header.data(), static_cast<std::streamsize>(header.size()));
    stream.flush();
    TMapTools::WriteFlatFile(map, stream, ' ');
}

void TARCGISFileTools::WriteARCGISFile(TMap* map, TAtomicFile& file) {
    std::string text = FormatHeader(map);
    const size_t chunk = size_t(1) << 20;
    for (long r = 0; r < map->GetYDim(); ++r) {
        TMapTools::FormatRow(map, r, ' ', text);
        if (text.size() >= chunk) {
            file.Write(text.data(), text.size());
            text.clear();
        }
    }
    file.Write(text.data(), text.size());
}

void TARCGISFileTools::WriteARCGISFile(TMap* map, std::string name) {
    FormatHeader(map);  // a map that cannot be written never touches the file
    TAtomicFile file(name);
    WriteARCGISFile(map, file);
    file.Commit();
}

void TARCGISFileTools::WriteFileList(std::vector<TMap*> maps, std::vector<std::string> names) {
    if (maps.size() != names.size())
        throw "Size of map list and filename list do not match in TARCGISFileTools::WriteFileList";
    for (size_t i = 0; i < maps.size(); ++i) WriteARCGISFile(maps[i], names[i]);
}
