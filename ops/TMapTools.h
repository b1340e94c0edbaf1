#ifndef KORVEL_OPS_TMAPTOOLS_H
#define KORVEL_OPS_TMAPTOOLS_H

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "grid/TMap.h"
#include "ops/TWindowStatistics.h"

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
    // Cell-wise statistic (see TStatistic) on the first map's grid, over the
    // maps that hold data in the cell: -9999 where fewer than minValid of
    // them do. A map holds no data where a cell equals its no-data value,
    // or is NaN when that value is NaN. Needs two or more maps of equal
    // dimensions, as Sum does, and 1 <= minValid <= the number of maps.
    // Average is the Mean with minValid = the number of maps.
    static TMap* Statistic(std::vector<TMap*> series, TStatistic stat, int minValid);
    // Statistic of every window of w consecutive maps, in window order, as
    // MovingAverage gives the averages.
    static std::vector<TMap*> MovingStatistic(std::vector<TMap*> series, int window, TStatistic stat, int minValid);
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

    // The row kernels of Average and RoundContents, for callers that work a
    // row at a time. AverageRow writes row LngY of the average of maps
    // first .. first + count - 1 of series into out (as many values as the
    // first of them has columns), exactly as Average computes it; scratch is
    // working space. RoundRow rounds count values as RoundContents does, for
    // a map whose no-data value is nodata.
    static void AverageRow(const std::vector<TMap*>& series, size_t first, size_t count, long LngY, double* out,
                           std::vector<double>& scratch);
    static void RoundRow(const double* values, long count, double nodata, double* out);

    // ---- Text output of maps ----

    // Every row, top row first: each value followed by separator, then a line
    // end. A stream in its default format gets printf %g text, six
    // significant digits; otherwise the stream's own format is used.
    static void WriteFlatFile(TMap* map, std::ostream& stream, char separator);
    // Appends row LngY as WriteFlatFile writes it (%g) to text.
    static void FormatRow(TMap* map, long LngY, char separator, std::string& text);
    // Appends count values, each followed by separator, and a line end.
    static void FormatValues(const double* values, long count, char separator, std::string& text);
    // The same text written at out, which needs room for 33 bytes a value
    // and one more; returns the end of the text.
    static char* FormatValues(const double* values, long count, char separator, char* out);
    // The same with printf %.<digits>g (1 to 17) in place of %g; -9999 is
    // written "-9999" at any precision.
    static char* FormatValues(const double* values, long count, char separator, int digits, char* out);

    // ---- Cell-wise arithmetic ----
    //
    // Add and Multiply (two maps) pair the maps by coordinates: the base is
    // the map with the finer cells (the first argument when the cell sizes
    // are equal). The result has the base's grid and no-data value; each base
    // cell is paired with the cell of the other map that holds its centre,
    // so several fine cells may share one coarse cell. A base cell whose
    // centre lies outside the other map fails with the lookup's message
    // ("Ordinate is out of range in TAxis::GetIndex", or "LngX/LngY is out of
    // range in TMap::GetPointVal"), the first one a rows-outer, columns-inner
    // walk meets. A cell is the base's no-data value where either map holds
    // its own no-data value.
    //
    // Subtract and Mask pair the maps by index and need equal dimensions ("X
    // dimensions do not match in TMapTools::<op>", then the Y message); the
    // result lies on the first map's grid whatever the second's axes.
    //
    // The single-map operations build their result on the input's grid with
    // no-data value -9999. Each tests no-data its own way:
    // - Subtract: each map against its own; the result declares the first's;
    // - Multiply (map, factor): against -9999, whatever the input declares;
    // - Divide (map, divisor): against the input's; the result declares -9999;
    // - Threshold, ThresholdReplace, ReplaceValue, Mask and CountValues treat
    //   the no-data value as an ordinary value.
    // No division is guarded: IEEE infinities and NaN are stored.
    //
    // NaN never enters an ordered container: CountValues passes over NaN
    // cells, and ReplaceValue gives a NaN cell the default.

    static TMap* Add(TMap* a, TMap* b);
    // minuend - subtrahend, by index.
    static TMap* Subtract(TMap* minuend, TMap* subtrahend);
    // As Add, with the product.
    static TMap* Multiply(TMap* a, TMap* b);
    // v * factor; -9999 stays -9999.
    static TMap* Multiply(TMap* map, double factor);
    // v / divisor; the input's no-data value stays as it is.
    static TMap* Divide(TMap* map, double divisor);
    // v where v >= threshold, else 0 (NaN gives 0).
    static TMap* Threshold(TMap* map, double threshold);
    // Threshold of each map, in series order; the caller owns every map.
    static std::vector<TMap*> Threshold(std::vector<TMap*> series, double threshold);
    // replacement where v >= threshold, else v (NaN stays).
    static TMap* ThresholdReplace(TMap* map, double threshold, double replacement);
    // table[v] where v is a key (exact match), else the default.
    static TMap* ReplaceValue(TMap* map, std::map<double, double> table, double fallback);
    // The second map's value, or replacement where it equals maskValue. The
    // first map gives only its grid; none of its values is read.
    static TMap* Mask(TMap* first, TMap* second, double maskValue, double replacement);
    // The number of cells of each distinct value.
    static std::map<double, long> CountValues(TMap* map);
    // The number of cells equal to value; NaN never counts.
    static int CountValues(TMap* map, double value);

    // ---- Resampling ----
    //
    // Results are new maps with no-data value -9999 whatever the source
    // declares; no-data cells of the source are copied or interpolated with
    // their stored value. The source needs its axes ("Map has no axes in
    // TMapTools::<op>").
    //
    // Downscale: the grid of map at cell size resolution, anchored at the
    // source's first X and first Y boundary, trunc(extent / resolution) cells
    // each way (a remainder narrower than one cell is dropped), every cell
    // -9999. A resolution that is not positive (or NaN) is refused with "New
    // resolution must be > 0.0 in TMapTools::Downscale", one that would give
    // more cells than a long can count with "New resolution gives too many
    // cells in TMapTools::Downscale". A grid of no columns or rows fails in
    // the axis conversion ("Index is out of range in TAxis::GetPoint").
    static TMap* Downscale(TMap* map, double resolution);
    // Bilinear resampling onto Downscale's grid. Samples run from one source
    // cell inside the west and the first Y edge, every `resolution`; each is
    // interpolated between the four source centres around it and stored in
    // the cell of the result that holds it. Cells no sample reaches hold the
    // source's no-data value (which the result declares only if it is -9999).
    // Errors: "New resolution cannot be <= 0.0 in
    // TMapTools::BilinearInterpolate"; "LngGetX1/LngGetX2/LngGetY1/LngGetY2 is
    // out of range in TMapTools::BilinearInterpolate" when a sample needs a
    // centre beyond the source (maps of few rows or columns); the lookup's
    // message when a sample falls outside the result or the source; and "New
    // resolution is too fine for the map's coordinates in
    // TMapTools::BilinearInterpolate" when adding it no longer moves a sample.
    static TMap* BilinearInterpolate(TMap* map, double resolution);
    // Every cell split into factor x factor cells of the same value; the
    // result covers exactly the source's extent. A factor below 1 is refused
    // with "Subdivision factor must be >= 1 in TMapTools::Subdivide".
    static TMap* Subdivide(TMap* map, int factor);
    // The bilinear formula through (x1, y1, q11), (x2, y1, q21), (x1, y2,
    // q12), (x2, y2, q22) at (x, y); outside the rectangle it extrapolates,
    // and a degenerate rectangle gives an infinity or NaN.
    static double BilinearInterpolate(double q11, double q21, double q12, double q22, double x, double x1,
                                      double x2, double y, double y1, double y2);
    // The same formula: x1, y1 from p11, x2 from p21, y2 from p12, the four
    // corner values, and (x, y) from target, whose value it sets.
    static void BilinearInterpolate(TMapPoint* p11, TMapPoint* p21, TMapPoint* p12, TMapPoint* p22,
                                    TMapPoint* target);

    // ---- Sub-grids and blocks ----
    //
    // A block is four cell indices north, south (rows, north <= south) and
    // west, east (columns, west <= east), both edges included.
    //
    // Extract: the cells from the one holding first to the one holding second
    // (corners in any order), as a new map with the source's cell size and
    // centres and no-data value -9999; no-data cells are copied as values. A
    // corner outside the map fails with "Ordinate is out of range in
    // TAxis::GetIndex" (a point on the east or north edge is outside).
    static TMap* Extract(TMap* map, TPoint* first, TPoint* second);
    // Writes every cell of source into the destination cell holding its
    // centre (the last written wins when a finer source puts several centres
    // into one cell; cells holding no centre keep their values). The source
    // must lie inside the destination ("Insert map's NW corner is outside of
    // the destination map in TMapTools::Insert", then the SE message); every
    // lookup is made before any cell is written, so a failure leaves the
    // destination unchanged.
    static void Insert(TMap* destination, TMap* source);
    // The common part of two maps: the cells of each map whose centres lie
    // inside both extents (west and south edges included, east and north
    // edges not), cut out of each by Extract with the same two corner points.
    // The points lie strictly inside both maps. When the two grids are so
    // unlike that no point selects both maps' first (or last) common cell,
    // the point is taken where it keeps every common cell, so a part may then
    // reach one cell further. Maps that do not overlap, only touch, or share
    // no cell centre fail with "Maps do not intersect in
    // TMapTools::Intersection". Both references are set only on success.
    static void Intersection(TMap* first, TMap* second, TMap*& firstPart, TMap*& secondPart);
    // The smallest block holding every cell equal to value (NaN matches
    // nothing); 0, 0, 0, 0 when no cell does.
    static void FindPatchExtent(TMap* map, double value, long& north, long& south, long& west, long& east);
    // Moves each edge outwards by margin, stopping at the map's border.
    static void BufferIndices(TMap* map, long margin, long& north, long& south, long& west, long& east);
    // Sets every cell of the block to value. The block must be ordered and
    // inside the map; otherwise the map is unchanged and the first failing
    // check throws its message ("Northern edge must be less than southern
    // edge ...", "Western edge must be less than eastern edge ...", then
    // "Northern / Southern / Western / Eastern ordinate is out of range in
    // TMapTools::FillBlock").
    static void FillBlock(TMap* map, double value, long north, long south, long west, long east);

    // ---- Value sampling ----
    //
    // Walks run columns outer, rows inner; that order decides which cell is
    // the first of a value and the order of collected values. Comparisons are
    // exact; NaN equals nothing and never becomes a key: GetFirstValues and
    // GetValuesOverlay pass over cells whose key would be NaN, and a NaN in
    // the excluded values excludes nothing.

    // The value of the cell under each point (the point's own value is not
    // read), keyed as the table is.
    static std::map<double, double> FetchMapValues(TMap* map, std::map<double, TMapPoint*> points);
    // Map i with table i. Fewer tables than maps is refused with "Fewer
    // tables of points than maps in TMapTools::FetchMapValues".
    static std::vector<std::map<double, double>> FetchMapValues(std::vector<TMap*> series,
                                                                std::vector<std::map<double, TMapPoint*>> points);
    // A new TMapPoint (owned by the caller) at the centre of the first cell of
    // each distinct value, values listed in excluded left out. The walk skips
    // a cell equal to the one before it, and starts as if after a no-data
    // cell, so no-data cells at the very start are passed over while a
    // no-data value met later is recorded (exclude it to leave it out).
    static std::map<double, TMapPoint*> GetFirstValues(TMap* map, std::vector<double> excluded);
    // GetFirstValues of each map. If one fails, the points already made are
    // released.
    static std::vector<std::map<double, TMapPoint*>> GetFirstValues(std::vector<TMap*> series,
                                                                    std::vector<double> excluded);
    // The values of map grouped by the overlay's value in the same cell, in
    // walk order; overlay values listed in excluded are left out. Dimensions
    // must match: "Map X-dimensions do not match", "Map Y-Dimensions do not
    // match". NaN values of map are collected like others.
    static std::map<double, std::vector<double>> GetValuesOverlay(TMap* map, TMap* overlay,
                                                                  std::vector<double> excluded);
    // From the up-to-3x3 block around (LngX, LngY), clipped at the edges: the
    // first non-zero value (NaN counts) of the easternmost column that has
    // one, rows from the top; 0 when there is none.
    static double FindNonzeroNeighbourVal(TMap* map, long LngX, long LngY);
    // The values of cell (LngX, LngY) in maps start .. end of the series.
    // Needs 0 <= start < end < number of maps.
    static std::vector<double> GetValuesVector(std::vector<TMap*> series, long LngX, long LngY, int start, int end);

    // ---- Trend gradients ----
    //
    // For each window of window + 1 consecutive maps (window i covers maps
    // i .. i + window, window order), the least-squares slope of each cell's
    // values against the maps' positions in the series, on the first map's
    // grid (no-data value -9999). A cell that holds 0 in the window's first
    // map stays -9999; a 0 in a later map is replaced by
    // FindNonzeroNeighbourVal of that map; values equal to their map's
    // no-data value are left out; fewer than two values left give NaN.
    // Needs 1 <= window < number of maps ("Window size must be < number of
    // maps in TMapTools::ValueGradients", "Window size must be at least 1 in
    // TMapTools::ValueGradients") and maps of the first map's dimensions
    // ("Map dimensions do not match in TMapTools::ValueGradients"). The
    // caller owns the returned maps; on failure none is returned.
    static std::vector<TMap*> ValueGradients(std::vector<TMap*> series, int window);

    // ---- CSV export ----

    // One line "x,y,value" per cell (centre coordinates), columns outer and
    // rows inner, each line flushed; no header, no quoting. No-data cells are
    // written with their value. The stream's own number format is used (a
    // default stream gives printf %g). A non-empty map without axes fails
    // with "Map has no axes in TMap::GetPoint (long,long)" before writing.
    static void WriteCSVFile(TMap* map, std::ostream& stream);

    // ---- Helpers for building results ----

    // A new map on the grid of source: the same resolution, dimensions and an
    // exact copy of its axes, every cell and the no-data value -9999. Throws
    // "Axes resolutions do not match in TMap::TMap" when the source's centre
    // axes disagree on their resolution.
    static TMap* NewMapOnGrid(TMap* source);
};

#endif
