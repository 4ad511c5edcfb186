#include <gtest/gtest.h>

#include "base/untWindowsXP.h"

TEST(WindowsXP, TickCountCarriesTheWrapAroundOfTheShortCountIntoTheUpperHalf) {
  const struct {
    uint64_t previous;
    uint32_t now;
    uint64_t extended;
  } cases[] = {
      {0, 5, 5},
      {0x1'0000'0010, 0x10, 0x1'0000'0010},
      {0x1'FFFF'FFF0, 0xFFFF'FFF5, 0x1'FFFF'FFF5},
      {0x1'FFFF'FFF0, 0x3, 0x2'0000'0003},
      {0xFFFF'FFFF, 0, 0x1'0000'0000},
  };
  for (const auto& c : cases) EXPECT_EQ(c.extended, ExtendTickCount(c.previous, c.now)) << std::hex << c.previous;
}
