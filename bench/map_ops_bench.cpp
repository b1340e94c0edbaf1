// Map operations that pair cells by coordinates, on large maps of different
// cell sizes.

#include <benchmark/benchmark.h>

#include <memory>

#include "grid/TMap.h"
#include "ops/TMapTools.h"

namespace {

// n x n cells of the given size from (0, 0), holding a simple pattern.
std::unique_ptr<TMap> MakeMap(long n, double cell) {
    std::unique_ptr<TMap> map(new TMap(cell, n, n));
    for (long y = 0; y < n; ++y) {
        double* row = map->GetRowData(y);
        for (long x = 0; x < n; ++x) row[x] = static_cast<double>((x * 7 + y * 13) % 101);
    }
    TAxis xi(cell), yi(cell);
    for (long i = 0; i <= n; ++i) xi.AddPoint(new TPoint(cell * static_cast<double>(i), 0.0));
    for (long i = 0; i <= n; ++i) yi.AddPoint(new TPoint(0.0, cell * static_cast<double>(n - i)));
    map->SetXAxisInterval(&xi);
    map->SetYAxisInterval(&yi);
    return map;
}

// Two 2000 x 2000 maps, cell sizes 1 and 1.5: every fine cell is paired with
// the coarse cell holding its centre.
void BM_AddDifferentCellSizes(benchmark::State& state) {
    const long n = state.range(0);
    std::unique_ptr<TMap> fine = MakeMap(n, 1.0);
    std::unique_ptr<TMap> coarse = MakeMap(n, 1.5);
    for (auto _ : state) {
        std::unique_ptr<TMap> sum(TMapTools::Add(coarse.get(), fine.get()));
        benchmark::DoNotOptimize(sum->GetRowData(0));
    }
    state.SetItemsProcessed(state.iterations() * n * n);
}
BENCHMARK(BM_AddDifferentCellSizes)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_InsertFinerMap(benchmark::State& state) {
    const long n = state.range(0);
    std::unique_ptr<TMap> destination = MakeMap(n, 1.5);
    std::unique_ptr<TMap> source = MakeMap(n, 1.0);
    for (auto _ : state) {
        TMapTools::Insert(destination.get(), source.get());
        benchmark::DoNotOptimize(destination->GetRowData(0));
    }
    state.SetItemsProcessed(state.iterations() * n * n);
}
BENCHMARK(BM_InsertFinerMap)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_BilinearInterpolate(benchmark::State& state) {
    const long n = state.range(0);
    std::unique_ptr<TMap> source = MakeMap(n, 1.0);
    for (auto _ : state) {
        std::unique_ptr<TMap> result(TMapTools::BilinearInterpolate(source.get(), 0.5));
        benchmark::DoNotOptimize(result->GetRowData(0));
    }
}
BENCHMARK(BM_BilinearInterpolate)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
