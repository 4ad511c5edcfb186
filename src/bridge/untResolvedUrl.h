#pragma once
// The host of a request URL replaced by its cached address, so that a platform host is looked up once per run
// while the request still names the host in its Host header.
#include <functional>
#include <string>

struct TResolvedUrl {
  std::string Url;           // the URL to request
  std::string OriginalHost;  // the host that the address replaced; empty when the URL is unchanged
};

// addressOf gives the dotted address of a host, empty when it has none. With an address, the URL is rebuilt
// around it without user information and fragment, and without a port that is the protocol's default; otherwise
// (no address, or text that is no URL, which the request then reports) the URL is returned unchanged.
TResolvedUrl ResolveUrlHost(const std::string& url, const std::function<std::string(const std::string&)>& addressOf);
