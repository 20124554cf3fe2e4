#include "platform/ui/host.h"

#include <algorithm>
#include <cmath>

#include "platform/appkit/alert.h"
#include "platform/appkit/open_panel.h"
#include "platform/appkit/window.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/observation.h"
#include "platform/runtime/process_once.h"
#include "platform/services/date_format.h"
#include "platform/services/workspace.h"
#include "platform/ui/graph.h"
#include "platform/ui/surface_view.h"
#include "platform/ui/views.h"

namespace platform::ui {

using namespace detail;

namespace {

size_t depthOf(const std::string& key) {
    size_t depth = 0;
    for (size_t at = key.find("/sheet"); at != std::string::npos; at = key.find("/sheet", at + 1)) ++depth;
    return depth;
}

// A sheet has no title bar of its own and still becomes the key window.
class SheetWindow final : public Window {
public:
    SheetWindow(const Rect& content) : Window(content, borderlessWindowMask) {}
    bool canBecomeKeyWindow() const override { return true; }
};

Size idealOf(Node& root) {
    const Size s = root.measure({});
    return {std::max(1.0, std::ceil(s.width)), std::max(1.0, std::ceil(s.height))};
}

}  // namespace

Host::Host(std::shared_ptr<Window> window, std::function<View()> root, WindowTitle title)
    : window_(std::move(window)), root_(std::move(root)), title_(title), graph_(std::make_unique<Graph>()) {}

Host::~Host() {
    tracking_.cancel();
    hideToolTip();
    for (const Surface& s : surfaces_) s.view->detach();
    if (displayOptionsToken_) Workspace::shared().notificationCenter().removeObserver(displayOptionsToken_);
    if (windowCloseToken_) NotificationCenter::defaultCenter().removeObserver(windowCloseToken_);
    if (localeToken_) NotificationCenter::defaultCenter().removeObserver(localeToken_);
    if (timeZoneToken_) NotificationCenter::defaultCenter().removeObserver(timeZoneToken_);
    // Sheets go with their host, innermost first.
    for (size_t i = surfaces_.size(); i-- > 1;) {
        if (Window* parent = surfaces_[i].window->sheetParent()) parent->endSheet(*surfaces_[i].window);
        surfaces_[i].window->close();
    }
}

namespace {

// The hosts of the calling run: each process has its own windows.
std::vector<std::weak_ptr<Host>>& liveHosts() {
    static ProcessLocal<std::vector<std::weak_ptr<Host>>> hosts;
    return hosts.get();
}

}  // namespace

std::vector<std::shared_ptr<Host>> Host::all() {
    auto& hosts = liveHosts();
    std::erase_if(hosts, [](const std::weak_ptr<Host>& h) { return h.expired(); });
    std::vector<std::shared_ptr<Host>> out;
    for (const auto& h : hosts) {
        if (auto host = h.lock()) out.push_back(std::move(host));
    }
    return out;
}

std::shared_ptr<Host> Host::create(std::shared_ptr<Window> window, std::function<View()> root, WindowTitle title) {
    std::shared_ptr<Host> host(new Host(std::move(window), std::move(root), title));
    std::erase_if(liveHosts(), [](const std::weak_ptr<Host>& h) { return h.expired(); });
    liveHosts().push_back(host);
    host->attach();
    host->update();
    return host;
}

void Host::attach() {
    auto view = std::make_shared<SurfaceView>(*this, "");
    if (window_) window_->setContentView(view);
    surfaces_.push_back({"", window_, view});
    std::weak_ptr<Host> weak = weak_from_this();
    displayOptionsToken_ = Workspace::shared().notificationCenter().addObserver(
        workspace_notifications::kAccessibilityDisplayOptionsDidChange, nullptr, [weak](const Notification&) {
            if (auto host = weak.lock()) host->scheduleUpdate();
        });
    // Numbers and dates are written in the user's locale and time zone as they are at
    // each build.
    localeToken_ = NotificationCenter::defaultCenter().addObserver(
        notifications::kCurrentLocaleDidChange, nullptr, [weak](const Notification&) {
            if (auto host = weak.lock()) host->scheduleUpdate();
        });
    timeZoneToken_ = NotificationCenter::defaultCenter().addObserver(
        notifications::kSystemTimeZoneDidChange, nullptr, [weak](const Notification&) {
            if (auto host = weak.lock()) host->scheduleUpdate();
        });
    if (!window_) return;
    windowCloseToken_ = NotificationCenter::defaultCenter().addObserver(
        notifications::kWindowWillClose, window_->notificationObject(), [weak](const Notification&) {
            if (auto host = weak.lock()) host->scheduleUpdate();
        });
}

void Host::scheduleUpdate() {
    if (scheduled_) return;
    scheduled_ = true;
    // Never at once: the change may come from inside a node's own action, and the
    // rebuild replaces every node.
    if (!MainLoop::exists()) return;
    std::weak_ptr<Host> weak = weak_from_this();
    MainLoop::main().post([weak] {
        auto host = weak.lock();
        if (host && host->scheduled_) host->rebuild();
    });
}

void Host::update() {
    rebuild();
    for (const Surface& s : surfaces_) {
        if (s.window) s.window->displayIfNeeded();
    }
}

void Host::rebuild() {
    scheduled_ = false;
    graph_->beginPass();
    Environment env;
    env.reducesMotion = Workspace::shared().accessibilityDisplayShouldReduceMotion();
    env.locale = Locale::autoupdatingCurrent().identifier();
    std::unique_ptr<Node> root;
    std::weak_ptr<Host> weak = weak_from_this();
    // This build follows what it reads; what the last one read and this one does not is
    // no longer the tree's concern.
    tracking_.cancel();
    tracking_ = withObservationTracking(
        [&] {
            Scope scope{*graph_, env, "root", std::nullopt};
            // A closed window's tree is gone, with everything its views started.
            const bool shown = window_ && !window_->isClosed();
            root = scope.resolve(shown ? root_() : EmptyView());
        },
        [weak] {
            if (auto host = weak.lock()) host->scheduleUpdate();
        });
    std::vector<SheetRequest> sheets = std::move(graph_->sheets);
    std::vector<AlertRequest> alerts = std::move(graph_->alerts);
    std::vector<ImportRequest> imports = std::move(graph_->imports);
    const std::vector<WindowObserver> observers = std::move(graph_->windowObservers);
    const std::optional<std::string> tabTitle = graph_->chosenTabTitle;
    graph_->endPass();

    surfaces_.front().view->setRoot(std::move(root));
    showSheets(sheets);
    for (const Surface& s : surfaces_) s.view->relayout();
    if (title_ == WindowTitle::chosenTab && tabTitle && window_) window_->setTitle(*tabTitle);
    showAlerts(alerts);
    showImports(imports);
    tellWindowObservers(observers);
}

// ---- Sheets -----------------------------------------------------------------------------

void Host::showSheets(std::vector<SheetRequest>& requests) {
    std::stable_sort(requests.begin(), requests.end(),
                     [](const SheetRequest& a, const SheetRequest& b) { return depthOf(a.key) < depthOf(b.key); });
    const auto wanted = [&](const std::string& key) {
        return std::any_of(requests.begin(), requests.end(), [&](const SheetRequest& r) { return r.key == key; });
    };
    for (size_t i = surfaces_.size(); i-- > 1;) {
        if (wanted(surfaces_[i].key)) continue;
        Surface gone = std::move(surfaces_[i]);
        surfaces_.erase(surfaces_.begin() + std::ptrdiff_t(i));
        if (Window* parent = gone.window->sheetParent()) parent->endSheet(*gone.window);
        gone.window->close();
    }
    for (SheetRequest& r : requests) {
        const Size size = idealOf(*r.root);
        auto found = std::find_if(surfaces_.begin(), surfaces_.end(), [&](const Surface& s) { return s.key == r.key; });
        if (found != surfaces_.end()) {
            found->view->setRoot(std::move(r.root));
            const Rect content = found->window->contentRectForFrameRect(found->window->frame());
            if (content.size != size) found->window->setContentSize(size);
            continue;
        }
        const Surface* parent = surface(r.parent);
        if (!parent || !parent->window || parent->window->attachedSheet()) continue;
        std::shared_ptr<Window> parentWindow = parent->window;
        auto sheet = std::make_shared<SheetWindow>(Rect{0, 0, size.width, size.height});
        auto view = std::make_shared<SurfaceView>(*this, r.key);
        sheet->setContentView(view);
        view->setRoot(std::move(r.root));
        parentWindow->beginSheet(sheet);
        if (!sheet->isSheet()) continue;
        surfaces_.push_back({r.key, sheet, view});
    }
}

bool Host::hasSheetOver(const std::string& surfaceKey) const {
    const Surface* s = surface(surfaceKey);
    return s && s->window && s->window->attachedSheet();
}

// ---- Alerts and the file dialog -----------------------------------------------------

const Host::Surface* Host::presentable(const std::string& key, const std::string& surfaceKey,
                                       std::set<std::string>& shown) const {
    const Surface* s = surface(surfaceKey);
    if (shown.count(key) || !s || !s->window) return nullptr;
    shown.insert(key);
    return s;
}

void Host::showAlerts(std::vector<AlertRequest>& requests) {
    for (AlertRequest& r : requests) {
        const Surface* s = presentable(r.key, r.surface, shownAlerts_);
        if (!s) continue;
        Alert alert;
        alert.setMessageText(r.title);
        alert.setInformativeText(r.message);
        for (const AlertButton& b : r.buttons) alert.addButton(b.title);
        std::weak_ptr<Host> weak = weak_from_this();
        alert.beginSheetModal(*s->window, [weak, key = r.key, buttons = r.buttons, isPresented = r.isPresented](int64_t response) {
            const int64_t index = response - modal_response::alertFirstButtonReturn;
            if (index >= 0 && size_t(index) < buttons.size() && buttons[size_t(index)].action) buttons[size_t(index)].action();
            isPresented.set(false);
            if (auto host = weak.lock()) host->shownAlerts_.erase(key);
        });
    }
}

void Host::showImports(std::vector<ImportRequest>& requests) {
    for (ImportRequest& r : requests) {
        const Surface* s = presentable(r.key, r.surface, shownImports_);
        if (!s) continue;
        OpenPanel panel;
        panel.allowedContentTypes = r.contentTypes;
        std::weak_ptr<Host> weak = weak_from_this();
        panel.beginSheetModal(*s->window, [weak, key = r.key, isPresented = r.isPresented,
                                           completion = r.completion](OpenPanelResult result) {
            if (auto host = weak.lock()) host->shownImports_.erase(key);
            isPresented.set(false);
            if (!completion || result.response == OpenPanelResult::Response::cancel) return;
            if (result.response == OpenPanelResult::Response::ok && !result.urls.empty()) {
                completion(result.urls.front());
            } else {
                completion(Failure{result.failure.empty() ? "nothing was chosen" : result.failure});
            }
        });
    }
}

void Host::tellWindowObservers(const std::vector<WindowObserver>& observers) {
    std::set<std::string> seen;
    for (const WindowObserver& o : observers) {
        const Surface* s = surface(o.surface);
        if (!s || !s->window || !o.action) continue;
        const std::string key = o.key + "@" + std::to_string(reinterpret_cast<uintptr_t>(s->window.get()));
        seen.insert(key);
        if (toldObservers_.count(key)) continue;
        toldObservers_.insert(key);
        o.action(s->window);
    }
    std::erase_if(toldObservers_, [&](const std::string& key) { return !seen.count(key); });
}

// ---- Looking into the tree ------------------------------------------------------------

const Host::Surface* Host::surface(const std::string& key) const {
    for (const Surface& s : surfaces_) {
        if (s.key == key) return &s;
    }
    return nullptr;
}

Node* Host::node(const std::string& identity, const Surface** in) const {
    for (const Surface& s : surfaces_) {
        if (Node* found = s.view->node(identity)) {
            if (in) *in = &s;
            return found;
        }
    }
    return nullptr;
}

namespace {

void writeOutline(const Node& node, int depth, std::string& out) {
    const std::string line = node.outlineLine();
    int next = depth;
    if (!line.empty()) {
        out += std::string(size_t(depth) * 2, ' ') + line + node.outlineDetails() + "\n";
        next = depth + 1;
    }
    for (const Node* child : node.outlineChildren()) writeOutline(*child, next, out);
}

void collect(Node& node, ControlKind kind, std::vector<Node*>& out) {
    if (node.kind() == kind) out.push_back(&node);
    for (const auto& child : node.children) collect(*child, kind, out);
}

}  // namespace

std::string Host::outline() const {
    std::string out;
    for (const Surface& s : surfaces_) {
        if (!s.view->root()) continue;
        const int depth = s.key.empty() ? 0 : 1;
        if (!s.key.empty()) out += "Sheet\n";
        writeOutline(*s.view->root(), depth, out);
    }
    return out;
}

std::vector<Control> Host::findAll(ControlKind kind) const {
    std::vector<Control> controls;
    std::weak_ptr<Host> weak = std::const_pointer_cast<Host>(shared_from_this());
    for (const Surface& s : surfaces_) {
        if (!s.view->root()) continue;
        std::vector<Node*> nodes;
        collect(*s.view->root(), kind, nodes);
        for (Node* n : nodes) controls.push_back(Control(weak, n->identity, kind));
    }
    return controls;
}

std::optional<Control> Host::find(ControlKind kind, const std::string& label) const {
    for (const Control& c : findAll(kind)) {
        if (c.label() == label) return c;
    }
    return std::nullopt;
}

Size Host::idealSize(std::optional<double> width) const {
    Node* root = surfaces_.front().view->root();
    return root ? root->measure({width, std::nullopt}) : Size{};
}

std::vector<std::shared_ptr<Window>> Host::sheetWindows() const {
    std::vector<std::shared_ptr<Window>> windows;
    for (size_t i = 1; i < surfaces_.size(); ++i) windows.push_back(surfaces_[i].window);
    return windows;
}

}  // namespace platform::ui
