#include "base/untKormRandom.h"

#include <chrono>
#include <mutex>
#include <random>

namespace {

// The ordinary pseudo-random source, seeded from the clock once per process.
int ClockSeededBelow(int limitInclusive) {
  static std::mutex lock;
  static std::minstd_rand source(static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
  std::lock_guard<std::mutex> guard(lock);
  return std::uniform_int_distribution<int>(0, limitInclusive)(source);
}

}  // namespace

TKormRandom::TKormRandom() { Randomize(); }

TKormRandom::TKormRandom(int seed1, int seed2) { Randomize(seed1, seed2); }

void TKormRandom::Randomize() { Randomize(ClockSeededBelow(MaxSeed1), ClockSeededBelow(MaxSeed2)); }

void TKormRandom::Randomize(int seed1, int seed2) {
  if (seed1 < 0 || seed1 > MaxSeed1 || seed2 < 0 || seed2 > MaxSeed2) throw ERandomSeedError();
  int i = (seed1 / 177) % 177 + 2;
  int j = seed1 % 177 + 2;
  int k = (seed2 / 169) % 178 + 1;
  int l = seed2 % 169;
  u[0] = 0;
  for (int n = 1; n <= 97; ++n) {
    double s = 0.0;
    double t = 0.5;
    for (int bit = 0; bit < 24; ++bit) {
      int m = (((i * j) % 179) * k) % 179;
      i = j;
      j = k;
      k = m;
      l = (53 * l + 1) % 169;
      if ((l * m) % 64 >= 32) s += t;
      t *= 0.5;
    }
    u[n] = s;
  }
  c = 362436.0 / 16777216.0;
  cd = 7654321.0 / 16777216.0;
  cm = 16777213.0 / 16777216.0;
  i97 = 97;
  j97 = 33;
}

double TKormRandom::Random() {
  double uni = u[i97] - u[j97];
  if (uni < 0.0) uni += 1.0;
  u[i97] = uni;
  if (--i97 == 0) i97 = 97;
  if (--j97 == 0) j97 = 97;
  c -= cd;
  if (c < 0.0) c += cm;
  uni -= c;
  if (uni < 0.0) uni += 1.0;
  return uni;
}

std::wstring RandomString(TKormRandom& generator, int count) {
  static const wchar_t alphabet[] = L"abcdefghijklmnopqrstuvwxyz1234567890";
  std::wstring result;
  while (static_cast<int>(result.size()) < count) {
    int index = static_cast<int>(generator.Random() * 36);
    if (index >= 0 && index < 36) result += alphabet[index];
  }
  return result;
}
