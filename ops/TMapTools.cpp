#include "ops/TMapTools.h"

#include <cmath>
#include <ios>
#include <memory>

#include "util/TNumberFormat.h"

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

    TCellLookup(const TMap* map, const TMap* grid) {
        const TAxis* xc = map->GetXAxis();
        const TAxis* yc = map->GetYAxis();
        if (!xc || !yc) throw "Map has no axes in TMap::GetPoint (long,long)";
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
    const long long n = static_cast<long long>(series.size());
    std::vector<std::unique_ptr<TMap>> results;
    if (n - window < 0) return {};
    for (long long k = 0; k <= n - window; ++k) {
        std::vector<TMap*> part;
        if (window > 0) part.assign(series.begin() + k, series.begin() + k + window);
        results.emplace_back(Average(part));
    }
    std::vector<TMap*> maps;
    maps.reserve(results.size());
    for (std::unique_ptr<TMap>& map : results) maps.push_back(map.release());
    return maps;
}

TMap* TMapTools::Average(std::vector<TMap*> series) {
    CheckSumSeries(series);
    std::unique_ptr<TMap> result(NewMapOnGrid(series[0]));
    const long nx = result->GetXDim();
    const double count = static_cast<double>(series.size());
    std::vector<double> sum(static_cast<size_t>(nx));
    std::vector<unsigned char> missing(static_cast<size_t>(nx));
    for (long y = 0; y < result->GetYDim(); ++y) {
        for (size_t m = 0; m < series.size(); ++m) {
            if (series[m]->GetRowLength(y) < nx) throw "X-ordinate is out of range in TMap::GetPointVal";
            const double* row = series[m]->GetRowData(y);
            const double nodata = series[m]->GetNoDataValue();
            if (m == 0) {
                for (long x = 0; x < nx; ++x) {
                    sum[x] = row[x];
                    missing[x] = row[x] == nodata;
                }
            } else {
                for (long x = 0; x < nx; ++x) {
                    sum[x] += row[x];
                    missing[x] |= row[x] == nodata;
                }
            }
        }
        double* out = result->GetRowData(y);
        for (long x = 0; x < nx; ++x) out[x] = missing[x] ? kNoData : sum[x] / count;
    }
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

TMap* TMapTools::RoundContents(TMap* map) {
    std::unique_ptr<TMap> result(NewMapOnGrid(map));
    const double nodata = map->GetNoDataValue();
    for (long y = 0; y < result->GetYDim(); ++y) {
        if (map->GetRowLength(y) < result->GetXDim()) throw "X-ordinate is out of range in TMap::GetPointVal";
        const double* in = map->GetRowData(y);
        double* out = result->GetRowData(y);
        for (long x = 0; x < result->GetXDim(); ++x) {
            const double v = in[x];
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
    return result.release();
}

void TMapTools::FormatRow(TMap* map, long LngY, char separator, std::string& text) {
    const long nx = map->GetXDim();
    if (LngY < 0 || LngY >= map->GetYDim()) throw "Y-ordinate is out of range in TMap::GetPointVal";
    if (map->GetRowLength(LngY) < nx) throw "X-ordinate is out of range in TMap::GetPointVal";
    const double* row = map->GetRowData(LngY);
    const size_t start = text.size();
    text.resize(start + static_cast<size_t>(nx) * 33 + 1);
    char* out = &text[start];
    for (long x = 0; x < nx; ++x) {
        out = TNumberFormat::FormatG6(row[x], out);
        *out++ = separator;
    }
    *out++ = '\n';
    text.resize(static_cast<size_t>(out - text.data()));
}

void TMapTools::WriteFlatFile(TMap* map, std::ostream& stream, char separator) {
    const bool plain = stream.flags() == (std::ios_base::dec | std::ios_base::skipws) && stream.precision() == 6 &&
                       stream.width() == 0;
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
