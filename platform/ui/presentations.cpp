// Sheets, alerts and the file-import dialog tied to a view.

#include "platform/ui/graph.h"
#include "platform/ui/node.h"
#include "platform/ui/view.h"

namespace platform::ui {

namespace detail {
namespace {

class SheetElement final : public Element {
public:
    SheetElement(View child, Binding<bool> isPresented, std::function<View()> content)
        : child_(std::move(child)), isPresented_(std::move(isPresented)), content_(std::move(content)) {}

    std::unique_ptr<Node> resolve(Scope& scope) const override {
        std::unique_ptr<Node> node = scope.resolve(child_);
        if (!isPresented_.get() || !content_) return node;
        Graph& graph = scope.graph;
        const std::string key = scope.identity + "/sheet";
        // A sheet starts from the window's environment, not the presenting view's: a
        // disabled button does not make a disabled sheet.
        Environment env;
        env.reducesMotion = scope.env.reducesMotion;
        env.locale = scope.env.locale;
        const Binding<bool> isPresented = isPresented_;
        env.dismissAction = [isPresented] { isPresented.set(false); };
        const std::string parent = graph.currentSurface();
        graph.enterSurface(key);
        Scope inner{graph, env, key, std::nullopt};
        std::unique_ptr<Node> root = inner.resolve(content_());
        graph.leaveSurface();
        graph.sheets.push_back({key, parent, std::move(root)});
        return node;
    }

private:
    View child_;
    Binding<bool> isPresented_;
    std::function<View()> content_;
};

// An alert or a file dialog: presented while its binding reads true, over the surface
// the view is in.
template <class Request>
class PresentationElement final : public Element {
public:
    using Queue = std::vector<Request> Graph::*;
    PresentationElement(View child, Request request, Queue queue, const char* suffix)
        : child_(std::move(child)), request_(std::move(request)), queue_(queue), suffix_(suffix) {}

    std::unique_ptr<Node> resolve(Scope& scope) const override {
        std::unique_ptr<Node> node = scope.resolve(child_);
        if (!request_.isPresented.get()) return node;
        Request request = request_;
        request.key = scope.identity + suffix_;
        request.surface = scope.graph.currentSurface();
        (scope.graph.*queue_).push_back(std::move(request));
        return node;
    }

private:
    View child_;
    Request request_;
    Queue queue_;
    const char* suffix_;
};

}  // namespace
}  // namespace detail

using namespace detail;

View View::sheet(Binding<bool> isPresented, std::function<View()> content) const {
    return View(std::make_shared<SheetElement>(*this, std::move(isPresented), std::move(content)));
}

View View::alert(std::string title, Binding<bool> isPresented, std::vector<AlertButton> buttons,
                 std::string message) const {
    AlertRequest request{{}, {}, std::move(title), std::move(message), std::move(buttons), std::move(isPresented)};
    return View(std::make_shared<PresentationElement<AlertRequest>>(*this, std::move(request), &Graph::alerts, "/alert"));
}

View View::fileImporter(Binding<bool> isPresented, std::vector<std::string> contentTypes,
                        std::function<void(Result<std::filesystem::path>)> completion) const {
    ImportRequest request{{}, {}, std::move(contentTypes), std::move(isPresented), std::move(completion)};
    return View(
        std::make_shared<PresentationElement<ImportRequest>>(*this, std::move(request), &Graph::imports, "/import"));
}

}  // namespace platform::ui
