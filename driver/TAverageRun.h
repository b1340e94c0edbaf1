#ifndef KORVEL_DRIVER_TAVERAGERUN_H
#define KORVEL_DRIVER_TAVERAGERUN_H

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "driver/TCommandLine.h"
#include "grid/TMap.h"

// The tool's whole job: load the numbered series, take the statistic of
// every window (the average unless the settings name another), round on
// request, and write each result under the number of the middle map of its
// window (or of the first or last, as the settings say), reporting progress
// on `out`:
//
//   Loading map files 1 2 3 4 5
//   Calculating moving averages
//   Saving results 2 3 4
//
// Files are parsed, and averages computed and written, on several threads;
// the text printed and the files written do not depend on how many. Each
// number is printed when its file is done, in order. An error ends the run
// where it occurs (Run throws it, after the progress text up to that file):
// no output is written when an input is bad or the series is inconsistent,
// and the outputs written before a failed one stay as they are.
//
// Input files are read strictly unless the settings ask for lenient reading.
// When strict reading refuses a file with a format error that lenient
// reading would read, one line on `err` says so and names --lenient; the
// error itself goes to `out` as every other.
class TAverageRun {
public:
    TAverageRun(const TCommandLine& settings, std::FILE* out, std::FILE* err = stderr);
    void Run();

private:
    void Print(const std::string& text);
    void Load();
    void CheckWindows() const;
    void Save();

    const TCommandLine& MbrSettings;
    std::FILE* MbrPtrOut;
    std::FILE* MbrPtrErr;
    int MbrIntJobs;
    std::vector<std::unique_ptr<TMap>> MbrVecInputs;
};

#endif
