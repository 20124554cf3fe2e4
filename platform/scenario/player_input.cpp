// The person's hands: clicks, drags, keys and modifier taps injected on the desktop as
// the hardware makes them, the status menu and the settings window.

#include "platform/appkit/application.h"
#include "platform/appkit/status_item.h"
#include "platform/desktop/desktop.h"
#include "platform/events/event_router.h"
#include "platform/events/keyboard_layout.h"
#include "platform/scenario/player.h"
#include "platform/scenario/program_host.h"
#include "platform/ui/host.h"

namespace platform::scenario {

namespace {

constexpr std::pair<EventFlags, uint16_t> kModifierKeys[] = {{event_flags::command, key_codes::command},
                                                               {event_flags::shift, key_codes::shift},
                                                               {event_flags::option, key_codes::option},
                                                               {event_flags::control, key_codes::control}};

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& item : items) {
        if (item == "-") continue;
        out += (out.empty() ? "\"" : ", \"") + item + "\"";
    }
    return out.empty() ? "nothing" : out;
}

std::shared_ptr<StatusItem> statusItem() {
    for (const auto& item : StatusBar::system().items()) {
        if (item->isVisible()) return item;
    }
    return nullptr;
}

// Chooses the item of the open menu with the title, or of one of its submenus.
bool chooseFromOpenMenu(Application& app, const std::string& title) {
    const std::shared_ptr<Menu> menu = app.openMenu();
    if (!menu) return false;
    if (menu->itemWithTitle(title)) return app.chooseMenuItem(title);
    for (const auto& item : menu->items()) {
        const auto& submenu = item->submenu();
        if (!submenu || !submenu->itemWithTitle(title)) continue;
        app.closeMenu();
        return submenu->performActionForItem(*submenu->indexOfItem(submenu->itemWithTitle(title)));
    }
    app.closeMenu();
    return false;
}

std::shared_ptr<ui::Host> settingsHost() {
    std::shared_ptr<ui::Host> found;
    for (auto& host : ui::Host::all()) {
        if (host->window() && host->window()->isVisible()) found = host;
    }
    return found;
}

std::optional<ui::Control> controlLabelled(const ui::Host& host, const std::string& label) {
    for (ui::ControlKind kind : {ui::ControlKind::button, ui::ControlKind::toggle, ui::ControlKind::tab,
                                 ui::ControlKind::row, ui::ControlKind::menuButton, ui::ControlKind::picker,
                                 ui::ControlKind::slider, ui::ControlKind::label, ui::ControlKind::text}) {
        if (auto control = host.find(kind, label)) return control;
    }
    return std::nullopt;
}

}  // namespace

void Player::holdModifiers(EventFlags flags) {
    EventFlags held = 0;
    for (const auto& [flag, keyCode] : kModifierKeys) {
        if (!(flags & flag)) continue;
        held |= flag;
        injectEvent(EventRecord::flagsChanged(held, keyCode));
    }
    settle();
}

Player::Outcome Player::click(const ClickCommand& command) {
    holdModifiers(command.flags);
    std::vector<EventRecord> events;
    for (int i = 0; i < command.count; ++i) {
        const EventType down = command.button == MouseButton::left ? EventType::leftMouseDown : EventType::rightMouseDown;
        const EventType up = command.button == MouseButton::left ? EventType::leftMouseUp : EventType::rightMouseUp;
        events.push_back(EventRecord::mouse(down, command.at, command.flags));
        events.push_back(EventRecord::mouse(up, command.at, command.flags));
    }
    injectEvents(events);
    settle();
    if (command.flags) injectEvent(EventRecord::flagsChanged(0));
    return fine();
}

Player::Outcome Player::drag(const DragCommand& command) {
    holdModifiers(command.flags);
    constexpr int kSteps = 8;
    injectEvents(input_sequences::drag(command.from, command.to, kSteps, command.flags));
    settle();
    if (command.flags) injectEvent(EventRecord::flagsChanged(0));
    return fine();
}

Player::Outcome Player::move(const MoveCommand& command) {
    injectEvent(EventRecord::mouse(EventType::mouseMoved, command.to));
    return fine();
}

Player::Outcome Player::key(const KeyCommand& command) {
    holdModifiers(command.flags);
    injectEvents(input_sequences::keyPress(command.keyCode, command.flags));
    settle();
    if (command.flags) injectEvent(EventRecord::flagsChanged(0));
    return fine();
}

Player::Outcome Player::tap(const TapCommand& command) {
    injectEvent(EventRecord::flagsChanged(command.flag, command.keyCode));
    settle();
    injectEvent(EventRecord::flagsChanged(0, command.keyCode));
    return fine();
}

Player::Outcome Player::menu(const MenuCommand& command) {
    const std::shared_ptr<StatusItem> item = statusItem();
    if (!host_.isRunning() || !item) return failed("the program shows no status item");
    holdModifiers(command.flags);
    injectEvents(input_sequences::click(item->window().topLeftFrame().mid()));
    settle();
    Application& app = Application::shared();
    const std::shared_ptr<Menu> open = app.openMenu();
    if (!open) return failed("a click on the status item opened no menu");
    const auto items = open->outline();
    const auto named = open->itemWithTitle(command.item);
    const bool disabled = named && !named->isEnabled();
    bool chosen = false;
    host_.asProgram([&] { chosen = chooseFromOpenMenu(app, command.item); });
    settle();
    if (command.flags) injectEvent(EventRecord::flagsChanged(0));
    if (!chosen && disabled) return failed("the status menu's item \"" + command.item + "\" is disabled");
    if (!chosen) return failed("the status menu has no item \"" + command.item + "\" to choose; it has " + joined(items));
    return fine();
}

Player::Outcome Player::settings(const SettingsCommand& command) {
    if (!host_.isRunning()) return failed("the program is not running");
    if (command.action == SettingsAction::open) {
        // As the person would: the status menu's Settings item, or a click on the
        // program's icon in the Dock when it shows no status item.
        const std::shared_ptr<StatusItem> item = statusItem();
        const auto titled = item && item->menu() ? item->menu()->items() : std::vector<std::shared_ptr<MenuItem>>{};
        for (const auto& entry : titled) {
            if (entry->title().rfind("Settings", 0) == 0) return menu({entry->title(), 0});
        }
        host_.asProgram([] { Application::shared().reopen(); });
        settle();
        return settingsHost() ? fine() : failed("the settings window did not open");
    }
    const std::shared_ptr<ui::Host> host = settingsHost();
    if (!host) return failed("no settings window is open");
    if (command.action == SettingsAction::close) {
        host_.asProgram([&] { host->window()->performClose(); });
        return fine();
    }
    const auto control = controlLabelled(*host, command.label);
    if (!control) return failed("the settings window shows no \"" + command.label + "\"");
    if (command.action == SettingsAction::pick) {
        bool chosen = false;
        host_.asProgram([&] { chosen = control->choose(command.item); });
        if (!chosen) {
            return failed("\"" + command.label + "\" offers no \"" + command.item + "\" to pick; it offers " +
                          joined(control->menuItems()));
        }
        return fine();
    }
    if (!control->isEnabled()) return failed("\"" + command.label + "\" is disabled");
    injectEvents(input_sequences::click(control->screenFrame().mid()));
    return fine();
}

}  // namespace platform::scenario
