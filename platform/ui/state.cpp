// Views with state of their own, and views that read their environment.

#include "platform/ui/state.h"

#include "platform/ui/graph.h"
#include "platform/ui/node.h"

namespace platform::ui {

namespace detail {
namespace {

class StatefulElement final : public Element {
public:
    StatefulElement(std::string typeName, std::function<std::shared_ptr<void>()> make,
                    std::function<View(const std::shared_ptr<void>&)> body)
        : typeName_(std::move(typeName)), make_(std::move(make)), body_(std::move(body)) {}

    std::unique_ptr<Node> resolve(Scope& scope) const override {
        std::shared_ptr<void> state = scope.graph.state(scope.identity + "|" + typeName_, make_);
        return scope.nested("body").resolve(body_(state));
    }

private:
    std::string typeName_;
    std::function<std::shared_ptr<void>()> make_;
    std::function<View(const std::shared_ptr<void>&)> body_;
};

class EnvironmentReaderElement final : public Element {
public:
    explicit EnvironmentReaderElement(std::function<View(const Environment&)> body) : body_(std::move(body)) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override { return scope.resolve(body_(scope.env)); }

private:
    std::function<View(const Environment&)> body_;
};

}  // namespace

View statefulView(std::string typeName, std::function<std::shared_ptr<void>()> make,
                  std::function<View(const std::shared_ptr<void>&)> body) {
    return View(std::make_shared<StatefulElement>(std::move(typeName), std::move(make), std::move(body)));
}

}  // namespace detail

View EnvironmentReader(std::function<View(const Environment&)> body) {
    return View(std::make_shared<detail::EnvironmentReaderElement>(std::move(body)));
}

}  // namespace platform::ui
