#include <gtest/gtest.h>

#include "bridge/untDnsCache.h"

TEST(ResolveHostToIp, DottedAddressesNamesAndFailures) {
  EXPECT_EQ("127.0.0.1", ResolveHostToIp("127.0.0.1"));
  EXPECT_EQ("127.0.0.1", ResolveHostToIp("localhost"));
  EXPECT_EQ("127.0.0.1", ResolveHostToIp("LOCALHOST"));
  // The reserved top-level domain never resolves; a name beyond 255 bytes is cut, not overrun.
  EXPECT_EQ("", ResolveHostToIp("no-such-host.invalid"));
  EXPECT_EQ("", ResolveHostToIp(std::string(300, 'a') + ".invalid"));
}
