// The HTTP client against the platform test server (its address in TOVLANE_SERVER).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "support/crypto/Base64.h"
#include "support/http/HttpClient.h"
#include "support/http/Multipart.h"

namespace {
std::string Server() {
  const char* address = std::getenv("TOVLANE_SERVER");
  return address ? address : "http://127.0.0.1:9";
}

// The server's port, for the Host values it reports back.
std::string ServerPort() { return TUri::Parse(Server()).Port; }

std::string Get(THttpClient& client, const std::string& path) {
  std::ostringstream body;
  client.Get(Server() + path, body);
  return body.str();
}

std::string ErrorOf(THttpClient& client, const std::string& url) {
  std::ostringstream body;
  try {
    client.Get(url, body);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "no error";
}

bool IsPattern(const std::string& body) {
  for (size_t i = 0; i < body.size(); ++i)
    if (static_cast<unsigned char>(body[i]) != i % 251) return false;
  return true;
}

// Replaces the Host value on every connection, as a client that connects to a looked-up address does.
class THostHookClient : public THttpClient {
 public:
  int Connections = 0;

 protected:
  void Connect(const std::string& host, int port) override {
    ++Connections;
    RequestHost = "platform.example";
    THttpClient::Connect(host, port);
  }
};
}  // namespace

TEST(HttpClient, DownloadsBodiesWithLengthWithoutLengthAndChunked) {
  for (const char* variant : {"", "&length=0", "&chunked=1"}) {
    THttpClient client;
    std::vector<int64_t> begins, counts;
    int ends = 0;
    client.OnWorkBegin = [&](int64_t size) { begins.push_back(size); };
    client.OnWork = [&](int64_t count) { counts.push_back(count); };
    client.OnWorkEnd = [&] { ++ends; };
    std::string body = Get(client, std::string("/bytes?size=3000000") + variant);
    EXPECT_EQ(3000000u, body.size()) << variant;
    EXPECT_TRUE(IsPattern(body)) << variant;
    ASSERT_EQ(1u, begins.size());
    EXPECT_EQ(std::string(variant).empty() ? 3000000 : 0, begins[0]) << variant;
    ASSERT_GT(counts.size(), 1u) << variant;
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()) && counts.front() > 0) << variant;
    EXPECT_EQ(3000000, counts.back()) << variant;
    EXPECT_EQ(1, ends);
  }
}

TEST(HttpClient, WritesTheBodyAtTheStreamsPosition) {
  THttpClient client;
  std::stringstream stream("prefix-");
  stream.seekp(0, std::ios::end);
  client.Get(Server() + "/bytes?size=10", stream);
  EXPECT_EQ(std::string("prefix-") + std::string("\0\1\2\3\4\5\6\7\10\11", 10), stream.str());
}

TEST(HttpClient, SendsHttp10WithItsHeadersAndTheUrlsHost) {
  THttpClient client;
  client.SetRequestHeader("User-Agent", "first");
  client.SetRequestHeader("user-agent", "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; TovlaneClient)");
  client.SetRequestHeader("Accept-Language", "zh-cn");
  std::string echo = Get(client, "/echo/doc?a=1");
  EXPECT_NE(std::string::npos, echo.find("\"method\": \"GET\""));
  EXPECT_NE(std::string::npos, echo.find("\"path\": \"/echo/doc?a=1\""));
  EXPECT_NE(std::string::npos, echo.find("\"Host\": \"127.0.0.1:" + ServerPort() + "\""));
  EXPECT_NE(std::string::npos, echo.find("\"User-Agent\": \"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; "
                                         "TovlaneClient)\""));
  EXPECT_NE(std::string::npos, echo.find("\"Accept-Language\": \"zh-cn\""));
  EXPECT_EQ(std::string::npos, echo.find("first"));
  EXPECT_THROW(client.SetRequestHeader("X-Bad", "a\r\nInjected: 1"), EHttpError);
}

TEST(HttpClient, FollowsEveryRedirectStatusWithTheHostHookOnEachHop) {
  for (const char* status : {"301", "302", "303", "307", "308"}) {
    THostHookClient client;
    std::string echo = Get(client, std::string("/hops?n=3&status=") + status);
    EXPECT_EQ(4, client.Connections) << status;
    EXPECT_NE(std::string::npos, echo.find("seen=platform.example%2Cplatform.example%2Cplatform.example%2C")) << echo;
    EXPECT_NE(std::string::npos, echo.find("\"Host\": \"platform.example\"")) << echo;
  }
  THttpClient client;
  std::string target = Server() + "/echo/absolute";
  EXPECT_NE(std::string::npos, Get(client, "/redirect?to=" + target).find("/echo/absolute"));
}

TEST(HttpClient, PostKeepsItsBodyOnlyThrough307And308) {
  for (const char* status : {"307", "308", "302", "303"}) {
    THttpClient client;
    std::ostringstream echo;
    client.Post(Server() + "/redirect?to=/echo&status=" + status, "payload", "text/plain", echo);
    bool kept = std::string(status) == "307" || std::string(status) == "308";
    EXPECT_NE(std::string::npos, echo.str().find(kept ? "\"method\": \"POST\"" : "\"method\": \"GET\"")) << status;
    EXPECT_EQ(kept, echo.str().find("\"body\": \"payload\"") != std::string::npos) << status;
  }
}

TEST(HttpClient, RedirectLoopsAndLongChainsFail) {
  THttpClient client;
  EXPECT_EQ("redirect loop at " + Server() + "/loop/a", ErrorOf(client, Server() + "/loop/a"));
  client.RedirectMaximum = 2;
  EXPECT_EQ("too many redirects (3)", ErrorOf(client, Server() + "/hops?n=3"));
  EXPECT_NE("no error", ErrorOf(client, Server() + "/redirect?to=https://127.0.0.1/"));
  client.HandleRedirects = false;
  EXPECT_EQ("HTTP/1.0 302 Found", ErrorOf(client, Server() + "/hops?n=1"));
}

TEST(HttpClient, ErrorStatusesRaiseWithTheirStatusLine) {
  THttpClient client;
  std::ostringstream body;
  try {
    client.Get(Server() + "/status/404", body);
    FAIL() << "no error raised";
  } catch (const EHttpStatusError& e) {
    EXPECT_STREQ("HTTP/1.0 404 Not Found", e.what());
    EXPECT_EQ(404, e.StatusCode);
  }
  EXPECT_EQ("", body.str());
  EXPECT_EQ("HTTP/1.0 500 Internal Server Error", ErrorOf(client, Server() + "/status/500"));
}

TEST(HttpClient, MalformedAndCutOffResponsesFailClearly) {
  THttpClient client;
  client.ReadTimeout = 5000;
  EXPECT_EQ("ok", Get(client, "/raw/interim"));
  EXPECT_EQ("malformed status line: \"HTP/1.0 200 OK\"", ErrorOf(client, Server() + "/raw/bad-status"));
  EXPECT_EQ("invalid Content-Length: \"-5\"", ErrorOf(client, Server() + "/raw/negative-length"));
  EXPECT_EQ("response header section too large", ErrorOf(client, Server() + "/raw/endless-headers"));
  EXPECT_EQ("invalid chunk size: \"zz\"", ErrorOf(client, Server() + "/raw/bad-chunk"));
  EXPECT_EQ("connection closed after 10 of 1000 bytes of the body", ErrorOf(client, Server() + "/cut?send=10"));
  EXPECT_NE("no error", ErrorOf(client, "http://bad host/"));
  EXPECT_NE(std::string::npos, ErrorOf(client, "http://127.0.0.1:1/").find("connection refused"));
}

TEST(HttpClient, StalledServerFailsAfterTheReadTimeOut) {
  for (const char* at : {"head", "body"}) {
    THttpClient client;
    client.ReadTimeout = 300;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ("read timed out", ErrorOf(client, Server() + "/stall?seconds=20&at=" + at)) << at;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << at;
  }
}

TEST(HttpClient, UnansweredConnectFailsAfterTheConnectTimeOutOrADisconnect) {
  THttpClient probe;
  const std::string port = Get(probe, "/unaccepted");
  THttpClient client;
  client.ConnectTimeout = 300;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ("connect timed out", ErrorOf(client, "http://127.0.0.1:" + port + "/"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  THttpClient waiting;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    waiting.Disconnect();
  });
  EXPECT_EQ("connection closed by disconnect", ErrorOf(waiting, "http://127.0.0.1:" + port + "/"));
  stopper.join();
}

TEST(HttpClient, DisconnectFromAnotherThreadEndsABlockedDownloadWithinOneSecond) {
  THttpClient client;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    client.Disconnect();
  });
  auto start = std::chrono::steady_clock::now();
  std::string error = ErrorOf(client, Server() + "/stall?seconds=30&at=body");
  auto elapsed = std::chrono::steady_clock::now() - start;
  stopper.join();
  EXPECT_EQ("connection closed by disconnect", error);
  EXPECT_LT(elapsed, std::chrono::milliseconds(1300));
  EXPECT_EQ("connection closed by disconnect", ErrorOf(client, Server() + "/echo"));
}

TEST(HttpClient, MultipartPostParsesIntoThePartsAsSent) {
  TMultipartFormData form;
  std::vector<uint8_t> wav(5000);
  for (size_t i = 0; i < wav.size(); ++i) wav[i] = uint8_t(i * 13);
  form.AddText("word", L"I read \u201cthis\u201d", "text/plain");
  form.AddBytes("voice", "voice.wav", "application/octet-stream", wav);
  form.AddText("saveVoice", L"true", "text/plain");
  THttpClient client;
  std::ostringstream reply;
  std::string body = form.Body();
  client.Post(Server() + "/multipart", body, form.ContentType(), reply);
  std::string word =
      Base64Encode(std::vector<uint8_t>{'I', ' ', 'r', 'e', 'a', 'd', ' ', '?', 't', 'h', 'i', 's', '?'});
  EXPECT_EQ(
      "defects 0 multipart 1\n"
      "word\t-\ttext/plain\t-\t" +
          word +
          "\n"
          "voice\tvoice.wav\tapplication/octet-stream\t-\t" +
          Base64Encode(wav) +
          "\n"
          "saveVoice\t-\ttext/plain\t-\t" +
          Base64Encode(std::vector<uint8_t>{'t', 'r', 'u', 'e'}) + "\n",
      reply.str());
}

TEST(HttpClient, ServesFilesWhole) {
  THttpClient client;
  std::string file = Get(client, "/files/platform_server.py");
  EXPECT_EQ(0u, file.find("#!/usr/bin/env python3"));
  EXPECT_EQ("HTTP/1.0 404 Not Found", ErrorOf(client, Server() + "/files/../CMakeLists.txt"));
}
