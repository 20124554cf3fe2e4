#include "platform/desktop/desktop.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/notifications/notification_center.h"
#include "platform/process/process_info.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_run.h"
#include "platform/runtime/verify.h"

namespace platform::desktop {

namespace {

// The world the stand-ins act on, as the process's one desktop. Queue threads look it up
// as they make their calls.
std::atomic<Desktop*> g_current{nullptr};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "Desktop: %s\n", what);
    std::abort();
}

}  // namespace

Desktop::Desktop(MainLoop& loop, DesktopOptions options)
    : loop_(loop),
      run_(ProcessRun::begin()),
      faults_(*this),
      privateCalls_(*this),
      displays_(*this),
      spaces_(*this),
      dock_(*this),
      trusted_(options.accessibilityTrusted) {
    if (g_current) fail("a world already exists");
    // A fresh process: until a host runs the program here, code that enters no run is the
    // program's, and the world's run keeps what it makes once.
    ProcessRun::setDefaultRun(run_);
    options_ = options;
    setCurrent(this);
    Quiet quiet(*this);
    for (const auto& description : options.displays) displays_.insert(description);
    spaces_.displaysChanged();
    windowServerPid_ = createProcess(ProcessKind::background, std::nullopt, "Window Server",
                                     ActivationPolicy::prohibited).pid();
    Application& own = createProcess(ProcessKind::application, options.ownBundleIdentifier, options.ownName,
                                     options.ownPolicy, true);
    // Until a host starts the program in it, the program's process is the world's own
    // run: what the program makes once while no host runs it executes as that run.
    own.run_ = run_;
    lastOwn_ = processRecord(own.pid());
    run_->attach(this, lastOwn_);
    // The program asks its process information for its own pid; in a world that is the
    // pid the world gave it. The environment stays as it was.
    ProcessInfo::setCurrent(ProcessInfo::make(own.pid(), ProcessInfo::current().environment()));
    dock_.start();
    placeMenuBars();
}

Desktop::~Desktop() {
    // What was made once while the world lived goes first, while the world is whole.
    run_->end();
    {
        auto guard = lock();
        // Stand-ins' per-world state goes first, newest first, while the records still
        // exist for them to let go of.
        while (!extensions_.empty()) extensions_.pop_back();
        listeners_.clear();
        for (const auto& p : processes_) p->world_ = nullptr;
        for (const auto& held : heldElsewhere_) {
            if (auto p = held.lock()) p->world_ = nullptr;
        }
    }
    alive_.reset();
    setCurrent(nullptr);
    ProcessRun::setDefaultRun(nullptr);
}

void Desktop::setCurrent(Desktop* world) {
    g_current = world;
    ForeignPreferences::setCurrent(world ? &world->preferences_ : nullptr);
    if (!world) ProcessInfo::setCurrent(nullptr);
}

Desktop& Desktop::current() {
    Desktop* world = g_current.load();
    if (!world) fail("no current world");
    return *world;
}

Desktop* Desktop::currentOrNull() { return g_current; }

double Desktop::now() const { return loop_.now(); }

WorldGuard guardWorld(const Desktop& world) { return world.lock(); }

WorldGuard guardWorld(const Desktop* world) { return world ? world->lock() : WorldGuard(); }

// ---- Processes ----------------------------------------------------------------------

ApplicationBuilder Desktop::application(std::optional<std::string> bundleIdentifier) {
    return ApplicationBuilder(*this, std::move(bundleIdentifier));
}

Application& Desktop::createProcess(ProcessKind kind, std::optional<std::string> bundleIdentifier,
                                    std::optional<std::string> name, ActivationPolicy policy, bool own) {
    auto guard = lock();
    const int32_t pid = nextPid_++;
    return processes_.insert(pid, std::make_shared<Application>(*this, pid, kind, std::move(bundleIdentifier),
                                                                std::move(name), policy, nextLaunch_++, own));
}

Application& Desktop::ownApplication() const {
    // The system's code under a host has no process of its own to ask about: current()
    // refuses it rather than answer for whichever run started last.
    const std::shared_ptr<ProcessRun> run = ProcessRun::current();
    if (Application* own = ownProcess(run)) return *own;
    // A run that is no process of this world (a test's own run) is the program's process
    // only while no run has been started in the world; after that it would be some run's.
    auto guard = lock();
    VERIFY_WITH(!lastOwn_->started_, "a run that is no process of this world asks for its own process");
    return *lastOwn_;
}

Application* Desktop::ownProcess(const std::shared_ptr<ProcessRun>& run) const {
    if (!run) return nullptr;
    // The run holds its process's record, so that the record answers for the run even
    // once the world has let go of it; a record of another world (one gone) is not this
    // world's process.
    const std::shared_ptr<Application> record = run->attached<Application>(this);
    const WorldGuard guard = guardWorld(*this);
    return record && record->world_ == this ? record.get() : nullptr;
}

Application& Desktop::startOwnProcess(std::shared_ptr<ProcessRun> run) {
    auto guard = lock();
    Application* process = lastOwn_.get();
    if (process->terminated_ || process->started_) {
        process = &createProcess(ProcessKind::application, options_.ownBundleIdentifier, options_.ownName,
                                 options_.ownPolicy, true);
        lastOwn_ = processRecord(process->pid());
        emit(WorldEventKind::applicationLaunched, process->pid());
    }
    run->attach(this, lastOwn_);
    process->run_ = std::move(run);
    process->started_ = true;
    return *process;
}

Application* Desktop::process(int32_t pid) const {
    const WorldGuard guard = guardWorld(*this);
    // The record's fields are read directly, under the guard.
    Application* p = processes_.find(pid);
    return p && !p->terminated_ ? p : nullptr;
}

std::shared_ptr<Application> Desktop::processRecord(int32_t pid) const {
    const WorldGuard guard = guardWorld(*this);
    const auto* held = processes_.holder(pid);
    return held ? *held : nullptr;
}

std::vector<Application*> Desktop::runningApplications() const {
    const WorldGuard guard = guardWorld(*this);
    std::vector<Application*> result;
    for (const auto& p : processes_) {
        if (p->kind() == ProcessKind::application && !p->isTerminated()) result.push_back(p.get());
    }
    return result;
}

Application* Desktop::activeApplication() const {
    const WorldGuard guard = guardWorld(*this);
    return activePid_ ? process(activePid_) : nullptr;
}

// ---- Windows --------------------------------------------------------------------------

Window* Desktop::windowRecord(uint32_t number) const {
    const WorldGuard guard = guardWorld(*this);
    return windows_.find(number);
}

Window* Desktop::window(uint32_t number) const {
    const WorldGuard guard = guardWorld(*this);
    Window* w = windowRecord(number);
    return w && !w->isClosed() ? w : nullptr;
}

Control* Desktop::control(uint64_t id) const {
    const WorldGuard guard = guardWorld(*this);
    return controls_.find(id);
}

Desktop::RecordCounts Desktop::recordCounts() const {
    const WorldGuard guard = guardWorld(*this);
    return {processes_.size(), windows_.size(), controls_.size()};
}

std::vector<Window*> Desktop::windowsFrontToBack() const {
    const WorldGuard guard = guardWorld(*this);
    // The records and their fields are read directly: the guard holds the lock throughout.
    std::vector<Window*> result;
    result.reserve(order_.size());
    for (uint32_t n : order_) {
        Window* w = windows_.find(n);
        if (w && !w->closed_) result.push_back(w);
    }
    std::stable_sort(result.begin(), result.end(), [](const Window* a, const Window* b) { return a->layer_ > b->layer_; });
    return result;
}

bool Desktop::isOnScreen(const Window& w) const {
    const WorldGuard guard = guardWorld(*this);
    // The window's fields are read directly, under the guard above.
    if (w.closed_ || !w.orderedIn_) return false;
    // A window on its way into the Dock stays on screen until it arrives there, which is
    // a matter of time: it is there once its trip's time is up, whether or not the
    // Dock's report of it has gone out yet.
    const bool stillTravelling =
        w.travel_ && w.travel_->direction == DockTravel::intoDock && now() < w.travel_->end;
    if (w.minimized_ && !stillTravelling) return false;
    const Application* owner = process(w.pid());
    if (!owner || owner->hidden_) return false;
    if (!spaces_.isShown(w.space_)) return false;
    if (w.isSheet()) {
        const Window* parent = window(w.parentWindow());
        return parent && isOnScreen(*parent);
    }
    return true;
}

bool Desktop::takesClicks(const Window& w) const {
    const WorldGuard guard = guardWorld(*this);
    return isOnScreen(w) && !w.minimized_ && w.alpha() > 0 && !w.ignoresMouseEvents();
}

Window* Desktop::windowAt(Point point) const {
    const WorldGuard guard = guardWorld(*this);
    for (Window* w : windowsFrontToBack()) {
        if (takesClicks(*w) && w->frame().contains(point)) return w;
    }
    return nullptr;
}

Window& Desktop::createWindow(Application& owner, WindowDescription description, bool inFront, uint32_t parent) {
    auto guard = lock();
    const Rect frame = description.frame ? description.frame->standardized() : cascadeFrame(owner);
    const uint64_t space = description.space ? *description.space : defaultSpace(frame);
    const uint32_t number = allocateWindowNumber();
    Window& w = windows_.insert(
        number, std::make_unique<Window>(*this, number, processRecord(owner.pid()), description, frame, space));
    w.parent_ = parent;
    w.makeButtons(description);
    w.makeTitleElement();
    for (const auto& toolbar : description.toolbars) w.addToolbar(toolbar);
    for (const auto& control : description.controls) w.addControl(control);
    size_t position = 0;
    if (parent != 0) {
        auto it = std::find(order_.begin(), order_.end(), parent);
        position = static_cast<size_t>(it - order_.begin());
    } else if (!inFront && activePid_ != 0) {
        for (size_t i = 0; i < order_.size(); ++i) {
            const Window* other = window(order_[i]);
            if (other && other->pid() == activePid_) position = i + 1;
        }
    }
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(position), number);
    if (description.fullScreen) {
        if (const Display* d = displays_.displayFor(frame)) w.frame_ = displays_.topLeftFrame(*d);
    }
    emit(WorldEventKind::windowCreated, owner.pid(), number);
    if (description.minimized) sendToBack(number);
    refreshFocus(owner);
    return w;
}

Control& Desktop::createControl(int32_t pid, uint32_t window, uint64_t parent, const ControlDescription& description) {
    auto guard = lock();
    const uint64_t id = nextControl_++;
    Control& control = controls_.insert(id, std::make_unique<Control>(*this, id, pid, window, parent, description));
    for (const auto& child : description.children) {
        Control& made = createControl(pid, window, id, child);
        control.children_.push_back(made.id());
    }
    return control;
}

void Desktop::destroyControlTree(uint64_t id) {
    // Records that go as these are retired are let go of after the loop, as RecordTable
    // asks: the loop still walks the table.
    std::vector<std::unique_ptr<Control>> gone;
    std::vector<uint64_t> pending{id};
    while (!pending.empty()) {
        Control* c = control(pending.back());
        pending.pop_back();
        if (!c || c->destroyed_) continue;
        c->destroyed_ = true;
        pending.insert(pending.end(), c->children_.begin(), c->children_.end());
        // Nothing is kept for a control but its record, which goes in its turn.
        for (auto& record : controls_.retire(c->id())) gone.push_back(std::move(record));
    }
}

// ---- Records that ended -----------------------------------------------------------------

void Desktop::windowClosed(uint32_t number) { letGo(windows_.retire(number)); }

void Desktop::processEnded(int32_t pid) { letGo(processes_.retire(pid)); }

void Desktop::letGo(std::vector<std::unique_ptr<Window>> windows) {
    // What the world's parts keep for a window goes with its record: the program's
    // content provider (and with it the run it belongs to), its notification object.
    for (const auto& w : windows) {
        if (auto* pictures = madeExtension<Pictures>()) pictures->setContentProvider(w->number(), nullptr);
        if (auto* trips = madeExtension<DockTrips>()) trips->setNotificationObject(w->number(), nullptr);
    }
}

void Desktop::letGo(std::vector<std::shared_ptr<Application>> processes) {
    std::erase_if(heldElsewhere_, [](const std::weak_ptr<Application>& held) { return held.expired(); });
    for (auto& p : processes) {
        // A record still held (a workspace entry, a window kept a while) stays readable,
        // and forgets the world once the world goes.
        if (p.use_count() > 1) heldElsewhere_.push_back(p);
    }
}

Rect Desktop::cascadeFrame(Application& owner) {
    const int step = owner.cascade_++ % 10;
    Rect area{0, Displays::kMenuBarHeight, 1440, 900 - Displays::kMenuBarHeight};
    if (const Display* first = displays_.first()) area = displays_.topLeftVisibleFrame(*first);
    const Size size{std::min(800.0, area.width()), std::min(600.0, area.height())};
    return {area.minX() + 60 + 30.0 * step, area.minY() + 20 + 30.0 * step, size.width, size.height};
}

uint64_t Desktop::defaultSpace(const Rect& frame) const {
    const Display* display = displays_.displayFor(frame);
    if (!display) return 0;
    return spaces_.current(display->number()).value_or(0);
}

// ---- Stacking order -------------------------------------------------------------------

void Desktop::removeFromOrder(uint32_t number) { std::erase(order_, number); }

void Desktop::bringToFront(const std::vector<uint32_t>& numbers) {
    if (numbers.empty()) return;
    for (uint32_t n : numbers) removeFromOrder(n);
    order_.insert(order_.begin(), numbers.begin(), numbers.end());
    emit(WorldEventKind::windowOrderChanged, window(numbers.front()) ? window(numbers.front())->pid() : 0,
         numbers.front());
}

std::vector<uint32_t> Desktop::withSheets(const Window& w) const {
    std::vector<uint32_t> group(w.sheets_.rbegin(), w.sheets_.rend());
    group.push_back(w.number());
    return group;
}

void Desktop::raiseWithinApplication(Window& w) {
    const std::vector<uint32_t> group = withSheets(w);
    auto it = std::find(order_.begin(), order_.end(), w.number());
    size_t position = it == order_.end() ? 0 : static_cast<size_t>(it - order_.begin());
    for (uint32_t n : group) removeFromOrder(n);
    for (size_t i = 0; i < order_.size(); ++i) {
        const Window* other = window(order_[i]);
        if (other && other->pid() == w.pid()) {
            position = std::min(position, i);
            break;
        }
    }
    position = std::min(position, order_.size());
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(position), group.begin(), group.end());
    emit(WorldEventKind::windowOrderChanged, w.pid(), w.number());
}

void Desktop::sendToBack(uint32_t number) {
    removeFromOrder(number);
    order_.push_back(number);
}

// ---- Focus and activation -------------------------------------------------------------

void Desktop::refreshFocus(Application& app) {
    const Window* main = app.mainWindow();
    const Window* focus = app.focusedWindow();
    const uint32_t mainNumber = main ? main->number() : 0;
    const uint32_t focusNumber = focus ? focus->number() : 0;
    if (mainNumber != app.reportedMain_) {
        app.reportedMain_ = mainNumber;
        if (mainNumber) emit(WorldEventKind::mainWindowChanged, app.pid(), mainNumber);
    }
    if (focusNumber != app.reportedFocus_) {
        app.reportedFocus_ = focusNumber;
        if (focusNumber) emit(WorldEventKind::focusedWindowChanged, app.pid(), focusNumber);
    }
}

void Desktop::activate(Application& app, bool raiseWindows) {
    if (app.isTerminated()) return;
    if (app.hidden_) {
        app.hidden_ = false;
        emit(WorldEventKind::applicationUnhidden, app.pid());
    }
    if (raiseWindows) {
        std::vector<uint32_t> numbers;
        for (uint32_t n : order_) {
            const Window* w = window(n);
            if (w && w->pid() == app.pid() && !w->isMinimized()) numbers.push_back(n);
        }
        bringToFront(numbers);
    }
    if (activePid_ == app.pid()) return;
    const int32_t previous = activePid_;
    activePid_ = app.pid();
    if (previous && process(previous)) emit(WorldEventKind::applicationDeactivated, previous);
    emit(WorldEventKind::applicationActivated, app.pid());
}

void Desktop::resignActive(Application& app) {
    if (activePid_ != app.pid()) return;
    for (Window* w : windowsFrontToBack()) {
        Application* owner = process(w->pid());
        if (!owner || owner == &app || owner->activationPolicy() != ActivationPolicy::regular) continue;
        if (!isOnScreen(*w)) continue;
        activate(*owner, false);
        return;
    }
    activePid_ = 0;
    if (!app.isTerminated()) emit(WorldEventKind::applicationDeactivated, app.pid());
}

void Desktop::terminate(Application& app) {
    if (app.terminated_) return;
    // The process is gone: its windows and elements vanish with it, without reports of
    // their own.
    std::vector<uint32_t> closed;
    for (const auto& w : windows_) {
        if (w->pid() != app.pid() || w->closed_) continue;
        w->closed_ = true;
        w->destroyControls();
        removeFromOrder(w->number());
        closed.push_back(w->number());
    }
    if (app.menuBar_) destroyControlTree(app.menuBar_);
    // What the process set of the system's own goes back with its connection.
    if (auto* keys = madeExtension<SystemHotKeys>()) keys->processEnded(app.pid());
    app.terminated_ = true;
    resignActive(app);
    emit(WorldEventKind::applicationTerminated, app.pid());
    for (uint32_t number : closed) windowClosed(number);
    processEnded(app.pid());
}

void Desktop::pressControl(Control& control) {
    ++control.presses_;
    emit(WorldEventKind::controlPressed, control.pid(), control.window(), control.id());
    Application* app = process(control.pid());
    if (!app) return;
    Window* own = window(control.window());
    Window* main = app->mainWindow();
    switch (control.action()) {
    case ControlAction::none: break;
    case ControlAction::closeWindow: if (own) own->close(); break;
    case ControlAction::minimizeWindow: if (own) own->minimize(); break;
    case ControlAction::zoomWindow: if (own) own->zoom(); break;
    case ControlAction::toggleFullScreen: if (own) own->setFullScreen(!own->isFullScreen()); break;
    case ControlAction::minimizeFocusedWindow: if (main) main->minimize(); break;
    case ControlAction::zoomFocusedWindow: if (main) main->zoom(); break;
    case ControlAction::minimizeAllWindows: minimizeAll(*app); break;
    case ControlAction::bringAllToFront: activate(*app, true); break;
    case ControlAction::hideApplication: app->hide(); break;
    case ControlAction::quitApplication: app->quit(); break;
    }
}

void Desktop::minimizeAll(Application& app) {
    for (Window* w : app.windows()) {
        if (w->isMinimized() || w->isFullScreen() || !w->isMinimizable()) continue;
        if (!spaces_.isShown(w->space())) continue;
        w->minimize();
    }
}

// ---- Displays -------------------------------------------------------------------------

void Desktop::placeMenuBars() {
    const auto displays = displays_.all();
    Application* server = process(windowServerPid_);
    while (menuBars_.size() > displays.size()) {
        if (Window* w = window(menuBars_.back())) w->close();
        menuBars_.pop_back();
    }
    for (size_t i = 0; i < displays.size(); ++i) {
        const Rect top = displays_.topLeftFrame(*displays[i]);
        const Rect bar{top.minX(), top.minY(), top.width(), Displays::kMenuBarHeight};
        if (i < menuBars_.size()) {
            if (Window* w = window(menuBars_[i])) w->setFrame(bar);
            continue;
        }
        menuBars_.push_back(createWindow(*server, systemWindowDescription("Menubar", bar, 24), true).number());
    }
}

void Desktop::displaysChanged() {
    auto guard = lock();
    spaces_.displaysChanged();
    dock_.place();
    placeMenuBars();
    emit(WorldEventKind::screensChanged);
    if (quiet_ > 0) return;
    postToEachOwnProcess(Delivery::mainQueue,
                         [] { NotificationCenter::defaultCenter().post(notifications::kScreenParametersChanged); });
}

// Where a window stood on the display that went, it stands on the first display, kept
// inside the visible frame there. The program's own windows are the program's to place,
// and a minimized window is put back on screen by whoever takes it out of the Dock.
void Desktop::gatherWindows(const Rect& gone) {
    const Display* first = displays_.first();
    if (!first) return;
    const Rect area = displays_.topLeftVisibleFrame(*first);
    const auto onSomeDisplay = [this](const Rect& frame) {
        for (const Display* d : displays_.all()) {
            if (displays_.topLeftFrame(*d).intersects(frame)) return true;
        }
        return false;
    };
    const auto within = [](double at, double min, double max) { return std::max(min, std::min(at, max)); };
    for (const auto& w : windows_) {
        // A window server keeps titled windows within reach, the program's own as much as
        // other applications'. A window without a title bar (a borderless panel) stays
        // where it is, for its program to place; the window server's own windows are
        // placed anew.
        if (w->closed_ || w->minimized_ || !w->accessible_ || w->isSheet() || !w->isTitled()) continue;
        const Rect frame = w->frame_;
        if (!frame.intersects(gone) || onSomeDisplay(frame)) continue;
        const Point at{within(area.minX() + frame.minX() - gone.minX(), area.minX(), area.maxX() - frame.width()),
                       within(area.minY() + frame.minY() - gone.minY(), area.minY(), area.maxY() - frame.height())};
        w->applyFrame({at, frame.size});
    }
}

void Desktop::spaceShown() { emit(WorldEventKind::activeSpaceChanged); }

// ---- Settings and records -------------------------------------------------------------

void Desktop::setAccessibilityTrusted(bool trusted) {
    auto guard = lock();
    trusted_ = trusted;
}

void Desktop::recordAccessibilityPrompt() {
    auto guard = lock();
    ++prompts_;
}

void Desktop::setReduceMotion(bool on) {
    auto guard = lock();
    if (reduceMotion_ == on) return;
    reduceMotion_ = on;
    emit(WorldEventKind::displayOptionsChanged);
}

void Desktop::setMessagingTimeout(double seconds) {
    auto guard = lock();
    messagingTimeout_ = seconds > 0 && std::isfinite(seconds) ? seconds : kDefaultMessagingTimeout;
}

void Desktop::recordOpenedURL(std::string url) {
    auto guard = lock();
    openedURLs_.push_back(std::move(url));
    emit(WorldEventKind::urlOpened);
}

// ---- Events and time ------------------------------------------------------------------

int Desktop::addListener(Listener listener) {
    auto guard = lock();
    const int id = nextListener_++;
    listeners_.push_back({id, std::move(listener)});
    return id;
}

void Desktop::removeListener(int id) {
    auto guard = lock();
    std::erase_if(listeners_, [id](const ListenerEntry& e) { return e.id == id; });
}

void Desktop::emit(WorldEventKind kind, int32_t pid, uint32_t window, uint64_t control) {
    auto guard = lock();
    if (quiet_ > 0) return;
    const WorldEvent event{kind, pid, window, control, now()};
    const auto snapshot = listeners_;
    for (const auto& entry : snapshot) {
        // A listener removed by an earlier one hears nothing more.
        const bool listening = std::any_of(listeners_.begin(), listeners_.end(),
                                           [&](const ListenerEntry& e) { return e.id == entry.id; });
        if (listening) entry.listener(event);
    }
    // Listeners of runs that ended are dead; they go as the world next speaks.
    std::erase_if(listeners_, [](const ListenerEntry& e) { return !e.listener.isLive(); });
}

Handover<void()> Desktop::whileAlive(Handover<void()> work) const {
    // The delivery is as much its work's owner's as the work: the system's work stays the
    // system's whoever's call handed it over.
    std::shared_ptr<ProcessRun> owner = work.owner();
    return Handover<void()>::ownedBy(std::move(owner), [alive = std::weak_ptr<int>(alive_), work = std::move(work)] {
        if (alive.lock()) work();
    });
}

void Desktop::onMainThread(Handover<void()> work) {
    if (loop_.isMainThread()) {
        work();
        return;
    }
    loop_.postOffMainEvent(0, whileAlive(std::move(work)));
}

void Desktop::postToMainQueue(Handover<void()> work) { loop_.post(whileAlive(std::move(work))); }

void Desktop::postToOwnProcess(int32_t pid, Delivery delivery, std::function<void()> work) {
    const Application* process = this->process(pid);
    if (!process || !process->isOwnProcess()) return;
    std::weak_ptr<int> alive = alive_;
    auto handover = Handover<void()>::ownedBy(process->run(), [alive, work = std::move(work)] {
        if (alive.lock()) work();
    });
    if (delivery == Delivery::anyMode) {
        loop_.postOffMainEvent(0, std::move(handover));
    } else {
        loop_.post(std::move(handover));
    }
}

void Desktop::postToEachOwnProcess(Delivery delivery, const std::function<void()>& work) {
    std::vector<int32_t> running;
    {
        auto guard = lock();
        for (const auto& p : processes_) {
            if (p->own_ && !p->terminated_) running.push_back(p->pid_);
        }
    }
    for (int32_t pid : running) postToOwnProcess(pid, delivery, work);
}

void Desktop::schedule(double seconds, std::function<void()> work) {
    std::weak_ptr<int> alive = alive_;
    loop_.postOffMainEvent(seconds, Handover<void()>::system([this, alive, work = std::move(work)] {
        if (!alive.lock()) return;
        auto guard = lock();
        work();
    }));
}

const char* describe(WorldEventKind kind) {
    switch (kind) {
    case WorldEventKind::applicationLaunched: return "applicationLaunched";
    case WorldEventKind::applicationTerminated: return "applicationTerminated";
    case WorldEventKind::applicationHidden: return "applicationHidden";
    case WorldEventKind::applicationUnhidden: return "applicationUnhidden";
    case WorldEventKind::applicationActivated: return "applicationActivated";
    case WorldEventKind::applicationDeactivated: return "applicationDeactivated";
    case WorldEventKind::windowCreated: return "windowCreated";
    case WorldEventKind::windowClosed: return "windowClosed";
    case WorldEventKind::windowMoved: return "windowMoved";
    case WorldEventKind::windowResized: return "windowResized";
    case WorldEventKind::windowMinimized: return "windowMinimized";
    case WorldEventKind::windowDeminimized: return "windowDeminimized";
    case WorldEventKind::windowTitleChanged: return "windowTitleChanged";
    case WorldEventKind::windowOrderChanged: return "windowOrderChanged";
    case WorldEventKind::windowSpaceChanged: return "windowSpaceChanged";
    case WorldEventKind::windowFullScreenChanged: return "windowFullScreenChanged";
    case WorldEventKind::windowOrderedIn: return "windowOrderedIn";
    case WorldEventKind::windowOrderedOut: return "windowOrderedOut";
    case WorldEventKind::sheetCreated: return "sheetCreated";
    case WorldEventKind::focusedWindowChanged: return "focusedWindowChanged";
    case WorldEventKind::mainWindowChanged: return "mainWindowChanged";
    case WorldEventKind::controlPressed: return "controlPressed";
    case WorldEventKind::screensChanged: return "screensChanged";
    case WorldEventKind::activeSpaceChanged: return "activeSpaceChanged";
    case WorldEventKind::dockChanged: return "dockChanged";
    case WorldEventKind::urlOpened: return "urlOpened";
    case WorldEventKind::displayOptionsChanged: return "displayOptionsChanged";
    }
    return "unknown";
}

}  // namespace platform::desktop
