#pragma once

// The menu of the animations that play when a window rolls up into its title strip or
// becomes a thumbnail: one row of a grid, its label and then a pop-up menu, for either
// kind of animation (TitleStripAnimation, ThumbnailAnimation).
//
// The menu groups the animations under "Simple and Clean" and "Complex", each sorted
// in Finder order, with "Random Order" heading the complex ones; None follows a
// separator only while the owner offers it. It follows the system's Reduce Motion
// setting: while that is on, the menu shows only Fade (or None when that is stored and
// offered), a pick of Fade leaves another stored animation alone so that it shows
// again once Reduce Motion is off, and a menu that offers no None cannot be used at
// all and says why in its tooltip.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/binding.h"
#include "platform/ui/controls.h"
#include "platform/ui/state.h"
#include "platform/ui/views.h"
#include "settings/model/animation_choices.h"
#include "settings/model/name_order.h"

namespace furlpane {

inline constexpr const char* kReduceMotionHelp =
    "Reduce Motion is globally enabled. You can change that in System Settings, under Accessibility, in Display "
    "settings.";
inline constexpr const char* kSimpleAndClean = "Simple and Clean";
inline constexpr const char* kComplex = "Complex";

enum class NoneEntry { offered, absent };

template <AnimationChoice Choice>
class AnimationMenu {
public:
    struct MenuSection {
        std::string header;
        std::vector<Choice> choices;
        friend bool operator==(const MenuSection&, const MenuSection&) = default;
    };

    AnimationMenu(std::string name, platform::ui::Binding<Choice> selection, NoneEntry none)
        : name_(std::move(name)), selection_(std::move(selection)), none_(none) {}

    // The label and the menu, the two cells of the grid row the menu stands in.
    platform::ui::View body() const {
        AnimationMenu menu = *this;
        return platform::ui::EnvironmentReader(
            [menu](const platform::ui::Environment& env) { return menu.content(env.reducesMotion, env.isEnabled); });
    }

    // What the menu lists, by the Reduce Motion setting.
    static std::vector<MenuSection> sections(bool reducesMotion, NoneEntry none) {
        if (reducesMotion && none == NoneEntry::offered) return {{kSimpleAndClean, {Choice::fade}}};
        std::vector<Choice> sorted(allCases<Choice>().begin(), allCases<Choice>().end());
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](Choice a, Choice b) { return precedesInFinderOrder(displayName(a), displayName(b)); });
        MenuSection simple{kSimpleAndClean, {}};
        MenuSection complex{kComplex, {Choice::randomOrder}};
        for (Choice c : sorted) {
            if (isSimpleAndClean(c)) simple.choices.push_back(c);
            if (isComplex(c)) complex.choices.push_back(c);
        }
        return {simple, complex};
    }

    // The value the menu shows and writes: the selection itself, or under Reduce Motion
    // Fade for everything but None, with a pick written only to or from None.
    platform::ui::Binding<Choice> pickerSelection(bool reducesMotion) const {
        if (!reducesMotion) return selection_;
        const platform::ui::Binding<Choice> selection = selection_;
        return platform::ui::Binding<Choice>(
            [selection] { return selection.get() == Choice::noAnimation ? Choice::noAnimation : Choice::fade; },
            [selection](Choice picked) {
                if (picked == Choice::noAnimation || selection.get() == Choice::noAnimation) selection.set(picked);
            });
    }

private:
    platform::ui::View content(bool reducesMotion, bool isEnabled) const {
        namespace ui = platform::ui;
        const bool refused = reducesMotion && none_ == NoneEntry::absent;
        const ui::Style labelStyle = isEnabled && !refused ? ui::Style::primary() : ui::Style::disabledControlText();
        const ui::View label = ui::Text(name_).foregroundStyle(labelStyle).gridColumnAlignment(ui::HorizontalAlignment::trailing);
        const ui::View menu = ui::Picker(name_, pickerSelection(reducesMotion), items(reducesMotion))
                                  .help(reducesMotion ? kReduceMotionHelp : "")
                                  .labelsHidden()
                                  .fixedSize()
                                  .disabled(refused);
        return ui::Group({label, menu});
    }

    std::vector<platform::ui::View> items(bool reducesMotion) const {
        namespace ui = platform::ui;
        std::vector<ui::View> items;
        for (const MenuSection& section : sections(reducesMotion, none_)) {
            std::vector<ui::View> entries;
            for (Choice c : section.choices) entries.push_back(ui::Text(std::string(displayName(c))).tag(c));
            items.push_back(ui::Section(section.header, std::move(entries)));
        }
        if (none_ == NoneEntry::offered) {
            items.push_back(ui::Divider());
            items.push_back(ui::Text(std::string(displayName(Choice::noAnimation))).tag(Choice::noAnimation));
        }
        return items;
    }

    std::string name_;
    platform::ui::Binding<Choice> selection_;
    NoneEntry none_;
};

}  // namespace furlpane
