#include "ops/TMapTools.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <ios>
#include <memory>
#include <utility>

#include "ops/TWindowStatistics.h"
#include "util/TNumberFormat.h"
#include "util/TPointTools.h"

namespace {

const double kNoData = -9999.0;

// The dimension checks of a series: every map against the first, in order.
void CheckDimensions(const std::vector<TMap*>& series, const char* xMessage, const char* yMessage) {
    for (size_t i = 1; i < series.size(); ++i) {
        if (series[i]->GetXDim() != series[0]->GetXDim()) throw xMessage;
        if (series[i]->GetYDim() != series[0]->GetYDim()) throw yMessage;
    }
}

void CheckSumSeries(const std::vector<TMap*>& series) {
    if (series.size() < 2) throw "Must have more than 2 maps to sum in TMapTools::Sum";
    CheckDimensions(series, "X-dimension of maps are inconsistent in TMapTools::Sum",
                    "Y-dimension of maps are inconsistent in TMapTools::Sum");
}

// True when the two maps have the same dimensions and identical boundaries,
// so that every cell centre of one lies in the same cell of the other.
bool SameGrid(const TMap* a, const TMap* b) {
    if (a->GetXDim() != b->GetXDim() || a->GetYDim() != b->GetYDim()) return false;
    const TAxis* axes[2][2] = {{a->GetXAxisInterval(), a->GetYAxisInterval()},
                               {b->GetXAxisInterval(), b->GetYAxisInterval()}};
    if (!axes[0][0] && !axes[0][1] && !axes[1][0] && !axes[1][1]) return true;
    for (int d = 0; d < 2; ++d) {
        const TAxis* p = axes[0][d];
        const TAxis* q = axes[1][d];
        if (!p || !q || p->GetSize() != q->GetSize()) return false;
        for (long i = 0; i < p->GetSize(); ++i) {
            const double u = d == 0 ? p->GetPoint(i)->GetX() : p->GetPoint(i)->GetY();
            const double v = d == 0 ? q->GetPoint(i)->GetX() : q->GetPoint(i)->GetY();
            if (!(u == v)) return false;
        }
    }
    return true;
}

// Finds, once per column and once per row, the cell of `grid` that holds
// the centres of `map`, keeping the message of any lookup that fails.
struct TCellLookup {
    std::vector<long> MbrVecColumns, MbrVecRows;
    std::vector<const char*> MbrVecColumnErrors, MbrVecRowErrors;

    // noAxes: the message for a `map` without centre axes, as the cell walk
    // being replaced would have raised it.
    TCellLookup(const TMap* map, const TMap* grid, const char* noAxes = "Map has no axes in TMap::GetPoint (long,long)") {
        const TAxis* xc = map->GetXAxis();
        const TAxis* yc = map->GetYAxis();
        if (!xc || !yc) throw noAxes;
        if (!grid->GetXAxisInterval() || !grid->GetYAxisInterval()) throw "Map has no axes in TMap::GetPointVal";
        MbrVecColumns.assign(static_cast<size_t>(map->GetXDim()), 0);
        MbrVecColumnErrors.assign(MbrVecColumns.size(), nullptr);
        for (long x = 0; x < map->GetXDim(); ++x) {
            try {
                const long c = grid->GetIndex(xc->GetPoint(x)->GetX(), 'X');
                if (c < 0 || c >= grid->GetXDim()) throw "LngX is out of range in TMap::GetPointVal";
                MbrVecColumns[static_cast<size_t>(x)] = c;
            } catch (const char* message) {
                MbrVecColumnErrors[static_cast<size_t>(x)] = message;
            }
        }
        MbrVecRows.assign(static_cast<size_t>(map->GetYDim()), 0);
        MbrVecRowErrors.assign(MbrVecRows.size(), nullptr);
        for (long y = 0; y < map->GetYDim(); ++y) {
            try {
                const long r = grid->GetIndex(yc->GetPoint(y)->GetY(), 'Y');
                if (r < 0 || r >= grid->GetYDim()) throw "LngY is out of range in TMap::GetPointVal";
                MbrVecRows[static_cast<size_t>(y)] = r;
            } catch (const char* message) {
                MbrVecRowErrors[static_cast<size_t>(y)] = message;
            }
        }
    }

    // Throws what a cell-by-cell lookup, rows outer and columns inner, would
    // have thrown first.
    void ThrowFirstError() const {
        for (size_t y = 0; y < MbrVecRows.size(); ++y)
            for (size_t x = 0; x < MbrVecColumns.size(); ++x) {
                if (MbrVecColumnErrors[x]) throw MbrVecColumnErrors[x];
                if (MbrVecRowErrors[y]) throw MbrVecRowErrors[y];
            }
    }
};

// Row LngY of map, checked to hold at least nx values (a map grown with
// AddRow may have short rows).
const double* ReadRow(const TMap* map, long LngY, long nx) {
    if (map->GetRowLength(LngY) < nx) throw "X-ordinate is out of range in TMap::GetPointVal";
    return map->GetRowData(LngY);
}

double* WriteRow(TMap* map, long LngY, long nx) {
    if (map->GetRowLength(LngY) < nx) throw "X-ordinate is out of range in TMap::SetPoint";
    return map->GetRowData(LngY);
}

// A new map on the grid of base that declares base's no-data value and holds
// it in every cell.
TMap* NewMapFromBase(TMap* base) {
    std::unique_ptr<TMap> result(new TMap(base->GetResolution(), base->GetXDim(), base->GetYDim()));
    result->SetNoDataValue(base->GetNoDataValue());
    result->InitValues(base->GetNoDataValue());
    result->CopyAxes(base);
    return result.release();
}

bool HasAxes(const TMap* map) {
    return map->GetXAxis() && map->GetYAxis() && map->GetXAxisInterval() && map->GetYAxisInterval();
}

// Pairs every cell of base with the cell of other that holds its centre and
// stores op(base value, other value) on base's grid; either no-data value
// gives base's no-data value.
template <typename Op>
TMap* PairByCoordinates(TMap* base, TMap* other, const char* noAxes, Op op) {
    std::unique_ptr<TMap> result(NewMapFromBase(base));
    const long nx = base->GetXDim();
    const long ny = base->GetYDim();
    if (nx == 0 || ny == 0) return result.release();
    std::vector<long> columns, rows;
    if (SameGrid(base, other)) {
        columns.resize(static_cast<size_t>(nx));
        rows.resize(static_cast<size_t>(ny));
        for (long x = 0; x < nx; ++x) columns[static_cast<size_t>(x)] = x;
        for (long y = 0; y < ny; ++y) rows[static_cast<size_t>(y)] = y;
    } else {
        TCellLookup lookup(base, other, noAxes);
        lookup.ThrowFirstError();
        columns = std::move(lookup.MbrVecColumns);
        rows = std::move(lookup.MbrVecRows);
    }
    const double vNoData = base->GetNoDataValue();
    const double wNoData = other->GetNoDataValue();
    for (long y = 0; y < ny; ++y) {
        const double* in = ReadRow(base, y, nx);
        const double* with = ReadRow(other, rows[static_cast<size_t>(y)], other->GetXDim());
        double* out = result->GetRowData(y);
        for (long x = 0; x < nx; ++x) {
            const double v = in[x];
            const double w = with[columns[static_cast<size_t>(x)]];
            out[x] = v == vNoData || w == wNoData ? vNoData : op(v, w);
        }
    }
    return result.release();
}

// A new map on the grid of map (no-data value -9999, cells set to start) whose
// every cell is rule(value of map's cell).
template <typename Rule>
TMap* MapCells(TMap* map, double start, Rule rule) {
    std::unique_ptr<TMap> result(TMapTools::NewMapOnGrid(map));
    if (start != kNoData) result->InitValues(start);
    const long nx = map->GetXDim();
    for (long y = 0; y < map->GetYDim(); ++y) {
        const double* in = ReadRow(map, y, nx);
        double* out = result->GetRowData(y);
        for (long x = 0; x < nx; ++x) out[x] = rule(in[x]);
    }
    return result.release();
}

// Exact membership among a few values; NaN is never a member.
class TValueSet {
public:
    explicit TValueSet(const std::vector<double>& values) {
        for (double v : values)
            if (!std::isnan(v)) MbrVecValues.push_back(v);
        std::sort(MbrVecValues.begin(), MbrVecValues.end());
    }
    bool Has(double v) const { return std::binary_search(MbrVecValues.begin(), MbrVecValues.end(), v); }

private:
    std::vector<double> MbrVecValues;
};

// Owns the points of a value-to-point table until they are handed out.
struct TPointTable {
    std::map<double, TMapPoint*> MbrMapPoints;
    TPointTable() = default;
    TPointTable(const TPointTable&) = delete;
    TPointTable& operator=(const TPointTable&) = delete;
    TPointTable(TPointTable&& other) noexcept : MbrMapPoints(std::move(other.MbrMapPoints)) { other.MbrMapPoints.clear(); }
    ~TPointTable() {
        for (auto& entry : MbrMapPoints) delete entry.second;
    }
    std::map<double, TMapPoint*> Release() {
        std::map<double, TMapPoint*> points;
        points.swap(MbrMapPoints);
        return points;
    }
};

// The boundaries of an interval axis in ascending order, so that cell k
// (counted from the low end) spans [b[k], b[k + 1]).
std::vector<double> AscendingBoundaries(const TAxis* axis, bool x) {
    std::vector<double> bounds(static_cast<size_t>(axis->GetSize()));
    for (long i = 0; i < axis->GetSize(); ++i)
        bounds[static_cast<size_t>(i)] = x ? axis->GetPoint(i)->GetX() : axis->GetPoint(i)->GetY();
    if (bounds.size() > 1 && bounds.front() > bounds.back()) std::reverse(bounds.begin(), bounds.end());
    return bounds;
}

// One ordinate of the two corner points that Intersection hands to Extract,
// for the common stretch [lo, hi) of two axes with ascending boundaries a and
// b. The cells of each axis whose midpoints lie in [lo, hi) are the common
// ones; the low point is taken inside both first common cells and the high
// point inside both last ones, so that each axis selects exactly its common
// cells. When two cells do not overlap (grids of unlike cell sizes), the
// point goes to the lower (or higher) of the two midpoints, which keeps every
// common cell. Both points lie in [lo, hi), inside both axes.
void CommonStretch(const std::vector<double>& a, const std::vector<double>& b, double lo, double hi, double& low,
                   double& high) {
    const char* const disjoint = "Maps do not intersect in TMapTools::Intersection";
    struct TRange {
        size_t first, last;
    };
    auto common = [&](const std::vector<double>& e) {
        size_t first = e.size(), last = 0;
        bool any = false;
        for (size_t k = 0; k + 1 < e.size(); ++k) {
            const double mid = (e[k] + e[k + 1]) * 0.5;
            if (mid >= lo && mid < hi) {
                if (!any) first = k;
                last = k;
                any = true;
            }
        }
        if (!any) throw disjoint;
        return TRange{first, last};
    };
    const TRange ra = common(a);
    const TRange rb = common(b);
    auto mid = [](const std::vector<double>& e, size_t k) { return (e[k] + e[k + 1]) * 0.5; };
    auto pick = [&](size_t ka, size_t kb, bool lowEnd) {
        const double from = std::max(a[ka], b[kb]);
        const double to = std::min(a[ka + 1], b[kb + 1]);
        if (from < to) {
            const double p = (from + to) * 0.5;
            if (p >= from && p < to) return p;
            return from;
        }
        return lowEnd ? std::min(mid(a, ka), mid(b, kb)) : std::max(mid(a, ka), mid(b, kb));
    };
    low = pick(ra.first, rb.first, true);
    high = pick(ra.last, rb.last, false);
}

// A failure of one sample's lookups, with the position of the failing check
// in the order a sample's checks are made; the earliest one is reported.
struct TFault {
    int MbrIntStage = INT_MAX;
    const char* MbrPtrMessage = nullptr;
    void Set(int stage, const char* message) {
        if (!MbrPtrMessage) {
            MbrIntStage = stage;
            MbrPtrMessage = message;
        }
    }
};

// The least-squares slope of ys against xs over their first k elements,
// added up as TVectorTools::Gradient adds them (in order, from 0).
double Slope(const double* xs, const double* ys, size_t k) {
    double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
    for (size_t i = 0; i < k; ++i) sx += xs[i];
    for (size_t i = 0; i < k; ++i) sy += ys[i];
    for (size_t i = 0; i < k; ++i) sxx += xs[i] * xs[i];
    for (size_t i = 0; i < k; ++i) sxy += xs[i] * ys[i];
    const double n = static_cast<double>(k);
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

// True when the stream is in its default number format, so that printf %g
// text gives what operator<< would.
bool IsPlainStream(const std::ostream& stream) {
    return stream.flags() == (std::ios_base::dec | std::ios_base::skipws) && stream.precision() == 6 &&
           stream.width() == 0;
}

}  // namespace

TMap* TMapTools::NewMapOnGrid(TMap* source) {
    double resolution = source->GetResolution();
    if (source->GetXAxis() && source->GetYAxis()) {
        resolution = source->GetXAxis()->GetResolution();
        if (!(resolution == source->GetYAxis()->GetResolution())) throw "Axes resolutions do not match in TMap::TMap";
    }
    std::unique_ptr<TMap> map(new TMap(resolution, source->GetXDim(), source->GetYDim()));
    map->CopyAxes(source);
    return map.release();
}

std::vector<TMap*> TMapTools::MovingAverage(std::vector<TMap*> series, int window) {
    return MovingStatistic(std::move(series), window, TStatistic::Mean, window);
}

std::vector<TMap*> TMapTools::MovingStatistic(std::vector<TMap*> series, int window, TStatistic stat, int minValid) {
    const long long n = static_cast<long long>(series.size());
    std::vector<std::unique_ptr<TMap>> results;
    if (n - window < 0) return {};
    for (long long k = 0; k <= n - window; ++k) {
        std::vector<TMap*> part;
        if (window > 0) part.assign(series.begin() + k, series.begin() + k + window);
        results.emplace_back(Statistic(part, stat, minValid));
    }
    std::vector<TMap*> maps;
    maps.reserve(results.size());
    for (std::unique_ptr<TMap>& map : results) maps.push_back(map.release());
    return maps;
}

void TMapTools::AverageRow(const std::vector<TMap*>& series, size_t first, size_t count, long LngY, double* out,
                           std::vector<double>& scratch) {
    TWindowStatistics::Row(series, first, count, LngY, TStatistic::Mean, count, out, scratch);
}

TMap* TMapTools::Average(std::vector<TMap*> series) {
    const int count = static_cast<int>(std::min(series.size(), static_cast<size_t>(INT_MAX)));
    return Statistic(std::move(series), TStatistic::Mean, count);
}

TMap* TMapTools::Statistic(std::vector<TMap*> series, TStatistic stat, int minValid) {
    CheckSumSeries(series);
    if (minValid < 1 || static_cast<size_t>(minValid) > series.size())
        throw "Minimum number of maps holding data must be from 1 to the number of maps in TMapTools::Statistic";
    std::unique_ptr<TMap> result(NewMapOnGrid(series[0]));
    std::vector<double> scratch;
    for (long y = 0; y < result->GetYDim(); ++y)
        TWindowStatistics::Row(series, 0, series.size(), y, stat, static_cast<size_t>(minValid), result->GetRowData(y),
                               scratch);
    return result.release();
}

TMap* TMapTools::Sum(std::vector<TMap*> series) {
    CheckSumSeries(series);
    std::unique_ptr<TMap> result(NewMapOnGrid(series[0]));
    for (long y = 0; y < result->GetYDim(); ++y)
        for (long x = 0; x < result->GetXDim(); ++x) {
            double total = 0.0;
            bool missing = false;
            for (size_t m = 0; m < series.size() && !missing; ++m) {
                const double v = series[m]->GetPointVal(x, y);
                if (v == series[m]->GetNoDataValue()) missing = true;
                else total = m == 0 ? v : total + v;
            }
            result->SetPoint(x, y, missing ? kNoData : total);
        }
    return result.release();
}

TMap* TMapTools::DataCounts(std::vector<TMap*> series) {
    if (series.empty()) throw "Must have at least 1 map to count in TMapTools::DataCounts";
    CheckDimensions(series, "X-dimension of maps are inconsistent in TMapTools::DataCounts",
                    "Y-dimension of maps are inconsistent in TMapTools::DataCounts");
    std::unique_ptr<TMap> result(NewMapOnGrid(series[0]));
    for (long y = 0; y < result->GetYDim(); ++y)
        for (long x = 0; x < result->GetXDim(); ++x) {
            double count = 0.0;
            for (TMap* map : series)
                if (map->GetPointVal(x, y) != map->GetNoDataValue()) count += 1.0;
            result->SetPoint(x, y, count);
        }
    return result.release();
}

TMap* TMapTools::Divide(TMap* dividend, TMap* divisor) {
    if (dividend->GetResolution() > divisor->GetResolution())
        throw "Divisor must be of equal of coarser resolution than the dividend in TMapTools::Divide";
    std::unique_ptr<TMap> result(new TMap(dividend->GetResolution(), dividend->GetXDim(), dividend->GetYDim()));
    result->SetNoDataValue(dividend->GetNoDataValue());
    result->InitValues(dividend->GetNoDataValue());
    result->CopyAxes(dividend);

    const double vNoData = dividend->GetNoDataValue();
    const double dNoData = divisor->GetNoDataValue();
    auto cell = [&](double v, double d) { return v == vNoData || d == dNoData ? vNoData : v / d; };

    if (SameGrid(dividend, divisor)) {
        for (long y = 0; y < dividend->GetYDim(); ++y)
            for (long x = 0; x < dividend->GetXDim(); ++x)
                result->SetPoint(x, y, cell(dividend->GetPointVal(x, y), divisor->GetPointVal(x, y)));
        return result.release();
    }
    const TCellLookup lookup(dividend, divisor);
    lookup.ThrowFirstError();
    for (long y = 0; y < dividend->GetYDim(); ++y) {
        const long r = lookup.MbrVecRows[static_cast<size_t>(y)];
        for (long x = 0; x < dividend->GetXDim(); ++x)
            result->SetPoint(x, y, cell(dividend->GetPointVal(x, y),
                                        divisor->GetPointVal(lookup.MbrVecColumns[static_cast<size_t>(x)], r)));
    }
    return result.release();
}

void TMapTools::RoundRow(const double* values, long count, double nodata, double* out) {
    for (long x = 0; x < count; ++x) {
        const double v = values[x];
        if (v == nodata) {
            out[x] = kNoData;
        } else if (!std::isfinite(v)) {
            out[x] = v;
        } else {
            const double f = std::floor(v);
            out[x] = (v - f >= 0.5 ? f + 1.0 : f) + 0.0;
        }
    }
}

TMap* TMapTools::RoundContents(TMap* map) {
    std::unique_ptr<TMap> result(NewMapOnGrid(map));
    for (long y = 0; y < result->GetYDim(); ++y) {
        if (map->GetRowLength(y) < result->GetXDim()) throw "X-ordinate is out of range in TMap::GetPointVal";
        RoundRow(map->GetRowData(y), result->GetXDim(), map->GetNoDataValue(), result->GetRowData(y));
    }
    return result.release();
}

void TMapTools::FormatRow(TMap* map, long LngY, char separator, std::string& text) {
    if (LngY < 0 || LngY >= map->GetYDim()) throw "Y-ordinate is out of range in TMap::GetPointVal";
    if (map->GetRowLength(LngY) < map->GetXDim()) throw "X-ordinate is out of range in TMap::GetPointVal";
    FormatValues(map->GetRowData(LngY), map->GetXDim(), separator, text);
}

char* TMapTools::FormatValues(const double* values, long count, char separator, char* out) {
    out = TNumberFormat::FormatG6List(values, count, separator, out);
    *out++ = '\n';
    return out;
}

char* TMapTools::FormatValues(const double* values, long count, char separator, int digits, char* out) {
    out = TNumberFormat::FormatGList(values, count, digits, separator, out);
    *out++ = '\n';
    return out;
}

void TMapTools::FormatValues(const double* values, long count, char separator, std::string& text) {
    // Formatted in a reused buffer and appended, rather than into a string
    // grown (and zero-filled) by the room the worst case needs.
    thread_local std::vector<char> stage;
    const size_t room = static_cast<size_t>(count) * 33 + 1;
    if (stage.size() < room) stage.resize(room);
    const char* end = FormatValues(values, count, separator, stage.data());
    text.append(stage.data(), static_cast<size_t>(end - stage.data()));
}

void TMapTools::WriteFlatFile(TMap* map, std::ostream& stream, char separator) {
    const bool plain = IsPlainStream(stream);
    std::string text;
    for (long y = 0; y < map->GetYDim(); ++y) {
        if (plain) {
            text.clear();
            FormatRow(map, y, separator, text);
            stream.write(text.data(), static_cast<std::streamsize>(text.size()));
        } else {
            for (long x = 0; x < map->GetXDim(); ++x) stream << map->GetPointVal(x, y) << separator;
            stream << '\n';
        }
        stream.flush();
    }
}

// ---- Cell-wise arithmetic ----

TMap* TMapTools::Add(TMap* a, TMap* b) {
    const bool bIsBase = b->GetResolution() < a->GetResolution();
    return PairByCoordinates(bIsBase ? b : a, bIsBase ? a : b, "Map has no axes in TMap::GetCoordinates",
                             [](double v, double w) { return v + w; });
}

TMap* TMapTools::Multiply(TMap* a, TMap* b) {
    const bool bIsBase = b->GetResolution() < a->GetResolution();
    return PairByCoordinates(bIsBase ? b : a, bIsBase ? a : b, "Map has no axes in TMap::GetPoint (long,long)",
                             [](double v, double w) { return v * w; });
}

TMap* TMapTools::Subtract(TMap* minuend, TMap* subtrahend) {
    if (minuend->GetXDim() != subtrahend->GetXDim()) throw "X dimensions do not match in TMapTools::Subtract";
    if (minuend->GetYDim() != subtrahend->GetYDim()) throw "Y dimensions do not match in TMapTools::Subtract";
    std::unique_ptr<TMap> result(NewMapOnGrid(minuend));
    const double aNoData = minuend->GetNoDataValue();
    const double bNoData = subtrahend->GetNoDataValue();
    result->SetNoDataValue(aNoData);
    const long nx = minuend->GetXDim();
    for (long y = 0; y < minuend->GetYDim(); ++y) {
        const double* a = ReadRow(minuend, y, nx);
        const double* b = ReadRow(subtrahend, y, nx);
        double* out = result->GetRowData(y);
        for (long x = 0; x < nx; ++x) out[x] = a[x] == aNoData || b[x] == bNoData ? aNoData : a[x] - b[x];
    }
    return result.release();
}

TMap* TMapTools::Multiply(TMap* map, double factor) {
    return MapCells(map, kNoData, [factor](double v) { return v == kNoData ? kNoData : v * factor; });
}

TMap* TMapTools::Divide(TMap* map, double divisor) {
    const double nodata = map->GetNoDataValue();
    return MapCells(map, kNoData, [nodata, divisor](double v) { return v == nodata ? nodata : v / divisor; });
}

TMap* TMapTools::Threshold(TMap* map, double threshold) {
    return MapCells(map, 0.0, [threshold](double v) { return v >= threshold ? v : 0.0; });
}

std::vector<TMap*> TMapTools::Threshold(std::vector<TMap*> series, double threshold) {
    std::vector<std::unique_ptr<TMap>> results;
    results.reserve(series.size());
    for (TMap* map : series) results.emplace_back(Threshold(map, threshold));
    std::vector<TMap*> maps;
    maps.reserve(results.size());
    for (std::unique_ptr<TMap>& map : results) maps.push_back(map.release());
    return maps;
}

TMap* TMapTools::ThresholdReplace(TMap* map, double threshold, double replacement) {
    return MapCells(map, 0.0, [threshold, replacement](double v) { return v >= threshold ? replacement : v; });
}

TMap* TMapTools::ReplaceValue(TMap* map, std::map<double, double> table, double fallback) {
    // Neighbouring cells often hold the same value: remember the last answer.
    bool known = false;
    double lastKey = 0.0, lastValue = 0.0;
    return MapCells(map, kNoData, [&](double v) {
        if (std::isnan(v)) return fallback;
        if (known && v == lastKey) return lastValue;
        const auto found = table.find(v);
        known = true;
        lastKey = v;
        lastValue = found == table.end() ? fallback : found->second;
        return lastValue;
    });
}

TMap* TMapTools::Mask(TMap* first, TMap* second, double maskValue, double replacement) {
    if (first->GetXDim() != second->GetXDim()) throw "X dimensions do not match in TMapTools::Mask";
    if (first->GetYDim() != second->GetYDim()) throw "Y dimensions do not match in TMapTools::Mask";
    std::unique_ptr<TMap> result(NewMapOnGrid(first));
    const long nx = first->GetXDim();
    for (long y = 0; y < first->GetYDim(); ++y) {
        const double* b = ReadRow(second, y, nx);
        double* out = result->GetRowData(y);
        for (long x = 0; x < nx; ++x) out[x] = b[x] == maskValue ? replacement : b[x];
    }
    return result.release();
}

std::map<double, long> TMapTools::CountValues(TMap* map) {
    std::map<double, long> counts;
    const long nx = map->GetXDim();
    long* last = nullptr;
    double lastValue = 0.0;
    for (long y = 0; y < map->GetYDim(); ++y) {
        const double* row = ReadRow(map, y, nx);
        for (long x = 0; x < nx; ++x) {
            const double v = row[x];
            if (std::isnan(v)) continue;
            if (!last || !(v == lastValue)) {
                last = &counts[v];
                lastValue = v;
            }
            ++*last;
        }
    }
    return counts;
}

int TMapTools::CountValues(TMap* map, double value) {
    int count = 0;
    const long nx = map->GetXDim();
    for (long y = 0; y < map->GetYDim(); ++y) {
        const double* row = ReadRow(map, y, nx);
        for (long x = 0; x < nx; ++x)
            if (row[x] == value) ++count;
    }
    return count;
}

// ---- Resampling ----

double TMapTools::BilinearInterpolate(double q11, double q21, double q12, double q22, double x, double x1, double x2,
                                      double y, double y1, double y2) {
    const double w = (x2 - x1) * (y2 - y1);
    return q11 / w * (x2 - x) * (y2 - y) + q21 / w * (x - x1) * (y2 - y) + q12 / w * (x2 - x) * (y - y1) +
           q22 / w * (x - x1) * (y - y1);
}

void TMapTools::BilinearInterpolate(TMapPoint* p11, TMapPoint* p21, TMapPoint* p12, TMapPoint* p22,
                                    TMapPoint* target) {
    target->SetValue(BilinearInterpolate(p11->GetValue(), p21->GetValue(), p12->GetValue(), p22->GetValue(),
                                         target->GetX(), p11->GetX(), p21->GetX(), target->GetY(), p11->GetY(),
                                         p12->GetY()));
}

TMap* TMapTools::Downscale(TMap* map, double resolution) {
    if (!(resolution > 0.0)) throw "New resolution must be > 0.0 in TMapTools::Downscale";
    if (!map->GetXAxisInterval() || !map->GetYAxisInterval()) throw "Map has no axes in TMapTools::Downscale";
    const double columns = std::trunc(map->GetResolution() * static_cast<double>(map->GetXDim()) / resolution);
    const double rows = std::trunc(map->GetResolution() * static_cast<double>(map->GetYDim()) / resolution);
    // Beyond this a count no longer fits a long (and no map that size fits in memory).
    const double most = 9.0e18;
    if (!(columns < most) || !(rows < most)) throw "New resolution gives too many cells in TMapTools::Downscale";
    const long n = columns > 0.0 ? static_cast<long>(columns) : 0;
    const long m = rows > 0.0 ? static_cast<long>(rows) : 0;

    const double x0 = map->GetXAxisInterval()->GetPoint(0)->GetX();
    const double y0 = map->GetYAxisInterval()->GetPoint(0)->GetY();
    const double yL = map->GetYAxisInterval()->GetPoint(map->GetYDim())->GetY();
    const double h = resolution * 0.5;

    std::unique_ptr<TMap> result(new TMap(resolution, n, m));
    std::unique_ptr<TAxis> xAxis(new TAxis(resolution));
    double x = x0 + h;
    for (long i = 0; i < n; ++i, x += resolution) xAxis->AddPoint(new TPoint(x, y0));
    std::unique_ptr<TAxis> yAxis(new TAxis(resolution));
    const double step = yL > y0 ? resolution : -resolution;
    double y = y0 + (yL > y0 ? h : -h);
    for (long i = 0; i < m; ++i, y += step) yAxis->AddPoint(new TPoint(x0, y));
    result->SetXAxis(xAxis.get());
    result->SetYAxis(yAxis.get());
    return result.release();
}

TMap* TMapTools::BilinearInterpolate(TMap* map, double resolution) {
    const double r = resolution;
    if (r <= 0.0) throw "New resolution cannot be <= 0.0 in TMapTools::BilinearInterpolate";
    if (!HasAxes(map)) throw "Map has no axes in TMapTools::BilinearInterpolate";
    const double s = map->GetResolution();
    std::unique_ptr<TMap> result(Downscale(map, r));
    result->InitValues(map->GetNoDataValue());

    const TAxis* nxi = result->GetXAxisInterval();
    const TAxis* nyi = result->GetYAxisInterval();
    const double x0 = nxi->GetPoint(0)->GetX();
    const double xE = nxi->GetPoint(nxi->GetSize() - 1)->GetX();
    const double y0 = nyi->GetPoint(0)->GetY();
    const double yE = nyi->GetPoint(nyi->GetSize() - 1)->GetY();
    const char* const tooFine = "New resolution is too fine for the map's coordinates in TMapTools::BilinearInterpolate";

    // The sample ordinates. Every column is sampled at the same rows, so
    // each column and each row is looked up once.
    std::vector<double> xs, ys;
    for (double x = x0 + s; x <= xE - s - r;) {
        xs.push_back(x);
        const double next = x + r;
        if (next == x) throw tooFine;
        x = next;
    }
    if (!xs.empty()) {
        if (y0 > yE) {
            double y = y0 - s - r;
            do {
                ys.push_back(y);
                const double next = y - r;
                if (next == y && next >= yE + s) throw tooFine;
                y = next;
            } while (y >= yE + s);
        } else {
            double y = y0 + s;
            do {
                ys.push_back(y);
                const double next = y + r;
                if (next == y && next <= yE - s) throw tooFine;
                y = next;
            } while (y <= yE - s);
        }
    }

    // Per sample the checks run: the result's column, its row, their range,
    // the source's column, its row, their range, then the four bracketing
    // indices. Stage numbers keep that order between a column's and a row's
    // faults.
    const TAxis* sxc = map->GetXAxis();
    const TAxis* syc = map->GetYAxis();
    const TAxis* syi = map->GetYAxisInterval();
    const bool sourceRises = syi->GetPoint(syi->GetSize() - 1)->GetY() > syi->GetPoint(0)->GetY();
    struct TSpot {
        long MbrLngCell = 0;   // cell of the result
        long MbrLngLow = 0;    // bracketing source cells
        long MbrLngHigh = 0;
        double MbrDblLow = 0.0;  // their centres
        double MbrDblHigh = 0.0;
        TFault MbrFault;
    };
    auto locate = [&](double ordinate, bool isX) {
        TSpot spot;
        const int shift = isX ? 0 : 1;
        const long resultDim = isX ? result->GetXDim() : result->GetYDim();
        const long sourceDim = isX ? map->GetXDim() : map->GetYDim();
        const char axis = isX ? 'X' : 'Y';
        try {
            spot.MbrLngCell = result->GetIndex(ordinate, axis);
        } catch (const char* message) {
            spot.MbrFault.Set(0 + shift, message);
            return spot;
        }
        if (spot.MbrLngCell < 0 || spot.MbrLngCell >= resultDim) {
            spot.MbrFault.Set(2 + shift, isX ? "LngX is out of range in TMap::GetPoint (TPoint*)"
                                             : "LngY is out of range in TMap::GetPoint (TPoint*)");
            return spot;
        }
        long index;
        try {
            index = map->GetIndex(ordinate, axis);
        } catch (const char* message) {
            spot.MbrFault.Set(4 + shift, message);
            return spot;
        }
        if (index < 0 || index >= sourceDim) {
            spot.MbrFault.Set(6 + shift, isX ? "LngX is out of range in TMap::GetPoint (TPoint*)"
                                             : "LngY is out of range in TMap::GetPoint (TPoint*)");
            return spot;
        }
        const double centre = isX ? sxc->GetPoint(index)->GetX() : syc->GetPoint(index)->GetY();
        bool below;  // the lower bracket is the cell before index
        if (isX || sourceRises) below = centre >= ordinate;
        else below = ordinate > centre;
        spot.MbrLngLow = below ? index - 1 : index;
        spot.MbrLngHigh = below ? index : index + 1;
        const int stage = isX ? 8 : 10;
        if (spot.MbrLngLow < 0 || spot.MbrLngLow >= sourceDim) {
            spot.MbrFault.Set(stage, isX ? "LngGetX1 is out of range in TMapTools::BilinearInterpolate"
                                         : "LngGetY1 is out of range in TMapTools::BilinearInterpolate");
            return spot;
        }
        if (spot.MbrLngHigh < 0 || spot.MbrLngHigh >= sourceDim) {
            spot.MbrFault.Set(stage + 1, isX ? "LngGetX2 is out of range in TMapTools::BilinearInterpolate"
                                             : "LngGetY2 is out of range in TMapTools::BilinearInterpolate");
            return spot;
        }
        spot.MbrDblLow = isX ? sxc->GetPoint(spot.MbrLngLow)->GetX() : syc->GetPoint(spot.MbrLngLow)->GetY();
        spot.MbrDblHigh = isX ? sxc->GetPoint(spot.MbrLngHigh)->GetX() : syc->GetPoint(spot.MbrLngHigh)->GetY();
        return spot;
    };
    std::vector<TSpot> columns, rows;
    columns.reserve(xs.size());
    rows.reserve(ys.size());
    for (double x : xs) columns.push_back(locate(x, true));
    for (double y : ys) rows.push_back(locate(y, false));

    for (size_t i = 0; i < xs.size(); ++i) {
        const TSpot& c = columns[i];
        for (size_t j = 0; j < ys.size(); ++j) {
            const TSpot& w = rows[j];
            if (c.MbrFault.MbrPtrMessage || w.MbrFault.MbrPtrMessage)
                throw c.MbrFault.MbrIntStage < w.MbrFault.MbrIntStage ? c.MbrFault.MbrPtrMessage
                                                                      : w.MbrFault.MbrPtrMessage;
            const double value = BilinearInterpolate(
                map->GetPointVal(c.MbrLngLow, w.MbrLngLow), map->GetPointVal(c.MbrLngHigh, w.MbrLngLow),
                map->GetPointVal(c.MbrLngLow, w.MbrLngHigh), map->GetPointVal(c.MbrLngHigh, w.MbrLngHigh), xs[i],
                c.MbrDblLow, c.MbrDblHigh, ys[j], w.MbrDblLow, w.MbrDblHigh);
            result->SetPoint(c.MbrLngCell, w.MbrLngCell, value);
        }
    }
    return result.release();
}

TMap* TMapTools::Subdivide(TMap* map, int factor) {
    if (factor < 1) throw "Subdivision factor must be >= 1 in TMapTools::Subdivide";
    if (!map->GetXAxisInterval() || !map->GetYAxisInterval()) throw "Map has no axes in TMapTools::Subdivide";
    const long n = factor;
    const double r = map->GetResolution() / static_cast<double>(n);
    const long nx = map->GetXDim();
    const long ny = map->GetYDim();
    std::unique_ptr<TMap> result(new TMap(r, n * nx, n * ny));
    for (long y = 0; y < ny; ++y) {
        const double* in = ReadRow(map, y, nx);
        for (long l = 0; l < n; ++l) {
            double* out = result->GetRowData(y * n + l);
            for (long x = 0; x < nx; ++x)
                for (long k = 0; k < n; ++k) out[x * n + k] = in[x];
        }
    }

    const double x0 = map->GetXAxisInterval()->GetPoint(0)->GetX();
    const double y0 = map->GetYAxisInterval()->GetPoint(0)->GetY();
    const double yL = map->GetYAxisInterval()->GetPoint(ny)->GetY();
    std::unique_ptr<TAxis> xAxis(new TAxis(r));
    double x = x0;
    for (long i = 0; i <= n * nx; ++i, x += r) xAxis->AddPoint(new TPoint(x, y0));
    std::unique_ptr<TAxis> yAxis(new TAxis(r));
    const double step = yL > y0 ? r : -r;
    double y = y0;
    for (long i = 0; i <= n * ny; ++i, y += step) yAxis->AddPoint(new TPoint(x0, y));
    result->SetXAxisInterval(xAxis.get());
    result->SetYAxisInterval(yAxis.get());
    return result.release();
}

// ---- Sub-grids and blocks ----

TMap* TMapTools::Extract(TMap* map, TPoint* first, TPoint* second) {
    long x1 = map->GetIndex(first->GetX(), 'X');
    long y1 = map->GetIndex(first->GetY(), 'Y');
    long x2 = map->GetIndex(second->GetX(), 'X');
    long y2 = map->GetIndex(second->GetY(), 'Y');
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    std::unique_ptr<TAxis> xAxis(map->GetXAxis()->GetSegment(x1, x2));
    std::unique_ptr<TAxis> yAxis(map->GetYAxis()->GetSegment(y1, y2));
    std::unique_ptr<TMap> result(new TMap(xAxis.get(), yAxis.get()));
    const long nx = x2 - x1 + 1;
    for (long j = 0; j < result->GetYDim(); ++j) {
        const double* in = ReadRow(map, y1 + j, x2 + 1);
        double* out = result->GetRowData(j);
        for (long i = 0; i < nx; ++i) out[i] = in[x1 + i];
    }
    return result.release();
}

void TMapTools::Insert(TMap* destination, TMap* source) {
    if (!HasAxes(destination) || !HasAxes(source)) throw "Map has no axes in TMapTools::Insert";
    const TAxis* dxi = destination->GetXAxisInterval();
    const TAxis* dyi = destination->GetYAxisInterval();
    const TAxis* sxi = source->GetXAxisInterval();
    const TAxis* syi = source->GetYAxisInterval();
    if (sxi->GetPoint(0)->GetX() < dxi->GetPoint(0)->GetX() || syi->GetPoint(0)->GetY() > dyi->GetPoint(0)->GetY())
        throw "Insert map's NW corner is outside of the destination map in TMapTools::Insert";
    if (sxi->GetPoint(source->GetXDim())->GetX() > dxi->GetPoint(destination->GetXDim())->GetX() ||
        syi->GetPoint(source->GetYDim())->GetY() < dyi->GetPoint(destination->GetYDim())->GetY())
        throw "Insert map's SE corner is outside of the destination map in TMapTools::Insert";

    // Every lookup is resolved (and may fail) before the first cell changes.
    const TCellLookup lookup(source, destination);
    lookup.ThrowFirstError();
    const long nx = source->GetXDim();
    const long dx = destination->GetXDim();
    for (long y = 0; y < source->GetYDim(); ++y) {
        const double* in = ReadRow(source, y, nx);
        double* out = WriteRow(destination, lookup.MbrVecRows[static_cast<size_t>(y)], dx);
        for (long x = 0; x < nx; ++x) out[lookup.MbrVecColumns[static_cast<size_t>(x)]] = in[x];
    }
}

void TMapTools::Intersection(TMap* first, TMap* second, TMap*& firstPart, TMap*& secondPart) {
    if (!HasAxes(first) || !HasAxes(second)) throw "Map has no axes in TMapTools::Intersection";
    const std::vector<double> ax = AscendingBoundaries(first->GetXAxisInterval(), true);
    const std::vector<double> ay = AscendingBoundaries(first->GetYAxisInterval(), false);
    const std::vector<double> bx = AscendingBoundaries(second->GetXAxisInterval(), true);
    const std::vector<double> by = AscendingBoundaries(second->GetYAxisInterval(), false);

    // The common extent: from the larger lower-left corner to the smaller
    // upper-right corner.
    const TPoint aLow(ax.front(), ay.front()), aHigh(ax.back(), ay.back());
    const TPoint bLow(bx.front(), by.front()), bHigh(bx.back(), by.back());
    const std::unique_ptr<TPoint> low(TPointTools::Max(&aLow, &bLow));
    const std::unique_ptr<TPoint> high(TPointTools::Min(&aHigh, &bHigh));
    if (!(low->GetX() < high->GetX()) || !(low->GetY() < high->GetY()))
        throw "Maps do not intersect in TMapTools::Intersection";

    double x1, x2, y1, y2;
    CommonStretch(ax, bx, low->GetX(), high->GetX(), x1, x2);
    CommonStretch(ay, by, low->GetY(), high->GetY(), y1, y2);
    TPoint lower(x1, y1), upper(x2, y2);
    std::unique_ptr<TMap> one(Extract(first, &lower, &upper));
    std::unique_ptr<TMap> two(Extract(second, &lower, &upper));
    firstPart = one.release();
    secondPart = two.release();
}

void TMapTools::FindPatchExtent(TMap* map, double value, long& north, long& south, long& west, long& east) {
    const long nx = map->GetXDim();
    const long ny = map->GetYDim();
    long n = ny - 1, s = 0, w = nx - 1, e = 0;
    bool found = false;
    for (long y = 0; y < ny; ++y) {
        const double* row = ReadRow(map, y, nx);
        for (long x = 0; x < nx; ++x)
            if (row[x] == value) {
                found = true;
                w = std::min(w, x);
                e = std::max(e, x);
                n = std::min(n, y);
                s = std::max(s, y);
            }
    }
    if (!found) n = s = w = e = 0;
    north = n;
    south = s;
    west = w;
    east = e;
}

void TMapTools::BufferIndices(TMap* map, long margin, long& north, long& south, long& west, long& east) {
    const long nx = map->GetXDim();
    const long ny = map->GetYDim();
    west = west > margin ? west - margin : 0;
    east = east < nx - margin - 1 ? east + margin : nx - 1;
    north = north > margin ? north - margin : 0;
    south = south < ny - margin - 1 ? south + margin : ny - 1;
}

void TMapTools::FillBlock(TMap* map, double value, long north, long south, long west, long east) {
    if (north > south) throw "Northern edge must be less than southern edge in TMapTools::FillBlock";
    if (west > east) throw "Western edge must be less than eastern edge in TMapTools::FillBlock";
    if (north < 0 || north >= map->GetYDim()) throw "Northern ordinate is out of range in TMapTools::FillBlock";
    if (south < 0 || south >= map->GetYDim()) throw "Southern ordinate is out of range in TMapTools::FillBlock";
    if (west < 0 || west >= map->GetXDim()) throw "Western ordinate is out of range in TMapTools::FillBlock";
    if (east < 0 || east >= map->GetXDim()) throw "Eastern ordinate is out of range in TMapTools::FillBlock";
    for (long y = north; y <= south; ++y) WriteRow(map, y, east + 1);
    for (long y = north; y <= south; ++y) {
        double* row = map->GetRowData(y);
        for (long x = west; x <= east; ++x) row[x] = value;
    }
}

// ---- Value sampling ----

std::map<double, double> TMapTools::FetchMapValues(TMap* map, std::map<double, TMapPoint*> points) {
    std::map<double, double> values;
    for (const auto& entry : points) values.emplace_hint(values.end(), entry.first, map->GetPointVal(entry.second));
    return values;
}

std::vector<std::map<double, double>> TMapTools::FetchMapValues(std::vector<TMap*> series,
                                                                std::vector<std::map<double, TMapPoint*>> points) {
    if (points.size() < series.size()) throw "Fewer tables of points than maps in TMapTools::FetchMapValues";
    std::vector<std::map<double, double>> values;
    values.reserve(series.size());
    for (size_t i = 0; i < series.size(); ++i) values.push_back(FetchMapValues(series[i], std::move(points[i])));
    return values;
}

std::map<double, TMapPoint*> TMapTools::GetFirstValues(TMap* map, std::vector<double> excluded) {
    const TValueSet skip(excluded);
    TPointTable table;
    const long nx = map->GetXDim();
    const long ny = map->GetYDim();
    double last = map->GetNoDataValue();
    for (long x = 0; x < nx; ++x)
        for (long y = 0; y < ny; ++y) {
            const double v = map->GetPointVal(x, y);
            if (v == last) continue;
            last = v;
            if (std::isnan(v) || skip.Has(v)) continue;
            auto slot = table.MbrMapPoints.lower_bound(v);
            if (slot != table.MbrMapPoints.end() && slot->first == v) continue;
            slot = table.MbrMapPoints.emplace_hint(slot, v, nullptr);
            slot->second = map->GetPoint(x, y);
        }
    return table.Release();
}

std::vector<std::map<double, TMapPoint*>> TMapTools::GetFirstValues(std::vector<TMap*> series,
                                                                    std::vector<double> excluded) {
    std::vector<TPointTable> tables;
    tables.reserve(series.size());
    for (TMap* map : series) {
        tables.emplace_back();
        tables.back().MbrMapPoints = GetFirstValues(map, excluded);
    }
    std::vector<std::map<double, TMapPoint*>> result(tables.size());
    for (size_t i = 0; i < tables.size(); ++i) result[i] = tables[i].Release();
    return result;
}

std::map<double, std::vector<double>> TMapTools::GetValuesOverlay(TMap* map, TMap* overlay,
                                                                  std::vector<double> excluded) {
    if (map->GetXDim() != overlay->GetXDim()) throw "Map X-dimensions do not match";
    if (map->GetYDim() != overlay->GetYDim()) throw "Map Y-Dimensions do not match";
    const TValueSet skip(excluded);
    std::map<double, std::vector<double>> groups;
    std::vector<double>* group = nullptr;
    double key = 0.0;
    for (long x = 0; x < map->GetXDim(); ++x)
        for (long y = 0; y < map->GetYDim(); ++y) {
            const double k = overlay->GetPointVal(x, y);
            const double v = map->GetPointVal(x, y);
            if (std::isnan(k) || skip.Has(k)) continue;
            if (!group || !(k == key)) {
                group = &groups[k];
                key = k;
            }
            group->push_back(v);
        }
    return groups;
}

double TMapTools::FindNonzeroNeighbourVal(TMap* map, long LngX, long LngY) {
    if (LngX < 0 || LngX >= map->GetXDim()) throw "X-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal";
    if (LngY < 0 || LngY >= map->GetYDim()) throw "Y-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal";
    const long west = std::max(0L, LngX - 1), east = std::min(LngX + 1, map->GetXDim() - 1);
    const long north = std::max(0L, LngY - 1), south = std::min(LngY + 1, map->GetYDim() - 1);
    double result = 0.0;
    for (long x = west; x <= east; ++x)
        for (long y = north; y <= south; ++y) {
            const double v = map->GetPointVal(x, y);
            if (v != 0.0) {
                result = v;
                break;
            }
        }
    return result;
}

std::vector<double> TMapTools::GetValuesVector(std::vector<TMap*> series, long LngX, long LngY, int start, int end) {
    const size_t n = series.size();
    if (start < 0 || static_cast<size_t>(start) >= n)
        throw "Start map number is out of range in TMapTools::GetValuesVector";
    if (end < 0 || static_cast<size_t>(end) >= n) throw "End map number is out of range in TMapTools::GetValuesVector";
    if (start >= end) throw "Stat map number must be less than end map number";
    std::vector<double> values;
    values.reserve(static_cast<size_t>(end - start + 1));
    for (int m = start; m <= end; ++m) values.push_back(series[static_cast<size_t>(m)]->GetPointVal(LngX, LngY));
    return values;
}

// ---- Trend gradients ----

std::vector<TMap*> TMapTools::ValueGradients(std::vector<TMap*> series, int window) {
    const long long n = static_cast<long long>(series.size());
    if (window >= n) throw "Window size must be < number of maps in TMapTools::ValueGradients";
    if (window < 1) throw "Window size must be at least 1 in TMapTools::ValueGradients";
    for (size_t i = 1; i < series.size(); ++i)
        if (series[i]->GetXDim() != series[0]->GetXDim() || series[i]->GetYDim() != series[0]->GetYDim())
            throw "Map dimensions do not match in TMapTools::ValueGradients";

    const size_t span = static_cast<size_t>(window) + 1;
    std::vector<double> xs(span), ys(span), keptX(span), keptY(span);
    std::vector<std::unique_ptr<TMap>> results;
    for (long long i = 0; i + window < n; ++i) {
        for (size_t l = 0; l < span; ++l) xs[l] = static_cast<double>(i) + static_cast<double>(l);
        std::unique_ptr<TMap> result(NewMapOnGrid(series[0]));
        TMap* const* maps = series.data() + i;
        for (long x = 0; x < result->GetXDim(); ++x)
            for (long y = 0; y < result->GetYDim(); ++y) {
                if (maps[0]->GetPointVal(x, y) == 0.0) continue;
                size_t k = 0;
                for (size_t l = 0; l < span; ++l) {
                    double v = maps[l]->GetPointVal(x, y);
                    if (v == 0.0) v = FindNonzeroNeighbourVal(maps[l], x, y);
                    if (v == maps[l]->GetNoDataValue()) continue;
                    keptX[k] = xs[l];
                    keptY[k] = v;
                    ++k;
                }
                result->SetPoint(x, y, Slope(keptX.data(), keptY.data(), k));
            }
        results.push_back(std::move(result));
    }
    std::vector<TMap*> maps;
    maps.reserve(results.size());
    for (std::unique_ptr<TMap>& map : results) maps.push_back(map.release());
    return maps;
}

// ---- CSV export ----

void TMapTools::WriteCSVFile(TMap* map, std::ostream& stream) {
    const long nx = map->GetXDim();
    const long ny = map->GetYDim();
    if (nx <= 0 || ny <= 0) return;
    const TAxis* xAxis = map->GetXAxis();
    const TAxis* yAxis = map->GetYAxis();
    if (!xAxis || !yAxis) throw "Map has no axes in TMap::GetPoint (long,long)";
    for (long y = 0; y < ny; ++y) ReadRow(map, y, nx);
    const bool plain = IsPlainStream(stream);
    char line[3 * 33 + 1];
    for (long x = 0; x < nx; ++x) {
        const double cx = xAxis->GetPoint(x)->GetX();
        for (long y = 0; y < ny; ++y) {
            const double cy = yAxis->GetPoint(y)->GetY();
            const double v = map->GetRowData(y)[x];
            if (plain) {
                char* out = TNumberFormat::FormatG6(cx, line);
                *out++ = ',';
                out = TNumberFormat::FormatG6(cy, out);
                *out++ = ',';
                out = TNumberFormat::FormatG6(v, out);
                *out++ = '\n';
                stream.write(line, out - line);
            } else {
                stream << cx << ',' << cy << ',' << v << '\n';
            }
            stream.flush();
        }
    }
}
