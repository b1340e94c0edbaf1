#include "ops/TWindowStatistics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

// Builds the kernel for AVX2 machines beside the baseline one, chosen at load
// time; both compute the same IEEE operations, so the same results.
#if defined(__x86_64__) && defined(__linux__) && (defined(__GNUC__) || defined(__clang__))
#define KORVEL_TARGET_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KORVEL_TARGET_CLONES
#endif

namespace {

const double kNoData = -9999.0;
const double kInfinity = std::numeric_limits<double>::infinity();

using TPairs = std::vector<std::pair<unsigned, unsigned>>;

// Batcher's odd-even merge sort for n values: the compare-exchange steps
// (i, j), i < j, that leave any n values sorted.
void BuildSortingNetwork(size_t n, TPairs& pairs) {
    pairs.clear();
    for (size_t p = 1; p < n; p += p)
        for (size_t k = p; k > 0; k /= 2)
            for (size_t j = k % p; j + k < n; j += k + k)
                for (size_t i = 0; i < k && i + j + k < n; ++i)
                    if ((i + j) / (p + p) == (i + j + k) / (p + p))
                        pairs.emplace_back(static_cast<unsigned>(i + j), static_cast<unsigned>(i + j + k));
}

const TPairs& SortingNetwork(size_t n) {
    thread_local size_t built = 0;
    thread_local TPairs pairs;
    if (built != n) {
        BuildSortingNetwork(n, pairs);
        built = n;
    }
    return pairs;
}

// Whether v is data in a map whose no-data value is nd (nan: nd is NaN).
inline bool IsData(double v, double nd, bool nan) { return (v != nd) & ((v == v) | !nan); }

// The kernel over blocks of columns, each small enough for its running
// values to stay in the first-level cache. The loops hold no branches on the
// cells, so that they vectorise. rows[m] are the window's rows, nodata[m]
// their maps' no-data values.
KORVEL_TARGET_CLONES
void StatisticRows(const double* const* rows, const double* nodata, size_t count, long nx, TStatistic stat,
                   double minValid, double* out, double* scratch, long block, const TPairs* network) {
    double* __restrict first = scratch;
    double* __restrict second = scratch + block;
    double* __restrict valid = scratch + 2 * block;
    double* __restrict nans = scratch + 3 * block;
    double* const sorted = scratch + 4 * block;
    for (long x0 = 0; x0 < nx; x0 += block) {
        const long n = nx - x0 < block ? nx - x0 : block;
        double* __restrict result = out + x0;
        for (long x = 0; x < n; ++x) valid[x] = 0.0;
        switch (stat) {
        case TStatistic::Mean:
        case TStatistic::Sum:
        case TStatistic::Count:
        case TStatistic::Variance:
        case TStatistic::StdDev: {
            // -0.0 is the identity of addition: the sum of a cell is its
            // first data value, then each later one added in order.
            for (long x = 0; x < n; ++x) first[x] = -0.0;
            for (size_t m = 0; m < count; ++m) {
                const double* __restrict row = rows[m] + x0;
                const double nd = nodata[m];
                const bool nan = nd != nd;
                for (long x = 0; x < n; ++x) {
                    const bool data = IsData(row[x], nd, nan);
                    first[x] += data ? row[x] : -0.0;
                    valid[x] += data ? 1.0 : 0.0;
                }
            }
            if (stat == TStatistic::Mean) {
                for (long x = 0; x < n; ++x) result[x] = valid[x] >= minValid ? first[x] / valid[x] : kNoData;
            } else if (stat == TStatistic::Sum) {
                for (long x = 0; x < n; ++x) result[x] = valid[x] >= minValid ? first[x] : kNoData;
            } else if (stat == TStatistic::Count) {
                for (long x = 0; x < n; ++x) result[x] = valid[x] >= minValid ? valid[x] : kNoData;
            } else {
                for (long x = 0; x < n; ++x) {
                    first[x] = first[x] / valid[x];
                    second[x] = 0.0;
                }
                for (size_t m = 0; m < count; ++m) {
                    const double* __restrict row = rows[m] + x0;
                    const double nd = nodata[m];
                    const bool nan = nd != nd;
                    for (long x = 0; x < n; ++x) {
                        const double d = row[x] - first[x];
                        second[x] += IsData(row[x], nd, nan) ? d * d : 0.0;
                    }
                }
                if (stat == TStatistic::Variance) {
                    for (long x = 0; x < n; ++x) result[x] = valid[x] >= minValid ? second[x] / valid[x] : kNoData;
                } else {
                    for (long x = 0; x < n; ++x)
                        result[x] = valid[x] >= minValid ? std::sqrt(second[x] / valid[x]) : kNoData;
                }
            }
            break;
        }
        case TStatistic::Min:
        case TStatistic::Max:
        case TStatistic::Range: {
            // No data enters as the end of the order that changes nothing;
            // NaN data is counted apart and makes the result NaN.
            for (long x = 0; x < n; ++x) {
                first[x] = kInfinity;
                second[x] = -kInfinity;
                nans[x] = 0.0;
            }
            for (size_t m = 0; m < count; ++m) {
                const double* __restrict row = rows[m] + x0;
                const double nd = nodata[m];
                const bool nan = nd != nd;
                for (long x = 0; x < n; ++x) {
                    const double v = row[x];
                    const bool data = IsData(v, nd, nan);
                    const double low = data ? v : kInfinity;
                    const double high = data ? v : -kInfinity;
                    const double least = first[x];
                    const double most = second[x];
                    // std::min and std::max keep the earlier of equal values
                    // and compile to plain vector min and max.
                    first[x] = std::min(least, low);
                    second[x] = std::max(most, high);
                    valid[x] += data ? 1.0 : 0.0;
                    nans[x] += (data & (v != v)) ? 1.0 : 0.0;
                }
            }
            for (long x = 0; x < n; ++x) {
                const double v = nans[x] > 0.0 ? std::numeric_limits<double>::quiet_NaN()
                                 : stat == TStatistic::Min ? first[x]
                                 : stat == TStatistic::Max ? second[x]
                                                           : second[x] - first[x];
                result[x] = valid[x] >= minValid ? v : kNoData;
            }
            break;
        }
        case TStatistic::Median: {
            // Each map's row goes into the block, no data as +inf, which the
            // sorting network moves after every data value. NaN data is
            // counted apart (it has no place in the order).
            for (long x = 0; x < n; ++x) nans[x] = 0.0;
            for (size_t m = 0; m < count; ++m) {
                const double* __restrict row = rows[m] + x0;
                double* __restrict slot = sorted + static_cast<long>(m) * block;
                const double nd = nodata[m];
                const bool nan = nd != nd;
                for (long x = 0; x < n; ++x) {
                    const double v = row[x];
                    const bool data = IsData(v, nd, nan);
                    slot[x] = (data & (v == v)) ? v : kInfinity;
                    valid[x] += data ? 1.0 : 0.0;
                    nans[x] += (data & (v != v)) ? 1.0 : 0.0;
                }
            }
            for (const std::pair<unsigned, unsigned>& pair : *network) {
                double* __restrict low = sorted + static_cast<long>(pair.first) * block;
                double* __restrict high = sorted + static_cast<long>(pair.second) * block;
                for (long x = 0; x < n; ++x) {
                    const double a = low[x];
                    const double b = high[x];
                    low[x] = std::min(a, b);
                    high[x] = std::max(a, b);
                }
            }
            for (long x = 0; x < n; ++x) {
                if (!(valid[x] >= minValid)) {
                    result[x] = kNoData;
                } else if (nans[x] > 0.0) {
                    result[x] = std::numeric_limits<double>::quiet_NaN();
                } else {
                    const long k = static_cast<long>(valid[x]);
                    const double upper = sorted[(k / 2) * block + x];
                    result[x] = k % 2 == 1 ? upper : (sorted[(k / 2 - 1) * block + x] + upper) / 2.0;
                }
            }
            break;
        }
        }
    }
}

}  // namespace

void TWindowStatistics::Row(const std::vector<TMap*>& series, size_t first, size_t count, long LngY, TStatistic stat,
                            size_t minValid, double* out, std::vector<double>& scratch) {
    const long nx = series[first]->GetXDim();
    // The window's rows and no-data values: on the stack for windows of up
    // to 64 maps.
    const double* rowsHere[64];
    double nodataHere[64];
    std::vector<const double*> rowsHeap;
    std::vector<double> nodataHeap;
    const double** rows = rowsHere;
    double* nodata = nodataHere;
    if (count > 64) {
        rowsHeap.resize(count);
        nodataHeap.resize(count);
        rows = rowsHeap.data();
        nodata = nodataHeap.data();
    }
    for (size_t m = 0; m < count; ++m) {
        const TMap* map = series[first + m];
        if (map->GetRowLength(LngY) < nx) throw "X-ordinate is out of range in TMap::GetPointVal";
        rows[m] = map->GetRowData(LngY);
        nodata[m] = map->GetNoDataValue();
    }
    long block = 256;
    size_t size = 4 * static_cast<size_t>(block);
    const TPairs* network = nullptr;
    if (stat == TStatistic::Median) {
        // The median sorts a block of every map's values: fewer columns a
        // block for long windows keep it within the second-level cache.
        const long fit = 32768 / static_cast<long>(count);
        block = fit >= 256 ? 256 : fit >= 16 ? fit & ~7L : 16;
        size = (4 + count) * static_cast<size_t>(block);
        network = &SortingNetwork(count);
    }
    if (scratch.size() < size) scratch.resize(size);
    StatisticRows(rows, nodata, count, nx, stat, static_cast<double>(minValid), out, scratch.data(), block, network);
}

namespace {

const char* const kNames[] = {"mean", "sum", "min", "max", "range", "count", "median", "var", "std"};
const TStatistic kStatistics[] = {TStatistic::Mean,  TStatistic::Sum,    TStatistic::Min,
                                  TStatistic::Max,   TStatistic::Range,  TStatistic::Count,
                                  TStatistic::Median, TStatistic::Variance, TStatistic::StdDev};

}  // namespace

const char* TWindowStatistics::Name(TStatistic stat) {
    for (size_t i = 0; i < sizeof kStatistics / sizeof kStatistics[0]; ++i)
        if (kStatistics[i] == stat) return kNames[i];
    return "";
}

bool TWindowStatistics::FromName(const std::string& name, TStatistic& stat) {
    for (size_t i = 0; i < sizeof kStatistics / sizeof kStatistics[0]; ++i)
        if (name == kNames[i]) {
            stat = kStatistics[i];
            return true;
        }
    return false;
}
