#include "platform/desktop/faults.h"

namespace platform::desktop {

namespace {
// kAXErrorCannotComplete, what a refused write or press reports.
constexpr int32_t kCannotComplete = -25204;
}  // namespace

Faults::Rule& Faults::Rule::forApplication(int32_t pid) {
    pid_ = pid;
    return *this;
}

Faults::Rule& Faults::Rule::forWindow(uint32_t number) {
    window_ = number;
    return *this;
}

Faults::Rule& Faults::Rule::forControl(uint64_t id) {
    control_ = id;
    return *this;
}

Faults::Rule& Faults::Rule::times(int count) {
    remaining_ = count < 0 ? 0 : count;
    return *this;
}

Faults::Rule& Faults::Rule::fail(int32_t code) {
    fault_.effect = FaultEffect::error;
    fault_.code = code;
    return *this;
}

Faults::Rule& Faults::Rule::fail(int32_t code, std::string description) {
    fail(code);
    fault_.description = std::move(description);
    return *this;
}

Faults::Rule& Faults::Rule::refuse() { return fail(kCannotComplete); }

Faults::Rule& Faults::Rule::wrongType() {
    fault_.effect = FaultEffect::wrongType;
    return *this;
}

Faults::Rule& Faults::Rule::missing() {
    fault_.effect = FaultEffect::missing;
    return *this;
}

Faults::Rule& Faults::Rule::hang(double seconds) {
    fault_.effect = FaultEffect::unresponsive;
    fault_.seconds = seconds > 0 ? seconds : 0;
    return *this;
}

Faults::Rule& Faults::Rule::answer(std::any payload) {
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
    Rule rule;
    rule.call_ = call;
    rule.name_ = std::move(name);
    rules_.push_back(std::move(rule));
    return rules_.back();
}

std::optional<Fault> Faults::take(const FaultQuery& query) {
    for (auto it = rules_.rbegin(); it != rules_.rend(); ++it) {
        if (!it->matches(query)) continue;
        if (it->remaining_ > 0) --it->remaining_;
        ++it->uses_;
        return it->fault_;
    }
    return std::nullopt;
}

int Faults::uses(FaultCall call, std::string_view name) const {
    int total = 0;
    for (const auto& rule : rules_) {
        if (rule.call_ == call && (name.empty() || rule.name_ == name)) total += rule.uses_;
    }
    return total;
}

void Faults::clear() { rules_.clear(); }

}  // namespace platform::desktop
