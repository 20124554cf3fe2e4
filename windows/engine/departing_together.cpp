// Sending departing windows into the Dock together: every stand-in is shown first, then
// Minimize All is pressed once; a refused press takes the stand-ins back.

#include <set>
#include <vector>

#include "windows/access/minimize_all.h"
#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Point;
using platform::Rect;
using platform::Task;

namespace {

// Where a thumbnail of the group stands: at its place in the arrangement, else where its
// panel was put, at the thumbnail's resting size.
std::optional<Rect> thumbnailSpot(const AffectedWindow& window, const AffectedWindow::DockTrip& trip) {
    if (trip.kind != StandIn::thumbnail || !trip.panel || !window.thumbnail()) return std::nullopt;
    const platform::Size size = window.thumbnail()->size;
    if (const auto& place = window.place()) return place->frameFor(size);
    return Rect(trip.panel->topLeftFrame().origin, size);
}

std::set<uint32_t> numbersOf(const WindowEffects::WindowList& windows) {
    std::set<uint32_t> numbers;
    for (const auto& window : windows) numbers.insert(window->target().id);
    return numbers;
}

}  // namespace

// Every window is prepared before anything shows, so that a window that cannot be
// pictured leaves the whole group to make its own trips. The stand-ins are then shown
// knowing where the group's earlier thumbnails stand, and the application moves every
// window with one press while the stand-ins are already in place.
Task<bool> WindowEffects::minimizeAllWithStandIns(WindowList departing, TargetWindow like,
                                                  platform::AccessibilityElement minimizeAll,
                                                  std::optional<Point> thumbnailOrigin, Speed speed) {
    const auto keep = shared_from_this();
    std::vector<uint32_t> leaving;
    for (const auto& window : departing) {
        leaving.push_back(window->target().id);
        if (isEnding_ || !window->departure()) co_return false;
        auto capturing = window->capturePicture(window->departure()->kind, leaving);
        auto pictures = co_await capturing;
        // The departure may have been taken while the picture was being taken.
        if (!pictures || !window->departure()) co_return false;
        auto departure = *window->departure();
        departure.pictures = std::move(pictures);
        window->setDeparture(std::move(departure));
    }
    if (isEnding_) co_return false;
    std::vector<Rect> occupied;
    for (const auto& window : departing) {
        auto departure = *window->departure();
        const auto origin = window->target().id == like.id ? thumbnailOrigin : std::nullopt;
        departure.trip = window->presentStandIn(departure.kind, *departure.pictures, origin, occupied);
        const bool presented = departure.trip.has_value();
        if (presented) {
            if (const auto spot = thumbnailSpot(*window, *departure.trip)) occupied.push_back(*spot);
        }
        window->setDeparture(std::move(departure));
        // A window without a stand-in would vanish into the Dock unseen.
        if (!presented) {
            takeBackTrips(departing);
            co_return false;
        }
    }
    const int32_t pid = like.processIdentifier;
    // The pictures took a while: another instance of the program may have brought a
    // window of the application out of the Dock meanwhile, which the press would take
    // along unseen. The group is looked at again just before.
    if (MinimizeAll::minimizableWindowIDs(pid) == numbersOf(departing) && pressMenuItem(minimizeAll, pid)) {
        for (const auto& window : departing)
            beginDockTrip(window->target().id, pid, DockTripDirection::miniaturizing, speed);
        co_return true;
    }
    if (!busy_.isBusy(pid)) busy_.forgetKnownTargets(pid);
    takeBackTrips(departing);
    co_return false;
}

// The departures keep their pictures, so that each window's own trip can follow. An
// animation dealt to a transition that never started goes back to its playlist.
void WindowEffects::takeBackTrips(const WindowList& departing) {
    for (const auto& window : departing) {
        if (!window->departure() || !window->departure()->trip || !window->departure()->trip->panel) continue;
        auto departure = *window->departure();
        const AffectedWindow::DockTrip trip = std::move(*departure.trip);
        departure.trip.reset();
        window->setDeparture(std::move(departure));
        window->showStandInPanel(trip, AffectedWindow::TripPanel::discard);
    }
}

}  // namespace furlpane
