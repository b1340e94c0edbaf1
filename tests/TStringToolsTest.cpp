#include "util/TStringTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

using testsupport::ThrownMessage;

namespace {

TEST(TStringToolsStgToBool, AcceptsOnlyOneAndZero) {
    EXPECT_TRUE(TStringTools::StgToBool("1"));
    EXPECT_FALSE(TStringTools::StgToBool("0"));
}

TEST(TStringToolsStgToBool, RejectsEverythingElse) {
    const char* Texts[] = {"", "01", "1 ", " 1", "yes", "true", "10", "-1"};
    for (const char* Text : Texts) {
        SCOPED_TRACE(Text);
        EXPECT_EQ("Invalid boolean string in TStringTools::HasSubstring",
                  ThrownMessage([Text] { TStringTools::StgToBool(Text); }));
    }
    // A 1 followed by a NUL byte is not the text "1".
    EXPECT_EQ("Invalid boolean string in TStringTools::HasSubstring",
              ThrownMessage([] { TStringTools::StgToBool(std::string("1\0", 2)); }));
}

TEST(TStringToolsHasSubstring, ContiguousByteRuns) {
    struct Case {
        const char* Text;
        const char* Part;
        bool Expected;
    };
    const Case Cases[] = {
        {"abcdef", "cde", true}, {"abcdef", "abcdef", true}, {"abcdef", "ace", false},
        {"abc", "", true},       {"", "", true},             {"abc", "abcd", false},
        {"abc", "B", false},     {"aab", "ab", true},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string(C.Text) + " / " + C.Part);
        EXPECT_EQ(C.Expected, TStringTools::HasSubstring(C.Text, C.Part));
    }
}

TEST(TStringToolsToUpper, OnlyAsciiLettersChange) {
    std::string Text = "abc-Z9";
    TStringTools::ToUpper(Text);
    EXPECT_EQ("ABC-Z9", Text);

    std::string Bytes = "z\xE9\xFF`{ q";
    TStringTools::ToUpper(Bytes);
    EXPECT_EQ("Z\xE9\xFF`{ Q", Bytes);
}

TEST(TStringToolsTrim, RemovesSpacesOnly) {
    struct Case {
        std::string Text;
        std::string Expected;
    };
    const Case Cases[] = {
        {"   ", ""},         {"", ""},         {" x ", "x"},   {"\tx ", "\tx"},
        {"  a b  ", "a b"}, {"x\n", "x\n"},   {"x", "x"},     {" \t ", "\t"},
    };
    for (const Case& C : Cases) {
        std::string Text = C.Text;
        TStringTools::Trim(Text);
        EXPECT_EQ(C.Expected, Text) << "trimming [" << C.Text << "]";
    }
}

TEST(TStringToolsFindAndReplace, LeftToRightWithoutRescanning) {
    struct Case {
        const char* Text;
        const char* Search;
        const char* Replacement;
        const char* Expected;
    };
    const Case Cases[] = {
        {"aaa", "a", "aa", "aaaaaa"},
        {"aaa", "aa", "b", "ba"},
        {"abc", "x", "y", "abc"},
        {"a.b.c", ".", "", "abc"},
        {"in_1.asc", ".asc", ".txt", "in_1.txt"},
        {"abab", "ab", "ba", "baba"},
        {"", "a", "b", ""},
        {"abc", "abc", "", ""},
    };
    for (const Case& C : Cases) {
        EXPECT_EQ(C.Expected, TStringTools::FindAndReplace(C.Text, C.Search, C.Replacement))
            << C.Text << " / " << C.Search << " / " << C.Replacement;
    }
}

TEST(TStringToolsFindAndReplace, EmptySearchLeavesTextUnchanged) {
    EXPECT_EQ("abc", TStringTools::FindAndReplace("abc", "", "x"));
    EXPECT_EQ("", TStringTools::FindAndReplace("", "", "x"));
}

TEST(TStringToolsToString, Integers) {
    EXPECT_EQ("0", TStringTools::ToString(0));
    EXPECT_EQ("-42", TStringTools::ToString(-42));
    EXPECT_EQ("2147483647", TStringTools::ToString(std::numeric_limits<int>::max()));
    EXPECT_EQ("-42", TStringTools::ToString(-42L));
    EXPECT_EQ(std::to_string(std::numeric_limits<long>::min()),
              TStringTools::ToString(std::numeric_limits<long>::min()));
}

TEST(TStringToolsToString, DoublesAsGeneralWithSixDigits) {
    struct Case {
        double Value;
        const char* Expected;
    };
    const Case Cases[] = {
        {100.0, "100"},          {0.5, "0.5"},        {3.14159265, "3.14159"},
        {1234567.0, "1.23457e+06"}, {0.0001, "0.0001"}, {0.00001, "1e-05"},
        {123456.0, "123456"},    {-2.5, "-2.5"},      {0.0, "0"},
        {1e100, "1e+100"},       {-9999.0, "-9999"},
    };
    for (const Case& C : Cases) {
        EXPECT_EQ(C.Expected, TStringTools::ToString(C.Value));
    }
}

TEST(TStringToolsTokenize, MaximalRunsOfNonDelimiters) {
    struct Case {
        std::string Text;
        std::string Delimiters;
        std::vector<std::string> Expected;
    };
    const Case Cases[] = {
        {",a,,b,", ",", {"a", "b"}},
        {"", ",", {}},
        {",,,", ",", {}},
        {"a b", "", {"a b"}},
        {"", "", {}},
        {"x=1; y=2", "; =", {"x", "1", "y", "2"}},
        {"abc", ",", {"abc"}},
        // The delimiter string is a set of characters, not a sequence.
        {"a;,b,;c", ",;", {"a", "b", "c"}},
    };
    for (const Case& C : Cases) {
        std::vector<std::string> Tokens{"old", "entries"};
        TStringTools::Tokenize(C.Text, Tokens, C.Delimiters);
        EXPECT_EQ(C.Expected, Tokens) << "[" << C.Text << "] split by [" << C.Delimiters << "]";
    }
}

TEST(TStringToolsTokenize, TextAndDelimitersMayComeFromTheTokenList) {
    // Both arguments refer to elements of the list being replaced.
    std::vector<std::string> Tokens{"first long entry, second long entry, third long entry",
                                    ", "};
    TStringTools::Tokenize(Tokens[0], Tokens, Tokens[1]);
    EXPECT_EQ((std::vector<std::string>{"first", "long", "entry", "second", "long", "entry",
                                        "third", "long", "entry"}),
              Tokens);
}

}  // namespace
