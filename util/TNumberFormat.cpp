#include "util/TNumberFormat.h"

#include <charconv>

char* TNumberFormat::FormatG6(double value, char* out) {
    return std::to_chars(out, out + 32, value, std::chars_format::general, 6).ptr;
}

char* TNumberFormat::FormatG15(double value, char* out) {
    return std::to_chars(out, out + 32, value, std::chars_format::general, 15).ptr;
}

char* TNumberFormat::FormatLong(long value, char* out) {
    return std::to_chars(out, out + 32, value).ptr;
}
