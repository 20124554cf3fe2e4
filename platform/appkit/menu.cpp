#include "platform/appkit/menu.h"

#include <algorithm>

namespace platform {

// ---- MenuItem -------------------------------------------------------------------------

std::shared_ptr<MenuItem> MenuItem::make(std::string title, Action action, std::string keyEquivalent) {
    return std::make_shared<MenuItem>(std::move(title), std::move(action), std::move(keyEquivalent));
}

std::shared_ptr<MenuItem> MenuItem::separator() {
    auto item = make({});
    item->separator_ = true;
    item->enabled_ = false;
    return item;
}

MenuItem::MenuItem(std::string title, Action action, std::string keyEquivalent)
    : title_(std::move(title)), action_(std::move(action)), keyEquivalent_(std::move(keyEquivalent)) {}

bool MenuItem::isEffectivelyEnabled() const {
    if (!enabled_ || separator_) return false;
    if (menu_ && menu_->autoenablesItems() && !action_ && !submenu_) return false;
    return true;
}

// ---- Menu -----------------------------------------------------------------------------

std::shared_ptr<Menu> Menu::make(std::string title) { return std::make_shared<Menu>(std::move(title)); }

Menu::~Menu() {
    for (const auto& item : items_) item->menu_ = nullptr;
}

void Menu::addItem(std::shared_ptr<MenuItem> item) { insertItem(std::move(item), items_.size()); }

std::shared_ptr<MenuItem> Menu::addItem(std::string title, MenuItem::Action action, std::string keyEquivalent) {
    auto item = MenuItem::make(std::move(title), std::move(action), std::move(keyEquivalent));
    addItem(item);
    return item;
}

void Menu::insertItem(std::shared_ptr<MenuItem> item, size_t index) {
    if (!item) return;
    if (item->menu_) item->menu_->removeItem(item.get());
    index = std::min(index, items_.size());
    item->menu_ = this;
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
}

void Menu::removeItem(const MenuItem* item) {
    if (auto index = indexOfItem(item)) removeItemAt(*index);
}

void Menu::removeItemAt(size_t index) {
    if (index >= items_.size()) return;
    items_[index]->menu_ = nullptr;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

void Menu::removeAllItems() {
    for (const auto& item : items_) item->menu_ = nullptr;
    items_.clear();
}

MenuItem* Menu::itemAt(size_t index) const { return index < items_.size() ? items_[index].get() : nullptr; }

MenuItem* Menu::itemWithTitle(const std::string& title) const {
    for (const auto& item : items_) {
        if (!item->isSeparatorItem() && item->title() == title) return item.get();
    }
    return nullptr;
}

MenuItem* Menu::itemWithTag(int64_t tag) const {
    for (const auto& item : items_) {
        if (item->tag() == tag) return item.get();
    }
    return nullptr;
}

std::optional<size_t> Menu::indexOfItem(const MenuItem* item) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].get() == item) return i;
    }
    return std::nullopt;
}

std::vector<std::string> Menu::outline() const {
    std::vector<std::string> lines;
    for (const auto& item : items_) lines.push_back(item->isSeparatorItem() ? "-" : item->title());
    return lines;
}

bool Menu::performActionForItem(size_t index) {
    if (index >= items_.size()) return false;
    // The action may change the menu; keep the item alive while it runs.
    std::shared_ptr<MenuItem> item = items_[index];
    if (item->isHidden() || !item->isEffectivelyEnabled() || !item->action()) return false;
    MenuItem::Action action = item->action();
    action(*item);
    return true;
}

void Menu::menuWillOpen() {
    if (!willOpen_) return;
    auto handler = willOpen_;
    handler(*this);
}

void Menu::menuDidClose() {
    if (!didClose_) return;
    auto handler = didClose_;
    handler(*this);
}

}  // namespace platform
