#include "platform/scenario/journal.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "platform/plist/json.h"

namespace platform::scenario {

void Journal::write(double t, std::string_view event, const plist::Dictionary& fields) {
    if (failed_) return;
    plist::Dictionary line;
    // Microseconds are as fine as the loop's clock means anything to a reader.
    line.set("t", std::isfinite(t) ? std::round(t * 1e6) / 1e6 : 0.0);
    line.set("event", std::string(event));
    for (size_t i = 0; i < fields.size(); ++i) line.set(fields.keyAt(i), fields.valueAt(i));
    // One piece a line: the host's outputs are unbuffered, and a line must reach a reader
    // (or be dropped, when a signal cuts the session short) whole.
    const std::string text = plist::toJson(line) + '\n';
    errno = 0;
    out_ << text;
    out_.flush();
    if (out_) return;
    failed_ = true;
    if (onFailure_) onFailure_(errno ? std::strerror(errno) : "the stream took no more");
}

}  // namespace platform::scenario
