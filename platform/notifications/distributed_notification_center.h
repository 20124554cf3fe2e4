#pragma once

// The distributed notification centre: what the program announces to other processes.
//
// post() does three things, in this order:
// - records the notification (posted(), the newest kKeptPosts; tests read it) and tells
//   the post watcher, when one is set, at once (as a process outside that follows the
//   posts sees them);
// - writes it as one JSON line to the line sink, when one is set, so that a process
//   outside can follow what was announced: {"name":…,"object":…,"deliverImmediately":…,
//   "userInfo":{…}} with the userInfo's keys in their order and integers, reals and
//   Booleans kept apart (platform/plist/json.h);
// - delivers it to the observers in this process on a later turn of the main loop, as
//   the system's centre reaches other processes: one turn per notification, in posting
//   order. While the centre is suspended (as a process in the background may be),
//   notifications not marked for immediate delivery are held and delivered, in order,
//   when it resumes; immediate ones are not held. Without a main loop, delivery is
//   synchronous.
// Writing a line never fails a post: a sink that cannot take a line is marked failed.
// Main thread only.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/plist/value.h"
#include "platform/runtime/bounded_log.h"
#include "platform/runtime/handover.h"

namespace platform {

struct DistributedNotification {
    std::string name;
    // The system's centre carries the sender as a string, or nothing.
    std::optional<std::string> object;
    plist::Dictionary userInfo;
    bool deliverImmediately = false;
};

// One JSON line, without the newline.
std::string jsonLine(const DistributedNotification& notification);

class DistributedNotificationCenter {
public:
    enum class Delivery { normal, immediately };
    // Belongs to the run that hands it over: an observer of a run that has ended hears
    // nothing more.
    using Handler = Handover<void(const DistributedNotification&)>;
    using Token = std::shared_ptr<const void>;

    static constexpr size_t kKeptPosts = 256;

    DistributedNotificationCenter();
    ~DistributedNotificationCenter();
    DistributedNotificationCenter(const DistributedNotificationCenter&) = delete;
    DistributedNotificationCenter& operator=(const DistributedNotificationCenter&) = delete;

    // The process's centre.
    static DistributedNotificationCenter& defaultCenter();

    void post(std::string name, std::optional<std::string> object, plist::Dictionary userInfo,
              Delivery delivery = Delivery::normal);

    // An empty name matches every name; no object matches every object.
    Token addObserver(std::string name, std::optional<std::string> object, Handler handler);
    void removeObserver(const Token& token);
    void setSuspended(bool suspended);
    bool isSuspended() const;

    // The posts since creation or the last clearPosted(), in order: the newest kKeptPosts.
    const BoundedLog<DistributedNotification>& posted() const;
    // Told of every post as it is made, before anything else happens to it, with the run
    // of the program that posted it (null: the system's code); null stops it. It stays
    // through reset().
    using PostWatcher = Handover<void(const DistributedNotification&, const std::shared_ptr<ProcessRun>& poster)>;
    void setPostWatcher(PostWatcher watcher);
    void clearPosted();

    // Lines go to `stream` (kept alive by the caller, flushed after every line) from now
    // on; null stops them.
    void setLineStream(std::ostream* stream);
    // Lines are appended to the file (made when missing), each with one write, so that
    // lines of several writers never interleave. False when it cannot be opened; the
    // previous sink is then kept.
    bool setLineFile(const std::filesystem::path& path);
    void stopLines();
    // A line could not be written whole since the sink was set.
    bool lineWriteFailed() const;

    // Drops observers, held notifications, records and the sink (between tests).
    void reset();

private:
    struct State;
    void writeLine(const DistributedNotification& notification);
    void deliverLater(const DistributedNotification& notification);
    std::shared_ptr<State> state_;
};

}  // namespace platform
