// The one source of random numbers: random(n) is uniform in 0..n-1, random(0) is 0.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace vorn {

class Random {
  public:
    virtual ~Random() = default;
    virtual std::uint32_t random(std::uint32_t n) = 0;
    // Start-up seeds the game's generator from the clock; scripted sources ignore it.
    virtual void seed(std::uint64_t) {}
};

// The game's generator, seeded from the clock at start-up (or from a fixed seed in tests).
class SeededRandom final : public Random {
  public:
    explicit SeededRandom(std::uint64_t seed) : engine_(seed) {}
    std::uint32_t random(std::uint32_t n) override;
    void seed(std::uint64_t value) override { engine_.seed(value); }

  private:
    std::mt19937_64 engine_;
};

// Plays back a fixed list of draws (each taken modulo n), then repeats the last one; for tests
// that need a given dice roll.
class ScriptedRandom final : public Random {
  public:
    explicit ScriptedRandom(std::vector<std::uint32_t> draws) : draws_(std::move(draws)) {}
    std::uint32_t random(std::uint32_t n) override;
    std::size_t used() const { return next_; }

  private:
    std::vector<std::uint32_t> draws_;
    std::size_t next_ = 0;
};

}  // namespace vorn
