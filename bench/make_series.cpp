// Writes a deterministic series of ESRI ASCII grids for benchmarking:
//   make_series PREFIX COUNT NCOLS NROWS [SEED]
// writes PREFIX1.asc .. PREFIXCOUNT.asc. Each map is a smooth seasonal field
// plus noise, written with six significant digits, with about 2% of the
// cells marked -9999.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// splitmix64: a fixed, portable stream of pseudo-random numbers.
std::uint64_t Mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

double Unit(std::uint64_t x) { return static_cast<double>(Mix(x) >> 11) * (1.0 / 9007199254740992.0); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: make_series PREFIX COUNT NCOLS NROWS [SEED]\n");
        return 2;
    }
    const std::string prefix = argv[1];
    const long count = std::atol(argv[2]);
    const long ncols = std::atol(argv[3]);
    const long nrows = std::atol(argv[4]);
    const std::uint64_t seed = argc > 5 ? std::strtoull(argv[5], nullptr, 10) : 1;
    const double pi = 3.14159265358979323846;
    std::vector<char> line(static_cast<size_t>(ncols) * 16 + 2);
    for (long n = 1; n <= count; ++n) {
        const std::string name = prefix + std::to_string(n) + ".asc";
        std::FILE* out = std::fopen(name.c_str(), "w");
        if (!out) {
            std::perror(name.c_str());
            return 1;
        }
        std::fprintf(out, "ncols %ld\nnrows %ld\nxllcorner 481200\nyllcorner 5620400\ncellsize 25\nNODATA_value -9999\n",
                     ncols, nrows);
        const double season = std::sin(2 * pi * static_cast<double>(n) / 36.5);
        for (long r = 0; r < nrows; ++r) {
            size_t used = 0;
            for (long c = 0; c < ncols; ++c) {
                const std::uint64_t key = seed * 0x100000001b3ULL ^ (static_cast<std::uint64_t>(n) << 42) ^
                                          (static_cast<std::uint64_t>(r) << 21) ^ static_cast<std::uint64_t>(c);
                double value;
                if (Unit(key * 3 + 1) < 0.02) {
                    value = -9999;
                } else {
                    const double x = static_cast<double>(c) / static_cast<double>(ncols);
                    const double y = static_cast<double>(r) / static_cast<double>(nrows);
                    value = 12.0 + 9.0 * season + 4.0 * std::sin(2 * pi * x) * std::cos(pi * y) + 3.0 * y +
                            2.0 * (Unit(key * 3 + 2) - 0.5);
                }
                used += static_cast<size_t>(std::snprintf(&line[used], line.size() - used, "%g ", value));
            }
            line[used++] = '\n';
            std::fwrite(line.data(), 1, used, out);
        }
        if (std::fclose(out) != 0) {
            std::perror(name.c_str());
            return 1;
        }
    }
    return 0;
}
