#pragma once

// Menus and menu items: the status menu, context menus of stand-ins, the main menu.
//
// An item has a title, an action (a closure that receives the item, standing for the
// target and selector), a key equivalent with its modifier mask, an enabled flag, a state
// (off, on, mixed), a tag, a represented object and an optional submenu; a separator is
// an item of its own kind. With autoenablesItems on (the default), an item without an
// action counts as disabled, as the system's validation makes it.
//
// Showing a menu never blocks here: Application::popUpMenu (and a status item's click)
// makes the menu the open one, calls its willOpen handler, and returns. A test or tool
// then picks an item (Application::chooseMenuItem) or dismisses the menu
// (Application::closeMenu); either calls didClose. performActionForItem runs an item's
// action as a click on it would, without opening anything.
//
// Menus and items are shared (std::shared_ptr) and main-thread objects. An item belongs to
// at most one menu; adding it to another takes it from the first.

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class Menu;

enum class MenuItemState { off = 0, on = 1, mixed = -1 };

class MenuItem : public std::enable_shared_from_this<MenuItem> {
public:
    using Action = std::function<void(MenuItem&)>;

    static std::shared_ptr<MenuItem> make(std::string title, Action action = {}, std::string keyEquivalent = {});
    static std::shared_ptr<MenuItem> separator();
    MenuItem(std::string title, Action action, std::string keyEquivalent);

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    const Action& action() const { return action_; }
    void setAction(Action action) { action_ = std::move(action); }
    const std::string& keyEquivalent() const { return keyEquivalent_; }
    void setKeyEquivalent(std::string key) { keyEquivalent_ = std::move(key); }
    // Command unless set.
    uint64_t keyEquivalentModifierMask() const { return keyModifiers_; }
    void setKeyEquivalentModifierMask(uint64_t mask) { keyModifiers_ = mask; }
    bool isSeparatorItem() const { return separator_; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    // Enabled and, when its menu autoenables items, with an action.
    bool isEffectivelyEnabled() const;
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    MenuItemState state() const { return state_; }
    void setState(MenuItemState state) { state_ = state; }
    int64_t tag() const { return tag_; }
    void setTag(int64_t tag) { tag_ = tag; }
    const std::any& representedObject() const { return represented_; }
    void setRepresentedObject(std::any object) { represented_ = std::move(object); }
    const std::string& toolTip() const { return toolTip_; }
    void setToolTip(std::string tip) { toolTip_ = std::move(tip); }
    const std::shared_ptr<Menu>& submenu() const { return submenu_; }
    void setSubmenu(std::shared_ptr<Menu> menu) { submenu_ = std::move(menu); }
    Menu* menu() const { return menu_; }

private:
    friend class Menu;
    std::string title_;
    Action action_;
    std::string keyEquivalent_;
    uint64_t keyModifiers_ = 0x100000;
    bool separator_ = false;
    bool enabled_ = true;
    bool hidden_ = false;
    MenuItemState state_ = MenuItemState::off;
    int64_t tag_ = 0;
    std::any represented_;
    std::string toolTip_;
    std::shared_ptr<Menu> submenu_;
    Menu* menu_ = nullptr;
};

class Menu : public std::enable_shared_from_this<Menu> {
public:
    static std::shared_ptr<Menu> make(std::string title = {});
    explicit Menu(std::string title) : title_(std::move(title)) {}
    ~Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    bool autoenablesItems() const { return autoenables_; }
    void setAutoenablesItems(bool autoenables) { autoenables_ = autoenables; }

    const std::vector<std::shared_ptr<MenuItem>>& items() const { return items_; }
    size_t numberOfItems() const { return items_.size(); }
    // Takes the item from its old menu first. A null item is ignored.
    void addItem(std::shared_ptr<MenuItem> item);
    // Makes, adds and returns an item.
    std::shared_ptr<MenuItem> addItem(std::string title, MenuItem::Action action, std::string keyEquivalent = {});
    // At `index` (clamped to the end).
    void insertItem(std::shared_ptr<MenuItem> item, size_t index);
    void removeItem(const MenuItem* item);
    void removeItemAt(size_t index);
    void removeAllItems();
    // Null when out of range or not found.
    MenuItem* itemAt(size_t index) const;
    MenuItem* itemWithTitle(const std::string& title) const;
    MenuItem* itemWithTag(int64_t tag) const;
    std::optional<size_t> indexOfItem(const MenuItem* item) const;
    // The titles of the items, separators as "-", for tests and tools.
    std::vector<std::string> outline() const;

    // Runs the item's action as a click does; false (nothing run) when out of range, a
    // separator, hidden, disabled or without an action.
    bool performActionForItem(size_t index);

    // Called when the menu is about to show (a place to rebuild it) and after it closed.
    void setWillOpen(std::function<void(Menu&)> handler) { willOpen_ = std::move(handler); }
    void setDidClose(std::function<void(Menu&)> handler) { didClose_ = std::move(handler); }
    void menuWillOpen();
    void menuDidClose();

private:
    std::string title_;
    bool autoenables_ = true;
    std::vector<std::shared_ptr<MenuItem>> items_;
    std::function<void(Menu&)> willOpen_;
    std::function<void(Menu&)> didClose_;
};

}  // namespace platform
