#include <gtest/gtest.h>

#include <set>

#include "app/untCommandLine.h"
#include "base/untKormRandom.h"
#include "base/untText.h"
#include "base/untVersion.h"

TEST(VersionCompare, PaddedExtendsTheShorterWithZeroParts) {
  EXPECT_EQ(0, CompareVersionPadded(L"11.6", L"11.6.0.0"));
  EXPECT_EQ(1, CompareVersionPadded(L"1.2.1.14", L"1.2.1.9"));
  EXPECT_EQ(-1, CompareVersionPadded(L"1.2", L"1.10"));
  EXPECT_EQ(-1, CompareVersionPadded(L"11.6", L"11.6.0.1"));
  EXPECT_EQ(0, CompareVersionPadded(L"", L"0.0"));
}

TEST(VersionCompare, ShortestComparesTheCommonParts) {
  EXPECT_EQ(0, CompareVersionShortest(L"11.6", L"11.6.900"));
  EXPECT_EQ(-1, CompareVersionShortest(L"11.5.1", L"11.6"));
  EXPECT_EQ(-1, CompareVersionShortest(L"", L"1"));
  EXPECT_EQ(1, CompareVersionShortest(L"1", L""));
  EXPECT_EQ(0, CompareVersionShortest(L"", L""));
}

TEST(VersionCompare, NonNumbersAndEmptyPartsCountAsZero) {
  EXPECT_EQ(0, CompareVersionPadded(L"1..2", L"1.0.2"));
  EXPECT_EQ(0, CompareVersionPadded(L"1a.2", L"0.2"));
  EXPECT_EQ(0, CompareVersionPadded(L" 11 . 6 ", L"11.6"));
  // A blank inside a part separates it into two parts.
  EXPECT_EQ(0, CompareVersionPadded(L"11 6", L"11.6"));
  EXPECT_EQ(1, CompareVersionPadded(L"99999999999999999999999", L"1"));
}

TEST(KormRandom, RejectsSeedsOutsideTheirRanges) {
  EXPECT_THROW(TKormRandom(-1, 0), ERandomSeedError);
  EXPECT_THROW(TKormRandom(31329, 0), ERandomSeedError);
  EXPECT_THROW(TKormRandom(0, 30082), ERandomSeedError);
  EXPECT_NO_THROW(TKormRandom(31328, 30081));
  try {
    TKormRandom(0, -5);
    FAIL();
  } catch (const ERandomSeedError& e) {
    EXPECT_STREQ("Random generator seed not within the valid range!", e.what());
  }
}

TEST(KormRandom, MatchesThePublishedRanmarSequence) {
  // The published check of the algorithm: seeds 1802 and 9373, after 20000 draws the next six
  // values times 4096*4096 are these integers.
  TKormRandom generator(1802, 9373);
  for (int i = 0; i < 20000; ++i) generator.Random();
  const double expected[] = {6533892.0, 14220222.0, 7275067.0, 6172232.0, 8354498.0, 10633180.0};
  for (double value : expected) EXPECT_DOUBLE_EQ(value, generator.Random() * 4096.0 * 4096.0);
}

TEST(KormRandom, ValuesAreMultiplesOfTwoToTheMinus24InUnitInterval) {
  TKormRandom generator(12, 34);
  for (int i = 0; i < 10000; ++i) {
    double value = generator.Random();
    ASSERT_GE(value, 0.0);
    ASSERT_LT(value, 1.0);
    double scaled = value * 16777216.0;
    ASSERT_EQ(scaled, static_cast<double>(static_cast<long long>(scaled)));
  }
}

TEST(RandomString, HasTheCountAndReachesEveryCharacter) {
  TKormRandom generator;
  EXPECT_EQ(L"", RandomString(generator, 0));
  EXPECT_EQ(L"", RandomString(generator, -3));
  const std::wstring alphabet = L"abcdefghijklmnopqrstuvwxyz1234567890";
  std::set<wchar_t> seen;
  for (int i = 0; i < 200; ++i) {
    std::wstring id = RandomString(generator, 32);
    ASSERT_EQ(32u, id.size());
    for (wchar_t c : id) {
      ASSERT_NE(std::wstring::npos, alphabet.find(c));
      seen.insert(c);
    }
  }
  EXPECT_EQ(36u, seen.size());
}

TEST(CommandLine, FirstArgumentChoosesTheMode) {
  EXPECT_EQ(TRunMode::MainWindow, ChooseRunMode({}).mode);
  EXPECT_EQ(TRunMode::MainWindow, ChooseRunMode({L""}).mode);
  EXPECT_EQ(TRunMode::EnsureMTU, ChooseRunMode({L"--ensure-mtu", L"x"}).mode);
  EXPECT_EQ(TRunMode::Tools, ChooseRunMode({L"--tools"}).mode);
  for (const wchar_t* other : {L"--TOOLS", L"--Tools", L"--OPEN-URL", L"--bogus", L"tools"})
    EXPECT_EQ(TRunMode::Nothing, ChooseRunMode({other}).mode) << other;
}

TEST(CommandLine, OpenUrlTakesOnlyTheSecondArgument) {
  auto withAddress = ChooseRunMode({L"--open-url", L"http://127.0.0.1/x", L"ignored"});
  EXPECT_EQ(TRunMode::MainWindow, withAddress.mode);
  EXPECT_TRUE(withAddress.hasOpenUrl);
  EXPECT_EQ(L"http://127.0.0.1/x", withAddress.openUrl);
  auto bare = ChooseRunMode({L"--open-url"});
  EXPECT_TRUE(bare.hasOpenUrl);
  EXPECT_EQ(L"", bare.openUrl);
  EXPECT_EQ(L"   ", ChooseRunMode({L"--open-url", L"   "}).openUrl);
}

TEST(TextConversion, RoundTripsAndSpeaksUtf8InTheHostBuild) {
  for (const wchar_t* text : {L"", L"plain ascii", L"caf\u00e9"}) EXPECT_EQ(text, AnsiToWide(WideToAnsi(text)));
#ifndef _WIN32
  EXPECT_EQ("\xE4\xB8\xAD \xF0\x9F\x98\x80", WideToAnsi(L"\u4E2D \U0001F600"));
  EXPECT_EQ(L"\u4E2D \U0001F600", AnsiToWide("\xE4\xB8\xAD \xF0\x9F\x98\x80"));
  // A cut sequence or a stray byte stands as one replacement character and the rest is still read.
  EXPECT_EQ(L"\uFFFDa\uFFFD", AnsiToWide("\xE4\xB8"
                                         "a\x80"));
#endif
}
