#include "app/offhook_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/console/console_dialogue.h"
#include "tests/unit/fake_system.h"

namespace {

using Log = std::vector<std::string>;

const std::string Usage1 = "out " + std::string(hookline::UsagePrompt) + "\r\n";
const std::string Usage2 =
    "out " + std::string(hookline::UsageExample) + "\r\n";
const std::string OpenFailed =
    "out " + std::string(hookline::OpenFailedMessage) + "\r\n";
const std::string WriteFailed =
    "out " + std::string(hookline::WriteFailedMessage) + "\r\n";
const std::string Prompt = "out " + std::string(hookline::ClosePrompt) + "\r\n";
const std::string Command = "write-port ATH1\r\n";

class RunTest : public testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }
  fake::System& fake_ = fake::State();
};

TEST_F(RunTest, WithoutArgumentShowsUsageAndWaitsWithoutTouchingAPort) {
  for (const auto& arguments :
       {std::vector<std::string>{}, std::vector<std::string>{"", ""}}) {
    fake::Reset();
    EXPECT_EQ(fake::Run(arguments), 0);
    EXPECT_EQ(fake_.log,
              (Log{"output-kind", Usage1, Usage2, "read", "exit 0"}));
  }
}

TEST_F(RunTest, SuccessfulRunWritesSixBytesOnceAndClosesAfterTheWait) {
  fake_.input = {{"\r\n"}};
  EXPECT_EQ(fake::Run({"com3", "com4", "ignored"}), 0);
  EXPECT_EQ(fake_.log, (Log{"open com3", Command, "output-kind", Prompt, "read",
                            "close", "exit 0"}));
  ASSERT_EQ(fake_.port_writes.size(), 1U);
  EXPECT_EQ(fake_.port_writes[0], std::string("\x41\x54\x48\x31\x0D\x0A"));
}

TEST_F(RunTest, NameIsHandedOverUnchanged) {
  const std::string name = "  \\\\.\\COM10 \xB3\"";
  fake::Run({name});
  EXPECT_EQ(fake_.log.front(), "open " + name);
}

TEST_F(RunTest, FailedOpenReportsWaitsAndEndsOrdinarily) {
  fake_.open_fails = true;
  EXPECT_EQ(fake::Run({"com9"}), 0);
  EXPECT_EQ(fake_.log,
            (Log{"open com9", "output-kind", OpenFailed, "read", "exit 0"}));
}

TEST_F(RunTest, FailedOrShortWriteIsReportedAndThePortStillClosed) {
  for (const bool refused : {true, false}) {
    fake::Reset();
    fake_.write_fails = refused;
    fake_.short_write = refused ? UINT32_MAX : 5;
    EXPECT_EQ(fake::Run({"com3"}), 0);
    EXPECT_EQ(fake_.log, (Log{"open com3", Command, "output-kind", WriteFailed,
                              Prompt, "read", "close", "exit 0"}))
        << (refused ? "refused write" : "short write");
  }
}

TEST_F(RunTest, ConsoleFailureInSendStepStillRunsTheClosingSequence) {
  fake_.write_fails = true;
  fake_.failing_output_writes = {0};  // WriteFailedMessage
  EXPECT_EQ(fake::Run({"com3"}), 1);
  const Log expected = {"open com3", Command, "output-kind", WriteFailed,
                        Prompt,      "read",  "close"};
  ASSERT_GE(fake_.log.size(), expected.size());
  EXPECT_EQ(Log(fake_.log.begin(), fake_.log.begin() + 7), expected);
  EXPECT_EQ(fake_.log.back(), "exit 1");
}

TEST_F(RunTest, ConsoleFailureInClosingSequenceLeavesThePortToTheSystem) {
  struct Case {
    const char* what;
    std::set<std::size_t> failing_writes;
    std::vector<fake::Read> input;
  };
  for (const Case& c :
       {Case{"prompt refused", {0}, {}}, Case{"read refused", {}, {{"", 5}}}}) {
    fake::Reset();
    fake_.failing_output_writes = c.failing_writes;
    fake_.input = c.input;
    EXPECT_EQ(fake::Run({"com3"}), 1) << c.what;
    EXPECT_EQ(fake_.closes, 0) << c.what;
    EXPECT_EQ(fake_.log.back(), "exit 1") << c.what;
  }
}

TEST_F(RunTest, ConsoleFailureEndsWithAReportOnStandardOutput) {
  fake_.output_kind = sys::OutputKind::Buffered;
  fake_.input = {{"", 5}};
  EXPECT_EQ(fake::Run({}), 1);
  // The gathered usage lines first, then the report.
  const std::string usage = std::string(hookline::UsagePrompt) + "\r\n" +
                            std::string(hookline::UsageExample) + "\r\n";
  EXPECT_EQ(
      fake_.output,
      usage + "Blad konsoli: odczyt ze standardowego wejscia (kod 5)\r\n");
}

TEST_F(RunTest, BufferedOutputThatCannotBeWrittenAtTheEndIsAFailure) {
  fake_.output_kind = sys::OutputKind::Buffered;
  fake_.failing_output_writes = {0, 1};
  EXPECT_EQ(fake::Run({"com3"}), 1);
  EXPECT_EQ(fake_.closes, 1);
  EXPECT_TRUE(fake_.output.empty());
}

TEST_F(RunTest, ConsoleFailureOnUsagePathOrAfterFailedOpen) {
  for (const bool open_failed : {false, true}) {
    fake::Reset();
    fake_.open_fails = open_failed;
    fake_.output_kind = sys::OutputKind::Unknown;
    EXPECT_EQ(fake::Run(open_failed ? std::vector<std::string>{"com9"}
                                    : std::vector<std::string>{}),
              1);
    EXPECT_EQ(fake_.closes, 0);
    EXPECT_TRUE(fake_.port_writes.empty());
  }
}

}  // namespace
