#ifndef KORVEL_DRIVER_TCOMMANDLINE_H
#define KORVEL_DRIVER_TCOMMANDLINE_H

#include <string>
#include <vector>

#include "ops/TWindowStatistics.h"

// The settings of one run, taken from the command line:
//   [options] file_prefix start_num end_num file_suffix window_size
//             output_prefix output_suffix [round Y|N]
// Options come first; "--" ends them:
//   --help, --version    print the help text or the version, and stop
//   --jobs=N             threads to use (default: one per hardware thread)
//   --stat=NAME          the statistic of each window cell (default mean)
//   --min-valid=K        maps holding data a cell needs (default window_size)
//   --align=WHERE        number outputs after the middle, first or last map
//   --digits=N           significant digits of the written values (default 6)
//   --lenient            read the input files in lenient mode
class TCommandLine {
public:
    enum class TAction { Run, Help, Version, UsageError };
    enum class TAlign { Middle, First, Last };

    static const char* Usage();
    // The usage line and a line on each option.
    static const char* Help();

    // Takes argv; on a usage error, Action() is UsageError and Error() says
    // what was wrong (empty when the usage line alone is the message).
    TCommandLine(int argc, char** argv);

    TAction Action() const { return MbrAction; }
    const std::string& Error() const { return MbrStrError; }

    // The input name and output name of a file number.
    std::string InputName(long long number) const;
    std::string OutputName(long long number) const;
    // (window_size - 1) / 2, truncated toward zero.
    long long CentreOffset() const { return (static_cast<long long>(MbrIntWindow) - 1) / 2; }
    // The place within a window of the map whose number its output carries.
    long long OutputOffset() const;
    // The minimum number of maps holding data that a cell needs.
    int MinValid() const { return MbrIntMinValid > 0 ? MbrIntMinValid : MbrIntWindow; }

    std::string MbrStrFilePrefix, MbrStrFileSuffix, MbrStrOutputPrefix, MbrStrOutputSuffix;
    int MbrIntStart = 0;
    int MbrIntEnd = 0;
    int MbrIntWindow = 0;
    bool MbrBolRound = false;
    int MbrIntJobs = 0;  // 0: one per hardware thread
    TStatistic MbrStatistic = TStatistic::Mean;
    int MbrIntMinValid = 0;  // 0: the window size
    TAlign MbrAlign = TAlign::Middle;
    int MbrIntDigits = 6;
    bool MbrBolLenient = false;

private:
    bool TakeInteger(const char* name, const char* text, int& value);
    bool TakeOption(const std::string& arg);
    bool Fail(const std::string& message);

    TAction MbrAction = TAction::Run;
    std::string MbrStrError;
    std::vector<std::string> MbrVecGiven;  // the valued options seen so far
};

#endif
