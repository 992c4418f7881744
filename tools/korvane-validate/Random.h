#pragma once

#include <cstdint>
#include <random>
#include <string>

/// Deterministic random choices: the same seed gives the same sequence on every build (the
/// standard distributions are not portable, so values are made from the engine's raw bits).
class Random {
 public:
  explicit Random(uint32_t seed) : mEngine(seed) {}
  /// A seed for one run of one test: the user's seed, the test's name and the repetition.
  static uint32_t SeedFor(uint32_t seed, const std::string& test, int run) {
    uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : test) hash = (hash ^ c) * 16777619u;
    return seed ^ hash ^ (static_cast<uint32_t>(run) * 0x9e3779b9u);
  }

  /// Uniform in [0, 1).
  double Unit() { return static_cast<double>(mEngine() >> 8) / 16777216.0; }
  /// Uniform in [low, high).
  double Between(double low, double high) { return low + (high - low) * Unit(); }
  /// Uniform in 0..count-1; count > 0.
  uint32_t Index(uint32_t count) {
    return static_cast<uint32_t>(static_cast<uint64_t>(mEngine()) * count >> 32);
  }
  uint32_t Bits() { return mEngine(); }

 private:
  std::mt19937 mEngine;
};
