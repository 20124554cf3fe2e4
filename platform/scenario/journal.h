#pragma once

// What the system did, one JSON object a line, each with the loop's time "t" in
// seconds and what happened under "event":
//
//   {"t":1.25,"event":"notification","name":"com.brindlewick.FurlpaneNovan.window-state-changed","userInfo":{...}}
//
// Events: launch, exit (with its status), crash, notification, sound, defaults (a key of
// the program's defaults file set or removed), window (a window's look changed),
// transition (started, ended), status-menu (its items), expect (an expectation and
// whether it held), snapshot, error, interrupted (a signal from outside ended the
// session), end. The first line the stream cannot take (a full disk, a closed pipe, a
// descriptor not open for writing) marks the journal failed and is told to the failure
// handler, with why; the lines after it are lost.

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/plist/value.h"

namespace platform::scenario {

class Journal {
public:
    explicit Journal(std::ostream& out) : out_(out) {}

    void write(double t, std::string_view event, const plist::Dictionary& fields = {});
    bool failed() const { return failed_; }
    void setFailureHandler(std::function<void(const std::string& why)> handler) { onFailure_ = std::move(handler); }

private:
    std::ostream& out_;
    bool failed_ = false;
    std::function<void(const std::string&)> onFailure_;
};

}  // namespace platform::scenario
