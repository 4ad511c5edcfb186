#pragma once
// A blocking HTTP/1.0 client: one connection per request, redirects followed, no proxy, no cookies.
// All failures, error statuses included, raise EHttpError (or EUriError for a malformed URL).

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/http/HttpResponse.h"
#include "support/http/HttpSocket.h"
#include "support/http/Uri.h"

// An error status; the message is the status line, e.g. "HTTP/1.1 404 Not Found".
class EHttpStatusError : public EHttpError {
 public:
  EHttpStatusError(const std::string& statusLine, int statusCode) : EHttpError(statusLine), StatusCode(statusCode) {}
  int StatusCode;
};

class THttpClient {
 public:
  THttpClient() = default;
  virtual ~THttpClient() = default;
  THttpClient(const THttpClient&) = delete;
  THttpClient& operator=(const THttpClient&) = delete;

  int ConnectTimeout = 0;  // ms; 0 waits as long as the system does
  int ReadTimeout = 0;     // ms between received pieces; 0 waits without limit
  bool HandleRedirects = true;
  int RedirectMaximum = 15;

  // Events, raised on the thread of the request, for the body of the final response.
  std::function<void(int64_t expected)> OnWorkBegin;  // the announced size, 0 when unknown
  std::function<void(int64_t count)> OnWork;          // bytes of the body so far
  std::function<void()> OnWorkEnd;

  // Sets a request header, replacing one of the same name; Host and Content-Length are the client's.
  void SetRequestHeader(const std::string& name, const std::string& value);

  // The body of the final response is written into body at its position.
  void Get(const std::string& url, std::ostream& body);
  void Post(const std::string& url, const std::string& content, const std::string& contentType, std::ostream& body);

  // Callable from any thread: the pending request, and every later one, fails promptly.
  void Disconnect();

 protected:
  // Opens the connection for each request and each redirect hop. RequestHost has been set from the
  // URL before; an override may change it and then calls this.
  virtual void Connect(const std::string& host, int port);

  std::string RequestHost;  // the value of the Host header

 private:
  void Request(const std::string& url, std::string method, std::string content, const std::string& contentType,
               std::ostream& body);
  void Send(const TUri& uri, const std::string& method, const std::string& content, const std::string& contentType);
  void ReceiveBody(THttpReader& reader, const TBodyLayout& layout, std::ostream& body);

  std::vector<std::pair<std::string, std::string>> FHeaders;
  TSocketConnection FConnection;
};
