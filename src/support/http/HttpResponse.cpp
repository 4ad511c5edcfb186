#include "support/http/HttpResponse.h"

#include <algorithm>
#include <cctype>

namespace {
constexpr size_t kMaxLineLength = 8192;
constexpr size_t kMaxHeaderBytes = 65536;
constexpr size_t kMaxHeaderCount = 200;
constexpr size_t kBufferSize = 256 * 1024;

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

int ParseStatusCode(const std::string& line) {
  // HTTP/d.d SP ddd [SP reason]
  if (line.size() < 12 || line.compare(0, 5, "HTTP/") != 0 || !IsDigit(line[5]) || line[6] != '.' ||
      !IsDigit(line[7]) || line[8] != ' ' || !IsDigit(line[9]) || !IsDigit(line[10]) || !IsDigit(line[11]) ||
      (line.size() > 12 && line[12] != ' '))
    throw EHttpError("malformed status line: \"" + line.substr(0, 80) + "\"");
  const int code = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
  if (code < 100 || code > 599) throw EHttpError("invalid status code: \"" + line.substr(0, 80) + "\"");
  return code;
}

int64_t ParseContentLength(const std::string& value) {
  if (value.empty() || !std::all_of(value.begin(), value.end(), IsDigit))
    throw EHttpError("invalid Content-Length: \"" + value.substr(0, 40) + "\"");
  int64_t length = 0;
  for (char c : value) {
    const int digit = c - '0';
    if (length > (INT64_MAX - digit) / 10) throw EHttpError("Content-Length too large: " + value.substr(0, 40));
    length = length * 10 + digit;
  }
  return length;
}
}  // namespace

std::string THttpResponseHead::Header(const std::string& name) const {
  for (const auto& header : Headers)
    if (EqualNoCase(header.first, name)) return header.second;
  return "";
}

TBodyLayout BodyLayoutOf(const THttpResponseHead& head, const std::string& method) {
  TBodyLayout layout;
  if (method == "HEAD" || head.StatusCode / 100 == 1 || head.StatusCode == 204 || head.StatusCode == 304) return layout;
  std::string coding;
  bool haveLength = false;
  for (const auto& header : head.Headers) {
    if (EqualNoCase(header.first, "Transfer-Encoding")) {
      coding = header.second;
    } else if (EqualNoCase(header.first, "Content-Length")) {
      int64_t length = ParseContentLength(header.second);
      if (haveLength && length != layout.Length) throw EHttpError("conflicting Content-Length headers");
      layout.Length = length;
      haveLength = true;
    }
  }
  if (!coding.empty() && !EqualNoCase(coding, "identity")) {
    // Only chunked is understood; as the last coding it delimits the body.
    size_t comma = coding.rfind(',');
    if (!EqualNoCase(Trim(comma == std::string::npos ? coding : coding.substr(comma + 1)), "chunked") ||
        comma != std::string::npos)
      throw EHttpError("unsupported Transfer-Encoding: " + coding.substr(0, 80));
    layout.Framing = TBodyFraming::Chunked;
    return layout;
  }
  layout.Framing = haveLength ? TBodyFraming::Length : TBodyFraming::UntilClose;
  return layout;
}

THttpReader::THttpReader(IByteSource& source) : FSource(source), FBuffer(kBufferSize) {}

bool THttpReader::Fill() {
  if (FStart < FEnd) return true;
  FStart = 0;
  FEnd = FSource.Receive(FBuffer.data(), FBuffer.size());
  return FEnd > 0;
}

std::string THttpReader::ReadLine(size_t maxLength, const char* what) {
  std::string line;
  for (;;) {
    if (!Fill()) throw EHttpError(std::string("connection closed inside the ") + what);
    const char* begin = FBuffer.data() + FStart;
    const char* end = FBuffer.data() + FEnd;
    const char* newline = std::find(begin, end, '\n');
    line.append(begin, newline);
    FStart = size_t((newline == end ? end : newline + 1) - FBuffer.data());
    if (line.size() > maxLength) throw EHttpError(std::string(what) + " too long");
    if (newline != end) break;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void THttpReader::ReadHeaders(std::vector<std::pair<std::string, std::string>>& headers) {
  size_t total = 0;
  for (;;) {
    std::string line = ReadLine(kMaxLineLength, "response header section");
    if (line.empty()) return;
    total += line.size();
    if (total > kMaxHeaderBytes || headers.size() >= kMaxHeaderCount)
      throw EHttpError("response header section too large");
    if (line[0] == ' ' || line[0] == '\t') {
      // An old-style continuation line belongs to the header before it.
      if (headers.empty()) throw EHttpError("malformed header line: \"" + line.substr(0, 80) + "\"");
      headers.back().second += " " + Trim(line);
      continue;
    }
    size_t colon = line.find(':');
    std::string name = colon == std::string::npos ? "" : line.substr(0, colon);
    if (name.empty() || name.find_first_of(" \t") != std::string::npos)
      throw EHttpError("malformed header line: \"" + line.substr(0, 80) + "\"");
    headers.emplace_back(name, Trim(line.substr(colon + 1)));
  }
}

THttpResponseHead THttpReader::ReadHead() {
  THttpResponseHead head;
  head.StatusLine = ReadLine(kMaxLineLength, "status line");
  head.StatusCode = ParseStatusCode(head.StatusLine);
  ReadHeaders(head.Headers);
  return head;
}

bool THttpReader::Pass(int64_t& left, const std::function<void(const char*, size_t)>& write) {
  if (!Fill()) return false;
  size_t take = size_t(std::min<int64_t>(left, int64_t(FEnd - FStart)));
  write(FBuffer.data() + FStart, take);
  FStart += take;
  left -= int64_t(take);
  return true;
}

void THttpReader::ReadChunked(const std::function<void(const char*, size_t)>& write) {
  for (;;) {
    std::string line = ReadLine(kMaxLineLength, "chunk size line");
    std::string digits = Trim(line.substr(0, line.find(';')));
    if (digits.empty() || digits.size() > 15 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
      throw EHttpError("invalid chunk size: \"" + line.substr(0, 40) + "\"");
    int64_t left = std::stoll(digits, nullptr, 16);
    if (left == 0) break;
    while (left > 0)
      if (!Pass(left, write)) throw EHttpError("connection closed inside a chunk");
    if (!ReadLine(kMaxLineLength, "chunk end").empty()) throw EHttpError("chunk not followed by its line end");
  }
  std::vector<std::pair<std::string, std::string>> trailers;
  ReadHeaders(trailers);
}

void THttpReader::ReadBody(const TBodyLayout& layout, const std::function<void(const char*, size_t)>& write) {
  switch (layout.Framing) {
    case TBodyFraming::None:
      return;
    case TBodyFraming::Chunked:
      ReadChunked(write);
      return;
    case TBodyFraming::Length: {
      int64_t left = layout.Length;
      while (left > 0)
        if (!Pass(left, write))
          throw EHttpError("connection closed after " + std::to_string(layout.Length - left) + " of " +
                           std::to_string(layout.Length) + " bytes of the body");
      return;
    }
    case TBodyFraming::UntilClose: {
      int64_t unlimited = INT64_MAX;
      while (Pass(unlimited, write)) {
      }
      return;
    }
  }
}
