#include "bridge/untDnsCache.h"

#include <algorithm>
#include <cctype>
#include <utility>

THostIpCache::THostIpCache(THostLookup lookup, TLogLine log) : FLookup(std::move(lookup)), FLog(std::move(log)) {}

std::string THostIpCache::GetIpWithCache(const std::string& host) {
  std::string key = host;
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  std::lock_guard<std::mutex> lock(FLock);
  auto found = FAddresses.find(key);
  if (found != FAddresses.end()) return found->second;
  FLog("GetIpWithCache need to resolve " + host);
  std::string address = FLookup(host);
  if (!address.empty()) FAddresses.emplace(key, address);
  FLog("GetIpWithCache resolved " + host + " to " + address);
  return address;
}
