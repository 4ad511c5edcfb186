#include "support/http/HttpClient.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace {
constexpr int kMaxInterimResponses = 10;

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Bytes outside printable ASCII may not appear in a request line.
std::string EncodeTarget(const std::string& target) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (char c : target) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b > 0x20 && b < 0x7F) {
      text += c;
    } else {
      text += '%';
      text += kHex[b >> 4];
      text += kHex[b & 15];
    }
  }
  return text;
}

class TConnectionSource : public IByteSource {
 public:
  TConnectionSource(TSocketConnection& connection, int timeoutMs) : FConnection(connection), FTimeout(timeoutMs) {}
  size_t Receive(char* buffer, size_t size) override { return FConnection.Receive(buffer, size, FTimeout); }

 private:
  TSocketConnection& FConnection;
  int FTimeout;
};

// The connection of one request is closed however the request ends.
struct TCloseOnExit {
  TSocketConnection& FConnection;
  ~TCloseOnExit() { FConnection.Close(); }
};
}  // namespace

void THttpClient::SetRequestHeader(const std::string& name, const std::string& value) {
  if (name.empty() || name.find_first_of(":\r\n \t") != std::string::npos ||
      value.find_first_of("\r\n") != std::string::npos)
    throw EHttpError("invalid request header: " + name);
  for (auto& header : FHeaders)
    if (EqualNoCase(header.first, name)) {
      header.second = value;
      return;
    }
  FHeaders.emplace_back(name, value);
}

void THttpClient::Get(const std::string& url, std::ostream& body) { Request(url, "GET", "", "", body); }

void THttpClient::Post(const std::string& url, const std::string& content, const std::string& contentType,
                       std::ostream& body) {
  Request(url, "POST", content, contentType, body);
}

void THttpClient::Disconnect() { FConnection.Abort(); }

void THttpClient::Connect(const std::string& host, int port) { FConnection.Open(host, port, ConnectTimeout); }

void THttpClient::Send(const TUri& uri, const std::string& method, const std::string& content,
                       const std::string& contentType) {
  std::string request = method + " " + EncodeTarget(uri.PathAndQuery()) + " HTTP/1.0\r\nHost: " + RequestHost + "\r\n";
  for (const auto& header : FHeaders)
    if (!EqualNoCase(header.first, "Host") && !EqualNoCase(header.first, "Content-Length") &&
        !(method == "POST" && EqualNoCase(header.first, "Content-Type")))
      request += header.first + ": " + header.second + "\r\n";
  if (method == "POST") {
    if (!contentType.empty()) request += "Content-Type: " + contentType + "\r\n";
    request += "Content-Length: " + std::to_string(content.size()) + "\r\n";
  }
  request += "\r\n";
  FConnection.SendAll(request.data(), request.size(), ReadTimeout);
  FConnection.SendAll(content.data(), content.size(), ReadTimeout);
}

void THttpClient::ReceiveBody(THttpReader& reader, const TBodyLayout& layout, std::ostream& body) {
  int64_t count = 0;
  if (OnWorkBegin) OnWorkBegin(layout.Framing == TBodyFraming::Length ? layout.Length : 0);
  try {
    reader.ReadBody(layout, [&](const char* data, size_t size) {
      if (!body.write(data, std::streamsize(size))) throw EHttpError("cannot write the response body");
      count += int64_t(size);
      if (OnWork) OnWork(count);
    });
  } catch (...) {
    if (OnWorkEnd) OnWorkEnd();
    throw;
  }
  if (OnWorkEnd) OnWorkEnd();
}

void THttpClient::Request(const std::string& url, std::string method, std::string content,
                          const std::string& contentType, std::ostream& body) {
  TUri uri = TUri::Parse(url);
  std::set<std::string> visited;
  for (int hops = 0;; ++hops) {
    if (uri.Protocol != "http") throw EHttpError("unsupported protocol: " + uri.Protocol);
    visited.insert(method + " " + uri.Compose(false));
    RequestHost = uri.HostText();
    if (uri.EffectivePort() != TUri::DefaultPort(uri.Protocol)) RequestHost += ":" + uri.Port;
    TCloseOnExit closer{FConnection};
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
      uri = uri.Resolve(location);
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
