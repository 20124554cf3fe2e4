#pragma once

// Inside the toolkit: what lasts from one rebuild to the next (the views' state, scroll
// offsets, bridged AppKit views, running appear hooks and tasks) and what one rebuild
// pass finds (presentations, window observers, the chosen tab).
//
// A pass visits every view it builds. At its end whatever was not visited goes: a
// view's disappear hook runs and its task is cancelled, then its state is dropped; what
// was visited for the first time gets its appear hook and task started.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/runtime/task.h"
#include "platform/ui/node.h"
#include "platform/ui/view.h"

namespace platform {
class View;
class Window;
}  // namespace platform

namespace platform::ui::detail {

struct SheetRequest {
    std::string key;
    // The surface it is presented over: "" for the host's window, else a sheet's key.
    std::string parent;
    std::unique_ptr<Node> root;
};

struct AlertRequest {
    std::string key;
    std::string surface;
    std::string title;
    std::string message;
    std::vector<AlertButton> buttons;
    Binding<bool> isPresented;
};

struct ImportRequest {
    std::string key;
    std::string surface;
    std::vector<std::string> contentTypes;
    Binding<bool> isPresented;
    std::function<void(Result<std::filesystem::path>)> completion;
};

struct WindowObserver {
    std::string key;
    std::string surface;
    std::function<void(const std::shared_ptr<Window>&)> action;
};

struct Lifecycle {
    std::function<void()> onAppear;
    std::function<void()> onDisappear;
    std::function<Task<void>()> task;
};

class Graph {
public:
    Graph() = default;
    ~Graph();
    Graph(const Graph&) = delete;
    Graph& operator=(const Graph&) = delete;

    void beginPass();
    // Ends the pass: disappearances, dropped state, then appearances.
    void endPass();

    std::shared_ptr<void> state(const std::string& key, const std::function<std::shared_ptr<void>()>& make);
    void lifecycle(const std::string& identity, Lifecycle hooks);
    // Kept while the scroll view is in the tree.
    std::shared_ptr<double> scrollOffset(const std::string& key);
    // Made on the first visit; `made` tells whether it was.
    std::shared_ptr<platform::View> appKitView(const std::string& key,
                                               const std::function<std::shared_ptr<platform::View>()>& make,
                                               bool& made);

    // ---- Found by the pass
    const std::string& currentSurface() const { return surfaces_.back(); }
    void enterSurface(std::string key) { surfaces_.push_back(std::move(key)); }
    void leaveSurface() { surfaces_.pop_back(); }
    std::vector<SheetRequest> sheets;
    std::vector<AlertRequest> alerts;
    std::vector<ImportRequest> imports;
    std::vector<WindowObserver> windowObservers;
    std::optional<std::string> chosenTabTitle;

    // The AppKit views visited by this pass, by key.
    const std::map<std::string, std::shared_ptr<platform::View>>& appKitViews() const { return appKitViews_; }

private:
    struct Kept {
        std::shared_ptr<void> object;
        bool visited = false;
    };
    struct Running {
        Lifecycle hooks;
        TaskHandle task;
        bool visited = false;
    };

    std::map<std::string, Kept> states_;
    std::map<std::string, std::shared_ptr<double>> scrollOffsets_;
    std::set<std::string> visitedOffsets_;
    std::map<std::string, std::shared_ptr<platform::View>> appKitViews_;
    std::set<std::string> visitedAppKitViews_;
    std::map<std::string, Running> running_;
    std::vector<std::string> appeared_;
    std::map<std::string, int> lifecycleCounts_;
    std::vector<std::string> surfaces_{""};
};

}  // namespace platform::ui::detail
