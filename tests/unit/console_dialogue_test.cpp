#include "app/console/console_dialogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/fake_system.h"

namespace {

using hookline::AwaitEnter;
using hookline::ConsoleFailure;
using hookline::ShowLine;

class ConsoleDialogueTest : public testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }
  fake::System& fake_ = fake::State();
};

TEST_F(ConsoleDialogueTest, CatalogueIsSingleByteTextOfFixedLength) {
  EXPECT_EQ(hookline::UsagePrompt.size(), 69U);
  EXPECT_EQ(hookline::OpenFailedMessage.size(), 23U);
  EXPECT_EQ(hookline::ClosePrompt.size(), 31U);
  EXPECT_EQ(hookline::WriteFailedMessage.size(), 25U);
  EXPECT_EQ(hookline::WriteFailedMessage.substr(0, 4), "\x42\xB3\xB9\x64");
  EXPECT_EQ(hookline::WriteFailedMessage.back(), '.');
}

TEST_F(ConsoleDialogueTest, CharacterDeviceGetsEachLineAtOnce) {
  ShowLine(hookline::OpenFailedMessage);
  ShowLine(hookline::WriteFailedMessage);
  const std::vector<std::string> expected = {"Blad otwarcia portu COM\r\n",
                                             "B\xB3\xB9"
                                             "d zapisu do portu COM.\r\n"};
  EXPECT_EQ(fake_.output_writes, expected);
}

TEST_F(ConsoleDialogueTest, FileOrPipeGathersLinesUntilTheBufferFills) {
  fake_.output_kind = sys::OutputKind::Buffered;
  // 69 + 2 bytes, then 55 + 2: exactly 128, written the moment it is full.
  ShowLine(hookline::UsagePrompt);
  EXPECT_TRUE(fake_.output_writes.empty());
  const std::string fill(55, 'x');
  ShowLine(fill);
  ASSERT_EQ(fake_.output_writes.size(), 1U);
  EXPECT_EQ(fake_.output_writes[0].size(), 128U);

  // A line that straddles the end of the buffer: the first 128 bytes go when
  // the buffer fills, the rest stays until the end of the run.
  ShowLine(std::string(100, 'a'));
  ShowLine(std::string(30, 'b'));
  ASSERT_EQ(fake_.output_writes.size(), 2U);
  EXPECT_EQ(fake_.output_writes[1],
            std::string(100, 'a') + "\r\n" + std::string(26, 'b'));
  EXPECT_THROW(hookline::EndRun(), fake::ProcessEnded);
  ASSERT_EQ(fake_.output_writes.size(), 3U);
  EXPECT_EQ(fake_.output_writes[2], "bbbb\r\n");
}

TEST_F(ConsoleDialogueTest, OutputOfUnknownKindIsAConsoleFailure) {
  fake_.output_kind = sys::OutputKind::Unknown;
  try {
    ShowLine(hookline::ClosePrompt);
    FAIL() << "no failure";
  } catch (const ConsoleFailure& failure) {
    EXPECT_EQ(failure.operation(), ConsoleFailure::Operation::QueryOutput);
  }
  EXPECT_TRUE(fake_.output_writes.empty());
}

TEST_F(ConsoleDialogueTest, RefusedWriteIsAConsoleFailureWithItsCode) {
  fake_.failing_output_writes = {0};
  try {
    ShowLine(hookline::ClosePrompt);
    FAIL() << "no failure";
  } catch (const ConsoleFailure& failure) {
    EXPECT_EQ(failure.operation(), ConsoleFailure::Operation::WriteOutput);
    EXPECT_EQ(failure.error(), static_cast<sys::ErrorCode>(ENOSPC));
  }
}

// The input arrives in the given blocks; after each wait, the total count of
// reads so far must be as listed.
struct WaitCase {
  const char* name;
  std::vector<std::string> blocks;
  std::vector<std::size_t> reads_after_each_wait;
};

void PrintTo(const WaitCase& c, std::ostream* out) { *out << c.name; }

class AwaitEnterTest : public testing::TestWithParam<WaitCase> {
 protected:
  void SetUp() override { fake::Reset(); }
};

TEST_P(AwaitEnterTest, EndsAtCarriageReturnOrEndOfInput) {
  for (const std::string& block : GetParam().blocks) {
    fake::State().input.push_back({block});
  }
  std::vector<std::size_t> reads;
  for (std::size_t i = 0; i < GetParam().reads_after_each_wait.size(); ++i) {
    AwaitEnter();
    reads.push_back(fake::State().read_capacities.size());
  }
  EXPECT_EQ(reads, GetParam().reads_after_each_wait);
  for (const std::size_t capacity : fake::State().read_capacities) {
    EXPECT_EQ(capacity, 128U);
  }
}

const WaitCase WaitCases[] = {
    // Enter, and a second line already in the buffer for the next wait.
    {"CarriageReturnEndsTheWait", {"abc\r\nnext\r"}, {1, 1, 2}},
    // Never waits for more input only to look for the LF.
    {"CrAtEndOfBlockDoesNotReadOn", {"abc\r", "\ndef\r"}, {1, 2}},
    {"CharacterAfterCrIsLeftForNextWait", {"\rX\r"}, {1, 1}},
    {"LineFeedAloneDoesNotEndTheWait", {"one\n", "two\n", "\r"}, {3}},
    {"CrLfAcrossManyBlocks", {"a", "b", "c", "\r", "\n", "\r"}, {4, 6}},
    {"EndOfInputEndsEveryWaitAtOnce", {}, {1, 1, 1}},
    {"EndOfInputAfterText", {"no line end"}, {2, 2}},
    {"CtrlZIsEndOfInput", {"ab\x1A\r", "more\r"}, {1, 1}},
    {"FullBlockThenCr", {std::string(128, 'x'), "\r"}, {2}},
};

INSTANTIATE_TEST_SUITE_P(Table, AwaitEnterTest, testing::ValuesIn(WaitCases),
                         [](const auto& info) { return info.param.name; });

TEST_F(ConsoleDialogueTest, RefusedReadIsAConsoleFailure) {
  fake_.input = {{"", 5}};
  try {
    AwaitEnter();
    FAIL() << "no failure";
  } catch (const ConsoleFailure& failure) {
    EXPECT_EQ(failure.operation(), ConsoleFailure::Operation::ReadInput);
    EXPECT_EQ(failure.error(), 5U);
  }
}

TEST_F(ConsoleDialogueTest, AwaitEnterDoesNotFlushBufferedOutput) {
  fake_.output_kind = sys::OutputKind::Buffered;
  fake_.input = {{"\r"}};
  ShowLine(hookline::ClosePrompt);
  AwaitEnter();
  EXPECT_TRUE(fake_.output_writes.empty());
}

}  // namespace
