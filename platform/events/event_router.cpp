#include "platform/events/event_router.h"

#include <algorithm>
#include <cmath>

#include "platform/desktop/desktop.h"
#include "platform/events/event_monitors.h"
#include "platform/events/simulated_input.h"

namespace platform {

const char* describe(TapVerdict verdict) {
    switch (verdict) {
    case TapVerdict::passed: return "passed";
    case TapVerdict::replaced: return "replaced";
    case TapVerdict::swallowed: return "swallowed";
    case TapVerdict::observed: return "observed";
    case TapVerdict::timedOut: return "timedOut";
    case TapVerdict::skipped: return "skipped";
    }
    return "unknown";
}

const char* describe(EventFate fate) {
    switch (fate) {
    case EventFate::pending: return "pending";
    case EventFate::swallowed: return "swallowed";
    case EventFate::takenBySystemHotKey: return "takenBySystemHotKey";
    case EventFate::deliveredToApplication: return "deliveredToApplication";
    case EventFate::deliveredToOwnProcess: return "deliveredToOwnProcess";
    case EventFate::consumedByLocalMonitor: return "consumedByLocalMonitor";
    case EventFate::noReceiver: return "noReceiver";
    }
    return "unknown";
}

std::optional<TapVerdict> InjectedEvent::verdictOf(uint64_t tap) const {
    for (const TapPassage& p : taps) {
        if (p.tap == tap) return p.verdict;
    }
    return std::nullopt;
}

EventRouter& EventRouter::of(desktop::Desktop& world) { return world.extension<EventRouter>(); }

EventRouter& EventRouter::current() { return of(desktop::Desktop::current()); }

void EventRouter::setTapTimeout(double seconds) {
    tapTimeout_ = std::isfinite(seconds) && seconds > 0 ? seconds : kDefaultTapTimeout;
}

// ---- Taps -------------------------------------------------------------------------------

void EventRouter::add(const std::shared_ptr<EventTap>& tap) {
    std::erase_if(taps_, [](const std::weak_ptr<EventTap>& t) { return t.expired(); });
    tap->id_ = nextTap_++;
    const auto at = [](const std::weak_ptr<EventTap>& t) { return t.lock()->location_; };
    auto position = taps_.begin();
    if (tap->placement_ == EventTapPlacement::headInsert) {
        while (position != taps_.end() && at(*position) < tap->location_) ++position;
    } else {
        while (position != taps_.end() && at(*position) <= tap->location_) ++position;
    }
    taps_.insert(position, tap);
    for (Flight& flight : flights_) join(flight, *tap);
    for (Flight& flight : posted_) join(flight, *tap);
}

// At the head of its location the tap comes after the taps of the locations before it, at
// the tail after every tap of its own location too. The event stands at the tap it waits
// on, else at the one it passed last, else where it was given back, else before them all.
void EventRouter::join(Flight& flight, const EventTap& tap) {
    if (flight.done) return;
    const bool atTail = tap.placement_ == EventTapPlacement::tailAppend;
    const auto comesAfter = [&tap, atTail](EventTapLocation location) {
        return atTail ? location <= tap.location_ : location < tap.location_;
    };
    std::optional<EventTapLocation> standsAt = flight.from;
    if (flight.waitingOn != 0) {
        standsAt = flight.route[flight.next].location;
    } else if (flight.next > 0) {
        standsAt = flight.route[flight.next - 1].location;
    }
    if (standsAt && !comesAfter(*standsAt)) return;
    size_t at = flight.next + (flight.waitingOn != 0 ? 1 : 0);
    while (at < flight.route.size() && comesAfter(flight.route[at].location)) ++at;
    flight.route.insert(flight.route.begin() + static_cast<std::ptrdiff_t>(at), Stop{tap.id_, tap.location_});
}

std::vector<std::shared_ptr<EventTap>> EventRouter::taps() const {
    std::vector<std::shared_ptr<EventTap>> result;
    for (const auto& weak : taps_) {
        if (auto tap = weak.lock(); tap && tap->isValid()) result.push_back(tap);
    }
    return result;
}

std::shared_ptr<EventTap> EventRouter::tapWithId(uint64_t id) const {
    for (const auto& weak : taps_) {
        if (auto tap = weak.lock(); tap && tap->id_ == id) return tap;
    }
    return nullptr;
}

void EventRouter::tapChanged(const EventTap& tap) {
    if (!tap.valid_) {
        std::erase_if(taps_, [&tap](const std::weak_ptr<EventTap>& t) {
            auto locked = t.lock();
            return !locked || locked.get() == &tap;
        });
    }
    if (flights_.empty() || tap.isEnabled()) return;
    Flight& front = flights_.front();
    // A callback that switches its own tap off still has its answer taken.
    if (front.waitingOn != tap.id_ || front.ticket == answering_) return;
    moveOn(front, TapVerdict::skipped);
    pump();
}

void EventRouter::switchOff(EventTap& tap, EventType notice) {
    tap.enabled_ = false;
    std::shared_ptr<EventTap> held = tapWithId(tap.id_);
    if (!held) return;
    std::weak_ptr<EventTap> weakTap = held;
    std::weak_ptr<EventRouter> self = weak_from_this();
    tap.source_->signal(Handover<void()>::system([weakTap, self, notice] {
        auto t = weakTap.lock();
        auto router = self.lock();
        if (!t || !t->isValid() || !router) return;
        router->notices_.push_back({t->id_, notice, router->world_.now()});
        t->callback_(t.get(), notice, EventRecord(notice), t->userInfo_);
    }));
}

void EventRouter::disableByUserInput(EventTap& tap) {
    if (!tap.isEnabled()) return;
    switchOff(tap, EventType::tapDisabledByUserInput);
    tapChanged(tap);
}

// ---- The road of an event -----------------------------------------------------------

uint64_t EventRouter::inject(EventRecord event) {
    SimulatedInput::of(world_).prepare(event);
    const std::vector<std::shared_ptr<EventTap>> order = taps();
    flights_.push_back(recorded(std::move(event), nullptr, order));
    const uint64_t id = flights_.back().id;
    pump();
    return id;
}

EventRouter::Flight EventRouter::recorded(EventRecord event, const EventTap* postedBy,
                                          std::span<const std::shared_ptr<EventTap>> route) {
    InjectedEvent rec;
    rec.id = record_.sequenceEnd() + 1;
    rec.injectedAt = world_.now();
    rec.event = event;
    rec.postedBy = postedBy ? postedBy->id_ : 0;
    Flight flight;
    flight.id = rec.id;
    flight.current = std::move(event);
    flight.postedBy = rec.postedBy;
    if (postedBy) flight.from = postedBy->location_;
    for (const auto& tap : route) flight.route.push_back({tap->id_, tap->location_});
    record_.push_back(std::move(rec));
    return flight;
}

void EventRouter::post(const EventTap& tap, EventRecord event, EventTapPosting posting) {
    const std::vector<std::shared_ptr<EventTap>> order = taps();
    auto from = std::find_if(order.begin(), order.end(), [&tap](const auto& t) { return t.get() == &tap; });
    if (from == order.end()) return;
    if (posting == EventTapPosting::afterTap) ++from;
    posted_.push_back(recorded(std::move(event), &tap, {from, order.end()}));
    pump();
}

// The flight that has not come past the tap yet and stands first may already wait on a
// tap's callback: it gives up its turn and is shown to that tap again once it is first
// once more, unless that callback is running now and its answer is still to come.
void EventRouter::placePosted() {
    for (Flight& flight : posted_) {
        const uint64_t tap = flight.postedBy;
        auto at = std::find_if(flights_.begin(), flights_.end(),
                               [this, tap](const Flight& f) { return !hasComePast(f, tap); });
        if (at == flights_.begin() && at != flights_.end() && at->waitingOn != 0) {
            if (at->ticket == answering_) {
                ++at;
            } else {
                at->waitingOn = 0;
                at->ticket = 0;
            }
        }
        flights_.insert(at, std::move(flight));
    }
    posted_.clear();
}

bool EventRouter::hasComePast(const Flight& flight, uint64_t tap) const {
    if (flight.done || flight.postedBy == tap) return true;
    const auto at =
        std::find_if(flight.route.begin(), flight.route.end(), [tap](const Stop& stop) { return stop.tap == tap; });
    return at == flight.route.end() || flight.next > static_cast<size_t>(at - flight.route.begin());
}

const InjectedEvent* EventRouter::find(uint64_t id) const { return id >= 1 ? record_.entry(id - 1) : nullptr; }

InjectedEvent* EventRouter::entry(uint64_t id) { return id >= 1 ? record_.entry(id - 1) : nullptr; }

// What taps give back while the road moves joins it between two steps, never under one.
void EventRouter::pump() {
    if (pumping_) return;
    pumping_ = true;
    do {
        placePosted();
        while (!flights_.empty() && posted_.empty()) {
            Flight& front = flights_.front();
            if (front.waitingOn != 0 || !advance(front)) break;
            flights_.pop_front();
        }
    } while (!posted_.empty());
    pumping_ = false;
}

bool EventRouter::advance(Flight& flight) {
    if (flight.done) return true;
    const bool secure = SimulatedInput::of(world_).isSecureInputEnabled();
    while (flight.next < flight.route.size()) {
        std::shared_ptr<EventTap> tap = tapWithId(flight.route[flight.next].tap);
        const EventType type = flight.current.type();
        const bool hidden = secure && (type == EventType::keyDown || type == EventType::keyUp);
        if (!tap || hidden || !tap->sees(type)) {
            ++flight.next;
            continue;
        }
        if (tap->options_ == EventTapOptions::listenOnly) {
            if (InjectedEvent* rec = entry(flight.id)) rec->taps.push_back({tap->id_, TapVerdict::observed});
            std::weak_ptr<EventTap> weakTap = tap;
            tap->source_->signal(Handover<void()>::system([weakTap, seen = flight.current] {
                if (auto t = weakTap.lock(); t && t->isValid()) t->callback_(t.get(), seen.type(), seen, t->userInfo_);
            }));
            ++flight.next;
            continue;
        }
        flight.waitingOn = tap->id_;
        flight.ticket = nextTicket_++;
        flight.arrivedAt = world_.now();
        std::weak_ptr<EventRouter> self = weak_from_this();
        const uint64_t ticket = flight.ticket;
        tap->source_->signal(Handover<void()>::system([self, ticket] {
            if (auto router = self.lock()) router->callbackTurn(ticket);
        }));
        world_.schedule(tapTimeout_, [self, ticket] {
            if (auto router = self.lock()) router->timedOut(ticket);
        });
        return false;
    }
    deliver(flight);
    return true;
}

void EventRouter::callbackTurn(uint64_t ticket) {
    if (flights_.empty() || flights_.front().ticket != ticket || flights_.front().waitingOn == 0) return;
    std::shared_ptr<EventTap> tap = tapWithId(flights_.front().waitingOn);
    if (!tap || !tap->isEnabled()) {
        moveOn(flights_.front(), TapVerdict::skipped);
        pump();
        return;
    }
    const double deadline = flights_.front().arrivedAt + tapTimeout_;
    const EventRecord shown = flights_.front().current;
    answering_ = ticket;
    std::optional<EventRecord> answer = tap->callback_(tap.get(), shown.type(), shown, tap->userInfo_);
    answering_ = 0;
    // The callback may have done anything, injecting events included: find the event again.
    if (flights_.empty() || flights_.front().ticket != ticket || flights_.front().waitingOn == 0) {
        pump();
        return;
    }
    Flight& flight = flights_.front();
    if (world_.now() > deadline) {
        // Too late: the window server has let the event go and switched the tap off.
        if (tap->isValid()) switchOff(*tap, EventType::tapDisabledByTimeout);
        moveOn(flight, TapVerdict::timedOut);
    } else if (!answer) {
        if (InjectedEvent* rec = entry(flight.id)) rec->taps.push_back({tap->id_, TapVerdict::swallowed});
        flight.waitingOn = 0;
        flight.done = true;
        settle(flight, EventFate::swallowed);
    } else {
        const TapVerdict verdict = *answer == shown ? TapVerdict::passed : TapVerdict::replaced;
        flight.current = std::move(*answer);
        moveOn(flight, verdict);
    }
    pump();
}

void EventRouter::timedOut(uint64_t ticket) {
    if (flights_.empty() || flights_.front().ticket != ticket || flights_.front().waitingOn == 0) return;
    if (std::shared_ptr<EventTap> tap = tapWithId(flights_.front().waitingOn); tap && tap->isValid()) {
        switchOff(*tap, EventType::tapDisabledByTimeout);
    }
    moveOn(flights_.front(), TapVerdict::timedOut);
    pump();
}

void EventRouter::moveOn(Flight& flight, TapVerdict verdict) {
    if (InjectedEvent* rec = entry(flight.id)) rec->taps.push_back({flight.waitingOn, verdict});
    flight.waitingOn = 0;
    ++flight.next;
}

void EventRouter::settle(const Flight& flight, EventFate fate) {
    InjectedEvent* rec = entry(flight.id);
    if (!rec) return;
    rec->fate = fate;
    rec->settledAt = world_.now();
}

void EventRouter::deliver(Flight& flight) {
    const EventRecord& e = flight.current;
    if (InjectedEvent* rec = entry(flight.id)) rec->delivered = e;
    if (e.type() == EventType::keyDown) {
        if (auto n = world_.hotKeys().firedBy(e.keyCode(), e.flags())) {
            hotKeyHeld_ = e.keyCode();
            if (InjectedEvent* rec = entry(flight.id)) rec->hotKey = *n;
            settle(flight, EventFate::takenBySystemHotKey);
            return;
        }
    }
    if (e.type() == EventType::keyUp && hotKeyHeld_ == e.keyCode()) {
        hotKeyHeld_.reset();
        settle(flight, EventFate::takenBySystemHotKey);
        return;
    }
    SimulatedInput& input = SimulatedInput::of(world_);
    const EventReceiver receiver = input.receiverFor(e);
    const uint64_t pressed = input.deliver(e, receiver);
    // Looked up again: what the receiver did may have added to the record.
    if (InjectedEvent* rec = entry(flight.id)) {
        rec->pid = receiver.pid;
        rec->window = receiver.window;
        rec->pressedControl = pressed;
    }
    if (receiver.pid == 0) {
        settle(flight, EventFate::noReceiver);
    } else if (receiver.ownProcess) {
        settle(flight, EventFate::deliveredToOwnProcess);
        deliverToOwnProcess(flight.id, receiver.pid, e);
    } else {
        settle(flight, EventFate::deliveredToApplication);
        if (e.type() == EventType::mouseMoved) tellOwnProcessThePointerMoved(e);
        // Other applications' keys are shown to a program only while it is trusted.
        if (e.isKeyboardEvent() && !world_.isAccessibilityTrusted()) return;
        std::weak_ptr<EventRouter> self = weak_from_this();
        world_.postToMainQueue(Handover<void()>::system([self, e] {
            if (auto router = self.lock()) EventMonitors::of(router->world_).runGlobal(e);
        }));
    }
}

// The window server tells a program where the pointer went even over other
// applications' windows, so that its tracking areas can report the pointer leaving them.
void EventRouter::tellOwnProcessThePointerMoved(const EventRecord& event) {
    std::weak_ptr<EventRouter> self = weak_from_this();
    world_.postToMainQueue(Handover<void()>::system([self, event] {
        auto router = self.lock();
        if (!router) return;
        for (const auto& sink : SimulatedInput::of(router->world_).ownProcessEventSinks()) sink(event);
    }));
}

void EventRouter::deliverToOwnProcess(uint64_t id, int32_t pid, const EventRecord& event) {
    std::weak_ptr<EventRouter> self = weak_from_this();
    world_.postToMainQueue(Handover<void()>::system([self, id, pid, event] {
        auto router = self.lock();
        if (!router) return;
        const desktop::Application* process = router->world_.process(pid);
        const std::shared_ptr<ProcessRun> run = process ? process->run() : nullptr;
        std::optional<EventRecord> dispatched = EventMonitors::of(router->world_).runLocal(event, run);
        if (!dispatched) {
            if (InjectedEvent* rec = router->entry(id)) rec->fate = EventFate::consumedByLocalMonitor;
            return;
        }
        // A copy: the sink may replace itself while it runs.
        const SimulatedInput::EventSink sink = SimulatedInput::of(router->world_).ownProcessEventSink(pid);
        if (sink) sink(*dispatched);
    }));
}

// ---- Injection -----------------------------------------------------------------------

uint64_t injectEvent(EventRecord event) { return EventRouter::current().inject(std::move(event)); }

std::vector<uint64_t> injectEvents(const std::vector<EventRecord>& events) {
    std::vector<uint64_t> ids;
    for (const EventRecord& e : events) ids.push_back(injectEvent(e));
    return ids;
}

namespace input_sequences {

std::vector<EventRecord> click(Point location, EventFlags flags) {
    return {EventRecord::mouse(EventType::leftMouseDown, location, flags),
            EventRecord::mouse(EventType::leftMouseUp, location, flags)};
}

std::vector<EventRecord> doubleClick(Point location, EventFlags flags) {
    std::vector<EventRecord> events = click(location, flags);
    const std::vector<EventRecord> second = click(location, flags);
    events.insert(events.end(), second.begin(), second.end());
    return events;
}

std::vector<EventRecord> drag(Point from, Point to, int steps, EventFlags flags) {
    std::vector<EventRecord> events{EventRecord::mouse(EventType::leftMouseDown, from, flags)};
    const int n = std::max(1, steps);
    for (int i = 1; i <= n; ++i) {
        const double t = double(i) / n;
        const Point p{from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t};
        events.push_back(EventRecord::mouse(EventType::leftMouseDragged, p, flags));
    }
    events.push_back(EventRecord::mouse(EventType::leftMouseUp, to, flags));
    return events;
}

std::vector<EventRecord> keyPress(uint16_t keyCode, EventFlags flags) {
    return {EventRecord::key(EventType::keyDown, keyCode, flags), EventRecord::key(EventType::keyUp, keyCode, flags)};
}

}  // namespace input_sequences

}  // namespace platform
