// The modifiers of View: layout wrappers, environment changes, attributes of the view
// itself and its appear and disappear hooks.

#include <algorithm>
#include <cmath>
#include <tuple>

#include "platform/ui/graph.h"
#include "platform/ui/node.h"
#include "platform/ui/views.h"

namespace platform::ui {

namespace detail {
namespace {

// ---- Empty --------------------------------------------------------------------------

class EmptyNode final : public Node {
public:
    bool isEmpty() const override { return true; }
    Size sizeThatFits(const Proposal&) override { return {}; }
};

class EmptyElement final : public Element {
public:
    std::unique_ptr<Node> resolve(Scope& scope) const override { return makeNode<EmptyNode>(scope); }
};

// ---- Wrappers -----------------------------------------------------------------------

// A node that wraps one child and leaves outlines to it.
class WrapperNode : public Node {
public:
    Node& child() const { return *children.front(); }
    ControlKind kind() const override { return ControlKind::other; }
};

class PaddingNode final : public WrapperNode {
public:
    explicit PaddingNode(EdgeInsets insets) : insets_(insets) {}

    Size sizeThatFits(const Proposal& p) override {
        const Size inner = child().measure(shrunk(p));
        return {inner.width + insets_.leading + insets_.trailing, inner.height + insets_.top + insets_.bottom};
    }
    void place(const Rect& r) override {
        frame = r;
        const Rect inner{r.minX() + insets_.leading, r.minY() + insets_.top,
                         std::max(0.0, r.width() - insets_.leading - insets_.trailing),
                         std::max(0.0, r.height() - insets_.top - insets_.bottom)};
        const Size s = child().measure({inner.width(), inner.height()});
        child().place({aligned(inner, s, Alignment::center()), s});
    }
    std::pair<double, double> range(Axis axis, std::optional<double> across) override {
        const double extra = axis == Axis::horizontal ? insets_.leading + insets_.trailing : insets_.top + insets_.bottom;
        const double crossExtra = axis == Axis::horizontal ? insets_.top + insets_.bottom : insets_.leading + insets_.trailing;
        if (across) across = std::max(0.0, *across - crossExtra);
        auto [least, most] = child().flexibility(axis, across);
        return {least + extra, most + extra};
    }

private:
    Proposal shrunk(const Proposal& p) const {
        Proposal inner = p;
        if (inner.width) inner.width = std::max(0.0, *inner.width - insets_.leading - insets_.trailing);
        if (inner.height) inner.height = std::max(0.0, *inner.height - insets_.top - insets_.bottom);
        return inner;
    }
    EdgeInsets insets_;
};

class FixedFrameNode final : public WrapperNode {
public:
    FixedFrameNode(std::optional<double> width, std::optional<double> height, Alignment alignment)
        : width_(width), height_(height), alignment_(alignment) {}

    Size sizeThatFits(const Proposal& p) override {
        const Size c = child().measure({width_ ? width_ : p.width, height_ ? height_ : p.height});
        return {width_.value_or(c.width), height_.value_or(c.height)};
    }
    void place(const Rect& r) override {
        frame = r;
        const Size c = child().measure({width_.value_or(r.width()), height_.value_or(r.height())});
        child().place({aligned(r, c, alignment_), c});
    }
    std::pair<double, double> range(Axis axis, std::optional<double> across) override {
        const std::optional<double> fixed = axis == Axis::horizontal ? width_ : height_;
        if (fixed) return {*fixed, *fixed};
        const std::optional<double> crossFixed = axis == Axis::horizontal ? height_ : width_;
        return child().flexibility(axis, crossFixed ? crossFixed : across);
    }

private:
    std::optional<double> width_;
    std::optional<double> height_;
    Alignment alignment_;
};

struct Bounds {
    std::optional<double> minimum;
    std::optional<double> ideal;
    std::optional<double> maximum;

    bool isBounded() const { return minimum || maximum; }
    // What the child is offered in this dimension.
    std::optional<double> offer(std::optional<double> proposed) const {
        if (!proposed) return ideal;
        double value = *proposed;
        if (maximum) value = std::min(value, *maximum);
        if (minimum) value = std::max(value, *minimum);
        return value;
    }
    // The frame's own length, given the child's.
    double length(std::optional<double> proposed, double child) const {
        if (!isBounded()) return !proposed && ideal ? *ideal : child;
        const double lower = minimum ? *minimum : std::min(child, *maximum);
        const double upper = std::max(lower, maximum ? *maximum : std::max(child, *minimum));
        return std::clamp(proposed ? *proposed : ideal.value_or(child), lower, upper);
    }
};

class FlexibleFrameNode final : public WrapperNode {
public:
    explicit FlexibleFrameNode(const FlexibleFrame& f)
        : width_{f.minWidth, f.idealWidth, f.maxWidth}, height_{f.minHeight, f.idealHeight, f.maxHeight},
          alignment_(f.alignment) {}

    Size sizeThatFits(const Proposal& p) override {
        const Size c = child().measure({width_.offer(p.width), height_.offer(p.height)});
        return {width_.length(p.width, c.width), height_.length(p.height, c.height)};
    }
    void place(const Rect& r) override {
        frame = r;
        const Size c = child().measure({width_.offer(r.width()), height_.offer(r.height())});
        child().place({aligned(r, c, alignment_), c});
    }

private:
    Bounds width_;
    Bounds height_;
    Alignment alignment_;
};

class FixedSizeNode final : public WrapperNode {
public:
    FixedSizeNode(bool horizontal, bool vertical) : horizontal_(horizontal), vertical_(vertical) {}

    Size sizeThatFits(const Proposal& p) override { return child().measure(fixed(p)); }
    void place(const Rect& r) override {
        frame = r;
        const Size c = child().measure(fixed({r.width(), r.height()}));
        child().place({aligned(r, c, Alignment::center()), c});
    }
    std::pair<double, double> range(Axis axis, std::optional<double> across) override {
        if ((axis == Axis::horizontal && horizontal_) || (axis == Axis::vertical && vertical_)) {
            const double ideal = along(measure(Proposal::on(axis, std::nullopt, across)), axis);
            return {ideal, ideal};
        }
        return WrapperNode::range(axis, across);
    }

private:
    Proposal fixed(Proposal p) const {
        if (horizontal_) p.width.reset();
        if (vertical_) p.height.reset();
        return p;
    }
    bool horizontal_;
    bool vertical_;
};

// A child with a view over it or under it, sized by the child.
class DecoratedNode final : public WrapperNode {
public:
    DecoratedNode(size_t primary, Alignment alignment) : primary_(primary), alignment_(alignment) {}

    Size sizeThatFits(const Proposal& p) override { return children[primary_]->measure(p); }
    void place(const Rect& r) override {
        frame = r;
        children[primary_]->place(r);
        Node& decoration = *children[1 - primary_];
        const Size s = decoration.measure({r.width(), r.height()});
        decoration.place({aligned(r, s, alignment_), s});
    }
    std::pair<double, double> range(Axis axis, std::optional<double> across) override {
        return children[primary_]->flexibility(axis, across);
    }

private:
    size_t primary_;
    Alignment alignment_;
};

// ---- Elements of the modifiers --------------------------------------------------------

template <class N, class... Args>
class WrapperElement final : public Element {
public:
    WrapperElement(View child, Args... args) : child_(std::move(child)), args_(std::move(args)...) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        auto node = std::apply([&](const Args&... a) { return makeNode<N>(scope, a...); }, args_);
        node->children.push_back(scope.resolve(child_));
        return node;
    }

private:
    View child_;
    std::tuple<Args...> args_;
};

class DecorationElement final : public Element {
public:
    DecorationElement(View child, View decoration, Alignment alignment, bool over)
        : child_(std::move(child)), decoration_(std::move(decoration)), alignment_(alignment), over_(over) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        auto node = makeNode<DecoratedNode>(scope, over_ ? 0 : 1, alignment_);
        std::unique_ptr<Node> primary = scope.resolve(child_);
        Scope decorationScope = scope.nested(over_ ? "overlay" : "background");
        decorationScope.stackAxis.reset();
        std::unique_ptr<Node> decoration = decorationScope.resolve(decoration_);
        if (over_) {
            node->children.push_back(std::move(primary));
            node->children.push_back(std::move(decoration));
        } else {
            node->children.push_back(std::move(decoration));
            node->children.push_back(std::move(primary));
        }
        return node;
    }

private:
    View child_;
    View decoration_;
    Alignment alignment_;
    bool over_;
};

class EnvironmentElement final : public Element {
public:
    EnvironmentElement(View child, std::function<void(Environment&)> change)
        : child_(std::move(child)), change_(std::move(change)) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        Scope inner = scope;
        change_(inner.env);
        return inner.resolve(child_);
    }

private:
    View child_;
    std::function<void(Environment&)> change_;
};

class AttributeElement final : public Element {
public:
    AttributeElement(View child, std::function<void(Node&)> apply) : child_(std::move(child)), apply_(std::move(apply)) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        std::unique_ptr<Node> node = scope.resolve(child_);
        apply_(*node);
        return node;
    }

private:
    View child_;
    std::function<void(Node&)> apply_;
};

class IdElement final : public Element {
public:
    IdElement(View child, std::string id) : child_(std::move(child)), id_(std::move(id)) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        Scope inner = scope;
        const size_t slash = inner.identity.rfind('/');
        inner.identity = (slash == std::string::npos ? inner.identity : inner.identity.substr(0, slash)) + "/#" + id_;
        return inner.resolve(child_);
    }

private:
    View child_;
    std::string id_;
};

class LifecycleElement final : public Element {
public:
    LifecycleElement(View child, Lifecycle hooks) : child_(std::move(child)), hooks_(std::move(hooks)) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        scope.graph.lifecycle(scope.identity, hooks_);
        return scope.resolve(child_);
    }

private:
    View child_;
    Lifecycle hooks_;
};

class WindowObserverElement final : public Element {
public:
    WindowObserverElement(View child, std::function<void(const std::shared_ptr<Window>&)> action)
        : child_(std::move(child)), action_(std::move(action)) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        scope.graph.windowObservers.push_back({scope.identity, scope.graph.currentSurface(), action_});
        return scope.resolve(child_);
    }

private:
    View child_;
    std::function<void(const std::shared_ptr<Window>&)> action_;
};

template <class N, class... Args>
View wrap(const View& child, Args... args) {
    return View(std::make_shared<WrapperElement<N, Args...>>(child, std::move(args)...));
}

}  // namespace
}  // namespace detail

using namespace detail;

View::View() : element_(std::make_shared<EmptyElement>()) {}

View EmptyView() { return View(); }

View View::padding(double length) const { return padding(allEdges, length); }

View View::padding(uint8_t edges, double length) const {
    const double l = std::isfinite(length) ? length : 0;
    return padding(EdgeInsets{edges & topEdge ? l : 0, edges & leadingEdge ? l : 0, edges & bottomEdge ? l : 0,
                              edges & trailingEdge ? l : 0});
}

View View::padding(EdgeInsets insets) const { return wrap<PaddingNode>(*this, insets); }

View View::frame(std::optional<double> width, std::optional<double> height, Alignment alignment) const {
    // A negative or unusable length counts as not given.
    const auto usable = [](std::optional<double> v) { return v && std::isfinite(*v) && *v >= 0 ? v : std::nullopt; };
    return wrap<FixedFrameNode>(*this, usable(width), usable(height), alignment);
}

View View::frame(const FlexibleFrame& f) const { return wrap<FlexibleFrameNode>(*this, f); }

View View::fixedSize(bool horizontal, bool vertical) const { return wrap<FixedSizeNode>(*this, horizontal, vertical); }

View View::overlay(View content, Alignment alignment) const {
    return View(std::make_shared<DecorationElement>(*this, std::move(content), alignment, true));
}

View View::background(View content, Alignment alignment) const {
    return View(std::make_shared<DecorationElement>(*this, std::move(content), alignment, false));
}

View View::gridColumnAlignment(HorizontalAlignment alignment) const {
    return View(std::make_shared<AttributeElement>(*this, [alignment](Node& n) { n.gridColumnAlignment = alignment; }));
}

View View::id(std::string id) const { return View(std::make_shared<IdElement>(*this, std::move(id))); }

View View::environment(std::function<void(Environment&)> change) const {
    return View(std::make_shared<EnvironmentElement>(*this, std::move(change)));
}

View View::font(Font font) const {
    return environment([font](Environment& e) { e.font = font; });
}
View View::foregroundStyle(Style style) const {
    return environment([style](Environment& e) { e.foreground = style; });
}
View View::disabled(bool disabled) const {
    return environment([disabled](Environment& e) { e.isEnabled = e.isEnabled && !disabled; });
}
View View::controlSize(ControlSize size) const {
    return environment([size](Environment& e) { e.controlSize = size; });
}
View View::buttonStyle(ButtonStyle style) const {
    return environment([style](Environment& e) { e.buttonStyle = style; });
}
View View::toggleStyle(ToggleStyle style) const {
    return environment([style](Environment& e) { e.toggleStyle = style; });
}
View View::labelsHidden() const {
    return environment([](Environment& e) { e.labelsHidden = true; });
}
View View::menuIndicatorHidden() const {
    return environment([](Environment& e) { e.menuIndicatorHidden = true; });
}
View View::lineLimit(std::optional<int> lines) const {
    return environment([lines](Environment& e) { e.lineLimit = lines && *lines > 0 ? lines : std::nullopt; });
}
View View::strikethrough(bool on) const {
    return environment([on](Environment& e) { e.strikethrough = on; });
}
View View::monospacedDigit() const {
    return environment([](Environment& e) { e.font = e.font.monospacedDigit(); });
}
View View::monospaced() const {
    return environment([](Environment& e) { e.font = e.font.monospaced(); });
}

View View::withTag(Tag tag) const {
    return View(std::make_shared<AttributeElement>(*this, [tag](Node& n) { n.tag = tag; }));
}
View View::help(std::string text) const {
    return View(std::make_shared<AttributeElement>(*this, [text](Node& n) { n.help = text; }));
}
View View::keyboardShortcut(KeyboardShortcut shortcut) const {
    return View(std::make_shared<AttributeElement>(*this, [shortcut](Node& n) { n.shortcut = shortcut; }));
}
View View::accessibilityLabel(std::string label) const {
    return View(std::make_shared<AttributeElement>(*this, [label](Node& n) { n.accessibilityLabel = label; }));
}

View View::onAppear(std::function<void()> action) const {
    return View(std::make_shared<LifecycleElement>(*this, Lifecycle{std::move(action), {}, {}}));
}
View View::onDisappear(std::function<void()> action) const {
    return View(std::make_shared<LifecycleElement>(*this, Lifecycle{{}, std::move(action), {}}));
}
View View::task(std::function<Task<void>()> body) const {
    return View(std::make_shared<LifecycleElement>(*this, Lifecycle{{}, {}, std::move(body)}));
}
View View::onWindow(std::function<void(const std::shared_ptr<Window>&)> action) const {
    return View(std::make_shared<WindowObserverElement>(*this, std::move(action)));
}

}  // namespace platform::ui
