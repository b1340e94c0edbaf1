#ifndef KORVEL_TESTS_TESTSUPPORT_H
#define KORVEL_TESTS_TESTSUPPORT_H

// Small helpers shared by the tests: scratch folders, whole-file reads and
// writes, running the korvel binary, catching the library's message
// exceptions, and building axes and maps from literal coordinates and cells.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "grid/TAxis.h"
#include "grid/TMap.h"
#include "grid/TPoint.h"

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

// Names in a folder that start with prefix, sorted.
inline std::vector<std::string> ListDir(const std::string& dir, const std::string& prefix) {
    std::vector<std::string> names;
    for (const std::string& name : ListDir(dir))
        if (name.compare(0, prefix.size(), prefix) == 0) names.push_back(name);
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

// The message a call throws as `const char*`, the way the library reports
// errors; `ifNothing` when it throws nothing. Stricter than MessageOf: a
// std::string, like anything else thrown, escapes and fails the test.
template <typename F>
std::string ThrownMessage(F call, const char* ifNothing = "") {
    try {
        call();
    } catch (const char* message) {
        return message;
    }
    return ifNothing;
}

// ThrownMessage that says "(nothing thrown)" when the call returns, so that
// a missing exception never reads as an empty message.
template <typename F>
std::string WhatIsThrown(F call) {
    return ThrownMessage(call, "(nothing thrown)");
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// What TAxis::GetIndex throws for an ordinate in no segment, and every lookup
// by coordinates that goes through it.
const char* const kOutOfRange = "Ordinate is out of range in TAxis::GetIndex";

// (x, y) pairs: the points of an axis in order.
using TCoords = std::vector<std::pair<double, double>>;

// An axis grown with AddPoint from (x, y) pairs.
inline std::unique_ptr<TAxis> MakeAxis(double resolution, const TCoords& coords) {
    std::unique_ptr<TAxis> axis(new TAxis(resolution));
    for (const auto& coord : coords) axis->AddPoint(new TPoint(coord.first, coord.second));
    return axis;
}

inline TCoords CoordsOf(const TAxis& axis) {
    TCoords result;
    for (long i = 0; i < axis.GetSize(); ++i) result.emplace_back(axis.GetPoint(i)->GetX(), axis.GetPoint(i)->GetY());
    return result;
}

inline TCoords CoordsOf(const TAxis* axis) { return CoordsOf(*axis); }

// Cell values, row 0 on top.
using Rows = std::vector<std::vector<double>>;

// A map as the grid reader builds it: lower-left corner (xll, yll), square
// cells, row 0 on top; unless told otherwise, cells of 10 from the origin.
inline std::unique_ptr<TMap> MakeMap(const Rows& rows, double cell = 10, double xll = 0, double yll = 0,
                                     double nodata = -9999.0) {
    const long ny = static_cast<long>(rows.size());
    const long nx = ny ? static_cast<long>(rows[0].size()) : 0;
    std::unique_ptr<TMap> map(new TMap(cell, nx, ny));
    map->SetNoDataValue(nodata);
    for (long y = 0; y < ny; ++y)
        for (long x = 0; x < nx; ++x) map->SetPoint(x, y, rows[y][x]);
    TAxis xi(cell), yi(cell);
    for (long i = 0; i <= nx; ++i) xi.AddPoint(new TPoint(xll + cell * i, yll));
    for (long i = 0; i <= ny; ++i) yi.AddPoint(new TPoint(xll, yll + cell * (ny - i)));
    map->SetXAxisInterval(&xi);
    map->SetYAxisInterval(&yi);
    return map;
}

// The cell values of a map, row by row.
inline Rows Cells(const TMap& map) {
    Rows rows(static_cast<size_t>(map.GetYDim()));
    for (long y = 0; y < map.GetYDim(); ++y) rows[y] = map.GetRow(y);
    return rows;
}

}  // namespace testsupport

#endif
