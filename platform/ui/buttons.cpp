// Buttons, checkboxes and switches.

#include <algorithm>
#include <cmath>

#include "platform/ui/control_look.h"
#include "platform/ui/controls.h"
#include "platform/ui/node.h"
#include "platform/ui/painter.h"
#include "platform/ui/symbols.h"
#include "platform/ui/text_nodes.h"
#include "platform/ui/views.h"

namespace platform::ui {

namespace detail {

std::string titleOf(const Node& node) {
    std::string symbol;
    std::string found;
    const auto visit = [&](const Node& n, const auto& self) -> void {
        if (!found.empty()) return;
        if (n.kind() == ControlKind::text) {
            found = n.title();
            return;
        }
        if (n.kind() == ControlKind::image && symbol.empty()) symbol = n.title();
        for (const auto& child : n.children) self(*child, self);
    };
    visit(node, visit);
    return found.empty() ? symbol : found;
}

namespace {

class ButtonNode final : public Node {
public:
    ButtonNode(std::function<void()> action, ButtonRole role) : action_(std::move(action)), role_(role) {}

    Node& labelNode() const { return *children.front(); }
    bool bordered() const { return env.buttonStyle == ButtonStyle::automatic; }
    double padding() const { return env.controlSize == ControlSize::regular ? 12 : 8; }

    Size sizeThatFits(const Proposal& p) override {
        std::optional<double> width = p.width;
        if (width && bordered()) width = std::max(0.0, *width - 2 * padding());
        const Size l = labelNode().measure({width, std::nullopt});
        if (!bordered()) return l;
        return {l.width + 2 * padding(), std::max(controlHeight(env.controlSize), l.height + 4)};
    }
    std::pair<double, double> range(Axis axis, std::optional<double> across) override {
        const double ideal = along(measure(Proposal::on(axis, std::nullopt, across)), axis);
        return {ideal, ideal};
    }
    void place(const Rect& r) override {
        frame = r;
        const Rect inner = bordered() ? r.insetBy(padding(), 0) : r;
        const Size l = labelNode().measure({inner.isNull() ? 0 : inner.width(), std::nullopt});
        labelNode().place({aligned(r, l, Alignment::center()), l});
    }

    void draw(Painter& painter) const override {
        painter.pushAlpha(isEnabled() ? 1 : kDisabledAlpha);
        if (bordered()) {
            painter.fillRoundedRect(frame, 5, controlFill());
            const bool isDefault = shortcut == KeyboardShortcut::defaultAction;
            painter.strokeRoundedRect(frame, 5, isDefault ? accent() : controlBorder(), isDefault ? 2 : 1);
        }
        labelNode().draw(painter);
        painter.pop();
    }

    bool isInteractive() const override { return true; }
    void mouseUp(Interaction& interaction, Point, bool inside) override {
        if (inside) activate(interaction);
    }
    bool activate(Interaction&) override {
        if (!isEnabled() || !action_) return false;
        // A copy: the action may rebuild the tree this node belongs to.
        const std::function<void()> action = action_;
        action();
        return true;
    }

    ControlKind kind() const override { return ControlKind::button; }
    std::string title() const override { return titleOf(labelNode()); }
    std::string outlineLine() const override {
        std::string line = "Button \"" + label() + "\"";
        if (role_ == ButtonRole::cancel) line += " cancel";
        if (role_ == ButtonRole::destructive) line += " destructive";
        return line;
    }
    std::vector<const Node*> outlineChildren() const override { return {}; }
    std::function<void()> menuAction() const override { return isEnabled() ? action_ : nullptr; }

private:
    std::function<void()> action_;
    ButtonRole role_;
};

class ButtonElement final : public Element {
public:
    ButtonElement(View label, std::function<void()> action, ButtonRole role)
        : label_(std::move(label)), action_(std::move(action)), role_(role) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        auto node = makeNode<ButtonNode>(scope, action_, role_);
        node->children.push_back(labelScope(scope, "label").resolve(label_));
        return node;
    }

private:
    View label_;
    std::function<void()> action_;
    ButtonRole role_;
};

// ---- Toggles ----------------------------------------------------------------------------

class ToggleNode final : public Node {
public:
    ToggleNode(std::string title, Binding<bool> isOn) : title_(std::move(title)), isOn_(std::move(isOn)), on_(isOn_.get()) {}

    bool isSwitch() const { return env.toggleStyle == ToggleStyle::switchStyle; }
    Size indicator() const {
        const double box = env.controlSize == ControlSize::regular ? 14 : env.controlSize == ControlSize::large ? 16 : 12;
        return isSwitch() ? Size{std::round(box * 2.2), std::round(box * 1.25)} : Size{box, box};
    }
    Node* titleNode() const { return children.empty() ? nullptr : children.front().get(); }

    Size sizeThatFits(const Proposal& p) override {
        const Size box = indicator();
        if (!titleNode()) return box;
        std::optional<double> width = p.width;
        if (width) width = std::max(0.0, *width - box.width - kGap);
        const Size t = titleNode()->measure({width, std::nullopt});
        return {box.width + kGap + t.width, std::max(box.height, t.height)};
    }
    std::pair<double, double> range(Axis axis, std::optional<double> across) override {
        if (axis == Axis::vertical || !titleNode()) return Node::range(axis, across);
        const auto [least, most] = titleNode()->flexibility(axis, across);
        const double extra = indicator().width + kGap;
        return {least + extra, most + extra};
    }
    void place(const Rect& r) override {
        frame = r;
        if (!titleNode()) return;
        const Size box = indicator();
        const double x = isSwitch() ? r.minX() : r.minX() + box.width + kGap;
        const Rect rest{x, r.minY(), std::max(0.0, r.width() - box.width - kGap), r.height()};
        const Size t = titleNode()->measure({rest.width(), std::nullopt});
        titleNode()->place({aligned(rest, t, Alignment::leading()), t});
    }

    Rect indicatorFrame() const {
        const Size box = indicator();
        const double x = isSwitch() && titleNode() ? frame.maxX() - box.width : frame.minX();
        // Beside a title of several lines the box stays with the first line.
        const double firstLine = titleNode() ? std::min(frame.height(), 16.0) : frame.height();
        return {x, frame.minY() + std::max(0.0, (firstLine - box.height) / 2), box.width, box.height};
    }

    void draw(Painter& painter) const override {
        painter.pushAlpha(isEnabled() ? 1 : kDisabledAlpha);
        const Rect box = indicatorFrame();
        if (isSwitch()) {
            painter.fillRoundedRect(box, box.height() / 2, on_ ? accent() : Color::gray(0, 0.15));
            const double knob = box.height() - 2;
            const double kx = on_ ? box.maxX() - knob - 1 : box.minX() + 1;
            painter.fillEllipse({kx, box.minY() + 1, knob, knob}, Color::white());
        } else if (on_) {
            painter.fillRoundedRect(box, 3, accent());
            drawSymbol(painter, "checkmark", box, Color::white());
        } else {
            painter.fillRoundedRect(box, 3, controlFill());
            painter.strokeRoundedRect(box, 3, controlBorder(), 1);
        }
        if (titleNode()) titleNode()->draw(painter);
        painter.pop();
    }

    bool isInteractive() const override { return true; }
    void mouseUp(Interaction& interaction, Point, bool inside) override {
        if (inside) activate(interaction);
    }
    bool activate(Interaction&) override {
        if (!isEnabled()) return false;
        const Binding<bool> isOn = isOn_;
        isOn.set(!isOn.get());
        return true;
    }

    ControlKind kind() const override { return ControlKind::toggle; }
    std::string title() const override { return title_; }
    std::string value() const override { return on_ ? "on" : "off"; }
    std::string outlineLine() const override {
        return "Toggle \"" + label() + "\" " + value() + (isSwitch() ? " switch" : "");
    }
    std::vector<const Node*> outlineChildren() const override { return {}; }

private:
    static constexpr double kGap = 6;
    std::string title_;
    Binding<bool> isOn_;
    bool on_;
};

class ToggleElement final : public Element {
public:
    ToggleElement(std::string title, Binding<bool> isOn) : title_(std::move(title)), isOn_(std::move(isOn)) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        auto node = makeNode<ToggleNode>(scope, title_, isOn_);
        if (!scope.env.labelsHidden && !title_.empty()) node->children.push_back(makeNode<TextNode>(labelScope(scope, "title"), title_));
        return node;
    }

private:
    std::string title_;
    Binding<bool> isOn_;
};

}  // namespace
}  // namespace detail

using namespace detail;

View Button(std::string title, std::function<void()> action, ButtonRole role) {
    return Button(Text(std::move(title)), std::move(action), role);
}

View Button(View label, std::function<void()> action, ButtonRole role) {
    return View(std::make_shared<ButtonElement>(std::move(label), std::move(action), role));
}

View Toggle(std::string title, Binding<bool> isOn) {
    return View(std::make_shared<ToggleElement>(std::move(title), std::move(isOn)));
}

}  // namespace platform::ui
