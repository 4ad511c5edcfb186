#include <winsock2.h>

#include <cstring>

#include "base/untGlobal.h"
#include "base/untText.h"
#include "bridge/untDnsCache.h"

std::string ResolveHostToIp(const std::string& host) {
  // Started on every call and never cleaned up: Winsock counts the starts, and the process keeps it to its end.
  WSADATA data;
  if (WSAStartup(0x0101, &data) != 0) return "";
  const std::string name = host.substr(0, 255);
  const hostent* entry = gethostbyname(name.c_str());
  if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list || !entry->h_addr_list[0]) return "";
  in_addr address;
  std::memcpy(&address, entry->h_addr_list[0], sizeof address);
  return inet_ntoa(address);
}

std::string GetIpWithCache(const std::string& host) {
  // Never freed: a worker may still ask while the process runs its static destructors.
  static THostIpCache* const HostIpCache =
      new THostIpCache(ResolveHostToIp, [](const std::string& line) { WriteLog(AnsiToWide(line)); });
  return HostIpCache->GetIpWithCache(host);
}
