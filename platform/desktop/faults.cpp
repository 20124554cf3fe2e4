#include "platform/desktop/faults.h"

#include <algorithm>

#include "platform/desktop/world_lock.h"

namespace platform::desktop {

namespace {
// kAXErrorCannotComplete, what a refused write or press reports.
constexpr int32_t kCannotComplete = -25204;
}  // namespace

Faults::Rule& Faults::Rule::forApplication(int32_t pid) {
    const WorldGuard guard = guardWorld(world_);
    pid_ = pid;
    return *this;
}

Faults::Rule& Faults::Rule::forWindow(uint32_t number) {
    const WorldGuard guard = guardWorld(world_);
    window_ = number;
    return *this;
}

Faults::Rule& Faults::Rule::forControl(uint64_t id) {
    const WorldGuard guard = guardWorld(world_);
    control_ = id;
    return *this;
}

Faults::Rule& Faults::Rule::times(int count) {
    const WorldGuard guard = guardWorld(world_);
    remaining_ = count < 0 ? 0 : count;
    return *this;
}

Faults::Rule& Faults::Rule::fail(int32_t code) {
    const WorldGuard guard = guardWorld(world_);
    fault_.effect = FaultEffect::error;
    fault_.code = code;
    return *this;
}

Faults::Rule& Faults::Rule::fail(int32_t code, std::string description) {
    const WorldGuard guard = guardWorld(world_);
    fail(code);
    fault_.description = std::move(description);
    return *this;
}

Faults::Rule& Faults::Rule::refuse() { return fail(kCannotComplete); }

Faults::Rule& Faults::Rule::wrongType() {
    const WorldGuard guard = guardWorld(world_);
    fault_.effect = FaultEffect::wrongType;
    return *this;
}

Faults::Rule& Faults::Rule::missing() {
    const WorldGuard guard = guardWorld(world_);
    fault_.effect = FaultEffect::missing;
    return *this;
}

Faults::Rule& Faults::Rule::hang(double seconds) {
    const WorldGuard guard = guardWorld(world_);
    fault_.effect = FaultEffect::unresponsive;
    fault_.seconds = seconds > 0 ? seconds : 0;
    return *this;
}

Faults::Rule& Faults::Rule::answer(std::any payload) {
    const WorldGuard guard = guardWorld(world_);
    fault_.effect = FaultEffect::answer;
    fault_.payload = std::move(payload);
    return *this;
}

bool Faults::Rule::matches(const FaultQuery& q) const {
    if (remaining_ == 0 || call_ != q.call) return false;
    if (!name_.empty() && name_ != q.name) return false;
    if (pid_ && *pid_ != q.pid) return false;
    if (window_ && *window_ != q.window) return false;
    if (control_ && *control_ != q.control) return false;
    return true;
}

Faults::Rule& Faults::on(FaultCall call, std::string name) {
    const WorldGuard guard = guardWorld(world_);
    Rule rule;
    rule.world_ = &world_;
    rule.call_ = call;
    rule.name_ = std::move(name);
    rules_.push_back(std::move(rule));
    return rules_.back();
}

std::optional<Fault> Faults::take(const FaultQuery& query) {
    const WorldGuard guard = guardWorld(world_);
    for (auto it = rules_.rbegin(); it != rules_.rend(); ++it) {
        if (!it->matches(query)) continue;
        if (it->remaining_ > 0) --it->remaining_;
        ++it->uses_;
        return it->fault_;
    }
    return std::nullopt;
}

bool Faults::isArmed(FaultCall call) const {
    const WorldGuard guard = guardWorld(world_);
    return std::any_of(rules_.begin(), rules_.end(),
                       [call](const Rule& rule) { return rule.call_ == call && rule.remaining_ != 0; });
}

int Faults::uses(FaultCall call, std::string_view name) const {
    const WorldGuard guard = guardWorld(world_);
    int total = 0;
    for (const auto& rule : rules_) {
        if (rule.call_ == call && (name.empty() || rule.name_ == name)) total += rule.uses_;
    }
    return total;
}

void Faults::clear() {
    const WorldGuard guard = guardWorld(world_);
    rules_.clear();
}

}  // namespace platform::desktop
