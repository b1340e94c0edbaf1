#include "grid/TMap.h"

#include <cassert>
#include <cmath>

#include "grid/TAxisTools.h"


TMap::TMap(double resolution)
    : MbrDblResolution(resolution), MbrLngXDim(0), MbrLngYDim(0), MbrDblNoDataValue(-9999.0) {}

TMap::TMap(double resolution, long LngXDim, long LngYDim)
    : MbrDblResolution(resolution), MbrLngXDim(0), MbrLngYDim(0), MbrDblNoDataValue(-9999.0) {
    Init(resolution, LngXDim, LngYDim, -9999.0);
}

TMap::TMap(TAxis* xaxis, TAxis* yaxis)
    : MbrDblResolution(0.0), MbrLngXDim(0), MbrLngYDim(0), MbrDblNoDataValue(-9999.0) {
    if (!(xaxis->GetResolution() == yaxis->GetResolution()))
        throw "Axes resolutions do not match in TMap::TMap";
    Init(xaxis->GetResolution(), xaxis->GetSize(), yaxis->GetSize(), -9999.0);
    SetXAxis(xaxis);
    SetYAxis(yaxis);
}

TMap::~TMap() = default;

void TMap::Init(double resolution, long LngXDim, long LngYDim, double value) {
    MbrDblResolution = resolution;
    MbrLngXDim = LngXDim;
    MbrLngYDim = LngYDim;
    MbrDblNoDataValue = value;
    MbrPtrXAxis.reset();
    MbrPtrYAxis.reset();
    MbrPtrXAxisInterval.reset();
    MbrPtrYAxisInterval.reset();
    if (LngYDim < 0) MbrLngYDim = 0;
    if (LngXDim < 0) MbrLngXDim = 0;
    const size_t rows = static_cast<size_t>(MbrLngYDim);
    const size_t columns = static_cast<size_t>(MbrLngXDim);
    std::vector<double> values(rows * columns, value);
    std::vector<size_t> starts(rows + 1);
    for (size_t r = 0; r <= rows; ++r) starts[r] = r * columns;
    MbrVecValues.swap(values);
    MbrVecRowStarts.swap(starts);
}

void TMap::InitValues(double value) {
    for (double& cell : MbrVecValues) cell = value;
}

std::vector<double> TMap::GetRow(long LngY) const {
    if (LngY < 0 || LngY >= MbrLngYDim) throw "Index is out of bounds in TMap::GetRow";
    return std::vector<double>(GetRowData(LngY), GetRowData(LngY) + GetRowLength(LngY));
}

void TMap::AddRow(std::vector<double> row) {
    MbrVecRowStarts.reserve(MbrVecRowStarts.size() + 1);
    MbrVecValues.insert(MbrVecValues.end(), row.begin(), row.end());
    MbrVecRowStarts.push_back(MbrVecValues.size());
    if (MbrLngXDim == 0) MbrLngXDim = static_cast<long>(row.size());
    ++MbrLngYDim;
}

void TMap::RequireAxes(const char* message) const {
    if (!MbrPtrXAxis || !MbrPtrYAxis || !MbrPtrXAxisInterval || !MbrPtrYAxisInterval) throw message;
}

TPoint* TMap::GetCoordinates(long LngX, long LngY) const {
    RequireAxes("Map has no axes in TMap::GetCoordinates");
    if (LngX < 0 || LngX >= MbrPtrXAxis->GetSize()) throw "LngX is out of range for the X-axis in TMap::GetCoordinates";
    if (LngY < 0 || LngY >= MbrPtrYAxis->GetSize()) throw "LngY is out of range for the Y-axis in TMap::GetCoordinates";
    return new TPoint(MbrPtrXAxis->GetPoint(LngX)->GetX(), MbrPtrYAxis->GetPoint(LngY)->GetY());
}

TMapPoint* TMap::GetPoint(long LngX, long LngY) const {
    if (LngX < 0 || LngX >= MbrLngXDim) throw "LngX is out of range in TMap::GetPoint (long,long)";
    if (LngY < 0 || LngY >= MbrLngYDim) throw "LngY is out of range in TMap::GetPoint (long,long)";
    RequireAxes("Map has no axes in TMap::GetPoint (long,long)");
    const double value = GetPointVal(LngX, LngY);
    return new TMapPoint(MbrPtrXAxis->GetPoint(LngX)->GetX(), MbrPtrYAxis->GetPoint(LngY)->GetY(), value);
}

long TMap::GetIndex(double ordinate, char axis) const {
    RequireAxes("Map has no axes in TMap::GetIndex");
    if (axis == 'X') return MbrPtrXAxisInterval->GetIndex(ordinate, 'X');
    return MbrPtrYAxisInterval->GetIndex(ordinate, axis);
}

double TMap::GetPointVal(TPoint* point) const {
    RequireAxes("Map has no axes in TMap::GetPointVal");
    const long LngX = MbrPtrXAxisInterval->GetIndex(point->GetX(), 'X');
    const long LngY = MbrPtrYAxisInterval->GetIndex(point->GetY(), 'Y');
    if (LngX < 0 || LngX >= MbrLngXDim) throw "LngX is out of range in TMap::GetPointVal";
    if (LngY < 0 || LngY >= MbrLngYDim) throw "LngY is out of range in TMap::GetPointVal";
    return GetPointVal(LngX, LngY);
}

TMapPoint* TMap::GetPoint(TPoint* point) const {
    RequireAxes("Map has no axes in TMap::GetPoint (TPoint*)");
    const long LngX = MbrPtrXAxisInterval->GetIndex(point->GetX(), 'X');
    const long LngY = MbrPtrYAxisInterval->GetIndex(point->GetY(), 'Y');
    if (LngX < 0 || LngX >= MbrLngXDim) throw "LngX is out of range in TMap::GetPoint (TPoint*)";
    if (LngY < 0 || LngY >= MbrLngYDim) throw "LngY is out of range in TMap::GetPoint (TPoint*)";
    return new TMapPoint(point->GetX(), point->GetY(), GetPointVal(LngX, LngY));
}

void TMap::SetPoint(TPoint* point, double value) {
    RequireAxes("Map has no axes in TMap::SetPoint");
    const long LngX = MbrPtrXAxisInterval->GetIndex(point->GetX(), 'X');
    const long LngY = MbrPtrYAxisInterval->GetIndex(point->GetY(), 'Y');
    SetPoint(LngX, LngY, value);
}

std::vector<double> TMap::GetPointValues(std::vector<TPoint*> points) const {
    std::vector<double> values;
    values.reserve(points.size());
    for (TPoint* point : points) values.push_back(GetPointVal(point));
    return values;
}

void TMap::CheckAxes() const {
    assert(!MbrPtrXAxis || MbrPtrXAxis -> GetSize () == MbrLngXDim);
    assert(!MbrPtrXAxisInterval || MbrPtrXAxisInterval -> GetSize () == MbrLngXDim + 1);
    assert(!MbrPtrYAxis || MbrPtrYAxis -> GetSize () == MbrLngYDim);
    assert(!MbrPtrYAxisInterval || MbrPtrYAxisInterval -> GetSize () == MbrLngYDim + 1);
}

void TMap::SetXAxis(TAxis* axis) {
    if (axis->GetSize() != MbrLngXDim) throw "Length of new X axis does not match the X dimension of the map";
    std::unique_ptr<TAxis> centres(axis->Clone());
    std::unique_ptr<TAxis> intervals(TAxisTools::PointsToIntervals(axis, 'X'));
    MbrPtrXAxis = std::move(centres);
    MbrPtrXAxisInterval = std::move(intervals);
    CheckAxes();
}

void TMap::SetYAxis(TAxis* axis) {
    if (axis->GetSize() != MbrLngYDim) throw "Length of new Y axis does not match the Y dimension of the map";
    std::unique_ptr<TAxis> centres(axis->Clone());
    std::unique_ptr<TAxis> intervals(TAxisTools::PointsToIntervals(axis, 'Y'));
    MbrPtrYAxis = std::move(centres);
    MbrPtrYAxisInterval = std::move(intervals);
    CheckAxes();
}

void TMap::SetXAxisInterval(TAxis* axis) {
    if (axis->GetSize() != MbrLngXDim + 1) throw "Length of new X interval axis does not fit the X dimension of the map";
    std::unique_ptr<TAxis> intervals(axis->Clone());
    std::unique_ptr<TAxis> centres(TAxisTools::IntervalsToPoints(axis, 'X'));
    MbrPtrXAxisInterval = std::move(intervals);
    MbrPtrXAxis = std::move(centres);
    CheckAxes();
}

void TMap::SetYAxisInterval(TAxis* axis) {
    if (axis->GetSize() != MbrLngYDim + 1) throw "Length of new Y interval axis does not fit the Y dimension of the map";
    std::unique_ptr<TAxis> intervals(axis->Clone());
    std::unique_ptr<TAxis> centres(TAxisTools::IntervalsToPoints(axis, 'Y'));
    MbrPtrYAxisInterval = std::move(intervals);
    MbrPtrYAxis = std::move(centres);
    CheckAxes();
}

void TMap::CopyAxes(const TMap* source) {
    if (source->MbrLngXDim != MbrLngXDim) throw "X dimensions differ in TMap::CopyAxes";
    if (source->MbrLngYDim != MbrLngYDim) throw "Y dimensions differ in TMap::CopyAxes";
    auto copy = [](const std::unique_ptr<TAxis>& axis) {
        return std::unique_ptr<TAxis>(axis ? axis->Clone() : nullptr);
    };
    std::unique_ptr<TAxis> x = copy(source->MbrPtrXAxis);
    std::unique_ptr<TAxis> y = copy(source->MbrPtrYAxis);
    std::unique_ptr<TAxis> xi = copy(source->MbrPtrXAxisInterval);
    std::unique_ptr<TAxis> yi = copy(source->MbrPtrYAxisInterval);
    MbrPtrXAxis = std::move(x);
    MbrPtrYAxis = std::move(y);
    MbrPtrXAxisInterval = std::move(xi);
    MbrPtrYAxisInterval = std::move(yi);
    CheckAxes();
}
