#include "driver/TCommandLine.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

const char* TCommandLine::Usage() {
    return "Usage: korvel file_prefix start_num end_num file_suffix window_size output_prefix output_suffix [round Y|N]";
}

// Optional leading blanks, an optional sign and decimal digits, within int.
bool TCommandLine::TakeInteger(const char* name, const char* text, int& value) {
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    const char* sign = p;
    if (*p == '+' || *p == '-') ++p;
    bool digits = std::isdigit(static_cast<unsigned char>(*p)) != 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
    if (digits && *p == '\0') {
        errno = 0;
        const long long parsed = std::strtoll(sign, nullptr, 10);
        if (errno == 0 && parsed >= INT_MIN && parsed <= INT_MAX) {
            value = static_cast<int>(parsed);
            return true;
        }
        MbrStrError = std::string("Invalid ") + name + " \"" + text + "\": out of range";
    } else {
        MbrStrError = std::string("Invalid ") + name + " \"" + text + "\": not an integer";
    }
    MbrAction = TAction::UsageError;
    return false;
}

TCommandLine::TCommandLine(int argc, char** argv) {
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg.size() < 2 || arg[0] != '-' || (arg[1] != '-' && arg != "-h")) break;
        if (arg == "--help" || arg == "-h") {
            MbrAction = TAction::Help;
            return;
        }
        if (arg == "--version") {
            MbrAction = TAction::Version;
            return;
        }
        if (arg.compare(0, 7, "--jobs=") == 0) {
            int jobs = 0;
            if (!TakeInteger("--jobs", arg.c_str() + 7, jobs)) return;
            if (jobs < 1) {
                MbrStrError = "Invalid --jobs \"" + arg.substr(7) + "\": must be at least 1";
                MbrAction = TAction::UsageError;
                return;
            }
            MbrIntJobs = jobs;
            continue;
        }
        MbrStrError = "Unknown option \"" + arg + "\"";
        MbrAction = TAction::UsageError;
        return;
    }
    const std::vector<char*> args(argv + i, argv + argc);
    if (args.size() < 7) {
        MbrAction = TAction::UsageError;
        return;
    }
    MbrStrFilePrefix = args[0];
    if (!TakeInteger("start_num", args[1], MbrIntStart)) return;
    if (!TakeInteger("end_num", args[2], MbrIntEnd)) return;
    MbrStrFileSuffix = args[3];
    if (!TakeInteger("window_size", args[4], MbrIntWindow)) return;
    MbrStrOutputPrefix = args[5];
    MbrStrOutputSuffix = args[6];
    MbrBolRound = args.size() == 8 && args[7][0] == 'Y';
}

std::string TCommandLine::InputName(long long number) const {
    return MbrStrFilePrefix + std::to_string(number) + MbrStrFileSuffix;
}

std::string TCommandLine::OutputName(long long number) const {
    return MbrStrOutputPrefix + std::to_string(number) + MbrStrOutputSuffix;
}
