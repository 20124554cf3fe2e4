// What a scenario expects to see, checked against the desktop and the watch's records.

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

Player::Outcome Player::expectWindow(const ExpectWindowCommand& command) {
    WindowLooks& looks = watch_.looks();
    const desktop::Window* window = looks.find(command.title);
    const WindowLook look = looks.lookOf(window, host_.isRunning());
    if (look != command.look)
        return failed("\"" + command.title + "\" is " + describe(look) + ", not " + describe(command.look));
    if (!command.at || !window) return fine();
    const Point seen = looks.whereSeen(*window, look);
    if (std::fabs(seen.x - command.at->x) > kPositionTolerance || std::fabs(seen.y - command.at->y) > kPositionTolerance)
        return failed("\"" + command.title + "\" is seen at " + point(seen) + ", not " + point(*command.at));
    return fine();
}

Player::Outcome Player::expectNotification(const ExpectNotificationCommand& command) {
    const auto& posted = watch_.notifications();
    for (size_t i = notificationMark_; i < posted.size(); ++i) {
        if (!matches(posted[i].notification, command)) continue;
        notificationMark_ = i + 1;
        return fine();
    }
    std::string seen;
    for (size_t i = notificationMark_; i < posted.size(); ++i) seen += "\n  " + described(posted[i].notification);
    return failed("no notification " + command.name + " as expected came" + (seen.empty() ? "" : "; came:" + seen));
}

Player::Outcome Player::expectSound(const ExpectSoundCommand& command) {
    const auto& sounds = watch_.sounds();
    if (!command.name) {
        const size_t from = soundMark_;
        soundMark_ = sounds.size();
        if (from == sounds.size()) return fine();
        return failed("the sound \"" + sounds[from].name + "\" played");
    }
    for (size_t i = soundMark_; i < sounds.size(); ++i) {
        if (sounds[i].name != *command.name) continue;
        soundMark_ = i + 1;
        return fine();
    }
    return failed("the sound \"" + *command.name + "\" did not play");
}

Player::Outcome Player::expectDefaults(const ExpectDefaultsCommand& command) {
    const plist::Dictionary stored = watch_.storedDefaults();
    const plist::Value* value = stored.find(command.key);
    if (value && sameValue(*value, command.value)) return fine();
    return failed(command.key + " is " + (value ? literalText(*value) : "not stored") + ", not " +
                  literalText(command.value));
}

Player::Outcome Player::expectExited(const ExpectExitedCommand& command) {
    if (host_.isRunning()) return failed("the program still runs");
    const auto& end = host_.lastEnd();
    if (!end) return failed("the program never ran");
    if (!*end) return failed("the program crashed");
    if (**end != command.status) return failed("the program exited with " + std::to_string(**end));
    return fine();
}

}  // namespace platform::scenario
