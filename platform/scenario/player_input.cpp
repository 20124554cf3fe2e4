// The person's hands: clicks, drags, keys and modifier taps injected on the desktop as
// the hardware makes them, the status menu, the program's other menus and the settings
// window.

#include <algorithm>
#include <cmath>

#include "platform/appkit/application.h"
#include "platform/appkit/status_item.h"
#include "platform/desktop/desktop.h"
#include "platform/events/event_router.h"
#include "platform/events/keyboard_layout.h"
#include "platform/runtime/main_loop.h"
#include "platform/scenario/player.h"
#include "platform/scenario/program_host.h"
#include "platform/ui/host.h"

namespace platform::scenario {

namespace {

constexpr std::pair<EventFlags, uint16_t> kModifierKeys[] = {{event_flags::command, key_codes::command},
                                                               {event_flags::shift, key_codes::shift},
                                                               {event_flags::option, key_codes::option},
                                                               {event_flags::control, key_codes::control}};

// A drag moves the pointer at least this often on its way, and once a frame at most.
constexpr int kMinDragSteps = 4;

// The status item the instance shows; null for none.
std::shared_ptr<StatusItem> statusItemOf(const ProgramHost& program) {
    for (const auto& item : StatusBar::system().itemsOf(program.run())) {
        if (item->isVisible()) return item;
    }
    return nullptr;
}

// The menu the instance shows; null for none.
std::shared_ptr<Menu> openMenuOf(const ProgramHost& program) {
    std::shared_ptr<Menu> menu;
    program.asProgram([&] { menu = Application::shared().openMenu(); });
    return menu;
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

// The instance's settings window, when it shows one.
std::shared_ptr<ui::Host> settingsHostOf(const ProgramHost& program) {
    std::shared_ptr<ui::Host> found;
    program.asProgram([&] {
        const auto windows = Application::shared().windows();
        for (auto& host : ui::Host::all()) {
            const auto& window = host->window();
            if (window && window->isVisible() && std::find(windows.begin(), windows.end(), window) != windows.end())
                found = host;
        }
    });
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

double Player::durationOf(const Command& command) {
    const auto* drag = std::get_if<DragCommand>(&command);
    return drag ? drag->seconds : 0;
}

// The press now; the pointer's moves and the release follow on the loop's clock, as a
// hand makes them: the program reads where the pointer is as each event reaches it.
Player::Outcome Player::drag(const DragCommand& command) {
    holdModifiers(command.flags);
    const int steps = std::max(kMinDragSteps, static_cast<int>(std::ceil(command.seconds / kStep)));
    std::vector<EventRecord> events = input_sequences::drag(command.from, command.to, steps, command.flags);
    if (command.flags) events.push_back(EventRecord::flagsChanged(0));
    injectEvent(events.front());
    settle();
    MainLoop& loop = world_.loop();
    std::weak_ptr<bool> alive = alive_;
    for (size_t i = 1; i < events.size(); ++i) {
        // The last moves fall on the drag's end itself, not a rounding past it, so that
        // they have all come by the time the next line plays.
        const double at = i < static_cast<size_t>(steps) ? command.seconds * static_cast<double>(i) / steps
                                                          : command.seconds;
        // The user's hand, not any instance's doing.
        loop.postOffMainEvent(at, Handover<void()>::system([alive, event = events[i]] {
            if (alive.lock()) injectEvent(event);
        }));
    }
    if (loop.isSimulated()) wait(command.seconds);
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
    const ProgramHost& program = instance(command.instance);
    const std::shared_ptr<StatusItem> item = statusItemOf(program);
    if (!item) return failed(programCalled(command.instance) + " shows no status item");
    holdModifiers(command.flags);
    injectEvents(input_sequences::click(item->window().topLeftFrame().mid()));
    settle();
    const std::string of = ofInstance(command.instance);
    Outcome outcome = openMenuOf(program) ? chooseFromMenu(program, command.item, "the status menu" + of)
                                          : failed("a click on the status item" + of + " opened no menu");
    if (command.flags) injectEvent(EventRecord::flagsChanged(0));
    return outcome;
}

Player::Outcome Player::choose(const ChooseCommand& command) {
    const ProgramHost& program = instance(command.instance);
    if (!program.isRunning()) return failed(programCalled(command.instance) + " is not running");
    if (!openMenuOf(program)) return failed(programCalled(command.instance) + " shows no menu");
    return chooseFromMenu(program, command.item, "the menu" + ofInstance(command.instance));
}

Player::Outcome Player::chooseFromMenu(const ProgramHost& program, const std::string& title,
                                       const std::string& which) {
    std::vector<std::string> items;
    bool disabled = false;
    bool chosen = false;
    program.asProgram([&] {
        Application& app = Application::shared();
        const std::shared_ptr<Menu> open = app.openMenu();
        if (!open) return;
        items = open->outline();
        const auto named = open->itemWithTitle(title);
        disabled = named && !named->isEnabled();
        chosen = chooseFromOpenMenu(app, title);
    });
    settle();
    if (chosen) return fine();
    if (disabled) return failed(which + "'s item \"" + title + "\" is disabled");
    return failed(which + " has no item \"" + title + "\" to choose; it has " + listed(items));
}

Player::Outcome Player::settings(const SettingsCommand& command) {
    const ProgramHost& program = instance(command.instance);
    if (!program.isRunning()) return failed(programCalled(command.instance) + " is not running");
    if (command.action == SettingsAction::open) return openSettings(command.instance);
    const std::shared_ptr<ui::Host> host = settingsHostOf(program);
    const std::string window = "the settings window" + ofInstance(command.instance);
    if (!host) return failed(window + " is not open");
    if (command.action == SettingsAction::close) {
        program.asProgram([&] { host->window()->performClose(); });
        return fine();
    }
    const auto control = controlLabelled(*host, command.label);
    if (!control) return failed(window + " shows no \"" + command.label + "\"");
    if (command.action == SettingsAction::pick) {
        bool chosen = false;
        program.asProgram([&] { chosen = control->choose(command.item); });
        if (!chosen) {
            return failed("\"" + command.label + "\" offers no \"" + command.item + "\" to pick; it offers " +
                          listed(control->menuItems()));
        }
        return fine();
    }
    if (!control->isEnabled()) return failed("\"" + command.label + "\" is disabled");
    injectEvents(input_sequences::click(control->screenFrame().mid()));
    return fine();
}

Player::Outcome Player::expectSettings(const ExpectSettingsCommand& command) {
    const std::shared_ptr<ui::Host> host = settingsHostOf(instance(command.instance));
    const std::string window = "the settings window" + ofInstance(command.instance);
    if (!host) return failed(window + " is not open");
    if (controlLabelled(*host, command.label)) return fine();
    return failed(window + " shows no \"" + command.label + "\"");
}

// As the person would: the status menu's Settings item, or a click on the program's icon
// in the Dock when it shows no status item.
Player::Outcome Player::openSettings(int number) {
    const ProgramHost& program = instance(number);
    const std::shared_ptr<StatusItem> item = statusItemOf(program);
    const auto titled = item && item->menu() ? item->menu()->items() : std::vector<std::shared_ptr<MenuItem>>{};
    for (const auto& entry : titled) {
        if (entry->title().rfind("Settings", 0) == 0) return menu({entry->title(), 0, number});
    }
    program.asProgram([] { Application::shared().reopen(); });
    settle();
    return settingsHostOf(program) ? fine() : failed("the settings window" + ofInstance(number) + " did not open");
}

}  // namespace platform::scenario
