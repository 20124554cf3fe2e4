// What a scenario expects to see, checked against the desktop and the watch's records.

#include <algorithm>
#include <cmath>

#include "platform/desktop/desktop.h"
#include "platform/scenario/desktop_watch.h"
#include "platform/scenario/player.h"
#include "platform/scenario/plist_literal.h"
#include "platform/scenario/program_host.h"

namespace platform::scenario {

namespace {

constexpr const char* kNotificationPrefix = "com.brindlewick.FurlpaneNovan.";

bool sameName(const std::string& posted, const std::string& wanted) {
    return posted == wanted || posted == kNotificationPrefix + wanted;
}

bool matches(const DistributedNotification& n, const ExpectNotificationCommand& wanted) {
    if (!sameName(n.name, wanted.name)) return false;
    for (const auto& [key, value] : wanted.userInfo) {
        const plist::Value* found = n.userInfo.find(key);
        if (!found || !sameValue(*found, value)) return false;
    }
    return true;
}

std::string described(const DistributedNotification& n) {
    std::string text = n.name;
    for (size_t i = 0; i < n.userInfo.size(); ++i)
        text += " " + std::string(n.userInfo.keyAt(i)) + "=" + literalText(n.userInfo.valueAt(i));
    return text;
}

std::string point(Point p) { return literalText(p.x) + "," + literalText(p.y); }
std::string size(Size s) { return literalText(s.width) + "x" + literalText(s.height); }

bool near(double a, double b) { return std::fabs(a - b) <= Player::kPositionTolerance; }

}  // namespace

bool sameValue(const plist::Value& a, const plist::Value& b) {
    if (a.isNumber() && b.isNumber()) return *a.number() == *b.number();
    if (a.isArray() && b.isArray()) {
        if (a.array()->size() != b.array()->size()) return false;
        for (size_t i = 0; i < a.array()->size(); ++i) {
            if (!sameValue((*a.array())[i], (*b.array())[i])) return false;
        }
        return true;
    }
    if (a.isDictionary() && b.isDictionary()) {
        const plist::Dictionary& x = *a.dictionary();
        const plist::Dictionary& y = *b.dictionary();
        if (x.size() != y.size()) return false;
        for (size_t i = 0; i < x.size(); ++i) {
            const plist::Value* other = y.find(x.keyAt(i));
            if (!other || !sameValue(x.valueAt(i), *other)) return false;
        }
        return true;
    }
    return a == b;
}

std::string listed(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& item : items) {
        if (item == "-") continue;
        out += (out.empty() ? "\"" : ", \"") + item + "\"";
    }
    return out.empty() ? "nothing" : out;
}

std::string Player::undeclared(const ExpectWindowCommand& command) const {
    for (const std::string* title : {&command.title, command.above ? &*command.above : nullptr}) {
        if (title && !declared_.contains(*title)) return "no line declares a window \"" + *title + "\"";
    }
    if (command.above == command.title) return "\"" + command.title + "\" is compared with itself";
    return {};
}

Player::Outcome Player::expectWindow(const ExpectWindowCommand& command) {
    if (std::string why = undeclared(command); !why.empty()) return failed(std::move(why));
    WindowLooks& looks = watch_.looks();
    const desktop::Window* window = looks.find(command.title);
    const WindowLook look = looks.lookOf(window);
    if (look != command.look)
        return failed("\"" + command.title + "\" is " + describe(look) + ", not " + describe(command.look));
    if (!window) return fine();
    const Rect seen = looks.frameSeen(*window, look);
    if (command.at && !(near(seen.minX(), command.at->x) && near(seen.minY(), command.at->y)))
        return failed("\"" + command.title + "\" is seen at " + point(seen.origin) + ", not " + point(*command.at));
    if (command.size && !(near(seen.width(), command.size->width) && near(seen.height(), command.size->height)))
        return failed("\"" + command.title + "\" is seen " + size(seen.size) + " large, not " + size(*command.size));
    if (command.above) return expectAbove(*window, look, *command.above);
    return fine();
}

// What shows the window stands in front of what shows the other one, both on screen.
Player::Outcome Player::expectAbove(const desktop::Window& window, WindowLook look, const std::string& other) {
    WindowLooks& looks = watch_.looks();
    const desktop::Window* below = looks.find(other);
    const desktop::Window* shown = looks.shownBy(window, look);
    const desktop::Window* shownBelow = below ? looks.shownBy(*below, looks.lookOf(below)) : nullptr;
    if (!shown) return failed("\"" + window.title() + "\" is not to be seen");
    if (!shownBelow) return failed("\"" + other + "\" is not to be seen");
    for (const desktop::Window* w : world_.windowsFrontToBack()) {
        if (w == shown) return fine();
        if (w == shownBelow) break;
    }
    return failed("\"" + window.title() + "\" stands behind \"" + other + "\"");
}

Player::Outcome Player::expectNotification(const ExpectNotificationCommand& command) {
    const auto& posted = watch_.notifications();
    const uint64_t from = std::max(notificationMark_, posted.firstSequence());
    for (uint64_t i = from; i < posted.sequenceEnd(); ++i) {
        const DistributedNotification& n = posted.entry(i)->notification;
        if (!matches(n, command)) continue;
        if (command.absent) return failed("the notification " + described(n) + " came");
        notificationMark_ = i + 1;
        return fine();
    }
    if (command.absent) return fine();
    std::string seen;
    for (uint64_t i = from; i < posted.sequenceEnd(); ++i) seen += "\n  " + described(posted.entry(i)->notification);
    return failed("no notification " + command.name + " as expected came" + (seen.empty() ? "" : "; came:" + seen));
}

Player::Outcome Player::expectSound(const ExpectSoundCommand& command) {
    const auto& sounds = watch_.sounds();
    const uint64_t from = std::max(soundMark_, sounds.firstSequence());
    if (!command.name) {
        soundMark_ = sounds.sequenceEnd();
        if (from == sounds.sequenceEnd()) return fine();
        return failed("the sound \"" + sounds.entry(from)->name + "\" played");
    }
    for (uint64_t i = from; i < sounds.sequenceEnd(); ++i) {
        if (sounds.entry(i)->name != *command.name) continue;
        soundMark_ = i + 1;
        return fine();
    }
    return failed("the sound \"" + *command.name + "\" did not play");
}

Player::Outcome Player::expectDefaults(const ExpectDefaultsCommand& command) {
    const std::optional<plist::Value> stored = watch_.storedDefault(command.key);
    const plist::Value* value = stored ? &*stored : nullptr;
    if (!command.value) return value ? failed(command.key + " is stored: " + literalText(*value)) : fine();
    if (value && sameValue(*value, *command.value)) return fine();
    return failed(command.key + " is " + (value ? literalText(*value) : "not stored") + ", not " +
                  literalText(*command.value));
}

Player::Outcome Player::expectExited(const ExpectExitedCommand& command) {
    const ProgramHost& host = instance(command.instance);
    const std::string program = programCalled(command.instance);
    if (host.isRunning()) return failed(program + " still runs");
    const auto& end = host.lastEnd();
    if (!end) return failed(program + " never ran");
    if (!*end) return failed(program + " crashed");
    if (**end != command.status) return failed(program + " exited with " + std::to_string(**end));
    return fine();
}

// The listed items show in the status menu in this order; others may stand between.
Player::Outcome Player::expectMenu(const ExpectMenuCommand& command) {
    const ProgramHost& program = instance(command.instance);
    const auto items = program.isRunning() ? watch_.statusMenu(program.run()) : std::nullopt;
    if (!items) return failed(programCalled(command.instance) + " shows no status menu");
    auto from = items->begin();
    for (const std::string& wanted : command.items) {
        const auto found = std::find(from, items->end(), wanted);
        if (found == items->end()) {
            const bool elsewhere = std::find(items->begin(), items->end(), wanted) != items->end();
            return failed("the status menu has " + listed(*items) + (elsewhere ? ": \"" : ", not \"") + wanted +
                          (elsewhere ? "\" comes earlier" : "\""));
        }
        from = std::next(found);
    }
    return fine();
}

}  // namespace platform::scenario
