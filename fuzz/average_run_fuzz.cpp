// libFuzzer target for the tool's whole run (TAverageRun) on a small series
// of fuzzed grid files. The input is six setting bytes and then the files,
// separated by '|':
//
//   byte 0   number of files, 2 + byte % 3     ('0' 2, '1' 3, '2' 4)
//   byte 1   window size, byte % 6             ('0' .. '5': 0 .. 5)
//   byte 2   rounding when the byte is odd     ('Y' rounds, 'N' does not)
//   byte 3   threads, 1 + byte % 4             ('0' 1 .. '3' 4)
//   byte 4   statistic, (byte - '0') % 9: mean, sum, min, max, range, count,
//            median, var, std                  ('0' mean .. '8' std)
//   byte 5   v = byte - '0': lenient reading when v is odd; (v >> 1) % 8 is
//            the minimum count of maps with data (0: the window size, else
//            at most the window size); (v >> 4) % 3 the alignment (middle,
//            first, last)                      ('0' the defaults)
//   rest     in_1.asc|in_2.asc|...; a file with no text of its own is missing
//
// The files go to a private temporary folder, emptied before and after each
// run. The fuzz build reads files a few bytes at a time, so the run's reading
// crosses many chunk ends. Every run must end as the library computes it
// window by window: the same message when it fails (and then no output
// file), or else the same output files, byte for byte, and no temporary file
// left behind; the progress text must be the one the run prints for that
// outcome.
//
//   CXX=clang++ cmake -S . -B build-fuzz -DKORVEL_BUILD_FUZZ=ON -DKORVEL_BUILD_TESTS=OFF
//   cmake --build build-fuzz --target average_run_fuzz
//   mkdir -p /tmp/run-corpus && ./build-fuzz/fuzz/average_run_fuzz -max_total_time=60 /tmp/run-corpus fuzz/corpus/average_run
//
// New inputs go to the first folder named; the checked-in seeds are only read.

#include <dirent.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "driver/TAverageRun.h"
#include "driver/TCommandLine.h"
#include "files/TARCGISFileTools.h"
#include "ops/TMapTools.h"

namespace {

// The names in a folder, without . and ..
std::set<std::string> Entries(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* entry = ::readdir(d)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.insert(name);
        }
        ::closedir(d);
    }
    return names;
}

void Empty(const std::string& dir) {
    for (const std::string& name : Entries(dir)) ::unlink((dir + "/" + name).c_str());
}

// The private folder of this process, in memory where /dev/shm allows,
// removed when the process exits.
const std::string& WorkDir() {
    static const std::string dir = [] {
        for (std::string pattern : {"/dev/shm/korvel-fuzz-XXXXXX", "/tmp/korvel-fuzz-XXXXXX"})
            if (::mkdtemp(&pattern[0])) return pattern;
        std::abort();
    }();
    static const bool registered = [] {
        std::atexit([] {
            Empty(WorkDir());
            ::rmdir(WorkDir().c_str());
        });
        return true;
    }();
    (void)registered;
    return dir;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Written(TMap* map) {
    std::ostringstream out;
    TARCGISFileTools::WriteARCGISFile(map, out);
    return out.str();
}

// Deletes the maps of a list on the way out.
struct TOwned {
    std::vector<TMap*> MbrVecMaps;
    ~TOwned() {
        for (TMap* map : MbrVecMaps) delete map;
    }
};

// What the library gives window by window, in the run's order of work.
struct TExpected {
    std::string MbrStrMessage;     // empty when the run completes
    std::string MbrStrProgress;    // the progress text up to the end or the failure
    std::vector<std::string> MbrVecTexts;  // the outputs, in order
};

TExpected Expect(const std::vector<std::string>& names, const TCommandLine& settings) {
    const TARCGISFileTools::TReadMode mode =
        settings.MbrBolLenient ? TARCGISFileTools::TReadMode::Lenient : TARCGISFileTools::TReadMode::Strict;
    TExpected expected;
    expected.MbrStrProgress = "Loading map files ";
    TOwned inputs;
    try {
        for (size_t i = 0; i < names.size(); ++i) {
            expected.MbrStrProgress += std::to_string(i + 1) + " ";
            inputs.MbrVecMaps.push_back(TARCGISFileTools::LoadARCGISFile(names[i], mode));
        }
        expected.MbrStrProgress += "\nCalculating moving averages\n";
        TOwned averages{TMapTools::MovingStatistic(inputs.MbrVecMaps, settings.MbrIntWindow, settings.MbrStatistic,
                                                  settings.MinValid())};
        const bool round = settings.MbrBolRound;
        expected.MbrStrProgress += "Saving results ";
        for (size_t k = 0; k < averages.MbrVecMaps.size(); ++k) {
            std::unique_ptr<TMap> rounded(round ? TMapTools::RoundContents(averages.MbrVecMaps[k]) : nullptr);
            expected.MbrVecTexts.push_back(Written(round ? rounded.get() : averages.MbrVecMaps[k]));
            expected.MbrStrProgress += std::to_string(1 + settings.OutputOffset() + static_cast<long long>(k)) + " ";
        }
        expected.MbrStrProgress += "\n";
    } catch (const char* message) {
        expected.MbrStrMessage = message;
    } catch (const std::string& message) {
        expected.MbrStrMessage = message;
    }
    return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    const int files = 2 + data[0] % 3;
    const int window = data[1] % 6;
    const bool round = data[2] % 2 == 1;
    const int jobs = 1 + data[3] % 4;
    static const char* const kStatistics[] = {"mean", "sum", "min", "max", "range", "count", "median", "var", "std"};
    const char* stat = kStatistics[static_cast<std::uint8_t>(data[4] - '0') % 9];
    const unsigned variant = static_cast<std::uint8_t>(data[5] - '0');
    const bool lenient = variant % 2 == 1;
    const int least = static_cast<int>((variant >> 1) % 8);
    const int minValid = least == 0 || window == 0 ? 0 : 1 + (least - 1) % window;
    static const char* const kAlign[] = {"middle", "first", "last"};
    const char* align = kAlign[(variant >> 4) % 3];

    const std::string& dir = WorkDir();
    Empty(dir);
    const std::string body(reinterpret_cast<const char*>(data) + 6, size - 6);
    std::vector<std::string> names;
    size_t from = 0;
    for (int i = 1; i <= files; ++i) {
        names.push_back(dir + "/in_" + std::to_string(i) + ".asc");
        if (from > body.size()) continue;
        size_t to = body.find('|', from);
        if (to == std::string::npos) to = body.size();
        if (to > from) {
            std::ofstream out(names.back(), std::ios::binary);
            out.write(body.data() + from, static_cast<std::streamsize>(to - from));
        }
        from = to + 1;
    }

    const std::string inPrefix = dir + "/in_", outPrefix = dir + "/out_";
    std::vector<std::string> settingsText = {"korvel", "--jobs=" + std::to_string(jobs), std::string("--stat=") + stat,
                                             std::string("--align=") + align};
    if (lenient) settingsText.push_back("--lenient");
    if (minValid > 0) settingsText.push_back("--min-valid=" + std::to_string(minValid));
    for (const std::string& arg : {inPrefix, std::string("1"), std::to_string(files), std::string(".asc"),
                                   std::to_string(window), outPrefix, std::string(".asc"), std::string(round ? "Y" : "N")})
        settingsText.push_back(arg);
    std::vector<char*> argv;
    for (const std::string& arg : settingsText) argv.push_back(const_cast<char*>(arg.c_str()));
    const TCommandLine settings(static_cast<int>(argv.size()), argv.data());
    if (settings.Action() != TCommandLine::TAction::Run) std::abort();

    char* printed = nullptr;
    size_t printedSize = 0;
    std::FILE* progress = ::open_memstream(&printed, &printedSize);
    if (!progress) std::abort();
    // The hint that strict reading prints for a lenient variant is not checked.
    static std::FILE* const hints = std::fopen("/dev/null", "w");
    if (!hints) std::abort();
    std::string message;
    try {
        TAverageRun run(settings, progress, hints);
        run.Run();
    } catch (const char* text) {
        message = text;
    } catch (const std::string& text) {
        message = text;
    }
    std::fclose(progress);
    const std::string shown(printed, printedSize);
    std::free(printed);

    const TExpected expected = Expect(names, settings);
    if (message != expected.MbrStrMessage || shown != expected.MbrStrProgress) std::abort();
    std::set<std::string> outputs;
    for (const std::string& name : Entries(dir))
        if (name.compare(0, 3, "in_") != 0) outputs.insert(name);
    if (outputs.size() != expected.MbrVecTexts.size()) std::abort();  // also no temporary file
    for (size_t k = 0; k < expected.MbrVecTexts.size(); ++k) {
        const std::string name = "out_" + std::to_string(1 + settings.OutputOffset() + static_cast<long long>(k)) + ".asc";
        if (!outputs.count(name) || ReadText(dir + "/" + name) != expected.MbrVecTexts[k]) std::abort();
    }
    Empty(dir);
    return 0;
}
