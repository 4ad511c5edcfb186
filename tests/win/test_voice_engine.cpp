// The voice engine behind window.external, called as the bridge calls it but on a host of its own, on the test
// environment's real devices (the sine source as microphone, the null sink as speakers) and against the platform
// test server (TOVLANE_SERVER).
#include <gtest/gtest.h>
#include <windows.h>
// mmsystem.h needs windows.h before it.
#include <mmsystem.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/WaveACM.h"
#include "audio/WaveStorage.h"
#include "base/untGlobal.h"
#include "base/untMainThread.h"
#include "base/untText.h"
#include "bridge/untCallbackScript.h"
#include "bridge/untDnsCache.h"
#include "bridge/untTovlaneHttp.h"
#include "bridge/untVoiceEngine.h"
#include "support/http/HttpClient.h"
#include "testkit/WaveFaults.h"
#include "testkit/WinTestSupport.h"

namespace {

std::wstring Server() {
  const char* address = std::getenv("TOVLANE_SERVER");
  return address ? AnsiToWide(address) : L"";
}

std::wstring TemplateFile() { return WindowsPathFromEnv("TOVLANE_BINARY_DIR") + L"\\bin\\TemplateAdpcm.wav"; }

std::string Fetch(const std::wstring& url) {
  THttpClient http;
  TMemoryStream body;
  http.Get(WideToAnsi(url), body);
  return std::string(reinterpret_cast<const char*>(body.Memory()), size_t(body.Size()));
}

int ServerCount(const std::wstring& pathAndQuery) {
  std::wstring escaped;
  for (wchar_t c : pathAndQuery)
    escaped += c == L'?' ? L"%3F" : c == L'&' ? L"%26" : c == L'=' ? L"%3D" : std::wstring(1, c);
  return std::stoi(Fetch(Server() + L"/counts?path=" + escaped));
}

// The wave-in device of the test environment's muted microphone (the tone, muted at the sound daemon).
int MutedMicrophone() {
  for (UINT id = 0; id < waveInGetNumDevs(); ++id) {
    WAVEINCAPSW caps{};
    if (waveInGetDevCapsW(id, &caps, sizeof caps) == MMSYSERR_NOERROR && std::wstring(L"Muted") == caps.szPname)
      return id;
  }
  return -1;
}

// What the bridge is to the engine: the two stores, the microphone, the page's callbacks run on the main
// thread and the record-failed hint queued to it.
class TPageStandIn final : public IVoiceHost, public std::enable_shared_from_this<TPageStandIn> {
 public:
  std::vector<std::wstring> scripts;
  int tips = 0;
  int32_t microphone = 0;
  TGuardedMap<TRecordedVoice> recordings;
  TGuardedMap<TMemoryStream> prompts;

  TGuardedMap<TRecordedVoice>& RecordedVoices() override { return recordings; }
  TGuardedMap<TMemoryStream>& DownloadedVoices() override { return prompts; }
  int32_t MicrophoneDeviceId() const override { return microphone; }
  void callJavascript(const std::wstring& script) override {
    Synchronize([&] { scripts.push_back(script); });
  }
  void QueueRecordFailedTip() override {
    Queue([held = shared_from_this()] { ++held->tips; });
  }
  std::shared_ptr<IVoiceHost> KeepAlive() override { return shared_from_this(); }
  size_t Count(const std::wstring& script) const { return std::count(scripts.begin(), scripts.end(), script); }
};

using TAnswer = std::optional<std::wstring>;

class VoiceEngine : public ::testing::Test {
 protected:
  // The engine logs every step.
  static void SetUpTestSuite() { InitGlobal(); }
  void SetUp() override { Make(TemplateFile()); }

  void Make(const std::wstring& templateFile) {
    page = std::make_shared<TPageStandIn>();
    engine = std::make_unique<TVoiceEngine>(templateFile);
  }
  // Runs the call and handles messages until the callback line has arrived once more; gives the lines that
  // arrived meanwhile.
  std::vector<std::wstring> Until(const std::wstring& callback, const std::function<void()>& call) {
    const size_t before = page->Count(callback), first = page->scripts.size();
    call();
    PumpMessagesUntil([&] { return page->Count(callback) > before; });
    return std::vector<std::wstring>(page->scripts.begin() + first, page->scripts.end());
  }
  void Record(const std::wstring& id, int ms) {
    Until(CallbackScript(TCallback::cbRecordVoiceCompleted, id, L"ok"), [&] { engine->recordVoice(*page, id, ms); });
  }
  void Score(const std::wstring& url, const std::wstring& id, const std::wstring& text, const std::wstring& status) {
    Until(CallbackScript(TCallback::cbScoreRecordedVoiceCompleted, id, status),
          [&] { engine->scoreRecordedVoice(*page, url, id, text, L"1"); });
  }
  TAnswer Result(const std::wstring& id) { return engine->getScoreRecordedVoiceResult(*page, id); }

  TMainThread mainThread;
  std::shared_ptr<TPageStandIn> page;
  std::unique_ptr<TVoiceEngine> engine;
};

// The scoring service answers with the form as it arrived (fixtures/platform_server.py): the form that the client
// sends is the word, the voice converted to the template's format and the flag, in this order, as plain parts;
// the seconds of the voice's audio follow.
std::wstring FormBeforeTheSeconds(const std::wstring& answer) { return answer.substr(0, answer.find(L"seconds ")); }
std::wstring SentForm(const std::wstring& word, const std::wstring& saveVoice) {
  return L"POST multipart/form-data defects 0\nword - text/plain - " + word +
         L"\nvoice voice.wav application/octet-stream - template format\nsaveVoice - text/plain - " + saveVoice + L"\n";
}
double SecondsIn(const std::wstring& answer) {
  const size_t at = answer.find(L"seconds ");
  return at == std::wstring::npos ? -1 : std::stod(answer.substr(at + 8));
}

}  // namespace

TEST_F(VoiceEngine, RecordPlayBackScoreAndReadTheAnswer) {
  ASSERT_FALSE(Server().empty());
  auto fallbacks = [] {
    const auto lines = LogLines();
    return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find("recordVoice device failed, fallback to 0") != std::string::npos;
    });
  };
  const auto fallbacksBefore = fallbacks();
  page->microphone = 99;  // no such device: the loud default one is recorded from
  Record(L"s1", 2000);
  EXPECT_EQ(fallbacksBefore + 1, fallbacks());
  EXPECT_EQ(TAnswer(L""), Result(L"s1")) << "recorded, not yet scored";
  Until(CallbackScript(TCallback::cbPlayRecordedVoiceCompleted, L"s1", L"ok"),
        [&] { engine->playRecordedVoice(*page, L"s1"); });
  EXPECT_EQ(0, page->tips) << "the sine source is loud: no hint (queued before the playback's callback)";

  Score(Server() + L"/score", L"s1", L"Hello, world. Grüße 中文", L"ok");
  const TAnswer result = Result(L"s1");
  ASSERT_TRUE(result);
  const std::wstring answer = *result;
  EXPECT_EQ(SentForm(L"Hello, world. Gr??e ??", L"1"), FormBeforeTheSeconds(answer));
  EXPECT_NEAR(2.0, SecondsIn(answer), 0.3) << answer;

  // An error status keeps the answer of the last upload that succeeded.
  Score(Server() + L"/status/500", L"s1", L"x", L"network_error");
  EXPECT_EQ(TAnswer(answer), Result(L"s1"));
  // A new recording under the id clears its score.
  Record(L"s1", 0);
  EXPECT_EQ(TAnswer(L""), Result(L"s1"));
  EXPECT_EQ(std::nullopt, Result(L"unknown"));
}

TEST_F(VoiceEngine, QuietOrShortRecordingsAreStoredAndShowTheHint) {
  const struct {
    int ms;
    bool muted;
  } cases[] = {{1500, true}, {500, false}, {-5, false}};
  ASSERT_GE(MutedMicrophone(), 0);
  int tips = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ms);
    const std::wstring id = L"quiet" + std::to_wstring(c.ms);
    page->microphone = c.muted ? MutedMicrophone() : 0;
    Record(id, c.ms);
    PumpMessagesUntil([&] { return page->tips > tips; });
    tips = page->tips;
    EXPECT_TRUE(Result(id)) << "stored all the same";
    if (c.muted) {
      page->recordings.With([](auto& items) {
        TWaveStreamAdapter wave(&items[L"quiet1500"]->FVoiceData, soReference);
        EXPECT_GE(wave.DataSize(), 16000u) << "a second of silence at least, from the muted device";
      });
    }
  }
}

TEST_F(VoiceEngine, EarlyScoringFailuresCallBackBeforeTheCallReturnsAndSendNothing) {
  Record(L"s", 1000);
  TMemoryStream recording;
  page->recordings.With([&](auto& items) { recording.CopyFrom(items[L"s"]->FVoiceData, 0); });
  const std::wstring missing = TemplateFile() + L".missing", truncated = TemplateFile() + L".truncated";
  WriteWholeFile(truncated, ReadWholeFile(TemplateFile()).substr(0, 30));
  const struct {
    std::wstring templateFile;
    std::wstring id, status;
    bool locked;
  } cases[] = {
      {TemplateFile(), L"never-recorded", L"no_recorded_voice", false},
      {missing, L"s", L"system_error", false},
      {TemplateFile(), L"s", L"system_error", true},
      {truncated, L"s", L"device_error", false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(i);
    TFileHandle lock(c.locked ? CreateFileW(c.templateFile.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                            OPEN_EXISTING, 0, nullptr)
                              : INVALID_HANDLE_VALUE);
    ASSERT_EQ(c.locked, lock.Valid());
    Make(c.templateFile);
    page->recordings.With([&](auto& items) {
      items[L"s"] = std::make_unique<TRecordedVoice>();
      items[L"s"]->FVoiceData.CopyFrom(recording, 0);
    });
    const std::wstring query = L"/score?case=" + std::to_wstring(i);
    engine->scoreRecordedVoice(*page, Server() + query, c.id, L"t", L"0");
    EXPECT_EQ(1u, page->Count(CallbackScript(TCallback::cbScoreRecordedVoiceCompleted, c.id, c.status)))
        << "inside the page's call";
    EXPECT_EQ(0, ServerCount(query));
  }
  DeleteFileW(truncated.c_str());
}

TEST_F(VoiceEngine, PromptsAreDownloadedOncePerUrlAndFailuresTriedAgain) {
  const std::wstring downloadedOk = L"ok", failed = L"network_error", none = L"";
  const struct {
    std::wstring path;
    std::wstring first, second;  // the download report of two calls in turn; none after a cache hit
    int requests;
  } cases[] = {
      {L"/prompt/tone.wav?case=cached", downloadedOk, none, 1},
      {L"/prompt/tone.wav?case=retry&fail=1", failed, downloadedOk, 2},
      {L"/prompt/empty.wav?case=empty", downloadedOk, none, 1},
      {L"/prompt/text.wav?case=text", downloadedOk, none, 1},
      {L"/prompt/missing.wav?case=missing", failed, failed, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WideToAnsi(c.path));
    const std::wstring url = Server() + c.path;
    const std::wstring contexts[] = {L"c1", L"c2"}, reports[] = {c.first, c.second};
    for (int call = 0; call < 2; ++call) {
      const std::wstring completed = CallbackScript(TCallback::cbPlayAudioCompleted, contexts[call], L"ok");
      std::vector<std::wstring> expected{completed};
      if (!reports[call].empty())
        expected.insert(expected.begin(),
                        CallbackScript(TCallback::cbPlayAudioDownloaded, contexts[call], reports[call]));
      EXPECT_EQ(expected, Until(completed, [&] { engine->playAudio(*page, contexts[call], url); }));
    }
    EXPECT_EQ(c.requests, ServerCount(c.path));
  }
  // A host that does not resolve is a failed download like any other.
  const std::wstring completed = CallbackScript(TCallback::cbPlayAudioCompleted, L"c3", L"ok");
  EXPECT_EQ((std::vector<std::wstring>{CallbackScript(TCallback::cbPlayAudioDownloaded, L"c3", failed), completed}),
            Until(completed, [&] { engine->playAudio(*page, L"c3", L"http://no-such-host.invalid/a.wav"); }));
}

TEST_F(VoiceEngine, ParallelRecordingsAndUploadsEachCallBackOnce) {
  const std::wstring ids[] = {L"p1", L"p2", L"p3"};
  for (const auto& id : ids) engine->recordVoice(*page, id, 1000);
  PumpMessagesUntil([&] { return page->scripts.size() == 3; });
  for (const auto& id : ids) engine->scoreRecordedVoice(*page, Server() + L"/score", id, id, L"0");
  PumpMessagesUntil([&] { return page->scripts.size() == 6; });
  for (const auto& id : ids) {
    EXPECT_EQ(1u, page->Count(CallbackScript(TCallback::cbRecordVoiceCompleted, id, L"ok")));
    EXPECT_EQ(1u, page->Count(CallbackScript(TCallback::cbScoreRecordedVoiceCompleted, id, L"ok")));
    const std::wstring answer = Result(id).value_or(L"");
    EXPECT_EQ(SentForm(id, L"0"), FormBeforeTheSeconds(answer));
    EXPECT_NEAR(1.0, SecondsIn(answer), 0.3) << answer;
  }
}

TEST_F(VoiceEngine, ARecordingWithoutEndEndsWithTheApplication) {
  engine->recordVoice(*page, L"long", 0x7FFFFFFF);
  mainThread.Shutdown();
  // The worker stores the recording once its wait has ended; nothing reaches the page any more.
  while (!page->recordings.With([](auto& items) { return items.count(L"long") == 1; })) Sleep(10);
}

TEST_F(VoiceEngine, OneHostCacheEntryWhateverTheCaseAndTheHostHeaderWithoutPort) {
  auto lookups = [] {
    int count = 0;
    for (const std::string& line : LogLines()) {
      const size_t at = line.find("GetIpWithCache need to resolve ");
      if (at != std::string::npos && EqualsAsciiNoCase(line.substr(at + 31), "localhost")) ++count;
    }
    return count;
  };
  const int before = lookups();
  std::unique_ptr<TTovlaneHttp> http = createHttp();
  const std::string server = WideToAnsi(Server());
  const std::string port = server.substr(server.rfind(':') + 1);
  http->PreResolveHost("http://LOCALHOST:" + port + "/echo");
  EXPECT_EQ("127.0.0.1", GetIpWithCache("localhost"));
  EXPECT_EQ(1, lookups() - before);
  EXPECT_EQ("http://127.0.0.1:" + port + "/echo", http->FResolvedUrl);
  TMemoryStream body;
  http->Get(http->FResolvedUrl, body);
  const std::string echo(reinterpret_cast<const char*>(body.Memory()), size_t(body.Size()));
  EXPECT_NE(std::string::npos, echo.find("\"Host\": \"LOCALHOST\"")) << echo;
}

// The page's recording on a device that fails at each step: one "ok" callback, the error logged where the
// recording could not be made, and every device closed before the callback (the recorder is gone by then).
TEST_F(VoiceEngine, RecordingOnAFaultyDeviceCallsBackOnceAndClosesTheDevice) {
  const struct {
    const char* what;
    TWaveFault fault;
    bool logged;  // "recordVoice <id> exception: " + the device's error text
  } cases[] = {
      {"no device at all", {wcDevCaps, MMSYSERR_BADDEVICEID}, true},
      {"the chosen device is gone, device 0 answers", {wcDevCaps, MMSYSERR_BADDEVICEID, 0, 1}, false},
      {"format refused", {wcQuery, WAVERR_BADFORMAT}, true},
      {"device busy", {wcOpen, MMSYSERR_ALLOCATED}, true},
      {"no memory for a header", {wcPrepare, MMSYSERR_NOMEM}, false},
      {"buffers refused", {wcQueue, MMSYSERR_NOMEM}, false},
      {"start refused", {wcStart, MMSYSERR_ERROR}, false},
      {"device gone on the next buffer", {wcQueue, MMSYSERR_NODRIVER, 2}, false},
      {"device gone, its reset and close refused", {wcQueue | wcReset | wcClose, MMSYSERR_NODRIVER, 2}, true},
      {"reset refused", {wcReset, MMSYSERR_NODRIVER}, true},
      {"close refused", {wcClose, MMSYSERR_NODRIVER}, false},
      {"a header that will not unprepare", {wcUnprepare, MMSYSERR_ERROR, 0, 1}, false},
  };
  page->microphone = 0;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.what);
    const std::wstring id = L"fault" + std::to_wstring(i);
    const std::string exception = WideToAnsi(L"recordVoice " + id + L" exception: " + WaveInErrorText(c.fault.code));
    const std::wstring callback = CallbackScript(TCallback::cbRecordVoiceCompleted, id, L"ok");
    TWaveFaults faults(c.fault);
    engine->recordVoice(*page, id, 2500);
    PumpMessagesUntil([&] { return page->Count(callback) > 0; });
    EXPECT_EQ(1u, page->Count(callback));
    EXPECT_GT(faults.Failures(), 0) << "the fault was met";
    EXPECT_EQ(0, faults.OpenDevices());
    const auto lines = LogLines();
    EXPECT_EQ(c.logged, std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
                return line.find(exception) != std::string::npos;
              }));
  }
}

namespace {

MMRESULT WINAPI RefusedStreamOpen(HACMSTREAM*, HACMDRIVER, WAVEFORMATEX*, WAVEFORMATEX*, WAVEFILTER*, DWORD_PTR,
                                  DWORD_PTR, DWORD) {
  return ACMERR_NOTPOSSIBLE;
}
MMRESULT WINAPI RefusedStreamSize(HACMSTREAM, DWORD, DWORD*, DWORD) { return MMSYSERR_INVALPARAM; }
MMRESULT WINAPI RefusedHeader(HACMSTREAM, ACMSTREAMHEADER*, DWORD) { return MMSYSERR_NOMEM; }
MMRESULT WINAPI RefusedSuggest(HACMDRIVER, WAVEFORMATEX*, WAVEFORMATEX*, DWORD, DWORD) { return ACMERR_NOTPOSSIBLE; }

}  // namespace

// A codec that fails at any step of the conversion: "device_error" inside the page's call, nothing uploaded.
// (A missing, locked or cut-off template is the early-failure table above.)
TEST_F(VoiceEngine, ConversionThatTheCodecsRefuseReportsADeviceError) {
  Record(L"acm", 500);
  const struct {
    const char* what;
    void (*fail)(TAcmCalls&);
  } cases[] = {
      {"no stream opens", [](TAcmCalls& acm) { acm.streamOpen = RefusedStreamOpen; }},
      {"no size estimate", [](TAcmCalls& acm) { acm.streamSize = RefusedStreamSize; }},
      {"header refused", [](TAcmCalls& acm) { acm.streamPrepareHeader = RefusedHeader; }},
      {"conversion refused", [](TAcmCalls& acm) { acm.streamConvert = RefusedHeader; }},
      {"conversion refused, no PCM suggested",
       [](TAcmCalls& acm) {
         acm.streamConvert = RefusedHeader;
         acm.formatSuggest = RefusedSuggest;
       }},
  };
  const std::wstring callback = CallbackScript(TCallback::cbScoreRecordedVoiceCompleted, L"acm", L"device_error");
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].what);
    const TAcmCalls real = AcmCalls;
    cases[i].fail(AcmCalls);
    const std::wstring query = L"/score?acm=" + std::to_wstring(i);
    const size_t before = page->Count(callback);
    bool raised = false;
    try {
      engine->scoreRecordedVoice(*page, Server() + query, L"acm", L"t", L"0");
    } catch (...) {
      raised = true;
    }
    AcmCalls = real;
    ASSERT_FALSE(raised);
    EXPECT_EQ(before + 1, page->Count(callback)) << "inside the page's call";
    EXPECT_EQ(0, ServerCount(query));
  }
  Score(Server() + L"/score", L"acm", L"t", L"ok");
}
