#include <gtest/gtest.h>

#include <thread>

#include "base/untGlobal.h"
#include "base/untSettings.h"
#include "base/untText.h"
#include "testkit/WinTestSupport.h"

namespace {

class GlobalSetup : public ::testing::Environment {
 public:
  void SetUp() override { InitGlobal(); }
};
const auto* const gGlobalSetup = ::testing::AddGlobalTestEnvironment(new GlobalSetup);

std::wstring TodayShortDate() {
  wchar_t text[128];
  int length = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, 128);
  return std::wstring(text, length - 1);
}

}  // namespace

TEST(Log, LinesCarryDateTimeAndMessage) {
  DeleteFileW(LogFileName().c_str());
  WriteLog(L"cache domains done");
  auto lines = SplitLines(ReadWholeFile(LogFileName()));
  ASSERT_EQ(1u, lines.size());
  const std::string& line = lines[0];
  EXPECT_EQ(0u, line.find(WideToAnsi(TodayShortDate()) + " "));
  EXPECT_EQ(line.size() - std::string(" cache domains done").size(), line.rfind(" cache domains done"));
  EXPECT_NE(std::string::npos, line.find(':'));  // the long time format sits between date and message
}

TEST(Log, EightThreadsNeverInterleave) {
  DeleteFileW(LogFileName().c_str());
  const int threads = 8, linesPerThread = 200;
  std::vector<std::thread> writers;
  for (int t = 0; t < threads; ++t)
    writers.emplace_back([t] {
      for (int i = 0; i < linesPerThread; ++i)
        WriteLog(L"writer " + std::to_wstring(t) + L" line " + std::to_wstring(i) + L" " + std::wstring(60, L'x'));
    });
  for (auto& writer : writers) writer.join();
  auto lines = SplitLines(ReadWholeFile(LogFileName()));
  ASSERT_EQ(static_cast<size_t>(threads * linesPerThread), lines.size());
  std::vector<int> next(threads, 0);
  for (const auto& line : lines) {
    size_t at = line.find(" writer ");
    ASSERT_NE(std::string::npos, at) << line;
    int t = 0, i = 0;
    char tail[80] = {};
    ASSERT_EQ(3, sscanf(line.c_str() + at, " writer %d line %d %79s", &t, &i, tail)) << line;
    EXPECT_EQ(next[t]++, i) << "lines of one thread keep their order";
    EXPECT_EQ(std::string(60, 'x'), tail);
  }
}

TEST(Log, LineIsWrittenInTheAnsiCodePage) {
  DeleteFileW(LogFileName().c_str());
  WriteLog(L"caf\u00e9");
  std::string text = ReadWholeFile(LogFileName());
  EXPECT_EQ(WideToAnsi(L"caf\u00e9") + "\r\n", text.substr(text.size() - WideToAnsi(L"caf\u00e9").size() - 2));
}

TEST(AppendLineToFile, ReportsFailureInsteadOfRaising) {
  EXPECT_FALSE(AppendLineToFile(L"Q:\\no\\such\\folder\\file.log", L"x"));
  EXPECT_FALSE(AppendLineToFile(L"", L"x"));
}

TEST(Settings, ReadsOnlyTheIniNamedAfterTheFullExecutableName) {
  const std::wstring exeIni = SettingsFileName();
  ASSERT_EQ(L".exe.ini", exeIni.substr(exeIni.size() - 8));
  const std::wstring bareIni = exeIni.substr(0, exeIni.size() - 8) + L".ini";

  WriteWholeFile(bareIni, "[Debug]\r\nMainSiteUrl=http://bare.example/\r\n");
  DeleteFileW(exeIni.c_str());
  EXPECT_EQ(L"default", TIniFile(SettingsFileName()).ReadString(L"Debug", L"MainSiteUrl", L"default"));

  WriteWholeFile(exeIni, "[Debug]\r\nMainSiteUrl=http://127.0.0.1:8080\r\nOther=\r\n");
  TIniFile ini(SettingsFileName());
  EXPECT_EQ(L"http://127.0.0.1:8080", ini.ReadString(L"Debug", L"MainSiteUrl", L"default"));
  EXPECT_EQ(L"", ini.ReadString(L"Debug", L"Other", L"default"));
  EXPECT_EQ(L"default", ini.ReadString(L"Elsewhere", L"MainSiteUrl", L"default"));

  const std::string longValue(5000, 'v');
  WriteWholeFile(exeIni, "[Debug]\r\nLong=" + longValue + "\r\n");
  EXPECT_EQ(std::wstring(longValue.begin(), longValue.end()), ini.ReadString(L"Debug", L"Long", L""));
  DeleteFileW(exeIni.c_str());
  DeleteFileW(bareIni.c_str());
}

TEST(SystemRoutines, SpecialFolderHasNoTrailingBackslash) {
  std::wstring appData = GetSpecialFolderPath(0x001a /* CSIDL_APPDATA */);
  ASSERT_FALSE(appData.empty());
  EXPECT_NE(L'\\', appData.back());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(appData.c_str()));
  EXPECT_EQ(L"", GetSpecialFolderPath(0x7fff));
}

TEST(SystemRoutines, UserAgentAndShellCommand) {
  EXPECT_NE(std::wstring::npos, GetSystemUserAgent().find(L"Mozilla/"));
  // A missing file makes the shell show its own error box, so only the success path is driven here.
  EXPECT_TRUE(RunShellCommand(L"open", L"cmd.exe", L"/c exit 0", L"", SW_HIDE));
}
