// "--ensure-mtu" driven from outside against interfaces prepared in the prefix's registry.
#include <gtest/gtest.h>

#include <algorithm>

#include "testkit/MTUInterfaces.h"
#include "testkit/WinTestSupport.h"

namespace {

// The log's messages without their date and time, whose formats follow the user's settings: each line is
// cut where the first of the messages this mode writes begins.
std::vector<std::string> LogMessages() {
  std::vector<std::string> messages;
  for (const std::string& line : LogLines()) {
    size_t start = std::string::npos;
    for (const char* head : {" SetAllMTU ", " set mtu ", " nothing to do ", " error: "})
      start = std::min(start, line.find(head));
    messages.push_back(start == std::string::npos ? line : line.substr(start + 1));
  }
  return messages;
}

}  // namespace

TEST(EnsureMTU, AdjustsTheLanInterfacesThenFindsNothingToDo) {
  TTestInterfaces interfaces;
  interfaces.Add(L"{ensure-1}", std::vector<std::wstring>{L"0.0.0.0"}, L"192.168.1.23");
  interfaces.Add(L"{ensure-2}", std::vector<std::wstring>{L"10.0.0.5"}, L"", 1500);
  interfaces.Add(L"{ensure-3}", std::vector<std::wstring>{L"192.168.4.4"}, std::nullopt, 1400);

  auto result = RunProcess(ClientExe(), L"--ensure-mtu", 60000);
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(100u, result.exitCode);
  EXPECT_EQ(1417u, interfaces.MTU(L"{ensure-1}"));
  EXPECT_EQ(1500u, interfaces.MTU(L"{ensure-2}"));
  EXPECT_EQ(1400u, interfaces.MTU(L"{ensure-3}"));
  const std::vector<std::string> expected = {"SetAllMTU checking interface {ensure-1}",
                                             "SetAllMTU checking interface ip 0.0.0.0",
                                             "SetAllMTU checking interface ip 192.168.1.23",
                                             "SetAllMTU update MTU to 1417",
                                             "SetAllMTU checking interface {ensure-2}",
                                             "SetAllMTU checking interface ip 10.0.0.5",
                                             "SetAllMTU checking interface ip ",
                                             "SetAllMTU checking interface {ensure-3}",
                                             "SetAllMTU checking interface ip 192.168.4.4",
                                             "SetAllMTU update MTU skip, existed"};
  std::vector<std::string> messages = LogMessages();
  EXPECT_NE(messages.end(), std::search(messages.begin(), messages.end(), expected.begin(), expected.end()));
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ("set mtu successfully, need reboot", messages.back());

  result = RunProcess(ClientExe(), L"--ensure-mtu", 60000);
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(0u, result.exitCode);
  messages = LogMessages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ("nothing to do with mtu", messages.back());
  EXPECT_EQ(messages.end(), std::find(messages.begin(), messages.end(), "SetAllMTU update MTU to 1417"));
}

TEST(EnsureMTU, AValueOfTheWrongTypeSkipsItsInterfaceAndKeepsTheExitCodes) {
  TTestInterfaces interfaces;
  interfaces.Add(L"{ensure-broken}", std::nullopt, L"192.168.9.9");
  interfaces.SetRaw(L"{ensure-broken}", L"MTU", REG_BINARY, {1, 2, 3});
  interfaces.Add(L"{ensure-good}", std::nullopt, L"192.168.9.10");
  auto result = RunProcess(ClientExe(), L"--ensure-mtu", 60000);
  ASSERT_TRUE(result.finished) << "no dialog or crash report may hold the silent mode";
  EXPECT_EQ(100u, result.exitCode) << "the interface after the broken one is still adjusted";
  EXPECT_EQ(1417u, interfaces.MTU(L"{ensure-good}"));
  std::vector<std::string> messages = LogMessages();
  EXPECT_NE(messages.end(), std::find(messages.begin(), messages.end(),
                                      "SetAllMTU skip interface {ensure-broken}: Invalid data type for 'MTU'"));

  result = RunProcess(ClientExe(), L"--ensure-mtu", 60000);
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(0u, result.exitCode) << "only the broken interface is left, and it is skipped";
  messages = LogMessages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ("nothing to do with mtu", messages.back());
}
