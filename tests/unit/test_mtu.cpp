#include <gtest/gtest.h>

#include <stdexcept>

#include "base/untMultiString.h"
#include "network/untMTURules.h"

namespace {

std::vector<std::uint8_t> Units(std::initializer_list<std::uint16_t> units) {
  std::vector<std::uint8_t> bytes;
  for (std::uint16_t unit : units) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

std::vector<std::wstring> Parse(const std::vector<std::uint8_t>& bytes) {
  // A copy of exactly that size, so that the sanitizer sees any read past the end.
  std::vector<std::uint8_t> exact(bytes);
  return ParseMultiString(exact.empty() ? nullptr : exact.data(), exact.size());
}

struct TOutcome {
  TMTUAction action;
  std::vector<std::wstring> checked;
  int reads = 0;
};

TOutcome Decide(const std::vector<std::wstring>& addresses, std::int32_t mtu, bool hasMTU, std::int32_t current = 0) {
  TOutcome outcome{};
  outcome.action = DecideInterfaceMTU(
      addresses, mtu, hasMTU,
      [&] {
        ++outcome.reads;
        return current;
      },
      [&](const std::wstring& address) { outcome.checked.push_back(address); });
  return outcome;
}

}  // namespace

TEST(MultiString, ReadsTheRegistryLayout) {
  using L = std::vector<std::wstring>;
  EXPECT_EQ((L{L"10.0.0.5", L"192.168.1.2"}), Parse(Units({'1', '0', '.', '0', '.', '0', '.', '5', 0,   '1', '9',
                                                           '2', '.', '1', '6', '8', '.', '1', '.', '2', 0,   0})));
  EXPECT_EQ((L{L""}), Parse(Units({0, 0}))) << "only the terminating NULs: one empty string";
  EXPECT_EQ((L{L""}), Parse(Units({0}))) << "a single NUL";
  EXPECT_EQ((L{L"a"}), Parse(Units({'a', 0, 0, 'b', 0, 0}))) << "the walk ends at the double NUL";
  EXPECT_EQ((L{L"a"}), Parse(Units({'a', 0, 'b'}))) << "a last string without NUL is not added";
  EXPECT_EQ((L{}), Parse(Units({'a', 'b'})));
  EXPECT_EQ((L{}), Parse({}));
  EXPECT_EQ((L{L"\x4E2D"}), Parse(Units({0x4E2D, 0, 0})));
}

TEST(MultiString, OddSizesNeverReadPastTheData) {
  using L = std::vector<std::wstring>;
  std::vector<std::uint8_t> odd = Units({'a', 0});
  odd.push_back('b');
  EXPECT_EQ((L{L"a"}), Parse(odd)) << "the odd last byte is ignored";
  EXPECT_EQ((L{}), Parse({0}));
  EXPECT_EQ((L{}), Parse({'x'}));
}

TEST(MultiString, WritingAndReadingBackKeepsTheList) {
  const std::vector<std::wstring> list = {L"0.0.0.0", L"", L"192.168.3.4", L"\x7F51\x7EDC"};
  const std::vector<std::uint8_t> bytes = BuildMultiString(list);
  EXPECT_EQ(2u * (7 + 1 + 1 + 11 + 1 + 2 + 1 + 1), bytes.size()) << "every NUL counted, the final one too";
  EXPECT_EQ(0, bytes[bytes.size() - 1] | bytes[bytes.size() - 2] | bytes[bytes.size() - 3] | bytes[bytes.size() - 4]);
  // An empty string in the middle reads back as the end of the list: the registry's own layout allows no more.
  EXPECT_EQ((std::vector<std::wstring>{L"0.0.0.0"}), Parse(bytes));
  const std::vector<std::wstring> plain = {L"a", L"bc"};
  EXPECT_EQ(plain, Parse(BuildMultiString(plain)));
  EXPECT_EQ(Units({0}), BuildMultiString({}));
}

TEST(MTUDecision, SettingActsOnTheFirst192168AddressOnly) {
  TOutcome outcome = Decide({L"0.0.0.0", L"192.168.1.23"}, 1417, false);
  EXPECT_EQ(TMTUAction::Write, outcome.action);
  EXPECT_EQ((std::vector<std::wstring>{L"0.0.0.0", L"192.168.1.23"}), outcome.checked);

  outcome = Decide({L"192.168.1.2", L"192.168.1.3", L""}, 1417, false);
  EXPECT_EQ(TMTUAction::Write, outcome.action);
  EXPECT_EQ(1u, outcome.checked.size()) << "further addresses are not looked at";

  for (const wchar_t* other : {L"10.0.0.5", L"192.168", L"192.1680.1.1", L"x192.168.1.1", L"", L"192.168,1.1"}) {
    outcome = Decide({other, L""}, 1417, true, 9000);
    EXPECT_EQ(TMTUAction::NotLan, outcome.action);
    EXPECT_EQ(2u, outcome.checked.size());
    EXPECT_EQ(0, outcome.reads) << "the MTU of a foreign interface is never read";
  }
  EXPECT_EQ(TMTUAction::NotLan, Decide({}, 1417, false).action);
}

TEST(MTUDecision, SettingKeepsALowerOrEqualValueAndLowersAHigherOne) {
  EXPECT_EQ(TMTUAction::Write, Decide({L"192.168.0.1"}, 1417, true, 1500).action);
  EXPECT_EQ(TMTUAction::SkipExisting, Decide({L"192.168.0.1"}, 1417, true, 1417).action);
  EXPECT_EQ(TMTUAction::SkipExisting, Decide({L"192.168.0.1"}, 1417, true, 1400).action);
  EXPECT_EQ(TMTUAction::SkipExisting, Decide({L"192.168.0.1"}, 1417, true, -1).action) << "compared as signed";
  TOutcome missing = Decide({L"192.168.0.1"}, 1417, false);
  EXPECT_EQ(TMTUAction::Write, missing.action);
  EXPECT_EQ(0, missing.reads);
}

TEST(MTUDecision, RemovingLooksOnlyAtExistence) {
  for (std::int32_t mtu : {0, -5}) {
    TOutcome outcome = Decide({L"192.168.0.1"}, mtu, true, 1400);
    EXPECT_EQ(TMTUAction::Delete, outcome.action);
    EXPECT_EQ(0, outcome.reads) << "a value of any type is removed";
    EXPECT_EQ(TMTUAction::SkipMissing, Decide({L"192.168.0.1"}, mtu, false).action);
    EXPECT_EQ(TMTUAction::NotLan, Decide({L"10.0.0.5"}, mtu, true).action);
  }
}

TEST(MTUDecision, AnUnreadableValueStopsTheDecisionAfterTheAddressesWereSeen) {
  std::vector<std::wstring> seen;
  EXPECT_THROW(DecideInterfaceMTU(
                   {L"192.168.5.5"}, 1417, true, []() -> std::int32_t { throw std::runtime_error("wrong type"); },
                   [&](const std::wstring& address) { seen.push_back(address); }),
               std::runtime_error);
  EXPECT_EQ(1u, seen.size());
}
