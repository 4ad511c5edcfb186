#pragma once
// Reading an HTTP/1.x response from a byte source: the status line, the header section and the
// body framed by Content-Length, by chunked encoding or by the end of the connection. Sizes of
// lines and header sections are bounded; the body is handed on in pieces and never held whole.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/http/HttpSocket.h"

class IByteSource {
 public:
  virtual ~IByteSource() = default;
  // Bytes received into buffer; 0 when the source has ended.
  virtual size_t Receive(char* buffer, size_t size) = 0;
};

struct THttpResponseHead {
  std::string StatusLine;  // as received, without the line end
  int StatusCode = 0;
  std::vector<std::pair<std::string, std::string>> Headers;

  // The first header of that name (case-insensitive); empty when there is none.
  std::string Header(const std::string& name) const;
};

enum class TBodyFraming { None, Length, Chunked, UntilClose };

struct TBodyLayout {
  TBodyFraming Framing = TBodyFraming::None;
  int64_t Length = 0;  // for TBodyFraming::Length
};

// How the body of this response to a request with the given method is delimited; raises
// EHttpError for an unusable Content-Length or Transfer-Encoding.
TBodyLayout BodyLayoutOf(const THttpResponseHead& head, const std::string& method);

class THttpReader {
 public:
  explicit THttpReader(IByteSource& source);

  // Raises EHttpError for a malformed or oversized status line or header section.
  THttpResponseHead ReadHead();
  // Hands every piece of the body to write; raises EHttpError when the body is malformed or ends early.
  void ReadBody(const TBodyLayout& layout, const std::function<void(const char*, size_t)>& write);

 private:
  // A line without its CR LF (or bare LF); raises when longer than maxLength.
  std::string ReadLine(size_t maxLength, const char* what);
  // Fills the buffer when it is empty; false at the end of the source.
  bool Fill();
  // Hands on what is buffered, at most left bytes; false at the end of the source.
  bool Pass(int64_t& left, const std::function<void(const char*, size_t)>& write);
  void ReadHeaders(std::vector<std::pair<std::string, std::string>>& headers);
  void ReadChunked(const std::function<void(const char*, size_t)>& write);

  IByteSource& FSource;
  std::vector<char> FBuffer;
  size_t FStart = 0;
  size_t FEnd = 0;
};
