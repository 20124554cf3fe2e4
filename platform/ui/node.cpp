#include "platform/ui/node.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/painter.h"
#include "platform/ui/views.h"

namespace platform::ui::detail {

// ---- Scope ------------------------------------------------------------------------------

Scope Scope::nested(const std::string& segment) const {
    Scope inner = *this;
    inner.identity = identity + "/" + segment;
    return inner;
}

std::unique_ptr<Node> Scope::resolve(const View& view) const {
    Scope copy = *this;
    return view.element()->resolve(copy);
}

std::vector<std::unique_ptr<Node>> Scope::resolveChildren(const std::vector<View>& views) const {
    std::vector<std::unique_ptr<Node>> nodes;
    for (size_t i = 0; i < views.size(); ++i) {
        std::unique_ptr<Node> node = nested(std::to_string(i)).resolve(views[i]);
        if (node->isSpliced()) {
            for (auto& child : node->children) nodes.push_back(std::move(child));
        } else if (!node->isEmpty()) {
            nodes.push_back(std::move(node));
        }
    }
    return nodes;
}

// ---- Node -------------------------------------------------------------------------------

Size Node::measure(const Proposal& proposal) {
    for (const Measured& m : measured_) {
        if (m.proposal.width == proposal.width && m.proposal.height == proposal.height) return m.size;
    }
    const Size size = sizeThatFits(proposal);
    measured_.push_back({proposal, size});
    return size;
}

std::pair<double, double> Node::flexibility(Axis axis, std::optional<double> across) {
    for (const Ranged& r : ranged_) {
        if (r.axis == axis && r.across == across) return r.range;
    }
    const auto result = range(axis, across);
    ranged_.push_back({axis, across, result});
    return result;
}

Size Node::sizeThatFits(const Proposal& proposal) {
    Size size;
    for (const auto& child : children) {
        const Size s = child->measure(proposal);
        size.width = std::max(size.width, s.width);
        size.height = std::max(size.height, s.height);
    }
    return size;
}

void Node::place(const Rect& r) {
    frame = r;
    for (const auto& child : children) {
        const Size s = child->measure({r.width(), r.height()});
        child->place({aligned(r, s, Alignment::center()), s});
    }
}

std::pair<double, double> Node::range(Axis axis, std::optional<double> across) {
    const double least = along(measure(Proposal::on(axis, 0.0, across)), axis);
    const double most = along(measure(Proposal::on(axis, infinity, across)), axis);
    return {least, std::max(least, most)};
}

void Node::draw(Painter& painter) const {
    for (const auto& child : children) child->draw(painter);
}

std::string Node::outlineDetails() const {
    std::string details;
    const ControlKind k = kind();
    const bool control = k == ControlKind::button || k == ControlKind::toggle || k == ControlKind::picker ||
                         k == ControlKind::menuButton || k == ControlKind::list || k == ControlKind::row ||
                         k == ControlKind::slider || k == ControlKind::tab;
    if (control && !isEnabled()) details += " disabled";
    if (shortcut == KeyboardShortcut::defaultAction) details += " [return]";
    if (shortcut == KeyboardShortcut::cancelAction) details += " [escape]";
    if (!help.empty()) details += " help=\"" + help + "\"";
    return details;
}

std::vector<const Node*> Node::outlineChildren() const {
    std::vector<const Node*> nodes;
    for (const auto& child : children) nodes.push_back(child.get());
    return nodes;
}

Node* Node::hitTest(Point point) {
    if (!frame.contains(point)) return nullptr;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (Node* hit = (*it)->hitTest(point)) return hit;
    }
    return isInteractive() ? this : nullptr;
}

Node* Node::scrollTarget(Point point) {
    if (!frame.contains(point)) return nullptr;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (Node* target = (*it)->scrollTarget(point)) return target;
    }
    return nullptr;
}

Node* findNode(Node& root, const std::string& identity) {
    if (root.identity == identity && root.kind() != ControlKind::other) return &root;
    for (const auto& child : root.children) {
        if (Node* found = findNode(*child, identity)) return found;
    }
    return nullptr;
}

double spacingOr(std::optional<double> spacing) {
    return spacing && std::isfinite(*spacing) && *spacing >= 0 ? *spacing : kDefaultSpacing;
}

Point aligned(const Rect& bounds, Size size, Alignment alignment) {
    double x = bounds.minX();
    double y = bounds.minY();
    if (alignment.horizontal == HorizontalAlignment::center) x += (bounds.width() - size.width) / 2;
    if (alignment.horizontal == HorizontalAlignment::trailing) x += bounds.width() - size.width;
    if (alignment.vertical == VerticalAlignment::center) y += (bounds.height() - size.height) / 2;
    if (alignment.vertical == VerticalAlignment::bottom) y += bounds.height() - size.height;
    return {x, y};
}

}  // namespace platform::ui::detail
