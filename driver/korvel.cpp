// korvel: moving averages over a numbered series of ESRI ASCII grid files.

#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "driver/TAverageRun.h"
#include "driver/TCommandLine.h"

#ifndef KORVEL_VERSION
#define KORVEL_VERSION "unknown"
#endif

namespace {

// Ends whatever line the run had begun with the message.
int Report(const char* message) {
    std::fputs(message, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const TCommandLine settings(argc, argv);
        switch (settings.Action()) {
        case TCommandLine::TAction::Help:
            std::printf("%s\n", TCommandLine::Help());
            return 0;
        case TCommandLine::TAction::Version:
            std::printf("korvel %s\n", KORVEL_VERSION);
            return 0;
        case TCommandLine::TAction::UsageError:
            std::printf("%s\n", settings.Error().empty() ? TCommandLine::Usage() : settings.Error().c_str());
            return 2;
        case TCommandLine::TAction::Run:
            break;
        }
        TAverageRun run(settings, stdout);
        run.Run();
        return 0;
    } catch (const char* message) {
        return Report(message);
    } catch (const std::string& message) {
        return Report(message.c_str());
    } catch (const std::bad_alloc&) {
        return Report("Out of memory");
    } catch (const std::exception& error) {
        return Report(error.what());
    } catch (...) {
        return Report("Unexpected error");
    }
}
