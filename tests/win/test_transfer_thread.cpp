// The transfer thread against the platform test server: its reports, counters, streams, log lines, aborts at
// each stage and destruction during a body.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/untConfig.h"
#include "base/untGlobal.h"
#include "base/untMainThread.h"
#include "base/untText.h"
#include "testkit/WinTestSupport.h"
#include "update/untTransferThread.h"

namespace {

struct TRecorder : ITransferCallback {
  std::vector<std::wstring> statuses;
  TTransferThread* seen = nullptr;
  std::function<void(TTransferThread*)> onWorking;
  bool Over() const { return !statuses.empty() && statuses.back() == kTransferOver; }
  void TransferReportStatus(TTransferThread* ATransfer, const std::wstring& AStatus) override {
    EXPECT_TRUE(IsMainThread());
    seen = ATransfer;
    statuses.push_back(AStatus);
    if (AStatus == kTransferWorking && onWorking) onWorking(ATransfer);
  }
};

// "over" exactly once and last, every other report "working".
void ExpectReportOrder(const std::vector<std::wstring>& statuses) {
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(kTransferOver, statuses.back());
  EXPECT_EQ(1, std::count(statuses.begin(), statuses.end(), std::wstring(kTransferOver)));
  EXPECT_EQ(statuses.size() - 1, size_t(std::count(statuses.begin(), statuses.end(), std::wstring(kTransferWorking))));
}

// The messages of the log since it was emptied, without their date and time.
std::vector<std::string> LogMessages() {
  std::vector<std::string> messages;
  for (const std::string& line : LogLines()) {
    const size_t begin = line.find("TTransferThread");
    if (begin != std::string::npos) messages.push_back(line.substr(begin));
  }
  return messages;
}

std::string Text(TStream& stream) {
  std::string bytes(static_cast<size_t>(stream.Size()), '\0');
  stream.SetPosition(0);
  stream.ReadBuffer(bytes.data(), stream.Size());
  return bytes;
}

// A port whose accept queue is full, so that a connection to it is never answered.
std::wstring UnansweredUrl() {
  TMemoryStream port;
  THttpClient().Get(WideToAnsi(ServerUrl(L"/unaccepted")), port);
  const std::string number = Text(port);
  return L"http://127.0.0.1:" + std::wstring(number.begin(), number.end()) + L"/";
}

// Time-outs far beyond any test, so that only an abort can end the wait.
void WaitLong(TTransferThread& transfer) {
  transfer.IdHTTP().ConnectTimeout = transfer.IdHTTP().ReadTimeout = 600000;
  transfer.IdHTTP().RequestTimeout = 0;
}

class TransferThread : public ::testing::Test {
 protected:
  void SetUp() override { DeleteFileW(LogFileName().c_str()); }
  TMainThread mainThread;
};

}  // namespace

TEST_F(TransferThread, BodiesAndFailuresEndWithOneOverAfterTheirWorkingReports) {
  struct Case {
    const wchar_t* path;
    bool succeeded;
    int32_t workCountMax, workCount;
    const char* failure;  // the log's exception line
  } cases[] = {
      {L"/bytes?size=300007", true, 300007, 300007, nullptr},
      {L"/bytes?size=300007&length=0", true, 0, 300007, nullptr},
      {L"/bytes?size=0", true, 0, 0, nullptr},
      {L"/status/404", false, 0, 0, "TTransferThread exception: HTTP/1.0 404 Not Found"},
      {L"/cut?announce=1000&send=10", false, 1000, 10, "TTransferThread exception: "},
      {L"/loop/a", false, 0, 0, "TTransferThread exception: redirect loop"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToAnsi(c.path));
    DeleteFileW(LogFileName().c_str());
    TRecorder recorder;
    auto transfer = std::make_unique<TTransferThread>(L"client.ini", &recorder);
    transfer->SetUrl(ServerUrl(c.path));
    transfer->Start();
    PumpMessagesUntil([&] { return recorder.Over(); });
    ExpectReportOrder(recorder.statuses);
    EXPECT_EQ(transfer.get(), recorder.seen);
    EXPECT_EQ(c.succeeded, transfer->Succeeded());
    EXPECT_FALSE(transfer->Aborted());
    EXPECT_EQ(c.workCountMax, transfer->WorkCountMax);
    EXPECT_EQ(c.workCount, transfer->WorkCount);
    // The transfer's own stream: its position is at the end of the body, which the reader rewinds to.
    TStream& body = *transfer->ResponseStream();
    EXPECT_EQ(c.workCount, body.Position());
    if (c.succeeded) {
      const std::string bytes = Text(body);
      for (size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(char(i % 251), bytes[i]) << i;
    }
    transfer.reset();
    std::vector<std::string> expected = {"TTransferThread begin"};
    expected.push_back(c.succeeded ? "TTransferThread after get" : c.failure);
    expected.push_back("TTransferThread report status over ...");
    expected.push_back("TTransferThread end");
    const std::vector<std::string> log = LogMessages();
    ASSERT_EQ(expected.size(), log.size());
    for (size_t i = 0; i < log.size(); ++i) EXPECT_EQ(0u, log[i].rfind(expected[i], 0)) << log[i];
  }
}

TEST_F(TransferThread, AnAttachedStreamTakesTheBodyAtItsPositionWithTheIdentityHeaders) {
  TRecorder recorder;
  TMemoryStream body;
  body.WriteBuffer("kept:", 5);
  {
    TTransferThread transfer(L"file", &recorder);
    transfer.SetUrl(ServerUrl(L"/echo"));
    transfer.AttachResponseStream(&body);
    transfer.Start();
    PumpMessagesUntil([&] { return recorder.Over(); });
    ASSERT_TRUE(transfer.Succeeded());
    EXPECT_EQ(&body, transfer.ResponseStream());
  }
  // The stream outlives the transfer.
  const std::string echo = Text(body);
  EXPECT_EQ(0u, echo.rfind("kept:{", 0));
  for (const std::string& header :
       {std::string("\"User-Agent\": \"") + kHttpUserAgent + "\"", std::string("\"Accept\": \"*/*\""),
        std::string("\"Accept-Language\": \"zh-cn\""), std::string("\"Cache-control\": \"no-cache\"")})
    EXPECT_NE(std::string::npos, echo.find(header)) << header << " in " << echo;
}

TEST_F(TransferThread, AHostThatDoesNotAnswerEndsWithOnlyOverAfterTheConnectTimeOut) {
  TRecorder recorder;
  TTransferThread transfer(L"client.ini", &recorder);
  transfer.SetUrl(UnansweredUrl());
  transfer.IdHTTP().ConnectTimeout = 300;
  transfer.Start();
  PumpMessagesUntil([&] { return recorder.Over(); });
  EXPECT_EQ(std::vector<std::wstring>{kTransferOver}, recorder.statuses);
  EXPECT_FALSE(transfer.Succeeded());
  EXPECT_FALSE(transfer.Aborted());
}

TEST_F(TransferThread, AnAbortAtEachStageEndsPromptlyWithoutSuccess) {
  enum TStage { stBeforeStart, stAtStart, stConnecting, stAwaitingAnswer, stInBody };
  struct Case {
    TStage stage;
    std::wstring url;
  } cases[] = {
      {stBeforeStart, ServerUrl(L"/bytes?size=10")},
      {stAtStart, ServerUrl(L"/bytes?size=10")},
      {stConnecting, UnansweredUrl()},
      {stAwaitingAnswer, ServerUrl(L"/hold")},
      {stInBody, ServerUrl(L"/drip?interval=0.05&count=100000")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stage);
    TRecorder recorder;
    TTransferThread transfer(L"file", &recorder);
    transfer.SetUrl(c.url);
    WaitLong(transfer);
    if (c.stage == stInBody) recorder.onWorking = [](TTransferThread* t) { t->AbortHttpRequest(); };
    if (c.stage == stBeforeStart) transfer.AbortHttpRequest();
    const DWORD start = GetTickCount();
    transfer.Start();
    if (c.stage == stAtStart) transfer.AbortHttpRequest();
    // Long enough for the thread to be inside its lookup, connection or wait for the answer.
    if (c.stage == stConnecting || c.stage == stAwaitingAnswer) {
      Sleep(200);
      transfer.AbortHttpRequest();
    }
    PumpMessagesUntil([&] { return recorder.Over(); });
    ExpectReportOrder(recorder.statuses);
    EXPECT_LT(GetTickCount() - start, 60000u) << "only the abort could end it before its time-outs";
    EXPECT_FALSE(transfer.Succeeded());
    EXPECT_TRUE(transfer.Aborted());
  }
}

TEST_F(TransferThread, DestructionDuringABodyWaitsForItsEndAndDropsTheReportsStillQueued) {
  TRecorder recorder;
  auto transfer = std::make_unique<TTransferThread>(L"file", &recorder);
  transfer->SetUrl(ServerUrl(L"/drip?interval=0.01&count=60"));
  transfer->Start();
  PumpMessagesUntil([&] { return !recorder.statuses.empty(); });
  transfer.reset();
  const std::vector<std::string> log = LogMessages();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ("TTransferThread end", log.back()) << "the body ran to its end before the transfer went";
  EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "TTransferThread after get"));
  const size_t delivered = recorder.statuses.size();
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  EXPECT_EQ(delivered, recorder.statuses.size()) << "no report reaches a transfer that is gone";
  EXPECT_FALSE(recorder.Over());
}
