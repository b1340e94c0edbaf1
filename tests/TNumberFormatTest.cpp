#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "util/TNumberFormat.h"

namespace {

std::string Printf(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string G6(double value) {
    char text[40];
    return std::string(text, TNumberFormat::FormatG6(value, text));
}

std::string G15(double value) {
    char text[40];
    return std::string(text, TNumberFormat::FormatG15(value, text));
}

// Compares with printf and stops after a few differences, naming them. Each
// value is checked alone (FormatG6) and in lists of values (FormatG6List,
// which takes another path for most of them).
class TAgreement {
public:
    ~TAgreement() { CheckList(); }

    void Check(double value) {
        ++MbrLngChecked;
        const std::string want = Printf("%g", value);
        const std::string got = G6(value);
        if (got != want && MbrIntMismatches++ < 10)
            ADD_FAILURE() << Printf("%.17g", value) << ": printf gives " << want << ", FormatG6 gives " << got;
        MbrVecPending.push_back(value);
        MbrStrPending += want + ' ';
        if (MbrVecPending.size() == 1000) CheckList();
    }
    long Checked() const { return MbrLngChecked; }

private:
    void CheckList() {
        std::vector<char> text(MbrVecPending.size() * 33 + 32);
        const char* end = TNumberFormat::FormatG6List(MbrVecPending.data(), static_cast<long>(MbrVecPending.size()), ' ',
                                                      text.data());
        const std::string got(static_cast<const char*>(text.data()), end);
        if (got != MbrStrPending && MbrIntMismatches++ < 10) {
            size_t at = 0;
            while (at < got.size() && at < MbrStrPending.size() && got[at] == MbrStrPending[at]) ++at;
            ADD_FAILURE() << "FormatG6List differs from printf near: " << MbrStrPending.substr(at > 20 ? at - 20 : 0, 60)
                          << " / " << got.substr(at > 20 ? at - 20 : 0, 60);
        }
        MbrVecPending.clear();
        MbrStrPending.clear();
    }

    std::vector<double> MbrVecPending;
    std::string MbrStrPending;
    long MbrLngChecked = 0;
    int MbrIntMismatches = 0;
};

double FromBits(std::uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

TEST(TNumberFormat, G6MatchesPrintfOnBoundaryValues) {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values = {0.0,       -0.0,         1.0,          -1.0,        999999.5,     999999.4999999,
                                  9.999995e-5, 9.9999949e-5, 1e-5,       9.99999e-6,  9.999995e-6,  1e-4,
                                  0.5,       2.5,          1234565.0,    12345.65,    0.1234565,    100000.5,
                                  999999.0,  1e6,          -9999.0,      25.0,        0.008333333333, 481234.7,
                                  1e15,      9.999995e14,  123456789012.0, DBL_MIN,   DBL_TRUE_MIN, DBL_MAX,
                                  -DBL_MAX,  2.2250738585072009e-308, inf, -inf,      0.1,          0.3};
    for (int p = -320; p <= 308; ++p) {
        const double power = std::pow(10.0, p);
        for (double v : {power, std::nextafter(power, 0.0), std::nextafter(power, inf), power * 9.999995,
                         power * 1.000005, power * 5.0})
            values.push_back(v);
    }
    TAgreement agreement;
    for (double v : values) {
        agreement.Check(v);
        agreement.Check(-v);
    }
    EXPECT_EQ(G6(std::nan("")), Printf("%g", std::nan("")));
    EXPECT_EQ(G6(-std::nan("")), Printf("%g", -std::nan("")));
}

TEST(TNumberFormat, G6MatchesPrintfOnMillionsOfRandomValues) {
    std::mt19937_64 random(20261211);
    TAgreement agreement;
    // Any bit pattern: every exponent, subnormals, NaNs and infinities.
    for (int i = 0; i < 1000000; ++i) agreement.Check(FromBits(random()));
    // Values in the range data takes, spread evenly over the exponents.
    std::uniform_real_distribution<double> exponent(-7.0, 17.0);
    for (int i = 0; i < 1500000; ++i) agreement.Check(std::pow(10.0, exponent(random)));
    // Short decimals and values next to the halfway point of the sixth digit,
    // where a rounding that is almost right goes wrong.
    std::uniform_int_distribution<std::int64_t> mantissa(0, 99999999);
    std::uniform_int_distribution<int> scale(0, 16);
    for (int i = 0; i < 1500000; ++i) {
        const double decimal = static_cast<double>(mantissa(random)) / std::pow(10.0, scale(random));
        agreement.Check(decimal);
        const double half = (static_cast<double>(mantissa(random) % 900000 + 100000) + 0.5) * std::pow(10.0, scale(random) - 8);
        agreement.Check(half);
        agreement.Check(std::nextafter(half, 0.0));
        agreement.Check(std::nextafter(half, 1e300));
    }
    EXPECT_GE(agreement.Checked(), 8000000);
}

TEST(TNumberFormat, G15AndLongMatchPrintf) {
    std::mt19937_64 random(7);
    for (double v : {0.0, -0.0, 481234.7, 0.008333333333, 5620400.25, 1.34615384615385e-14, 1e15, 1e16, 123456789012345678.0,
                     -180.0}) {
        EXPECT_EQ(G15(v), Printf("%.15g", v));
    }
    for (int i = 0; i < 100000; ++i) {
        const double v = FromBits(random());
        ASSERT_EQ(G15(v), Printf("%.15g", v)) << Printf("%.17g", v);
    }
    for (long v : {0L, -1L, 42L, std::numeric_limits<long>::min(), std::numeric_limits<long>::max()}) {
        char text[40];
        char want[40];
        std::snprintf(want, sizeof want, "%ld", v);
        EXPECT_EQ(std::string(text, TNumberFormat::FormatLong(v, text)), want);
    }
}

TEST(TNumberFormat, AnyPrecisionMatchesPrintfAndKeepsMinus9999) {
    std::mt19937_64 random(11);
    std::vector<double> values = {0.0, -0.0, 0.5, 9.5, 99.95, 1e-5, 123456.5, 1e100, -1e-300, 4.9e-324, DBL_MAX,
                                  std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN()};
    for (int i = 0; i < 20000; ++i) values.push_back(FromBits(random()));
    for (int i = 0; i < 20000; ++i) values.push_back(static_cast<double>(static_cast<int>(random() % 2000001) - 1000000) / 64.0);
    for (int digits = 1; digits <= 17; ++digits) {
        SCOPED_TRACE(digits);
        char format[8];
        std::snprintf(format, sizeof format, "%%.%dg", digits);
        std::string want;
        for (double v : values) {
            char text[40];
            const std::string got(text, TNumberFormat::FormatG(v, digits, text));
            ASSERT_EQ(got, Printf(format, v)) << Printf("%.17g", v);
            want += got + ',';
        }
        std::vector<char> list(values.size() * 33 + 32);
        char* end = TNumberFormat::FormatGList(values.data(), static_cast<long>(values.size()), digits, ',', list.data());
        EXPECT_EQ(std::string(list.data(), end), want);
        // In lists, -9999 is written in full at every precision.
        const double nodata[] = {-9999.0, -9999.5};
        char text[80];
        end = TNumberFormat::FormatGList(nodata, 2, digits, ' ', text);
        EXPECT_EQ(std::string(text, end), "-9999 " + Printf(format, -9999.5) + " ");
    }
    // Seventeen digits read back as the same double.
    for (double v : values) {
        if (std::isnan(v)) continue;
        char text[40];
        *TNumberFormat::FormatG(v, 17, text) = '\0';
        ASSERT_EQ(std::strtod(text, nullptr), v) << text;
    }
}
