#include "bridge/untTovlaneHttp.h"

#include <utility>

#include "base/untConfig.h"
#include "bridge/untResolvedUrl.h"
#include "support/http/Uri.h"

TTovlaneHttp::TTovlaneHttp(THostLookup addressOf) : FAddressOf(std::move(addressOf)) {
  ConnectTimeout = 5000;
  ReadTimeout = 10000;
  RequestTimeout = kRequestTimeoutMs;
  HandleRedirects = true;
  for (const auto& [name, value] : kHttpIdentityHeaders) SetRequestHeader(name, value);
}

void TTovlaneHttp::PreResolveHost(const std::string& url) {
  TResolvedUrl resolved = ResolveUrlHost(url, FAddressOf);
  FResolvedUrl = std::move(resolved.Url);
  FOriginalHost = std::move(resolved.OriginalHost);
  FResolvedHost = FOriginalHost.empty() ? std::string() : TUri::Parse(FResolvedUrl).Host;
}

void TTovlaneHttp::Connect(const std::string& host, int port) {
  // The name alone, without a port. A redirect to another host names that host, as the library set it.
  if (!FOriginalHost.empty() && host == FResolvedHost) RequestHost = FOriginalHost;
  THttpClient::Connect(host, port);
}
