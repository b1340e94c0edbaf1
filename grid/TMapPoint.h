#ifndef KORVEL_GRID_TMAPPOINT_H
#define KORVEL_GRID_TMAPPOINT_H

#include "grid/TPoint.h"

// A point that also carries one map value.
class TMapPoint : public TPoint {
public:
    TMapPoint(double x, double y) : TPoint(x, y), MbrDblValue(0.0) {}
    TMapPoint(double x, double y, double value) : TPoint(x, y), MbrDblValue(value) {}

    double GetValue() const { return MbrDblValue; }
    void SetValue(double value) { MbrDblValue = value; }

    // A new TMapPoint with the same x, y and value; the caller owns it.
    TPoint* Clone() const override;

private:
    double MbrDblValue;
};

#endif
