#include "settings/window/hotkey_recorder_sheet.h"

#include "platform/ui/controls.h"
#include "platform/ui/state.h"
#include "platform/ui/views.h"
#include "settings/window/action_picker.h"
#include "settings/window/recording_notices.h"
#include "settings/window/rules_accessors.h"
#include "triggers/hotkey_listener_anchor.h"
#include "triggers/system_hotkeys.h"

namespace furlpane {

namespace ui = platform::ui;

namespace {

constexpr double kInset = 20;
constexpr double kSpacing = 16;
constexpr double kGroupSpacing = 6;
constexpr double kFieldHeight = 44;
constexpr double kFieldCorner = 8;

// Stops the listening the sheet wanted, which puts the system's shortcuts back.
void stopListening(HotkeyListener& listener) {
    listener.setIsWanted(false);
    listener.updateListening();
    listener.observeFocus();
}

ui::View notice(const RecordingNotice& notice) {
    const bool isWarning = notice.kind == RecordingNotice::Kind::warning;
    const ui::View icon = ui::SymbolImage(isWarning ? "exclamationmark.triangle.fill" : "info.circle")
                              .foregroundStyle(isWarning ? ui::Style::orange() : ui::Style::secondary());
    return ui::Label(ui::Text(notice.text), icon).font(ui::Font::callout());
}

// Behind the sheet's content, so that the listener learns the sheet's window.
ui::View listenerAnchor(const std::shared_ptr<HotkeyListener>& listener) {
    const HotkeyListenerAnchor anchor{listener};
    return ui::AppKitView({"HotkeyListenerAnchor", [anchor] { return anchor.makeView(); },
                           [anchor](platform::View& view) { anchor.updateView(static_cast<AnchorView&>(view)); },
                           [](std::optional<double> width, std::optional<double> height, platform::View&) {
                               return platform::Size{width.value_or(0), height.value_or(0)};
                           }});
}

struct SheetState {
    std::shared_ptr<HotkeyListener> listener = HotkeyListener::create();
};

}  // namespace

std::string HotkeyRecorderSheet::fieldText(EventFlags held, const std::optional<HotkeyListener::Press>& pressed) {
    if (held != 0 && (!pressed || pressed->hotkey.modifiers != held)) return Hotkey::modifierSymbols(held);
    if (pressed) return pressed->hotkey.displayText();
    return kPlaceholder;
}

bool HotkeyRecorderSheet::isFieldPlaceholder(EventFlags held, const std::optional<HotkeyListener::Press>& pressed) {
    return !pressed && held == 0;
}

bool HotkeyRecorderSheet::canSetShortcut(const std::optional<HotkeyListener::Press>& pressed) const {
    return pressed && (!shortcut_.hotkey || pressed->hotkey != *shortcut_.hotkey);
}

void HotkeyRecorderSheet::setShortcut(HotkeyListener& listener, const std::function<void()>& dismiss) const {
    const std::optional<HotkeyListener::Press> pressed = listener.pressed();
    if (!pressed) return;
    stopListening(listener);
    rules_->modifySettings(settingsSet(bundleIdentifier_), ActionRules::setHotkey(shortcut_.id, pressed->hotkey));
    if (dismiss) dismiss();
}

void HotkeyRecorderSheet::cancel(HotkeyListener& listener, const std::function<void()>& dismiss) {
    stopListening(listener);
    if (dismiss) dismiss();
}

ui::View HotkeyRecorderSheet::header() const {
    std::string explanation =
        "Press the combination you want. It acts on the frontmost window of any application that uses Default "
        "Settings, in place of anything the application does with those keys.";
    if (bundleIdentifier_) {
        const std::string name = targetApplicationName(*rules_, *bundleIdentifier_);
        explanation = "Press the combination you want. It acts on the frontmost window of " + name +
                      ", in place of anything " + name + " does with those keys.";
    }
    return ui::VStack({ui::Text("Keyboard Shortcut for “" + actionTitle(shortcut_.action) + "”").font(ui::Font::headline()),
                       ui::Text(std::move(explanation)).foregroundStyle(ui::Style::secondary())},
                      {.alignment = ui::HorizontalAlignment::leading, .spacing = kGroupSpacing});
}

ui::View HotkeyRecorderSheet::fieldGroup(const HotkeyListener& listener) const {
    const EventFlags held = listener.heldModifiers();
    const std::optional<HotkeyListener::Press>& pressed = listener.pressed();
    const bool listening = listener.isListening();
    const ui::Shape box = ui::Shape::roundedRectangle(kFieldCorner);
    const ui::View field =
        ui::Text(fieldText(held, pressed))
            .accessibilityLabel(kFieldLabel)
            .font(ui::Font::title2().monospaced())
            .foregroundStyle(isFieldPlaceholder(held, pressed) ? ui::Style::secondary() : ui::Style::primary())
            .frame({.maxWidth = ui::infinity, .minHeight = kFieldHeight})
            .background(box.fill(ui::Style::quaternary().opacity(0.5)))
            .overlay(listening ? box.strokeBorder(ui::Style::accent(), 2) : box.strokeBorder(ui::Style::separator(), 1));
    const std::string current =
        shortcut_.hotkey ? "Current shortcut: " + shortcut_.hotkey->displayText() : "No shortcut yet";
    return ui::VStack({field, ui::Text(current).font(ui::Font::caption()).foregroundStyle(ui::Style::secondary())},
                      {.alignment = ui::HorizontalAlignment::leading, .spacing = kGroupSpacing});
}

ui::View HotkeyRecorderSheet::content(const std::shared_ptr<HotkeyListener>& listener,
                                      const std::function<void()>& dismiss) const {
    std::vector<ui::View> children{header(), fieldGroup(*listener)};
    const RecordingContext context{*rules_, shortcut_, bundleIdentifier_, listener->pressed(), listener->refusal()};
    for (const RecordingNotice& n : recordingNotices(context)) children.push_back(notice(n));
    if (SystemHotkeys::canPauseSystemHotkeys()) {
        children.push_back(ui::Text(kPausedNote).font(ui::Font::caption()).foregroundStyle(ui::Style::secondary()));
    }
    const HotkeyRecorderSheet sheet = *this;
    children.push_back(ui::HStack(
        {ui::Spacer(),
         ui::Button("Cancel", [listener, dismiss] { cancel(*listener, dismiss); })
             .keyboardShortcut(ui::KeyboardShortcut::cancelAction),
         ui::Button("Set Shortcut", [sheet, listener, dismiss] { sheet.setShortcut(*listener, dismiss); })
             .keyboardShortcut(ui::KeyboardShortcut::defaultAction)
             .disabled(!canSetShortcut(listener->pressed()))}));
    return ui::VStack(std::move(children), {.alignment = ui::HorizontalAlignment::leading, .spacing = kSpacing})
        .padding(kInset)
        .frame(kWidth, std::nullopt)
        .background(listenerAnchor(listener));
}

ui::View HotkeyRecorderSheet::body() const {
    const HotkeyRecorderSheet sheet = *this;
    return ui::EnvironmentReader([sheet](const ui::Environment& environment) {
        const std::function<void()> dismiss = environment.dismissAction;
        return ui::WithState<SheetState>([sheet, dismiss](const std::shared_ptr<SheetState>& state) {
            const std::shared_ptr<HotkeyListener> listener = state->listener;
            return sheet.content(listener, dismiss)
                .onAppear([listener] {
                    listener->setIsWanted(true);
                    listener->observeFocus();
                    listener->updateListening();
                })
                .onDisappear([listener] { stopListening(*listener); });
        });
    });
}

}  // namespace furlpane
