// Micro-benchmarks of the run's three phases on one thread: reading a grid,
// averaging a window, formatting and writing the result.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "files/TARCGISFileTools.h"
#include "ops/TMapTools.h"
#include "ops/TWindowStatistics.h"
#include "util/TNumberFormat.h"

namespace {

const long kSide = 1000;

// A grid's text with values like a seasonal field: six significant digits,
// about 2% no-data cells.
std::string GridText(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    std::string text = "ncols 1000\nnrows 1000\nxllcorner 481200\nyllcorner 5620400\ncellsize 25\nNODATA_value -9999\n";
    char number[32];
    for (long r = 0; r < kSide; ++r) {
        for (long c = 0; c < kSide; ++c) {
            const double v = random() % 50 == 0 ? -9999 : 12 + 4 * std::sin(c * 0.006) + 3.0 * r / kSide + noise(random);
            text.append(number, static_cast<size_t>(std::snprintf(number, sizeof number, "%g ", v)));
        }
        text += '\n';
    }
    return text;
}

std::vector<double> Values() {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> value(0.0, 30.0);
    std::vector<double> values(1 << 20);
    for (double& v : values) v = value(random);
    return values;
}

void BM_ParseGrid(benchmark::State& state) {
    const std::string text = GridText(1);
    for (auto _ : state) {
        std::unique_ptr<TMap> map(TARCGISFileTools::ParseARCGISText(text.data(), text.data() + text.size()));
        benchmark::DoNotOptimize(map.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_ParseGrid)->Unit(benchmark::kMillisecond);

// The same grid read from a file through the named-file reader (the file
// stays in the page cache): parsing plus getting the bytes from the kernel.
void BM_LoadGridFile(benchmark::State& state) {
    char name[] = "/tmp/korvel-bench-grid-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) {
        state.SkipWithError("cannot create a temporary file");
        return;
    }
    const std::string text = GridText(1);
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    if (!written) state.SkipWithError("cannot write the temporary file");
    for (auto _ : state) {
        std::unique_ptr<TMap> map(TARCGISFileTools::LoadARCGISFile(std::string(name)));
        benchmark::DoNotOptimize(map.get());
    }
    ::unlink(name);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_LoadGridFile)->Unit(benchmark::kMillisecond);

// Lenient reading of the same text, and of the text with decimal commas and
// nan for no data, which takes the slower path for the variant numbers.
void ParseLenient(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        std::unique_ptr<TMap> map(TARCGISFileTools::ParseARCGISText(text.data(), text.data() + text.size(),
                                                                    TARCGISFileTools::TReadMode::Lenient));
        benchmark::DoNotOptimize(map.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_ParseGridLenient(benchmark::State& state) { ParseLenient(state, GridText(1)); }
BENCHMARK(BM_ParseGridLenient)->Unit(benchmark::kMillisecond);

void BM_ParseGridLenientCommas(benchmark::State& state) {
    std::string text = GridText(1);
    const size_t body = text.find("-9999\n") + 6;
    for (size_t i = body; i < text.size(); ++i)
        if (text[i] == '.') text[i] = ',';
    size_t at = body;
    while ((at = text.find("-9999", at)) != std::string::npos) text.replace(at, 5, "nan"), at += 3;
    ParseLenient(state, text);
}
BENCHMARK(BM_ParseGridLenientCommas)->Unit(benchmark::kMillisecond);

// A window of seven parsed grids, made once.
const std::vector<TMap*>& Window7() {
    static std::vector<std::unique_ptr<TMap>> owned;
    static std::vector<TMap*> window;
    if (window.empty())
        for (unsigned k = 0; k < 7; ++k) {
            const std::string text = GridText(k + 10);
            owned.emplace_back(TARCGISFileTools::ParseARCGISText(text.data(), text.data() + text.size()));
            window.push_back(owned.back().get());
        }
    return window;
}

void BM_AverageWindow7(benchmark::State& state) {
    const std::vector<TMap*>& window = Window7();
    for (auto _ : state) {
        std::unique_ptr<TMap> average(TMapTools::Average(window));
        benchmark::DoNotOptimize(average.get());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_AverageWindow7)->Unit(benchmark::kMillisecond);

// Each statistic of a window of seven, over the cells where four or more
// maps hold data.
void BM_StatisticWindow7(benchmark::State& state) {
    const std::vector<TMap*>& window = Window7();
    const TStatistic stat = static_cast<TStatistic>(state.range(0));
    state.SetLabel(TWindowStatistics::Name(stat));
    for (auto _ : state) {
        std::unique_ptr<TMap> result(TMapTools::Statistic(window, stat, 4));
        benchmark::DoNotOptimize(result.get());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_StatisticWindow7)->DenseRange(0, 8)->Unit(benchmark::kMillisecond);

void BM_WriteGrid(benchmark::State& state) {
    const std::string text = GridText(2);
    std::unique_ptr<TMap> map(TARCGISFileTools::ParseARCGISText(text.data(), text.data() + text.size()));
    for (auto _ : state) {
        std::ostringstream out;
        TARCGISFileTools::WriteARCGISFile(map.get(), out);
        benchmark::DoNotOptimize(out.str().data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_WriteGrid)->Unit(benchmark::kMillisecond);

// The %g formatter against the standard library's ways to the same text.
void BM_FormatG6(benchmark::State& state) {
    const std::vector<double> values = Values();
    char text[40];
    for (auto _ : state)
        for (double v : values) benchmark::DoNotOptimize(TNumberFormat::FormatG6(v, text));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * values.size()));
}
BENCHMARK(BM_FormatG6)->Unit(benchmark::kMillisecond);

void BM_FormatG6List(benchmark::State& state) {
    const std::vector<double> values = Values();
    std::vector<char> text(values.size() * 33 + 32);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            TNumberFormat::FormatG6List(values.data(), static_cast<long>(values.size()), ' ', text.data()));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * values.size()));
}
BENCHMARK(BM_FormatG6List)->Unit(benchmark::kMillisecond);

void BM_ToCharsPrecision6(benchmark::State& state) {
    const std::vector<double> values = Values();
    char text[40];
    for (auto _ : state)
        for (double v : values)
            benchmark::DoNotOptimize(std::to_chars(text, text + sizeof text, v, std::chars_format::general, 6).ptr);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * values.size()));
}
BENCHMARK(BM_ToCharsPrecision6)->Unit(benchmark::kMillisecond);

void BM_SnprintfG(benchmark::State& state) {
    const std::vector<double> values = Values();
    char text[40];
    for (auto _ : state)
        for (double v : values) benchmark::DoNotOptimize(std::snprintf(text, sizeof text, "%g", v));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * values.size()));
}
BENCHMARK(BM_SnprintfG)->Unit(benchmark::kMillisecond);

}  // namespace
