#include "platform/desktop/control.h"

#include "platform/desktop/desktop.h"

namespace platform::desktop {

Control::Control(Desktop& world, uint64_t id, int32_t pid, uint32_t window, uint64_t parent,
                 const ControlDescription& description)
    : world_(world),
      id_(id),
      pid_(pid),
      window_(window),
      parent_(parent),
      role_(description.role),
      subrole_(description.subrole),
      title_(description.title),
      identifier_(description.identifier),
      value_(description.value),
      commandCharacter_(description.commandCharacter),
      commandModifiers_(description.commandModifiers),
      frame_(description.frame),
      enabled_(description.enabled),
      action_(description.action) {}

std::optional<Rect> Control::screenFrame() const {
    const WorldGuard guard = guardWorld(world_);
    if (window_ == 0 || destroyed_) return std::nullopt;
    const Window* w = world_.windowRecord(window_);
    if (!w) return std::nullopt;
    return frame_.offsetBy(w->frame().minX(), w->frame().minY());
}

bool Control::press() {
    auto guard = world_.lock();
    if (destroyed_ || !enabled_) return false;
    world_.pressControl(*this);
    return true;
}

void Control::setEnabled(bool enabled) {
    auto guard = world_.lock();
    enabled_ = enabled;
}

void Control::setTitle(std::optional<std::string> title) {
    auto guard = world_.lock();
    title_ = std::move(title);
}

void Control::setValue(std::optional<std::string> value) {
    auto guard = world_.lock();
    value_ = std::move(value);
}

void Control::setFrame(const Rect& frame) {
    auto guard = world_.lock();
    frame_ = frame.standardized();
}

}  // namespace platform::desktop
