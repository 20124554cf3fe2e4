#pragma once

// Inside the toolkit: the placed nodes a view tree is resolved into, the scope a view is
// resolved in, and what a surface offers nodes when the user acts on them.
//
// A node is made fresh at every rebuild. Layout is a negotiation: sizeThatFits answers
// the size taken for an offer, place gives the node its frame (in its surface's
// coordinates: top-left origin, y downwards) and places its children. Nodes that only
// wrap another (padding, frames, environment) draw nothing of their own and are left out
// of outlines.

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/appkit/menu.h"
#include "platform/appkit/view.h"
#include "platform/geometry/geometry.h"
#include "platform/ui/control.h"
#include "platform/ui/style.h"
#include "platform/ui/tag.h"
#include "platform/ui/view.h"

namespace platform::ui::detail {

enum class Axis { horizontal, vertical };

// An offer: each dimension a number of points, or none for "as you would like".
struct Proposal {
    std::optional<double> width;
    std::optional<double> height;

    std::optional<double> along(Axis axis) const { return axis == Axis::horizontal ? width : height; }
    std::optional<double> across(Axis axis) const { return axis == Axis::horizontal ? height : width; }
    static Proposal on(Axis axis, std::optional<double> along, std::optional<double> across) {
        return axis == Axis::horizontal ? Proposal{along, across} : Proposal{across, along};
    }
};

inline double along(Size size, Axis axis) { return axis == Axis::horizontal ? size.width : size.height; }
inline double across(Size size, Axis axis) { return axis == Axis::horizontal ? size.height : size.width; }

class Graph;
class Painter;
class Node;

// What a surface (the view a tree is drawn in) does for its nodes.
class Interaction {
public:
    virtual ~Interaction() = default;
    // Opens a menu under `anchor` (surface coordinates).
    virtual void popUpMenu(std::shared_ptr<Menu> menu, const Rect& anchor) = 0;
    // Lays the tree out again (a scroll) and draws it.
    virtual void relayout() = 0;
    virtual void redisplay() = 0;
};

// Where a view is being resolved: its identity, its environment and the axis of the
// stack around it.
struct Scope {
    Graph& graph;
    Environment env;
    std::string identity;
    std::optional<Axis> stackAxis;

    Scope nested(const std::string& segment) const;
    std::unique_ptr<Node> resolve(const View& view) const;
    // Children of a container: groups are spliced in, empty views dropped; each child is
    // identified by its index (or its id).
    std::vector<std::unique_ptr<Node>> resolveChildren(const std::vector<View>& views) const;
};

class Node {
public:
    virtual ~Node() = default;

    std::string identity;
    Environment env;
    Rect frame{};
    std::vector<std::unique_ptr<Node>> children;
    // Attributes set by modifiers.
    Tag tag;
    std::string help;
    KeyboardShortcut shortcut = KeyboardShortcut::none;
    std::string accessibilityLabel;
    std::optional<HorizontalAlignment> gridColumnAlignment;

    // ---- Layout
    // What callers use: sizeThatFits and range, remembered per offer. A node's answers
    // depend only on the offer, since it is made afresh at every rebuild.
    Size measure(const Proposal& proposal);
    std::pair<double, double> flexibility(Axis axis, std::optional<double> across);
    virtual Size sizeThatFits(const Proposal& proposal);
    // Places the children over the whole frame, one above the other.
    virtual void place(const Rect& frame);
    // The least and most the node takes along an axis, for the stacks' sharing.
    virtual std::pair<double, double> range(Axis axis, std::optional<double> across);
    virtual bool isEmpty() const { return false; }
    // A group's children join the container it stands in.
    virtual bool isSpliced() const { return false; }
    virtual bool isSpacer() const { return false; }

    // ---- Drawing
    virtual void draw(Painter& painter) const;

    // ---- What it is
    virtual ControlKind kind() const { return ControlKind::other; }
    // Its own text, for finding and outlines.
    virtual std::string title() const { return {}; }
    virtual std::string value() const { return {}; }
    std::string label() const { return accessibilityLabel.empty() ? title() : accessibilityLabel; }
    // The outline line of the node, without indentation; empty for wrappers, whose
    // children take their place.
    virtual std::string outlineLine() const { return {}; }
    // What the line says after the kind and label ("on", "disabled", ...).
    std::string outlineDetails() const;
    // Children as outlines should show them (the chosen tab's content, not the menu).
    virtual std::vector<const Node*> outlineChildren() const;

    // ---- Acting
    bool isEnabled() const { return env.isEnabled; }
    virtual bool isInteractive() const { return false; }
    // The deepest interactive node under the point whose frame holds it; scroll views
    // clip what their content can be hit at.
    virtual Node* hitTest(Point point);
    // The innermost scroll view under the point, for the scroll wheel.
    virtual Node* scrollTarget(Point point);
    virtual void mouseDown(Interaction&, Point) {}
    virtual void mouseDragged(Interaction&, Point) {}
    virtual void mouseUp(Interaction&, Point, bool /*inside*/) {}
    virtual bool scrollBy(double /*dy*/) { return false; }
    // A click's act without the pointer (Return and Escape reach default and cancel
    // buttons this way).
    virtual bool activate(Interaction&) { return false; }
    // The node's menu, for pickers and menu buttons.
    virtual std::shared_ptr<Menu> makeMenu() const { return nullptr; }
    // What choosing the node as an item of a menu does (a button's action); nothing
    // when it cannot be chosen.
    virtual std::function<void()> menuAction() const { return nullptr; }
    // The AppKit view a bridged node shows; null for every other node.
    virtual platform::View* hostedView() const { return nullptr; }
    virtual bool setSliderValue(double) { return false; }

private:
    struct Measured {
        Proposal proposal;
        Size size;
    };
    struct Ranged {
        Axis axis;
        std::optional<double> across;
        std::pair<double, double> range;
    };
    std::vector<Measured> measured_;
    std::vector<Ranged> ranged_;
};

template <class N, class... Args>
std::unique_ptr<N> makeNode(const Scope& scope, Args&&... args) {
    auto node = std::make_unique<N>(std::forward<Args>(args)...);
    node->identity = scope.identity;
    node->env = scope.env;
    return node;
}

// The stack a container's children stand in, for their spacers and dividers.
enum class ChildAxis { inherited, none, horizontal, vertical };

// A container: a node of type N made from `args`, holding its children.
template <class N, class... Args>
class ContainerElement final : public Element {
public:
    ContainerElement(std::vector<View> children, ChildAxis axis, Args... args)
        : children_(std::move(children)), axis_(axis), args_(std::move(args)...) {}

    std::unique_ptr<Node> resolve(Scope& scope) const override {
        auto node = std::apply([&](const Args&... a) { return makeNode<N>(scope, a...); }, args_);
        Scope inner = scope;
        if (axis_ == ChildAxis::none) inner.stackAxis.reset();
        if (axis_ == ChildAxis::horizontal) inner.stackAxis = Axis::horizontal;
        if (axis_ == ChildAxis::vertical) inner.stackAxis = Axis::vertical;
        node->children = inner.resolveChildren(children_);
        return node;
    }

private:
    std::vector<View> children_;
    ChildAxis axis_;
    std::tuple<Args...> args_;
};

template <class N, class... Args>
View container(std::vector<View> children, ChildAxis axis, Args... args) {
    return View(std::make_shared<ContainerElement<N, Args...>>(std::move(children), axis, std::move(args)...));
}

// A spacing as given when it is a usable one, else the default.
double spacingOr(std::optional<double> spacing);

// Visits a node and every node below it, parents first.
template <class F>
void forEachNode(Node& node, const F& visit) {
    visit(node);
    for (const auto& child : node.children) forEachNode(*child, visit);
}

Node* findNode(Node& root, const std::string& identity);

// Where a child of `size` goes inside `bounds` by the alignment.
Point aligned(const Rect& bounds, Size size, Alignment alignment);

}  // namespace platform::ui::detail
