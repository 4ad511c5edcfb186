// The HTTP client against the platform test server (its address in TOVLANE_SERVER).
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
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

std::string Text(TMemoryStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.Memory()), size_t(stream.Size()));
}

std::string Get(THttpClient& client, const std::string& path) {
  TMemoryStream body;
  client.Get(Server() + path, body);
  return Text(body);
}

std::string ErrorOf(THttpClient& client, const std::string& url, TStream* into = nullptr) {
  TMemoryStream body;
  try {
    client.Get(url, into ? *into : body);
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

// Opens once; a waiter sees it opened even when it came to wait afterwards.
class TLatch {
 public:
  void Open() {
    std::lock_guard<std::mutex> hold(FLock);
    FOpen = true;
    FChanged.notify_all();
  }
  // False when the bound passed first.
  bool Wait(std::chrono::seconds bound = std::chrono::seconds(20)) {
    std::unique_lock<std::mutex> hold(FLock);
    return FChanged.wait_for(hold, bound, [this] { return FOpen; });
  }

 private:
  std::mutex FLock;
  std::condition_variable FChanged;
  bool FOpen = false;
};

// A name lookup that hangs until released, as a resolver without an answering server does. It owns its
// latches: it runs on a helper thread that may outlive the request. Unreleased, it finds nothing.
struct THangingLookup {
  std::shared_ptr<TLatch> Begun = std::make_shared<TLatch>();
  std::shared_ptr<TLatch> Released = std::make_shared<TLatch>();
  TNameLookup Function() const {
    return [begun = Begun, released = Released](const std::string&) {
      begun->Open();
      return released->Wait() ? std::vector<std::string>{"127.0.0.1"} : std::vector<std::string>{};
    };
  }
};

// Tells when each connection is opened.
class TConnectSignalClient : public THttpClient {
 public:
  TLatch Connecting;

 protected:
  void Connect(const std::string& host, int port) override {
    Connecting.Open();
    THttpClient::Connect(host, port);
  }
};

// The error that ends a request which another thread disconnects once armed has opened.
std::string ErrorAfterDisconnect(THttpClient& client, TLatch& armed, const std::function<void()>& request) {
  std::thread stopper([&] {
    armed.Wait();
    client.Disconnect();
  });
  std::string error = "no error";
  try {
    request();
  } catch (const std::exception& e) {
    error = e.what();
  }
  stopper.join();
  return error;
}
}  // namespace

TEST(HttpClient, DownloadsBodiesWithLengthWithoutLengthAndChunked) {
  for (const char* variant : {"", "&length=0", "&chunked=1"}) {
    const bool announced = std::string(variant).empty();
    THttpClient client;
    TMemoryStream body;
    std::vector<int64_t> received, expected;
    std::vector<uint8_t*> memory;
    client.OnProgress = [&](int64_t count, int64_t size) {
      received.push_back(count);
      expected.push_back(size);
      memory.push_back(body.Memory());
      return true;
    };
    client.Get(Server() + std::string("/bytes?size=3000000") + variant, body);
    EXPECT_EQ(3000000, body.Size()) << variant;
    EXPECT_TRUE(IsPattern(Text(body))) << variant;
    ASSERT_GT(received.size(), 2u) << variant;
    EXPECT_EQ(0, received.front()) << variant;
    EXPECT_TRUE(std::is_sorted(received.begin(), received.end())) << variant;
    EXPECT_EQ(3000000, received.back()) << variant;
    EXPECT_EQ(std::vector<int64_t>(expected.size(), announced ? 3000000 : 0), expected) << variant;
    // An announced body is written into storage sized once, never moved.
    if (announced) {
      EXPECT_EQ(std::vector<uint8_t*>(memory.size(), memory.front()), memory);
    }
  }
}

TEST(HttpClient, WritesTheBodyIntoAnyStreamAtItsPosition) {
  THttpClient client;
  TMemoryStream memory;
  memory.WriteBuffer("prefix-", 7);
  client.Get(Server() + "/bytes?size=10", memory);
  EXPECT_EQ(std::string("prefix-") + std::string("\0\1\2\3\4\5\6\7\10\11", 10), Text(memory));
  memory.SetPosition(2);
  client.Get(Server() + "/bytes?size=3", memory);
  EXPECT_EQ(std::string("pr\0\1\2x-", 7) + std::string("\0\1\2\3\4\5\6\7\10\11", 10), Text(memory));
  EXPECT_EQ(5, memory.Position());

  const auto path = std::filesystem::temp_directory_path() / "tovlane-http-body.bin";
  {
    TFileStream file(path.wstring(), fmCreate);
    client.Get(Server() + "/bytes?size=300000&chunked=1", file);
    EXPECT_EQ(300000, file.Size());
    TMemoryStream copy;
    copy.CopyFrom(file, 0);
    EXPECT_TRUE(IsPattern(Text(copy)));
  }
  std::filesystem::remove(path);
}

TEST(HttpClient, AFailedOrCancelledBodyLeavesWhatArrivedAndNothingMore) {
  THttpClient client;
  TMemoryStream cut;
  EXPECT_EQ("connection closed after 10 of 1000 bytes of the body", ErrorOf(client, Server() + "/cut?send=10", &cut));
  EXPECT_EQ(std::string(10, 'y'), Text(cut));

  TMemoryStream cancelled;
  client.OnProgress = [](int64_t received, int64_t) { return received < 100000; };
  EXPECT_EQ("request cancelled", ErrorOf(client, Server() + "/bytes?size=3000000", &cancelled));
  EXPECT_GE(cancelled.Size(), 100000);
  EXPECT_LT(cancelled.Size(), 3000000);
  EXPECT_TRUE(IsPattern(Text(cancelled)));
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
    TMemoryStream reply;
    client.Post(Server() + "/redirect?to=/echo&status=" + status, "payload", "text/plain", reply);
    const std::string echo = Text(reply);
    bool kept = std::string(status) == "307" || std::string(status) == "308";
    EXPECT_NE(std::string::npos, echo.find(kept ? "\"method\": \"POST\"" : "\"method\": \"GET\"")) << status;
    EXPECT_EQ(kept, echo.find("\"body\": \"payload\"") != std::string::npos) << status;
  }
}

TEST(HttpClient, RedirectLoopsAndLongChainsFail) {
  THttpClient client;
  EXPECT_EQ("redirect loop at " + Server() + "/loop/a", ErrorOf(client, Server() + "/loop/a"));
  client.RedirectMaximum = 2;
  EXPECT_EQ("too many redirects (3)", ErrorOf(client, Server() + "/hops?n=3"));
  client.HandleRedirects = false;
  EXPECT_EQ("HTTP/1.0 302 Found", ErrorOf(client, Server() + "/hops?n=1"));
}

TEST(HttpClient, ErrorStatusesRaiseWithTheirStatusLine) {
  THttpClient client;
  TMemoryStream body;
  try {
    client.Get(Server() + "/status/404", body);
    FAIL() << "no error raised";
  } catch (const EHttpStatusError& e) {
    EXPECT_STREQ("HTTP/1.0 404 Not Found", e.what());
    EXPECT_EQ(404, e.StatusCode);
  }
  EXPECT_EQ(0, body.Size());
  EXPECT_EQ("HTTP/1.0 500 Internal Server Error", ErrorOf(client, Server() + "/status/500"));
}

TEST(HttpClient, MalformedAndCutOffResponsesFailClearly) {
  THttpClient client;
  client.ReadTimeout = 5000;
  EXPECT_EQ("ok", Get(client, "/raw/interim"));
  const std::pair<const char*, const char*> cases[] = {
      {"/raw/bad-status", "malformed status line: \"HTP/1.0 200 OK\""},
      {"/raw/status-000", "invalid status code: \"HTTP/1.0 000 None\""},
      {"/raw/status-099", "invalid status code: \"HTTP/1.0 099 Early\""},
      {"/raw/status-600", "invalid status code: \"HTTP/1.0 600 Beyond\""},
      {"/raw/negative-length", "invalid Content-Length: \"-5\""},
      {"/raw/length-overflow", "Content-Length too large: 9223372036854775808"},
      {"/raw/length-overflow-more", "Content-Length too large: 9223372036854775809"},
      {"/raw/length-largest", "connection closed after 4 of 9223372036854775807 bytes of the body"},
      {"/raw/endless-headers", "response header section too large"},
      {"/raw/bad-chunk", "invalid chunk size: \"zz\""},
      {"/cut?send=10", "connection closed after 10 of 1000 bytes of the body"},
  };
  for (const auto& [path, error] : cases) EXPECT_EQ(error, ErrorOf(client, Server() + path)) << path;
  EXPECT_NE("no error", ErrorOf(client, "http://bad host/"));
  EXPECT_NE(std::string::npos, ErrorOf(client, "http://127.0.0.1:1/").find("connection refused"));
}

TEST(HttpClient, RedirectsToOtherSchemesFailWithoutAFetch) {
  THttpClient client;
  for (const char* target : {"javascript:alert(1)", "mailto:x@y", "data:,x", "g:h", "https://127.0.0.1/", "http:g"}) {
    const std::string error = ErrorOf(client, Server() + "/redirect?to=" + target);
    EXPECT_EQ(std::string(target) == "http:g"
                  ? "URL without host: http:g"
                  : std::string("redirect to an address that is not http refused: ") + target,
              error);
  }
}

TEST(HttpClient, UrlsWithBlanksAndRawBytesAreSentEncodedAndValidOnesUnchanged) {
  THttpClient client;
  const std::pair<std::string, std::string> cases[] = {
      {"/echo/prompts/a b.mp3?word=a b&x=<\"1\">#f g", "/echo/prompts/a%20b.mp3?word=a%20b&x=%3C%221%22%3E"},
      {"/echo/%E4%BD%A0;p=1/~a-._!$&'()*+,;=:@/?q=/?:@!$&'()*+,;=%7e",
       "/echo/%E4%BD%A0;p=1/~a-._!$&'()*+,;=:@/?q=/?:@!$&'()*+,;=%7e"},
      {"/echo/\xe4\xbd\xa0", "/echo/%E4%BD%A0"},
  };
  for (const auto& [sent, received] : cases)
    EXPECT_NE(std::string::npos, Get(client, sent).find("\"path\": \"" + received + "\"")) << sent;
}

TEST(HttpClient, StalledServerFailsAfterTheReadTimeOut) {
  for (const char* at : {"head", "body"}) {
    THttpClient client;
    client.ReadTimeout = 300;
    EXPECT_EQ("read timed out", ErrorOf(client, Server() + "/stall?seconds=20&at=" + at)) << at;
  }
}

TEST(HttpClient, ADrippingServerEndsAtTheRequestsDeadline) {
  THttpClient client;
  client.ReadTimeout = 5000;
  client.RequestTimeout = 1500;
  EXPECT_EQ("request timed out", ErrorOf(client, Server() + "/drip?interval=1&count=20"));
}

TEST(HttpClient, ANameLookupThatHangsEndsAtItsTimeOutOrTheDeadline) {
  for (bool connectTimeOut : {true, false}) {
    THangingLookup lookup;
    THttpClient client;
    client.NameLookup = lookup.Function();
    (connectTimeOut ? client.ConnectTimeout : client.RequestTimeout) = 300;
    EXPECT_EQ(connectTimeOut ? "name lookup timed out: stuck.example" : "request timed out",
              ErrorOf(client, "http://stuck.example:" + ServerPort() + "/echo"));
    lookup.Released->Open();
  }
  // A looked-up address is connected to, and the Host header still names the host.
  THttpClient client;
  client.NameLookup = [](const std::string& host) {
    return host == "platform.example" ? std::vector<std::string>{"127.0.0.1"} : std::vector<std::string>{};
  };
  TMemoryStream echo;
  client.Get("http://platform.example:" + ServerPort() + "/echo", echo);
  EXPECT_NE(std::string::npos, Text(echo).find("\"Host\": \"platform.example:" + ServerPort() + "\""));
  EXPECT_EQ("host not found: elsewhere.example", ErrorOf(client, "http://elsewhere.example/"));
}

TEST(HttpClient, DisconnectFromAnotherThreadEndsARequestAtEveryStage) {
  const std::string closed = "connection closed by disconnect";
  THttpClient probe;
  const std::string unaccepted = "http://127.0.0.1:" + Get(probe, "/unaccepted") + "/";
  {
    THangingLookup lookup;
    THttpClient client;
    client.NameLookup = lookup.Function();
    EXPECT_EQ(closed, ErrorAfterDisconnect(client, *lookup.Begun,
                                           [&] {
                                             TMemoryStream body;
                                             client.Get("http://stuck.example:" + ServerPort() + "/echo", body);
                                           }))
        << "name lookup";
    lookup.Released->Open();
  }
  {
    TConnectSignalClient client;
    EXPECT_EQ(closed, ErrorAfterDisconnect(client, client.Connecting,
                                           [&] {
                                             TMemoryStream body;
                                             client.Get(unaccepted, body);
                                           }))
        << "connect";
  }
  {
    // The server reads no body while it stalls, so a large one cannot be sent.
    TConnectSignalClient client;
    const std::string content(32 << 20, 'c');
    EXPECT_EQ(closed, ErrorAfterDisconnect(client, client.Connecting,
                                           [&] {
                                             TMemoryStream body;
                                             client.Post(Server() + "/stall?seconds=20", content, "text/plain", body);
                                           }))
        << "send";
  }
  {
    THttpClient client;
    TLatch receiving;
    client.OnProgress = [&](int64_t received, int64_t) {
      if (received > 0) receiving.Open();
      return true;
    };
    EXPECT_EQ(closed, ErrorAfterDisconnect(client, receiving,
                                           [&] {
                                             TMemoryStream body;
                                             client.Get(Server() + "/stall?seconds=20&at=body", body);
                                           }))
        << "receive";
    // A disconnected client stays disconnected.
    EXPECT_EQ(closed, ErrorOf(client, Server() + "/echo"));
  }
  THttpClient client;
  client.ConnectTimeout = 300;
  EXPECT_EQ("connect timed out", ErrorOf(client, unaccepted));
}

TEST(HttpClient, MultipartPostParsesIntoThePartsAsSent) {
  TMultipartFormData form;
  std::vector<uint8_t> wav(5000);
  for (size_t i = 0; i < wav.size(); ++i) wav[i] = uint8_t(i * 13);
  form.AddText("word", L"I read \u201cthis\u201d", "text/plain");
  form.AddBytes("voice", "voice.wav", "application/octet-stream", wav);
  form.AddText("saveVoice", L"true", "text/plain");
  THttpClient client;
  TMemoryStream reply;
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
      Text(reply));
}

TEST(HttpClient, ServesFilesWhole) {
  THttpClient client;
  std::string file = Get(client, "/files/platform_server.py");
  EXPECT_EQ(0u, file.find("#!/usr/bin/env python3"));
  EXPECT_EQ("HTTP/1.0 404 Not Found", ErrorOf(client, Server() + "/files/../CMakeLists.txt"));
}
