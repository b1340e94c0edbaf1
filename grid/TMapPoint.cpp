#include "grid/TMapPoint.h"

TPoint* TMapPoint::Clone() const { return new TMapPoint(GetX(), GetY(), MbrDblValue); }
