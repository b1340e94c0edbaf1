#ifndef KORVEL_UTIL_TVECTORTOOLS_H
#define KORVEL_UTIL_TVECTORTOOLS_H

#include <string>
#include <vector>

// Operations on lists of numbers and strings: sums and means, membership
// tests, conversions, an arithmetic series, the element-wise product and the
// least-squares slope.
//
// Every operation is static and takes its lists by value, so the caller's
// lists are never changed; results are new lists or numbers. Sums run over
// the elements in list order starting from 0. Errors are thrown as
// const char* messages.
//
// What a caller must know:
// - VectorMean and VectorWeightedMean divide by the element count without a
//   guard: empty lists give NaN. VectorWeightedMean divides by the count, not
//   by the sum of the weights.
// - Gradient gives NaN when all x values are equal (one point, or none).
// - StringToInt and StringToDouble convert like atoi and atof (leading blanks
//   skipped, longest numeric prefix, 0 when there is none). Numbers that do
//   not fit an int are clamped to the int range; doubles that overflow give
//   +/-HUGE_VAL.
// - VectorSeries builds its elements as a running sum (start, start + step,
//   ...), so rounding may leave out an end that start + i * step would reach.
//   It throws for a step that is not positive (or NaN), for an infinite end
//   and when the step is too small to change the running sum, since the
//   series would otherwise never end.
class TVectorTools {
public:
    TVectorTools() = delete;

    // Sum of the elements; 0 for an empty list.
    static double SumVector(std::vector<double> VecDblValues);

    // SumVector divided by the count; NaN for an empty list.
    static double VectorMean(std::vector<double> VecDblValues);

    // Sum of value[i] * weight[i] divided by the count. Throws when the two
    // lists differ in length.
    static double VectorWeightedMean(std::vector<double> VecDblValues,
                                     std::vector<double> VecDblWeights);

    // True when some element equals DblValue exactly; NaN equals nothing.
    static bool HasValue(std::vector<double> VecDblValues, double DblValue);

    // True when some element equals IntValue.
    static bool HasValue(std::vector<int> VecIntValues, int IntValue);

    // Each string converted as by atoi (clamped to the int range).
    static std::vector<int> StringToInt(std::vector<std::string> VecStgValues);

    // Each string converted as by atof.
    static std::vector<double> StringToDouble(std::vector<std::string> VecStgValues);

    // Each element converted exactly.
    static std::vector<double> IntToDouble(std::vector<int> VecIntValues);

    // start, start + step, ... as a running sum, while the element is <= end.
    // start > end gives an empty list.
    static std::vector<double> VectorSeries(double DblStart, double DblEnd, double DblStep);

    // Element-wise product. Throws when the two lists differ in length.
    static std::vector<double> VectorProduct(std::vector<double> VecDblA,
                                             std::vector<double> VecDblB);

    // Slope of the ordinary least-squares line of y against x. Throws the
    // VectorProduct message when the two lists differ in length.
    static double Gradient(std::vector<double> VecDblX, std::vector<double> VecDblY);
};

#endif
