#include "settings/window/application_list.h"

#include <algorithm>
#include <set>

#include "platform/notifications/notification_stream.h"
#include "platform/services/bundle.h"
#include "platform/services/workspace.h"
#include "platform/ui/controls.h"
#include "platform/ui/state.h"
#include "platform/ui/views.h"
#include "settings/model/name_order.h"

namespace furlpane {

namespace ui = platform::ui;

namespace {

constexpr double kBarGap = 4;
constexpr double kBarButtonWidth = 22;
constexpr double kBarButtonHeight = 18;
constexpr double kIconSide = 16;
constexpr double kIconGap = 6;

ui::View barSymbol(const char* name) { return ui::SymbolImage(name).frame(kBarButtonWidth, kBarButtonHeight); }

enum class OnStart { raise, wait };

// Raises the counter for every workspace notification of that name (and once when it
// starts, if asked), until the view goes away and cancels the wait.
platform::Task<void> countWorkspaceNotifications(ui::State<int> counter, std::string name, OnStart onStart) {
    platform::NotificationStream stream(platform::Workspace::shared().notificationCenter(), name);
    if (onStart == OnStart::raise) counter.set(counter.peek() + 1);
    while (true) {
        std::optional<platform::Notification> next = co_await stream.next();
        if (!next) co_return;
        counter.set(counter.peek() + 1);
    }
}

struct AddMenuState {
    ui::State<int> runningApplicationsChanged{0};
};

}  // namespace

// ---- ApplicationList ------------------------------------------------------------------

void ApplicationList::removeSelectedApplication() const {
    const std::optional<ApplicationSelection> selected = selection_.get();
    if (!selected || selected->isStandard()) return;
    rules_->removeApplication(*selected->bundleIdentifier());
    selection_.set(ApplicationSelection::standard());
}

ui::View ApplicationList::body() const {
    std::vector<ui::View> rows{ui::Label(kDefaultSettingsTitle, "gearshape").tag(ApplicationSelection::standard())};
    for (const ApplicationRule& rule : rules_->applications()) {
        rows.push_back(ui::View(ApplicationRow{rule.name, rule.bundleIdentifier, rule.isExcluded})
                           .tag(ApplicationSelection::application(rule.bundleIdentifier))
                           .id(rule.bundleIdentifier));
    }
    const std::optional<ApplicationSelection> selected = selection_.get();
    const bool applicationSelected = selected && !selected->isStandard();
    const ApplicationList list = *this;
    const ui::View remove = ui::Button(barSymbol("minus"), [list] { list.removeSelectedApplication(); })
                                .buttonStyle(ui::ButtonStyle::borderless)
                                .disabled(!applicationSelected)
                                .help(kRemoveHelp);
    const ui::View bar = ui::HStack({AddApplicationMenu(rules_, selection_, isChoosingApplication_), remove, ui::Spacer()},
                                    {.spacing = 0});
    return ui::VStack({ui::List(selection_, std::move(rows)), bar.padding(ui::topEdge, kBarGap)}, {.spacing = 0});
}

// ---- Rows and icons -------------------------------------------------------------------

ui::View ApplicationRow::body() const {
    const ui::View title = ui::Text(name).strikethrough(isExcluded).foregroundStyle(
        isExcluded ? ui::Style::secondary() : ui::Style::primary());
    // A stack rather than a Label, so that outlines show the icon and the title's style.
    return ui::HStack({ApplicationIcon{bundleIdentifier}, title}, {.spacing = kIconGap});
}

ui::View ApplicationIcon::body() const {
    const platform::Workspace& workspace = platform::Workspace::shared();
    const std::optional<std::filesystem::path> location = workspace.urlForApplication(bundleIdentifier);
    if (!location) return ui::SymbolImage("app.dashed");
    return ui::BitmapImage(workspace.iconForFile(*location)).frame(kIconSide, kIconSide);
}

// ---- AddApplicationMenu ---------------------------------------------------------------

std::vector<AddApplicationMenu::Candidate> AddApplicationMenu::candidates() const {
    std::set<std::string> listed;
    for (const ApplicationRule& rule : rules_->applications()) listed.insert(rule.bundleIdentifier);
    const std::optional<std::string> own = platform::Bundle::main().bundleIdentifier();
    std::set<std::string> seen;
    std::vector<Candidate> found;
    for (const platform::RunningApplication& app : platform::Workspace::shared().runningApplications()) {
        if (app.activationPolicy() != platform::ActivationPolicy::regular) continue;
        const std::optional<std::string> id = app.bundleIdentifier();
        // An empty identifier names no application a rule could be kept for.
        if (!id || id->empty() || id == own || listed.count(*id)) continue;
        if (!seen.insert(*id).second) continue;
        const std::optional<std::string> name = app.localizedName();
        found.push_back({*id, name && !name->empty() ? *name : *id});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Candidate& a, const Candidate& b) { return precedesInFinderOrder(a.name, b.name); });
    return found;
}

void AddApplicationMenu::add(const Candidate& candidate) const {
    rules_->addApplication(candidate.bundleIdentifier, candidate.name);
    selection_.set(ApplicationSelection::application(candidate.bundleIdentifier));
}

ui::View AddApplicationMenu::body() const {
    const AddApplicationMenu menu = *this;
    return ui::WithState<AddMenuState>([menu](const std::shared_ptr<AddMenuState>& state) {
        // Read so that every launch and quit builds the menu again.
        (void)state->runningApplicationsChanged.get();
        std::vector<ui::View> items;
        for (const Candidate& candidate : menu.candidates()) {
            items.push_back(ui::Button(candidate.name, [menu, candidate] { menu.add(candidate); }));
        }
        if (!items.empty()) items.push_back(ui::Divider());
        const ui::Binding<bool> choosing = menu.isChoosingApplication_;
        items.push_back(ui::Button(kChooseTitle, [choosing] { choosing.set(true); }));
        const ui::State<int> changed = state->runningApplicationsChanged;
        namespace n = platform::workspace_notifications;
        return ui::MenuButton(barSymbol("plus"), std::move(items))
            .help(kHelp)
            .buttonStyle(ui::ButtonStyle::borderless)
            .menuIndicatorHidden()
            .fixedSize()
            .task([changed] { return countWorkspaceNotifications(changed, n::kDidLaunchApplication, OnStart::raise); })
            .task([changed] { return countWorkspaceNotifications(changed, n::kDidTerminateApplication, OnStart::wait); });
    });
}

}  // namespace furlpane
