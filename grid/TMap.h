#ifndef KORVEL_GRID_TMAP_H
#define KORVEL_GRID_TMAP_H

#include <memory>
#include <string>
#include <vector>

#include "grid/TAxis.h"
#include "grid/TPoint.h"

// A regular grid of double values with square cells, placed in the plane by
// a centre axis and an interval axis per dimension.
//
// Cell (LngX, LngY) is column LngX (0 is the westernmost) of row LngY (0 is
// the northernmost, the first row of a grid file). Each cell contains its west
// and south edges and not its east and north edges. The map owns its four
// axes; an axis given to a setter is copied, never adopted, and installing one
// axis of a pair rebuilds the other from it. A setter that fails leaves both
// axes of its dimension as they were.
//
// A cell holds data when its value is not exactly the no-data value (-9999
// unless set); the map itself never interprets it.
//
// Reads and writes by index check their indices and throw a message outside
// the grid. Operations by coordinates need the axes and throw
// "Map has no axes in TMap::<operation>" on a map that has none; they find
// the cell by binary search over the interval axes.
class TMap {
public:
    explicit TMap(double resolution);
    TMap(double resolution, long LngXDim, long LngYDim);
    TMap(TAxis* xaxis, TAxis* yaxis);
    ~TMap();

    TMap(const TMap&) = delete;
    TMap& operator=(const TMap&) = delete;

    void Init(double resolution, long LngXDim, long LngYDim, double value);

    double GetResolution() const { return MbrDblResolution; }
    long GetXDim() const { return MbrLngXDim; }
    long GetYDim() const { return MbrLngYDim; }
    double GetNoDataValue() const { return MbrDblNoDataValue; }
    void SetNoDataValue(double value) { MbrDblNoDataValue = value; }

    // The map's own axes (null when absent); not to be released or kept past
    // the next axis change.
    TAxis* GetXAxis() const { return MbrPtrXAxis.get(); }
    TAxis* GetYAxis() const { return MbrPtrYAxis.get(); }
    TAxis* GetXAxisInterval() const { return MbrPtrXAxisInterval.get(); }
    TAxis* GetYAxisInterval() const { return MbrPtrYAxisInterval.get(); }

    // Cells by index.
    double GetPointVal(long LngX, long LngY) const {
        if (LngX < 0 || LngX >= MbrLngXDim) throw "X-ordinate is out of range in TMap::GetPointVal";
        if (LngY < 0 || LngY >= MbrLngYDim) throw "Y-ordinate is out of range in TMap::GetPointVal";
        if (LngX >= GetRowLength(LngY)) throw "X-ordinate is out of range in TMap::GetPointVal";
        return GetRowData(LngY)[LngX];
    }
    void SetPoint(long LngX, long LngY, double value) {
        if (LngX < 0 || LngX >= MbrLngXDim) throw "X-ordinate is out of range in TMap::SetPoint";
        if (LngY < 0 || LngY >= MbrLngYDim) throw "Y-ordinate is out of range in TMap::SetPoint";
        if (LngX >= GetRowLength(LngY)) throw "X-ordinate is out of range in TMap::SetPoint";
        GetRowData(LngY)[LngX] = value;
    }
    void InitValues(double value);
    std::vector<double> GetRow(long LngY) const;
    void AddRow(std::vector<double> row);

    // The number of values held in row LngY (MbrLngXDim unless the map was
    // grown with rows of other lengths).
    long GetRowLength(long LngY) const {
        return static_cast<long>(MbrVecRowStarts[static_cast<size_t>(LngY) + 1] - MbrVecRowStarts[static_cast<size_t>(LngY)]);
    }
    // Direct access to the values of row LngY (no check): for whole-map loops.
    // Valid until the next AddRow.
    const double* GetRowData(long LngY) const { return MbrVecValues.data() + MbrVecRowStarts[static_cast<size_t>(LngY)]; }
    double* GetRowData(long LngY) { return MbrVecValues.data() + MbrVecRowStarts[static_cast<size_t>(LngY)]; }

    // Cells by coordinates. Points returned are new and owned by the caller.
    TPoint* GetCoordinates(long LngX, long LngY) const;
    TMapPoint* GetPoint(long LngX, long LngY) const;
    long GetIndex(double ordinate, char axis) const;
    double GetPointVal(TPoint* point) const;
    TMapPoint* GetPoint(TPoint* point) const;
    void SetPoint(TPoint* point, double value);
    std::vector<double> GetPointValues(std::vector<TPoint*> points) const;

    // Installing axes: each copies the axis given and derives its partner.
    void SetXAxis(TAxis* axis);
    void SetYAxis(TAxis* axis);
    void SetXAxisInterval(TAxis* axis);
    void SetYAxisInterval(TAxis* axis);

    // Installs copies of all four axes of source, exactly as they are (no
    // re-derivation, so the geometry is carried over without rounding drift).
    // Absent axes stay absent. Throws when the dimensions differ.
    void CopyAxes(const TMap* source);

private:
    void RequireAxes(const char* message) const;
    void CheckAxes() const;

    double MbrDblResolution;
    long MbrLngXDim;
    long MbrLngYDim;
    // The rows, one after another in one block (each row contiguous), and
    // where each row starts in it, with the end of the last row after them.
    std::vector<double> MbrVecValues;
    std::vector<size_t> MbrVecRowStarts{0};
    std::unique_ptr<TAxis> MbrPtrXAxis;
    std::unique_ptr<TAxis> MbrPtrYAxis;
    std::unique_ptr<TAxis> MbrPtrXAxisInterval;
    std::unique_ptr<TAxis> MbrPtrYAxisInterval;
    std::string MbrStrText;
    double MbrDblNoDataValue;
};

#endif
