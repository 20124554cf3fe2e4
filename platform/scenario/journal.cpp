#include "platform/scenario/journal.h"

#include <cmath>

#include "platform/plist/json.h"

namespace platform::scenario {

void Journal::write(double t, std::string_view event, const plist::Dictionary& fields) {
    plist::Dictionary line;
    // Microseconds are as fine as the loop's clock means anything to a reader.
    line.set("t", std::isfinite(t) ? std::round(t * 1e6) / 1e6 : 0.0);
    line.set("event", std::string(event));
    for (size_t i = 0; i < fields.size(); ++i) line.set(fields.keyAt(i), fields.valueAt(i));
    out_ << plist::toJson(line) << '\n';
    out_.flush();
    if (!out_) failed_ = true;
}

}  // namespace platform::scenario
