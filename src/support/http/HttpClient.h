#pragma once
// A blocking HTTP/1.0 client: one connection per request, redirects followed, no proxy, no cookies.
// All failures, error statuses included, raise EHttpError (EUriError for a malformed URL, EStreamError
// when the body's stream cannot take it).

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/http/HttpResponse.h"
#include "support/http/HttpSocket.h"
#include "support/http/Uri.h"
#include "support/streams/Streams.h"

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

  int ConnectTimeout = 0;  // ms for a name lookup and connection; 0 waits as long as the system does
  int ReadTimeout = 0;     // ms between received pieces; 0 waits without limit
  // ms for the whole request, redirects included, however slowly the server sends; 0 waits without limit.
  int RequestTimeout = 120000;
  bool HandleRedirects = true;
  int RedirectMaximum = 15;
  // Finds the addresses of host names (not of numeric hosts).
  TNameLookup NameLookup = SystemNameLookup;

  // Raised on the thread of the request for the body of the final response: with 0 received when it
  // begins, then after every piece. expected is the announced size, 0 when unknown. Returning false
  // ends the request with an error.
  std::function<bool(int64_t received, int64_t expected)> OnProgress;

  // Sets a request header, replacing one of the same name; Host and Content-Length are the client's.
  void SetRequestHeader(const std::string& name, const std::string& value);

  // The body of the final response is written into body at its position; after a failure the body holds
  // what had arrived.
  void Get(const std::string& url, TStream& body);
  void Post(const std::string& url, const std::string& content, const std::string& contentType, TStream& body);

  // Callable from any thread: the pending request, and every later one, fails promptly.
  void Disconnect();

 protected:
  // Opens the connection for each request and each redirect hop. RequestHost has been set from the
  // URL before; an override may change it and then calls this.
  virtual void Connect(const std::string& host, int port);

  std::string RequestHost;  // the value of the Host header

 private:
  void Request(const std::string& url, std::string method, std::string content, const std::string& contentType,
               TStream& body);
  void Send(const TUri& uri, const std::string& method, const std::string& content, const std::string& contentType);
  void ReceiveBody(THttpReader& reader, const TBodyLayout& layout, TStream& body);

  std::vector<std::pair<std::string, std::string>> FHeaders;
  TSocketConnection FConnection;
};
