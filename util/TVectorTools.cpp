#include "util/TVectorTools.h"

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <utility>

double TVectorTools::SumVector(std::vector<double> VecDblValues) {
    double DblSum = 0.0;
    for (const double DblValue : VecDblValues) {
        DblSum += DblValue;
    }
    return DblSum;
}

double TVectorTools::VectorMean(std::vector<double> VecDblValues) {
    const double DblCount = static_cast<double>(VecDblValues.size());
    return SumVector(std::move(VecDblValues)) / DblCount;
}

double TVectorTools::VectorWeightedMean(std::vector<double> VecDblValues,
                                        std::vector<double> VecDblWeights) {
    if (VecDblValues.size() != VecDblWeights.size()) {
        throw "Length of value and weight vectors do not match in TVectorTools::WeightedMean";
    }
    double DblSum = 0.0;
    for (std::size_t LngI = 0; LngI < VecDblValues.size(); ++LngI) {
        DblSum += VecDblValues[LngI] * VecDblWeights[LngI];
    }
    return DblSum / static_cast<double>(VecDblValues.size());
}

bool TVectorTools::HasValue(std::vector<double> VecDblValues, double DblValue) {
    for (const double DblElement : VecDblValues) {
        if (DblElement == DblValue) {
            return true;
        }
    }
    return false;
}

bool TVectorTools::HasValue(std::vector<int> VecIntValues, int IntValue) {
    for (const int IntElement : VecIntValues) {
        if (IntElement == IntValue) {
            return true;
        }
    }
    return false;
}

std::vector<int> TVectorTools::StringToInt(std::vector<std::string> VecStgValues) {
    std::vector<int> VecIntResult;
    VecIntResult.reserve(VecStgValues.size());
    for (const std::string& StgValue : VecStgValues) {
        // strtol parses like atoi but reports overflow (as LONG_MIN/LONG_MAX)
        // instead of leaving it undefined; the result is clamped to int.
        const long LngValue = std::strtol(StgValue.c_str(), nullptr, 10);
        if (LngValue > INT_MAX) {
            VecIntResult.push_back(INT_MAX);
        } else if (LngValue < INT_MIN) {
            VecIntResult.push_back(INT_MIN);
        } else {
            VecIntResult.push_back(static_cast<int>(LngValue));
        }
    }
    return VecIntResult;
}

std::vector<double> TVectorTools::StringToDouble(std::vector<std::string> VecStgValues) {
    std::vector<double> VecDblResult;
    VecDblResult.reserve(VecStgValues.size());
    for (const std::string& StgValue : VecStgValues) {
        // strtod is atof with a defined result on overflow (+/-HUGE_VAL).
        VecDblResult.push_back(std::strtod(StgValue.c_str(), nullptr));
    }
    return VecDblResult;
}

std::vector<double> TVectorTools::IntToDouble(std::vector<int> VecIntValues) {
    return std::vector<double>(VecIntValues.begin(), VecIntValues.end());
}

std::vector<double> TVectorTools::VectorSeries(double DblStart, double DblEnd, double DblStep) {
    if (!(DblStep > 0.0)) {
        throw "Step must be greater than 0.0 in TVectorTools::VectorSeries";
    }
    if (DblStart <= DblEnd && DblEnd == std::numeric_limits<double>::infinity()) {
        throw "End of series must be finite in TVectorTools::VectorSeries";
    }
    std::vector<double> VecDblResult;
    double DblValue = DblStart;
    while (DblValue <= DblEnd) {
        VecDblResult.push_back(DblValue);
        const double DblNext = DblValue + DblStep;
        if (DblNext == DblValue) {
            throw "Step is too small to advance the series in TVectorTools::VectorSeries";
        }
        DblValue = DblNext;
    }
    return VecDblResult;
}

std::vector<double> TVectorTools::VectorProduct(std::vector<double> VecDblA,
                                                std::vector<double> VecDblB) {
    if (VecDblA.size() != VecDblB.size()) {
        throw "Length of vectors does not match in TVectorTools::VectorProduct";
    }
    std::vector<double> VecDblResult;
    VecDblResult.reserve(VecDblA.size());
    for (std::size_t LngI = 0; LngI < VecDblA.size(); ++LngI) {
        VecDblResult.push_back(VecDblA[LngI] * VecDblB[LngI]);
    }
    return VecDblResult;
}

double TVectorTools::Gradient(std::vector<double> VecDblX, std::vector<double> VecDblY) {
    const double DblSx = SumVector(VecDblX);
    const double DblSy = SumVector(VecDblY);
    const double DblSxx = SumVector(VectorProduct(VecDblX, VecDblX));
    const double DblSxy = SumVector(VectorProduct(VecDblX, VecDblY));
    const double DblN = static_cast<double>(VecDblY.size());
    return (DblN * DblSxy - DblSx * DblSy) / (DblN * DblSxx - DblSx * DblSx);
}
