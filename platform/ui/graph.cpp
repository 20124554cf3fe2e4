#include "platform/ui/graph.h"

#include <utility>

namespace platform::ui::detail {

Graph::~Graph() {
    for (auto& [key, running] : running_) running.task.cancel();
}

void Graph::beginPass() {
    for (auto& [key, kept] : states_) kept.visited = false;
    for (auto& [key, running] : running_) running.visited = false;
    visitedOffsets_.clear();
    visitedAppKitViews_.clear();
    appeared_.clear();
    lifecycleCounts_.clear();
    sheets.clear();
    alerts.clear();
    imports.clear();
    windowObservers.clear();
    chosenTabTitle.reset();
    surfaces_ = {""};
}

void Graph::endPass() {
    // Hooks may change state and ask for another rebuild; they never reenter this one,
    // since rebuilds run on a later loop turn. Collect first, then call.
    std::vector<Running> gone;
    for (auto it = running_.begin(); it != running_.end();) {
        if (it->second.visited) {
            ++it;
            continue;
        }
        gone.push_back(std::move(it->second));
        it = running_.erase(it);
    }
    for (Running& r : gone) {
        r.task.cancel();
        if (r.hooks.onDisappear) r.hooks.onDisappear();
    }
    std::erase_if(states_, [](const auto& entry) { return !entry.second.visited; });
    std::erase_if(scrollOffsets_, [this](const auto& entry) { return !visitedOffsets_.count(entry.first); });
    std::erase_if(appKitViews_, [this](const auto& entry) { return !visitedAppKitViews_.count(entry.first); });
    const std::vector<std::string> appeared = std::move(appeared_);
    appeared_.clear();
    for (const std::string& key : appeared) {
        auto found = running_.find(key);
        if (found == running_.end()) continue;
        Lifecycle hooks = found->second.hooks;
        if (hooks.task) found->second.task = spawnMain(hooks.task);
        if (hooks.onAppear) hooks.onAppear();
    }
}

std::shared_ptr<void> Graph::state(const std::string& key, const std::function<std::shared_ptr<void>()>& make) {
    auto found = states_.find(key);
    if (found == states_.end()) found = states_.emplace(key, Kept{make(), false}).first;
    found->second.visited = true;
    return found->second.object;
}

void Graph::lifecycle(const std::string& identity, Lifecycle hooks) {
    const std::string key = identity + "|life" + std::to_string(lifecycleCounts_[identity]++);
    auto found = running_.find(key);
    if (found == running_.end()) {
        running_.emplace(key, Running{std::move(hooks), {}, true});
        appeared_.push_back(key);
        return;
    }
    // The latest hooks replace the older ones; a running task keeps running.
    found->second.hooks = std::move(hooks);
    found->second.visited = true;
}

std::shared_ptr<double> Graph::scrollOffset(const std::string& key) {
    visitedOffsets_.insert(key);
    std::shared_ptr<double>& offset = scrollOffsets_[key];
    if (!offset) offset = std::make_shared<double>(0);
    return offset;
}

std::shared_ptr<platform::View> Graph::appKitView(const std::string& key,
                                                  const std::function<std::shared_ptr<platform::View>()>& make,
                                                  bool& made) {
    visitedAppKitViews_.insert(key);
    auto found = appKitViews_.find(key);
    made = found == appKitViews_.end();
    if (made) found = appKitViews_.emplace(key, make ? make() : nullptr).first;
    return found->second;
}

}  // namespace platform::ui::detail
