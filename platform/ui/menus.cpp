// Pop-up pickers, menu buttons and the sections of their menus.

#include <algorithm>
#include <cmath>

#include "platform/ui/control_look.h"
#include "platform/ui/controls.h"
#include "platform/ui/node.h"
#include "platform/ui/painter.h"
#include "platform/ui/symbols.h"
#include "platform/ui/text_measure.h"
#include "platform/ui/text_nodes.h"
#include "platform/ui/views.h"

namespace platform::ui {

namespace detail {
namespace {

class SectionNode final : public Node {
public:
    explicit SectionNode(std::string header) : header(std::move(header)) {}

    // Outside menus a section is its header over its items.
    Size sizeThatFits(const Proposal& p) override {
        Size size;
        for (const auto& child : children) {
            const Size s = child->measure({p.width, std::nullopt});
            size.width = std::max(size.width, s.width);
            size.height += s.height + (size.height > 0 ? kSpacing : 0);
        }
        return size;
    }
    void place(const Rect& r) override {
        frame = r;
        double y = r.minY();
        for (const auto& child : children) {
            const Size s = child->measure({r.width(), std::nullopt});
            child->place({r.minX(), y, s.width, s.height});
            y += s.height + kSpacing;
        }
    }
    std::string outlineLine() const override { return "Section \"" + header + "\""; }

    std::string header;

private:
    static constexpr double kSpacing = 6;
};

// One line of a menu as the views describe it.
struct Entry {
    enum class Kind { item, separator, header };
    Kind kind = Kind::item;
    std::string title;
    Tag tag;
    std::function<void()> action;

    static Entry separator() { return Entry{Kind::separator, {}, {}, {}}; }
    static Entry header(std::string title) { return Entry{Kind::header, std::move(title), {}, {}}; }
};

void addSeparator(std::vector<Entry>& entries) {
    if (!entries.empty() && entries.back().kind != Entry::Kind::separator) entries.push_back(Entry::separator());
}

void collectEntries(const std::vector<std::unique_ptr<Node>>& nodes, std::vector<Entry>& entries) {
    for (const auto& node : nodes) {
        if (auto* section = dynamic_cast<const SectionNode*>(node.get())) {
            addSeparator(entries);
            if (!section->header.empty()) entries.push_back(Entry::header(section->header));
            collectEntries(section->children, entries);
            addSeparator(entries);
        } else if (node->kind() == ControlKind::divider) {
            addSeparator(entries);
        } else {
            entries.push_back({Entry::Kind::item, titleOf(*node), node->tag, node->menuAction()});
        }
    }
    while (!entries.empty() && entries.back().kind == Entry::Kind::separator) entries.pop_back();
}

std::vector<Entry> entriesOf(const Scope& scope, const std::vector<View>& items) {
    Scope inner = scope.nested("menu");
    inner.stackAxis.reset();
    std::vector<Entry> entries;
    collectEntries(inner.resolveChildren(items), entries);
    return entries;
}

// A menu of the entries; `choose` is what picking an item with a tag does.
std::shared_ptr<Menu> menuOf(const std::vector<Entry>& entries, const std::function<void(const Tag&)>& choose,
                             const Tag& current) {
    auto menu = Menu::make();
    for (const Entry& e : entries) {
        if (e.kind == Entry::Kind::separator) {
            menu->addItem(MenuItem::separator());
            continue;
        }
        std::function<void()> act = e.action;
        if (!act && e.kind == Entry::Kind::item && choose && !e.tag.isEmpty()) {
            act = [choose, tag = e.tag] { choose(tag); };
        }
        MenuItem::Action action;
        if (act) action = [act](MenuItem&) { act(); };
        auto item = MenuItem::make(e.title, std::move(action));
        if (e.kind == Entry::Kind::header) {
            item->setEnabled(false);
            item->setRepresentedObject(std::string("header"));
        }
        if (!current.isEmpty() && e.tag == current) item->setState(MenuItemState::on);
        menu->addItem(item);
    }
    return menu;
}

double widestTitle(const std::vector<Entry>& entries, const Font& font) {
    double widest = 0;
    for (const Entry& e : entries) {
        if (e.kind == Entry::Kind::item) widest = std::max(widest, measureText(e.title, font, {}, 1).size.width);
    }
    return std::ceil(widest);
}

// ---- Pickers ----------------------------------------------------------------------------

class PickerNode final : public Node {
public:
    PickerNode(std::string label, Binding<Tag> selection, std::vector<Entry> entries)
        : label_(std::move(label)), selection_(std::move(selection)), entries_(std::move(entries)),
          current_(selection_.get()) {}

    Node* labelNode() const { return children.empty() ? nullptr : children.front().get(); }
    Size popUpSize() const {
        return {widestTitle(entries_, controlFont(env)) + 34, controlHeight(env.controlSize)};
    }

    Size sizeThatFits(const Proposal&) override {
        const Size box = popUpSize();
        if (!labelNode()) return box;
        const Size l = labelNode()->measure({});
        return {l.width + kGap + box.width, std::max(l.height, box.height)};
    }
    std::pair<double, double> range(Axis axis, std::optional<double> across) override {
        const double ideal = along(measure(Proposal::on(axis, std::nullopt, across)), axis);
        return {ideal, ideal};
    }
    void place(const Rect& r) override {
        frame = r;
        if (!labelNode()) return;
        const Size l = labelNode()->measure({});
        labelNode()->place({{r.minX(), r.minY() + (r.height() - l.height) / 2}, l});
    }
    Rect popUpFrame() const {
        const Size box = popUpSize();
        return {frame.maxX() - box.width, frame.minY() + (frame.height() - box.height) / 2, box.width, box.height};
    }

    void draw(Painter& painter) const override {
        painter.pushAlpha(isEnabled() ? 1 : kDisabledAlpha);
        if (labelNode()) labelNode()->draw(painter);
        const Rect box = popUpFrame();
        painter.fillRoundedRect(box, 5, controlFill());
        painter.strokeRoundedRect(box, 5, controlBorder(), 1);
        const Font font = controlFont(env);
        const TextLayout l = measureText(value(), font, {}, 1);
        painter.text(value(), font, {box.minX() + 8, box.minY() + (box.height() - l.lineHeight) / 2 + l.ascent},
                     Style::primary().resolved());
        const Rect arrows{box.maxX() - box.height() + 2, box.minY() + 2, box.height() - 4, box.height() - 4};
        painter.fillRoundedRect(arrows, 4, accent());
        drawSymbol(painter, "chevron.up.chevron.down", arrows.insetBy(2, 2), Color::white());
        painter.pop();
    }

    bool isInteractive() const override { return true; }
    void mouseDown(Interaction& interaction, Point) override { activate(interaction); }
    bool activate(Interaction& interaction) override {
        if (!isEnabled()) return false;
        interaction.popUpMenu(makeMenu(), popUpFrame());
        return true;
    }
    std::shared_ptr<Menu> makeMenu() const override {
        const Binding<Tag> selection = selection_;
        return menuOf(entries_, [selection](const Tag& tag) { selection.set(tag); }, current_);
    }

    ControlKind kind() const override { return ControlKind::picker; }
    std::string title() const override { return label_; }
    std::string value() const override {
        for (const Entry& e : entries_) {
            if (e.kind == Entry::Kind::item && !current_.isEmpty() && e.tag == current_) return e.title;
        }
        return {};
    }
    std::string outlineLine() const override {
        return "Picker \"" + label() + "\" = \"" + value() + "\"";
    }
    std::vector<const Node*> outlineChildren() const override { return {}; }

private:
    static constexpr double kGap = 8;
    std::string label_;
    Binding<Tag> selection_;
    std::vector<Entry> entries_;
    Tag current_;
};

class PickerElement final : public Element {
public:
    PickerElement(std::string label, Binding<Tag> selection, std::vector<View> items)
        : label_(std::move(label)), selection_(std::move(selection)), items_(std::move(items)) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        auto node = makeNode<PickerNode>(scope, label_, selection_, entriesOf(scope, items_));
        if (!scope.env.labelsHidden && !label_.empty()) node->children.push_back(makeNode<TextNode>(labelScope(scope, "label"), label_));
        return node;
    }

private:
    std::string label_;
    Binding<Tag> selection_;
    std::vector<View> items_;
};

// ---- Menu buttons -----------------------------------------------------------------------

class MenuButtonNode final : public Node {
public:
    explicit MenuButtonNode(std::vector<Entry> entries) : entries_(std::move(entries)) {}

    Node& labelNode() const { return *children.front(); }
    double indicatorWidth() const { return env.menuIndicatorHidden ? 0 : 12; }
    bool bordered() const { return env.buttonStyle == ButtonStyle::automatic; }

    Size sizeThatFits(const Proposal&) override {
        const Size l = labelNode().measure({});
        const double padding = bordered() ? 16 : 0;
        const double height = bordered() ? std::max(controlHeight(env.controlSize), l.height) : l.height;
        return {l.width + indicatorWidth() + padding, height};
    }
    std::pair<double, double> range(Axis axis, std::optional<double> across) override {
        const double ideal = along(measure(Proposal::on(axis, std::nullopt, across)), axis);
        return {ideal, ideal};
    }
    void place(const Rect& r) override {
        frame = r;
        const Size l = labelNode().measure({});
        const Rect area{r.minX(), r.minY(), std::max(0.0, r.width() - indicatorWidth()), r.height()};
        labelNode().place({aligned(area, l, Alignment::center()), l});
    }
    void draw(Painter& painter) const override {
        painter.pushAlpha(isEnabled() ? 1 : kDisabledAlpha);
        if (bordered()) {
            painter.fillRoundedRect(frame, 5, controlFill());
            painter.strokeRoundedRect(frame, 5, controlBorder(), 1);
        }
        labelNode().draw(painter);
        if (indicatorWidth() > 0) {
            const Rect chevron{frame.maxX() - indicatorWidth(), frame.midY() - 5, 10, 10};
            drawSymbol(painter, "chevron.down", chevron, Style::secondary().resolved());
        }
        painter.pop();
    }

    bool isInteractive() const override { return true; }
    void mouseDown(Interaction& interaction, Point) override { activate(interaction); }
    bool activate(Interaction& interaction) override {
        if (!isEnabled()) return false;
        interaction.popUpMenu(makeMenu(), frame);
        return true;
    }
    std::shared_ptr<Menu> makeMenu() const override { return menuOf(entries_, nullptr, Tag()); }

    ControlKind kind() const override { return ControlKind::menuButton; }
    std::string title() const override { return titleOf(labelNode()); }
    std::string outlineLine() const override { return "MenuButton \"" + label() + "\""; }
    std::vector<const Node*> outlineChildren() const override { return {}; }

private:
    std::vector<Entry> entries_;
};

class MenuButtonElement final : public Element {
public:
    MenuButtonElement(View label, std::vector<View> items) : label_(std::move(label)), items_(std::move(items)) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        auto node = makeNode<MenuButtonNode>(scope, entriesOf(scope, items_));
        node->children.push_back(labelScope(scope, "label").resolve(label_));
        return node;
    }

private:
    View label_;
    std::vector<View> items_;
};

}  // namespace
}  // namespace detail

using namespace detail;

View Section(std::string header, std::vector<View> items) {
    return container<SectionNode>(std::move(items), ChildAxis::inherited, std::move(header));
}

View Picker(std::string label, Binding<Tag> selection, std::vector<View> items) {
    return View(std::make_shared<PickerElement>(std::move(label), std::move(selection), std::move(items)));
}

View MenuButton(View label, std::vector<View> items) {
    return View(std::make_shared<MenuButtonElement>(std::move(label), std::move(items)));
}

}  // namespace platform::ui
