#include "driver/TAverageRun.h"

#include <thread>

#include "driver/TOrderedPool.h"
#include "files/TARCGISFileTools.h"
#include "ops/TMapTools.h"

TAverageRun::TAverageRun(const TCommandLine& settings, std::FILE* out)
    : MbrSettings(settings), MbrPtrOut(out), MbrIntJobs(settings.MbrIntJobs) {
    if (MbrIntJobs < 1) {
        const unsigned hardware = std::thread::hardware_concurrency();
        MbrIntJobs = hardware > 0 ? static_cast<int>(hardware) : 1;
    }
}

void TAverageRun::Print(const std::string& text) {
    std::fputs(text.c_str(), MbrPtrOut);
    std::fflush(MbrPtrOut);
}

void TAverageRun::Load() {
    const long long start = MbrSettings.MbrIntStart;
    const long long count = MbrSettings.MbrIntEnd >= start ? MbrSettings.MbrIntEnd - start + 1 : 0;
    using TLoaded = std::unique_ptr<TMap>;
    TOrderedPool<TLoaded>::Run(
        count, MbrIntJobs, 2LL * MbrIntJobs,
        [&](long long i) { return TLoaded(TARCGISFileTools::LoadARCGISFile(MbrSettings.InputName(start + i))); },
        [&](long long i, TLoaded* map) {
            Print(std::to_string(start + i) + " ");
            if (map) MbrVecInputs.push_back(std::move(*map));
        });
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

void TAverageRun::Save() {
    const long long n = static_cast<long long>(MbrVecInputs.size());
    const long long w = MbrSettings.MbrIntWindow;
    const long long windows = n - w < 0 ? 0 : n - w + 1;
    const long long first = MbrSettings.MbrIntStart + MbrSettings.CentreOffset();
    using TWritten = std::unique_ptr<TAtomicFile>;
    TOrderedPool<TWritten>::Run(
        windows, MbrIntJobs, 2LL * MbrIntJobs,
        [&](long long k) {
            std::vector<TMap*> window;
            for (long long m = k; m < k + w; ++m) window.push_back(MbrVecInputs[static_cast<size_t>(m)].get());
            std::unique_ptr<TMap> average(TMapTools::Average(window));
            if (MbrSettings.MbrBolRound) average.reset(TMapTools::RoundContents(average.get()));
            TWritten file(new TAtomicFile(MbrSettings.OutputName(first + k)));
            TARCGISFileTools::WriteARCGISFile(average.get(), *file);
            return file;
        },
        [&](long long k, TWritten* file) {
            Print(std::to_string(first + k) + " ");
            if (file) (*file)->Commit();
        });
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
