#ifndef KORVEL_OPS_TMAPTOOLS_H
#define KORVEL_OPS_TMAPTOOLS_H

#include <ostream>
#include <string>
#include <vector>

#include "grid/TMap.h"

// Whole-map operations. Every operation reads its input maps and leaves them
// unchanged; every map it returns is new and owned by the caller. A map
// series is a list of TMap* passed by value; the maps stay the caller's.
//
// A cell holds data when its value differs from its own map's no-data value
// (exact equality; 0 and NaN are data). Results built on an input's grid
// carry an exact copy of that input's axes and declare -9999 as their
// no-data value unless an operation says otherwise.
class TMapTools {
public:
    // ---- Series averaging and rounding ----

    // The average of every window of w consecutive maps, in window order:
    // result k averages maps k .. k + w - 1. A window longer than the series
    // gives an empty list; a window of fewer than two maps fails as Sum does.
    // If a window fails, the results already made are released.
    static std::vector<TMap*> MovingAverage(std::vector<TMap*> series, int window);
    // Cell-wise mean of the series on the first map's grid: -9999 wherever any
    // map holds its own no-data value, otherwise the values added in series
    // order from the first map, divided by the number of maps. A sum that
    // happens to be -9999 is still data.
    static TMap* Average(std::vector<TMap*> series);
    // Cell-wise sum in series order on the first map's grid; -9999 wherever
    // any map holds its own no-data value. Needs two or more maps of equal
    // dimensions.
    static TMap* Sum(std::vector<TMap*> series);
    // Cell-wise number of maps holding data, on the first map's grid. Needs
    // one or more maps of equal dimensions.
    static TMap* DataCounts(std::vector<TMap*> series);
    // Cell-wise dividend / divisor on the dividend's grid and with its no-data
    // value. Each dividend cell is divided by the divisor cell that holds its
    // centre; the divisor must be at least as coarse as the dividend. Cells
    // where either holds no data are the dividend's no-data value; a zero
    // divisor gives the IEEE result.
    static TMap* Divide(TMap* dividend, TMap* divisor);
    // Each cell rounded half up: floor(v), plus 1 when v - floor(v) >= 0.5
    // (2.5 -> 3, -2.5 -> -2, -2.7 -> -3), never -0. NaN and infinities pass
    // unchanged; cells holding the input's no-data value become -9999, the
    // result's no-data value.
    static TMap* RoundContents(TMap* map);

    // ---- Text output of maps ----

    // Every row, top row first: each value followed by separator, then a line
    // end. A stream in its default format gets printf %g text, six
    // significant digits; otherwise the stream's own format is used.
    static void WriteFlatFile(TMap* map, std::ostream& stream, char separator);
    // Appends row LngY as WriteFlatFile writes it (%g) to text.
    static void FormatRow(TMap* map, long LngY, char separator, std::string& text);

    // ---- Helpers for building results ----

    // A new map on the grid of source: the same resolution, dimensions and an
    // exact copy of its axes, every cell and the no-data value -9999. Throws
    // "Axes resolutions do not match in TMap::TMap" when the source's centre
    // axes disagree on their resolution.
    static TMap* NewMapOnGrid(TMap* source);
};

#endif
