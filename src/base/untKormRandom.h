#pragma once
// The universal random generator of Marsaglia, Zaman and Tsang (RANMAR): values in [0, 1) that are
// multiples of 2^-24, reproducible from two seeds.
#include <stdexcept>
#include <string>

class ERandomSeedError : public std::out_of_range {
 public:
  ERandomSeedError() : std::out_of_range("Random generator seed not within the valid range!") {}
};

class TKormRandom {
 public:
  static constexpr int MaxSeed1 = 31328;
  static constexpr int MaxSeed2 = 30081;

  // Seeds drawn from the process's clock-seeded pseudo-random source.
  TKormRandom();
  // Raises ERandomSeedError when a seed lies outside its range.
  TKormRandom(int seed1, int seed2);

  void Randomize();
  void Randomize(int seed1, int seed2);
  double Random();

 private:
  double u[98];  // u[1..97] as the published algorithm numbers them
  double c, cd, cm;
  int i97, j97;
};

// count characters from "abcdefghijklmnopqrstuvwxyz1234567890"; empty when count <= 0.
std::wstring RandomString(TKormRandom& generator, int count);
