#include "util/TNumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Powers of ten that doubles hold exactly.
const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Two decimal digits at a time.
const char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char* Slow(double value, char* out) {
    return std::to_chars(out, out + 32, value, std::chars_format::general, 6).ptr;
}

// The six digits of m (100000 <= m <= 999999) as characters in the low six
// bytes of a word (first digit lowest), built in a register so that copying
// the word out never waits on smaller stores.
inline std::uint64_t SixDigits(std::uint32_t m) {
    const std::uint32_t a = m / 10000, rest = m % 10000;
    std::uint16_t pa, pb, pc;
    std::memcpy(&pa, kDigitPairs + 2 * a, 2);
    std::memcpy(&pb, kDigitPairs + 2 * (rest / 100), 2);
    std::memcpy(&pc, kDigitPairs + 2 * (rest % 100), 2);
    return pa | static_cast<std::uint64_t>(pb) << 16 | static_cast<std::uint64_t>(pc) << 32;
}

}  // namespace

// The text of a number whose six significant digits are m (100000 to
// 999999) and whose decimal exponent is e, as printf %g writes it.
static inline char* Assemble(std::uint32_t m, int e, bool negative, char* out) {
    const std::uint64_t digits = SixDigits(m);
    // The last digit kept once trailing zeros are dropped: the six digits end
    // in as many '0' bytes as the word, read from its top, has zero bytes
    // after the digits are turned into numbers (the first digit is not 0).
    const std::uint64_t values = (digits ^ 0x303030303030ULL) << 16;
    const int last = 5 - __builtin_clzll(values) / 8;
    char* p = out;
    *p = '-';
    p += negative ? 1 : 0;
    if (e >= 0 && e < 6) {
        // d.ddddd with the point after e + 1 digits, dropped when nothing follows.
        const std::uint64_t tail = digits >> (8 * (e + 1));
        std::memcpy(p, &digits, 8);
        p[e + 1] = '.';
        std::memcpy(p + e + 2, &tail, 8);
        return p + (last > e ? last + 2 : e + 1);
    }
    if (e < 0 && e >= -4) {
        // 0.000ddd: -e - 1 zeros after the point.
        std::memcpy(p, "0.000000", 8);
        std::memcpy(p + 1 - e, &digits, 8);
        return p + 2 - e + last;
    }
    // Exponent form: d.ddddde+XX, or e-05.
    const std::uint64_t tail = digits >> 8;
    p[0] = static_cast<char>(digits & 0xFF);
    p[1] = '.';
    std::memcpy(p + 2, &tail, 8);
    p += last > 0 ? last + 2 : 1;
    if (e > 0) {
        std::memcpy(p, "e+", 2);
        std::memcpy(p + 2, kDigitPairs + 2 * e, 2);
    } else {
        std::memcpy(p, "e-05", 4);
    }
    return p + 4;
}

// The six significant digits are found with one multiplication or division by
// an exact power of ten, whose result is the exact product rounded once. Only
// when that product lies too close to a rounding boundary for the rounding to
// be certain (or outside the range handled here) is the exact conversion used.
// The text is assembled with fixed-size copies into the caller's 32 bytes.
static inline char* FastG6(double value, char* out) {
    const double a = std::fabs(value);
    if (!(a >= 1e-5 && a < 1e15)) return Slow(value, out);

    // Whole numbers below a million (no-data markers, rounded maps) are
    // their own digits.
    if (a < 1e6) {
        const std::uint32_t whole = static_cast<std::uint32_t>(a);
        if (static_cast<double>(whole) == a) {
            char digits[16];  // the digits end at digits + 8; eight bytes are copied from d
            char* d = digits + 8;
            std::uint32_t rest = whole;
            do {
                *--d = static_cast<char>('0' + rest % 10);
                rest /= 10;
            } while (rest != 0);
            char* p = out;
            *p = '-';
            p += std::signbit(value) ? 1 : 0;
            std::memcpy(p, d, 8);
            return p + (digits + 8 - d);
        }
    }

    // e: the decimal exponent, 10^e <= a < 10^(e+1). A wrong guess at a
    // boundary only puts the scaled value out of range below.
    // Start from the binary exponent's guess (low by at most one) and step up
    // once if needed.
    static const double kPow10All[] = {1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,  1e2,  1e3,  1e4,
                                       1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::uint64_t bits;
    std::memcpy(&bits, &a, sizeof bits);
    const int binary = static_cast<int>((bits >> 52) & 0x7FF) - 1023;  // a = 1.f * 2^binary
    int e = (binary * 78913) >> 18;  // floor(binary * log10(2)) for the binary exponents here
    e += a >= kPow10All[e + 7] ? 1 : 0;
    const int shift = 5 - e;
    const double scaled = shift >= 0 ? a * kPow10[shift] : a / kPow10[-shift];
    // The exact product lies within 2^-52 relative of scaled (< 2.3e-10 here).
    if (!(scaled >= 99999.5005 && scaled < 999999.4995)) return Slow(value, out);
    std::uint32_t m = static_cast<std::uint32_t>(scaled);  // scaled > 0: truncation is the floor
    const double fraction = scaled - static_cast<double>(m);
    if (fraction > 0.4999995 && fraction < 0.5000005) return Slow(value, out);
    m += fraction > 0.5 ? 1u : 0u;
    return Assemble(m, e, std::signbit(value), out);
}

char* TNumberFormat::FormatG6(double value, char* out) { return FastG6(value, out); }

namespace {

// Builds a hot function for AVX2 machines beside the baseline one, chosen at
// load time; both give the same results.
#if defined(__x86_64__) && defined(__linux__) && (defined(__GNUC__) || defined(__clang__))
#define KORVEL_TARGET_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KORVEL_TARGET_CLONES
#endif

// The first half of FastG6 for numbers from 0.0001 to below a million, in a
// loop without branches that the compiler vectorises (this file is built
// without floating-point traps, so comparisons become selects): the six
// digits m[i] and the exponent e[i], with ok[i] zero where the value needs
// the full path (out of this range, NaN, or too close to a rounding
// boundary). The scale 10^(5 - e) is 1e9 divided by a product of exact tens,
// so every scaling is one exact operation rounded once, as in FastG6. (The
// doubles nearest 0.1, 0.01 and 0.001 lie above those numbers, so comparing
// with them places every double in its decade.)
KORVEL_TARGET_CLONES
void ScaleBlock(const double* __restrict values, int count, std::int32_t* __restrict m, std::int32_t* __restrict e,
                std::int32_t* __restrict ok) {
    for (int i = 0; i < count; ++i) {
        const double a = std::fabs(values[i]);
        static const double kDecades[9] = {1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4, 1e5};
        double power = 1.0, passed = 0.0;
        for (int k = 0; k < 9; ++k) {
            const double above = a >= kDecades[k] ? 1.0 : 0.0;
            power *= 1.0 + 9.0 * above;
            passed += above;
        }
        const double product = a * (1e9 / power);
        const double inRange = (a >= 1e-4) * (a < 1e6) * (product >= 99999.5005) * (product < 999999.4995);
        const double scaled = inRange != 0.0 ? product : 100000.0;
        const std::int32_t whole = static_cast<std::int32_t>(scaled);
        const double fraction = scaled - static_cast<double>(whole);
        const double tie = (fraction > 0.4999995) * (fraction < 0.5000005);
        m[i] = whole + static_cast<std::int32_t>(fraction > 0.5);
        e[i] = static_cast<std::int32_t>(passed) - 4;
        ok[i] = static_cast<std::int32_t>(inRange * (1.0 - tie));
    }
}

}  // namespace

// Values are scaled a block at a time in a vectorised loop; each is then
// written from its digits, or by the full path where the block's loop could
// not decide it.
char* TNumberFormat::FormatG6List(const double* values, long count, char separator, char* out) {
    const int block = 64;
    std::int32_t m[block], e[block], ok[block];
    for (long start = 0; start < count; start += block) {
        const int n = count - start < block ? static_cast<int>(count - start) : block;
        ScaleBlock(values + start, n, m, e, ok);
        for (int i = 0; i < n; ++i) {
            const double value = values[start + i];
            out = ok[i] ? Assemble(static_cast<std::uint32_t>(m[i]), e[i], std::signbit(value), out) : FastG6(value, out);
            *out++ = separator;
        }
    }
    return out;
}

char* TNumberFormat::FormatG15(double value, char* out) { return FormatG(value, 15, out); }

char* TNumberFormat::FormatG(double value, int digits, char* out) {
    return std::to_chars(out, out + 32, value, std::chars_format::general, digits).ptr;
}

char* TNumberFormat::FormatGList(const double* values, long count, int digits, char separator, char* out) {
    if (digits == 6) return FormatG6List(values, count, separator, out);
    for (long i = 0; i < count; ++i) {
        if (values[i] == -9999.0) {
            std::memcpy(out, "-9999", 5);
            out += 5;
        } else {
            out = FormatG(values[i], digits, out);
        }
        *out++ = separator;
    }
    return out;
}

char* TNumberFormat::FormatLong(long value, char* out) {
    return std::to_chars(out, out + 32, value).ptr;
}
