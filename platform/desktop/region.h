#pragma once

// The user's language and region settings in the simulated desktop: the locale whose
// conventions dates follow and the time zone they are shown in. A fresh world reads
// "en_US" and UTC, so that what a test sees does not depend on the machine it runs on.

#include <chrono>
#include <string>

namespace platform::desktop {

class Desktop;

class Region {
public:
    explicit Region(Desktop& world) : world_(world) {}

    std::string locale() const;
    // An identifier such as "en_GB" or "de_DE"; see platform/services/date_format.h for
    // the ones dates are written in. A change posts "NSCurrentLocaleDidChangeNotification"
    // to the default centre of every running process of the program, on its main queue,
    // as the system does for its current locale.
    void setLocale(std::string identifier);
    // East of UTC positive. A change posts "NSSystemTimeZoneDidChangeNotification" the same
    // way.
    std::chrono::seconds timeZoneOffset() const;
    void setTimeZoneOffset(std::chrono::seconds offset);

private:
    void tellEachProcess(const std::string& name);

    Desktop& world_;
    std::string locale_ = "en_US";
    std::chrono::seconds offset_{0};
};

}  // namespace platform::desktop
