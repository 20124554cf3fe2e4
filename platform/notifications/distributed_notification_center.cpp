#include "platform/notifications/distributed_notification_center.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "platform/plist/json.h"
#include "platform/runtime/main_loop.h"

namespace platform {

namespace {

struct Record {
    std::string name;
    std::optional<std::string> object;
    DistributedNotificationCenter::Handler handler;
    bool removed = false;
};

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

struct DistributedNotificationCenter::State {
    std::vector<std::shared_ptr<Record>> records;
    BoundedLog<DistributedNotification> posted{kKeptPosts};
    std::vector<DistributedNotification> held;
    bool suspended = false;
    PostWatcher watcher;
    std::ostream* stream = nullptr;
    int fd = -1;
    bool writeFailed = false;

    void closeFile() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }

    void deliver(const DistributedNotification& n) const {
        const auto snapshot = records;
        for (const auto& record : snapshot) {
            if (record->removed) continue;
            if (!record->name.empty() && record->name != n.name) continue;
            if (record->object && record->object != n.object) continue;
            auto handler = record->handler;
            handler(n);
        }
    }
};

std::string jsonLine(const DistributedNotification& notification) {
    std::string line = "{\"name\":";
    plist::appendJsonString(line, notification.name);
    line += ",\"object\":";
    if (notification.object) {
        plist::appendJsonString(line, *notification.object);
    } else {
        line += "null";
    }
    line += ",\"deliverImmediately\":";
    line += notification.deliverImmediately ? "true" : "false";
    line += ",\"userInfo\":";
    line += plist::toJson(plist::Value(notification.userInfo));
    line += '}';
    return line;
}

DistributedNotificationCenter::DistributedNotificationCenter() : state_(std::make_shared<State>()) {}

DistributedNotificationCenter::~DistributedNotificationCenter() { state_->closeFile(); }

DistributedNotificationCenter& DistributedNotificationCenter::defaultCenter() {
    static DistributedNotificationCenter center;
    return center;
}

void DistributedNotificationCenter::post(std::string name, std::optional<std::string> object,
                                         plist::Dictionary userInfo, Delivery delivery) {
    DistributedNotification n{std::move(name), std::move(object), std::move(userInfo),
                              delivery == Delivery::immediately};
    state_->posted.push_back(n);
    if (state_->watcher) {
        const PostWatcher watcher = state_->watcher;
        // A copy: the watcher runs as the system, which replaces what executes.
        const std::shared_ptr<ProcessRun> poster = ProcessRun::executing();
        watcher(n, poster);
    }
    writeLine(n);
    if (state_->suspended && !n.deliverImmediately) {
        state_->held.push_back(std::move(n));
        return;
    }
    deliverLater(n);
}

void DistributedNotificationCenter::deliverLater(const DistributedNotification& notification) {
    if (!MainLoop::exists()) {
        state_->deliver(notification);
        return;
    }
    // The delivery is the system's, as the system's centre carries a notification to
    // other processes: it reaches the observers whatever becomes of the poster meanwhile.
    // Each handler runs as its own observer's run.
    std::weak_ptr<State> weak = state_;
    MainLoop::main().post(Handover<void()>::system([weak, notification] {
        if (auto state = weak.lock()) state->deliver(notification);
    }));
}

void DistributedNotificationCenter::writeLine(const DistributedNotification& notification) {
    if (!state_->stream && state_->fd < 0) return;
    const std::string line = jsonLine(notification) + "\n";
    if (state_->stream) {
        *state_->stream << line;
        state_->stream->flush();
        if (!*state_->stream) state_->writeFailed = true;
    }
    if (state_->fd >= 0 && !writeAll(state_->fd, line)) state_->writeFailed = true;
}

DistributedNotificationCenter::Token DistributedNotificationCenter::addObserver(std::string name,
                                                                                std::optional<std::string> object,
                                                                                Handler handler) {
    auto record = std::make_shared<Record>(Record{std::move(name), std::move(object), std::move(handler)});
    state_->records.push_back(record);
    return record;
}

void DistributedNotificationCenter::removeObserver(const Token& token) {
    auto& records = state_->records;
    auto it = std::find_if(records.begin(), records.end(), [&](const auto& r) { return r.get() == token.get(); });
    if (it == records.end()) return;
    (*it)->removed = true;
    records.erase(it);
}

void DistributedNotificationCenter::setSuspended(bool suspended) {
    state_->suspended = suspended;
    if (suspended) return;
    auto held = std::move(state_->held);
    state_->held.clear();
    for (const auto& n : held) deliverLater(n);
}

bool DistributedNotificationCenter::isSuspended() const { return state_->suspended; }

const BoundedLog<DistributedNotification>& DistributedNotificationCenter::posted() const { return state_->posted; }

void DistributedNotificationCenter::clearPosted() { state_->posted.clear(); }

void DistributedNotificationCenter::setLineStream(std::ostream* stream) {
    stopLines();
    state_->stream = stream;
}

bool DistributedNotificationCenter::setLineFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) return false;
    stopLines();
    state_->fd = fd;
    return true;
}

void DistributedNotificationCenter::stopLines() {
    state_->stream = nullptr;
    state_->closeFile();
    state_->writeFailed = false;
}

bool DistributedNotificationCenter::lineWriteFailed() const { return state_->writeFailed; }

void DistributedNotificationCenter::setPostWatcher(PostWatcher watcher) { state_->watcher = std::move(watcher); }

void DistributedNotificationCenter::reset() {
    for (auto& r : state_->records) r->removed = true;
    state_->records.clear();
    state_->held.clear();
    state_->posted.clear();
    state_->suspended = false;
    stopLines();
}

}  // namespace platform
