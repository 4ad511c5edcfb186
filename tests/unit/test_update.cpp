#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <vector>

#include "base/untClientVersion.h"
#include "support/crypto/Digest.h"
#include "support/http/HttpClient.h"
#include "update/untFormDownloadRules.h"
#include "update/untUpdateDescription.h"
#include "update/untUpdateRules.h"

namespace {

// Stands in for the ANSI code page: every byte its own character.
std::wstring Latin1ToWide(const std::string& bytes) {
  std::wstring out;
  for (char c : bytes) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

std::wstring ToWide(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

std::wstring Parsed(const std::string& body) {
  const TUpdateDescription d = ParseUpdateDescription(DecodeUpdateDescription(body, Latin1ToWide));
  return d.Tag + L"|" + d.FlashRequiredVersion + L"|" + d.FlashSetupFileUrl + L"|" + d.FlashSetupFileMd5 + L"|" +
         d.ClientRequiredVersion + L"|" + d.ClientSetupFileUrl + L"|" + d.ClientSetupFileMd5;
}

std::string Utf16(const std::wstring& text, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (wchar_t c : text) {
    const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  }
  return out;
}

const char kFull[] =
    "[update]\nTag=TVLN\nFlashRequiredVersion=11.8\nFlashSetupFileUrl=http://h/f.exe\nFlashSetupFileMd5=F0\n"
    "ClientRequiredVersion=1.2.1.15\nClientSetupFileUrl=http://h/c.exe?a=b\nClientSetupFileMd5=c0\n";
const wchar_t kFullParsed[] = L"TVLN|11.8|http://h/f.exe|F0|1.2.1.15|http://h/c.exe?a=b|c0";

}  // namespace

TEST(UpdateDescription, LinesAndNamesFollowTheFormat) {
  struct Case {
    std::string body;
    std::wstring expected;
  } cases[] = {
      {kFull, kFullParsed},
      {"Tag=TVLN\r\nClientRequiredVersion=2\r\n", L"TVLN||||2||"},
      {"Tag=TVLN\rClientRequiredVersion=2\r", L"TVLN||||2||"},
      {"Tag=TVLN\n\r\n\rClientRequiredVersion=2", L"TVLN||||2||"},
      // Names in any case, the first definition wins, even an empty one; sections do not scope.
      {"TAG=TVLN\ntag=XXXX\nclientrequiredversion=\nClientRequiredVersion=9\n[other]\nFlashSetupFileMd5=ab",
       L"TVLN|||ab|||"},
      {"flashsetupfilemd5=ab\n[other]\nFlashSetupFileMd5=cd", L"|||ab|||"},
      // Values keep their blanks and every "=" after the first; names are not trimmed.
      {"Tag= TVLN \nClientSetupFileUrl=http://h/x?y==z\n Tag=TVLN\nTag =TVLN", L" TVLN |||||http://h/x?y==z|"},
      // Comments, blank lines, unknown names, lines without "=" and an empty name are ignored.
      {"; Tag=no\nUnknown=1\nTagX=TVLN\n=TVLN\njust text\n\nTag=TVLN", L"TVLN||||||"},
      {"", L"||||||"},
      // A lower-case Tag value is kept as it is; the decision rejects it.
      {"Tag=tvln", L"tvln||||||"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, Parsed(c.body)) << c.body;
}

TEST(UpdateDescription, ByteOrderMarksChooseTheDecoding) {
  const std::wstring full(kFull, kFull + sizeof kFull - 1);
  EXPECT_EQ(kFullParsed, Parsed("\xEF\xBB\xBF" + std::string(kFull)));
  EXPECT_EQ(kFullParsed, Parsed(Utf16(full, false)));
  EXPECT_EQ(kFullParsed, Parsed(Utf16(full, true)));
  EXPECT_EQ(kFullParsed, Parsed(Utf16(full, false) + "\x41"));  // an odd last byte is dropped
  // Without a mark the body is in the ANSI code page.
  EXPECT_EQ(L"TVLN\u00e9||||||", Parsed("Tag=TVLN\xE9"));
  // UTF-8: a valid sequence of each length, then an overlong form, a surrogate, an impossible lead byte and a
  // cut-off sequence, each one replacement character.
  // A code point beyond 16 bits is a surrogate pair where wchar_t has 16 bits, one character where it has 32.
  const std::wstring expected = L"\u00e9\u4e2d\U0001F600\uFFFD\uFFFD\uFFFD\uFFFDx";
  EXPECT_EQ(expected, DecodeUpdateDescription("\xEF\xBB\xBF\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80"
                                              "\xC0\x80\xED\xA0\x80\xF8\xE4\xB8x",
                                              Latin1ToWide));
}

TEST(UpdateDescription, HostileBodiesStillYieldTheirKeys) {
  const std::string longValue(1 << 18, 'a');
  EXPECT_EQ(L"TVLN||||" + std::wstring(longValue.begin(), longValue.end()) + L"||",
            Parsed("Tag=TVLN\nClientRequiredVersion=" + longValue));
  // Many lines without "=" before the only key.
  EXPECT_EQ(L"TVLN||||||", Parsed(std::string(1 << 18, '\n') + "Tag=TVLN"));
  std::mt19937 random(17);
  std::string garbage(1 << 16, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  const std::string tail = "\nClientRequiredVersion=9\n";
  const std::string utf16Tail = Utf16(std::wstring(tail.begin(), tail.end()), false).substr(2);
  for (const std::string& body : {garbage + tail, "\xEF\xBB\xBF" + garbage + tail, "\xFF\xFE" + garbage + utf16Tail})
    EXPECT_EQ(L"9", ParseUpdateDescription(DecodeUpdateDescription(body, Latin1ToWide)).ClientRequiredVersion);
}

TEST(UpdateCheck, AddressCarriesTheConstantVersionAndTheEncodedClientId) {
  const std::wstring base = L"http://127.0.0.1:8080/client/client-update.shtml";
  std::wstring pair = L"a";
  pair += static_cast<wchar_t>(0xD83D);
  pair += static_cast<wchar_t>(0xDE00);
  std::wstring lone = L"b";
  lone += static_cast<wchar_t>(0xDC00);
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"abcdefghijklmnopqrstuvwxyz123456", L"abcdefghijklmnopqrstuvwxyz123456"},
      {L"", L""},
      {L"A-b._~9", L"A-b._~9"},
      {L"x&v=2#f y+z/%?", L"x%26v%3D2%23f%20y%2Bz%2F%25%3F"},
      {L"\u00e9\u4e2d", L"%C3%A9%E4%B8%AD"},
      {pair, L"a%F0%9F%98%80"},
      {lone, L"b%EF%BF%BD"},
  };
  for (const auto& [clientId, encoded] : cases)
    EXPECT_EQ(base + L"?v=" TOVLANE_VERSION_TEXT "&clientId=" + encoded, UpdateCheckUrl(base, clientId));
}

TEST(UpdateDecision, FlashVersionTable) {
  struct Case {
    const wchar_t* installed;
    const wchar_t* required;
    bool due;
  } cases[] = {
      {L"11.6.602.180", L"11.5", true},  // the 11.6 series always
      {L"11.6", L"", true},
      {L"11.8.800.149", L"11.8", true},  // this build always
      {L"11.8.800.150", L"11.8", false},
      {L"11.8.800.1490", L"11.8", false},
      {L"0.0", L"11.8", true},
      {L"0.0", L"", false},
      {L"11.9.900.117", L"11.9.900.117", false},
      {L"11.9.900.117", L"11.9.900.118", true},
      {L"11.7", L"11.7.0.0", false},
      {L"0.1", L"0.1", false},  // a forced update needs a required version above 0.1
      {L"0.1", L"10", true},
      {L"0.1", L"garbage", false},  // an unreadable required version reads as 0
  };
  for (const Case& c : cases) EXPECT_EQ(c.due, IsFlashUpdateNeeded(c.installed, c.required)) << c.installed;
}

TEST(UpdateDecision, ClientFirstWithTheSettingsOverridingTheInputs) {
  TUpdateDescription both;
  both.Tag = L"TVLN";
  both.FlashRequiredVersion = L"11.8";
  both.FlashSetupFileUrl = L"http://h/flash.exe";
  both.FlashSetupFileMd5 = L"FF";
  both.ClientRequiredVersion = L"" TOVLANE_FOLLOWING_VERSION;
  both.ClientSetupFileUrl = L"http://h/client.exe";
  both.ClientSetupFileMd5 = L"CC";
  TUpdateDescription flashOnly = both;
  flashOnly.ClientRequiredVersion = L"" TOVLANE_VERSION_TEXT;
  TUpdateDescription lowerTag = both;
  lowerTag.Tag = L"tvln";
  using Settings = std::map<std::wstring, std::wstring>;
  struct Case {
    const TUpdateDescription& description;
    const wchar_t* flash;
    Settings settings;
    const wchar_t* file;  // nullptr: nothing to fetch
    const wchar_t* downloadUrl;
    size_t logLines;
  } cases[] = {
      {both, L"11.9", {}, kClientSetupFileName, L"http://h/client.exe", 1},
      {both, L"0.0", {}, kClientSetupFileName, L"http://h/client.exe", 2},
      {flashOnly, L"0.0", {}, kFlashSetupFileName, L"http://h/flash.exe", 1},
      {flashOnly, L"11.9", {}, nullptr, nullptr, 0},
      {lowerTag, L"0.0", {}, nullptr, nullptr, 0},
      {flashOnly, kForcedFlashVersion, {}, kFlashSetupFileName, L"http://h/flash.exe", 1},
      // The settings win over the installed versions, even when present but empty.
      {flashOnly, kForcedFlashVersion, {{L"ForceFlashVersion", L"12.0"}}, nullptr, nullptr, 0},
      {flashOnly, L"11.9", {{L"ForceFlashVersion", L""}}, kFlashSetupFileName, L"http://h/flash.exe", 1},
      {both, L"11.9", {{L"ForceClientVersion", L"" TOVLANE_FOLLOWING_VERSION}}, nullptr, nullptr, 0},
      {flashOnly, L"11.9", {{L"ForceClientVersion", L"1.0"}}, kClientSetupFileName, L"http://h/client.exe", 1},
      {both, L"11.9", {{L"ForceDownloadUrl", L"http://o/x.exe"}}, kClientSetupFileName, L"http://o/x.exe", 1},
      {flashOnly, L"11.9", {{L"ForceDownloadUrl", L"http://o/x.exe"}}, nullptr, nullptr, 0},
  };
  for (const Case& c : cases) {
    std::vector<std::wstring> log;
    const auto choice = ChooseSetup(
        c.description, c.flash,
        [&](const std::wstring& key, const std::wstring& defaultValue) {
          const auto found = c.settings.find(key);
          return found == c.settings.end() ? defaultValue : found->second;
        },
        [&](const std::wstring& line) { log.push_back(line); });
    ASSERT_EQ(c.file != nullptr, choice.has_value()) << c.flash;
    EXPECT_EQ(c.logLines, log.size()) << c.flash;
    if (!choice) continue;
    EXPECT_EQ(c.file, choice->FileName);
    EXPECT_EQ(c.downloadUrl, choice->DownloadUrl);
    const bool client = choice->FileName == kClientSetupFileName;
    EXPECT_EQ(client ? L"您需要升级 Tovlane 系统。" : L"您需要升级 Flash 播放器。", choice->Message);
    // The digest always comes from the description, whatever the download address.
    EXPECT_EQ(client ? L"CC" : L"FF", choice->SetupFileMd5);
    EXPECT_EQ(L"Need download: " + choice->Message + L" " + choice->SetupFileUrl + L" " + choice->SetupFileMd5,
              log.back());
  }
}

TEST(UpdateDecision, DigestsMatchInEitherCaseAndOnlyWhenWhole) {
  const std::wstring computed = L"9e107d9d372bb6826bd81d3542a419d6";
  EXPECT_TRUE(Md5Matches(computed, computed));
  EXPECT_TRUE(Md5Matches(L"9E107D9D372BB6826BD81D3542A419D6", computed));
  EXPECT_TRUE(Md5Matches(computed, L"9E107D9D372BB6826BD81D3542A419D6"));
  for (const wchar_t* expected : {L"", L"9e107d9d372bb6826bd81d3542a419d", L"9e107d9d372bb6826bd81d3542a419d60",
                                  L" 9e107d9d372bb6826bd81d3542a419d6", L"9e107d9d372bb6826bd81d3542a419d7"})
    EXPECT_FALSE(Md5Matches(expected, computed)) << expected;
  EXPECT_FALSE(Md5Matches(L"", L""));
  EXPECT_FALSE(Md5Matches(L"zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz", L"ZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZ"));
}

TEST(UpdateDecision, ASignedClientRunsOnlySetupsTrustedAsSignedByItsOwnCertificate) {
  const std::string own = "own certificate", other = "other certificate";
  const struct {
    std::optional<std::string> client;
    std::string setup;
    bool runs;
  } cases[] = {
      {own, own, true}, {own, other, false},      {own, "", false},          {"", "", false},
      {"", own, false}, {std::nullopt, "", true}, {std::nullopt, own, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.runs, SignatureAllowsSetup(c.client, c.setup)) << c.client.value_or("unsigned") << " / " << c.setup;
}

TEST(DownloadWindow, ProgressIsAWholePercentageOrHiddenWhenTheLengthIsUnknown) {
  EXPECT_EQ(std::nullopt, ProgressPosition(12345, 0));
  EXPECT_EQ(0, ProgressPosition(0, 100));
  EXPECT_EQ(49, ProgressPosition(99, 200));
  EXPECT_EQ(100, ProgressPosition(200, 200));
  // Sizes near the 32-bit limit need the 64-bit product.
  EXPECT_EQ(99, ProgressPosition(2147483000, 2147483647));
  // More than announced, or a length beyond 2 GB whose low 32 bits read negative, stays within the bar.
  EXPECT_EQ(100, ProgressPosition(300, 200));
  EXPECT_EQ(0, ProgressPosition(100, -5));
}

TEST(DownloadWindow, RemainingTimeFromTheLastTenSamples) {
  // A steady 1000 bytes per tick: the rate divides by the number of samples, so it reads 0.9 of the truth
  // once ten samples are held, and the remaining 81000 bytes take 90 seconds.
  TRemainingTimeEstimate estimate;
  EXPECT_EQ(std::nullopt, estimate.Tick(0, 100000));                    // the first tick never has a rate
  EXPECT_EQ(L"估计剩余时间: 3 分 18 秒", estimate.Tick(1000, 100000));  // 99000 / 500
  for (int64_t count = 2000; count < 19000; count += 1000) estimate.Tick(count, 100000);
  EXPECT_EQ(L"估计剩余时间: 1 分 30 秒", estimate.Tick(19000, 100000));
  // Nothing arrived over the ten samples: the label keeps its text.
  TRemainingTimeEstimate stalled;
  for (int tick = 0; tick < 9; ++tick) stalled.Tick(500, 1000);
  EXPECT_EQ(std::nullopt, stalled.Tick(500, 1000));
  // Unknown length, or more received than announced.
  TRemainingTimeEstimate unknown;
  unknown.Tick(0, 0);
  EXPECT_EQ(std::nullopt, unknown.Tick(5000, 0));
  TRemainingTimeEstimate over;
  over.Tick(0, 100);
  EXPECT_EQ(std::nullopt, over.Tick(200, 100));
  // A crawl of one byte in ten ticks towards 2 GB: minutes go beyond 59 without overflowing.
  TRemainingTimeEstimate crawl;
  for (int tick = 0; tick < 9; ++tick) crawl.Tick(0, 2147483647);
  EXPECT_EQ(L"估计剩余时间: 357913941 分 0 秒", crawl.Tick(1, 2147483647));
}

TEST(UpdateCheck, PlatformDescriptionsParseInEveryEncodingAndDescribeTheServedSetup) {
  const char* server = std::getenv("TOVLANE_SERVER");
  ASSERT_NE(nullptr, server);
  auto get = [](const std::wstring& url) {
    THttpClient client;
    TMemoryStream body;
    client.Get(std::string(url.begin(), url.end()), body);
    return std::string(reinterpret_cast<const char*>(body.Memory()), static_cast<size_t>(body.Size()));
  };
  const std::string base = server;
  for (const char* encoding : {"lf", "crlf-bom", "utf16", "garbage"}) {
    const std::string check = base + "/update/unknown-keys?encoding=" + encoding;
    const TUpdateDescription d = ParseUpdateDescription(
        DecodeUpdateDescription(get(UpdateCheckUrl({check.begin(), check.end()}, L"id&1")), Latin1ToWide));
    EXPECT_EQ(L"TVLN", d.Tag) << encoding;
    const std::string setup = get(d.ClientSetupFileUrl);
    EXPECT_TRUE(Md5Matches(d.ClientSetupFileMd5, ToWide(ToHex(Md5Of(setup.data(), setup.size()))))) << encoding;
  }
  // The check is refused without the client's version and id.
  THttpClient client;
  TMemoryStream body;
  EXPECT_THROW(client.Get(base + "/update/client", body), EHttpStatusError);
}
