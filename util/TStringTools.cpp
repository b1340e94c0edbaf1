#include "util/TStringTools.h"

#include <cstddef>
#include <sstream>
#include <utility>

bool TStringTools::StgToBool(std::string StgText) {
    if (StgText == "1") {
        return true;
    }
    if (StgText == "0") {
        return false;
    }
    throw "Invalid boolean string in TStringTools::HasSubstring";
}

bool TStringTools::HasSubstring(std::string StgText, std::string StgPart) {
    return StgText.find(StgPart) != std::string::npos;
}

void TStringTools::ToUpper(std::string& StgText) {
    // The classic locale maps a to z and nothing else; doing it directly
    // avoids std::toupper's undefined behaviour on negative char values.
    for (char& ChrByte : StgText) {
        if (ChrByte >= 'a' && ChrByte <= 'z') {
            ChrByte = static_cast<char>(ChrByte - 'a' + 'A');
        }
    }
}

void TStringTools::Trim(std::string& StgText) {
    const std::size_t LngLast = StgText.find_last_not_of(' ');
    if (LngLast == std::string::npos) {
        StgText.clear();
        return;
    }
    StgText.erase(LngLast + 1);
    StgText.erase(0, StgText.find_first_not_of(' '));
}

std::string TStringTools::FindAndReplace(std::string StgText, std::string StgSearch,
                                         std::string StgReplacement) {
    if (StgSearch.empty()) {
        return StgText;
    }
    // Building the result from the untouched remainder of the text is the
    // same as searching the result just after each inserted replacement.
    std::string StgResult;
    std::size_t LngFrom = 0;
    std::size_t LngFound = StgText.find(StgSearch, LngFrom);
    while (LngFound != std::string::npos) {
        StgResult.append(StgText, LngFrom, LngFound - LngFrom);
        StgResult.append(StgReplacement);
        LngFrom = LngFound + StgSearch.size();
        LngFound = StgText.find(StgSearch, LngFrom);
    }
    StgResult.append(StgText, LngFrom, std::string::npos);
    return StgResult;
}

std::string TStringTools::ToString(long LngValue) {
    std::ostringstream StrOut;
    StrOut << LngValue;
    return StrOut.str();
}

std::string TStringTools::ToString(int IntValue) {
    std::ostringstream StrOut;
    StrOut << IntValue;
    return StrOut.str();
}

std::string TStringTools::ToString(double DblValue) {
    std::ostringstream StrOut;
    StrOut << DblValue;
    return StrOut.str();
}

void TStringTools::Tokenize(const std::string& StgText, std::vector<std::string>& VecStgTokens,
                            const std::string& StgDelimiters) {
    // The tokens are collected apart and handed over at the end, because
    // StgText or StgDelimiters may be elements of VecStgTokens.
    std::vector<std::string> VecStgFound;
    std::size_t LngStart = StgText.find_first_not_of(StgDelimiters);
    std::size_t LngEnd = StgText.find_first_of(StgDelimiters, LngStart);
    // When there is no token start there is no token end either.
    while (LngStart != std::string::npos) {
        VecStgFound.push_back(StgText.substr(LngStart, LngEnd - LngStart));
        LngStart = StgText.find_first_not_of(StgDelimiters, LngEnd);
        LngEnd = StgText.find_first_of(StgDelimiters, LngStart);
    }
    VecStgTokens = std::move(VecStgFound);
}
