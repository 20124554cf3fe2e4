#include "settings/model/random_source.h"

namespace furlpane {

RandomSource::~RandomSource() = default;

uint64_t RandomSource::below(uint64_t bound) {
    if (bound == 0) return 0;
    // Lemire's method: the high word of word × bound is uniform once the low words
    // that would over-represent some results are rejected.
    unsigned __int128 product = static_cast<unsigned __int128>(nextWord()) * bound;
    uint64_t low = static_cast<uint64_t>(product);
    if (low < bound) {
        const uint64_t threshold = (0 - bound) % bound;
        while (low < threshold) {
            product = static_cast<unsigned __int128>(nextWord()) * bound;
            low = static_cast<uint64_t>(product);
        }
    }
    return static_cast<uint64_t>(product >> 64);
}

uint64_t SystemRandom::nextWord() {
    static_assert(sizeof(std::random_device::result_type) == 4);
    const uint64_t high = device_();
    return (high << 32) | device_();
}

uint64_t SeededRandom::nextWord() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace furlpane
