#pragma once

// What a changed window does with its stand-in's reports: double-clicks (by the kind of
// stand-in, and on a title strip by the modifiers and the application's rules), single
// clicks, clicks on the title-bar buttons drawn on a title strip, drags, hover, and the
// context menu with its three items.
//
// Every request to the engine starts through its main-thread launcher, so it runs after
// the current event; the engine is held weakly and nothing is asked once it is gone.
// What belongs to the changed window itself (engaging a live copy, the end of a drag, a
// thumbnail's hover) goes to its StandInSubject.
//
// Title strip, double-click: Command and Control pick the trigger (both held: the
// window is restored at once, whatever the rules say); Option sends the rule's action to
// every window of the application; Shift plays it slowly. A title-strip button click:
// minimize runs the rule's action for the minimize button (minimize to the Dock when the
// rule gives none); close and zoom restore the window and then press the real window's
// button.
//
// Main thread only.

#include <cstdint>
#include <functional>
#include <memory>

#include "settings/model/action_rules.h"
#include "settings/model/preferences.h"
#include "windows/access/target_window.h"
#include "windows/changed/stand_in_panel.h"
#include "windows/changed/window_effects_services.h"

namespace furlpane {

// The kind of stand-in a changed window shows (the changed window's own StandIn, once
// that class exists). The transitions have a narrower kind of their own, StandInKind:
// only title strips and thumbnails are ever drawn.
enum class StandIn { none, titleStrip, thumbnail, liveCopy };

// The changed window a stand-in stands for, as its reports need it.
class StandInSubject {
public:
    virtual ~StandInSubject() = default;
    virtual StandIn standIn() const = 0;
    virtual const TargetWindow& target() const = 0;
    // The changed window the engine's requests about it take.
    virtual std::shared_ptr<AffectedWindow> changedWindow() = 0;
    // A click on a live copy: bring the real window and its application forward.
    virtual void engage() = 0;
    // The user dropped the stand-in somewhere.
    virtual void endDrag(StandInPanel& panel) = 0;
    virtual void hoverChanged(bool hovered) = 0;
};

class StandInResponder final : public StandInPanelDelegate, public std::enable_shared_from_this<StandInResponder> {
public:
    // Made shared: the panel and the menu items hold it weakly.
    // The rules and preferences are shared with the rest of the program: the responder
    // keeps them alive for as long as it lives, even when the program puts others in
    // their place.
    static std::shared_ptr<StandInResponder> create(std::weak_ptr<StandInSubject> subject,
                                                    std::weak_ptr<WindowEffectsServices> engine,
                                                    std::shared_ptr<const ActionRules> rules,
                                                    std::shared_ptr<const Preferences> preferences);

    void standInDoubleClicked(StandInPanel& panel, std::uint64_t modifierFlags) override;
    void standInClicked(StandInPanel& panel, std::uint64_t modifierFlags) override;
    void standInButtonClicked(StandInPanel& panel, WindowButton button) override;
    void standInDragEnded(StandInPanel& panel) override;
    void standInHoverChanged(StandInPanel& panel, bool hovered) override;
    std::shared_ptr<platform::Menu> standInMenu(StandInPanel& panel, bool isControlClick) override;

    // A click or double-click on a thumbnail: with Option, the thumbnails of the whole
    // application on the active Space come back; otherwise this window.
    void requestRestore(std::uint64_t modifierFlags);
    // The context menu's items; slow motion follows Shift as it is held at that moment.
    void restoreFromMenu();
    void restoreAllFromMenu();
    void hideApplicationFromMenu();

    // Presses a button of the real window once its application has settled: the
    // program's own window's standard button, or another application's button element
    // through the accessibility queue.
    static platform::Task<void> pressWindowButton(std::weak_ptr<WindowEffectsServices> engine,
                                                  int32_t processIdentifier, bool isOwn, std::uint32_t windowNumber,
                                                  WindowButton button, platform::AccessibilityElement element);

private:
    struct Key {};

public:
    StandInResponder(const Key&, std::weak_ptr<StandInSubject> subject, std::weak_ptr<WindowEffectsServices> engine,
                     std::shared_ptr<const ActionRules> rules, std::shared_ptr<const Preferences> preferences);

private:
    void titleStripDoubleClick(StandInSubject& subject, std::uint64_t modifierFlags);
    // The action for a trigger on this window: to this window alone, or with Option to
    // every window of its application.
    void sendAction(const TargetWindow& target, WindowAction action, std::uint64_t modifierFlags, Raising raisesWindow);
    void restoreThisWindow(StandInSubject& subject, Raising interactive, Speed speed, std::function<void()> then = {});
    bool buttonIsUsable(const TargetWindow& target, WindowButton button) const;
    void ask(WindowEffectsServices::Request request);

    std::weak_ptr<StandInSubject> subject_;
    std::weak_ptr<WindowEffectsServices> engine_;
    std::shared_ptr<const ActionRules> rules_;
    std::shared_ptr<const Preferences> preferences_;
};

}  // namespace furlpane
