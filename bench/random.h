// random.h - a small, platform-independent pseudo-random generator for the GEDCOM generator.
#pragma once

#include <cstddef>  // std::size_t
#include <cstdint>  // std::uint64_t

namespace gedgen {

/// xoshiro256** seeded through splitmix64. The standard library's distributions differ between
/// implementations, so every draw is derived here to keep files identical everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) {
    for (std::uint64_t& word : state) word = SplitMix(seed);
  }

  std::uint64_t Next() {
    const std::uint64_t result = Rotate(state[1] * 5, 7) * 9;
    const std::uint64_t t = state[1] << 17;
    state[2] ^= state[0];
    state[3] ^= state[1];
    state[1] ^= state[2];
    state[0] ^= state[3];
    state[2] ^= t;
    state[3] = Rotate(state[3], 45);
    return result;
  }

  /// Uniform in [0, bound); bound must be positive.
  std::uint64_t Below(std::uint64_t bound) {
    return Next() % bound;  // the bias is far below anything a benchmark file could show
  }

  /// Uniform in [low, high].
  int Between(int low, int high) {
    return low + static_cast<int>(Below(static_cast<std::uint64_t>(high - low) + 1));
  }

  /// True with the given probability in percent (0 to 100).
  bool Percent(int percent) { return Below(100) < static_cast<std::uint64_t>(percent); }

  /// True with probability perMille / 1000.
  bool PerMille(int perMille) { return Below(1000) < static_cast<std::uint64_t>(perMille); }

  template <typename Container>
  const auto& Pick(const Container& items) {
    return items[static_cast<std::size_t>(Below(std::size(items)))];
  }

 private:
  static std::uint64_t Rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  static std::uint64_t SplitMix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  std::uint64_t state[4] = {};
};

}  // namespace gedgen
