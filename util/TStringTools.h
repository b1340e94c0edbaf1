#ifndef KORVEL_UTIL_TSTRINGTOOLS_H
#define KORVEL_UTIL_TSTRINGTOOLS_H

#include <string>
#include <vector>

// Text utilities on std::string: a strict boolean parser, a substring test,
// upper-casing, trimming of blanks, search and replace, number-to-text
// conversion and tokenizing.
//
// Every operation is static. Texts passed by value are copies; only ToUpper,
// Trim and the token list of Tokenize change what the caller holds. Errors
// are thrown as const char* messages.
//
// What a caller must know:
// - StgToBool accepts exactly "1" and "0". Its error message names
//   HasSubstring; callers may match on that text, so it stays as it is.
// - ToUpper works byte by byte in the classic locale: only a to z change.
// - Trim removes the space character only; tabs and line ends stay.
// - FindAndReplace replaces left to right without overlaps and never searches
//   text it has inserted. An empty search text leaves the text unchanged.
// - ToString writes as a default output stream does: doubles with at most
//   six significant digits (printf %g).
// - Tokenize replaces the whole token list; the text or the delimiters may be
//   elements of that list.
class TStringTools {
public:
    TStringTools() = delete;

    // "1" gives true, "0" gives false, anything else throws.
    static bool StgToBool(std::string StgText);

    // True when StgPart occurs in StgText; an empty part always occurs.
    static bool HasSubstring(std::string StgText, std::string StgPart);

    // Upper-cases a to z in place.
    static void ToUpper(std::string& StgText);

    // Removes leading and trailing space characters in place.
    static void Trim(std::string& StgText);

    // A copy of StgText with every occurrence of StgSearch replaced.
    static std::string FindAndReplace(std::string StgText, std::string StgSearch,
                                      std::string StgReplacement);

    static std::string ToString(long LngValue);
    static std::string ToString(int IntValue);
    static std::string ToString(double DblValue);

    // Fills VecStgTokens with the maximal runs of characters of StgText that
    // are not in StgDelimiters (a set of characters), in order. No empty
    // tokens are produced.
    static void Tokenize(const std::string& StgText, std::vector<std::string>& VecStgTokens,
                         const std::string& StgDelimiters);
};

#endif
