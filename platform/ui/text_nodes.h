#pragma once

// Inside the toolkit: the nodes of text and symbol images, which controls use for their
// titles and icons.

#include <optional>
#include <string>

#include "platform/appkit/text_metrics.h"
#include "platform/ui/node.h"

namespace platform::ui::detail {

class TextNode final : public Node {
public:
    explicit TextNode(std::string text);

    Size sizeThatFits(const Proposal& p) override;
    std::pair<double, double> range(Axis axis, std::optional<double> across) override;
    void draw(Painter& painter) const override;
    // Draws the text in another colour (a disabled control's title).
    void drawText(Painter& painter, const Color& color) const;

    ControlKind kind() const override { return ControlKind::text; }
    std::string title() const override { return text_; }
    std::string value() const override { return text_; }
    std::string outlineLine() const override;

private:
    TextLayout layout(std::optional<double> width) const;
    std::string text_;
};

class SymbolNode final : public Node {
public:
    explicit SymbolNode(std::string name);

    Size sizeThatFits(const Proposal& p) override;
    void draw(Painter& painter) const override;
    void drawSymbol(Painter& painter, const Color& color) const;

    ControlKind kind() const override { return ControlKind::image; }
    std::string title() const override { return name_; }
    std::string outlineLine() const override;

private:
    double side() const;
    std::string name_;
};

// The first text in a subtree, else the first symbol's name: what a control is called.
std::string titleOf(const Node& node);

}  // namespace platform::ui::detail
