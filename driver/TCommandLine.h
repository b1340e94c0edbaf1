#ifndef KORVEL_DRIVER_TCOMMANDLINE_H
#define KORVEL_DRIVER_TCOMMANDLINE_H

#include <string>

// The settings of one run, taken from the command line:
//   [options] file_prefix start_num end_num file_suffix window_size
//             output_prefix output_suffix [round Y|N]
// Options come first: --help, --version, --jobs=N; "--" ends them.
class TCommandLine {
public:
    enum class TAction { Run, Help, Version, UsageError };

    static const char* Usage();

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

    std::string MbrStrFilePrefix, MbrStrFileSuffix, MbrStrOutputPrefix, MbrStrOutputSuffix;
    int MbrIntStart = 0;
    int MbrIntEnd = 0;
    int MbrIntWindow = 0;
    bool MbrBolRound = false;
    int MbrIntJobs = 0;  // 0: one per hardware thread

private:
    bool TakeInteger(const char* name, const char* text, int& value);

    TAction MbrAction = TAction::Run;
    std::string MbrStrError;
};

#endif
