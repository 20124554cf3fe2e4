// Stacks, groups, spacers and dividers.

#include <algorithm>
#include <numeric>

#include "platform/ui/node.h"
#include "platform/ui/painter.h"
#include "platform/ui/views.h"

namespace platform::ui {

namespace detail {
namespace {

class StackNode final : public Node {
public:
    StackNode(Axis axis, Alignment alignment, double spacing) : axis_(axis), alignment_(alignment), spacing_(spacing) {}

    Size sizeThatFits(const Proposal& p) override {
        const std::vector<Size> sizes = distribute(p.along(axis_), p.across(axis_));
        double length = totalSpacing();
        double thickness = 0;
        for (const Size& s : sizes) {
            length += along(s, axis_);
            thickness = std::max(thickness, across(s, axis_));
        }
        return axis_ == Axis::horizontal ? Size{length, thickness} : Size{thickness, length};
    }

    void place(const Rect& r) override {
        frame = r;
        const double length = axis_ == Axis::horizontal ? r.width() : r.height();
        const double thickness = axis_ == Axis::horizontal ? r.height() : r.width();
        const std::vector<Size> sizes = distribute(length, thickness);
        double position = axis_ == Axis::horizontal ? r.minX() : r.minY();
        for (size_t i = 0; i < children.size(); ++i) {
            const Size s = sizes[i];
            // The child's slot: its length along the axis, the stack's thickness across.
            const Rect slot = axis_ == Axis::horizontal ? Rect{position, r.minY(), s.width, r.height()}
                                                        : Rect{r.minX(), position, r.width(), s.height};
            children[i]->place({aligned(slot, s, alignment_), s});
            position += along(s, axis_) + spacing_;
        }
    }

    ControlKind kind() const override { return ControlKind::stack; }
    std::string outlineLine() const override { return axis_ == Axis::horizontal ? "HStack" : "VStack"; }

private:
    double totalSpacing() const { return children.empty() ? 0 : spacing_ * double(children.size() - 1); }

    // The children's sizes for an offer: without a length each takes what it likes;
    // with one, the least flexible child is served first, each offered an equal share
    // of what is left.
    std::vector<Size> distribute(std::optional<double> length, std::optional<double> thickness) {
        std::vector<Size> sizes(children.size());
        if (!length) {
            for (size_t i = 0; i < children.size(); ++i) {
                sizes[i] = children[i]->measure(Proposal::on(axis_, std::nullopt, thickness));
            }
            return sizes;
        }
        std::vector<size_t> order(children.size());
        std::vector<double> flexibility(children.size());
        std::iota(order.begin(), order.end(), 0);
        for (size_t i = 0; i < children.size(); ++i) {
            const auto [least, most] = children[i]->flexibility(axis_, thickness);
            flexibility[i] = most - least;
        }
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return flexibility[a] < flexibility[b]; });
        double remaining = std::max(0.0, *length - totalSpacing());
        size_t left = children.size();
        for (size_t i : order) {
            const double offer = std::max(0.0, remaining / double(left));
            sizes[i] = children[i]->measure(Proposal::on(axis_, offer, thickness));
            remaining -= along(sizes[i], axis_);
            --left;
        }
        return sizes;
    }

    Axis axis_;
    Alignment alignment_;
    double spacing_;
};

class ZStackNode final : public Node {
public:
    explicit ZStackNode(Alignment alignment) : alignment_(alignment) {}
    void place(const Rect& r) override {
        frame = r;
        for (const auto& child : children) {
            const Size s = child->measure({r.width(), r.height()});
            child->place({aligned(r, s, alignment_), s});
        }
    }
    ControlKind kind() const override { return ControlKind::stack; }
    std::string outlineLine() const override { return "ZStack"; }

private:
    Alignment alignment_;
};

class GroupNode final : public Node {
public:
    bool isSpliced() const override { return true; }
};

class SpacerNode final : public Node {
public:
    SpacerNode(std::optional<Axis> axis, double minimum) : axis_(axis), minimum_(minimum) {}

    Size sizeThatFits(const Proposal& p) override {
        const auto length = [&](std::optional<double> offered) { return std::max(minimum_, offered.value_or(minimum_)); };
        if (!axis_) return {length(p.width), length(p.height)};
        return axis_ == Axis::horizontal ? Size{length(p.width), 0} : Size{0, length(p.height)};
    }
    bool isSpacer() const override { return true; }
    ControlKind kind() const override { return ControlKind::spacer; }

private:
    std::optional<Axis> axis_;
    double minimum_;
};

class SpacerElement final : public Element {
public:
    explicit SpacerElement(double minimum) : minimum_(minimum) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        return makeNode<SpacerNode>(scope, scope.stackAxis, minimum_);
    }

private:
    double minimum_;
};

class DividerNode final : public Node {
public:
    // A divider runs across its stack: a horizontal line in a vertical stack (and
    // outside stacks), a vertical one in a horizontal stack.
    explicit DividerNode(bool vertical) : vertical_(vertical) {}

    Size sizeThatFits(const Proposal& p) override {
        if (vertical_) return {1, p.height.value_or(0)};
        return {p.width.value_or(0), 1};
    }
    std::pair<double, double> range(Axis axis, std::optional<double>) override {
        const bool acrossLine = (axis == Axis::vertical) != vertical_;
        return acrossLine ? std::pair{1.0, 1.0} : std::pair{0.0, infinity};
    }
    void draw(Painter& painter) const override { painter.fillRect(frame, Style::separator().resolved()); }
    ControlKind kind() const override { return ControlKind::divider; }
    std::string outlineLine() const override { return "Divider"; }

private:
    bool vertical_;
};

class DividerElement final : public Element {
public:
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        return makeNode<DividerNode>(scope, scope.stackAxis == Axis::horizontal);
    }
};

}  // namespace
}  // namespace detail

using namespace detail;

View VStack(std::vector<View> children, VStackOptions options) {
    const Alignment alignment{options.alignment, VerticalAlignment::top};
    return container<StackNode>(std::move(children), ChildAxis::vertical, Axis::vertical, alignment, spacingOr(options.spacing));
}

View HStack(std::vector<View> children, HStackOptions options) {
    const Alignment alignment{HorizontalAlignment::leading, options.alignment};
    return container<StackNode>(std::move(children), ChildAxis::horizontal, Axis::horizontal, alignment,
                                spacingOr(options.spacing));
}

View ZStack(std::vector<View> children, Alignment alignment) {
    return container<ZStackNode>(std::move(children), ChildAxis::none, alignment);
}

View Group(std::vector<View> children) { return container<GroupNode>(std::move(children), ChildAxis::inherited); }

View Spacer(std::optional<double> minLength) {
    const double minimum = spacingOr(minLength);
    return View(std::make_shared<SpacerElement>(minimum));
}

View Divider() { return View(std::make_shared<DividerElement>()); }

}  // namespace platform::ui
