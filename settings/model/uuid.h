#pragma once

// Universally unique identifiers: 128 random bits marked as version 4, variant 1.

#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <string>

#include "settings/model/random_source.h"

namespace furlpane {

class Uuid {
public:
    // The nil identifier (all zero).
    Uuid() = default;
    static Uuid random(RandomSource& source);
    // Drawn from the system's random source.
    static Uuid random();

    // Lower-case hexadecimal in the 8-4-4-4-12 form.
    std::string toString() const;
    const std::array<uint8_t, 16>& bytes() const { return bytes_; }

    friend auto operator<=>(const Uuid&, const Uuid&) = default;

private:
    std::array<uint8_t, 16> bytes_{};
};

}  // namespace furlpane

template <>
struct std::hash<furlpane::Uuid> {
    size_t operator()(const furlpane::Uuid& id) const noexcept;
};
