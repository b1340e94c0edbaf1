#include "driver/TAverageRun.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <thread>

#include "driver/TOrderedPool.h"
#include "files/TARCGISFileTools.h"
#include "ops/TMapTools.h"
#include "ops/TWindowStatistics.h"

TAverageRun::TAverageRun(const TCommandLine& settings, std::FILE* out, std::FILE* err)
    : MbrSettings(settings), MbrPtrOut(out), MbrPtrErr(err), MbrIntJobs(settings.MbrIntJobs) {
    if (MbrIntJobs < 1) {
        const unsigned hardware = std::thread::hardware_concurrency();
        MbrIntJobs = hardware > 0 ? static_cast<int>(hardware) : 1;
    }
}

void TAverageRun::Print(const std::string& text) {
    std::fputs(text.c_str(), MbrPtrOut);
    std::fflush(MbrPtrOut);
}

namespace {

// A file that strict reading refused with `MbrPtrMessage` and that lenient
// reading reads.
struct TStrictRefusal {
    const char* MbrPtrMessage;
    std::string MbrStrName;
};

// Whether lenient reading reads the named file. Only a regular file is read
// again: a pipe would wait for a writer that has already gone.
bool LenientlyReadable(const std::string& name) {
    struct stat info;
    if (::stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    try {
        std::unique_ptr<TMap> map(TARCGISFileTools::LoadARCGISFile(name, TARCGISFileTools::TReadMode::Lenient));
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

void TAverageRun::Load() {
    const long long start = MbrSettings.MbrIntStart;
    const long long count = MbrSettings.MbrIntEnd >= start ? MbrSettings.MbrIntEnd - start + 1 : 0;
    using TLoaded = std::unique_ptr<TMap>;
    auto load = [&](long long i) {
        const std::string name = MbrSettings.InputName(start + i);
        if (MbrSettings.MbrBolLenient)
            return TLoaded(TARCGISFileTools::LoadARCGISFile(name, TARCGISFileTools::TReadMode::Lenient));
        try {
            return TLoaded(TARCGISFileTools::LoadARCGISFile(name));
        } catch (const char* message) {
            if (LenientlyReadable(name)) throw TStrictRefusal{message, name};
            throw;
        }
    };
    try {
        TOrderedPool<TLoaded>::Run(count, MbrIntJobs, 2LL * MbrIntJobs, load, [&](long long i, TLoaded* map) {
            Print(std::to_string(start + i) + " ");
            if (map) MbrVecInputs.push_back(std::move(*map));
        });
    } catch (const TStrictRefusal& refusal) {
        // The message goes to standard output as usual; the hint is one line
        // of its own on standard error.
        std::fprintf(MbrPtrErr,
                     "korvel: %s is a valid ESRI ASCII grid variant that strict reading refuses;"
                     " run with --lenient to read it\n",
                     refusal.MbrStrName.c_str());
        std::fflush(MbrPtrErr);
        throw refusal.MbrPtrMessage;
    }
}

// The checks that averaging the windows in order would make, so that an
// inconsistent series is refused before any output is written.
void TAverageRun::CheckWindows() const {
    const long long n = static_cast<long long>(MbrVecInputs.size());
    const long long w = MbrSettings.MbrIntWindow;
    if (n - w < 0) return;
    if (w < 2) throw "Must have more than 2 maps to sum in TMapTools::Sum";
    for (long long k = 0; k <= n - w; ++k) {
        const TMap* first = MbrVecInputs[static_cast<size_t>(k)].get();
        for (long long m = k + 1; m < k + w; ++m) {
            const TMap* map = MbrVecInputs[static_cast<size_t>(m)].get();
            if (map->GetXDim() != first->GetXDim()) throw "X-dimension of maps are inconsistent in TMapTools::Sum";
            if (map->GetYDim() != first->GetYDim()) throw "Y-dimension of maps are inconsistent in TMapTools::Sum";
        }
    }
}

namespace {

// The outputs of a run of consecutive windows, written but not yet committed:
// MbrVecFiles holds the windows completed in order from the first; when a
// window failed, it is the one after them, and MbrFailure holds its error.
struct TBatch {
    std::vector<std::unique_ptr<TAtomicFile>> MbrVecFiles;
    std::exception_ptr MbrFailure;
};

}  // namespace

// Windows are handed out in batches of consecutive windows. A batch averages
// its windows row by row, so that the input rows they share stay in cache,
// and formats each row as soon as it is computed. The numbers and the files
// are those that TMapTools::Statistic and RoundContents give window by window,
// and so are the failures: when a window fails, the windows before it in
// the batch are still completed, and the ones after it are dropped.
void TAverageRun::Save() {
    const long long n = static_cast<long long>(MbrVecInputs.size());
    const long long w = MbrSettings.MbrIntWindow;
    const long long windows = n - w < 0 ? 0 : n - w + 1;
    const long long first = MbrSettings.MbrIntStart + MbrSettings.OutputOffset();
    const TStatistic stat = MbrSettings.MbrStatistic;
    const size_t minValid = static_cast<size_t>(MbrSettings.MinValid());
    const int digits = MbrSettings.MbrIntDigits;
    // Enough batches to keep every thread busy; few enough windows in flight
    // (being made, or made and waiting to be committed, each an open
    // temporary file) to stay far from the limit on open files.
    const long long inFlight = 3LL * MbrIntJobs;
    long long batch = windows / (2LL * MbrIntJobs);
    batch = std::min({batch, 16LL, 256 / inFlight});
    batch = std::max(batch, 1LL);
    const long long batches = (windows + batch - 1) / batch;
    std::vector<TMap*> series;
    for (const std::unique_ptr<TMap>& map : MbrVecInputs) series.push_back(map.get());
    const size_t chunk = size_t(256) << 10;

    auto produce = [&](long long b) {
        const size_t k0 = static_cast<size_t>(b * batch);
        const size_t count = static_cast<size_t>(std::min(batch, windows - b * batch));
        TBatch result;
        size_t live = count;  // windows k0 .. k0 + live - 1 are still being made
        auto fail = [&](size_t i) {
            if (i >= live) return;
            result.MbrFailure = std::current_exception();
            live = i;
            result.MbrVecFiles.resize(live);  // drops (and removes) the later files
        };
        const long nx = series[k0]->GetXDim();
        const long ny = series[k0]->GetYDim();
        // Each window's text collects in a buffer of its own and goes to its
        // file whenever a chunk is full.
        const size_t room = chunk + static_cast<size_t>(nx) * 33 + 1;
        std::vector<std::vector<char>> texts(count);
        std::vector<size_t> used(count, 0);
        for (size_t i = 0; i < live; ++i) {
            try {
                const std::string header = TARCGISFileTools::FormatHeader(series[k0 + i], -9999.0);
                texts[i].resize(room + header.size());
                std::memcpy(texts[i].data(), header.data(), header.size());
                used[i] = header.size();
                result.MbrVecFiles.emplace_back(new TAtomicFile(MbrSettings.OutputName(first + static_cast<long long>(k0 + i))));
            } catch (...) {
                fail(i);
            }
        }
        std::vector<double> row(static_cast<size_t>(nx)), rounded(static_cast<size_t>(nx)), scratch;
        for (long y = 0; y < ny && live > 0; ++y) {
            for (size_t i = 0; i < live; ++i) {
                try {
                    TWindowStatistics::Row(series, k0 + i, static_cast<size_t>(w), y, stat, minValid, row.data(),
                                           scratch);
                    const double* values = row.data();
                    if (MbrSettings.MbrBolRound) {
                        TMapTools::RoundRow(row.data(), nx, -9999.0, rounded.data());
                        values = rounded.data();
                    }
                    char* text = texts[i].data();
                    used[i] = static_cast<size_t>(TMapTools::FormatValues(values, nx, ' ', digits, text + used[i]) - text);
                    if (used[i] >= chunk || y + 1 == ny) {
                        result.MbrVecFiles[i]->Write(text, used[i]);
                        used[i] = 0;
                    }
                } catch (...) {
                    fail(i);
                }
            }
        }
        return result;
    };
    auto consume = [&](long long b, TBatch* result) {
        const long long k0 = b * batch;
        const long long k1 = std::min(k0 + batch, windows);
        for (long long k = k0; k < k1; ++k) {
            Print(std::to_string(first + k) + " ");
            const size_t i = static_cast<size_t>(k - k0);
            if (i < result->MbrVecFiles.size()) result->MbrVecFiles[i]->Commit();
            else std::rethrow_exception(result->MbrFailure);
        }
    };
    TOrderedPool<TBatch>::Run(batches, MbrIntJobs, 2LL * MbrIntJobs, produce, consume);
}

void TAverageRun::Run() {
    Print("Loading map files ");
    Load();
    Print("\nCalculating moving averages\n");
    CheckWindows();
    Print("Saving results ");
    Save();
    Print("\n");
}
