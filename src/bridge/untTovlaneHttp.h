#pragma once
// The HTTP client of the voice operations: one per request, with the platform's identity headers and time-outs,
// requesting the host's cached address while the Host header still names the host.
#include <memory>
#include <string>

#include "bridge/untDnsCache.h"
#include "support/http/HttpClient.h"

class TTovlaneHttp : public THttpClient {
 public:
  // ms for a whole request, redirects included: a prompt download holds the prompt cache for no longer.
  static constexpr int kRequestTimeoutMs = 30000;

  // addressOf gives the dotted address of a host, empty when it has none (the client's: GetIpWithCache).
  explicit TTovlaneHttp(THostLookup addressOf);

  // Sets FResolvedUrl, the URL to request, and FOriginalHost (see ResolveUrlHost).
  void PreResolveHost(const std::string& url);

  std::string FResolvedUrl;
  std::string FOriginalHost;

 protected:
  void Connect(const std::string& host, int port) override;

 private:
  THostLookup FAddressOf;
  std::string FResolvedHost;  // the address that replaced FOriginalHost
};

// A configured client over the process-wide host cache; in the Windows build.
std::unique_ptr<TTovlaneHttp> createHttp();
