// The executable driven from outside: modes, exit codes and the log it leaves.
#include <gtest/gtest.h>

#include "base/untGlobal.h"
#include "base/untText.h"
#include "testkit/WinTestSupport.h"

TEST(Startup, EnsureMTUWithNothingToChangeLogsOneLineAndExitsZero) {
  auto result = RunProcess(ClientExe(), L"--ensure-mtu", 60000);
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(0u, result.exitCode);
  auto lines = LogLines();
  ASSERT_EQ(1u, lines.size());
  const std::string message = " nothing to do with mtu";
  ASSERT_GT(lines[0].size(), message.size());
  EXPECT_EQ(message, lines[0].substr(lines[0].size() - message.size()));
  EXPECT_TRUE(isdigit(static_cast<unsigned char>(lines[0][0]))) << lines[0];
}

TEST(Startup, UnknownOrMiscapitalisedOptionsEndAtOnce) {
  for (const wchar_t* argument : {L"--TOOLS", L"--bogus", L"--Open-Url", L"tools"}) {
    auto result = RunProcess(ClientExe(), argument, 20000);
    ASSERT_TRUE(result.finished) << "still running with " << WideToAnsi(argument);
    EXPECT_EQ(0u, result.exitCode);
  }
}

TEST(Startup, SecondProcessStartsAFreshLogThatTheFirstGoesOnWriting) {
  InitGlobal();
  WriteLog(L"before the second process");
  ASSERT_EQ(1u, LogLines().size());
  ASSERT_TRUE(RunProcess(ClientExe(), L"--bogus", 20000).finished);
  EXPECT_TRUE(LogLines().empty()) << "the second process deletes the log at its start";
  WriteLog(L"after the second process");
  auto lines = LogLines();
  ASSERT_EQ(1u, lines.size());
  EXPECT_NE(std::string::npos, lines[0].find("after the second process"));
}
