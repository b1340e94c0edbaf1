#ifndef KORVEL_FILES_TARCGISFILETOOLS_H
#define KORVEL_FILES_TARCGISFILETOOLS_H

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "files/TAtomicFile.h"
#include "grid/TMap.h"

// Reader and writer of ESRI ASCII grid files. Strict reading, the default,
// takes a six-line header (ncols, nrows, xllcorner, yllcorner, cellsize,
// NODATA_value or nodata_value, in that order, tags compared exactly) and
// then nrows x ncols values, top row first, separated by any white space.
//
// Reading. Every body value and the no-data value must be one whole decimal
// number (optional sign, digits, fraction, exponent); any other token is a
// format error naming its row, column (both counted from 1) and text (its
// first 40 bytes, control characters shown as \xHH). ncols
// and nrows must be at least 1 and cellsize greater than 0. A header value
// that is not a number of its kind shows up as the next tag's format error.
// Text after the last needed value is ignored, and the last value may end the
// file without a line end. A body shorter than the header claims ends with
// "Unexpected end of file found in TARCGISFileTools::LoadARCGISFile"; memory
// is never reserved beyond what the file can hold.
//
// Writing. The corners and the cell size are written with up to fifteen
// significant digits (printf %.15g), so a map keeps the geometry its file
// declared; the corners are right-aligned in 8 characters. The no-data value
// and the cells are written as printf %g, six significant digits, each cell
// followed by one blank. A named file is replaced atomically (TAtomicFile).
//
// Lenient reading (TReadMode::Lenient) takes the variants of the format that
// other writers produce, and what strict reading takes:
// - header keywords in any letter case and any order, each at most once; the
//   header ends at the first word that is not one of them;
// - ncols, nrows, one of xllcorner/xllcenter, one of yllcorner/yllcenter, and
//   cellsize or both dx and dy (equal: cells are square) are required; a
//   centre lies half a cell inside the corner (xllcorner = xllcenter -
//   cellsize / 2); NODATA_value is optional and -9999 without it;
// - ncols and nrows may be written with a zero fraction ("4.0");
// - numbers may also be nan in any letter case with an optional sign, or
//   carry a decimal comma when they hold no point (",500E+02" is 50);
// - a NaN cell holds no data: it is stored as the declared no-data value, so
//   that with NODATA_value nan the map's no-data value is NaN and its NaN
//   cells are the no-data cells.
// Anything else is refused as in strict reading, with "File format error: ..."
// messages that name the keyword at fault. The writers are the same for both.
//
// Errors are message strings, except "Unable to open file <name>" and
// "Unable to write file <name>", which are std::string. Readers return new
// maps that the caller owns.
class TARCGISFileTools {
public:
    enum class TReadMode { Strict, Lenient };

    // Strict reading.
    static TMap* LoadARCGISFile(std::istream& stream);
    static TMap* LoadARCGISFile(std::string name);
    static std::vector<TMap*> LoadFileList(std::vector<std::string> names);
    // Parses the text of a whole grid file held in memory.
    static TMap* ParseARCGISText(const char* begin, const char* end);

    // The same, in the reading mode given.
    static TMap* LoadARCGISFile(std::istream& stream, TReadMode mode);
    static TMap* LoadARCGISFile(std::string name, TReadMode mode);
    static std::vector<TMap*> LoadFileList(std::vector<std::string> names, TReadMode mode);
    static TMap* ParseARCGISText(const char* begin, const char* end, TReadMode mode);

    static void WriteARCGISFile(TMap* map, std::ostream& stream);
    static void WriteARCGISFile(TMap* map, std::string name);
    static void WriteARCGISFile(TMap* map, TAtomicFile& file);
    static void WriteFileList(std::vector<TMap*> maps, std::vector<std::string> names);

    // The six header lines of map, as written; the second form declares
    // `nodata` in place of the map's own no-data value.
    static std::string FormatHeader(TMap* map);
    static std::string FormatHeader(TMap* map, double nodata);
};

#endif
