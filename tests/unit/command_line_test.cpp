#include "sys/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SplitCase {
  const char* name;
  std::string line;
  std::vector<std::string> words;
};

void PrintTo(const SplitCase& c, std::ostream* out) { *out << c.name; }

class SplitCommandLineTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, SplitsIntoWords) {
  EXPECT_EQ(sys::SplitCommandLine(GetParam().line), GetParam().words);
}

const SplitCase Cases[] = {
    {"Plain", "hookline com3", {"hookline", "com3"}},
    {"Empty", "", {}},
    {"OnlySeparators", " \t\x01\x1F ", {}},
    {"SeparatorRuns", "  hookline \t\x01 com3\x1F\x20", {"hookline", "com3"}},
    {"QuotedProgramPath",
     R"("C:\Program Files\hookline.exe" com3)",
     {R"(C:\Program Files\hookline.exe)", "com3"}},
    {"QuotedArgument", R"(hookline "com3")", {"hookline", "com3"}},
    {"OnlyQuotePair", R"(hookline "")", {"hookline"}},
    {"QuotePairsSkippedBeforeWord",
     R"(hookline "" "" com3)",
     {"hookline", "com3"}},
    {"QuotePairAtWordStart", R"(hookline ""com3)", {"hookline", "com3"}},
    {"QuotePairThenQuotedStretch",
     R"(hookline """com 3")",
     {"hookline", "com 3"}},
    {"QuotesInsideWord",
     R"(hookline co"m 3"x a""b)",
     {"hookline", "com 3x", "ab"}},
    {"UnclosedQuoteRunsToEnd", R"(hookline "com 3 )", {"hookline", "com 3 "}},
    {"LoneQuoteAtEndIsEmptyWord", R"(hookline ")", {"hookline", ""}},
    {"SeveralArguments", "hookline com3 com4", {"hookline", "com3", "com4"}},
    {"HighBytesBelongToWords",
     "hookline \xB3\x80"
     "com\xFF",
     {"hookline",
      "\xB3\x80"
      "com\xFF"}},
    {"DevicePath", R"(hookline \\.\COM10)", {"hookline", R"(\\.\COM10)"}},
    {"ZeroEndsTheLine", std::string("hookline\0com3", 13), {"hookline"}},
};

INSTANTIATE_TEST_SUITE_P(Table, SplitCommandLineTest, testing::ValuesIn(Cases),
                         [](const auto& info) { return info.param.name; });

}  // namespace
