#ifndef KORVEL_TESTS_TESTSUPPORT_H
#define KORVEL_TESTS_TESTSUPPORT_H

// Small helpers shared by the tests: scratch folders, whole-file reads and
// writes, running the korvel binary, and catching the library's message
// exceptions.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under /tmp, removed with everything in it at the end.
class TScratchDir {
public:
    TScratchDir() {
        char pattern[] = "/tmp/korvel-test-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        MbrStrPath = made ? made : "";
    }
    ~TScratchDir() {
        if (!MbrStrPath.empty()) std::system(("rm -rf '" + MbrStrPath + "'").c_str());
    }
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;

    const std::string& Path() const { return MbrStrPath; }
    std::string operator/(const std::string& name) const { return MbrStrPath + "/" + name; }

private:
    std::string MbrStrPath;
};

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Names in a folder, sorted.
inline std::vector<std::string> ListDir(const std::string& dir) {
    std::vector<std::string> names;
    FILE* pipe = ::popen(("ls -A '" + dir + "'").c_str(), "r");
    if (!pipe) return names;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string name(line);
        if (!name.empty() && name.back() == '\n') name.pop_back();
        names.push_back(name);
    }
    ::pclose(pipe);
    return names;
}

inline std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

struct TRunResult {
    int MbrIntStatus = -1;
    std::string MbrStrOut;
    std::string MbrStrErr;
};

// Runs the built korvel in `dir` with `args`; captures standard output,
// standard error and the exit status. `setup` is shell text run first in the
// same shell (a ulimit, say).
inline TRunResult RunKorvel(const std::string& dir, const std::vector<std::string>& args,
                            const std::string& setup = "") {
    std::string command = "cd " + Quote(dir) + " && " + (setup.empty() ? "" : setup + " && ") + Quote(KORVEL_BIN);
    for (const std::string& arg : args) command += " " + Quote(arg);
    const std::string outPath = dir + "/.stdout", errPath = dir + "/.stderr";
    command += " >" + Quote(outPath) + " 2>" + Quote(errPath) + " </dev/null";
    TRunResult result;
    const int raw = std::system(command.c_str());
    result.MbrIntStatus = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
    result.MbrStrOut = ReadText(outPath);
    result.MbrStrErr = ReadText(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return result;
}

// The message a call throws as `const char*` or std::string; empty when it
// throws nothing. Anything else thrown fails the test by escaping.
inline std::string MessageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const char* message) {
        return message;
    } catch (const std::string& message) {
        return message;
    }
    return std::string();
}

}  // namespace testsupport

#endif
