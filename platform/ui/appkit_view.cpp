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
    AppKitViewNode(std::shared_ptr<platform::View> view, AppKitViewDescription description)
        : view_(std::move(view)), description_(std::move(description)) {}

    Size sizeThatFits(const Proposal& p) override {
        if (!view_) return {};
        if (description_.sizeThatFits) return description_.sizeThatFits(p.width, p.height, *view_);
        return view_->frame().size;
    }
    std::pair<double, double> range(Axis axis, std::optional<double> across) override {
        if (description_.sizeThatFits) return Node::range(axis, across);
        const double length = along(measure({}), axis);
        return {length, length};
    }

    platform::View* hostedView() const override { return view_.get(); }
    ControlKind kind() const override { return ControlKind::appKitView; }
    std::string title() const override { return description_.name; }
    std::string outlineLine() const override { return "AppKitView \"" + label() + "\""; }

private:
    std::shared_ptr<platform::View> view_;
    AppKitViewDescription description_;
};

class AppKitViewElement final : public Element {
public:
    explicit AppKitViewElement(AppKitViewDescription description) : description_(std::move(description)) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        bool made = false;
        std::shared_ptr<platform::View> view = scope.graph.appKitView(scope.identity, description_.make, made);
        if (view && description_.update) description_.update(*view);
        return makeNode<AppKitViewNode>(scope, std::move(view), description_);
    }

private:
    AppKitViewDescription description_;
};

}  // namespace
}  // namespace detail

View AppKitView(AppKitViewDescription description) {
    return View(std::make_shared<detail::AppKitViewElement>(std::move(description)));
}

}  // namespace platform::ui
