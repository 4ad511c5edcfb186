#include "support/http/Uri.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSchemeChar(char c) { return IsAlpha(c) || IsDigit(c) || c == '+' || c == '-' || c == '.'; }
bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }

std::string Lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Bytes a browser percent-encodes besides controls, blank, DEL and non-ASCII, per part.
constexpr const char* kPathExtras = "\"<>`{}";
constexpr const char* kQueryExtras = "\"<>";
constexpr const char* kFragmentExtras = "\"<>`";

std::string EncodeRaw(const std::string& text, const char* extras) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(text.size());
  for (char c : text) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F || std::strchr(extras, c)) {
      encoded += '%';
      encoded += kHex[b >> 4];
      encoded += kHex[b & 15];
    } else {
      encoded += c;
    }
  }
  return encoded;
}

// Leading and trailing blanks and controls are dropped, tabs and line ends inside removed.
std::string Clean(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= 0x20) ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20) --last;
  std::string cleaned;
  cleaned.reserve(last - first);
  for (size_t i = first; i < last; ++i)
    if (text[i] != '\t' && text[i] != '\n' && text[i] != '\r') cleaned += text[i];
  return cleaned;
}

// The five parts of a URI reference (RFC 3986 appendix B); a scheme must have the RFC's syntax.
struct TReference {
  bool HasScheme = false, HasAuthority = false, HasQuery = false, HasFragment = false;
  std::string Scheme, Authority, Path, Query, Fragment;
};

size_t SchemeLength(const std::string& text) {
  if (text.empty() || !IsAlpha(text[0])) return 0;
  size_t end = 1;
  while (end < text.size() && IsSchemeChar(text[end])) ++end;
  return end < text.size() && text[end] == ':' ? end : 0;
}

TReference Split(const std::string& text) {
  TReference r;
  size_t pos = SchemeLength(text);
  if (pos > 0) {
    r.HasScheme = true;
    r.Scheme = text.substr(0, pos++);
  }
  if (text.compare(pos, 2, "//") == 0) {
    size_t end = std::min(text.find_first_of("/?#", pos + 2), text.size());
    r.HasAuthority = true;
    r.Authority = text.substr(pos + 2, end - pos - 2);
    pos = end;
  }
  size_t end = std::min(text.find_first_of("?#", pos), text.size());
  r.Path = text.substr(pos, end - pos);
  pos = end;
  if (pos < text.size() && text[pos] == '?') {
    end = std::min(text.find('#', pos), text.size());
    r.HasQuery = true;
    r.Query = text.substr(pos + 1, end - pos - 1);
    pos = end;
  }
  if (pos < text.size()) {
    r.HasFragment = true;
    r.Fragment = text.substr(pos + 1);
  }
  return r;
}

// RFC 3986 5.3.
std::string Recompose(const TReference& r) {
  std::string text;
  if (r.HasScheme) text += r.Scheme + ":";
  if (r.HasAuthority) text += "//" + r.Authority;
  text += r.Path;
  if (r.HasQuery) text += "?" + r.Query;
  if (r.HasFragment) text += "#" + r.Fragment;
  return text;
}

void DropLastSegment(std::string& output) {
  size_t cut = output.rfind('/');
  output.erase(cut == std::string::npos ? 0 : cut);
}

// RFC 3986 5.2.4, reading the input by position instead of cutting it.
std::string RemoveDotSegments(const std::string& input) {
  std::string output;
  size_t pos = 0;
  auto at = [&](const char* prefix) { return input.compare(pos, std::strlen(prefix), prefix) == 0; };
  auto rest = [&](const char* text) { return input.compare(pos, std::string::npos, text) == 0; };
  while (pos < input.size()) {
    if (at("../")) {
      pos += 3;
    } else if (at("./")) {
      pos += 2;
    } else if (at("/./")) {
      pos += 2;
    } else if (rest("/.")) {
      output += '/';
      break;
    } else if (at("/../")) {
      pos += 3;
      DropLastSegment(output);
    } else if (rest("/..")) {
      DropLastSegment(output);
      output += '/';
      break;
    } else if (rest(".") || rest("..")) {
      break;
    } else {
      size_t next = std::min(input.find('/', pos + 1), input.size());
      output.append(input, pos, next - pos);
      pos = next;
    }
  }
  return output;
}

// "user:password@", or empty when there is neither.
std::string UserInfoOf(const TUri& uri) {
  if (uri.Username.empty() && uri.Password.empty()) return "";
  return uri.Username + (uri.Password.empty() ? "" : ":" + uri.Password) + "@";
}

void SplitPath(const std::string& pathAndDocument, TUri& uri) {
  size_t slash = pathAndDocument.rfind('/');
  uri.Path = pathAndDocument.substr(0, slash + 1);
  uri.Document = pathAndDocument.substr(slash + 1);
}

void ParseAuthority(std::string authority, TUri& uri, const std::string& text) {
  if (std::any_of(authority.begin(), authority.end(), IsBlankOrControl))
    throw EUriError("URL with a blank or control character before its path: " + text);
  size_t at = authority.rfind('@');
  if (at != std::string::npos) {
    std::string userInfo = authority.substr(0, at);
    authority.erase(0, at + 1);
    size_t separator = userInfo.find(':');
    uri.Username = userInfo.substr(0, separator);
    if (separator != std::string::npos) uri.Password = userInfo.substr(separator + 1);
  }
  std::string port;
  if (!authority.empty() && authority[0] == '[') {
    size_t close = authority.find(']');
    if (close == std::string::npos) throw EUriError("URL with an unclosed IPv6 address: " + text);
    uri.Host = authority.substr(1, close - 1);
    if (uri.Host.empty() || !std::all_of(uri.Host.begin(), uri.Host.end(), [](char c) {
          return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
        }))
      throw EUriError("URL with an invalid IPv6 address: " + text);
    std::string after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') throw EUriError("URL with text after the IPv6 address: " + text);
      port = after.substr(1);
    }
  } else {
    size_t portColon = authority.rfind(':');
    uri.Host = authority.substr(0, portColon);
    if (portColon != std::string::npos) port = authority.substr(portColon + 1);
    // Only a bracketed IPv6 literal may hold a colon; "h:80:80" is no host.
    if (uri.Host.find_first_of(":[]") != std::string::npos) throw EUriError("URL with an invalid host: " + text);
  }
  if (uri.Host.empty()) throw EUriError("URL without host: " + text);
  if (!port.empty()) {
    if (port.size() > 5 || !std::all_of(port.begin(), port.end(), IsDigit) || std::stoi(port) > 65535)
      throw EUriError("URL with an invalid port: " + text);
    uri.Port = port;
  }
}
}  // namespace

TUri TUri::Parse(const std::string& input) {
  const std::string text = Clean(input);
  TReference parts = Split(text);
  if (!parts.HasScheme) throw EUriError("URL without protocol: " + text);
  if (!parts.HasAuthority) throw EUriError("URL without host: " + text);
  TUri uri;
  uri.Protocol = Lower(parts.Scheme);
  ParseAuthority(parts.Authority, uri, text);
  SplitPath(EncodeRaw(parts.Path.empty() ? "/" : parts.Path, kPathExtras), uri);
  uri.Params = EncodeRaw(parts.Query, kQueryExtras);
  uri.Fragment = EncodeRaw(parts.Fragment, kFragmentExtras);
  return uri;
}

std::string TUri::SchemeOf(const std::string& reference) {
  const std::string text = Clean(reference);
  return Lower(text.substr(0, SchemeLength(text)));
}

int TUri::DefaultPort(const std::string& protocol) {
  if (protocol == "http") return 80;
  if (protocol == "https") return 443;
  if (protocol == "ftp") return 21;
  return 0;
}

int TUri::EffectivePort() const { return Port.empty() ? DefaultPort(Protocol) : std::stoi(Port); }

std::string TUri::HostText() const { return Host.find(':') != std::string::npos ? "[" + Host + "]" : Host; }

std::string TUri::PathAndQuery() const { return Path + Document + (Params.empty() ? "" : "?" + Params); }

std::string TUri::Compose(bool withCredentialsAndFragment) const {
  std::string text = Protocol + "://";
  if (withCredentialsAndFragment) text += UserInfoOf(*this);
  text += HostText();
  if (!Port.empty() && std::stoi(Port) != DefaultPort(Protocol)) text += ":" + Port;
  text += PathAndQuery();
  if (withCredentialsAndFragment && !Fragment.empty()) text += "#" + Fragment;
  return text;
}

// RFC 3986 5.2.2, strict: a reference with a scheme is taken whole, whatever that scheme.
std::string TUri::Resolve(const std::string& referenceText) const {
  const TReference r = Split(Clean(referenceText));
  TReference t;
  if (r.HasScheme) {
    t = r;
    t.Path = RemoveDotSegments(r.Path);
    return Recompose(t);
  }
  t.HasScheme = true;
  t.Scheme = Protocol;
  t.HasAuthority = true;
  if (r.HasAuthority) {
    t.Authority = r.Authority;
    t.Path = RemoveDotSegments(r.Path);
    t.HasQuery = r.HasQuery;
    t.Query = r.Query;
  } else {
    t.Authority = UserInfoOf(*this) + HostText() + (Port.empty() ? "" : ":" + Port);
    const std::string basePath = Path + Document;
    if (r.Path.empty()) {
      t.Path = basePath;
      t.HasQuery = r.HasQuery || !Params.empty();
      t.Query = r.HasQuery ? r.Query : Params;
    } else {
      // Merging (5.2.3): the base's path up to its last "/"; Parse gives every base path one.
      t.Path = RemoveDotSegments(r.Path[0] == '/' ? r.Path : Path + r.Path);
      t.HasQuery = r.HasQuery;
      t.Query = r.Query;
    }
  }
  t.HasFragment = r.HasFragment;
  t.Fragment = r.Fragment;
  return Recompose(t);
}
