#pragma once

// An error that a system service answers with: its code and the sentence it gives the
// user, which the program may show as it stands.

#include <cstdint>
#include <string>

namespace platform {

struct ServiceError {
    int64_t code = 0;
    std::string localizedDescription;
    friend bool operator==(const ServiceError&, const ServiceError&) = default;
};

}  // namespace platform
