#ifndef KORVEL_OPS_TWINDOWSTATISTICS_H
#define KORVEL_OPS_TWINDOWSTATISTICS_H

#include <cstddef>
#include <string>
#include <vector>

#include "grid/TMap.h"

// The statistics a cell of a window of maps can take, over the values of the
// maps that hold data there:
//   Mean      the values added in series order from the first, divided by
//             their count;
//   Sum       the values added in series order from the first;
//   Min, Max  the smallest and the largest value; Range is Max - Min;
//   Count     how many maps hold data;
//   Median    the middle value in sorted order, or (a + b) / 2 of the two
//             middle values a <= b for an even count;
//   Variance  population variance in two passes: m = Mean, then the squared
//             differences (v - m) * (v - m) added in series order, divided by
//             the count; StdDev is its square root.
enum class TStatistic { Mean, Sum, Min, Max, Range, Count, Median, Variance, StdDev };

// The cell kernel behind TMapTools::Statistic and the tool. A map holds no
// data in a cell when the cell equals the map's no-data value, or, for a map
// whose no-data value is NaN, when the cell is NaN. A cell where fewer than
// minValid maps hold data is -9999. A NaN or infinite value that is data
// enters the statistic as IEEE arithmetic has it; a NaN makes Min, Max,
// Range and Median NaN.
class TWindowStatistics {
public:
    // Writes row LngY of the statistic of maps first .. first + count - 1 of
    // series into out, as many values as the first of them has columns.
    // minValid must be 1 .. count. scratch is working space that a caller
    // may keep from row to row.
    static void Row(const std::vector<TMap*>& series, size_t first, size_t count, long LngY, TStatistic stat,
                    size_t minValid, double* out, std::vector<double>& scratch);

    // The statistic's name as the tool takes it: mean, sum, min, max, range,
    // count, median, var, std.
    static const char* Name(TStatistic stat);
    // The statistic named `name`; false when no statistic has that name.
    static bool FromName(const std::string& name, TStatistic& stat);
};

#endif
