#pragma once

// The generator's only source of variety: SplitMix64, integers all the way, so the same seed gives the
// same content on every machine (the standard library's distributions may differ between libraries).

#include <cstdint>

namespace dravo::demo {

class DemoRandom {
 public:
  explicit DemoRandom(std::uint64_t seed) : m_state(seed) {}

  std::uint64_t next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n-1 (n > 0); the tiny modulo bias does not matter for pictures.
  std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }
  // lo .. hi inclusive.
  int range(int lo, int hi) { return lo + static_cast<int>(below(static_cast<std::uint32_t>(hi - lo + 1))); }
  // 0 .. 1 in steps of 2^-24.
  float unit() { return static_cast<float>(next() >> 40) / 16777216.0f; }
  float between(float lo, float hi) { return lo + (hi - lo) * unit(); }

 private:
  std::uint64_t m_state;
};

}  // namespace dravo::demo
