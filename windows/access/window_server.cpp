#include "windows/access/window_server.h"

#include "platform/appkit/application.h"
#include "platform/process/process_info.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_once.h"
#include "platform/windowserver/symbols.h"
#include "platform/windowserver/window_list.h"
#include "windows/access/main_thread.h"
#include "windows/access/window_info.h"

namespace furlpane {

using platform::Image;
using platform::Point;
using platform::Rect;
using platform::WindowList;
using platform::plist::Dictionary;

namespace {

// Whether the program's own window with this number lets clicks fall through to what
// lies beneath it (its click-through panels, such as the hover title).
bool ownWindowIgnoresMouse(uint32_t number) {
    const auto window = platform::Application::shared().windowWithWindowNumber(number);
    return window && window->ignoresMouseEvents();
}

std::optional<WindowServer::WindowHit> hitOf(const Dictionary& entry, Point point, std::optional<int32_t> wanted,
                                             int32_t own) {
    // Most windows lie elsewhere: their bounds are read first, so that the walk through a
    // long list reads little more than one key of each entry it passes over.
    const auto bounds = window_info::bounds(entry);
    if (!bounds || !bounds->contains(point)) return std::nullopt;
    const auto number = window_info::number(entry);
    const auto owner = window_info::owner(entry);
    const auto layer = window_info::layer(entry);
    if (!number || !owner || !layer) return std::nullopt;
    if (entry.find(WindowList::kAlpha)) {
        const auto alpha = window_info::alpha(entry);
        if (alpha && !(*alpha > 0)) return std::nullopt;
    }
    const WindowServer::WindowHit hit{*number, *owner, *bounds, *layer == 0};
    if (*owner == own) {
        if (ownWindowIgnoresMouse(*number)) return std::nullopt;
        return hit;
    }
    if ((wanted && *owner == *wanted) || *layer == 0) return hit;
    return std::nullopt;
}

}  // namespace

std::optional<Rect> WindowServer::CaptureSymbols::windowBounds(uint32_t window) const {
    if (!getWindowBounds) return std::nullopt;
    Rect bounds;
    if (getWindowBounds(connection, window, &bounds) != 0) return std::nullopt;
    return bounds;
}

std::optional<WindowServer::WindowHit> WindowServer::windowUnderPoint(Point point, std::optional<int32_t> processIdentifier,
                                                                      const platform::plist::Array& windows) {
    requireMainThread("windowUnderPoint");
    const int32_t own = platform::ProcessInfo::current().processIdentifier();
    for (const auto& item : windows) {
        const Dictionary* entry = item.dictionary();
        if (!entry) continue;
        if (auto hit = hitOf(*entry, point, processIdentifier, own)) return hit;
    }
    return std::nullopt;
}

std::optional<Rect> WindowServer::onScreenBounds(uint32_t window) {
    const auto list = WindowList::copyWindowInfo(WindowList::includingWindow, window);
    if (!list || list->empty()) return std::nullopt;
    const Dictionary* entry = (*list)[0].dictionary();
    if (!entry || window_info::isOnScreen(*entry) != true) return std::nullopt;
    return window_info::bounds(*entry);
}

std::optional<bool> WindowServer::isListed(uint32_t window) {
    const auto list = WindowList::copyWindowInfo(WindowList::includingWindow, window);
    if (!list) return std::nullopt;
    return !list->empty();
}

std::vector<uint32_t> WindowServer::onScreenWindowIDs() {
    const auto list = window_info::copyDictionaries(WindowList::onScreenOnly, WindowList::kNullWindow);
    std::vector<uint32_t> numbers;
    if (!list) return numbers;
    for (const auto& item : *list) {
        if (const auto number = window_info::number(*item.dictionary())) numbers.push_back(*number);
    }
    return numbers;
}

uint32_t WindowServer::captureOptions(CaptureResolution resolution, Framing framing) {
    const uint32_t base = resolution == CaptureResolution::display ? platform::capture_options::displayResolution
                                                                   : platform::capture_options::nominalResolution;
    return base | (framing == Framing::framed ? platform::capture_options::framed : 0);
}

std::optional<Image> WindowServer::captureWindow(uint32_t window, CaptureResolution resolution, Framing framing) {
    const auto symbols = loadCaptureSymbols();
    if (!symbols) return std::nullopt;
    const std::any answer = symbols->captureWindowList(symbols->connection, &window, 1, captureOptions(resolution, framing));
    const auto* pictures = std::any_cast<platform::ImageArray>(&answer);
    if (!pictures || pictures->empty()) return std::nullopt;
    return pictures->front();
}

std::vector<uint32_t> WindowServer::backdropWindowIDs(const platform::plist::Array& windows,
                                                      const std::set<uint32_t>& leftOut) {
    const int64_t cursorLevel = platform::windowLevelForKey(platform::WindowLevelKey::cursor);
    std::vector<uint32_t> numbers;
    for (const auto& item : windows) {
        const Dictionary* entry = item.dictionary();
        const auto number = entry ? window_info::number(*entry) : std::nullopt;
        if (!number || leftOut.contains(*number)) continue;
        if (window_info::layer(*entry).value_or(0) < cursorLevel) numbers.push_back(*number);
    }
    return numbers;
}

std::optional<Image> WindowServer::captureBackdrop(const std::set<uint32_t>& leftOut, const Rect& rect) {
    const auto imageFromArray = loadImageFromArraySymbol();
    if (!imageFromArray) return std::nullopt;
    const auto list = window_info::copyDictionaries(WindowList::onScreenOnly, WindowList::kNullWindow);
    const auto numbers = backdropWindowIDs(list.value_or(platform::plist::Array{}), leftOut);
    const std::vector<intptr_t> windows(numbers.begin(), numbers.end());
    return imageFromArray(rect, windows, platform::window_image_options::bestResolution);
}

platform::DispatchQueue& WindowServer::captureQueue() { return platform::MainLoop::main().queue(kCaptureQueueLabel); }

std::optional<WindowServer::CaptureSymbols> WindowServer::loadCaptureSymbols() {
    static platform::ProcessOnce<std::optional<CaptureSymbols>> symbols;
    return symbols.get([]() -> std::optional<CaptureSymbols> {
        const auto connect = platform::lookupSymbol<platform::MainConnectionCall>("CGSMainConnectionID");
        const auto bounds = platform::lookupSymbol<platform::WindowBoundsCall>("CGSGetWindowBounds");
        const auto capture = platform::lookupSymbol<platform::HardwareCaptureCall>("CGSHWCaptureWindowList");
        if (!connect || !bounds || !capture) return std::nullopt;
        return CaptureSymbols{connect(), bounds, capture};
    });
}

platform::ImageFromArrayCall WindowServer::loadImageFromArraySymbol() {
    static platform::ProcessOnce<platform::ImageFromArrayCall> call;
    return call.get([] { return platform::lookupSymbol<platform::ImageFromArrayCall>("CGWindowListCreateImageFromArray"); });
}

}  // namespace furlpane
