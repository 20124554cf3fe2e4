// Single-selection lists and sliders.

#include <algorithm>
#include <cmath>
#include <sstream>

#include "platform/ui/control_look.h"
#include "platform/ui/controls.h"
#include "platform/ui/graph.h"
#include "platform/ui/node.h"
#include "platform/ui/painter.h"
#include "platform/ui/text_nodes.h"

namespace platform::ui {

namespace detail {
namespace {

constexpr double kRowHeight = 24;
constexpr double kRowInset = 8;

class RowNode final : public Node {
public:
    RowNode(Binding<Tag> selection, bool selected) : selection_(std::move(selection)), selected_(selected) {}

    Node& content() const { return *children.front(); }
    double height(double width) { return std::max(kRowHeight, content().measure({width - 2 * kRowInset, {}}).height + 6); }

    void place(const Rect& r) override {
        frame = r;
        const Rect inner = r.insetBy(kRowInset, 0);
        const Size s = content().measure({inner.isNull() ? 0 : inner.width(), std::nullopt});
        content().place({aligned(inner.isNull() ? r : inner, s, Alignment::leading()), s});
    }
    void draw(Painter& painter) const override {
        if (selected_) painter.fillRect(frame, Color::rgb(0.0, 0.478, 1.0, isEnabled() ? 0.22 : 0.1));
        painter.pushAlpha(isEnabled() ? 1 : kDisabledAlpha);
        content().draw(painter);
        painter.pop();
    }

    bool isInteractive() const override { return true; }
    void mouseDown(Interaction& interaction, Point) override { activate(interaction); }
    bool activate(Interaction&) override {
        if (!isEnabled() || tag.isEmpty()) return false;
        selection_.set(tag);
        return true;
    }

    ControlKind kind() const override { return ControlKind::row; }
    std::string title() const override { return titleOf(content()); }
    std::string value() const override { return selected_ ? "selected" : ""; }
    std::string outlineLine() const override {
        return "Row \"" + label() + "\"" + (selected_ ? " selected" : "");
    }

private:
    Binding<Tag> selection_;
    bool selected_;
};

class ListNode final : public Node {
public:
    ListNode(Binding<Tag> selection, std::shared_ptr<double> offset)
        : selection_(std::move(selection)), offset_(std::move(offset)) {}

    Size sizeThatFits(const Proposal& p) override {
        double width = 0;
        for (const auto& row : children) width = std::max(width, row->measure({}).width + 2 * kRowInset + 2);
        double height = 2;
        for (const auto& row : children) height += static_cast<RowNode&>(*row).height(p.width.value_or(width) - 2);
        return {p.width.value_or(width), p.height.value_or(height)};
    }
    std::pair<double, double> range(Axis, std::optional<double>) override { return {0, infinity}; }

    void place(const Rect& r) override {
        frame = r;
        double total = 0;
        for (const auto& row : children) total += static_cast<RowNode&>(*row).height(r.width() - 2);
        contentHeight_ = total;
        *offset_ = std::clamp(*offset_, 0.0, maxOffset());
        double y = r.minY() + 1 - *offset_;
        for (const auto& row : children) {
            const double h = static_cast<RowNode&>(*row).height(r.width() - 2);
            row->place({r.minX() + 1, y, std::max(0.0, r.width() - 2), h});
            y += h;
        }
    }

    void draw(Painter& painter) const override {
        painter.fillRect(frame, Color::white());
        painter.pushClip(frame.insetBy(1, 1).isNull() ? frame : frame.insetBy(1, 1));
        Node::draw(painter);
        painter.pop();
        painter.strokeRoundedRect(frame, 0, controlBorder(), 1);
    }

    Node* hitTest(Point point) override {
        if (!frame.contains(point)) return nullptr;
        for (const auto& row : children) {
            if (row->frame.contains(point)) return row.get();
        }
        return this;
    }
    Node* scrollTarget(Point point) override { return frame.contains(point) ? this : nullptr; }
    bool scrollBy(double dy) override {
        const double before = *offset_;
        *offset_ = std::clamp(before + dy, 0.0, maxOffset());
        return *offset_ != before;
    }

    bool isInteractive() const override { return true; }
    // A click below the rows selects nothing.
    void mouseDown(Interaction&, Point) override {
        if (isEnabled()) selection_.set(Tag());
    }

    ControlKind kind() const override { return ControlKind::list; }
    std::string value() const override {
        for (const auto& row : children) {
            if (row->value() == "selected") return row->label();
        }
        return {};
    }
    std::string outlineLine() const override { return "List"; }

private:
    double maxOffset() const { return std::max(0.0, contentHeight_ - (frame.height() - 2)); }

    Binding<Tag> selection_;
    std::shared_ptr<double> offset_;
    double contentHeight_ = 0;
};

class ListElement final : public Element {
public:
    ListElement(Binding<Tag> selection, std::vector<View> rows) : selection_(std::move(selection)), rows_(std::move(rows)) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        auto node = makeNode<ListNode>(scope, selection_, scope.graph.scrollOffset(scope.identity));
        const Tag chosen = selection_.get();
        Scope inner = scope;
        inner.stackAxis.reset();
        for (auto& content : inner.resolveChildren(rows_)) {
            const bool selected = !chosen.isEmpty() && content->tag == chosen;
            auto row = std::make_unique<RowNode>(selection_, selected);
            row->identity = content->identity + "|row";
            row->env = content->env;
            row->tag = content->tag;
            row->children.push_back(std::move(content));
            node->children.push_back(std::move(row));
        }
        return node;
    }

private:
    Binding<Tag> selection_;
    std::vector<View> rows_;
};

// ---- Sliders ----------------------------------------------------------------------------

std::string number(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

class SliderNode final : public Node {
public:
    SliderNode(Binding<double> value, double lower, double upper)
        : value_(std::move(value)), lower_(lower), upper_(upper), current_(value_.get()) {}

    bool hasUsableBounds() const { return std::isfinite(lower_) && std::isfinite(upper_) && lower_ <= upper_; }
    double knob() const { return env.controlSize == ControlSize::regular ? 16 : 12; }

    Size sizeThatFits(const Proposal& p) override {
        return {std::max(kMinimumWidth, p.width.value_or(kIdealWidth)), knob() + 4};
    }

    double fraction() const {
        if (!hasUsableBounds() || upper_ == lower_ || !std::isfinite(current_)) return 0;
        return std::clamp((current_ - lower_) / (upper_ - lower_), 0.0, 1.0);
    }
    Rect track() const {
        return {frame.minX() + knob() / 2, frame.midY() - 2, std::max(0.0, frame.width() - knob()), 4};
    }

    void draw(Painter& painter) const override {
        painter.pushAlpha(isEnabled() ? 1 : kDisabledAlpha);
        const Rect t = track();
        painter.fillRoundedRect(t, 2, Color::gray(0, 0.15));
        painter.fillRoundedRect({t.minX(), t.minY(), t.width() * fraction(), t.height()}, 2, accent());
        const double x = t.minX() + t.width() * fraction();
        const Rect k{x - knob() / 2, frame.midY() - knob() / 2, knob(), knob()};
        painter.fillEllipse(k, Color::white());
        painter.strokeEllipse(k, controlBorder(), 1);
        painter.pop();
    }

    bool isInteractive() const override { return true; }
    void mouseDown(Interaction&, Point p) override { follow(p); }
    void mouseDragged(Interaction&, Point p) override { follow(p); }
    bool setSliderValue(double v) override {
        if (!isEnabled() || !hasUsableBounds() || std::isnan(v)) return false;
        write(std::clamp(v, lower_, upper_));
        return true;
    }

    ControlKind kind() const override { return ControlKind::slider; }
    std::string value() const override { return number(current_); }
    std::string outlineLine() const override {
        return "Slider " + number(current_) + " in " + number(lower_) + "..." + number(upper_);
    }

private:
    static constexpr double kIdealWidth = 150;
    static constexpr double kMinimumWidth = 40;

    void follow(Point p) {
        if (!isEnabled() || !hasUsableBounds()) return;
        const Rect t = track();
        const double f = t.width() > 0 ? std::clamp((p.x - t.minX()) / t.width(), 0.0, 1.0) : 0;
        write(lower_ + f * (upper_ - lower_));
    }
    void write(double v) {
        current_ = v;
        const Binding<double> value = value_;
        value.set(v);
    }

    Binding<double> value_;
    double lower_;
    double upper_;
    double current_;
};

class SliderElement final : public Element {
public:
    SliderElement(Binding<double> value, double lower, double upper) : value_(std::move(value)), lower_(lower), upper_(upper) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override { return makeNode<SliderNode>(scope, value_, lower_, upper_); }

private:
    Binding<double> value_;
    double lower_;
    double upper_;
};

}  // namespace
}  // namespace detail

using namespace detail;

View List(Binding<Tag> selection, std::vector<View> rows) {
    return View(std::make_shared<ListElement>(std::move(selection), std::move(rows)));
}

View Slider(Binding<double> value, double lower, double upper) {
    return View(std::make_shared<SliderElement>(std::move(value), lower, upper));
}

}  // namespace platform::ui
