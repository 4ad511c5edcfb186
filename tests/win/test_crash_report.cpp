// An exception that nobody handles on a worker: the process ends with its code and leaves one log line and a
// minidump that a reader of its own (winedump) takes apart.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "testkit/WinTestSupport.h"

namespace {

std::string After(const std::string& text, const std::string& marker) {
  const size_t at = text.find(marker);
  return at == std::string::npos ? std::string() : text.substr(at + marker.size());
}

}  // namespace

TEST(CrashReport, AWorkersAccessViolationLeavesALogLineAndAMinidump) {
  const TProcessResult run = RunProcess(WindowsPathFromEnv("TOVLANE_CRASH_WORKER"), L"", 60000);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), run.exitCode);

  std::string mainThread;
  std::vector<std::string> reports;
  for (const std::string& line : LogLines()) {
    if (!After(line, "crash worker: main thread ").empty()) mainThread = After(line, "crash worker: main thread ");
    if (line.find("UnhandledException: ") != std::string::npos) reports.push_back(After(line, "UnhandledException: "));
  }
  ASSERT_FALSE(mainThread.empty());
  ASSERT_EQ(1u, reports.size());
  const std::string& report = reports[0];
  EXPECT_EQ(0u, report.find("code 0xC0000005 at 0x")) << report;
  EXPECT_NE(std::string::npos, report.find(" in crash_worker.exe+0x")) << report;
  const std::string thread = After(report, ", thread ").substr(0, After(report, ", thread ").find(','));
  ASSERT_FALSE(thread.empty()) << report;
  EXPECT_NE(mainThread, thread) << "the worker is named, not the main thread";

  const std::string dumpFile = After(report, ", minidump ");
  ASSERT_EQ(std::string::npos, dumpFile.find(" (")) << report;
  const std::wstring copy = BuildFolder() + L"\\crash-report.dmp";
  ASSERT_TRUE(CopyFileA(dumpFile.c_str(), std::string(copy.begin(), copy.end()).c_str(), FALSE)) << dumpFile;
  DeleteFileA(dumpFile.c_str());
  const std::string unixCopy = std::string(getenv("TOVLANE_BINARY_DIR")) + "/crash-report.dmp";
  const std::string dump = RunHostCommand("/usr/lib/wine/winedump dump '" + unixCopy + "'", 30000);
  // The exception stream names the failed thread (in hex) and the code.
  const std::string exception = After(dump, "Exception:");
  char threadInHex[32];
  snprintf(threadInHex, sizeof(threadInHex), "ThreadId: 0x%lx", std::stoul(thread));
  EXPECT_EQ(0u, exception.find("\n  " + std::string(threadInHex))) << dump;
  EXPECT_NE(std::string::npos, exception.find("ExceptionCode: 0xc0000005")) << dump;
  DeleteFileW(copy.c_str());
}
