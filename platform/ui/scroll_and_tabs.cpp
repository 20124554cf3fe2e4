// Scroll views and tab views.

#include <algorithm>

#include "platform/ui/graph.h"
#include "platform/ui/node.h"
#include "platform/ui/painter.h"
#include "platform/ui/symbols.h"
#include "platform/ui/text_measure.h"
#include "platform/ui/views.h"

namespace platform::ui {

namespace detail {
namespace {

class ScrollNode final : public Node {
public:
    ScrollNode(std::shared_ptr<double> offset, ScrollIndicators indicators)
        : offset_(std::move(offset)), indicators_(indicators) {}

    Node& content() const { return *children.front(); }

    Size sizeThatFits(const Proposal& p) override {
        const Size c = content().measure({p.width, std::nullopt});
        return {p.width.value_or(c.width), p.height.value_or(c.height)};
    }
    std::pair<double, double> range(Axis, std::optional<double>) override { return {0, infinity}; }

    void place(const Rect& r) override {
        frame = r;
        const Size c = content().measure({r.width(), std::nullopt});
        contentHeight_ = c.height;
        *offset_ = std::clamp(*offset_, 0.0, maxOffset());
        content().place({r.minX() + std::max(0.0, (r.width() - c.width) / 2), r.minY() - *offset_, c.width, c.height});
    }

    void draw(Painter& painter) const override {
        painter.pushClip(frame);
        content().draw(painter);
        painter.pop();
        if (indicators_ == ScrollIndicators::hidden || maxOffset() <= 0) return;
        const double visible = frame.height() / contentHeight_;
        const double length = std::max(20.0, frame.height() * visible);
        const double y = frame.minY() + (frame.height() - length) * (*offset_ / maxOffset());
        painter.fillRoundedRect({frame.maxX() - 7, y + 2, 5, length - 4}, 2.5, Color::gray(0, 0.3));
    }

    Node* hitTest(Point point) override { return frame.contains(point) ? content().hitTest(point) : nullptr; }
    Node* scrollTarget(Point point) override {
        if (!frame.contains(point)) return nullptr;
        Node* inner = content().scrollTarget(point);
        return inner ? inner : this;
    }
    bool scrollBy(double dy) override {
        const double before = *offset_;
        *offset_ = std::clamp(before + dy, 0.0, maxOffset());
        return *offset_ != before;
    }

    ControlKind kind() const override { return ControlKind::scrollView; }
    std::string value() const override { return std::to_string(int(*offset_)); }
    std::string outlineLine() const override { return "ScrollView"; }

private:
    double maxOffset() const { return std::max(0.0, contentHeight_ - frame.height()); }

    std::shared_ptr<double> offset_;
    ScrollIndicators indicators_;
    double contentHeight_ = 0;
};

class ScrollElement final : public Element {
public:
    ScrollElement(View content, ScrollIndicators indicators) : content_(std::move(content)), indicators_(indicators) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        auto node = makeNode<ScrollNode>(scope, scope.graph.scrollOffset(scope.identity), indicators_);
        Scope inner = scope.nested("content");
        inner.stackAxis.reset();
        node->children.push_back(inner.resolve(content_));
        return node;
    }

private:
    View content_;
    ScrollIndicators indicators_;
};

// ---- Tab views ----------------------------------------------------------------------

constexpr double kStripHeight = 56;
constexpr double kItemHeight = 48;
const Font kItemFont = Font::system(11);

class TabItemNode final : public Node {
public:
    TabItemNode(std::string label, std::string symbol, bool selected, Binding<Tag> selection, Tag value)
        : label_(std::move(label)), symbol_(std::move(symbol)), selected_(selected), selection_(std::move(selection)),
          value_(std::move(value)) {}

    Size sizeThatFits(const Proposal&) override {
        return {std::max(60.0, std::ceil(measureText(label_, kItemFont, {}, 1).size.width) + 16), kItemHeight};
    }
    void draw(Painter& painter) const override {
        if (selected_) painter.fillRoundedRect(frame, 6, Color::gray(0, 0.08));
        const Color color = selected_ ? Style::accent().resolved() : Color::gray(0, 0.6);
        drawSymbol(painter, symbol_, {frame.midX() - 11, frame.minY() + 5, 22, 22}, color);
        const TextLayout l = measureText(label_, kItemFont, {}, 1);
        painter.text(label_, kItemFont, {frame.midX() - l.size.width / 2, frame.minY() + 32 + l.ascent}, color);
    }
    bool isInteractive() const override { return true; }
    void mouseUp(Interaction&, Point, bool inside) override {
        if (inside && isEnabled()) selection_.set(value_);
    }
    bool activate(Interaction&) override {
        if (!isEnabled()) return false;
        selection_.set(value_);
        return true;
    }
    ControlKind kind() const override { return ControlKind::tab; }
    std::string title() const override { return label_; }
    std::string value() const override { return selected_ ? "selected" : ""; }
    std::string outlineLine() const override {
        return "Tab \"" + label_ + "\" " + symbol_ + (selected_ ? " selected" : "");
    }

private:
    std::string label_;
    std::string symbol_;
    bool selected_;
    Binding<Tag> selection_;
    Tag value_;
};

class TabViewNode final : public Node {
public:
    explicit TabViewNode(size_t itemCount) : itemCount_(itemCount) {}

    Node* content() const { return children.size() > itemCount_ ? children.back().get() : nullptr; }

    Size sizeThatFits(const Proposal& p) override {
        Size c;
        if (Node* n = content()) {
            std::optional<double> h = p.height;
            if (h) h = std::max(0.0, *h - kStripHeight);
            c = n->measure({p.width, h});
        }
        return {std::max(p.width.value_or(c.width), stripWidth()), p.height.value_or(c.height + kStripHeight)};
    }

    void place(const Rect& r) override {
        frame = r;
        double x = r.midX() - stripWidth() / 2;
        for (size_t i = 0; i < itemCount_; ++i) {
            const Size s = children[i]->measure({});
            children[i]->place({x, r.minY() + (kStripHeight - s.height) / 2, s.width, s.height});
            x += s.width + kItemGap;
        }
        if (Node* n = content()) {
            const Rect rest{r.minX(), r.minY() + kStripHeight, r.width(), std::max(0.0, r.height() - kStripHeight)};
            const Size s = n->measure({rest.width(), rest.height()});
            n->place({aligned(rest, s, Alignment::top()), s});
        }
    }

    void draw(Painter& painter) const override {
        painter.fillRect({frame.minX(), frame.minY(), frame.width(), kStripHeight}, Color::gray(0.97));
        painter.fillRect({frame.minX(), frame.minY() + kStripHeight - 1, frame.width(), 1}, Style::separator().resolved());
        Node::draw(painter);
    }

    ControlKind kind() const override { return ControlKind::tabView; }
    std::string value() const override {
        for (size_t i = 0; i < itemCount_; ++i) {
            if (children[i]->value() == "selected") return children[i]->title();
        }
        return {};
    }
    std::string outlineLine() const override { return "TabView"; }

private:
    static constexpr double kItemGap = 2;
    double stripWidth() const {
        double width = 0;
        for (size_t i = 0; i < itemCount_; ++i) width += children[i]->measure({}).width + kItemGap;
        return width;
    }
    size_t itemCount_;
};

class TabViewElement final : public Element {
public:
    TabViewElement(Binding<Tag> selection, std::vector<Tab> tabs) : selection_(std::move(selection)), tabs_(std::move(tabs)) {}

    std::unique_ptr<Node> resolve(Scope& scope) const override {
        const Tag chosen = selection_.get();
        auto node = makeNode<TabViewNode>(scope, tabs_.size());
        std::optional<size_t> shown;
        for (size_t i = 0; i < tabs_.size(); ++i) {
            const bool selected = !shown && tabs_[i].value == chosen;
            if (selected) shown = i;
            node->children.push_back(makeNode<TabItemNode>(scope.nested("item" + std::to_string(i)), tabs_[i].label,
                                                           tabs_[i].symbolName, selected, selection_, tabs_[i].value));
        }
        if (shown && tabs_[*shown].content) {
            if (!scope.graph.chosenTabTitle) scope.graph.chosenTabTitle = tabs_[*shown].label;
            Scope inner = scope.nested("tab" + std::to_string(*shown));
            inner.stackAxis.reset();
            std::unique_ptr<Node> content = inner.resolve(tabs_[*shown].content());
            if (!content->isEmpty()) node->children.push_back(std::move(content));
        }
        return node;
    }

private:
    Binding<Tag> selection_;
    std::vector<Tab> tabs_;
};

}  // namespace
}  // namespace detail

using namespace detail;

View ScrollView(View content, ScrollIndicators indicators) {
    return View(std::make_shared<ScrollElement>(std::move(content), indicators));
}

View TabView(Binding<Tag> selection, std::vector<Tab> tabs) {
    return View(std::make_shared<TabViewElement>(std::move(selection), std::move(tabs)));
}

}  // namespace platform::ui
