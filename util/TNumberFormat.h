#ifndef KORVEL_UTIL_TNUMBERFORMAT_H
#define KORVEL_UTIL_TNUMBERFORMAT_H

// Number to text, exactly as printf writes it, into a caller's buffer.
// Each function needs 32 bytes of room at `out` (it may scribble past the
// text it writes, within those 32), adds no terminator and returns the end of
// the text.
class TNumberFormat {
public:
    // printf "%g": general notation, six significant digits.
    static char* FormatG6(double value, char* out);
    // FormatG6 of count values, each followed by separator; needs room for
    // 32 bytes a value.
    static char* FormatG6List(const double* values, long count, char separator, char* out);
    // printf "%.15g": general notation, up to fifteen significant digits.
    static char* FormatG15(double value, char* out);
    // printf "%.<digits>g", digits 1 to 17; with 17 every double reads back
    // as itself.
    static char* FormatG(double value, int digits, char* out);
    // FormatG of count values, each followed by separator; needs room for 32
    // bytes a value. A value of -9999, the no-data value of every map korvel
    // writes, is written "-9999" at any precision, so that it stays no data.
    static char* FormatGList(const double* values, long count, int digits, char separator, char* out);
    // printf "%ld".
    static char* FormatLong(long value, char* out);
};

#endif
