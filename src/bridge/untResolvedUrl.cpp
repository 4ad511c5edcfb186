#include "bridge/untResolvedUrl.h"

#include "support/http/Uri.h"

TResolvedUrl ResolveUrlHost(const std::string& url, const std::function<std::string(const std::string&)>& addressOf) {
  TUri uri;
  try {
    uri = TUri::Parse(url);
  } catch (const EUriError&) {
    return {url, ""};
  }
  const std::string address = addressOf(uri.Host);
  if (address.empty()) return {url, ""};
  TResolvedUrl resolved{"", uri.Host};
  uri.Host = address;
  resolved.Url = uri.Compose(false);
  return resolved;
}
