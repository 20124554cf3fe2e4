#pragma once

// Sources of random numbers for the settings' random draws.
//
// Draws below a bound are uniform and unbiased (64-bit words, multiply-and-reject), so
// a shuffle built on them gives every order the same chance. The program uses the
// system's source; tests and tools use a seeded one to get the same draws every run.

#include <cstdint>
#include <random>

namespace furlpane {

class RandomSource {
public:
    virtual ~RandomSource();
    virtual uint64_t nextWord() = 0;
    // A uniform draw in [0, bound); 0 when the bound is 0.
    uint64_t below(uint64_t bound);
};

// The operating system's random source.
class SystemRandom final : public RandomSource {
public:
    uint64_t nextWord() override;

private:
    std::random_device device_;
};

// A deterministic source (SplitMix64) for tests and tools.
class SeededRandom final : public RandomSource {
public:
    explicit SeededRandom(uint64_t seed) : state_(seed) {}
    uint64_t nextWord() override;

private:
    uint64_t state_;
};

}  // namespace furlpane
