#include "support/http/HttpClient.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <set>

#include "base/untScopeGuard.h"
#include "base/untText.h"

namespace {
constexpr int kMaxInterimResponses = 10;

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

class TConnectionSource : public IByteSource {
 public:
  TConnectionSource(TSocketConnection& connection, int timeoutMs) : FConnection(connection), FTimeout(timeoutMs) {}
  size_t Receive(char* buffer, size_t size) override { return FConnection.Receive(buffer, size, FTimeout); }

 private:
  TSocketConnection& FConnection;
  int FTimeout;
};

// Writes a body into a stream at its position. An announced size grows the stream once, so that a
// memory stream is not reallocated piece by piece; a bound keeps a size that never arrives from taking
// memory, and what was grown beyond the bytes that did arrive is cut off again.
class TBodySink {
 public:
  TBodySink(TStream& stream, int64_t expected)
      : FStream(stream), FStart(stream.Position()), FSizeBefore(stream.Size()) {
    if (expected > 0 && expected <= kMaxPresize && FStart + expected > FSizeBefore) {
      FStream.SetSize(FStart + expected);
      FGrownTo = FStart + expected;
    }
  }
  ~TBodySink() {
    const int64_t end = std::max(FSizeBefore, FStart + FWritten);
    if (FGrownTo <= end) return;
    try {
      FStream.SetSize(end);
    } catch (const EStreamError&) {
      // The request has failed already; its own error is the one to report.
    }
  }
  TBodySink(const TBodySink&) = delete;
  TBodySink& operator=(const TBodySink&) = delete;

  void Write(const char* data, size_t size) {
    FStream.WriteBuffer(data, int64_t(size));
    FWritten += int64_t(size);
  }
  int64_t Written() const { return FWritten; }

 private:
  static constexpr int64_t kMaxPresize = 256 << 20;
  TStream& FStream;
  const int64_t FStart;
  const int64_t FSizeBefore;
  int64_t FGrownTo = 0;
  int64_t FWritten = 0;
};

}  // namespace

void THttpClient::SetRequestHeader(const std::string& name, const std::string& value) {
  if (name.empty() || name.find_first_of(":\r\n \t") != std::string::npos ||
      value.find_first_of("\r\n") != std::string::npos)
    throw EHttpError("invalid request header: " + name);
  for (auto& header : FHeaders)
    if (EqualsAsciiNoCase(header.first, name)) {
      header.second = value;
      return;
    }
  FHeaders.emplace_back(name, value);
}

void THttpClient::Get(const std::string& url, TStream& body) { Request(url, "GET", "", "", body); }

void THttpClient::Post(const std::string& url, const std::string& content, const std::string& contentType,
                       TStream& body) {
  Request(url, "POST", content, contentType, body);
}

void THttpClient::Disconnect() { FConnection.Abort(); }

void THttpClient::Connect(const std::string& host, int port) {
  FConnection.Open(host, port, ConnectTimeout, NameLookup);
}

void THttpClient::Send(const TUri& uri, const std::string& method, const std::string& content,
                       const std::string& contentType) {
  std::string request = method + " " + uri.PathAndQuery() + " HTTP/1.0\r\nHost: " + RequestHost + "\r\n";
  for (const auto& header : FHeaders)
    if (!EqualsAsciiNoCase(header.first, "Host") && !EqualsAsciiNoCase(header.first, "Content-Length") &&
        !(method == "POST" && EqualsAsciiNoCase(header.first, "Content-Type")))
      request += header.first + ": " + header.second + "\r\n";
  if (method == "POST") {
    if (!contentType.empty()) request += "Content-Type: " + contentType + "\r\n";
    request += "Content-Length: " + std::to_string(content.size()) + "\r\n";
  }
  request += "\r\n";
  FConnection.SendAll(request.data(), request.size(), ReadTimeout);
  FConnection.SendAll(content.data(), content.size(), ReadTimeout);
}

void THttpClient::ReceiveBody(THttpReader& reader, const TBodyLayout& layout, TStream& body) {
  const int64_t expected = layout.Framing == TBodyFraming::Length ? layout.Length : 0;
  TBodySink sink(body, expected);
  auto report = [&] {
    if (OnProgress && !OnProgress(sink.Written(), expected)) throw EHttpError("request cancelled");
  };
  report();
  reader.ReadBody(layout, [&](const char* data, size_t size) {
    sink.Write(data, size);
    report();
  });
}

void THttpClient::Request(const std::string& url, std::string method, std::string content,
                          const std::string& contentType, TStream& body) {
  FConnection.SetDeadline(RequestTimeout > 0 ? TClock::now() + std::chrono::milliseconds(RequestTimeout)
                                             : TClock::time_point::max());
  TUri uri = TUri::Parse(url);
  std::set<std::string> visited;
  for (int hops = 0;; ++hops) {
    if (uri.Protocol != "http") throw EHttpError("unsupported protocol: " + uri.Protocol);
    visited.insert(method + " " + uri.Compose(false));
    RequestHost = uri.HostText();
    if (uri.EffectivePort() != TUri::DefaultPort(uri.Protocol)) RequestHost += ":" + uri.Port;
    // The connection of one request is closed however the request ends.
    const TScopeGuard closeConnection([this] { FConnection.Close(); });
    Connect(uri.Host, uri.EffectivePort());
    Send(uri, method, content, contentType);
    TConnectionSource source(FConnection, ReadTimeout);
    THttpReader reader(source);
    // Interim answers may precede the real one, but not without end.
    THttpResponseHead response = reader.ReadHead();
    for (int interim = 0; response.StatusCode / 100 == 1; ++interim) {
      if (interim == kMaxInterimResponses) throw EHttpError("too many interim responses");
      response = reader.ReadHead();
    }
    const int status = response.StatusCode;
    std::string location = response.Header("Location");
    if (HandleRedirects && IsRedirect(status) && !location.empty()) {
      if (hops >= RedirectMaximum) throw EHttpError("too many redirects (" + std::to_string(hops + 1) + ")");
      const std::string target = uri.Resolve(location);
      if (TUri::SchemeOf(target) != "http")
        throw EHttpError("redirect to an address that is not http refused: " + target.substr(0, 200));
      uri = TUri::Parse(target);
      // Only 307 and 308 repeat a POST; the others continue with a GET, as browsers do.
      if (status != 307 && status != 308 && method == "POST") {
        method = "GET";
        content.clear();
      }
      if (visited.count(method + " " + uri.Compose(false))) throw EHttpError("redirect loop at " + uri.Compose(false));
      continue;
    }
    if (status >= 300) throw EHttpStatusError(response.StatusLine, status);
    ReceiveBody(reader, BodyLayoutOf(response, method), body);
    return;
  }
}
