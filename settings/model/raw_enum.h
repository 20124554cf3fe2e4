#pragma once

// Enumerations whose cases carry a raw value: the stored string or number of each case.
//
// An enumeration takes part by specialising EnumTraits with `cases` (every case in
// declaration order) and `raws` (the raw value of each case, in the same order). Then
// allCases<E>() lists the cases, rawValue(e) gives a case's raw value and
// fromRawValue<E>(raw) parses one, matching the whole raw value exactly and giving
// nothing for anything that is no case's raw value.

#include <array>
#include <cstddef>
#include <optional>

namespace furlpane {

template <class E>
struct EnumTraits;

template <class E>
concept RawEnum = requires {
    EnumTraits<E>::cases;
    EnumTraits<E>::raws;
};

template <RawEnum E>
constexpr const auto& allCases() {
    return EnumTraits<E>::cases;
}

template <RawEnum E>
constexpr auto rawValue(E value) {
    const auto& cases = EnumTraits<E>::cases;
    for (size_t i = 0; i < cases.size(); ++i) {
        if (cases[i] == value) return EnumTraits<E>::raws[i];
    }
    return EnumTraits<E>::raws[0];  // unreachable for a declared case
}

template <RawEnum E, class Raw>
constexpr std::optional<E> fromRawValue(const Raw& raw) {
    const auto& raws = EnumTraits<E>::raws;
    for (size_t i = 0; i < raws.size(); ++i) {
        if (raws[i] == raw) return EnumTraits<E>::cases[i];
    }
    return std::nullopt;
}

}  // namespace furlpane
