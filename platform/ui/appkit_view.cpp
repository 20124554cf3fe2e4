// AppKit views bridged into the tree.

#include "platform/appkit/view.h"
#include "platform/ui/controls.h"
#include "platform/ui/graph.h"
#include "platform/ui/node.h"

namespace platform::ui {

namespace detail {
namespace {

class AppKitViewNode final : public Node {
public:
    AppKitViewNode(std::shared_ptr<platform::View> view, AppKitViewSpec spec) : view_(std::move(view)), spec_(std::move(spec)) {}

    Size sizeThatFits(const Proposal& p) override {
        if (!view_) return {};
        if (spec_.sizeThatFits) return spec_.sizeThatFits(p.width, p.height, *view_);
        return view_->frame().size;
    }
    std::pair<double, double> range(Axis axis, std::optional<double> across) override {
        if (spec_.sizeThatFits) return Node::range(axis, across);
        const double length = along(measure({}), axis);
        return {length, length};
    }

    platform::View* hostedView() const override { return view_.get(); }
    ControlKind kind() const override { return ControlKind::appKitView; }
    std::string title() const override { return spec_.name; }
    std::string outlineLine() const override { return "AppKitView \"" + label() + "\""; }

private:
    std::shared_ptr<platform::View> view_;
    AppKitViewSpec spec_;
};

class AppKitViewElement final : public Element {
public:
    explicit AppKitViewElement(AppKitViewSpec spec) : spec_(std::move(spec)) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        bool made = false;
        std::shared_ptr<platform::View> view = scope.graph.appKitView(scope.identity, spec_.make, made);
        if (view && spec_.update) spec_.update(*view);
        return makeNode<AppKitViewNode>(scope, std::move(view), spec_);
    }

private:
    AppKitViewSpec spec_;
};

}  // namespace
}  // namespace detail

View AppKitView(AppKitViewSpec spec) { return View(std::make_shared<detail::AppKitViewElement>(std::move(spec))); }

}  // namespace platform::ui
