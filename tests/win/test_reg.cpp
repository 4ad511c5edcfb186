// The registry wrapper and the MTU adjustment against the test prefix's real registry.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/untGlobal.h"
#include "base/untReg.h"
#include "base/untText.h"
#include "network/untMTU.h"
#include "testkit/MTUInterfaces.h"
#include "testkit/WinTestSupport.h"

namespace {

const wchar_t TestKey[] = L"Software\\TovlaneTests\\Reg";

class RegFixture : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(reg.OpenKey(TestKey, true)); }
  void TearDown() override {
    reg.CloseKey();
    RegDeleteKeyW(HKEY_CURRENT_USER, TestKey);
  }
  void SetRaw(const wchar_t* name, DWORD type, const std::vector<BYTE>& data) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, TestKey, 0, KEY_SET_VALUE, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())));
    RegCloseKey(key);
  }
  TReg reg{HKEY_CURRENT_USER};
};

std::vector<BYTE> Bytes(const std::wstring& units) {
  const BYTE* begin = reinterpret_cast<const BYTE*>(units.data());
  return std::vector<BYTE>(begin, begin + units.size() * sizeof(wchar_t));
}

// The log's messages without their date and time.
std::vector<std::string> LogMessages() {
  std::vector<std::string> messages;
  for (const std::string& line : LogLines()) {
    size_t at = line.find(" SetAllMTU ");
    if (at != std::string::npos) messages.push_back(line.substr(at + 1));
  }
  return messages;
}

}  // namespace

TEST_F(RegFixture, StringListsGoThroughTheRegistryLayout) {
  const std::vector<std::wstring> written = {L"192.168.1.2", L"10.0.0.5", L"\x7F51\x5173"};
  ASSERT_TRUE(reg.WriteStringList(L"List", written));
  EXPECT_EQ(static_cast<long>(2 * (11 + 1 + 8 + 1 + 2 + 1 + 1)), reg.GetDataSize(L"List"));
  std::vector<std::wstring> read = {L"stale"};
  ASSERT_TRUE(reg.ReadStringList(L"List", &read));
  EXPECT_EQ(written, read);

  ASSERT_TRUE(reg.WriteStringList(L"Empty", {}));
  ASSERT_TRUE(reg.ReadStringList(L"Empty", &read));
  EXPECT_EQ(std::vector<std::wstring>{L""}, read) << "only the terminating NUL reads as one empty string";
}

TEST_F(RegFixture, ReadingAStringListFailsWithoutTouchingTheList) {
  SetRaw(L"Text", REG_SZ, Bytes(std::wstring(L"192.168.1.1", 12)));
  SetRaw(L"Nothing", REG_MULTI_SZ, {});
  const std::vector<std::wstring> before = {L"kept"};
  std::vector<std::wstring> list = before;
  EXPECT_FALSE(reg.ReadStringList(L"Missing", &list));
  EXPECT_FALSE(reg.ReadStringList(L"Text", &list));
  EXPECT_FALSE(reg.ReadStringList(L"Nothing", &list));
  EXPECT_EQ(before, list);
  EXPECT_FALSE(reg.ReadStringList(L"Text", nullptr));
}

TEST_F(RegFixture, OddStoredMultiStringsAreReadSafely) {
  std::vector<BYTE> odd = Bytes(std::wstring(L"ab\0c", 4));
  odd.push_back('z');
  SetRaw(L"Odd", REG_MULTI_SZ, odd);
  std::vector<std::wstring> list;
  ASSERT_TRUE(reg.ReadStringList(L"Odd", &list));
  EXPECT_EQ(std::vector<std::wstring>{L"ab"}, list);
}

TEST_F(RegFixture, ValuesOfTheWrongTypeRaise) {
  SetRaw(L"Number", REG_SZ, Bytes(std::wstring(L"1500", 5)));
  SetRaw(L"Short", REG_BINARY, {1, 2});
  SetRaw(L"Word", REG_DWORD, {0xDC, 0x05, 0, 0});
  SetRaw(L"Unterminated", REG_SZ, Bytes(L"abc"));
  EXPECT_THROW(reg.ReadInteger(L"Number"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger(L"Short"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger(L"Missing"), ERegistryException);
  EXPECT_THROW(reg.ReadString(L"Word"), ERegistryException);
  EXPECT_EQ(1500, reg.ReadInteger(L"Word"));
  EXPECT_EQ(L"abc", reg.ReadString(L"Unterminated"));
  EXPECT_EQ(L"", reg.ReadString(L"Missing"));
}

TEST(SetAllMTU, SetsAndRemovesOnlyOn192168Interfaces) {
  TTestInterfaces interfaces;
  interfaces.Add(L"{mtu-test-1-dhcp}", std::vector<std::wstring>{L"0.0.0.0"}, L"192.168.1.23");
  interfaces.Add(L"{mtu-test-2-static1500}", std::vector<std::wstring>{L"192.168.0.10"}, std::nullopt, 1500);
  interfaces.Add(L"{mtu-test-3-has1400}", std::vector<std::wstring>{L"192.168.2.2"}, L"", 1400);
  interfaces.Add(L"{mtu-test-4-has1417}", std::nullopt, L"192.168.3.3", 1417);
  interfaces.Add(L"{mtu-test-5-ten}", std::vector<std::wstring>{L"10.0.0.5"}, L"", 1500);
  interfaces.Add(L"{mtu-test-6-nodot}", std::vector<std::wstring>{L"192.168"}, std::nullopt);
  interfaces.Add(L"{mtu-test-7-two}", std::vector<std::wstring>{L"192.168.7.1", L"192.168.7.2"}, L"192.168.7.3");

  InitGlobal();
  EXPECT_TRUE(SetAllMTU(1417));
  EXPECT_EQ(1417u, interfaces.MTU(L"{mtu-test-1-dhcp}"));
  EXPECT_EQ(1417u, interfaces.MTU(L"{mtu-test-2-static1500}"));
  EXPECT_EQ(1400u, interfaces.MTU(L"{mtu-test-3-has1400}"));
  EXPECT_EQ(1417u, interfaces.MTU(L"{mtu-test-4-has1417}"));
  EXPECT_EQ(1500u, interfaces.MTU(L"{mtu-test-5-ten}"));
  EXPECT_EQ(std::nullopt, interfaces.MTU(L"{mtu-test-6-nodot}"));
  EXPECT_EQ(1417u, interfaces.MTU(L"{mtu-test-7-two}"));

  const std::vector<std::string> messages = LogMessages();
  auto has = [&](const std::vector<std::string>& run) {
    return std::search(messages.begin(), messages.end(), run.begin(), run.end()) != messages.end();
  };
  EXPECT_TRUE(has({"SetAllMTU checking interface {mtu-test-1-dhcp}", "SetAllMTU checking interface ip 0.0.0.0",
                   "SetAllMTU checking interface ip 192.168.1.23", "SetAllMTU update MTU to 1417"}));
  EXPECT_TRUE(has({"SetAllMTU checking interface {mtu-test-3-has1400}", "SetAllMTU checking interface ip 192.168.2.2",
                   "SetAllMTU update MTU skip, existed"}));
  EXPECT_TRUE(has({"SetAllMTU checking interface {mtu-test-5-ten}", "SetAllMTU checking interface ip 10.0.0.5",
                   "SetAllMTU checking interface ip ", "SetAllMTU checking interface {mtu-test-6-nodot}"}));
  EXPECT_TRUE(has({"SetAllMTU checking interface {mtu-test-7-two}", "SetAllMTU checking interface ip 192.168.7.1",
                   "SetAllMTU update MTU to 1417"}))
      << "the second address of a handled interface is not looked at";

  EXPECT_FALSE(SetAllMTU(1417)) << "everything is at 1417 or below now";

  InitGlobal();
  EXPECT_TRUE(SetAllMTU(0));
  for (const wchar_t* name : {L"{mtu-test-1-dhcp}", L"{mtu-test-2-static1500}", L"{mtu-test-3-has1400}",
                              L"{mtu-test-4-has1417}", L"{mtu-test-7-two}"})
    EXPECT_EQ(std::nullopt, interfaces.MTU(name)) << WideToAnsi(name);
  EXPECT_EQ(1500u, interfaces.MTU(L"{mtu-test-5-ten}")) << "foreign interfaces are left alone in removal too";
  const std::vector<std::string> removal = LogMessages();
  EXPECT_NE(removal.end(), std::find(removal.begin(), removal.end(), "SetAllMTU remove MTU"));

  InitGlobal();
  EXPECT_FALSE(SetAllMTU(0)) << "nothing left to remove";
  const std::vector<std::string> nothing = LogMessages();
  EXPECT_NE(nothing.end(), std::find(nothing.begin(), nothing.end(), "SetAllMTU remove MTU skip, not existed"));
  EXPECT_EQ(nothing.end(), std::find(nothing.begin(), nothing.end(), "SetAllMTU remove MTU"));
}

TEST(SetAllMTU, AWrongValueTypeRaisesAfterEarlierInterfacesWereChanged) {
  TTestInterfaces interfaces;
  // The registry enumerates subkeys in name order here; the broken interface comes second.
  interfaces.Add(L"{mtu-test-a-good}", std::nullopt, L"192.168.1.1");
  interfaces.Add(L"{mtu-test-b-broken}", std::nullopt, L"192.168.1.2");
  interfaces.SetRaw(L"{mtu-test-b-broken}", L"MTU", REG_SZ, {'1', 0, '5', 0, 0, 0});
  EXPECT_THROW(SetAllMTU(1417), ERegistryException);
  EXPECT_EQ(1417u, interfaces.MTU(L"{mtu-test-a-good}"));

  interfaces.Add(L"{mtu-test-c-dhcpnumber}", std::nullopt, std::nullopt);
  interfaces.SetRaw(L"{mtu-test-c-dhcpnumber}", L"DhcpIPAddress", REG_DWORD, {1, 0, 0, 0});
  interfaces.SetRaw(L"{mtu-test-b-broken}", L"MTU", REG_DWORD, {0xDC, 0x05, 0, 0});
  EXPECT_THROW(SetAllMTU(1417), ERegistryException) << "a DhcpIPAddress that is not a string";
  EXPECT_EQ(1417u, interfaces.MTU(L"{mtu-test-b-broken}"));
}
