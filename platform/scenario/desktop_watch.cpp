#include "platform/scenario/desktop_watch.h"

#include <algorithm>
#include <set>

#include "platform/appkit/status_item.h"
#include "platform/appkit/window.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/system_sounds.h"

namespace platform::scenario {

namespace {

plist::Array texts(const std::vector<std::string>& items) {
    plist::Array out;
    for (const auto& item : items) out.push_back(item);
    return out;
}

}  // namespace

DesktopWatch::DesktopWatch(desktop::Desktop& world, Journal& journal, const std::filesystem::path& defaultsFolder,
                           Instances instances)
    : world_(world),
      journal_(journal),
      instances_(std::move(instances)),
      defaults_(FileUserDefaults::create(kProgramDefaultsDomain, defaultsFolder)),
      looks_(world) {
    // The host's own look at what every instance posts.
    DistributedNotificationCenter::defaultCenter().setPostWatcher(DistributedNotificationCenter::PostWatcher::system(
        [this](const DistributedNotification& notification, const std::shared_ptr<ProcessRun>& poster) {
            posted(notification, poster);
        }));
    soundCalls_ = SystemSounds::current().calls().sequenceEnd();
    if (defaults_) {
        defaultsSeen_ = defaults_->changeCount();
        lastDefaults_ = defaults_->storedValues();
    }
}

DesktopWatch::~DesktopWatch() { DistributedNotificationCenter::defaultCenter().setPostWatcher(nullptr); }

void DesktopWatch::posted(const DistributedNotification& notification, const std::shared_ptr<ProcessRun>& poster) {
    const double t = world_.now();
    notifications_.push_back({t, notification});
    const desktop::Application* process = world_.ownProcess(poster);
    looks_.note(notification, process ? process->pid() : 0);
    plist::Dictionary fields{{"name", notification.name}};
    if (notification.object) fields.set("object", *notification.object);
    fields.set("userInfo", notification.userInfo);
    journal_.write(t, "notification", fields);
}

void DesktopWatch::look() {
    lookAtSounds();
    lookAtDefaults();
    lookAtWindows();
    lookAtTransitions();
    lookAtStatusMenu();
}

void DesktopWatch::programEnded() {
    looks_.forgetEnded();
    look();
}

void DesktopWatch::lookAtSounds() {
    const auto& calls = SystemSounds::current().calls();
    if (soundCalls_ > calls.sequenceEnd()) soundCalls_ = 0;  // a fresh record
    soundCalls_ = std::max(soundCalls_, calls.firstSequence());
    for (; soundCalls_ < calls.sequenceEnd(); ++soundCalls_) {
        const SystemSounds::Call& call = *calls.entry(soundCalls_);
        if (call.kind == SystemSounds::Call::Kind::create && call.id != 0) {
            soundNames_[call.id] = call.file.stem().string();
        } else if (call.kind == SystemSounds::Call::Kind::dispose) {
            soundNames_.erase(call.id);
        } else if (call.kind == SystemSounds::Call::Kind::play || call.kind == SystemSounds::Call::Kind::beep) {
            const auto name = soundNames_.find(call.id);
            const bool beep = call.kind == SystemSounds::Call::Kind::beep;
            Sound sound{call.time, beep ? "beep" : name != soundNames_.end() ? name->second : "unknown"};
            if (!beep && !call.known) continue;
            journal_.write(sound.t, "sound", {{"name", sound.name}});
            sounds_.push_back(std::move(sound));
        }
    }
}

std::optional<plist::Value> DesktopWatch::storedDefault(std::string_view key) const {
    return defaults_ ? defaults_->storedObject(key) : std::nullopt;
}

bool DesktopWatch::writeDefault(const std::string& key, plist::Value value) {
    if (!defaults_) return false;
    const bool stored = defaults_->set(key, std::move(value)) == WriteStatus::stored;
    lookAtDefaults();
    return stored;
}

// The values are read and compared only when the store says they may have changed: a
// look at an unchanged file costs one look at its signature, however many keys it holds.
void DesktopWatch::lookAtDefaults() {
    if (!defaults_) return;
    const uint64_t change = defaults_->changeCount();
    if (change == defaultsSeen_) return;
    defaultsSeen_ = change;
    plist::Dictionary now = defaults_->storedValues();
    const double t = world_.now();
    bool changed = false;
    for (size_t i = 0; i < now.size(); ++i) {
        const plist::Value* before = lastDefaults_.find(now.keyAt(i));
        if (before && *before == now.valueAt(i)) continue;
        journal_.write(t, "defaults", {{"key", std::string(now.keyAt(i))}, {"value", now.valueAt(i)}});
        changed = true;
    }
    for (size_t i = 0; i < lastDefaults_.size(); ++i) {
        if (now.contains(lastDefaults_.keyAt(i))) continue;
        journal_.write(t, "defaults", {{"key", std::string(lastDefaults_.keyAt(i))}, {"removed", true}});
        changed = true;
    }
    // Kept only when they differ, so that keys that go are reported in the order of the
    // values last reported.
    if (changed) lastDefaults_ = std::move(now);
}

void DesktopWatch::reportWindow(uint32_t number, const SeenWindow& seen, Point at) {
    auto& known = windows_[number];
    if (known.look == seen.look && !known.title.empty()) return;
    known = seen;
    journal_.write(world_.now(), "window",
                   {{"title", seen.title}, {"app", seen.bundle}, {"state", describe(seen.look)},
                    {"at", plist::Array{at.x, at.y}}});
}

// What a look goes through is what is open now and what it knew of: a window is reported
// gone once and then forgotten, here and in the looks, so that windows opened and closed
// before cost nothing.
void DesktopWatch::lookAtWindows() {
    std::set<uint32_t> open;
    for (const desktop::Window* window : world_.windowsFrontToBack()) {
        ++windowsVisited_;
        if (window->owner().isOwnProcess() || !window->isAccessible()) continue;
        if (window->owner().kind() != desktop::ProcessKind::application) continue;
        const WindowLook look = looks_.lookOf(window);
        open.insert(window->number());
        reportWindow(window->number(),
                     {window->title(), window->owner().bundleIdentifier().value_or(""), look},
                     looks_.frameSeen(*window, look).origin);
    }
    for (auto seen = windows_.begin(); seen != windows_.end();) {
        ++windowsVisited_;
        if (open.contains(seen->first)) {
            ++seen;
            continue;
        }
        if (seen->second.look != WindowLook::gone) {
            journal_.write(world_.now(), "window",
                           {{"title", seen->second.title}, {"app", seen->second.bundle}, {"state", "gone"}});
        }
        seen = windows_.erase(seen);
    }
    windowsVisited_ += looks_.keepOnly(open);
}

bool DesktopWatch::transitionShows() const {
    for (const desktop::Window* window : world_.windowsFrontToBack()) {
        if (window->owner().isOwnProcess() && window->layer() == window_levels::overlay && window->isOnScreen())
            return true;
    }
    return false;
}

void DesktopWatch::lookAtTransitions() {
    const bool shows = transitionShows();
    if (shows == transition_) return;
    transition_ = shows;
    journal_.write(world_.now(), "transition", {{"phase", shows ? "started" : "ended"}});
}

std::optional<std::vector<std::string>> DesktopWatch::statusMenu(const std::shared_ptr<ProcessRun>& run) const {
    for (const auto& item : StatusBar::system().itemsOf(run)) {
        if (item->isVisible() && item->menu()) return item->menu()->outline();
    }
    return std::nullopt;
}

// Each running instance's menu as it changes; an instance that ended shows none.
void DesktopWatch::lookAtStatusMenu() {
    std::map<int, std::optional<std::vector<std::string>>> now;
    for (const Instance& instance : instances_()) now[instance.number] = statusMenu(instance.run);
    for (const auto& [number, seen] : statusMenus_) now.try_emplace(number);
    for (const auto& [number, items] : now) {
        auto& seen = statusMenus_[number];
        if (items == seen) continue;
        seen = items;
        plist::Dictionary fields{{"items", items ? texts(*items) : plist::Array{}}};
        if (number > 1) fields.set("instance", number);
        journal_.write(world_.now(), "status-menu", fields);
    }
}

}  // namespace platform::scenario
