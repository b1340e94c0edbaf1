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

const char* TCommandLine::Help() {
    return "Usage: korvel file_prefix start_num end_num file_suffix window_size output_prefix output_suffix [round Y|N]\n"
           "Options (before the arguments):\n"
           "  --stat=NAME      statistic of each window cell: mean (default), sum, min, max,\n"
           "                   range, count, median, var or std\n"
           "  --min-valid=K    compute a cell over the maps holding data there when at least\n"
           "                   K do, -9999 otherwise (1 to window_size; default window_size)\n"
           "  --align=WHERE    number each output after the middle (default), first or last\n"
           "                   map of its window\n"
           "  --digits=N       significant digits of the written values, 1 to 17 (default 6)\n"
           "  --jobs=N         threads to use (default: one per hardware thread)\n"
           "  --lenient        also read the grid variants other writers produce: keywords\n"
           "                   in any letter case and order, xllcenter/yllcenter, dx/dy, no\n"
           "                   NODATA_value (-9999), nan cells, decimal commas; the results\n"
           "                   are written in the strict format all the same\n"
           "  --help, --version";
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

bool TCommandLine::Fail(const std::string& message) {
    MbrStrError = message;
    MbrAction = TAction::UsageError;
    return false;
}

// Takes one option; false when the run goes no further (help, version or a
// usage error).
bool TCommandLine::TakeOption(const std::string& arg) {
    if (arg == "--help" || arg == "-h") {
        MbrAction = TAction::Help;
        return false;
    }
    if (arg == "--version") {
        MbrAction = TAction::Version;
        return false;
    }
    if (arg == "--lenient") {
        if (MbrBolLenient) return Fail("Option --lenient is given more than once");
        MbrBolLenient = true;
        return true;
    }
    static const char* const kValued[] = {"--jobs", "--stat", "--min-valid", "--align", "--digits"};
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    bool known = false;
    for (const char* option : kValued) known = known || name == option;
    if (!known) return Fail("Unknown option \"" + arg + "\"");
    if (equals == std::string::npos) return Fail("Option " + name + " needs a value, as in " + name + "=...");
    for (const std::string& given : MbrVecGiven)
        if (given == name) return Fail("Option " + name + " is given more than once");
    MbrVecGiven.push_back(name);
    const std::string value = arg.substr(equals + 1);
    const std::string quoted = " \"" + value + "\": ";
    if (name == "--jobs") {
        if (!TakeInteger("--jobs", value.c_str(), MbrIntJobs)) return false;
        if (MbrIntJobs < 1) return Fail("Invalid --jobs" + quoted + "must be at least 1");
    } else if (name == "--stat") {
        if (!TWindowStatistics::FromName(value, MbrStatistic))
            return Fail("Invalid --stat" + quoted + "must be mean, sum, min, max, range, count, median, var or std");
    } else if (name == "--min-valid") {
        if (!TakeInteger("--min-valid", value.c_str(), MbrIntMinValid)) return false;
        if (MbrIntMinValid < 1) return Fail("Invalid --min-valid" + quoted + "must be at least 1");
    } else if (name == "--align") {
        if (value == "middle") MbrAlign = TAlign::Middle;
        else if (value == "first") MbrAlign = TAlign::First;
        else if (value == "last") MbrAlign = TAlign::Last;
        else return Fail("Invalid --align" + quoted + "must be middle, first or last");
    } else {
        if (!TakeInteger("--digits", value.c_str(), MbrIntDigits)) return false;
        if (MbrIntDigits < 1 || MbrIntDigits > 17) return Fail("Invalid --digits" + quoted + "must be from 1 to 17");
    }
    return true;
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
        if (!TakeOption(arg)) return;
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
    if (MbrIntMinValid > MbrIntWindow)
        Fail("Invalid --min-valid \"" + std::to_string(MbrIntMinValid) + "\": must not exceed window_size " +
             std::to_string(MbrIntWindow));
}

long long TCommandLine::OutputOffset() const {
    switch (MbrAlign) {
    case TAlign::First:
        return 0;
    case TAlign::Last:
        return static_cast<long long>(MbrIntWindow) - 1;
    case TAlign::Middle:
        break;
    }
    return CentreOffset();
}

std::string TCommandLine::InputName(long long number) const {
    return MbrStrFilePrefix + std::to_string(number) + MbrStrFileSuffix;
}

std::string TCommandLine::OutputName(long long number) const {
    return MbrStrOutputPrefix + std::to_string(number) + MbrStrOutputSuffix;
}
