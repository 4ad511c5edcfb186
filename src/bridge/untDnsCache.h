#pragma once
// The process-wide cache of host addresses: each platform host is looked up in the name system once per run.
#include <functional>
#include <map>
#include <mutex>
#include <string>

// One name lookup: the dotted IPv4 address of host, empty when it has none.
using THostLookup = std::function<std::string(const std::string& host)>;
using TLogLine = std::function<void(const std::string& message)>;

class THostIpCache {
 public:
  THostIpCache(THostLookup lookup, TLogLine log);

  // The address of host, empty when it cannot be resolved; names match whatever their letter case. The lock is
  // held through the lookup, so concurrent callers wait whichever name they ask for, and a name is never looked up
  // twice at once. A failed lookup is not remembered: the next call tries again. Safe from any thread.
  std::string GetIpWithCache(const std::string& host);

 private:
  THostLookup FLookup;
  TLogLine FLog;
  std::mutex FLock;
  std::map<std::string, std::string> FAddresses;  // by host name in lower case
};

// In the Windows build:
// One lookup by the system (Windows Sockets 1.1), without the cache.
std::string ResolveHostToIp(const std::string& host);
// The process's one cache over ResolveHostToIp, logging to the client's log.
std::string GetIpWithCache(const std::string& host);
