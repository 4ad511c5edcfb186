#include "support/http/Uri.h"

#include <algorithm>
#include <cctype>

namespace {
bool IsSchemeChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void RejectBlanks(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
      throw EUriError("URL contains a blank or control character");
}

std::string Lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

void SplitPath(const std::string& pathAndDocument, TUri& uri) {
  size_t slash = pathAndDocument.rfind('/');
  if (slash == std::string::npos) {
    uri.Path = "/";
    uri.Document = pathAndDocument;
  } else {
    uri.Path = pathAndDocument.substr(0, slash + 1);
    uri.Document = pathAndDocument.substr(slash + 1);
  }
}

// Splits "rest" (everything after the authority) into path, document, params and fragment.
void SplitTail(std::string rest, TUri& uri) {
  size_t hash = rest.find('#');
  if (hash != std::string::npos) {
    uri.Fragment = rest.substr(hash + 1);
    rest.erase(hash);
  }
  size_t query = rest.find('?');
  if (query != std::string::npos) {
    uri.Params = rest.substr(query + 1);
    rest.erase(query);
  }
  SplitPath(rest.empty() ? "/" : rest, uri);
}

// "." and ".." segments of a merged path, as a browser would remove them.
std::string RemoveDotSegments(const std::string& path) {
  std::string out;
  size_t pos = 0;
  while (pos < path.size()) {
    size_t next = path.find('/', pos + 1);
    std::string segment = path.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
    if (segment == "/.") {
      if (next == std::string::npos) out += '/';
    } else if (segment == "/..") {
      size_t cut = out.rfind('/');
      out.erase(cut == std::string::npos ? 0 : cut);
      if (next == std::string::npos) out += '/';
    } else {
      out += segment;
    }
    pos = next == std::string::npos ? path.size() : next;
  }
  return out.empty() ? "/" : out;
}
}  // namespace

TUri TUri::Parse(const std::string& text) {
  RejectBlanks(text);
  size_t colon = text.find("://");
  if (colon == std::string::npos || colon == 0) throw EUriError("URL without protocol: " + text);
  TUri uri;
  uri.Protocol = Lower(text.substr(0, colon));
  if (!std::isalpha(static_cast<unsigned char>(uri.Protocol[0])) ||
      !std::all_of(uri.Protocol.begin(), uri.Protocol.end(), IsSchemeChar))
    throw EUriError("URL with an invalid protocol: " + text);
  size_t authorityStart = colon + 3;
  size_t authorityEnd = text.find_first_of("/?#", authorityStart);
  if (authorityEnd == std::string::npos) authorityEnd = text.size();
  std::string authority = text.substr(authorityStart, authorityEnd - authorityStart);

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
    std::string after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') throw EUriError("URL with text after the IPv6 address: " + text);
      port = after.substr(1);
    }
  } else {
    size_t portColon = authority.rfind(':');
    uri.Host = authority.substr(0, portColon);
    if (portColon != std::string::npos) port = authority.substr(portColon + 1);
  }
  if (uri.Host.empty()) throw EUriError("URL without host: " + text);
  if (!port.empty()) {
    if (port.size() > 5 || !std::all_of(port.begin(), port.end(), IsDigit) || std::stoi(port) > 65535)
      throw EUriError("URL with an invalid port: " + text);
    uri.Port = port;
  }
  SplitTail(text.substr(authorityEnd), uri);
  return uri;
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
  if (withCredentialsAndFragment && (!Username.empty() || !Password.empty()))
    text += Username + (Password.empty() ? "" : ":" + Password) + "@";
  text += HostText();
  if (!Port.empty() && std::stoi(Port) != DefaultPort(Protocol)) text += ":" + Port;
  text += PathAndQuery();
  if (withCredentialsAndFragment && !Fragment.empty()) text += "#" + Fragment;
  return text;
}

TUri TUri::Resolve(const std::string& reference) const {
  if (reference.find("://") != std::string::npos && reference.find("://") < reference.find_first_of("/?#"))
    return Parse(reference);
  if (reference.compare(0, 2, "//") == 0) return Parse(Protocol + ":" + reference);
  TUri target = *this;
  target.Username.clear();
  target.Password.clear();
  target.Fragment.clear();
  target.Params.clear();
  std::string tail = reference;
  if (tail.empty() || tail[0] == '?' || tail[0] == '#') {
    tail = Path + Document + tail;
  } else if (tail[0] != '/') {
    tail = Path + tail;
  }
  // Dot segments are resolved on the path alone, before query and fragment are split off.
  size_t tailEnd = tail.find_first_of("?#");
  std::string path = RemoveDotSegments(tail.substr(0, tailEnd));
  std::string rest = tailEnd == std::string::npos ? "" : tail.substr(tailEnd);
  RejectBlanks(path + rest);
  SplitTail(path + rest, target);
  return target;
}
