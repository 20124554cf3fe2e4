#pragma once

#include <string>

namespace furlpane_test {

// "<prefix><n>", appended piece by piece: g++ 12 warns falsely on "literal" + std::string&&
// in optimised builds.
inline std::string numbered(std::string prefix, long long n) {
    prefix += std::to_string(n);
    return prefix;
}

}  // namespace furlpane_test
